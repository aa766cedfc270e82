// Channel generators on the demo rig: the waves that reach the DMX output
// through the merge, the shared phases that keep equal speeds in step, the
// records the engine leaves alone, the setter and the wheel handler.
#include "programmer/channel_generators.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "programmer/fixture_functions.h"
#include "programmer/programmer_values.h"
#include "programmer_test_rig.h"
#include "runtime/console_flags.h"
#include "runtime/fixture_tables.h"
#include "runtime/show_tables.h"
#include "runtime/step_log.h"
#include "runtime/timers.h"
#include "setup/setup_data.h"
#include "ui/fader_widget.h"

namespace {

using programmer::kDelay;
using programmer::kMode;
using programmer::kShift;
using programmer::kSpeed;
using programmer::kSwing;
using programmer::kWait;

constexpr int16_t kFocus1 = 9;    // fixture 1 (universe 1 at 1), a plain 8-bit channel
constexpr int16_t kFocus2 = 25;   // fixture 2 (universe 1 at 17)
constexpr int16_t kIris1 = 11;    // fixture 1: the library inverts IRIS
constexpr int16_t kColour1 = 5;   // fixture 1: colour wheel, sub-functions 0-9, 10-19 ... 128-255
constexpr int16_t kPan1 = 1;      // fixture 1, coarse pan
constexpr int16_t kDimmer11 = 145;  // fixture 11, a dimmer

// MODE bytes of the classes used below.
constexpr uint8_t kSine = 0;
constexpr uint8_t kHump = 8;
constexpr uint8_t kPulseUp = 32;
constexpr uint8_t kPulseDown = 40;

int16_t byte_of(int16_t record, int param) { return static_cast<int16_t>((record - 1) * 6 + param); }

class Generators : public programmer_test::DemoRig {
protected:
    // The base value and the generator, as the operator's live edits set them.
    void run_generator(int16_t record, uint8_t base, uint8_t swing, uint8_t speed, uint8_t mode, uint8_t wait = 0) {
        programmer::set_function_value(record, base);
        const uint8_t values[] = {swing, speed, mode, 0, 0, wait};
        for (int k = kSwing; k <= kWait; ++k) programmer::set_generator_param(byte_of(record, k), values[k - 1]);
    }

