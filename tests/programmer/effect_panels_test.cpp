// The effect banks of the fader panel on the demo rig: the FIGURE key, the
// parameter labels, and the generator and figure previews run over virtual
// time from the faders, which the tests set by turning the belts.
//
// Fixture 1 is a SPOT16: channel 1 pan, 3 tilt (16-bit with 2 and 4), 5 the
// colour wheel, 14 the intensity; its records are 1..16.
#include "programmer/effect_panels.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/graphics.h"
#include "programmer/channel_generators.h"
#include "programmer/fader_panel.h"
#include "programmer/fixture_selection.h"
#include "programmer/function_belts.h"
#include "programmer/pantilt_figures.h"
#include "programmer/programmer_values.h"
#include "programmer_test_rig.h"
#include "runtime/config_records.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/timers.h"
#include "setup/setup_data.h"
#include "runtime/show_tables.h"
#include "ui/fader_widget.h"

namespace {

using programmer::kFigureBank;
using programmer::kGeneratorBank;
using programmer::preview_states;

constexpr int kPan = 1;
constexpr int kColourWheel = 5;
constexpr int kIntensity = 14;

// The box interiors, inside the one-pixel edge.
constexpr platform::Rect kGeneratorInside{438, 18, 516, 98};
constexpr platform::Rect kFigureInside{508, 18, 586, 98};
// The generator marker column.
constexpr platform::Rect kMarkerColumn{474, 17, 480, 99};

class EffectPanels : public programmer_test::DemoRig {
protected:
    void SetUp() override {
        DemoRig::SetUp();
        programmer::select_fixture(1);
        ASSERT_EQ(runtime::current_fixture, 1);
        runtime::display_mode = 2;
    }
    // Makes channel n of page 1 the selected bank-0 fader, the trackerball
    // off pan and tilt, and presses FIGURE.
    void open_bank_for(int n) {
        runtime::fader_bank = programmer::kChannelBank;
        runtime::function_page = 1;
        runtime::selected_fader_bank0 = static_cast<int16_t>(n);
        runtime::mode_flags &= ~runtime::MODE_TRACKERBALL_PANTILT;
        rig_.press(runtime::KEY_FIGURE);
    }
    // The belt reports a new position; the fader takes it.
    void turn_belt(int belt, uint8_t position) {
        rig_.set_function_belt(belt, 0, position);
        rig_.set_function_belt(belt, 1, programmer::kBeltMoved);
        rig_.run_ms(2);
    }
    static std::string label(int slot) { return ui::function_fader_widgets[static_cast<size_t>(slot)].label.data(); }
    static const ui::FaderWidget& widget(int slot) { return ui::function_fader_widgets[static_cast<size_t>(slot)]; }
    static uint8_t led(int16_t key) { return runtime::key_led_cache[static_cast<size_t>(key)]; }
    static long double figure_phase() { return runtime::preview_phases[programmer::kFigurePreview]; }
    static long double generator_phase() { return runtime::preview_phases[programmer::kGeneratorPreview]; }
};

TEST_F(EffectPanels, FigureOpensTheBankThatSuitsTheSelectedChannel) {
    struct Case {
        const char* what;
        int channel;
        bool pantilt_mode;
        int16_t bank;
    };
    const Case cases[] = {
        {"the intensity: its generator", kIntensity, false, kGeneratorBank},
        {"the colour wheel: its generator", kColourWheel, false, kGeneratorBank},
        {"pan: the fixture's figure", kPan, false, kFigureBank},
        {"the trackerball on pan and tilt: always the figure", kIntensity, true, kFigureBank},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        runtime::fader_bank = programmer::kChannelBank;
        runtime::function_page = 1;
        runtime::selected_fader_bank0 = static_cast<int16_t>(c.channel);
        if (c.pantilt_mode) {
            runtime::mode_flags |= runtime::MODE_TRACKERBALL_PANTILT;
        } else {
            runtime::mode_flags &= ~runtime::MODE_TRACKERBALL_PANTILT;
        }
        rig_.press(runtime::KEY_FIGURE);
        EXPECT_EQ(runtime::fader_bank, c.bank);
        EXPECT_EQ(led(runtime::KEY_FIGURE), runtime::LED_ON);
        EXPECT_EQ(led(runtime::KEY_FUNCTION_PAGE_1), runtime::LED_OFF);
        EXPECT_EQ(led(runtime::KEY_FUNCTION_PAGE_2), runtime::LED_OFF);
        if (!c.pantilt_mode) {
            EXPECT_EQ(led(runtime::KEY_TRACKERBALL_PANTILT), runtime::LED_OFF);
            EXPECT_EQ(runtime::selected_function, c.channel);
        }

        rig_.press(runtime::KEY_FIGURE);
        EXPECT_EQ(runtime::fader_bank, programmer::kChannelBank) << "pressed again: back to the channels";
        EXPECT_EQ(led(runtime::KEY_FIGURE), runtime::LED_OFF);
    }
}

TEST_F(EffectPanels, LeavingTheFigureBankRelightsTheTrackerballKey) {
    struct Case {
        uint8_t display_mode;
        uint8_t led;
    };
    for (const Case c : {Case{2, runtime::LED_ON}, Case{1, runtime::LED_OFF}}) {
        SCOPED_TRACE(static_cast<int>(c.display_mode));
        runtime::display_mode = c.display_mode;
        runtime::mode_flags |= runtime::MODE_TRACKERBALL_PANTILT;
        runtime::set_key_led(runtime::KEY_TRACKERBALL_PANTILT, runtime::LED_OFF);
        rig_.press(runtime::KEY_FIGURE);
        ASSERT_EQ(runtime::fader_bank, kFigureBank);
        rig_.press(runtime::KEY_FIGURE);
        EXPECT_EQ(runtime::fader_bank, programmer::kChannelBank);
        EXPECT_EQ(led(runtime::KEY_TRACKERBALL_PANTILT), c.led);
    }
}

TEST_F(EffectPanels, TheTimingBankKeepsTheFigureKey) {
    runtime::fader_bank = programmer::kTimingBank;
    rig_.press(runtime::KEY_FIGURE);
    EXPECT_EQ(runtime::fader_bank, programmer::kTimingBank);
}

TEST_F(EffectPanels, TheBanksAreLabelledAndShowTheirBoxes) {
    open_bank_for(kPan);
    ASSERT_EQ(runtime::fader_bank, kFigureBank);
    const char* figure_labels[] = {"X-SWING", "Y-SWING", "SPEED", "MODE",  "FIGURE1",
                                   "FIGURE2", "ROTATE",  "DELAY", "SHIFT", "WAIT"};
    for (int n = 1; n <= 10; ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(label(n), figure_labels[n - 1]);
        EXPECT_EQ(widget(n).shown, 1);
        EXPECT_EQ(widget(n).number, n);
        const bool marked = n == 1 || n == 2 || n == 3 || n == 8;
        EXPECT_EQ(widget(n).strip_colour, marked ? 14 : 7);
    }
    EXPECT_EQ(widget(11).shown, 0);
    EXPECT_EQ(widget(16).shown, 0);
    EXPECT_EQ(rig_.pixel(510, 20), programmer::kFigurePreviewFill);
    EXPECT_EQ(rig_.pixel(586, 98), programmer::kFigurePreviewFill);
    // The centre lines, dotted: two pixels on, two off from the box's edge.
    for (int i = 0; i <= 82; ++i) {
        SCOPED_TRACE(i);
        const int expected = i % 4 < 2 ? 15 : programmer::kFigurePreviewFill;
        EXPECT_EQ(rig_.pixel(547, 17 + i), expected);
        if (i <= 80) {
            EXPECT_EQ(rig_.pixel(507 + i, 58), expected);
        }
    }

    rig_.press(runtime::KEY_FIGURE);
    open_bank_for(kIntensity);
    ASSERT_EQ(runtime::fader_bank, kGeneratorBank);
    const char* generator_labels[] = {"", "SWING", "SPEED", "MODE", "DELAY", "SHIFT", "WAIT"};
    for (int n = 2; n <= 7; ++n) {  // widget 1 shows the channel's own label
        SCOPED_TRACE(n);
        EXPECT_EQ(label(n), generator_labels[n - 1]);
        EXPECT_EQ(widget(n).shown, 1);
        const bool marked = n == 2 || n == 3 || n == 5;
        EXPECT_EQ(widget(n).strip_colour, marked ? 14 : 7);
    }
    EXPECT_EQ(widget(8).shown, 0);
    EXPECT_EQ(rig_.pixel(440, 20), programmer::kGeneratorPreviewFill);
    EXPECT_EQ(rig_.pixel(516, 98), programmer::kGeneratorPreviewFill);
    EXPECT_NE(preview_states[programmer::kGeneratorPreview].image, nullptr) << "the empty box is kept";
}

TEST_F(EffectPanels, TheGeneratorBanksFirstStripTellsOfTheChannelsEntries) {
    for (const int channel : {kColourWheel, kIntensity}) {
        SCOPED_TRACE(channel);
        open_bank_for(channel);
        const size_t f = static_cast<size_t>(programmer::channel_library_function(channel));
        const bool entries = setup::setup_data.u8(setup::SetupData::type_function_flag_field(1, static_cast<int>(f) - 1)) != 0;
        EXPECT_EQ(widget(1).strip_colour, entries ? 14 : 7);
        rig_.press(runtime::KEY_FIGURE);
    }
}

// The figure preview on fixture 1, which is deselected so that the belts
// move only the faders and the preview is the only engine of its speed.
class FigurePreview : public EffectPanels {
protected:
    void SetUp() override {
        EffectPanels::SetUp();
        open_bank_for(kPan);
        ASSERT_EQ(runtime::fader_bank, kFigureBank);
        programmer::fixture_selected.fill(0);
    }
    // Figure belts: 3 SPEED, 5 FIGURE1, 6 FIGURE2, in fader units of two thirds.
    void set_speed(uint8_t position) { turn_belt(3, position); }
    static int trace_pixels() { return platform::count_pixels(programmer::kPreviewTraceColour, kFigureInside); }
    static int live_pixels() { return platform::count_pixels(programmer::kPreviewLiveColour, kFigureInside); }
};

TEST_F(FigurePreview, TheDotRunsTheFigurePathAndLeavesATrace) {
    turn_belt(5, 63);  // FIGURE1 42: the second axis a quarter turn on, a circle
    set_speed(90);     // SPEED 60
    ASSERT_EQ(runtime::wheel_states.figure_params[3].raw, 60);
    ASSERT_EQ(runtime::wheel_states.figure_params[5].raw, 42);
    rig_.run_ms(1500);
    const programmer::PreviewState& state = preview_states[programmer::kFigurePreview];
    ASSERT_NE(state.last_x, programmer::kPreviewNoneDrawn);
    EXPECT_NEAR(std::hypot(state.last_x, state.last_y), 1.0, 0.03) << "on the circle";
    const int px = static_cast<int>(state.last_x * 38) + 547;
    const int py = static_cast<int>(-state.last_y * 38) + 58;
    EXPECT_EQ(rig_.pixel(px, py), programmer::kPreviewLiveColour);
    EXPECT_GT(live_pixels(), 0);
    EXPECT_LE(live_pixels(), 5) << "one live dot";
    EXPECT_GT(trace_pixels(), 20) << "the trace of the earlier dots";
    // The trace lies on the circle too.
    for (int y = kFigureInside.y1; y <= kFigureInside.y2; ++y) {
        for (int x = kFigureInside.x1; x <= kFigureInside.x2; ++x) {
            if (rig_.pixel(x, y) != programmer::kPreviewTraceColour) continue;
            EXPECT_NEAR(std::hypot(x - 547, y - 58), 38.0, 3.0) << x << "," << y;
        }
    }
}

TEST_F(FigurePreview, SpeedZeroStopsThePreviewAndRaisingItContinues) {
    set_speed(90);
    rig_.run_ms(700);
    set_speed(0);
    const long double stopped = figure_phase();
    const programmer::PreviewState before = preview_states[programmer::kFigurePreview];
    rig_.run_ms(1000);
    EXPECT_EQ(figure_phase(), stopped);
    EXPECT_EQ(preview_states[programmer::kFigurePreview].last_x, before.last_x);
    EXPECT_EQ(preview_states[programmer::kFigurePreview].last_y, before.last_y);
    EXPECT_EQ(preview_states[programmer::kFigurePreview].previous_speed, 60) << "the last speed is kept";

    set_speed(90);
    EXPECT_GT(figure_phase(), stopped) << "on from where it stopped";
    EXPECT_LT(figure_phase(), stopped + 20.0L);
}

TEST_F(FigurePreview, ANewFigureWipesTheTraceAtTheNextCheck) {
    set_speed(90);
    rig_.run_ms(1500);
    const programmer::PreviewState& state = preview_states[programmer::kFigurePreview];
    const uint32_t last_check = state.check_time;
    ASSERT_GT(trace_pixels(), 20);
    turn_belt(6, 255);  // FIGURE2 170: the last polygon
    rig_.run_ms(200);
    EXPECT_GT(trace_pixels(), 20) << "kept until the check";
    ASSERT_TRUE(rig_.run_until([&] { return state.check_time != last_check; }, 5000));
    EXPECT_GT(state.check_time - last_check, programmer::kPreviewCheckInterval_ms);
    EXPECT_EQ(trace_pixels(), 0) << "the box drawn afresh";
    EXPECT_EQ(state.watched[1], 170);
    rig_.run_ms(300);
    EXPECT_GT(trace_pixels(), 0) << "a new trace";
}

TEST_F(FigurePreview, AnUnchangedFigureKeepsItsTraceOverTheCheck) {
    set_speed(90);
    rig_.run_ms(1500);
    const programmer::PreviewState& state = preview_states[programmer::kFigurePreview];
    const uint32_t last_check = state.check_time;
    ASSERT_TRUE(rig_.run_until([&] { return state.check_time != last_check; }, 5000));
    EXPECT_GT(trace_pixels(), 20);
}

TEST_F(FigurePreview, TheBoxStartsThePreviewFromTheSharedPhase) {
    set_speed(90);
    rig_.run_ms(200);
    runtime::shared_phases[0][60] = 12345.0L;
    programmer::draw_figure_preview_box();
    EXPECT_EQ(preview_states[programmer::kFigurePreview].fresh, 1);
    EXPECT_EQ(trace_pixels() + live_pixels(), 0);
    rig_.run_ms(1);
    EXPECT_EQ(figure_phase(), 12345.0L);
}

// The stage runs the same figure on fixture 1: the preview is pulled into
// step with it.
TEST_F(FigurePreview, ThePreviewKeepsInStepWithTheStage) {
    programmer::fixture_selected[1] = 1;
    runtime::run_flags |= runtime::RUN_EFFECTS_RUNNING;
    turn_belt(1, 100);  // X-SWING 50
    set_speed(90);
    rig_.run_ms(100);
    runtime::preview_phases[programmer::kFigurePreview] += 700.0L;  // knocked out of step
    rig_.run_ms(3000);
    const long double stage = runtime::figure_states[1].phase;
    EXPECT_NEAR(static_cast<double>(figure_phase()), static_cast<double>(stage), 2.0);
}

// The generator preview on the intensity of fixture 1.
class GeneratorPreview : public EffectPanels {
protected:
    void open_with_intensity(uint16_t level) {
        programmer::edit_function_value(kIntensity, level);
        open_bank_for(kIntensity);
        ASSERT_EQ(runtime::fader_bank, kGeneratorBank);
        programmer::fixture_selected.fill(0);
    }
    // Generator belts: 2 SWING in halves, 3 SPEED in two thirds.
    void set_swing(int swing) { turn_belt(2, static_cast<uint8_t>(swing * 2)); }
    static int column_pixels(int colour, int y1, int y2) {
        return platform::count_pixels(colour, {kMarkerColumn.x1, y1, kMarkerColumn.x2, y2});
    }
};

TEST_F(GeneratorPreview, TheMarkerRunsTheWaveAndItsTraceTellsWhereItLeftTheRange) {
    struct Case {
        const char* what;
        uint16_t level;
        bool below_out, above_out;
    };
    const Case cases[] = {
        {"at 128 a swing of 60 stays inside", 128, false, false},
        {"at 0 the lower half runs out", 0, true, false},
        {"at 250 the upper half runs out", 250, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        open_with_intensity(c.level);
        ASSERT_EQ(runtime::wheel_states.functions[kIntensity].value, c.level);
        set_swing(30);
        turn_belt(3, 90);  // SPEED 60: a cycle of about 1.1 s
        rig_.run_ms(2500);
        const programmer::PreviewState& state = preview_states[programmer::kGeneratorPreview];
        ASSERT_NE(state.last_x, programmer::kPreviewNoneDrawn);
        EXPECT_LE(std::fabs(state.last_x), 60.0f / 254.0f + 1e-6f);
        const int y = -static_cast<int>(state.last_x * 38) + 58;
        for (int row = y - 1; row <= y + 1; ++row) {
            EXPECT_EQ(column_pixels(programmer::kPreviewLiveColour, row, row), 7) << row;
        }
        // The full swing of 60 reaches 60 / 254 * 38 = 8 pixels either way.
        const int above_trace = column_pixels(programmer::kPreviewTraceColour, 40, 56);
        const int above_out = column_pixels(programmer::kPreviewOutOfRangeColour, 40, 56);
        const int below_trace = column_pixels(programmer::kPreviewTraceColour, 60, 76);
        const int below_out = column_pixels(programmer::kPreviewOutOfRangeColour, 60, 76);
        EXPECT_EQ(above_out > 0, c.above_out);
        EXPECT_EQ(above_trace > 0, !c.above_out);
        EXPECT_EQ(below_out > 0, c.below_out);
        EXPECT_EQ(below_trace > 0, !c.below_out);
        EXPECT_EQ(column_pixels(programmer::kPreviewTraceColour, 17, 47) +
                      column_pixels(programmer::kPreviewTraceColour, 69, 99), 0)
            << "nothing beyond the swing";
        rig_.press(runtime::KEY_FIGURE);
    }
}

TEST_F(GeneratorPreview, OnlyALowerSwingWipesTheTraceAtTheNextCheck) {
    struct Case {
        const char* what;
        int from, to;
        bool wiped;
    };
    const Case cases[] = {
        {"lowered", 100, 40, true},
        {"raised", 40, 100, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        open_with_intensity(128);
        set_swing(c.from);
        turn_belt(3, 90);
        // A check sees the first swing.
        const programmer::PreviewState& state = preview_states[programmer::kGeneratorPreview];
        const uint32_t first_check = state.check_time;
        ASSERT_TRUE(rig_.run_until([&] { return state.check_time != first_check; }, 5000));
        ASSERT_EQ(state.watched[0], c.from);
        rig_.run_ms(1500);
        const uint32_t last_check = state.check_time;
        const auto trace = [] { return platform::count_pixels(programmer::kPreviewTraceColour, kMarkerColumn); };
        ASSERT_GT(trace(), 0);
        set_swing(c.to);
        rig_.run_ms(100);
        EXPECT_GT(trace(), 0) << "kept until the check";
        ASSERT_TRUE(rig_.run_until([&] { return state.check_time != last_check; }, 5000));
        EXPECT_EQ(trace() == 0, c.wiped);
        EXPECT_EQ(state.watched[0], c.to);
        rig_.press(runtime::KEY_FIGURE);
    }
}

TEST_F(GeneratorPreview, SpeedZeroStopsTheMarker) {
    open_with_intensity(128);
    set_swing(60);
    turn_belt(3, 90);
    rig_.run_ms(400);
    turn_belt(3, 0);
    const long double stopped = generator_phase();
    const float marker = preview_states[programmer::kGeneratorPreview].last_x;
    rig_.run_ms(800);
    EXPECT_EQ(generator_phase(), stopped);
    EXPECT_EQ(preview_states[programmer::kGeneratorPreview].last_x, marker);
}

TEST_F(GeneratorPreview, TheMarkerMovesOnlyWhenItsPixelChanges) {
    open_with_intensity(128);
    const auto lines = [this] { return rig_.machine().graphics.call_count(platform::GraphicsCall::line); };
    programmer::draw_generator_preview_marker(0.5f, 0);
    const uint64_t drawn = lines();
    programmer::draw_generator_preview_marker(0.51f, 0);  // trunc(19.38) = trunc(19.0)
    EXPECT_EQ(lines(), drawn);
    programmer::draw_generator_preview_marker(0.51f, 1);  // the flag changed
    EXPECT_EQ(lines(), drawn + 6);
    EXPECT_EQ(column_pixels(programmer::kPreviewLiveColour, 38, 40), 21);
}

}  // namespace
