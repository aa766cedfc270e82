// The effect wizard driven from the console keys, the trackerball and clicks
// on the demo rig: the start without fixtures, the NEXT and LAST ring, picks
// by fixture key and by click, the tuning steps and ESC.
#include "programmer/effect_wizard.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "effect_macro_fixture.h"
#include "programmer/effect_macros.h"
#include "programmer/macro_panel.h"
#include "programmer_edit_rig.h"
#include "runtime/config_records.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/mouse_input.h"
#include "runtime/step_log.h"
#include "ui/message_line.h"
#include "ui/panel_modes.h"

namespace {

using namespace programmer_test;
using programmer::macro_states;
using runtime::KEY_ESC;
using runtime::KEY_LAST;
using runtime::KEY_NEXT;

constexpr int kMacro = 2;

class EffectWizard : public EditRig {
protected:
    void SetUp() override {
        EditRig::SetUp();
        datafiles::EffectMacro& macro = clear_macro(kMacro);
        set_block(macro, kDimmerBlock, {{kCenter, 128}, {kSwingW, 120}, {kSpeedW, 40}, {kModeW, 0}});
    }
    void TearDown() override {
        if (runtime::macro_mode == 1) rig_.press(KEY_ESC);
    }
    void start_wizard() {
        rig_.hold(runtime::KEY_SHIFT, 20);
        rig_.press(runtime::KEY_FIGURE);
        rig_.release(runtime::KEY_SHIFT, 20);
        ASSERT_EQ(runtime::macro_mode, 1);
    }
    static std::string message() { return std::string(ui::current_message()); }
    static uint8_t led(int16_t key) { return runtime::key_led_cache[static_cast<size_t>(key)]; }
    static bool option(uint32_t bit) { return (runtime::option_flags & bit) != 0; }
    // Centre of picker cell n on the screen.
    static void cell_centre(int n, int16_t row_height, int16_t& x, int16_t& y) {
        x = static_cast<int16_t>(programmer::kGridLeft + ((n - 1) % 6) * programmer::kCellWidth + 34);
        y = static_cast<int16_t>(programmer::kGridTop + ((n - 1) / 6) * row_height + row_height / 2);
    }
};

TEST_F(EffectWizard, WithoutFixturesItAsksForThemThenOffersTheMacros) {
    start_wizard();
    EXPECT_EQ(message(), "SELECT FIXTURES");
    EXPECT_TRUE(option(runtime::OPT_FIXTURE_PANEL));
    EXPECT_FALSE(option(runtime::OPT_PICKER_GRID));
    EXPECT_EQ(led(KEY_NEXT), runtime::LED_OFF);

    rig_.press(runtime::fixture_key(1));
    EXPECT_EQ(runtime::current_fixture, 1);
    EXPECT_EQ(message(), "SELECT EFFECT-MACRO AND PRESS NEXT");
    EXPECT_TRUE(option(runtime::OPT_PICKER_GRID));
    EXPECT_TRUE(option(runtime::OPT_PICKER_OPEN));
    EXPECT_EQ(led(runtime::fixture_key(1)), runtime::LED_ON_2) << "no macro yet: cell 1 marked";
    EXPECT_EQ(led(KEY_NEXT), runtime::LED_BLINK);
}

TEST_F(EffectWizard, NextAndLastWalkTheRing) {
    select({1});
    start_wizard();
    struct Step {
        int16_t key;
        int16_t step;
        const char* prompt;
    };
    const Step walk[] = {
        {KEY_NEXT, 16, "SELECT GROUPING"},
        {KEY_NEXT, 5, "SELECT WAVE-EFFECT AND PRESS NEXT"},
        {KEY_NEXT, 6, "SELECT LOOP-EFFECT AND PRESS NEXT"},
        {KEY_NEXT, 4, "SELECT DIRECTION AND FADE-MODE"},
        {KEY_NEXT, 3, "SELECT EFFECT-SPEED AND PRESS NEXT"},
        {KEY_NEXT, 1, "SELECT EFFECT-MACRO AND PRESS NEXT"},
        {KEY_LAST, 3, "SELECT EFFECT-SPEED AND PRESS NEXT"},
        {KEY_LAST, 4, "SELECT DIRECTION AND FADE-MODE"},
        {KEY_LAST, 6, "SELECT LOOP-EFFECT AND PRESS NEXT"},
        {runtime::fader_key(2), 2, "SELECT EFFECT-SWING"},
        {KEY_LAST, 1, "SELECT EFFECT-MACRO AND PRESS NEXT"},
        {runtime::fader_key(7), 7, "SELECT EFFECT-WAIT"},
        {KEY_NEXT, 1, "SELECT EFFECT-MACRO AND PRESS NEXT"},
        {runtime::fader_key(8), 1, "SELECT EFFECT-MACRO AND PRESS NEXT"},  // no such step
    };
    for (const Step& s : walk) {
        rig_.press(s.key);
        EXPECT_EQ(runtime::macro_fader, s.step) << s.prompt;
        EXPECT_EQ(message(), s.prompt);
    }
    EXPECT_EQ(programmer::next_wizard_step(2), 1);
    EXPECT_EQ(programmer::previous_wizard_step(7), 1);
}

TEST_F(EffectWizard, FixtureKeysPickCellsWhileAPickerIsShown) {
    select({1});
    start_wizard();
    runtime::clear_step_log();
    rig_.press(runtime::fixture_key(kMacro));
    EXPECT_EQ(macro_states[1][1], kMacro);
    EXPECT_EQ(value(record_of(1, 14)), 128);
    EXPECT_EQ(generator(record_of(1, 14), 1), 120);
    EXPECT_EQ(led(runtime::fixture_key(kMacro)), runtime::LED_ON_2);
    EXPECT_EQ(led(runtime::fixture_key(1)), runtime::LED_ON_BOTH) << "the cell marked before";
    EXPECT_EQ(programmer::fixture_selected[2], 0) << "the key picked a cell, not a fixture";
    EXPECT_EQ(runtime::wheel_states.macro_faders[1].raw, kMacro) << "the faders show the new macro";

    rig_.press(runtime::group_key(1));
    for (const std::string& call : runtime::logged_calls()) EXPECT_EQ(call.find("handle_group_key"), std::string::npos);
    rig_.press(runtime::fixture_key(70));  // cell 70: a macro without blocks
    EXPECT_EQ(macro_states[1][1], kMacro) << "an empty macro changes nothing";
}

TEST_F(EffectWizard, TheMarkFollowsAPickAnywhereInTheSeventyCells) {
    select({1});
    start_wizard();
    int16_t marked = 1;
    for (const int16_t cell : {int16_t{kMacro}, int16_t{40}, int16_t{70}, int16_t{37}}) {
        rig_.press(runtime::fixture_key(cell));
        EXPECT_EQ(led(runtime::fixture_key(cell)), runtime::LED_ON_2) << "cell " << cell << " marked";
        EXPECT_EQ(led(runtime::fixture_key(marked)), runtime::LED_ON_BOTH) << "cell " << marked << " left";
        marked = cell;
    }
}

TEST_F(EffectWizard, PlaybackFadersDoNotDrawOverThePickerThatCoversThem) {
    rig_.press(runtime::KEY_PANEL_1);
    if (ui::shown_panel() != ui::kPanelAnalogue) rig_.press(runtime::KEY_PANEL_1);
    ASSERT_EQ(ui::shown_panel(), ui::kPanelAnalogue);
    select({1});
    start_wizard();
    rig_.run_ms(20);
    auto right_panel = [this] {
        std::vector<uint8_t> out;
        for (int y = 107; y <= 479; ++y) {
            for (int x = 229; x <= 639; ++x) out.push_back(rig_.pixel(x, y));
        }
        return out;
    };
    const std::vector<uint8_t> picker = right_panel();
    rig_.set_playback_fader(1, 250);
    rig_.set_playback_fader(20, 120);
    rig_.set_master_fader(2, 200);
    rig_.run_ms(100);
    EXPECT_EQ(right_panel(), picker) << "no fader bar on the picker";
}

TEST_F(EffectWizard, ModeCellTwoSetsTheModeFaderToSevenAndTheGeneratorsToFour) {
    select({1, 2});
    start_wizard();
    rig_.press(runtime::fixture_key(kMacro));
    rig_.press(runtime::fader_key(4));
    ASSERT_EQ(message(), "SELECT DIRECTION AND FADE-MODE");
    rig_.press(runtime::fixture_key(13));  // not one of the 12 modes
    EXPECT_EQ(generator(record_of(1, 14), 3), 0);
    rig_.press(runtime::fixture_key(2));
    EXPECT_EQ(runtime::wheel_states.macro_faders[4].value, 7);
    for (const int f : {1, 2}) {
        EXPECT_EQ(generator(record_of(f, 14), 3), 4) << f;
        EXPECT_EQ(macro_states[static_cast<size_t>(f)][4], 4) << f;
    }
}

TEST_F(EffectWizard, ClicksOnTheGridPickAndUnusedCellsDoNothing) {
    select({1});
    start_wizard();
    int16_t x = 0, y = 0;
    cell_centre(kMacro, programmer::kShortRow, x, y);
    rig_.click_at(x, y, runtime::kMouseBitLeft);
    rig_.run_ms(20);
    ASSERT_EQ(macro_states[1][1], kMacro);

    rig_.press(runtime::fader_key(4));
    cell_centre(13, programmer::kTallRow, x, y);  // "NOT USED"
    rig_.click_at(x, y, runtime::kMouseBitLeft);
    rig_.run_ms(20);
    EXPECT_EQ(generator(record_of(1, 14), 3), 0);
    cell_centre(4, programmer::kTallRow, x, y);
    rig_.click_at(x, y, runtime::kMouseBitLeft);
    rig_.run_ms(20);
    EXPECT_EQ(generator(record_of(1, 14), 3), 12) << "mode cell 4: waveform 4";
}

TEST_F(EffectWizard, TuningStepsGiveTheFixturePanelAndTheTrackerballTheFader) {
    select({1});
    start_wizard();
    rig_.press(runtime::fixture_key(kMacro));
    rig_.press(runtime::fader_key(2));
    EXPECT_FALSE(option(runtime::OPT_PICKER_GRID));
    EXPECT_TRUE(option(runtime::OPT_FIXTURE_PANEL));
    const int before = runtime::wheel_states.macro_faders[2].value;

    rig_.move_trackerball(0, -5 * 20);  // 20 steps up: the fader rises by 20
    rig_.run_ms(50);
    const int after = runtime::wheel_states.macro_faders[2].value;
    EXPECT_EQ(after, before + 20);
    EXPECT_EQ(generator(record_of(1, 14), 1), static_cast<int>(120 * (after / 255.0)));

    rig_.press(runtime::fixture_key(3));
    EXPECT_EQ(programmer::fixture_selected[3], 1) << "the fixture keys select again";
}

TEST_F(EffectWizard, GroupingStepChoosesAGroupingAndIgnoresWaveWithoutOne) {
    select({1});
    start_wizard();
    rig_.press(runtime::fixture_key(kMacro));
    rig_.press(KEY_NEXT);
    ASSERT_EQ(runtime::macro_fader, programmer::kGroupingStep);
    EXPECT_EQ(led(runtime::fixture_key(21)), runtime::LED_ON_2) << "NONE marked";
    EXPECT_EQ(led(runtime::KEY_EDIT_ITEM), runtime::LED_BLINK);

    rig_.press(runtime::fixture_key(25));  // WAVE: no grouping current
    EXPECT_EQ(macro_states[1][5], 0);
    rig_.press(runtime::fixture_key(22));  // not a cell of this picker
    EXPECT_NE(runtime::current_grouping, 22);
    rig_.press(runtime::fixture_key(3));
    EXPECT_EQ(runtime::current_grouping, 3);
    EXPECT_EQ(led(runtime::fixture_key(3)), runtime::LED_ON_2);
}

TEST_F(EffectWizard, EscRestoresTheLedsAndTheRightPanel) {
    select({1});
    ui::set_panel_mode(2);
    rig_.run_ms(10);
    runtime::set_key_led(KEY_LAST, runtime::LED_ON);
    runtime::set_key_led(KEY_NEXT, runtime::LED_OFF);
    start_wizard();
    EXPECT_EQ(ui::shown_panel(), 1);
    EXPECT_EQ(led(KEY_LAST), runtime::LED_BLINK);
    EXPECT_EQ(led(KEY_ESC), runtime::LED_BLINK);

    rig_.press(KEY_ESC);
    EXPECT_EQ(runtime::macro_mode, 0);
    EXPECT_EQ(led(KEY_LAST), runtime::LED_ON);
    EXPECT_EQ(led(KEY_NEXT), runtime::LED_OFF);
    EXPECT_EQ(led(KEY_ESC), runtime::LED_OFF);
    EXPECT_EQ(ui::shown_panel(), 2);
    EXPECT_FALSE(option(runtime::OPT_PICKER_GRID));
}

}  // namespace
