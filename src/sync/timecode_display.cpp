#include "sync/timecode_display.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "platform/fonts.h"
#include "platform/graphics.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "runtime/step_log.h"
#include "sync/cd_keys.h"
#include "sync/cd_requests.h"
#include "sync/sync_services.h"
#include "sync/timecode_clock.h"
#include "sync/timecode_player.h"
#include "sync/timecode_screen.h"
#include "ui/helpers.h"
#include "ui/text_entry.h"

namespace synchro {

namespace {

using namespace runtime::keys;
namespace colour = tc_colour;

constexpr int kDigits = 8;
constexpr int kPairs = 4;
constexpr double kDaySeconds = 86400.0;
// Digits of 15 x 25 pixels at y 379, two per box: hours, minutes, seconds, frames.
constexpr std::array<int16_t, kDigits> kDigitX = {17, 36, 69, 88, 121, 140, 173, 192};
constexpr int16_t kDigitY = 379;
constexpr int16_t kDigitWidth = 15;
constexpr int16_t kDigitHeight = 25;

// The CD line and its fields (x 6..213, y 429..441).
constexpr ScreenBox kCdLine = {6, 429, 213, 441};

// The keys that blink while a time is entered.
constexpr std::array<int16_t, 15> kEntryKeys = {
    KEY_LAST, KEY_NEXT, KEY_ESC, KEY_DEL, KEY_ENTER, KEY_DIGIT_0, KEY_DIGIT_0 + 1, KEY_DIGIT_0 + 2,
    KEY_DIGIT_0 + 3, KEY_DIGIT_0 + 4, KEY_DIGIT_0 + 5, KEY_DIGIT_0 + 6, KEY_DIGIT_0 + 7, KEY_DIGIT_0 + 8,
    KEY_DIGIT_9};

// The digit pairs last drawn and their colour; colour -1: none drawn.
struct DrawnDigits {
    std::array<std::array<char, 2>, kPairs> pairs{};
    int16_t colour = -1;
};
DrawnDigits drawn;

// Where the CD line's current-track field starts (set by a full draw).
int16_t cd_track_field_x = kCdLine.right;

void draw_digit(int position, int digit, int16_t colour) {
    platform::_setcolor(colour);
    ui::draw_seven_segment_digit(kDigitX[static_cast<size_t>(position)], kDigitY, kDigitWidth, kDigitHeight,
                                 static_cast<uint8_t>(digit));
}

bool list_runs() { return timecode_mode == kTimecodePlay || timecode_mode == kTimecodeRecord; }

int16_t digits_colour() {
    const bool locked = timecode_player.unlocked == 0;
    return list_runs() && locked && cd_keys_active == 0 ? colour::kLightCyan : colour::kCyan;
}

bool cd_line_shown() { return timecode_source == kTimecodeSourceCdrom; }

void draw_cd_track_field() {
    char text[8];
    std::snprintf(text, sizeof text, "%d", cd_state.disc_ready != 0 ? cd_state.current_track : 0);
    draw_line_field(kCdLine, cd_track_field_x, kCdLine.right, colour::kMagenta, text);
}

// The eight digits of display_time: two each for hours, minutes, seconds, frames.
std::array<int, kDigits> split_into_digits(double t) {
    int16_t hh = 0, mm = 0, ss = 0, ff = 0;
    split_timecode(t, hh, mm, ss, ff);
    const std::array<int, kPairs> pairs = {hh, mm, ss, ff};
    std::array<int, kDigits> digits{};
    for (int p = 0; p < kPairs; ++p) {
        const int v = std::clamp(pairs[static_cast<size_t>(p)], 0, 99);
        digits[static_cast<size_t>(2 * p)] = v / 10;
        digits[static_cast<size_t>(2 * p + 1)] = v % 10;
    }
    return digits;
}

void draw_entry_digits(const std::array<int, kDigits>& digits, int position) {
    if (!timecode_screen_open() || timecode_source == kTimecodeSourceManual) return;
    for (int i = 0; i < kDigits; ++i) {
        draw_digit(i, digits[static_cast<size_t>(i)], i + 1 == position ? colour::kWhite : colour::kCyan);
    }
}

double entered_seconds(const std::array<int, kDigits>& d) {
    const auto pair = [&d](int p) {
        return static_cast<int16_t>(d[static_cast<size_t>(2 * p)] * 10 + d[static_cast<size_t>(2 * p + 1)]);
    };
    return std::clamp(convert_timecode_to_seconds(pair(0), pair(1), pair(2), pair(3)), 0.0, kDaySeconds);
}

void set_entry_leds(uint8_t state) {
    for (const int16_t key : kEntryKeys) runtime::set_key_led(key, state);
}

}  // namespace

void reset_timecode_display_globals() {
    drawn = {};
    cd_track_field_x = kCdLine.right;
}

void forget_drawn_digits() { drawn.colour = -1; }

bool timecode_screen_open() { return (runtime::option_flags & runtime::OPT_TIMECODE_SCREEN) != 0; }

void draw_timecode_digits(double t) {
    display_time = t;
    // The MANUAL source shows the LAST/NEXT panel in place of the digits.
    if (!timecode_screen_open() || timecode_source == kTimecodeSourceManual) return;
    int16_t hh = 0, mm = 0, ss = 0, ff = 0;
    split_timecode(t, hh, mm, ss, ff);
    const std::array<int16_t, kPairs> values = {hh, mm, ss, ff};
    const int16_t colour = digits_colour();
    for (int p = 0; p < kPairs; ++p) {
        char text[8];
        std::snprintf(text, sizeof text, "%02d", std::clamp<int>(values[static_cast<size_t>(p)], 0, 99));
        std::array<char, 2>& kept = drawn.pairs[static_cast<size_t>(p)];
        if (timecode_mode != kTimecodeIdle && kept[0] == text[0] && kept[1] == text[1] && colour == drawn.colour) {
            continue;
        }
        draw_digit(2 * p, text[0] - '0', colour);
        draw_digit(2 * p + 1, text[1] - '0', colour);
        kept = {text[0], text[1]};
    }
    drawn.colour = colour;
}

int16_t edit_start_time() {
    set_entry_leds(runtime::LED_BLINK);
    if (cd_keys_active != 0) {
        const CdTime& p = cd_state.trigger_time;
        display_time = p.minutes * 60.0 + p.seconds + p.frames / static_cast<double>(kCdFramesPerSecond);
    }
    std::array<int, kDigits> digits = split_into_digits(display_time);
    int position = 1;
    int16_t key = 0;
    for (;;) {
        draw_entry_digits(digits, position);
        key = 0;
        if (!runtime::get_key(&key)) continue;
        if (key >= KEY_DIGIT_0 && key <= KEY_DIGIT_9) {
            digits[static_cast<size_t>(position - 1)] = key - KEY_DIGIT_0;
            position = position == kDigits ? 1 : position + 1;
        } else if (key == KEY_DEL) {
            digits.fill(0);
        } else if (key == KEY_LAST) {
            if (position > 1) --position;
        } else if (key == KEY_NEXT) {
            if (position < kDigits) ++position;
        } else if (key == KEY_ESC || key == KEY_COPY || key == KEY_ENTER ||
                   (key >= KEY_PLAY && key <= KEY_TIMECODE_MODE)) {
            break;
        }
    }
    display_time = entered_seconds(digits);
    if (timecode_source == kTimecodeSourceCdrom && cd_state.disc_ready != 0) {
        place_cd_at(display_time, true);
        if (cd_keys_active != 0) {
            cd_state.trigger_time = cd_state.current_position;
            cd_state.trigger_track = cd_state.current_track;
        }
    }
    forget_drawn_digits();
    draw_timecode_digits(display_time);
    set_entry_leds(runtime::LED_OFF);
    return key;
}

void draw_timecode_clock(bool full) {
    runtime::log_call("synchro::draw_timecode_clock", {full ? 1 : 0});
    if (!timecode_screen_open()) return;
    use_line_font();
    if (!cd_line_shown()) {
        ui::fill_box(kCdLine.left, kCdLine.top, kCdLine.right, kCdLine.bottom, colour::kDarkGrey);
        return;
    }
    if (!full) {
        draw_cd_track_field();
        return;
    }
    const bool disc = cd_state.disc_ready != 0;
    const CdTime& end = cd_state.disc_end;
    char length[24];
    std::snprintf(length, sizeof length, "%02d:%02d:%02d:%02d", disc ? end.minutes / 60 : 0,
                  disc ? end.minutes % 60 : 0, disc ? end.seconds : 0, disc ? end.frames : 0);
    char tracks[8];
    std::snprintf(tracks, sizeof tracks, "%d", disc ? cd_state.track_count : 0);
    int16_t x = draw_line_field(kCdLine, kCdLine.left, 0, colour::kBlue, "CD:");
    x = draw_line_field(kCdLine, x, 0, colour::kMagenta, length);
    x = draw_line_field(kCdLine, x, 0, colour::kBlue, "#TR. :");
    x = draw_line_field(kCdLine, x, 0, colour::kMagenta, tracks);
    x = draw_line_field(kCdLine, x, 0, colour::kBlue, "TR.:");
    cd_track_field_x = x;
    draw_cd_track_field();
}

}  // namespace synchro
