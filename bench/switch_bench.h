// A started session on the simulated keyboard with two profiles that differ
// in the lighting, game mode and one key's assignment, and rules that give
// each of two windows one of them: what the benchmarks of a profile switch
// on the active window share.
#pragma once

#include <array>
#include <filesystem>
#include <string>

#include "config/profile_manager.h"
#include "config/switch_rules.h"
#include "device/protocol.h"
#include "platform/settings_store.h"
#include "tests/sim_session.h"

namespace morvane::bench {

struct SwitchBench {
    std::filesystem::path dir;
    IniSettingsStore settings;
    SimSession s;
    std::string problem;
    // The window whose profile has game mode on, and the other one.
    ActiveWindow game, other;

    SwitchBench(const std::filesystem::path& folder, bool realtime, ActiveWindow gameWindow, ActiveWindow otherWindow)
        : dir(folder), settings(folder / "settings.ini"), game(std::move(gameWindow)), other(std::move(otherWindow)) {
        std::filesystem::create_directories(dir / "Configure");
        SessionOptions o;
        o.programFolder = dir;
        o.device = "sim:" + (dir / "kb.bin").string() + (realtime ? ",realtime" : "");
        s = makeSimSession(o);
        SessionListener listener;
        listener.problem = [this](const std::string& p) { problem = p; };
        s->setListener(listener);
        if (!s->start().ok) problem = "the session did not start";
        else if (!s->connected()) problem = "no keyboard";
        else makeProfiles();
    }
    ~SwitchBench() {
        s.session.reset();
        std::filesystem::remove_all(dir);
    }

    void makeProfiles() {
        auto manager = s->openProfileManager(settings);
        manager->open();
        s->setEffect(kEffectWave);
        s->setGameMode(true);
        if (!s->confirmKeyAssignment(63, AssignmentRequest::single(0x42))) problem = "the key was not assigned";
        const ProfileResult made = manager->newProfile();
        manager->select(manager->rowOf(made.name));
        if (!made.ok || !manager->saveSelected(std::nullopt).ok) problem = "the profile was not made";
        (void)s->closeProfileManager(*manager, false);
        (void)s->cancel();

        SwitchRules rules;
        if (!rules.add({SwitchRule::Kind::Class, game.windowClass, made.name}).ok ||
            !rules.add({SwitchRule::Kind::Class, other.windowClass, "Profile_1"}).ok || !rules.store(settings).ok)
            problem = "the rules were not stored";
        s->setCurrentProfile("Profile_1.bin");
    }

    // One switch, returned once its Save is done; false when it did not
    // reach the keyboard.
    bool follow(const ActiveWindow& window, bool toGame) {
        if (!s->followActiveWindow(settings, window)) return false;
        s->waitIdle();
        return problem.empty() && s.keyboard().memory().gameMode == (toGame ? 1 : 0);
    }
};

inline std::filesystem::path benchFolder(const char* name) {
    return std::filesystem::temp_directory_path() / name;
}

// The pauses of a switch to each window (the game's first), in ms, on the
// virtual clock where only pauses take time.
inline std::array<double, 2> pausesOfSwitchMs(const ActiveWindow& game, const ActiveWindow& other) {
    SwitchBench b(benchFolder("morvane-bench-switch-virtual"), false, game, other);
    Clock& clock = b.s.keyboard().clock();
    std::array<double, 2> pauses{};
    for (int i = 0; i < 2; ++i) {
        const auto t0 = clock.nowMicros();
        if (!b.follow(i == 0 ? game : other, i == 0)) return {};
        pauses[i] = static_cast<double>(clock.nowMicros() - t0) / 1000.0;
    }
    return pauses;
}

}  // namespace morvane::bench
