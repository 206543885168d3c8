// The hook relay and the recorder, driven by a test key source on a virtual
// clock: measured delays, the 60 s cap, 0 ms, no-delay mode, held keys, and
// the limits of a sequence.
#include <gtest/gtest.h>

#include "macro/macro_editor.h"

namespace morvane {
namespace {

struct Target final : KeyHookTarget {
    std::vector<std::pair<int, bool>> got;
    void onHookKey(std::uint8_t vk, bool released) override { got.emplace_back(vk, released); }
};

TEST(KeyHook, ModesDecideWhatReachesTheTarget) {
    KeyHookRelay hook;
    Target t;
    EXPECT_FALSE(hook.installhook(t, 7));
    for (int mode : {kHookModeStrokes, kHookModePressRelease}) {
        ASSERT_TRUE(hook.installhook(t, mode));
        hook.keyEvent(0x41, false);
        hook.keyEvent(0x41, false, true);  // a held key repeats
        hook.keyEvent(0x41, true);
    }
    hook.removehook();
    hook.keyEvent(0x42, false);
    // Mode 0: one report per stroke; mode 1: every press and release.
    EXPECT_EQ(t.got, (std::vector<std::pair<int, bool>>{{0x41, false}, {0x41, false}, {0x41, false}, {0x41, true}}));
}

class Recorder : public ::testing::Test {
protected:
    void SetUp() override {
        editor.open(MacroTable{});
        editor.newMacro();
    }
    void key(std::uint8_t vk, bool released, std::int64_t afterMicros = 0, bool repeat = false) {
        clock.advanceMicros(afterMicros);
        hook.keyEvent(vk, released, repeat);
    }
    const MacroSlot& slot() const { return editor.workingMacros()[editor.selectedMacro()]; }
    std::vector<int> delays() const {
        std::vector<int> out;
        for (int i = 0; i < slot().eventCount(); ++i) {
            EXPECT_EQ(slot().deviceEvents[i].delay(), slot().displayEvents[i].delay());
            out.push_back(slot().displayEvents[i].delay());
        }
        return out;
    }
    void typeSequence() {
        key(0x41, false, 5'000'000);  // the first event never has a delay
        key(0x42, false, 250'400);    // 250.4 ms
        key(0x41, true, 75'000'000);  // 75 s
        key(0x42, true, 400);         // within one millisecond
    }

    VirtualClock clock;
    KeyHookRelay hook;
    MacroEditor editor{clock, hook};
};

TEST_F(Recorder, DelaysAreMeasuredCappedAndShownOnlyWithRecordDelay) {
    ASSERT_EQ(editor.pressRecord(), MacroNotice::None);
    EXPECT_TRUE(hook.installed());
    typeSequence();
    EXPECT_EQ(delays(), (std::vector<int>{1, 1, 1, 1}));
    EXPECT_EQ(editor.rows(), (std::vector<std::string>{"A  dn", "B  dn", "A  up", "B  up"}));

    editor.toggleRecordDelay();
    editor.pressRecord();  // stop
    editor.pressRecord();  // and record again
    typeSequence();
    EXPECT_EQ(delays(), (std::vector<int>{1, 250, 60000, 0}));
    EXPECT_EQ(editor.rows(), (std::vector<std::string>{"A  dn", "250 ms", "B  dn", "60000 ms", "A  up", "0 ms", "B  up"}));
    EXPECT_EQ(slot().deviceEvents[2], (MacroEvent{0x04, kActionRelease, {0x60, 0xEA}}));
    EXPECT_EQ(slot().displayEvents[3].code, 0x42);
    EXPECT_EQ(slot().deviceEvents[3].code, 0x05);
    EXPECT_EQ(slot().delayMode, 1);
}

TEST_F(Recorder, HeldKeyGivesOnePressAndEnterIsJustAKey) {
    editor.pressRecord();
    key(0x0D, false);
    for (int i = 0; i < 5; ++i) key(0x0D, false, 30'000, true);
    key(0x0D, true, 30'000);
    key(0x7C, false);  // F13: the keyboard has no code for it
    key(0x7C, true);
    ASSERT_EQ(slot().eventCount(), 2);
    EXPECT_EQ(slot().deviceEvents[0].code, 0x28);
    EXPECT_EQ(editor.rows(), (std::vector<std::string>{"Enter  dn", "Enter  up"}));

    // Stopping gives the hook back; keys then change nothing.
    editor.pressRecord();
    EXPECT_FALSE(hook.installed());
    key(0x41, false);
    EXPECT_EQ(slot().eventCount(), 2);
    // Starting and stopping at once leaves the macro empty.
    editor.pressRecord();
    editor.pressRecord();
    EXPECT_EQ(slot().eventCount(), 0);
    EXPECT_TRUE(editor.rows().empty());
}

// Every key goes into a recording, so the keyboard's way to stop it is Escape
// held down: a short Escape is a key like any other.
TEST_F(Recorder, EscapeHeldStopsTheRecordingAndIsNotKept) {
    editor.toggleRecordDelay();
    editor.pressRecord();
    key(0x41, false);
    key(0x41, true, 20'000);
    key(0x1B, false, 100'000);
    for (int i = 0; i < 9; ++i) key(0x1B, false, 50'000, true);  // held 0.45 s: still a tap
    key(0x1B, true, 50'000);
    ASSERT_TRUE(editor.recording());
    key(0x1B, false, 300'000);
    for (int i = 0; i < 19; ++i) key(0x1B, false, 50'000, true);  // 0.95 s
    ASSERT_TRUE(editor.recording());
    key(0x1B, false, 50'000, true);  // 1 s
    EXPECT_FALSE(editor.recording());
    EXPECT_FALSE(hook.installed());
    key(0x1B, true, 10'000);
    EXPECT_EQ(editor.rows(),
              (std::vector<std::string>{"A  dn", "20 ms", "A  up", "100 ms", "Esc  dn", "500 ms", "Esc  up"}));
    EXPECT_EQ(slot().eventCount(), 4);
    EXPECT_EQ(slot().displayEvents[4], MacroEvent{});
}

TEST_F(Recorder, PressLimitThenReleasesUpToTheEndOfTheSequence) {
    editor.pressRecord();
    for (int i = 0; i < 23; ++i) {
        key(0x41 + i, false);
        key(0x41 + i, true);
    }
    ASSERT_EQ(slot().eventCount(), 46);
    key(0x5A, false);  // 47th event: a press, dropped
    EXPECT_EQ(slot().eventCount(), 46);
    key(0x31, true);  // releases still go in
    EXPECT_EQ(slot().eventCount(), 47);
    // An 8-bit offset would wrap after 63 events and overwrite the start;
    // the sequence simply ends at 127.
    for (int i = 0; i < 200; ++i) key(i % 2 ? 0x32 : 0x33, true);
    EXPECT_EQ(slot().eventCount(), kMacroEventCount);
    EXPECT_EQ(slot().displayEvents[0], (MacroEvent{0x41, kActionPress, {1, 0}}));
    EXPECT_EQ(slot().displayEvents[126].action, kActionRelease);
    EXPECT_EQ(slot().tail, (std::array<std::uint8_t, 3>{}));
}

}  // namespace
}  // namespace morvane
