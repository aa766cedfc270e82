// The sequence controls and their read-outs as the sequence panel shows
// them: the bar last drawn for each of the three controls of a sequence
// (crossfade, fade time, wait delay), the three read-out texts, and the
// drawers of the bars, of the active control's frame and of the selected
// sequence's key LEDs. (Least bodies until the sequence controls are built:
// they record their arguments and keep the bar bookkeeping.)
#pragma once
#include <array>
#include <cstdint>

#include "playback/playback_state.h"

namespace playback {

constexpr int kSequenceControls = 3;     // 1 crossfade, 2 fade time, 3 wait delay
constexpr int kStepLabelBytes = 10;      // 9 characters and the terminator
constexpr int kStepLabels = 3;           // step, fade time read-out, wait delay read-out

// Height in pixels of the bar last drawn, per sequence 1..4 and control 1..3
// (index 0 unused).
extern std::array<std::array<int16_t, kSequenceControls + 1>, kSequences + 1> sequence_control_positions;
// Per sequence 1..4: the step label (memory of the current step), the fade
// time read-out and the wait delay read-out.
using StepLabel = std::array<char, kStepLabelBytes>;
extern std::array<std::array<StepLabel, kStepLabels>, kSequences + 1> sequence_step_labels;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_sequence_controls_globals();

// Draws a change of control c's bar of sequence s (positive grows it) and
// adds the change to sequence_control_positions[s][c].
void draw_sequence_control_bar(int16_t change, int16_t sequence, int16_t control);
// Control k (1 crossfade, 2 fade time, 3 wait delay) of sequence s moved by
// minus delta while the result stays within 0..255.
void set_sequence_control(int16_t sequence, int16_t control, int16_t delta);
// Sends a control value to sequence belt n = 3 (s - 1) + k of the console.
void write_sequence_control(int16_t belt, int16_t value);
// The frame around the sequence's active control.
void draw_sequence_control_marker(int16_t colour, int16_t sequence);
// The per-poll read of the sequence controls (belts and the manual crossfade).
void read_sequence_controls();
// The LEDs of the selected sequence's keys.
void update_sequence_leds(int16_t sequence);

}  // namespace playback
