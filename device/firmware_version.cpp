#include "device/firmware_version.h"

#include <array>

#include "platform/file_io.h"

namespace morvane {

const char* versionFileName(int keyboardModel) { return keyboardModel == 1 ? "VER.bin" : "VER87.bin"; }

FirmwareVersion readUpdaterVersion(const std::filesystem::path& programFolder, int keyboardModel) {
    std::array<std::uint8_t, 12> bytes{};
    const auto got = readFilePrefix(programFolder / versionFileName(keyboardModel), bytes);
    if (!got || *got < 8) return {};
    return {static_cast<std::uint8_t>(bytes[5] - '0'), static_cast<std::uint8_t>(bytes[7] - '0')};
}

std::filesystem::path updaterProgram(const std::filesystem::path& programFolder, int keyboardModel) {
    return programFolder / (keyboardModel == 2 ? "Morvane87_Update.exe" : "Morvane_Update.exe");
}

UpdateOffer compareFirmware(FirmwareVersion updater, FirmwareVersion keyboard) {
    if (updater.major > keyboard.major) return UpdateOffer::NewerMajor;
    if (updater.major == keyboard.major && updater.minor > keyboard.minor) return UpdateOffer::NewerMinor;
    return UpdateOffer::None;
}

}  // namespace morvane
