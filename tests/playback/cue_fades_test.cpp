// The point-cue fades on the demo rig: the GO turning a point memory into
// fade records, the three phase machines, the linked cue at the end of a
// HOLD, the whole-cue follow, the progress bars, tracking and the dark
// premove. The show time is set by hand and the engine is called on the
// test's thread while the console waits.
//
// Demo rig records used: fixture 1 (SPOT16) pan 1 (fine 2), tilt 3 (fine
// 4), focus 9, intensity 14 (its dimmer); fixture 11 (DIMMER, no PAN)
// intensity 145.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <new>
#include <vector>

#include "../programmer/programmer_test_rig.h"
#include "datafiles/cue_memory_file.h"
#include "datafiles/record_files.h"
#include "memcheck/memcheck.h"
#include "memories/memory_store.h"
#include "playback/cue_fades.h"
#include "playback/cue_tables.h"
#include "playback/cue_tracking.h"
#include "playback/key_groups.h"
#include "playback/sequence_engine.h"
#include "playback/sequence_programming.h"
#include "programmer/programmer_values.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/key_codes.h"
#include "runtime/show_tables.h"
#include "runtime/step_log.h"
#include "runtime/timers.h"
#include "setup/setup_data.h"
#include "ui/fader_widget.h"
#include "ui/memory_access.h"
#include "ui/message_line.h"

namespace {

using datafiles::MemoryItem;
using runtime::CueFadeRecord;
using Items = std::vector<MemoryItem>;

constexpr int16_t kPan = 1;
constexpr int16_t kPanFine = 2;
constexpr int16_t kTilt = 3;
constexpr int16_t kFocus = 9;
constexpr int16_t kIntensity = 14;
constexpr int16_t kDimmer11 = 145;
constexpr uint32_t kEndless = runtime::kEndlessTime_ms;
constexpr uint16_t kInf = playback::kEndlessTenths;
constexpr uint32_t kGo = 100'000;  // the show time of the GOs

MemoryItem value(int r, int v) { return {0, static_cast<uint16_t>(r), static_cast<uint16_t>(v)}; }
MemoryItem generator(int r, int p, int v) {
    return {static_cast<uint8_t>(10 * p), static_cast<uint16_t>(r), static_cast<uint16_t>(v)};
}
MemoryItem figure(int f, int k, int v) {
    return {static_cast<uint8_t>(100 + 10 * (k - 1)), static_cast<uint16_t>(f), static_cast<uint16_t>(v)};
}
// Time kind 201..215 of record r, tenths.
MemoryItem time_item(int r, int kind, int tenths) {
    return {static_cast<uint8_t>(kind), static_cast<uint16_t>(r), static_cast<uint16_t>(tenths)};
}

// DELAY IN, FADE IN, DELAY OUT, FADE OUT, HOLD in tenths.
struct Times {
    uint16_t delay_in = 0, fade_in = 0, delay_out = kInf, fade_out = 0, hold = kInf;
};

CueFadeRecord& channel(int r) { return runtime::cue_fade_records.channels[r]; }
CueFadeRecord& sub(int j) { return runtime::cue_fade_records.sub_channels[j]; }
CueFadeRecord& extra(int e) { return runtime::cue_fade_records.extras[e]; }
runtime::SequenceStepBuffer& fade_images() { return runtime::sequence_step_buffers[5]; }
runtime::SequenceStepBuffer& go_images() { return runtime::sequence_step_buffers[6]; }
int sub_of(int r, int p) { return (r - 1) * 6 + p; }
int extra_of(int f, int k) { return (f - 1) * 10 + k; }

bool same_record(const CueFadeRecord& a, const CueFadeRecord& b) {
    return a.state == b.state && a.phase_base == b.phase_base && a.running_cue == b.running_cue &&
           a.pending_cue == b.pending_cue && a.pending_start == b.pending_start &&
           a.running_fade_mode == b.running_fade_mode && a.running_delay_in == b.running_delay_in &&
           a.running_fade_in == b.running_fade_in && a.running_delay_out == b.running_delay_out &&
           a.running_fade_out == b.running_fade_out && a.hold_end == b.hold_end &&
           a.pending_fade_mode == b.pending_fade_mode && a.pending_delay_in == b.pending_delay_in &&
           a.pending_fade_in == b.pending_fade_in && a.pending_delay_out == b.pending_delay_out &&
           a.pending_fade_out == b.pending_fade_out && a.hold == b.hold && a.linked_cue == b.linked_cue;
}

class CueFades : public programmer_test::DemoRig {
protected:
    void SetUp() override {
        DemoRig::SetUp();
        runtime::mode_flags |= runtime::MODE_CUE_TIMING;
        runtime::show_time_frozen = 0;
        idle_point_cue_source();
        playback::last_pointcue_started = -1;
        playback::pointcue_follow_cue = 0;
        set_page_settings(0, 0);
        runtime::show_time = kGo;
        runtime::clear_step_log();
    }
    void TearDown() override {
        for (int m : memories_) {
            MemoryItem*& list = datafiles::memcue_items[static_cast<size_t>(m)];
            if (list != nullptr) memcheck::mc_free_at(list, __FILE__, __LINE__);
            list = nullptr;
            datafiles::memcue_index[static_cast<size_t>(m)].count = 0;
        }
    }

    // Every fade record idle and the point-cue images empty, as a fresh show.
    static void idle_point_cue_source() {
        CueFadeRecord idle;
        idle.running_delay_out = kEndless;
        std::fill_n(runtime::cue_fade_records.channels, runtime::kShowRecords + 1, idle);
        std::fill_n(runtime::cue_fade_records.sub_channels, runtime::kShowGeneratorBytes + 1, idle);
        std::fill_n(runtime::cue_fade_records.extras, runtime::kShowFigureBytes + 1, idle);
        for (int s : {5, 6}) {
            runtime::SequenceStepBuffer& b = runtime::sequence_step_buffers[static_cast<size_t>(s)];
            std::fill_n(b.previous_values, runtime::kShowRecords + 1, uint16_t{0});
            std::fill_n(b.current_values, runtime::kShowRecords + 1, runtime::kValueNotSet);
            std::fill_n(b.previous_generators, runtime::kShowGeneratorBytes + 1, uint8_t{0});
            std::fill_n(b.current_generators, runtime::kShowGeneratorBytes + 1, runtime::kByteNotSet);
            std::fill_n(b.previous_figures, runtime::kShowFigureBytes + 1, uint8_t{0});
            std::fill_n(b.current_figures, runtime::kShowFigureBytes + 1, runtime::kByteNotSet);
        }
    }

