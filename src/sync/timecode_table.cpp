#include "sync/timecode_table.h"

#include "runtime/step_log.h"

namespace synchro {

// Least bodies until the table editor is built: they record their arguments.
int16_t edit_timecode_table(int16_t key) {
    runtime::log_call("synchro::edit_timecode_table", {key});
    return 1;
}
void draw_timecode_table_frame() { runtime::log_call("synchro::draw_timecode_table_frame"); }
void redraw_timecode_list_rows(int16_t cursor_event, int16_t cursor_row, int16_t column, int16_t mode) {
    runtime::log_call("synchro::redraw_timecode_list_rows", {cursor_event, cursor_row, column, mode});
}
void show_cursor_event(int16_t event, int16_t column) {
    runtime::log_call("synchro::show_cursor_event", {event, column});
}
void draw_play_position_marker(int16_t row, int16_t colour) {
    runtime::log_call("synchro::draw_play_position_marker", {row, colour});
}
void draw_cue_list_markers(int16_t event, int16_t row, int16_t colour) {
    runtime::log_call("synchro::draw_cue_list_markers", {event, row, colour});
}

}  // namespace synchro
