// The sequence controls: the position / time curves, the read-outs, the
// console card's control block, the trackerball and the typed times.
#include "playback/sequence_engine.h"
#include "playback/sequence_controls.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "../programmer/programmer_test_rig.h"
#include "playback/commands.h"
#include "playback/cue_tables.h"
#include "playback/sequence_commands.h"
#include "playback/sequence_programming.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/config_records.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "ui/message_line.h"

namespace {

using namespace runtime::keys;
using playback::sequence_table;

class SequenceControls : public programmer_test::DemoRig {
protected:
    // Sequence s programmed with start memory 3 and two loop memories.
    static void programme(int s) {
        auto& r = playback::sequence_table[static_cast<size_t>(s)];
        r.flags = 1;
        r.start_memory = 3;
        r.loop_length = 2;
        r.loop_memories[1] = 4;
        r.loop_memories[2] = 5;
        r.fade_time = 6000;
    }
    static std::string read_out(int s, int control) {
        return playback::sequence_step_labels[static_cast<size_t>(s)][static_cast<size_t>(control - 1)].data();
    }
    // Puts control c of sequence s at position p as an operator's move does.
    static void put_control(int16_t s, int16_t c, uint16_t p) {
        playback::sequence_control_positions[static_cast<size_t>(s)][static_cast<size_t>(c)] = p;
        playback::set_sequence_control(s, c, 0);
    }
    // Card control i's value and status bytes.
    uint8_t card_value(int i) { return rig_.machine().cards.sequence_belt(0, i, 0); }
    uint8_t card_status(int i) { return rig_.machine().cards.sequence_belt(0, i, 1); }
};

TEST_F(SequenceControls, PositionsGiveTimesAndReadOuts) {
    struct Case {
        int16_t control;
        uint16_t position;
        uint16_t time;
        const char* read_out;
    };
    const Case cases[] = {
        {2, 0, 6000, "60.0"},  {2, 90, 3049, "30.5"}, {2, 180, 99, "0.99"}, {2, 200, 73, "0.73"},
        {2, 254, 1, "0.01"},   {2, 255, 0, "0.00"},   {3, 50, 66, "0.66"},  {3, 76, 132, "1.3"},
        {3, 100, 919, "9.2"},  {3, 255, 6000, "60.0"}, {3, 75, 100, "1.00"},
    };
    for (const Case& c : cases) {
        put_control(1, c.control, c.position);
        const auto& r = sequence_table[1];
        EXPECT_EQ(c.control == 2 ? r.fade_time : r.wait_delay, c.time) << c.control << " at " << c.position;
        EXPECT_EQ(read_out(1, c.control), c.read_out) << c.control << " at " << c.position;
    }
}

TEST_F(SequenceControls, TimesGiveTheNearestPosition) {
    EXPECT_EQ(playback::convert_fade_time_to_position(0), 255);
    EXPECT_EQ(playback::convert_fade_time_to_position(50), 217);
    EXPECT_EQ(playback::convert_fade_time_to_position(150), 178);
    EXPECT_EQ(playback::convert_fade_time_to_position(6000), 0);
    EXPECT_EQ(playback::convert_wait_delay_to_position(50), 37) << "37.5 rounds down";
    EXPECT_EQ(playback::convert_wait_delay_to_position(100), 75);
    EXPECT_EQ(playback::convert_wait_delay_to_position(6000), 255);
    // Typed times beyond the controls' 60 s stay inside the travel.
    EXPECT_EQ(playback::convert_fade_time_to_position(60000), 0);
    EXPECT_EQ(playback::convert_wait_delay_to_position(60000), 255);
}

TEST_F(SequenceControls, AMoveBeyondTheTravelIsIgnoredWhole) {
    put_control(1, 2, 250);
    const uint16_t fade = sequence_table[1].fade_time;
    playback::set_sequence_control(1, 2, -10);  // would be 260
    EXPECT_EQ(playback::sequence_control_positions[1][2], 250);
    EXPECT_EQ(sequence_table[1].fade_time, fade);
    playback::set_sequence_control(1, 2, -5);
    EXPECT_EQ(playback::sequence_control_positions[1][2], 255);
    EXPECT_EQ(sequence_table[1].fade_time, 0);
    // The bar is the position / 3 rounded up, and the card is sent the position.
    EXPECT_EQ(playback::sequence_control_bars[1][2], 85);
    EXPECT_EQ(card_value(2), 255);
}

// A loaded time is kept exactly; the control only shows it.
TEST_F(SequenceControls, ALoadedTimeStaysExactUntilTheControlIsMoved) {
    playback::SequenceRecord record;
    record.flags = playback::CUE_RECORD_IN_CUE;
    record.start_memory = 1;
    record.fade_time = 150;
    record.wait_delay = 99;
    playback::store_sequence_in_cue(1, 21, record);
    playback::load_sequence_from_cue(21, 1, 0);
    EXPECT_EQ(sequence_table[1].fade_time, 150) << "not the 165 of its position";
    EXPECT_EQ(sequence_table[1].wait_delay, 99);
    EXPECT_EQ(playback::sequence_control_positions[1][2], 178);
    EXPECT_EQ(read_out(1, 2), "1.5");
    EXPECT_EQ(read_out(1, 3), "0.99");
    // The operator moves the fade control one step down: the time follows it.
    playback::set_sequence_control(1, 2, -1);
    EXPECT_EQ(sequence_table[1].fade_time, playback::convert_position_to_fade_time(179));
}

// On a manual sequence one full stroke of the crossfade control steps on:
// up to the end stop, then back below 50.
TEST_F(SequenceControls, AFullCrossfadeStrokeStepsAManualSequence) {
    programme(1);
    sequence_table[1].mode = 1 | playback::kTriggerManual << playback::kSequenceTriggerShift;
    playback::sequence_current_step[1] = 1;  // on its start memory
    rig_.set_sequence_belt(1, 0, 255);
    rig_.set_sequence_belt(1, 1, playback::kControlStatusEndStop);
    rig_.run_ms(5);
    EXPECT_EQ(playback::sequence_crossfade_armed[1], 1);
    EXPECT_EQ(playback::sequence_crossfade[1].progress, 65535u);
    EXPECT_EQ(playback::sequence_current_step[1], 1) << "no step at the end stop";
    // Coming back but still above 50: nothing yet.
    rig_.set_sequence_belt(1, 0, 120);
    rig_.set_sequence_belt(1, 1, playback::kControlStatusOperator);
    rig_.run_ms(5);
    EXPECT_EQ(card_status(1), playback::kControlStatusEndStop);
    EXPECT_EQ(playback::sequence_current_step[1], 1);
    rig_.set_sequence_belt(1, 0, 20);
    rig_.set_sequence_belt(1, 1, playback::kControlStatusOperator);
    rig_.run_ms(5);
    EXPECT_EQ(playback::sequence_current_step[1], 2) << "stepped on to the first loop memory";
    EXPECT_EQ(playback::sequence_crossfade_armed[1], 0);
}

TEST_F(SequenceControls, AnAutomaticSequenceKeepsItsCrossfadeControl) {
    sequence_table[2].mode = 1;  // running, automatic
    playback::sequence_control_positions[2][1] = 40;
    rig_.set_sequence_belt(4, 0, 200);
    rig_.set_sequence_belt(4, 1, playback::kControlStatusOperator);
    rig_.run_ms(5);
    EXPECT_NE(card_value(4), 200) << "the operator's move is not taken";
    EXPECT_EQ(card_value(4), playback::sequence_control_positions[2][1]) << "the engine's crossfade written back";
    EXPECT_EQ(card_status(4), playback::kControlStatusSent);
}

TEST_F(SequenceControls, TheCardsTimeControlsSetTheTimes) {
    rig_.set_sequence_belt(6, 0, 50);  // sequence 2, wait delay
    rig_.set_sequence_belt(6, 1, playback::kControlStatusOperator);
    rig_.run_ms(5);
    EXPECT_EQ(sequence_table[2].wait_delay, 66);
    EXPECT_EQ(card_status(6), playback::kControlStatusAck);
}

TEST_F(SequenceControls, TrackerballUpStepsAManualSequenceWhoseCrossfadeIsComplete) {
    runtime::option_flags |= runtime::OPT_SEQUENCE_PANEL;
    runtime::display_mode = 5;  // sequence A
    playback::select_sequence_control(1, 1);
    programme(1);
    sequence_table[1].mode = 1 | playback::kTriggerManual << playback::kSequenceTriggerShift;
    playback::sequence_current_step[1] = 1;  // on its start memory
    put_control(1, 1, 255);
    ASSERT_EQ(playback::sequence_crossfade[1].progress, 65535u);
    rig_.run_ms(5);
    const int16_t before = playback::sequence_current_step[1];
    rig_.press(KEY_UP, 10);
    EXPECT_EQ(playback::sequence_current_step[1], before + 1);
    // Down moves the crossfade back and does not step.
    rig_.press(KEY_DOWN, 10);
    EXPECT_EQ(playback::sequence_current_step[1], before + 1);
    EXPECT_LT(playback::sequence_control_positions[1][1], 255);
}

TEST_F(SequenceControls, ControlKeysMoveTheActiveControlAndItsLeds) {
    runtime::option_flags |= runtime::OPT_SEQUENCE_PANEL;
    runtime::display_mode = 6;  // sequence B
    rig_.press(KEY_SEQUENCE_CONTROL_3, 10);
    EXPECT_EQ(playback::sequence_selected_control[2], 3);
    EXPECT_EQ(runtime::key_led_cache[KEY_SEQUENCE_CONTROL_3], runtime::LED_ON);
    rig_.press(KEY_RIGHT, 10);  // already the last
    EXPECT_EQ(playback::sequence_selected_control[2], 3);
    rig_.press(KEY_LEFT, 10);
    EXPECT_EQ(playback::sequence_selected_control[2], 2);
    EXPECT_EQ(runtime::key_led_cache[KEY_SEQUENCE_CONTROL_3], runtime::LED_OFF);
    EXPECT_EQ(runtime::key_led_cache[KEY_SEQUENCE_CONTROL_2], runtime::LED_ON);
}

// A typed time is kept as typed; one the 16-bit field cannot hold is refused.
TEST_F(SequenceControls, TypedTimesAreExactAndBoundedByTheirField) {
    runtime::display_mode = 5;
    playback::sequence_selected_control[1] = 2;
    sequence_table[1].fade_time = 300;
    const auto type_time = [&](std::initializer_list<int16_t> keys) {
        rig_.press(KEY_EDIT_VALUE, 10);
        EXPECT_EQ(ui::current_message(), "EDIT FADE TIME");
        for (const int16_t key : keys) rig_.press(key, 10);
        rig_.press(KEY_ENTER, 10);
        rig_.run_ms(2500);  // an error beep's length
    };
    type_time({KEY_DIGIT_1, KEY_POINT, runtime::digit_key(5)});
    EXPECT_EQ(sequence_table[1].fade_time, 150);
    EXPECT_NE(rig_.pixel(232, 198), 1) << "the sequence panel is drawn again where the entry box was";
    EXPECT_EQ(playback::sequence_control_positions[1][2], 178);
    type_time({runtime::digit_key(7), KEY_DIGIT_0, KEY_DIGIT_0});
    EXPECT_EQ(sequence_table[1].fade_time, 150) << "700 s does not fit";
    const auto tones = rig_.tones();
    ASSERT_FALSE(tones.empty());
    EXPECT_EQ(tones.back().freq_hz, 400);
    type_time({runtime::digit_key(6), runtime::digit_key(5), runtime::digit_key(5)});
    EXPECT_EQ(sequence_table[1].fade_time, 65500) << "655 s fits";
    EXPECT_EQ(playback::sequence_control_positions[1][2], 0);
    EXPECT_EQ(read_out(1, 2), "655") << "whole seconds from 100 s, so that the read-out fits its box";
    type_time({runtime::digit_key(9), runtime::digit_key(9), KEY_POINT, runtime::digit_key(5)});
    EXPECT_EQ(read_out(1, 2), "99.5");
    // Hundredths that no binary fraction holds exactly.
    type_time({runtime::digit_key(2), KEY_POINT, KEY_DIGIT_0, KEY_DIGIT_1});
    EXPECT_EQ(sequence_table[1].fade_time, 201);
    type_time({KEY_DIGIT_0, KEY_POINT, runtime::digit_key(2), runtime::digit_key(9)});
    EXPECT_EQ(sequence_table[1].fade_time, 29);
}

TEST(TypedSequenceTimes, DigitsAreReadExactly) {
    const struct {
        const char* text;
        long hundredths;
    } cases[] = {
        {"2", 200},    {"2.01", 201},   {"0.29", 29},    {"1.15", 115},  {".5", 50},      {"4.", 400},
        {"1.999", 199}, {"655.35", 65535}, {"6000", 600000}, {"", -1},    {".", -1},       {"1e2", -1},
        {"-1", -1},    {"1.2.3", -1},   {" 1", -1},
    };
    for (const auto& c : cases) EXPECT_EQ(playback::typed_time_hundredths(c.text), c.hundredths) << c.text;
    // Every time in hundredths from 0 to 655.35 s reads back as typed.
    for (long t = 0; t <= 65535; ++t) {
        char text[48];
        std::snprintf(text, sizeof text, "%ld.%02ld", t / 100, t % 100);
        ASSERT_EQ(playback::typed_time_hundredths(text), t) << text;
    }
}

}  // namespace
