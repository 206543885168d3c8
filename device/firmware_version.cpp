#include "device/firmware_version.h"

#include <array>

#include "platform/file_io.h"

namespace morvane {

const char* versionFileName(KeyboardModel model) { return keyboardModelInfo(model).versionFile; }

FirmwareVersion readUpdaterVersion(const std::filesystem::path& programFolder, KeyboardModel model) {
    if (model == KeyboardModel::None) return {};
    std::array<std::uint8_t, 12> bytes{};
    const auto got = readFilePrefix(programFolder / versionFileName(model), bytes);
    if (!got || *got < 8) return {};
    return {static_cast<std::uint8_t>(bytes[5] - '0'), static_cast<std::uint8_t>(bytes[7] - '0')};
}

std::filesystem::path updaterProgram(const std::filesystem::path& programFolder, KeyboardModel model) {
    if (model == KeyboardModel::None) model = KeyboardModel::FullSize;
    return programFolder / keyboardModelInfo(model).updater;
}

UpdateOffer compareFirmware(FirmwareVersion updater, FirmwareVersion keyboard) {
    if (updater.major > keyboard.major) return UpdateOffer::NewerMajor;
    if (updater.major == keyboard.major && updater.minor > keyboard.minor) return UpdateOffer::NewerMinor;
    return UpdateOffer::None;
}

}  // namespace morvane
