// Keypad value entry on the demo rig: the level of a typed number, the apply
// of the selected fader's value by bank, the edit mode forced to absolute
// for the apply, and the cases that apply nothing.
#include "programmer/keypad_entry.h"

#include <gtest/gtest.h>

#include <string>

#include "programmer/fader_panel.h"
#include "programmer/function_timings.h"
#include "programmer_test_rig.h"
#include "runtime/config_records.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/show_tables.h"
#include "runtime/step_log.h"

namespace {

constexpr int kIntensity = 14;
constexpr int kIntensityRecord = 14;  // of fixture 1, whose records start at 1

class KeypadEntry : public programmer_test::DemoRig {
protected:
    void SetUp() override {
        DemoRig::SetUp();
        rig_.press(1);
        rig_.press(runtime::fader_key(kIntensity));
        ASSERT_EQ(runtime::selected_fader_bank0, kIntensity);
        runtime::clear_step_log();
    }
    // Types the keys (digits as text, 'E' ENTER, 'X' ESC) into the entry
    // box that EDIT VALUE opens, and runs the entry.
    void enter(const std::string& keys) {
        uint32_t at_ms = 100;
        for (const char c : keys) {
            int16_t key = runtime::KEY_ENTER;
            if (c >= '0' && c <= '9') key = runtime::digit_key(c - '0');
            if (c == 'X') key = runtime::KEY_ESC;
            rig_.at(at_ms, [this, key] { rig_.hold(key); });
            rig_.at(at_ms + 30, [this, key] { rig_.release(key); });
            at_ms += 60;
        }
        programmer::run_edit_function_value();
    }
};

TEST_F(KeypadEntry, LevelOfATypedNumber) {
    struct Case {
        int16_t number;
        bool percent;
        int16_t level;
    };
    const Case cases[] = {
        {50, true, 128}, {1, true, 3},     {100, true, 255}, {0, true, 0},     {20, true, 51},
        {101, true, -1}, {-1, true, -1},   {255, false, 255}, {256, false, -1}, {-2, false, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.number << (c.percent ? "%" : ""));
        EXPECT_EQ(programmer::keypad_level(c.number, c.percent), c.level);
    }
    // Every percentage rounds up, never more than one step.
    for (int16_t p = 0; p <= 100; ++p) {
        const int level = programmer::keypad_level(p, true);
        EXPECT_GE(level * 100, p * 255);
        EXPECT_LT((level - 1) * 100, p * 255);
    }
}

TEST_F(KeypadEntry, PercentEntrySetsTheChannelAbsolutelyInFanMode) {
    runtime::mode_flags |= runtime::MODE_PERCENT;
    const uint32_t fan = 2u << 30;
    runtime::mode_flags = (runtime::mode_flags & ~runtime::MODE_EDIT_MODE) | fan;
    runtime::programmer_values[kIntensityRecord] = 10;
    enter("50E");
    EXPECT_EQ(runtime::wheel_states.functions[kIntensity].value, 128);
    EXPECT_EQ(runtime::programmer_values[kIntensityRecord], 128) << "set absolutely, not moved by the fan";
    EXPECT_EQ(runtime::mode_flags & runtime::MODE_EDIT_MODE, fan) << "the edit mode comes back";
    EXPECT_EQ(runtime::key_led_cache[runtime::KEY_EDIT_VALUE], runtime::LED_OFF);
}

TEST_F(KeypadEntry, DigitalEntryOutOfRangeOrCancelledAppliesNothing) {
    for (const char* keys : {"300E", "12X", "E"}) {
        SCOPED_TRACE(keys);
        runtime::clear_step_log();
        runtime::wheel_states.functions[kIntensity].value = 7;
        runtime::programmer_values[kIntensityRecord] = 7;
        enter(keys);
        EXPECT_EQ(runtime::wheel_states.functions[kIntensity].value, 7);
        EXPECT_EQ(runtime::programmer_values[kIntensityRecord], 7);
    }
    enter("255E");
    EXPECT_EQ(runtime::wheel_states.functions[kIntensity].value, 255);
    EXPECT_EQ(runtime::programmer_values[kIntensityRecord], 255);
}

TEST_F(KeypadEntry, EffectBanksTakeDigitsWhateverTheDisplay) {
    runtime::mode_flags |= runtime::MODE_PERCENT;
    runtime::fader_bank = programmer::kGeneratorBank;
    runtime::selected_fader_bank1 = 3;  // SPEED
    enter("170E");
    // level / (2/3) + 1, truncated, is 256: the fader stops at 255, which is
    // SPEED 170 again in the programmer.
    EXPECT_EQ(runtime::wheel_states.generator_params[2].value, 255);
    EXPECT_EQ(runtime::programmer_generators[(kIntensityRecord - 1) * runtime::kGeneratorBytesPerRecord + 2], 170);

    runtime::fader_bank = programmer::kFigureBank;
    runtime::selected_fader_bank2 = 1;  // X-SWING, in halves
    enter("100E");
    // 100 / 0.5 + 1: the fader at 201 is X-SWING 100 of fixture 1.
    EXPECT_EQ(runtime::wheel_states.figure_params[1].value, 201);
    EXPECT_EQ(runtime::programmer_figures[1], 100);
}

TEST_F(KeypadEntry, NothingInPanTiltModeAndOnlyATickOnTimingFaderOne) {
    runtime::mode_flags |= runtime::MODE_TRACKERBALL_PANTILT;
    programmer::run_edit_function_value();
    EXPECT_TRUE(runtime::logged_calls().empty());
    EXPECT_EQ(runtime::key_led_cache[runtime::KEY_EDIT_VALUE], runtime::LED_OFF);

    runtime::mode_flags &= ~runtime::MODE_TRACKERBALL_PANTILT;
    runtime::fader_bank = programmer::kTimingBank;
    runtime::selected_fader_bank3 = 1;
    programmer::run_edit_function_value();
    rig_.run_ms(200);
    bool tick = false;
    for (const platform::Tone& t : rig_.tones()) tick |= t.freq_hz == 100 && t.duration_ms == 100;
    EXPECT_TRUE(tick);
    EXPECT_EQ(programmer::timing_faders[programmer::kDelayIn].shown, 0) << "no time entry on fader 1";

    // Fader 2 asks for a DELAY-IN time: one minute for the intensity of fixture 1.
    runtime::selected_fader_bank3 = 2;
    runtime::selected_function = kIntensity;
    programmer::timing_group_flags = {1, 0, 0, 1};
    enter("1E");
    EXPECT_EQ(programmer::timing_faders[programmer::kDelayIn].shown, 600);
    EXPECT_EQ(runtime::programmer_times[(kIntensityRecord - 1) * 15 + programmer::kDelayIn], 600);
}

}  // namespace

namespace {

// Every plain 0..255 function of fixture 1 takes the typed level to the
// stage: a function whose library lists no value range could never be set.
TEST_F(KeypadEntry, TypedLevelsOfPlainFunctionsReachTheStage) {
    struct Case {
        int fader;
        const char* keys;
        uint8_t dmx;
    };
    const Case cases[] = {{9, "200E", 200}, {10, "64E", 64}, {12, "1E", 1}, {15, "255E", 255}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "fader " << c.fader);
        rig_.press(runtime::fader_key(static_cast<int16_t>(c.fader)));
        ASSERT_EQ(runtime::selected_fader_bank0, c.fader);
        enter(c.keys);
        EXPECT_EQ(runtime::wheel_states.functions[static_cast<size_t>(c.fader)].value, c.dmx);
        rig_.run_ms(100);
        EXPECT_EQ(rig_.dmx(1, static_cast<uint16_t>(c.fader)), c.dmx);  // fixture 1 starts at address 1
    }
}

}  // namespace
