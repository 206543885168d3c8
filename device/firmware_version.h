// The firmware version the updater beside the program carries, and whether it
// is newer than the keyboard's.
#pragma once

#include <cstdint>
#include <filesystem>

#include "base/keyboard_model.h"

namespace morvane {

struct FirmwareVersion {
    std::uint8_t major = 0;
    std::uint8_t minor = 0;
    friend bool operator==(const FirmwareVersion&, const FirmwareVersion&) = default;
};

// "VER.bin" for the full-size board, "VER87.bin" for the 87-key board, "" for None.
const char* versionFileName(KeyboardModel model);

// Digits at bytes 5 and 7 of the version file; 0.0 when the file is missing
// or too short to hold them, and for None.
FirmwareVersion readUpdaterVersion(const std::filesystem::path& programFolder, KeyboardModel model);

// The updater program of a model, beside the program: "Morvane87_Update.exe"
// for the 87-key board, "Morvane_Update.exe" otherwise (also before any
// keyboard is found).
std::filesystem::path updaterProgram(const std::filesystem::path& programFolder, KeyboardModel model);

enum class UpdateOffer { None, NewerMajor, NewerMinor };

UpdateOffer compareFirmware(FirmwareVersion updater, FirmwareVersion keyboard);

}  // namespace morvane
