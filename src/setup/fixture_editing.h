// The setup's fixture operations on the screen: adding a fixture of the
// selected library at a clicked address and placing its symbol, erasing
// fixtures, picking one to light it alone, aim, turn and move it, the key
// cells of the page and numbering (PATCH FIXTURE and the drag of a key),
// the address correction, the address dialog and the DMX input addresses.
// The rig changes themselves: setup/fixture_editing_rig.h.
//
// The soft patch editors: setup/multipatch_editor.h and
// setup/split_dimmer_editor.h; the LINK menu: setup/link_menu.h.
#pragma once
#include <cstdint>

#include "setup/address_list.h"
#include "setup/address_state.h"
#include "setup/fixture_editing_rig.h"
#include "setup/library_list.h"
#include "setup/setup_data.h"

namespace setup {

void add_fixture(SetupData& setup, AddressState& state, LibraryList& list, AddressPanel& panel);
void place_fixture(int16_t slot, AddressPanel& panel, SetupData& setup, AddressState& state, LibraryList& list,
                   uint8_t multipatch);
void kill_fixture(SetupData& setup, AddressState& state, LibraryList& list, AddressPanel& panel);
void pick_stage_fixture(SetupData& setup, AddressState& state, LibraryList& list, AddressPanel& panel);
void move_stage_fixture(int16_t f, SetupData& setup, AddressState& state, LibraryList& list, AddressPanel& panel);

// How a picked fixture's library, card and protocol are selected.
enum class PickMode : uint8_t { picking, correcting, dmx_input };
// Selects record f's library (the rig's own drawing and map), card,
// protocol and address list page; false ("LIBRARY NOT FOUND") when no
// library has its type name.
bool select_fixture_library(int16_t f, SetupData& setup, AddressState& state, LibraryList& list, AddressPanel& panel,
                            PickMode mode);

void renumber_fixture(SetupData& setup, AddressState& state, AddressPanel& panel, LibraryList& list);
void run_patch_menu(SetupData& setup, AddressState& state, AddressPanel& panel, LibraryList& list);
// Record f onto a page (see number_fixture_on_page), then the page's keys.
int assign_fixture_number(SetupData& setup, int16_t f, int16_t page);
// The 70 key cells of the current fixture page with their LEDs, and one of them (k 1..70).
void redraw_page_fixture_keys(SetupData& setup);
void draw_page_fixture_key(int16_t key, int16_t colour);

void check_overlapping_addresses(SetupData& setup, AddressState& state, LibraryList& list, AddressPanel& panel);
void change_fixture_address(int16_t f, SetupData& setup, AddressState& state, LibraryList& list, AddressPanel& panel);
void edit_fixture_input_addresses(SetupData& setup, AddressState& state, LibraryList& list, AddressPanel& panel);
// The box that toggles record f's input address until RMB or ESC.
void toggle_fixture_input_address(int16_t f, SetupData& setup);


}  // namespace setup
