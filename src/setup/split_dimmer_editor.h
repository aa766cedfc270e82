// The split dimmer patch editor of the fixture setup: a fixture whose
// dimmer (its first function) goes to one output slot and its other
// functions as one block to another place. Its two soft patch entries are
// moved with "Change Dimmer Address", "Change Functions Address" and
// "Change Global Address" (the dimmer at the picked slot, the block at the
// next), each picked in the address list.
#pragma once
#include <cstdint>

#include "setup/address_list.h"
#include "setup/address_state.h"
#include "setup/library_list.h"
#include "setup/setup_data.h"

namespace setup {

// The editor for record f (1-based) until the right button or ESC. With a
// start address a the two entries are made first: the dimmer at a and the
// block at a + 1 on the selected card.
void edit_split_dimmer_patch(int16_t f, int16_t start_address, SetupData& setup, AddressState& state, LibraryList& list,
                             AddressPanel& panel);
// Moves record f's entry of `function` (50 the dimmer, 100 + n the block)
// to a slot's card and address; the overwrite prompt when another
// fixture's entry starts there. An entry the fixture lacks is made.
void set_split_patch_entry(int slot, int16_t f, int16_t function, uint8_t card, int16_t address, const SetupData& setup);
void draw_split_dimmer_patch_panel(int16_t f);

}  // namespace setup
