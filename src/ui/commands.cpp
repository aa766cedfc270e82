#include "ui/commands.h"

#include "runtime/step_log.h"

namespace ui {

int16_t frozen_playback_count = 0;
int16_t frozen_sequence_count = 0;
int16_t frozen_fixture_count = 0;

void reset_commands_globals() {
    frozen_playback_count = 0;
    frozen_sequence_count = 0;
    frozen_fixture_count = 0;
}

void select_relative_mode() { runtime::log_call("ui::select_relative_mode"); }
void toggle_fixture_step_mode() { runtime::log_call("ui::toggle_fixture_step_mode"); }
void toggle_programmer_flag() { runtime::log_call("ui::toggle_programmer_flag"); }
void start_fan_mode_edit() { runtime::log_call("ui::start_fan_mode_edit"); }
void run_cue_key() { runtime::log_call("ui::run_cue_key"); }
void handle_panel_key(int16_t key) { runtime::log_call("ui::handle_panel_key", {key}); }
void dispatch_mode_key(int16_t key) { runtime::log_call("ui::dispatch_mode_key", {key}); }
void dispatch_mode_action() { runtime::log_call("ui::dispatch_mode_action"); }
void show_previous_panel_page() { runtime::log_call("ui::show_previous_panel_page"); }
void show_next_panel_page() { runtime::log_call("ui::show_next_panel_page"); }
void save_panel_picture() { runtime::log_call("ui::save_panel_picture"); }
void run_text_edit_dialog() { runtime::log_call("ui::run_text_edit_dialog"); }
void select_item_to_edit() { runtime::log_call("ui::select_item_to_edit"); }
void toggle_freeze_switches() { runtime::log_call("ui::toggle_freeze_switches"); }
void clear_item_dialog() { runtime::log_call("ui::clear_item_dialog"); }
void handle_optimize_key() { runtime::log_call("ui::handle_optimize_key"); }
void cycle_transparent_mode(uint8_t which) { runtime::log_call("ui::cycle_transparent_mode", {which}); }
void edit_transparent_mode() { runtime::log_call("ui::edit_transparent_mode"); }
void edit_tracing_mode(uint8_t page) { runtime::log_call("ui::edit_tracing_mode", {page}); }
void edit_solo_memory() { runtime::log_call("ui::edit_solo_memory"); }
void edit_global_settings() { runtime::log_call("ui::edit_global_settings"); }

}  // namespace ui
