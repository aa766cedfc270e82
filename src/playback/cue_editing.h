// The cue, playback and sequence entry points that the screen's cue tools
// call: clearing parts of a cue, loading playbacks and sequences from a cue,
// starting a cue's fade, the time dialog, the point-cue store and the
// editors of playbacks, sequences, point cues and cue names. (Least bodies
// until the cues are built: each records its arguments.)
#pragma once
#include <cstdint>

#include "playback/playback_labels.h"
#include "playback/playback_loading.h"
#include "playback/playback_times.h"
#include "playback/program_playback.h"
#include "playback/cue_fades.h"
#include "playback/pointcue_programming.h"
#include "playback/sequence_programming.h"

namespace playback {

// What the time dialog answers until it is built: minutes * 600 + seconds *
// 10 + tenths, 63000 for ESC.
constexpr int32_t kTimeDialogEscape = 63000;
extern int32_t time_dialog_reply;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_cue_editing_globals();

// Clearing parts of cue slot 1..11200: the whole cue (its MIDI codes kept),
// its memory part, the part of sequence 1..4, the part of playback 1..42.
void clear_cue(int16_t slot);
void clear_cue_memory(int16_t slot);
void clear_cue_sequence(int16_t slot, int16_t sequence);
void clear_cue_playback(int16_t slot, int16_t playback);

// Loads (or clears) playback 1..42 or sequence 1..4 from the cue's snapshot;
// a sequence gets its freeze state.
void load_playback_from_cue(int16_t slot, int16_t playback);
// The editors the edit keys open.
void edit_cue_names();

}  // namespace playback
