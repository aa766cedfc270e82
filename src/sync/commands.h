// The timecode screen as its keys open it: PLAY, REC, EDIT and MODE on the
// main screen and the MIDI list opener (key 250), and the drawing of its
// transport panel (timecode_screen.cpp).
#pragma once
#include <cstdint>

namespace synchro {

// The screen until ESC; key is 0 or a first key to handle at once (211 PLAY,
// 212 REC, 214 EDIT, 215 MODE, 250 the list pending_list_name names).
void run_timecode_screen(int16_t key);

// The table editor the screen's PLAY, EDIT and list-open keys run
// (edit_timecode_table); a test of the screen alone may put a recorder in
// its place. The reset puts the editor back.
extern int16_t (*timecode_table_editor)(int16_t key);
void reset_timecode_screen_globals();

// The whole transport panel: buttons, time or LAST/NEXT panel, status line
// and CD line.
void draw_timecode_screen();
// The time panel with the digits of display_time; the LAST/NEXT panel of the
// MANUAL source.
void draw_transport_panel();
void draw_manual_transport_panel();

}  // namespace synchro
