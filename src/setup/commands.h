// The fixture setup as the SETUP menu opens it (setup/setup_loop.cpp), and
// the stage plan it draws for the main screen (least bodies until the stage
// plan is built).
#pragma once
#include <cstdint>

namespace setup {

// Runs the fixture setup until it is left with SAVE or NOT SAVE; sets
// MODE_IN_SETUP while open. The show goes on afterwards: no restart.
void run_fixture_setup();

// The stage plan of the current fixture page in (230,250)-(630,475).
void draw_stage_fixture();
// Fixture number (patch index from 0) beside its symbol on the stage plan.
void draw_fixture_number(int16_t fixture_index, int16_t colour);

}  // namespace setup
