// The timecode player on a list of 10000 events: one locked poll of the
// player with nothing due (the cost it adds to every background poll while
// a list plays), and the sort of the list from reverse order (the worst case
// of the insertion sort that recording's end and PLAY run). The locked poll
// is measured also with the timecode screen open, where it draws the clock.
#include <benchmark/benchmark.h>

#include "bench_console.h"

#include <cstdio>

#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "sync/sync_services.h"
#include "sync/timecode_clock.h"
#include "sync/timecode_lists.h"
#include "sync/timecode_player.h"

namespace {

constexpr int kEvents = 10000;

// Events 1 s apart from first_s on, times ascending or descending.
void fill_list(double first_s, bool reverse) {
    synchro::timecode_list.count = 0;
    char text[synchro::kEventTextBytes];
    for (int i = 1; i <= kEvents; ++i) {
        std::snprintf(text, sizeof text, "M %d", i % 4000 + 1);
        const double t = first_s + (reverse ? kEvents - i : i);
        if (!synchro::insert_timecode_event(i, t, text)) return;
    }
}

// screen: the timecode screen open, so the tick also draws the clock digits
// (only the pairs that changed).
void locked_tick(benchmark::State& state, bool screen) {
    auto machine = bench::start_console(state);
    if (screen) runtime::option_flags |= runtime::OPT_TIMECODE_SCREEN;
    synchro::timecode_source = synchro::kTimecodeSourcePcTimer;
    fill_list(1000.0, false);
    synchro::anchor_pc_timer(0.0);
    synchro::reset_timecode_player();
    synchro::timecode_player.unlocked = 0;
    synchro::timecode_player.next_event = 1;
    synchro::timecode_mode = synchro::kTimecodePlay;
    runtime::clock_delta = 0;
    for (auto _ : state) {
        synchro::run_timecode_tick();
        benchmark::ClobberMemory();
    }
    if (synchro::timecode_player.unlocked != 0) state.SkipWithError("the player lost lock");
    synchro::timecode_mode = synchro::kTimecodeIdle;
    runtime::option_flags &= ~runtime::OPT_TIMECODE_SCREEN;
    synchro::free_timecode_list();
    runtime::free_tables();
    platform::install_machine(nullptr);
}

void BM_LockedTimecodeTick(benchmark::State& state) { locked_tick(state, false); }
void BM_LockedTimecodeTickOnTheTimecodeScreen(benchmark::State& state) { locked_tick(state, true); }

void BM_SortTimecodeListFromReverseOrder(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        fill_list(0.0, true);
        state.ResumeTiming();
        benchmark::DoNotOptimize(synchro::sort_timecode_events());
    }
    if (synchro::timecode_event(1).time != 0.0) state.SkipWithError("not sorted");
    synchro::free_timecode_list();
}

}  // namespace

BENCHMARK(BM_LockedTimecodeTick);
BENCHMARK(BM_LockedTimecodeTickOnTheTimecodeScreen);
BENCHMARK(BM_SortTimecodeListFromReverseOrder)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
