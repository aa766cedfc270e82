// Memories and masters as the show cycle and the poll use them. (Least
// bodies until the memories are built.)
#pragma once
#include <cstdint>

namespace memories {

void recall_memory(int16_t memory, uint8_t mode);
void update_masters(uint8_t source);

}  // namespace memories
