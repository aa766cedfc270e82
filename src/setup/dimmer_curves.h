// The dimmer curve information screen of the setup's LINK menu: every
// dimmer function of the rig with its curve and active mark, the choice of
// lines, the curve dialog and the printed report. The report itself:
// setup/dimmer_curve_report.h.
#pragma once
#include <cstdint>

#include "setup/setup_data.h"

namespace setup {

constexpr uint8_t kCurveCancelled = 255;

// "SELECT A DIMMER CURVE": the curve 0..15 clicked, or kCurveCancelled for
// the right button or ESC.
uint8_t select_dimmer_curve();
// Runs the screen on the working copy until it is closed.
void run_dimmer_curve_info(SetupData& setup);

}  // namespace setup
