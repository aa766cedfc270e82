// The soft patch in its two forms: soft_patch_table, one entry per output
// slot as soft.dat stores it, and soft_patch_list, the packed list the
// setup's soft patch, multipatch and split-dimmer editors work on while the
// fixture setup is open (and the channel patch compiler reads).
//
// An entry names a fixture by its record index in the setup (1..700), a
// function (1..32 a multipatched function, 50 the dimmer part of a split
// fixture, 100 + n its block of n channels), a card 1..4 and an address
// 1..512 on it. A free entry is fixture -1, the rest 0.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

namespace setup {

constexpr int kSoftPatchSlots = 2048;  // output slots (card - 1) * 512 + address
constexpr int16_t kSoftPatchFree = -1;
constexpr int16_t kSoftPatchDimmerPart = 50;
constexpr int16_t kSoftPatchBlockBase = 100;

struct SoftPatchEntry {
    int16_t fixture = kSoftPatchFree;  // setup record 1..700; -1 free
    int16_t function = 0;              // 1..32 multipatch; 50 dimmer part; 100 + n block of n channels
    uint8_t card = 0;                  // 1..4
    int16_t address = 0;               // 1..512
};

// [slot 1..2048]; index 0 unused.
extern std::array<SoftPatchEntry, kSoftPatchSlots + 1> soft_patch_table;
extern std::vector<SoftPatchEntry> soft_patch_list;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_soft_patch_globals();

// Every slot of the table free.
void clear_soft_patch_table();
// An entry that can be patched: a fixture 1..fixtures, a function 1..32, 50
// or 101..132, a card 1..4 and an address 1..512.
bool is_valid_soft_patch_entry(const SoftPatchEntry& entry, int fixtures);
// The output slot of an entry, (card - 1) * 512 + address.
int soft_patch_slot(const SoftPatchEntry& entry);

// The list anew from the table: every entry that is not free, in slot order.
void load_soft_patch_list();
// The table anew from the list: each entry at its slot, a later entry for a
// slot winning. Entries that are not valid for a rig of `fixtures` fixtures
// are left out; returns how many were.
int fill_soft_patch_table(int fixtures);

}  // namespace setup
