// The cue memories: the point memory of each cue slot, recalled into the
// programmer, stored from it, browsed with CUE held. (Least bodies until the
// cue memories are built: they record their arguments.)
#pragma once
#include <cstdint>

namespace memories {

// Every global of this module back to its value at program load (a clean start for each test).
void reset_cue_memories_globals();

// Loads a point cue's memory into the programmer arrays.
void recall_cue_memory(int16_t cue, int16_t point, int16_t page);
// Packs every set entry of the programmer arrays into the cue work buffer.
void pack_cue_work_buffer();
// The programmer into the cue memory shown (TO-MEM with ENTER alone while the
// programmer came from a cue).
void store_into_cue_memory();
// Browsing the cue memories while CUE is held.
void show_previous_cue_memory();
void show_next_cue_memory();
void show_current_cue_memory();

}  // namespace memories
