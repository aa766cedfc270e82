// The sequence engine: once per poll it steps the four sequences (timer,
// sound beat, tap tempo, GO, the manual crossfade control, SYNC groups),
// loads each new step's memory into its step buffers and advances the
// crossfade progress that the live layer reads. (Least bodies until the
// engine is built: they record their arguments.)
#pragma once
#include <cstdint>

namespace playback {

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
