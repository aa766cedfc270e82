#include "playback/cue_screen.h"

#include "runtime/step_log.h"

namespace playback {

void draw_point_cue_panel() { runtime::log_call("playback::draw_point_cue_panel"); }

}  // namespace playback
