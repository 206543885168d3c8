// Where every key sits on the keyboard pictures of both models. One table
// gives the key rectangles the window hit-tests, the caps the artwork tool
// draws into "kb_BK*.png" / "kb_hl*.png", and the label positions, so the
// picture and the hit test can never disagree.
#pragma once

#include <array>
#include <string_view>

#include "base/keyboard_model.h"

namespace morvane {

// Both edges included, relative to the keyboard picture's top-left corner.
struct KeyRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool empty() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
    bool contains(int x, int y) const { return !empty() && x >= left && x <= right && y >= top && y <= bottom; }
    int width() const { return right - left + 1; }
    int height() const { return bottom - top + 1; }
    friend bool operator==(const KeyRect&, const KeyRect&) = default;
};

struct KeyCap {
    KeyRect rect;           // all zero when the key is not on this model's picture
    int labelX = 0;         // label position, relative to the picture like the rectangle
    int labelY = 0;
};

inline constexpr int kKeyboardPictureX = 275;  // the picture's place in the main window
inline constexpr int kKeyboardPictureY = 85;

// The caps of a model's picture. None (no keyboard found yet) has no keys and
// a 0 x 0 picture.
const std::array<KeyCap, 113>& keyboardLayout(KeyboardModel model);

// Size of the keyboard picture of a model (its boardPicture).
struct PictureSize {
    int width;
    int height;
};
PictureSize keyboardPictureSize(KeyboardModel model);

// The key under a point in window coordinates, 255 for none. Win (96) and
// Fn (100) count only while DIY editing is on.
int hitTestKey(KeyboardModel model, int windowX, int windowY, bool diyEditMode);

}  // namespace morvane
