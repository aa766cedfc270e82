#include "programmer/generators.h"

#include "runtime/step_log.h"

namespace programmer {

void apply_wheel_to_generator_param(int16_t parameter, int16_t delta) {
    runtime::log_call("programmer::apply_wheel_to_generator_param", {parameter, delta});
}

}  // namespace programmer
