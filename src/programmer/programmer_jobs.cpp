#include "programmer/programmer_jobs.h"

#include "runtime/step_log.h"

namespace programmer {

int16_t fan_shape = 1;

void reset_programmer_jobs_globals() {
    fan_shape = 1;
}

void apply_macro_wheel(int16_t fader, int16_t delta) {
    runtime::log_call("programmer::apply_macro_wheel", {fader, delta});
}

}  // namespace programmer
