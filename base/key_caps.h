// What the keyboard picture knows of each key beyond its codes: the short name
// printed on the cap and the LED that lights it.
#pragma once

#include <optional>
#include <string_view>

namespace morvane {

// The cap's short name for keys 0..107 ("Esc", "Caps Lock", "Fn"); empty for
// the media keys 16..19 and for indices without a key.
std::string_view keyLabel(int keyIndex);

// LEDs run column by column from the top row down, six to a column, so a
// key's LED (its byte in a DIY map) follows from its place in the key matrix.
// Keys without a place (16..19, 108..112) have none.
std::optional<int> keyLedIndex(int keyIndex);

}  // namespace morvane
