// The timecode player on the demo rig: lock, loss of lock and relock on a
// scripted SMPTE clock, events fired one a poll, the rebuild on relock, the
// F hold on the console's own clock, and the events that do nothing.
#include <gtest/gtest.h>

#include "list_helpers.h"

#include <string>
#include <utility>
#include <vector>

#include "../programmer/programmer_test_rig.h"
#include "memories/master_state.h"
#include "memories/memories.h"
#include "playback/key_groups.h"
#include "playback/playback_flash.h"
#include "playback/playback_state.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/timers.h"
#include "setup/setup_data.h"
#include "sync/sync_services.h"
#include "sync/timecode_clock.h"
#include "sync/timecode_lists.h"
#include "sync/timecode_player.h"

namespace {

using sync_test::Events;
using sync_test::list;
using sync_test::set_list;

uint8_t master_flash(int m) { return memories::master_timecode_flash[static_cast<size_t>(m)]; }

// The list plays from SMPTE timecode that the test writes into the card's
// reader registers; each tick is one poll of the player.
class TimecodePlayer : public programmer_test::DemoRig {
protected:
    void SetUp() override {
        rig_.machine().sync.fit();
        rig_.machine().sync.reader_by_test = true;
        DemoRig::SetUp();
        ASSERT_NE(runtime::sync_interface_selector, 0);
        synchro::timecode_source = synchro::kTimecodeSourceSmpte;
        synchro::timecode_frame_rate = 2;  // "25"
        synchro::reset_timecode_player();
        synchro::timecode_mode = synchro::kTimecodePlay;
    }
    void TearDown() override { synchro::timecode_mode = synchro::kTimecodeIdle; }

    // One poll at list time t (whole 25 fps frames), delta_ms after the last.
    void tick(double t, uint32_t delta_ms = 40) {
        auto window = rig_.machine().sync.window();
        const int frames = static_cast<int>(t * 25 + 0.5);
        window[0x110] = static_cast<uint8_t>(frames / 90000);
        window[0x113] = static_cast<uint8_t>(frames / 1500 % 60);
        window[0x112] = static_cast<uint8_t>(frames / 25 % 60);
        window[0x115] = static_cast<uint8_t>(frames % 25);
        window[0x116] = 1;
        if (++counter_ == 0) counter_ = 1;
        window[0x11E] = static_cast<uint8_t>(counter_);
        window[0x11F] = static_cast<uint8_t>(counter_ >> 8);
        runtime::clock_delta = delta_ms;
        synchro::run_timecode_tick();
        now_ = t;
    }
    // Play restarted, the clock first read at 10 s, then a frame a poll up
    // to 10.2 s: locked again at 10 s.
    void relock_at_10() {
        synchro::reset_timecode_player();
        counter_ += 7;
        now_ = 0.0;
        tick(10.0);
        run_to(10.2);
    }
    // Polls a frame apart up to t.
    void run_to(double t) {
        while (now_ + 0.04 <= t + 1e-9) tick(now_ + 0.04);
    }

