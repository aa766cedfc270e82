#include "memories/memories.h"

#include "runtime/step_log.h"

namespace memories {

int16_t current_memory = 1;
uint16_t programmer_from_cue = 0;
int16_t programmer_cue_page = 1;
int16_t programmer_cue_number = 1;
int16_t programmer_cue_point = 1;
int16_t programmer_cue_memory = -1;
int16_t memory_list_page = 1;
int16_t current_threshold = 0;

void reset_memories_globals() {
    current_memory = 1;
    programmer_from_cue = 0;
    programmer_cue_page = 1;
    programmer_cue_number = 1;
    programmer_cue_point = 1;
    programmer_cue_memory = -1;
    memory_list_page = 1;
    current_threshold = 0;
}


}  // namespace memories
