// The main window on the simulated keyboard: which area or key a point hits,
// what clicks, presses and moves do, and what the window paints.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "app/keyboard_layout.h"
#include "app/main_window_model.h"
#include "session/session.h"
#include "base/key_caps.h"
#include "base/key_names.h"
#include "device/sim/sim_keyboard.h"
#include "platform/file_io.h"
#include "sim_session.h"
#include "temp_folder.h"

namespace morvane {
namespace {

// Window points on the full-size board's keys, and on nothing at all.
constexpr int kEscX = 360, kEscY = 200;
constexpr int kWinX = 400, kWinY = 330;
constexpr int kFnX = 640, kFnY = 330;
constexpr int kFreeX = 600, kFreeY = 50;

class MainWindowTest : public ::testing::Test {
protected:
    void start(std::string device, std::uint16_t language = kLanguageEnglish) {
        window.reset();
        session.reset();
        SessionOptions o;
        o.programFolder = folder.path();
        o.device = device;
        o.uiLanguage = language;
        session = std::make_unique<Session>(o);
        ASSERT_TRUE(session->start().ok);
        window = std::make_unique<MainWindowModel>(*session);
    }
    void SetUp() override { start("sim:" + (folder / "kb.bin").string()); }
    // Starts again on a keyboard whose memory `edit` changed first (as the
    // keyboard might come, configured elsewhere).
    void startOnKeyboard(const std::function<void(DeviceImage&)>& edit) {
        window.reset();
        session.reset();
        {
            SimOptions so;
            so.statePath = folder / "kb.bin";
            SimKeyboard kb(so);
            ASSERT_TRUE(kb.powerOn());
            DeviceImage m = kb.memory();
            edit(m);
            kb.setMemory(m);
        }
        start("sim:" + (folder / "kb.bin").string());
    }

    ClickOutcome click(int x, int y) {
        window->press(x, y);
        return window->release(x, y);
    }
    void pickEffectRow(int row) {
        if (window->panel().lightCollapsed()) click(100, 120);
        click(100, 165);
        click(100, kEffectListTop + 20 * row + 5);
    }
    DrawList compose() const {
        DrawList dl;
        window->compose(dl);
        return dl;
    }
    const DeviceImage& image() const { return session->liveImage(); }

