#include "base/key_names.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace morvane {

namespace {

struct NamedRow {
    std::uint8_t virtualKey;
    std::uint8_t usage;
    const char* name;
};

// Keys whose code and name follow no rule. Most names end in a blank; the
// media key "Play/Pause" does not, and the mouse codes never do.
constexpr NamedRow kSingleRows[] = {
    {0x08, 0x2A, "Back "},   {0x09, 0x2B, "Tab "},    {0x0D, 0x28, "Enter "},  {0x13, 0x48, "Pause "},
    {0x14, 0x39, "Caps "},   {0x1B, 0x29, "Esc "},    {0x20, 0x2C, "Space "},  {0x21, 0x4B, "PgUp "},
    {0x22, 0x4E, "PgDn "},   {0x23, 0x4D, "End "},    {0x24, 0x4A, "Home "},   {0x25, 0x50, "Left "},
    {0x26, 0x52, "Up "},     {0x27, 0x4F, "Right "},  {0x28, 0x51, "Down "},   {0x2C, 0x46, "Prscr "},
    {0x2D, 0x49, "Inst "},   {0x2E, 0x4C, "Del "},    {0x5B, 0xE3, "LWin "},   {0x5C, 0xE7, "RWin "},
    {0x5D, 0x65, "Apps "},   {0x60, 0x62, "0-num "},  {0x6A, 0x55, "* "},      {0x6B, 0x57, "+ "},
    {0x6C, 0x58, "Enter "},  {0x6D, 0x56, "- "},      {0x6E, 0x63, ". "},      {0x6F, 0x54, "/ "},
    {0x90, 0x53, "Num "},    {0x91, 0x47, "Scrol "},  {0xA0, 0xE1, "LShift "}, {0xA1, 0xE5, "RShift "},
    {0xA2, 0xE0, "LCtrl "},  {0xA3, 0xE4, "RCtrl "},  {0xA4, 0xE2, "LAlt "},   {0xA5, 0xE6, "RAlt "},
    {0xAE, 0xEA, "Volume DOWN "}, {0xAF, 0xE9, "Volume UP "}, {0xB3, 0xCD, "Play/Pause"}, {0xB5, 0x83, "Media "},
    {0xBA, 0x33, "; "},      {0xBB, 0x2E, "= "},      {0xBC, 0x36, ", "},      {0xBD, 0x2D, "- "},
    {0xBE, 0x37, ". "},      {0xBF, 0x38, "/ "},      {0xC0, 0x35, "` "},      {0xDB, 0x2F, "[ "},
    {0xDC, 0x32, "\\ "},     {0xDD, 0x30, "] "},      {0xDE, 0x34, "' "},
    // Mouse actions for macros: the code is its own usage.
    {0xF0, 0xF0, "MsLB"},    {0xF1, 0xF1, "MsRB"},    {0xF2, 0xF2, "MsMB"},    {0xF3, 0xF3, ""},
    {0xF4, 0xF4, ""},        {0xF5, 0xF5, "Mouse Pointer Right"}, {0xF6, 0xF6, "Mouse Pointer Up"},
    {0xF7, 0xF7, "Mouse pointer Down"}, {0xF8, 0xF8, "Mouse Wheel Up"}, {0xF9, 0xF9, "Mouse Wheel Down"},
};

// Where a key sits in the keyboard matrix; row -1 for the keys that have none.
struct KeyPlace {
    std::uint8_t virtualKey;
    std::int8_t row;
    std::int8_t column;
};

// Row 0 is the bottom row (Ctrl keys), row 5 the top row (Esc).
constexpr std::array<KeyPlace, kKeyCount> kKeyPlaces = {{
    {0x1B, 5, 0},  {0x70, 5, 2},  {0x71, 5, 3},  {0x72, 5, 4},  {0x73, 5, 5},  {0x74, 5, 6},  {0x75, 5, 7},
    {0x76, 5, 8},  {0x77, 5, 9},  {0x78, 5, 10}, {0x79, 5, 11}, {0x7A, 5, 12}, {0x7B, 5, 13}, {0x2C, 5, 14},
    {0x91, 5, 15}, {0x13, 5, 16},
    // 16..19: media keys, not in the matrix
    {0xAE, -1, 0}, {0xB5, -1, 0}, {0xB3, -1, 0}, {0xAF, -1, 0},
    // 20..40
    {0xC0, 4, 0},  {0x31, 4, 1},  {0x32, 4, 2},  {0x33, 4, 3},  {0x34, 4, 4},  {0x35, 4, 5},  {0x36, 4, 6},
    {0x37, 4, 7},  {0x38, 4, 8},  {0x39, 4, 9},  {0x30, 4, 10}, {0xBD, 4, 11}, {0xBB, 4, 12}, {0x08, 4, 13},
    {0x2D, 4, 14}, {0x24, 4, 15}, {0x21, 4, 16}, {0x90, 4, 17}, {0x6F, 4, 18}, {0x6A, 4, 19}, {0x6D, 4, 20},
    // 41..61
    {0x09, 3, 0},  {0x51, 3, 1},  {0x57, 3, 2},  {0x45, 3, 3},  {0x52, 3, 4},  {0x54, 3, 5},  {0x59, 3, 6},
    {0x55, 3, 7},  {0x49, 3, 8},  {0x4F, 3, 9},  {0x50, 3, 10}, {0xDB, 3, 11}, {0xDD, 3, 12}, {0xDC, 3, 13},
    {0x2E, 3, 14}, {0x23, 3, 15}, {0x22, 3, 16}, {0x67, 3, 17}, {0x68, 3, 18}, {0x69, 3, 19}, {0x6B, 2, 20},
    // 62..77
    {0x14, 2, 0},  {0x41, 2, 1},  {0x53, 2, 2},  {0x44, 2, 3},  {0x46, 2, 4},  {0x47, 2, 5},  {0x48, 2, 6},
    {0x4A, 2, 7},  {0x4B, 2, 8},  {0x4C, 2, 9},  {0xBA, 2, 10}, {0xDE, 2, 11}, {0x0D, 2, 13}, {0x64, 2, 17},
    {0x65, 2, 18}, {0x66, 2, 19},
    // 78..94
    {0xA0, 1, 0},  {0x5A, 1, 1},  {0x58, 1, 2},  {0x43, 1, 3},  {0x56, 1, 4},  {0x42, 1, 5},  {0x4E, 1, 6},
    {0x4D, 1, 7},  {0xBC, 1, 8},  {0xBE, 1, 9},  {0xBF, 1, 10}, {0xA1, 1, 12}, {0x26, 1, 15}, {0x61, 1, 17},
    {0x62, 1, 18}, {0x63, 1, 19}, {0x6C, 0, 20},
    // 95..107
    {0xA2, 0, 0},  {0x5B, 0, 1},  {0xA4, 0, 2},  {0x20, 0, 5},  {0xA5, 0, 9},  {0x5D, 0, 10}, {0x5D, 0, 11},
    {0xA3, 0, 13}, {0x25, 0, 14}, {0x28, 0, 15}, {0x27, 0, 16}, {0x60, 0, 17}, {0x6E, 0, 19},
    // 108..112: placeholders with no key behind them
    {0xE9, -1, 0}, {0xEA, -1, 0}, {0xEB, -1, 0}, {0xEC, -1, 0}, {0xED, -1, 0},
}};

constexpr std::array<std::uint8_t, kKeyCount> makeVirtualKeys() {
    std::array<std::uint8_t, kKeyCount> out{};
    for (int i = 0; i < kKeyCount; ++i) out[i] = kKeyPlaces[i].virtualKey;
    return out;
}

// The key table has 21 entries per row; the enable map 32 bits per row.
constexpr std::array<std::uint16_t, kMatrixKeyCount> makeMatrixNumbers(int rowStride) {
    std::array<std::uint16_t, kMatrixKeyCount> out{};
    for (int i = 0; i < kMatrixKeyCount; ++i) {
        const KeyPlace& p = kKeyPlaces[i];
        out[i] = p.row < 0 ? 0 : static_cast<std::uint16_t>(p.row * rowStride + p.column);
    }
    return out;
}

// Keys of the numeric keypad, which the 87-key board does not have.
constexpr bool isKeypadKey(int k) {
    return (k >= 37 && k <= 40) || (k >= 58 && k <= 61) || (k >= 75 && k <= 77) || (k >= 91 && k <= 94) ||
           k == 106 || k == 107;
}

char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool sameNameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return asciiLower(x) == asciiLower(y); });
}

