#include "playback/playback_jobs.h"

namespace playback {

void reset_cue_fades() {}
void go_to_cue(uint16_t, uint8_t, uint8_t) {}
void scan_playback_faders(uint8_t) {}
void run_sequences() {}
void read_sequence_controls() {}
void run_cue_fades() {}
void update_dirty_outputs() {}
void premove_dark_fixtures() {}
void toggle_sequence_run(int16_t, uint8_t) {}
void refresh_cue_mode() {}

}  // namespace playback
