// Loading and saving "keymap.bin" (201424 bytes) in a folder of its own.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>

#include "keymap/assignment_store.h"

namespace {

using namespace morvane;

void BM_KeymapLoadSave(benchmark::State& state) {
    const auto dir = std::filesystem::temp_directory_path() / "morvane-bench-keymap";
    std::filesystem::create_directories(dir);
    DeviceImage image{};
    auto records = std::make_unique<AssignmentRecords>();
    bool recordsOnly = false;
    if (!LoadAssignmentStore(dir, image, *records, recordsOnly)) state.SkipWithError("keymap.bin cannot be made");
    for (auto _ : state) {
        bool flag = false;
        benchmark::DoNotOptimize(LoadAssignmentStore(dir, image, *records, flag));
        image.lightEffect ^= 1;
        benchmark::DoNotOptimize(SaveAssignmentStore(dir, image, *records));
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_KeymapLoadSave)->Unit(benchmark::kMicrosecond);

}  // namespace
