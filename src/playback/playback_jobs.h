// Playbacks, sequences and cues as the show cycle and the background poll
// run them. (Least bodies until the playbacks are built.)
#pragma once
#include <cstdint>

#include "playback/output_merge.h"
#include "playback/playback_flash.h"
#include "playback/playback_loading.h"

namespace playback {

void reset_cue_fades();
void go_to_cue(uint16_t slot, uint8_t record, uint8_t suppress_midi);
void run_sequences();
void read_sequence_controls();
void run_cue_fades();
void premove_dark_fixtures();
void toggle_sequence_run(int16_t sequence, uint8_t mode);
void refresh_cue_mode();
// Clears the step values of a fade source (5: the point-cue fades).
void clear_sequence_step(uint8_t source);
// The cue info line ("P: %d C: %d", the transparent modes).
void draw_cue_info_line();

}  // namespace playback
