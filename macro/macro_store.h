// The user's macros: five named sequences of key and mouse-button events, kept
// in "MacroDefine.bin", inside every profile, and packed into the image's macro
// blocks for the keyboard.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "base/device_image.h"
#include "base/language.h"
#include "base/outcome.h"

namespace morvane {

inline constexpr int kMacroSlotCount = 5;
inline constexpr int kMacroEventCount = 127;
inline constexpr std::size_t kMacroSlotSize = 1536;
inline constexpr std::size_t kMacroTableSize = kMacroSlotCount * kMacroSlotSize;  // 7680
inline constexpr std::size_t kMaxMacroNameChars = 255;

inline constexpr std::uint8_t kActionPress = 0x00;
inline constexpr std::uint8_t kActionRelease = 0x80;

struct MacroEvent {
    std::uint8_t code = 0;
    std::uint8_t action = 0;
    std::array<std::uint8_t, 2> delayBytes{};  // little-endian milliseconds; 1 means no delay

    std::uint16_t delay() const { return static_cast<std::uint16_t>(delayBytes[0] | (delayBytes[1] << 8)); }
    void setDelay(std::uint16_t ms) { delayBytes = {static_cast<std::uint8_t>(ms & 0xFF), static_cast<std::uint8_t>(ms >> 8)}; }
    bool isEnd() const { return code == 0 && action == 0 && delayBytes[0] == 0 && delayBytes[1] == 0; }
    friend bool operator==(const MacroEvent&, const MacroEvent&) = default;
};
static_assert(sizeof(MacroEvent) == 4);

struct MacroSlot {
    std::array<char16_t, 256> name{};  // zero-terminated UTF-16; empty marks a free slot
    std::int32_t loopCount = 0;
    std::uint8_t delayMode = 0;
    std::array<MacroEvent, kMacroEventCount> deviceEvents{};
    std::array<MacroEvent, kMacroEventCount> displayEvents{};
    std::array<std::uint8_t, 3> tail{};

    bool isFree() const { return name[0] == 0; }
    std::u16string nameText() const;
    // Stores `text` cut to 255 characters; returns false when it had to be cut.
    bool setName(std::u16string_view text);
    // Events up to the end of the sequence.
    int eventCount() const;

    friend bool operator==(const MacroSlot&, const MacroSlot&) = default;
};
static_assert(sizeof(MacroSlot) == kMacroSlotSize);
static_assert(offsetof(MacroSlot, name) == 0);
static_assert(offsetof(MacroSlot, loopCount) == 512);
static_assert(offsetof(MacroSlot, delayMode) == 516);
static_assert(offsetof(MacroSlot, deviceEvents) == 517);
static_assert(offsetof(MacroSlot, displayEvents) == 1025);
static_assert(offsetof(MacroSlot, tail) == 1533);

using MacroTable = std::array<MacroSlot, kMacroSlotCount>;
static_assert(sizeof(MacroTable) == kMacroTableSize);

std::filesystem::path macroStorePath(const std::filesystem::path& programFolder);

// Zeroes the table, then reads the file; a missing file is created with zeros.
// A file that is there but cannot be read is left as it is. Returns false when
// the file could neither be read nor created.
Outcome LoadMacroStore(const std::filesystem::path& programFolder, MacroTable& storedMacros,
                       std::uint16_t uiLanguage = kLanguageEnglish);

// Replaces the file atomically.
// The bytes of a "MacroDefine.bin" as LoadMacroStore takes them, without the file:
// what a short file lacks is zero.
void ParseMacroStore(std::span<const std::uint8_t> bytes, MacroTable& storedMacros);
// What goes wrong is told in `uiLanguage`.
Outcome SaveMacroStore(const std::filesystem::path& programFolder, const MacroTable& storedMacros,
                       std::uint16_t uiLanguage = kLanguageEnglish);

// Packs the named slots from slot 0 on into the image's macro blocks; packing
// stops at the first free slot and later blocks keep their content.
void PackMacroBlocks(const MacroTable& storedMacros, DeviceImage& image);

}  // namespace morvane
