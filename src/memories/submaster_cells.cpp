#include "memories/submaster_cells.h"

#include "runtime/step_log.h"

namespace memories {

std::array<std::array<uint8_t, kSubmasterFixtures + 1>, kSubmasters + 1> submaster_table{};

void draw_submaster_cell(int16_t submaster, int16_t fixture, uint8_t mode) {
    runtime::log_call("memories::draw_submaster_cell", {submaster, fixture, mode});
}

}  // namespace memories
