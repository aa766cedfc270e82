// The fixture groups: 32 stored sets of fixtures chosen with the 16 group
// keys (81..96) in two banks, stored with STORE (102), their names and the
// name list in the fixture panel. Also the tables of the 100 groupings (named
// divisions of fixtures into subgroups), whose editor is groupings.h. The
// show-data files fill and write both tables.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace programmer {

constexpr int kGroups = 32;
constexpr int kGroupFixtures = 700;
constexpr size_t kGroupNameBytes = 11;  // 10 characters and the NUL

// [group 1..32][fixture 1..700]: 1 when the fixture belongs to the group.
extern std::array<std::array<uint8_t, kGroupFixtures + 1>, kGroups + 1> group_table;
// [group 1..32]: the group's name, NUL-terminated; empty = no name.
extern std::array<std::array<char, kGroupNameBytes>, kGroups + 1> group_names;

constexpr int kGroupings = 100;
constexpr int kSubgroups = 70;

// One grouping: a name and the member count of each subgroup.
struct Grouping {
    std::array<char, kGroupNameBytes> name{};     // NUL-terminated; empty = no name
    uint8_t subgroup_count = 0;                   // highest subgroup with members; 0 = empty
    std::array<int16_t, kSubgroups + 1> member_counts{};  // [subgroup 1..70]
};

// [grouping 1..100].
extern std::array<Grouping, kGroupings + 1> grouping_table;
// [grouping 1..100]: the members of subgroup 1, then of subgroup 2 and so
// on, member_counts[j] values for subgroup j.
extern std::array<std::vector<int16_t>, kGroupings + 1> grouping_members;

// [group 1..32]: 1 when the group has a member; recomputed, never stored.
extern std::array<uint8_t, kGroups + 1> group_used;
// [group 1..32]: 1 when the group is selected (its key LED green).
extern std::array<uint8_t, kGroups + 1> group_selected;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_fixture_groups_globals();

// Group g of group key 81..96 in the current bank (bank 2: groups 17..32).
int16_t group_of_key(int16_t key);

// Group keys 81..96 (tap: toggle; two keys: the range between them; a group
// key held and STORE: store into it), the bank key 101 and STORE 102 pressed
// first (each group key pressed while STORE is held stores into its group).
// The handle_group_key declared in commands.h.

// Selects group g, or the groups a..b, and their members; the current fixture
// follows when it is no member.
void select_group(int16_t group);
void select_group_range(int16_t first, int16_t last);
// Deselects group g, or a..b; a member that also belongs to another group
// still selected stays selected.
void deselect_group(int16_t group);
void deselect_group_range(int16_t first, int16_t last);
// The selection becomes group g (1..32) and the groups file is written; a
// group left empty loses its name.
void store_group(int16_t group);
// Bank 1 and 2 alternate (LED of key 101 lit in bank 2).
void toggle_group_bank();

// The group key LEDs of the bank (selected groups lit) and the name list.
void update_group_leds();
// The group key LEDs showing which groups of the bank have members, in LED
// state `used_state` (a blinking one); the others off.
void show_group_bank_leds(uint8_t used_state);
void update_group_used_flags();
void update_group_used_flag(int16_t group);
// The 16 names of the bank in the fixture panel, while it is shown.
void draw_group_name_list();

// Whether group 1..32 holds at least one fixture; false for any other number.
bool group_exists(int16_t group);
// The name dialog of group 1..32.
void edit_group_names(int16_t group);

}  // namespace programmer
