// The address list's engine (AddressPanel): the slots a fixture of the
// selected library may start at on the selected card and protocol, what
// occupies each, the colours of their rows and the DIP switch text.
//
// A slot s (1..slot_count) starts at address (s - 1) x address_increment + 1
// and spans the library's channel count (or patch_width addresses when the
// soft patch editor sets one). Its occupancy: 0 free, the fixture number
// n (1..700) at its first address, n + 1000 at a later one, 2000 when the
// span runs past address 512.
//
// Engine only: the list is drawn by setup/address_list.h.
#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "setup/address_state.h"
#include "setup/library_list.h"
#include "setup/setup_data.h"

namespace setup {

constexpr int kAddressRows = 28;        // 27 address rows and the MULTIPATCH row
constexpr int kListRows = 27;
constexpr int16_t kMultipatchSlot = 28;
constexpr int16_t kMartinSlots = 32;
constexpr int16_t kMartinIncrement = 16;
constexpr int16_t kOverlapOffset = 1000;
constexpr int16_t kPastEnd = 2000;
constexpr int16_t kRowFree = 8;
constexpr int16_t kRowOccupied = 1;
constexpr int16_t kRowCurrent = 14;
constexpr int16_t kRowOverlap = 9;

struct AddressPanel {
    uint8_t single_step = 0;          // 1: every address is a slot
    int16_t slot_count = 16;
    int16_t dip_switch_count = 9;
    int16_t list_page = 0;
    int16_t page_count = 1;
    int16_t dip_base = 1;
    int16_t dip_step = 1;
    int16_t address_increment = 32;
    std::array<int16_t, kAddressRows> row_colours{};
    std::array<int16_t, kCardAddresses + 1> slot_occupancy{};  // [slot 1..512]
    int16_t current_fixture = 0;      // fixture number drawn highlighted, 0 none
    int16_t last_address = -1;        // the current address, -1 none, 0 after a multipatch placement
    uint8_t lamp_on = 0;              // 1: the test output sends each function's "LAMP ON" value
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
// First address of slot s.
int16_t slot_address(const AddressPanel& panel, int slot);
// Addresses a slot's test spans: the library's channels, or patch_width.
int slot_span(const AddressPanel& panel, const LibraryList& list);
// The colour of a row for its occupant.
int16_t row_colour(const AddressPanel& panel, int16_t occupant);
// "ADDR: %3d DIPSW: 1,3 on" (or "All off "), with " DIPSW2: ..." for 2 banks.
std::string format_dip_switch_text(int16_t switch_count, int16_t value, int16_t address, int16_t banks);
// The slot of the row under a screen y (the page's first above the list),
// capped at slot_count.
int16_t slot_at_pointer_y(const AddressPanel& panel, int16_t y);

}  // namespace setup
