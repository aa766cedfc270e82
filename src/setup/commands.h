// The fixture setup as the SETUP menu opens it, and the stage plan it draws
// for the main screen. (Least bodies until the fixture setup is built.)
#pragma once
#include <cstdint>

namespace setup {

// Runs the fixture setup until it is left; sets MODE_IN_SETUP while open and
// may set restart_requested.
void run_fixture_setup();

// The stage plan of the current fixture page in (230,250)-(630,475).
void draw_stage_fixture();
// Fixture number (patch index from 0) beside its symbol on the stage plan.
void draw_fixture_number(int16_t fixture_index, int16_t colour);

}  // namespace setup
