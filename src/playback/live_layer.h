// The live layer (layer 0) from the step sources: sequences 1..4 and the
// point-cue fade (source 5). For one function record, generator byte or
// figure byte it decides which source sets layer 0 and with what value, and
// it keeps the fading lists of the elements that must be recomputed each
// poll. (Least bodies until the live layer is built: they record their
// arguments.)
#pragma once
#include <cstdint>

namespace playback {

// Every global of this module back to its value at program load (a clean start for each test).
void reset_live_layer_globals();

// Non-dimmer function record 1..n (8-bit, or the coarse half of a 16-bit pair).
void compute_layer_zero_channel(int16_t record);
// Dimmer function record 1..n: highest or latest takes precedence.
void compute_layer_zero_dimmer(int16_t record);
// Generator byte 1..6n.
void compute_layer_zero_sub_attribute(int32_t sub_attribute);
// Figure byte 1..7000.
void compute_layer_zero_extra(int32_t extra);
// The per-record fade modes of sequence 1..4's current step.
void build_step_fade_modes(int16_t sequence);
// Decides from scratch which elements fade (1: recompute every poll, 2: only
// step the point-cue phase machine).
void rebuild_fading_channel_list();
// The runner's element pass: every element of the flagged fixtures whose
// fading byte is set is stepped or recomputed; true when any point-cue state
// changed (the lists are then rebuilt).
bool run_fading_elements();

}  // namespace playback
