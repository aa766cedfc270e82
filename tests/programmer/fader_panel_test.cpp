// The fader panel on the demo rig: what the 16 faders of the current fixture
// show (from the programmer, value presets or the live output), their labels,
// the page fallback, the pan invert, the parameter banks and their wheel
// scales, the follow-live pass and the fader key LEDs.
//
// Fixture 1 is a SPOT16: channel 1 pan, 3 tilt (16-bit with 2 and 4), 5 the
// colour wheel with entries WHITE 5, DEEP RED 15, SEA BLUE 25, LEAF GREEN 35,
// SUN YELLOW 45, VIOLET 55, WHEEL SPIN 128 over gap-free sub-functions, 6 the
// gobo wheel (SHAKE 100 only for the current fixture), 14 the intensity.
#include "programmer/fader_panel.h"

#include <gtest/gtest.h>

#include <cstring>

#include "memories/presets.h"
#include "playback/output_merge.h"
#include "programmer/fixture_selection.h"
#include "programmer_test_rig.h"
#include "runtime/channel_levels.h"
#include "runtime/config_records.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/show_tables.h"
#include "runtime/timers.h"
#include "ui/fader_widget.h"

namespace {

constexpr int kColourWheel = 5;
constexpr int kGoboWheel = 6;
constexpr int kIntensity = 14;

class FaderPanel : public programmer_test::DemoRig {
protected:
    void SetUp() override {
        DemoRig::SetUp();
        programmer::select_fixture(1);
        ASSERT_EQ(runtime::current_fixture, 1);
        ASSERT_EQ(runtime::current_fixture_type, 0);
        ASSERT_EQ(runtime::function_count, 16);
    }
    static runtime::WheelState& wheel(int n) { return runtime::wheel_states.functions[static_cast<size_t>(n)]; }
    static std::string label(int n) { return wheel(n).label.data(); }
    static std::string widget_label(int slot) {
        return ui::function_fader_widgets[static_cast<size_t>(slot)].label.data();
    }
    static int16_t record(int channel) { return static_cast<int16_t>(channel); }  // fixture 1's records are 1..16
};

TEST_F(FaderPanel, ChannelFadersShowTheProgrammerAndTheirEntryLabels) {
    struct Case {
        const char* what;
        uint16_t programmer;
        uint16_t output;
        int16_t raw;
        const char* label;
    };
    // Texts longer than 8 characters are cut to the label's 8.
    const Case cases[] = {
        {"a direct value", 12, 0, 12, "WHITE"},
        {"the entry whose start lies below", 16, 0, 16, "DEEP RED"},
        {"a long entry text is cut", 40, 0, 40, "LEAF GRE"},
        {"another long one", 200, 0, 200, "WHEEL SP"},
        {"not set: the live output", 65535, 27, 27, "SEA BLUE"},
        {"an empty preset's reference: the live output", 1005, 57, 57, "VIOLET"},
        {"a reference beyond the presets: the live output", 1300, 47, 47, "SUN YELL"},
        {"a direct value above a level is clamped", 700, 0, 255, "WHEEL SP"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        runtime::programmer_values[record(kColourWheel)] = c.programmer;
        runtime::output_base_values[record(kColourWheel)] = c.output;
        programmer::refresh_faders();
        EXPECT_EQ(wheel(kColourWheel).raw, c.raw);
        // The wheel's sub-functions leave no gaps: the fader shows the level.
        EXPECT_EQ(wheel(kColourWheel).value, c.raw);
        EXPECT_EQ(label(kColourWheel), c.label);
        EXPECT_EQ(widget_label(kColourWheel), c.label);
        EXPECT_EQ(wheel(kColourWheel).label[8], '\0');
    }
}

TEST_F(FaderPanel, AValuePresetReferenceShowsThePresetsValue) {
    std::vector<uint16_t> preset(memories::kValuePresetValues, runtime::kValueNotSet);
    preset[record(kColourWheel)] = 36;
    memories::value_preset_table[75] = preset.data();  // colour preset 5
    runtime::programmer_values[record(kColourWheel)] = 1075;
    programmer::refresh_faders();
    EXPECT_EQ(wheel(kColourWheel).raw, 36);
    EXPECT_EQ(label(kColourWheel), "LEAF GRE");
    memories::value_preset_table[75] = nullptr;
}

TEST_F(FaderPanel, AnEntryForTheCurrentFixtureOnlyIsLabelledInCyan) {
    runtime::programmer_values[record(kGoboWheel)] = 120;
    programmer::refresh_faders();
    EXPECT_EQ(label(kGoboWheel), "SHAKE");
    EXPECT_EQ(ui::function_fader_widgets[kGoboWheel].label_colour, 11);
    runtime::programmer_values[record(kGoboWheel)] = 30;
    programmer::refresh_faders();
    EXPECT_EQ(label(kGoboWheel), "STAR");
    const int16_t colour = ui::function_fader_widgets[kGoboWheel].label_colour;
    EXPECT_TRUE(colour == 10 || colour == 15) << colour;
}

TEST_F(FaderPanel, PanInvertShowsZeroAsFull) {
    runtime::programmer_values[record(1)] = 0;
    runtime::programmer_values[record(3)] = 0;
    runtime::fixture_pantilt_table[1].pan_invert = 1;
    programmer::refresh_faders();
    EXPECT_EQ(wheel(1).value, 255);
    EXPECT_EQ(wheel(3).value, 0) << "tilt is not inverted";
    runtime::fixture_pantilt_table[1].pan_invert = 0;
    programmer::refresh_faders();
    EXPECT_EQ(wheel(1).value, 0);
}

TEST_F(FaderPanel, PanFollowsTheOrientedChannel) {
    // A fixture turned by 90 degrees drives pan from the tilt record.
    runtime::PanTiltRecord& pt = runtime::fixture_pantilt_table[1];
    std::swap(pt.oriented_pan, pt.oriented_tilt);
    runtime::programmer_values[record(1)] = 10;
    runtime::programmer_values[record(3)] = 90;
    programmer::refresh_faders();
    EXPECT_EQ(wheel(1).raw, 90);
    EXPECT_EQ(wheel(3).raw, 10);
    std::swap(pt.oriented_pan, pt.oriented_tilt);
}

TEST_F(FaderPanel, ATypeWithoutASecondPageFallsBackToPageOne) {
    runtime::function_page = 2;
    programmer::build_fader_panel();
    EXPECT_EQ(runtime::function_page, 1);
    EXPECT_EQ(runtime::key_led_cache[runtime::KEY_FUNCTION_PAGE_1], runtime::LED_ON);
    EXPECT_EQ(runtime::key_led_cache[runtime::KEY_FUNCTION_PAGE_2], runtime::LED_OFF);
    // Every fader of the page has its number; the strip is yellow where the
    // setup's per-type function flag is set (the intensity's), else grey.
    EXPECT_EQ(ui::function_fader_widgets[16].number, 16);
    EXPECT_EQ(ui::function_fader_widgets[kIntensity].strip_colour, 14);
    EXPECT_EQ(ui::function_fader_widgets[kColourWheel].strip_colour, 7);
}

TEST_F(FaderPanel, TheFaderKeyLedsFollowTheBank) {
    runtime::display_mode = 2;
    runtime::mode_flags &= ~runtime::MODE_TRACKERBALL_PANTILT;
    runtime::selected_fader_bank0 = 3;
    programmer::update_fader_key_leds();
    EXPECT_EQ(runtime::key_led_cache[runtime::fader_key(1)], runtime::LED_ON);
    EXPECT_EQ(runtime::key_led_cache[runtime::fader_key(3)], runtime::LED_ON_2);
    EXPECT_EQ(runtime::key_led_cache[runtime::fader_key(16)], runtime::LED_ON);

    programmer::select_fixture(11);  // a dimmer: one function
    programmer::update_fader_key_leds();
    EXPECT_EQ(runtime::key_led_cache[runtime::fader_key(1)], runtime::LED_ON_2);
    EXPECT_EQ(runtime::key_led_cache[runtime::fader_key(2)], runtime::LED_OFF);

    programmer::select_fixture(1);  // a spot gives the trackerball to pan and tilt
    runtime::fader_bank = programmer::kFigureBank;
    runtime::selected_fader_bank2 = 10;
    programmer::update_fader_key_leds();
    EXPECT_EQ(runtime::key_led_cache[runtime::fader_key(10)], runtime::LED_ON);
    runtime::mode_flags &= ~runtime::MODE_TRACKERBALL_PANTILT;
    runtime::selected_fader_bank2 = 10;
    programmer::update_fader_key_leds();
    EXPECT_EQ(runtime::key_led_cache[runtime::KEY_FIGURE], runtime::LED_ON);
    EXPECT_EQ(runtime::key_led_cache[runtime::fader_key(9)], runtime::LED_ON);
    EXPECT_EQ(runtime::key_led_cache[runtime::fader_key(10)], runtime::LED_ON_2);
    EXPECT_EQ(runtime::key_led_cache[runtime::fader_key(11)], runtime::LED_OFF);
    EXPECT_EQ(runtime::key_led_cache[runtime::fader_key(16)], runtime::LED_ON);
}

TEST_F(FaderPanel, WheelScalesMeetAtBothEnds) {
    struct Case {
        int raw;
        double scale;
        int value;
    };
    // A parameter's largest byte is the fader's largest value, and back.
    const Case cases[] = {
        {170, programmer::generator_wheel_scale[1], 255}, {127, programmer::generator_wheel_scale[0], 254},
        {170, programmer::figure_wheel_scale[9], 255},    {0, programmer::figure_wheel_scale[2], 0},
        {85, programmer::figure_wheel_scale[0], 170},     {100, programmer::generator_wheel_scale[2], 150},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.raw << " at " << c.scale);
        EXPECT_EQ(programmer::parameter_to_wheel_value(c.raw, c.scale), c.value);
        EXPECT_EQ(programmer::wheel_value_to_parameter(c.value, c.scale), c.raw);
    }
    EXPECT_EQ(programmer::wheel_value_to_parameter(255, programmer::generator_wheel_scale[0]), 127);
    EXPECT_EQ(programmer::parameter_to_wheel_value(255, programmer::generator_wheel_scale[0]), 255) << "capped";
    EXPECT_EQ(programmer::parameter_to_wheel_value(50, 0.0), 0) << "no division by a zero scale";
}

TEST_F(FaderPanel, GeneratorFadersShowTheSelectedFunctionsParameters) {
    runtime::fader_bank = programmer::kGeneratorBank;
    runtime::function_page = 1;
    runtime::selected_fader_bank0 = kIntensity;
    const size_t at = static_cast<size_t>(kIntensity - 1) * 6;
    runtime::generator_states[kIntensity].parameters = {20, 30, 40, 50, 60, 70};
    struct Case {
        const char* what;
        uint8_t stored;
        int raw;
    };
    const Case cases[] = {
        {"a parameter", 170, 170},
        {"an empty effect preset's reference: the running parameter", 181, 30},
        {"a byte that is neither: the running parameter", 175, 30},
        {"not set: the running parameter", 255, 30},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        runtime::programmer_generators[at + 2] = c.stored;  // SPEED
        programmer::refresh_faders();
        EXPECT_EQ(runtime::wheel_states.generator_params[2].raw, c.raw);
        EXPECT_EQ(runtime::wheel_states.generator_params[2].value,
                  programmer::parameter_to_wheel_value(c.raw, programmer::generator_wheel_scale[1]));
    }
    EXPECT_EQ(runtime::wheel_states.generator_params[1].raw, 20);
    EXPECT_EQ(runtime::wheel_states.generator_params[1].value, 40) << "SWING in halves";
}

TEST_F(FaderPanel, FollowLiveTracksTheOutputWhileLiveEditIsOn) {
    runtime::run_flags |= runtime::RUN_LIVE_EDIT;
    programmer::refresh_faders();
    runtime::output_base_values[record(kIntensity)] = 150;
    runtime::general_timers[kIntensity] = 10;
    rig_.run_ms(5);
    EXPECT_EQ(wheel(kIntensity).raw, 150);
    EXPECT_EQ(wheel(kIntensity).shown, 50);
    EXPECT_GT(runtime::general_timers[kIntensity], 10) << "no belt write within 50 ms of the last";

    // A record holding a manual value keeps its fader.
    runtime::channel_flags[record(kIntensity)] |= runtime::FLAG_MANUAL;
    runtime::output_base_values[record(kIntensity)] = 30;
    rig_.run_ms(5);
    EXPECT_EQ(wheel(kIntensity).raw, 150);
    runtime::channel_flags[record(kIntensity)] &= static_cast<uint16_t>(~runtime::FLAG_MANUAL);

    // Key 163 held reads the level back from the card: with the live layer
    // giving the dimmer 30 and GRAND down, the card sends 0 while the output
    // keeps its 30.
    runtime::layer_values[0][record(kIntensity)] = 30;
    playback::mark_channel_dirty(static_cast<int16_t>(record(kIntensity)));
    rig_.set_master_fader(1, 0);
    rig_.run_ms(50);
    rig_.hold(runtime::KEY_PANEL_3, 20);
    EXPECT_EQ(wheel(kIntensity).raw, 0);
    rig_.release(runtime::KEY_PANEL_3, 20);
    EXPECT_EQ(wheel(kIntensity).raw, 30) << "let go, the output again";
    rig_.set_master_fader(1, 255);
    rig_.run_ms(50);

    // In threshold mode nothing follows.
    runtime::run_flags |= runtime::RUN_THRESHOLD_MODE;
    runtime::output_base_values[record(kIntensity)] = 90;
    rig_.run_ms(5);
    EXPECT_EQ(wheel(kIntensity).raw, 30);
    runtime::run_flags &= ~runtime::RUN_THRESHOLD_MODE;
    rig_.run_ms(5);
    EXPECT_EQ(wheel(kIntensity).raw, 90);
}

TEST_F(FaderPanel, WithoutLiveEditTheFadersKeepTheProgrammer) {
    runtime::programmer_values[record(kIntensity)] = 80;
    programmer::refresh_faders();
    runtime::output_base_values[record(kIntensity)] = 150;
    rig_.run_ms(5);
    EXPECT_EQ(wheel(kIntensity).raw, 80);
}

TEST_F(FaderPanel, ThresholdModeLeavesTheParameterBanksAlone) {
    runtime::fader_bank = programmer::kGeneratorBank;
    runtime::selected_fader_bank0 = kIntensity;
    runtime::threshold_levels[record(kIntensity)] = 77;
    runtime::generator_states[kIntensity].parameters = {20, 30, 40, 50, 60, 70};
    runtime::run_flags |= runtime::RUN_THRESHOLD_MODE;
    programmer::build_fader_panel();
    programmer::refresh_faders();
    EXPECT_EQ(wheel(kIntensity).raw, 77);
    EXPECT_EQ(wheel(kIntensity).value, 77);
    EXPECT_EQ(runtime::wheel_states.generator_params[1].raw, 0);
    runtime::run_flags &= ~runtime::RUN_THRESHOLD_MODE;
}

TEST_F(FaderPanel, LabelCopyIsBounded) {
    std::array<char, 9> label{};
    programmer::copy_wheel_label(label, "A VERY LONG PREDEFINED ENTRY TEXT OF 35");
    EXPECT_STREQ(label.data(), "A VERY L");
    programmer::copy_wheel_label(label, "OPEN");
    EXPECT_STREQ(label.data(), "OPEN");
    EXPECT_EQ(label[5], '\0');
}

}  // namespace
