// Where the key-assignment dialog's pictures, buttons and texts lie: shared
// by what its model answers to a click and what it draws.
#pragma once

#include <cstddef>

#include "app/dialogs/key_map_model.h"

namespace morvane::key_map_layout {

inline constexpr int kTextHeight = 14;
inline constexpr int kTextWeight = 300;
// The English row labels and first tab are set a little smaller so that they
// end before the path boxes and the next tab.
inline constexpr int kNarrowTextHeight = 12;
inline constexpr Colour kGrey{192, 192, 192};

struct Button {
    int x1, y1, x2, y2;
    const char* normal;
    const char* over;  // nullptr: the normal picture only
};

inline constexpr Button kButtons[keymap_buttons::Count] = {
    {303, 2, 318, 17, "button-close-normal.png", "button-close-over.png"},
    {0, 31, 81, 57, "large_button.png", nullptr},
    {81, 31, 162, 57, "large_button.png", nullptr},
    {162, 31, 243, 57, "large_button.png", nullptr},
    {243, 31, 324, 57, "large_button.png", nullptr},
    {0, 30, 325, 36, "single_combine_option.png", nullptr},
    {19, 251, 29, 260, "Disable.png", "Enable.png"},  // pictures by the tick, not the pointer
    {156, 246, 197, 268, "button-cancel-normal.png", "button-cancel-over.png"},
    {210, 246, 251, 268, "button-cancel-normal.png", "button-cancel-over.png"},
    {264, 246, 305, 268, "button-save-normal.png", "button-save-over.png"},
};

// The tick box answers a little beyond its picture.
inline constexpr int kTickSlack = 5;

inline constexpr int kMarkerX[4] = {35, 115, 200, 280};
inline constexpr int kTabTextX[4] = {6, 115, 182, 259};
inline constexpr int kTabTextY = 39;

constexpr int rowTop(int row) { return 69 + 30 * row; }

// Longest path text that still fits the row's path box.
inline constexpr std::size_t kShownPathLimit = 24;
// The path box holds about this many characters of its font.
inline constexpr std::size_t kPathFitsChars = 22;

}  // namespace morvane::key_map_layout
