#include "memories/submaster_cells.h"

#include "programmer/fixture_pages.h"
#include "programmer/fixture_selection.h"
#include "runtime/key_leds.h"

namespace memories {

std::array<std::array<uint8_t, kSubmasterFixtures + 1>, kSubmasters + 1> submaster_table{};

void reset_submaster_cells_globals() {
    submaster_table = {};
}

namespace {
constexpr int16_t kMemberMarker = 0;  // black
}  // namespace

void draw_submaster_cell(int16_t submaster, int16_t fixture, uint8_t mode) {
    if (submaster < 1 || submaster > kSubmasters || fixture < 1 || fixture > kSubmasterFixtures) return;
    const bool member = submaster_table[static_cast<size_t>(submaster)][static_cast<size_t>(fixture)] != 0;
    if (member && mode == 0) {
        programmer::paint_fixture_marker(fixture, kMemberMarker, runtime::LED_ON_BOTH);
        return;
    }
    const bool selected = programmer::fixture_selected[static_cast<size_t>(fixture)] == 1;
    programmer::paint_fixture_marker(fixture, programmer::fixture_stage_colour(fixture),
                                     mode == 1 && selected ? runtime::LED_ON_2 : runtime::LED_OFF);
}

}  // namespace memories
