// The 16 digital function belts under the 16 on-screen function faders, the
// selection of one fader, and the trackerball on the selected fader or, in
// trackerball pan/tilt mode, on pan and tilt of the selection.
//
// A belt's position register is held equal to the value of the fader above
// it, so a movement is that value minus the register. The card sets the
// state register to 255 after a move; the poll acknowledges it with 128.
#pragma once
#include <cstdint>

namespace programmer {

constexpr uint8_t kBeltMoved = 255;         // state register: the belt has moved
constexpr uint8_t kBeltAcknowledged = 128;  // written back by the poll
constexpr uint8_t kBeltWritten = 0;         // the console wrote the position
constexpr uint8_t kTimingBeltCentre = 128;  // timing belts work around it

// Every global of this module back to its value at program load (a clean start for each test).
void reset_function_belts_globals();

// Background poll: acknowledges each moved belt and routes its movement by
// bank (channel values, generator, figure, timing) or to the macro faders.
// Nothing while the console has no digital function belts.
void poll_function_belts();

// Writes v to register 0 and 0 to register 1 of belt 1..16 (nothing for
// another belt, or without function belts).
void set_function_belt(int16_t belt, uint8_t value);

// The bar level of function fader widget 1..16.
void set_fader_widget_value(int16_t fader, int16_t level);

// The fader-arrow keys: the selection of the current bank one fader right or
// left, stopping at the last channel of the type in bank 0 and at 7, 10 and
// 6 in banks 1, 2 and 3 (7 in macro mode).
void select_next_fader();
void select_previous_fader();
// Colour 7 removes the highlight of the selected fader, any other paints it.
void highlight_selected_fader(int16_t colour);

// Rewrites the belt of channel ch (1..32) of bank 0 from its fader when the
// channel is on the current page, or belt 1 in banks 1 and 3 when ch is the
// selected channel.
void rewrite_channel_belt(int16_t channel);

// The trackerball steps of this reading (mouse_y) on the selected fader.
void apply_trackerball_to_fader();
// The trackerball on pan and tilt of the selection: moving right (positive
// mouse_x) lowers PAN, positive mouse_y raises TILT.
void apply_trackerball_to_pantilt();

}  // namespace programmer
