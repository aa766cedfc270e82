#include "playback/commands.h"

namespace playback {

void show_cue_page(int16_t) {}
void go_to_previous_cue() {}
void go_to_next_cue() {}
void cycle_playback_label_mode() {}
void cycle_playback_label_mode_forward() {}
void run_copy_dialog() {}
void store_sequences_in_cue() {}
void select_sequence_control(int16_t, int16_t) {}
void select_flash_mode_playbacks(int16_t) {}
void edit_playback_times(int16_t) {}
void update_point_cue_leds() {}
void apply_trackerball_to_playback() {}
void apply_trackerball_to_sequence(int16_t) {}

}  // namespace playback
