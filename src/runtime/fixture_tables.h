// Derived fixture tables: what the show start builds from the setup for the
// rest of the console to read. (The builders are least bodies until they are
// built; the tables stay empty until then.)
#pragma once
#include <array>
#include <cstdint>

namespace runtime {

// The fixtures on the keys of each fixture page: [page 1..10][key 1..70] the
// fixture's 0-based index, and the number of fixtures on each page (they
// occupy keys 1 to count).
constexpr int kFixturePages = 10;
constexpr int kFixtureKeys = 70;
extern std::array<std::array<uint16_t, kFixtureKeys + 1>, kFixturePages + 1> fixture_bank_keys;
extern std::array<uint8_t, kFixturePages + 1> fixture_bank_counts;

void init_fixture_tables();
void init_wheel_last_values();

}  // namespace runtime
