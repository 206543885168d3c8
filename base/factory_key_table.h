// The key table the keyboard ships with.
#pragma once

#include <array>
#include <cstdint>

#include "base/device_image.h"

namespace morvane {

// One key-table entry: four bytes at four times the key's table position.
using KeyEntry = std::array<std::uint8_t, 4>;

// The keyboard's factory key table, 128 entries in key-table order.
extern const std::array<std::uint8_t, kKeyTableSize> defaultKeyTable;

}  // namespace morvane
