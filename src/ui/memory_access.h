// Memory and cue-memory access: the free-memory state that the status line
// shows. (The memory check fills it once it is built.)
#pragma once
#include <cstdint>

namespace ui {

// The free-memory state last shown: level 0 normal, 1 low, 2 critical; percent free.
extern uint8_t status_level;
extern int16_t status_percent;

// Checks memory m (1..4000) item by item against the ranges of each item's
// kind and repairs a memory holding an item out of range. (Least body: the
// call is recorded.)
void check_memory_record(int16_t memory);

// Every global of this module back to its value at program load (a clean start for each test).
void reset_memory_access_globals();

}  // namespace ui
