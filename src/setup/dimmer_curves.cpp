#include "setup/dimmer_curves.h"

#include "runtime/step_log.h"

namespace setup {

// Least body until the screen is built.
void run_dimmer_curve_info(SetupData&) { runtime::log_call("setup::run_dimmer_curve_info"); }

}  // namespace setup
