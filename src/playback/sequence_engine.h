// The sequence engine: once per poll it steps the four sequences (timer,
// sound beat, tap tempo, GO, the manual crossfade control, SYNC groups),
// loads each new step's memory into its step buffers and advances the
// crossfade progress that the live layer reads.
//
// A sequence plays its live record (sequence_table[s]): step 1 the start
// memory, steps 2..n+1 the loop memories in the record's direction for its
// loop count (1001 endless), step 102 the end memory, then the linked cue.
// The run state below is indexed by sequence 1..4 (element 0 unused); the
// crossfade progress and its running mark are sequence_crossfade[s].
// Fade time and wait delay are hundredths of a second.
#pragma once
#include <array>
#include <cstdint>

#include "playback/playback_state.h"
#include "playback/sequence_controls.h"

namespace playback {

// Steps of a sequence.
constexpr int16_t kStepNotStarted = 0;
constexpr int16_t kStepStart = 1;
constexpr int16_t kStepEnd = 102;

// Progress of a complete crossfade.
constexpr uint32_t kCrossfadeComplete = 65535;


extern std::array<int16_t, kSequences + 1> sequence_current_memory;   // 0 none
extern std::array<int16_t, kSequences + 1> sequence_current_step;     // 0, 1, 2..n+1, 102
extern std::array<int16_t, kSequences + 1> sequence_previous_step;    // the step before (random direction)
extern std::array<uint8_t, kSequences + 1> sequence_step_fade_mode;   // 0..5, of the current step
extern std::array<uint8_t, kSequences + 1> sequence_advance_request;  // step in this poll
// 0 none, 1 GO or a tap-tempo beat, 2 a step set by the manual crossfade control.
extern std::array<uint8_t, kSequences + 1> sequence_go_request;
extern std::array<uint8_t, kSequences + 1> sequence_stop_request;     // go to the end step, then stop
extern std::array<uint8_t, kSequences + 1> sequence_crossfade_running_before;
extern std::array<int16_t, kSequences + 1> sequence_loops_done;
extern std::array<int16_t, kSequences + 1> sequence_bounce_backward;  // 0 forward, 1 backward
// The crossfade's anchor: progress, clock_ms and fade time when it was last anchored.
extern std::array<int32_t, kSequences + 1> sequence_fade_anchor_progress;
extern std::array<uint32_t, kSequences + 1> sequence_fade_anchor_time;
extern std::array<uint16_t, kSequences + 1> sequence_fade_anchor_fade_time;
extern std::array<uint32_t, kSequences + 1> sequence_wait_timer;      // ms since the crossfade completed
// Tap tempo, set by the tap handler.
extern std::array<uint32_t, kSequences + 1> sequence_tap_period;      // ms
extern std::array<uint32_t, kSequences + 1> sequence_tap_phase;       // ms
extern std::array<uint8_t, kSequences + 1> sequence_tap_valid;
extern std::array<uint32_t, kSequences + 1> sequence_last_beat_count; // of the sequence's sound band
extern std::array<uint8_t, kSequences + 1> sequence_sync_waiting;     // a SYNC member's wait delay runs
// Set with the cue recall: 1 = the sequence does not follow its linked cue.
extern std::array<uint8_t, kSequences + 1> sequence_transparent;
extern std::array<uint8_t, kSequences + 1> sequence_advanced_this_poll;

// The generator behind get_random_below (the C library's by default); a
// test puts its own in place.
using RandomSource = int (*)();
extern RandomSource random_source;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_sequence_engine_globals();

// The per-poll job.
void run_sequences();
// Moves sequence 1..4 to its next step and loads it.
void advance_sequence_step(int16_t sequence);
// The current image of step source 1..5 becomes the previous one and memory m
// the current one; threshold 1..70 picks a threshold table, 0 none.
void load_sequence_step(int16_t source, int16_t memory, int16_t threshold);
// Empties the step of source 1..5 (5: the point-cue fades).
void clear_sequence_step(uint8_t source);
// Advances the progress of sequence 1..4 from its fade time.
void update_sequence_crossfade(int16_t sequence);
// The key LEDs of the sequences, after the advance.
void update_sequence_go_leds();
// A pseudo-random integer 0..n-1 (0 when n is 0).
int32_t get_random_below(int32_t n);

}  // namespace playback
