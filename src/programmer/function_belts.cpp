#include "programmer/function_belts.h"

#include "runtime/step_log.h"

namespace programmer {

void reset_function_belts_globals() {}

void poll_function_belts() {}

void set_function_belt(int16_t belt, uint8_t value) {
    runtime::log_call("programmer::set_function_belt", {belt, value});
}

void set_fader_widget_value(int16_t fader, int16_t level) {
    runtime::log_call("programmer::set_fader_widget_value", {fader, level});
}

void select_next_fader() { runtime::log_call("programmer::select_next_fader"); }
void select_previous_fader() { runtime::log_call("programmer::select_previous_fader"); }
void highlight_selected_fader(int16_t colour) {
    runtime::log_call("programmer::highlight_selected_fader", {colour});
}

}  // namespace programmer
