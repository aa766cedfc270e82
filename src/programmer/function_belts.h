// The 16 digital function belts, the fader selection and the trackerball on
// the selected fader or on pan and tilt. (Least bodies until the belts are
// built.)
#pragma once
#include <cstdint>

namespace programmer {

// Every global of this module back to its value at program load (a clean start for each test).
void reset_function_belts_globals();

// Background poll: acknowledges each moved belt and routes its movement by bank.
void poll_function_belts();

// Writes v to register 0 and 0 to register 1 of belt 1..16.
void set_function_belt(int16_t belt, uint8_t value);

// The bar level of function fader widget 1..16.
void set_fader_widget_value(int16_t fader, int16_t level);

// The fader-arrow keys; the highlight of the selected fader (colour 7 removes it).
void select_next_fader();
void select_previous_fader();
void highlight_selected_fader(int16_t colour);

}  // namespace programmer
