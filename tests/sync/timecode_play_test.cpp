// PLAY on the demo show: the prompt and the start, the list played on the PC
// timer until STOP or END with the flashes released, the list sorted first,
// the time of day as the start time, the table opened while playing and
// following the events, the MANUAL source stepped with LAST and NEXT, and
// what ends or refuses playing.
#include <gtest/gtest.h>

#include "list_helpers.h"

#include <algorithm>
#include <string>
#include <vector>

#include "../programmer/programmer_test_rig.h"
#include "memories/master_state.h"
#include "platform/graphics.h"
#include "runtime/config_records.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/step_log.h"
#include "sync/list_open.h"
#include "sync/sync_services.h"
#include "sync/timecode_clock.h"
#include "sync/timecode_lists.h"
#include "sync/timecode_play.h"
#include "sync/timecode_player.h"
#include "ui/message_line.h"

namespace {

using namespace runtime::keys;
using sync_test::Events;
using sync_test::list;
using sync_test::set_list;

constexpr const char* kStopPrompt = "PRESS 'STOP' TO STOP PLAYING...";

std::string message() { return ui::last_message_text.data(); }
uint8_t master_flash(int m) { return memories::master_timecode_flash[static_cast<size_t>(m)]; }

class TimecodePlay : public programmer_test::DemoRig {
protected:
    void SetUp() override {
        DemoRig::SetUp();
        synchro::timecode_source = synchro::kTimecodeSourcePcTimer;
        synchro::timecode_frame_rate = 1;  // "24"
        synchro::display_time = 0.0;
    }
    void TearDown() override { synchro::timecode_mode = synchro::kTimecodeIdle; }

    // PLAY as the timecode screen's table editor starts it, with its cursor.
    void start_play(uint8_t autoplay = 0) {
        done_ = false;
        rig_.at(0, [this, autoplay] {
            runtime::option_flags |= runtime::OPT_TIMECODE_SCREEN;
            synchro::run_timecode_play(cursor_, row_, column_, autoplay);
            done_ = true;
        });
        rig_.run_ms(250);  // past the prompt's beep
    }
    void wait_done(uint32_t limit_ms = 2000) { ASSERT_TRUE(rig_.run_until([this] { return done_; }, limit_ms)); }
    platform::Tone last_tone() {
        const std::vector<platform::Tone> tones = rig_.tones();
        return tones.empty() ? platform::Tone{} : tones.back();
    }

