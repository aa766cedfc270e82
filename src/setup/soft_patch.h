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
#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

namespace setup {

constexpr int kSoftPatchSlots = 2048;  // output slots (card - 1) * 512 + address
constexpr int16_t kSoftPatchFree = -1;
constexpr int16_t kSoftPatchDimmerPart = 50;
constexpr int16_t kSoftPatchBlockBase = 100;
constexpr int16_t kSoftPatchAnyBlock = 101;     // find_soft_patch_entry: the block, whatever its width
constexpr int16_t kSoftPatchRemoved = -100;     // function of an entry marked for removal
constexpr int kOutputSlotCancelled = -10;       // a cancelled pick of an output slot
constexpr int kSoftPatchPageRows = 11;          // patch panel rows a page

struct SoftPatchEntry {
    int16_t fixture = kSoftPatchFree;  // setup record 1..700; -1 free
    int16_t function = 0;              // 1..32 multipatch; 50 dimmer part; 100 + n block of n channels
    uint8_t card = 0;                  // 1..4
    int16_t address = 0;               // 1..512
    bool operator==(const SoftPatchEntry&) const = default;
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

// Whether memory for a list of `count` entries can be had; the list
// operations ask before they grow a list. Tests replace it to run out.
extern bool (*setup_list_memory)(size_t count);
// Grows `list` by one entry; false (list unchanged) without the memory.
template <typename T>
bool append_list_entry(std::vector<T>& list, const T& entry) {
    if (!setup_list_memory(list.size() + 1)) return false;
    try {
        list.push_back(entry);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

// The output slot 1..2048 of an entry that stays on its card, 0 for a card
// or address out of range (bad input is never used as an index).
int checked_soft_patch_slot(const SoftPatchEntry& entry);

// The first entry of `fixture` (1-based record) with `function`, or with
// function 101 the first block entry (function above 100); the found
// function is written back. The entry's index, or -1 (card 100, address -1).
int find_soft_patch_entry(int16_t fixture, int16_t& function, uint8_t& card, int16_t& address);

// The list index of the selected row of a function: its `row`-th entry
// (1-based) when that lies on `page` (11 rows a page); -1 for none.
int soft_patch_row_entry(int16_t fixture, int16_t function, int row, int page);
// Entries of a fixture's function, in list order.
int soft_patch_function_entries(int16_t fixture, int16_t function);

// Mode 0: removes the entry at `selected` (see soft_patch_row_entry) and
// every entry equal to it; mode 1: every entry of the fixture's function;
// mode 2: none besides. Every mode drops the entries marked removed.
// False (list unchanged) for mode 0 without a selected entry.
bool delete_soft_patch_entries(int16_t fixture, int16_t function, int mode, int selected);
// Drops every entry of a removed fixture (fixture kKilledSoftPatchEntry, setup/fixture_editing_rig.h).
void purge_killed_soft_patch_entries();

// What adding one output slot to a multipatched function meets.
enum class SoftPatchAdd : uint8_t {
    out_of_range,  // slot outside 1..2048 (a cancelled pick)
    duplicate,     // the function has it already (outside range mode)
    taken,         // a multipatch entry holds the card and address: `conflict`
    free,          // it may be appended
};
struct SoftPatchAddCheck {
    SoftPatchAdd outcome = SoftPatchAdd::free;
    int conflict = -1;  // list index of the entry holding the slot
};
// The checks of an addition in their order: range, duplicate (not in
// range mode, which goes on to the next check), taken.
SoftPatchAddCheck check_soft_patch_channel(int slot, const SoftPatchEntry& entry, bool range_mode);

// The conflict of a split fixture's entry moved to a card and address: the
// first entry, in list order, of another fixture starting there; -1 none.
// `own` is the index of the moved entry (the last of its fixture and function).
int split_patch_conflict(int own, int16_t fixture, uint8_t card, int16_t address);
// The index of the last entry of a fixture and function, -1 none.
int last_soft_patch_entry(int16_t fixture, int16_t function);

// The slots of the keypad list entry. Each number comes with the key that
// ended it: PLUS, MINUS and RANGE set what the next number does (add, mark
// removed, or end a range the number began); ENTER and ESC end the entry.
enum class KeypadEnd : uint8_t { done = 0, plus = 1, minus = 2, range = 3 };
class SoftPatchKeypadList {
public:
    // A number as a slot 1..2048, or 0 for one that is not valid (ignored,
    // though its end key still counts).
    void take(int slot, KeypadEnd end);
    // The slots not marked removed, in collection order.
    std::vector<int> slots() const;

private:
    struct Collected {
        int slot = 0;
        bool removed = false;
    };
    void apply(int slot, bool remove);
    std::vector<Collected> collected_;
    bool remove_next_ = false;   // the key before the next number was MINUS
    int range_start_ = 0;        // a number ended by RANGE, waiting for its end
    bool range_remove_ = false;
};

}  // namespace setup
