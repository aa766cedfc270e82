// The function belts through the console card, the fader selection and the
// trackerball on the demo rig.
#include "programmer/function_belts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "programmer/function_timings.h"
#include "programmer_edit_rig.h"
#include "runtime/card_access.h"
#include "runtime/console_flags.h"
#include "runtime/fixture_tables.h"
#include "runtime/mouse_input.h"
#include "runtime/show_tables.h"
#include "runtime/step_log.h"
#include "ui/fader_widget.h"

namespace {

using programmer::kEditRelative;
using runtime::read_function_belt;

class Belts : public programmer_test::EditRig {
protected:
    // The card reports belt i at position p; the console polls.
    void turn_belt(int belt, uint8_t position) {
        rig_.set_function_belt(belt, 0, position);
        rig_.set_function_belt(belt, 1, programmer::kBeltMoved);
        rig_.run_ms(5);
    }
    static uint8_t position(int belt) { return read_function_belt(static_cast<int16_t>(belt), 0); }
    static uint8_t state(int belt) { return read_function_belt(static_cast<int16_t>(belt), 1); }
    // The recorded calls of one kind.
    static std::vector<std::string> calls_of(const std::string& name) {
        std::vector<std::string> out;
        for (const std::string& call : runtime::logged_calls()) {
            if (call.rfind(name, 0) == 0) out.push_back(call);
        }
        return out;
    }
};

TEST_F(Belts, BankZeroBeltEditsTheSelectionAndReachesTheOutput) {
    // The worked case through belt 1: wash 5 at 100, wash 6 at 250, raised 20.
    set_resolution(8);
    set_edit_mode(kEditRelative);
    select({5, 6});
    set(programmer_test::kWash5Pan, 100);
    set(programmer_test::kWash6Pan, 250);
    fader(1).value = 100;
    turn_belt(1, 120);
    EXPECT_EQ(state(1), programmer::kBeltAcknowledged);
    EXPECT_EQ(value(programmer_test::kWash5Pan), 120);
    EXPECT_EQ(value(programmer_test::kWash6Pan), 255);
    EXPECT_EQ(rig_.dmx(1, 65), 120);
    EXPECT_EQ(rig_.dmx(1, 77), 255);
    // The belt poll clears the current fixture's own overflow before each step.
    programmer::set_limit_overflow(programmer_test::kWash5Pan, -7);
    turn_belt(1, 100);
    EXPECT_EQ(value(programmer_test::kWash5Pan), 100);
    EXPECT_EQ(value(programmer_test::kWash6Pan), 250);
    EXPECT_EQ(rig_.dmx(1, 77), 250);
}

TEST_F(Belts, EveryMovedBeltIsAcknowledgedAndRoutedByBank) {
    struct Case {
        const char* name;
        void (*arrange)();
        int belt;
        uint8_t position;
        uint8_t end_position;      // the register after the poll
        uint8_t end_state;
        const char* call;          // the handler called, with its arguments ("" none)
    };
    const Case cases[] = {
        {"wheels inactive", [] { runtime::run_flags |= runtime::RUN_WHEELS_INACTIVE; }, 11, 90, 0, 0, ""},
        {"generator parameter", [] { runtime::fader_bank = 1; runtime::wheel_states.generator_params[3].value = 60; },
         4, 50, 50, 128, ""},
        {"generator bank beyond its faders", [] { runtime::fader_bank = 1; }, 9, 50, 0, 0, ""},
        {"figure parameter", [] { runtime::fader_bank = 2; runtime::wheel_states.figure_params[10].value = 5; },
         10, 9, 9, 128, ""},
        {"figure bank beyond its faders", [] { runtime::fader_bank = 2; }, 12, 9, 0, 0, ""},
        {"timing bank beyond its faders", [] { runtime::fader_bank = 3; }, 7, 9, 0, 0, ""},
        {"macro fader moved", [] { runtime::macro_mode = 1; runtime::wheel_states.macro_faders[2].value = 30; },
         2, 40, 40, 128, ""},  // the macro panel's tests follow the value into the macro
        {"macro fader held", [] { runtime::macro_mode = 1; runtime::wheel_states.macro_faders[5].value = 77; },
         5, 40, 77, 0, ""},
        {"macro mode beyond its faders", [] { runtime::macro_mode = 1; }, 8, 40, 0, 0, ""},
        {"threshold mode", [] { runtime::run_flags |= runtime::RUN_THRESHOLD_MODE; runtime::wheel_states.functions[2].value = 10; },
         2, 4, 4, 128, ""},
        {"default values", [] { runtime::run_flags |= runtime::RUN_DEFAULT_MODE; runtime::wheel_states.functions[11].value = 10; },
         11, 13, 13, 0, ""},  // the default moved (default-value tests), the belt rewritten
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        select({5});
        const uint32_t run_flags = runtime::run_flags;
        runtime::fader_bank = 0;
        runtime::macro_mode = 0;
        runtime::selected_function = 11;
        c.arrange();
        const uint16_t intensity = value(programmer_test::kWash5Intensity);
        runtime::clear_step_log();
        turn_belt(c.belt, c.position);
        EXPECT_EQ(position(c.belt), c.end_position);
        EXPECT_EQ(state(c.belt), c.end_state);
        const std::vector<std::string> handlers = calls_of(std::string(c.call).substr(0, std::string(c.call).find('(')));
        if (std::string(c.call).empty()) {
            EXPECT_TRUE(calls_of("programmer::apply_").empty());
        } else {
            EXPECT_EQ(handlers, std::vector<std::string>{c.call});
        }
        EXPECT_EQ(value(programmer_test::kWash5Intensity), intensity);
        runtime::run_flags = run_flags;
        runtime::fader_bank = 0;
        runtime::macro_mode = 0;
    }
}

// In threshold mode a belt sets the threshold level of its function for the
// selected fixtures, not the programmer.
TEST_F(Belts, InThresholdModeABeltSetsTheThresholdLevel) {
    select({5});
    runtime::fader_bank = 0;
    std::fill_n(runtime::threshold_levels, runtime::kShowRecords + 1, uint8_t{0});
    runtime::run_flags |= runtime::RUN_THRESHOLD_MODE;
    runtime::wheel_states.functions[11].value = 10;
    const uint16_t intensity = value(programmer_test::kWash5Intensity);
    turn_belt(11, 4);
    runtime::run_flags &= ~runtime::RUN_THRESHOLD_MODE;
    EXPECT_EQ(runtime::wheel_states.functions[11].value, 4);
    EXPECT_EQ(runtime::threshold_levels[programmer_test::kWash5Intensity], 4);
    EXPECT_EQ(value(programmer_test::kWash5Intensity), intensity);
}

TEST_F(Belts, GeneratorAndFigureBeltsMoveTheirParameters) {
    select({5});
    runtime::selected_function = 11;
    runtime::fader_bank = 1;
    runtime::wheel_states.generator_params[3].value = 60;
    turn_belt(4, 50);  // generator MODE, 10 fader units down
    EXPECT_EQ(runtime::wheel_states.generator_params[3].value, 50);
    runtime::fader_bank = 2;
    runtime::wheel_states.figure_params[10].value = 5;
    turn_belt(10, 9);  // figure WAIT, 4 fader units up
    EXPECT_EQ(runtime::wheel_states.figure_params[10].value, 9);
    EXPECT_EQ(runtime::programmer_figures[(5 - 1) * 10 + 10], 6);  // 9 units of two thirds
}

TEST_F(Belts, TimingBeltsWorkAroundTheCentre) {
    select({5});
    runtime::fader_bank = 3;
    runtime::selected_function = 11;
    programmer::timing_group_flags = {1, 1, 0, 1};
    programmer::load_times_to_faders();
    EXPECT_EQ(position(3), programmer::kTimingBeltCentre);
    // Belt 3 is FADE-IN: two steps above the centre raise it by 0.2 s.
    turn_belt(3, 130);
    EXPECT_EQ(programmer::timing_faders[2].shown, 22);
    EXPECT_EQ(runtime::programmer_times[(programmer_test::kWash5Intensity - 1) * 15 + 2], 22);
    EXPECT_EQ(position(3), programmer::kTimingBeltCentre);
}

TEST_F(Belts, ChannelBeltsWithoutAChannelAreSetBackToZero) {
    // A dimmer has one channel: belt 2 has nothing to edit.
    select({11});
    turn_belt(2, 70);
    EXPECT_EQ(position(2), 0);
    EXPECT_EQ(state(2), 0);
    // With no current fixture type every channel belt goes back to 0.
    programmer::deselect_all_fixtures();
    ASSERT_EQ(runtime::current_fixture_type, -1);
    turn_belt(1, 70);
    EXPECT_EQ(position(1), 0);
}

TEST_F(Belts, CoarseBeltAlsoRewritesItsFineBelt) {
    set_resolution(16);
    set_edit_mode(kEditRelative);
    select({5});
    set(programmer_test::kWash5Pan, 100);
    set(programmer_test::kWash5PanFine, 250);
    fader(1).value = 100;
    fader(2).value = 250;
    turn_belt(1, 110);  // up 10 belt steps of one fine position each
    EXPECT_EQ(value(programmer_test::kWash5Pan), 101);
    EXPECT_EQ(value(programmer_test::kWash5PanFine), 4);
    EXPECT_EQ(position(1), 101);
    EXPECT_EQ(position(2), 4);
    EXPECT_EQ(state(2), 0);
}

TEST_F(Belts, TimingBankPanRuleComparesThroughTheChannelMap) {
    // Belt 1 of the timing bank is the channel's value belt, except for the
    // channel that carries PAN. Move PAN to channel 5 of the wash type.
    set_resolution(8);
    select({5});
    runtime::fader_bank = 3;
    auto& map = runtime::type_channel_function[2];  // the wash, type index 1
    std::swap(map[0], map[4]);
    runtime::selected_function = 5;
    fader(5).value = 40;
    turn_belt(1, 60);
    EXPECT_EQ(position(1), 0);  // the PAN channel: belt 1 does nothing
    EXPECT_EQ(value(programmer::get_function_record_index(5, 5)), runtime::kValueNotSet);
    runtime::selected_function = 1;
    fader(1).value = 40;
    turn_belt(1, 60);
    EXPECT_EQ(value(programmer_test::kWash5Pan), 60);
    std::swap(map[0], map[4]);
}

TEST_F(Belts, FaderSelectionStopsAtTheLastFaderOfTheBank) {
    struct Case {
        int16_t bank;
        int16_t macro;
        int16_t last;
    };
    select({5});  // the wash has 12 channels
    for (auto& widget : ui::function_fader_widgets) ui::show_fader_widget(widget);
    const Case cases[] = {{0, 0, 12}, {1, 0, 7}, {2, 0, 10}, {3, 0, 6}, {0, 1, 7}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bank * 10 + c.macro);
        runtime::fader_bank = c.bank;
        runtime::macro_mode = c.macro;
        runtime::selected_fader_bank0 = runtime::selected_fader_bank1 = runtime::selected_fader_bank2 =
            runtime::selected_fader_bank3 = runtime::macro_fader = 1;
        for (int i = 0; i < 20; ++i) programmer::select_next_fader();
        const int16_t* selected[] = {&runtime::selected_fader_bank0, &runtime::selected_fader_bank1,
                                     &runtime::selected_fader_bank2, &runtime::selected_fader_bank3};
        const int16_t got = c.macro == 1 ? runtime::macro_fader : *selected[c.bank];
        EXPECT_EQ(got, c.last);
        EXPECT_EQ(ui::function_fader_widgets[static_cast<size_t>(got)].frame_colour, 10);
        for (int i = 0; i < 20; ++i) programmer::select_previous_fader();
        EXPECT_EQ(c.macro == 1 ? runtime::macro_fader : *selected[c.bank], 1);
    }
    runtime::macro_mode = 0;
    // In bank 0 the fader becomes the selected channel and is remembered for the type.
    runtime::fader_bank = 0;
    programmer::select_next_fader();
    EXPECT_EQ(runtime::selected_function, 2);
    EXPECT_EQ(programmer::remembered_fader[2], 2);
    programmer::highlight_selected_fader(7);
    EXPECT_EQ(ui::function_fader_widgets[2].frame_colour, 7);
}

