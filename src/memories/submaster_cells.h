// The two sub masters' fixture membership and the fixture cells of the
// submaster display. (Least body until the submaster display is built.)
#pragma once
#include <array>
#include <cstdint>

namespace memories {

constexpr int kSubmasters = 2;
constexpr int kSubmasterFixtures = 700;

// [sub master 1..2][fixture 1..700]: 1 when the fixture follows that sub master.
extern std::array<std::array<uint8_t, kSubmasterFixtures + 1>, kSubmasters + 1> submaster_table;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_submaster_cells_globals();

// Redraws one fixture's cell of the submaster display: mode 0 while the sub
// master's key is held, 1 on its release.
void draw_submaster_cell(int16_t submaster, int16_t fixture, uint8_t mode);

}  // namespace memories
