// The main loop and the background poll.
//
// The console has one thread and no event queue. The main loop runs while a
// show is loaded; the background poll is called by it, by the key reader and
// by every wait of every dialog, so the show keeps running while any dialog
// waits. Each poll looks for one new input event and, when none waits, runs
// every periodic job of the show once.
#pragma once
#include <cstdint>

namespace runtime {

// The six input-pending flags; an input is pending when any is non-zero.
extern int16_t input_pending_pc_key;
extern int16_t input_pending_console_key;
extern int16_t input_pending_key_ring;
extern int16_t input_pending_remote_cue;
extern int16_t input_pending_midi;
extern int16_t pushed_back_key;

extern uint64_t main_loop_passes;  // passes of the main loop since the program started

// Every global of this module back to its value at program load (a clean start for each test).
void reset_main_loop_globals();

bool is_input_pending();
void clear_input_pending_flags();

void run_main_loop();
void run_background();

}  // namespace runtime
