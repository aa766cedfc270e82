#include "ui/screen_neighbours.h"

namespace programmer {

void draw_fixture_screen() {}
void update_group_leds() {}

}  // namespace programmer

namespace playback {

std::array<int32_t, kCueTimes> current_cue_times{};

void draw_point_cue_panel() {}

}  // namespace playback

namespace ui {

void draw_control_channel_faders() {}
void draw_free_counters() {}

int16_t frozen_playback_count = 0;
int16_t frozen_sequence_count = 0;
int16_t frozen_fixture_count = 0;

uint8_t status_level = 0;
int16_t status_percent = 0;

void reset_screen_neighbours_globals() {
    playback::current_cue_times = {};
    frozen_playback_count = 0;
    frozen_sequence_count = 0;
    frozen_fixture_count = 0;
    status_level = 0;
    status_percent = 0;
}

}  // namespace ui
