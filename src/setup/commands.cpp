#include "setup/commands.h"

#include "runtime/step_log.h"

namespace setup {

void draw_stage_fixture() { runtime::log_call("setup::draw_stage_fixture"); }
void draw_fixture_number(int16_t fixture_index, int16_t colour) {
    runtime::log_call("setup::draw_fixture_number", {fixture_index, colour});
}

}  // namespace setup