TEST_F(Belts, TrackerballRightLowersPanAndUpRaisesTilt) {
    set_resolution(8);
    set_edit_mode(kEditRelative);
    select({5});
    set(programmer_test::kWash5Pan, 100);
    set(static_cast<int16_t>(programmer_test::kWash5Pan + 2), 100);
    fader(1).value = 100;
    fader(3).value = 100;
    runtime::mouse_x = 4;
    runtime::mouse_y = 6;
    programmer::apply_trackerball_to_pantilt();
    EXPECT_EQ(value(programmer_test::kWash5Pan), 96);
    EXPECT_EQ(value(static_cast<int16_t>(programmer_test::kWash5Pan + 2)), 106);
    EXPECT_EQ(position(1), 96);
    EXPECT_EQ(position(3), 106);
    runtime::mouse_x = runtime::mouse_y = 0;
}

TEST_F(Belts, TrackerballMovesPanOfTheSelectionOnStage) {
    // Through the mouse driver and the main loop's wheel step, in trackerball
    // pan/tilt mode: both washes' pan channels leave their start.
    set_resolution(8);
    set_edit_mode(kEditRelative);
    select({5, 6});
    runtime::display_mode = 2;
    runtime::mode_flags |= runtime::MODE_TRACKERBALL_PANTILT;
    set(programmer_test::kWash5Pan, 128);
    set(programmer_test::kWash6Pan, 128);
    fader(1).value = 128;
    rig_.run_ms(20);
    ASSERT_EQ(rig_.dmx(1, 65), 128);
    rig_.move_trackerball(-40, 0);  // to the left: pan rises
    rig_.run_ms(50);
    EXPECT_GT(rig_.dmx(1, 65), 128);
    EXPECT_EQ(rig_.dmx(1, 77), rig_.dmx(1, 65));
}

TEST_F(Belts, TrackerballOnTheSelectedFaderUsesOnlyTheVerticalMovement) {
    set_resolution(8);
    select({5});
    runtime::selected_function = 11;
    fader(11).value = 50;
    set(programmer_test::kWash5Intensity, 50);
    runtime::mouse_x = 9;
    runtime::mouse_y = 0;
    programmer::apply_trackerball_to_fader();
    EXPECT_EQ(value(programmer_test::kWash5Intensity), 50);
    runtime::mouse_y = -5;
    programmer::apply_trackerball_to_fader();
    EXPECT_EQ(value(programmer_test::kWash5Intensity), 55);
    runtime::mouse_x = runtime::mouse_y = 0;
}

}  // namespace
