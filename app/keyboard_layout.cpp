#include "app/keyboard_layout.h"

#include <algorithm>
#include <cmath>

namespace morvane {

namespace {

// How one model's picture is laid out. The main block follows the ANSI grid
// in quarter units; the function row, the navigation cluster, the keypad and
// the bottom row are placed from the measured caps (Esc, F1, Ctrl, Win,
// Space, Fn, keypad ".") so the drawn picture and the hit test agree with them.
struct Geometry {
    int originX;          // left edge of Esc, "~", Tab, Caps, Shift and Ctrl
    double unit;          // one key unit in pixels
    int gap;              // empty pixels between two neighbouring caps
    int functionTop, functionBottom;
    int f1Left;           // F1..F4 start here; F12 ends flush with the main block
    int rowTop[5];        // number row, Q row, A row, Z row, bottom row
    int lastRowBottom;
    int navLeft;          // Ins / Home / PgUp cluster
    int keypadLeft;       // 0 when the model has no keypad
    int bottomRow[8][2];  // Ctrl, Win, Alt, Space, Alt, Fn, App, Ctrl: left, right
    int labelInsetX, labelInsetY;
};

// Full-size board: 23-pixel caps on a 24-pixel pitch.
constexpr Geometry kFullSize = {
    83, 24.0, 1,
    113, 136,
    129,
    {143, 167, 191, 215, 239}, 261,
    448,
    525,
    {{83, 111}, {113, 140}, {142, 170}, {172, 320}, {322, 350}, {352, 379}, {381, 410}, {412, 441}},
    4, 3,
};

// 87-key board: larger caps (28 pixels) on a pitch of about 30.
constexpr Geometry kTenkeyless = {
    77, 30.25, 2,
    119, 146,
    137,
    {157, 187, 218, 248, 278}, 306,
    538,
    0,
    {{77, 112}, {115, 150}, {153, 187}, {190, 377}, {380, 415}, {418, 453}, {456, 490}, {493, 528}},
    5, 4,
};

class LayoutBuilder {
public:
    explicit LayoutBuilder(const Geometry& g) : g_(g) {}

    std::array<KeyCap, 113> build() {
        buildFunctionRow();
        buildMainBlock();
        buildNavigation();
        if (g_.keypadLeft != 0) buildKeypad();
        return caps_;
    }

private:
    int unitX(double units) const { return g_.originX + static_cast<int>(std::lround(units * g_.unit)); }
    int rowTop(int row) const { return g_.rowTop[row]; }
    int rowBottom(int row) const { return row == 4 ? g_.lastRowBottom : g_.rowTop[row + 1] - g_.gap - 1; }
    int pitch() const { return static_cast<int>(std::lround(g_.unit)); }
    int capWidth() const { return pitch() - g_.gap; }

    void place(int key, int left, int top, int right, int bottom) {
        caps_[key] = KeyCap{{left, top, right, bottom}, left + g_.labelInsetX, top + g_.labelInsetY};
    }

    // A key of the main block: `at` and `width` in key units, rows 0..4 from the number row down.
    void grid(int key, int row, double at, double width = 1.0, int rows = 1) {
        place(key, unitX(at), rowTop(row), unitX(at + width) - g_.gap - 1, rowBottom(row + rows - 1));
    }

    // Columns of a cluster to the right of the main block, on the same pitch.
    void cluster(int key, int clusterLeft, int row, int column, int columns = 1, int rows = 1) {
        const int left = clusterLeft + static_cast<int>(std::lround(column * g_.unit));
        const int right = clusterLeft + static_cast<int>(std::lround((column + columns) * g_.unit)) - g_.gap - 1;
        const int top = row < 0 ? g_.functionTop : rowTop(row);
        const int bottom = row < 0 ? g_.functionBottom : rowBottom(row + rows - 1);
        place(key, left, top, right, bottom);
    }

    int mainRight() const { return unitX(15.0) - g_.gap - 1; }

    // Esc, a gap of about one unit, then three groups of four F keys; the
    // groups are spread so that F12 ends where Back ends.
    void buildFunctionRow() {
        place(0, g_.originX, g_.functionTop, g_.originX + capWidth() - 1, g_.functionBottom);
        const int groupWidth = 4 * pitch() - g_.gap;
        const int lastGroupLeft = mainRight() + 1 - groupWidth;
        const int firstGroupRight = g_.f1Left + groupWidth - 1;
        const int spare = lastGroupLeft - firstGroupRight - 1 - groupWidth;  // shared by the two group gaps
        const int groupLeft[3] = {g_.f1Left, firstGroupRight + 1 + spare / 2, lastGroupLeft};
        for (int f = 0; f < 12; ++f) {
            const int left = groupLeft[f / 4] + (f % 4) * pitch();
            place(1 + f, left, g_.functionTop, left + capWidth() - 1, g_.functionBottom);
        }
        for (int c = 0; c < 3; ++c) cluster(13 + c, g_.navLeft, -1, c);  // Prnt, Scrl, Pause
    }