    // Tracing and preparation of page 1: 0 global, 1 on, 2 off (global off).
    static void set_page_settings(uint8_t tracing, uint8_t preparation) {
        setup::setup_data.set_u8(setup::kSetupCuePageTracing, tracing);
        setup::setup_data.set_u8(setup::kSetupCuePagePreparation, preparation);
        setup::setup_data.set_u8(setup::kSetupAutotrace, 0);
        setup::setup_data.set_u8(setup::kSetupAutoprepare, 0);
    }

    void set_cue_memory(int16_t m, const Items& items) {
        MemoryItem*& list = datafiles::memcue_items[static_cast<size_t>(m)];
        if (list != nullptr) memcheck::mc_free_at(list, __FILE__, __LINE__);
        list = static_cast<MemoryItem*>(memcheck::mc_malloc_at(items.size() * sizeof(MemoryItem), __FILE__, __LINE__));
        ASSERT_NE(list, nullptr);
        std::copy(items.begin(), items.end(), list);
        datafiles::memcue_index[static_cast<size_t>(m)].count = static_cast<int32_t>(items.size());
        memories_.push_back(m);
    }

    // Slot's point cue runs cue memory m (m = slot) holding items.
    playback::PointcueRecord& program_point(int slot, const Items& items, Times t = {}, uint8_t fade_mode = 1,
                                            int16_t linked = 0, uint8_t link_mode = 0) {
        const auto m = static_cast<int16_t>(slot);
        set_cue_memory(m, items);
        playback::PointcueRecord*& entry = playback::cue_pointcue_table[static_cast<size_t>(slot)];
        if (entry == nullptr) {
            void* block = runtime::show_table_allocator(sizeof(playback::PointcueRecord), __FILE__, __LINE__);
            entry = new (block) playback::PointcueRecord{};
        }
        playback::PointcueRecord& r = *entry;
        r.flags = playback::CUE_RECORD_IN_CUE;
        r.point_memory = m;
        r.fade_mode = fade_mode;
        r.link_mode = link_mode;
        r.linked_cue = linked;
        r.delay_in = t.delay_in;
        r.fade_in = t.fade_in;
        r.delay_out = t.delay_out;
        r.fade_out = t.fade_out;
        r.hold = t.hold;
        playback::update_cue_programmed_flag(static_cast<int16_t>(slot));
        return r;
    }

    static void go(int slot, uint8_t no_follow = 0, uint16_t fade_in = 0) {
        const playback::PointcueRecord* r = playback::programmed_pointcue(slot);
        playback::go_pointcue(r == nullptr ? int16_t{0} : r->point_memory, static_cast<uint16_t>(slot), no_follow,
                              fade_in);
    }
    static int32_t step_at(uint32_t t, int16_t r) {
        runtime::show_time = t;
        return playback::step_pointcue_channel_fade(r);
    }

