// `morvane-cli show` on the simulated keyboard against the same command
// without a keyboard: what opening, reading and closing the keyboard adds to a
// run (the event reader's stop included).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

namespace {

std::filesystem::path freshFolder() {
    std::random_device rd;
    auto dir = std::filesystem::temp_directory_path() / ("morvane-bench-" + std::to_string(rd()));
    std::filesystem::create_directories(dir);
    return dir;
}

void runShow(benchmark::State& state, bool simulated) {
    const auto dir = freshFolder();
    const std::string device = simulated ? "sim:" + (dir / "kb.bin").string() : "none";
    const std::string cmd = "XDG_CONFIG_HOME='" + (dir / "config").string() + "' '" MORVANE_CLI_PATH "' --folder '" +
                            dir.string() + "' --device '" + device + "' show >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0) state.SkipWithError("morvane-cli show failed");
    for (auto _ : state) benchmark::DoNotOptimize(std::system(cmd.c_str()));
    std::filesystem::remove_all(dir);
}

void BM_CliShowSimulatedKeyboard(benchmark::State& state) { runShow(state, true); }
void BM_CliShowNoKeyboard(benchmark::State& state) { runShow(state, false); }

BENCHMARK(BM_CliShowSimulatedKeyboard)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CliShowNoKeyboard)->Unit(benchmark::kMillisecond);

}  // namespace
