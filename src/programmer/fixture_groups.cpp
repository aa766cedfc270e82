#include "programmer/fixture_groups.h"

#include "runtime/step_log.h"

namespace programmer {

void update_group_leds() { runtime::log_call("programmer::update_group_leds"); }

}  // namespace programmer
