// Presets on the demo rig, driven from the console keys: storing what the
// stage shows, recalling through the channel masks as references, the menus'
// hold, latch and chain rules, clearing, the grid and table, the names, and
// the channel setup of the masks.
//
// Demo rig records: SPOT16 fixture 1 is records 1..16 (pan 1, pan fine 2,
// tilt 3, tilt fine 4, colour wheel 5, focus 9, intensity 14); WASHCMY
// fixture 5 is records 65..76 (pan 65, cyan 69, magenta 70, yellow 71, CTO
// 72, intensity 75), fixture 9 records 121..132 (cyan 125, intensity 131).
// Universe 1 carries fixtures 1-6 at addresses equal to their records.
#include "memories/presets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../programmer/programmer_test_rig.h"
#include "datafiles/group_files.h"
#include "datafiles/preset_file.h"
#include "memcheck/memcheck.h"
#include "memories/preset_channel_setup.h"
#include "memories/preset_grid.h"
#include "memories/preset_programming.h"
#include "programmer/channel_generators.h"
#include "programmer/pantilt_figures.h"
#include "programmer/programmer_values.h"
#include "runtime/config_records.h"
#include "runtime/console_flags.h"
#include "runtime/fixture_tables.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/main_loop.h"
#include "runtime/show_tables.h"
#include "ui/message_line.h"

namespace {

using namespace runtime::keys;

constexpr uint16_t kNotSet = 65535;
constexpr int16_t kPanTiltKey = KEY_PRESET_1, kGoboKey = KEY_PRESET_2, kColourKey = KEY_PRESET_3,
                  kEffectKey = KEY_PRESET_4;
constexpr int16_t kClearMenu = memories::kPresetClearMode, kModifyMenu = memories::kPresetModifyMode,
                  kStoreMenu = memories::kPresetStoreMode;

void* failing_allocator(size_t, const char*, unsigned) { return nullptr; }

class Presets : public programmer_test::DemoRig {
protected:
    void SetUp() override {
        DemoRig::SetUp();
        std::fill_n(runtime::programmer_values, runtime::kShowRecords + 1, kNotSet);
        std::fill_n(runtime::programmer_generators, runtime::kShowGeneratorBytes + 1, uint8_t{255});
        std::fill_n(runtime::programmer_figures, runtime::kShowFigureBytes + 1, uint8_t{255});
        // The show's "AUTOMATIC PRESETNAME" is on; these tests store without names.
        ASSERT_EQ(setup::setup_data.u8(setup::kSetupAskPresetName), 1);
        setup::setup_data.set_u8(setup::kSetupAskPresetName, 0);
    }
    void TearDown() override { runtime::show_table_allocator = saved_allocator_; }

    // What the stage shows for record r.
    void stage(int16_t record, uint16_t value) { programmer::set_function_value(record, value); }
    void settle() { rig_.run_ms(30); }

    // The menu key held, the kind key held, fixture key n, both released.
    void program(int16_t menu_key, int16_t kind_key, int n) {
        rig_.hold(menu_key, 20);
        rig_.hold(kind_key, 20);
        rig_.press(fixture_key(n));
        rig_.release(kind_key, 20);
        rig_.release(menu_key, 50);
    }
    // The kind key held, fixture key n, released; the menu then closes.
    void recall(int16_t kind_key, int n) {
        rig_.hold(kind_key, 20);
        rig_.press(fixture_key(n));
        rig_.release(kind_key, 700);
    }
    void select(int f) { rig_.press(fixture_key(f)); }

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
    static const uint16_t* slot_table(int slot) { return memories::value_preset_table[static_cast<size_t>(slot)]; }
    static bool menu_open() { return (runtime::run_flags & runtime::RUN_PRESET_MENU) != 0; }
    bool tone_heard(int32_t freq_hz, uint64_t duration_ms) const {
        const auto tones = rig_.tones();
        return std::any_of(tones.begin(), tones.end(), [&](const platform::Tone& t) {
            return t.freq_hz == freq_hz && t.duration_ms == duration_ms;
        });
    }
    // Whether any pixel of the box has the colour.
    bool box_has_colour(int x1, int y1, int x2, int y2, uint8_t colour) const {
        for (int y = y1; y <= y2; ++y) {
            for (int x = x1; x <= x2; ++x) {
                if (rig_.pixel(x, y) == colour) return true;
            }
        }
        return false;
    }

