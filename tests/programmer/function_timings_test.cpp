// Function timings on the demo rig: the belt acceleration, infinity for
// DELAY-OUT and HOLD, the groups and set flags, the fan, the split of the
// time keys and the time-key screen.
#include "programmer/function_timings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "programmer/fixture_groups.h"
#include "programmer/fixture_selection.h"
#include "programmer_edit_rig.h"
#include "runtime/card_access.h"
#include "runtime/config_records.h"
#include "runtime/fixture_tables.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/step_log.h"
#include "ui/message_line.h"

namespace {

using programmer::edit_times_by_wheel;
using programmer::kDelayIn;
using programmer::kDelayOut;
using programmer::kFadeIn;
using programmer::kHold;

constexpr int16_t kIntensity = 11;  // of the wash

class Timings : public programmer_test::EditRig {
protected:
    void SetUp() override {
        EditRig::SetUp();
        if (HasFatalFailure()) return;
        // The start memory's recall leaves the default times; untouched
        // times read as not set here, so that a test sees what was written.
        std::fill_n(runtime::programmer_times, runtime::kShowTimeSlots + 1, runtime::kValueNotSet);
        select({5});
        runtime::fader_bank = 3;
        runtime::selected_function = kIntensity;
        programmer::timing_group_flags = {1, 1, 0, 1};  // groups 1 and 2, group 1 active
    }
    static size_t slot(int16_t record, int group, int kind) {
        return static_cast<size_t>((record - 1) * 15 + (group - 1) * 5 + kind);
    }
    static uint16_t time(int16_t record, int group, int kind) { return runtime::programmer_times[slot(record, group, kind)]; }
    static uint8_t set_flag(int16_t record, int group, int kind) { return runtime::programmer_time_set[slot(record, group, kind)]; }
    static void put_time(int16_t record, int kind, uint16_t t) {
        for (int g = 1; g <= 3; ++g) runtime::programmer_times[slot(record, g, kind)] = t;
    }
};

TEST_F(Timings, BeltStepsAreAcceleratedBySubstitution) {
    // |d| 1 and 2 as they are, 3 counts 5 tenths, 4..5 count 15, 6..9 count
    // 30, 10 and more 60 (a step of 3 adds 0.5 s, a step of 10 adds 6 s).
    const struct {
        int16_t delta;
        int added;
    } cases[] = {{-1, 1}, {-2, 2}, {-3, 5}, {-4, 15}, {-5, 15}, {-6, 30}, {-9, 30}, {-10, 60}, {-40, 60}, {3, -5}, {10, -60}};
    set_edit_mode(programmer::kEditRelative);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.delta);
        put_time(programmer_test::kWash5Intensity, kFadeIn, 1000);
        programmer::load_times_to_faders();
        edit_times_by_wheel(kFadeIn, c.delta);
        EXPECT_EQ(time(programmer_test::kWash5Intensity, 1, kFadeIn), 1000 + c.added);
        EXPECT_EQ(programmer::timing_faders[kFadeIn].shown, 1000 + c.added);
    }
}

TEST_F(Timings, InfinityOnlyForDelayOutAndHold) {
    set_edit_mode(programmer::kEditRelative);
    const struct {
        int16_t kind;
        int16_t delta;
        uint16_t start;
        uint16_t expected;
    } cases[] = {
        {kDelayOut, -10, 29990, 32000},  // raised past 30000: infinite
        {kHold, -10, 29990, 32000},
        {kFadeIn, -10, 29990, 30000},    // stops at 30000
        {kDelayIn, -10, 29990, 30000},
        {kDelayOut, -10, 32000, 32000},  // infinite stays while raising
        {kDelayOut, 1, 32000, 30000},    // lowering an infinite time starts from 30000
        {kFadeIn, 10, 30, 0},            // not below 0
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.kind) + " " + std::to_string(c.delta));
        put_time(programmer_test::kWash5Intensity, c.kind, c.start);
        programmer::load_times_to_faders();
        edit_times_by_wheel(c.kind, c.delta);
        EXPECT_EQ(time(programmer_test::kWash5Intensity, 1, c.kind), c.expected);
        EXPECT_EQ(programmer::timing_faders[static_cast<size_t>(c.kind)].shown, static_cast<int16_t>(c.expected));
    }
}

