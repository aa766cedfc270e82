// The sequence engine and the live layer on the full rig (700 fixtures, 2048
// function records), one background poll per iteration:
//   S1 four sequences crossfading full memories (every value, generator
//      and figure byte) on all channels: the poll's sequence job, the
//      cue-fade runner's element pass over every fading element, and the
//      merge of what changed;
//   S2 the step burst: all four sequences step in the same poll (four
//      unpacks of a full memory, their step images and the fading-list
//      rebuilds), with the element pass and the merge.
// Each reports the median, 99th percentile and maximum time per poll.
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
#include "memories/memory_store.h"
#include "platform/machine.h"
#include "playback/live_layer.h"
#include "playback/output_merge.h"
#include "playback/playback_state.h"
#include "playback/sequence_engine.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/main_loop.h"
#include "runtime/show_tables.h"
#include "setup/fixture_type.h"
#include "setup/setup_data.h"

namespace {

using bench::MemoryFolder;

constexpr int kFixtures = bench::kRigFixtures;
using bench::kNarrowChannels;
using bench::kWideChannels;
constexpr int kSequences = playback::kSequences;
constexpr uint32_t kPollStep_ms = 5;

struct FullRig {
    std::unique_ptr<platform::Machine> machine;
    std::unique_ptr<setup::FixtureTypeDef> wide = bench::make_rig_type(kWideChannels);
    std::unique_ptr<setup::FixtureTypeDef> narrow = bench::make_rig_type(kNarrowChannels);
    std::unique_ptr<MemoryFolder> folder;

    explicit FullRig(benchmark::State& state) : machine(bench::start_console(state)) {
        setup::fixture_type_defs[1] = wide.get();
        setup::fixture_type_defs[2] = narrow.get();
        bench::lay_out_full_rig(setup::setup_data);
        setup::fixture_count = kFixtures;
        setup::fixture_type_count = 2;
        runtime::init_fixture_tables();
        machine->cards.set_master_fader(0, 1, 255);
        folder = std::make_unique<MemoryFolder>(*machine, "bravinox_sequence_bench");
        runtime::run_background();
    }
    ~FullRig() {
        folder.reset();
        runtime::free_tables();
        setup::fixture_type_defs[1] = nullptr;
        setup::fixture_type_defs[2] = nullptr;
        platform::install_machine(nullptr);
    }

    void next_poll() { machine->advance_ms(kPollStep_ms); }
};

// Memory m full: every value, generator byte and figure byte, different per memory.
bool store_full_memory(int m) {
    const int records = runtime::function_record_count;
    std::vector<uint16_t> values(runtime::kShowRecords + 1, runtime::kValueNotSet);
    std::vector<uint8_t> generators(runtime::kShowGeneratorBytes + 1, runtime::kByteNotSet);
    std::vector<uint8_t> figures(runtime::kShowFigureBytes + 1, runtime::kByteNotSet);
    for (int r = 1; r <= records; ++r) values[static_cast<size_t>(r)] = static_cast<uint16_t>((r * 7 + m * 61) % 256);
    for (int i = 1; i <= records * 6; ++i) generators[static_cast<size_t>(i)] = static_cast<uint8_t>((i + m * 17) % 120);
    for (int i = 1; i <= kFixtures * 10; ++i) figures[static_cast<size_t>(i)] = static_cast<uint8_t>((i * 3 + m * 11) % 120);
    return memories::pack_memory(static_cast<int16_t>(m), values.data(), generators.data(), figures.data(), nullptr,
                                 nullptr);
}

// Sequence s: two full memories in an endless forward loop, automatic, a
// long fade (so that every poll of the benchmark is mid-crossfade).
void program_sequence(int s) {
    playback::SequenceRecord& r = playback::sequence_table[static_cast<size_t>(s)];
    r = playback::SequenceRecord{};
    r.flags = 1;
    r.loop_memories[1] = static_cast<uint16_t>(2 * s - 1);
    r.loop_memories[2] = static_cast<uint16_t>(2 * s);
    r.loop_length = 2;
    r.loop_count = playback::kInfiniteLoops;
    r.fade_time = 60000;  // 600 s
    r.step_fade_modes[2] = playback::kFadeAll;
    r.step_fade_modes[3] = playback::kFadeAll;
    r.mode = 1;  // running, ASYN, automatic, forward
}

bool set_up_sequences(benchmark::State& state, FullRig& rig) {
    for (int m = 1; m <= 2 * kSequences; ++m) {
        if (!store_full_memory(m)) {
            state.SkipWithError("the memory was not stored");
            return false;
        }
    }
    for (int s = 1; s <= kSequences; ++s) program_sequence(s);
    // Two steps each, so that every step has a full previous image.
    for (int pass = 0; pass < 2; ++pass) {
        for (int s = 1; s <= kSequences; ++s) playback::sequence_advance_request[static_cast<size_t>(s)] = 1;
        rig.next_poll();
        runtime::run_background();
    }
    return true;
}

using bench::timed_runs;

// One poll as the console runs it once the cue-fade runner calls the
// element pass: the sequence job, the element pass (rebuilding the lists
// when a point-cue state changed), the merge.
void poll_with_element_pass() {
    if (playback::run_fading_elements()) playback::rebuild_fading_channel_list();
    runtime::run_background();
}

void BM_S1_FourSequencesCrossfadingFullMemories(benchmark::State& state) {
    FullRig rig(state);
    if (!set_up_sequences(state, rig)) return;
    timed_runs(state, [&rig](int) { rig.next_poll(); }, [](int) { poll_with_element_pass(); });
    const uint32_t progress = playback::sequence_crossfade[1].progress;
    if (progress == 0 || progress >= 65535) state.SkipWithError("the crossfade was not running");
    int fading = 0;
    for (int r = 1; r <= runtime::function_record_count; ++r) fading += runtime::cue_fade_lists.channels[r] != 0 ? 1 : 0;
    state.counters["fading_channels"] = fading;
}

void BM_S2_FourSequencesStepInOnePoll(benchmark::State& state) {
    FullRig rig(state);
    if (!set_up_sequences(state, rig)) return;
    timed_runs(
        state,
        [&rig](int) {
            for (int s = 1; s <= kSequences; ++s) playback::sequence_advance_request[static_cast<size_t>(s)] = 1;
            rig.next_poll();
        },
        [](int) { poll_with_element_pass(); });
}

}  // namespace

BENCHMARK(BM_S1_FourSequencesCrossfadingFullMemories)->Unit(benchmark::kMicrosecond)->Iterations(300);
BENCHMARK(BM_S2_FourSequencesStepInOnePoll)->Unit(benchmark::kMicrosecond)->Iterations(100);
BENCHMARK_MAIN();
