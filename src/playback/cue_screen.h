// The cue screen: the point-cue panel of the left column. (Least body until
// the cue screen is built.)
#pragma once
#include <cstdint>

namespace playback {

// The cue screen's point-cue panel in the left column.
void draw_point_cue_panel();

// Fills the cell of cue 1..70 of the shown page in the cue grid with a colour.
void paint_cue_cell(int16_t cue, uint8_t colour);

}  // namespace playback