    std::vector<int16_t> memories_;
};

// --- the phase machines ------------------------------------------------------

TEST_F(CueFades, AChannelRunsItsFivePhasesAndFadesOutToIdle) {
    // DELAY IN 1 s, FADE IN 2 s, DELAY OUT 1 s, FADE OUT 2 s.
    program_point(1, {value(kFocus, 200)}, {10, 20, 10, 20, kInf});
    runtime::layer_values[0][kFocus] = 40;
    go(1);
    EXPECT_EQ(channel(kFocus).state, playback::kFadeStarted);
    EXPECT_EQ(channel(kFocus).pending_start, kGo + 1000);
    EXPECT_EQ(go_images().current_values[kFocus], 200);

    struct Case {
        uint32_t after_ms;
        int32_t position;
        uint8_t state;
    };
    const Case cases[] = {
        {500, 65535, 1},    // before the take-over: the old fade stands (TO unchanged)
        {1000, -1, 1},      // taken over at the end of DELAY IN
        {2000, 32767, 1},   // half of FADE IN
        {3500, 65535, 1},   // DELAY OUT
        {4500, 49152, 1},   // a quarter into FADE OUT
        {6001, -1, 2},      // past the end: complete
        {6002, -1, 3},
        {6003, -1, 0},      // faded out: idle
    };
    for (const Case& c : cases) {
        EXPECT_EQ(step_at(kGo + c.after_ms, kFocus), c.position) << c.after_ms;
        EXPECT_EQ(channel(kFocus).state, c.state) << c.after_ms;
        if (c.after_ms == 1000) {
            EXPECT_EQ(fade_images().previous_values[kFocus], 40);  // FROM: where layer 0 stood
            EXPECT_EQ(fade_images().current_values[kFocus], 200);  // TO: the GO target
            EXPECT_EQ(channel(kFocus).pending_start, 0u);
            EXPECT_EQ(channel(kFocus).running_cue, 1);
        }
    }
}

TEST_F(CueFades, AllTimesZeroTakeOverAndCompleteInTheFirstRun) {
    struct Case {
        uint16_t delay_out;
        int32_t position;
        uint8_t last_state;
    };
    for (const Case& c : {Case{kInf, 65535, 4}, Case{0, -1, 0}}) {
        idle_point_cue_source();
        runtime::show_time = kGo;
        playback::last_pointcue_started = -1;
        program_point(1, {value(kFocus, 77)}, {0, 0, c.delay_out, 0, kInf});
        go(1);
        EXPECT_EQ(step_at(kGo, kFocus), c.position) << c.delay_out;
        EXPECT_EQ(fade_images().current_values[kFocus], 77);
        EXPECT_EQ(channel(kFocus).state, 2);
        step_at(kGo + 1, kFocus);
        step_at(kGo + 2, kFocus);
        EXPECT_EQ(channel(kFocus).state, c.last_state) << c.delay_out;
    }
}

TEST_F(CueFades, AGoAtShowTimeZeroIsStillTakenOver) {
    program_point(1, {value(kFocus, 90)}, {0, 0, kInf, 0, kInf});
    runtime::show_time = 0;
    go(1);
    EXPECT_NE(channel(kFocus).pending_start, 0u);  // 0 would read as nothing pending
    EXPECT_EQ(step_at(1, kFocus), 65535);
    EXPECT_EQ(fade_images().current_values[kFocus], 90);
    EXPECT_EQ(channel(kFocus).pending_start, 0u);
}

// Under a sequence's level a dimmer fades from what the point cue last gave
// it (the merge keeps the sequence's level); a level set by hand or by the
// point cue itself is where its fade starts.
TEST_F(CueFades, ADimmerStartsFromTheValueThePointCueLastGaveItOnlyUnderASequence) {
    struct Case {
        uint16_t source;  // step source that set the level on stage, 0 none
        uint16_t from;
    };
    for (const Case& c : {Case{1, 30}, Case{4, 30}, Case{0, 200}, Case{5, 200}}) {
        SCOPED_TRACE(c.source);
        idle_point_cue_source();
        playback::last_pointcue_started = -1;
        program_point(1, {value(kIntensity, 255), value(kFocus, 10)}, {0, 10, kInf, 0, kInf});
        runtime::layer_values[0][kIntensity] = 200;
        uint16_t& flags = runtime::channel_flags[kIntensity];
        flags = static_cast<uint16_t>((flags & ~runtime::FLAG_STEP_SOURCE) | (c.source << runtime::FLAG_STEP_SOURCE_SHIFT));
        runtime::sequence_dimmer_values[5][kIntensity] = 30;
        runtime::layer_values[0][kFocus] = runtime::kValueNotSet;
        go(1);
        step_at(kGo, kIntensity);
        step_at(kGo, kFocus);
        EXPECT_EQ(fade_images().previous_values[kIntensity], c.from);
        EXPECT_EQ(fade_images().previous_values[kFocus], 0);  // not set counts as 0
    }
}

TEST_F(CueFades, GeneratorAndFigureBytesFadeFromLayerZeroAsChannelsDo) {
    program_point(1, {generator(kFocus, 2, 120), figure(1, 3, 60)}, {0, 20, kInf, 0, kInf});
    runtime::layer_generators[0][sub_of(kFocus, 2)] = 20;
    runtime::layer_figures[0][extra_of(1, 3)] = runtime::kByteNotSet;
    go(1);
    runtime::show_time = kGo;  // the runner takes the fades over at the GO's poll
    EXPECT_EQ(playback::step_pointcue_sub_attribute_fade(sub_of(kFocus, 2)), 0);
    EXPECT_EQ(playback::step_pointcue_extra_fade(extra_of(1, 3)), 0);
    runtime::show_time = kGo + 1000;
    EXPECT_EQ(playback::step_pointcue_sub_attribute_fade(sub_of(kFocus, 2)), 32767);
    EXPECT_EQ(playback::step_pointcue_extra_fade(extra_of(1, 3)), 32767);
    EXPECT_EQ(fade_images().previous_generators[sub_of(kFocus, 2)], 20);
    EXPECT_EQ(fade_images().current_generators[sub_of(kFocus, 2)], 120);
    EXPECT_EQ(fade_images().previous_figures[extra_of(1, 3)], 0);
    EXPECT_EQ(fade_images().current_figures[extra_of(1, 3)], 60);
    runtime::show_time = kGo + 2001;
    for (int i = 0; i < 3; ++i) {
        playback::step_pointcue_sub_attribute_fade(sub_of(kFocus, 2));
        playback::step_pointcue_extra_fade(extra_of(1, 3));
    }
    EXPECT_EQ(sub(sub_of(kFocus, 2)).state, playback::kFadeStanding);
    EXPECT_EQ(extra(extra_of(1, 3)).state, playback::kFadeStanding);
}

TEST_F(CueFades, ACoarseRecordCarriesItsFinePartner) {
    program_point(1, {value(kPan, 128), value(kPanFine, 64)}, {0, 10, kInf, 0, kInf});
    runtime::layer_values[0][kPanFine] = 9;
    go(1);
    EXPECT_EQ(channel(kPanFine).state, playback::kFadeStarted);
    EXPECT_EQ(go_images().current_values[kPanFine], 64);
    step_at(kGo, kPan);
    EXPECT_EQ(fade_images().current_values[kPanFine], 64);
    EXPECT_EQ(fade_images().previous_values[kPanFine], 9);
    step_at(kGo + 1001, kPan);
    EXPECT_EQ(channel(kPan).state, 2);
    EXPECT_EQ(channel(kPanFine).state, 2);  // the state change goes to the fine half
}

TEST_F(CueFades, AtTheEndOfHoldTheLinkedCueLoadsTheElement) {
    // Slot 1 holds focus at 100 for 2 s, then slot 2 takes it to 200 in 1 s.
    program_point(1, {value(kFocus, 100)}, {0, 0, kInf, 0, 20}, 1, 2);
    program_point(2, {value(kFocus, 200), time_item(kFocus, 202, 10)}, {0, 50, kInf, 0, kInf}, 2);
    go(1);
    EXPECT_EQ(channel(kFocus).linked_cue, 2);
    EXPECT_EQ(channel(kFocus).hold_end, kGo + 2000);
    for (uint32_t t = kGo; t <= kGo + 1999; t += 500) step_at(t, kFocus);
    EXPECT_EQ(channel(kFocus).state, 3);  // complete, but a link is pending: it does not end
    EXPECT_EQ(go_images().current_values[kFocus], 100);

    step_at(kGo + 2000, kFocus);
    EXPECT_EQ(channel(kFocus).linked_cue, 0);
    EXPECT_EQ(channel(kFocus).state, playback::kFadeStarted);
    EXPECT_EQ(channel(kFocus).pending_cue, 2);
    EXPECT_EQ(channel(kFocus).pending_fade_mode, 2);
    EXPECT_EQ(channel(kFocus).pending_fade_in, 1000u);  // its own time item, not the cue's 5 s
    EXPECT_EQ(go_images().current_values[kFocus], 200);
    step_at(kGo + 2000, kFocus);  // the next poll takes it over
    EXPECT_EQ(step_at(kGo + 2500, kFocus), 32767);
    EXPECT_EQ(fade_images().current_values[kFocus], 200);
}

TEST_F(CueFades, ALinkedCueWithEndlessHoldEndsTheChain) {
    program_point(1, {value(kFocus, 100)}, {0, 0, kInf, 0, 10}, 1, 2);
    program_point(2, {value(kFocus, 200)}, {0, 0, kInf, 0, kInf}, 1, 1);  // links back, but holds for ever
    go(1);
    for (uint32_t t = kGo; t <= kGo + 5000; t += 100) step_at(t, kFocus);
    EXPECT_EQ(channel(kFocus).pending_cue, 2);
    EXPECT_EQ(channel(kFocus).state, playback::kFadeStanding);
    EXPECT_EQ(fade_images().current_values[kFocus], 200);
}

// --- GO ---------------------------------------------------------------------

TEST_F(CueFades, EachElementTakesTheTimesOfItsGroup) {
    // Record 1 is fixture 1's PAN record: group 0 times pan, group 1 tilt,
    // group 2 the figure bytes; focus has its own group 0 and, for its
    // generator bytes, group 1. The DIMMER fixture has no PAN function.
    program_point(1,
                  {value(kPan, 1), value(kTilt, 2), value(kFocus, 3), generator(kFocus, 1, 4), figure(1, 1, 5),
                   figure(11, 1, 6), time_item(kPan, 202, 11), time_item(kPan, 207, 22), time_item(kPan, 212, 33),
                   time_item(kFocus, 202, 44), time_item(kFocus, 207, 55), time_item(kTilt, 202, 66)},
                  {0, 77, kInf, 0, kInf});
    go(1);
    EXPECT_EQ(channel(kPan).pending_fade_in, 1100u);
    EXPECT_EQ(channel(kTilt).pending_fade_in, 2200u);  // not its own record's 6.6 s
    EXPECT_EQ(channel(kFocus).pending_fade_in, 4400u);
    EXPECT_EQ(sub(sub_of(kFocus, 1)).pending_fade_in, 5500u);
    EXPECT_EQ(extra(extra_of(1, 1)).pending_fade_in, 3300u);
    EXPECT_EQ(extra(extra_of(11, 1)).pending_fade_in, 7700u);  // the point cue's own
    EXPECT_EQ(channel(kDimmer11).state, playback::kFadeIdle);  // not in the memory

    // A fade-in override replaces every FADE IN, the memory's own included.
    idle_point_cue_source();
    go(1, 0, 150);
    for (const CueFadeRecord* r : {&channel(kPan), &channel(kTilt), &channel(kFocus), &sub(sub_of(kFocus, 1)),
                                   &extra(extra_of(1, 1)), &extra(extra_of(11, 1))}) {
        EXPECT_EQ(r->pending_fade_in, 15000u);
    }
}

TEST_F(CueFades, TheGoSetsThePendingBlockHoldAndLink) {
    program_point(1, {value(kFocus, 50), generator(kFocus, 1, 7), figure(1, 2, 8)}, {5, 10, 20, 30, 40}, 3, 700);
    runtime::sequence_thresholds[5][kFocus] = 9;
    go(1);
    const CueFadeRecord& r = channel(kFocus);
    EXPECT_EQ(r.pending_fade_mode, 3);
    EXPECT_EQ(r.pending_start, kGo + 500);
    EXPECT_EQ(r.pending_delay_in, 500u);
    EXPECT_EQ(r.pending_fade_in, 1000u);
    EXPECT_EQ(r.pending_delay_out, 2000u);
    EXPECT_EQ(r.pending_fade_out, 3000u);
    EXPECT_EQ(r.hold, 4000u);
    EXPECT_EQ(r.hold_end, kGo + 4000);
    EXPECT_EQ(r.pending_cue, 1);
    for (const CueFadeRecord* e : {&channel(kFocus), &sub(sub_of(kFocus, 1)), &extra(extra_of(1, 2))}) {
        EXPECT_EQ(e->linked_cue, 700);
    }
    EXPECT_EQ(playback::last_pointcue_started, 1);
    EXPECT_EQ(runtime::sequence_thresholds[5][kFocus], 0);

    // With no_follow (the whole cue follows instead) no element links.
    idle_point_cue_source();
    go(1, 1);
    for (const CueFadeRecord* e : {&channel(kFocus), &sub(sub_of(kFocus, 1)), &extra(extra_of(1, 2))}) {
        EXPECT_EQ(e->linked_cue, 0);
    }
    EXPECT_EQ(channel(kFocus).hold, kEndless);
}

TEST_F(CueFades, AnUnchangedElementKeepsWhatItShows) {
    program_point(1, {value(kFocus, 50), value(kTilt, 60)}, {0, 20, kInf, 0, kInf});
    go(1);
    for (uint32_t t = kGo; t <= kGo + 2003; ++t) {
        step_at(t, kFocus);
        step_at(t, kTilt);
    }
    ASSERT_EQ(channel(kFocus).state, playback::kFadeStanding);
    // The next GO changes tilt only.
    program_point(2, {value(kFocus, 50), value(kTilt, 61)}, {0, 20, kInf, 0, kInf});
    runtime::show_time = kGo + 5000;
    go(2);
    EXPECT_EQ(channel(kFocus).state, playback::kFadeStanding);
    EXPECT_EQ(channel(kFocus).pending_start, 0u);
    EXPECT_EQ(channel(kTilt).state, playback::kFadeStarted);
    EXPECT_EQ(channel(kTilt).pending_start, kGo + 5000);
}

TEST_F(CueFades, WithCueTimingOffNothingIsSetUp) {
    program_point(1, {value(kFocus, 50)});
    runtime::mode_flags &= ~runtime::MODE_CUE_TIMING;
    go(1);
    EXPECT_EQ(channel(kFocus).state, playback::kFadeIdle);
    EXPECT_EQ(playback::last_pointcue_started, 1);
}

TEST_F(CueFades, ResetLeavesWhatThePointCueGaveStandingAndTheRestIdle) {
    program_point(1, {value(kFocus, 50), generator(kDimmer11, 6, 9), figure(12, 10, 4)}, {0, 100, kInf, 0, 10}, 1, 2,
                  1);
    program_point(2, {value(kTilt, 60)}, {10, 0, kInf, 0, kInf});
    playback::start_cue_fade(1, 0);
    ASSERT_NE(playback::pointcue_follow_cue, 0);
    runtime::show_time = kGo;
    step_at(kGo, kFocus);  // focus fades, its TO set
    playback::step_pointcue_sub_attribute_fade(sub_of(kDimmer11, 6));
    playback::step_pointcue_extra_fade(extra_of(12, 10));
    go(2);  // tilt waits for its take-over
    channel(kDimmer11).state = playback::kFadeDone1;  // a state without a value
    playback::reset_cue_fades();
    EXPECT_EQ(playback::pointcue_follow_cue, 0);
    EXPECT_EQ(channel(kFocus).state, playback::kFadeStanding);
    EXPECT_EQ(sub(sub_of(kDimmer11, 6)).state, playback::kFadeStanding);
    EXPECT_EQ(extra(extra_of(12, 10)).state, playback::kFadeStanding);
    EXPECT_EQ(channel(kTilt).state, playback::kFadeStanding);
    EXPECT_EQ(channel(kDimmer11).state, playback::kFadeIdle);
    EXPECT_EQ(channel(kIntensity).state, playback::kFadeIdle);
}

TEST_F(CueFades, AfterAResetTheProgrammerStillReachesTheStage) {
    playback::reset_cue_fades();
    runtime::layer_values[0][kFocus] = 0;
    programmer::set_function_value(kFocus, 123);
    EXPECT_EQ(runtime::layer_values[0][kFocus], 123);
}

// --- the cue fade start and the follow -----------------------------------------

TEST_F(CueFades, TheCueFadeStartArmsTheWholeCueFollowOnlyForGlobalLinks) {
    struct Case {
        uint8_t link_mode;
        uint16_t hold;
        int16_t linked;
        uint16_t follow;
    };
    const Case cases[] = {
        {1, 50, 11, 11},   // GLOBAL CUE LINKED with a finite HOLD
        {0, 50, 11, 0},    // LINK ONLY DEFINED CHANNELS: the elements link
        {1, kInf, 11, 0},  // an endless HOLD never follows
        {1, 50, 0, 0},     // nothing linked
    };
    for (const Case& c : cases) {
        idle_point_cue_source();
        program_point(1, {value(kFocus, 50)}, {0, 0, kInf, 0, c.hold}, 1, c.linked, c.link_mode);
        playback::pointcue_follow_cue = 99;
        playback::start_cue_fade(1, 0);
        EXPECT_EQ(playback::pointcue_follow_cue, c.follow) << int{c.link_mode} << " " << c.hold;
        if (c.follow != 0) {
            EXPECT_EQ(playback::pointcue_follow_time, kGo + 5000);
        }
        // The elements link unless the whole cue follows.
        EXPECT_EQ(channel(kFocus).linked_cue, c.follow != 0 ? 0 : c.linked);
    }
    // A slot without a point cue disarms the follow and leaves the fades.
    playback::start_cue_fade(5, 0);
    EXPECT_EQ(playback::pointcue_follow_cue, 0);
    EXPECT_EQ(playback::last_pointcue_started, 1);
}

TEST_F(CueFades, TheCueFadeStartShowsTheTimesWithTheFadeInOverride) {
    program_point(1, {value(kFocus, 50)}, {3, 40, 5, 6, 7});
    struct Case {
        uint16_t fade_in;
        uint32_t shown;
        uint32_t element_ms;
    };
    for (const Case& c : {Case{0, 40, 4000}, Case{1, 0, 100}, Case{150, 150, 15000}}) {
        idle_point_cue_source();
        playback::cue_fade_phase = 10;
        playback::start_cue_fade(1, c.fade_in);
        EXPECT_EQ(playback::cue_progress_state.start_ms, kGo);
        EXPECT_EQ(playback::cue_progress_state.times_tenths, (std::array<uint32_t, 5>{3, c.shown, 5, 6, 7}));
        EXPECT_EQ(playback::current_cue_times, (std::array<int32_t, 5>{3, 40, 5, 6, 7}));  // the record's own
        EXPECT_EQ(playback::cue_fade_phase, 0);
        EXPECT_EQ(channel(kFocus).pending_fade_in, c.element_ms) << c.fade_in;
    }
}

TEST_F(CueFades, TheFollowRunsItsCueOnceWhenDueAndNotBlind) {
    program_point(1, {value(kFocus, 50)}, {0, 0, kInf, 0, 20}, 1, 11, 1);
    program_point(11, {value(kFocus, 80)});
    playback::start_cue_fade(1, 0);
    runtime::show_time = kGo + 1999;
    playback::follow_linked_cue();
    EXPECT_EQ(playback::last_pointcue_started, 1);
    runtime::show_time = kGo + 2000;
    runtime::run_flags |= runtime::RUN_BLIND;
    playback::follow_linked_cue();
    EXPECT_EQ(playback::last_pointcue_started, 1);
    runtime::run_flags &= ~runtime::RUN_BLIND;
    playback::follow_linked_cue();
    EXPECT_EQ(playback::current_cue_slot(), 11);
    EXPECT_EQ(playback::last_pointcue_started, 11);
    EXPECT_EQ(go_images().current_values[kFocus], 80);

    // Without cue timing the cue runs no cue fade: the follow still runs once only.
    program_point(12, {value(kFocus, 90)}, {0, 0, kInf, 0, 10}, 1, 21, 1);
    playback::start_cue_fade(12, 0);
    runtime::mode_flags &= ~runtime::MODE_CUE_TIMING;
    runtime::show_time = kGo + 3000;
    playback::follow_linked_cue();
    EXPECT_EQ(playback::current_cue_slot(), 21);
    EXPECT_EQ(playback::pointcue_follow_cue, 0);
}

// --- the progress bars ---------------------------------------------------------

int16_t bar_level(int i) {
    const ui::FaderWidget& w = ui::cue_fader_widgets[static_cast<size_t>(i)];
    return w.shown != 0 ? w.level : w.saved_level;
}
int16_t bar_colour(int i) {
    const ui::FaderWidget& w = ui::cue_fader_widgets[static_cast<size_t>(i)];
    return w.shown != 0 ? w.label_background_colour : w.saved_label_background_colour;
}

TEST_F(CueFades, TheProgressBarsFollowThePhasesOfTheExecutedCue) {
    // DELAY IN 1 s, FADE IN 2 s, DELAY OUT 1 s, FADE OUT 2 s, HOLD 8 s.
    program_point(1, {value(kFocus, 50)}, {10, 20, 10, 20, 80});
    playback::start_cue_fade(1, 0);
    struct Case {
        uint32_t after_ms;
        std::array<int16_t, 5> levels;
        uint8_t phase;
        int16_t running;  // the bar coloured 1 (0 none of the first four)
    };
    const Case cases[] = {
        {500, {37, 0, 0, 0, 4}, 0, 1},
        {2000, {75, 37, 0, 0, 18}, 1, 2},
        {3500, {75, 75, 37, 0, 32}, 2, 3},
        {6001, {75, 75, 75, 75, 56}, 5, 0},  // two bars end in one pass
        {8001, {75, 75, 75, 75, 75}, 10, 0},
    };
    for (const Case& c : cases) {
        runtime::show_time = kGo + c.after_ms;
        playback::run_cue_fades();
        playback::run_cue_fades();  // the colours follow the phase on the next pass
        for (int i = 1; i <= 5; ++i) EXPECT_EQ(bar_level(i), c.levels[static_cast<size_t>(i - 1)]) << c.after_ms << " bar " << i;
        EXPECT_EQ(playback::cue_fade_phase, c.phase) << c.after_ms;
        for (int i = 1; i <= 4; ++i) EXPECT_EQ(bar_colour(i), i == c.running ? 1 : 8) << c.after_ms << " bar " << i;
        EXPECT_EQ(bar_colour(5), c.phase == 10 ? 8 : 1) << c.after_ms;
    }
}

TEST_F(CueFades, AFrozenShowTimeKeepsTheBarsAndAnEndlessHoldLeavesBarFiveEmpty) {
    program_point(1, {value(kFocus, 50)}, {0, 20, kInf, 0, kInf});
    playback::start_cue_fade(1, 0);
    runtime::show_time = kGo + 1000;
    playback::run_cue_fades();
    ASSERT_EQ(bar_level(2), 37);
    runtime::show_time_frozen = 1;
    runtime::show_time = kGo + 1500;
    playback::run_cue_fades();
    EXPECT_EQ(bar_level(2), 37);
    runtime::show_time_frozen = 0;
    runtime::show_time = kGo + 2001;
    playback::run_cue_fades();
    EXPECT_EQ(bar_level(2), 75);
    EXPECT_EQ(bar_level(3), 0);
    EXPECT_EQ(bar_level(5), 0);
    EXPECT_EQ(playback::cue_fade_phase, 10);
}

TEST_F(CueFades, TheCueFadeStartReleasesAFrozenShowTime) {
    program_point(1, {value(kFocus, 50)});
    runtime::show_time_frozen = 1;
    playback::start_cue_fade(1, 0);
    EXPECT_EQ(runtime::show_time_frozen, 0);
}

// --- from the stage through the console ----------------------------------------

// A level the operator set by hand is on stage; the cue that brings the dimmer
// up fades from that level, not from the nothing the point cue gave it before.
TEST_F(CueFades, ACueAfterAManualLevelFadesFromTheLevelOnStage) {
    using namespace runtime::keys;
    const int slot = playback::cue_slot_of(1, 2, 1);
    program_point(slot, {value(kIntensity, 100)}, {0, 20, kInf, 0, kInf});
    runtime::programmer_values[kIntensity] = 60;
    programmer::set_function_value(kIntensity, 60);
    rig_.run_ms(50);
    ASSERT_EQ(rig_.dmx(1, 14), 60);
    rig_.press(KEY_CLEAR);
    rig_.press(KEY_CLEAR);
    rig_.run_ms(50);
    ASSERT_EQ(rig_.dmx(1, 14), 60) << "clearing the programmer leaves the level on stage";

    rig_.press(KEY_CUE);
    rig_.run_ms(50);
    rig_.hold(runtime::fixture_key(2), 20);  // cue 2
    std::vector<int> seen;
    for (int t = 0; t < 24; ++t) {
        seen.push_back(rig_.dmx(1, 14));
        rig_.run_ms(100);
    }
    rig_.release(runtime::fixture_key(2), 20);
    seen.push_back(rig_.dmx(1, 14));
    ASSERT_EQ(playback::current_cue_slot(), slot);
    EXPECT_EQ(*std::min_element(seen.begin(), seen.end()), 60) << "no dip below the level on stage";
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end())) << "the level only rises";
    EXPECT_EQ(seen.back(), 100);
    EXPECT_NEAR(seen[10], 80, 3) << "halfway through the 2 s FADE IN";
}

