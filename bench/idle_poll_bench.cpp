// One idle pass of the background poll: no input waits, so every periodic job
// runs once. The machine's own time is not moved, so only the console's work
// is measured.
#include <benchmark/benchmark.h>

#include "bench_console.h"

#include <memory>

#include "memcheck/heap_use.h"
#include "platform/machine.h"
#include "runtime/card_discovery.h"
#include "runtime/config_records.h"
#include "runtime/console_state.h"
#include "runtime/main_loop.h"
#include "runtime/show_tables.h"
#include "runtime/timers.h"

namespace {

void BM_IdleBackgroundPoll(benchmark::State& state) {
    auto machine = bench::start_console(state);

    for (auto _ : state) {
        runtime::run_background();
        benchmark::ClobberMemory();
    }
    runtime::free_tables();
    platform::install_machine(nullptr);
}

// The heap figure behind "Mem Free", read once per poll while the memory
// state is shown.
void BM_HeapUseFigure(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(memcheck::mc_heap_use());
    }
}

}  // namespace

BENCHMARK(BM_IdleBackgroundPoll);
BENCHMARK(BM_HeapUseFigure);
BENCHMARK_MAIN();
