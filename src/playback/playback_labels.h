// The playbacks' labels: the text, label and strip colours of each
// playback's fader widget, its flash-key LED and, for the wing playbacks
// 11..42, its wing LCD line; the three label modes and the selected
// playback's highlight.
#pragma once
#include <array>
#include <cstdint>

#include "playback/playback_state.h"

namespace playback {

// Label backgrounds: normal, and while a load or a linked cue waits.
constexpr int16_t kLabelNormal = 8;
constexpr int16_t kLabelPending = 7;

// 1 while a programming dialog works on the playback (its LED shows both colours).
extern std::array<uint8_t, kPlaybacks + 1> playback_programming;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_playback_labels_globals();

// The label mode of the mode flags: 0 memory name, 1 numbers, 2 fade and flash mode.
uint8_t playback_label_mode();

// Redraws playback p's label on background colour; full 1 also rebuilds its
// text (and wing line) in the present label mode.
void draw_playback_label(int16_t p, uint8_t full, int16_t colour);
// The selected playback's frame: 14 for colour 14, else 10.
void highlight_selected_playback(int16_t colour);

// Mode 0 -> 2 -> 1 -> 0, and 0 -> 1 -> 2 -> 0; every programmed label is rebuilt.
void cycle_playback_label_mode();
void cycle_playback_label_mode_forward();
// The selection moves up to 42 or down to 1.
void select_previous_playback();
void select_next_playback();

}  // namespace playback
