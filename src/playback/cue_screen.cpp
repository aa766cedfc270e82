#include "playback/cue_screen.h"

namespace playback {

void draw_point_cue_panel() {}

}  // namespace playback
