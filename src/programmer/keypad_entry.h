// Keypad value entry: EDIT VALUE (183) in the fixture fader display types the
// selected fader's value on the digit keys, applied as a belt movement would
// apply it, to the current and every selected fixture.
#pragma once
#include <cstdint>

namespace programmer {

// The timing bank's time entry on faders 2 and above (fader 1 only beeps);
// in every other bank edit_function_value.
void run_edit_function_value();

// The entry box and the apply; nothing without a current fixture type or
// while the trackerball drives pan and tilt. The edit mode is absolute for
// the apply and put back afterwards.
void edit_function_value();

// The level of a typed number: percent (0..100) times 2.55 rounded up, or
// the number itself as a DMX level (0..255); -1 for a number out of range.
int16_t keypad_level(int16_t number, bool percent);

}  // namespace programmer
