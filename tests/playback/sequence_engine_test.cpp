// The sequence engine on the demo rig: the order of steps in every
// direction, loop counting, random draws, stops, linked cues, the step
// images, and through the poll the crossfade progress, wait delays, GO,
// SYNC groups, sound beats, tap tempo, the LEDs and the stage output.
#include "playback/sequence_engine.h"
#include "playback/sequence_programming.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "../programmer/programmer_test_rig.h"
#include "datafiles/threshold_file.h"
#include "memories/memory_store.h"
#include "playback/cue_tables.h"
#include "playback/key_groups.h"
#include "playback/live_layer.h"
#include "playback/output_merge.h"
#include "playback/sequence_controls.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/config_records.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/show_tables.h"
#include "runtime/step_log.h"
#include "runtime/timers.h"
#include "sync/sync_services.h"

namespace {

using playback::sequence_table;
constexpr uint16_t kNotSet = runtime::kValueNotSet;
constexpr int16_t kFocus = 9;       // fixture 1, fades
constexpr int16_t kDimmer11 = 145;  // fixture 11's intensity, DMX universe 2 address 57
constexpr int kDimmer11Address = 57;

// Memories 101.. hold the dimmer of fixture 11 and the focus of fixture 1.
constexpr int16_t kMemA = 101, kMemB = 102, kMemC = 103, kMemD = 104, kStartMem = 110, kEndMem = 111;

std::deque<int> scripted_draws;
int scripted_draw_count = 0;
int scripted_random() {
    ++scripted_draw_count;
    if (scripted_draws.empty()) return 0;
    const int v = scripted_draws.front();
    scripted_draws.pop_front();
    return v;
}


class SequenceEngine : public programmer_test::DemoRig {
protected:
    void SetUp() override {
        DemoRig::SetUp();
        store(kMemA, 255, 10);
        store(kMemB, 0, 20);
        store(kMemC, 128, 30);
        store(kMemD, 64, 40);
        store(kStartMem, 1, 1);
        store(kEndMem, 2, 2);
        scripted_draws.clear();
        scripted_draw_count = 0;
        runtime::clear_step_log();
    }

    static void store(int16_t memory, uint16_t dimmer, uint16_t focus) {
        std::vector<uint16_t> values(runtime::kShowRecords + 1, kNotSet);
        values[kDimmer11] = dimmer;
        values[kFocus] = focus;
        ASSERT_TRUE(memories::pack_memory(memory, values.data(), nullptr, nullptr, nullptr, nullptr));
    }

    // Sequence s programmed with the loop memories; mode bits as given.
    static playback::SequenceRecord& program(int s, std::vector<uint16_t> loop, uint16_t loop_count,
                                             uint8_t direction = playback::kDirectionForward,
                                             uint8_t trigger = playback::kTriggerAutomatic, uint16_t start = 0,
                                             uint16_t end = 0) {
        playback::SequenceRecord& r = sequence_table[static_cast<size_t>(s)];
        r = playback::SequenceRecord{};
        r.flags = 1;
        r.start_memory = start;
        r.end_memory = end;
        for (size_t i = 0; i < loop.size(); ++i) r.loop_memories[i + 1] = loop[i];
        r.loop_length = static_cast<uint8_t>(loop.size());
        r.loop_count = loop_count;
        r.fade_time = 100;
        r.wait_delay = 100;
        r.mode = static_cast<uint8_t>((direction << playback::kSequenceDirectionShift) | (trigger << playback::kSequenceTriggerShift));
        return r;
    }

    // Started as the start key starts it: step 0, no loops, progress 0.
    static void start(int s) {
        const auto i = static_cast<size_t>(s);
        sequence_table[i].mode = static_cast<uint8_t>((sequence_table[i].mode & ~playback::kSequenceFieldMask) | 1);
        playback::sequence_current_step[i] = 0;
        playback::sequence_loops_done[i] = 0;
        playback::sequence_bounce_backward[i] = 0;
        playback::sequence_crossfade[i] = playback::SequenceCrossfade{};
    }

