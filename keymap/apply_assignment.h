// The step after the key-assignment dialog's OK: the request becomes the key's
// entry in the live key table, its assignment record, its enable bit and its
// changed mark, and "keymap.bin" is saved. The keyboard itself only hears of
// it with the next Save.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "base/device_image.h"
#include "keymap/assignment_request.h"
#include "keymap/assignment_store.h"
#include "macro/macro_store.h"

namespace morvane {

// The session data the apply step works on.
struct KeymapState {
    DeviceImage& image;
    AssignmentRecords& records;
    KeyChangedMarks& marks;
    const MacroTable& storedMacros;
    std::filesystem::path programFolder;
    std::uint16_t uiLanguage;
};

struct ApplyResult {
    bool applied = false;  // false: refused and nothing changed
    bool saved = false;    // "keymap.bin" was written
    std::string error;     // why it was refused, or that the file could not be written
    bool ok() const { return applied && saved; }
};

// Why the request cannot be applied to the key, or empty when it can. Refused:
// keys that take no assignment or have no key-table place, a single key or a
// combination key the keyboard has no code for, a media key inside a
// combination, a macro slot that is empty (the keyboard would never receive
// it), a function name not in the table for the language shown, a launch path
// that is empty or too long for the record, an unknown kind.
std::string checkAssignment(const AssignmentRequest& request, int keyIndex, const MacroTable& storedMacros,
                            std::uint16_t uiLanguage);

// Applies the request to key `keyIndex` and saves "keymap.bin". A refused
// request changes nothing and writes nothing. When the file cannot be written
// the change stays in memory and goes out with the next successful save.
ApplyResult ApplyAssignment(AssignmentRequest& request, int keyIndex, KeymapState& state);

// What a click on the key does after the dialog's OK: the key's mark is
// cleared, the request applied, the enable bit set or cleared by `keyEnabled`
// (a disabled key counts as changed), and the store saved once.
ApplyResult ConfirmKeyAssignment(AssignmentRequest& request, int keyIndex, KeymapState& state);

// The entry a single key writes: its keyboard usage, or for the media keys
// the consumer entry of their usage.
KeyEntry singleKeyEntry(std::uint8_t vk);

// Whether a usage from the key-name table is one of the consumer usages of
// the media keys.
bool isConsumerUsage(std::uint8_t usage);

// The function named `name` in the language shown (Chinese for language 4,
// else English), compared as whole texts; null when there is none.
const FunctionEntry* findFunction(std::u16string_view name, std::uint16_t uiLanguage);

// Number of named macro slots from slot 0 up to the first free one: the
// macros the keyboard receives.
int packedMacroCount(const MacroTable& macros);

}  // namespace morvane
