// The macro manager window's model: what it paints, how the pointer lights
// and drags, what clicks and menu commands do, and the stores after OK.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "app/dialogs/macro_record_model.h"
#include "session/session.h"
#include "base/lighting.h"
#include "sim_session.h"
#include "temp_folder.h"

namespace morvane {
namespace {

const DrawText* findText(const DrawList& list, const std::string& text) {
    for (const DrawOp& op : list.ops())
        if (const auto* t = std::get_if<DrawText>(&op); t && t->text == text) return t;
    return nullptr;
}

// The index of the picture `file` drawn at (x, y), -1 when it is not drawn there.
int pictureAt(const DrawList& list, const std::string& file, int x, int y) {
    for (std::size_t i = 0; i < list.size(); ++i)
        if (const auto* p = std::get_if<DrawPicture>(&list.ops()[i]); p && p->file == file && p->x == x && p->y == y)
            return static_cast<int>(i);
    return -1;
}

class MacroManagerModelTest : public ::testing::Test {
protected:
    DrawList composed() const {
        DrawList list;
        model.compose(list);
        return list;
    }
    VirtualClock clock;
    KeyHookRelay hook;
    MacroManagerModel model{clock, hook, kLanguageEnglish};
    MacroTable stored{};
};

TEST_F(MacroManagerModelTest, PaintsTheSkinWithReadableLabelsInEitherLanguage) {
    model.open(stored);
    DrawList list = composed();
    EXPECT_EQ(pictureAt(list, "MacroManagement/MacroManagement.png", 0, 0), 0);
    const DrawText* record = findText(list, "Start Recording");
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->x, 291);
    EXPECT_EQ(record->colour, kManagerText);  // near-white on the charcoal plate
    ASSERT_NE(findText(list, "keystrokes"), nullptr);
    EXPECT_EQ(findText(list, "keystrokes")->y, 183);

    // Every label comes after the button picture it sits on.
    const int newButton = pictureAt(list, "MacroManagement/button-new-normal.png", 20, 368);
    const int recordButton = pictureAt(list, "MacroManagement/Record-normal.png", 290, 100);
    ASSERT_GE(newButton, 0);
    ASSERT_GE(recordButton, 0);
    for (std::size_t i = 0; i < list.size(); ++i)
        if (std::holds_alternative<DrawText>(list.ops()[i])) {
            EXPECT_GT(static_cast<int>(i), newButton);
            EXPECT_GT(static_cast<int>(i), recordButton);
        }

