// The fixture setup as the SETUP menu opens it (setup/setup_loop.cpp), and
// the stage plan of the live rig as the main screen shows it.
#pragma once
#include <cstdint>

namespace setup {

// Runs the fixture setup until it is left with SAVE or NOT SAVE; sets
// MODE_IN_SETUP while open. The show goes on afterwards: no restart.
void run_fixture_setup();

// The stage plan of the live rig's current fixture page in the stage view
// (230,250)-(630,475) of the main screen.
void draw_stage_fixture();
// The key number of live fixture record `fixture_index` (0-based) beside its symbol.
void draw_fixture_number(int16_t fixture_index, int16_t colour);

}  // namespace setup
