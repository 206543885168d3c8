#include <gtest/gtest.h>

#include "app/keyboard_layout.h"
#include "base/key_caps.h"

using namespace morvane;

namespace {

constexpr KeyboardModel kFull = KeyboardModel::FullSize;
constexpr KeyboardModel k87 = KeyboardModel::Tenkeyless;

bool isKeypad(int key) {
    return (key >= 37 && key <= 40) || (key >= 58 && key <= 61) || (key >= 75 && key <= 77) ||
           (key >= 91 && key <= 94) || key == 106 || key == 107;
}

bool onModel(KeyboardModel model, int key) {
    if ((key >= 16 && key <= 19) || key >= 108) return false;
    return model == kFull || !isKeypad(key);
}

const char* nameOf(KeyboardModel model) { return keyboardModelInfo(model).name; }

bool overlap(const KeyRect& a, const KeyRect& b) {
    return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
}

}  // namespace

TEST(KeyboardLayout, MeasuredCapsOfBothModels) {
    struct Row { KeyboardModel model; int key; KeyRect rect; };
    const Row rows[] = {
        {kFull, 0, {83, 113, 105, 136}},   {kFull, 1, {129, 113, 151, 136}},  {kFull, 20, {83, 143, 105, 165}},
        {kFull, 95, {83, 239, 111, 261}},  {kFull, 96, {113, 239, 140, 261}}, {kFull, 98, {172, 239, 320, 261}},
        {kFull, 100, {352, 239, 379, 261}}, {kFull, 107, {573, 239, 595, 261}},
        {k87, 0, {77, 119, 104, 146}},   {k87, 1, {137, 119, 164, 146}},  {k87, 20, {77, 157, 104, 184}},
        {k87, 95, {77, 278, 112, 306}},  {k87, 96, {115, 278, 150, 306}}, {k87, 98, {190, 278, 377, 306}},
        {k87, 100, {418, 278, 453, 306}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << "model " << nameOf(r.model) << " key " << r.key);
        EXPECT_EQ(keyboardLayout(r.model)[r.key].rect, r.rect);
    }
}

TEST(KeyboardLayout, EachModelHasExactlyItsKeysAndNoOverlaps) {
    for (const KeyboardModel model : {kFull, k87}) {
        const auto& caps = keyboardLayout(model);
        for (int key = 0; key < 113; ++key) {
            SCOPED_TRACE(testing::Message() << "model " << nameOf(model) << " key " << key);
            const KeyCap& cap = caps[key];
            if (!onModel(model, key)) {
                EXPECT_EQ(cap.rect, KeyRect{});
                continue;
            }
            ASSERT_FALSE(cap.rect.empty());
            EXPECT_GE(cap.rect.width(), 20);
            EXPECT_GE(cap.rect.height(), 20);
            // the label starts on its own cap, near the top-left corner
            EXPECT_TRUE(cap.rect.contains(cap.labelX, cap.labelY));
            EXPECT_LE(cap.labelX - cap.rect.left, 6);
            EXPECT_LE(cap.labelY - cap.rect.top, 6);
            EXPECT_FALSE(keyLabel(key).empty());
            for (int other = key + 1; other < 113; ++other) {
                if (caps[other].rect.empty()) continue;
                EXPECT_FALSE(overlap(cap.rect, caps[other].rect)) << "with " << other;
            }
        }
    }
}

TEST(KeyboardLayout, MainBlockIsSquareAndKeypadKeysSpanTheirRows) {
    const auto& full = keyboardLayout(kFull);
    for (const KeyboardModel model : {kFull, k87}) {
        const auto& caps = keyboardLayout(model);
        SCOPED_TRACE(testing::Message() << "model " << nameOf(model));
        // Back, "\", Enter, right Shift, right Ctrl and F12 end in one column,
        // Esc, "~", Tab, Caps, left Shift and left Ctrl start in one.
        for (int key : {33, 54, 74, 89, 102}) EXPECT_EQ(caps[key].rect.right, caps[12].rect.right) << key;
        for (int key : {20, 41, 62, 78, 95}) EXPECT_EQ(caps[key].rect.left, caps[0].rect.left) << key;
        // A row of caps shares top and bottom: Q..P, A..L, Z../.
        for (int key = 42; key <= 54; ++key) EXPECT_EQ(caps[key].rect.top, caps[41].rect.top) << key;
        for (int key = 63; key <= 74; ++key) EXPECT_EQ(caps[key].rect.bottom, caps[62].rect.bottom) << key;
        // Up sits above Down.
        EXPECT_EQ(caps[90].rect.left, caps[104].rect.left);
        EXPECT_LT(caps[90].rect.bottom, caps[104].rect.top);
    }
    // Keypad "+" reaches from the 7 row to the 4 row, Enter from the 1 row to
    // the 0 row, and 0 is two keys wide.
    EXPECT_EQ(full[61].rect.top, full[58].rect.top);
    EXPECT_EQ(full[61].rect.bottom, full[75].rect.bottom);
    EXPECT_EQ(full[94].rect.top, full[91].rect.top);
    EXPECT_EQ(full[94].rect.bottom, full[106].rect.bottom);
    EXPECT_EQ(full[106].rect.left, full[91].rect.left);
    EXPECT_EQ(full[106].rect.right + 2, full[107].rect.left);
}

