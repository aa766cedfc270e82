// The three controls of each sequence 1..4 (crossfade, fade time, wait
// delay): their positions 0..255 and bars, the conversions between positions
// and times, the exchange with the console card's sequence control block
// (card control 3 (s - 1) + c: byte 0 the value, byte 1 the status), the
// trackerball and the typed times, and the sequence panel's read-outs,
// labels, bars, active-control frame and the selected sequence's key LEDs.
//
// A fade time or wait delay that was loaded from a cue or typed stays as it
// is: the control's position and bar are derived from it for display only,
// and the time is computed from a position only when the operator moves the
// control, so a store writes back exactly what was loaded or typed.
#pragma once
#include <array>
#include <cstdint>

#include "playback/playback_state.h"

namespace playback {

constexpr int kSequenceControls = 3;     // 1 crossfade, 2 fade time, 3 wait delay
constexpr int16_t kControlCrossfade = 1, kControlFadeTime = 2, kControlWaitDelay = 3;
constexpr int kStepLabelBytes = 10;      // 9 characters and the terminator
constexpr int kStepLabels = 3;           // step, fade time read-out, wait delay read-out

// Status bytes of a card control.
constexpr uint8_t kControlStatusSent = 0x00;      // value written by the console
constexpr uint8_t kControlStatusAck = 0x80;       // operator value taken
constexpr uint8_t kControlStatusEndStop = 0x55;   // the crossfade control reached its end stop
constexpr uint8_t kControlStatusOperator = 0xFF;  // new value from the operator

// Position 0..255 of each control, per sequence 1..4 and control 1..3 (index 0 unused).
extern std::array<std::array<uint16_t, kSequenceControls + 1>, kSequences + 1> sequence_control_positions;
// Height in pixels (0..85) of the bar last drawn for each control.
extern std::array<std::array<int16_t, kSequenceControls + 1>, kSequences + 1> sequence_control_bars;
// Per sequence 1..4: the step label (memory of the current step), the fade
// time read-out and the wait delay read-out.
using StepLabel = std::array<char, kStepLabelBytes>;
extern std::array<std::array<StepLabel, kStepLabels>, kSequences + 1> sequence_step_labels;
// 1 after the card reported the crossfade control at its end stop.
extern std::array<uint8_t, kSequences + 1> sequence_crossfade_armed;
// The millisecond clock of each sequence's last throttled crossfade write.
extern std::array<uint32_t, kSequences + 1> sequence_control_written_ms;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_sequence_controls_globals();

// Times in hundredths of a second and control positions 0..255.
uint16_t convert_position_to_fade_time(int32_t position);
uint16_t convert_position_to_wait_delay(int32_t position);
// The nearest position (0.5 rounds down), clamped to 0..255 for times the
// control cannot reach (above 60 s).
uint16_t convert_fade_time_to_position(uint16_t fade_time);
uint16_t convert_wait_delay_to_position(uint16_t wait_delay);

// Moves control 1..3 of sequence 1..4 by -delta (a move beyond 0..255 is
// ignored whole) and applies it: the bar, the card, and the crossfade
// progress or the time the new position stands for.
void set_sequence_control(int16_t sequence, int16_t control, int16_t delta);
// Control 2 or 3 shows the sequence's own time: the position and bar follow
// it, the time itself stays.
void show_sequence_time_on_control(int16_t sequence, int16_t control);
// The bar and the card follow the position of control c (the time or the
// progress it stands for is not taken from it): the engine's crossfade.
void follow_sequence_control(int16_t sequence, int16_t control);
// Sends position v of card control 1..12, throttled while a timed crossfade
// runs on a manual or beat sequence.
void write_sequence_control(int16_t card_control, uint8_t value);
// The per-poll read of the operator's moves on the card's controls.
void read_sequence_controls();

// Draws a change of control c's bar of sequence s (positive grows it) and
// adds the change to sequence_control_bars[s][c].
void draw_sequence_control_bar(int16_t change, int16_t sequence, int16_t control);
// The frame around the sequence's active control in colour.
void draw_sequence_control_marker(int16_t colour, int16_t sequence);
// The LEDs of the selected sequence's keys.
void update_sequence_leds(int16_t sequence);
// The step label of sequence 1..4 set to the memory number (0 for a sequence
// without steps), drawn and sent to the sequence's display.
void set_sequence_step_label(int16_t sequence, int32_t memory);
// The panel's frame of sequence 1..4 in yellow (programmed) or light blue.
void draw_sequence_frame(int16_t sequence);

}  // namespace playback
