// The macro manager's operations and what each leaves in the working copy,
// in the buffers the list shows, and in the stored macros after OK/Cancel.
#include <gtest/gtest.h>

#include "macro/macro_editor.h"

namespace morvane {
namespace {

MacroEvent ev(std::uint8_t code, std::uint8_t action, std::uint16_t delay = 1) {
    MacroEvent e{code, action, {}};
    e.setDelay(delay);
    return e;
}
constexpr std::uint8_t dn = kActionPress, up = kActionRelease;

class Editor : public ::testing::Test {
protected:
    // Slot k named "mk" with events shown as given.
    void store(int k, std::vector<MacroEvent> shown, int loops = 1) {
        MacroSlot& s = stored[k];
        s.setName(u"m" + std::u16string(1, char16_t(u'0' + k)));
        s.loopCount = loops;
        for (std::size_t i = 0; i < shown.size(); ++i) {
            s.displayEvents[i] = shown[i];
            s.deviceEvents[i] = deviceEventOf(shown[i]);
        }
    }
    const MacroSlot& working(int k) const { return editor.workingMacros()[k]; }

    VirtualClock clock;
    KeyHookRelay hook;
    MacroEditor editor{clock, hook};
    MacroTable stored{};
};

TEST_F(Editor, NewAndDeleteKeepNamesAndSlotsInStep) {
    editor.open(stored);
    EXPECT_EQ(editor.pressRecord(), MacroNotice::SelectMacroToRecord);
    EXPECT_EQ(editor.deleteMacro(), MacroNotice::SelectMacroToDelete);
    ASSERT_TRUE(editor.newMacro() && editor.newMacro());
    EXPECT_EQ(editor.names(), (std::vector<std::u16string>{u"Macro_001", u"Macro_002"}));
    editor.selectMacro(0);
    editor.deleteMacro();
    ASSERT_TRUE(editor.newMacro());
    EXPECT_EQ(working(1).nameText(), u"Macro_001");  // the lowest free number
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(editor.newMacro());
    EXPECT_FALSE(editor.newMacro());  // five is the most

    // Deleting the middle one of three moves the third down and selects it.
    store(0, {ev(0x41, dn)});
    store(1, {ev(0x42, dn)});
    store(2, {ev(0x43, dn), ev(0x43, up, 70)}, 5);
    editor.open(stored);
    editor.selectMacro(1);
    editor.deleteMacro();
    EXPECT_EQ(working(1), stored[2]);
    EXPECT_EQ(working(2), MacroSlot{});
    EXPECT_EQ(editor.selectedMacro(), 1);
    EXPECT_EQ(editor.rows(), (std::vector<std::string>{"C  dn", "70 ms", "C  up"}));
    EXPECT_EQ(editor.loopText(), "5");
    // Deleting the only macro leaves nothing selected.
    editor.selectMacro(0);
    editor.deleteMacro();
    editor.deleteMacro();
    EXPECT_EQ(editor.selectedMacro(), -1);
    EXPECT_TRUE(editor.names().empty() && editor.rows().empty());
}

TEST_F(Editor, OkCancelRenameLoopsAndDelayMode) {
    store(0, {ev(0x41, dn)});
    store(1, {ev(0x42, dn)}, 0);
    const MacroTable before = stored;
    editor.open(stored);
    editor.newMacro();
    editor.cancel();
    EXPECT_EQ(stored, before);

    editor.open(stored);
    EXPECT_FALSE(editor.renameMacro(0, u""));  // would free a slot in the middle
    EXPECT_FALSE(editor.renameMacro(0, std::u16string(256, u'n')));
    EXPECT_FALSE(editor.renameMacro(0, u"two\nlines"));  // a name is one line of text
    EXPECT_FALSE(editor.renameMacro(0, std::u16string(1, char16_t(0xD800))));  // half a surrogate pair
    ASSERT_TRUE(editor.renameMacro(0, std::u16string(255, u'n')));
    editor.timerTick();  // the 1 s copy from the list into the slots
    EXPECT_EQ(working(0).nameText().size(), 255u);
    ASSERT_TRUE(editor.renameMacro(0, u"fresh"));
    editor.toggleRecordDelay();  // no slot save follows before OK
    editor.selectMacro(1);       // loop count 0 is shown as 1, unticked
    EXPECT_EQ(editor.loopText(), "1");
    EXPECT_FALSE(editor.loopsEnabled());
    EXPECT_FALSE(editor.setLoopText("9"));
    editor.toggleLoops();
    EXPECT_FALSE(editor.setLoopText("1000"));
    ASSERT_TRUE(editor.setLoopText("25"));
    EXPECT_EQ(working(1).loopCount, 25);
    editor.ok(stored);
    // The rename of less than a second ago and the tick are both kept.
    EXPECT_EQ(stored[0].nameText(), u"fresh");
    EXPECT_EQ(stored[0].delayMode, 1);
    EXPECT_EQ(stored[1].loopCount, 25);
    EXPECT_EQ(stored[1].deviceEvents, before[1].deviceEvents);
}

TEST_F(Editor, RowCommandsOnDelaysEventsAndMouseButtons) {
    // Rows: 0 "A  dn", 1 "120 ms", 2 "A  up", 3 "B  dn", 4 "B  up"
    store(0, {ev(0x41, dn), ev(0x41, up, 120), ev(0x42, dn), ev(0x42, up)});
    editor.open(stored);
    const auto rowsBefore = editor.rows();
    editor.selectRow(0);
    EXPECT_EQ(editor.insertDelay(), MacroNotice::None);  // the first event never waits
    EXPECT_EQ(editor.rows(), rowsBefore);
    editor.selectRow(1);
    EXPECT_EQ(editor.insertDelay(), MacroNotice::EditCurrentDelay);
    editor.selectRow(3);
    editor.insertDelay();
    EXPECT_EQ(editor.rows(), (std::vector<std::string>{"A  dn", "120 ms", "A  up", "50 ms", "B  dn", "B  up"}));
    editor.delayEdited(3, 75000);  // the list keeps delays in 2..60000
    EXPECT_EQ(working(0).displayEvents[2].delay(), 60000);
    editor.selectRow(1);
    editor.deleteRow();  // a delay row: the event stays, its delay goes
    EXPECT_EQ(editor.rows(), (std::vector<std::string>{"A  dn", "A  up", "60000 ms", "B  dn", "B  up"}));
    editor.selectRow(1);
    editor.deleteRow();
    EXPECT_EQ(editor.rows(), (std::vector<std::string>{"A  dn", "60000 ms", "B  dn", "B  up"}));

    // A click goes in before the selected event; its press first.
    editor.selectRow(1);
    EXPECT_EQ(editor.insertMouse(MouseButton::Left, MouseAction::Click), MacroNotice::None);
    EXPECT_EQ(editor.rows(), (std::vector<std::string>{"A  dn", "MsLB dn", "MsLB up", "60000 ms", "B  dn", "B  up"}));
    editor.selectRow(5);
    editor.insertMouse(MouseButton::Middle, MouseAction::Up);
    EXPECT_EQ(working(0).deviceEvents[4], (MacroEvent{kMouseMiddle, up, {1, 0}}));
    EXPECT_EQ(working(0).eventCount(), 6);
}

TEST_F(Editor, KeyInsertionNeedsARowAndRoom) {
    store(0, {ev(0x41, dn), ev(0x41, up, 120)});
    editor.open(stored);
    EXPECT_EQ(editor.insertBefore(), MacroNotice::None);  // no row selected
    EXPECT_FALSE(editor.insertMode());
    hook.keyEvent(0x43, false);
    EXPECT_EQ(editor.workingMacros(), stored);

    editor.selectRow(2);  // "A  up": goes in above its delay row
    ASSERT_EQ(editor.insertBefore(), MacroNotice::None);
    EXPECT_EQ(editor.insertRow(), 1);
    ASSERT_TRUE(hook.installed());
    hook.keyEvent(0xA0, false);
    hook.keyEvent(0xA0, false, true);  // repeats are inserted too
    hook.keyEvent(0xA0, true);
    EXPECT_FALSE(editor.insertMode());
    EXPECT_FALSE(hook.installed());
    EXPECT_EQ(editor.rows(),
              (std::vector<std::string>{"A  dn", "LShift  dn", "LShift  dn", "LShift  up", "120 ms", "A  up"}));
    EXPECT_EQ(working(0).deviceEvents[1], (MacroEvent{0xE1, dn, {1, 0}}));
    EXPECT_EQ(working(0).displayEvents[3], (MacroEvent{0xA0, up, {1, 0}}));
    EXPECT_EQ(working(0).deviceEvents[4], (MacroEvent{0x04, up, {120, 0}}));

    editor.selectRow(static_cast<int>(editor.rows().size()) - 1);
    editor.insertAfter();  // after the last row: at the end
    hook.keyEvent(0x44, false);
    hook.keyEvent(0x44, true);
    EXPECT_EQ(editor.rows().back(), "D  up");
    // Ended by another command, the insertion gives the hook back: later keys
    // are neither inserted nor recorded.
    editor.selectRow(0);
    editor.insertBefore();
    editor.insertDelay();
    EXPECT_FALSE(hook.installed());
    const MacroTable now = editor.workingMacros();
    hook.keyEvent(0x45, false);
    EXPECT_EQ(editor.workingMacros(), now);

    // A press and its release must both fit.
    std::vector<MacroEvent> many(kMacroEventCount - 1, ev(0x46, dn));
    ASSERT_TRUE(editor.replaceEvents(many));
    editor.selectRow(0);
    EXPECT_EQ(editor.insertBefore(), MacroNotice::MacroFull);
    EXPECT_EQ(editor.insertMouse(MouseButton::Right, MouseAction::Click), MacroNotice::MacroFull);
    EXPECT_EQ(editor.insertMouse(MouseButton::Right, MouseAction::Down), MacroNotice::None);
    editor.selectRow(0);
    EXPECT_EQ(editor.insertMouse(MouseButton::Right, MouseAction::Up), MacroNotice::MacroFull);
    EXPECT_EQ(working(0).eventCount(), kMacroEventCount);
}

}  // namespace
}  // namespace morvane
