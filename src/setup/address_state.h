// The address state behind the setup's card and protocol buttons: the card
// and protocol chosen, the protocol names of every card, which of them the
// selected library may use, and the address map that tells for each card,
// protocol and DMX address which fixture occupies it. Also the setup's own
// test patch: while the setup is open the selected card's outputs follow a
// one-to-one map so that the address list drives DMX addresses directly.
//
// Engine only: the buttons are drawn by setup/setup_screen.h.
#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "setup/library_list.h"
#include "setup/setup_data.h"

namespace setup {

constexpr int kCardProtocols = 4;
constexpr const char* kProtocolNone = "NONE    ";
constexpr const char* kProtocolMartin = "MARTIN  ";
constexpr const char* kProtocolDmxOut = "DMX OUT ";

using CardAddressMap = std::array<uint16_t, kCardAddresses + 1>;  // [address 1..512]: fixture number, 0 free

struct AddressState {
    int16_t selected_card = 1;      // 1..4
    // [card 1..4][protocol 1..4]: 8 characters padded with blanks.
    std::array<std::array<std::string, kCardProtocols + 1>, kMaxCards + 1> protocol_names{};
    std::array<int16_t, kCardProtocols + 1> protocol_usable{};  // [1..4] of the selected card
    int16_t selected_protocol = 0;  // 0 none, 1..4
    std::array<int16_t, kMaxCards + 1> used_channels{};         // [card 1..4]
    std::array<std::array<CardAddressMap, kCardProtocols + 1>, kMaxCards + 1> address_map{};  // [card][protocol]
    uint8_t martin_protocol = 0;    // 1 when the selected protocol is "MARTIN  "
};

// The setup's address state; kept for the whole program run.
extern AddressState address_state;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_address_state_globals();

// Card 1, the protocol names of the configuration record, nothing usable or
// selected, empty maps.
void init_address_state(AddressState& state);
// The address map and the channels used per card, anew from the fixture
// records of the setup and the soft patch list.
void build_address_map(AddressState& state, const SetupData& setup);
// Which protocols of the selected card the selected library may use; keeps
// the selected protocol when it still may be used, else takes the first
// that may; then, unless blind, the one-to-one output map of the selected
// card and protocol in the card word tables.
void select_fixture_protocol(AddressState& state, const LibraryList& list);
// Unless blind: no curves, the identity patch, the one-to-one map of the
// selected card and protocol, everything uploaded and every channel at 0.
void reset_output_patch_for_setup(const AddressState& state);

}  // namespace setup
