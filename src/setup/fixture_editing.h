// The setup's fixture operations: adding, erasing, picking and moving
// fixtures, their numbers and page keys, the address change, and the PATCH
// FIXTURE and LINK menus. (Least bodies until they are built.)
#pragma once
#include <cstdint>

#include "setup/address_list.h"
#include "setup/address_state.h"
#include "setup/library_list.h"
#include "setup/setup_data.h"

namespace setup {

void add_fixture(SetupData& setup, AddressState& state, LibraryList& list, AddressPanel& panel);
void kill_fixture(SetupData& setup, AddressState& state, LibraryList& list, AddressPanel& panel);
void pick_stage_fixture(SetupData& setup, AddressState& state, LibraryList& list, AddressPanel& panel);
void renumber_fixture(SetupData& setup, AddressState& state, AddressPanel& panel, LibraryList& list);
void check_overlapping_addresses(SetupData& setup, AddressState& state, LibraryList& list, AddressPanel& panel);
void run_patch_menu(SetupData& setup, AddressState& state, AddressPanel& panel, LibraryList& list);
void run_link_menu(SetupData& setup, AddressState& state, LibraryList& list, AddressPanel& panel);
// The 70 key cells of the current fixture page, and one of them (k 1..70).
void redraw_page_fixture_keys(SetupData& setup);
void draw_page_fixture_key(int16_t key, int16_t colour);

}  // namespace setup
