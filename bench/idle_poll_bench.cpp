// One idle pass of the background poll: no input waits, so every periodic job
// runs once. The machine's own time is not moved, so only the console's work
// is measured.
#include <benchmark/benchmark.h>

#include "bench_console.h"

#include <memory>

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

}  // namespace

BENCHMARK(BM_IdleBackgroundPoll);
BENCHMARK_MAIN();
