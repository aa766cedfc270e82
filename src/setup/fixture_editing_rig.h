// The rig editor's engine on the working setup: numbering a fixture that
// comes onto a page, moving a key by dragging, storing a placed fixture
// (and its type when new), removing a fixture (and its type when it was the
// type's last), and the input address toggle. Every record index is 1-based
// and bounded by the stored fixture count; nothing here draws.
#pragma once
#include <cstdint>

#include "setup/address_list_slots.h"
#include "setup/address_state.h"
#include "setup/library_list.h"
#include "setup/setup_data.h"

namespace setup {

constexpr int16_t kKilledSoftPatchEntry = -10;  // an entry of a removed fixture, awaiting the purge

// The fixture number of record f; its page and key.
int fixture_number_of(const SetupData& setup, int f);
void set_fixture_number(SetupData& setup, int f, int number);
// Gives record f (not on page p, which has room) a number on page p: behind
// the last fixture of its type there, else at the end; the page's numbers
// at and above it move up and every other page is closed up. The new number.
int number_fixture_on_page(SetupData& setup, int f, int page);
// Key s of the page goes to key t (both 1..m); the keys between shift by one.
// False when either key is not held on the page or they are equal.
bool move_fixture_key(SetupData& setup, int page, int s, int t);

// What a placed fixture is stored with.
struct Placement {
    int16_t slot = 0;          // address slot, 28 the MULTIPATCH row
    uint8_t multipatch = 0;
    int16_t x = 0;             // stage units
    int16_t y = 0;
    uint8_t orientation = 0;
    int16_t stage_colour = 0;
};
// Adds the record (type slot first when the library's type is new) with a
// zeroed record's fields filled, numbered on the current page; the record
// index, 0 when the tables are full or no library is loaded.
int store_placed_fixture(SetupData& setup, const AddressState& state, const LibraryList& list,
                         const AddressPanel& panel, const Placement& placement);
// The output address a placement gives: 0 multipatch, -1 soft patch, else
// the slot's address.
int16_t placement_address(const AddressPanel& panel, const LibraryList& list, const Placement& placement);

// Removes record f: its type's slot when it was the last of its type (later
// slots and the records' type indexes move down), the record (later records
// move down, the freed last one is zeroed), its soft patch entries marked
// kKilledSoftPatchEntry and later record indexes decremented, and the
// numbers above it on its page one lower. False for a record out of range.
bool remove_fixture(SetupData& setup, int f);

// input_address: 0 <-> the output address.
void flip_fixture_input_address(SetupData& setup, int f);

}  // namespace setup
