// Switching profiles in one step on the simulated keyboard: what reaches the
// keyboard, and that unsaved edits make the switch wait instead of vanishing.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

#include "config/profile_manager.h"
#include "config/switch_rules.h"
#include "device/protocol.h"
#include "tests/sim_session.h"
#include "temp_folder.h"

namespace morvane {
namespace {

class SwitchSession : public ::testing::Test {
protected:
    SwitchSession() {
        SessionOptions o;
        o.programFolder = folder.path();
        o.device = "sim:" + (folder / "kb.bin").string();
        o.logFile = folder / "transfers.log";
        std::filesystem::create_directories(folder / "Configure");
        s = makeSimSession(o);
        EXPECT_TRUE(s->start().ok);
    }

    // Profile_1 holds the configuration the session started with; the
    // returned profile holds it with the Wave effect and game mode on.
    std::string makeGameProfile() {
        auto manager = s->openProfileManager(settings);
        manager->open();
        s->setEffect(kEffectWave);
        s->setGameMode(true);
        const ProfileResult made = manager->newProfile();
        EXPECT_TRUE(made.ok);
        manager->select(manager->rowOf(made.name));
        EXPECT_TRUE(manager->saveSelected(std::nullopt).ok);
        EXPECT_TRUE(s->closeProfileManager(*manager, false).ok);
        EXPECT_TRUE(s->cancel().ok);
        return made.name;
    }

    // The write commands the keyboard was sent since the last call.
    std::set<int> commandsWritten() {
        std::ifstream in(folder / "transfers.log");
        std::string line;
        std::set<int> commands;
        for (int n = 0; std::getline(in, line); ++n) {
            if (n < linesSeen) continue;
            linesSeen = n + 1;
            std::istringstream words(line);
            std::string time, op, reportId, command;
            words >> time >> op >> reportId >> command;
            const int code = std::stoi(command, nullptr, 16);
            if (op == "set" && code < 0x80) commands.insert(code);
        }
        return commands;
    }

