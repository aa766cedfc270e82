// The main-screen mode keys and the state of the CUE key that the key reader
// touches. (Least bodies until the mode keys are built.)
#pragma once
#include <cstdint>

namespace ui {

// Clock time (ms) of the last single press of the CUE key; a key macro sets it to 0.
extern uint32_t cue_key_last_press;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_mode_keys_globals();

// Key 114: blind mode on after a 1000 ms hold, off at once.
void toggle_blind_mode();

}  // namespace ui
