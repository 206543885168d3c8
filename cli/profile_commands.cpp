// `profile ...`: the profile manager, opened afresh for each command as the
// dialog is, with the named profile selected in its list.
#include <ostream>

#include "cli/cli.h"
#include "config/profile_manager.h"
#include "platform/settings_store.h"

namespace morvane::cli {

namespace {

constexpr const char* kUsage =
    "usage: profile list | new | copy NAME | rename OLD NEW | delete NAME | save NAME [FILE] | load NAME [FILE] | "
    "apply NAME";

// A message box's text as one line of error.
std::string messageLine(ProfileMessage message, std::uint16_t language) {
    std::string text = messageText(message, language);
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

Outcome failed(const ProfileResult& r, std::uint16_t language) {
    if (!r.made.empty()) return Outcome::failure(r.made);
    return Outcome::failure(r.message ? messageLine(*r.message, language) : std::string(r.note));
}

// How many arguments after the operation's name each operation takes.
bool argumentsFit(const std::string& op, std::size_t n) {
    if (op == "list" || op == "new") return n == 0;
    if (op == "copy" || op == "delete" || op == "apply") return n == 1;
    if (op == "rename") return n == 2;
    if (op == "save" || op == "load") return n == 1 || n == 2;
    return false;
}

}  // namespace

Outcome runProfile(Session& session, const Args& c, std::ostream& out) {
    if (c.size() < 2 || !argumentsFit(c[1], c.size() - 2)) return Outcome::failure(kUsage);
    const std::string& op = c[1];
    const std::uint16_t language = session.uiLanguage();

    // Every name is checked before anything touches the disk.
    const std::size_t nameCount = op == "rename" ? 2 : (op == "list" || op == "new") ? 0 : 1;
    for (std::size_t i = 0; i < nameCount; ++i)
        if (const auto bad = nameMessage(c[2 + i]))
            return Outcome::failure("\"" + c[2 + i] + "\": " + messageLine(*bad, language));

    const auto settings = openUserSettings();
    const auto bound = session.openProfileManager(*settings);
    ProfileManager& manager = *bound;
    if (!manager.folderExists())
        return Outcome::failure("the profile folder \"" + pathText(manager.folder()) + "\" does not exist");
    manager.open();

    if (op == "list") {
        for (const std::string& name : manager.names()) out << name << "\n";
        return {};
    }
    if (op == "new") {
        const ProfileResult r = manager.newProfile();
        if (!r.ok) return failed(r, language);
        out << r.name << "\n";
        return {};
    }

    const auto row = manager.rowOf(c[2]);
    if (!row) return Outcome::failure("no profile named \"" + c[2] + "\"");
    manager.select(row);
    const std::optional<std::filesystem::path> file =
        c.size() == 4 && op != "rename" ? std::optional<std::filesystem::path>(c[3]) : std::nullopt;

    // Each command is the window opened, one operation, and the window closed:
    // with OK after apply, with its close box otherwise.
    ProfileResult r;
    if (op == "copy") {
        r = manager.copySelected();
        if (r.ok) out << r.name << "\n";
    } else if (op == "rename") {
        r = manager.rename(*row, c[3]);
    } else if (op == "delete") {
        r = manager.deleteSelected([](ProfileMessage) { return true; });  // asked on the command line already
    } else if (op == "save") {
        r = manager.saveSelected(file);
    } else if (op == "load") {
        r = manager.loadSelected(file);
    } else {  // apply: the close box with the profile selected
        r = manager.close();
    }
    Outcome closed = session.closeProfileManager(manager, op == "apply" && r.ok);
    if (!r.ok) return failed(r, language);
    return closed;
}

}  // namespace morvane::cli
