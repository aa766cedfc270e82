// The memory, preset and threshold editors that the edit keys open,
// the cue-memory recall and pack, and the memory / cue status line. (Least
// bodies until the memories are built: each records its arguments.)
#pragma once
#include <cstdint>

namespace memories {

void run_threshold_screen();
// Kind 1 pan/tilt, 2 colour, 3 gobo, 4 effect.
void run_preset_channel_setup(int16_t kind);
void edit_preset_names(int16_t kind);
void edit_threshold_names();

// The status line: page, cue and point of a cue being chosen.
void show_memory_cue_status(int16_t page, int16_t cue, int16_t point);

// Show setting "AUTOMATIC CUENAME": 1 asks for the name of an unnamed cue
// after a store into it.
uint8_t ask_cue_name();

// The cue chooser of TO-MEM (mode 1, store) and GET (mode 0, get): a store
// packs the programmer into the picked point cue's memory, a get recalls it.
void pick_cue_dialog(int16_t mode);

}  // namespace memories
