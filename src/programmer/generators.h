// The channel effect generators. (Least body until the generators are built.)
#pragma once
#include <cstdint>

namespace programmer {

// Generator parameter k (1..6) of the selection from the generator bank's
// fader value of k moved by delta.
void apply_wheel_to_generator_param(int16_t parameter, int16_t delta);

}  // namespace programmer
