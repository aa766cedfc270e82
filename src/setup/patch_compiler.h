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
// Only the compiler and the state it reads are here: the address state's
// protocol names (the rest of the address panel comes with the
// fixture setup) and the soft patch list, which the fixture setup's editors
// fill (empty until then).
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "setup/setup_data.h"

namespace setup {

struct SoftPatchEntry {
    int16_t fixture = -1;   // setup record 1..700; -1 free
    int16_t function = 0;   // 1..32 multipatch; 50 dimmer part; 100 + n block of n channels
    uint8_t card = 0;       // 1..4
    int16_t address = 0;    // 1..512
};

constexpr int16_t kSoftPatchDimmerPart = 50;
constexpr int16_t kSoftPatchBlockBase = 100;

extern std::vector<SoftPatchEntry> soft_patch_list;

// The protocol names of each card's four protocols: [card 1..4][protocol 1..4].
struct AddressState {
    std::array<std::array<std::string, 5>, kMaxCards + 1> protocol_names{};
};
extern AddressState address_state;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_patch_compiler_globals();

// An empty soft patch list and address state, as at program start.
void reset_patch_compiler_state();
// The show's address state: the protocol names of the configuration record.
void init_address_state();
// Compiles the tables from setup_data and soft_patch_list and sets the
// setup's patch_compiled byte. Reports nothing; entries that would fall
// outside a table (a card counter past 512, say) are left out.
void compile_channel_patch(const AddressState& state);

}  // namespace setup
