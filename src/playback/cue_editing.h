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
void load_sequence_from_cue(int16_t slot, int16_t sequence, uint8_t freeze);
// Starts the cue's own fade; fade_in 0 keeps the cue's fade-in time.
void start_cue_fade(int16_t slot, uint16_t fade_in_tenths);

// Stores the programmer as the point cue's memory, with its default times.
void store_pointcue_with_defaults(int16_t cue, int16_t point, int16_t page);

// The editors the edit keys open.
void program_pointcue(int16_t mode, int16_t cue, int16_t point, int16_t page);
void program_sequence(int16_t sequence);
// The quick store of TO-MEM: the current memory appended as a step of
// sequence s of the live cue.
void program_sequence_from_memory_screen(int16_t sequence);
// The memory editor of the programming dialogs: memory m recalled into the
// programmer, changed with the ordinary keys until TO-MEM, store-next or ESC.
void choose_memory(int16_t memory);
void edit_cue_names();

}  // namespace playback
