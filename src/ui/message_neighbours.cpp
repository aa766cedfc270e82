#include "ui/message_neighbours.h"

namespace memories {

int16_t current_memory = 1;
std::array<uint8_t, kMemories + 1> memory_used{};

}  // namespace memories

namespace playback {

std::array<CueHeader, kCueSlots + 1> cue_header_table{};
std::array<uint8_t, kCues + 1> cue_point_flags{};

}  // namespace playback

namespace ui {

void draw_cue_panel() {}
void draw_current_memory_panel() {}

void reset_message_neighbours_globals() {
    memories::current_memory = 1;
    memories::memory_used = {};
    playback::cue_header_table = {};
    playback::cue_point_flags = {};
}

}  // namespace ui
