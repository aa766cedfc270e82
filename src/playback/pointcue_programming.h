// The point-cue store: a cue slot's PointcueRecord (cue_tables.h) written
// from pointcue_edit_record, a new point memory given the lowest free cue
// memory, the pack buffer (memories::pack_buffer) written into a cue memory,
// and the quick store with the programmer's default times. PROGRAM POINTCUE
// itself is in program_pointcue.h.
#pragma once
#include <cstdint>

#include "playback/cue_tables.h"
#include "playback/program_pointcue.h"

namespace playback {

// A point memory still to be given a free cue memory by the next store.
constexpr int16_t kNewPointMemory = 5000;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_pointcue_programming_globals();

// The record without a point memory: it stays in use only for a linked cue.
void drop_point_memory(PointcueRecord& record);

// Stores record into cue slot 1..11200 (bit 0 set) or clears the slot's
// record (bit 0 clear; the slot's learned MIDI code stays), then saves the
// slot and refreshes the cue. A point memory of 5000 takes the lowest free
// cue memory ("MAXIMUM 2000 POINTCUEMEMORIES !" when none is: nothing
// changes); an empty pack buffer leaves the record without a point memory
// ("CUEMEMORY EMPTY !" for new content). The cue memory the slot held before
// is freed when the stored record no longer names it. A record left with
// neither bit 0 nor bit 1 is removed. record is left as stored (its point
// memory the cue memory given, or -1).
void store_pointcue_in_cue(int16_t slot, PointcueRecord& record);
// Cue memory n (1..2000) := the pack buffer's items; an empty buffer frees
// it. Saved either way; the free count redrawn.
void store_work_buffer_in_cue_memory(int16_t cue_memory);
// The packed programmer into the slot's point memory with the programmer's
// default times; fade mode, link and MIDI code of an existing record stay.
void store_pointcue_with_defaults(int16_t cue, int16_t point, int16_t page);

}  // namespace playback
