// The dimmer curve information screen of the setup's LINK menu: every
// dimmer function of the rig with its curve and active mark.
#pragma once

#include "setup/setup_data.h"

namespace setup {

// Runs the screen on the working copy until it is closed.
void run_dimmer_curve_info(SetupData& setup);

}  // namespace setup
