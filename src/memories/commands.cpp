#include "memories/commands.h"

#include "runtime/step_log.h"

namespace memories {

void run_clear_programmer() { runtime::log_call("memories::run_clear_programmer"); }
void run_set_functions_to_default() { runtime::log_call("memories::run_set_functions_to_default"); }
void run_take_output_to_programmer() { runtime::log_call("memories::run_take_output_to_programmer"); }
void run_copy_memory_items() { runtime::log_call("memories::run_copy_memory_items"); }
void run_undo_screen() { runtime::log_call("memories::run_undo_screen"); }
void read_outputs_into_programmer() { runtime::log_call("memories::read_outputs_into_programmer"); }

void show_previous_cue_memory() { runtime::log_call("memories::show_previous_cue_memory"); }
void show_next_cue_memory() { runtime::log_call("memories::show_next_cue_memory"); }
void show_current_cue_memory() { runtime::log_call("memories::show_current_cue_memory"); }

}  // namespace memories
