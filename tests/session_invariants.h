// What a user who trusts this program with their setup takes for granted,
// stated once, as checks over a running session, its folder and the
// simulated keyboard behind it. The stateful tests run them after every step.
#pragma once

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "base/device_image.h"
#include "device/sim/sim_keyboard.h"
#include "keymap/assignment_store.h"
#include "macro/macro_store.h"
#include "session/session.h"

namespace morvane::test {

// What Cancel returns to: the state of the last Save (or the start).
struct SavedState {
    DeviceImage image{};
    std::unique_ptr<AssignmentRecords> records = std::make_unique<AssignmentRecords>();
    MacroTable macros{};
    std::string profile;

    static SavedState of(const Session& s);
    SavedState clone() const;
};

// What the user gave a key, as they would describe it: the macro it plays
// (by the macro's name, which the user sees) or the program it starts.
struct KeyPromise {
    enum class Kind { Macro, Program } kind;
    std::string what;
    friend bool operator==(const KeyPromise&, const KeyPromise&) = default;
};
using KeyPromises = std::map<int, KeyPromise>;

// The promises the session's working configuration keeps now.
KeyPromises promisesOf(const Session& s);

// The keyboard's memory as the session shows it (the lighting bytes decoded).
DeviceImage keyboardAsShown(const SimKeyboard& keyboard);

// Each returns "" when the sentence holds, else what broke it.
// Cancel returns the image, the records, the macros (memory and file), the key
// marks and the profile's name to the state of the last Save.
std::string checkReturnedTo(const Session& s, const SavedState& saved);
// Every key that plays a macro plays a stored macro, the one it was given;
// every program a key was given is still its program.
std::string checkPromisesKept(const Session& s, const KeyPromises& promises);
// What the session shows as the keyboard's is what the keyboard holds.
std::string checkShadowIsKeyboard(const Session& s, const SimKeyboard& keyboard);
// At rest, "keymap.bin" is in step with the keyboard (where the session knows
// what it holds), "MacroDefine.bin" with the macros.
std::string checkFilesAtRest(const std::filesystem::path& folder, const SimKeyboard& keyboard,
                             const SavedState& saved, const GroupSet& unknown);
// The keyboard only ever holds values the user could choose.
std::string checkKeyboardValues(const SimKeyboard& keyboard);
// The profiles in the folder are the ones the user kept.
std::string checkProfiles(const std::filesystem::path& folder, const std::set<std::string>& expected);

// Every file under `folder` with its bytes (the keyboard's history in
// "Backups" aside): nothing written is seen as a change.
std::map<std::filesystem::path, std::string> folderContents(const std::filesystem::path& folder);
// The names of the files that differ between two such snapshots ("" when none).
std::string differingFiles(const std::map<std::filesystem::path, std::string>& a,
                           const std::map<std::filesystem::path, std::string>& b);

}  // namespace morvane::test