std::optional<std::uint8_t> parseNumber(std::string_view digits, int base) {
    if (digits.empty()) return std::nullopt;
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    if (ec != std::errc{} || end != digits.data() + digits.size() || value > 0xFF) return std::nullopt;
    return static_cast<std::uint8_t>(value);
}

}  // namespace

const std::array<std::uint8_t, kKeyCount> keyVirtualKey = makeVirtualKeys();
const std::array<std::uint16_t, kMatrixKeyCount> keyPosition = makeMatrixNumbers(21);
const std::array<std::uint16_t, kMatrixKeyCount> keyEnableBit = makeMatrixNumbers(32);

KeyNameTable BuildKeyNameTable() {
    KeyNameTable table{};
    for (int v = 0; v < 256; ++v) table[v] = KeyNameEntry{static_cast<std::uint8_t>(v), 0, {}};

    auto put = [&table](int vk, int usage, std::string name) {
        table[vk].usage = static_cast<std::uint8_t>(usage);
        table[vk].name = std::move(name);
    };
    char buf[16];
    for (int vk = 0x41; vk <= 0x5A; ++vk) {
        std::snprintf(buf, sizeof buf, "%c%c", vk, ' ');
        put(vk, vk - 0x3D, buf);
    }
    for (int vk = 0x31; vk <= 0x39; ++vk) {
        std::snprintf(buf, sizeof buf, "%c ", vk);
        put(vk, vk - 0x13, buf);
    }
    put(0x30, 0x27, "0");
    for (int n = 1; n <= 12; ++n) {
        std::snprintf(buf, sizeof buf, "F%d ", n);
        put(0x6F + n, 0x6F + n - 0x36, buf);
    }
    for (int n = 1; n <= 9; ++n) {
        std::snprintf(buf, sizeof buf, "%d-num ", n);
        put(0x60 + n, 0x60 + n - 0x08, buf);
    }
    for (const NamedRow& row : kSingleRows) put(row.virtualKey, row.usage, row.name);
    return table;
}

