// The stage output pinned: the playback scenarios of the benchmarks, scaled
// to the demo rig, run through the console poll by poll, and every DMX byte
// of both universes after every poll folded into one checksum per scenario.
// The expected checksums are the output of the merge, the live layer, the
// sequence and cue engines and the effect engines as they stood when the
// checksums were taken; any change to a single byte of a single poll shows
// here. Each scenario also checks that its output moves, so that a checksum
// of a dark or frozen stage cannot pass for a pinned one.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <new>
#include <vector>

#include "../programmer/programmer_test_rig.h"
#include "datafiles/cue_memory_file.h"
#include "datafiles/record_files.h"
#include "memcheck/memcheck.h"
#include "memories/memory_store.h"
#include "memories/presets.h"
#include "playback/cue_fades.h"
#include "playback/cue_tables.h"
#include "playback/key_groups.h"
#include "playback/live_layer.h"
#include "playback/output_merge.h"
#include "playback/playback_state.h"
#include "playback/sequence_engine.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/show_tables.h"
#include "runtime/timers.h"
#include "setup/setup_data.h"
#include "ui/memory_access.h"

namespace {

constexpr int kUniverses = 2;
constexpr int kAddresses = 512;
constexpr uint64_t kFnvOffset = 1469598103934665603ULL;
constexpr uint64_t kFnvPrime = 1099511628211ULL;

struct PollTrace {
    uint64_t checksum = kFnvOffset;
    int changed_polls = 0;  // polls whose output differed from the poll before
};

class PinnedOutput : public programmer_test::DemoRig {
protected:
    void SetUp() override {
        DemoRig::SetUp();
        saved_preset_ = memories::value_preset_table[5];
        for (size_t r = 0; r < preset_.size(); ++r) preset_[r] = static_cast<uint16_t>(40 + r % 200);
        memories::value_preset_table[5] = preset_.data();
    }
    void TearDown() override {
        memories::value_preset_table[5] = saved_preset_;
        for (int m : cue_memories_) {
            datafiles::MemoryItem*& list = datafiles::memcue_items[static_cast<size_t>(m)];
            if (list != nullptr) memcheck::mc_free_at(list, __FILE__, __LINE__);
            list = nullptr;
            datafiles::memcue_index[static_cast<size_t>(m)].count = 0;
        }
    }

    static int records() { return runtime::function_record_count; }
    static int fixtures() { return setup::fixture_count; }

    // One poll as the console runs it once the cue-fade runner calls the
    // element pass, then every DMX byte folded into the trace.
    void poll(PollTrace& trace) {
        if (playback::run_fading_elements()) playback::rebuild_fading_channel_list();
        rig_.run_ms(1);
        std::array<uint8_t, kUniverses * kAddresses> image{};
        for (int u = 1; u <= kUniverses; ++u) {
            for (int a = 1; a <= kAddresses; ++a) image[static_cast<size_t>((u - 1) * kAddresses + a - 1)] = rig_.dmx(u, a);
        }
        for (uint8_t b : image) trace.checksum = (trace.checksum ^ b) * kFnvPrime;
        if (image != last_image_) ++trace.changed_polls;
        last_image_ = image;
    }

    // Playback p's layer full: every value (one in ten value preset 5), every
    // generator and figure byte, thresholds spread over the low levels, the
    // fade mode given, running.
    static void load_full_playback(int p, uint8_t mode) {
        const auto layer = static_cast<size_t>(p);
        for (int r = 1; r <= records(); ++r) {
            runtime::layer_values[layer][r] = r % 10 == 0 ? 1005 : static_cast<uint16_t>((r * 7 + p * 13) % 256);
            runtime::playback_thresholds[layer][r] = static_cast<uint8_t>((r * p) % 60);
        }
        for (int i = 1; i <= records() * 6; ++i) runtime::layer_generators[layer][i] = static_cast<uint8_t>((i + p) % 120);
        for (int i = 1; i <= fixtures() * 10; ++i) runtime::layer_figures[layer][i] = static_cast<uint8_t>((i * 3 + p) % 120);
        playback::playback_table[layer].fade_mode = mode;
        playback::playback_table[layer].flags = 1;
        playback::playback_table[layer].memory = static_cast<int16_t>(p);
        playback::playback_active[layer] = 1;
        playback::playback_levels[layer] = 65535;
        playback::build_playback_fade_modes(static_cast<int16_t>(p));
        playback::mark_playback_channels_dirty(static_cast<int16_t>(p));
    }

