#include "programmer/park_tables.h"

namespace programmer {

std::array<uint8_t, kParkChannels + 1> park_flags{};
std::array<uint8_t, kParkChannels + 1> park_values{};

}  // namespace programmer
