// The millisecond clock, the show clock and the timers, driven by the
// machine's clock with and without an interface card.
#include "runtime/timers.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "memories/master_state.h"
#include "platform/machine.h"
#include "playback/playback_state.h"
#include "runtime/card_discovery.h"

namespace {

constexpr int kSlotC800 = 0;
constexpr uint32_t kOneSecondBeforeMidnight_ms = 86'399'000;

class Timers : public ::testing::Test {
protected:
    void SetUp() override {
        platform::install_machine(machine_.get());
        runtime::clock_card = 0;
    }
    void TearDown() override { platform::install_machine(nullptr); }

    platform::Machine& machine() { return *machine_; }

    // A card at C800h whose counter is the clock.
    void fit_clock_card() {
        machine().cards.fit(kSlotC800);
        bool carry = false;
        runtime::clock_card = platform::dpmi_segment_to_selector(0xC800, carry);
        ASSERT_FALSE(carry);
    }
    uint32_t card_counter() { return machine().cards.peek_dword(kSlotC800, runtime::kClockCounterCell); }

    // The machine's clock moves on, then one timer step.
    void step(uint32_t ms) {
        machine().advance_ms(ms);
        runtime::update_timers();
    }

private:
    std::unique_ptr<platform::Machine> machine_ = std::make_unique<platform::Machine>();
};

// --- the clock source ------------------------------------------------------------

TEST_F(Timers, ClockIsTheCardCounterAndResetZeroesIt) {
    fit_clock_card();
    machine().advance_ms(1234);
    EXPECT_EQ(runtime::get_time_ms(), 1234u);
    runtime::reset_card_clock();
    EXPECT_EQ(card_counter(), 0u);
    EXPECT_EQ(runtime::get_time_ms(), 0u);
    machine().advance_ms(7);
    EXPECT_EQ(runtime::get_time_ms(), 7u);
}

TEST_F(Timers, WithoutCardTheClockIsTheBiosTicksInMilliseconds) {
    struct Case {
        uint32_t time_of_day_ms;
        uint32_t clock_ms;  // trunc(ticks / 18.2 * 1000)
    };
    const Case cases[] = {
        {0, 0},
        {54, 0},                 // no tick yet
        {55, 54},                // 1 tick
        {1000, 989},             // 18 ticks
        {10'000, 10'000},        // 182 ticks
        {86'399'999, 86'399'945},  // 1,572,479 ticks, the last before midnight
    };
    for (const Case& c : cases) {
        machine().clock.time_of_day_at_start_ms = c.time_of_day_ms;
        EXPECT_EQ(runtime::get_time_ms(), c.clock_ms) << c.time_of_day_ms;
    }
    runtime::reset_card_clock();  // nothing to reset without a card
    EXPECT_EQ(runtime::get_time_ms(), 86'399'945u);
}

TEST_F(Timers, WithoutCardTheClockMovesInStepsOfOneTick) {
    runtime::init_timers();
    std::set<uint32_t> deltas;
    int moves = 0;
    for (int ms = 0; ms < 550; ++ms) {
        step(1);
        if (runtime::clock_delta != 0) {
            deltas.insert(runtime::clock_delta);
            ++moves;
        }
    }
    EXPECT_EQ(moves, 10);  // 550 ms hold 10 ticks of 54.9 ms
    EXPECT_EQ(deltas, (std::set<uint32_t>{54, 55}));
}

// --- the clock running back or too far -----------------------------------------------

TEST_F(Timers, MidnightOnTheBiosClockRestartsTheClockAndTheShowTimeGoesOn) {
    machine().clock.time_of_day_at_start_ms = kOneSecondBeforeMidnight_ms;
    runtime::init_timers();
    runtime::general_timers[3] = 100;
    runtime::free_counter_b = 100;
    step(500);
    const uint32_t before_midnight = runtime::show_time;
    const int32_t timer_before = runtime::general_timers[3];
    EXPECT_GT(timer_before, 100);

    step(700);  // the tick count returns to 0 at midnight
    EXPECT_EQ(runtime::clock_delta, 0u);
    EXPECT_EQ(runtime::clock_ms, 0u);
    EXPECT_EQ(runtime::show_time, before_midnight);
    EXPECT_EQ(runtime::general_timers[3], timer_before);

    step(1000);  // 1200 ms after midnight: 21 ticks
    EXPECT_EQ(runtime::clock_ms, 1153u);
    EXPECT_EQ(runtime::clock_delta, 1153u);
    EXPECT_EQ(runtime::show_time, before_midnight + 1153);
    EXPECT_EQ(runtime::general_timers[3], timer_before + static_cast<int32_t>(runtime::clock_delta));
}

TEST_F(Timers, CardClockBeyondTheLimitIsZeroedWithAZeroDelta) {
    fit_clock_card();
    runtime::init_timers();
    machine().advance_ms(runtime::kClockLimit_ms - 10);
    runtime::update_timers();
    const uint32_t show_time = runtime::show_time;
    runtime::slave_trigger_countdown = 200;

    step(20);  // the counter passes 2,000,000,000
    EXPECT_EQ(card_counter(), 0u);
    EXPECT_EQ(runtime::clock_ms, 0u);
    EXPECT_EQ(runtime::clock_delta, 0u);
    EXPECT_EQ(runtime::show_time, show_time);
    EXPECT_EQ(runtime::slave_trigger_countdown, 200);

    step(40);
    EXPECT_EQ(runtime::clock_delta, 40u);
    EXPECT_EQ(runtime::show_time, show_time + 40);
    EXPECT_EQ(runtime::slave_trigger_countdown, 160);
}

TEST_F(Timers, CountersBeyondTheLimitRestartAtZero) {
    fit_clock_card();
    runtime::init_timers();
    runtime::free_counter_a = 1'999'999'990;
    runtime::free_counter_b = 1'999'999'980;
    runtime::general_timers[1] = 1'999'999'995;
    runtime::general_timers[20] = 1'999'999'990;
    step(10);
    EXPECT_EQ(runtime::free_counter_a, 2'000'000'000);  // at the limit: kept
    EXPECT_EQ(runtime::free_counter_b, 1'999'999'990);
    EXPECT_EQ(runtime::general_timers[1], 0);
    EXPECT_EQ(runtime::general_timers[20], 2'000'000'000);
    step(1);
    EXPECT_EQ(runtime::free_counter_a, 0);
    EXPECT_EQ(runtime::general_timers[1], 1);
    EXPECT_EQ(runtime::general_timers[20], 0);
}

// --- the show clock --------------------------------------------------------------------

TEST_F(Timers, SpeedChangesReAnchorSoTheShowTimeIsContinuous) {
    fit_clock_card();
    runtime::init_timers();
    EXPECT_EQ(runtime::show_time, 0u);
    struct Phase {
        int16_t speed;
        uint32_t run_ms;
        uint32_t show_time;  // at the end of the phase
    };
    const Phase phases[] = {
        {100, 1000, 1000}, {50, 1000, 1500}, {200, 500, 2500}, {0, 800, 2500}, {100, 10, 2510}, {1000, 3, 2540},
    };
    for (const Phase& p : phases) {
        runtime::show_speed = p.speed;
        step(0);  // the change is seen: re-anchored, no jump
        uint32_t previous = runtime::show_time;
        for (uint32_t ms = 0; ms < p.run_ms; ++ms) {
            step(1);
            EXPECT_GE(runtime::show_time, previous);
            previous = runtime::show_time;
        }
        EXPECT_EQ(runtime::show_time, p.show_time) << "speed " << p.speed;
        EXPECT_EQ(runtime::show_speed_effective, p.speed);
    }
}

TEST_F(Timers, FrozenShowTimeHoldsAndContinuesWithoutJump) {
    fit_clock_card();
    runtime::init_timers();
    step(300);
    EXPECT_EQ(runtime::show_time, 300u);
    runtime::show_time_frozen = 1;
    step(1000);  // the step that sees the freeze re-anchors at the clock it reads
    EXPECT_EQ(runtime::show_speed_effective, 0);
    EXPECT_EQ(runtime::show_speed, 100);
    EXPECT_EQ(runtime::show_time, 300u);
    step(1000);
    EXPECT_EQ(runtime::show_time, 300u);
    EXPECT_EQ(runtime::clock_ms, 2300u);
    runtime::show_time_frozen = 0;
    step(0);
    EXPECT_EQ(runtime::show_time, 300u);
    step(250);
    EXPECT_EQ(runtime::show_time, 550u);
}

TEST_F(Timers, ShowTimeRunsOnWhereA32BitSpeedProductWouldWrap) {
    fit_clock_card();
    runtime::init_timers();
    runtime::show_speed = 1000;
    step(0);
    // (clock - anchor) x 1000 passes 2^32 after 4,294,967 ms: the show time
    // must go on at ten times the clock, not stall there.
    step(4'294'967);
    const uint32_t before = runtime::show_time;
    EXPECT_EQ(before, 42'949'670u);
    step(1);
    EXPECT_EQ(runtime::show_time, before + 10);
    step(1);
    EXPECT_EQ(runtime::show_time, before + 20);
}

// --- countdowns ----------------------------------------------------------------------

TEST_F(Timers, TimecodeOverridesCountDownUntilBelowZero) {
    fit_clock_card();
    runtime::init_timers();
    memories::master_timecode_flash[2] = 1;
    memories::master_timecode_remaining_s[2] = 0.3;
    memories::master_timecode_remaining_s[3] = 0.3;  // flag clear: not counted
    playback::playback_timecode_flash[42] = 1;
    playback::playback_timecode_remaining_s[42] = 0.0;
    playback::playback_timecode_flash[1] = 1;
    playback::playback_timecode_remaining_s[1] = -0.5;

    step(250);
    EXPECT_NEAR(memories::master_timecode_remaining_s[2], 0.05, 1e-9);
    EXPECT_DOUBLE_EQ(memories::master_timecode_remaining_s[3], 0.3);
    EXPECT_NEAR(playback::playback_timecode_remaining_s[42], -0.25, 1e-9);
    EXPECT_DOUBLE_EQ(playback::playback_timecode_remaining_s[1], -0.5);

    step(250);
    EXPECT_NEAR(memories::master_timecode_remaining_s[2], -0.2, 1e-9);
    EXPECT_NEAR(playback::playback_timecode_remaining_s[42], -0.25, 1e-9);  // below 0.0: no longer counted

    step(250);
    EXPECT_NEAR(memories::master_timecode_remaining_s[2], -0.2, 1e-9);
}

TEST_F(Timers, SlaveTriggerCountdownMayEndBelowZero) {
    fit_clock_card();
    runtime::init_timers();
    runtime::slave_trigger_countdown = 200;
    step(150);
    EXPECT_EQ(runtime::slave_trigger_countdown, 50);
    step(80);
    EXPECT_EQ(runtime::slave_trigger_countdown, -30);
    step(80);
    EXPECT_EQ(runtime::slave_trigger_countdown, -30);
}

TEST_F(Timers, InitTimersRestartsEverythingFromTheClockNow) {
    fit_clock_card();
    machine().advance_ms(5000);
    runtime::init_timers();
    runtime::show_speed = 300;
    runtime::free_counter_a = 77;
    runtime::general_timers[7] = 77;
    runtime::slave_trigger_countdown = 77;
    runtime::shared_phases[1][170] = 12.5L;
    runtime::preview_phases[0] = 3.0L;
    step(1000);

    runtime::init_timers();
    EXPECT_EQ(runtime::show_speed, 100);
    EXPECT_EQ(runtime::clock_ms, 6000u);
    EXPECT_EQ(runtime::clock_last, 6000u);
    // The counters start from 0 and take the step of the cleared clock, the
    // whole clock value.
    EXPECT_EQ(runtime::clock_delta, 6000u);
    EXPECT_EQ(runtime::free_counter_a, 6000);
    EXPECT_EQ(runtime::general_timers[7], 6000);
    EXPECT_EQ(runtime::slave_trigger_countdown, 0);
    EXPECT_EQ(runtime::shared_phases[1][170], 0.0L);
    EXPECT_EQ(runtime::preview_phases[0], 0.0L);
    step(3);
    EXPECT_EQ(runtime::clock_delta, 3u);
    EXPECT_EQ(runtime::free_counter_a, 6003);
}

}  // namespace
