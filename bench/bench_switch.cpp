// From the active window's change to the last transfer of the profile switch
// it causes, on the simulated keyboard in real time, against the protocol's
// own pauses for the groups in which the two profiles differ (measured once
// on the virtual clock, where only pauses take time).
#include <benchmark/benchmark.h>

#include <chrono>

#include "bench/switch_bench.h"

namespace {

using namespace morvane;
using namespace morvane::bench;

const ActiveWindow kGame{7, "quake", "Quake", "Quake Live"};
const ActiveWindow kTerm{8, "xterm", "XTerm", "bash"};

void BM_SwitchOnActiveWindowRealtime(benchmark::State& state) {
    const auto pauses = pausesOfSwitchMs(kGame, kTerm);
    if (pauses[0] <= 0 || pauses[1] <= 0) {
        state.SkipWithError("the switch on the virtual clock failed");
        return;
    }
    SwitchBench b(benchFolder("morvane-bench-switch"), true, kGame, kTerm);
    if (!b.problem.empty()) {
        state.SkipWithError(b.problem.c_str());
        return;
    }
    double ratioSum = 0;
    int n = 0;
    for (auto _ : state) {
        const int toTerm = n++ % 2;
        const auto t0 = std::chrono::steady_clock::now();
        if (!b.follow(toTerm ? kTerm : kGame, !toTerm)) {
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
