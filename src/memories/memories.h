// Memories and masters as the show cycle and the poll use them. (Least
// bodies until the memories are built.)
#pragma once
#include <cstdint>

namespace memories {

// The memory the programmer works on, 1..4000.
extern int16_t current_memory;
// The page 1..58 the memory list shows, and the threshold 1..70 in work (0 none).
extern int16_t memory_list_page;
extern int16_t current_threshold;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_memories_globals();

void recall_memory(int16_t memory, uint8_t mode);
void update_masters(uint8_t source);

}  // namespace memories
