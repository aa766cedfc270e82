// The fixture setup as the SETUP menu opens it. (Least body until the fixture
// setup is built.)
#pragma once

namespace setup {

// Runs the fixture setup until it is left; sets MODE_IN_SETUP while open and
// may set restart_requested.
void run_fixture_setup();

}  // namespace setup
