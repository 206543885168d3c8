// From the active window's change to the last transfer of the profile switch
// it causes, on the simulated keyboard in real time, against the protocol's
// own pauses for the groups in which the two profiles differ (measured once
// on the virtual clock, where only pauses take time).
#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <string>

#include "config/profile_manager.h"
#include "config/switch_rules.h"
#include "device/protocol.h"
#include "platform/settings_store.h"
#include "tests/sim_session.h"

namespace {

using namespace morvane;

const ActiveWindow kGame{7, "quake", "Quake", "Quake Live"};
const ActiveWindow kTerm{8, "xterm", "XTerm", "bash"};

// A started session with two profiles that differ in the lighting, game mode
// and one key's assignment, and rules that give each window class one of them.
struct SwitchBench {
    std::filesystem::path dir;
    IniSettingsStore settings;
    SimSession s;
    std::string problem;

    SwitchBench(const std::filesystem::path& folder, bool realtime)
        : dir(folder), settings(folder / "settings.ini") {
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
        if (!rules.add({SwitchRule::Kind::Class, kGame.windowClass, made.name}).ok ||
            !rules.add({SwitchRule::Kind::Class, kTerm.windowClass, "Profile_1"}).ok || !rules.store(settings).ok)
            problem = "the rules were not stored";
        s->setCurrentProfile("Profile_1.bin");
    }

    // One switch, returned once its Save is done; false when it did not
    // reach the keyboard.
    bool follow(const ActiveWindow& window) {
        if (!s->followActiveWindow(settings, window)) return false;
        s->waitIdle();
        return problem.empty() && s.keyboard().memory().gameMode == (window == kGame ? 1 : 0);
    }
};

std::filesystem::path benchFolder(const char* name) {
    return std::filesystem::temp_directory_path() / name;
}

// The pauses of a switch to each window, in ms.
std::array<double, 2> pausesOfSwitchMs() {
    SwitchBench b(benchFolder("morvane-bench-switch-virtual"), false);
    Clock& clock = b.s.keyboard().clock();
    std::array<double, 2> pauses{};
    for (int i = 0; i < 2; ++i) {
        const auto t0 = clock.nowMicros();
        if (!b.follow(i == 0 ? kGame : kTerm)) return {};
        pauses[i] = static_cast<double>(clock.nowMicros() - t0) / 1000.0;
    }
    return pauses;
}

void BM_SwitchOnActiveWindowRealtime(benchmark::State& state) {
    const auto pauses = pausesOfSwitchMs();
    if (pauses[0] <= 0 || pauses[1] <= 0) {
        state.SkipWithError("the switch on the virtual clock failed");
        return;
    }
    SwitchBench b(benchFolder("morvane-bench-switch"), true);
    if (!b.problem.empty()) {
        state.SkipWithError(b.problem.c_str());
        return;
    }
    double ratioSum = 0;
    int n = 0;
    for (auto _ : state) {
        const int toTerm = n++ % 2;
        const auto t0 = std::chrono::steady_clock::now();
        if (!b.follow(toTerm ? kTerm : kGame)) {
            state.SkipWithError(b.problem.empty() ? "the switch did not reach the keyboard" : b.problem.c_str());
            break;
        }
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        state.SetIterationTime(ms / 1000.0);
        ratioSum += ms / pauses[toTerm];
    }
    state.counters["pauses_ms"] = (pauses[0] + pauses[1]) / 2;
    state.counters["wall_over_pauses"] = ratioSum / static_cast<double>(n);
}
BENCHMARK(BM_SwitchOnActiveWindowRealtime)->Iterations(10)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
