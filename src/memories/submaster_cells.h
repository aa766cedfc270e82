// The two sub masters' fixture membership and the fixture cells of the
// submaster editor: a marker in each fixture key's cell and the key's LED.
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

// One fixture's cell and key LED, when the fixture is on the shown page.
// Mode 0 (editing): a member of the sub master has a black marker and both
// LED colours. Otherwise (mode 1, the normal look) the marker has the
// fixture's stage colour and the LED shows the selection (mode 0: off).
void draw_submaster_cell(int16_t submaster, int16_t fixture, uint8_t mode);

}  // namespace memories
