#include "cli/cli.h"

namespace morvane::cli {

std::optional<Invocation> parseInvocation(const Args& argv, std::string& error) {
    Invocation inv;
    std::size_t i = 0;
    auto value = [&](const std::string& option) -> std::optional<std::string> {
        if (i + 1 >= argv.size()) {
            error = option + " needs a value";
            return std::nullopt;
        }
        return argv[++i];
    };
    for (; i < argv.size(); ++i) {
        const std::string& a = argv[i];
        if (a.size() < 2 || a.compare(0, 2, "--") != 0) break;
        const auto v = value(a);
        if (!v) return std::nullopt;
        if (a == "--folder") {
            inv.session.programFolder = *v;
        } else if (a == "--device") {
            inv.session.device = *v;
            inv.deviceGiven = true;
        } else if (a == "--log") {
            inv.session.logFile = *v;
        } else if (a == "--language") {
            if (*v == "english") inv.session.uiLanguage = kLanguageEnglish;
            else if (*v == "chinese") inv.session.uiLanguage = kLanguageChinese;
            else {
                error = "--language takes english or chinese";
                return std::nullopt;
            }
            inv.languageGiven = true;
        } else {
            error = "unknown option " + a;
            return std::nullopt;
        }
    }
    Args current;
    for (; i < argv.size(); ++i) {
        if (argv[i] == "+") {
            if (current.empty()) {
                error = "empty command before \"+\"";
                return std::nullopt;
            }
            inv.commands.push_back(std::move(current));
            current.clear();
        } else {
            current.push_back(argv[i]);
        }
    }
    if (current.empty()) {
        error = inv.commands.empty() ? "no command given" : "empty command after \"+\"";
        return std::nullopt;
    }
    inv.commands.push_back(std::move(current));
    return inv;
}

}  // namespace morvane::cli
