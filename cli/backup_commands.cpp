// Saving, and going back: the restore points, the keyboard as first found,
// and the answer to a keyboard that was changed elsewhere.
#include <charconv>
#include <ostream>

#include "base/group_texts.h"
#include "cli/cli.h"

namespace morvane::cli {

namespace {

Outcome usage(const std::string& text) { return Outcome::failure("usage: " + text); }

void listBackups(const Session& s, std::ostream& out) {
    const std::uint16_t language = s.uiLanguage();
    int n = 0;
    for (const RestorePoint& p : s.restorePoints()) {
        out << ++n << "  " << localTimeText(p.when) << "  before a save of "
            << (p.changed.any() ? groupTitles(p.changed, language) : std::string("nothing the keyboard holds"))
            << "\n";
    }
    if (n == 0) out << "no restore point yet (one is kept before each save)\n";
    if (s.keyboardModel() == KeyboardModel::None) return;
    const auto found = asFoundFile(s.userFolder(), s.keyboardModel());
    std::error_code ec;
    const auto when = std::filesystem::last_write_time(found, ec);
    if (ec) {
        out << "found  the keyboard as found: not kept\n";
        return;
    }
    const auto system = std::chrono::file_clock::to_sys(when);
    out << "found  " << localTimeText(std::chrono::time_point_cast<std::chrono::system_clock::duration>(system))
        << "  the keyboard as this program first found it\n";
}

}  // namespace

Outcome runBackups(Session& s, const Args& c, std::ostream& out) {
    const std::string& name = c[0];
    if (name == "save") {
        if (c.size() != 1) return usage("save");
        Outcome saved = s.save();
        // What went out but cannot be asked back is never claimed to be verified.
        if (const std::string note = unverifiedLine(s.lastWrite().unverified, s.uiLanguage()); !note.empty())
            out << note << "\n";
        return saved;
    }
    if (name == "backups") {
        if (c.size() != 1) return usage("backups");
        listBackups(s, out);
        return {};
    }
    if (name == "keep-keyboard") return c.size() == 1 ? s.keepKeyboardAsIs() : usage("keep-keyboard");
    // restore N | found | saved
    if (c.size() != 2) return usage("restore N | found | saved");
    if (c[1] == "found") return s.restoreAsFound();
    if (c[1] == "saved") return s.restoreLastSaved();
    int n = 0;
    const auto [ptr, ec] = std::from_chars(c[1].data(), c[1].data() + c[1].size(), n);
    if (ec != std::errc() || ptr != c[1].data() + c[1].size() || n < 1)
        return Outcome::failure("restore: \"" + c[1] + "\" is not a restore point (a number from 1, found or saved)");
    return s.restore(n);
}

}  // namespace morvane::cli
