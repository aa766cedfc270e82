// The mode keys, the step switch and the CUE key, driven as an operator
// drives them: keys held and released, trackerball buttons and movement.
#include "ui/mode_keys.h"

#include <gtest/gtest.h>
#include "playback/cue_picker.h"

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "../setup/demo_rig_files.h"
#include "platform/mouse.h"
#include "memcheck/memcheck.h"
#include "memories/memories.h"
#include "playback/cue_fades.h"
#include "playback/cue_tables.h"
#include "playback/key_groups.h"
#include "programmer/attribute_delta.h"
#include "programmer/programmer_jobs.h"
#include "rig/console.h"
#include "runtime/config_records.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/mouse_input.h"
#include "runtime/show_tables.h"
#include "runtime/step_log.h"
#include "runtime/timers.h"
#include "ui/message_line.h"

namespace {

using namespace runtime::keys;
using platform::LedState;
using Calls = std::vector<std::string>;

constexpr int kConsoleSlot = 0;
constexpr uint32_t kTrackerballModeCell = 0x4DF;
constexpr uint8_t kTrackerballModeBit = 0x20;
constexpr uint32_t kSettle_ms = 20;

uint8_t edit_mode() { return static_cast<uint8_t>((runtime::mode_flags & runtime::MODE_EDIT_MODE) >> 30); }
void set_edit_mode(uint8_t mode) {
    runtime::mode_flags = (runtime::mode_flags & ~runtime::MODE_EDIT_MODE) | (static_cast<uint32_t>(mode) << 30);
}

bool has_call(const std::string& call) {
    const Calls calls = runtime::logged_calls();
    return std::find(calls.begin(), calls.end(), call) != calls.end();
}
int count_calls(const std::string& prefix) {
    const Calls calls = runtime::logged_calls();
    return static_cast<int>(
        std::count_if(calls.begin(), calls.end(), [&](const std::string& c) { return c.rfind(prefix, 0) == 0; }));
}

// The console idle in its main loop, with the fixture faders as the wheel
// mode (the trackerball is no mouse pointer).
class ModeKeys : public ::testing::Test {
protected:
    rig::Rig rig;
    rig::ProgramDir dir = rig::ProgramDir::demo();

    void SetUp() override {
        rig::start_console(rig, dir);
        ASSERT_FALSE(rig.finished());
        runtime::display_mode = 2;
        runtime::show_mouse_cursor(0);
        runtime::mode_flags &= ~(runtime::MODE_CUE_SCREEN | runtime::MODE_CUE_TIMING | runtime::MODE_FIXTURE_STEP);
        rig.run_ms(kSettle_ms);
        runtime::clear_step_log();
    }

