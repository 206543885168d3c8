// Write-all of every group against the simulated keyboard on the real clock:
// how close the sequence comes to the protocol's own pauses (3380 ms).
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>

#include "device/protocol.h"
#include "device/sim/sim_keyboard.h"

namespace {

using namespace morvane;

constexpr double kPausesMs = 3380.0;

DeviceImage everyGroupChanged(const DeviceImage& base) {
    DeviceImage im = base;
    im.gameMode ^= 1;
    im.keyTable[7] ^= 1;
    im.reportRateStep ^= 1;
    im.responseTimeStep ^= 1;
    im.keyEnableBits[3] ^= 1;
    for (auto& m : im.diyMaps) m[9] ^= 0xFF;
    for (auto& b : im.macroBlocks) b[100] ^= 1;
    im.lightEffect ^= 1;
    im.deviceParams[2] ^= 1;
    im.winLock ^= 1;
    return im;
}

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
        const DeviceImage live = everyGroupChanged(shadow);
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
