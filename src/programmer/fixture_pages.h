// The fixture pages: the page of fixture keys that the fixture panel shows,
// and the panel itself. (Least bodies until the fixture pages are built.)
#pragma once
#include <cstdint>

namespace programmer {

// Makes page the current fixture page and shows the fixture screen (leaving
// the cue screen).
void set_fixture_page(int16_t page);

// The fixture selection panel of the left column.
void draw_fixture_screen();
// The fixture panel again, from its saved picture.
void redraw_fixture_panel();

// One fixture's freeze mark and LED; mode 0 the freeze display, another mode
// the normal look.
void paint_fixture_cell(int16_t fixture, int16_t mode);

// The default-values screen (SELECT FUNCTIONS chosen with EDIT ITEM).
void run_default_values_screen();

}  // namespace programmer
