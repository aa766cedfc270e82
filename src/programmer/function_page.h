// The keys that move the operator around the fader panel: the two function
// page keys, the 16 fader select keys, the trackerball pan/tilt key, and the
// PREDEFINED and COLOR commands, which run the value pickers and the colour
// screen until the operator leaves them.
#pragma once
#include <cstdint>

namespace programmer {

// Function page 1 or 2 (keys 145, 146); a page the current type does not
// have is ignored. Outside the channel bank the key returns to it.
void select_function_page(int16_t page);

// Fader select key 1..16 (keys 121..136) in the current bank; in the timing
// bank keys 9..11 toggle the timing groups.
void select_fader(int16_t fader);

// Key 148: the trackerball drives pan and tilt of the selection.
void enter_trackerball_pantilt_mode();

// Key 164: the bank's picker, again and again, until a key ends it; ESC is
// consumed, any other key is left to the main loop.
void run_predefined_command();

// Key 195: the colour screen of the current type.
void run_color_command();

// Toggles timing group 1..3 between its two states (an absent group stays
// absent). A group switched to state 1 becomes the active group; when the
// active group is no longer in state 1, the first group in state 1 becomes
// active, or none.
void toggle_timing_group(int group);

}  // namespace programmer
