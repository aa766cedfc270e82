// The timecode table on a list of 10000 events: a whole page of 14 rows
// drawn (what the table does when the fired event leaves the page while a
// list plays), with memory and cue texts.
#include <benchmark/benchmark.h>

#include "bench_console.h"

#include <cstdio>

#include "platform/graphics.h"
#include "sync/sync_services.h"
#include "sync/timecode_clock.h"
#include "sync/timecode_lists.h"
#include "sync/timecode_table.h"

namespace {

constexpr int kEvents = 10000;

void BM_TimecodeTablePage(benchmark::State& state) {
    auto machine = bench::start_console(state);
    machine->graphics.log_calls = false;
    int driver = platform::kVgaDriver;
    int mode = platform::kVgaHiMode;
    platform::_initgraph(driver, mode, "");
    synchro::timecode_source = synchro::kTimecodeSourcePcTimer;
    synchro::timecode_list.count = 0;
    char text[synchro::kEventTextBytes];
    for (int i = 1; i <= kEvents; ++i) {
        if (i % 2 == 0) {
            std::snprintf(text, sizeof text, "M %d", i % 4000 + 1);
        } else {
            std::snprintf(text, sizeof text, "P %d %d %d", i % 16 + 1, i % 70 + 1, i % 10 + 1);
        }
        if (!synchro::insert_timecode_event(i, i * 0.5, text)) state.SkipWithError("no memory for the list");
    }
    synchro::draw_timecode_table_frame();
    int16_t first = 1;
    for (auto _ : state) {
        synchro::redraw_timecode_list_rows(first, 1, synchro::kTimeColumn, 0);
        first = static_cast<int16_t>(first + synchro::kTableRows > kEvents ? 1 : first + synchro::kTableRows);
        benchmark::ClobberMemory();
    }
    synchro::free_timecode_list();
    runtime::free_tables();
    platform::install_machine(nullptr);
}

}  // namespace

BENCHMARK(BM_TimecodeTablePage);
BENCHMARK_MAIN();
