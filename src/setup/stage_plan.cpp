#include "setup/stage_plan.h"

#include "runtime/step_log.h"

namespace setup {

namespace {
constexpr std::array<int16_t, kStageColours + 1> kStartColours = {0, 2, 3, 5, 6, 7, 8, 10, 11, 12, 13};
}  // namespace

std::array<int16_t, kStageColours + 1> stage_colours{};
int16_t stage_colour_index = 0;

void reset_stage_plan_globals() {
    stage_colours = {};
    stage_colour_index = 0;
}

void init_stage_colours() {
    stage_colours = kStartColours;
    stage_colour_index = 0;
}

void draw_stage_plan(SetupData&) { runtime::log_call("setup::draw_stage_plan"); }
void draw_colour_swatches() { runtime::log_call("setup::draw_colour_swatches"); }
void run_stage_tool(SetupData&, LibraryList&) { runtime::log_call("setup::run_stage_tool"); }
void edit_stage_colours(SetupData&, LibraryList&) { runtime::log_call("setup::edit_stage_colours"); }
void select_colour_swatch_at_mouse() { runtime::log_call("setup::select_colour_swatch_at_mouse"); }
void erase_all_setup(SetupData&, const SetupData&, AddressState&, AddressPanel&, LibraryList&) {
    runtime::log_call("setup::erase_all_setup");
}
void redraw_stage_page(SetupData&, LibraryList&) { runtime::log_call("setup::redraw_stage_page"); }

}  // namespace setup
