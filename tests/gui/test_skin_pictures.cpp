// The pictures drawn at build time into png/ beside the program: every one
// the windows load is there in both languages, at the size its place in the
// window needs, and the keyboard pictures agree with the layout table.
#include <gtest/gtest.h>

#include <QImage>
#include <QString>

#include <string_view>
#include <utility>

#include "app/keyboard_layout.h"

using namespace morvane;

namespace {

const QString kPng = QStringLiteral(MORVANE_BUILD_DIR "/png/");

struct Expected {
    const char* name;
    int width, height;
};

// Sizes follow from where the windows draw each picture and hit-test its area.
const Expected kPerLanguage[] = {
    {"main.png", 1000, 650}, {"logo.png", 243, 66}, {"Config.png", 74, 34}, {"HelpWindow.png", 167, 128},
    {"SplashScreen.png", 480, 270},
    {"button-help-normal.png", 17, 16}, {"button-help-over.png", 17, 16}, {"button-min-normal.png", 17, 16},
    {"button-min-over.png", 17, 16}, {"button-close-normal.png", 17, 16}, {"button-close-over.png", 17, 16},
    {"button-cancel-normal.png", 58, 36}, {"button-cancel-over.png", 58, 36},
    {"itemBK.png", 243, 21}, {"LEDEffect_open.png", 243, 205}, {"freq.png", 243, 90}, {"Light_Item.png", 221, 17},
    {"Direction-T-Disable.png", 36, 16}, {"Direction-T-Enable.png", 36, 16}, {"Direction-B-Disable.png", 36, 16},
    {"Direction-B-Enable.png", 36, 16}, {"Direction-R-Disable.png", 36, 16}, {"Direction-R-Enable.png", 36, 16},
    {"Direction-L-Disable.png", 36, 16}, {"Direction-L-Enable.png", 36, 16},
    {"Enable.png", 13, 13}, {"Disable.png", 13, 13}, {"MacroManagementBK.png", 243, 55}, {"MacroButton3.png", 241, 19},
    {"gamemode_Close.png", 243, 21}, {"gamemode_open.png", 243, 55}, {"responsetime_close.png", 243, 21},
    {"responsetime_open.png", 243, 75}, {"reportrate_Close.png", 243, 21}, {"reportrate_Open.png", 243, 48},
    {"Thumb.png", 15, 14},
    {"Config/Config.png", 264, 630}, {"Config/button-close-normal.png", 16, 16}, {"Config/New.png", 67, 50},
    {"Config/Delete.png", 67, 50},
    {"Custom/Custom_BK.png", 325, 280}, {"Custom/button-close-normal.png", 16, 16},
    {"Custom/button-close-over.png", 16, 16}, {"Custom/large_button.png", 82, 27},
    {"Custom/single_combine_option.png", 326, 7}, {"Custom/cursor.png", 11, 7}, {"Custom/Disable.png", 12, 12},
    {"Custom/Enable.png", 12, 12}, {"Custom/disable.png", 12, 12}, {"Custom/enable.png", 12, 12},
    {"Custom/button-cancel-normal.png", 42, 23}, {"Custom/button-cancel-over.png", 42, 23},
    {"Custom/button-save-normal.png", 42, 23}, {"Custom/button-save-over.png", 42, 23},
    {"Custom/Macro_BK.png", 295, 115}, {"Custom/Advanced.png", 158, 16}, {"Custom/view.png", 47, 16},
    {"Custom/view02.png", 47, 16},
    {"MacroManagement/MacroManagement.png", 410, 440}, {"MacroManagement/Record-normal.png", 90, 25},
    {"MacroManagement/Record-over.png", 90, 25}, {"MacroManagement/Pane.png", 15, 15},
    {"MacroManagement/PaneMakingTick.png", 15, 15}, {"MacroManagement/button-new-normal.png", 58, 25},
    {"MacroManagement/button-new-over.png", 58, 25},
};

const Expected kBitmaps[] = {
    {"131.png", 10, 14}, {"138.png", 10, 14}, {"137.png", 14, 14}, {"133.png", 9, 9}, {"134.png", 9, 9},
    {"139.png", 220, 17}, {"140.png", 220, 17}, {"141.png", 15, 14}, {"145.png", 127, 305}, {"154.png", 256, 256},
};

void expectPicture(const QString& path, int width, int height) {
    const QImage image(path);
    ASSERT_FALSE(image.isNull()) << path.toStdString();
    EXPECT_EQ(image.width(), width) << path.toStdString();
    EXPECT_EQ(image.height(), height) << path.toStdString();
}

}  // namespace

// The "@2x" twin of a picture, at twice its size.
QString twin(const QString& path) { return path.left(path.lastIndexOf('.')) + QStringLiteral("@2x.png"); }

