#include "memories/cue_memories.h"

#include "runtime/step_log.h"

namespace memories {

void reset_cue_memories_globals() {}

void recall_cue_memory(int16_t cue, int16_t point, int16_t page) {
    runtime::log_call("memories::recall_cue_memory", {cue, point, page});
}
void pack_cue_work_buffer() { runtime::log_call("memories::pack_cue_work_buffer"); }
void store_into_cue_memory() { runtime::log_call("memories::store_into_cue_memory"); }
void show_previous_cue_memory() { runtime::log_call("memories::show_previous_cue_memory"); }
void show_next_cue_memory() { runtime::log_call("memories::show_next_cue_memory"); }
void show_current_cue_memory() { runtime::log_call("memories::show_current_cue_memory"); }

}  // namespace memories
