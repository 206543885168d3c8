// `switch ...`: the rules that apply a profile when a window becomes active,
// kept in the user's settings.
#include <ostream>

#include "cli/cli.h"
#include "config/profile_files.h"
#include "config/switch_rules.h"
#include "platform/settings_store.h"

namespace morvane::cli {

namespace {

constexpr const char* kUsage =
    "usage: switch list | add CLASS PROFILE | add --title TEXT PROFILE | remove CLASS|--title TEXT | "
    "default PROFILE|none";

// A rule naming a profile that is not there would never do anything.
Outcome checkProfileExists(const Session& session, const std::string& profile) {
    if (!isValidProfileName(profile)) return Outcome::failure("\"" + profile + "\" is not a profile name");
    std::error_code ec;
    if (!std::filesystem::is_regular_file(profileFile(profileFolder(session.userFolder()), profile), ec))
        return Outcome::failure("no profile named \"" + profile + "\"");
    return {};
}

}  // namespace

Outcome runSwitch(Session& session, const Args& c, std::ostream& out) {
    if (c.size() < 2) return Outcome::failure(kUsage);
    const std::string& op = c[1];
    const bool title = c.size() > 2 && c[2] == "--title";
    const std::size_t operands = c.size() - 2 - (title ? 1 : 0);
    const std::size_t first = title ? 3 : 2;

    const auto settings = openUserSettings();
    SwitchRules rules = SwitchRules::load(*settings);
    const SwitchRule::Kind kind = title ? SwitchRule::Kind::Title : SwitchRule::Kind::Class;

    if (op == "list" && c.size() == 2) {
        for (const SwitchRule& r : rules.rules())
            out << (r.kind == SwitchRule::Kind::Class ? "class" : "title") << "\t" << r.text << "\t" << r.profile
                << "\n";
        if (rules.defaultProfile()) out << "default\t" << *rules.defaultProfile() << "\n";
        return {};
    }
    if (op == "add" && operands == 2) {
        if (Outcome ok = checkProfileExists(session, c[first + 1]); !ok) return ok;
        if (Outcome ok = rules.add({kind, c[first], c[first + 1]}); !ok) return ok;
    } else if (op == "remove" && operands == 1) {
        if (!rules.remove(kind, c[first]))
            return Outcome::failure(std::string("no rule for the ") + (title ? "title text" : "class") + " \"" +
                                    c[first] + "\"");
    } else if (op == "default" && c.size() == 3) {
        if (c[2] == "none") {
            if (Outcome ok = rules.setDefault(std::nullopt); !ok) return ok;
        } else {
            if (Outcome ok = checkProfileExists(session, c[2]); !ok) return ok;
            if (Outcome ok = rules.setDefault(c[2]); !ok) return ok;
        }
    } else {
        return Outcome::failure(kUsage);
    }
    return rules.store(*settings);
}

}  // namespace morvane::cli
