#include "base/key_caps.h"

#include <array>

#include "base/key_names.h"

namespace morvane {

namespace {

constexpr std::array<std::string_view, kMatrixKeyCount> kLabels = {
    "Esc", "F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8", "F9", "F10", "F11", "F12", "Prnt", "Scrl", "Pause",
    "", "", "", "",  // media keys: no cap on the picture
    "~", "1", "2", "3", "4", "5", "6", "7", "8", "9", "0", "-", "=", "Back", "Ins", "Home", "PgUp",
    "Num", "/", "*", "-",
    "Tab", "Q", "W", "E", "R", "T", "Y", "U", "I", "O", "P", "[", "]", "\\", "Del", "End", "PgDn",
    "7", "8", "9", "+",
    "Caps Lock", "A", "S", "D", "F", "G", "H", "J", "K", "L", ";", "'", "Ent", "4", "5", "6",
    "Shift", "Z", "X", "C", "V", "B", "N", "M", ",", ".", "/", "Shift", "Up", "1", "2", "3", "Ent",
    "Ctrl", "Win", "Alt", "Space", "Alt", "Fn", "App", "Ctrl", "Left", "Down", "Right", "0", "."};

}  // namespace

std::string_view keyLabel(int keyIndex) {
    if (keyIndex < 0 || keyIndex >= kMatrixKeyCount) return {};
    return kLabels[keyIndex];
}

std::optional<int> keyLedIndex(int keyIndex) {
    if (keyIndex < 0 || keyIndex >= kMatrixKeyCount || (keyIndex >= 16 && keyIndex <= 19)) return std::nullopt;
    const int position = keyPosition[keyIndex];
    return (position % 21) * 6 + 5 - position / 21;
}

}  // namespace morvane
