// What reading a Save back costs, against the Save's own protocol pauses:
// a Save of every group and a Save of the lighting alone, on the simulated
// keyboard's virtual clock (the pauses, exactly) and the real one (the work
// between them).
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>

#include "bench/every_group.h"
#include "device/protocol.h"
#include "device/sim/sim_keyboard.h"

namespace {

using namespace morvane;

void saveVerified(benchmark::State& state, bool everyGroup) {
    const auto dir = std::filesystem::temp_directory_path() / "morvane-bench-verify";
    std::filesystem::create_directories(dir);
    SimOptions options;
    options.statePath = dir / "kb.bin";
    SimKeyboard sim(options);
    sim.powerOn();
    Protocol protocol(sim.control(), sim.clock());
    DeviceImage shadow = sim.memory();
    double savePauseMs = 0, verifyPauseMs = 0, saveWorkMs = 0, verifyWorkMs = 0;
    for (auto _ : state) {
        DeviceImage live = shadow;
        if (everyGroup) bench::changeEveryGroup(live);
        else live.lightEffect ^= 1;
        // The Save alone, then the same Save with its read-back; between
        // them the keyboard is put back unmeasured, so both write the change.
        for (bool verified : {false, true}) {
            if (verified) {
                DeviceImage back = live;
                (void)protocol.writeAll(shadow, back);
            }
            DeviceImage target = shadow;
            const std::int64_t v0 = sim.clock().nowMicros();
            const auto t0 = std::chrono::steady_clock::now();
            const WriteAllResult r = verified ? protocol.writeAllVerified(live, target) : protocol.writeAll(live, target);
            const double work = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
            const double pause = static_cast<double>(sim.clock().nowMicros() - v0) / 1000.0;
            if (!r.ok()) state.SkipWithError("the save failed");
            (verified ? verifyPauseMs : savePauseMs) += pause;
            (verified ? verifyWorkMs : saveWorkMs) += work;
            if (verified) shadow = target;
        }
    }
    const double n = static_cast<double>(state.iterations());
    const double addedMs = (verifyPauseMs - savePauseMs + verifyWorkMs - saveWorkMs) / n;
    state.counters["save_pauses_ms"] = savePauseMs / n;
    state.counters["readback_pauses_ms"] = (verifyPauseMs - savePauseMs) / n;
    state.counters["readback_work_ms"] = (verifyWorkMs - saveWorkMs) / n;
    state.counters["added_percent"] = 100.0 * addedMs / (savePauseMs / n);
    std::filesystem::remove_all(dir);
}

void BM_SaveReadBackEveryGroup(benchmark::State& state) { saveVerified(state, true); }
void BM_SaveReadBackLightingOnly(benchmark::State& state) { saveVerified(state, false); }
BENCHMARK(BM_SaveReadBackEveryGroup)->Iterations(50)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveReadBackLightingOnly)->Iterations(200)->Unit(benchmark::kMillisecond);

}  // namespace
