// The lamp commands on the demo rig: the SPOT16 (fixtures 1-4, 7-8) and the
// WASHCMY (5-6, 9-10) play their lamp macros (programdir/rig/rst: a value at
// once on the lamp function, its release 5 s later); the DIMMER (11-12) has
// none. Marking by fixture keys, group keys and ALL; the queue's spacing of
// ignitions; the held channel and what the release gives back.
#include <gtest/gtest.h>

#include <string>

#include "programmer/fixture_groups.h"
#include "programmer/lamp_control.h"
#include "programmer/park_tables.h"
#include "programmer/programmer_values.h"
#include "programmer_test_rig.h"
#include "runtime/config_records.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/lamp_commands.h"
#include "runtime/show_tables.h"
#include "setup/patch_tables.h"
#include "ui/message_line.h"

namespace {

using programmer::lamp_pending_command;
using runtime::KEY_ESC;
using runtime::KEY_IGNITE;
using runtime::KEY_LAMP_RESET;

constexpr int kSpotLampChannel = 16;  // the SPOT16's lamp function sits on its channel 16
constexpr uint8_t kIgniteValue = 230;
constexpr uint8_t kResetValue = 240;

class LampControl : public programmer_test::DemoRig {
protected:
    // Holds key a, presses key b, lets a go.
    void range(int16_t a, int16_t b) {
        rig_.hold(a, 50);
        rig_.press(b);
        rig_.release(a, 50);
    }
    static int16_t lamp_record(int fixture) {
        return static_cast<int16_t>(runtime::fixture_channel_record(fixture, kSpotLampChannel));
    }
    // The DMX level of the spot's lamp channel on the stage.
    uint8_t lamp_level(int fixture) const {
        const int position = setup::channel_patch_tables[0][static_cast<size_t>(lamp_record(fixture))];
        return rig_.dmx((position - 1) / 512 + 1, (position - 1) % 512 + 1);
    }
    static std::string pending() {
        std::string s;
        for (size_t n = 1; n <= 12; ++n) {
            const uint8_t p = lamp_pending_command[n];
            s += p == 0 ? '.' : p == programmer::kLampQueued ? 'Q' : static_cast<char>('0' + p);
        }
        return s;
    }
};

TEST_F(LampControl, TheScreenMarksTheKeyedFixturesWithoutSelectingThem) {
    rig_.press(KEY_IGNITE);
    EXPECT_EQ(std::string(ui::current_message()), "SELECT FIXTURES TO IGNITE");
    EXPECT_EQ(runtime::key_led_cache[KEY_IGNITE], runtime::LED_ON);
    EXPECT_EQ(runtime::key_led_cache[runtime::KEY_ALL], runtime::LED_BLINK_BOTH);
    EXPECT_EQ(runtime::key_led_cache[runtime::fixture_key(12)], runtime::LED_BLINK_BOTH);
    range(runtime::fixture_key(1), runtime::fixture_key(3));
    // The queue takes the marked fixtures while the screen still reads keys.
    EXPECT_EQ(pending(), "QQQ.........");
    rig_.press(KEY_IGNITE);
    EXPECT_EQ(runtime::key_led_cache[KEY_IGNITE], runtime::LED_OFF);
    EXPECT_EQ(runtime::key_led_cache[runtime::KEY_ALL], runtime::LED_OFF);
    EXPECT_EQ(runtime::key_led_cache[runtime::fixture_key(12)], runtime::LED_OFF);
    for (size_t n = 1; n <= 3; ++n) EXPECT_EQ(programmer::fixture_selected[n], 0);
    rig_.run_ms(700);
    for (int n = 1; n <= 3; ++n) EXPECT_EQ(lamp_level(n), kIgniteValue) << "fixture " << n;
    EXPECT_NE(lamp_level(4), kIgniteValue);
}

TEST_F(LampControl, IgnitionsStart300MsApartAndEachReleaseComes5sAfterItsStart) {
    programmer::mark_fixture_range_command(1, 3, runtime::LAMP_ON);
    ASSERT_EQ(pending(), "111.........");
    ASSERT_TRUE(rig_.run_until([this] { return lamp_level(1) == kIgniteValue; }, 100));
    const uint64_t t0 = rig_.now_ms();
    rig_.run_ms(5);
    EXPECT_EQ(pending(), "QQQ.........") << "one fixture queued per poll";
    EXPECT_EQ(programmer::park_flags[static_cast<size_t>(lamp_record(1))], runtime::LAMP_ON);
    rig_.run_ms(static_cast<uint32_t>(t0 + 297 - rig_.now_ms()));
    EXPECT_NE(lamp_level(2), kIgniteValue);
    rig_.run_ms(5);
    EXPECT_EQ(lamp_level(2), kIgniteValue) << "second ignition 300 ms after the first";
    EXPECT_NE(lamp_level(3), kIgniteValue);
    rig_.run_ms(300);
    EXPECT_EQ(lamp_level(3), kIgniteValue) << "third 300 ms after the second";

    rig_.run_ms(static_cast<uint32_t>(t0 + 5005 - rig_.now_ms()));
    EXPECT_EQ(programmer::park_flags[static_cast<size_t>(lamp_record(1))], 0);
    EXPECT_NE(lamp_level(1), kIgniteValue);
    EXPECT_EQ(lamp_level(3), kIgniteValue);
    EXPECT_EQ(pending(), ".QQ.........");
    rig_.run_ms(700);
    EXPECT_EQ(pending(), "............");
    EXPECT_EQ(runtime::lamp_event_count, 0) << "the queue is freed when every event has run";
    EXPECT_EQ(runtime::lamp_event_queue, nullptr);
}

TEST_F(LampControl, TheReleaseSendsTheLevelTheProgrammerGaveTheChannelMeanwhile) {
    const int16_t record = lamp_record(2);
    programmer::edit_function_value(record, 40);
    rig_.run_ms(20);
    ASSERT_EQ(lamp_level(2), 40);
    programmer::mark_fixture_range_command(2, 2, runtime::LAMP_RESET);
    rig_.run_ms(20);
    EXPECT_EQ(lamp_level(2), kResetValue);
    // While held, the programmer's changes do not reach the stage.
    programmer::edit_function_value(record, 90);
    rig_.run_ms(100);
    EXPECT_EQ(lamp_level(2), kResetValue);
    rig_.run_ms(5000);
    EXPECT_EQ(programmer::park_flags[static_cast<size_t>(record)], 0);
    EXPECT_EQ(lamp_level(2), 90) << "the release sends what the channel holds now, not the level from before";
}

TEST_F(LampControl, MarkingSkipsRunningFixturesAndEscKeepsTheMarks) {
    // Fixture 2's reset still runs when fixtures 1..4 are marked for ignition.
    programmer::mark_fixture_range_command(2, 2, runtime::LAMP_RESET);
    rig_.run_ms(20);
    ASSERT_EQ(pending(), ".Q..........");
    rig_.hold(KEY_IGNITE, 10);
    rig_.release(KEY_IGNITE, 10);
    // Fixture key held and ESC pressed: the screen ends without that mark.
    rig_.press(runtime::fixture_key(9));
    range(runtime::fixture_key(4), runtime::fixture_key(1));
    EXPECT_EQ(pending(), "QQQQ....Q...");
    rig_.hold(runtime::fixture_key(6), 10);
    rig_.press(KEY_ESC);
    rig_.release(runtime::fixture_key(6), 10);
    EXPECT_EQ(runtime::key_led_cache[KEY_IGNITE], runtime::LED_OFF);
    EXPECT_EQ(lamp_pending_command[6], 0);
    // The marks made before ESC are played.
    rig_.run_ms(2000);
    EXPECT_EQ(lamp_level(1), kIgniteValue);
    EXPECT_EQ(lamp_level(4), kIgniteValue);
    EXPECT_EQ(programmer::park_flags[static_cast<size_t>(lamp_record(2))], runtime::LAMP_RESET)
        << "the running reset was not replaced by an ignition";
}

TEST_F(LampControl, GroupKeysAndAllMarkTheirFixtures) {
    programmer::group_table[2][5] = 1;
    programmer::group_table[3][7] = 1;
    programmer::group_table[3][8] = 1;
    programmer::group_table[17][11] = 1;
    rig_.press(runtime::KEY_SHUT_OFF);
    EXPECT_EQ(std::string(ui::current_message()), "SELECT FIXTURES TO SHUT OFF");
    EXPECT_EQ(runtime::key_led_cache[runtime::group_key(2)], runtime::LED_BLINK_BOTH) << "used groups blink";
    EXPECT_EQ(runtime::key_led_cache[runtime::group_key(1)], runtime::LED_OFF);
    range(runtime::group_key(3), runtime::group_key(1));
    EXPECT_EQ(pending(), "....Q.QQ....");
    rig_.press(runtime::KEY_SHUT_OFF);
    EXPECT_EQ(runtime::key_led_cache[runtime::group_key(2)], runtime::LED_OFF) << "the group LEDs are back";

    // ALL: every fixture without a running command; the dimmers have no steps.
    rig_.hold(KEY_LAMP_RESET, 10);
    rig_.release(KEY_LAMP_RESET, 10);
    rig_.press(runtime::KEY_ALL);
    rig_.press(KEY_LAMP_RESET);
    EXPECT_EQ(pending(), "QQQQQQQQQQ..");
    EXPECT_EQ(programmer::park_flags[static_cast<size_t>(lamp_record(1))], runtime::LAMP_RESET);
    EXPECT_EQ(programmer::park_flags[static_cast<size_t>(lamp_record(7))], runtime::LAMP_OFF)
        << "the shut-off still running was not replaced";
    EXPECT_EQ(lamp_level(7), 250);
}

TEST_F(LampControl, ATypeWithoutStepsForTheCommandIgnoresIt) {
    // The dimmers have no lamp file; fixture 1's type gets only an ignite step.
    programmer::queue_lamp_command(11, runtime::LAMP_ON);
    EXPECT_EQ(lamp_pending_command[11], 0);
    EXPECT_EQ(runtime::lamp_event_count, 0);
    const size_t spot = static_cast<size_t>(runtime::function_record_table[lamp_record(1)].type + 1);
    runtime::LampStep* steps = runtime::lamp_macro_steps[spot];
    ASSERT_GE(runtime::lamp_macro_step_count[spot], 2);
    // Only the first step (an ignite at once) is left: no release.
    runtime::lamp_macro_step_count[spot] = 1;
    ASSERT_EQ(steps[0].command, runtime::LAMP_ON);
    programmer::queue_lamp_command(1, runtime::LAMP_RESET);
    EXPECT_EQ(lamp_pending_command[1], 0);
    EXPECT_EQ(runtime::lamp_event_count, 0);
    // An ignite without a release: the channel stays held, but the fixture
    // can take another command once its steps have run.
    programmer::mark_fixture_range_command(1, 1, runtime::LAMP_ON);
    rig_.run_ms(20);
    EXPECT_EQ(lamp_level(1), kIgniteValue);
    EXPECT_EQ(programmer::park_flags[static_cast<size_t>(lamp_record(1))], runtime::LAMP_ON);
    EXPECT_EQ(lamp_pending_command[1], 0);
}

}  // namespace
