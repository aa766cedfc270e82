// The two DMX input blocks of the setup: block 1 ("PLAYBACKS-MASTERS-CUES")
// and block 2 ("PLAYBACKS 11-42"), each switched on or off, with the way its
// cue bytes are read and its first input channel (0 when off). The readers
// (card access, key reader, masters, playbacks) use these copies of the live
// setup's fields; take_dmx_inputs refreshes them at show start and after a
// save of the setup.
#pragma once
#include <cstdint>

#include "setup/setup_data.h"

namespace setup {

constexpr uint8_t DMX_IN_DIGITAL = 0;     // a received byte is the number itself
constexpr uint8_t DMX_IN_PERCENTAGE = 1;  // a received byte is a level 0..255 for 0..100

// Highest start a block may have: block 1's cue bytes past channel 512 read
// 0, block 2's 32 playbacks end by channel 512.
constexpr int16_t kDmxIn1LastStart = 496;
constexpr int16_t kDmxIn2LastStart = 481;

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

// The blocks as the live setup holds them.
inline void take_dmx_inputs(const SetupData& setup) {
    dmx_in1_enabled = setup.u8(kSetupDmxIn1Enabled);
    dmx_in1_mode = setup.u8(kSetupDmxIn1Mode);
    dmx_in1_start = setup.i16(kSetupDmxIn1Start);
    dmx_in2_enabled = setup.u8(kSetupDmxIn2Enabled);
    dmx_in2_mode = setup.u8(kSetupDmxIn2Mode);
    dmx_in2_start = setup.i16(kSetupDmxIn2Start);
}

}  // namespace setup