// A sequence stopped mid-crossfade gives the stage back to the cue: the
// channels it was moving return to the levels the standing cue gives them,
// and a dimmer the cue gives nothing closes. Fixture 11's dimmer is at
// universe 2 address 57.
class SequenceStop : public CueFades {
protected:
    static constexpr int kDimmer11Address = 57;

    // Sequence A: one memory, focus 10 and the dimmer full, crossfaded over
    // 2 s; started, then stopped by its start/stop key after 1 s.
    void run_sequence_and_stop_it_halfway() {
        std::vector<uint16_t> values(runtime::kShowRecords + 1, runtime::kValueNotSet);
        values[kFocus] = 10;
        values[kDimmer11] = 255;
        ASSERT_TRUE(memories::pack_memory(101, values.data(), nullptr, nullptr, nullptr, nullptr));
        playback::SequenceRecord& a = playback::sequence_table[1];
        a = playback::SequenceRecord{};
        a.flags = 1;
        a.loop_memories[1] = 101;
        a.loop_length = 1;
        a.loop_count = playback::kInfiniteLoops;
        a.fade_time = 200;
        a.wait_delay = 100;
        a.mode = static_cast<uint8_t>(playback::kTriggerAutomatic << playback::kSequenceTriggerShift);
        runtime::channel_flags[kFocus] |= runtime::FLAG_FADES;
        runtime::channel_flags[kDimmer11] |= runtime::FLAG_FADES;
        const int16_t run_key = runtime::sequence_key(1, runtime::SequenceKey::run);
        rig_.press(run_key, 10);
        rig_.run_ms(1000);
        const int focus = rig_.dmx(1, kFocus);
        const int dimmer = rig_.dmx(2, kDimmer11Address);
        ASSERT_GT(focus, 20) << "mid-crossfade";
        ASSERT_LT(focus, 90) << "mid-crossfade";
        ASSERT_GT(dimmer, 110) << "the sequence's dimmer is above the cue's";
        ASSERT_LT(dimmer, 245);
        rig_.press(run_key, 10);  // without an end memory the stop request stops it at once
        rig_.run_ms(100);
        ASSERT_EQ(playback::sequence_run_state(a), 0);
    }
};

