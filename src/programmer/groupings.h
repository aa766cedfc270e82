// The groupings: ordered divisions of fixtures into subgroups that the
// effect spreads and macros give phases by. The editor ("EDIT GROUPS") of
// the current grouping, its name dialog, clearing it, choosing the current
// grouping, selecting its fixtures, the list drawn in the effect pickers, and
// the lookup of a fixture's subgroup. The records live in fixture_groups.h
// (grouping_table, grouping_members); groupa.dat is written through
// datafiles::save_subgroup_file.
//
// A member entry is (patch index - 1) * 34; entries that are no multiple of
// 34 are skipped by every reader.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "programmer/commands.h"
#include "programmer/fixture_groups.h"

namespace programmer {

constexpr int kUsedGroupings = 20;        // groupings 1..20 are offered
constexpr int kEditableSubgroups = 35;    // the editor reaches subgroups 1..35
constexpr int16_t kGroupingEntryStep = 34;
constexpr int16_t kNoGrouping = 21;

// The working set while the editor runs: the 70 counts, the entry list,
// and the current subgroup's own list.
struct GroupingWork {
    std::array<int16_t, kSubgroups + 1> counts{};
    std::vector<int16_t> list;
    std::vector<int16_t> current;
};
extern GroupingWork grouping_work;
extern int16_t current_subgroup;                                // 1..35 while editing
extern std::array<uint8_t, kFixtures + 1> grouping_saved_selection;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_groupings_globals();

// The editor of the current grouping (1..20; nothing otherwise). ENTER
// stores and writes groupa.dat, ESC leaves the grouping as it was; the
// fixture selection is put back either way.
void run_grouping_editor();
// The current subgroup's entries from the working list.
void load_current_subgroup();
// The current subgroup's list back into the working list; its fixtures
// leave every other subgroup.
void commit_current_subgroup();
void draw_group_editor();
// Fixture keys of the page whose fixtures are in another subgroup: both colours.
void mark_other_subgroup_keys();
void edit_grouping_name();
// "CLEAR COMPLETE GROUPING? (Y/N)": ENTER empties the current grouping.
void clear_grouping();
void select_grouping(int16_t grouping);
void draw_grouping_list();
// Selects exactly the current grouping's fixtures (when it has any).
void select_grouping_fixtures();
// The 0-based subgroup of grouping g that holds the fixture, -1 none.
int16_t find_grouping_subgroup(int16_t fixture, int16_t grouping);

}  // namespace programmer
