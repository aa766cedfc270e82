#include "memories/master_state.h"

namespace memories {

std::array<int16_t, kMasters + 1> master_set_levels{};
std::array<uint8_t, kMasters + 1> master_timecode_flash{};
std::array<double, kMasters + 1> master_timecode_remaining_s{};
std::array<int16_t, kMasters + 1> master_levels{};
std::array<uint8_t, kMasters + 1> master_selection{};
uint8_t selected_master = 1;
std::array<uint8_t, kMasters + 1> master_led_locked{};
std::array<uint8_t, 3> submaster_used{};

void reset_master_state_globals() {
    master_set_levels = {};
    master_timecode_flash = {};
    master_timecode_remaining_s = {};
    master_levels = {};
    master_selection = {};
    selected_master = 1;
    master_led_locked = {};
    submaster_used = {};
}

}  // namespace memories
