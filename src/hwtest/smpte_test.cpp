#include "hwtest/smpte_test.h"

#include <array>
#include <cstdio>
#include <string>
#include <string_view>

#include "hwtest/card_scan.h"
#include "hwtest/test_menu.h"
#include "platform/graphics.h"
#include "platform/interrupts.h"
#include "platform/machine.h"
#include "platform/text_screen.h"

namespace hwtest {

uint16_t smpte_card_selector = 0;

namespace {

constexpr uint8_t kDriverInterrupt = 0x68;
constexpr uint16_t kDriverProbe = 0x55AA;
constexpr uint32_t kSignatureCell = 0x160;
constexpr std::string_view kSignature = "SMPTE";

// Window registers: the input time, the output start time 20h above it.
constexpr uint32_t kInputHours = 0x110;
constexpr uint32_t kInputSeconds = 0x112;
constexpr uint32_t kInputMinutes = 0x113;
constexpr uint32_t kInputFrames = 0x115;
constexpr uint32_t kInputFrameMode = 0x116;
constexpr uint32_t kFrameCounter = 0x11E;
constexpr uint32_t kOutputOffset = 0x20;
constexpr uint32_t kCommandRegister = 0x150;

// Card commands.
constexpr uint16_t kCmdStopInput = 0x00;
constexpr uint16_t kCmdStartInput = 0x01;
constexpr uint16_t kCmdPrepareOutput = 0x02;
constexpr uint16_t kCmdStartOutput = 0x03;
constexpr uint16_t kCmdStopOutput = 0x04;
constexpr uint16_t kCmdLoadOutputTime = 0x10;

constexpr std::array<std::string_view, kFrameModes> kFrameModeNames = {"24", "25", "30", "30D"};
constexpr std::array<double, kFrameModes> kFrameDurationS = {1.0 / 24, 1.0 / 25, 1.0 / 30, 1.0 / 30};

// Screen layout of the test.
constexpr int kTitleBarLeft = 150;
constexpr int kTitleBarTop = 100;
constexpr int kTitleBarRight = 490;
constexpr int kTitleBarBottom = 120;
constexpr int kTitleX = 195;
constexpr int kTitleY = 107;
constexpr int kLabelLeft = 316;
constexpr int kLabelX = 320;
constexpr int kMessageLeft = 165;
constexpr int kMessageTop = 280;
constexpr int kMessageRight = 475;
constexpr int kMessageBottom = 330;
constexpr int kMessageX = 170;
constexpr int kMessageY = 287;
constexpr int kThisFrameY = 297;
constexpr int kPreviousFrameY = 307;
constexpr int kPressKeyY = 317;

// The seven-segment display.
constexpr int kDigitY = 188;
constexpr int kDigitWidth = 15;
constexpr int kDigitHeight = 25;
constexpr std::array<int, 8> kDigitX = {226, 245, 278, 297, 330, 349, 382, 401};
constexpr int kSegments = 7;
constexpr std::array<std::string_view, 10> kSegmentPatterns = {
    "1111110", "0110000", "1101101", "1111001", "0110011", "1011011", "1011111", "1110000", "1111111", "1111011",
};

constexpr int kStartBeepHz = 800;
constexpr uint32_t kStartBeepMs = 200;
constexpr int kBadBeepHz = 1000;
constexpr uint32_t kBadBeepMs = 500;
constexpr uint32_t kSettleMs = 200;
constexpr uint32_t kFrozenMs = 5000;
constexpr double kLargestStepS = 0.25;
constexpr int kGoodStepsToRecover = 11;

constexpr std::string_view kStatus =
    "+++++++++ SPACE=SMPTE-OUT/SMPTE-IN --- +/-=FRAMEMODE --- ESC=STOP TEST +++++++++";
constexpr std::string_view kNotFound =
    "++++++++++++++++++++++++ ERROR : SMPTE-DRIVER NOT FOUND +++++++++++++++++++++++++";

enum Direction : int { kSmpteIn = 0, kSmpteOut = 1 };
constexpr int kNotTested = -1;

struct SmpteReading {
    uint16_t counter = 0;
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
    int frames = 0;
    int mode = 0;
};

SmpteReading last_smpte_reading;

void fill_solid(int colour, int left, int top, int right, int bottom) {
    platform::_setfillstyle(platform::kSolidFill, colour);
    platform::_bar(left, top, right, bottom);
}

void draw_text(int colour, int x, int y, std::string_view text) {
    platform::_setcolor(colour);
    platform::_outtextxy(x, y, text);
}

void send_card_command(uint16_t command) {
    poke_card_word_for_test(smpte_card_selector, kCommandRegister, command);
    platform::Regs regs;
    regs.set_ax(0);
    platform::int386(kDriverInterrupt, regs);
}

void start_smpte_output(const SmpteReading& at, int mode) {
    poke_card_byte(smpte_card_selector, kInputFrameMode + kOutputOffset, static_cast<uint8_t>(mode));
    send_card_command(kCmdPrepareOutput);
    poke_card_byte(smpte_card_selector, kInputHours + kOutputOffset, static_cast<uint8_t>(at.hours));
    poke_card_byte(smpte_card_selector, kInputMinutes + kOutputOffset, static_cast<uint8_t>(at.minutes));
    poke_card_byte(smpte_card_selector, kInputSeconds + kOutputOffset, static_cast<uint8_t>(at.seconds));
    poke_card_byte(smpte_card_selector, kInputFrames + kOutputOffset, static_cast<uint8_t>(at.frames));
    send_card_command(kCmdLoadOutputTime);
    send_card_command(kCmdStartOutput);
}

// The time of a reading in seconds; mode is always a valid frame mode.
double timecode_seconds(const SmpteReading& r, int mode) {
    const double frame_s = mode >= 0 && mode < kFrameModes ? kFrameDurationS[static_cast<size_t>(mode)] : 0.0;
    return r.hours * 3600.0 + r.minutes * 60.0 + r.seconds + r.frames * frame_s;
}

// Each run starts afresh: the time is the start time 00:00:00:00 and what
// the card's input registers hold now (a time of an earlier run) counts as
// read, so the first reading is the first frame that arrives from now on.
void start_from_zero() {
    last_smpte_reading = SmpteReading{};
    last_smpte_reading.counter = peek_card_word_for_test(smpte_card_selector, kFrameCounter);
}

SmpteReading read_reading() {
    SmpteReading r;
    read_smpte_input(r.hours, r.minutes, r.seconds, r.frames, r.mode);
    return r;
}

void draw_direction_label(Direction direction, int mode) {
    const std::string_view mode_name = mode >= 0 && mode < kFrameModes ? kFrameModeNames[static_cast<size_t>(mode)] : "";
    char label[40] = {};
    std::snprintf(label, sizeof label, "[%s - %.*s]", direction == kSmpteIn ? "SMPTE-IN" : "SMPTE-OUT",
                  static_cast<int>(mode_name.size()), mode_name.data());
    fill_solid(kRed, kLabelLeft, kTitleBarTop, kTitleBarRight, kTitleBarBottom);
    draw_text(kYellow, kLabelX, kTitleY, label);
}

void draw_reading_digits(const SmpteReading& r, int colour) {
    draw_timecode_digits_for_test(r.hours, r.minutes, r.seconds, r.frames, colour);
}

void clear_message_box() {
    platform::_setfillstyle(platform::kHatchFill, kBlue);
    platform::_bar(kMessageLeft, kMessageTop, kMessageRight, kMessageBottom);
}

std::string frame_line(std::string_view what, const SmpteReading& r) {
    char line[64] = {};
    std::snprintf(line, sizeof line, "%.*s %d . %d . %d . %d", static_cast<int>(what.size()), what.data(), r.hours,
                  r.minutes, r.seconds, r.frames);
    return line;
}

// The message when the time goes wrong: a bad step is shown with both
// readings and waits for a key; a frozen time only says so.
void report_bad_timecode(bool frozen, const SmpteReading& now_reading, const SmpteReading& previous) {
    fill_solid(kLightGreen, kMessageLeft, kMessageTop, kMessageRight, kMessageBottom);
    if (frozen) {
        draw_text(kRed, kMessageX, kMessageY, "TIMECODE DOESN'T CHANGE --> TESTING...");
        beep_tone(kBadBeepHz, kBadBeepMs);
        return;
    }
    draw_text(kRed, kMessageX, kMessageY, "BAD SMPTE-SIGNAL --> TESTING...");
    draw_reading_digits(now_reading, kCyan);
    draw_text(kRed, kMessageX, kThisFrameY, frame_line("This Frame", now_reading));
    draw_text(kRed, kMessageX, kPreviousFrameY, frame_line("Previous Frame", previous));
    draw_text(kRed, kMessageX, kPressKeyY, "PRESS ANY KEY ...");
    beep_tone(kBadBeepHz, kBadBeepMs);
    read_answer_key();
    clear_message_box();
}

// A PC key when one is waiting (an extended key's second byte), else -1.
int read_waiting_key() {
    if (platform::kbhit() == 0) return -1;
    const int key = platform::getch();
    return key == 0 ? platform::getch() : key;
}

struct SmpteTestState {
    Direction direction = kSmpteOut;
    int mode = 0;
    std::array<int, 2> results = {kNotTested, kNotTested};
    bool bad = false;
    int good_steps = 0;
    uint32_t last_change_ms = 0;
    SmpteReading previous;
    SmpteReading drawn;      // what the digits show now
    int drawn_colour = -1;   // -1: not drawn since the last message
};

bool same_time(const SmpteReading& a, const SmpteReading& b) {
    return a.hours == b.hours && a.minutes == b.minutes && a.seconds == b.seconds && a.frames == b.frames;
}

void judge_step(SmpteTestState& st, const SmpteReading& reading) {
    const double t = timecode_seconds(reading, st.mode);
    const double p = timecode_seconds(st.previous, st.mode);
    const uint32_t now_ms = read_card_clock_for_test();
    int& result = st.results[static_cast<size_t>(st.direction)];
    if (!st.bad) {
        if (t != p) st.last_change_ms = now_ms;
        const bool frozen = now_ms - st.last_change_ms >= kFrozenMs;
        if (frozen || t < p || t - p > kLargestStepS) {
            st.bad = true;
            st.good_steps = 0;
            result = 0;
            report_bad_timecode(frozen, reading, st.previous);
            st.drawn_colour = -1;
        } else if (t != p) {
            result = 1;
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
        clear_message_box();
        st.last_change_ms = now_ms;
        result = 1;
    }
}

void settle_and_read(SmpteTestState& st) {
    platform::delay_ms(kSettleMs);
    st.previous = read_reading();
}

void switch_direction(SmpteTestState& st) {
    if (st.direction == kSmpteOut) {
        send_card_command(kCmdStopOutput);
        st.direction = kSmpteIn;
        send_card_command(kCmdStartInput);
    } else {
        send_card_command(kCmdStopInput);
        st.direction = kSmpteOut;
        start_smpte_output(last_smpte_reading, st.mode);
    }
    draw_direction_label(st.direction, st.mode);
    settle_and_read(st);
}

void step_frame_mode(SmpteTestState& st, int delta) {
    st.mode = (st.mode + delta + kFrameModes) % kFrameModes;
    send_card_command(kCmdStopOutput);
    start_smpte_output(last_smpte_reading, st.mode);
    draw_direction_label(st.direction, st.mode);
    settle_and_read(st);
}

std::string_view smpte_result_text(const SmpteTestState& st) {
    if (st.results[kSmpteIn] == 0) return "ERROR : SMPTE-IN DOESN'T WORK!";
    if (st.results[kSmpteOut] == 0) return "ERROR : SMPTE-OUT DOESN'T WORK!";
    if (st.results[kSmpteIn] == kNotTested) return "ERROR : SMPTE-IN NOT TESTED!";
    if (st.results[kSmpteOut] == kNotTested) return "ERROR : SMPTE-OUT NOT TESTED!";
    return kTestOk;
}

}  // namespace

void detect_smpte_driver() {
    // Without a driver the interrupt leaves AX as it was: the probe value,
    // a segment with no card window behind it.
    platform::Regs probe;
    probe.set_ax(kDriverProbe);
    platform::int386(kDriverInterrupt, probe);

    platform::Regs map;
    map.set_ax(0x0002);
    map.set_bx(probe.ax());
    platform::int386(0x31, map);
    smpte_card_selector = map.carry ? 0 : map.ax();

    for (size_t i = 0; i < kSignature.size(); ++i) {
        const uint8_t c = peek_card_byte_for_test(smpte_card_selector, kSignatureCell + static_cast<uint32_t>(i));
        if (c != static_cast<uint8_t>(kSignature[i])) {
            smpte_card_selector = 0;
            return;
        }
    }
}

bool read_smpte_input(int& hours, int& minutes, int& seconds, int& frames, int& mode) {
    const uint16_t counter = peek_card_word_for_test(smpte_card_selector, kFrameCounter);
    const bool fresh = counter != 0 && counter != last_smpte_reading.counter;
    if (fresh) {
        last_smpte_reading.counter = counter;
        last_smpte_reading.hours = peek_card_byte_for_test(smpte_card_selector, kInputHours);
        last_smpte_reading.minutes = peek_card_byte_for_test(smpte_card_selector, kInputMinutes);
        last_smpte_reading.seconds = peek_card_byte_for_test(smpte_card_selector, kInputSeconds);
        last_smpte_reading.frames = peek_card_byte_for_test(smpte_card_selector, kInputFrames);
        last_smpte_reading.mode = peek_card_byte_for_test(smpte_card_selector, kInputFrameMode);
    }
    hours = last_smpte_reading.hours;
    minutes = last_smpte_reading.minutes;
    seconds = last_smpte_reading.seconds;
    frames = last_smpte_reading.frames;
    mode = last_smpte_reading.mode;
    return fresh;
}

void draw_timecode_frame() {
    constexpr std::array<std::string_view, 4> kTags = {"H", "M", "S", "F"};
    fill_solid(kDarkGrey, 213, 174, 427, 220);
    platform::_setcolor(kBlack);
    platform::_setfillstyle(platform::kSolidFill, kLightGrey);
    platform::_bar3d(215, 181, 422, 216, 3, 1);
    for (int i = 1; i <= 4; ++i) {
        platform::_setfillstyle(platform::kSolidFill, kBlack);
        platform::_bar3d(216 + 52 * (i - 1), 185, 210 + 52 * i, 215, 3, 1);
        fill_solid(kRed, 217 + 52 * (i - 1), 186, 223 + 52 * (i - 1), 194);
        draw_text(kYellow, 217 + 52 * (i - 1), 187, kTags[static_cast<size_t>(i - 1)]);
    }
}

void draw_timecode_digits_for_test(int hours, int minutes, int seconds, int frames, int colour) {
    const std::array<int, 4> values = {hours, minutes, seconds, frames};
    for (size_t pair = 0; pair < values.size(); ++pair) {
        char text[16] = {};
        std::snprintf(text, sizeof text, "%02d", values[pair]);
        for (size_t d = 0; d < 2; ++d) {
            platform::_setcolor(colour);
            const int digit = text[d] >= '0' && text[d] <= '9' ? text[d] - '0' : -1;
            draw_segment_digit(kDigitX[pair * 2 + d], kDigitY, kDigitWidth, kDigitHeight, digit);
        }
    }
}

void draw_segment_digit(int x, int y, int w, int h, int digit) {
    struct Segment {
        int x1, y1, x2, y2;
    };
    const int mid = y + h / 2;
    const std::array<Segment, kSegments> segments = {{
        {x, y, x + w, y},              // a
        {x + w, y, x + w, mid},        // b
        {x + w, mid, x + w, y + h},    // c
        {x, y + h, x + w, y + h},      // d
        {x, mid, x, y + h},            // e
        {x, y, x, mid},                // f
        {x, mid, x + w, mid},          // g
    }};
    const int lit_colour = platform::_getcolor();
    // A value that is no digit lights nothing.
    const std::string_view pattern = digit >= 0 && digit <= 9 ? kSegmentPatterns[static_cast<size_t>(digit)] : "0000000";
    platform::_setlinestyle(platform::kSolidLine, 0, platform::kThickWidth);
    for (size_t i = 0; i < segments.size(); ++i) {
        platform::_setcolor(pattern[i] == '1' ? lit_colour : kDarkGrey);
        platform::_line(segments[i].x1, segments[i].y1, segments[i].x2, segments[i].y2);
    }
    platform::_setlinestyle(platform::kSolidLine, 0, platform::kNormalWidth);
    platform::_setcolor(lit_colour);
}

bool test_smpte() {
    begin_test(kTestSmpte);
    if (smpte_card_selector == 0) {
        report_test_not_possible(kNotFound);
        return false;
    }
    draw_test_frame("", kTitleX, kStatus);
    fill_solid(kRed, kTitleBarLeft, kTitleBarTop, kTitleBarRight, kTitleBarBottom);
    draw_text(kWhite, kTitleX, kTitleY, "CHECKING SMPTE");

    SmpteTestState st;
    draw_direction_label(st.direction, st.mode);
    beep_tone(kStartBeepHz, kStartBeepMs);
    draw_timecode_frame();
    draw_timecode_digits_for_test(0, 0, 0, 0, kDarkGrey);
    start_from_zero();
    start_smpte_output(SmpteReading{}, st.mode);
    platform::delay_ms(kSettleMs);
    st.last_change_ms = read_card_clock_for_test();
    st.previous = last_smpte_reading;

    for (;;) {
        const SmpteReading reading = read_reading();
        judge_step(st, reading);
        if (reading.mode >= 0 && reading.mode < kFrameModes && reading.mode != st.mode) {
            st.mode = reading.mode;
            draw_direction_label(st.direction, st.mode);
        }
        // The same digits in the same colour are not drawn again.
        const int colour = st.bad ? kCyan : kLightCyan;
        if (colour != st.drawn_colour || !same_time(reading, st.drawn)) {
            draw_reading_digits(reading, colour);
            st.drawn = reading;
            st.drawn_colour = colour;
        }
        st.previous = reading;

        const int key = read_waiting_key();
        if (key == kEscKey) break;
        if (key == ' ') {
            switch_direction(st);
        } else if ((key == '+' || key == '-') && st.direction == kSmpteOut) {
            step_frame_mode(st, key == '+' ? 1 : -1);
        }
        platform::idle_poll();
    }

    send_card_command(st.direction == kSmpteOut ? kCmdStopOutput : kCmdStopInput);
    return finish_test(kTestSmpte, smpte_result_text(st));
}

}  // namespace hwtest
