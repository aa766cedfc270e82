#include "programmer/programmer_jobs.h"

#include "runtime/step_log.h"

namespace programmer {

int16_t fan_shape = 1;

void reset_programmer_jobs_globals() {
    fan_shape = 1;
}

}  // namespace programmer
