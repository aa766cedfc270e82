// The MIDI editors EDIT ITEM opens with the MIDI key: the learned codes of
// the current cue ("EDIT MIDI-CODES (ESC=CANCEL)") and, from the timecode
// screen, the show's table of lists that show control opens by number
// ("PROGRAM MIDI FOR THIS SHOW"). Screens only: what is learned and stored
// is midi_codes.h's.
#pragma once
#include <cstdint>

namespace synchro {

// A cursor over a list of rows shown in a window: the row and its window
// position, both from 1. Kept between openings.
struct RowCursor {
    int row = 1;
    int position = 1;
};
extern RowCursor midi_code_cursor;       // rows 1..47, six window positions
extern RowCursor show_midi_list_cursor;  // rows 1..128, twelve window positions

// "PROGRAM MIDI FOR THIS SHOW", from the timecode screen.
void edit_show_midi_lists();
// The MIDI codes of the current cue, its sequences and playbacks.
void edit_midi_codes();

// Drawing of the code editor: column 1 the row's label, column 2 its code.
void draw_midi_code(int row, int position, int column, int colour);
void draw_midi_code_rows(int row, int position);
void paint_midi_code_cell(int position, int column, int colour);

// Drawing of the list table, and the pick of a list for one entry.
void draw_show_midi_lists_frame();
void draw_show_midi_list_rows(int row, int position);
void paint_show_midi_list_cell(int position, int column, int colour);
void draw_show_midi_list_row(int row, int position, int column, int colour);
void pick_show_midi_list(int row, int position);

// Every global of this module back to its value at program load (a clean start for each test).
void reset_midi_editors_globals();

}  // namespace synchro
