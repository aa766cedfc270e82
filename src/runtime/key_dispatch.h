// The key dispatcher: which console key starts which command, and when.
//
// The main loop hands every key press to dispatch_key, which walks a fixed
// table of key ranges in order; the first row whose range holds the key and
// whose condition holds (cue screen, point-cue mode, fixture step mode, panel
// mode, sequence wheel mode) starts its command. A key no row takes does
// nothing.
//
// Also here: the mouse click on the fixture and cue grids (mouse mode), the
// trackerball routed by wheel mode (the other modes), and the two held-key
// menus: SETUP (KEY_SETUP) and the second functions of KEY_SHIFT with the
// quit confirmation.
#pragma once
#include <cstdint>

#include "runtime/key_codes.h"

namespace runtime {

void dispatch_key(int16_t key);

// Mouse mode: a left click on a cell of the fixture grid (selects or
// deselects that fixture) or, on the cue screen, of the cue grid (calls
// point 1 of that cue on the shown page).
void handle_mouse_click();
// The other modes: the trackerball steps of this reading go to the fixture
// faders or pan/tilt, a master, a playback or a sequence by display_mode.
void step_mode_wheels();

// SETUP held for a second: "1=FIXT. SETUP  2=SHOW SETTINGS".
void show_setup_menu();
// While 246 is held, other keys start their second functions.
void run_second_function_menu();
// Ends the program when SETUP stays held for a second.
void confirm_quit();

// The cue slot of point 1..10 of cue 1..70 on cue page 1..16; 0 when any
// is out of range.
uint16_t cue_point_slot(int16_t page, int16_t cue, int16_t point);
// The grid cell under a mouse position: cells 22 pixels wide and 30 high,
// ten to a row, from x 1 and y 10 (divisions truncating toward zero); 0
// when the position lies beside the ten columns.
int16_t mouse_grid_cell(int16_t x, int16_t y);

}  // namespace runtime
