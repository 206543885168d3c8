#include "cli/cli.h"
#include "cli/help.h"

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
        if (a == "--help" || a == "-h") {
            inv.help = true;
            return inv;
        }
        if (a == "--version") {
            inv.version = true;
            return inv;
        }
        if (a == "--complete" || a == "--complete-raw") {
            inv.completeRaw = a == "--complete-raw";
            inv.complete = Args(argv.begin() + static_cast<std::ptrdiff_t>(i) + 1, argv.end());
            return inv;
        }
        if (a.size() < 2 || a[0] != '-') break;
        if (a.compare(0, 2, "--") != 0) {
            error = "unknown option " + a;
            return std::nullopt;
        }
        const auto v = value(a);
        if (!v) return std::nullopt;
        if (a == "--folder") {
            // An empty name would quietly mean the current folder or the executable's.
            if (v->empty()) {
                error = "--folder needs a folder name, not an empty one";
                return std::nullopt;
            }
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
    for (const Args& command : inv.commands) {
        if (!isCommand(command.front())) {
            error = "unknown command \"" + command.front() + "\"";
            return std::nullopt;
        }
    }
    return inv;
}

}  // namespace morvane::cli
