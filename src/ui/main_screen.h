// The regions of the main screen that frame everything else: the status line
// with its mode indicators and free-memory field, and the lower-left frame,
// which shows either the logo and version (logo view) or, while cue timing
// is on, the five cue-time faders, the current cue times and the show-speed
// box (cue-timing view).
//
// Layout of the left column (inclusive corners, x 1..221):
//   status line      y 235..281   draw_status_line
//   memory/cue panel y 281..315   (cue panel)
//   free counters    y 315..342   (counters)
//   lower-left frame y 342..455   draw_main_frame
//   message line     y 455..479   (message line)
#pragma once
#include <cstdint>

namespace ui {

// Items of draw_mode_text.
constexpr int16_t MODE_TEXT_EDIT_MODE = 1;         // "Absolute", "Relative" or the fan shape
constexpr int16_t MODE_TEXT_FIXTURES_MANUAL = 2;   // mark of "Fixtures Manual"
constexpr int16_t MODE_TEXT_TRANSP_SEQ = 4;        // mark of "Transp. Seq"
constexpr int16_t MODE_TEXT_BELT_RESOLUTION = 5;   // "%d bit" with the given value
constexpr int16_t MODE_TEXT_CUEFADING = 6;         // mark of "Cuefading Active"
constexpr int16_t MODE_TEXT_TRACKERBALL = 7;       // "T-ball" red when the value is non-zero
constexpr int16_t MODE_TEXT_PLAYBACKS = 8;         // mark of "Plb"

// Colours that light and clear a mark.
constexpr int16_t kMarkOnColour = 12;
constexpr int16_t kMarkOffColour = 0;

// Shown for a cue time of this many tenths: "-", "INF", "-".
constexpr int16_t kInfiniteCueTime = 32000;

// The picture of the logo view's interior (2, 343)-(220, 454), taken the
// first time the logo view is drawn and put back afterwards; null until then
// or when its allocation failed.
extern uint8_t* frame_image;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_main_screen_globals();

void draw_main_frame();
void draw_speed_box();
void draw_current_times();
void draw_status_line();
// Redraws one indicator of the status line; colour is the mark colour, the
// belt resolution (item 5) or the trackerball card mode (item 7). Other
// items draw nothing.
void draw_mode_text(int16_t item, int16_t colour);
void draw_memory_percent();

}  // namespace ui
