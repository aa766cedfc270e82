// The thresholds: which functions of each fixture type the threshold being
// programmed acts on. (Only the marks so far; the threshold screens are not
// built yet.)
#pragma once
#include <array>
#include <cstdint>

#include "setup/fixture_type.h"

namespace memories {

// Per type index 0..39 and library function 0..31: 1 when the function is
// marked for the threshold being programmed.
using ThresholdFunctionMarks =
    std::array<std::array<uint8_t, setup::kMaxTypeChannels>, setup::kMaxFixtureTypes>;
extern ThresholdFunctionMarks threshold_function_marks;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_thresholds_globals();

}  // namespace memories
