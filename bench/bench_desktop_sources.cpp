// The Wayland desktops' sources of the active window, each against its real
// compositor, headless: from the desktop's focus change (the command that
// moves it) to the last transfer of the profile switch it causes, against
// the switch's own protocol pauses; and how often an idle program wakes up
// while it follows the desktop, over 20 s.
#include <benchmark/benchmark.h>

#include <chrono>
#include <condition_variable>
#include <dirent.h>
#include <fstream>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "bench/switch_bench.h"
#include "platform/active_window_sources.h"
#include "tests/bus_desktops.h"
#include "tests/wayland_desktop.h"

namespace {

using namespace morvane;
using namespace morvane::bench;

const ActiveWindow kGame{1, "morvane-test-game", "morvane-test-game", ""};
const ActiveWindow kEditor{2, "morvane-test-editor", "morvane-test-editor", ""};

// Voluntary and involuntary context switches of every thread of this process.
long contextSwitches() {
    long total = 0;
    if (DIR* tasks = opendir("/proc/self/task")) {
        while (dirent* e = readdir(tasks)) {
            if (e->d_name[0] == '.') continue;
            std::ifstream status(std::string("/proc/self/task/") + e->d_name + "/status");
            for (std::string line; std::getline(status, line);)
                if (line.find("ctxt_switches:") != std::string::npos) total += std::stol(line.substr(line.find(':') + 1));
        }
        closedir(tasks);
    }
    return total;
}

void measure(benchmark::State& state, const std::string& socket, const std::string& bus,
             const std::function<void(const std::string&)>& focus) {
    const auto pauses = pausesOfSwitchMs(kGame, kEditor);
    SwitchBench b(benchFolder("morvane-bench-desktop"), true, kGame, kEditor);
    if (pauses[0] <= 0 || !b.problem.empty()) {
        state.SkipWithError("the session did not start");
        return;
    }
    std::mutex m;
    std::condition_variable told;
    std::optional<ActiveWindow> latest;
    std::chrono::steady_clock::time_point toldAt;
    std::string why;
    std::unique_ptr<ActiveWindowSource> source;
    {
        const test::ScopedEnvironment env({{"WAYLAND_DISPLAY", socket}, {"DBUS_SESSION_BUS_ADDRESS", bus}, {"DISPLAY", ""}});
        source = startActiveWindowSource(
            [&](const ActiveWindow& w) {
                std::lock_guard lock(m);
                latest = w;
                toldAt = std::chrono::steady_clock::now();
                told.notify_all();
            },
            why);
    }
    if (!source) {
        state.SkipWithError(why.c_str());
        return;
    }
    const auto focused = [&](const ActiveWindow& target, int seconds = 10) -> std::optional<ActiveWindow> {
        std::unique_lock lock(m);
        if (!told.wait_for(lock, std::chrono::seconds(seconds),
                           [&] { return latest && latest->windowClass == target.windowClass; }))
            return std::nullopt;
        return latest;
    };
    // The clients' windows are there once the desktop focuses them.
    for (const ActiveWindow* w : {&kEditor, &kGame, &kEditor}) {
        bool there = false;
        for (int tries = 0; tries < 15 && !there; ++tries) {
            focus(w->windowClass);
            there = focused(*w, 1).has_value();
        }
        if (!there) {
            state.SkipWithError(("the desktop did not focus " + w->windowClass).c_str());
            return;
        }
    }
    // The clock starts where the desktop has surely moved the focus: when
    // the command that moves it returns, or when the source tells of it,
    // whichever comes first; what the command itself takes (a process of the
    // harness' own, or several) is counted apart.
    double ratioSum = 0, commandSum = 0, wallRatioSum = 0;
    int n = 0;
    for (auto _ : state) {
        const bool toGame = n++ % 2 == 0;
        const ActiveWindow& target = toGame ? kGame : kEditor;
        const auto t0 = std::chrono::steady_clock::now();
        focus(target.windowClass);
        const auto commandDone = std::chrono::steady_clock::now();
        const auto window = focused(target);
        if (!window || !b.follow(*window, toGame)) {
            state.SkipWithError("the switch did not reach the keyboard");
            break;
        }
        const auto end = std::chrono::steady_clock::now();
        std::chrono::steady_clock::time_point start;
        {
            std::lock_guard lock(m);
            start = std::min(commandDone, toldAt);
        }
        const double ms = std::chrono::duration<double, std::milli>(end - start).count();
        state.SetIterationTime(ms / 1000.0);
        ratioSum += ms / pauses[toGame ? 0 : 1];
        wallRatioSum += std::chrono::duration<double, std::milli>(end - t0).count() / pauses[toGame ? 0 : 1];
        commandSum += std::chrono::duration<double, std::milli>(commandDone - t0).count();
    }
    const long before = contextSwitches();
    std::this_thread::sleep_for(std::chrono::seconds(20));
    // This thread's own sleep is one switch in and out.
    state.counters["idle_wakeups_20s"] = static_cast<double>(contextSwitches() - before - 1);
    state.counters["pauses_ms"] = (pauses[0] + pauses[1]) / 2;
    state.counters["focus_to_switch_over_pauses"] = n ? ratioSum / n : 0;
    state.counters["with_command_over_pauses"] = n ? wallRatioSum / n : 0;
    state.counters["command_ms"] = n ? commandSum / n : 0;
    state.SetLabel(source->name());
    source->stop();
}

void openClients(auto& desktop) {
    for (const char* appId : {"morvane-test-game", "morvane-test-editor"}) desktop.openClient(MORVANE_WAYLAND_CLIENT, appId);
}

void BM_FocusToSwitchSway(benchmark::State& state) {
    test::Sway sway("output HEADLESS-1 resolution 800x600\n");
    if (!sway.running()) return state.SkipWithError("no Sway");
    std::vector<std::unique_ptr<test::ProcessGroup>> clients;
    for (const char* appId : {"morvane-test-game", "morvane-test-editor"})
        clients.push_back(std::make_unique<test::ProcessGroup>(
            std::vector<std::string>{MORVANE_WAYLAND_CLIENT, appId},
            std::map<std::string, std::string>{{"QT_QPA_PLATFORM", "wayland"}, {"WAYLAND_DISPLAY", sway.socket()}},
            "/dev/null"));
    measure(state, sway.socket(), "", [&](const std::string& appId) { (void)sway.focus(appId); });
}

void BM_FocusToSwitchKWin(benchmark::State& state) {
    test::KWin kwin;
    if (!kwin.running()) return state.SkipWithError("no KWin");
    openClients(kwin);
    measure(state, kwin.socket(), kwin.busAddress(), [&](const std::string& appId) { kwin.focus(appId); });
}

void BM_FocusToSwitchGnomeShell(benchmark::State& state) {
    test::GnomeShell shell(MORVANE_BUILD_DIR "/gnome-shell/morvane@morvane.org");
    if (!shell.running()) return state.SkipWithError("no GNOME Shell");
    openClients(shell);
    measure(state, shell.socket(), shell.busAddress(), [&](const std::string& appId) { shell.focus(appId); });
}

BENCHMARK(BM_FocusToSwitchSway)->Iterations(10)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FocusToSwitchKWin)->Iterations(10)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FocusToSwitchGnomeShell)->Iterations(10)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