TEST_F(Timings, EnabledGroupsGetTheSameTimeAndTheDefaultClearsItsFlag) {
    set_edit_mode(programmer::kEditAbsolute);
    put_time(programmer_test::kWash5Intensity, kFadeIn, 77);
    programmer::timing_faders[kFadeIn].shown = 45;
    edit_times_by_wheel(kFadeIn, 0);
    EXPECT_EQ(time(programmer_test::kWash5Intensity, 1, kFadeIn), 45);
    EXPECT_EQ(time(programmer_test::kWash5Intensity, 2, kFadeIn), 45);
    EXPECT_EQ(time(programmer_test::kWash5Intensity, 3, kFadeIn), 77);  // group 3 not enabled
    EXPECT_EQ(set_flag(programmer_test::kWash5Intensity, 1, kFadeIn), 1);
    // FADE-IN's default is 20: stored with its flag clear.
    programmer::timing_faders[kFadeIn].shown = 20;
    edit_times_by_wheel(kFadeIn, 0);
    EXPECT_EQ(time(programmer_test::kWash5Intensity, 1, kFadeIn), 20);
    EXPECT_EQ(set_flag(programmer_test::kWash5Intensity, 1, kFadeIn), 0);
    EXPECT_EQ(set_flag(programmer_test::kWash5Intensity, 2, kFadeIn), 0);
    // The timing belt is set back to its centre.
    EXPECT_EQ(runtime::read_function_belt(kFadeIn + 1, 0), 128);
}

TEST_F(Timings, FanSpreadsWholeNumbersAndDropsAMoveOutOfRange) {
    set_edit_mode(programmer::kEditFan);
    programmer::fan_shape = 1;
    select({5, 6, 9});
    runtime::selected_function = kIntensity;
    const int16_t records[] = {programmer_test::kWash5Intensity, record(6, kIntensity), record(9, kIntensity)};
    for (int16_t r : records) put_time(r, kFadeIn, 100);
    programmer::load_times_to_faders();
    edit_times_by_wheel(kFadeIn, -4);  // no acceleration with the fan
    EXPECT_EQ(time(records[0], 1, kFadeIn), 100);
    EXPECT_EQ(time(records[1], 1, kFadeIn), 104);
    EXPECT_EQ(time(records[2], 1, kFadeIn), 108);

    // One fixture holds an infinite DELAY-OUT: raising is dropped whole.
    for (int16_t r : records) put_time(r, kDelayOut, 100);
    put_time(records[1], kDelayOut, 32000);
    edit_times_by_wheel(kDelayOut, -1);
    EXPECT_EQ(time(records[0], 1, kDelayOut), 100);
    EXPECT_EQ(time(records[2], 1, kDelayOut), 100);
    EXPECT_EQ(time(records[1], 1, kDelayOut), 32000);
    // So is a lowering that would take the third fixture below 0.
    edit_times_by_wheel(kFadeIn, 60);
    EXPECT_EQ(time(records[2], 1, kFadeIn), 108);
}

TEST_F(Timings, SplitSelectionSetsTheFlaggedChannelOfEveryFixture) {
    // DELAY IN of 2 s on the intensity of two spots, in all three groups.
    constexpr int16_t kSpotIntensity = 14;
    programmer::fixture_selected.fill(0);
    programmer::fixture_selected[1] = programmer::fixture_selected[2] = 1;
    std::array<uint8_t, 33> flags{};
    std::array<uint8_t, 5> classes{};
    flags[kSpotIntensity] = 1;
    programmer::apply_time_to_split_selection(1, kDelayIn, 20, flags, classes);
    for (int16_t f : {1, 2}) {
        for (int g = 1; g <= 3; ++g) {
            EXPECT_EQ(time(record(f, kSpotIntensity), g, kDelayIn), 20);
            EXPECT_EQ(set_flag(record(f, kSpotIntensity), g, kDelayIn), 1);
        }
        EXPECT_EQ(time(record(f, 13), 1, kDelayIn), runtime::kValueNotSet);
    }
    EXPECT_EQ(time(record(3, kSpotIntensity), 1, kDelayIn), runtime::kValueNotSet);

    // The pan/tilt class chooses PAN, never its fine half nor TILT; the time
    // reaches the wash through the cross-type map.
    programmer::fixture_selected[5] = 1;
    flags.fill(0);
    classes[1] = 1;
    programmer::apply_time_to_split_selection(1, kHold, 50, flags, classes);
    EXPECT_EQ(time(record(1, 1), 1, kHold), 50);
    EXPECT_EQ(time(programmer_test::kWash5Pan, 3, kHold), 50);
    EXPECT_EQ(time(record(1, 2), 1, kHold), runtime::kValueNotSet);
    EXPECT_EQ(time(record(1, 3), 1, kHold), runtime::kValueNotSet);
}

