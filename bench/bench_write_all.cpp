// Write-all of every group against the simulated keyboard on the real clock:
// how close the sequence comes to the protocol's own pauses (3380 ms).
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>

#include "bench/every_group.h"
#include "device/protocol.h"
#include "device/sim/sim_keyboard.h"

namespace {

using namespace morvane;

constexpr double kPausesMs = 3380.0;

void BM_WriteAllEveryGroupRealtime(benchmark::State& state) {
    const auto dir = std::filesystem::temp_directory_path() / "morvane-bench-writeall";
    std::filesystem::create_directories(dir);
    SimOptions options;
    options.statePath = dir / "kb.bin";
    options.realtime = true;
    SimKeyboard sim(options);
    sim.powerOn();
    Protocol protocol(sim.control(), sim.clock());
    DeviceImage shadow{};
    double ratioSum = 0;
    for (auto _ : state) {
        DeviceImage live = shadow;
        bench::changeEveryGroup(live);
        const auto t0 = std::chrono::steady_clock::now();
        const auto result = protocol.writeAll(live, shadow);
        const auto ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        if (!result.ok()) state.SkipWithError("write-all failed");
        state.SetIterationTime(ms / 1000.0);
        ratioSum += ms / kPausesMs;
    }
    state.counters["wall_over_pauses"] = ratioSum / static_cast<double>(state.iterations());
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_WriteAllEveryGroupRealtime)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