    // The DMX level of universe 1 channel `channel` every `step_ms` for `run_ms`.
    std::vector<int> sample(int channel, uint32_t run_ms, uint32_t step_ms = 4) {
        std::vector<int> levels;
        for (uint32_t t = 0; t < run_ms; t += step_ms) {
            rig_.run_ms(step_ms);
            levels.push_back(rig_.dmx(1, channel));
        }
        return levels;
    }
};

TEST_F(Generators, PulseClassesHoldTheBasePlusOrMinusTwiceTheSwing) {
    run_generator(kFocus1, 50, 60, 170, kPulseUp);
    run_generator(kFocus2, 200, 50, 170, kPulseDown);
    rig_.run_ms(100);
    const std::vector<int> up = sample(9, 400);
    const std::vector<int> down = sample(25, 400);
    // Only the instant a wave starts gives the base.
    EXPECT_GE(std::count(up.begin(), up.end(), 170), static_cast<long>(up.size()) - 2);
    EXPECT_GE(std::count(down.begin(), down.end(), 100), static_cast<long>(down.size()) - 2);
}

TEST_F(Generators, SineSwingsBothWaysAroundTheBase) {
    run_generator(kFocus1, 128, 50, 170, kSine);
    const std::vector<int> levels = sample(9, 600, 2);
    EXPECT_GE(*std::max_element(levels.begin(), levels.end()), 222);
    EXPECT_LE(*std::min_element(levels.begin(), levels.end()), 34);
    EXPECT_LE(*std::max_element(levels.begin(), levels.end()), 228);
    EXPECT_GE(*std::min_element(levels.begin(), levels.end()), 28);
}

TEST_F(Generators, WaitFourMakesAHalfDutyPulse) {
    // SPEED 170: a wave of about 136 ms, then a pause as long.
    run_generator(kFocus1, 40, 30, 170, kPulseUp, 4);
    const std::vector<int> levels = sample(9, 1088, 4);
    const auto high = std::count(levels.begin(), levels.end(), 100);
    const auto base = std::count(levels.begin(), levels.end(), 40);
    EXPECT_EQ(high + base, static_cast<long>(levels.size()));
    EXPECT_NEAR(static_cast<double>(high) / static_cast<double>(levels.size()), 0.5, 0.06);
}

TEST_F(Generators, InvertFlagSwingsTheOtherWay) {
    ASSERT_NE(runtime::channel_flags[kIris1] & runtime::FLAG_INVERTED, 0);
    run_generator(kIris1, 128, 40, 170, kHump);
    const std::vector<int> levels = sample(11, 400);
    EXPECT_LE(*std::max_element(levels.begin(), levels.end()), 128);
    EXPECT_LE(*std::min_element(levels.begin(), levels.end()), 50);
}

TEST_F(Generators, SwingIsScaledIntoTheRecordsRangeAndClamped) {
    runtime::function_record_table[kColour1].range_min = 100;
    runtime::function_record_table[kColour1].range_max = 150;
    run_generator(kColour1, 120, 10, 170, kPulseUp);  // 2 * 10 scaled by 50/255: 3
    rig_.run_ms(100);
    EXPECT_EQ(rig_.dmx(1, 5), 123);
    run_generator(kColour1, 120, 127, 170, kPulseUp);  // 254 scaled: 49, past 150
    rig_.run_ms(100);
    EXPECT_EQ(rig_.dmx(1, 5), 150);
}

TEST_F(Generators, ABaseOutsideTheRangeSwingsInItsSubFunction) {
    runtime::function_record_table[kColour1].range_min = 60;
    runtime::function_record_table[kColour1].range_max = 127;
    run_generator(kColour1, 15, 50, 170, kPulseUp);  // 100 scaled into 10..19: 3
    rig_.run_ms(100);
    EXPECT_EQ(rig_.dmx(1, 5), 18);
    run_generator(kColour1, 15, 50, 170, kPulseDown);  // -3, held at 10 at most
    rig_.run_ms(100);
    EXPECT_EQ(rig_.dmx(1, 5), 12);
}

TEST_F(Generators, SpeedChangeKeepsThePositionInTheCycle) {
    struct Case {
        int16_t previous, speed;
        long double phase_in, phase_out;
    };
    const Case cases[] = {
        {60, 120, 4000.0L, 1000.0L},
        {120, 60, 1000.0L, 4000.0L},
        {0, 60, 500.0L, 500.0L},   // no previous speed: nothing to rescale
        {60, 0, 500.0L, 500.0L},   // SPEED 0 freezes the wave where it stands
    };
    for (const Case& c : cases) {
        programmer::shared_phase_valid = {};
        long double phase = c.phase_in;
        programmer::compute_generator_value(c.previous, c.speed, kSine, 0, 0, 0, &phase);
        EXPECT_DOUBLE_EQ(static_cast<double>(phase), static_cast<double>(c.phase_out));
    }
    // No speed at all: the plain base value, the phase untouched.
    long double phase = 1234.0L;
    EXPECT_EQ(programmer::compute_generator_value(0, 0, kSine, 0, 0, 0, &phase), 0.0f);
    EXPECT_EQ(phase, 1234.0L);
}

TEST_F(Generators, EqualSpeedsDriftIntoStepAndStayThere) {
    run_generator(kFocus1, 128, 50, 100, kSine);
    rig_.run_ms(1000);
    run_generator(kFocus2, 128, 50, 100, kSine);
    rig_.run_ms(20);
    const long double a = runtime::generator_states[kFocus1].phase;
    const long double b = runtime::generator_states[kFocus2].phase;
    // Moved by whole cycles to lie at most one cycle below the first one.
    const long double cycle = 2.0L * std::acos(-1.0L) / (100.0L * 100.0L * 0.0016L) * 1000.0L;
    EXPECT_LE(b, a);
    EXPECT_GT(b, a - cycle - 1.0L);
    rig_.run_ms(static_cast<uint32_t>(cycle / 0.6L) + 200);
    EXPECT_EQ(runtime::generator_states[kFocus1].phase, runtime::generator_states[kFocus2].phase);
    rig_.run_ms(500);
    EXPECT_EQ(runtime::generator_states[kFocus1].phase, runtime::generator_states[kFocus2].phase);
    EXPECT_EQ(rig_.dmx(1, 9), rig_.dmx(1, 25));
}

TEST_F(Generators, RecordsTheEngineLeavesAlone) {
    struct Case {
        const char* name;
        void (*arrange)();
    };
    const Case cases[] = {
        {"pan channel", [] { runtime::function_record_table[kFocus1].pantilt_role = 1; }},
        {"slave console on AUTO",
         [] {
             runtime::function_record_table[kFocus1].slave_group = 2;
             setup::setup_data.set_u8(setup::kSetupAutoManual + 1, 0);
         }},
        {"effects stopped", [] { runtime::run_flags &= ~runtime::RUN_EFFECTS_RUNNING; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        programmer::set_function_value(kFocus1, 60);
        rig_.run_ms(50);
        ASSERT_EQ(rig_.dmx(1, 9), 60);
        c.arrange();
        run_generator(kFocus1, 60, 50, 170, kPulseUp);
        rig_.run_ms(200);
        EXPECT_EQ(rig_.dmx(1, 9), 60);
        // Put the record back for the next case.
        runtime::function_record_table[kFocus1].pantilt_role = 0;
        runtime::function_record_table[kFocus1].slave_group = 0;
        runtime::run_flags |= runtime::RUN_EFFECTS_RUNNING;
        programmer::set_generator_param(byte_of(kFocus1, kSwing), 0);
        rig_.run_ms(50);
    }
    // A slave console group on MANUAL runs.
    runtime::function_record_table[kFocus1].slave_group = 2;
    setup::setup_data.set_u8(setup::kSetupAutoManual + 1, 1);
    run_generator(kFocus1, 60, 50, 170, kPulseUp);
    rig_.run_ms(200);
    EXPECT_EQ(rig_.dmx(1, 9), 160);
}

TEST_F(Generators, PanChannelsNeverRunAChannelGenerator) {
    programmer::set_function_value(kPan1, 90);
    run_generator(kPan1, 90, 50, 170, kPulseUp);
    rig_.run_ms(200);
    EXPECT_EQ(rig_.dmx(1, 1), 90);
}

TEST_F(Generators, DimmerLevelsGoOutWithTheWave) {
    // Fixture 11, a dimmer on universe 2 at 57, goes out by the masters' path.
    run_generator(kDimmer11, 20, 10, 170, kPulseUp);
    rig_.run_ms(100);
    EXPECT_EQ(rig_.dmx(2, 57), 40);
}

TEST_F(Generators, RunningParametersOutOfRangeAreHeldToTheirLimits) {
    // Bytes the merge could bring from a damaged memory: the engine must
    // not index its phase tables with them.
    programmer::set_function_value(kFocus1, 50);
    rig_.run_ms(50);
    runtime::generator_states[kFocus1].parameters = {60, 250, 255, 255, 255, 255};
    rig_.run_ms(500);
    EXPECT_LE(rig_.dmx(1, 9), 170);
    EXPECT_EQ(runtime::generator_states[kFocus1].previous_speed, 170);
}

TEST_F(Generators, SetterLayersAndRefusals) {
    struct Case {
        const char* name;
        void (*arrange)();
        uint8_t live, manual, colour;
    };
    const Case cases[] = {
        {"live", [] {}, 77, 0, programmer::kColourReachesStage},
        {"blind", [] { runtime::run_flags |= runtime::RUN_BLIND; }, 255, 0, programmer::kColourHeldBack},
        {"frozen", [] { runtime::generator_flags[byte_of(kFocus1, kSpeed)] |= runtime::FLAG_FROZEN; }, 255, 0,
         programmer::kColourHeldBack},
        {"sequence running", [] { playback::sequence_table[2].mode = 1; }, 255, 0, programmer::kColourHeldBack},
        {"manual and selected",
         [] {
             runtime::generator_flags[byte_of(kFocus1, kSpeed)] |= runtime::FLAG_MANUAL;
             programmer::fixture_selected[1] = 1;
         },
         255, 77, programmer::kColourReachesStage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int16_t byte = byte_of(kFocus1, kSpeed);
        runtime::layer_generators[0][byte] = 255;
        runtime::manual_generators[byte] = 0;
        runtime::generator_flags[byte] = 0;
        runtime::run_flags &= ~runtime::RUN_BLIND;
        playback::sequence_table[2].mode = 0;
        programmer::fixture_selected[1] = 0;
        c.arrange();
        programmer::set_generator_param(byte, 77);
        EXPECT_EQ(runtime::layer_generators[0][byte], c.live);
        EXPECT_EQ(runtime::manual_generators[byte], c.manual);
        EXPECT_EQ(programmer::get_generator_param_colour(byte), c.colour);
    }
    runtime::run_flags &= ~runtime::RUN_BLIND;
    // Bytes outside the records in use are refused.
    programmer::set_generator_param(0, 5);
    programmer::set_generator_param(static_cast<int16_t>(runtime::function_record_count * 6 + 1), 5);
    EXPECT_EQ(runtime::layer_generators[0][0], 255);
}

TEST_F(Generators, WheelSetsTheSelectedFunctionOfEverySelectedFixture) {
    programmer::fixture_selected[1] = 1;
    programmer::fixture_selected[2] = 1;
    runtime::current_fixture_type = runtime::function_record_table[kFocus1].type;
    runtime::function_page = 1;
    runtime::selected_fader_bank0 = 9;  // FOCUS
    runtime::fader_bank = 1;
    runtime::run_flags |= runtime::RUN_LIVE_EDIT;
    runtime::clear_step_log();
    programmer::apply_wheel_to_generator_param(kSpeed, -30);  // fader up by 30
    const auto& wheel = runtime::wheel_states.generator_params[kSpeed];
    EXPECT_EQ(wheel.value, 30);
    EXPECT_EQ(wheel.raw, 20);  // 30 fader units of two thirds of a step
    // The generator's SPEED sits on fader widget 3, at 30 / 3.
    EXPECT_EQ(wheel.shown, 10);
    const ui::FaderWidget& widget = ui::function_fader_widgets[3];
    EXPECT_TRUE(widget.level == 10 || widget.saved_level == 10);
    for (int16_t record : {kFocus1, kFocus2}) {
        const int16_t byte = byte_of(record, kSpeed);
        EXPECT_EQ(runtime::programmer_generators[byte], 20);
        EXPECT_NE(runtime::generator_flags[byte] & runtime::FLAG_MANUAL, 0);
        EXPECT_EQ(runtime::manual_generators[byte], 20);
    }
    // The fader stops at 255; SWING is held to 127.
    programmer::apply_wheel_to_generator_param(kSwing, -400);
    EXPECT_EQ(runtime::wheel_states.generator_params[kSwing].value, 255);
    EXPECT_EQ(runtime::programmer_generators[byte_of(kFocus1, kSwing)], 127);
}

}  // namespace