TEST_F(SequenceStop, MidCrossfadeTheStageReturnsToTheCuesLevels) {
    program_point(1, {value(kFocus, 100), value(kDimmer11, 100)}, {0, 0, kInf, 0, kInf});
    go(1);
    rig_.run_ms(50);
    ASSERT_EQ(rig_.dmx(1, kFocus), 100);
    ASSERT_EQ(rig_.dmx(2, kDimmer11Address), 100);
    ASSERT_NO_FATAL_FAILURE(run_sequence_and_stop_it_halfway());
    EXPECT_EQ(rig_.dmx(1, kFocus), 100);
    EXPECT_EQ(rig_.dmx(2, kDimmer11Address), 100);
    rig_.run_ms(1000);
    EXPECT_EQ(rig_.dmx(1, kFocus), 100) << "and stays there";
    EXPECT_EQ(rig_.dmx(2, kDimmer11Address), 100);
}

TEST_F(SequenceStop, ADimmerOnlyTheSequenceGaveCloses) {
    program_point(1, {value(kFocus, 100)}, {0, 0, kInf, 0, kInf});
    go(1);
    rig_.run_ms(50);
    ASSERT_EQ(rig_.dmx(2, kDimmer11Address), 0);
    ASSERT_NO_FATAL_FAILURE(run_sequence_and_stop_it_halfway());
    EXPECT_EQ(rig_.dmx(1, kFocus), 100);
    EXPECT_EQ(rig_.dmx(2, kDimmer11Address), 0) << "not left lit where the crossfade stood";
    rig_.run_ms(1000);
    EXPECT_EQ(rig_.dmx(2, kDimmer11Address), 0);
}

