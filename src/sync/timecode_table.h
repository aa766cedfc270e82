// The timecode screen's 14-row table of the list's events in the right
// panel: the editor that runs it, its frame and rows, the cursor preview and
// the player's row markers.
#pragma once
#include <cstdint>

namespace synchro {

// Runs the table editor; key is 214 (open the table), 211 (play from the
// cursor at once) or 250 (play the list just opened). Returns 1 when closed.
int16_t edit_timecode_table(int16_t key);
// The table panel; sets OPT_TIMECODE_PLAYING.
void draw_timecode_table_frame();
// Rows of the page: mode 0 all 14, 1 rows 1..cursor_row, 2 cursor_row..14,
// 3 the cursor row only.
void redraw_timecode_list_rows(int16_t cursor_event, int16_t cursor_row, int16_t column, int16_t mode);
// Previews the cursor's event on the stage.
void show_cursor_event(int16_t event, int16_t column);
// The player's markers on a row.
void draw_play_position_marker(int16_t row, int16_t colour);
void draw_cue_list_markers(int16_t event, int16_t row, int16_t colour);

}  // namespace synchro
