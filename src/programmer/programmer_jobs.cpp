#include "programmer/programmer_jobs.h"

#include "runtime/step_log.h"

namespace programmer {

int16_t fan_shape = 1;

void reset_programmer_jobs_globals() {
    fan_shape = 1;
}

// Run on every pass of the poll or the main loop: they record nothing.
void run_lamp_command_queue() {}

void apply_wheel_to_functions(int16_t channel, int16_t delta, int16_t scope) {
    runtime::log_call("programmer::apply_wheel_to_functions", {channel, delta, scope});
}

}  // namespace programmer
