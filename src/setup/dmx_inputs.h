// The two DMX input blocks of the setup: the first input channel of block 1
// ("PLAYBACKS-MASTERS-CUES") and block 2 ("PLAYBACKS 11-42"); 0 when off.
#pragma once
#include <cstdint>

namespace setup {

inline int16_t dmx_in1_start = 0;
inline int16_t dmx_in2_start = 0;

}  // namespace setup
