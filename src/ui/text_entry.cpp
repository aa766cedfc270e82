#include "ui/text_entry.h"

#include <array>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "memcheck/memcheck.h"
#include "platform/graphics.h"
#include "platform/text_screen.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "runtime/main_loop.h"
#include "runtime/mouse_input.h"
#include "ui/helpers.h"

namespace ui {

namespace {

constexpr size_t kValueTextChars = 200;

// Character codes of the text field.
constexpr int kCharNone = 0;
constexpr int kCharBackspace = 8;
constexpr int kCharEnter = 13;
constexpr int kCharEsc = 27;
constexpr int kExtendedCharOffset = 800;
constexpr int kFirstNonText = 256;

// Fixture keys 1..26 type 'A'..'Z'; fixture keys 27 and 28 a backslash and a colon.
constexpr int16_t kLetterKeys = 26;
constexpr int16_t kBackslashKey = runtime::fixture_key(27);
constexpr int16_t kColonKey = runtime::fixture_key(28);

constexpr int kSmallClearTop = -1;
constexpr int kSmallClearBottom = 9;
constexpr int kLargeClearTop = 0;
constexpr int kLargeClearBottom = 17;
constexpr int kSmallCursorRow = 9;
constexpr int kLargeCursorRow = 19;

// Segments in the order of the table: top, upper right, lower right, bottom,
// lower left, upper left, middle.
constexpr int kSegments = 7;
constexpr std::array<const char*, 10> kSegmentTable = {
    "1111110", "0110000", "1101101", "1111001", "0110011", "1011011", "1011111", "1110000", "1111111", "1111011",
};

void draw_char_at(int x, int y, char character, uint8_t colour) {
    platform::_setcolor(colour);
    draw_value_text(static_cast<int16_t>(x), static_cast<int16_t>(y), "%1c", character);
}

void fill_cell_rows(int left, int right, int top, int bottom, uint8_t colour) {
    platform::_setcolor(colour);
    for (int row = top; row <= bottom; ++row) platform::_line(left, row, right, row);
}

void draw_cursor_line(int left, int width, int row, uint8_t colour) {
    platform::_setcolor(colour);
    platform::_line(left, row, left + width, row);
}

int cell_left(int16_t x, int16_t cell, int16_t cell_px) { return x + cell_px * cell; }

void draw_cursor(int16_t x, int16_t y, int16_t cell, uint8_t colour, uint8_t large) {
    if (large != 0) {
        draw_entry_cursor_large(x, y, cell, colour);
    } else {
        draw_entry_cursor_small(x, y, cell, colour);
    }
}

void erase_cursor(int16_t x, int16_t y, int16_t cell, uint8_t colour, uint8_t large) {
    if (large != 0) {
        erase_entry_cursor_large(x, y, cell, colour);
    } else {
        erase_entry_cursor_small(x, y, cell, colour);
    }
}

// A console key press as a character of the text field; 0 for the others.
int console_key_char(int16_t key) {
    if (key == runtime::KEY_ESC) return kCharEsc;
    if (key == runtime::KEY_ENTER) return kCharEnter;
    if (key >= runtime::KEY_FIXTURE_1 && key <= kLetterKeys) return 'A' + key - runtime::KEY_FIXTURE_1;
    if (key == kBackslashKey) return '\\';
    if (key == kColonKey) return ':';
    if (key == runtime::KEY_POINT) return '.';
    if (key == runtime::KEY_BACK) return kCharBackspace;
    if (key >= runtime::KEY_DIGIT_0 && key <= runtime::KEY_DIGIT_9) return '0' + key - runtime::KEY_DIGIT_0;
    return kCharNone;
}

// A PC key read straight from the keyboard; extended keys give 800 + code.
int read_pc_char() {
    runtime::input_pending_pc_key = 0;
    if (platform::kbhit() == 0) return kCharNone;  // only a queued release was pending
    const int c = platform::getch();
    if (c == 0) return kExtendedCharOffset + platform::getch();
    return c;
}

// Waits for the next event, with whatever was pending before dropped, and
// turns it into a character code.
int wait_text_char() {
    runtime::clear_input_pending_flags();
    runtime::mouse_buttons = runtime::kMouseNoButton;
    for (;;) {
        runtime::run_background();
        runtime::read_trackerball(0);
        if (runtime::mouse_buttons != runtime::kMouseNoButton || runtime::is_input_pending()) break;
    }
    const int16_t button = runtime::mouse_buttons;
    runtime::mouse_buttons = runtime::kMouseNoButton;
    if (button == runtime::kMouseLeft) return kCharEnter;
    if (button == runtime::kMouseRight) return kCharEsc;
    if (button == runtime::kMouseMiddle) return kCharNone;
    if (runtime::input_pending_pc_key != 0) return read_pc_char();
    int16_t key = 0;
    if (!runtime::get_key(&key)) return kCharNone;
    return console_key_char(key);
}

void end_text_leds() {
    runtime::set_key_led(runtime::KEY_ESC, runtime::LED_OFF);
    runtime::set_key_led(runtime::KEY_ENTER, runtime::LED_OFF);
}

bool is_text_char(int k) { return k != kCharNone && k != kCharBackspace && k != kCharEnter && k > 0 && k < kFirstNonText; }

}  // namespace

uint8_t edit_text_line(char* buffer, int16_t x, int16_t y, int16_t max_length, uint8_t background,
                       uint8_t foreground, uint8_t large) {
    runtime::set_key_led(runtime::KEY_ESC, runtime::LED_BLINK);
    runtime::set_key_led(runtime::KEY_ENTER, runtime::LED_BLINK);
    set_text_style(kEntryFont, platform::kHorizontalText, large != 0 ? kEntryLargeSize : kEntrySmallSize);
    const int16_t limit = max_length < 0 ? 0 : (max_length > kMaxTextLine ? kMaxTextLine : max_length);
    std::array<char, kMaxTextLine + 1> text{};
    int16_t p = 0;
    for (;;) {
        draw_cursor(x, y, p, foreground, large);
        int k = wait_text_char();
        erase_cursor(x, y, p, background, large);
        if (k == kCharBackspace && p >= 1) {
            --p;
            if (large != 0) {
                clear_entry_cell_large(x, y, p, background);
            } else {
                clear_entry_cell_small(x, y, p, background);
            }
            continue;
        }
        if (k == kCharEnter) {
            text[static_cast<size_t>(p)] = '\0';
            if (buffer != nullptr) {
                memcheck::mc_memcpy_at(buffer, text.data(), static_cast<size_t>(p) + 1, __FILE__, __LINE__,
                                       memcheck::mc_dest_size(buffer));
            }
            end_text_leds();
            return 1;
        }
        if (k == kCharEsc) {
            end_text_leds();
            return 0;
        }
        if (p < limit && is_text_char(k)) {
            if (k == ';') k = ':';
            const char c = static_cast<char>(std::toupper(k));
            if (large != 0) {
                draw_entry_char_large(x, y, p, c, foreground);
            } else {
                draw_entry_char_small(x, y, p, c, foreground);
            }
            text[static_cast<size_t>(p)] = c;
            ++p;
        }
    }
}

void draw_value_text(int16_t x, int16_t y, const char* format, ...) {
    std::array<char, kValueTextChars> text{};
    va_list args;
    va_start(args, format);
    std::vsnprintf(text.data(), text.size(), format, args);
    va_end(args);
    if (text[0] != '\0') platform::_outtextxy(x, y, text.data());
}

void draw_entry_char_small(int16_t x, int16_t y, int16_t cell, char character, uint8_t colour) {
    draw_char_at(cell_left(x, cell, kEntrySmallCell_px), y, character, colour);
}

void draw_entry_char_large(int16_t x, int16_t y, int16_t cell, char character, uint8_t colour) {
    draw_char_at(cell_left(x, cell, kEntryLargeCell_px), y, character, colour);
}

void clear_entry_cell_small(int16_t x, int16_t y, int16_t cell, uint8_t colour) {
    const int left = cell_left(x, cell, kEntrySmallCell_px);
    fill_cell_rows(left, left + kEntrySmallCell_px, y + kSmallClearTop, y + kSmallClearBottom, colour);
}

void clear_entry_cell_large(int16_t x, int16_t y, int16_t cell, uint8_t colour) {
    const int left = cell_left(x, cell, kEntryLargeCell_px);
    fill_cell_rows(left, left + kEntryLargeCell_px, y + kLargeClearTop, y + kLargeClearBottom, colour);
}

void draw_entry_cursor_small(int16_t x, int16_t y, int16_t cell, uint8_t colour) {
    draw_cursor_line(cell_left(x, cell, kEntrySmallCell_px), kEntrySmallCell_px, y + kSmallCursorRow, colour);
}

void draw_entry_cursor_large(int16_t x, int16_t y, int16_t cell, uint8_t colour) {
    draw_cursor_line(cell_left(x, cell, kEntryLargeCell_px), kEntryLargeCell_px, y + kLargeCursorRow, colour);
}

void erase_entry_cursor_small(int16_t x, int16_t y, int16_t cell, uint8_t colour) {
    draw_entry_cursor_small(x, y, cell, colour);
}

void erase_entry_cursor_large(int16_t x, int16_t y, int16_t cell, uint8_t colour) {
    draw_entry_cursor_large(x, y, cell, colour);
}

void draw_seven_segment_digit(int16_t x, int16_t y, int16_t width, int16_t height, uint8_t digit) {
    const int colour = platform::_getcolor();
    platform::_setlinestyle(platform::kSolidLine, 0, platform::kThickWidth);
    const int w = width;
    const int h = height;
    const int h2 = h / 2;
    if (digit < kSegmentTable.size()) {
        struct Segment {
            int x1, y1, x2, y2;
        };
        const std::array<Segment, kSegments> segments = {{
            {x + 3, y, x + w - 4, y},                             // top
            {x + w - 1, y + 3, x + w - 1, y + h2 - 4},            // upper right
            {x + w - 1, y + h2 + 2, x + w - 1, y + h - 4},        // lower right
            {x + 3, y + h - 1, x + w - 4, y + h - 1},             // bottom
            {x, y + h2 + 2, x, y + h - 4},                        // lower left
            {x, y + 3, x, y + h2 - 4},                            // upper left
            {x + 3, y + h2 - 1, x + w - 4, y + h2 - 1},           // middle
        }};
        const char* lit = kSegmentTable[digit];
        for (int s = 0; s < kSegments; ++s) {
            platform::_setcolor(lit[s] == '1' ? colour : kSegmentOffColour);
            const Segment& g = segments[static_cast<size_t>(s)];
            platform::_line(g.x1, g.y1, g.x2, g.y2);
        }
    } else if (digit == kSevenSegmentDot) {
        platform::_setcolor(colour);
        platform::_line(x, y + h - 1, x, y + h - 1);
    }
    platform::_setlinestyle(platform::kSolidLine, 0, platform::kNormalWidth);
    platform::_setcolor(colour);
}

}  // namespace ui
