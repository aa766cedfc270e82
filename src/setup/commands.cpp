#include "setup/commands.h"

#include "runtime/step_log.h"

namespace setup {

void run_fixture_setup() { runtime::log_call("setup::run_fixture_setup"); }

}  // namespace setup
