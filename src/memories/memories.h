// Memories and masters as the show cycle and the poll use them. (Least
// bodies until the memories are built.)
#pragma once
#include <cstdint>

namespace memories {

// The memory the programmer works on, 1..4000.
extern int16_t current_memory;

void recall_memory(int16_t memory, uint8_t mode);
void update_masters(uint8_t source);

}  // namespace memories