TEST_F(Timings, WholeSelectionSkipsTheFinePanAndTilt) {
    programmer::fixture_selected.fill(0);
    programmer::fixture_selected[5] = 1;
    programmer::apply_time_to_selected_fixtures(kFadeIn, 20);  // the default: flags clear
    EXPECT_EQ(time(programmer_test::kWash5Intensity, 2, kFadeIn), 20);
    EXPECT_EQ(set_flag(programmer_test::kWash5Intensity, 2, kFadeIn), 0);
    EXPECT_EQ(time(programmer_test::kWash5Pan, 1, kFadeIn), 20);
    for (int16_t ch : {2, 3, 4}) EXPECT_EQ(time(record(5, ch), 1, kFadeIn), runtime::kValueNotSet) << ch;
}

TEST_F(Timings, KindsAndFixturesOutOfRangeWriteNothing) {
    set_edit_mode(programmer::kEditRelative);
    put_time(programmer_test::kWash5Intensity, kFadeIn, 100);
    std::array<uint8_t, 33> flags{};
    flags.fill(1);
    const std::array<uint8_t, 5> classes{};
    for (int16_t kind : {int16_t{0}, int16_t{6}, int16_t{-1}, int16_t{32767}}) {
        edit_times_by_wheel(kind, -10);
        programmer::apply_time_to_selected_fixtures(kind, 50);
        programmer::apply_time_to_split_selection(5, kind, 50, flags, classes);
    }
    for (int16_t fixture : {int16_t{0}, int16_t{13}, int16_t{701}, int16_t{-3}}) {
        programmer::apply_time_to_split_selection(fixture, kFadeIn, 50, flags, classes);
    }
    // No active group: the belts have nothing to write to.
    programmer::timing_group_flags = {1, 1, 0, 0};
    edit_times_by_wheel(kFadeIn, -10);
    for (int g = 1; g <= 3; ++g) EXPECT_EQ(time(programmer_test::kWash5Intensity, g, kFadeIn), 100);
    EXPECT_EQ(time(programmer_test::kWash5Intensity, 1, kDelayIn), runtime::kValueNotSet);
}

TEST_F(Timings, TimeFieldsToTenths) {
    const struct {
        int minutes, seconds, tenths, expected;
    } cases[] = {{0, 2, 0, 20}, {1, 30, 5, 905}, {0, 0, 50, 5}, {0, 0, 99, 9}, {49, 59, 9, 29999}, {50, 30, 0, 30000}};
    for (const auto& c : cases) {
        EXPECT_EQ(programmer::time_from_fields(c.minutes, c.seconds, c.tenths), c.expected)
            << c.minutes << ":" << c.seconds << "." << c.tenths;
    }
}