    uint16_t counter_ = 0;
    double now_ = 0.0;
};

TEST_F(TimecodePlayer, LockComesAtTheFifthGoodPollAndTheDueEventFiresThen) {
    set_list({{0.0, "F 1 00010.000"}});
    for (int poll = 1; poll <= 4; ++poll) {
        tick(0.04 * poll);
        EXPECT_EQ(synchro::timecode_player.unlocked, 1) << poll;
        EXPECT_EQ(master_flash(1), 0) << poll;
    }
    tick(0.2);
    EXPECT_EQ(synchro::timecode_player.unlocked, 0);
    EXPECT_EQ(master_flash(1), 1);
    EXPECT_DOUBLE_EQ(synchro::display_time, 0.2);
}

TEST_F(TimecodePlayer, AStepOverASecondOrAClockFrozenFor5SecondsLosesLock) {
    set_list({{1.0, "F 1 00010.000"}, {30.0, "END"}});
    run_to(0.4);
    ASSERT_EQ(synchro::timecode_player.unlocked, 0);
    tick(1.5);  // 1.1 s in one poll
    EXPECT_EQ(synchro::timecode_player.unlocked, 1);
    EXPECT_EQ(master_flash(1), 0) << "nothing fires while unlocked";
    run_to(1.7);  // five good polls: lock, relocked at 1.5, event 1 is behind
    EXPECT_EQ(synchro::timecode_player.unlocked, 0);
    EXPECT_EQ(master_flash(1), 1) << "rebuilt on relock";

    for (int i = 1; i <= 4; ++i) tick(now_, 1000);
    EXPECT_EQ(synchro::timecode_player.unlocked, 0) << "4 s frozen";
    tick(now_, 1000);
    EXPECT_EQ(synchro::timecode_player.unlocked, 1) << "5 s frozen";
    tick(now_, 1000);
    EXPECT_EQ(synchro::timecode_player.good_ticks, 0) << "a standing clock is no good poll";
}

TEST_F(TimecodePlayer, EventsOfOneTimeFireOnSuccessivePollsInListOrder) {
    set_list({{1.0, "F 1 00010.000"}, {1.0, "F 2 00010.000"}, {1.0, "F 3 00010.000"}});
    run_to(0.96);
    ASSERT_EQ(master_flash(1), 0);
    tick(1.0);
    EXPECT_EQ((std::vector<int>{master_flash(1), master_flash(2), master_flash(3)}), (std::vector<int>{1, 0, 0}));
    tick(1.04);
    EXPECT_EQ((std::vector<int>{master_flash(1), master_flash(2), master_flash(3)}), (std::vector<int>{1, 1, 0}));
    tick(1.08);
    EXPECT_EQ(master_flash(3), 1);
    EXPECT_EQ(synchro::timecode_player.last_event, 3);
}

TEST_F(TimecodePlayer, ARelockPastTheEndFiresEndAtOnceAndPlayStops) {
    set_list({{1.0, "F 1 00010.000"}, {2.0, "END"}});
    tick(5.0);  // from 0.0: no good poll
    run_to(5.2);
    EXPECT_EQ(synchro::timecode_player.unlocked, 0);
    EXPECT_EQ(master_flash(1), 1) << "rebuilt";
    EXPECT_EQ(synchro::timecode_mode, synchro::kTimecodeIdle);
    EXPECT_EQ(synchro::timecode_player.next_event, 3);
}

TEST_F(TimecodePlayer, AnEndWhileRecordingOrBlindDoesNotStop) {
    set_list({{0.0, "F 1 00010.000"}, {0.0, "END"}});
    synchro::timecode_mode = synchro::kTimecodeRecord;
    run_to(0.24);
    EXPECT_EQ(synchro::timecode_player.next_event, 3);
    EXPECT_EQ(synchro::timecode_mode, synchro::kTimecodeRecord);

    synchro::timecode_mode = synchro::kTimecodePlay;
    synchro::reset_timecode_player();
    memories::master_timecode_flash.fill(0);
    runtime::run_flags |= runtime::RUN_BLIND;
    now_ = 0.0;
    run_to(0.24);
    runtime::run_flags &= ~runtime::RUN_BLIND;
    EXPECT_EQ(synchro::timecode_player.next_event, 3);
    EXPECT_EQ(master_flash(1), 0) << "blind runs nothing";
    EXPECT_EQ(synchro::timecode_mode, synchro::kTimecodePlay);
}

// On relock at 10 s, with the cue at 2 s before it: option 0 rebuilds from
// the cue on (its sequences' run states, the cue, what follows it but no M,
// F or G), option 1 replays every event but G, other values nothing.
TEST_F(TimecodePlayer, TheRebuildOptionsReplayTheirEvents) {
    struct Case {
        uint8_t option;
        std::vector<int> flashes;  // masters 1..4 after the relock
        int cue;
    };
    for (const Case& c : {Case{0, {0, 0, 0, 0}, 5}, Case{1, {1, 0, 1, 0}, 5}, Case{2, {0, 0, 0, 0}, 1}}) {
        setup::setup_data.set_u8(setup::kSetupTimecodeOption, c.option);
        memories::master_timecode_flash.fill(0);
        playback::current_cue = 1;
        set_list({{1.0, "F 1 00099.000"},
                  {2.0, "C 1 5"},
                  {3.0, "F 3 00099.000"},
                  {4.0, "G 00001.000"},
                  {20.0, "F 2 00099.000"},
                  {30.0, "END"}});
        relock_at_10();
        ASSERT_EQ(synchro::timecode_player.unlocked, 0);
        EXPECT_EQ(synchro::timecode_player.next_event, 5) << int{c.option};
        EXPECT_EQ((std::vector<int>{master_flash(1), master_flash(2), master_flash(3), master_flash(4)}), c.flashes)
            << int{c.option};
        EXPECT_EQ(playback::current_cue, c.cue) << int{c.option};
        EXPECT_DOUBLE_EQ(synchro::timecode_player.now, 10.2) << "no jump back from the G event";
    }
}

// The same relock, event by event: option 0 runs the cue and, after it, the
// sequence events in list order but no F; option 1 runs every event before
// the relock in list order.
TEST_F(TimecodePlayer, TheRebuildOptionsRunTheirEventsInListOrder) {
    struct Case {
        uint8_t option;
        std::vector<int> sequences;  // trigger of 3, sync of 4
        std::vector<int> flashes;    // masters 1 and 2
        int cue;
    };
    for (const Case& c : {Case{0, {2, 1}, {0, 0}, 5}, Case{1, {2, 1}, {1, 1}, 5}, Case{2, {0, 0}, {0, 0}, 1}}) {
        setup::setup_data.set_u8(setup::kSetupTimecodeOption, c.option);
        memories::master_timecode_flash.fill(0);
        for (auto& sequence : playback::sequence_table) sequence.mode = 0;
        playback::current_cue = 1;
        set_list({{1.0, "F 2 00099.000"},
                  {2.0, "C 1 5"},
                  {3.0, "S 3 4 1"},
                  {3.5, "S 3 4 2"},  // after the one before: trigger 2 stays
                  {4.0, "F 1 00099.000"},
                  {5.0, "S 4 3 1"},
                  {20.0, "END"}});
        relock_at_10();
        ASSERT_EQ(synchro::timecode_player.unlocked, 0);
        const auto& q = playback::sequence_table;
        EXPECT_EQ((std::vector<int>{playback::sequence_trigger(q[3]), playback::sequence_sync(q[4])}), c.sequences)
            << int{c.option};
        EXPECT_EQ((std::vector<int>{master_flash(1), master_flash(2)}), c.flashes) << int{c.option};
        EXPECT_EQ(playback::current_cue, c.cue) << int{c.option};
        EXPECT_EQ(synchro::timecode_player.next_event, 7) << int{c.option};
    }
}

TEST_F(TimecodePlayer, EventsThatDoNothing) {
    struct Case {
        uint8_t mode;
        uint8_t source;
        const char* text;
    };
    for (const Case& c : {
             Case{0, synchro::kTimecodeSourcePcTimer, "G 00100.000"},  // idle
             Case{1, synchro::kTimecodeSourceSmpte, "G 00100.000"},    // a source that cannot jump
             Case{1, synchro::kTimecodeSourcePcTimer, "P 17 1 1"},
             Case{1, synchro::kTimecodeSourcePcTimer, "C 1 71"},
             Case{1, synchro::kTimecodeSourcePcTimer, "M"},            // no number
             Case{1, synchro::kTimecodeSourcePcTimer, "M 4001"},
             Case{1, synchro::kTimecodeSourcePcTimer, "F 143 00001.000"},
             Case{1, synchro::kTimecodeSourcePcTimer, "F 1"},          // no time
             Case{1, synchro::kTimecodeSourcePcTimer, "S 9 1 1"},      // no such sequence
             Case{1, synchro::kTimecodeSourcePcTimer, "S 0 1 1"},
             Case{1, synchro::kTimecodeSourcePcTimer, "S 1 1"},        // no value
             Case{1, synchro::kTimecodeSourcePcTimer, "R 1"},
             Case{1, synchro::kTimecodeSourcePcTimer, "Q 5"},
         }) {
        synchro::timecode_mode = c.mode;
        synchro::timecode_source = c.source;
        synchro::pc_timer_base = 7.0;
        playback::current_cue = 3;
        const int memory = memories::current_memory;
        const uint8_t sequence_1 = playback::sequence_table[1].mode;
        set_list({{0.0, c.text}});
        EXPECT_TRUE(synchro::execute_timecode_event(1)) << c.text;
        EXPECT_EQ(synchro::pc_timer_base, 7.0) << c.text;
        EXPECT_EQ(playback::current_cue, 3) << c.text;
        EXPECT_EQ(memories::current_memory, memory) << c.text;
        EXPECT_EQ(playback::sequence_table[1].mode, sequence_1) << c.text;
        EXPECT_EQ(memories::master_timecode_flash, (std::array<uint8_t, memories::kMasters + 1>{})) << c.text;
        EXPECT_EQ(playback::playback_timecode_flash, (std::array<uint8_t, playback::kPlaybacks + 1>{})) << c.text;
    }
}

TEST_F(TimecodePlayer, AJumpWithThePcTimerMovesTheClock) {
    synchro::timecode_source = synchro::kTimecodeSourcePcTimer;
    set_list({{0.0, "G 00100.000"}});
    EXPECT_TRUE(synchro::execute_timecode_event(1));
    EXPECT_NEAR(synchro::read_timecode_seconds(), 100.0, 1e-9);
}

// On the console's own clock: the F event holds playback 1's flash for
// 2.5 s, then the player lets it go.
TEST_F(TimecodePlayer, AnFEventFlashesThePlaybackForItsSeconds) {
    synchro::timecode_source = synchro::kTimecodeSourcePcTimer;
    set_list({{0.0, "F 101 00002.500"}});
    synchro::anchor_pc_timer(0.0);
    synchro::reset_timecode_player();
    rig_.run_ms(200);
    ASSERT_EQ(synchro::timecode_player.last_event, 1);
    EXPECT_EQ(playback::playback_timecode_flash[1], 1);
    EXPECT_NE(playback::playback_flash_state[1], 0);
    rig_.run_ms(2200);
    EXPECT_EQ(playback::playback_timecode_flash[1], 1);
    rig_.run_ms(300);
    EXPECT_EQ(playback::playback_timecode_flash[1], 0);
    EXPECT_EQ(playback::playback_flash_state[1], 0);
}

}  // namespace
