// The address list of the setup's left panel: the rows of DMX addresses a
// fixture of the loaded library may start at, its DIP-switch text, the
// address increment and the test output of the hovered address.
// (Least bodies, but for the panel's start values, until the address list
// is built.)
#pragma once
#include <array>
#include <cstdint>

#include "setup/address_state.h"
#include "setup/library_list.h"
#include "setup/setup_data.h"

namespace setup {

constexpr int kAddressRows = 28;

struct AddressPanel {
    uint8_t single_step = 0;
    int16_t slot_count = 16;
    int16_t dip_switch_count = 9;
    int16_t list_page = 0;
    int16_t page_count = 1;
    int16_t dip_base = 1;
    int16_t dip_step = 1;
    int16_t address_increment = 32;
    std::array<int16_t, kAddressRows> row_colours{};
    std::array<int16_t, kCardAddresses> slot_occupancy{};
    int16_t current_fixture = 0;
    int16_t last_address = -1;  // the current address, -1 none
    uint8_t lamp_on = 0;        // 1: the test output sends each function's "LAMP ON" value
    uint8_t slots_valid = 0;
    int16_t patch_width = 0;
};

// The setup's address panel; kept for the whole program run.
extern AddressPanel address_panel;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_address_list_globals();

// The panel's start values (patch_width is left alone).
void init_address_panel(AddressPanel& panel);

void compute_address_slots(AddressPanel& panel, AddressState& state, LibraryList& list);
void draw_address_increment(AddressPanel& panel);
void draw_scroll_list(AddressPanel& panel, AddressState& state, LibraryList& list);
void change_address_increment(AddressPanel& panel, AddressState& state, LibraryList& list);
void step_address_list_page(AddressPanel& panel, AddressState& state, int16_t direction);
void track_address_pointer(AddressState& state, AddressPanel& panel, LibraryList& list, int16_t fixture,
                           int16_t function, int16_t mode);
void select_previous_address_row(AddressPanel& panel, AddressState& state, LibraryList& list);
void select_next_address_row(AddressPanel& panel, AddressState& state, LibraryList& list);
void select_previous_fixture_address(AddressPanel& panel, AddressState& state, LibraryList& list);
void select_next_fixture_address(AddressPanel& panel, AddressState& state, LibraryList& list);
void enter_fixture_address(AddressPanel& panel, AddressState& state, LibraryList& list);

}  // namespace setup
