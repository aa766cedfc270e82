// Memory names: up to 16 characters typed on the console, shown in the memory
// list and on the labels and wing displays of the playbacks running the memory.
#pragma once
#include <cstdint>

namespace memories {

constexpr int kMemoryNameChars = 16;

// The rename dialog of memory m (opened from TEXT EDIT and after a store when
// names are asked for). m outside 1..4000: a low beep and nothing else.
void edit_memory_name(int16_t memory);

// Memory m's name := text, cut at 16 characters and always terminated; saved,
// and in label mode 0 the labels of every playback running m rebuilt. False
// for m outside 1..4000 or a null text.
bool set_memory_name(int16_t memory, const char* text);

}  // namespace memories
