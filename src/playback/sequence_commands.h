// The sequence commands and the run state they share with the sequence
// engine: start and stop (with the finish to the end memory), GO, tap tempo,
// and the mode byte's fields (run state, SYNC, trigger, direction) of the
// live sequences 1..4. Direction, SYNC, trigger and GO are declared with the
// key groups (key_groups.h), which the key reader calls.
#pragma once
#include <array>
#include <cstdint>

#include "playback/playback_state.h"

namespace playback {

// The taps of a beat-triggered sequence's tempo counted so far; the third
// of three evenly spaced taps sets the engine's tap period.
struct SequenceTapTempo {
    uint8_t tap_count = 0;                   // 0..2 taps counted
    std::array<uint32_t, 2> tap_times_ms{};  // ms clock of the first and second tap
};

extern std::array<SequenceTapTempo, kSequences + 1> sequence_tempo;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_sequence_commands_globals();

// Starts a stopped sequence 1..4; on a running programmed one the first
// call lets it finish at its end memory and a second stops it at once.
// from_operator 1 records the timecode event.
void toggle_sequence_run(int16_t sequence, uint8_t from_operator);
// One tap of the tempo of sequence 1..4 at the millisecond clock: the third
// of three evenly spaced taps sets the beat period.
void tap_sequence_tempo(int16_t sequence);
// The same at a given clock reading (the clock the tap is measured by).
void tap_sequence_tempo_at(int16_t sequence, uint32_t now_ms);

// The selected sequence: 1..4 while the wheel is in a sequence mode, else 0.
int16_t selected_sequence();

}  // namespace playback
