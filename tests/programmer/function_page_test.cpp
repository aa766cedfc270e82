// The keys around the fader panel, pressed on the demo rig: function pages,
// fader select per bank, the timing-group toggles, the trackerball pan/tilt
// key, PREDEFINED and COLOR.
#include "programmer/function_page.h"

#include <gtest/gtest.h>

#include <string>

#include "programmer/fader_panel.h"
#include "programmer/fixture_selection.h"
#include "programmer/function_timings.h"
#include "programmer/library_values.h"
#include "programmer_test_rig.h"
#include "runtime/config_records.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/main_loop.h"
#include "setup/fixture_type.h"
#include "ui/message_line.h"

namespace {

using runtime::fader_key;

class FunctionPage : public programmer_test::DemoRig {
protected:
    void SetUp() override {
        DemoRig::SetUp();
        rig_.press(1);  // a SPOT16 of 16 functions
        ASSERT_EQ(runtime::current_fixture, 1);
        ASSERT_EQ(runtime::function_count, 16);
    }
    static uint8_t led(int16_t key) { return runtime::key_led_cache[static_cast<size_t>(key)]; }
    // A type of 24 functions on the current fixture, for the second page.
    static void pretend_24_functions() {
        runtime::function_count = 24;
        programmer::build_fader_panel();
    }
};

TEST_F(FunctionPage, PageTwoNeedsMoreThanSixteenFunctions) {
    rig_.press(runtime::KEY_FUNCTION_PAGE_2);
    EXPECT_EQ(runtime::function_page, 1);
}

TEST_F(FunctionPage, ChangingPagesChoosesTheFaderOfTheSelectedFunctionOrAnEnd) {
    pretend_24_functions();
    runtime::mode_flags &= ~runtime::MODE_TRACKERBALL_PANTILT;
    runtime::selected_function = 0;
    rig_.press(runtime::KEY_FUNCTION_PAGE_2);
    EXPECT_EQ(runtime::function_page, 2);
    EXPECT_EQ(runtime::selected_fader_bank0, 1) << "page 1 to 2 without a mapped function: fader 1";
    EXPECT_EQ(led(fader_key(1)), runtime::LED_ON_2);
    EXPECT_EQ(led(fader_key(9)), runtime::LED_OFF) << "function 25 does not exist";
    rig_.press(runtime::KEY_FUNCTION_PAGE_1);
    EXPECT_EQ(runtime::selected_fader_bank0, 16) << "page 2 to 1: fader 16";

    // A selected function on the new page keeps its fader.
    rig_.press(fader_key(5));
    ASSERT_EQ(runtime::selected_function, 5);
    rig_.press(runtime::KEY_FUNCTION_PAGE_2);
    rig_.press(runtime::KEY_FUNCTION_PAGE_1);
    EXPECT_EQ(runtime::selected_fader_bank0, 5);
    EXPECT_EQ(programmer::remembered_page[1], 1);
}

TEST_F(FunctionPage, FaderKeysSelectWithinTheBank) {
    pretend_24_functions();
    rig_.press(runtime::KEY_FUNCTION_PAGE_2);
    struct Step {
        const char* what;
        int16_t bank;
        int16_t fader;
        int16_t bank0;
        int16_t bank2;
    };
    const Step steps[] = {
        {"a function of page 2", 0, 8, 8, 1},
        {"page 2 fader 9 is function 25, beyond the 24: ignored", 0, 9, 8, 1},
        {"the figure bank takes 10", 2, 10, 8, 10},
        {"but not 11", 2, 11, 8, 10},
        {"and 16", 2, 16, 8, 16},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        runtime::fader_bank = s.bank;
        rig_.press(fader_key(s.fader));
        EXPECT_EQ(runtime::selected_fader_bank0, s.bank0);
        EXPECT_EQ(runtime::selected_fader_bank2, s.bank2);
    }
    EXPECT_EQ(runtime::selected_function, 24);
    EXPECT_EQ(runtime::selected_function_type, 0);
    EXPECT_EQ(programmer::remembered_fader[1], 8);
    EXPECT_EQ(runtime::display_mode, 2);
}

TEST_F(FunctionPage, TimingGroupTogglesKeepAnActiveGroupInStateOne) {
    struct Case {
        const char* what;
        std::array<uint8_t, 4> before;  // groups 1..3, then the active group
        int group;
        std::array<uint8_t, 4> after;
    };
    const Case cases[] = {
        {"to state 1: the group becomes active", {2, 1, 0, 2}, 1, {1, 1, 0, 1}},
        {"the active group leaves state 1: the first in state 1", {1, 1, 0, 1}, 1, {2, 1, 0, 2}},
        {"also when group 2 is absent", {1, 0, 1, 1}, 1, {2, 0, 1, 3}},
        {"none left in state 1: no active group", {1, 2, 0, 1}, 1, {2, 2, 0, 0}},
        {"another group leaving state 1 leaves the active one", {1, 1, 0, 1}, 2, {1, 2, 0, 1}},
        {"an absent group stays absent", {1, 1, 0, 1}, 3, {1, 1, 0, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        programmer::timing_group_flags = c.before;
        programmer::toggle_timing_group(c.group);
        EXPECT_EQ(programmer::timing_group_flags, c.after);
    }
    // Fader keys 9..11 of the timing bank toggle groups 1..3.
    runtime::fader_bank = programmer::kTimingBank;
    programmer::timing_group_flags = {1, 1, 0, 1};
    rig_.press(fader_key(10));
    EXPECT_EQ(programmer::timing_group_flags, (std::array<uint8_t, 4>{1, 2, 0, 1}));
    EXPECT_EQ(led(fader_key(10)), runtime::LED_ON_BOTH);
    EXPECT_EQ(led(fader_key(9)), runtime::LED_ON_2);
}

TEST_F(FunctionPage, TrackerballPanTiltKey) {
    rig_.press(fader_key(5));
    ASSERT_EQ(runtime::mode_flags & runtime::MODE_TRACKERBALL_PANTILT, 0u);
    rig_.press(runtime::KEY_TRACKERBALL_PANTILT);
    EXPECT_NE(runtime::mode_flags & runtime::MODE_TRACKERBALL_PANTILT, 0u);
    EXPECT_EQ(runtime::selected_function, 0);
    EXPECT_EQ(led(runtime::KEY_TRACKERBALL_PANTILT), runtime::LED_ON);
    // A dimmer has no pan and tilt.
    rig_.press(1);
    rig_.press(11);
    runtime::mode_flags &= ~runtime::MODE_TRACKERBALL_PANTILT;
    rig_.press(runtime::KEY_TRACKERBALL_PANTILT);
    EXPECT_EQ(runtime::mode_flags & runtime::MODE_TRACKERBALL_PANTILT, 0u);
}

TEST_F(FunctionPage, PredefinedEndsOnEscAndHandsOtherKeysOn) {
    rig_.press(fader_key(5));
    // Pressed twice within 500 ms, the picker stays open.
    rig_.press(runtime::KEY_PREDEFINED);
    rig_.press(runtime::KEY_PREDEFINED);
    EXPECT_EQ(led(runtime::KEY_PREDEFINED), runtime::LED_ON);
    EXPECT_NE(runtime::option_flags & runtime::OPT_PICKER_GRID, 0u);
    // ESC ends it and is not passed on.
    rig_.press(runtime::KEY_ESC);
    EXPECT_EQ(led(runtime::KEY_PREDEFINED), runtime::LED_OFF);
    EXPECT_EQ(runtime::pushed_back_key, 0);

    // Any other key ends it and is handled by the main loop: ALL selects all.
    rig_.press(runtime::KEY_PREDEFINED);
    rig_.press(runtime::KEY_PREDEFINED);
    rig_.press(runtime::KEY_ALL);
    rig_.run_ms(50);
    EXPECT_EQ(led(runtime::KEY_PREDEFINED), runtime::LED_OFF);
    EXPECT_EQ(programmer::fixture_selected[12], 1);

    // The timing bank has no picker.
    runtime::fader_bank = programmer::kTimingBank;
    runtime::option_flags &= ~runtime::OPT_PICKER_GRID;
    rig_.hold(runtime::KEY_PREDEFINED, 50);
    EXPECT_EQ(led(runtime::KEY_PREDEFINED), runtime::LED_OFF);
    EXPECT_EQ(runtime::option_flags & runtime::OPT_PICKER_GRID, 0u);
    rig_.release(runtime::KEY_PREDEFINED, 50);
}

TEST_F(FunctionPage, ColorNeedsRedGreenAndBlue) {
    struct Case {
        const char* what;
        int16_t fixture_key;
        bool drop_blue;
        const char* message;
    };
    const Case cases[] = {
        {"a spot without colour channels", 1, false, "NO COLORCHANNELS SPECIFIED"},
        {"a wash with red and green but no blue", 5, true, "NO COLORCHANNELS SPECIFIED"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        rig_.press(runtime::KEY_NONE);
        rig_.press(c.fixture_key);
        if (c.drop_blue) {
            setup::FixtureTypeDef* wash = setup::fixture_type_defs[2];
            wash->bytes[setup::kTypeNamedSlots + static_cast<size_t>(setup::NamedFunction::blue)] = 0;
        }
        std::string during;
        rig_.at(400, [&during] { during = std::string(ui::current_message()); });
        rig_.press(runtime::KEY_COLOR);
        rig_.run_ms(1000);
        EXPECT_EQ(during, c.message);
        EXPECT_NE(std::string(ui::current_message()), c.message) << "cleared at the end";
        EXPECT_EQ(programmer::last_color[2], 0) << "no colour applied";
        bool tone = false;
        for (const platform::Tone& t : rig_.tones()) tone |= t.freq_hz == 400 && t.duration_ms == 800;
        EXPECT_TRUE(tone);
    }
}

TEST_F(FunctionPage, ColorOnAWashOpensTheColourScreen) {
    rig_.press(1);
    rig_.press(5);
    ASSERT_EQ(runtime::current_fixture_type, 1);
    rig_.press(runtime::KEY_COLOR);
    EXPECT_EQ(led(runtime::KEY_COLOR), runtime::LED_ON);
    EXPECT_EQ(std::string(ui::current_message()), "PROGRAM RGB-COLORS (ESC=CANCEL)");
    EXPECT_EQ(programmer::last_color[2], 1);
    rig_.press(runtime::KEY_ESC);
    EXPECT_EQ(led(runtime::KEY_COLOR), runtime::LED_OFF);
    EXPECT_NE(std::string(ui::current_message()), "PROGRAM RGB-COLORS (ESC=CANCEL)") << "cleared at the end";
}

}  // namespace
