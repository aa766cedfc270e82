// The default values on the demo rig: the DEFAULTMEMORY screen opened with
// EDIT ITEM and SELECT FUNCTIONS, belts and the wheel handler moving the
// selected fixtures' defaults (relative pan with its remainder, absolute
// through each type's ranges), copies of the stage output, library resets,
// ESC restoring the defaults from before and key 143 writing values.def and
// setup.dat.
#include <gtest/gtest.h>

#include <vector>

#include "datafiles/default_values.h"
#include "memcheck/memcheck.h"
#include "programmer/default_values_screen.h"
#include "programmer/fixture_groups.h"
#include "programmer/function_belts.h"
#include "programmer_edit_rig.h"
#include "runtime/config_records.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/show_tables.h"
#include "setup/setup_data.h"
#include "ui/message_line.h"

namespace {

using datafiles::default_values;
using programmer::kEditAbsolute;
using programmer::kEditRelative;
using programmer_test::kWash5Intensity;
using programmer_test::kWash5Pan;
using programmer_test::kWash6Pan;

class DefaultValueScreen : public programmer_test::EditRig {
protected:
    void SetUp() override {
        EditRig::SetUp();
        ASSERT_NE(default_values, nullptr);
        set_resolution(8);
    }
    // EDIT ITEM held, SELECT FUNCTIONS pressed: the screen opens.
    void open_screen() {
        rig_.hold(runtime::KEY_EDIT_ITEM);
        rig_.run_ms(300);
        rig_.press(runtime::KEY_SELECT_FUNCTIONS);
        rig_.release(runtime::KEY_EDIT_ITEM, 50);
        ASSERT_EQ(std::string(ui::current_message()), "PROGRAM DEFAULT VALUES (ESC=CANCEL)");
        ASSERT_NE(runtime::run_flags & runtime::RUN_DEFAULT_MODE, 0u);
    }
    void turn_belt(int belt, uint8_t position) {
        rig_.set_function_belt(belt, 0, position);
        rig_.set_function_belt(belt, 1, programmer::kBeltMoved);
        rig_.run_ms(5);
    }
    std::vector<uint8_t> values_file() const { return dir_.read_file("data/values.def"); }
};

TEST_F(DefaultValueScreen, RelativePanRemembersTheOvershootOfAFixtureAtItsLimit) {
    set_edit_mode(kEditRelative);
    select({5, 6});
    default_values[kWash5Pan] = 10;
    default_values[kWash6Pan] = 200;
    fader(1).value = 10;
    const uint16_t programmer_before = value(kWash6Pan);
    programmer::apply_wheel_to_functions(1, -60, 1);  // up by 60
    EXPECT_EQ(default_values[kWash5Pan], 70);
    EXPECT_EQ(default_values[kWash6Pan], 255);
    EXPECT_EQ(programmer::limit_overflow(kWash6Pan), -5) << "owes 5 beyond the top";
    EXPECT_EQ(programmer::pan_limit_direction, 0) << "fixture 5 moved freely";
    programmer::apply_wheel_to_functions(1, 3, 1);  // down by 3: the overshoot is worked off first
    EXPECT_EQ(default_values[kWash5Pan], 67);
    EXPECT_EQ(default_values[kWash6Pan], 255);
    programmer::apply_wheel_to_functions(1, 5, 1);  // down by 8 in all
    EXPECT_EQ(default_values[kWash5Pan], 62);
    EXPECT_EQ(default_values[kWash6Pan], 252);
    EXPECT_EQ(value(kWash6Pan), programmer_before) << "the programmer is not touched";
}

TEST_F(DefaultValueScreen, EveryFixtureClampedStopsTheAxisAndNoneCountsAsZero) {
    set_edit_mode(kEditRelative);
    select({5, 6});
    default_values[kWash5Pan] = 250;
    default_values[kWash6Pan] = datafiles::kNoDefaultValue;
    fader(1).value = 250;
    programmer::apply_wheel_to_functions(1, -10, 1);
    EXPECT_EQ(default_values[kWash5Pan], 255);
    EXPECT_EQ(default_values[kWash6Pan], 10) << "no default starts from 0";
    programmer::apply_wheel_to_functions(1, 20, 1);
    EXPECT_EQ(default_values[kWash6Pan], 0);
    select({6, 5});
    programmer::apply_wheel_to_functions(1, 300, 1);
    EXPECT_EQ(default_values[kWash5Pan], 0);
    EXPECT_EQ(programmer::pan_limit_direction, -1) << "both at the bottom";
    const uint16_t before = default_values[kWash5Pan];
    programmer::apply_wheel_to_functions(1, 4, 1);  // further down: refused
    EXPECT_EQ(default_values[kWash5Pan], before);
}

TEST_F(DefaultValueScreen, AbsoluteGivesEverySelectedFixtureTheSameFaderPosition) {
    set_edit_mode(kEditAbsolute);
    select({5, 6});
    const int16_t wash6_intensity = record(6, 11);
    default_values[kWash5Intensity] = 5;
    default_values[wash6_intensity] = 250;
    fader(11).value = 100;
    programmer::apply_wheel_to_functions(11, -20, 1);
    EXPECT_EQ(fader(11).value, 120);
    EXPECT_EQ(default_values[kWash5Intensity], 120);
    EXPECT_EQ(default_values[wash6_intensity], 120) << "the same position, not the same movement";
}

TEST_F(DefaultValueScreen, BeltsOnTheScreenMoveTheDefaultsAndEscPutsThemBack) {
    set_edit_mode(kEditAbsolute);
    select({5});
    default_values[kWash5Intensity] = 17;
    const std::vector<uint8_t> file_before = values_file();
    open_screen();
    EXPECT_EQ(runtime::key_led_cache[runtime::KEY_SELECT_FUNCTIONS], runtime::LED_ON);
    EXPECT_EQ(runtime::key_led_cache[runtime::KEY_TAKE_OUTPUT], runtime::LED_BLINK);
    ASSERT_EQ(fader(11).value, 17) << "the faders show the defaults";
    turn_belt(11, 40);
    EXPECT_EQ(default_values[kWash5Intensity], 40);
    EXPECT_EQ(value(kWash5Intensity), runtime::kValueNotSet) << "the programmer keeps its value";
    rig_.press(runtime::KEY_ESC);
    EXPECT_EQ(default_values[kWash5Intensity], 17);
    EXPECT_EQ(runtime::run_flags & runtime::RUN_DEFAULT_MODE, 0u);
    EXPECT_EQ(programmer::default_values_backup, nullptr);
    EXPECT_EQ(runtime::key_led_cache[runtime::KEY_SELECT_FUNCTIONS], runtime::LED_OFF);
    EXPECT_EQ(values_file(), file_before) << "nothing written before 143";
}

TEST_F(DefaultValueScreen, CopiedOutputIsUndoneByEscAndKept143WritesTheFiles) {
    select({5});
    set(kWash5Intensity, 200);
    rig_.run_ms(20);
    ASSERT_EQ(runtime::output_base_values[kWash5Intensity], 200);
    default_values[kWash5Intensity] = 17;
    default_values[kWash6Pan] = 3;

    open_screen();
    rig_.press(runtime::KEY_TAKE_OUTPUT);
    EXPECT_EQ(std::string(ui::current_message()), "SELECT FIXTURES/FUNCTIONS TO COPY");
    rig_.press(runtime::KEY_ALL);
    rig_.press(runtime::KEY_TAKE_OUTPUT);
    EXPECT_EQ(default_values[kWash5Intensity], 200);
    EXPECT_EQ(default_values[kWash6Pan], runtime::output_base_values[kWash6Pan]);
    EXPECT_EQ(std::string(ui::current_message()), "PROGRAM DEFAULT VALUES (ESC=CANCEL)");
    rig_.press(runtime::KEY_ESC);
    EXPECT_EQ(default_values[kWash5Intensity], 17) << "ESC after a copy restores the defaults";
    EXPECT_EQ(default_values[kWash6Pan], 3);

    setup::setup_data.set_u8(setup::kSetupDefaultValuesSaved, 0);
    open_screen();
    rig_.press(runtime::KEY_TAKE_OUTPUT);
    rig_.press(runtime::fixture_key(5));  // fixture 5 alone
    rig_.press(runtime::KEY_TAKE_OUTPUT);
    EXPECT_EQ(default_values[kWash5Intensity], 200);
    EXPECT_EQ(default_values[kWash6Pan], 3);
    rig_.press(runtime::KEY_SELECT_FUNCTIONS);
    EXPECT_EQ(runtime::run_flags & runtime::RUN_DEFAULT_MODE, 0u);
    const std::vector<uint8_t> file = values_file();
    ASSERT_EQ(file.size(), 4096u);
    const size_t at = 2 * (kWash5Intensity - 1);
    EXPECT_EQ(file[at] | file[at + 1] << 8, 200);
    EXPECT_EQ(setup::setup_data.u8(setup::kSetupDefaultValuesSaved), 1);
    const std::vector<uint8_t> setup_file = dir_.read_file("data/setup.dat");
    ASSERT_GT(setup_file.size(), 12 + setup::kSetupDefaultValuesSaved);
    EXPECT_EQ(setup_file[12 + setup::kSetupDefaultValuesSaved], 1);
}

TEST_F(DefaultValueScreen, WithoutMemoryForTheBackupTheScreenDoesNotOpen) {
    // ESC could not undo the edits: the screen refuses rather than run without.
    runtime::show_table_allocator = [](size_t, const char*, unsigned) -> void* { return nullptr; };
    rig_.hold(runtime::KEY_EDIT_ITEM);
    rig_.run_ms(300);
    rig_.press(runtime::KEY_SELECT_FUNCTIONS);
    rig_.release(runtime::KEY_EDIT_ITEM, 50);
    runtime::show_table_allocator = memcheck::mc_malloc_at;
    EXPECT_EQ(std::string(ui::current_message()), "NOT ENOUGH MEMORY");
    EXPECT_EQ(runtime::run_flags & runtime::RUN_DEFAULT_MODE, 0u);
    // The console goes on: a belt moves the programmer, not the defaults.
    set_edit_mode(kEditAbsolute);
    select({5});
    default_values[kWash5Intensity] = 17;
    fader(11).value = 17;
    turn_belt(11, 40);
    EXPECT_EQ(default_values[kWash5Intensity], 17);
    EXPECT_EQ(value(kWash5Intensity), 40);
}

TEST_F(DefaultValueScreen, ResetPutsTheLibraryDefaultsBackByFixtureAndGroup) {
    const uint8_t library = programmer::get_library_default_value(5, 11);
    default_values[kWash5Intensity] = static_cast<uint16_t>(library + 50);
    const int16_t wash6_intensity = record(6, 11);
    default_values[wash6_intensity] = static_cast<uint16_t>(library + 60);
    programmer::group_table[2][6] = 1;
    open_screen();
    rig_.press(runtime::KEY_CLEAR);
    EXPECT_EQ(std::string(ui::current_message()), "SELECT FIXTURES TO RESET");
    rig_.press(runtime::fixture_key(5));
    EXPECT_EQ(default_values[kWash5Intensity], library);
    EXPECT_EQ(default_values[wash6_intensity], library + 60);
    rig_.press(runtime::group_key(2));
    EXPECT_EQ(default_values[wash6_intensity], library);
    rig_.press(runtime::KEY_CLEAR);
    EXPECT_EQ(runtime::key_led_cache[runtime::KEY_CLEAR], runtime::LED_BLINK);
    rig_.press(runtime::KEY_ESC);
    EXPECT_EQ(default_values[wash6_intensity], library + 60);
}

}  // namespace