// --- tracking -----------------------------------------------------------------

class Tracking : public CueFades {
protected:
    void SetUp() override {
        CueFades::SetUp();
        // Slot 1 leaves focus at 100, slot 2 fades it out at 150, slot 3 and
        // slot 4 do not touch it.
        program_point(1, {value(kFocus, 100), generator(kFocus, 3, 30), figure(1, 4, 40), value(kTilt, 5)},
                      {0, 0, kInf, 0, 25}, 2, 33);
        program_point(2, {value(kFocus, 150), time_item(kFocus, 203, 50), value(kTilt, 6)});
        program_point(3, {value(kIntensity, 255)});
        program_point(4, {value(kIntensity, 0)});
    }
};

TEST_F(Tracking, AJumpTracksWhatTheEarlierCuesLeftStanding) {
    set_page_settings(1, 0);
    playback::last_pointcue_started = 1;  // the last GO was slot 1: 4 is a jump
    go(4);
    // Slot 2's focus fades out (finite DELAY OUT): not tracked; the walk goes on
    // to slot 1, which is the last GO: focus from there.
    const CueFadeRecord& r = channel(kFocus);
    EXPECT_EQ(go_images().current_values[kFocus], 100);
    EXPECT_EQ(r.state, playback::kFadeStarted);
    EXPECT_EQ(r.pending_cue, 1);
    EXPECT_EQ(r.pending_fade_mode, 2);
    EXPECT_EQ(r.pending_start, kGo);
    EXPECT_EQ(r.pending_delay_in, 0u);
    EXPECT_EQ(r.pending_fade_in, 2000u);
    EXPECT_EQ(r.pending_delay_out, kEndless);
    EXPECT_EQ(r.hold, 2500u);
    EXPECT_EQ(r.hold_end, kGo + 2500);
    EXPECT_EQ(r.linked_cue, 33);
    EXPECT_EQ(go_images().current_values[kTilt], 6);  // slot 2's tilt stands
    EXPECT_EQ(go_images().current_generators[sub_of(kFocus, 3)], 30);
    EXPECT_EQ(sub(sub_of(kFocus, 3)).linked_cue, 33);
    EXPECT_EQ(go_images().current_figures[extra_of(1, 4)], 40);
}

