#include "memories/memories.h"

namespace memories {

void recall_memory(int16_t, uint8_t) {}
void update_masters(uint8_t) {}

}  // namespace memories
