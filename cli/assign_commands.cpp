// assign KEYINDEX single VK | combo VK VK [VK] | macro SLOT | function NAME |
//        sound|program|file|folder PATH | none | default  [--disable]
// The key-assignment dialog's OK for one key, followed by the apply step.
#include <charconv>
#include <filesystem>
#include <ostream>

#include "cli/cli.h"
#include "keymap/apply_assignment.h"
#include "base/key_names.h"
#include "platform/utf.h"

namespace morvane::cli {

namespace {

namespace fs = std::filesystem;

Outcome usage() {
    return Outcome::failure(
        "usage: assign KEYINDEX single VK | combo VK VK [VK] | macro SLOT | function NAME | "
        "sound|program|file|folder PATH | none | default [--disable]");
}

std::optional<int> parseIndex(const std::string& text) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// The launch kinds take an existing file (or folder), stored as an absolute
// path so that it opens from wherever the program later runs.
Outcome launchRequest(AssignmentKind kind, const std::string& text, AssignmentRequest& req) {
    std::error_code ec;
    const fs::path path = fs::absolute(fs::path(text), ec);
    if (ec) return Outcome::failure("\"" + text + "\" is not a usable path");
    const bool folder = kind == KindOpenFolder;
    if (folder ? !fs::is_directory(path, ec) : !fs::is_regular_file(path, ec))
        return Outcome::failure("\"" + path.string() + "\" is not an existing " + (folder ? "folder" : "file"));
    const std::string utf8 = path.string();
    const std::u16string stored = toUtf16(utf8);
    if (toUtf8(stored) != utf8) return Outcome::failure("\"" + utf8 + "\" is not valid UTF-8 and cannot be stored");
    if (std::string why = launchPathProblem(stored); !why.empty()) return Outcome::failure(why);
    req = AssignmentRequest::launch(kind, stored);
    return {};
}

Outcome buildRequest(const Args& a, AssignmentRequest& req) {
    const std::string& what = a[2];
    const std::size_t n = a.size();
    auto vk = [](const std::string& text) { return parseVirtualKey(text); };
    if (what == "single") {
        if (n != 4) return usage();
        const auto k = vk(a[3]);
        if (!k) return Outcome::failure("unknown key \"" + a[3] + "\"");
        req = AssignmentRequest::single(*k);
    } else if (what == "combo") {
        if (n != 5 && n != 6) return usage();
        std::uint8_t keys[3] = {0, 0, 0};
        for (std::size_t i = 3; i < n; ++i) {
            const auto k = vk(a[i]);
            if (!k || *k == 0) return Outcome::failure("unknown key \"" + a[i] + "\"");
            keys[i - 3] = *k;
        }
        req = AssignmentRequest::combination(keys[0], keys[1], keys[2]);
    } else if (what == "macro") {
        const auto slot = n == 4 ? parseIndex(a[3]) : std::nullopt;
        if (!slot) return usage();
        req = AssignmentRequest::macro(*slot);
    } else if (what == "function") {
        if (n < 4) return usage();
        // "Select All" may come as one argument or as two.
        std::string name = a[3];
        for (std::size_t i = 4; i < n; ++i) name += " " + a[i];
        req = AssignmentRequest::function(toUtf16(name));
    } else if (what == "sound" || what == "program" || what == "file" || what == "folder") {
        if (n != 4) return usage();
        const AssignmentKind kind = what == "sound"     ? KindPlaySound
                                    : what == "program" ? KindStartProgram
                                    : what == "file"    ? KindOpenFile
                                                        : KindOpenFolder;
        return launchRequest(kind, a[3], req);
    } else if (what == "none") {
        if (n != 3) return usage();
        req = AssignmentRequest::none();
    } else if (what == "default") {
        if (n != 3) return usage();
        req = AssignmentRequest::restoreDefault();
    } else {
        return usage();
    }
    return {};
}

}  // namespace

Outcome runAssign(Session& s, const Args& command, std::ostream&) {
    Args a = command;
    bool disable = false;
    if (!a.empty() && a.back() == "--disable") {
        disable = true;
        a.pop_back();
    }
    if (a.size() < 3) return usage();
    const auto key = parseIndex(a[1]);
    if (!key || *key < 0 || *key >= kKeyCount) return Outcome::failure("key index \"" + a[1] + "\" is not 0..112");
    // The click on the key, the dialog's choice, its OK.
    if (Outcome clicked = s.beginKeyAssignment(*key); !clicked) return clicked;
    AssignmentRequest req;
    if (Outcome built = buildRequest(a, req); !built.ok) return built;
    req.keyEnabled = disable ? 0 : 1;
    return s.confirmKeyAssignment(*key, req);
}

}  // namespace morvane::cli