    int16_t cursor_ = 1;
    int16_t row_ = 1;
    int16_t column_ = 1;
    bool done_ = false;
};

TEST_F(TimecodePlay, AnEmptyListIsRefused) {
    set_list({});
    start_play();
    wait_done();
    EXPECT_EQ(message(), "NO EVENTS LOADED OR RECORDED");
    EXPECT_EQ(last_tone().freq_hz, 400);
    EXPECT_NEAR(last_tone().duration_ms, 1000, 2);
    EXPECT_EQ(synchro::timecode_mode, synchro::kTimecodeIdle);
}

TEST_F(TimecodePlay, AnyKeyButPlayOrEnterCancels) {
    set_list({{0.0, "F 1 00010.000"}});
    start_play();
    EXPECT_EQ(message(), "EDIT TIME AND PRESS 'PLAY'...");
    rig_.press(KEY_ESC);
    wait_done();
    EXPECT_EQ(message(), "PLAYING CANCELLED");
    EXPECT_EQ(last_tone().freq_hz, 400);
    EXPECT_NEAR(last_tone().duration_ms, 800, 2);
    EXPECT_EQ(master_flash(1), 0);
}

TEST_F(TimecodePlay, ThePcTimerPlaysFromTheEnteredTimeAndStopReleasesTheHeldFlash) {
    set_list({{10.1, "F 1 00010.000"}, {10.3, "F 2 00010.000"}, {20.0, "END"}});
    start_play();
    // 00/00/10/00 typed: the list starts at 10 s.
    for (const int16_t digit : {0, 0, 0, 0, 1, 0, 0, 0}) rig_.press(static_cast<int16_t>(KEY_DIGIT_0 + digit));
    rig_.press(KEY_PLAY);
    EXPECT_EQ(message(), kStopPrompt);
    EXPECT_EQ(synchro::timecode_mode, synchro::kTimecodePlay);
    ASSERT_TRUE(rig_.run_until([] { return master_flash(2) == 1; }, 1000));
    EXPECT_EQ(master_flash(1), 1);
    EXPECT_NEAR(synchro::display_time, 10.3, 0.1) << "the clock runs on the digits";
    EXPECT_EQ(rig_.key_led_state(KEY_UP), runtime::LED_OFF) << "the editor's keys are out";

    rig_.press(KEY_STOP);
    wait_done();
    EXPECT_EQ(message(), "END OF PLAYING...");
    EXPECT_EQ(last_tone().freq_hz, 800);
    EXPECT_EQ(last_tone().duration_ms, 400u);
    EXPECT_EQ(master_flash(1), 0) << "released at once";
    EXPECT_EQ(master_flash(2), 0);
    EXPECT_EQ(synchro::timecode_mode, synchro::kTimecodeIdle);
}

TEST_F(TimecodePlay, AnEndEventStopsPlaying) {
    set_list({{0.2, "END"}});
    start_play();
    rig_.press(KEY_ENTER);
    wait_done(1000);
    EXPECT_EQ(message(), "END OF PLAYING...");
}

TEST_F(TimecodePlay, TheListIsSortedBeforePlayingAndTheCursorKeepsItsEvent) {
    const Events unsorted = {{1.0, "F 2 00010.000"}, {0.2, "F 1 00010.000"}, {3.0, "END"}};
    set_list(unsorted);
    cursor_ = 1;
    row_ = 1;
    start_play();
    EXPECT_EQ(list(), (Events{{0.2, "F 1 00010.000"}, {1.0, "F 2 00010.000"}, {3.0, "END"}}));
    rig_.press(KEY_ESC);
    wait_done();
    EXPECT_EQ(cursor_, 2);
    EXPECT_EQ(row_, 1);

    // A MANUAL list plays in its own order.
    synchro::timecode_source = synchro::kTimecodeSourceManual;
    set_list(unsorted);
    start_play();
    EXPECT_EQ(message(), "PRESS 'PLAY' TO START PLAYING...");
    EXPECT_EQ(list(), unsorted);
    rig_.press(KEY_ESC);
    wait_done();
}

TEST_F(TimecodePlay, WithTimeOfDayStartThePcTimerProposesTheTimeOfDay) {
    set_list({{0.0, "F 1 00010.000"}});
    runtime::console_config.set_u8(runtime::kCfgTimecodeEnteredTime, 1);
    // 10:20:29.7 now: read after the prompt's 200 ms beep, past the rate's last frame.
    platform::Clock& clock = rig_.machine().clock;
    clock.time_of_day_at_start_ms = static_cast<uint32_t>((10 * 3600 + 20 * 60 + 29) * 1000 + 700 - clock.now_ms);
    start_play();
    EXPECT_EQ(message(), "EDIT TIME AND PRESS 'PLAY'...");
    EXPECT_DOUBLE_EQ(synchro::display_time, 10 * 3600 + 20 * 60 + 29 + 0.959);
    rig_.press(KEY_PLAY);
    EXPECT_EQ(message(), kStopPrompt);
    rig_.press(KEY_STOP);
    wait_done();
}

TEST_F(TimecodePlay, EditWhilePlayingShowsTheTableAndItsCursorFollowsTheEvents) {
    set_list({{0.1, "F 1 00010.000"}, {0.3, "F 2 00010.000"}, {5.0, "END"}});
    start_play(1);  // autoplay: no entry
    EXPECT_EQ(message(), kStopPrompt);
    runtime::clear_step_log();
    rig_.press(KEY_EDIT);
    EXPECT_NE(runtime::option_flags & runtime::OPT_TIMECODE_PLAYING, 0u) << "the table is shown";
    EXPECT_EQ(rig_.key_led_state(KEY_EDIT), runtime::LED_ON);
    ASSERT_TRUE(rig_.run_until([] { return master_flash(2) == 1; }, 1000));
    rig_.run_ms(5);
    // Down one row from event 1 on row 1: the cursor's light cyan cell is
    // now the time cell of row 2 (y 286..297), no longer row 1's.
    constexpr int kLightCyan = 11;
    EXPECT_GT(platform::count_pixels(kLightCyan, platform::Rect{265, 286, 335, 297}), 0);
    EXPECT_EQ(platform::count_pixels(kLightCyan, platform::Rect{265, 271, 335, 282}), 0);
    rig_.press(KEY_STOP);
    wait_done();
    EXPECT_EQ(cursor_, 2);
    EXPECT_EQ(row_, 2);
}

TEST_F(TimecodePlay, AListOpenRequestEndsPlaying) {
    set_list({{0.0, "F 1 00010.000"}, {50.0, "END"}});
    start_play(1);
    synchro::list_open_request = 1;
    wait_done(500);
    EXPECT_EQ(message(), "END OF PLAYING...");
    EXPECT_EQ(synchro::list_open_request, 1) << "left for the timecode screen";
}

TEST_F(TimecodePlay, ManualLastAndNextStepTheListWithinItsEnds) {
    synchro::timecode_source = synchro::kTimecodeSourceManual;
    set_list({{0.0, "F 1 00000.500"}, {0.0, "F 2 00010.000"}, {0.0, "F 3 00010.000"}});
    rig_.at(0, [] { runtime::set_key_led(KEY_LAST, runtime::LED_ON); });
    rig_.run_ms(5);
    start_play();
    rig_.press(KEY_PLAY);
    EXPECT_EQ(rig_.key_led_state(KEY_LAST), runtime::LED_BLINK);
    EXPECT_EQ(rig_.key_led_state(KEY_NEXT), runtime::LED_BLINK);
    const synchro::TimecodePlayerState& p = synchro::timecode_player;

    rig_.press(KEY_LAST);  // at the start: nothing
    EXPECT_EQ(p.last_event, 0);
    EXPECT_EQ(p.next_event, 1);
    EXPECT_EQ(master_flash(1), 0);
    rig_.press(KEY_NEXT);
    EXPECT_EQ(master_flash(1), 1);
    // The MANUAL source runs no player: the flash's half second is ended by
    // the play loop.
    rig_.run_ms(600);
    EXPECT_EQ(master_flash(1), 0);
    rig_.press(KEY_NEXT);
    rig_.press(KEY_NEXT);
    EXPECT_EQ(p.last_event, 3);
    rig_.press(KEY_NEXT);  // at the end: nothing
    EXPECT_EQ(p.last_event, 3);
    EXPECT_EQ(p.next_event, 4);

    memories::master_timecode_flash[2] = 0;
    rig_.press(KEY_LAST);  // the event before the last, again
    EXPECT_EQ(p.last_event, 2);
    EXPECT_EQ(p.next_event, 3);
    EXPECT_EQ(master_flash(2), 1);

    rig_.press(KEY_STOP);
    wait_done();
    EXPECT_EQ(rig_.key_led_state(KEY_LAST), runtime::LED_ON) << "restored";
    EXPECT_EQ(rig_.key_led_state(KEY_NEXT), runtime::LED_OFF);
    EXPECT_EQ(master_flash(2), 0);
}

}  // namespace
