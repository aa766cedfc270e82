// The fader panel: the 16 on-screen function faders of the current fixture in
// one of four banks (channels, generator, figure, timing) or in macro mode,
// refreshed from the programmer, the live output or the default values, and
// the fader select LEDs. (Least bodies until the fader panel is built.)
#pragma once
#include <array>
#include <cstdint>

namespace programmer {

// One fader unit in parameter units, per generator parameter 1..6 and per
// figure parameter 1..10 (index 0 is parameter 1).
extern const std::array<double, 6> generator_wheel_scale;
extern const std::array<double, 10> figure_wheel_scale;

// Which frame is drawn (1 macro .. 10 timing without a fixture type); the
// frame is redrawn only when the kind changes.
extern int16_t fader_panel_kind;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_fader_panel_globals();

// Rebuilds the panel for the macro mode and fader bank: clears the wheel
// states, draws frame, labels and header, sets the fader select LEDs.
void build_fader_panel();

// Refreshes the faders of the current bank from their source; nothing
// without a current fixture or while the wheels are inactive.
void refresh_faders();
void refresh_function_faders();
void refresh_default_value_faders();
void refresh_generator_faders();
void refresh_figure_faders();

// Once per background-poll pass: the faders follow the live output.
void follow_live_values();

// The LEDs of the fader select keys and of keys 142, 144, 145, 146 and 148.
void update_fader_key_leds();

// Label, number and strip colour of function fader widget slot 1..16.
void set_fader_label(int16_t slot, const char* text, int16_t colour);
void set_fader_number(int16_t slot, int16_t number, int16_t colour);
void set_fader_strip_colour(int16_t slot, int16_t colour);

}  // namespace programmer
