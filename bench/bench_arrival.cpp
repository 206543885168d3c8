// From the keyboard's arrival to a refreshed configuration, on the simulated
// keyboard in real time, against the protocol's own pauses plus the settle
// wait (measured once on the virtual clock, where only pauses take time).
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>

#include "tests/sim_session.h"

namespace {

using namespace morvane;

SimSession startedSession(const std::filesystem::path& dir, bool realtime) {
    SessionOptions o;
    o.programFolder = dir;
    o.device = "sim:" + (dir / "kb.bin").string() + (realtime ? ",realtime" : "");
    SimSession s = makeSimSession(o);
    if (!s->start()) return {};
    return s;
}

double pausesOfArrivalMs(const std::filesystem::path& dir) {
    auto s = startedSession(dir, false);
    s.unplug();
    Clock& clock = s.keyboard().clock();
    const auto t0 = clock.nowMicros();
    s.plug();
    return static_cast<double>(clock.nowMicros() - t0) / 1000.0;
}

void BM_ArrivalToRefreshRealtime(benchmark::State& state) {
    const auto dir = std::filesystem::temp_directory_path() / "morvane-bench-arrival";
    std::filesystem::create_directories(dir);
    const double pauses = pausesOfArrivalMs(dir);
    auto s = startedSession(dir, true);
    double ratioSum = 0;
    for (auto _ : state) {
        s.unplug();
        const auto t0 = std::chrono::steady_clock::now();
        if (!s.plug()) state.SkipWithError("arrival failed");
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        state.SetIterationTime(ms / 1000.0);
        ratioSum += ms / pauses;
    }
    state.counters["pauses_ms"] = pauses;
    state.counters["wall_over_pauses"] = ratioSum / static_cast<double>(state.iterations());
    s.session.reset();
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_ArrivalToRefreshRealtime)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
