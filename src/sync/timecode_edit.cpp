#include "sync/timecode_edit.h"

#include "runtime/step_log.h"

namespace synchro {

// Least bodies until the operations are built: they record the cursor.
void edit_event_time(int16_t& cursor, int16_t& row, int16_t& column) {
    runtime::log_call("synchro::edit_event_time", {cursor, row, column});
}
void edit_event_value_time(int16_t& cursor, int16_t& row, int16_t& column) {
    runtime::log_call("synchro::edit_event_value_time", {cursor, row, column});
}
void select_timecode_event_groups(int16_t& cursor, int16_t& row, int16_t& column) {
    runtime::log_call("synchro::select_timecode_event_groups", {cursor, row, column});
}
void deselect_timecode_events(int16_t& cursor, int16_t& row, int16_t& column) {
    runtime::log_call("synchro::deselect_timecode_events", {cursor, row, column});
}
void clear_timecode_event_groups(int16_t& cursor, int16_t& row, int16_t& column) {
    runtime::log_call("synchro::clear_timecode_event_groups", {cursor, row, column});
}
void copy_timecode_events(int16_t& cursor, int16_t& row, int16_t& column) {
    runtime::log_call("synchro::copy_timecode_events", {cursor, row, column});
}
void insert_timecode_events(int16_t& cursor, int16_t& row, int16_t& column) {
    runtime::log_call("synchro::insert_timecode_events", {cursor, row, column});
}
void add_timecode_events(int16_t& cursor, int16_t& row, int16_t& column) {
    runtime::log_call("synchro::add_timecode_events", {cursor, row, column});
}

}  // namespace synchro
