// Sequences per second of the stateful session test, on the simulated
// keyboard's virtual clock: what bounds how many a soak run gets through.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "tests/session_sequences.h"

namespace {

constexpr int kSequencesPerRun = 50;

void BM_SessionSequences(benchmark::State& state) {
    // Up to 50 steps each; the same seed every run, so runs compare.
    setenv("RC_PARAMS", "seed=20261209 max_success=50 max_size=50 verbose_progress=0 verbose_shrinking=0", 1);
    for (auto _ : state) {
        const bool ok = rc::check("session sequences", [] { morvane::test::runSequences(); });
        if (!ok) state.SkipWithError("a sequence broke an invariant");
    }
    state.SetItemsProcessed(state.iterations() * kSequencesPerRun);
}
BENCHMARK(BM_SessionSequences)->Unit(benchmark::kMillisecond);

}  // namespace
