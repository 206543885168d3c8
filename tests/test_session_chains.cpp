// Short chains of operations that once lost or misstated the user's data,
// each kept as found (most of them by the random sequences).
#include <gtest/gtest.h>

#include "base/key_names.h"
#include "config/profile_files.h"
#include "config/profile_manager.h"
#include "config/switch_rules.h"
#include "platform/file_io.h"
#include "tests/sim_session.h"
#include "temp_folder.h"

namespace morvane {
namespace {

namespace fs = std::filesystem;

class SessionChains : public ::testing::Test {
protected:
    SessionChains() { fs::create_directories(folder / "Configure"); }

    SimSession start(const std::string& extra = "") {
        SessionOptions o;
        o.programFolder = folder.path();
        o.device = "sim:" + (folder / "kb.bin").string() + extra;
        SimSession s = makeSimSession(o);
        s->setSettings(&settings);
        EXPECT_TRUE(s->start().ok);
        return s;
    }

    // The profile manager opened, `act` on it, closed (applying with `apply`).
    template <class Act>
    void withManager(const SimSession& s, Act act, bool apply = false) {
        auto m = s->openProfileManager(settings);
        m->open();
        act(*m);
        const bool applied = apply && m->close().ok;
        EXPECT_TRUE(s->closeProfileManager(*m, applied).ok);
    }
    void applyProfile(const SimSession& s, const std::string& name) {
        withManager(s, [&](ProfileManager& m) { m.select(m.rowOf(name)); }, true);
    }
    std::string newProfile(const SimSession& s) {
        std::string name;
        withManager(s, [&](ProfileManager& m) { name = m.newProfile().name; });
        return name;
    }

