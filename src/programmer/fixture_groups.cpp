#include "programmer/fixture_groups.h"

#include <algorithm>

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

}  // namespace programmer
