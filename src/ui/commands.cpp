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

void select_wheel_mode(int16_t mode) { runtime::log_call("ui::select_wheel_mode", {mode}); }
void run_text_edit_dialog() { runtime::log_call("ui::run_text_edit_dialog"); }
void select_item_to_edit() { runtime::log_call("ui::select_item_to_edit"); }
void toggle_freeze_switches() { runtime::log_call("ui::toggle_freeze_switches"); }
void clear_item_dialog() { runtime::log_call("ui::clear_item_dialog"); }
void handle_optimize_key() { runtime::log_call("ui::handle_optimize_key"); }
void toggle_table_view() { runtime::log_call("ui::toggle_table_view"); }
void free_cue_buffers() { runtime::log_call("ui::free_cue_buffers"); }

}  // namespace ui
