#include "memories/commands.h"

#include "runtime/step_log.h"

namespace memories {

void run_preset_recall_menu(int16_t key) { runtime::log_call("memories::run_preset_recall_menu", {key}); }
void run_preset_store_menu(int16_t key) { runtime::log_call("memories::run_preset_store_menu", {key}); }
void run_copy_memory_items() { runtime::log_call("memories::run_copy_memory_items"); }

void decrease_function_level(int16_t channel, int16_t delta) {
    runtime::log_call("memories::decrease_function_level", {channel, delta});
}

void show_previous_cue_memory() { runtime::log_call("memories::show_previous_cue_memory"); }
void show_next_cue_memory() { runtime::log_call("memories::show_next_cue_memory"); }
void show_current_cue_memory() { runtime::log_call("memories::show_current_cue_memory"); }
void redraw_thresholds() { runtime::log_call("memories::redraw_thresholds"); }
void mark_threshold_cell(int16_t threshold, int16_t state, int16_t colour) {
    runtime::log_call("memories::mark_threshold_cell", {threshold, state, colour});
}

}  // namespace memories
