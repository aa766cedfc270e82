#include "programmer/fixture_groups.h"

#include <algorithm>

#include "runtime/console_state.h"
#include "runtime/step_log.h"

namespace programmer {

std::array<std::array<uint8_t, kGroupFixtures + 1>, kGroups + 1> group_table{};
std::array<std::array<char, kGroupNameBytes>, kGroups + 1> group_names{};
std::array<Grouping, kGroupings + 1> grouping_table{};
std::array<std::vector<int16_t>, kGroupings + 1> grouping_members;

void reset_fixture_groups_globals() {
    group_table = {};
    group_names = {};
    grouping_table = {};
    for (std::vector<int16_t>& members : grouping_members) std::vector<int16_t>().swap(members);
}

void update_group_leds() { runtime::log_call("programmer::update_group_leds"); }
bool group_exists(int16_t group) {
    if (group < 1 || group > kGroups) return false;
    const auto& members = group_table[static_cast<size_t>(group)];
    return std::any_of(members.begin() + 1, members.end(), [](uint8_t member) { return member != 0; });
}
void edit_group_names(int16_t group) { runtime::log_call("programmer::edit_group_names", {group}); }

void select_grouping(int16_t grouping) {
    runtime::log_call("programmer::select_grouping", {grouping});
    if (grouping >= 1 && grouping <= 21) runtime::current_grouping = grouping;
}
void select_grouping_fixtures() { runtime::log_call("programmer::select_grouping_fixtures"); }
void run_grouping_editor() { runtime::log_call("programmer::run_grouping_editor"); }
void clear_grouping() { runtime::log_call("programmer::clear_grouping"); }
void draw_grouping_list() { runtime::log_call("programmer::draw_grouping_list"); }

int16_t find_grouping_subgroup(int16_t fixture, int16_t grouping) {
    constexpr int kEntryStep = 34;
    if (grouping < 1 || grouping > kGroupings) return -1;
    const Grouping& g = grouping_table[static_cast<size_t>(grouping)];
    const std::vector<int16_t>& members = grouping_members[static_cast<size_t>(grouping)];
    size_t at = 0;
    for (int s = 1; s <= kSubgroups; ++s) {
        const int count = std::max<int>(g.member_counts[static_cast<size_t>(s)], 0);
        for (int i = 0; i < count && at < members.size(); ++i, ++at) {
            const int entry = members[at];
            if (entry >= 0 && entry % kEntryStep == 0 && entry / kEntryStep + 1 == fixture) {
                return static_cast<int16_t>(s - 1);
            }
        }
    }
    return -1;
}

}  // namespace programmer
