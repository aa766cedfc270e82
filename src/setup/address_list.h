// The address list of the setup's left panel on the screen: its rows with
// DIP switches, addresses and occupants, the INCR box, paging and scrolling,
// the steps from the pointer or the last placed fixture, the typed address,
// and the lamp test of the hovered slot (with its DIP switch text).
// The slots themselves: setup/address_list_slots.h.
#pragma once
#include <cstdint>

#include "setup/address_list_slots.h"
#include "setup/address_state.h"
#include "setup/library_list.h"
#include "setup/setup_data.h"

namespace setup {

// The hovered slot and the soft patch marks back to their values at program
// load (a clean start for each test).
void reset_address_list_screen_globals();

void draw_scroll_list(AddressPanel& panel, AddressState& state, LibraryList& list);
// Redraws the rows whose colour changed; selected slot 0 none, 1000 the MULTIPATCH row.
void draw_address_rows(int16_t selected, AddressPanel& panel, AddressState& state, LibraryList& list);
void draw_address_increment(AddressPanel& panel);
void change_address_increment(AddressPanel& panel, AddressState& state, LibraryList& list);
// Shows the slot of an address (an address off the step turns single steps
// on) and puts the pointer on its row.
void scroll_address_list_to(int16_t address, AddressPanel& panel, AddressState& state, LibraryList& list);
void step_address_list_page(AddressPanel& panel, AddressState& state, int16_t direction);
void select_slot_above_pointer(AddressPanel& panel, AddressState& state, LibraryList& list);
void select_slot_below_pointer(AddressPanel& panel, AddressState& state, LibraryList& list);
void select_previous_free_block(AddressPanel& panel, AddressState& state, LibraryList& list);
void select_next_free_block(AddressPanel& panel, AddressState& state, LibraryList& list);
void enter_fixture_address(AddressPanel& panel, AddressState& state, LibraryList& list);
// Every pass of the setup loop (mode 0), of the address dialog (0; 1 with
// fixture and function 0 resets the lamp test) and of the soft patch editor (2).
void track_address_list_pointer(AddressState& state, AddressPanel& panel, LibraryList& list, int16_t fixture,
                                int16_t function, int16_t mode);
// Unless blind, every control channel 1 .. the allocated records at level 0.
void clear_control_channels();

}  // namespace setup
