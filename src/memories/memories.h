// Memories and masters as the show cycle and the poll use them. (Least
// bodies until the memories are built.)
#pragma once
#include <cstdint>

#include "datafiles/record_files.h"
#include "memories/masters.h"

namespace memories {

// The memory the programmer works on, 1..4000.
extern int16_t current_memory;
// The page 1..58 the memory list shows, and the threshold 1..70 in work (0 none).
extern int16_t memory_list_page;
extern int16_t current_threshold;

// What the programmer was last loaded from: 0 a memory (current_memory), 1 a
// cue memory, with its cue (page 1..16, cue 1..70, point 1..10) and its cue
// memory (1..2000, -1 none).
extern uint16_t programmer_from_cue;
extern int16_t programmer_cue_page;
extern int16_t programmer_cue_number;
extern int16_t programmer_cue_point;
extern int16_t programmer_cue_memory;

// The programmer packed into items, ready to be stored as a cue memory:
// pack_count items at pack_buffer (null while there are none). Owned, packed,
// loaded and freed by the cue memories (cue_memories.h).
extern datafiles::MemoryItem* pack_buffer;
extern int32_t pack_count;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_memories_globals();

void recall_memory(int16_t memory, uint8_t mode);

}  // namespace memories
