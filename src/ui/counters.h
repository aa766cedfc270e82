// Counters, page titles and wheel mode: the small headers of the main
// screen. The free counters of memories, cue memories and cues; the title of
// the left panel ("FIXTURE-PAGE %d", or "CUE-PAGE %d" with its PREP and TRACE
// marks on the cue screen); the "CONTROL CHANNELS" title; the titles of
// sequences A to D; and the wheel mode (display_mode), that is what the
// trackerball and the belts drive, with its title highlight and key LEDs.
//
// Titles are in the 8 x 8 bitmap font; the counters in the small stroked
// font, size 4. Each is redrawn by whichever command changes what it shows.
#pragma once
#include <cstdint>

namespace ui {

// What the three counters count from.
constexpr int16_t kCounterMemories = 4000;
constexpr int16_t kCounterCueMemories = 2000;
constexpr int16_t kCounterCues = 11200;

// Wheel modes (display_mode).
constexpr int16_t WHEEL_MOUSE = 1;            // the trackerball moves the cursor over the fixture panel
constexpr int16_t WHEEL_CONTROL_CHANNELS = 2; // the control-channel faders
constexpr int16_t WHEEL_MASTERS = 3;
constexpr int16_t WHEEL_PLAYBACKS = 4;
constexpr int16_t WHEEL_SEQUENCE_A = 5;       // 5..8: sequences A to D
constexpr int16_t WHEEL_SEQUENCE_D = 8;

// The box of the three free counters (memories, cue memories, cues) above
// the lower-left frame.
void draw_free_counters();
// The single counters, also redrawn by the commands that store or clear.
void draw_free_memory_count(int16_t n);
void draw_free_cuemem_count(int16_t n);
void draw_free_cue_count(int16_t n);

// "CUE-PAGE %d" of the cue screen, with " PREP" and " TRACE" when the page's
// own mode, or the global setting it follows, is on.
void draw_cue_page_title(int16_t colour);
// "FIXTURE-PAGE %d". Colour 14 (wheel mode 1) also confines the mouse cursor
// to the fixture panel and shows it; any other colour frees and hides it.
void draw_fixture_page_title(int16_t colour);
void draw_control_channels_title();
// "SEQ-A".."SEQ-D" for sequence 1..4; only while the sequence panel is shown.
void draw_sequence_title(int16_t sequence, int16_t colour);

// The title and LEDs of the current wheel mode, unhighlighted.
void refresh_wheel_mode_display();
// Switches display_mode to mode 1..8 and moves the highlight; nothing when
// the mode is already selected.
void select_wheel_mode(int16_t mode);

}  // namespace ui