TEST_F(Timings, TimingKeyEntersAndLeavesTheTimingBank) {
    runtime::fader_bank = 0;
    runtime::function_page = 1;
    runtime::selected_fader_bank0 = 3;  // the wash's tilt
    runtime::mode_flags &= ~runtime::MODE_TRACKERBALL_PANTILT;
    rig_.press(runtime::KEY_TIMING);
    EXPECT_EQ(runtime::fader_bank, 3);
    EXPECT_EQ(runtime::selected_function, 1);  // pan and tilt share the PAN channel's times
    EXPECT_EQ(programmer::timing_group_flags, (std::array<uint8_t, 4>{1, 1, 1, 1}));
    EXPECT_EQ(runtime::key_led_cache[runtime::KEY_TIMING], 1);
    EXPECT_GE(runtime::selected_fader_bank3, 2);
    EXPECT_EQ(programmer::timing_faders[kDelayOut].shown, 32000);  // the default, not set
    // Fader keys: 1 to 6 the value and the five times, 9 to 11 the enabled
    // timing groups; the bank has no fader 16, so its key is dark like 7, 8
    // and 12 to 15.
    for (int k = 1; k <= 16; ++k) {
        const uint8_t led = runtime::key_led_cache[static_cast<size_t>(runtime::fader_key(k))];
        if (k <= 6) {
            EXPECT_NE(led, runtime::LED_OFF) << k;
        } else if (k >= 9 && k <= 11) {
            EXPECT_EQ(led, runtime::LED_ON_2) << k;
        } else {
            EXPECT_EQ(led, runtime::LED_OFF) << k;
        }
    }
    rig_.press(runtime::KEY_TIMING);
    EXPECT_EQ(runtime::fader_bank, 0);
    EXPECT_EQ(runtime::key_led_cache[runtime::KEY_TIMING], 0);
}

TEST_F(Timings, TimeKeyScreenFlagsChannelsWhileHeldAndRestoresTheSelection) {
    runtime::fader_bank = 0;
    select({5, 6});
    rig_.hold(runtime::KEY_HOLD, 20);
    EXPECT_EQ(runtime::key_led_cache[runtime::KEY_HOLD], 1);
    EXPECT_EQ(runtime::key_led_cache[runtime::fixture_key(5)], 30);  // fixtures of the page blink
    EXPECT_EQ(programmer::fixture_selected[5], 0);  // deselected while the key is held
    // The fixture keys select as usual: key 9 held and key 10 pressed choose washes 9 and 10.
    rig_.hold(runtime::fixture_key(9), 20);
    rig_.press(runtime::fixture_key(10), 20);
    rig_.release(runtime::fixture_key(9), 20);
    EXPECT_EQ(programmer::fixture_selected[9], 1);
    EXPECT_EQ(programmer::fixture_selected[10], 1);
    EXPECT_EQ(runtime::key_led_cache[runtime::fixture_key(9)], 20);  // chosen: blinking green
    EXPECT_EQ(runtime::key_led_cache[runtime::fixture_key(5)], 30);
    rig_.press(runtime::KEY_FADER_1 + 10, 20);      // flags channel 11
    rig_.press(runtime::KEY_FADER_1 + 12, 20);      // channel 13: the wash has 12, nothing
    runtime::clear_step_log();
    rig_.release(runtime::KEY_HOLD, 20);
    EXPECT_EQ(runtime::key_led_cache[runtime::KEY_HOLD], 0);
    // The time is asked with the show's default HOLD: ENTER on no minutes
    // answers it, so the flagged channel of the chosen fixtures takes it.
    EXPECT_EQ(ui::current_message(), "EDIT Timing (Minutes)");
    rig_.press(runtime::KEY_ENTER, 20);
    // The fader keys show the restored fixture's panel again: wash 5 has 12 channels.
    EXPECT_EQ(runtime::key_led_cache[runtime::KEY_FADER_1 + 10], 1);
    EXPECT_EQ(runtime::key_led_cache[runtime::KEY_FADER_1 + 12], 0);
    EXPECT_EQ(time(record(9, kIntensity), 1, kHold), 32000);
    EXPECT_EQ(time(record(10, kIntensity), 1, kHold), 32000);
    // The selection from before comes back.
    EXPECT_EQ(programmer::fixture_selected[9], 0);
    EXPECT_EQ(programmer::fixture_selected[5], 1);
    EXPECT_EQ(programmer::fixture_selected[6], 1);
    EXPECT_EQ(runtime::current_fixture, 5);
}

