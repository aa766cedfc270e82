// The output merge on the full rig (700 fixtures, 2048 function records),
// one pass of the background poll per iteration:
//   B0 idle: nothing marked, the fixed cost of the poll and the engines;
//   B1 one fader moving: playback 1 with a full memory changes its level
//      every poll and is re-merged;
//   B2 worst case: 42 full playbacks crossfading (mode 2, thresholds set,
//      one value in ten a preset reference), every level changing every
//      poll, GRAND moving, the value table view on.
//   B3 the load burst of a go-to-cue onto 42 idle playbacks, with the poll
//      that merges it;
//   B4 a store and a recall of a full programmer (52 056 items).
// Each reports the median, 99th percentile and maximum time per poll and the
// memory the layers take.
#include <benchmark/benchmark.h>

#include "bench_console.h"
#include "bench_rig.h"
#include "bench_timing.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "datafiles/record_files.h"
#include "memories/memory_index.h"
#include "memories/memory_store.h"
#include "memories/presets.h"
#include "platform/machine.h"
#include "playback/output_merge.h"
#include "playback/playback_state.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/main_loop.h"
#include "runtime/show_tables.h"
#include "setup/fixture_type.h"
#include "setup/setup_data.h"
#include "ui/memory_access.h"

namespace {

using bench::MemoryFolder;

constexpr int kFixtures = bench::kRigFixtures;
using bench::kNarrowChannels;
using bench::kWideChannels;

struct FullRig {
    std::unique_ptr<platform::Machine> machine;
    std::unique_ptr<setup::FixtureTypeDef> wide = bench::make_rig_type(kWideChannels);
    std::unique_ptr<setup::FixtureTypeDef> narrow = bench::make_rig_type(kNarrowChannels);
    std::array<uint16_t, runtime::kShowRecords + 1> preset{};