    test::TempFolder folder;
    std::unique_ptr<Session> session;
    std::unique_ptr<MainWindowModel> window;
};

TEST_F(MainWindowTest, HitTestFindsEveryAreaEdgesIncluded) {
    const struct {
        int x, y, area;
    } cases[] = {
        {936, 5, areas::Help},  {994, 20, areas::Close},        {100, 120, areas::LightHeader},
        {19, 605, areas::Profile}, {857, 635, areas::Return},   {861, 605, areas::Cancel},
        {980, 635, areas::Save}, {261, 102, areas::Logo},       {350, 490, 41},
        {580, 510, 46},         {580, 535, 52},                 {371, 500, -1},
        {995, 20, -1},          {kFreeX, kFreeY, -1},           {kEscX, kEscY, -1},
    };
    for (const auto& c : cases) EXPECT_EQ(window->hitTest(c.x, c.y), c.area) << c.x << "," << c.y;
    click(100, 120);  // the panel's areas follow its layout
    EXPECT_EQ(window->hitTest(100, 345), areas::MacroManagement);
}

TEST_F(MainWindowTest, WinAndFnAnswerOnlyWhileDiyPainting) {
    EXPECT_EQ(click(kWinX, kWinY).action, WindowAction::None);
    EXPECT_EQ(window->selectedKey(), 255);
    EXPECT_EQ(click(kFnX, kFnY).action, WindowAction::None);
    const ClickOutcome esc = click(kEscX, kEscY);
    EXPECT_EQ(esc.action, WindowAction::OpenKeyAssignment);
    EXPECT_EQ(esc.key, 0);

    startOnKeyboard([](DeviceImage& m) {
        m.diyMaps[1].fill(0);
        m.diyMaps[1][*keyLedIndex(100)] = 0x40;  // any lit value goes dark
    });
    pickEffectRow(14);  // DIY2
    const auto& map = image().diyMaps[1];
    EXPECT_EQ(click(kWinX, kWinY).action, WindowAction::None);
    EXPECT_EQ(map[*keyLedIndex(96)], 0xFF);
    click(kWinX, kWinY);
    EXPECT_EQ(map[*keyLedIndex(96)], 0x00);
    click(kFnX, kFnY);
    EXPECT_EQ(map[*keyLedIndex(100)], 0x00);

    // The choice alone paints nothing: after a profile load or a keyboard read
    // the effect may have no DIY map.
    const auto maps = image().diyMaps;
    for (int effect : {0, 50, 56, 255}) {
        session->setEffect(static_cast<std::uint8_t>(effect));
        session->setDiyEditMode(true);
        EXPECT_EQ(click(kWinX, kWinY).action, WindowAction::None);
        EXPECT_EQ(click(kEscX, kEscY).action, WindowAction::OpenKeyAssignment);
        compose();
    }
    EXPECT_EQ(image().diyMaps, maps);
}

TEST_F(MainWindowTest, HelpPanelRowsAndAnyClickCloses) {
    const struct {
        int x, y;
        WindowAction action;
    } cases[] = {
        {900, 46, WindowAction::OpenHomePage}, {996, 47, WindowAction::StartUpdater},
        {830, 72, WindowAction::None},         {900, 99, WindowAction::ChooseLanguage},
        {900, 125, WindowAction::UndoLastSave}, {900, 150, WindowAction::None},
        {940, 10, WindowAction::None},  // the help button
        {950, 620, WindowAction::None},  // "Save"
    };
    for (const auto& c : cases) {
        click(940, 10);
        ASSERT_TRUE(window->helpPanelOpen());
        EXPECT_EQ(click(c.x, c.y).action, c.action) << c.x << "," << c.y;
        EXPECT_FALSE(window->helpPanelOpen());
    }
    // A click on a key only closes the panel.
    click(940, 10);
    ASSERT_EQ(window->selectedKey(), 255);
    EXPECT_EQ(click(kEscX, kEscY).action, WindowAction::None);
    EXPECT_EQ(window->selectedKey(), 255);
}

TEST_F(MainWindowTest, OnlyAPressOnTheFreeBackgroundDragsTheWindow) {
    window->press(100, 50);  // the logo
    EXPECT_FALSE(window->move(120, 60, true).startDrag);
    EXPECT_FALSE(window->move(kFreeX, kFreeY, true).startDrag);  // left the logo, still held
    window->release(kFreeX, kFreeY);
    window->press(kEscX, kEscY);
    EXPECT_FALSE(window->move(kEscX + 1, kEscY, true).startDrag);
    window->release(kEscX + 1, kEscY);

    window->press(kFreeX, kFreeY);
    EXPECT_TRUE(window->move(kFreeX + 5, kFreeY, true).startDrag);
    EXPECT_FALSE(window->move(kFreeX + 9, kFreeY, true).startDrag);
    EXPECT_EQ(window->release(950, 620).action, WindowAction::None);  // ends the drag, clicks nothing

    window->press(kFreeX, kFreeY);
    window->move(kFreeX, kFreeY, false);  // the button is up: no press any more
    EXPECT_FALSE(window->move(kFreeX + 5, kFreeY, true).startDrag);

    click(100, 120);
    click(100, 165);  // an open list takes the press
    window->press(kFreeX, kFreeY);
    EXPECT_FALSE(window->move(kFreeX + 5, kFreeY, true).startDrag);
}

TEST_F(MainWindowTest, ComposesInOrderWithHoverAndHighlights) {
    startOnKeyboard([](DeviceImage& m) {
        m.setEnableBit(keyEnableBit[96], false);  // Win takes no assignment: never shown as changed
        m.diyMaps[0].fill(0);
        m.diyMaps[0][*keyLedIndex(0)] = 0xFF;
    });
    ASSERT_TRUE(session->confirmKeyAssignment(42, AssignmentRequest::single(0x41)));
    ASSERT_TRUE(session->keyChangedMarks()[96]);
    window->move(kEscX, kEscY, false);  // over Esc
    DrawList dl = compose();
    const KeyRect& q = keyboardLayout(KeyboardModel::FullSize)[42].rect;
    const std::vector<DrawOp> head = {
        DrawPicture{"main.png", 0, 0},
        DrawPicture{"button-help-normal.png", 936, 5},
        DrawPicture{"button-min-normal.png", 957, 5},
        DrawPicture{"button-close-normal.png", 978, 5},
        DrawPicture{"logo.png", 19, 35},
        DrawPicture{"kb_BK.png", 275, 85},
        DrawPicturePart{"kb_hl.png", 83, 113, 23, 24, 358, 198},
        DrawPicturePart{"kb_hl.png", q.left, q.top, q.width(), q.height(), 275 + q.left, 85 + q.top},
        DrawText{"Click a key to change what it does   \u00b7   Pick DIY1 \u2013 DIY5 and \"DIY\" to paint the lighting", 275,
                 560, 12, 400, Colour{0x7c, 0x7c, 0x85}, 720},
        DrawPicture{"button-cancel-normal.png", 800, 600},
        DrawPicture{"button-cancel-normal.png", 862, 600},
        DrawPicture{"button-cancel-normal.png", 924, 600},
        DrawPicture{"Config.png", 17, 603},
        DrawText{"Profile", 45, 610, 16, 300},
        DrawText{"Return", 810, 607, 16, 300},
        DrawText{"Cancel", 872, 607, 16, 300},
        DrawText{"Save", 934, 607, 16, 300},
        DrawPicture{"itemBK.png", 19, 110},
    };
    ASSERT_GE(dl.size(), head.size());
    EXPECT_TRUE(std::equal(head.begin(), head.end(), dl.ops().begin()));

    // DIY painting: lit keys in blue with their label in magenta, then the key under the pointer.
    pickEffectRow(13);  // DIY1
    click(940, 10);  // and the help panel
    const KeyRect& f1Rect = keyboardLayout(KeyboardModel::FullSize)[1].rect;
    window->move(kKeyboardPictureX + f1Rect.left + f1Rect.width() / 2, kKeyboardPictureY + f1Rect.top + f1Rect.height() / 2,
                 false);
    dl = compose();
    const KeyCap& esc = keyboardLayout(KeyboardModel::FullSize)[0];
    const KeyRect& f1 = keyboardLayout(KeyboardModel::FullSize)[1].rect;
    const std::vector<DrawOp> diy = {
        DrawPicture{"kb_BK.png", 275, 85},
        DrawFill{358, 198, 23, 24, Colour{0, 0, 255}},
        DrawText{"Esc", kKeyboardPictureX + esc.labelX, kKeyboardPictureY + esc.labelY, 10, 400, Colour{255, 0, 255}},
        DrawPicturePart{"kb_hl.png", f1.left, f1.top, f1.width(), f1.height(), 275 + f1.left, 85 + f1.top},
        DrawText{"Click a key to change what it does   \u00b7   Pick DIY1 \u2013 DIY5 and \"DIY\" to paint the lighting", 275,
                 560, 12, 400, Colour{0x7c, 0x7c, 0x85}, 720},
        DrawPicture{"button-cancel-normal.png", 800, 600},
    };
    EXPECT_TRUE(std::equal(diy.begin(), diy.end(), dl.ops().begin() + 5));
    // The help panel comes last, after the panel and its sliders.
    const std::vector<DrawOp> tail = {
        PlaceSlider{kReportRateSlider, 28, 508, false, std::clamp<int>(image().reportRateStep, 0, 3)},
        DrawPicture{"HelpWindow.png", 830, 22},
        DrawText{"www.morvane.example", 850, 25, 15},
        DrawText{"Update Firmware", 850, 50, 15},
        DrawText{"Ver: 1.4", 850, 75, 15},
        DrawText{"Language: English", 850, 100, 15},
        DrawText{"Undo last Save", 850, 125, 15},
    };
    EXPECT_TRUE(std::equal(tail.begin(), tail.end(), dl.ops().end() - 7));
}

TEST_F(MainWindowTest, PicturesAndTextsFollowModelAndLanguage) {
    start("sim:" + (folder / "kb.bin").string() + ",model=87", kLanguageChinese);
    window->move(kEscX, kEscY + 10, false);  // Esc sits lower on the 87-key board
    DrawList dl = compose();
    EXPECT_EQ(dl.ops()[5], DrawOp{(DrawPicture{"kb_BK_87.png", 275, 85})});
    EXPECT_EQ(dl.ops()[6], DrawOp{(DrawPicturePart{"kb_hl_87.png", 77, 119, 28, 28, 352, 204})});
    EXPECT_EQ(dl.ops()[12], DrawOp{(DrawText{"配置", 45, 610, 16, 300})});

    // No keyboard: no picture, no key and no hint; one notice in the
    // window's language says so and what to do.
    start("none", kLanguageChinese);
    dl = compose();
    EXPECT_EQ(dl.ops()[5],
              DrawOp{(DrawText{"未检测到游戏键盘！", 275, 280, 24, 600, Colour{0xc8, 0x23, 0x2c}, 720})});
    EXPECT_EQ(dl.ops()[6], DrawOp{(DrawText{"请插入键盘，插入后会自动显示在这里。", 275, 330, 15, 400,
                                            Colour{0xb0, 0xb0, 0xb8}, 720})});
    EXPECT_EQ(dl.ops()[7], DrawOp{(DrawPicture{"button-cancel-normal.png", 800, 600})});
    // A keyboard that is there but cannot be opened says so instead.
    start("sim:" + (folder / "no-such-folder" / "kb.bin").string());
    ASSERT_FALSE(session->connected());
    dl = compose();
    EXPECT_EQ(dl.ops()[6], DrawOp{(DrawText{"The keyboard is attached but cannot be opened.", 275, 330, 15, 400,
                                            Colour{0xb0, 0xb0, 0xb8}, 720})});
    EXPECT_EQ(window->keyAt(kEscX, kEscY), 255);
}

TEST_F(MainWindowTest, CancelAndCloseActOnTheSessionAndWaitWhileBusy) {
    session->setGameMode(true);
    session->beginSave([](Outcome) {});
    ASSERT_TRUE(session->busy());
    const std::pair<int, int> edits[] = {{950, 620}, {880, 620}, {985, 12}, {50, 620}, {820, 620}, {kEscX, kEscY}};
    for (const auto& [x, y] : edits) {
        const ClickOutcome c = click(x, y);
        EXPECT_TRUE(c.refused) << x << "," << y;
        EXPECT_EQ(c.action, WindowAction::None);
    }
    click(940, 10);
    EXPECT_TRUE(click(900, 50).refused);  // the updater
    EXPECT_EQ(click(965, 12).action, WindowAction::Minimize);
    session->waitIdle();

    // Cancel throws the edits away itself; the view only hides the window.
    pickEffectRow(2);
    EXPECT_EQ(click(880, 620).action, WindowAction::Cancel);
    EXPECT_EQ(image(), session->shadowImage());
    // Close writes the shadow state, not the edits (once they are discarded).
    session->setWinLock(true);
    EXPECT_EQ(click(985, 12).action, WindowAction::AskSaveBeforeClose);
    EXPECT_EQ(window->answerClose(CloseAnswer::Discard).action, WindowAction::Close);
    std::array<std::uint8_t, kImageSize> stored{};
    ASSERT_TRUE(readFilePrefix(folder / "keymap.bin", stored));
    EXPECT_TRUE(std::equal(stored.begin(), stored.end(), session->shadowImage().bytes()));
}

TEST_F(MainWindowTest, TheCloseBoxAsksOverUnsavedEditsAndEachAnswerKeepsItsWord) {
    EXPECT_EQ(click(985, 12).action, WindowAction::Close) << "nothing unsaved: no question";

    session->setWinLock(true);
    const DeviceImage edited = image();
    EXPECT_EQ(click(985, 12).action, WindowAction::AskSaveBeforeClose);
    EXPECT_EQ(window->answerClose(CloseAnswer::Cancel).action, WindowAction::None);
    EXPECT_EQ(image(), edited) << "Cancel keeps the edits";

    // Save closes only once the keyboard took the edits.
    EXPECT_EQ(window->answerClose(CloseAnswer::Save).action, WindowAction::SaveThenClose);
    EXPECT_EQ(window->closeAfterSave(Outcome::failure("not taken")).action, WindowAction::None);
    EXPECT_EQ(image(), edited);
    ASSERT_TRUE(session->save());
    EXPECT_EQ(window->closeAfterSave(Outcome{}).action, WindowAction::Close);

    // Discard returns everything to the last Save, and the file follows.
    ASSERT_TRUE(addMacro(*session, {0x41}));
    session->setGameMode(true);
    ASSERT_TRUE(session->hasUnsavedEdits());
    EXPECT_EQ(window->answerClose(CloseAnswer::Discard).action, WindowAction::Close);
    EXPECT_FALSE(session->hasUnsavedEdits());
    EXPECT_EQ(image(), session->shadowImage());
    std::array<std::uint8_t, kImageSize> stored{};
    ASSERT_TRUE(readFilePrefix(folder / "keymap.bin", stored));
    EXPECT_TRUE(std::equal(stored.begin(), stored.end(), session->shadowImage().bytes()));
    MacroTable macros{};
    ASSERT_TRUE(LoadMacroStore(folder.path(), macros));
    EXPECT_EQ(macros, session->storedMacros());
}

TEST_F(MainWindowTest, SaveWithoutAKeyboardNeverSaysSaved) {
    start("none");
    ClickOutcome nothing = click(950, 620);
    EXPECT_EQ(nothing.action, WindowAction::None);
    EXPECT_EQ(nothing.flash, Text::NothingToSave);
    EXPECT_TRUE(nothing.problem.empty());

    session->setWinLock(true);
    const ClickOutcome failed = click(950, 620);
    EXPECT_EQ(failed.action, WindowAction::None);
    EXPECT_EQ(failed.flash, Text::SaveFailed);
    EXPECT_NE(failed.problem.find("not written"), std::string::npos) << failed.problem;
    EXPECT_TRUE(session->hasUnsavedEdits()) << "the edits wait for a keyboard";

    // The close box's Save fails the same way and the window stays open.
    EXPECT_EQ(click(985, 12).action, WindowAction::AskSaveBeforeClose);
    const ClickOutcome answered = window->answerClose(CloseAnswer::Save);
    EXPECT_EQ(answered.action, WindowAction::None);
    EXPECT_EQ(answered.flash, Text::SaveFailed);
}

TEST(MainWindowTexts, QuestionsInBothLanguages) {
    EXPECT_EQ(factoryResetQuestion(kLanguageEnglish), (Question{"Confirm to return Factory Setting?", "Factory Setting"}));
    EXPECT_EQ(factoryResetQuestion(kLanguageChinese), (Question{"确认恢复至出厂设置吗？", "出厂设置"}));
    EXPECT_EQ(saveBeforeCloseQuestion(kLanguageEnglish).text, "Save the changes before closing?");
    EXPECT_EQ(saveBeforeCloseQuestion(kLanguageChinese).text, "关闭前保存更改吗？");
    EXPECT_EQ(updateQuestion(UpdateOffer::NewerMajor, kLanguageEnglish),
              (Question{"Update new firmware\xEF\xBC\x9F", "Firmware Update"}));
    EXPECT_EQ(updateQuestion(UpdateOffer::NewerMinor, kLanguageEnglish)->text, "Update new firmware?");
    EXPECT_EQ(updateQuestion(UpdateOffer::NewerMinor, kLanguageChinese), (Question{"更新到新的固件吗？", "固件更新"}));
    EXPECT_FALSE(updateQuestion(UpdateOffer::None, kLanguageEnglish));
    // Asked after a read, it says which versions it means.
    EXPECT_EQ(updateQuestion(UpdateOffer::NewerMinor, kLanguageChinese, std::pair{FirmwareVersion{1, 4}, FirmwareVersion{1, 6}})->text,
              "更新到新的固件吗？\n键盘固件：1.4\n更新程序固件：1.6");
}

}  // namespace
}  // namespace morvane
