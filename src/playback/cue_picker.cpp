#include "playback/cue_picker.h"

#include <cstdio>

#include "platform/graphics.h"
#include "playback/commands.h"
#include "playback/cue_tables.h"
#include "playback/playback_jobs.h"
#include "runtime/config_records.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "ui/helpers.h"
#include "ui/message_line.h"
#include "ui/panel_modes.h"

namespace playback {

std::array<char, 48> cue_status_text{};

namespace {

using namespace runtime::keys;

constexpr int16_t kGreen = 2;
constexpr int16_t kRed = 4;
constexpr int16_t kLightGrey = 7;
constexpr int16_t kStrokedFont = 2;
constexpr int16_t kStatusTextSize = 5;
constexpr int16_t kPanelTextSize = 4;
constexpr int kRunningNumberLimit = 1000;
constexpr int16_t kPickerPanelKey = KEY_PANEL_2;

bool cue_screen_on() { return (runtime::mode_flags & runtime::MODE_CUE_SCREEN) != 0; }
bool is_digit_key(int16_t key) { return key >= KEY_DIGIT_0 && key <= KEY_DIGIT_9; }
bool is_cue_key(int16_t key) { return key >= KEY_FIXTURE_1 && key <= KEY_FIXTURE_70; }
bool is_cue_page_key(int16_t key) { return key >= KEY_GROUP_1 && key <= KEY_GROUP_16; }

void show_status(const CuePickerSetup& setup, const CuePosition& position) {
    const CueStatusDrawer draw = setup.draw_status != nullptr ? setup.draw_status : draw_cue_position_status;
    draw(position.page, position.cue, position.point);
}

bool enterable(const CuePosition& position) {
    return position.cue != kNoPickedCue && position.page >= 1 && position.page <= kCuePages && position.cue >= 1 &&
           position.cue <= kCuesPerPage;
}

// The picker's keys: ENTER, ESC and the digits offered; the point key while
// a point can be given, lit while one is pending.
void light_picker_keys(const CuePosition& position, bool point_pending) {
    runtime::set_key_led(KEY_ENTER, runtime::LED_BLINK);
    runtime::set_key_led(KEY_ESC, runtime::LED_BLINK);
    for (int d = 0; d <= 9; ++d) runtime::set_key_led(digit_key(d), runtime::LED_BLINK);
    uint8_t point_led = runtime::LED_OFF;
    if (point_pending) point_led = runtime::LED_ON;
    else if (position.cue != kNoPickedCue) point_led = runtime::LED_BLINK;
    runtime::set_key_led(KEY_POINT, point_led);
}

}  // namespace

void reset_cue_picker_globals() { cue_status_text = {}; }

void draw_cue_position_status(int16_t page, int16_t cue, int16_t point) {
    if (cue < 1) {  // none chosen (-1, or 0 from the numeric cue selection)
        std::snprintf(cue_status_text.data(), cue_status_text.size(), "P %d", page);
    } else {
        const int running = (page - 1) * kCuesPerPage + cue;
        std::snprintf(cue_status_text.data(), cue_status_text.size(), "P %d C %d.%d  R %d.%d", page, cue, point - 1,
                      running, point - 1);
    }
    ui::fill_box(40, 299, 220, 314, kGreen);
    ui::set_text_style(kStrokedFont, platform::kHorizontalText, kStatusTextSize);
    platform::_setcolor(kRed);
    platform::_outtextxy(45, 302, cue_status_text.data());
    ui::set_text_style(kStrokedFont, platform::kHorizontalText, kPanelTextSize);
}

CuePosition type_running_number_digit(const CuePosition& position, bool first_digit, int digit) {
    int number = digit;
    if (!first_digit) {
        const int running = position.cue == kNoPickedCue ? 0 : (position.page - 1) * kCuesPerPage + position.cue;
        if (running >= kRunningNumberLimit) return position;
        number = 10 * running + digit;
    }
    CuePosition typed;
    typed.point = 1;
    if (number == 0) {
        typed.page = position.page;
        typed.cue = kNoPickedCue;
        return typed;
    }
    typed.page = static_cast<int16_t>((number - 1) / kCuesPerPage + 1);
    typed.cue = static_cast<int16_t>(number - (typed.page - 1) * kCuesPerPage);
    return typed;
}

CuePick run_cue_picker(const CuePickerSetup& setup) {
    runtime::set_key_led(KEY_ESC, runtime::LED_BLINK);
    if (!cue_screen_on()) refresh_cue_mode();
    if (setup.box_word != nullptr) {
        ui::fill_box(2, 299, 220, 314, kRed);
        ui::set_text_style(kStrokedFont, platform::kHorizontalText, kPanelTextSize);
        platform::_setcolor(kLightGrey);
        platform::_outtextxy(5, 302, setup.box_word);
    }

    CuePosition position;
    position.page = static_cast<int16_t>(
        runtime::cue_screen_page >= 1 && runtime::cue_screen_page <= kCuePages ? runtime::cue_screen_page : 1);

    bool point_pending = false;
    bool typing = false;
    int16_t blinking_key = 0;
    uint8_t blinking_key_former_led = runtime::LED_OFF;
    const auto give_back_blinking_key = [&]() {
        if (blinking_key != 0) runtime::set_key_led(blinking_key, blinking_key_former_led);
        blinking_key = 0;
    };
    const auto choose_cue = [&](int16_t key) {
        position.cue = key;
        position.point = 1;
        point_pending = false;
        typing = false;
        give_back_blinking_key();
        blinking_key = key;
        blinking_key_former_led = runtime::key_led_cache[static_cast<size_t>(key)];
        runtime::set_key_led(key, runtime::LED_BLINK);
    };
    const auto type_digit = [&](int digit) {
        position = type_running_number_digit(position, !typing, digit);
        typing = true;
        point_pending = false;
    };

    if (is_cue_key(setup.first_cue)) choose_cue(setup.first_cue);
    else if (setup.first_digit >= 0 && setup.first_digit <= 9) type_digit(setup.first_digit);
    show_status(setup, position);
    ui::show_message("%s", setup.message);

    CuePick pick;
    for (;;) {
        light_picker_keys(position, point_pending);
        int16_t key = 0;
        if (!runtime::get_key(&key)) continue;
        if (key == KEY_ENTER) {
            if (enterable(position) || setup.refusal != CueEntryRefusal::keep_reading) break;
            continue;
        }
        if (key == KEY_ESC) {
            give_back_blinking_key();
            return pick;
        }
        if (is_cue_page_key(key)) {
            position = {static_cast<int16_t>(key - KEY_GROUP_1 + 1), kNoPickedCue, position.point};
            point_pending = false;
            typing = false;
            show_cue_page(position.page);
            show_status(setup, position);
        } else if (is_cue_key(key)) {
            choose_cue(key);
            show_status(setup, position);
        } else if (key == KEY_POINT) {
            point_pending = true;
        } else if (key == kPickerPanelKey) {
            if (!cue_screen_on()) refresh_cue_mode();
            ui::handle_panel_key(key);
        } else if (is_digit_key(key)) {
            const int digit = key - KEY_DIGIT_0;
            if (point_pending && position.cue != kNoPickedCue) {
                position.point = static_cast<int16_t>(digit + 1);
                point_pending = false;
            } else {
                type_digit(digit);
            }
            show_status(setup, position);
        }
    }

    give_back_blinking_key();
    if (!enterable(position)) {
        if (setup.refusal == CueEntryRefusal::beep_and_leave) ui::beep_interruptible(400, 800);
        return pick;
    }
    ui::beep_interruptible(800, 150);
    pick.entered = true;
    pick.position = position;
    return pick;
}

}  // namespace playback
