// The two DMX input blocks of the setup: block 1 ("PLAYBACKS-MASTERS-CUES")
// and block 2 ("PLAYBACKS 11-42"), each switched on or off, with the way its
// cue bytes are read and its first input channel (0 when off).
#pragma once
#include <cstdint>

namespace setup {

constexpr uint8_t DMX_IN_DIGITAL = 0;     // a received byte is the number itself
constexpr uint8_t DMX_IN_PERCENTAGE = 1;  // a received byte is a level 0..255 for 0..100

inline uint8_t dmx_in1_enabled = 0;
inline uint8_t dmx_in1_mode = DMX_IN_DIGITAL;
inline int16_t dmx_in1_start = 0;

inline uint8_t dmx_in2_enabled = 0;
inline uint8_t dmx_in2_mode = DMX_IN_DIGITAL;
inline int16_t dmx_in2_start = 0;

// Every global of this module back to its value at program load (a clean start for each test).
inline void reset_dmx_inputs_globals() {
    dmx_in1_enabled = 0;
    dmx_in1_mode = DMX_IN_DIGITAL;
    dmx_in1_start = 0;
    dmx_in2_enabled = 0;
    dmx_in2_mode = DMX_IN_DIGITAL;
    dmx_in2_start = 0;
}

}  // namespace setup
