// Colour mixing from the filter libraries: the colour screen of the COLOR
// command. The operator scrolls through the catalogue of the setup's filter
// kind; every colour reached goes at once onto the RED, GREEN and BLUE
// functions of the selected fixtures (apply_library_color), the belts adjust
// the mix, and TO COLOR stores the adjusted mix into the current type's
// colour table and its colour file.
//
// The list shows 13 rows around the type's last_color (library_values.h),
// the middle row being the current colour.
#pragma once
#include <cstdint>

namespace programmer {

constexpr int kColorListRows = 13;
constexpr int kColorListMiddleRow = 7;
constexpr int kColorPageStep = 10;

// The colour screen loop of the current fixture type; returns on ESC, or
// when the selection moves to a type without a colour table.
void run_rgb_color_screen();

// The frame and title of the colour list.
void draw_color_library();
// The 13 visible rows around the current type's last_color.
void draw_color_list();
// The background of list row 1..13.
void fill_color_row(int16_t row, int16_t colour);
// The name and number of catalogue colour n in a row.
void draw_color_row(int16_t row, int16_t n, int16_t text_colour);

// The current red, green and blue fader values into the current type's
// entry last_color, then into its colour file.
void store_rgb_color();
// "REPLACE COLOR:ENTER=Y ESC=N"; true for ENTER.
bool confirm_replace_color();
// The number entry of TO COLOR (mode 1) and GET COLOR (mode 2): the colour
// number typed, the current colour's number for ENTER alone, negative when
// cancelled.
int16_t copy_color(int16_t mode);

}  // namespace programmer
