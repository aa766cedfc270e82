// The macro faders and the macro picker on the demo rig: the faders shown
// from the macro states, wheel moves within their limits and re-applied,
// the belts in macro mode, and the five picker kinds with their cells.
#include "programmer/macro_panel.h"

#include <gtest/gtest.h>

#include <string>

#include "effect_macro_fixture.h"
#include "platform/graphics.h"
#include "programmer/effect_macros.h"
#include "programmer/fader_panel.h"
#include "programmer/function_belts.h"
#include "programmer_edit_rig.h"
#include "runtime/config_records.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "ui/fader_widget.h"
#include "ui/helpers.h"

namespace {

using namespace programmer_test;
using programmer::macro_states;

constexpr int kMacro = 9;

class MacroPanel : public EditRig {
protected:
    void SetUp() override {
        EditRig::SetUp();
        datafiles::EffectMacro& macro = clear_macro(kMacro);
        set_block(macro, kDimmerBlock, {{kSwingW, 100}, {kSpeedW, 40}});
        select({1, 2});
        programmer::apply_macro(kMacro);
        runtime::macro_mode = 1;
        runtime::macro_fader = 1;
        programmer::build_fader_panel();
        programmer::refresh_faders();
    }
    void TearDown() override { runtime::macro_mode = 0; }
    static runtime::WheelState& wheel(int k) { return runtime::wheel_states.macro_faders[static_cast<size_t>(k)]; }
    static std::string label(int k) { return ui::function_fader_widgets[static_cast<size_t>(k)].label.data(); }
    static uint8_t led(int16_t key) { return runtime::key_led_cache[static_cast<size_t>(key)]; }
};

TEST_F(MacroPanel, FadersShowTheMacroStates) {
    EXPECT_EQ(label(1), "MACRO 9");
    for (int k = 2; k <= 7; ++k) EXPECT_EQ(ui::function_fader_widgets[static_cast<size_t>(k)].shown, 1) << k;
    EXPECT_EQ(label(2), "SWING");
    EXPECT_EQ(label(5), "DELAY");
    EXPECT_EQ(ui::function_fader_widgets[8].shown, 0) << "faders 8 to 16 are erased";

    struct Case {
        int fader;
        uint8_t state;
        int value;
        int position;
    };
    const Case cases[] = {
        {1, 70, 70, 24}, {2, 170, 255, 85}, {3, 85, 127, 43}, {5, 70, 70, 24}, {6, 35, 35, 12}, {7, 1, 1, 1},
    };
    for (const Case& c : cases) {
        macro_states[1][static_cast<size_t>(c.fader)] = c.state;
    }
    programmer::refresh_faders();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fader);
        EXPECT_EQ(wheel(c.fader).raw, c.state);
        EXPECT_EQ(wheel(c.fader).value, c.value);
        EXPECT_EQ(wheel(c.fader).shown, c.position);
    }
    EXPECT_EQ(label(1), "MACRO 70");

    macro_states[1][1] = 0;
    programmer::refresh_faders();
    EXPECT_EQ(label(1), "NO MACRO");
}

TEST_F(MacroPanel, WheelStopsAtTheLimitsAndReappliesTheLimitedValue) {
    const int r = record_of(1, 14);
    wheel(2).value = 250;
    programmer::apply_macro_wheel(2, -20);
    EXPECT_EQ(wheel(2).value, 255);
    EXPECT_EQ(generator(r, 1), 100) << "255: the macro's own swing";
    EXPECT_EQ(macro_states[2][2], 170) << "every fixture carrying the macro";

    wheel(2).value = 5;
    programmer::apply_macro_wheel(2, 20);
    EXPECT_EQ(wheel(2).value, 0);
    EXPECT_EQ(generator(r, 1), 0);
    EXPECT_EQ(wheel(2).shown, 0);
}

TEST_F(MacroPanel, MacroWaveAndStepFadersOnlyMoveTheirDisplay) {
    const int r = record_of(1, 14);
    for (const int16_t k : {int16_t{1}, int16_t{5}, int16_t{6}}) {
        SCOPED_TRACE(k);
        const uint8_t speed = generator(r, 2);
        const int value = wheel(k).value;
        programmer::apply_macro_wheel(k, -30);
        EXPECT_EQ(wheel(k).value, value + 30);
        EXPECT_EQ(generator(r, 2), speed);
        EXPECT_EQ(macro_states[1][static_cast<size_t>(k)], k == 1 ? kMacro : 0);
        programmer::refresh_faders();
        EXPECT_EQ(wheel(k).value, value) << "the refresh restores it";
    }
}

