// Thresholds on the demo rig: the whole-percent grid, programming through the
// THRESHOLDS screen with a typed percentage, the pan/tilt rule and the all-zero
// store, no memory for a new table, ESC, refused numbers, and the tables
// loaded back from the file as at a show start.
#include "memories/thresholds.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../programmer/programmer_test_rig.h"
#include "datafiles/threshold_file.h"
#include "memories/commands.h"
#include "memories/memories.h"
#include "memories/memory_store.h"
#include "platform/graphics.h"
#include "playback/cue_tables.h"
#include "playback/playback_state.h"
#include "runtime/config_records.h"
#include "runtime/console_flags.h"
#include "runtime/fixture_tables.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/show_tables.h"
#include "runtime/step_log.h"
#include "ui/value_table.h"
#include "ui/message_line.h"

namespace {

using namespace runtime::keys;

void* failing_allocator(size_t, const char*, unsigned) { return nullptr; }

void name_threshold(int t, const char* name) {
    auto& field = datafiles::threshold_index[static_cast<size_t>(t)].name;
    field.fill('\0');
    std::copy_n(name, std::min<size_t>(std::char_traits<char>::length(name), 19), field.begin());
}

class Thresholds : public programmer_test::DemoRig {
protected:
    void TearDown() override { runtime::show_table_allocator = saved_allocator_; }

    void open_threshold_screen() {
        rig_.hold(KEY_EDIT_ITEM, 20);
        rig_.press(KEY_THRESHOLD);
        rig_.release(KEY_EDIT_ITEM, 50);
    }
    void type_digits(int n) {
        for (const char c : std::to_string(n)) rig_.press(digit_key(c - '0'));
    }
    // The LED state of a key as the console names it (0 off, 1 and 2 the
    // colours, 3 both, 10, 20, 30 the same blinking), from its two LEDs.
    uint8_t led(int16_t key) const {
        const int row = runtime::key_led_row[static_cast<size_t>(key)];
        const int column = runtime::key_led_column[static_cast<size_t>(key)];
        const platform::LedState first = rig_.led(row, column);
        const platform::LedState second =
            rig_.led(row + runtime::second_led_offsets.row, column + runtime::second_led_offsets.column);
        const bool blinking = first == platform::LedState::blinking || second == platform::LedState::blinking;
        const int colours = (first != platform::LedState::off ? 1 : 0) + (second != platform::LedState::off ? 2 : 0);
        return static_cast<uint8_t>(blinking ? colours * 10 : colours);
    }
    static bool called(const std::string& call) {
        const auto calls = runtime::logged_calls();
        return std::find(calls.begin(), calls.end(), call) != calls.end();
    }
    static uint8_t* table(int t) { return datafiles::threshold_tables[static_cast<size_t>(t)]; }
    static uint8_t* work() { return runtime::threshold_levels; }

