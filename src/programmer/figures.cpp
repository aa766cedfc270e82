#include "programmer/figures.h"

#include "runtime/step_log.h"

namespace programmer {

void apply_wheel_to_figure_param(int16_t parameter, int16_t delta) {
    runtime::log_call("programmer::apply_wheel_to_figure_param", {parameter, delta});
}

}  // namespace programmer
