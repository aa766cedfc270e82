// The message line: the box at the foot of the main screen where the console
// prompts and reports, mirrored to the console's 4 x 20 message display.
// When no dialog owns the line it shows the state of the current memory, or
// on the cue screen of the current cue.
#pragma once
#include <array>
#include <cstdint>
#include <string_view>

namespace ui {

constexpr int kMessageFormatChars = 100;  // a message is formatted into this many characters
constexpr int kMessageTextBytes = 80;     // at most 79 characters are shown and kept

// The text last drawn, zero-terminated. Other message writers (the fixture
// setup's own box) compare with it and write it, so a text they drew counts
// as shown here too.
extern std::array<char, kMessageTextBytes> last_message_text;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_message_line_globals();

// Formats the message (printf rules) and shows it in the box and on the
// message display, unless it equals the text shown. A message longer than
// 79 characters is cut to 79.
void show_message(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Redraws the empty box, forgets the text and shows the memory or cue state.
void clear_message();
// The state of the current memory or cue, while OPT_MEMORY_STATE_SHOWN is set.
void show_in_use_status();
// "MEMORY %d IS IN USE" or "MEMORY %d IS EMPTY".
void show_memory_in_use(int16_t memory);
// The state line of the cue slot of page 1..16, cue 1..70, point 1..10.
void show_cue_in_use(int16_t page, int16_t cue, int16_t point);
// The cue panel, then the cleared line with the cue state.
void redraw_cue_panel();

// The text the line shows now.
std::string_view current_message();

}  // namespace ui
