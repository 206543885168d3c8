// What the key-assignment dialog hands to the apply step when it closes with
// OK: the kind of assignment and whatever that kind needs.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/language.h"
#include "keymap/assignment_store.h"

namespace morvane {

struct AssignmentRequest {
    // `selectedCount` with this value asks to restore the key's default,
    // whatever `kind` says.
    static constexpr std::int32_t kRestoreDefault = 255;

    std::uint8_t kind = KindNone;
    std::array<std::uint8_t, 255> selectedKeys{};  // captured virtual keys in capture order, zero-filled
    std::int32_t selectedCount = 0;
    std::u16string functionName;  // the chosen function-list item, in the language shown
    std::u16string launchPath;    // at most kMaxPathChars characters, see setLaunchPath
    std::int32_t macroNumber = -1;  // slot 0..4, -1 for none
    std::uint8_t keyEnabled = 1;    // 0 when "Disable" was ticked

    // What the dialog clears each time it opens; `functionName` outlives runs.
    void resetForDialog();

    // Takes a path only when it fits the record whole; a cut path would name
    // another file. Returns false (and leaves the old path) otherwise.
    bool setLaunchPath(std::u16string_view path);

    // Convenience for the callers that build a request themselves.
    static AssignmentRequest single(std::uint8_t vk);
    static AssignmentRequest combination(std::uint8_t first, std::uint8_t second, std::uint8_t third = 0);
    static AssignmentRequest macro(int slot);
    static AssignmentRequest function(std::u16string name);
    static AssignmentRequest launch(AssignmentKind kind, std::u16string_view path);
    static AssignmentRequest none();
    static AssignmentRequest restoreDefault();
};

// Whether a launch path can be stored whole in a record: not empty, at most
// 255 UTF-16 units, no embedded zero.
bool launchPathFits(std::u16string_view path);
// Why a path cannot be stored, in one line ("" when it can), in the language shown.
std::string launchPathProblem(std::u16string_view path, std::uint16_t uiLanguage = kLanguageEnglish);

}  // namespace morvane
