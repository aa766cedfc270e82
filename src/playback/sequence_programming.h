// Sequence records between the cues and the live sequences: a cue's record
// loaded into live sequence 1..4, records stored into a cue (a learned MIDI
// code stays with the cue's entry), PROGRAM SEQUENCE on the edit record with
// its quick append, the append from the memory store, and the memory
// chooser of the programming dialogs.
#pragma once
#include <cstdint>

#include "playback/playback_state.h"

namespace playback {

// The working copy PROGRAM SEQUENCE edits, and the live record as it was
// when the dialog opened.
extern SequenceRecord sequence_edit_record;
extern SequenceRecord sequence_edit_backup;
// The dialog's cursor, kept from one opening to the next: the memory at the
// list's cursor, the cursor step 1..102 and the cursor row 1..12 (1 start,
// 2..10 the loop window with the cursor step on row 6, 11 end, 12 the sound
// triggering field).
extern int16_t sequence_dialog_memory;
extern int16_t sequence_dialog_step;
extern int16_t sequence_dialog_row;

constexpr uint16_t kNewSequenceFadeTime = 200;  // 2.00 s

// Every global of this module back to its value at program load (a clean start for each test).
void reset_sequence_programming_globals();

// The cue slot live sequence 1..4 was loaded from, 0 none.
int sequence_cue_origin(int16_t sequence);

// Loads (or clears) live sequence 1..4 from cue slot 1..11200's record;
// freeze 0 also takes its times, direction, SYNC and trigger.
void load_sequence_from_cue(int16_t slot, int16_t sequence, uint8_t freeze);
// Stores record r as sequence s of cue slot 1..11200 (or clears the entry
// when r is not programmed), keeping the entry's learned MIDI code, and saves it.
void store_sequence_in_cue(int16_t sequence, int32_t slot, const SequenceRecord& record);
// Key 229: every live sequence loaded from the live cue back into it, and
// the cue's transparency bytes.
void store_live_sequences_in_cue();

// From SELECT ITEM TO EDIT with a sequence key pressed while EDIT ITEM is
// held: a second press of the key appends the current memory at once,
// releasing EDIT ITEM opens the dialog.
void program_sequence(int16_t sequence);
// The quick store of TO-MEM: the current memory appended as a step of
// sequence s of the live cue.
void program_sequence_from_memory_screen(int16_t sequence);
// The memory editor of the programming dialogs: memory m recalled into the
// programmer, changed with the ordinary keys until TO-MEM, store-next or ESC.
void choose_memory(int16_t memory);

}  // namespace playback
