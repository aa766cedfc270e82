#include "programmer/park_tables.h"

namespace programmer {

std::array<uint8_t, kParkChannels + 1> park_flags{};
std::array<uint8_t, kParkChannels + 1> park_values{};

void reset_park_tables_globals() {
    park_flags = {};
    park_values = {};
}

}  // namespace programmer
