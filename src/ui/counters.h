// Counters, page titles and wheel mode: the small headers of the main
// screen. (Least body until they are built.)
#pragma once

namespace ui {

// The box of the three free counters (memories, cue memories, cues) above
// the lower-left frame.
void draw_free_counters();

}  // namespace ui
