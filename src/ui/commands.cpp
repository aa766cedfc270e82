#include "ui/commands.h"

namespace ui {

int16_t frozen_playback_count = 0;
int16_t frozen_sequence_count = 0;
int16_t frozen_fixture_count = 0;

void select_relative_mode() {}
void toggle_fixture_step_mode() {}
void toggle_programmer_flag() {}
void start_fan_mode_edit() {}
void select_wheel_mode(int16_t) {}
void run_cue_key() {}
void handle_panel_key(int16_t) {}
void dispatch_mode_key(int16_t) {}
void dispatch_mode_action() {}
void show_previous_panel_page() {}
void show_next_panel_page() {}
void save_panel_picture() {}
void run_text_edit_dialog() {}
void select_item_to_edit() {}
void toggle_freeze_switches() {}
void clear_item_dialog() {}
void handle_optimize_key() {}
void cycle_transparent_mode(uint8_t) {}
void edit_transparent_mode() {}
void edit_tracing_mode(uint8_t) {}
void edit_solo_memory() {}
void toggle_table_view() {}
void edit_global_settings() {}
void free_cue_buffers() {}

}  // namespace ui