const KeyNameTable& keyNames() {
    static const KeyNameTable table = BuildKeyNameTable();  // initialised once, thread-safe
    return table;
}

bool keyOnModel(int keyIndex, KeyboardModel model) {
    if (keyIndex < 0 || keyIndex >= kMatrixKeyCount || (keyIndex >= 16 && keyIndex <= 19)) return false;
    switch (keyboardModelInfo(model).keys) {
    case ModelKeys::AllKeys: return true;
    case ModelKeys::AllButKeypad: return !isKeypadKey(keyIndex);
    case ModelKeys::None: break;
    }
    return false;
}

std::optional<std::uint8_t> parseVirtualKey(std::string_view text) {
    text = trimBlanks(text);
    if (text.empty()) return std::nullopt;

    // Names first: a lone digit means the digit key ("1" is 0x31), not code 1.
    // Where a main-block key and a keypad key share a name ("Enter", "-", ".",
    // "/") the main-block key wins; the keypad codes are 0x60..0x6F.
    const KeyNameTable& table = keyNames();
    std::optional<std::uint8_t> keypad;
    for (const KeyNameEntry& e : table) {
        const std::string_view name = trimBlanks(e.name);
        if (name.empty() || !sameNameIgnoringCase(name, text)) continue;
        if (e.virtualKey < 0x60 || e.virtualKey > 0x6F) return e.virtualKey;
        if (!keypad) keypad = e.virtualKey;
    }
    if (keypad) return keypad;

    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) return parseNumber(text.substr(2), 16);
    return parseNumber(text, 10);
}

}  // namespace morvane
