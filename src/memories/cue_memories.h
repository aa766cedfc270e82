// The cue memories as the programmer sees them: the shared pack buffer
// (memories::pack_buffer / pack_count) that the programmer is packed into
// before the point-cue store turns it into a cue memory, loading a cue
// memory into that buffer, recalling a cue slot's memory into the
// programmer and onto the stage, storing the programmer into the shown cue
// (TO-MEM in cue mode), and browsing the cue memories with CUE held.
//
// The shown cue is the one the programmer was loaded from (memories.h):
// programmer_from_cue 1 while it holds a cue memory, programmer_cue_page,
// _number and _point its slot, programmer_cue_memory its cue memory (-1
// none, 5000 new content).
#pragma once
#include <cstdint>

namespace memories {

// A shown cue memory that is still to be given a number by the next store.
constexpr int16_t kNewCueMemory = 5000;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_cue_memories_globals();

// The pack buffer := the set entries of five programmer-shaped arrays
// (1-based): values not 65535, generator and figure bytes not 255, times
// whose flag is exactly 1, in that order. When memory runs out: "NOT ENOUGH
// MEMORY", the error beep and an empty buffer (false).
bool pack_cue_work_buffer(const uint16_t* values, const uint8_t* generators, const uint8_t* figures,
                          const uint16_t* times, const uint8_t* time_flags);
// The same for the programmer's own arrays.
bool pack_cue_work_buffer();
// Frees the pack buffer; its count becomes 0.
void free_cue_work_buffer();
// The pack buffer := a copy of cue memory n's items (none for a free or
// unknown number, or when memory runs out: "NOT ENOUGH MEMORY").
void load_cue_work_buffer(int16_t cue_memory);

// Makes (page, cue, point) the shown cue and loads its cue memory into the
// programmer and onto the stage; a slot without one blanks the programmer
// and leaves the stage as it is.
void recall_cue_memory(int16_t cue, int16_t point, int16_t page);
// TO-MEM while the programmer holds a cue: a slot without a cue memory opens
// PROGRAM POINTCUE with the packed programmer; a slot with one asks
// "REPLACE CUE ..." and on ENTER rewrites it with the default times.
void store_into_cue_memory();
// Browsing while CUE is held: the next or previous programmed slot with a
// cue memory from the shown one, or the live cue's slot.
void show_previous_cue_memory();
void show_next_cue_memory();
void show_current_cue_memory();

}  // namespace memories