TEST(SkinPictures, EveryPictureIsThereInBothLanguagesAtItsSize) {
    for (const char* language : {"english/", "chinese/"}) {
        for (const Expected& e : kPerLanguage) {
            expectPicture(kPng + language + e.name, e.width, e.height);
            if (std::string_view(e.name) != "SplashScreen.png")
                expectPicture(twin(kPng + language + e.name), 2 * e.width, 2 * e.height);
        }
        for (const char* kb : {"kb_BK.png", "kb_hl.png"}) {
            const PictureSize size = keyboardPictureSize(KeyboardModel::FullSize);
            expectPicture(kPng + language + kb, size.width, size.height);
            expectPicture(twin(kPng + language + kb), 2 * size.width, 2 * size.height);
        }
        for (const char* kb : {"kb_BK_87.png", "kb_hl_87.png"}) {
            const PictureSize size = keyboardPictureSize(KeyboardModel::Tenkeyless);
            expectPicture(kPng + language + kb, size.width, size.height);
        }
    }
    for (const Expected& e : kBitmaps) expectPicture(kPng + "bitmaps/" + e.name, e.width, e.height);
}

TEST(SkinPictures, KeyboardPicturesLightEveryCapAndBlendIntoTheWindow) {
    const QImage main(kPng + "english/main.png");
    ASSERT_FALSE(main.isNull());
    for (const KeyboardModel model : kKeyboardModels) {
        const KeyboardModelInfo& info = keyboardModelInfo(model);
        SCOPED_TRACE(testing::Message() << "model " << info.name);
        const QImage board = QImage(kPng + "english/" + info.boardPicture).convertToFormat(QImage::Format_ARGB32);
        const QImage lit = QImage(kPng + "english/" + info.highlightPicture).convertToFormat(QImage::Format_ARGB32);
        ASSERT_FALSE(board.isNull());
        ASSERT_FALSE(lit.isNull());
        // The caps the window copies from the highlight picture look lit:
        // their middle is far redder than on the plain picture.
        for (int key = 0; key < 113; ++key) {
            const KeyRect& r = keyboardLayout(model)[key].rect;
            if (r.empty()) continue;
            const int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2 + 3;
            EXPECT_GT(qRed(lit.pixel(x, y)) - qRed(board.pixel(x, y)), 80) << "key " << key;
            EXPECT_GT(qRed(lit.pixel(x, y)), 2 * qGreen(lit.pixel(x, y))) << "key " << key;
        }
        // The picture's corners are the window's own background, so it has no visible edge.
        const QImage background = main.convertToFormat(QImage::Format_ARGB32);
        for (const auto& [x, y] : {std::pair{0, 0}, std::pair{board.width() - 1, 0}, std::pair{0, board.height() - 1},
                                   std::pair{board.width() - 1, board.height() - 1}}) {
            EXPECT_EQ(board.pixel(x, y), background.pixel(kKeyboardPictureX + x, kKeyboardPictureY + y))
                << "corner " << x << "," << y;
        }
    }
}

namespace {

QImage argb(const QString& path) { return QImage(path).convertToFormat(QImage::Format_ARGB32); }

// True when `part` equals `whole` at (x, y), pixel for pixel, over `part`'s size.
bool sameRegion(const QImage& whole, int x, int y, const QImage& part) {
    return !part.isNull() && whole.copy(x, y, part.width(), part.height()) == part;
}

}  // namespace

TEST(SkinPictures, PicturesThatMeetOnScreenMeetWithoutASeam) {
    const QString en = kPng + "english/";
    // The block behind the Macro Management button lands at y 140 or 335; it is the column itself.
    const QImage main = argb(en + "main.png");
    const QImage macroBlock = argb(en + "MacroManagementBK.png");
    EXPECT_TRUE(sameRegion(main, 19, 140, macroBlock.copy(0, 0, 243, 20)));
    EXPECT_TRUE(sameRegion(main, 19, 335, macroBlock.copy(0, 0, 243, 20)));
    // The slider tracks sit on the section bodies, at (28, 260) and (28, u + 23).
    const QImage left = argb(kPng + "bitmaps/139.png"), right = argb(kPng + "bitmaps/140.png");
    const QImage lightBody = argb(en + "LEDEffect_open.png"), rateBody = argb(en + "reportrate_Open.png");
    for (const QImage& track : {left, right}) {
        EXPECT_EQ(track.pixel(0, 0), lightBody.pixel(9, 130));
        EXPECT_EQ(track.pixel(219, 16), rateBody.pixel(228, 39));
    }
    // "freq.png" restores the Light body below y 245 (the speed gauge aside).
    EXPECT_TRUE(sameRegion(lightBody, 0, 115, argb(en + "freq.png").copy(0, 0, 200, 90)));
    // The lists of the macro manager take their floor from bitmap 145 at (7, 22):
    // it must be the dialog's own wells at (20, 80) and (150, 80).
    const QImage wells = argb(kPng + "bitmaps/145.png").copy(7, 22, 113, 275);
    const QImage dialog = argb(en + "MacroManagement/MacroManagement.png");
    EXPECT_TRUE(sameRegion(dialog, 20, 80, wells));
    EXPECT_TRUE(sameRegion(dialog, 150, 80, wells));
    // Names that differ only in case are one file where case is ignored.
    EXPECT_EQ(argb(en + "Custom/Enable.png"), argb(en + "Custom/enable.png"));
    EXPECT_EQ(argb(en + "Custom/Disable.png"), argb(en + "Custom/disable.png"));
}