TEST_F(Tracking, WhenTrackingHappensAndWhereItStops) {
    struct Case {
        const char* what;
        uint8_t tracing;
        int16_t last_go;
        int slot;
        uint16_t focus;  // GO target of focus afterwards, 65535 untouched
    };
    const Case cases[] = {
        {"the next point cue in order", 1, 3, 4, 65535},
        {"a jump without tracing", 2, 1, 4, 65535},
        {"a jump never looks past the last GO", 1, 2, 4, 65535},
        {"a jump back tracks from the page's first cue", 1, 4, 3, 100},
        {"the same cue again tracks from the page's first cue", 1, 4, 4, 100},
    };
    for (const Case& c : cases) {
        idle_point_cue_source();
        set_page_settings(c.tracing, 0);
        playback::last_pointcue_started = c.last_go;
        go(c.slot);
        EXPECT_EQ(go_images().current_values[kFocus], c.focus) << c.what;
    }
}

TEST_F(Tracking, NoFollowKeepsTrackedElementsFromLinking) {
    set_page_settings(1, 0);
    playback::last_pointcue_started = 4;
    go(4, 1);
    EXPECT_EQ(channel(kFocus).linked_cue, 0);
    EXPECT_EQ(channel(kFocus).hold, kEndless);
    EXPECT_EQ(sub(sub_of(kFocus, 3)).linked_cue, 0);
}

TEST_F(Tracking, TheWalkOverAllElementsGivesWhatEachElementsOwnWalkGives) {
    // Three more cues so that elements stop at different slots.
    program_point(5, {value(kPan, 70), time_item(kPan, 205, 12), generator(kFocus, 5, 9)});
    program_point(6, {figure(1, 4, 41), figure(2, 1, 3), value(kTilt, 7), time_item(kPan, 208, 1)});
    program_point(7, {value(kIntensity, 1)});
    set_page_settings(1, 0);
    const std::vector<CueFadeRecord> channels(runtime::cue_fade_records.channels,
                                              runtime::cue_fade_records.channels + runtime::kShowRecords + 1);
    const std::vector<CueFadeRecord> subs(runtime::cue_fade_records.sub_channels,
                                          runtime::cue_fade_records.sub_channels + runtime::kShowGeneratorBytes + 1);
    const std::vector<CueFadeRecord> extras(runtime::cue_fade_records.extras,
                                            runtime::cue_fade_records.extras + runtime::kShowFigureBytes + 1);
    playback::last_pointcue_started = 7;
    go(7);  // slot 7 again: the whole page is tracked
    struct Element {
        const char* what;
        CueFadeRecord* record;
        bool (*track)();
        uint16_t target;
        uint16_t (*target_now)();
    };
    const Element elements[] = {
        {"pan", &channel(kPan), [] { return playback::track_channel_value(kPan, 1, 7, 0); }, 70,
         [] { return go_images().current_values[kPan]; }},
        {"tilt (slot 6's fades out: slot 2)", &channel(kTilt), [] { return playback::track_channel_value(kTilt, 1, 7, 0); }, 6,
         [] { return go_images().current_values[kTilt]; }},
        {"focus", &channel(kFocus), [] { return playback::track_channel_value(kFocus, 1, 7, 0); }, 100,
         [] { return go_images().current_values[kFocus]; }},
        {"focus effect 5", &sub(sub_of(kFocus, 5)),
         [] { return playback::track_sub_attribute_value(sub_of(kFocus, 5), 1, 7, 0); }, 9,
         [] { return uint16_t{go_images().current_generators[sub_of(kFocus, 5)]}; }},
        {"figure 1.4", &extra(extra_of(1, 4)), [] { return playback::track_extra_value(1, 4, extra_of(1, 4), 1, 7, 0); },
         41, [] { return uint16_t{go_images().current_figures[extra_of(1, 4)]}; }},
        {"figure 2.1", &extra(extra_of(2, 1)), [] { return playback::track_extra_value(2, 1, extra_of(2, 1), 1, 7, 0); },
         3, [] { return uint16_t{go_images().current_figures[extra_of(2, 1)]}; }},
    };
    std::vector<CueFadeRecord> walked;
    for (const Element& e : elements) {
        EXPECT_EQ(e.target_now(), e.target) << e.what;
        walked.push_back(*e.record);
    }
    // Each element on its own, from the records as they were before the GO.
    std::copy(channels.begin(), channels.end(), runtime::cue_fade_records.channels);
    std::copy(subs.begin(), subs.end(), runtime::cue_fade_records.sub_channels);
    std::copy(extras.begin(), extras.end(), runtime::cue_fade_records.extras);
    for (size_t i = 0; i < std::size(elements); ++i) {
        const Element& e = elements[i];
        ASSERT_TRUE(e.track()) << e.what;
        EXPECT_TRUE(same_record(*e.record, walked[i])) << e.what;
    }
}

TEST_F(Tracking, WithoutMemoryForTheTraceTrackingEndsForThisGo) {
    set_page_settings(1, 0);
    runtime::dark_fixture_list[1].prepared_slot = 3;
    playback::last_pointcue_started = 4;
    ui::free_cue_buffers();
    ui::unpack_cue_memory(4, 4, 0);  // the work buffers are there; only the trace cache lacks memory
    const runtime::ShowTableAllocator saved = runtime::show_table_allocator;
    runtime::show_table_allocator = [](size_t, const char*, unsigned) -> void* { return nullptr; };
    go(4);
    runtime::show_table_allocator = saved;
    EXPECT_STREQ(ui::last_message_text.data(), "MEMORY TOO LOW TO TRACE!!!");
    EXPECT_EQ(go_images().current_values[kFocus], runtime::kValueNotSet);
    EXPECT_EQ(channel(kIntensity).state, playback::kFadeStarted);  // the memory's own element still goes
    EXPECT_EQ(runtime::dark_fixture_list[1].prepared_slot, 3);     // a GO that did not track
}

