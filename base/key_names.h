// The three code spaces of key assignments and macros: platform virtual-key
// codes, the keyboard's own usage codes, and the key indices of the keyboard
// picture, with the tables that translate between them.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/keyboard_model.h"

namespace morvane {

inline constexpr int kKeyCount = 113;        // key indices 0..112
inline constexpr int kMatrixKeyCount = 108;  // keys 0..107 have a table position and an enable bit
inline constexpr int kNoKey = 255;

struct KeyNameEntry {
    std::uint8_t virtualKey = 0;
    std::uint8_t usage = 0;  // 0 when the key has no device code
    std::string name;        // display name, most with one trailing blank; empty when none
};

using KeyNameTable = std::array<KeyNameEntry, 256>;

// Builds the table from scratch: every entry's virtualKey is its index, the
// listed rows get their usage and name.
KeyNameTable BuildKeyNameTable();

// The table, built once on first use and read-only afterwards.
const KeyNameTable& keyNames();

inline std::uint8_t keyUsage(std::uint8_t vk) { return keyNames()[vk].usage; }
inline const std::string& keyName(std::uint8_t vk) { return keyNames()[vk].name; }

// Per key index: the key's own virtual-key code, its entry in the keyboard's
// key table and its bit in the key-enable map.
extern const std::array<std::uint8_t, kKeyCount> keyVirtualKey;
extern const std::array<std::uint16_t, kMatrixKeyCount> keyPosition;
extern const std::array<std::uint16_t, kMatrixKeyCount> keyEnableBit;

// Whether a key index has a key on the picture of a model (the 87-key board
// has no numeric keypad, None no keys). Keys 16..19 and 108..112 are on
// neither picture.
bool keyOnModel(int keyIndex, KeyboardModel model);

// Keys 96 and 100 (the Win and Fn places) take no assignment.
inline bool keyTakesAssignment(int keyIndex) { return keyIndex != 96 && keyIndex != 100; }

// A virtual-key code from user text: "0x41", "65", or a key name as the table
// shows it ("A", "LCtrl", "F5", "MsLB"; trailing blanks and case ignored).
std::optional<std::uint8_t> parseVirtualKey(std::string_view text);

}  // namespace morvane
