// The lighting effects the settings panel offers and the rules that tie the
// lighting fields of the image together.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "base/device_image.h"
#include "base/language.h"

namespace morvane {

struct EffectRow {
    std::uint8_t code;
    const char* english;
    const char* chinese;
};

// The 18 effects in the order the effect list shows them.
extern const std::array<EffectRow, 18> EffectTable;

// The effect's name in the language shown, or nullptr for a code not in the table.
const char* effectName(std::uint8_t code, std::uint16_t uiLanguage);

// An effect code from user text: its number, or its name in either language
// (case ignored).
std::optional<std::uint8_t> parseEffect(std::string_view text);

inline bool isDiyEffect(std::uint8_t code) { return code >= kEffectDiyFirst; }

// Picking an effect: "Static" turns a colour of 8 into 1, "Wave" always uses 8.
void chooseEffect(DeviceImage& image, std::uint8_t code);

// While a built-in effect is selected the colour stays within 1..8.
void applyColourRule(DeviceImage& image);

// Direction is offered only for the effect that moves in one.
inline bool effectHasDirection(std::uint8_t code) { return code == kEffectWave; }

// The speed slider is shown for the built-in animated effects only.
inline bool effectHasSpeed(std::uint8_t code) { return code >= 1 && code <= 49; }

}  // namespace morvane