    static std::vector<int> advance(int s, int times) {
        std::vector<int> steps;
        for (int n = 0; n < times; ++n) {
            playback::advance_sequence_step(static_cast<int16_t>(s));
            steps.push_back(playback::sequence_current_step[static_cast<size_t>(s)]);
        }
        return steps;
    }

    static int step(int s) { return playback::sequence_current_step[static_cast<size_t>(s)]; }
    static int memory(int s) { return playback::sequence_current_memory[static_cast<size_t>(s)]; }
    static uint32_t progress(int s) { return playback::sequence_crossfade[static_cast<size_t>(s)].progress; }

    // What the poll's cue-fade runner does each pass: layer 0 of the fading
    // elements, then the merge sends it.
    void show_on_stage() {
        playback::run_fading_elements();
        rig_.run_ms(2);
    }
};

// ------------------------------------------------------------------ order of steps

struct OrderCase {
    const char* what;
    uint8_t direction;
    int loop_length;
    std::vector<int> steps;
};

TEST_F(SequenceEngine, EveryDirectionWalksItsLoop) {
    const std::vector<OrderCase> cases = {
        {"forward", playback::kDirectionForward, 3, {1, 2, 3, 4, 2, 3, 4, 2}},
        {"backward", playback::kDirectionBackward, 3, {1, 4, 3, 2, 4, 3, 2, 4}},
        {"bounce", playback::kDirectionBounce, 3, {1, 2, 3, 4, 3, 2, 3, 4, 3, 2}},
        {"bounce of one", playback::kDirectionBounce, 1, {1, 2, 2, 2}},
    };
    for (const OrderCase& c : cases) {
        std::vector<uint16_t> loop(static_cast<size_t>(c.loop_length), kMemA);
        program(1, loop, playback::kInfiniteLoops, c.direction, playback::kTriggerAutomatic, kStartMem);
        start(1);
        EXPECT_EQ(advance(1, static_cast<int>(c.steps.size())), c.steps) << c.what;
    }
}

struct LoopCase {
    const char* what;
    uint8_t direction;
    int loop_length;
    uint16_t loop_count;
    std::vector<int> steps;  // up to and including the end
};

TEST_F(SequenceEngine, LoopsAreCountedUntilTheEndMemory) {
    const std::vector<LoopCase> cases = {
        {"no loops: start, then end", playback::kDirectionForward, 2, 0, {1, 102}},
        {"forward once", playback::kDirectionForward, 2, 1, {1, 2, 3, 102}},
        {"backward twice", playback::kDirectionBackward, 2, 2, {1, 3, 2, 3, 2, 102}},
        {"bounce twice counts at each turn", playback::kDirectionBounce, 3, 2, {1, 2, 3, 4, 3, 2, 102}},
    };
    for (const LoopCase& c : cases) {
        std::vector<uint16_t> loop(static_cast<size_t>(c.loop_length), kMemA);
        program(1, loop, c.loop_count, c.direction, playback::kTriggerAutomatic, kStartMem, kEndMem);
        start(1);
        EXPECT_EQ(advance(1, static_cast<int>(c.steps.size())), c.steps) << c.what;
        EXPECT_EQ(memory(1), kEndMem) << c.what;
    }
}

TEST_F(SequenceEngine, AfterTheEndWithoutALinkTheStepIsEmptyAndTheSequenceRuns) {
    program(1, {kMemA}, 1, playback::kDirectionForward, playback::kTriggerAutomatic, 0, kEndMem);
    start(1);
    EXPECT_EQ(advance(1, 3), (std::vector<int>{2, 102, 102}));
    EXPECT_EQ(memory(1), 0);
    EXPECT_EQ(runtime::sequence_step_buffers[1].current_values[kDimmer11], kNotSet);
    EXPECT_EQ(playback::sequence_run_state(sequence_table[1]), 1);
    EXPECT_STREQ(playback::sequence_step_labels[1][0].data(), "0");
}

TEST_F(SequenceEngine, EndlessLoopsNeverReachTheEnd) {
    program(1, {kMemA, kMemB}, playback::kInfiniteLoops, playback::kDirectionForward, playback::kTriggerAutomatic, 0,
            kEndMem);
    start(1);
    const std::vector<int> steps = advance(1, 250);
    EXPECT_EQ(std::count(steps.begin(), steps.end(), 102), 0);
    EXPECT_EQ(playback::sequence_loops_done[1], 0);
}

TEST_F(SequenceEngine, EmptyLoopEntriesAreSkippedAndAnEmptyRecordEndsItsSearch) {
    program(1, {kMemA, 0, kMemC}, playback::kInfiniteLoops);
    start(1);
    EXPECT_EQ(advance(1, 3), (std::vector<int>{2, 4, 2}));

    program(1, {0, 0, 0}, playback::kInfiniteLoops);
    start(1);
    advance(1, 1);  // 200 passes, then the step is emptied
    EXPECT_EQ(memory(1), 0);
    EXPECT_EQ(runtime::sequence_step_buffers[1].current_values[kFocus], kNotSet);
}

TEST_F(SequenceEngine, ADamagedLoopLengthIsCutToOneHundred) {
    playback::SequenceRecord& r = program(1, std::vector<uint16_t>(100, kMemA), 1, playback::kDirectionForward,
                                          playback::kTriggerAutomatic, 0, kEndMem);
    r.loop_length = 200;
    r.step_fade_modes[2] = 9;   // no such fade mode
    r.step_thresholds[2] = 99;  // no such threshold
    start(1);
    const std::vector<int> steps = advance(1, 101);
    EXPECT_EQ(*std::max_element(steps.begin(), steps.end() - 1), 101);
    EXPECT_EQ(steps.back(), 102);
    start(1);
    advance(1, 1);
    EXPECT_EQ(playback::sequence_step_fade_mode[1], playback::kFadeWithPermission);
    EXPECT_EQ(runtime::sequence_thresholds[1][kFocus], 0);
}

// ------------------------------------------------------------------ random

struct RandomCase {
    const char* what;
    int loop_length;
    int16_t current;
    int16_t previous;
    std::vector<int> draws;
    int expected_step;
    int expected_draws;
};

TEST_F(SequenceEngine, RandomStepsAvoidTheLastOnesUntilTenDrawsFail) {
    const std::vector<RandomCase> cases = {
        {"one step repeats", 1, 2, 0, {0}, 2, 1},
        {"of three: not the current", 3, 2, 0, {0, 0, 1}, 3, 3},
        {"of three: the previous may come again", 3, 2, 3, {1}, 3, 1},
        {"of four: neither current nor previous", 4, 3, 2, {1, 0, 2}, 4, 3},
        {"ten failed draws: the last is taken", 4, 3, 2, {1, 1, 1, 1, 1, 1, 1, 1, 1, 0}, 2, 10},
    };
    playback::random_source = scripted_random;
    for (const RandomCase& c : cases) {
        std::vector<uint16_t> loop(static_cast<size_t>(c.loop_length), kMemA);
        program(1, loop, playback::kInfiniteLoops, playback::kDirectionRandom);
        start(1);
        playback::sequence_current_step[1] = c.current;
        playback::sequence_previous_step[1] = c.previous;
        scripted_draws.assign(c.draws.begin(), c.draws.end());
        scripted_draw_count = 0;
        advance(1, 1);
        EXPECT_EQ(step(1), c.expected_step) << c.what;
        EXPECT_EQ(scripted_draw_count, c.expected_draws) << c.what;
        EXPECT_EQ(playback::sequence_previous_step[1], c.current) << c.what;
    }
}

TEST_F(SequenceEngine, RandomPlaysLoopCountTimesLengthStepsBeforeTheEnd) {
    playback::random_source = scripted_random;
    scripted_draws.assign({0, 1, 2, 0, 1, 2});
    program(1, {kMemA, kMemB, kMemC}, 2, playback::kDirectionRandom, playback::kTriggerAutomatic, kStartMem, kEndMem);
    start(1);
    EXPECT_EQ(advance(1, 8), (std::vector<int>{1, 2, 3, 4, 2, 3, 4, 102}));
}

TEST_F(SequenceEngine, RandomBelowIsZeroForNothingToDraw) {
    playback::random_source = scripted_random;
    scripted_draws.assign({17});
    EXPECT_EQ(playback::get_random_below(5), 2);
    EXPECT_EQ(playback::get_random_below(0), 0);
}

// ------------------------------------------------------------------ stop and link

TEST_F(SequenceEngine, AStopPlaysTheEndMemoryThenStops) {
    program(1, {kMemA, kMemB}, playback::kInfiniteLoops, playback::kDirectionForward, playback::kTriggerAutomatic, 0,
            kEndMem);
    start(1);
    advance(1, 1);
    playback::sequence_stop_request[1] = 1;
    advance(1, 1);
    EXPECT_EQ(step(1), 102);
    EXPECT_EQ(memory(1), kEndMem);
    EXPECT_EQ(playback::sequence_run_state(playback::sequence_table[1]), 1) << "still running on its end memory";
    advance(1, 1);
    EXPECT_EQ(playback::sequence_run_state(playback::sequence_table[1]), 0) << "stopped";
    EXPECT_EQ(memory(1), kEndMem);  // nothing more is loaded
}

TEST_F(SequenceEngine, AStopWithoutAnEndMemoryStopsAtOnce) {
    program(1, {kMemA, kMemB}, playback::kInfiniteLoops);
    start(1);
    advance(1, 1);
    playback::sequence_stop_request[1] = 1;
    advance(1, 1);
    EXPECT_EQ(playback::sequence_run_state(playback::sequence_table[1]), 0) << "stopped";
    EXPECT_EQ(memory(1), kMemA);
}

TEST_F(SequenceEngine, TheEndFollowsALinkedCueOnlyWhenItIsAnotherAndNotTransparent) {
    playback::current_cue_page = 1;
    playback::current_cue = 1;
    playback::current_cue_point = 1;
    const int here = playback::current_cue_slot();
    const int other = playback::cue_slot_of(1, 5, 1);

    // The link names the cue the console is in: not called again.
    program(1, {kMemA}, 1).linked_cue = static_cast<uint16_t>(here);
    start(1);
    advance(1, 3);
    EXPECT_EQ(step(1), 102);
    EXPECT_EQ(playback::current_cue, 1);

    // Transparent for the recalled cue: not followed.
    program(1, {kMemA}, 1).linked_cue = static_cast<uint16_t>(other);
    playback::sequence_transparent[1] = 1;
    start(1);
    advance(1, 3);
    EXPECT_EQ(playback::current_cue, 1);

    // Otherwise the cue is called, loads its own record of the sequence (the
    // same steps here) and the sequence starts again from its start.
    playback::sequence_transparent[1] = 0;
    playback::store_sequence_in_cue(1, other, playback::sequence_table[1]);
    start(1);
    advance(1, 2);
    EXPECT_EQ(playback::current_cue, 5);
    EXPECT_EQ(step(1), 2);
    EXPECT_EQ(memory(1), kMemA);
}

TEST_F(SequenceEngine, ALinkedCueIsNotFollowedWhileADialogHasTheSequenceKeys) {
    playback::current_cue_page = 1;
    playback::current_cue = 1;
    playback::current_cue_point = 1;
    program(1, {kMemA}, 1).linked_cue = static_cast<uint16_t>(playback::cue_slot_of(1, 5, 1));
    runtime::run_flags |= runtime::RUN_SEQUENCE_KEYS_TAKEN;
    start(1);
    advance(1, 3);
    EXPECT_EQ(playback::current_cue, 1);
    EXPECT_EQ(memory(1), 0);
}

// ------------------------------------------------------------------ step images

TEST_F(SequenceEngine, ALoadedStepStartsFromWhatLayerZeroShows) {
    runtime::layer_values[0][kFocus] = 77;
    runtime::layer_values[0][kFocus + 1] = kNotSet;
    runtime::sequence_dimmer_values[2][kDimmer11] = 33;
    runtime::layer_values[0][kDimmer11] = 200;  // a dimmer starts from what this source gave it
    uint8_t* table = datafiles::allocate_threshold_table(7);
    ASSERT_NE(table, nullptr);
    table[kFocus] = 128;

    playback::load_sequence_step(2, kMemC, 7);
    const runtime::SequenceStepBuffer& b = runtime::sequence_step_buffers[2];
    EXPECT_EQ(b.previous_values[kFocus], 77);
    EXPECT_EQ(b.previous_values[kFocus + 1], 0);
    EXPECT_EQ(b.previous_values[kDimmer11], 33);
    EXPECT_EQ(b.current_values[kFocus], 30);
    EXPECT_EQ(b.current_values[kDimmer11], 128);
    EXPECT_EQ(b.current_values[kFocus + 1], kNotSet);
    EXPECT_EQ(runtime::sequence_thresholds[2][kFocus], 128);

    playback::load_sequence_step(2, kMemD, 0);  // no threshold
    EXPECT_EQ(b.previous_values[kFocus], 77);
    EXPECT_EQ(runtime::sequence_thresholds[2][kFocus], 0);
}

// ------------------------------------------------------------------ through the poll

TEST_F(SequenceEngine, AnAutomaticSequenceCrossfadesWaitsAndStepsOnStage) {
    program(1, {kMemA, kMemB}, playback::kInfiniteLoops).fade_time = 100;  // 1 s
    sequence_table[1].wait_delay = 50;                                     // 0.5 s
    runtime::channel_flags[kDimmer11] |= runtime::FLAG_FADES;
    // Memory A: dimmer 255; from dark it fades in over the second.
    start(1);
    rig_.run_ms(2);
    EXPECT_EQ(step(1), 2);
    rig_.run_ms(500);
    EXPECT_NEAR(progress(1), 32768, 1500);
    show_on_stage();
    EXPECT_NEAR(rig_.dmx(2, kDimmer11Address), 128, 8);

    rig_.run_ms(600);  // complete, waiting
    EXPECT_EQ(progress(1), 65535u);
    EXPECT_EQ(step(1), 2);
    show_on_stage();
    EXPECT_EQ(rig_.dmx(2, kDimmer11Address), 255);

    rig_.run_ms(500);  // the wait delay ends: memory B
    EXPECT_EQ(step(1), 3);
    EXPECT_EQ(memory(1), kMemB);
    EXPECT_STREQ(playback::sequence_step_labels[1][0].data(), "102");
}

TEST_F(SequenceEngine, FadeModeFourCompletesAtOnceAndTheWaitStartsThen) {
    playback::SequenceRecord& r = program(1, {kMemA, kMemB}, playback::kInfiniteLoops);
    r.fade_time = 1000;
    r.wait_delay = 30;  // 0.3 s
    r.step_fade_modes[2] = playback::kSnapFull;
    r.step_fade_modes[3] = playback::kSnapFull;
    start(1);
    rig_.run_ms(3);
    EXPECT_EQ(progress(1), 65535u);
    rig_.run_ms(250);
    EXPECT_EQ(step(1), 2);
    rig_.run_ms(100);
    EXPECT_EQ(step(1), 3);
}

TEST_F(SequenceEngine, AWaitDelayOfZeroStepsInThePollAfterTheCrossfade) {
    playback::SequenceRecord& r = program(1, {kMemA, kMemB}, playback::kInfiniteLoops);
    r.fade_time = 0;
    r.wait_delay = 0;
    start(1);
    int changes = 0;
    int last = step(1);
    for (int ms = 0; ms < 10; ++ms) {
        rig_.run_ms(1);
        changes += step(1) != last ? 1 : 0;
        last = step(1);
    }
    EXPECT_GE(changes, 4);  // a step every other poll
}

TEST_F(SequenceEngine, GoCutsARunningManualCrossfadeAndStartsTheNextAfterACompleteOne) {
    playback::SequenceRecord& r = program(1, {kMemA, kMemB, kMemC}, playback::kInfiniteLoops,
                                          playback::kDirectionForward, playback::kTriggerManual);
    r.fade_time = 100;
    start(1);
    rig_.run_ms(5);
    EXPECT_EQ(step(1), 0) << "a manual sequence waits for its crossfade control";
    playback::sequence_go_request[1] = 1;
    rig_.run_ms(10);
    EXPECT_EQ(step(1), 2);
    rig_.run_ms(300);
    EXPECT_GT(progress(1), 0u);
    EXPECT_LT(progress(1), 65535u);
    playback::sequence_go_request[1] = 1;  // during the crossfade: the next step at once
    rig_.run_ms(2);
    EXPECT_EQ(step(1), 3);
    rig_.run_ms(1200);
    EXPECT_EQ(progress(1), 65535u);
    EXPECT_EQ(step(1), 3) << "a complete manual crossfade waits for GO";
    playback::sequence_go_request[1] = 1;
    rig_.run_ms(2);
    EXPECT_EQ(step(1), 4);
    EXPECT_EQ(playback::sequence_crossfade[1].running, 1);
}

TEST_F(SequenceEngine, TheCrossfadeControlStepsAManualSequenceWithoutRunningIt) {
    program(1, {kMemA, kMemB}, playback::kInfiniteLoops, playback::kDirectionForward, playback::kTriggerManual);
    start(1);
    playback::sequence_go_request[1] = 1;
    rig_.run_ms(10);
    ASSERT_EQ(step(1), 2);
    playback::sequence_go_request[1] = 2;
    rig_.run_ms(2);
    EXPECT_EQ(step(1), 3);
    EXPECT_EQ(playback::sequence_crossfade[1].running, 0);
    EXPECT_EQ(progress(1), 0u);
    EXPECT_EQ(playback::sequence_control_positions[1][playback::kControlCrossfade], 0);
}

TEST_F(SequenceEngine, SyncMembersStartTheirWaitsTogetherAndEachStepsAfterItsOwn) {
    playback::SequenceRecord& a = program(1, {kMemA, kMemB}, playback::kInfiniteLoops);
    a.fade_time = 50;    // 0.5 s
    a.wait_delay = 100;  // 1 s
    a.mode |= 1 << playback::kSequenceSyncShift;
    playback::SequenceRecord& b = program(2, {kMemC, kMemD}, playback::kInfiniteLoops);
    b.fade_time = 100;  // 1 s
    b.wait_delay = 20;  // 0.2 s
    b.mode |= 1 << playback::kSequenceSyncShift;
    start(1);
    start(2);
    rig_.run_ms(1100);  // both complete at about 1.0 s: the waits start together
    EXPECT_EQ(step(1), 2);
    EXPECT_EQ(step(2), 2);
    EXPECT_EQ(playback::sequence_sync_waiting[1], 1);
    rig_.run_ms(200);  // 1.3 s: sequence 2's wait is over
    EXPECT_EQ(step(2), 3);
    EXPECT_EQ(step(1), 2);
    rig_.run_ms(800);  // 2.1 s: sequence 1's too
    EXPECT_EQ(step(1), 3);
}

TEST_F(SequenceEngine, AGoOnAHandSteppedSyncMemberStepsTheIdleAutomaticOnes) {
    playback::SequenceRecord& a = program(1, {kMemA, kMemB}, playback::kInfiniteLoops);
    a.fade_time = 10;
    a.wait_delay = 10000;
    a.mode |= 1 << playback::kSequenceSyncShift;
    playback::SequenceRecord& b = program(2, {kMemC, kMemD}, playback::kInfiniteLoops, playback::kDirectionForward,
                                          playback::kTriggerManual);
    b.fade_time = 10;
    b.mode |= 1 << playback::kSequenceSyncShift;
    start(1);
    start(2);
    playback::sequence_go_request[2] = 1;
    rig_.run_ms(500);
    ASSERT_EQ(step(1), 2);
    ASSERT_EQ(step(2), 2);
    playback::sequence_go_request[2] = 1;
    rig_.run_ms(3);
    EXPECT_EQ(step(2), 3);
    EXPECT_EQ(step(1), 3);
}

TEST_F(SequenceEngine, ASoundBandStepsOnEveryNthBeat) {
    playback::SequenceRecord& r = program(1, {kMemA, kMemB, kMemC}, playback::kInfiniteLoops);
    r.sound_band = 2;
    r.beats_per_step = 2;  // every third beat
    start(1);
    rig_.run_ms(2);
    ASSERT_EQ(step(1), 2);  // the first step is taken at once
    std::vector<int> steps;
    for (uint32_t beat = 1; beat <= 6; ++beat) {
        synchro::audio_band_beats[2] = beat;
        rig_.run_ms(3);
        steps.push_back(step(1));
    }
    EXPECT_EQ(steps, (std::vector<int>{2, 2, 3, 3, 3, 4}));
}

TEST_F(SequenceEngine, TapTempoStepsABeatSequence) {
    program(1, {kMemA, kMemB, kMemC, kMemD}, playback::kInfiniteLoops, playback::kDirectionForward,
            playback::kTriggerBeat);
    start(1);
    playback::sequence_go_request[1] = 1;
    rig_.run_ms(10);
    ASSERT_EQ(step(1), 2);
    playback::sequence_tap_period[1] = 300;
    playback::sequence_tap_phase[1] = 0;
    playback::sequence_tap_valid[1] = 1;
    rig_.run_ms(310);
    EXPECT_EQ(step(1), 3);
    rig_.run_ms(300);
    EXPECT_EQ(step(1), 4);
}

TEST_F(SequenceEngine, AStoppedSequenceKeepsNoRequestsOrTimers) {
    program(1, {kMemA}, playback::kInfiniteLoops);
    playback::sequence_go_request[1] = 1;
    playback::sequence_advance_request[1] = 1;
    playback::sequence_wait_timer[1] = 500;
    playback::sequence_crossfade[1].running = 1;
    rig_.run_ms(2);
    EXPECT_EQ(playback::sequence_go_request[1], 0);
    EXPECT_EQ(playback::sequence_advance_request[1], 0);
    EXPECT_EQ(playback::sequence_wait_timer[1], 0u);
    EXPECT_EQ(playback::sequence_crossfade[1].running, 0);
    EXPECT_EQ(step(1), 0);
}

TEST_F(SequenceEngine, AClockThatRestartedReanchorsTheCrossfade) {
    rig_.run_ms(600);
    program(1, {kMemA}, playback::kInfiniteLoops).fade_time = 100;
    playback::sequence_crossfade[1].progress = 20000;
    playback::sequence_fade_anchor_progress[1] = 10000;
    playback::sequence_fade_anchor_time[1] = runtime::clock_ms + 5000;
    playback::update_sequence_crossfade(1);
    EXPECT_EQ(progress(1), 20000u);
    EXPECT_EQ(playback::sequence_fade_anchor_time[1], runtime::clock_ms);
    EXPECT_EQ(playback::sequence_crossfade[1].inverse_progress, 65535u - 20000u);
    // 500 ms into a 1 s fade from the anchor: half of the rest.
    playback::sequence_fade_anchor_time[1] = runtime::clock_ms - 500;
    playback::update_sequence_crossfade(1);
    EXPECT_EQ(progress(1), 20000u + 32767u);
    EXPECT_EQ(playback::sequence_control_positions[1][playback::kControlCrossfade], (20000 + 32767) / 257);
}

TEST_F(SequenceEngine, TheGoAndStartKeysShowWhatEachSequenceWaitsFor) {
    ASSERT_NE(runtime::hw_option_flags.sequence_belts, 0);
    const int16_t go_a = runtime::sequence_key(1, runtime::SequenceKey::go);
    const int16_t run_a = runtime::sequence_key(1, runtime::SequenceKey::run);
    const int16_t go_b = runtime::sequence_key(2, runtime::SequenceKey::go);
    program(1, {kMemA, kMemB}, playback::kInfiniteLoops, playback::kDirectionForward, playback::kTriggerManual);
    program(2, {kMemC}, playback::kInfiniteLoops);
    start(1);
    start(2);
    rig_.run_ms(20);
    EXPECT_EQ(runtime::key_led_cache[static_cast<size_t>(go_a)], runtime::LED_ON) << "manual, no crossfade running";
    EXPECT_EQ(runtime::key_led_cache[static_cast<size_t>(go_b)], runtime::LED_OFF) << "automatic";
    EXPECT_EQ(runtime::key_led_cache[static_cast<size_t>(run_a)], runtime::LED_BLINK_BOTH) << "no memory yet";
    playback::sequence_go_request[1] = 1;
    rig_.run_ms(5);
    EXPECT_EQ(runtime::key_led_cache[static_cast<size_t>(go_a)], runtime::LED_OFF) << "its crossfade runs";
    EXPECT_EQ(runtime::key_led_cache[static_cast<size_t>(run_a)], runtime::LED_ON);
}

}  // namespace
