// Pan/tilt figures: every fixture with pan and tilt can trace a closed path
// around its base position, a lissajous curve of one of eight frequency
// ratios or one of thirteen polygons, rotated, scaled, inverted and swapped
// to suit how the fixture hangs. The output merge writes each fixture's
// running parameters into runtime::figure_states and runs run_figures_tick
// once per pass, before the channel generators; figures share their phase
// machinery and shared phases with the generators.
#pragma once
#include <array>
#include <cstdint>

namespace programmer {

// Figure parameters 1..10 of a fixture; figure byte i of fixture f and
// parameter k is (f - 1) * 10 + k.
enum FigureParam : int {
    kXSwing = 1, kYSwing, kFigureSpeed, kFigureMode, kFigure1, kFigure2, kRotate, kFigureDelay, kFigureShift,
    kFigureWait
};
constexpr int kFigureParams = 10;
constexpr std::array<uint8_t, kFigureParams + 1> figure_param_limits = {0, 127, 127, 170, 170, 170,
                                                                        170, 170, 170, 170, 170};
// FIGURE2 up to this is a lissajous ratio, above it a polygon row.
constexpr int kLastLissajousFigure = 150;

// One pass over all fixtures with pan and tilt: clears the shared-phase
// marks first, so that figures register before the generators of the pass.
void run_figures_tick();

// The point (-1..1 on each axis) of a lissajous or polygon figure at its
// phase (ms), which they may move as the generators do.
void compute_lissajous_point(int16_t previous_speed, int16_t speed, int16_t mode, int16_t figure1, int16_t figure2,
                             int16_t delay, int16_t shift, int16_t wait, long double* phase, float* x, float* y);
void compute_polygon_point(int16_t previous_speed, int16_t speed, int16_t mode, int16_t figure2, int16_t delay,
                           int16_t shift, int16_t wait, long double* phase, float* x, float* y);

// The figure twins of the generator setter, colour rule and wheel handler.
void set_figure_param(int16_t byte, uint8_t value);
uint8_t get_figure_param_colour(int16_t byte);
void apply_wheel_to_figure_param(int16_t param, int16_t delta);

}  // namespace programmer
