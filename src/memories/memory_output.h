// A memory straight onto the output, without the programmer: through the
// value setters (mode 0, the sequence-step preview) or into the live layer
// (mode 1, the timecode player), with references resolved.
#pragma once
#include <cstdint>

namespace memories {

constexpr uint8_t kThroughSetters = 0;
constexpr uint8_t kIntoLiveLayer = 1;

// Mode 1 leaves targets that are hand-set or frozen alone and marks every
// target it writes, so that the next merge sends it. A memory outside
// 1..4000 does nothing.
void apply_memory_to_output(int16_t memory, uint8_t mode);

}  // namespace memories