    explicit FullRig(benchmark::State& state) : machine(bench::start_console(state)) {
        setup::fixture_type_defs[1] = wide.get();
        setup::fixture_type_defs[2] = narrow.get();
        bench::lay_out_full_rig(setup::setup_data);
        setup::fixture_count = kFixtures;
        setup::fixture_type_count = 2;
        runtime::init_fixture_tables();
        preset.fill(100);
        memories::value_preset_table[5] = preset.data();
        machine->cards.set_master_fader(0, 1, 255);
        runtime::run_background();
    }
    ~FullRig() {
        memories::value_preset_table[5] = nullptr;
        runtime::free_tables();
        setup::fixture_type_defs[1] = nullptr;
        setup::fixture_type_defs[2] = nullptr;
        platform::install_machine(nullptr);
    }
};

// Playback p with a full memory: every value (one in ten preset 5), every
// generator byte, threshold 10 on every record.
void load_full_playback(int p, uint8_t mode) {
    const auto layer = static_cast<size_t>(p);
    const int records = runtime::function_record_count;
    for (int r = 1; r <= records; ++r) {
        runtime::layer_values[layer][r] = r % 10 == 0 ? 1005 : static_cast<uint16_t>((r * 7 + p * 13) % 256);
        runtime::playback_thresholds[layer][r] = 10;
    }
    for (int i = 1; i <= records * 6; ++i) runtime::layer_generators[layer][i] = static_cast<uint8_t>((i + p) % 120);
    playback::playback_table[layer].fade_mode = mode;
    playback::playback_table[layer].flags = 1;
    playback::playback_active[layer] = 1;
    playback::playback_levels[layer] = 65535;
    playback::build_playback_fade_modes(static_cast<int16_t>(p));
}

size_t layer_memory_bytes() {
    const size_t layers = runtime::kShowLayers + 1;
    const size_t per_layer = (runtime::kShowRecords + 1) * sizeof(uint16_t) + runtime::kShowGeneratorBytes + 1 +
                             runtime::kShowFigureBytes + 1;
    const size_t manual = per_layer;
    const size_t tables = sizeof(playback::playback_fade_modes) + runtime::kShowPlaybacks * (runtime::kShowRecords + 1);
    return layers * per_layer + manual + tables;
}

// Runs the timed work once per iteration (bench::timed_runs) and reports the
// layer memory beside the timings.
template <typename Prepare, typename Work>
void timed_runs(benchmark::State& state, Prepare prepare, Work work) {
    bench::timed_runs(state, prepare, work);
    state.counters["layer_kb"] = static_cast<double>(layer_memory_bytes()) / 1024.0;
}

// One background poll per iteration; step prepares the next poll (untimed).
template <typename Step>
void timed_polls(benchmark::State& state, Step step) {
    timed_runs(state, step, [](int) { runtime::run_background(); });
}

void BM_B0_IdlePollFullRig(benchmark::State& state) {
    FullRig rig(state);
    timed_polls(state, [](int) {});
}

void BM_B1_OneFaderMoving(benchmark::State& state) {
    FullRig rig(state);
    load_full_playback(1, playback::kFadeAll);
    // The fader scan of the poll makes the level from the playback fader.
    timed_runs(
        state,
        [&rig](int n) { rig.machine->cards.set_playback_fader(0, 1, static_cast<uint8_t>(n % 2 == 0 ? 78 : 195)); },
        [](int) {
            playback::mark_playback_channels_dirty(1);
            runtime::run_background();
        });
    if (runtime::output_base_values[1] == 0) state.SkipWithError("the playback merged nothing");
}

// The playback faders move before the poll; the fader scan of the poll turns
// them into levels, and the marks they set (42 full layers) are timed with
// the poll, which is where the console sets them.
void BM_B2_WorstCase(benchmark::State& state) {
    FullRig rig(state);
    for (int p = 1; p <= playback::kPlaybacks; ++p) load_full_playback(p, playback::kFadeAll);
    runtime::option_flags |= runtime::OPT_TABLE_VIEW;
    timed_runs(
        state,
        [&rig](int n) {
            for (int p = 1; p <= playback::kPlaybacks; ++p) {
                rig.machine->cards.set_playback_fader(0, p, static_cast<uint8_t>(40 + ((n + p) % 2) * 150 + p));
            }
            rig.machine->cards.set_master_fader(0, 1, static_cast<uint8_t>(n % 2 == 0 ? 255 : 200));
        },
        [](int) {
            for (int p = 1; p <= playback::kPlaybacks; ++p) playback::mark_playback_channels_dirty(static_cast<int16_t>(p));
            runtime::run_background();
        });
}

// The programmer full: every value (one in ten preset 5), every generator
// and figure byte and every time set; 52 056 items once packed.
void fill_programmer(int seed) {
    const int records = runtime::function_record_count;
    for (int r = 1; r <= records; ++r) {
        runtime::programmer_values[r] = r % 10 == 0 ? 1005 : static_cast<uint16_t>((r * 7 + seed * 13) % 256);
    }
    for (int i = 1; i <= records * 6; ++i) runtime::programmer_generators[i] = static_cast<uint8_t>((i + seed) % 120);
    for (int i = 1; i <= kFixtures * 10; ++i) runtime::programmer_figures[i] = static_cast<uint8_t>((i * 3 + seed) % 120);
    for (int i = 1; i <= records * 15; ++i) {
        runtime::programmer_times[i] = static_cast<uint16_t>((i + seed) % 600);
        runtime::programmer_time_set[i] = 1;
    }
}

bool store_programmer(int memory) {
    return memories::pack_memory(static_cast<int16_t>(memory), runtime::programmer_values, runtime::programmer_generators,
                                 runtime::programmer_figures, runtime::programmer_times, runtime::programmer_time_set);
}

// Playback p loaded with memory m as the loader does it: the memory unpacked
// into the work buffers and copied into the playback's layer, threshold 10 on
// every record, the fade-mode table built, the playback started and marked.
void load_playback_with_memory(int p, int memory) {
    const auto layer = static_cast<size_t>(p);
    const int records = runtime::function_record_count;
    ui::unpack_memory(static_cast<int16_t>(memory));
    const ui::MemoryWorkBuffers& work = ui::memory_work_buffers;
    std::copy_n(work.values + 1, records, runtime::layer_values[layer] + 1);
    std::copy_n(work.generators + 1, records * 6, runtime::layer_generators[layer] + 1);
    std::copy_n(work.figures + 1, kFixtures * 10, runtime::layer_figures[layer] + 1);
    std::fill_n(runtime::playback_thresholds[layer] + 1, records, uint8_t{10});
    playback::playback_table[layer].fade_mode = playback::kFadeAll;
    playback::playback_table[layer].flags = 1;
    playback::playback_table[layer].memory = static_cast<int16_t>(memory);
    playback::build_playback_fade_modes(static_cast<int16_t>(p));
    playback::playback_active[layer] = 1;
    playback::playback_levels[layer] = playback::kPlaybackStartLevel;
    playback::mark_playback_channels_dirty(static_cast<int16_t>(p));
}

// B3, the load burst of a go-to-cue whose cue gives all 42 playbacks a full
// memory while they are idle (the loads are immediate): 42 unpacks and layer
// copies, then the poll that merges every target under 42 playbacks.
void BM_B3_GoToCueLoadBurst(benchmark::State& state) {
    FullRig rig(state);
    MemoryFolder folder(*rig.machine, "bravinox_merge_bench");
    for (int m = 1; m <= playback::kPlaybacks; ++m) {
        fill_programmer(m);
        if (!store_programmer(m)) state.SkipWithError("the memory was not stored");
    }
    timed_runs(
        state,
        [](int) {
            for (int p = 1; p <= playback::kPlaybacks; ++p) {
                playback::playback_active[static_cast<size_t>(p)] = 0;
                playback::playback_levels[static_cast<size_t>(p)] = 0;
            }
        },
        [](int) {
            for (int p = 1; p <= playback::kPlaybacks; ++p) load_playback_with_memory(p, p);
            runtime::run_background();
        });
    if (runtime::layer_values[42][2] == runtime::kValueNotSet) state.SkipWithError("the layers were not loaded");
}

// B4, a store and a recall of a full programmer: the 52 056 items packed and
// written to the memory file, then unpacked again into the work buffers.
void BM_B4_StoreFullProgrammer(benchmark::State& state) {
    FullRig rig(state);
    MemoryFolder folder(*rig.machine, "bravinox_merge_bench");
    timed_runs(
        state, [](int n) { fill_programmer(n); }, [](int) { store_programmer(100); });
    if (memories::memory_index[100].count != 52056) state.SkipWithError("the memory does not hold the full programmer");
}

void BM_B4_RecallFullProgrammer(benchmark::State& state) {
    FullRig rig(state);
    MemoryFolder folder(*rig.machine, "bravinox_merge_bench");
    fill_programmer(1);
    store_programmer(100);
    timed_runs(
        state, [](int) {}, [](int) { ui::unpack_memory(100); });
    if (ui::memory_work_buffers.generators[6] == runtime::kByteNotSet) state.SkipWithError("nothing was recalled");
}

}  // namespace

BENCHMARK(BM_B0_IdlePollFullRig)->Unit(benchmark::kMicrosecond)->Iterations(2000);
BENCHMARK(BM_B1_OneFaderMoving)->Unit(benchmark::kMicrosecond)->Iterations(1000);
BENCHMARK(BM_B2_WorstCase)->Unit(benchmark::kMicrosecond)->Iterations(300);
BENCHMARK(BM_B3_GoToCueLoadBurst)->Unit(benchmark::kMicrosecond)->Iterations(50);
BENCHMARK(BM_B4_StoreFullProgrammer)->Unit(benchmark::kMicrosecond)->Iterations(100);
BENCHMARK(BM_B4_RecallFullProgrammer)->Unit(benchmark::kMicrosecond)->Iterations(300);
BENCHMARK_MAIN();
