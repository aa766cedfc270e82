// The cue screen: the point-cue panel of the left column. (Least body until
// the cue screen is built.)
#pragma once

namespace playback {

// The cue screen's point-cue panel in the left column.
void draw_point_cue_panel();

}  // namespace playback
