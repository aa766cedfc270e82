// The fader panel: the 16 on-screen function faders of the current fixture in
// one of four banks (channels, generator, figure, timing) or in macro mode,
// refreshed from the programmer, the live output or the default values, and
// the fader select LEDs.
//
// Every fader keeps a runtime::WheelState (console_state.h): bank 0 one per
// function 1..32, the generator and figure banks one per parameter. A widget,
// a label or a belt is written only when what it shows changes, so the
// refreshes can run from every command and the follow-live pass on every poll.
#pragma once
#include <array>
#include <cstdint>

namespace programmer {

// One fader unit in parameter units, per generator parameter 1..6 and per
// figure parameter 1..10 (index 0 is parameter 1): a half for the swings,
// two thirds for the rest. Two thirds is the exact quotient 2.0 / 3.0, so
// that both ends of the scales meet: parameter 170 shows as fader 255, and
// fader 255 gives parameter 170 again.
constexpr double kSwingWheelScale = 0.5;
constexpr double kParameterWheelScale = 2.0 / 3.0;
extern const std::array<double, 6> generator_wheel_scale;
extern const std::array<double, 10> figure_wheel_scale;

// A parameter byte as a fader value (truncated, at most 255), and a fader
// value back as a parameter byte (truncated); a scale that is not positive
// gives 0.
uint8_t parameter_to_wheel_value(int raw, double scale);
uint8_t wheel_value_to_parameter(int value, double scale);

// Which frame is drawn (1 macro .. 10 timing without a fixture type); the
// frame is redrawn only when the kind changes.
extern int16_t fader_panel_kind;

// The fader panel kinds.
constexpr int16_t kPanelMacro = 1;
constexpr int16_t kPanelMacroNoType = 2;
constexpr int16_t kPanelChannels = 3;
constexpr int16_t kPanelGenerator = 5;
constexpr int16_t kPanelGeneratorNoType = 6;
constexpr int16_t kPanelFigure = 7;
constexpr int16_t kPanelFigureNoType = 8;
constexpr int16_t kPanelTiming = 9;
constexpr int16_t kPanelTimingNoType = 10;

// The fader banks.
constexpr int16_t kChannelBank = 0;
constexpr int16_t kGeneratorBank = 1;
constexpr int16_t kFigureBank = 2;
constexpr int16_t kTimingBank = 3;

constexpr int kPanelFaders = 16;
constexpr int kFadersPerFunctionPage = 16;

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
void follow_live_function_faders();
void follow_live_generator_faders();
void follow_live_figure_faders();

// The LEDs of the fader select keys and of keys 142, 144, 145, 146 and 148.
void update_fader_key_leds();

// Label, number and strip colour of function fader widget slot 1..16; other
// slots are ignored. A label colour 10 shows as 15 while the widget's frame
// is light grey (7).
void set_fader_label(int16_t slot, const char* text, int16_t colour);
void set_fader_number(int16_t slot, int16_t number, int16_t colour);
void set_fader_strip_colour(int16_t slot, int16_t colour);

// The library function (1..32) on channel n of the current fixture type, 0
// none; and a level of channel n as its fader position.
int channel_library_function(int channel);
uint8_t channel_level_to_fader(int channel, int level);

// Copies a predefined-entry text into a wheel label: at most 8 characters,
// always terminated.
void copy_wheel_label(std::array<char, 9>& label, const char* text);

}  // namespace programmer
