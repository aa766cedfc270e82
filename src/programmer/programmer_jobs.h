// Programmer and effect-engine jobs that the show cycle and the background
// poll run. (Least bodies until the programmer is built.)
#pragma once
#include <cstdint>

namespace programmer {

extern int16_t fan_shape;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_programmer_jobs_globals();

// The lamp command queue (lamp_control.h).
void run_lamp_command_queue();

// The wheel handler of the default values: channel n of the current type
// moved by delta d (old position minus new). Scope is 1 for the belts and
// trackerball.
void apply_wheel_to_functions(int16_t channel, int16_t delta, int16_t scope);

}  // namespace programmer
