// Playbacks, sequences and cues as the show cycle and the background poll
// run them. (Least bodies until the playbacks are built.)
#pragma once
#include <cstdint>

#include "playback/output_merge.h"
#include "playback/playback_flash.h"
#include "playback/playback_loading.h"
#include "playback/cue_fades.h"
#include "playback/cue_tracking.h"
#include "playback/sequence_commands.h"
#include "playback/sequence_controls.h"
#include "playback/sequence_engine.h"

namespace playback {

void go_to_cue(uint16_t slot, uint8_t record, uint8_t suppress_midi);
void refresh_cue_mode();
// The cue info line ("P: %d C: %d", the transparent modes).
void draw_cue_info_line();

}  // namespace playback
