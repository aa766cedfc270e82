// The park tables of the lamp commands: while a lamp command holds a
// control channel its flag is not 0 (the command number) and ordinary
// output only updates the remembered level. (The lamp commands fill them.)
#pragma once
#include <array>
#include <cstdint>

namespace programmer {

constexpr int kParkChannels = 2048;

extern std::array<uint8_t, kParkChannels + 1> park_flags;   // [1..2048]
extern std::array<uint8_t, kParkChannels + 1> park_values;  // [1..2048]

// Every global of this module back to its value at program load (a clean start for each test).
void reset_park_tables_globals();

}  // namespace programmer
