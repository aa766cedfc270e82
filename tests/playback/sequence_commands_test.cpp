// The sequence commands at the console: start, finish and stop, GO and GO
// of all, tap tempo, direction, SYNC and trigger, with their LEDs and the
// timecode events they record.
#include "playback/sequence_engine.h"
#include "playback/sequence_commands.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../programmer/programmer_test_rig.h"
#include "playback/key_groups.h"
#include "playback/sequence_controls.h"
#include "runtime/card_discovery.h"
#include "runtime/config_records.h"
#include "runtime/fixture_tables.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/show_tables.h"
#include "runtime/step_log.h"
#include "setup/fixture_type.h"

namespace {

using namespace runtime::keys;
using playback::sequence_mode_field;
using playback::sequence_table;
using runtime::SequenceKey;
using Calls = std::vector<std::string>;

class SequenceCommands : public programmer_test::DemoRig {
protected:
    void SetUp() override {
        DemoRig::SetUp();
        ASSERT_NE(runtime::hw_option_flags.sequence_belts, 0);
        runtime::clear_step_log();
    }
    static uint8_t field(int s, uint8_t shift) { return sequence_mode_field(sequence_table[static_cast<size_t>(s)].mode, shift); }
    static uint8_t led(int16_t key) { return runtime::key_led_cache[static_cast<size_t>(key)]; }
    static Calls events() {
        Calls found;
        for (const std::string& call : runtime::logged_calls()) {
            if (call.rfind("synchro::record_sequence_event", 0) == 0) found.push_back(call.substr(30));
        }
        return found;
    }
    void press(int16_t key) { rig_.press(key, 10); }
    // Sequence s programmed with start memory 3 and two loop memories.
    static void programme(int s) {
        auto& r = sequence_table[static_cast<size_t>(s)];
        r.flags = 1;
        r.start_memory = 3;
        r.loop_length = 2;
        r.loop_memories[1] = 4;
        r.loop_memories[2] = 5;
    }
};

TEST_F(SequenceCommands, StartResetsTheRunAndShowsTheFirstMemory) {
    programme(1);
    playback::sequence_current_step[1] = 7;
    playback::sequence_loops_done[1] = 3;
    playback::sequence_bounce_backward[1] = 1;
    press(runtime::sequence_key(1, SequenceKey::run));
    EXPECT_EQ(field(1, playback::kSequenceRunShift), 1);
    EXPECT_EQ(playback::sequence_current_step[1], playback::kStepStart) << "a start memory is stepped to at once";
    EXPECT_EQ(playback::sequence_current_memory[1], 3);
    EXPECT_EQ(playback::sequence_loops_done[1], 0);
    EXPECT_EQ(playback::sequence_bounce_backward[1], 0);
    EXPECT_STREQ(playback::sequence_step_labels[1][0].data(), "3");
    EXPECT_EQ(led(runtime::sequence_key(1, SequenceKey::run)), runtime::LED_ON);
    EXPECT_EQ(led(KEY_SEQUENCE_A), runtime::LED_ON);
    EXPECT_EQ(events(), (Calls{"(1, 1, 1)"}));
}

TEST_F(SequenceCommands, StopLetsAProgrammedSequenceFinishAndASecondPressStopsIt) {
    programme(2);
    sequence_table[2].end_memory = 6;
    sequence_table[2].fade_time = 6000;  // a minute's crossfade into each step
    press(runtime::sequence_key(2, SequenceKey::run));
    press(runtime::sequence_key(2, SequenceKey::run));
    EXPECT_EQ(field(2, playback::kSequenceRunShift), 1) << "still running on its end memory";
    EXPECT_EQ(playback::sequence_stop_request[2], 1);
    EXPECT_EQ(playback::sequence_current_step[2], playback::kStepEnd);
    EXPECT_EQ(playback::sequence_current_memory[2], 6);
    press(runtime::sequence_key(2, SequenceKey::run));
    EXPECT_EQ(field(2, playback::kSequenceRunShift), 0);
    EXPECT_EQ(playback::sequence_stop_request[2], 0);
    EXPECT_EQ(led(runtime::sequence_key(2, SequenceKey::run)), runtime::LED_OFF);
    EXPECT_EQ(events(), (Calls{"(2, 1, 1)", "(2, 1, 0)", "(2, 1, 0)"}));
}

TEST_F(SequenceCommands, AnUnprogrammedSequenceStopsAtOnce) {
    press(runtime::sequence_key(3, SequenceKey::run));
    EXPECT_STREQ(playback::sequence_step_labels[3][0].data(), "0");
    press(runtime::sequence_key(3, SequenceKey::run));
    EXPECT_EQ(field(3, playback::kSequenceRunShift), 0);
    EXPECT_EQ(playback::sequence_stop_request[3], 0);
}

// A sequence that does not set a dimmer holds it at its type's closed value
// from start to stop: an inverted dimmer (closed 255, open 0) stays dark.
TEST_F(SequenceCommands, StartAndStopHoldTheDimmersAtTheirTypesClosedValue) {
    constexpr int16_t kDimmer11 = 145;  // fixture 11, universe 2 address 57
    constexpr int16_t kSpotIntensity = 14;
    auto* type = const_cast<setup::FixtureTypeDef*>(
        setup::type_def_of_index(runtime::function_record_table[kDimmer11].type));
    ASSERT_NE(type, nullptr);
    type->bytes[setup::kTypeDimmerClosed] = 255;
    type->bytes[setup::kTypeDimmerClosed + 1] = 0;
    const int16_t run = runtime::sequence_key(3, SequenceKey::run);
    press(run);
    rig_.run_ms(50);
    EXPECT_EQ(runtime::sequence_dimmer_values[3][kDimmer11], 255);
    EXPECT_EQ(runtime::sequence_dimmer_values[3][kSpotIntensity], 0) << "a type that closes at 0";
    press(run);  // not programmed: stops at once
    ASSERT_EQ(field(3, playback::kSequenceRunShift), 0);
    EXPECT_EQ(runtime::sequence_dimmer_values[3][kDimmer11], 255);
}

TEST_F(SequenceCommands, GoOfAllRecordsOneEventAndSkipsStoppedAndAutomaticSequences) {
    const uint8_t manual = 1 | playback::kTriggerManual << playback::kSequenceTriggerShift;
    for (int s = 1; s <= 4; ++s) programme(s);
    sequence_table[1].mode = manual;
    sequence_table[2].mode = manual;
    sequence_table[3].mode = 1;  // running, automatic
    sequence_table[4].mode = playback::kTriggerManual << playback::kSequenceTriggerShift;  // stopped
    press(KEY_ENTER);
    // The manual ones take their GO: their first step.
    EXPECT_EQ(playback::sequence_current_step[1], playback::kStepStart);
    EXPECT_EQ(playback::sequence_current_step[2], playback::kStepStart);
    EXPECT_EQ(playback::sequence_current_step[4], 0) << "stopped: no GO";
    EXPECT_EQ(events(), (Calls{"(0, 5, 1)"}));
    // The same from a replayed event records nothing.
    runtime::clear_step_log();
    playback::go_sequence(0, 0);
    EXPECT_TRUE(events().empty());
}

// Taps on GO of a beat sequence: the third of three even taps sets the beat.
TEST_F(SequenceCommands, TapTempo) {
    sequence_table[1].mode = 1 | playback::kTriggerBeat << playback::kSequenceTriggerShift;
    const auto tap_after = [&](uint32_t wait_ms) {
        rig_.run_ms(wait_ms);
        playback::go_sequence(1, 1);
    };
    tap_after(0);
    tap_after(500);
    EXPECT_EQ(playback::sequence_tap_valid[1], 0);
    tap_after(400);  // intervals 500 and 400
    EXPECT_EQ(playback::sequence_tap_valid[1], 1);
    EXPECT_EQ(playback::sequence_tap_period[1], 400u);
    EXPECT_EQ(playback::sequence_tempo[1].tap_count, 0);

    tap_after(1000);
    tap_after(500);
    tap_after(1100);  // intervals 500 and 1100 differ by 600: a new first tap
    EXPECT_EQ(playback::sequence_tap_valid[1], 0);
    EXPECT_EQ(playback::sequence_tempo[1].tap_count, 1);
    EXPECT_EQ(playback::sequence_tap_period[1], 400u);
    tap_after(10'001);  // too late to count: the first again
    EXPECT_EQ(playback::sequence_tempo[1].tap_count, 1);
    tap_after(300);
    tap_after(300);
    EXPECT_EQ(playback::sequence_tap_valid[1], 1);
    EXPECT_EQ(playback::sequence_tap_period[1], 300u);
}

TEST_F(SequenceCommands, DirectionCyclesWithItsTwoLeds) {
    struct Step {
        uint8_t direction;
        uint8_t first;   // key 246 + 6s
        uint8_t second;  // key 247 + 6s
    };
    const Step steps[] = {{1, 1, 0}, {2, 1, 1}, {3, 0, 0}, {0, 0, 1}};
    for (const Step& step : steps) {
        press(runtime::sequence_key(4, SequenceKey::direction));
        EXPECT_EQ(field(4, playback::kSequenceDirectionShift), step.direction);
        EXPECT_EQ(led(runtime::sequence_key(4, SequenceKey::direction)), step.first) << int{step.direction};
        EXPECT_EQ(led(runtime::sequence_key(4, SequenceKey::spare)), step.second) << int{step.direction};
    }
    EXPECT_EQ(events().back(), "(4, 2, 0)");
}

TEST_F(SequenceCommands, TriggerCyclesAndSyncToggles) {
    const uint8_t expected_leds[] = {runtime::LED_OFF, runtime::LED_BLINK, runtime::LED_ON};  // manual, beat, automatic
    for (int i = 0; i < 3; ++i) {
        press(runtime::sequence_key(1, SequenceKey::trigger));
        EXPECT_EQ(field(1, playback::kSequenceTriggerShift), (i + 1) % 3);
        EXPECT_EQ(led(runtime::sequence_key(1, SequenceKey::trigger)), expected_leds[i]);
    }
    press(runtime::sequence_key(1, SequenceKey::sync));
    EXPECT_EQ(field(1, playback::kSequenceSyncShift), 1);
    EXPECT_EQ(led(runtime::sequence_key(1, SequenceKey::sync)), runtime::LED_ON);
    press(runtime::sequence_key(1, SequenceKey::sync));
    EXPECT_EQ(field(1, playback::kSequenceSyncShift), 0);
    EXPECT_EQ(events(), (Calls{"(1, 4, 1)", "(1, 4, 2)", "(1, 4, 0)", "(1, 3, 1)", "(1, 3, 0)"}));
}

}  // namespace
