// The channel patch compiler: turns the live setup's fixture
// records and the soft patch list into the nine channel patch tables and the
// dimmer patch table (setup/patch_tables.h) that the channel level setter
// and the card upload read.
//
// Terms: output slot (card - 1) * 512 + address; logical channel = function
// record; card-buffer position (card - 1) * 512 + position within the card.
// Table 0 gives each logical channel its first card-buffer position; tables
// 5..8 tell the card, per output slot, which position within the card its
// protocol 1..4 sends. Positions are given out per card in fixture order, so
// a card whose fixtures lie back to back from address 1 sends position p on
// address p.
//
// The state it reads lives with its owners: the address state's protocol
// names (setup/address_state.h) and the soft patch list (setup/soft_patch.h).
#pragma once
#include "setup/address_state.h"
#include "setup/setup_data.h"
#include "setup/soft_patch.h"

namespace setup {

// Compiles the tables from setup_data and soft_patch_list and sets the
// setup's patch_compiled byte. Reports nothing. Every fixture takes exactly
// its type's channel count of logical channels, also a split fixture whose
// list lacks a part, so the fixtures after it keep their first channels;
// entries that would fall outside a table or past a card's 512 positions
// are left out.
void compile_channel_patch(const AddressState& state);

}  // namespace setup
