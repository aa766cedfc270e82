// The memory, preset and master commands that the key dispatcher starts.
// (Least bodies until the memories are built.)
#pragma once
#include <cstdint>

#include "memories/copy_command.h"
#include "memories/cue_memories.h"

namespace memories {

// 151..154: pan/tilt, gobo, colour and effect presets (presets.h).
void run_preset_recall_menu(int16_t key);
// 155 clear, 156 modify, 157 store (preset_programming.h).
void run_preset_store_menu(int16_t key);

void recall_previous_memory();         // 191
void recall_next_memory();             // 192
void run_store_memory();               // 193
void run_get_memory();                 // 194
void store_to_next_memory();           // 197

// The trackerball steps of this reading on the selected master's level.
void apply_trackerball_to_master();
void select_previous_master();
void select_next_master();

// The thresholds panel and one threshold's cell.
void redraw_thresholds();
void mark_threshold_cell(int16_t threshold, int16_t state, int16_t colour);

// The threshold editor's wheel handler: channel n of the current type moved
// by delta d, used instead of the programmer edits in threshold mode.
void decrease_function_level(int16_t channel, int16_t delta);

}  // namespace memories
