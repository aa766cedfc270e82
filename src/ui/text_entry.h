// Text-entry fields and the drawing primitives they share with the numeric
// entry dialogs.
//
// An entry field is a row of fixed cells starting at (x, y): small cells are
// 6 pixels wide (font 2, horizontal, size 4), large cells 12 pixels wide
// (font 2, horizontal, size 7). Every primitive sets the drawing colour to
// its colour and leaves it so.
//
// Also here: draw_value_text, formatted text at a point, and
// draw_seven_segment_digit for the timecode and CD time read-outs.
#pragma once
#include <cstdint>

#include "runtime/key_codes.h"

namespace ui {

// Font and sizes of the entry cells.
constexpr int16_t kEntryFont = 2;
constexpr int16_t kEntrySmallSize = 4;
constexpr int16_t kEntryLargeSize = 7;
constexpr int16_t kEntrySmallCell_px = 6;
constexpr int16_t kEntryLargeCell_px = 12;

// The longest text edit_text_line takes; a larger maximum is cut to it.
constexpr int16_t kMaxTextLine = 255;

// The drawing colour of the segments that are off.
constexpr uint8_t kSegmentOffColour = 8;
// The digit that draws only the decimal dot.
constexpr uint8_t kSevenSegmentDot = 10;

// Lets the operator type a line of text into the field at (x, y): PC keys,
// the first 26 fixture keys as 'A'..'Z', key 27 as '\', key 28 as ':', the
// digits, POINT as '.' and BACK; letters become capitals and ';' a ':'.
// The field starts empty. 1 on ENTER (or the left trackerball button): the
// text, at most max_length characters, is in buffer, terminated; buffer must
// hold max_length + 1 characters. 0 on ESC (or the right button): buffer is
// left as it was.
uint8_t edit_text_line(char* buffer, int16_t x, int16_t y, int16_t max_length, uint8_t background,
                       uint8_t foreground, uint8_t large);

// Formats into a 200-character buffer (cut there) and, when the text is not
// empty, writes it at (x, y) in the current colour and text style.
void draw_value_text(int16_t x, int16_t y, const char* format, ...) __attribute__((format(printf, 3, 4)));

// The character in cell `cell` of a field.
void draw_entry_char_small(int16_t x, int16_t y, int16_t cell, char character, uint8_t colour);
void draw_entry_char_large(int16_t x, int16_t y, int16_t cell, char character, uint8_t colour);
// Fills cell `cell`: small rows y - 1 .. y + 9, large rows y .. y + 17.
void clear_entry_cell_small(int16_t x, int16_t y, int16_t cell, uint8_t colour);
void clear_entry_cell_large(int16_t x, int16_t y, int16_t cell, uint8_t colour);
// The cursor line under cell `cell`: small at row y + 9, large at y + 19.
// The erasers draw the same line; callers pass the background colour.
void draw_entry_cursor_small(int16_t x, int16_t y, int16_t cell, uint8_t colour);
void draw_entry_cursor_large(int16_t x, int16_t y, int16_t cell, uint8_t colour);
void erase_entry_cursor_small(int16_t x, int16_t y, int16_t cell, uint8_t colour);
void erase_entry_cursor_large(int16_t x, int16_t y, int16_t cell, uint8_t colour);

// One digit 0..9 in seven thick segments in a width x height box at (x, y):
// lit segments in the current colour, the others dark grey. Digit 10 draws
// only a thick dot at the bottom left; other digits draw nothing. The line
// style ends solid and thin, the colour as it was.
void draw_seven_segment_digit(int16_t x, int16_t y, int16_t width, int16_t height, uint8_t digit);

}  // namespace ui
