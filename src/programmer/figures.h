// The pan/tilt figures. (Least body until the figures are built.)
#pragma once
#include <cstdint>

namespace programmer {

// Figure parameter k (1..10) of the selection from the figure bank's fader
// value of k moved by delta.
void apply_wheel_to_figure_param(int16_t parameter, int16_t delta);

}  // namespace programmer
