// The fixture pages: the page of 70 fixture keys that the fixture panel in
// the upper left shows, the panel itself with a picture kept per page, the
// fixture-type info box under it, the key numbers and LEDs, and the bank keys
// that step or choose the page.
//
// Panel geometry: the panel fills (0,0)-(221,220); key k sits in row
// (k - 1) / 10 + 1 and column (k - 1) % 10 + 1 of a grid of 22 x 18 pixel
// cells starting at (1,10).
#pragma once
#include <array>
#include <cstdint>

#include "runtime/fixture_tables.h"

namespace programmer {

// The fixture panel's picture per page 1..10 (null until the page is first
// drawn), and the stage plan's picture per page; both live for the show.
extern std::array<uint8_t*, runtime::kFixturePages + 1> fixture_page_images;
extern std::array<uint8_t*, runtime::kFixturePages + 1> stage_page_images;

// The patch index whose cell carries the yellow current-fixture frame, 0 none.
extern int16_t framed_fixture;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_fixture_pages_globals();
// Frees the page pictures (with the show tables).
void free_fixture_page_images();

// Makes page the current fixture page and shows the fixture screen (leaving
// the cue screen).
void set_fixture_page(int16_t page);

// The fixture panel of the current page, from its picture when it has one.
void draw_fixture_screen();
// The fixture panel again, from its saved picture.
void redraw_fixture_panel();

// The fixture-type info box under the keys and the type box to the right.
void draw_fixture_info();

// Key numbers in their colours and the key LEDs of the current page.
void update_fixture_key_leds();

// One fixture's freeze mark and LED; mode 0 the freeze display, another mode
// the normal look.
void paint_fixture_cell(int16_t fixture, int16_t mode);
// Fixture n's marker in its key cell in a colour, and its key's LED; nothing
// when n is not on the shown page.
void paint_fixture_marker(int16_t fixture, int16_t colour, uint8_t led);
// The colour fixture n has on the stage plan.
int16_t fixture_stage_colour(int16_t fixture);

// Moves the yellow current-fixture frame to fixture n (0 removes it); the
// frame shows only while n lies on the shown page.
void move_fixture_frame(int16_t fixture);

// Bank keys 71 (page down) and 72 (page up): a press and release steps the
// page; both held, keys 1..10 choose the page.
void handle_fixture_bank_keys(int16_t key);

// The page (1..10) and key (1..70) of patch index n on the fixture pages;
// false when no key carries it.
bool fixture_key_of(int16_t fixture, int& page, int& key);

// The default-values screen (SELECT FUNCTIONS chosen with EDIT ITEM).
void run_default_values_screen();

}  // namespace programmer
