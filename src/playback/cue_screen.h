// The cue screen: the point-cue panel of the left column (a key map of the
// shown cue page, the point labels and the live slot's name), the "CUES" grid
// of the right panel, the cue keys' colours and LEDs and the point-cue LEDs.
// It changes no cue data. refresh_cue_mode (playback_jobs.h), show_cue_page,
// draw_cue_grid and update_point_cue_leds (commands.h) live here too.
#pragma once
#include <array>
#include <cstdint>

#include "playback/cue_tables.h"

namespace playback {

// Grid cell fills: none, the live cue, a cue a sequence was loaded from.
constexpr uint8_t kCueCellPlain = 0;
constexpr uint8_t kCueCellCurrent = 1;
constexpr uint8_t kCueCellSequenceOrigin = 2;

// The fill each grid cell 1..70 got last (reset when the grid is drawn).
extern std::array<int16_t, kCuesPerPage + 1> cue_cell_colours;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_cue_screen_globals();

// The cue screen's point-cue panel in the left column.
void draw_point_cue_panel();
// The live slot's name on the panel's name line.
void draw_cue_name_line();
// Cue n's number in its cell of the key map, in a colour.
void draw_cue_number(int16_t cue, int16_t colour);
// Cue n of the shown page: its number's colour and its key LED from what is
// programmed in it (the LED stays while the cue copy dialog has the keys).
void paint_cue_key(int16_t cue);
// Fills the cell of cue 1..70 of the shown page in the cue grid with a colour.
void paint_cue_cell(int16_t cue, uint8_t colour);
// The programmed points 2..10 of cue n as marks in its grid cell.
void draw_point_cue_marks(int16_t cue);

// The number colour and the key LED state of cue n of the shown page.
struct CueKeyLook {
    int16_t colour = 0;
    uint8_t led = 0;
};
CueKeyLook cue_key_look(int cue);

}  // namespace playback