TEST_F(MacroPanel, BeltsTwoThreeAndSevenTuneTheMacro) {
    const int r = record_of(2, 14);
    wheel(3).value = 60;
    rig_.set_function_belt(3, 0, 90);  // SPEED fader 60 -> 90
    rig_.set_function_belt(3, 1, programmer::kBeltMoved);
    rig_.run_ms(5);
    EXPECT_EQ(wheel(3).value, 90);
    EXPECT_EQ(generator(r, 2), 60) << "trunc(90 / 255 * 170)";
    EXPECT_EQ(macro_states[2][3], 60);
}

struct PickerCase {
    int16_t step;
    const char* title;
    int16_t last_active;
    int16_t first_unused;
    int16_t row_height;
};

TEST_F(MacroPanel, PickerKindsOfferTheirCells) {
    const PickerCase cases[] = {
        {1, "PREDEFINED MACROS", 70, 71, 31},
        {4, "PREDEFINED EFFECT-MODES", 12, 13, 62},
        {5, "PREDEFINED WAVE-EFFECTS", 70, 71, 31},
        {6, "PREDEFINED LOOP-EFFECTS", 70, 71, 31},
        {16, "PREDEFINED GROUPINGS", 21, 22, 62},
    };
    for (const PickerCase& c : cases) {
        SCOPED_TRACE(c.title);
        runtime::macro_fader = c.step;
        runtime::option_flags |= runtime::OPT_FIXTURE_PANEL;
        programmer::draw_macro_picker_titles();
        programmer::draw_macro_picker_grid();
        EXPECT_NE(runtime::option_flags & runtime::OPT_PICKER_OPEN, 0u);
        EXPECT_NE(runtime::option_flags & runtime::OPT_PICKER_GRID, 0u);
        EXPECT_EQ(runtime::option_flags & runtime::OPT_FIXTURE_PANEL, 0u);
        EXPECT_EQ(programmer::macro_picker_row_height(c.step), c.row_height);
        EXPECT_EQ(led(c.last_active), c.step == 16 ? runtime::LED_ON_2 : runtime::LED_ON_BOTH)
            << "the last choice (the grouping picker marks NONE)";
        if (c.first_unused <= 70) {
            EXPECT_EQ(led(c.first_unused), runtime::LED_OFF);
        }
        // Active cells are dark grey, unused ones hatched without it (below
        // the number box).
        const auto cell_area = [&c](int cell) {
            const int row = (cell - 1) / 6 + 1;
            const int column = (cell - 1) % 6 + 1;
            return platform::Rect{(column - 1) * 68 + 232, (row - 1) * c.row_height + 108 + 14, column * 68 + 228,
                                  row * c.row_height + 104};
        };
        EXPECT_GT(platform::count_pixels(8, cell_area(c.last_active)), 100);
        const int unused_cell = c.first_unused <= 72 ? c.first_unused : 0;
        if (unused_cell != 0) {
            EXPECT_EQ(platform::count_pixels(8, cell_area(unused_cell)), 0);
        }
    }
}

TEST_F(MacroPanel, GroupingPickerOffersItsCommandCellsAndMarksNone) {
    runtime::macro_fader = programmer::kGroupingStep;
    runtime::current_grouping = 21;
    programmer::draw_macro_picker_titles();
    programmer::draw_macro_picker_grid();
    for (const int16_t cell : {23, 25, 28, 31, 32}) EXPECT_EQ(led(cell), runtime::LED_ON_BOTH) << cell;
    for (const int16_t cell : {22, 24, 26, 27, 29, 30, 33}) EXPECT_EQ(led(cell), runtime::LED_OFF) << cell;
    EXPECT_EQ(led(21), runtime::LED_ON_2);
}

TEST_F(MacroPanel, APickerIsShownAgainFromItsPicture) {
    runtime::macro_fader = 5;
    programmer::draw_macro_picker_grid();
    const platform::Rect grid{229, 105, 639, 479};
    const std::string first = platform::region_text(grid);
    ui::fill_box(229, 105, 639, 479, 3);
    programmer::draw_macro_picker_grid();
    EXPECT_EQ(platform::region_text(grid), first);
}

}  // namespace
