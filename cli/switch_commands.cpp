// `switch ...`: the rules that apply a profile when a window becomes active,
// kept in the user's settings.
#include <ostream>

#include "cli/cli.h"
#include "config/switch_rules.h"
#include "platform/active_window_sources.h"
#include "platform/settings_store.h"

namespace morvane::cli {

namespace {

constexpr const char* kUsage =
    "usage: switch list | add CLASS PROFILE | add --title TEXT PROFILE | remove CLASS|--title TEXT | "
    "move CLASS|--title TEXT up|down | default PROFILE|none";

// Rules do nothing where the active window cannot be known (a Wayland
// desktop without XWayland): whoever sets them up is told. The window
// program found out when it started; a CLI alone asks the desktop.
void tellWhenNotFollowed(Session& session, std::ostream& err) {
    if (!session.followProblem()) session.setFollowProblem(whyActiveWindowUnknown());
    if (!session.followProblem()->empty())
        err << "morvane-cli: switch: profiles do not follow the active window here: " << *session.followProblem()
            << "\n";
}

Outcome edit(Session& session, SettingsStore& settings, const Args& c) {
    const std::string& op = c[1];
    const bool title = c.size() > 2 && c[2] == "--title";
    const std::size_t operands = c.size() - 2 - (title ? 1 : 0);
    const std::size_t first = title ? 3 : 2;
    const SwitchRule::Kind kind = title ? SwitchRule::Kind::Title : SwitchRule::Kind::Class;
    if (op == "add" && operands == 2) return session.addSwitchRule(settings, {kind, c[first], c[first + 1]});
    if (op == "remove" && operands == 1) return session.removeSwitchRule(settings, kind, c[first]);
    if (op == "move" && operands == 2 && (c[first + 1] == "up" || c[first + 1] == "down"))
        return session.moveSwitchRule(settings, kind, c[first], c[first + 1] == "up" ? -1 : 1);
    if (op == "default" && c.size() == 3)
        return session.setSwitchDefault(settings, c[2] == "none" ? std::nullopt : std::optional<std::string>(c[2]));
    return Outcome::failure(kUsage);
}

}  // namespace

Outcome runSwitch(Session& session, const Args& c, std::ostream& out, std::ostream& err) {
    if (c.size() < 2) return Outcome::failure(kUsage);
    const auto settings = openUserSettings();
    if (c[1] == "list" && c.size() == 2) {
        const SwitchRules rules = SwitchRules::load(*settings);
        for (const SwitchRule& r : rules.rules())
            out << (r.kind == SwitchRule::Kind::Class ? "class" : "title") << "\t" << r.text << "\t" << r.profile
                << "\n";
        if (rules.defaultProfile()) out << "default\t" << *rules.defaultProfile() << "\n";
        // Which desktop source the rules go by, beside the rules themselves.
        err << "morvane-cli: switch: the active window is " << describeActiveWindowSource() << "\n";
        return {};
    } else if (Outcome edited = edit(session, *settings, c); !edited) {
        return edited;
    }
    tellWhenNotFollowed(session, err);
    return {};
}

}  // namespace morvane::cli
