#include "programmer/programmer_jobs.h"

#include "runtime/step_log.h"
#include "runtime/timers.h"

namespace programmer {

uint8_t slave_consoles = 0;
uint8_t slave_trigger_armed = 0;
int16_t fan_shape = 1;

void reset_programmer_jobs_globals() {
    slave_consoles = 0;
    slave_trigger_armed = 0;
    fan_shape = 1;
}

void reset_slave_triggers() { runtime::log_call("programmer::reset_slave_triggers"); }

// Run on every pass of the poll or the main loop: they record nothing.
void run_lamp_command_queue() {}

void send_slave_trigger(uint8_t level) {
    // A level above 127 starts the 200 ms pulse; any other ends it.
    slave_trigger_armed = level > 127 ? 1 : 0;
    runtime::slave_trigger_countdown = level > 127 ? 200 : 0;
}

void send_slave_control(int16_t control, int16_t level) {
    runtime::log_call("programmer::send_slave_control", {control, level});
}

void apply_macro_wheel(int16_t fader, int16_t delta) {
    runtime::log_call("programmer::apply_macro_wheel", {fader, delta});
}
void apply_wheel_to_functions(int16_t channel, int16_t delta, int16_t scope) {
    runtime::log_call("programmer::apply_wheel_to_functions", {channel, delta, scope});
}

}  // namespace programmer