TEST_F(Timings, TimeKeyScreenShowsTheUsedGroupsAndRestoresTheGroupSelection) {
    runtime::fader_bank = 0;
    programmer::deselect_all_fixtures();
    programmer::group_table[3][5] = 1;
    programmer::group_table[3][6] = 1;
    programmer::update_group_used_flags();
    rig_.press(runtime::group_key(3), 20);
    ASSERT_EQ(programmer::group_selected[3], 1);
    ASSERT_EQ(programmer::fixture_selected[5], 1);
    rig_.hold(runtime::KEY_FADE_IN, 20);
    EXPECT_EQ(programmer::group_selected[3], 0) << "groups are deselected while the key is held";
    EXPECT_EQ(runtime::key_led_cache[runtime::group_key(3)], runtime::LED_BLINK) << "a used group";
    EXPECT_EQ(runtime::key_led_cache[runtime::group_key(4)], runtime::LED_OFF) << "an empty group";
    rig_.press(runtime::fixture_key(9), 20);
    rig_.press(runtime::KEY_FADER_1 + 10, 20);
    rig_.release(runtime::KEY_FADE_IN, 20);
    ASSERT_EQ(ui::current_message(), "EDIT Timing (Minutes)");
    rig_.press(runtime::KEY_ESC, 20);
    EXPECT_EQ(programmer::group_selected[3], 1) << "the group selection comes back";
    EXPECT_EQ(runtime::key_led_cache[runtime::group_key(3)], runtime::LED_ON_2);
    EXPECT_EQ(programmer::fixture_selected[5], 1);
    EXPECT_EQ(programmer::fixture_selected[9], 0);
}

}  // namespace

namespace {

// Keys typed by the operator while a dialog runs on the test's own thread.
void type_keys(rig::Rig& rig, std::initializer_list<int16_t> keys) {
    uint32_t at_ms = 20;
    for (int16_t key : keys) {
        rig.at(at_ms, [&rig, key] { rig.hold(key); });
        rig.at(at_ms + 20, [&rig, key] { rig.release(key); });
        at_ms += 50;
    }
}

class TimingEntry : public Timings {};

TEST_F(TimingEntry, KeypadTypesMinutesSecondsAndHundredths) {
    using namespace runtime;
    set_edit_mode(programmer::kEditRelative);
    runtime::selected_fader_bank3 = kFadeIn + 1;
    // 1 min, 3 s and "50" hundredths: 600 + 30 + 5 tenths.
    type_keys(rig_, {KEY_DIGIT_1, KEY_POINT, KEY_DIGIT_3, KEY_POINT, KEY_DIGIT_0 + 5, KEY_DIGIT_0, KEY_ENTER});
    programmer::edit_fader_timing_value();
    EXPECT_EQ(time(programmer_test::kWash5Intensity, 1, kFadeIn), 635);
    EXPECT_EQ(time(programmer_test::kWash5Intensity, 2, kFadeIn), 635);
    EXPECT_EQ(programmer::timing_faders[kFadeIn].shown, 635);
    // The edit mode is back.
    EXPECT_EQ(programmer::edit_mode(), programmer::kEditRelative);
}

TEST_F(TimingEntry, EscapeAndOutOfRangeChangeNothingAndFullIsInfinite) {
    using namespace runtime;
    runtime::selected_fader_bank3 = kDelayOut + 1;
    put_time(programmer_test::kWash5Intensity, kDelayOut, 44);
    type_keys(rig_, {KEY_DIGIT_2, KEY_ESC});
    programmer::edit_fader_timing_value();
    EXPECT_EQ(time(programmer_test::kWash5Intensity, 1, kDelayOut), 44);
    // 75 seconds is out of range: a low beep, nothing changes.
    type_keys(rig_, {KEY_POINT, KEY_DIGIT_0 + 7, KEY_DIGIT_0 + 5, KEY_ENTER});
    programmer::edit_fader_timing_value();
    EXPECT_EQ(time(programmer_test::kWash5Intensity, 1, kDelayOut), 44);
    // FULL on DELAY-OUT: infinite.
    type_keys(rig_, {KEY_FULL});
    programmer::edit_fader_timing_value();
    EXPECT_EQ(time(programmer_test::kWash5Intensity, 1, kDelayOut), 32000);
}

}  // namespace