// --- the dark premove ---------------------------------------------------------

class Premove : public CueFades {
protected:
    void SetUp() override {
        CueFades::SetUp();
        ASSERT_GE(runtime::dark_fixture_count, 3);
        ASSERT_EQ(runtime::dark_fixture_list[1].dimmer_record, kIntensity);
        // Fixture 1 held dark by the point cue at slot 1.
        channel(kIntensity).state = playback::kFadeStanding;
        runtime::output_base_values[kIntensity] = 0;
        runtime::generator_states[kIntensity].parameters[0] = 0;
        playback::current_cue_page = 1;
        playback::current_cue = 1;
        playback::current_cue_point = 1;
        set_page_settings(0, 1);
    }
    // Polls until entry 1 has been visited n more times.
    static void visit_first(int n) {
        for (int i = 0; i < n; ++i) {
            do {
                playback::premove_dark_fixtures();
            } while (playback::premove_cursor != 1);
        }
    }
};

TEST_F(Premove, EntriesAreVisitedOneAPollInListOrder) {
    std::vector<int> visited;
    for (int i = 0; i < runtime::dark_fixture_count + 2; ++i) {
        playback::premove_dark_fixtures();
        visited.push_back(playback::premove_cursor);
    }
    std::vector<int> expected;
    for (int i = 1; i <= runtime::dark_fixture_count; ++i) expected.push_back(i);
    expected.push_back(1);
    expected.push_back(2);
    EXPECT_EQ(visited, expected);
}

TEST_F(Premove, ADarkFixtureMovesIntoTheNextCueThatOpensIt) {
    program_point(3, {value(kFocus, 10), value(kTilt, 20)});
    program_point(4, {value(kFocus, 11), generator(kFocus, 2, 33), figure(1, 5, 44)});
    program_point(5, {value(kIntensity, 255)});
    program_point(6, {value(kFocus, 99)});  // after the cue that opens it: never taken
    visit_first(1);
    EXPECT_EQ(runtime::dark_fixture_list[1].armed, 1);
    EXPECT_EQ(channel(kFocus).state, playback::kFadeIdle);  // dark on one visit only
    visit_first(1);
    const runtime::DarkFixtureEntry& entry = runtime::dark_fixture_list[1];
    EXPECT_EQ(entry.found_slot, 5);
    EXPECT_EQ(entry.prepared_slot, 1);
    EXPECT_EQ(entry.armed, 0);
    EXPECT_EQ(go_images().current_values[kFocus], 11);  // the last definition up to slot 5
    EXPECT_EQ(go_images().current_values[kTilt], 20);
    EXPECT_EQ(channel(kFocus).pending_fade_in, 2000u);
    EXPECT_EQ(channel(kFocus).hold, kEndless);
    EXPECT_EQ(channel(kFocus).pending_cue, 4);
    EXPECT_EQ(go_images().current_generators[sub_of(kFocus, 2)], 33);
    EXPECT_EQ(sub(sub_of(kFocus, 2)).pending_fade_in, 1000u);
    EXPECT_EQ(go_images().current_figures[extra_of(1, 5)], 44);  // through the pan/tilt records
    EXPECT_EQ(extra(extra_of(1, 5)).pending_fade_in, 1000u);
    EXPECT_EQ(channel(kIntensity).state, playback::kFadeStanding);  // the dimmer itself is left
}

// The fixture stays dark while it moves, so it is prepared again on every
// second visit: the move it got goes on and arrives within its 2 s.
TEST_F(Premove, ThePreparedMoveArrivesInItsTwoSecondsWhileTheFixtureStaysDark) {
    program_point(3, {value(kFocus, 100)});
    program_point(4, {value(kFocus, 200)});
    program_point(5, {value(kIntensity, 255)});
    runtime::layer_values[0][kFocus] = 0;
    visit_first(2);
    ASSERT_EQ(channel(kFocus).pending_cue, 4);
    const uint32_t start = runtime::show_time;
    int32_t position = 0;
    for (uint32_t t = start; t <= start + 2000; t += 10) {
        runtime::show_time = t;
        visit_first(1);
        position = playback::step_pointcue_channel_fade(kFocus);
    }
    EXPECT_EQ(position, 65535);
    EXPECT_EQ(fade_images().previous_values[kFocus], 0) << "the move started once, from where focus stood";
    EXPECT_EQ(fade_images().current_values[kFocus], 200);
    EXPECT_EQ(go_images().current_values[kFocus], 200) << "the latest cue's value, prepared once";
}

TEST_F(Premove, AFixtureNotDarkOnTheSecondVisitIsNotPrepared) {
    program_point(3, {value(kFocus, 10), value(kIntensity, 255)});
    visit_first(1);
    runtime::output_base_values[kIntensity] = 1;
    visit_first(1);
    EXPECT_EQ(runtime::dark_fixture_list[1].armed, 0);
    runtime::output_base_values[kIntensity] = 0;
    visit_first(1);
    EXPECT_EQ(channel(kFocus).state, playback::kFadeIdle);
    EXPECT_EQ(runtime::dark_fixture_list[1].found_slot, 65535);
}

TEST_F(Premove, TheNextOpeningCueIsSoughtOnTheCurrentPageOnly) {
    struct Case {
        const char* what;
        Items items;
        int slot;
        int32_t found;
    };
    const Case cases[] = {
        {"a dimmer value", {value(kIntensity, 1)}, 9, 9},
        {"a dimmer effect", {value(kIntensity, 0), generator(kIntensity, 1, 5)}, 9, 9},
        {"a closed dimmer", {value(kIntensity, 0)}, 9, 65535},
        {"an effect byte of 255 is not set", {generator(kIntensity, 1, 255)}, 9, 65535},
        {"the last cue of the page", {value(kIntensity, 9)}, 700, 700},
        {"the next page", {value(kIntensity, 9)}, 701, 65535},
    };
    for (const Case& c : cases) {
        program_point(c.slot, c.items);
        ui::free_cue_buffers();
        EXPECT_EQ(playback::premove_fixture_to_next_cue(kIntensity, 1), c.found) << c.what;
        playback::cue_pointcue_table[static_cast<size_t>(c.slot)]->flags = 0;
        playback::update_cue_programmed_flag(static_cast<int16_t>(c.slot));
    }
    set_page_settings(0, 2);
    EXPECT_EQ(playback::premove_fixture_to_next_cue(kIntensity, 1), -1);
}

}  // namespace
