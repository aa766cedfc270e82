// The COPY command off the cue screen: while COPY is held the operator
// chooses source fixtures and either functions of the current type (fader
// keys) or attribute classes (preset keys 151..154); then a destination: a
// memory (TO-MEM and a number), the memory after the current one (197), a
// cue (TO-MEM held with CUE) or, with one source fixture, other fixtures
// (TO-ITEM held). The writing is copy_items.h's.
#pragma once
#include <array>
#include <cstdint>

#include "memories/copy_items.h"
#include "runtime/show_tables.h"

namespace memories {

// The fixture selection as it was when the command started, given back when
// it ends. While RUN_COPY_MEMORY_DIALOG is set, the output scaling reads it
// in place of the live selection, so choosing fixtures leaves the stage.
extern std::array<uint8_t, runtime::kShowFixtures + 1> copy_source_state;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_copy_command_globals();

void run_copy_memory_items();  // 205

}  // namespace memories
