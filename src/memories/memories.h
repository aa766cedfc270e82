// Memories and masters as the show cycle and the poll use them. (Least
// bodies until the memories are built.)
#pragma once
#include <cstdint>

namespace memories {

// The memory the programmer works on, 1..4000.
extern int16_t current_memory;

// Where the programmer was last loaded from: 0 a memory (store and get set
// it), 1 a cue memory (its recall sets it), with that cue's page, cue,
// point 1..10 and cue memory (-1 when the cue had none).
extern uint16_t programmer_from_cue;
extern int16_t programmer_cue_page;
extern int16_t programmer_cue_number;
extern int16_t programmer_cue_point;
extern int16_t programmer_cue_memory;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_memories_globals();

void recall_memory(int16_t memory, uint8_t mode);
void update_masters(uint8_t source);

}  // namespace memories