    runtime::ShowTableAllocator saved_allocator_ = runtime::show_table_allocator;
};

// ------------------------------------------------------------------ store and recall

TEST_F(Presets, ColourPresetFiveStoredFromTheStageAndRecalledAsReferences) {
    stage(69, 10);   // fixture 5 cyan
    stage(72, 40);   // fixture 5 CTO
    stage(75, 200);  // fixture 5 intensity: a colour dimmer
    stage(65, 99);   // fixture 5 pan: no colour class
    stage(125, 77);  // fixture 9 cyan
    settle();
    program(kStoreMenu, kColourKey, 5);  // nothing selected: store takes every fixture
    ASSERT_NE(slot_table(75), nullptr);
    EXPECT_EQ(slot_table(75)[69], 10);
    EXPECT_EQ(slot_table(75)[72], 40);
    EXPECT_EQ(slot_table(75)[75], 200);
    EXPECT_EQ(slot_table(75)[125], 77);
    EXPECT_EQ(slot_table(75)[65], kNotSet) << "pan is no colour channel";
    EXPECT_EQ(memories::preset_used_tables[75], 1);
    EXPECT_EQ(memories::current_color_preset, 5);
    EXPECT_FALSE(menu_open());
    EXPECT_EQ(runtime::programmer_values[69], kNotSet) << "storing leaves the programmer alone";

    stage(69, 0);
    stage(72, 0);
    stage(125, 0);
    settle();
    select(5);
    recall(kColourKey, 5);
    EXPECT_EQ(runtime::programmer_values[69], 1075);
    EXPECT_EQ(runtime::programmer_values[72], 1075);
    EXPECT_EQ(rig_.dmx(1, 69), 10);
    EXPECT_EQ(rig_.dmx(1, 72), 40);
    EXPECT_EQ(runtime::programmer_values[75], kNotSet) << "the default colour mask leaves DIMMER out";
    EXPECT_EQ(runtime::programmer_values[65], kNotSet);
    EXPECT_EQ(runtime::programmer_values[125], kNotSet) << "fixture 9 is not selected";
    EXPECT_FALSE(menu_open());
}

TEST_F(Presets, DefaultPanTiltMaskAppliesPanTiltAndFinesOnly) {
    for (const auto& [record, value] : std::vector<std::pair<int16_t, uint16_t>>{
             {1, 100}, {2, 5}, {3, 50}, {4, 6}, {9, 70}, {14, 255}}) {
        stage(record, value);
    }
    settle();
    program(kStoreMenu, kPanTiltKey, 2);
    ASSERT_EQ(slot_table(2)[9], 70) << "FOCUS and the dimmer are recorded";
    ASSERT_EQ(slot_table(2)[14], 255);
    select(1);
    recall(kPanTiltKey, 2);
    for (const int r : {1, 2, 3, 4}) EXPECT_EQ(runtime::programmer_values[r], 1002) << r;
    EXPECT_EQ(runtime::programmer_values[9], kNotSet);
    EXPECT_EQ(runtime::programmer_values[14], kNotSet);
    EXPECT_EQ(rig_.dmx(1, 1), 100);
}

TEST_F(Presets, GoboPresetRecallOnAFixtureWithoutGoboFunctionsChangesNothing) {
    stage(6, 33);  // fixture 1 gobo wheel
    settle();
    program(kStoreMenu, kGoboKey, 1);
    ASSERT_EQ(slot_table(141)[6], 33);
    select(11);  // a dimmer
    recall(kGoboKey, 1);
    for (int r = 145; r <= 146; ++r) EXPECT_EQ(runtime::programmer_values[r], kNotSet);
    EXPECT_EQ(memories::current_gobo_preset, 1);
}

TEST_F(Presets, EffectPresetFiguresOnlyOnPanTiltFixturesGeneratorsOnlyAboveClassOne) {
    const runtime::FunctionRecord* records = runtime::function_record_table;
    ASSERT_EQ(records[1].function_class, runtime::CLASS_PANTILT);
    ASSERT_EQ(records[14].function_class, runtime::CLASS_DIMMER);
    ASSERT_EQ(records[145].function_class, runtime::CLASS_DIMMER);
    ASSERT_EQ(runtime::fixture_pantilt_table[11].kind, 0);
    auto* figures = static_cast<uint8_t*>(datafiles::allocate_preset_table(memories::kFigurePartEntryBase + 3));
    auto* generators = static_cast<uint8_t*>(datafiles::allocate_preset_table(memories::kGeneratorPartEntryBase + 3));
    ASSERT_NE(figures, nullptr);
    ASSERT_NE(generators, nullptr);
    memories::preset_used_tables[memories::kFigurePartEntryBase + 3] = 1;
    memories::preset_used_tables[memories::kGeneratorPartEntryBase + 3] = 1;
    figures[0] = 60;                  // fixture 1 X-SWING
    figures[2] = 171;                 // fixture 1 SPEED: above its limit
    figures[10 * 10] = 40;            // fixture 11 X-SWING: no pan/tilt
    generators[0] = 50;               // record 1 SWING: a PAN/TILT record
    generators[6 * 13] = 60;          // record 14 SWING
    generators[6 * 13 + 1] = 100;     // record 14 SPEED
    generators[6 * 8] = 128;          // record 9 SWING: above its limit
    generators[6 * 144 + 1] = 90;     // record 145 SPEED
    select(1);
    select(11);
    recall(kEffectKey, 3);
    EXPECT_EQ(runtime::programmer_figures[1], 183);
    EXPECT_EQ(runtime::programmer_figures[3], 255) << "SPEED 171 is above the limit";
    EXPECT_EQ(runtime::programmer_figures[101], 255) << "fixture 11 has no pan/tilt";
    EXPECT_EQ(runtime::programmer_generators[1], 255) << "class-1 records never take generators";
    EXPECT_EQ(runtime::programmer_generators[6 * 13 + 1], 183);
    EXPECT_EQ(runtime::programmer_generators[6 * 13 + 2], 183);
    EXPECT_EQ(runtime::programmer_generators[6 * 8 + 1], 255) << "SWING 128 is skipped";
    EXPECT_EQ(runtime::programmer_generators[6 * 144 + 2], 183);
    EXPECT_EQ(memories::current_effect_preset, 3);
}

TEST_F(Presets, ClearingOrReprogrammingLeavesTheRecalledOutputAndReferencesAlone) {
    stage(69, 10);
    settle();
    program(kStoreMenu, kColourKey, 4);
    select(5);
    recall(kColourKey, 4);
    ASSERT_EQ(runtime::programmer_values[69], 1074);
    ASSERT_EQ(rig_.dmx(1, 69), 10);
    // Stored again from fixture 9 alone, then cleared: the reference and the
    // level it sent stay until something resolves the reference again.
    stage(125, 90);
    settle();
    programmer::fixture_selected.fill(0);
    programmer::fixture_selected[9] = 1;
    program(kModifyMenu, kColourKey, 4);
    EXPECT_EQ(slot_table(74)[125], 90);
    EXPECT_EQ(runtime::programmer_values[69], 1074);
    EXPECT_EQ(runtime::programmer_values[125], kNotSet);
    rig_.hold(kClearMenu, 20);
    rig_.hold(kColourKey, 20);
    rig_.press(fixture_key(4));
    rig_.release(kColourKey, 20);
    rig_.release(kClearMenu, 50);
    EXPECT_EQ(slot_table(74), nullptr);
    EXPECT_EQ(runtime::programmer_values[69], 1074);
    EXPECT_EQ(rig_.dmx(1, 69), 10);
}

// ------------------------------------------------------------------ the recall menu

TEST_F(Presets, ReleaseAfterTheWindowClosesADoubleTapLatches) {
    select(5);
    rig_.hold(kColourKey, 800);
    rig_.release(kColourKey, 20);
    EXPECT_FALSE(menu_open()) << "released 600 ms after the prompt";
    EXPECT_EQ(led(kColourKey), runtime::LED_OFF);

    rig_.press(kColourKey, 30);
    rig_.press(kColourKey, 30);
    rig_.run_ms(1000);
    EXPECT_TRUE(menu_open()) << "a second press within 500 ms latches";
    EXPECT_EQ(led(KEY_ESC), runtime::LED_BLINK);
    EXPECT_EQ(ui::current_message(), "SELECT COLOR-PRESET (1..70)");
    rig_.press(KEY_ESC);
    EXPECT_FALSE(menu_open());
    EXPECT_EQ(runtime::pushed_back_key, 0);
    EXPECT_EQ(led(KEY_ESC), runtime::LED_OFF);
}

TEST_F(Presets, AnotherKindKeyChainsAndAnotherKeyIsDispatched) {
    select(5);
    rig_.hold(kPanTiltKey, 20);
    EXPECT_EQ(ui::current_message(), "SELECT PANTILT-PRESET (1..70)");
    rig_.press(kColourKey, 20);
    EXPECT_EQ(ui::current_message(), "SELECT COLOR-PRESET (1..70)");
    EXPECT_TRUE(menu_open());
    // A latched menu ended by ALL: the key reaches the main loop.
    rig_.release(kPanTiltKey, 700);
    rig_.press(kColourKey, 30);
    rig_.press(kColourKey, 30);
    rig_.run_ms(600);
    ASSERT_TRUE(menu_open());
    rig_.press(KEY_ALL);
    rig_.run_ms(50);
    EXPECT_FALSE(menu_open());
    EXPECT_EQ(programmer::fixture_selected[12], 1) << "ALL selected every fixture";
}

TEST_F(Presets, AnEmptyPresetBeepsAndNoSelectionRefuses) {
    rig_.hold(kGoboKey, 20);
    EXPECT_EQ(ui::current_message(), "NO FIXTURES SELECTED");
    rig_.run_ms(900);
    EXPECT_TRUE(tone_heard(400, 800));
    rig_.release(kGoboKey, 50);
    EXPECT_FALSE(menu_open());

    select(1);
    rig_.hold(kGoboKey, 20);
    rig_.press(fixture_key(9));
    rig_.run_ms(200);
    EXPECT_TRUE(tone_heard(400, 150));
    EXPECT_TRUE(menu_open()) << "the menu stays open";
    EXPECT_EQ(memories::current_gobo_preset, 0);
    rig_.release(kGoboKey, 700);
}

// ------------------------------------------------------------------ programming and clearing

TEST_F(Presets, ModifyTakesOnlyTheSelectedFixtures) {
    stage(5, 11);    // fixture 1 colour wheel
    stage(69, 12);   // fixture 5 cyan
    stage(125, 13);  // fixture 9 cyan
    settle();
    program(kStoreMenu, kColourKey, 3);
    stage(5, 21);
    stage(69, 22);
    stage(125, 23);
    stage(65, 24);  // pan of fixture 5 is not a colour channel
    settle();
    select(5);
    select(9);
    program(kModifyMenu, kColourKey, 3);
    EXPECT_EQ(slot_table(73)[5], 11) << "fixture 1 keeps its stored value";
    EXPECT_EQ(slot_table(73)[69], 22);
    EXPECT_EQ(slot_table(73)[125], 23);
    EXPECT_EQ(slot_table(73)[65], kNotSet);
}

TEST_F(Presets, ClearingGoesOnUntilTheKindKeyIsReleased) {
    stage(1, 50);
    settle();
    program(kStoreMenu, kPanTiltKey, 3);
    program(kStoreMenu, kPanTiltKey, 7);
    program(kStoreMenu, kPanTiltKey, 9);
    ASSERT_EQ(memories::preset_used_tables[7], 1);
    memories::preset_index[3].name = {'W', 'A', 'L', 'L'};
    rig_.hold(kClearMenu, 20);
    rig_.hold(kPanTiltKey, 20);
    EXPECT_EQ(ui::current_message(), "CLEAR PANTILT-PRESET (1..70)");
    rig_.press(fixture_key(3));
    rig_.press(fixture_key(7));
    rig_.release(kPanTiltKey, 20);
    rig_.release(kClearMenu, 50);
    for (const int slot : {3, 7}) {
        EXPECT_EQ(memories::preset_used_tables[static_cast<size_t>(slot)], 0);
        EXPECT_EQ(slot_table(slot), nullptr);
        EXPECT_EQ(memories::preset_index[static_cast<size_t>(slot)].count, 0);
    }
    EXPECT_EQ(memories::preset_name(memories::PRESET_PANTILT, 3), "");
    EXPECT_EQ(memories::preset_used_tables[9], 1);
    EXPECT_EQ(memories::current_pantilt_preset, 7);
    EXPECT_FALSE(menu_open());
    for (const int16_t key : {kClearMenu, kModifyMenu, kStoreMenu}) EXPECT_EQ(led(key), runtime::LED_OFF);
}

TEST_F(Presets, NoMemoryLeavesAValuePresetAsItWas) {
    stage(69, 10);
    settle();
    runtime::show_table_allocator = failing_allocator;
    EXPECT_FALSE(memories::record_value_preset(memories::PRESET_COLOUR, 8, true));
    EXPECT_EQ(ui::current_message(), "NOT ENOUGH MEMORY");
    EXPECT_TRUE(tone_heard(400, 2000));
    EXPECT_EQ(slot_table(78), nullptr);
    EXPECT_EQ(memories::preset_used_tables[78], 0);
    EXPECT_EQ(memories::current_color_preset, 0);
}

TEST_F(Presets, StoredPresetsAndNamesComeBackFromTheFile) {
    stage(69, 10);
    stage(1, 44);
    settle();
    program(kStoreMenu, kColourKey, 6);
    program(kStoreMenu, kEffectKey, 2);
    memories::preset_index[76].name = {'B', 'L', 'U', 'E'};
    ASSERT_TRUE(datafiles::save_preset_name(memories::PRESET_COLOUR, 6));
    datafiles::free_preset_tables();
    memories::preset_used_tables = {};
    memories::preset_index = {};
    datafiles::load_preset_file();
    ASSERT_NE(slot_table(76), nullptr);
    EXPECT_EQ(slot_table(76)[69], 10);
    EXPECT_EQ(slot_table(76)[1], kNotSet);
    EXPECT_EQ(memories::preset_used_tables[76], 1);
    EXPECT_EQ(memories::preset_name(memories::PRESET_COLOUR, 6), "BLUE");
    EXPECT_TRUE(memories::effect_figure_part_used(2));
    EXPECT_TRUE(memories::effect_generator_part_used(2));
}

TEST_F(Presets, ModifyingAnEffectPresetWithoutPanTiltFixturesKeepsItsFigurePart) {
    programmer::set_generator_param(6 * 13 + 1, 40);   // record 14 (fixture 1) SWING
    programmer::set_generator_param(6 * 144 + 2, 50);  // record 145 (fixture 11) SPEED
    programmer::set_figure_param(1, 30);               // fixture 1 X-SWING
    settle();
    program(kStoreMenu, kEffectKey, 2);
    const uint8_t* generators = memories::effect_preset_generators[2];
    const uint8_t* figures = memories::effect_preset_figures[2];
    ASSERT_NE(generators, nullptr);
    ASSERT_NE(figures, nullptr);
    ASSERT_EQ(generators[6 * 13], 40);
    ASSERT_EQ(generators[6 * 144 + 1], 50);
    ASSERT_EQ(figures[0], 30);
    programmer::set_generator_param(6 * 13 + 1, 70);
    programmer::set_generator_param(6 * 144 + 2, 80);
    programmer::set_figure_param(1, 60);
    settle();
    programmer::fixture_selected.fill(0);
    programmer::fixture_selected[11] = 1;  // a dimmer: no pan/tilt
    program(kModifyMenu, kEffectKey, 2);
    EXPECT_EQ(generators[6 * 144 + 1], 80);
    EXPECT_EQ(generators[6 * 13], 40) << "fixture 1 was not selected";
    EXPECT_EQ(figures[0], 30) << "no selected fixture has pan/tilt";
    EXPECT_EQ(memories::current_effect_preset, 2);
}

// ------------------------------------------------------------------ grid, table and names

TEST_F(Presets, GridCellsAndLedsFollowTheStateOfEachPreset) {
    stage(69, 10);
    settle();
    program(kStoreMenu, kColourKey, 12);  // programmed, no name
    program(kStoreMenu, kColourKey, 23);  // programmed and current
    select(5);
    rig_.hold(kColourKey, 100);
    EXPECT_EQ(led(fixture_key(12)), runtime::LED_ON_BOTH);
    EXPECT_EQ(led(fixture_key(23)), runtime::LED_ON_2);
    EXPECT_EQ(led(fixture_key(30)), runtime::LED_OFF);
    // Cell 12 (row 2, column 2) in the colour kind's colour 12, cell 30 in 9.
    EXPECT_TRUE(box_has_colour(24, 41, 44, 69, 12));
    EXPECT_FALSE(box_has_colour(24, 41, 44, 69, 9));
    EXPECT_TRUE(box_has_colour(200, 71, 220, 99, 9));
    // The table: preset 12 (first column) and 23 (second column's first row)
    // show the "*" of an unnamed programmed preset in colour 11.
    EXPECT_TRUE(box_has_colour(246, 370, 362, 378, 11));
    EXPECT_TRUE(box_has_colour(379, 240, 495, 248, 11));
    EXPECT_EQ(runtime::option_flags & runtime::OPT_PT_PRESET_PANEL, runtime::OPT_PT_PRESET_PANEL);
    rig_.release(kColourKey, 700);
    EXPECT_EQ(runtime::option_flags & runtime::OPT_PT_PRESET_PANEL, 0u);
}

TEST_F(Presets, TextReleasedWithNoCurrentPresetNamesPresetOneAndStopsAtNineteen) {
    rig_.hold(KEY_TEXT, 50);
    rig_.press(kColourKey);
    rig_.release(KEY_TEXT, 50);
    EXPECT_EQ(ui::current_message(), "GIVE THE NAME OF COLOR-PRESET 1");
    rig_.type("ABCDEFGHIJKLMNOPQRSTUVWXYZ\r");
    rig_.run_ms(300);  // past the confirmation beep
    EXPECT_EQ(memories::preset_name(memories::PRESET_COLOUR, 1), "ABCDEFGHIJKLMNOPQRS");
    // Written to the file at once.
    memories::preset_index = {};
    datafiles::load_preset_file();
    EXPECT_EQ(memories::preset_name(memories::PRESET_COLOUR, 1), "ABCDEFGHIJKLMNOPQRS");
}

// "AUTOMATIC PRESETNAME", on in a new show's setup, asks for the name of an
// unnamed preset as it is stored; off, the preset is stored without one.
TEST_F(Presets, StoringAsksTheNameOfAnUnnamedPresetWhenTheSetupSaysSo) {
    setup::setup_data.set_u8(setup::kSetupAskPresetName, 1);
    stage(6, 20);
    settle();
    rig_.hold(kStoreMenu, 20);
    rig_.hold(kGoboKey, 20);
    rig_.press(fixture_key(4));
    EXPECT_EQ(ui::current_message(), "GIVE THE NAME OF GOBO-PRESET 4");
    rig_.type("DOTS\r");
    rig_.run_ms(300);
    rig_.release(kGoboKey, 20);
    rig_.release(kStoreMenu, 50);
    EXPECT_EQ(memories::preset_name(memories::PRESET_GOBO, 4), "DOTS");
    memories::preset_index = {};
    datafiles::load_preset_file();
    EXPECT_EQ(memories::preset_name(memories::PRESET_GOBO, 4), "DOTS") << "the name goes to the file with the record";

    setup::setup_data.set_u8(setup::kSetupAskPresetName, 0);
    rig_.hold(kStoreMenu, 20);
    rig_.hold(kGoboKey, 20);
    rig_.press(fixture_key(5));
    rig_.release(kGoboKey, 20);
    rig_.release(kStoreMenu, 50);
    EXPECT_NE(ui::current_message(), "GIVE THE NAME OF GOBO-PRESET 5");
    EXPECT_TRUE(memories::preset_programmed(memories::PRESET_GOBO, 5));
    EXPECT_EQ(memories::preset_name(memories::PRESET_GOBO, 5), "");
}

// ------------------------------------------------------------------ channel setup

class PresetChannels : public Presets {
protected:
    void open_setup(int16_t kind_key) {
        rig_.hold(KEY_EDIT_ITEM, 20);
        rig_.press(kind_key);
        rig_.release(KEY_EDIT_ITEM, 50);
        ASSERT_EQ(ui::current_message(), "PROGRAM PRESET-CHANNELS (ESC=CANCEL)");
    }
    void select_range(int a, int b) {
        if (a == b) {
            rig_.press(fixture_key(a));
            return;
        }
        rig_.hold(fixture_key(a), 20);
        rig_.press(fixture_key(b));
        rig_.release(fixture_key(a), 20);
    }
    static uint32_t mask(int kind, int n) { return datafiles::preset_channel_masks[static_cast<size_t>(kind)][static_cast<size_t>(n)]; }
    uint32_t file_mask(const char* file, int n) const {
        const std::vector<uint8_t> bytes = dir_.read_file(std::string("data/") + file);
        if (bytes.size() != 280) return 0;
        const size_t at = static_cast<size_t>(n - 1) * 4;
        return uint32_t{bytes[at]} | uint32_t{bytes[at + 1]} << 8 | uint32_t{bytes[at + 2]} << 16 |
               uint32_t{bytes[at + 3]} << 24;
    }
};

TEST_F(PresetChannels, AClassSwitchedOffReachesEverySelectedPresetAndTheFile) {
    struct Case {
        int16_t kind_key;
        int kind;
        const char* file;
        int first, last;  // presets selected
        int fader;        // class switched
        uint32_t expected;
    };
    const Case cases[] = {
        {kPanTiltKey, 1, "DEF-PAN.dat", 1, 10, 1, 0xFFFFFFC0u},  // PAN-TILT off: bits 0-3
        {kColourKey, 2, "DEF-COL.dat", 4, 4, 6, 0xFFFFFE1Fu},    // RGB off: bits 5-7
        {kGoboKey, 3, "DEF-GOB.dat", 20, 22, 6, 0xFFFFE01Fu},    // KNIFES off: bits 5-12, 20-22 kept
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const uint32_t untouched = mask(c.kind, c.last + 1);
        open_setup(c.kind_key);
        select_range(c.first, c.last);
        EXPECT_EQ(memories::preset_channel_shown, c.last);
        EXPECT_EQ(led(fader_key(c.fader)), runtime::LED_ON_2) << "the class is on";
        rig_.press(fader_key(c.fader));
        EXPECT_EQ(led(fader_key(c.fader)), runtime::LED_ON);
        EXPECT_EQ(mask(c.kind, c.first), datafiles::default_preset_mask(c.kind)) << "not kept yet";
        rig_.press(c.kind_key);
        for (int n = c.first; n <= c.last; ++n) EXPECT_EQ(mask(c.kind, n), c.expected) << n;
        EXPECT_EQ(mask(c.kind, c.last + 1), untouched);
        EXPECT_EQ(file_mask(c.file, c.first), c.expected);
        EXPECT_EQ(runtime::run_flags & runtime::RUN_WHEELS_INACTIVE, 0u);
    }
}

TEST_F(PresetChannels, ARangeSelectedTwiceIsDeselectedAndEscKeepsTheMasks) {
    open_setup(kPanTiltKey);
    select_range(3, 12);
    for (int n = 3; n <= 12; ++n) EXPECT_EQ(memories::preset_select_flags[static_cast<size_t>(n)], 1) << n;
    EXPECT_EQ(memories::preset_select_flags[13], 0);
    select_range(12, 3);
    for (int n = 3; n <= 12; ++n) EXPECT_EQ(memories::preset_select_flags[static_cast<size_t>(n)], 0) << n;
    EXPECT_EQ(memories::preset_channel_shown, 0);
    // A fader key with no preset shown is ignored.
    rig_.press(fader_key(1));
    EXPECT_EQ(memories::preset_class_flags[1], 0);

    select_range(1, 2);
    rig_.press(fader_key(2));  // FOCUS on
    EXPECT_EQ(memories::preset_mask_work[1] & 0x10u, 0x10u);
    rig_.press(kPanTiltKey);
    ASSERT_EQ(mask(1, 1), 0xFFFFFFDFu);
    ASSERT_EQ(file_mask("DEF-PAN.dat", 1), 0xFFFFFFDFu);
    // Changed again, then dropped with ESC: masks and file stay.
    open_setup(kPanTiltKey);
    select_range(1, 1);
    rig_.press(fader_key(2));
    EXPECT_EQ(memories::preset_mask_work[1] & 0x10u, 0u);
    rig_.press(KEY_ESC);
    EXPECT_EQ(mask(1, 1), 0xFFFFFFDFu);
    EXPECT_EQ(file_mask("DEF-PAN.dat", 1), 0xFFFFFFDFu);
    EXPECT_EQ(runtime::run_flags & runtime::RUN_WHEELS_INACTIVE, 0u);
}

TEST_F(PresetChannels, TheEffectKindShowsThirtyTwoClassesOnTwoPages) {
    open_setup(kEffectKey);
    EXPECT_EQ(memories::preset_class_count(memories::PRESET_EFFECT), 32);
    select_range(5, 5);
    rig_.press(KEY_FUNCTION_PAGE_2);
    EXPECT_EQ(runtime::function_page, 2);
    rig_.press(fader_key(16));  // class 32: DIMMER EFFECT, bit 31
    EXPECT_EQ(memories::preset_mask_work[5], 0x7FFFFFFFu);
    rig_.press(kEffectKey);
    EXPECT_EQ(mask(4, 5), 0x7FFFFFFFu);
    EXPECT_EQ(memories::preset_class(memories::PRESET_EFFECT, 17).name, std::string("SWING"));
}

}  // namespace
