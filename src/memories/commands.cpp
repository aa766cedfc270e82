#include "memories/commands.h"

namespace memories {

void run_preset_recall_menu(int16_t) {}
void run_preset_store_menu(int16_t) {}
void run_clear_programmer() {}
void run_set_functions_to_default() {}
void recall_previous_memory() {}
void recall_next_memory() {}
void run_store_memory() {}
void run_get_memory() {}
void store_to_next_memory() {}
void run_take_output_to_programmer() {}
void run_copy_memory_items() {}
void run_undo_screen() {}
void read_outputs_into_programmer() {}
void apply_trackerball_to_master() {}

}  // namespace memories
