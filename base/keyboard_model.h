// The keyboards the program drives, each described once: the full-size board
// (04D9:A2A0) and the 87-key board (04D9:A247), which has no numeric keypad.
#pragma once

#include <cstdint>

namespace morvane {

// None: no keyboard found yet.
enum class KeyboardModel { None, FullSize, Tenkeyless };

// The models a keyboard can be, in the order the CLI and the pictures list them.
inline constexpr KeyboardModel kKeyboardModels[] = {KeyboardModel::FullSize, KeyboardModel::Tenkeyless};

inline constexpr std::uint16_t kKeyboardVendorId = 0x04D9;

// Which key indices of the picture a board has.
enum class ModelKeys { None, AllKeys, AllButKeypad };

struct KeyboardModelInfo {
    KeyboardModel model;
    int number;                    // how `show --json` names it: 0 none, 1, 2
    const char* name;              // how `info` names it
    std::uint16_t vendorId;        // 0 for None
    std::uint16_t productId;
    ModelKeys keys;
    const char* boardPicture;      // the window's picture of the board; "" for None
    const char* highlightPicture;  // the same board with every cap lit
    const char* versionFile;       // beside the program: the version its updater brings
    const char* updater;           // beside the program: the firmware updater
};

// The description of a model; None's has no ids, keys or files.
const KeyboardModelInfo& keyboardModelInfo(KeyboardModel model);

// The model with these USB ids, None for any other device.
KeyboardModel keyboardModelOfProduct(std::uint16_t vendorId, std::uint16_t productId);

}  // namespace morvane