    // Memory m full: every value, generator and figure byte, different per memory.
    static void store_full_memory(int m) {
        std::vector<uint16_t> values(runtime::kShowRecords + 1, runtime::kValueNotSet);
        std::vector<uint8_t> generators(runtime::kShowGeneratorBytes + 1, runtime::kByteNotSet);
        std::vector<uint8_t> figures(runtime::kShowFigureBytes + 1, runtime::kByteNotSet);
        for (int r = 1; r <= records(); ++r) values[static_cast<size_t>(r)] = static_cast<uint16_t>((r * 7 + m * 61) % 256);
        for (int i = 1; i <= records() * 6; ++i) generators[static_cast<size_t>(i)] = static_cast<uint8_t>((i + m * 17) % 120);
        for (int i = 1; i <= fixtures() * 10; ++i) figures[static_cast<size_t>(i)] = static_cast<uint8_t>((i * 3 + m * 11) % 120);
        ASSERT_TRUE(memories::pack_memory(static_cast<int16_t>(m), values.data(), generators.data(), figures.data(),
                                          nullptr, nullptr));
    }

    // Slot's point cue runs cue memory m = slot with the items; times in tenths.
    void program_point(int slot, const std::vector<datafiles::MemoryItem>& items, uint16_t fade_in) {
        const auto m = static_cast<int16_t>(slot);
        datafiles::MemoryItem*& list = datafiles::memcue_items[static_cast<size_t>(m)];
        list = static_cast<datafiles::MemoryItem*>(
            memcheck::mc_malloc_at(items.size() * sizeof(datafiles::MemoryItem), __FILE__, __LINE__));
        ASSERT_NE(list, nullptr);
        std::copy(items.begin(), items.end(), list);
        datafiles::memcue_index[static_cast<size_t>(m)].count = static_cast<int32_t>(items.size());
        cue_memories_.push_back(m);
        playback::PointcueRecord*& entry = playback::cue_pointcue_table[static_cast<size_t>(slot)];
        if (entry == nullptr) {
            void* block = runtime::show_table_allocator(sizeof(playback::PointcueRecord), __FILE__, __LINE__);
            entry = new (block) playback::PointcueRecord{};
        }
        *entry = playback::PointcueRecord{};
        entry->flags = playback::CUE_RECORD_IN_CUE;
        entry->point_memory = m;
        entry->fade_mode = 1;
        entry->fade_in = fade_in;
        entry->delay_out = playback::kEndlessTenths;
        entry->hold = playback::kEndlessTenths;
        playback::update_cue_programmed_flag(static_cast<int16_t>(slot));
    }

