#include "playback/cue_screen.h"

#include "runtime/step_log.h"

namespace playback {

void draw_point_cue_panel() { runtime::log_call("playback::draw_point_cue_panel"); }
void paint_cue_cell(int16_t cue, uint8_t colour) { runtime::log_call("playback::paint_cue_cell", {cue, colour}); }

}  // namespace playback
