// The library browser of the setup screen: the manufacturer and library
// panels with their scroll arrows, the choice of a library, the function
// grid and the selected library's functions. The function patching and the
// colour library choice: setup/function_patching.h; the upload panel:
// setup/fixture_upload.h. The list
// itself: setup/library_browser_index.h.
#pragma once
#include <cstdint>

#include "setup/address_list.h"
#include "setup/address_state.h"
#include "setup/fixture_upload.h"
#include "setup/function_patching.h"
#include "setup/library_browser_index.h"
#include "setup/library_list.h"
#include "setup/setup_data.h"

namespace setup {

void draw_manufacturer_list(LibraryList& list);
void draw_library_list(LibraryList& list);
void draw_library_functions(LibraryList& list);
void draw_function_patch_grid();
void select_manufacturer_at_pointer(LibraryList& list);
void scroll_manufacturer_list(LibraryList& list, int16_t direction);
// The library of the clicked row: its files read (a type already in the
// setup keeps the setup's drawing and map), the protocols and the address
// list follow it, and its information text shows on the status line.
void select_library(LibraryList& list, SetupData& setup, AddressState& state, AddressPanel& panel);
void scroll_library_list(LibraryList& list, int16_t direction);

}  // namespace setup