    test::TempFolder folder;
    IniSettingsStore settings{folder / "settings.ini"};
    SimSession s;
    int linesSeen = 0;
};

TEST_F(SwitchSession, OnlyTheGroupsInWhichTheProfileDiffersAreWritten) {
    const std::string game = makeGameProfile();
    (void)commandsWritten();

    ASSERT_TRUE(s->switchToProfile(settings, game).ok);
    EXPECT_EQ(commandsWritten(), (std::set<int>{CmdLighting, CmdGameMode}));
    EXPECT_EQ(s.keyboard().memory().lightEffect, kEffectWave);
    EXPECT_EQ(s.keyboard().memory().gameMode, 1);
    EXPECT_TRUE(s->unsavedGroups().none());
    EXPECT_EQ(s->currentProfile(), game);
    EXPECT_EQ(settings.value(kProfileSettingsKey, kCurrentProfileValue), std::u16string(game.begin(), game.end()) + u".bin");

    // The same profile again: nothing differs, nothing is sent.
    ASSERT_TRUE(s->switchToProfile(settings, game).ok);
    EXPECT_TRUE(commandsWritten().empty());

    ASSERT_TRUE(s->switchToProfile(settings, "Profile_1").ok);
    EXPECT_EQ(commandsWritten(), (std::set<int>{CmdLighting, CmdGameMode}));
    EXPECT_EQ(s.keyboard().memory().gameMode, 0);

    // A profile that is not listed changes nothing.
    const Outcome missing = s->switchToProfile(settings, "Nowhere");
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.error.find("Nowhere"), std::string::npos);
    EXPECT_TRUE(commandsWritten().empty());
    EXPECT_EQ(s->currentProfile(), "Profile_1");
}

TEST_F(SwitchSession, UnsavedEditsMakeTheSwitchWaitForSaveOrCancel) {
    const std::string game = makeGameProfile();
    std::vector<std::string> waiting;
    SessionListener listener;
    listener.switchWaiting = [&](const std::string& p) { waiting.push_back(p); };
    s->setListener(listener);

    // Save: the edit goes out first, then the switch.
    s->setWinLock(true);
    (void)commandsWritten();
    EXPECT_FALSE(s->switchToProfile(settings, game).ok);
    EXPECT_EQ(s->pendingSwitch(), game);
    EXPECT_TRUE(commandsWritten().empty());
    EXPECT_EQ(s->liveImage().winLock, 1);  // the edit is still there
    ASSERT_TRUE(s->save().ok);
    s->waitIdle();
    EXPECT_EQ(s->pendingSwitch(), std::nullopt);
    EXPECT_EQ(commandsWritten(), (std::set<int>{CmdWinLock, CmdLighting, CmdGameMode}));
    EXPECT_EQ(s.keyboard().memory().gameMode, 1);
    EXPECT_EQ(s.keyboard().memory().winLock, 0);  // the profile's own
    EXPECT_EQ(s->currentProfile(), game);

    // Cancel: the edit is dropped by the user, then the switch; a later
    // switch replaces the one that waited.
    s->setWinLock(true);
    EXPECT_EQ(s->beginSwitchToProfile(settings, game, [](Outcome) {}), Session::SwitchStart::Waiting);
    EXPECT_EQ(s->beginSwitchToProfile(settings, "Profile_1", [](Outcome) {}), Session::SwitchStart::Waiting);
    ASSERT_TRUE(s->cancel().ok);
    s->waitIdle();
    EXPECT_EQ(s->pendingSwitch(), std::nullopt);
    EXPECT_EQ(s.keyboard().memory().gameMode, 0);
    EXPECT_EQ(s->currentProfile(), "Profile_1");
    EXPECT_EQ(waiting, (std::vector<std::string>{game, "", game, "Profile_1", ""}));

    // A failed Save keeps the edits, so the switch keeps waiting.
    s->setGameMode(true);
    EXPECT_EQ(s->beginSwitchToProfile(settings, game, [](Outcome) {}), Session::SwitchStart::Waiting);
    s.keyboard().failAfter(0);
    EXPECT_FALSE(s->save().ok);
    s->waitIdle();
    EXPECT_EQ(s->pendingSwitch(), game);
    EXPECT_EQ(s->liveImage().gameMode, 1);
}

TEST_F(SwitchSession, TheActiveWindowPicksTheProfileByTheRules) {
    const std::string game = makeGameProfile();
    SwitchRules rules;
    ASSERT_TRUE(rules.add({SwitchRule::Kind::Class, "quake", game}).ok);
    ASSERT_TRUE(rules.setDefault("Profile_1").ok);
    ASSERT_TRUE(rules.store(settings).ok);
    s->setCurrentProfile("Profile_1.bin");
    (void)commandsWritten();

    const ActiveWindow quake{7, "quake", "Quake", "Quake Live"};
    const ActiveWindow term{8, "xterm", "XTerm", "bash"};
    const ActiveWindow own{9, "morvane", "morvane", "Morvane"};
    EXPECT_EQ(s->followActiveWindow(settings, quake), game);
    s->waitIdle();
    EXPECT_EQ(commandsWritten(), (std::set<int>{CmdLighting, CmdGameMode}));
    EXPECT_EQ(s.keyboard().memory().gameMode, 1);
    // The program's own window, and the same profile again, send nothing.
    EXPECT_EQ(s->followActiveWindow(settings, own), std::nullopt);
    EXPECT_EQ(s->followActiveWindow(settings, quake), std::nullopt);
    s->waitIdle();
    EXPECT_TRUE(commandsWritten().empty());
    // Another window: the default.
    EXPECT_EQ(s->followActiveWindow(settings, term), "Profile_1");
    s->waitIdle();
    EXPECT_EQ(s.keyboard().memory().gameMode, 0);

    // A switch that waits for edits is dropped when the player comes back to
    // a window of the profile in use.
    s->setWinLock(true);
    EXPECT_EQ(s->followActiveWindow(settings, quake), game);
    EXPECT_EQ(s->pendingSwitch(), game);
    EXPECT_EQ(s->followActiveWindow(settings, term), std::nullopt);
    EXPECT_EQ(s->pendingSwitch(), std::nullopt);
    ASSERT_TRUE(s->save().ok);
    s->waitIdle();
    EXPECT_EQ(s.keyboard().memory().gameMode, 0);
    EXPECT_EQ(s.keyboard().memory().winLock, 1);  // the saved edit stays
}

TEST_F(SwitchSession, ALaunchKeyComesWithItsProfileAcrossSwitches) {
    // A target that is there but cannot run: every press of the key is
    // counted as a failed launch, so what the key does is seen at once.
    const auto tool = folder / "tool";
    std::ofstream(tool) << "#!/bin/sh\n";
    {
        // Profile_1 is made from the configuration before the key is assigned.
        auto manager = s->openProfileManager(settings);
        manager->open();
        ASSERT_TRUE(s->closeProfileManager(*manager, false).ok);
    }
    ASSERT_TRUE(s->beginKeyAssignment(41).ok);
    ASSERT_TRUE(s->confirmKeyAssignment(41, AssignmentRequest::launch(KindStartProgram, tool.u16string())).ok);
    const std::string game = makeGameProfile();  // it keeps the launch key; Profile_1 does not
    SwitchRules rules;
    ASSERT_TRUE(rules.add({SwitchRule::Kind::Class, "quake", game}).ok);
    ASSERT_TRUE(rules.setDefault("Profile_1").ok);
    ASSERT_TRUE(rules.store(settings).ok);
    s->setCurrentProfile("Profile_1.bin");

    const EventReport launchKey{0x04, 0x02, 0x00, 0x09};
    ASSERT_TRUE(s.press(launchKey));
    EXPECT_EQ(s->launchFailures(), 0);
    EXPECT_EQ(s->followActiveWindow(settings, {7, "quake", "Quake", "Quake Live"}), game);
    s->waitIdle();
    ASSERT_TRUE(s.press(launchKey));
    EXPECT_EQ(s->launchFailures(), 1);
    EXPECT_NE(s->lastLaunchFailure().find(tool.string()), std::string::npos);
    EXPECT_EQ(s->followActiveWindow(settings, {8, "xterm", "XTerm", "bash"}), "Profile_1");
    s->waitIdle();
    ASSERT_TRUE(s.press(launchKey));
    EXPECT_EQ(s->launchFailures(), 1);
}

}  // namespace
}  // namespace morvane
