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

// Fields of a SequenceRecord's mode byte.
constexpr uint8_t kSequenceRunShift = 0, kSequenceSyncShift = 2, kSequenceTriggerShift = 4, kSequenceDirectionShift = 6;
constexpr uint8_t kSequenceFieldMask = 3;
constexpr uint8_t kTriggerAutomatic = 0, kTriggerManual = 1, kTriggerBeat = 2;
constexpr uint8_t kDirectionForward = 0, kDirectionBackward = 1, kDirectionBounce = 2, kDirectionRandom = 3;

constexpr uint8_t sequence_mode_field(uint8_t mode, uint8_t shift) {
    return static_cast<uint8_t>((mode >> shift) & kSequenceFieldMask);
}
constexpr uint8_t with_sequence_mode_field(uint8_t mode, uint8_t shift, uint8_t value) {
    return static_cast<uint8_t>((mode & ~(kSequenceFieldMask << shift)) | ((value & kSequenceFieldMask) << shift));
}

// What the commands reset and request and the engine (sequence_engine.h)
// reads and advances, per sequence 1..4.
struct SequenceRunState {
    uint8_t step_request = 0;      // 1: the engine steps this sequence in its next pass
    uint8_t go_request = 0;        // 0 none, 1 GO with a timed crossfade, 2 step without one
    uint8_t finishing = 0;         // 1: play straight on to the end memory, then stop
    int16_t step_position = 0;     // 0 before the start, 1..102 the step shown
    int16_t loop_counter = 0;
    int16_t bounce_direction = 0;  // 0 forward, 1 backward
    uint32_t wait_timer_ms = 0;
};

// The tapped tempo of a beat-triggered sequence.
struct SequenceTapTempo {
    uint8_t tap_count = 0;                   // 0..2 taps counted
    std::array<uint32_t, 2> tap_times_ms{};  // ms clock of the first and second tap
    uint32_t beat_period_ms = 0;
    uint32_t beat_timer_ms = 0;
    uint8_t beat_active = 0;                 // 1: the engine steps every beat period
};

extern std::array<SequenceRunState, kSequences + 1> sequence_run;
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
