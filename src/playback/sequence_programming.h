// Storing and loading sequence records: a cue's sequence record loaded into a
// live sequence, PROGRAM SEQUENCE, the quick append from the memory screen
// and the memory chooser of the programming dialogs. (Least bodies until the
// sequence programming is built: they record their arguments.)
#pragma once
#include <cstdint>

namespace playback {

// Every global of this module back to its value at program load (a clean start for each test).
void reset_sequence_programming_globals();

// Loads (or clears) live sequence 1..4 from cue slot 1..11200's record, with
// its freeze state.
void load_sequence_from_cue(int16_t slot, int16_t sequence, uint8_t freeze);
void program_sequence(int16_t sequence);
// The quick store of TO-MEM: the current memory appended as a step of
// sequence s of the live cue.
void program_sequence_from_memory_screen(int16_t sequence);
// The memory editor of the programming dialogs: memory m recalled into the
// programmer, changed with the ordinary keys until TO-MEM, store-next or ESC.
void choose_memory(int16_t memory);

}  // namespace playback
