// The live layer (layer 0) from the step sources: sequences 1..4 and the
// point-cue fade (source 5). For one function record, generator byte or
// figure byte it decides which source sets layer 0 and with what value, and
// it keeps the fading lists of the elements that must be recomputed each
// poll.
//
// A source's images are runtime::sequence_step_buffers[src] (previous and
// current; current 65535 / 255 = the source does not define the element),
// its threshold bytes runtime::sequence_thresholds[src], its progress the
// sequence's crossfade (sources 1..4) or the element's point-cue phase
// machine (source 5), its fade mode sequence_channel_fade_modes (1..4) or the
// element's running point-cue fade mode (5). Sources are tried 1..5; the
// first that qualifies and defines the element wins, except for dimmers,
// where the highest (the lowest for an inverted dimmer) of the running
// sources wins unless a source in fade mode 4 or 5 takes the latest value.
// Element flag words: bits 5-8 the winning source, bit 4 the element's
// running point-cue fade; the dirty marks are set only on a change.
#pragma once
#include <array>
#include <cstdint>

#include "playback/playback_state.h"
#include "runtime/show_tables.h"

namespace playback {

// Per sequence 1..4 and function record 1..2048: the fade mode of the
// record in the sequence's current step (mode 5 expanded per fixture).
extern std::array<std::array<uint8_t, runtime::kShowRecords + 1>, kSequences + 1> sequence_channel_fade_modes;

// Per-fixture bits of runtime::cue_fade_lists.fixtures: which kinds of the
// fixture's elements have a non-zero fading byte.
constexpr uint8_t kFadingChannels = 1u << 0;
constexpr uint8_t kFadingSubAttributes = 1u << 1;
constexpr uint8_t kFadingExtras = 1u << 2;

// Fading bytes of runtime::cue_fade_lists.
constexpr uint8_t kFadingRecompute = 1;  // recompute layer 0 every poll
constexpr uint8_t kFadingHoldWait = 2;   // only step the point-cue phase machine (a HOLD link waits)

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
// fading byte is set is stepped or recomputed (parked and hand-set elements
// are left alone); true when any point-cue state changed (the lists are then
// rebuilt).
bool run_fading_elements();

}  // namespace playback
