// Memory and cue-memory access: the free-memory state that the status line
// shows. (The memory check fills it once it is built.)
#pragma once
#include <cstdint>

namespace ui {

// The free-memory state last shown: level 0 normal, 1 low, 2 critical; percent free.
extern uint8_t status_level;
extern int16_t status_percent;

}  // namespace ui
