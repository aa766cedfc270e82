// Channel effect generators: every function record can swing around its
// base value with a periodic wave (sine, half-wave humps, square, pulses,
// each forward or backward), at a speed, with a pause between waves and a
// phase offset. The output merge writes each record's running parameters
// into runtime::generator_states and runs run_generators_tick once per pass;
// the tick turns base value and parameters into the level that goes out.
//
// Generators and figures of equal speed and direction keep in step through
// the shared phases (runtime::shared_phases and shared_phase_valid here): in
// each pass the first engine of a speed and direction sets the reference and
// every later one is pulled toward it.
#pragma once
#include <array>
#include <cstdint>

#include "runtime/timers.h"

namespace programmer {

// Generator parameters 1..6 of a record; generator byte i of record r and
// parameter k is (r - 1) * 6 + k.
enum GeneratorParam : int { kSwing = 1, kSpeed, kMode, kDelay, kShift, kWait };
constexpr int kGeneratorParams = 6;
// Upper limit of each parameter (index 0 unused).
constexpr std::array<uint8_t, kGeneratorParams + 1> generator_param_limits = {0, 127, 170, 170, 170, 170, 170};

// The wave's angular speed per speed squared (radians per second), and the
// phase (ms) beyond which an engine's own time restarts at 0.
constexpr long double kEffectAngularScale = 0.0016L;
constexpr long double kEffectPhaseLimit_ms = 2'000'000'000.0L;

// 1 where the shared phase of that direction and speed was set in this pass;
// the figure engine clears it at the start of each run.
extern std::array<std::array<uint8_t, runtime::kEffectSpeeds>, runtime::kEffectDirections> shared_phase_valid;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_channel_generators_globals();

// One pass over all function records: phase, wave, level out.
void run_generators_tick();

// The wave value -1..1 of one generator at its phase (ms), which it may
// move: rescaled on a speed change and pulled toward the shared phase.
float compute_generator_value(int16_t previous_speed, int16_t speed, int16_t mode, int16_t delay, int16_t shift,
                              int16_t wait, long double* phase);

// The phase machinery shared with the figures, for an engine of speed s
// (previous speed p) in a direction, whose cycle is `cycle` ms: a new speed
// keeps the position within the cycle; a phase off the shared phase of its
// speed and direction is moved by whole cycles to lie at most one cycle
// below it, then runs 0.6 of the poll's time faster or slower until it meets
// it; the first engine of a speed and direction in a pass sets the shared
// phase.
void keep_in_step(int previous_speed, int speed, int direction, long double cycle, long double* phase);

// Carries an edited generator byte 1..6n onto the stage: the held manual
// layer, or the live layer unless blind, frozen, a sequence running, a
// point-cue fade on the byte or the value unchanged.
void set_generator_param(int16_t byte, uint8_t value);

// The display colour of a generator byte: it reaches the stage (14) or is
// held back (11).
uint8_t get_generator_param_colour(int16_t byte);

// A belt, trackerball or keypad move of generator parameter k (1..6) on the
// selected function of every selected fixture.
void apply_wheel_to_generator_param(int16_t param, int16_t delta);

}  // namespace programmer
