// The cue info line inside the point-cue panel: the live cue's page and cue,
// the names of its ten slots with the live point and the slots the sequences
// were loaded from marked, and the transparency in force; and the LEDs of the
// two transparency keys. (draw_cue_info_line is declared in playback_jobs.h.)
#pragma once
#include <cstdint>

namespace playback {

// The names of the transparency modes 0 OFF, 1 ON, 2 DEFAULT.
const char* transparency_name(uint8_t mode);
// The LED state of a transparency key for mode 0, 1 or 2.
uint8_t transparency_led(uint8_t mode);

}  // namespace playback
