#include "memories/commands.h"

#include "runtime/step_log.h"

namespace memories {

void run_copy_memory_items() { runtime::log_call("memories::run_copy_memory_items"); }

void show_previous_cue_memory() { runtime::log_call("memories::show_previous_cue_memory"); }
void show_next_cue_memory() { runtime::log_call("memories::show_next_cue_memory"); }
void show_current_cue_memory() { runtime::log_call("memories::show_current_cue_memory"); }

}  // namespace memories
