// The FUNCTION PATCHING panel's cells that pair each library function with
// the channel it is output on, the dialog that re-patches the selected
// library (toolbar button 2), and the small window that chooses the show's
// colour filter catalogue (RGB-LIB). The map checks and files:
// setup/function_map_edit.h.
#pragma once
#include <cstdint>

#include "setup/library_list.h"
#include "setup/setup_data.h"

namespace setup {

constexpr int16_t kNoPatchValue = 0;

// Cell n (1..32): its label "F n" and, unless value is 0, "F value" (the
// channel 1..32); nothing while patch conflicts are shown.
void draw_function_patch_cell(int n, int16_t label_colour, int value, int16_t value_colour);
// All 32 cells empty, then those of the selected library with their channels.
void draw_function_patch_cells(LibraryList& list);
void edit_function_patching(LibraryList& list, SetupData& setup);
void choose_colour_library(SetupData& setup);

}  // namespace setup
