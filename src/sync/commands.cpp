#include "sync/commands.h"

#include "runtime/step_log.h"

namespace synchro {

void run_timecode_screen(int16_t key) { runtime::log_call("synchro::run_timecode_screen", {key}); }
void draw_timecode_header() { runtime::log_call("synchro::draw_timecode_header"); }
void draw_timecode_clock(int16_t mode) { runtime::log_call("synchro::draw_timecode_clock", {mode}); }
void draw_transport_panel() { runtime::log_call("synchro::draw_transport_panel"); }
void draw_manual_transport_panel() { runtime::log_call("synchro::draw_manual_transport_panel"); }

}  // namespace synchro
