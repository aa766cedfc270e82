// Programmer and effect-engine jobs that the show cycle and the background
// poll run. (Least bodies until the programmer is built.)
#pragma once
#include <cstdint>

namespace programmer {

extern uint8_t slave_consoles;       // patched slave consoles
extern uint8_t slave_trigger_armed;  // 1 while a trigger pulse runs
extern int16_t fan_shape;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_programmer_jobs_globals();

void reset_slave_triggers();
void run_lamp_command_queue();
void send_slave_trigger(uint8_t level);
// Sends master or playback control n's level to the slave consoles.
void send_slave_control(int16_t control, int16_t level);

// The wheel handlers of the macro faders and the default
// values: fader k (or channel n of the current type) moved by
// delta d (old position minus new). Scope is 1 for the belts and trackerball.
void apply_macro_wheel(int16_t fader, int16_t delta);
void apply_wheel_to_functions(int16_t channel, int16_t delta, int16_t scope);

}  // namespace programmer
