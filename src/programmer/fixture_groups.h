// The fixture groups and the groupings: the group key LEDs, the 32 groups'
// membership and names, and the 100 groupings (named divisions of fixtures
// into subgroups). The show-data files fill and write the tables; the group
// and grouping commands are built elsewhere. (The group key LEDs are a least
// body until the groups are built.)
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

// Every global of this module back to its value at program load (a clean start for each test).
void reset_fixture_groups_globals();

// The group key LEDs and the group name list.
void update_group_leds();

// Whether group 1..32 holds at least one fixture; false for any other number.
bool group_exists(int16_t group);
// The name dialog of group 1..32.
void edit_group_names(int16_t group);

// The 0-based index of the first subgroup of grouping g that holds patch
// index f (entries (f - 1) * 34), -1 when none does or g has no entries.
int16_t find_grouping_subgroup(int16_t fixture, int16_t grouping);
// The grouping commands of the effect pickers: make grouping g current
// (21 none), select the current grouping's fixtures, clear it, edit it, and
// draw the list of the 20 groupings.
void select_grouping(int16_t grouping);
void select_grouping_fixtures();
void clear_grouping();
void run_grouping_editor();
void draw_grouping_list();

}  // namespace programmer