    MacroManagerModel zh(clock, hook, kLanguageChinese);
    zh.open(stored);
    DrawList zhList;
    zh.compose(zhList);
    ASSERT_NE(findText(zhList, "开始录制"), nullptr);
    EXPECT_EQ(findText(zhList, "开始录制")->x, 310);
    ASSERT_NE(findText(zhList, "删除"), nullptr);
    EXPECT_EQ(findText(zhList, "删除")->x, 95);
    ASSERT_NE(findText(zhList, "动作间的"), nullptr);
    EXPECT_EQ(findText(zhList, "动作间的")->y, 170);
    EXPECT_EQ(findText(zhList, "Macro Manager"), nullptr);
}

TEST_F(MacroManagerModelTest, TicksAndRecordLabelFollowTheState) {
    model.open(stored);
    model.editor().newMacro();
    EXPECT_GE(pictureAt(composed(), "MacroManagement/Pane.png", 368, 168), 0);
    EXPECT_GE(pictureAt(composed(), "MacroManagement/Pane.png", 296, 315), 0);

    model.release(375, 175);  // Record Delay
    model.release(300, 320);  // Number of Loops
    EXPECT_TRUE(model.editor().recordDelay());
    EXPECT_TRUE(model.editor().loopsEnabled());
    EXPECT_GE(pictureAt(composed(), "MacroManagement/PaneMakingTick.png", 368, 168), 0);
    EXPECT_GE(pictureAt(composed(), "MacroManagement/PaneMakingTick.png", 296, 315), 0);

    EXPECT_EQ(model.release(334, 112).action, ManagerAction::None);
    EXPECT_TRUE(model.editor().recording());
    EXPECT_NE(findText(composed(), "Stop Recording"), nullptr);
    model.release(334, 112);
    EXPECT_NE(findText(composed(), "Start Recording"), nullptr);
}

TEST_F(MacroManagerModelTest, PointerLightsButtonsButNotTicks) {
    model.open(stored);
    EXPECT_TRUE(model.move(48, 380, false).repaint);  // New
    EXPECT_TRUE(model.lit(kButtonNew));
    EXPECT_GE(pictureAt(composed(), "MacroManagement/button-new-over.png", 20, 368), 0);
    EXPECT_FALSE(model.move(50, 381, false).repaint);  // still New

    EXPECT_TRUE(model.move(334, 112, false).repaint);  // Record
    EXPECT_TRUE(model.lit(kButtonRecord));
    EXPECT_FALSE(model.lit(kButtonNew));
    EXPECT_FALSE(model.move(375, 175, false).repaint);  // a tick changes no look
    EXPECT_EQ(model.hoveredButton(), kButtonRecordDelay);

    EXPECT_TRUE(model.move(200, 30, false).repaint);  // free spot
    for (int b = kButtonRecord; b <= kButtonCancel; ++b) EXPECT_FALSE(model.lit(b));
    model.move(310, 410, false);  // OK
    EXPECT_TRUE(model.pointerLeft());
    EXPECT_FALSE(model.lit(kButtonOk));
    EXPECT_FALSE(model.pointerLeft());
}

TEST_F(MacroManagerModelTest, OnlyAPressOnAFreeSpotDragsAndItsReleaseIsNoClick) {
    model.open(stored);
    // Moving over free spots without a button held never drags.
    EXPECT_FALSE(model.move(200, 20, false).startDrag);
    EXPECT_FALSE(model.move(201, 21, false).startDrag);

    model.press(200, 20);
    EXPECT_TRUE(model.move(205, 22, true).startDrag);
    EXPECT_FALSE(model.move(48, 380, true).startDrag);  // once per press
    EXPECT_EQ(model.release(48, 380).action, ManagerAction::None);
    EXPECT_TRUE(model.editor().names().empty());  // New did not run

    // A press on a button never drags, even when the pointer leaves it.
    model.press(48, 380);
    EXPECT_FALSE(model.move(200, 20, true).startDrag);
    model.release(48, 380);
    EXPECT_EQ(model.editor().names().size(), 1u);
}

TEST_F(MacroManagerModelTest, MenuHoldsEveryCommandAndRunsIt) {
    const auto en = eventsMenu(kLanguageEnglish);
    ASSERT_EQ(en.size(), 5u);
    EXPECT_EQ(en[0].id, macro_menu::InsertBefore);
    EXPECT_EQ(en[2].text, "Insert Mouse Key");
    ASSERT_EQ(en[2].children.size(), 3u);
    EXPECT_EQ(en[2].children[1].text, "Right");
    EXPECT_EQ(en[2].children[1].children[2].id, macro_menu::RightClick);
    EXPECT_EQ(en[4].id, macro_menu::Delete);
    const auto zh = eventsMenu(kLanguageChinese);
    EXPECT_EQ(zh[2].children[2].text, "中键");
    EXPECT_EQ(zh[2].children[0].children[0].text, "压下");

    model.open(stored);
    model.editor().newMacro();
    ASSERT_TRUE(model.editor().replaceEvents({MacroEvent{0x41, kActionPress, {1, 0}}, MacroEvent{0x41, kActionRelease, {1, 0}}}));
    model.editor().selectRow(1);  // the click goes before the selected event
    EXPECT_EQ(model.menuCommand(macro_menu::RightClick), MacroNotice::None);
    EXPECT_EQ(model.editor().rows(), (std::vector<std::string>{eventRowText(0x41, false), eventRowText(kMouseRight, false),
                                                               eventRowText(kMouseRight, true), eventRowText(0x41, true)}));
    model.editor().selectRow(1);
    EXPECT_EQ(model.menuCommand(macro_menu::Delete), MacroNotice::None);
    EXPECT_EQ(model.editor().rows().size(), 3u);
    EXPECT_EQ(model.menuCommand(12345), MacroNotice::None);
}

// Two stored macros; Tab and Q play the second, Esc the first.
class DeleteQuestionTest : public ::testing::Test {
protected:
    void SetUp() override {
        session = startSimKeyboardSession(folder.path());
        ASSERT_NE(session, nullptr);
        ASSERT_TRUE(addMacro(*session, {0x41}));
        ASSERT_TRUE(addMacro(*session, {0x42}));
        for (const auto& [vk, slot] : {std::pair{0x09, 1}, std::pair{0x51, 1}, std::pair{0x1B, 0}})
            ASSERT_TRUE(assignMacroToKey(*session, static_cast<std::uint8_t>(vk), slot));
    }
    test::TempFolder folder;
    std::unique_ptr<Session> session;
    VirtualClock clock;
    KeyHookRelay hook;
};

TEST_F(DeleteQuestionTest, NamesTheKeysThatPlayTheMacroInEitherLanguage) {
    MacroManagerModel model{clock, hook, kLanguageEnglish};
    model.open(session->storedMacros());
    model.editor().selectMacro(1);
    EXPECT_STREQ(model.deleteQuestion(*session).text, "Confirm to delete?\nThese keys get their own function back: Tab, Q");
    EXPECT_STREQ(model.deleteQuestion(*session).caption, "Macro Manager");
    model.editor().selectMacro(0);
    EXPECT_STREQ(model.deleteQuestion(*session).text, "Confirm to delete?\nThese keys get their own function back: Esc");

    MacroManagerModel chinese{clock, hook, kLanguageChinese};
    chinese.open(session->storedMacros());
    chinese.editor().selectMacro(1);
    EXPECT_STREQ(chinese.deleteQuestion(*session).text, "确认删除吗？\n这些按键将恢复默认功能：Tab, Q");
}

TEST_F(DeleteQuestionTest, FollowsTheMacroWhereItMovedAndAsksPlainlyForANewOne) {
    MacroManagerModel model{clock, hook, kLanguageEnglish};
    model.open(session->storedMacros());
    // The first macro deleted in this sitting: the second now stands first.
    model.editor().selectMacro(0);
    ASSERT_EQ(model.confirmDelete(), MacroNotice::None);
    model.editor().selectMacro(0);
    EXPECT_STREQ(model.deleteQuestion(*session).text, "Confirm to delete?\nThese keys get their own function back: Tab, Q");

    ASSERT_TRUE(model.editor().newMacro());  // never stored, so no key plays it
    EXPECT_STREQ(model.deleteQuestion(*session).text, "Confirm to delete?");
}

}  // namespace
}  // namespace morvane
