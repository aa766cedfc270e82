#include "memories/submaster_cells.h"

namespace memories {

std::array<std::array<uint8_t, kSubmasterFixtures + 1>, kSubmasters + 1> submaster_table{};

void reset_submaster_cells_globals() {
    submaster_table = {};
}

void draw_submaster_cell(int16_t, int16_t, uint8_t) {}

}  // namespace memories
