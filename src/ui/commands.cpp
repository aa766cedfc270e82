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

void run_text_edit_dialog() { runtime::log_call("ui::run_text_edit_dialog"); }
void select_item_to_edit() { runtime::log_call("ui::select_item_to_edit"); }
void toggle_freeze_switches() { runtime::log_call("ui::toggle_freeze_switches"); }
void clear_item_dialog() { runtime::log_call("ui::clear_item_dialog"); }
void handle_optimize_key() { runtime::log_call("ui::handle_optimize_key"); }

}  // namespace ui