    runtime::ShowTableAllocator saved_allocator_ = runtime::show_table_allocator;
};

TEST(ThresholdLevels, WholePercentGrid) {
    struct Case {
        int level;
        uint8_t stored;
    };
    for (const Case c : {Case{2, 0}, Case{3, 3}, Case{5, 3}, Case{128, 128}, Case{130, 128}, Case{254, 253},
                         Case{255, 255}, Case{0, 0}}) {
        EXPECT_EQ(memories::quantise_threshold_level(c.level), c.stored) << c.level;
    }
    EXPECT_EQ(memories::threshold_percent_level(1), 3);
    EXPECT_EQ(memories::threshold_percent_level(50), 128);
    EXPECT_EQ(memories::threshold_percent_level(100), 255);
    // Every level lands on the grid and stays there when quantised again.
    for (int b = 0; b <= 255; ++b) {
        const uint8_t q = memories::quantise_threshold_level(b);
        EXPECT_EQ(memories::quantise_threshold_level(q), q) << b;
        EXPECT_LE(q, b) << b;
    }
}

TEST_F(Thresholds, APercentageTypedForASelectedFunctionIsStoredAndNamed) {
    // Playback 2 runs memory 30 with threshold 4: it takes the new table.
    runtime::programmer_values[14] = 200;
    ASSERT_TRUE(memories::store_memory_confirmed(30));
    playback::playback_table[2] = {};
    playback::playback_table[2].flags = playback::CUE_RECORD_IN_CUE;
    playback::playback_table[2].memory = 30;
    playback::playback_table[2].threshold = 4;
    open_threshold_screen();
    EXPECT_EQ(ui::current_message(), "SELECT THRESHOLD (1..70)");
    EXPECT_NE(runtime::run_flags & runtime::RUN_THRESHOLD_MODE, 0u);
    rig_.press(fixture_key(4));
    EXPECT_EQ(ui::current_message(), "PROGRAM THRESHOLD (ESC=CANCEL)");
    EXPECT_EQ(memories::current_threshold, 4);
    rig_.press(fixture_key(1));  // SPOT16 fixture 1
    rig_.press(fixture_key(2));  // and fixture 2
    ASSERT_GE(runtime::current_fixture_type, 0);
    rig_.press(fader_key(14));  // function 14, the intensity
    EXPECT_EQ(led(fader_key(14)), runtime::LED_ON_2);
    rig_.press(KEY_EDIT_VALUE);
    EXPECT_EQ(ui::current_message(), "GIVE THRESHOLD-PERCENTAGE");
    type_digits(50);
    rig_.press(KEY_ENTER);
    EXPECT_EQ(work()[14], 128);
    EXPECT_EQ(work()[30], 128) << "fixture 2's intensity";
    runtime::clear_step_log();
    rig_.press(KEY_THRESHOLD);
    EXPECT_EQ(ui::current_message(), "GIVE THE NAME OF THRESHOLD 4");
    rig_.type("HALF\r");
    rig_.run_ms(300);  // past the confirmation beep
    ASSERT_NE(table(4), nullptr);
    EXPECT_EQ(table(4)[14], 128);
    EXPECT_EQ(table(4)[30], 128);
    EXPECT_EQ(table(4)[46], 0) << "fixture 3 was not selected";
    EXPECT_EQ(datafiles::threshold_programmed[4], 1);
    EXPECT_STREQ(datafiles::threshold_index[4].name.data(), "HALF");
    ASSERT_NE(runtime::playback_thresholds[2], nullptr);
    EXPECT_EQ(runtime::playback_thresholds[2][14], 128) << "playback 2 reloaded with the new table";
    EXPECT_EQ(runtime::playback_thresholds[2][46], 0);
    EXPECT_EQ(runtime::run_flags & runtime::RUN_THRESHOLD_MODE, 0u);

    // At the next show start the file gives the same table and name back.
    datafiles::free_threshold_tables();
    datafiles::threshold_programmed = {};
    datafiles::threshold_index = {};
    datafiles::load_threshold_file();
    ASSERT_NE(table(4), nullptr);
    EXPECT_EQ(table(4)[14], 128);
    EXPECT_EQ(datafiles::threshold_programmed[4], 1);
    EXPECT_STREQ(datafiles::threshold_index[4].name.data(), "HALF");
}

TEST_F(Thresholds, PercentagesAboveOneHundredAreIgnored) {
    open_threshold_screen();
    rig_.press(fixture_key(7));
    rig_.press(fixture_key(1));
    rig_.press(fader_key(14));
    rig_.press(KEY_EDIT_VALUE);
    type_digits(150);
    rig_.press(KEY_ENTER);
    EXPECT_EQ(work()[14], 0);
    rig_.press(KEY_ESC);
    EXPECT_EQ(table(7), nullptr);
    EXPECT_EQ(runtime::run_flags & runtime::RUN_THRESHOLD_MODE, 0u);
}

TEST_F(Thresholds, TheTrackerballMovesEveryMarkedFunction) {
    open_threshold_screen();
    rig_.press(fixture_key(6));
    rig_.press(fixture_key(1));  // SPOT16 fixtures 1 and 2
    rig_.press(fixture_key(2));
    rig_.press(fader_key(9));    // focus
    rig_.press(fader_key(14));   // intensity, the selected fader is neither
    rig_.press(KEY_EDIT_VALUE);
    type_digits(50);
    rig_.press(KEY_ENTER);
    for (int r : {9, 14, 25, 30}) ASSERT_EQ(work()[r], 128) << r;
    rig_.move_trackerball(0, -40);
    rig_.run_ms(50);
    const uint8_t moved = work()[9];
    EXPECT_NE(moved, 128) << "the trackerball moves the marked functions";
    for (int r : {14, 25, 30}) EXPECT_EQ(work()[r], moved) << r;
    EXPECT_EQ(work()[10], 0) << "zoom is not marked";
    EXPECT_EQ(work()[13], 0) << "nor is the strobe";
    rig_.press(KEY_ESC);
}

TEST_F(Thresholds, StoreQuantisesAndGivesPanTiltTheOrientedPansLevel) {
    const runtime::PanTiltRecord& pt = runtime::fixture_pantilt_table[3];
    ASSERT_NE(pt.kind, 0);
    const int pan = pt.oriented_pan.record;
    std::fill_n(work(), runtime::kShowRecords + 1, uint8_t{0});
    for (int r = 33; r <= 36; ++r) work()[r] = 200;  // pan, pan fine, tilt, tilt fine of fixture 3
    work()[pan] = 130;
    work()[14] = 2;    // rounds down to 0 %
    work()[9] = 255;
    name_threshold(5, "PT");
    ASSERT_TRUE(memories::store_threshold(5));
    for (int r = 33; r <= 36; ++r) EXPECT_EQ(table(5)[r], 128) << r;
    EXPECT_EQ(table(5)[14], 0);
    EXPECT_EQ(table(5)[9], 255);
    EXPECT_EQ(datafiles::threshold_programmed[5], 1);

    // All zero: the table goes and the flag with it; the name stays.
    std::fill_n(work(), runtime::kShowRecords + 1, uint8_t{2});
    ASSERT_TRUE(memories::store_threshold(5));
    EXPECT_EQ(table(5), nullptr);
    EXPECT_EQ(datafiles::threshold_programmed[5], 0);
    EXPECT_STREQ(datafiles::threshold_index[5].name.data(), "PT");
    datafiles::free_threshold_tables();
    datafiles::load_threshold_file();
    EXPECT_EQ(table(5), nullptr);
    EXPECT_EQ(datafiles::threshold_programmed[5], 0);
}

TEST_F(Thresholds, NoMemoryForANewTableLeavesItNotProgrammed) {
    std::fill_n(work(), runtime::kShowRecords + 1, uint8_t{0});
    work()[14] = 255;
    name_threshold(9, "NINE");
    runtime::show_table_allocator = failing_allocator;
    runtime::clear_step_log();
    EXPECT_FALSE(memories::store_threshold(9));
    EXPECT_EQ(ui::current_message(), "NOT ENOUGH MEMORY");
    EXPECT_EQ(table(9), nullptr);
    EXPECT_EQ(datafiles::threshold_programmed[9], 0) << "never flagged without its table";
    EXPECT_FALSE(called("playback::reload_playbacks_for_threshold(9)"));
}

TEST_F(Thresholds, EscLeavesAProgrammedTableAsItWas) {
    std::fill_n(work(), runtime::kShowRecords + 1, uint8_t{0});
    work()[14] = 77;
    name_threshold(6, "SIX");
    ASSERT_TRUE(memories::store_threshold(6));
    const uint8_t stored = table(6)[14];
    open_threshold_screen();
    rig_.press(fixture_key(6));
    EXPECT_EQ(work()[14], stored) << "the work table starts as a copy";
    rig_.press(fixture_key(1));
    rig_.press(fader_key(14));
    rig_.press(KEY_EDIT_VALUE);
    type_digits(90);
    rig_.press(KEY_ENTER);
    ASSERT_EQ(work()[14], 230);
    rig_.press(KEY_ESC);
    EXPECT_EQ(table(6)[14], stored);
    EXPECT_EQ(led(KEY_THRESHOLD), runtime::LED_OFF);
}

TEST_F(Thresholds, ProgrammingANamedThresholdAsksNoName) {
    std::fill_n(work(), runtime::kShowRecords + 1, uint8_t{0});
    name_threshold(2, "TWO");
    open_threshold_screen();
    rig_.press(fixture_key(2));
    rig_.press(fixture_key(1));
    rig_.press(fader_key(14));
    rig_.press(KEY_EDIT_VALUE);
    type_digits(10);
    rig_.press(KEY_ENTER);
    rig_.press(KEY_THRESHOLD);
    rig_.run_ms(50);
    EXPECT_NE(ui::current_message(), "GIVE THE NAME OF THRESHOLD 2");
    ASSERT_NE(table(2), nullptr);
    EXPECT_EQ(table(2)[14], 26);
    EXPECT_EQ(runtime::run_flags & runtime::RUN_THRESHOLD_MODE, 0u);
}

TEST_F(Thresholds, NumbersOutsideOneToSeventyAreRefused) {
    std::fill_n(work(), runtime::kShowRecords + 1, uint8_t{0});
    work()[14] = 255;
    for (const int16_t t : {int16_t{0}, int16_t{71}, int16_t{-1}}) {
        EXPECT_FALSE(memories::store_threshold(t)) << t;
        memories::program_threshold(t);  // returns at once
    }
    EXPECT_EQ(work()[14], 255);
    EXPECT_EQ(memories::current_threshold, 0);
}

TEST_F(Thresholds, TheWheelHandlerSetsAbsoluteOrRelativeLevels) {
    std::fill_n(work(), runtime::kShowRecords + 1, uint8_t{0});
    rig_.press(fixture_key(1));
    rig_.press(fixture_key(2));
    ASSERT_EQ(runtime::current_fixture, 2);
    work()[14] = 100;
    work()[30] = 40;
    runtime::wheel_states.functions[14].value = 60;
    runtime::mode_flags &= ~runtime::MODE_EDIT_MODE;  // absolute
    memories::decrease_function_level(14, -20);  // absolute: both take the wheel level
    EXPECT_EQ(runtime::wheel_states.functions[14].value, 80);
    EXPECT_EQ(work()[14], 80);
    EXPECT_EQ(work()[30], 80);
    runtime::mode_flags |= 1u << 30;  // relative
    work()[14] = 100;
    memories::decrease_function_level(14, 10);
    EXPECT_EQ(work()[30], 70) << "the current fixture takes the wheel level";
    EXPECT_EQ(work()[14], 90) << "the other fixture moves by the delta";
    memories::decrease_function_level(14, 200);
    EXPECT_EQ(work()[14], 0) << "clamped";
    runtime::mode_flags &= ~runtime::MODE_EDIT_MODE;
}

TEST_F(Thresholds, TheWheelRedrawsTheCellsOfTheShownTableInItsColours) {
    // The table shows the threshold percentages of fixtures 1 and 2; the
    // wheel of function 14 moves both cells, as a full redraw shows them.
    std::fill_n(work(), runtime::kShowRecords + 1, uint8_t{0});
    rig_.press(KEY_PANEL_3);
    rig_.press(fixture_key(1));
    rig_.press(fixture_key(2));
    runtime::run_flags |= runtime::RUN_THRESHOLD_MODE;
    runtime::mode_flags &= ~runtime::MODE_EDIT_MODE;
    ui::draw_table_view(1);
    const platform::Rect cells{249 + 23 * 14 - 1, 130, 249 + 23 * 14 + 20, 148};  // column 14, rows 1 and 2
    auto pixels = [this, &cells] {
        std::vector<uint8_t> out;
        for (int y = cells.y1; y <= cells.y2; ++y) {
            for (int x = cells.x1; x <= cells.x2; ++x) out.push_back(rig_.pixel(x, y));
        }
        return out;
    };
    struct Step {
        int16_t delta;
        uint8_t level;
        int colour;  // of the text: 0 % grey, else light green
    };
    for (const Step& step : {Step{-2, 2, 7}, Step{-78, 80, 10}}) {
        memories::decrease_function_level(14, step.delta);
        ASSERT_EQ(work()[14], step.level);
        EXPECT_GT(platform::count_pixels(step.colour, cells), 0) << int{step.level};
        const std::vector<uint8_t> drawn = pixels();
        ui::draw_table_view(1);
        EXPECT_EQ(drawn, pixels()) << "level " << int{step.level} << ": the cells as a full redraw draws them";
    }
    runtime::run_flags &= ~runtime::RUN_THRESHOLD_MODE;
}

}  // namespace
