#include "playback/cue_tables.h"

namespace playback {

std::array<CueHeader, kCueSlots + 1> cue_header_table{};
std::array<uint8_t, kCues + 1> cue_point_flags{};
std::array<int32_t, kCueTimes> current_cue_times{};

}  // namespace playback
