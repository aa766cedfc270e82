// The preset screens shared by every preset dialog: the grid of 70 numbered
// cells in the upper left (mirrored on the LEDs of fixture keys 1..70), the
// kind title box, the table of the 70 names in the right panel, and the
// naming of presets.
//
// Cell states (number colour, LED of fixture key n): not programmed 9, off;
// programmed the kind colour, state 3; current 14, state 2.
#pragma once
#include <cstdint>

namespace memories {

// The empty grid and the empty table, drawn the first time and kept as
// pictures for later calls (drawn each time when no memory is left for them).
extern uint8_t* preset_grid_picture;
extern uint8_t* preset_table_picture;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_preset_grid_globals();

// Grid, cell states, grid title and legend of kind 1..4.
void open_preset_screen(int16_t kind);
// Cell n drawn as programmed or not programmed.
void unmark_preset_cell(int16_t kind, int16_t n);
// Unmarks previous (when not 0), then draws n as current.
void mark_preset_cell(int16_t kind, int16_t n, int16_t previous);
// The kind title box at the bottom of the left panel.
void draw_preset_kind_title(int16_t kind);
// The name table in the right panel.
void draw_preset_table(int16_t kind);
// One name field of the table.
void draw_preset_cell(int16_t kind, int16_t n, int16_t background, int16_t text_colour);
// The current preset moves from previous to n: the table's fields (when the
// table is shown) and the grid's cells.
void move_current_preset_cell(int16_t kind, int16_t n, int16_t previous);

// Asks the name of preset n: true when a new name was entered (the caller
// writes it to the file), false on ESC (the name stays).
bool edit_preset_name(int16_t kind, int16_t n);

}  // namespace memories
