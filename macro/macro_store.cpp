#include "macro/macro_store.h"

#include <algorithm>
#include <cstring>
#include <system_error>
#include <vector>

#include "macro/store_outcome.h"
#include "platform/file_io.h"

namespace morvane {

std::u16string MacroSlot::nameText() const {
    const auto end = std::find(name.begin(), name.end(), u'\0');
    return std::u16string(name.begin(), end);
}

bool MacroSlot::setName(std::u16string_view text) {
    const std::size_t n = std::min(text.size(), kMaxMacroNameChars);
    name.fill(0);
    std::copy_n(text.begin(), n, name.begin());
    return n == text.size();
}

int MacroSlot::eventCount() const {
    int n = 0;
    while (n < kMacroEventCount && !deviceEvents[n].isEnd()) ++n;
    return n;
}

std::filesystem::path macroStorePath(const std::filesystem::path& programFolder) {
    return programFolder / "MacroDefine.bin";
}

Outcome LoadMacroStore(const std::filesystem::path& programFolder, MacroTable& storedMacros, std::uint16_t uiLanguage) {
    storedMacros = MacroTable{};
    const auto file = macroStorePath(programFolder);
    std::vector<std::uint8_t> bytes(sizeof storedMacros);
    if (const auto got = readFilePrefix(file, bytes)) {
        ParseMacroStore(std::span<const std::uint8_t>(bytes.data(), *got), storedMacros);
        return {};
    }
    // Only a missing file is created. One that is there but cannot be read
    // (a folder, a link to a drive that is not there, a file we may not open)
    // keeps the user's macros rather than being replaced by empty ones.
    if (const std::string why = whyUnreadable(file); !why.empty())
        return storeUnreadable("MacroDefine.bin", why, uiLanguage);
    return SaveMacroStore(programFolder, storedMacros, uiLanguage);
}

void ParseMacroStore(std::span<const std::uint8_t> bytes, MacroTable& storedMacros) {
    storedMacros = MacroTable{};
    std::memcpy(static_cast<void*>(storedMacros.data()), bytes.data(), std::min(bytes.size(), sizeof storedMacros));
}

Outcome SaveMacroStore(const std::filesystem::path& programFolder, const MacroTable& storedMacros,
                       std::uint16_t uiLanguage) {
    return storeWritten("MacroDefine.bin",
                        replaceFile(macroStorePath(programFolder), {bytesOf(&storedMacros, sizeof storedMacros)}),
                        uiLanguage);
}

void PackMacroBlocks(const MacroTable& storedMacros, DeviceImage& image) {
    for (int k = 0; k < kMacroSlotCount && !storedMacros[k].isFree(); ++k) {
        const MacroSlot& slot = storedMacros[k];
        auto& block = image.macroBlocks[k];
        const auto loops = static_cast<std::uint32_t>(slot.loopCount);
        block[0] = static_cast<std::uint8_t>(loops & 0xFF);
        block[1] = static_cast<std::uint8_t>((loops >> 8) & 0xFF);
        block[2] = 0;
        block[3] = 0;
        std::memcpy(block.data() + 4, slot.deviceEvents.data(), sizeof slot.deviceEvents);
    }
}

}  // namespace morvane
