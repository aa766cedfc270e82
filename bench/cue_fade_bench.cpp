// The point-cue fades on the full rig (700 fixtures, 2048 function records):
//   C1 one poll of a cue fade running on all 2048 channels: the cue fade
//      runner (progress bars, element pass, follow) and the phase machine of
//      every channel, the show time moving on 1 ms a poll;
//   C2 the GO of a point memory that sets all 2048 channels;
//   C3 a GO that tracks a whole page: 699 earlier point cues, each setting
//      three channels, and a memory of one channel, so that every other
//      channel, generator byte and figure byte is tracked down the page.
// Each reports the median, 99th percentile and maximum time per run.
#include <benchmark/benchmark.h>

#include "bench_console.h"
#include "bench_rig.h"
#include "bench_timing.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <ctime>
#include <memory>
#include <vector>

#include "datafiles/cue_memory_file.h"
#include "datafiles/record_files.h"
#include "memcheck/memcheck.h"
#include "platform/machine.h"
#include "playback/cue_fades.h"
#include "playback/cue_tables.h"
#include "playback/key_groups.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/main_loop.h"
#include "runtime/show_tables.h"
#include "runtime/timers.h"
#include "setup/fixture_type.h"
#include "setup/setup_data.h"
#include "ui/memory_access.h"

namespace {

constexpr int kFixtures = bench::kRigFixtures;
using bench::kNarrowChannels;
using bench::kWideChannels;
constexpr int kPageSlots = 700;

// The full rig with tracing on for the cue pages.
void lay_out_rig(setup::SetupData& d) {
    bench::lay_out_full_rig(d);
    d.set_u8(setup::kSetupCuePageTracing, 1);
}

struct FullRig {
    std::unique_ptr<platform::Machine> machine;
    std::unique_ptr<setup::FixtureTypeDef> wide = bench::make_rig_type(kWideChannels);
    std::unique_ptr<setup::FixtureTypeDef> narrow = bench::make_rig_type(kNarrowChannels);
    std::vector<int16_t> memories;

    explicit FullRig(benchmark::State& state) : machine(bench::start_console(state)) {
        setup::fixture_type_defs[1] = wide.get();
        setup::fixture_type_defs[2] = narrow.get();
        lay_out_rig(setup::setup_data);
        setup::fixture_count = kFixtures;
        setup::fixture_type_count = 2;
        runtime::init_fixture_tables();
        runtime::mode_flags |= runtime::MODE_CUE_TIMING;
        machine->cards.set_master_fader(0, 1, 255);
        runtime::run_background();
    }
    ~FullRig() {
        for (int16_t m : memories) {
            memcheck::mc_free_at(datafiles::memcue_items[static_cast<size_t>(m)], __FILE__, __LINE__);
            datafiles::memcue_items[static_cast<size_t>(m)] = nullptr;
            datafiles::memcue_index[static_cast<size_t>(m)].count = 0;
        }
        ui::free_cue_buffers();
        playback::free_cue_records();
        runtime::free_tables();
        setup::fixture_type_defs[1] = nullptr;
        setup::fixture_type_defs[2] = nullptr;
        platform::install_machine(nullptr);
    }

    // Slot's point cue runs cue memory m = slot with the items; times in tenths.
    void program_point(int slot, const std::vector<datafiles::MemoryItem>& items, uint16_t fade_in) {
        const auto m = static_cast<int16_t>(slot);
        auto* list = static_cast<datafiles::MemoryItem*>(
            memcheck::mc_malloc_at(items.size() * sizeof(datafiles::MemoryItem), __FILE__, __LINE__));
        std::copy(items.begin(), items.end(), list);
        datafiles::memcue_items[static_cast<size_t>(m)] = list;
        datafiles::memcue_index[static_cast<size_t>(m)].count = static_cast<int32_t>(items.size());
        memories.push_back(m);
        auto* record = static_cast<playback::PointcueRecord*>(
            memcheck::mc_malloc_at(sizeof(playback::PointcueRecord), __FILE__, __LINE__));
        *record = playback::PointcueRecord{};
        record->flags = playback::CUE_RECORD_IN_CUE;
        record->point_memory = m;
        record->fade_mode = 1;
        record->fade_in = fade_in;
        record->delay_out = playback::kEndlessTenths;
        record->hold = playback::kEndlessTenths;
        playback::cue_pointcue_table[static_cast<size_t>(slot)] = record;
        playback::update_cue_programmed_flag(static_cast<int16_t>(slot));
    }
};

std::vector<datafiles::MemoryItem> all_channels(int level) {
    std::vector<datafiles::MemoryItem> items;
    for (int r = 1; r <= runtime::function_record_count; ++r) {
        items.push_back({0, static_cast<uint16_t>(r), static_cast<uint16_t>((r + level) % 256)});
    }
    return items;
}

using bench::timed_runs;

void BM_C1_CueFadePollAllChannels(benchmark::State& state) {
    FullRig rig(state);
    rig.program_point(1, all_channels(0), 600);  // a minute's fade-in
    playback::start_cue_fade(1, 0);
    const int records = runtime::function_record_count;
    timed_runs(
        state, [](int) { ++runtime::show_time; },
        [records](int) {
            playback::run_cue_fades();
            for (int r = 1; r <= records; ++r) benchmark::DoNotOptimize(playback::step_pointcue_channel_fade(static_cast<int16_t>(r)));
        });
    state.counters["channels"] = records;
}

void BM_C2_GoAllChannels(benchmark::State& state) {
    FullRig rig(state);
    rig.program_point(1, all_channels(0), 20);
    rig.program_point(2, all_channels(7), 20);
    timed_runs(
        state, [](int n) { runtime::show_time += 10; playback::last_pointcue_started = static_cast<int16_t>(n % 2 == 0 ? 2 : 1); },
        [](int n) { playback::start_cue_fade(static_cast<int16_t>(n % 2 + 1), 0); });
}

void BM_C3_GoTrackingAWholePage(benchmark::State& state) {
    FullRig rig(state);
    const int records = runtime::function_record_count;
    for (int s = 1; s < kPageSlots; ++s) {
        std::vector<datafiles::MemoryItem> items;
        for (int i = 0; i < 3; ++i) {
            const int r = (s * 3 + i) % records + 1;
            items.push_back({0, static_cast<uint16_t>(r), static_cast<uint16_t>(s % 256)});
        }
        rig.program_point(s, items, 20);
    }
    rig.program_point(kPageSlots, {{0, 1, 255}}, 20);
    timed_runs(
        state, [](int) { runtime::show_time += 10; playback::last_pointcue_started = kPageSlots; },
        [](int) { playback::start_cue_fade(kPageSlots, 0); });
}

}  // namespace

BENCHMARK(BM_C1_CueFadePollAllChannels)->Unit(benchmark::kMicrosecond)->Iterations(2000);
BENCHMARK(BM_C2_GoAllChannels)->Unit(benchmark::kMicrosecond)->Iterations(200);
BENCHMARK(BM_C3_GoTrackingAWholePage)->Unit(benchmark::kMicrosecond)->Iterations(20);
BENCHMARK_MAIN();