    void buildMainBlock() {
        // Number row: "~", 1..9, 0, "-", "=", then Back two units wide.
        for (int i = 0; i < 13; ++i) grid(20 + i, 0, i);
        grid(33, 0, 13, 2);
        // Q row: Tab 1.5, Q..P, "[", "]", then "\" 1.5.
        grid(41, 1, 0, 1.5);
        for (int i = 0; i < 12; ++i) grid(42 + i, 1, 1.5 + i);
        grid(54, 1, 13.5, 1.5);
        // A row: Caps 1.75, A..L, ";", "'", Enter 2.25.
        grid(62, 2, 0, 1.75);
        for (int i = 0; i < 11; ++i) grid(63 + i, 2, 1.75 + i);
        grid(74, 2, 12.75, 2.25);
        // Z row: Shift 2.25, Z..M, ",", ".", "/", Shift 2.75.
        grid(78, 3, 0, 2.25);
        for (int i = 0; i < 10; ++i) grid(79 + i, 3, 2.25 + i);
        grid(89, 3, 12.25, 2.75);
        // Bottom row: Ctrl, Win, Alt, Space, Alt, Fn, App, Ctrl, measured caps.
        for (int i = 0; i < 8; ++i) {
            place(95 + i, g_.bottomRow[i][0], rowTop(4), g_.bottomRow[i][1], rowBottom(4));
        }
    }

    void buildNavigation() {
        for (int c = 0; c < 3; ++c) {
            cluster(34 + c, g_.navLeft, 0, c);   // Ins, Home, PgUp
            cluster(55 + c, g_.navLeft, 1, c);   // Del, End, PgDn
            cluster(103 + c, g_.navLeft, 4, c);  // Left, Down, Right
        }
        cluster(90, g_.navLeft, 3, 1);  // Up
    }

    void buildKeypad() {
        const int k = g_.keypadLeft;
        for (int c = 0; c < 4; ++c) cluster(37 + c, k, 0, c);  // Num, /, *, -
        for (int c = 0; c < 3; ++c) {
            cluster(58 + c, k, 1, c);  // 7 8 9
            cluster(75 + c, k, 2, c);  // 4 5 6
            cluster(91 + c, k, 3, c);  // 1 2 3
        }
        cluster(61, k, 1, 3, 1, 2);  // + two rows tall
        cluster(94, k, 3, 3, 1, 2);  // Enter two rows tall
        cluster(106, k, 4, 0, 2);    // 0 two units wide
        cluster(107, k, 4, 2);       // .
    }

    const Geometry& g_;
    std::array<KeyCap, 113> caps_{};
};

const std::array<KeyCap, 113> kNoKeys{};

// The picture holds the caps with the same margin on the right as on the
// left and below as above, room for the keyboard's case around them.
PictureSize pictureFor(const std::array<KeyCap, 113>& caps) {
    int left = 1 << 20, top = 1 << 20, right = 0, bottom = 0;
    for (const KeyCap& cap : caps) {
        if (cap.rect.empty()) continue;
        left = std::min(left, cap.rect.left);
        top = std::min(top, cap.rect.top);
        right = std::max(right, cap.rect.right);
        bottom = std::max(bottom, cap.rect.bottom);
    }
    return {right + left + 1, bottom + top + 1};
}

}  // namespace

const std::array<KeyCap, 113>& keyboardLayout(KeyboardModel model) {
    static const std::array<KeyCap, 113> fullSize = LayoutBuilder(kFullSize).build();
    static const std::array<KeyCap, 113> tenkeyless = LayoutBuilder(kTenkeyless).build();
    switch (model) {
    case KeyboardModel::FullSize: return fullSize;
    case KeyboardModel::Tenkeyless: return tenkeyless;
    case KeyboardModel::None: break;
    }
    return kNoKeys;
}

PictureSize keyboardPictureSize(KeyboardModel model) {
    if (model == KeyboardModel::None) return {0, 0};
    return pictureFor(keyboardLayout(model));
}

int hitTestKey(KeyboardModel model, int windowX, int windowY, bool diyEditMode) {
    const auto& caps = keyboardLayout(model);
    const int x = windowX - kKeyboardPictureX;
    const int y = windowY - kKeyboardPictureY;
    for (int key = 0; key < static_cast<int>(caps.size()); ++key) {
        if (!caps[key].rect.contains(x, y)) continue;
        // Win and Fn take no assignment; they only answer while a DIY map is painted.
        if ((key == 96 || key == 100) && !diyEditMode) return 255;
        return key;
    }
    return 255;
}

}  // namespace morvane
