#include "ui/panels.h"

#include "runtime/step_log.h"
#include "ui/message_line.h"

namespace ui {

void draw_control_channel_faders() { runtime::log_call("ui::draw_control_channel_faders"); }
void draw_cue_panel() { runtime::log_call("ui::draw_cue_panel"); }
void draw_current_memory_panel() { runtime::log_call("ui::draw_current_memory_panel"); }
void draw_sequence_panel() { runtime::log_call("ui::draw_sequence_panel"); }
void show_analogue_faders() { runtime::log_call("ui::show_analogue_faders"); }

void redraw_memory_panel() {
    draw_current_memory_panel();
    show_in_use_status();
}

}  // namespace ui