    std::array<uint16_t, runtime::kShowRecords + 1> preset_{};
    uint16_t* saved_preset_ = nullptr;
    std::vector<int> cue_memories_;
    std::array<uint8_t, kUniverses * kAddresses> last_image_{};
};

// One playback with a full layer, its fader moving every poll.
TEST_F(PinnedOutput, OneFaderMoving) {
    load_full_playback(1, playback::kFadeAll);
    PollTrace trace;
    for (int n = 0; n < 80; ++n) {
        rig_.set_playback_fader(1, static_cast<uint8_t>(n % 2 == 0 ? 78 + n : 195 - n));
        poll(trace);
    }
    EXPECT_GE(trace.changed_polls, 60);
    EXPECT_EQ(trace.checksum, 14405394733966949416ULL);
}

// All 42 playbacks full, every fade mode in turn, every fader and GRAND
// moving every poll.
TEST_F(PinnedOutput, FortyTwoPlaybacksCrossfading) {
    for (int p = 1; p <= playback::kPlaybacks; ++p) load_full_playback(p, static_cast<uint8_t>(p % 6));
    PollTrace trace;
    for (int n = 0; n < 60; ++n) {
        for (int p = 1; p <= playback::kPlaybacks; ++p) {
            rig_.set_playback_fader(p, static_cast<uint8_t>(40 + ((n + p) % 2) * 150 + p + n % 7));
        }
        rig_.set_master_fader(1, static_cast<uint8_t>(n % 2 == 0 ? 255 : 200 - n));
        poll(trace);
    }
    EXPECT_GE(trace.changed_polls, 50);
    EXPECT_EQ(trace.checksum, 8751019302280621448ULL);
}

// The load burst of a go-to-cue: 42 idle playbacks each loaded with a full
// memory in one poll, their faders up, then the faders pulled down one by
// one so that each playback stops in turn.
TEST_F(PinnedOutput, GoToCueLoadBurstAndStops) {
    for (int m = 1; m <= playback::kPlaybacks; ++m) store_full_memory(m);
    for (int p = 1; p <= playback::kPlaybacks; ++p) rig_.set_playback_fader(p, static_cast<uint8_t>(60 + 4 * p));
    for (int p = 1; p <= playback::kPlaybacks; ++p) {
        const auto layer = static_cast<size_t>(p);
        ui::unpack_memory(static_cast<int16_t>(p));
        const ui::MemoryWorkBuffers& work = ui::memory_work_buffers;
        std::copy_n(work.values + 1, records(), runtime::layer_values[layer] + 1);
        std::copy_n(work.generators + 1, records() * 6, runtime::layer_generators[layer] + 1);
        std::copy_n(work.figures + 1, fixtures() * 10, runtime::layer_figures[layer] + 1);
        for (int r = 1; r <= records(); ++r) runtime::playback_thresholds[layer][r] = static_cast<uint8_t>((r + p) % 90);
        playback::playback_table[layer].fade_mode = static_cast<uint8_t>((p + 3) % 6);
        playback::playback_table[layer].flags = 1;
        playback::playback_table[layer].memory = static_cast<int16_t>(p);
        playback::build_playback_fade_modes(static_cast<int16_t>(p));
        playback::playback_active[layer] = 1;
        playback::playback_levels[layer] = playback::kPlaybackStartLevel;
        playback::mark_playback_channels_dirty(static_cast<int16_t>(p));
    }
    PollTrace trace;
    for (int n = 0; n < 50; ++n) {
        if (n >= 5) rig_.set_playback_fader(playback::kPlaybacks + 5 - n, 0);
        poll(trace);
    }
    EXPECT_GE(trace.changed_polls, 15);
    EXPECT_EQ(trace.checksum, 7398739252519937402ULL);
}

// Four sequences of two full memories each, short crossfades, stepping on
// their own and on requests, all four in the same poll at times.
TEST_F(PinnedOutput, FourSequencesSteppingAndCrossfading) {
    for (int m = 1; m <= 2 * playback::kSequences; ++m) store_full_memory(m);
    for (int s = 1; s <= playback::kSequences; ++s) {
        playback::SequenceRecord& r = playback::sequence_table[static_cast<size_t>(s)];
        r = playback::SequenceRecord{};
        r.flags = 1;
        r.loop_memories[1] = static_cast<uint16_t>(2 * s - 1);
        r.loop_memories[2] = static_cast<uint16_t>(2 * s);
        r.loop_length = 2;
        r.loop_count = playback::kInfiniteLoops;
        r.fade_time = static_cast<uint16_t>(3 + 2 * s);  // 50 ms to 110 ms
        r.wait_delay = static_cast<uint16_t>(4 + s);
        r.step_fade_modes[2] = playback::kFadeAll;
        r.step_fade_modes[3] = static_cast<uint8_t>(s % 2 == 0 ? playback::kFadeAll : playback::kFadeWithPermission);
        r.mode = 1;  // running, ASYN, automatic, forward
    }
    PollTrace trace;
    for (int n = 0; n < 400; ++n) {
        if (n % 97 == 0) {
            for (int s = 1; s <= playback::kSequences; ++s) playback::sequence_advance_request[static_cast<size_t>(s)] = 1;
        }
        poll(trace);
    }
    EXPECT_GE(trace.changed_polls, 100);
    EXPECT_EQ(trace.checksum, 5770555855422904324ULL);
}

// A GO that tracks a page: 60 earlier point cues of three channels, a
// generator byte and a figure byte each, then the last cue of one channel,
// whose GO tracks everything else down the page and fades it in.
TEST_F(PinnedOutput, GoTrackingAPage) {
    setup::setup_data.set_u8(setup::kSetupCuePageTracing, 1);
    runtime::mode_flags |= runtime::MODE_CUE_TIMING;
    constexpr int kLast = 61;
    for (int s = 1; s < kLast; ++s) {
        std::vector<datafiles::MemoryItem> items;
        for (int i = 0; i < 3; ++i) {
            const int r = (s * 3 + i) % records() + 1;
            items.push_back({0, static_cast<uint16_t>(r), static_cast<uint16_t>((s * 37 + i) % 256)});
        }
        items.push_back({static_cast<uint8_t>(10 * (s % 6 + 1)), static_cast<uint16_t>(s % records() + 1),
                         static_cast<uint16_t>(s % 100)});
        items.push_back({static_cast<uint8_t>(100 + 10 * (s % 10)), static_cast<uint16_t>(s % fixtures() + 1),
                         static_cast<uint16_t>((s * 5) % 120)});
        program_point(s, items, 5);
    }
    program_point(kLast, {{0, 14, 255}}, 3);
    runtime::show_time = 100'000;
    playback::last_pointcue_started = kLast;
    playback::start_cue_fade(kLast, 0);
    PollTrace trace;
    for (int n = 0; n < 120; ++n) {
        runtime::show_time += 5;
        poll(trace);
    }
    EXPECT_GE(trace.changed_polls, 40);
    EXPECT_EQ(trace.checksum, 14072055209070732311ULL);
}

}  // namespace
