#include "sync/timecode_display.h"

#include "runtime/step_log.h"
#include "sync/timecode_clock.h"

namespace synchro {

// Drawn on every pass of the player: it keeps the time shown and records nothing.
void draw_timecode_digits(double t) { display_time = t; }
void redraw_timecode_source_field() { runtime::log_call("synchro::redraw_timecode_source_field"); }
void redraw_timecode_rate_field() { runtime::log_call("synchro::redraw_timecode_rate_field"); }
void redraw_timecode_clock_panel() { runtime::log_call("synchro::redraw_timecode_clock_panel"); }
void redraw_timecode_transport() { runtime::log_call("synchro::redraw_timecode_transport"); }
int16_t edit_start_time() {
    runtime::log_call("synchro::edit_start_time");
    return 0;
}

}  // namespace synchro
