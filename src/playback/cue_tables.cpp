#include "playback/cue_tables.h"

namespace playback {

std::array<CueHeader, kCueSlots + 1> cue_header_table{};
std::array<uint8_t, kCues + 1> cue_point_flags{};
int16_t cue_used_count = 0;
std::array<int32_t, kCueTimes> current_cue_times{};
std::array<uint16_t, kCueTimes> pointcue_edit_times{};

void reset_cue_tables_globals() {
    cue_header_table = {};
    cue_point_flags = {};
    cue_used_count = 0;
    current_cue_times = {};
    pointcue_edit_times = {};
}

}  // namespace playback