    bool tone_of(int32_t freq_hz) const {
        const auto tones = rig.tones();
        return std::any_of(tones.begin(), tones.end(), [&](const platform::Tone& t) { return t.freq_hz == freq_hz; });
    }
};

// --- MODE -----------------------------------------------------------------------------

TEST_F(ModeKeys, ModeAloneCyclesAbsoluteRelativeFan) {
    set_edit_mode(ui::kEditModeAbsolute);
    programmer::fan_shape = 4;
    struct Step {
        uint8_t mode;
        LedState led;
    };
    for (const Step& s : {Step{ui::kEditModeRelative, LedState::off}, Step{ui::kEditModeFan, LedState::blinking},
                          Step{ui::kEditModeAbsolute, LedState::lit}}) {
        rig.press(KEY_MODE, 10);
        EXPECT_EQ(edit_mode(), s.mode);
        EXPECT_EQ(rig.key_led(KEY_MODE), s.led);
    }
    EXPECT_EQ(programmer::fan_shape, 4);  // the cycle keeps the last fan shape
    EXPECT_STRNE(ui::last_message_text.data(), "SELECT RELATIVE MODE [1..7]");
}

TEST_F(ModeKeys, ModeHeldWithADigitChoosesTheModeAndFanShape) {
    struct Case {
        int digit;
        uint8_t mode;
        int16_t shape;  // unchanged (2) outside fan mode
        LedState led;
    };
    const Case cases[] = {
        {1, ui::kEditModeAbsolute, 2, LedState::lit}, {2, ui::kEditModeRelative, 2, LedState::off},
        {3, ui::kEditModeFan, 1, LedState::blinking}, {5, ui::kEditModeFan, 3, LedState::blinking},
        {7, ui::kEditModeFan, 5, LedState::blinking},
    };
    for (const Case& c : cases) {
        set_edit_mode(ui::kEditModeRelative);
        programmer::fan_shape = 2;
        runtime::set_key_led(digit_key(9), runtime::LED_ON);
        runtime::set_key_led(digit_key(c.digit), runtime::LED_OFF);
        rig.hold(KEY_MODE, kSettle_ms);
        EXPECT_STREQ(ui::last_message_text.data(), "SELECT RELATIVE MODE [1..7]");
        EXPECT_EQ(rig.key_led(digit_key(c.digit)), LedState::blinking);
        EXPECT_EQ(rig.key_led(digit_key(9)), LedState::off);
        rig.press(digit_key(c.digit), 10);
        rig.release(KEY_MODE, kSettle_ms);
        EXPECT_EQ(edit_mode(), c.mode) << c.digit;
        EXPECT_EQ(programmer::fan_shape, c.shape) << c.digit;
        EXPECT_EQ(rig.key_led(KEY_MODE), c.led) << c.digit;
        // The digit LEDs as they were before MODE went down.
        EXPECT_EQ(rig.key_led(digit_key(9)), LedState::lit) << c.digit;
        EXPECT_EQ(rig.key_led(digit_key(c.digit)), LedState::off) << c.digit;
        EXPECT_STRNE(ui::last_message_text.data(), "SELECT RELATIVE MODE [1..7]");  // the prompt is gone
    }
    EXPECT_TRUE(tone_of(500));
}

TEST_F(ModeKeys, TheLastDigitPressedWhileModeIsHeldCounts) {
    set_edit_mode(ui::kEditModeAbsolute);
    rig.hold(KEY_MODE, kSettle_ms);
    rig.press(digit_key(4), 10);
    rig.press(digit_key(8), 10);  // not a choice: dropped
    rig.press(digit_key(2), 10);
    rig.release(KEY_MODE, kSettle_ms);
    EXPECT_EQ(edit_mode(), ui::kEditModeRelative);
    EXPECT_EQ(rig.key_led(KEY_MODE), LedState::off);
}

// --- blind ----------------------------------------------------------------------------

TEST_F(ModeKeys, BlindGoesOnOnlyAfterAOneSecondHoldAndOffAtOnce) {
    rig.press(KEY_BLIND_TOGGLE, 50);
    EXPECT_EQ(runtime::run_flags & runtime::RUN_BLIND, 0u);
    EXPECT_EQ(rig.key_led(KEY_BLIND_TOGGLE), LedState::off);
    rig.press(KEY_BLIND_TOGGLE, 900);
    EXPECT_EQ(runtime::run_flags & runtime::RUN_BLIND, 0u);

    rig.hold(KEY_BLIND_TOGGLE, 1100);
    EXPECT_NE(runtime::run_flags & runtime::RUN_BLIND, 0u);
    EXPECT_EQ(rig.key_led(KEY_BLIND_TOGGLE), LedState::lit);
    rig.release(KEY_BLIND_TOGGLE, kSettle_ms);

    rig.press(KEY_BLIND_TOGGLE, 10);
    EXPECT_EQ(runtime::run_flags & runtime::RUN_BLIND, 0u);
    EXPECT_EQ(rig.key_led(KEY_BLIND_TOGGLE), LedState::off);
}

// --- live edit and fixture step mode --------------------------------------------------

TEST_F(ModeKeys, LiveEditOnAndOffReleasesTheProgrammerValuesOnlyWhenSwitchedOff) {
    rig.press(KEY_LIVE_EDIT, 10);
    EXPECT_NE(runtime::run_flags & runtime::RUN_LIVE_EDIT, 0u);
    EXPECT_EQ(rig.key_led(KEY_LIVE_EDIT), LedState::lit);
    // One record with a hand-set value and no owning playback: a release
    // hands the value to the live layer.
    runtime::function_record_count = 1;
    runtime::channel_flags[1] |= runtime::FLAG_MANUAL;
    runtime::manual_values[1] = 77;
    runtime::layer_values[0][1] = 5;
    rig.run_ms(10);
    EXPECT_NE(runtime::channel_flags[1] & runtime::FLAG_MANUAL, 0) << "not released while live edit is on";
    rig.press(KEY_LIVE_EDIT, 10);
    EXPECT_EQ(runtime::run_flags & runtime::RUN_LIVE_EDIT, 0u);
    EXPECT_EQ(rig.key_led(KEY_LIVE_EDIT), LedState::off);
    EXPECT_EQ(runtime::channel_flags[1] & runtime::FLAG_MANUAL, 0);
    EXPECT_EQ(runtime::layer_values[0][1], 77);
}

TEST_F(ModeKeys, FixtureStepModeLightsLastAndNext) {
    // Record 1 a dimmer, record 2 not; with no fixtures patched the marks stay
    // for the test to read.
    runtime::function_record_count = 2;
    runtime::function_record_table[1].dimmer = 1;
    runtime::function_record_table[2].dimmer = 0;
    runtime::dirty_channels[1] = runtime::dirty_channels[2] = 0;
    rig.press(KEY_STEP, 10);
    EXPECT_EQ(runtime::dirty_channels[1], 1);
    EXPECT_EQ(runtime::dirty_channels[2], 1) << "step mode marks every channel";
    runtime::dirty_channels[1] = runtime::dirty_channels[2] = 0;
    EXPECT_NE(runtime::mode_flags & runtime::MODE_FIXTURE_STEP, 0u);
    EXPECT_EQ(rig.key_led(KEY_STEP), LedState::lit);
    EXPECT_EQ(rig.key_led(KEY_LAST), LedState::blinking);
    EXPECT_EQ(rig.key_led(KEY_NEXT), LedState::blinking);
    rig.press(KEY_STEP, 10);
    EXPECT_EQ(runtime::mode_flags & runtime::MODE_FIXTURE_STEP, 0u);
    for (const int16_t key : {KEY_STEP, KEY_LAST, KEY_NEXT}) EXPECT_EQ(rig.key_led(key), LedState::off) << key;
    EXPECT_EQ(runtime::dirty_channels[1], 1);
    EXPECT_EQ(runtime::dirty_channels[2], 0) << "out of step mode only the dimmers";
}

TEST_F(ModeKeys, FixtureStepModeCannotGoOnWhileASequenceRuns) {
    runtime::mode_flags |= runtime::MODE_CUE_TIMING;  // the cue fades count as a running sequence
    rig.press(KEY_STEP, 10);
    EXPECT_EQ(runtime::mode_flags & runtime::MODE_FIXTURE_STEP, 0u);
    EXPECT_EQ(rig.key_led(KEY_STEP), LedState::off);
    // Set while the sequence runs, the key switches it off and it stays off.
    runtime::mode_flags |= runtime::MODE_FIXTURE_STEP;
    rig.press(KEY_STEP, 10);
    EXPECT_EQ(runtime::mode_flags & runtime::MODE_FIXTURE_STEP, 0u);
    rig.press(KEY_STEP, 10);
    EXPECT_EQ(runtime::mode_flags & runtime::MODE_FIXTURE_STEP, 0u);
}

// --- cue timing (CUE held, then the sequence run key) --------------------------------

TEST_F(ModeKeys, CueTimingOnUnfreezesTheShowAndGoesToTheCurrentCue) {
    playback::current_cue_page = 2;
    playback::current_cue = 5;
    playback::current_cue_point = 3;
    runtime::show_time_frozen = 1;
    runtime::mode_flags |= runtime::MODE_FIXTURE_STEP;
    ASSERT_NE(runtime::cue_fade_records.channels, nullptr);
    runtime::function_record_count = 1;
    runtime::cue_fade_records.channels[1].state = 0;
    runtime::sequence_step_buffers[5].current_values[1] = 100;  // a value the point cue gave
    rig.hold(KEY_CUE, kSettle_ms);
    rig.press(KEY_SEQUENCE_RUN, 10);
    rig.release(KEY_CUE, kSettle_ms);
    EXPECT_NE(runtime::mode_flags & runtime::MODE_CUE_TIMING, 0u);
    EXPECT_EQ(runtime::mode_flags & runtime::MODE_FIXTURE_STEP, 0u);
    EXPECT_EQ(runtime::show_time_frozen, 0);
    EXPECT_EQ(playback::cue_fade_phase, 10);
    EXPECT_EQ(playback::last_pointcue_started, -1);
    EXPECT_EQ(runtime::cue_fade_records.channels[1].state, 4);  // the cue fades reset: the cue's value stands
    EXPECT_TRUE(has_call("synchro::send_cue_midi_code(743)"));  // gone to: page 2, cue 5, point 3
    EXPECT_FALSE(has_call("playback::refresh_cue_mode()"));  // handled: the cue screen is not entered

    runtime::clear_step_log();
    rig.run_ms(300);  // no double press
    // A point-cue fade in progress: switching cue timing off empties it.
    runtime::cue_fade_records.channels[1].state = 1;
    runtime::sequence_step_buffers[5].current_values[1] = 100;
    playback::pointcue_follow_cue = 7;
    rig.hold(KEY_CUE, kSettle_ms);
    rig.press(KEY_SEQUENCE_RUN, 10);
    rig.release(KEY_CUE, kSettle_ms);
    EXPECT_EQ(runtime::mode_flags & runtime::MODE_CUE_TIMING, 0u);
    EXPECT_EQ(runtime::cue_fade_records.channels[1].state, 0);
    EXPECT_EQ(runtime::sequence_step_buffers[5].current_values[1], runtime::kValueNotSet);
    EXPECT_EQ(playback::pointcue_follow_cue, 0);
}

TEST_F(ModeKeys, CueTimingForACueOutOfRangeCallsNoCue) {
    playback::current_cue = 71;
    rig.hold(KEY_CUE, kSettle_ms);
    rig.press(KEY_SEQUENCE_RUN, 10);
    rig.release(KEY_CUE, kSettle_ms);
    EXPECT_NE(runtime::mode_flags & runtime::MODE_CUE_TIMING, 0u);
    EXPECT_EQ(count_calls("playback::go_to_cue"), 0);
}

// --- step switch ----------------------------------------------------------------------

TEST(BeltResolution, StepAndFineOfEachResolution) {
    const int16_t steps[] = {256, 128, 64, 32, 16, 8, 4, 2, 1};
    for (int16_t bits = 8; bits <= 16; ++bits) {
        runtime::belt_resolution = bits;
        EXPECT_EQ(programmer::belt_step(), steps[bits - 8]) << bits;
        EXPECT_EQ(programmer::belt_fine_mode(), bits == 8 ? 0 : 1) << bits;
    }
    runtime::belt_resolution = 0;
    EXPECT_EQ(programmer::belt_step(), 256);
    runtime::belt_resolution = 40;
    EXPECT_EQ(programmer::belt_step(), 1);
}

TEST_F(ModeKeys, TrackerballButtonsStepTheBeltResolutionOncePerPressWithinEightToSixteen) {
    ASSERT_EQ(runtime::belt_resolution, 10);
    rig.set_trackerball_buttons(platform::kMouseLeft);
    rig.run_ms(200);  // held: one step only
    rig.set_trackerball_buttons(0);
    rig.run_ms(kSettle_ms);
    EXPECT_EQ(runtime::belt_resolution, 9);
    for (int i = 0; i < 3; ++i) rig.click(platform::kMouseLeft);
    EXPECT_EQ(runtime::belt_resolution, 8);
    for (int i = 0; i < 10; ++i) rig.click(platform::kMouseRight);
    EXPECT_EQ(runtime::belt_resolution, 16);
    EXPECT_EQ(ui::step_switch_button, 0);
}

TEST_F(ModeKeys, MiddleButtonTogglesTheCardsTrackerballModeOutsideTheSetup) {
    auto card_bit = [&] { return rig.machine().cards.peek_byte(kConsoleSlot, kTrackerballModeCell) & kTrackerballModeBit; };
    rig.click(platform::kMouseMiddle);
    EXPECT_EQ(runtime::trackerball_card_mode, 1);
    EXPECT_EQ(card_bit(), kTrackerballModeBit);
    rig.click(platform::kMouseMiddle);
    EXPECT_EQ(runtime::trackerball_card_mode, 0);
    EXPECT_EQ(card_bit(), 0);
    runtime::mode_flags |= runtime::MODE_IN_SETUP;
    rig.click(platform::kMouseMiddle);
    EXPECT_EQ(runtime::trackerball_card_mode, 0);
    runtime::mode_flags &= ~runtime::MODE_IN_SETUP;
}

// --- the CUE key ----------------------------------------------------------------------

TEST_F(ModeKeys, TwoCuePressesCloseTogetherOpenTheMultiselect) {
    rig.press(KEY_CUE, 50);   // down 50, up 50
    rig.press(KEY_CUE, 50);   // 100 ms after the first: within 200 ms
    EXPECT_NE(runtime::run_flags & runtime::RUN_CUE_MULTISELECT, 0u);
    EXPECT_EQ(ui::current_message(), "SELECT CUES TO MULTISELECT");
    EXPECT_TRUE(tone_of(1000));
    rig.press(KEY_ESC, 50);
    EXPECT_EQ(runtime::run_flags & runtime::RUN_CUE_MULTISELECT, 0u);
    rig.run_ms(300);
    rig.press(KEY_CUE, 50);
    EXPECT_EQ(runtime::run_flags & runtime::RUN_CUE_MULTISELECT, 0u);
}

TEST_F(ModeKeys, CuePressedAloneEntersTheCueScreenUnlessAKeyWasHandled) {
    rig.press(KEY_CUE, 20);
    EXPECT_NE(runtime::mode_flags & runtime::MODE_CUE_SCREEN, 0u);
    EXPECT_EQ(runtime::run_flags & runtime::RUN_CUE_KEY_HELD, 0u);
    // Cues 3 and 5 of page 1 have cue memories; the programmer shows cue 4, cue 3 is live.
    const int cue_3 = playback::cue_slot_of(1, 3, 1);
    const int cue_5 = playback::cue_slot_of(1, 5, 1);
    for (const int slot : {cue_3, cue_5}) {
        auto* record = new (memcheck::mc_malloc_at(sizeof(playback::PointcueRecord), __FILE__, __LINE__))
            playback::PointcueRecord{};
        record->flags = playback::CUE_RECORD_IN_CUE;
        record->point_memory = 1;
        playback::cue_pointcue_table[static_cast<size_t>(slot)] = record;
        playback::cue_header_table[static_cast<size_t>(slot)].programmed = 1;
    }
    memories::programmer_cue_page = 1;
    memories::programmer_cue_number = 4;
    memories::programmer_cue_point = 1;
    playback::current_cue_page = 1;
    playback::current_cue = 3;
    playback::current_cue_point = 1;
    const auto shown = [] {
        return playback::cue_slot_of(memories::programmer_cue_page, memories::programmer_cue_number,
                                     memories::programmer_cue_point);
    };
    rig.run_ms(300);
    rig.hold(KEY_CUE, kSettle_ms);
    EXPECT_NE(runtime::run_flags & runtime::RUN_CUE_KEY_HELD, 0u);
    rig.press(KEY_NEXT, 10);
    EXPECT_EQ(shown(), cue_5);
    rig.press(KEY_LAST, 10);
    EXPECT_EQ(shown(), cue_3);
    memories::programmer_cue_number = 5;
    rig.press(KEY_GET_MEMORY, 10);  // the live cue
    EXPECT_EQ(shown(), cue_3);
    rig.release(KEY_CUE, kSettle_ms);
}

TEST_F(ModeKeys, CueHeldWithCueKeysOrDigitsSelectsCues) {
    runtime::cue_screen_page = 1;
    rig.hold(KEY_CUE, kSettle_ms);
    rig.press(fixture_key(12), 10);  // "GIVE CUE TO SELECT" on cue 12
    EXPECT_EQ(ui::current_message(), "GIVE CUE TO SELECT");
    rig.press(KEY_ESC, 10);
    rig.release(KEY_CUE, kSettle_ms);
    rig.run_ms(300);
    rig.hold(KEY_CUE, kSettle_ms);
    rig.press(digit_key(0), 10);     // nothing
    rig.press(digit_key(7), 10);     // a typed cue number starting with 7
    EXPECT_EQ(ui::current_message(), "GIVE CUE TO SELECT");
    rig.press(KEY_ESC, 10);
    rig.release(KEY_CUE, kSettle_ms);
    const Calls calls = runtime::logged_calls();
    const Calls shown = [&] {
        Calls s;
        for (const std::string& c : calls) {
            if (c.rfind("memories::show_memory_cue_status", 0) == 0) s.push_back(c);
        }
        return s;
    }();
    EXPECT_EQ(shown, Calls{});  // the status line is drawn, not a least body
    EXPECT_STREQ(playback::cue_status_text.data(), "P 1 C 7.0  R 7.0");
}

TEST_F(ModeKeys, CueHeldTurnsTheTrackerballIntoTheShowSpeed) {
    runtime::mode_flags |= runtime::MODE_CUE_TIMING;
    struct Case {
        int16_t speed;
        int dy;
        int16_t expected;
    };
    const Case cases[] = {
        {100, -50, 150},   // 50 up from 200
        {100, 30, 70},
        {900, -200, 1000}, // never above 1000
        {100, 150, 0},     // never below 0
    };
    for (const Case& c : cases) {
        runtime::show_speed = c.speed;
        rig.run_ms(300);
        rig.hold(KEY_CUE, kSettle_ms);
        rig.move_trackerball(0, c.dy);
        rig.run_ms(kSettle_ms);
        rig.release(KEY_CUE, kSettle_ms);
        EXPECT_EQ(runtime::show_speed, c.expected) << c.speed << " " << c.dy;
    }
    // SELECT FUNCTIONS under CUE: back to 100.
    rig.run_ms(300);
    rig.hold(KEY_CUE, kSettle_ms);
    rig.press(KEY_SELECT_FUNCTIONS, 10);
    rig.release(KEY_CUE, kSettle_ms);
    EXPECT_EQ(runtime::show_speed, 100);
}

TEST_F(ModeKeys, CueHeldWithCueTimingOffLeavesTheSpeedAlone) {
    runtime::show_speed = 100;
    rig.hold(KEY_CUE, kSettle_ms);
    rig.move_trackerball(0, -50);
    rig.run_ms(kSettle_ms);
    rig.press(KEY_FREEZE, 10);  // the show clock freezes only with cue timing on
    rig.release(KEY_CUE, kSettle_ms);
    EXPECT_EQ(runtime::show_speed, 100);
    EXPECT_EQ(runtime::show_time_frozen, 0);
}

TEST_F(ModeKeys, CueKeyPutsBackTheLedsItBlinkedAndShowsTheFreeze) {
    runtime::mode_flags |= runtime::MODE_CUE_TIMING;
    runtime::set_key_led(KEY_SEQUENCE_RUN, runtime::LED_ON);
    runtime::set_key_led(KEY_LAST, runtime::LED_OFF);
    runtime::set_key_led(KEY_NEXT, runtime::LED_BLINK);
    rig.hold(KEY_CUE, kSettle_ms);
    for (const int16_t key : {KEY_SEQUENCE_RUN, KEY_LAST, KEY_NEXT, KEY_GET_MEMORY, KEY_SELECT_FUNCTIONS, KEY_FREEZE}) {
        EXPECT_EQ(rig.key_led(key), LedState::blinking) << key;
    }
    rig.press(KEY_FREEZE, 10);
    rig.release(KEY_CUE, kSettle_ms);
    EXPECT_EQ(runtime::show_time_frozen, 1);
    EXPECT_EQ(rig.key_led(KEY_SEQUENCE_RUN), LedState::lit);
    EXPECT_EQ(rig.key_led(KEY_LAST), LedState::off);
    EXPECT_EQ(rig.key_led(KEY_NEXT), LedState::blinking);
    EXPECT_EQ(rig.key_led(KEY_GET_MEMORY), LedState::off);
    EXPECT_EQ(rig.key_led(KEY_SELECT_FUNCTIONS), LedState::off);
    EXPECT_EQ(rig.key_led(KEY_FREEZE), LedState::lit);  // the show clock is frozen
}

}  // namespace
