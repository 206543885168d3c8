// macro new | delete SLOT | rename SLOT NAME | loops SLOT N | record-delay SLOT on|off |
//       set-events SLOT EVENT... | rows SLOT
// One run of the macro manager followed by its OK (rows only looks).
#include <charconv>
#include <ostream>

#include "cli/cli.h"
#include "base/clock.h"
#include "base/key_names.h"
#include "macro/key_hook.h"
#include "macro/macro_editor.h"
#include "platform/utf.h"

namespace morvane::cli {

namespace {

Outcome usage() {
    return Outcome::failure(
        "usage: macro new | delete SLOT | rename SLOT NAME | loops SLOT N | record-delay SLOT on|off | "
        "set-events SLOT EVENT... | rows SLOT  (EVENT is dn:VK[@DELAY] or up:VK[@DELAY])");
}

std::optional<int> parseNumber(std::string_view text) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// "dn:VK[@DELAY]" or "up:VK[@DELAY]"; the delay defaults to 1 (none).
std::optional<MacroEvent> parseEvent(const std::string& text, std::string& error) {
    error = "bad event \"" + text + "\" (dn:VK[@DELAY] or up:VK[@DELAY], DELAY 0..60000)";
    if (text.size() < 4 || text[2] != ':') return std::nullopt;
    const std::string action = text.substr(0, 2);
    if (action != "dn" && action != "up") return std::nullopt;
    std::string key = text.substr(3);
    int delay = 1;
    if (const auto at = key.rfind('@'); at != std::string::npos) {
        const auto d = parseNumber(std::string_view(key).substr(at + 1));
        if (!d || *d < 0 || *d > 60000) return std::nullopt;
        delay = *d;
        key.resize(at);
    }
    const auto vk = parseVirtualKey(key);
    if (!vk) {
        error = "unknown key \"" + key + "\"";
        return std::nullopt;
    }
    if (keyUsage(*vk) == 0) {
        error = "the keyboard cannot play \"" + key + "\"";
        return std::nullopt;
    }
    MacroEvent e{*vk, action == "up" ? kActionRelease : kActionPress, {}};
    e.setDelay(static_cast<std::uint16_t>(delay));
    return e;
}

}  // namespace

Outcome runMacro(Session& s, const Args& c, std::ostream& out) {
    if (c.size() < 2) return usage();
    const std::string& what = c[1];

    SystemClock clock;
    KeyHookRelay hook;  // nothing types while a command runs
    MacroEditor editor(clock, hook);
    editor.open(s.storedMacros());

    if (what == "new") {
        if (c.size() != 2) return usage();
        if (!editor.newMacro()) return Outcome::failure("there are five macros already");
        const int slot = editor.selectedMacro();
        out << slot << " " << toUtf8(editor.names()[slot]) << "\n";
        return s.acceptMacros(editor);
    }

    if (c.size() < 3) return usage();
    const auto slot = parseNumber(c[2]);
    if (!slot) return usage();
    if (*slot < 0 || *slot >= static_cast<int>(editor.names().size()))
        return Outcome::failure("macro slot " + c[2] + " holds no macro");
    editor.selectMacro(*slot);

    if (what == "rows") {
        if (c.size() != 3) return usage();
        for (const std::string& row : editor.rows()) out << row << "\n";
        editor.cancel();
        return {};
    }
    if (what == "delete") {
        if (c.size() != 3) return usage();
        editor.deleteMacro();
    } else if (what == "rename") {
        if (c.size() < 4) return usage();
        std::string name = c[3];
        for (std::size_t i = 4; i < c.size(); ++i) name += " " + c[i];
        const std::u16string name16 = toUtf16(name);
        if (name16.empty()) return Outcome::failure("a macro name cannot be empty");
        if (name16.size() > kMaxMacroNameChars) return Outcome::failure("a macro name has at most 255 characters");
        if (!editor.renameMacro(*slot, name16)) return Outcome::failure("the name \"" + name + "\" cannot be used");
    } else if (what == "loops") {
        const auto n = c.size() == 4 && c[3].size() <= 3 ? parseNumber(c[3]) : std::nullopt;
        if (!n || *n < 0) return Outcome::failure("the number of loops is 0..999");
        const bool ticked = *n != 1;
        if (editor.loopsEnabled() != ticked) editor.toggleLoops();
        if (ticked) editor.setLoopText(c[3]);
    } else if (what == "record-delay") {
        if (c.size() != 4 || (c[3] != "on" && c[3] != "off")) return usage();
        if (editor.recordDelay() != (c[3] == "on")) editor.toggleRecordDelay();
    } else if (what == "set-events") {
        std::vector<MacroEvent> events;
        for (std::size_t i = 3; i < c.size(); ++i) {
            std::string error;
            const auto e = parseEvent(c[i], error);
            if (!e) return Outcome::failure(error);
            events.push_back(*e);
        }
        if (events.size() > static_cast<std::size_t>(kMacroEventCount))
            return Outcome::failure("a macro holds at most 127 events");
        if (!editor.replaceEvents(events)) return Outcome::failure("the events could not be stored");
    } else {
        return usage();
    }
    return s.acceptMacros(editor);
}

}  // namespace morvane::cli
