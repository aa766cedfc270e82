#include "setup/commands.h"

#include "setup/setup_data.h"
#include "setup/stage_plan.h"

namespace setup {

void draw_stage_fixture() { draw_stage_page(setup_data); }
void draw_fixture_number(int16_t fixture_index, int16_t colour) { draw_fixture_number(setup_data, fixture_index, colour); }

}  // namespace setup
