// The timecode table's editing operations on the cursor's event or the
// marked events; the table editor calls them with its cursor.
#pragma once
#include <cstdint>

namespace synchro {

// The field (1 hours .. 4 frames) selected in the event time editor and in
// the editor of the time inside an "F" or "G" event; each is kept between edits.
extern int16_t time_field;
extern int16_t value_time_field;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_timecode_edit_globals();

void edit_event_time(int16_t& cursor, int16_t& row, int16_t& column);        // ENTER in the time column
void edit_event_value_time(int16_t& cursor, int16_t& row, int16_t& column);  // ENTER on an F or G event
void select_timecode_event_groups(int16_t& cursor, int16_t& row, int16_t& column);  // POINT held
void deselect_timecode_events(int16_t& cursor, int16_t& row, int16_t& column);      // DEL
void clear_timecode_event_groups(int16_t& cursor, int16_t& row, int16_t& column);   // CLR
void copy_timecode_events(int16_t& cursor, int16_t& row, int16_t& column);          // COPY
void insert_timecode_events(int16_t& cursor, int16_t& row, int16_t& column);        // key 236
void add_timecode_events(int16_t& cursor, int16_t& row, int16_t& column);           // key 241

}  // namespace synchro
