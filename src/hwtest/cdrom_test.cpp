#include "hwtest/cdrom_test.h"

#include <cstdio>
#include <string_view>

#include "hwtest/card_scan.h"
#include "hwtest/smpte_test.h"
#include "hwtest/test_menu.h"
#include "platform/graphics.h"
#include "platform/machine.h"
#include "platform/text_screen.h"

namespace hwtest {

using synchro::cd_state;

int cd_track_change_count = 0;

void reset_cdrom_test_globals() { cd_track_change_count = 0; }

namespace {

constexpr int kTrackChangeReads = 75;

// Screen.
constexpr int kTitleX = 270;
constexpr int kTitleY = 107;
constexpr int kBoxLeft = 170;
constexpr int kBoxTop = 130;
constexpr int kBoxRight = 470;
constexpr int kBoxBottom = 150;
constexpr int kBoxTextX = 180;
constexpr int kBoxTextY = 138;
constexpr int kTrackLineLeft = 165;
constexpr int kTrackLineTop = 235;
constexpr int kTrackLineRight = 475;
constexpr int kTrackLineBottom = 250;
constexpr int kTrackLineX = 230;
constexpr int kTrackLineY = 239;
constexpr int kMessageLeft = 165;
constexpr int kMessageTop = 280;
constexpr int kMessageRight = 475;
constexpr int kMessageBottom = 300;
constexpr int kMessageX = 170;
constexpr int kMessageY = 287;

constexpr uint32_t kFrozenMs = 5000;
constexpr double kLargestStepS = 0.25;
constexpr double kFrameS = 1.0 / 75;
constexpr int kGoodStepsToRecover = 11;

constexpr std::string_view kNotFound =
    "++++++++++++++++++++++++ ERROR : CDROM-DRIVER NOT FOUND +++++++++++++++++++++++++";
constexpr std::string_view kInsertStatus =
    "++++++ INSERT AN AUDIO-CD AND PRESS ANY KEY TO CONTINUE... (ESC=CANCEL) ++++++";
constexpr std::string_view kTestStatus =
    "+++++++++++++++++++++ +/-=TRACK-SELECTION --- ESC=STOP TEST ++++++++++++++++++++";

void fill_solid(int colour, int left, int top, int right, int bottom) {
    platform::_setfillstyle(platform::kSolidFill, colour);
    platform::_bar(left, top, right, bottom);
}

void paint_panel(int left, int top, int right, int bottom) {
    platform::_setfillstyle(platform::kHatchFill, kBlue);
    platform::_bar(left, top, right, bottom);
}

void draw_text(int colour, int x, int y, std::string_view text) {
    platform::_setcolor(colour);
    platform::_outtextxy(x, y, text);
}

void draw_position_digits(int colour) {
    const synchro::CdTime& p = cd_state.current_position;
    draw_timecode_digits_for_test(p.minutes / 60, p.minutes % 60, p.seconds, p.frames, colour);
}

}  // namespace

// The console program's start of the CD-ROM layer, as the test program's own.
void init_cdrom_for_test() { synchro::init_cdrom(); }

// --- the test's steps --------------------------------------------------------------

void draw_cd_track_info() {
    char line[48] = {};
    std::snprintf(line, sizeof line, "TRACKS:%d - CUR.TRACK:%d", cd_state.track_count, cd_state.current_track);
    paint_panel(kTrackLineLeft, kTrackLineTop, kTrackLineRight, kTrackLineBottom);
    draw_text(kYellow, kTrackLineX, kTrackLineY, line);
}

void poll_cd_status_for_test() {
    if (synchro::check_cd_disc()) draw_cd_track_info();
}

void step_cd_track(int delta) {
    const bool was_playing = cd_state.play_state == synchro::kCdPlaying;
    if (was_playing) synchro::stop_cd_audio();
    synchro::go_to_cd_track_start(synchro::cd_track_after_step(delta));
    draw_position_digits(kCyan);
    draw_cd_track_info();
    if (was_playing) synchro::play_cd_from_current_position();
}

void restart_cd_at_track_1() {
    const bool was_playing = cd_state.play_state == synchro::kCdPlaying;
    if (was_playing) synchro::stop_cd_audio();
    synchro::go_to_cd_track_start(1);
    draw_cd_track_info();
    if (was_playing) synchro::play_cd_from_current_position();
}

// A position the drive cannot give keeps the last one read.
bool read_cd_time_for_test(int& h, int& m, int& s, int& f) {
    h = m = s = f = 0;
    if (cd_state.drive == synchro::kNoCdDrive || cd_state.disc_ready == 0 ||
        cd_state.play_state != synchro::kCdPlaying) {
        return false;
    }
    int track = cd_state.current_track;
    int minutes = cd_state.current_position.minutes;
    int seconds = cd_state.current_position.seconds;
    int frames = cd_state.current_position.frames;
    if (synchro::get_cd_position(track, minutes, seconds, frames)) {
        cd_state.current_position = synchro::CdTime{static_cast<uint16_t>(minutes), static_cast<uint16_t>(seconds),
                                                    static_cast<int16_t>(frames)};
    }
    if (track != 0 && track != cd_state.current_track && frames != 0) {
        ++cd_track_change_count;
        if (cd_track_change_count >= kTrackChangeReads) {
            cd_track_change_count = 0;
            cd_state.current_track = static_cast<uint8_t>(track);
            draw_cd_track_info();
        }
    }
    if (minutes == cd_state.disc_end.minutes && seconds == cd_state.disc_end.seconds) restart_cd_at_track_1();
    h = minutes / 60;
    m = minutes % 60;
    s = seconds;
    f = frames;
    return true;
}

namespace {

struct CdTestState {
    int result = -1;
    bool bad = false;
    bool running_seen = false;
    bool just_stepped = false;
    int good_steps = 0;
    uint32_t last_change_ms = 0;
    double previous_s = 0;
    double drawn_s = -1;
    int drawn_colour = -1;
};

void enter_bad_state(CdTestState& st, uint32_t now_ms) {
    st.bad = true;
    st.good_steps = 0;
    st.result = 0;
    fill_solid(kLightGreen, kMessageLeft, kMessageTop, kMessageRight, kMessageBottom);
    draw_text(kRed, kMessageX, kMessageY,
              now_ms - st.last_change_ms < kFrozenMs ? "BAD CDROM-TIMECODE --> TESTING..."
                                                     : "TIMECODE DOESN'T CHANGE --> TESTING...");
    beep_tone(1000, 500);
}

void judge_cd_step(CdTestState& st, double t) {
    const double p = st.previous_s;
    const uint32_t now_ms = read_card_clock_for_test();
    if (!st.bad) {
        if (t != p) st.last_change_ms = now_ms;
        if (st.just_stepped) return;
        if (now_ms - st.last_change_ms >= kFrozenMs || t < p || (t - p > kLargestStepS && st.running_seen)) {
            enter_bad_state(st, now_ms);
        } else if (t != p) {
            st.running_seen = true;
            st.result = 1;
        }
        return;
    }
    if (t > p && t - p <= kLargestStepS) {
        ++st.good_steps;
    } else if (t != p) {
        st.good_steps = 0;
    }
    if (st.good_steps >= kGoodStepsToRecover) {
        st.bad = false;
        paint_panel(kMessageLeft, kMessageTop, kMessageRight, kMessageBottom);
        st.last_change_ms = now_ms;
        st.result = 1;
    }
}

}  // namespace

bool test_cdrom() {
    begin_test(kTestCdrom);
    if (cd_state.drive == synchro::kNoCdDrive) {
        report_test_not_possible(kNotFound);
        return false;
    }
    draw_test_frame("", kTitleX, "");
    fill_solid(kRed, 150, 100, 490, 120);
    draw_text(kWhite, kTitleX, kTitleY, "CHECKING CDROM");
    synchro::read_cd_toc();
    if (cd_state.disc_ready == 0) {
        synchro::eject_cd();
        fill_solid(kLightGreen, kBoxLeft, kBoxTop, kBoxRight, kBoxBottom);
        draw_text(kRed, kBoxTextX, kBoxTextY, "PLEASE INSERT AN AUDIO-CD ...");
        draw_status_line(kInsertStatus);
        beep_tone(800, 100);
        const int key = read_answer_key();
        synchro::close_cd_tray();
        if (key == kEscKey) return false;
        synchro::read_cd_toc();
        paint_panel(kBoxLeft, kBoxTop, kBoxRight, kBoxBottom);
    }
    draw_cd_track_info();
    draw_status_line(kTestStatus);
    beep_tone(800, 200);
    draw_timecode_frame();
    draw_timecode_digits_for_test(0, 0, 0, 0, kDarkGrey);
    CdTestState st;
    if (cd_state.disc_ready != 0) {
        synchro::play_cd_from_current_position();
    } else {
        cd_state.play_state = synchro::kCdPlaying;
    }
    st.last_change_ms = read_card_clock_for_test();

    for (;;) {
        poll_cd_status_for_test();
        int h = 0;
        int m = 0;
        int s = 0;
        int f = 0;
        read_cd_time_for_test(h, m, s, f);
        const double t = h * 3600.0 + m * 60.0 + s + f * kFrameS;
        judge_cd_step(st, t);
        st.just_stepped = false;
        const int colour = st.bad ? kCyan : kLightCyan;
        if (colour != st.drawn_colour || t != st.drawn_s) {
            draw_timecode_digits_for_test(h, m, s, f, colour);
            st.drawn_colour = colour;
            st.drawn_s = t;
        }
        st.previous_s = t;

        if (platform::kbhit() != 0) {
            int key = platform::getch();
            if (key == 0) key = platform::getch();
            if (key == kEscKey) break;
            if ((key == '+' || key == '-') && cd_state.disc_ready != 0) {
                step_cd_track(key == '+' ? 1 : -1);
                st.just_stepped = true;
                st.drawn_colour = -1;
            }
        }
        platform::idle_poll();
    }

    synchro::stop_cd_audio();
    if (st.result == 1) return finish_test(kTestCdrom, kTestOk);
    if (st.result == 0) return finish_test(kTestCdrom, "ERROR : CDROM DOESN'T WORK!");
    return finish_test(kTestCdrom, "ERROR : CDROM NOT TESTED!");
}

}  // namespace hwtest
