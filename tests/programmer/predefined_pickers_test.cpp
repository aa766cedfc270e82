// The pickers of the PREDEFINED command on the demo rig: the 500 ms latch
// of the PREDEFINED key, picks by fixture key and by click, and what the
// picks of each bank apply.
#include "programmer/predefined_pickers.h"

#include <gtest/gtest.h>

#include "datafiles/library_files.h"
#include "programmer/channel_generators.h"
#include "programmer/fader_panel.h"
#include "programmer/fixture_groups.h"
#include "programmer/pantilt_figures.h"
#include "programmer_edit_rig.h"
#include "runtime/config_records.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/main_loop.h"
#include "runtime/mouse_input.h"

namespace {

using runtime::fader_key;
constexpr int16_t kColourWheel = 5, kIntensity = 14;

class Pickers : public programmer_test::EditRig {
protected:
    void SetUp() override {
        EditRig::SetUp();
        rig_.press(1);  // a spot, current
        ASSERT_EQ(runtime::current_fixture, 1);
        rig_.press(fader_key(kColourWheel));  // seven colours
    }
    static uint8_t led(int16_t key) { return runtime::key_led_cache[static_cast<size_t>(key)]; }
    static bool predefined_running() { return led(runtime::KEY_PREDEFINED) == runtime::LED_ON; }
    // PREDEFINED pressed twice within 500 ms: the picker stays open.
    void open_latched() {
        rig_.press(runtime::KEY_PREDEFINED);
        rig_.press(runtime::KEY_PREDEFINED);
        ASSERT_TRUE(predefined_running());
    }
    static uint8_t generator(int16_t fixture, int16_t channel, int param) {
        return runtime::programmer_generators[(record(fixture, channel) - 1) * 6 + param];
    }
    static uint8_t figure(int16_t fixture, int param) { return runtime::programmer_figures[(fixture - 1) * 10 + param]; }
};

TEST_F(Pickers, AQuickTapClosesThePicker500msAfterItOpened) {
    const uint64_t opened = rig_.now_ms();
    rig_.press(runtime::KEY_PREDEFINED);
    EXPECT_TRUE(predefined_running());
    EXPECT_NE(runtime::option_flags & runtime::OPT_PICKER_GRID, 0u);
    rig_.run_until([] { return !predefined_running(); }, 2000);
    EXPECT_FALSE(predefined_running());
    EXPECT_GE(rig_.now_ms() - opened, 500u);
    EXPECT_LE(rig_.now_ms() - opened, 520u);
    EXPECT_EQ(runtime::pushed_back_key, 0);
}

TEST_F(Pickers, ASecondPressKeepsItOpenUntilEsc) {
    open_latched();
    rig_.run_ms(1500);
    EXPECT_TRUE(predefined_running());
    EXPECT_EQ(led(runtime::KEY_ESC), runtime::LED_BLINK);
    // Later presses and releases of PREDEFINED do not close it.
    rig_.press(runtime::KEY_PREDEFINED);
    rig_.run_ms(600);
    EXPECT_TRUE(predefined_running());
    rig_.press(runtime::KEY_ESC);
    EXPECT_FALSE(predefined_running());
    EXPECT_EQ(led(runtime::KEY_ESC), runtime::LED_OFF);
    EXPECT_EQ(runtime::pushed_back_key, 0);
}

TEST_F(Pickers, HoldingPredefinedKeepsItOpenUntilLetGo) {
    rig_.hold(runtime::KEY_PREDEFINED, 1200);
    EXPECT_TRUE(predefined_running());
    rig_.release(runtime::KEY_PREDEFINED, 50);
    EXPECT_FALSE(predefined_running());
}

TEST_F(Pickers, FixtureKeysPickTheEntriesOfTheSelectedFunction) {
    open_latched();
    // The key map: the seven entries' keys lit in both colours, the rest off.
    EXPECT_EQ(led(runtime::fixture_key(7)), runtime::LED_ON_BOTH);
    EXPECT_EQ(led(runtime::fixture_key(8)), runtime::LED_OFF);
    rig_.press(runtime::fixture_key(2));  // "DEEP RED" 15
    EXPECT_EQ(value(record(1, kColourWheel)), 15);
    EXPECT_EQ(led(runtime::fixture_key(2)), runtime::LED_ON_2);
    EXPECT_EQ(led(runtime::fixture_key(1)), runtime::LED_ON_BOTH);
    rig_.press(runtime::fixture_key(4));  // "LEAF GREEN" 35
    EXPECT_EQ(value(record(1, kColourWheel)), 35);
    EXPECT_EQ(led(runtime::fixture_key(2)), runtime::LED_ON_BOTH);

    // A key that picks nothing is no fixture key while the picker runs.
    rig_.press(runtime::fixture_key(9));
    EXPECT_EQ(programmer::fixture_selected[9], 0);
    EXPECT_EQ(value(record(1, kColourWheel)), 35);

    // A click on cell 6 (column 6, row 1).
    rig_.click_at(229 + 5 * 68 + 30, 105 + 30, runtime::kMouseBitLeft);
    rig_.run_ms(50);
    EXPECT_EQ(value(record(1, kColourWheel)), 55);

    // Page 2 does not exist and is ignored; another key ends the picker and
    // is handled next: ALL selects every fixture.
    rig_.press(runtime::KEY_FUNCTION_PAGE_2);
    EXPECT_TRUE(predefined_running());
    rig_.press(runtime::KEY_ALL);
    rig_.run_ms(50);
    EXPECT_FALSE(predefined_running());
    EXPECT_EQ(programmer::fixture_selected[12], 1);
}

TEST_F(Pickers, WithoutEntriesItWaitsForAFaderThatHasThem) {
    rig_.press(fader_key(1));  // pan: no entries
    open_latched();
    EXPECT_EQ(runtime::option_flags & runtime::OPT_PICKER_GRID, 0u) << "nothing to draw";
    EXPECT_EQ(led(fader_key(kColourWheel)), runtime::LED_BLINK_BOTH);
    rig_.press(fader_key(2));  // no picker: ignored
    EXPECT_EQ(runtime::selected_fader_bank0, 1);
    rig_.press(fader_key(kColourWheel));
    EXPECT_EQ(runtime::selected_fader_bank0, kColourWheel);
    EXPECT_NE(runtime::option_flags & runtime::OPT_PICKER_GRID, 0u);
    EXPECT_EQ(led(fader_key(kColourWheel)), runtime::LED_BLINK_2);
    rig_.press(runtime::fixture_key(3));
    EXPECT_EQ(value(record(1, kColourWheel)), 25);
    rig_.press(runtime::KEY_ESC);
}

TEST_F(Pickers, FigurePicksSetTheFigureParameters) {
    ASSERT_TRUE(datafiles::figure_drawings_loaded);
    runtime::fader_bank = programmer::kFigureBank;
    runtime::selected_fader_bank2 = 5;  // FIGURE1: the lissajous figures
    open_latched();
    struct Pick {
        int16_t fader;
        int16_t key;
        int param;
        uint8_t expected;
    };
    const Pick picks[] = {
        {5, 2, programmer::kFigure1, 20},   {5, 2, programmer::kFigure2, 0},
        {5, 11, programmer::kFigure1, 86},  {5, 11, programmer::kFigure2, 50},
        {5, 37, programmer::kFigure1, 86},  // 37 to 40 are not offered
        {6, 3, programmer::kFigure2, 153},  // polygon 3
        {7, 2, programmer::kRotate, 0},     // ROTATE PER 2 on the one fixture
        {4, 2, programmer::kFigureMode, 4}, // mode 2: backward
    };
    for (const Pick& p : picks) {
        SCOPED_TRACE(p.key);
        if (p.fader != runtime::selected_fader_bank2) rig_.press(fader_key(p.fader));
        ASSERT_EQ(runtime::selected_fader_bank2, p.fader);
        rig_.press(runtime::fixture_key(p.key));
        EXPECT_EQ(figure(1, p.param), p.expected);
    }
    EXPECT_EQ(led(runtime::fixture_key(3)), runtime::LED_OFF) << "the figure modes offer two cells";
    rig_.press(runtime::KEY_ESC);
}

TEST_F(Pickers, GeneratorPicksSetModesAndSpreads) {
    rig_.press(fader_key(kIntensity));
    programmer::fixture_selected[2] = 1;
    programmer::fixture_selected[3] = 1;
    runtime::fader_bank = programmer::kGeneratorBank;
    runtime::selected_fader_bank1 = 4;  // MODE
    open_latched();
    rig_.press(runtime::fixture_key(12));
    EXPECT_EQ(generator(1, kIntensity, programmer::kMode), 44) << "mode 12";
    EXPECT_EQ(generator(3, kIntensity, programmer::kMode), 44);

    rig_.press(fader_key(5));  // the wave effects
    rig_.press(runtime::fixture_key(2));
    EXPECT_EQ(generator(1, kIntensity, programmer::kDelay), 0);
    EXPECT_EQ(generator(2, kIntensity, programmer::kDelay), 85);
    EXPECT_EQ(generator(3, kIntensity, programmer::kDelay), 0);

    // Groupings: WAVE without a grouping does nothing; with one it spreads
    // by its last subgroup.
    rig_.press(fader_key(16));
    EXPECT_EQ(led(runtime::KEY_EDIT_ITEM), runtime::LED_BLINK);
    runtime::current_grouping = 21;
    rig_.press(runtime::fixture_key(25));
    EXPECT_EQ(generator(2, kIntensity, programmer::kDelay), 85);
    programmer::grouping_table[2].subgroup_count = 3;
    programmer::grouping_table[2].member_counts = {0, 1, 1, 1};
    programmer::grouping_members[2] = {2 * 34, 1 * 34, 0};  // fixtures 3, 2, 1
    rig_.press(runtime::fixture_key(2));
    EXPECT_EQ(runtime::current_grouping, 2);
    rig_.press(runtime::fixture_key(25));
    EXPECT_EQ(generator(3, kIntensity, programmer::kDelay), 0);
    EXPECT_EQ(generator(2, kIntensity, programmer::kDelay), 56);
    EXPECT_EQ(generator(1, kIntensity, programmer::kDelay), 112);
    rig_.press(runtime::KEY_ESC);
    EXPECT_EQ(led(runtime::KEY_EDIT_ITEM), runtime::LED_OFF);
}

}  // namespace
