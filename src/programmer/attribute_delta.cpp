#include "programmer/attribute_delta.h"

#include "runtime/step_log.h"

namespace programmer {

void reset_attribute_delta_globals() {}

int16_t apply_delta_to_selected_functions(int16_t channel, int16_t delta, uint8_t selection_mode,
                                          uint8_t fine_allowed, uint8_t reset) {
    runtime::log_call("programmer::apply_delta_to_selected_functions",
                      {channel, delta, selection_mode, fine_allowed, reset});
    return -1;
}

void apply_delta_without_fan(int16_t channel, int16_t delta, uint8_t selection_mode) {
    runtime::log_call("programmer::apply_delta_without_fan", {channel, delta, selection_mode});
}

}  // namespace programmer
