// Counters, page titles and wheel mode: the small headers of the main
// screen. (Least body until they are built.)
#pragma once
#include <cstdint>

namespace ui {

// The box of the three free counters (memories, cue memories, cues) above
// the lower-left frame.
void draw_free_counters();
// The title of the shown cue page with its PREP and TRACE marks.
void draw_cue_page_title(int16_t colour);

}  // namespace ui
