// Cue names and the cue-memory autoload: the name question of one cue slot
// (after a store into an unnamed cue), the "CUE-NAMES" editor that the TEXT
// dialog opens (edit_cue_names, declared in cue_editing.h), and the recall of
// an executed slot's cue memory into the programmer when the show asks for it.
#pragma once
#include <cstdint>

namespace playback {

constexpr int kCueNameChars = 19;  // the longest name the entry takes

// Asks the name of point p (1..10) of cue 1..70 on page 1..16 and, on ENTER,
// stores and saves it; ESC keeps the old name.
void edit_cue_name(int16_t cue, int16_t point, int16_t page);

// With the global setting "AUTOLOAD CUEMEM" on, cue slot 1..11200's cue
// memory goes into the programmer; otherwise nothing happens.
void autoload_cue_memory(int16_t slot);
// The setting itself (global settings item 10).
bool autoload_cue_memory_on();

}  // namespace playback