    test::TempFolder folder;
    IniSettingsStore settings{folder / "settings.ini"};
};

TEST_F(SessionChains, CancelAfterApplyingAProfileReturnsTheMacrosAndTheName) {
    auto s = start();
    ASSERT_TRUE(addMacro(*s, {'A'}).ok);
    ASSERT_TRUE(s->confirmKeyAssignment(41, AssignmentRequest::macro(0)).ok);
    s->setCurrentProfile("Mine.bin");
    ASSERT_TRUE(s->save().ok);
    const std::string blank = newProfile(s);  // a new profile holds no macros

    // An unsaved edit that the profile happens to share must stay unsaved:
    // the keyboard does not hold it.
    s->setGameMode(true);
    applyProfile(s, blank);
    EXPECT_TRUE(s->storedMacros()[0].isFree());
    EXPECT_EQ(s->currentProfile(), blank);
    EXPECT_EQ(s->shadowImage().gameMode, 0);

    ASSERT_TRUE(s->cancel().ok);
    EXPECT_EQ(s->storedMacros()[0].nameText(), u"Macro_001");
    EXPECT_EQ(test::readFile(macroStorePath(folder.path())).substr(0, 2), std::string("M\0", 2));
    EXPECT_EQ(keyEntryOf(s->liveImage(), 41), (KeyEntry{0, 0, 0, EntryMacro}));
    EXPECT_EQ(s->currentProfile(), "Mine");
    EXPECT_EQ(settings.value(kProfileSettingsKey, kCurrentProfileValue), u"Mine.bin");
    EXPECT_FALSE(s->hasUnsavedEdits());
}

TEST_F(SessionChains, KeysFollowTheirMacroWhenSlotsMoveAndLoseADeletedOne) {
    auto s = start();
    ASSERT_TRUE(addMacro(*s, {'A'}).ok);
    ASSERT_TRUE(addMacro(*s, {'B'}).ok);
    ASSERT_TRUE(s->confirmKeyAssignment(41, AssignmentRequest::macro(1)).ok);
    ASSERT_TRUE(s->confirmKeyAssignment(42, AssignmentRequest::macro(0)).ok);
    EXPECT_EQ(s->keysPlayingMacro(0), std::vector<int>{42});

    SystemClock clock;
    KeyHookRelay hook;
    MacroEditor editor(clock, hook);
    editor.open(s->storedMacros());
    editor.selectMacro(0);
    ASSERT_EQ(editor.deleteMacro(), MacroNotice::None);
    EXPECT_EQ(editor.storedSlotOf(0), 1);
    ASSERT_TRUE(s->acceptMacros(editor).ok);

    EXPECT_EQ(keyEntryOf(s->liveImage(), 41), (KeyEntry{0, 0, 0, EntryMacro}));  // Macro_002, now slot 0
    EXPECT_EQ(s->liveRecords()[41].keys[0], 0);
    EXPECT_NE(keyEntryOf(s->liveImage(), 42)[3], EntryMacro);  // its macro is gone: Q again
    EXPECT_EQ(s->liveRecords()[42].kind, 0);
    EXPECT_TRUE(s->keysPlayingMacro(1).empty());
}

TEST_F(SessionChains, WhatTheKeyboardCannotReportStartsAtFactoryValues) {
    {
        auto s = start();
        EXPECT_EQ(s->liveImage().responseTimeStep, 10);
        EXPECT_EQ(s->liveImage().reportRateStep, 2);
        const std::string made = newProfile(s);
        ASSERT_TRUE(s->switchToProfile(settings, made).ok);
        EXPECT_EQ(s.keyboard().memory().responseTimeStep, 10);
    }
    // A store written by an earlier version holds response time 0.
    std::string keymap = test::readFile(keymapPath(folder.path()));
    keymap[offsetof(DeviceImage, responseTimeStep)] = 0;
    ASSERT_TRUE(writeFileAtomic(keymapPath(folder.path()),
                                {std::span(reinterpret_cast<const std::uint8_t*>(keymap.data()), keymap.size())}));
    auto s = start();
    EXPECT_EQ(s->liveImage().responseTimeStep, 10);
    EXPECT_FALSE(s->hasUnsavedEdits());
}

TEST_F(SessionChains, AFactoryResetForgetsEditsOfWhatCannotBeReadAndTheProfileName) {
    auto s = start();
    s->setCurrentProfile("Profile_1.bin");
    s->setWinLock(true);
    ASSERT_TRUE(s->resetToFactory().ok);
    EXPECT_EQ(s->shadowImage().winLock, 0);
    EXPECT_EQ(s->liveImage().winLock, 0);
    EXPECT_EQ(s->currentProfile(), "");
    EXPECT_FALSE(s->hasUnsavedEdits());
}

TEST_F(SessionChains, ACopiedProfileCarriesItsMacrosSoSwitchingBackRestoresThem) {
    auto s = start();
    const std::string blank = newProfile(s);
    ASSERT_TRUE(addMacro(*s, {'A'}).ok);
    ASSERT_TRUE(s->save().ok);
    withManager(s, [&](ProfileManager& m) {
        m.select(m.rowOf(blank));
        EXPECT_TRUE(m.saveSelected(std::nullopt).ok);  // blank now holds the macro
    });
    std::string copy;
    withManager(s, [&](ProfileManager& m) {
        m.select(m.rowOf(blank));
        copy = m.copySelected().name;
    });
    ASSERT_TRUE(s->switchToProfile(settings, copy).ok);
    const std::string macros = test::readFile(macroStorePath(folder.path()));
    ASSERT_TRUE(s->switchToProfile(settings, "Profile_1").ok);
    EXPECT_TRUE(s->storedMacros()[0].isFree());
    ASSERT_TRUE(s->switchToProfile(settings, copy).ok);
    EXPECT_EQ(test::readFile(macroStorePath(folder.path())), macros);
}

TEST_F(SessionChains, SwitchesWaitForUnsavedMacrosForTheKeyboardAndThroughNoActiveWindow) {
    auto s = start();
    const std::string game = newProfile(s);
    SwitchRules rules;
    ASSERT_TRUE(rules.add({SwitchRule::Kind::Class, "quake", game}).ok);
    ASSERT_TRUE(rules.setDefault("Profile_1").ok);
    ASSERT_TRUE(rules.store(settings).ok);

    // A new macro is an unsaved edit even where the image does not change.
    SystemClock clock;
    KeyHookRelay hook;
    MacroEditor editor(clock, hook);
    editor.open(s->storedMacros());
    ASSERT_TRUE(editor.newMacro());
    ASSERT_TRUE(s->acceptMacros(editor).ok);
    EXPECT_EQ(s->followActiveWindow(settings, {7, "quake", "Quake", "Quake Live"}), game);
    EXPECT_EQ(s->pendingSwitch(), game);
    // Between two windows there is none; that is nobody's profile.
    EXPECT_EQ(s->followActiveWindow(settings, {}), std::nullopt);
    EXPECT_EQ(s->pendingSwitch(), game);
    EXPECT_EQ(s->storedMacros()[0].nameText(), u"Macro_001");

    // Save without the keyboard saves nothing, the macros included; the
    // switch waits for the keyboard and is made when it is back.
    s.unplug();
    s->setGameMode(true);
    EXPECT_FALSE(s->save().ok);
    EXPECT_TRUE(s->hasUnsavedEdits());
    ASSERT_TRUE(s->cancel().ok);
    EXPECT_TRUE(s->storedMacros()[0].isFree());
    EXPECT_EQ(s->pendingSwitch(), game);
    EXPECT_EQ(s->currentProfile(), "");
    ASSERT_TRUE(s.plug());
    s->waitIdle();
    EXPECT_EQ(s->pendingSwitch(), std::nullopt);
    EXPECT_EQ(s->currentProfile(), game);
    EXPECT_FALSE(s->hasUnsavedEdits());
}

// Found by the random sequences: a setting changed and changed back leaves
// nothing unsaved, but "keymap.bin" held the change written on the way.
TEST_F(SessionChains, AnEditUndoneByHandLeavesTheStoreAsTheKeyboardHoldsIt) {
    auto s = start();
    s->setGameMode(true);
    SystemClock clock;
    KeyHookRelay hook;
    MacroEditor editor(clock, hook);
    editor.open(s->storedMacros());
    ASSERT_TRUE(s->acceptMacros(editor).ok);  // writes "keymap.bin" with the live image
    s->setGameMode(false);
    EXPECT_EQ(s->discardUnsaved(), "");
    DeviceImage onDisk{};
    ASSERT_TRUE(readFilePrefix(keymapPath(folder.path()),
                               std::span(reinterpret_cast<std::uint8_t*>(&onDisk), sizeof onDisk)));
    EXPECT_EQ(onDisk.gameMode, s.keyboard().memory().gameMode);
}

}  // namespace
}  // namespace morvane