TEST(KeyboardLayout, PictureHoldsEveryCapAndFitsBesideThePanel) {
    for (const KeyboardModel model : {kFull, k87}) {
        SCOPED_TRACE(testing::Message() << "model " << nameOf(model));
        const PictureSize size = keyboardPictureSize(model);
        for (const KeyCap& cap : keyboardLayout(model)) {
            if (cap.rect.empty()) continue;
            EXPECT_GE(cap.rect.left, 8);
            EXPECT_GE(cap.rect.top, 8);
            EXPECT_LE(cap.rect.right, size.width - 9);
            EXPECT_LE(cap.rect.bottom, size.height - 9);
        }
        // the window's free area: right of the settings panel, above the buttons
        EXPECT_GE(kKeyboardPictureX, 275);
        EXPECT_LE(kKeyboardPictureX + size.width - 1, 995);
        EXPECT_GE(kKeyboardPictureY, 85);
        EXPECT_LE(kKeyboardPictureY + size.height - 1, 595);
    }
    EXPECT_EQ(keyboardPictureSize(KeyboardModel::None).width, 0);
    EXPECT_TRUE(keyboardLayout(KeyboardModel::None)[0].rect.empty());
}

TEST(KeyboardLayout, HitTestIncludesBothEdgesAndHonoursTheWinFnRule) {
    const int x = kKeyboardPictureX, y = kKeyboardPictureY;
    // Esc on the full-size board: 83,113 – 105,136
    EXPECT_EQ(hitTestKey(kFull, x + 83, y + 113, false), 0);
    EXPECT_EQ(hitTestKey(kFull, x + 105, y + 136, false), 0);
    EXPECT_EQ(hitTestKey(kFull, x + 82, y + 113, false), 255);
    EXPECT_EQ(hitTestKey(kFull, x + 83, y + 137, false), 255);
    EXPECT_EQ(hitTestKey(kFull, x + 106, y + 120, false), 255);  // between Esc and F1
    // the same point is Esc on the 87-key board, whose Esc is larger
    EXPECT_EQ(hitTestKey(k87, x + 104, y + 146, false), 0);
    EXPECT_EQ(hitTestKey(k87, x + 105, y + 146, false), 255);
    // the keypad exists only on the full-size board: the corner of its Enter
    // lies right of the 87-key board's Up
    EXPECT_EQ(hitTestKey(kFull, x + 595, y + 261, false), 107);
    EXPECT_EQ(hitTestKey(kFull, x + 619, y + 261, false), 94);
    EXPECT_EQ(hitTestKey(k87, x + 619, y + 261, false), 255);
    // Win and Fn answer only while a DIY map is painted; their neighbours always
    for (const KeyboardModel model : {kFull, k87}) {
        const auto& caps = keyboardLayout(model);
        for (int key : {95, 96, 97, 99, 100, 101}) {
            const KeyRect& r = caps[key].rect;
            const bool locked = key == 96 || key == 100;
            EXPECT_EQ(hitTestKey(model, x + r.left, y + r.top, false), locked ? 255 : key)
                << nameOf(model) << "/" << key;
            EXPECT_EQ(hitTestKey(model, x + r.right, y + r.bottom, true), key) << nameOf(model) << "/" << key;
        }
    }
    // the media keys and the placeholders are never hit; no model, no key
    EXPECT_EQ(hitTestKey(kFull, x, y, true), 255);
    EXPECT_EQ(hitTestKey(KeyboardModel::None, x + 90, y + 120, true), 255);
}
