// The timecode screen's 14-row table of the list's events in the right
// panel: the editor that runs it, its frame and rows, the cursor preview and
// the player's row markers.
#pragma once
#include <cstdint>

namespace synchro {

constexpr int16_t kTableRows = 14;
// table_cursor_column.
constexpr int16_t kTimeColumn = 1;
constexpr int16_t kEventColumn = 2;
// Cell colours of a row (the text colour goes with the fill): ordinary rows,
// the cursor's cell, the cursor row while events are captured.
constexpr int16_t kTableRowColour = 7;
constexpr int16_t kTableCursorColour = 11;
constexpr int16_t kTableCaptureColour = 1;
constexpr const char* kEditTableMessage = "EDIT TIMECODE-TABLE (ESC=CANCEL)";

// The table cursor, kept for the whole run and shared with the player and
// the editing operations: the event under it (1..count, 1 for an empty
// list), the panel row showing that event (1..14; the page shows event
// cursor - row + 1 on row 1) and the column.
extern int16_t table_cursor_event;
extern int16_t table_cursor_row;
extern int16_t table_cursor_column;

// What the editor's keys run: the editing operations and PLAY. A test may
// put recorders in their place to see what a key passes on; the reset puts
// the real ones back.
using TableOperation = void (*)(int16_t& cursor, int16_t& row, int16_t& column);
struct TableOperations {
    TableOperation edit_time;        // ENTER in the time column
    TableOperation edit_value_time;  // ENTER on an F or G event
    TableOperation select_groups;    // POINT
    TableOperation deselect;         // DEL
    TableOperation clear_groups;     // CLR
    TableOperation copy;             // COPY
    TableOperation insert;           // key 236
    TableOperation add;              // key 241
    bool (*play)(int16_t& cursor, int16_t& row, int16_t& column, uint8_t autoplay);  // PLAY, 250
};
extern TableOperations table_operations;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_timecode_table_globals();

// Runs the table editor; key is 214 (open the table), 211 (play from the
// cursor at once) or 250 (play the list just opened). Returns 1 when closed.
int16_t edit_timecode_table(int16_t key);
// The table panel; sets OPT_TIMECODE_PLAYING.
void draw_timecode_table_frame();
// Rows of the page: mode 0 all 14, 1 rows 1..cursor_row, 2 cursor_row..14,
// 3 the cursor row only.
void redraw_timecode_list_rows(int16_t cursor_event, int16_t cursor_row, int16_t column, int16_t mode);
// The cells of one row: a cell filled (column 1 time, 2 event), the marker
// box filled, a cell with its event's text on the fill given, the marker box
// with the event's number and mark.
void paint_timecode_list_cell(int16_t row, int16_t column, int16_t colour);
void paint_timecode_marker_cell(int16_t row, int16_t colour);
void draw_timecode_list_entry(int16_t event, int16_t row, int16_t column, int16_t colour);
void draw_timecode_list_marker(int16_t event, int16_t row, bool is_cursor);
// Previews the cursor's event: performed in the event column, its time on
// the clock (and the CD placed at it) otherwise.
void show_cursor_event(int16_t event, int16_t column);
// The player's markers on a row.
void draw_play_position_marker(int16_t row, int16_t colour);
void draw_cue_list_markers(int16_t event, int16_t row, int16_t colour);

}  // namespace synchro
