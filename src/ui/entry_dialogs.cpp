#include "ui/entry_dialogs.h"

#include <array>
#include <cctype>
#include <cstdio>

#include "platform/graphics.h"
#include "programmer/fixture_pages.h"
#include "runtime/config_records.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "runtime/main_loop.h"
#include "runtime/mouse_input.h"
#include "runtime/step_log.h"
#include "ui/helpers.h"
#include "ui/panel_modes.h"
#include "ui/panels.h"
#include "ui/text_entry.h"

namespace ui {

namespace {

// The step-value cursor is drawn this far left of and above the usual place.
constexpr int16_t kStepCursorShift_px = 3;

enum class Variant { plain, memory, step, fixture };

// Keys blinking while the field is open, and their states from before.
constexpr int kMaxBlinkKeys = 20;
struct SavedLeds {
    std::array<int16_t, kMaxBlinkKeys> keys{};
    std::array<uint8_t, kMaxBlinkKeys> states{};
    int count = 0;
};

struct Field {
    int16_t x = 0;
    int16_t y = 0;
    int16_t max_digits = 0;
    uint8_t background = 0;
    uint8_t foreground = 0;
    uint8_t large = 0;
    int16_t cursor_shift_px = 0;
    std::array<char, kMaxEntryDigits + 1> text{};
    int16_t count = 0;
};

void blink_key(SavedLeds& leds, int16_t key) {
    if (leds.count >= kMaxBlinkKeys) return;
    leds.keys[static_cast<size_t>(leds.count)] = key;
    leds.states[static_cast<size_t>(leds.count)] = runtime::key_led_cache[static_cast<size_t>(key)];
    ++leds.count;
    runtime::set_key_led(key, runtime::LED_BLINK);
}

void restore_leds(const SavedLeds& leds) {
    for (int i = 0; i < leds.count; ++i) {
        runtime::set_key_led(leds.keys[static_cast<size_t>(i)], leds.states[static_cast<size_t>(i)]);
    }
}

void blink_common_keys(SavedLeds& leds) {
    for (int16_t key = runtime::KEY_DIGIT_0; key <= runtime::KEY_DIGIT_9; ++key) blink_key(leds, key);
    blink_key(leds, runtime::KEY_BACK);
    blink_key(leds, runtime::KEY_ESC);
    blink_key(leds, runtime::KEY_ENTER);
}

void draw_digit(const Field& f, int16_t cell, char c) {
    if (f.large != 0) {
        draw_entry_char_large(f.x, f.y, cell, c, f.foreground);
    } else {
        draw_entry_char_small(f.x, f.y, cell, c, f.foreground);
    }
}

void clear_cell(const Field& f, int16_t cell) {
    if (f.large != 0) {
        clear_entry_cell_large(f.x, f.y, cell, f.background);
    } else {
        clear_entry_cell_small(f.x, f.y, cell, f.background);
    }
}

void draw_cursor(const Field& f, uint8_t colour) {
    const int16_t cx = static_cast<int16_t>(f.x - f.cursor_shift_px);
    const int16_t cy = static_cast<int16_t>(f.y - f.cursor_shift_px);
    if (f.large != 0) {
        draw_entry_cursor_large(cx, cy, f.count, colour);
    } else {
        draw_entry_cursor_small(cx, cy, f.count, colour);
    }
}

void set_field_text_style(const Field& f) {
    set_text_style(kEntryFont, platform::kHorizontalText, f.large != 0 ? kEntryLargeSize : kEntrySmallSize);
}

void show_initial_value(Field& f, int16_t initial) {
    if (initial == kEntryCancelled) return;
    std::array<char, kMaxEntryDigits + 1> digits{};
    std::snprintf(digits.data(), digits.size(), "%d", initial);
    for (size_t i = 0; digits[i] != '\0' && f.count < kMaxEntryDigits; ++i) {
        draw_digit(f, f.count, digits[i]);
        f.text[static_cast<size_t>(f.count)] = digits[i];
        ++f.count;
    }
}

// Waits for a key press: the trackerball's left button gives ENTER, the
// right one ESC; releases are passed over.
int16_t wait_entry_key() {
    for (;;) {
        runtime::read_trackerball(0);
        runtime::run_background();
        if (runtime::mouse_buttons == runtime::kMouseLeft) return runtime::KEY_ENTER;
        if (runtime::mouse_buttons == runtime::kMouseRight) return runtime::KEY_ESC;
        if (runtime::is_input_pending()) {
            int16_t key = 0;
            if (runtime::get_key(&key)) return key;
        }
    }
}

// The memory variant's paging keys; true when the key was one of them.
bool page_memory_list(int16_t key, const Field& f) {
    if (key == runtime::KEY_PANEL_2) {
        if ((runtime::mode_flags & runtime::MODE_CUE_SCREEN) != 0) STEP(programmer::set_fixture_page(runtime::fixture_page));
        STEP(handle_panel_key(key));
    } else if ((key == runtime::KEY_PAGE_UP || key == runtime::KEY_PAGE_DOWN) &&
               (runtime::option_flags & runtime::OPT_MEMORY_LIST) != 0) {
        if (key == runtime::KEY_PAGE_UP) {
            STEP(show_previous_panel_page());
        } else {
            STEP(show_next_panel_page());
        }
    } else {
        return false;
    }
    set_field_text_style(f);  // the panel may have drawn text of its own
    return true;
}

bool ends_variant(Variant variant, int16_t key, uint8_t allow_full) {
    switch (variant) {
        case Variant::step:
            return key == runtime::KEY_POINT || key == runtime::KEY_EDIT_VALUE || key == runtime::KEY_SELECT_FUNCTIONS ||
                   (key == runtime::KEY_FULL && allow_full != 0);
        case Variant::fixture:
            return key == runtime::KEY_POINT || key == runtime::KEY_PLUS || key == runtime::KEY_MINUS ||
                   key == runtime::KEY_RANGE;
        case Variant::plain:
        case Variant::memory:
            return false;
    }
    return false;
}

// The loop the four dialogs share: returns the key that ended it (ENTER,
// ESC or one of the variant's own), with the digits typed in f.
int16_t run_entry(Field& f, Variant variant, uint8_t allow_full) {
    const int16_t max_digits = f.max_digits < kMaxEntryDigits ? f.max_digits : kMaxEntryDigits;
    for (;;) {
        draw_cursor(f, f.foreground);
        const int16_t key = wait_entry_key();
        draw_cursor(f, f.background);
        if (key == runtime::KEY_BACK) {
            if (f.count > 0) {
                --f.count;
                f.text[static_cast<size_t>(f.count)] = '\0';
                clear_cell(f, f.count);
            }
        } else if (key == runtime::KEY_ENTER || key == runtime::KEY_ESC || ends_variant(variant, key, allow_full)) {
            f.text[static_cast<size_t>(f.count)] = '\0';
            return key;
        } else if (variant == Variant::memory && page_memory_list(key, f)) {
            // the field stays open
        } else if (key >= runtime::KEY_DIGIT_0 && key <= runtime::KEY_DIGIT_9 && f.count < max_digits) {
            const char c = static_cast<char>('0' + key - runtime::KEY_DIGIT_0);
            draw_digit(f, f.count, c);
            f.text[static_cast<size_t>(f.count)] = c;
            ++f.count;
        }
    }
}

Field open_field(int16_t x, int16_t y, int16_t max_digits, uint8_t background, uint8_t foreground,
                 uint8_t large, int16_t cursor_shift_px) {
    Field f;
    f.x = x;
    f.y = y;
    f.max_digits = max_digits;
    f.background = background;
    f.foreground = foreground;
    f.large = large;
    f.cursor_shift_px = cursor_shift_px;
    set_field_text_style(f);
    return f;
}

// ENTER and ESC as edit_number answers them.
int16_t plain_result(int16_t key, const Field& f) {
    if (key == runtime::KEY_ESC) return kEntryCancelled;
    if (f.count == 0) return kEntryEmpty;
    return parse_int(f.text.data());
}

int16_t edit_plain(Variant variant, int16_t initial, int16_t x, int16_t y, int16_t max_digits, uint8_t background,
                   uint8_t foreground, uint8_t large) {
    Field f = open_field(x, y, max_digits, background, foreground, large, 0);
    SavedLeds leds;
    blink_common_keys(leds);
    show_initial_value(f, initial);
    const int16_t key = run_entry(f, variant, 0);
    restore_leds(leds);
    return plain_result(key, f);
}

}  // namespace

int16_t edit_number(int16_t initial, int16_t x, int16_t y, int16_t max_digits, uint8_t background,
                    uint8_t foreground, uint8_t large) {
    return edit_plain(Variant::plain, initial, x, y, max_digits, background, foreground, large);
}

int16_t edit_memory_number(int16_t initial, int16_t x, int16_t y, int16_t max_digits, uint8_t background,
                           uint8_t foreground, uint8_t large) {
    return edit_plain(Variant::memory, initial, x, y, max_digits, background, foreground, large);
}

int16_t edit_step_value(int16_t initial, int16_t x, int16_t y, int16_t max_digits, uint8_t background,
                        uint8_t foreground, uint8_t large, uint8_t allow_full, int16_t* exit_reason) {
    int16_t reason = kStepEnter;
    if (exit_reason != nullptr) *exit_reason = reason;
    Field f = open_field(x, y, max_digits, background, foreground, large, kStepCursorShift_px);
    SavedLeds leds;
    blink_common_keys(leds);
    blink_key(leds, runtime::KEY_POINT);
    blink_key(leds, runtime::KEY_SELECT_FUNCTIONS);
    if (allow_full != 0) blink_key(leds, runtime::KEY_FULL);
    show_initial_value(f, initial);
    const int16_t key = run_entry(f, Variant::step, allow_full);
    restore_leds(leds);
    int16_t result = 0;
    if (key == runtime::KEY_ENTER) {
        reason = f.count > 0 ? kStepEnter : kStepEmpty;
        if (f.count > 0) result = parse_int(f.text.data());
    } else if (key == runtime::KEY_ESC) {
        reason = kStepEscape;
    } else if (key == runtime::KEY_SELECT_FUNCTIONS) {
        reason = kStepFunctions;
    } else {
        reason = key == runtime::KEY_FULL ? kStepFull : kStepNext;
        result = parse_int(f.text.data());
    }
    if (exit_reason != nullptr) *exit_reason = reason;
    return result;
}

int16_t edit_fixture_value(int16_t initial, int16_t x, int16_t y, int16_t max_digits, uint8_t background,
                           uint8_t foreground, uint8_t large, uint8_t* exit_key) {
    if (exit_key != nullptr) *exit_key = kFixtureExitDone;
    Field f = open_field(x, y, max_digits, background, foreground, large, 0);
    SavedLeds leds;
    blink_common_keys(leds);
    runtime::set_key_led(runtime::KEY_PLUS, runtime::LED_BLINK);
    runtime::set_key_led(runtime::KEY_MINUS, runtime::LED_BLINK);
    runtime::set_key_led(runtime::KEY_RANGE, runtime::LED_BLINK);
    show_initial_value(f, initial);
    const int16_t key = run_entry(f, Variant::fixture, 0);
    restore_leds(leds);
    runtime::set_key_led(runtime::KEY_PLUS, runtime::LED_OFF);
    runtime::set_key_led(runtime::KEY_MINUS, runtime::LED_OFF);
    runtime::set_key_led(runtime::KEY_RANGE, runtime::LED_OFF);
    if (key == runtime::KEY_ENTER || key == runtime::KEY_ESC) return plain_result(key, f);
    if (key == runtime::KEY_POINT) {
        return f.count == 1 ? static_cast<int16_t>(kFixtureDigitBase + (f.text[0] - '0')) : kEntryCancelled;
    }
    uint8_t exit = kFixtureExitRange;
    if (key == runtime::KEY_PLUS) exit = kFixtureExitPlus;
    if (key == runtime::KEY_MINUS) exit = kFixtureExitMinus;
    if (exit_key != nullptr) *exit_key = exit;
    return parse_int(f.text.data());
}

int16_t parse_int(const char* text) {
    if (text == nullptr) return 0;
    const char* p = text;
    while (std::isspace(static_cast<unsigned char>(*p)) != 0) ++p;
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    constexpr int32_t kLimit = 32768;
    int32_t value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + (*p - '0');
        if (value > kLimit) value = kLimit;
    }
    if (negative) return static_cast<int16_t>(-value);
    return static_cast<int16_t>(value > INT16_MAX ? INT16_MAX : value);
}

namespace {
constexpr int16_t kTimeBoxLeft = 229, kTimeBoxTop = 180, kTimeBoxRight = 639, kTimeBoxBottom = 260;
}  // namespace

TimeEntryBox open_time_entry_box(const char* caption) {
    TimeEntryBox box;
    box.sequence_panel_shown = cover_sequence_panel();
    fill_box(kTimeBoxLeft, kTimeBoxTop, kTimeBoxRight, kTimeBoxBottom, 1);
    platform::_setcolor(15);
    platform::_rectangle(kTimeBoxLeft, kTimeBoxTop, kTimeBoxRight, kTimeBoxBottom);
    draw_bitmap_text(240, 190, 15, caption != nullptr ? caption : "");
    draw_bitmap_text(260, kTimeEntryFieldY, 15, "Min");
    draw_bitmap_text(380, kTimeEntryFieldY, 15, "Sec");
    draw_bitmap_text(500, kTimeEntryFieldY, 15, "mSec");
    return box;
}

void close_time_entry_box(const TimeEntryBox& box) {
    uncover_sequence_panel(box.sequence_panel_shown, kTimeBoxLeft, kTimeBoxTop, kTimeBoxRight, kTimeBoxBottom);
}

}  // namespace ui
