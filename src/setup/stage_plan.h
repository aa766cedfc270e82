// The stage plan of the setup screen: the stage colours a fixture may take,
// the plan of the current page, the stage tools, the colour swatches and
// their editor, ERASE ALL and REDRAW. (Least bodies, but for the stage
// colours' start values, until the stage plan editor is built.)
#pragma once
#include <array>
#include <cstdint>

#include "setup/address_list.h"
#include "setup/address_state.h"
#include "setup/library_list.h"
#include "setup/setup_data.h"

namespace setup {

constexpr int kStageColours = 10;

// [1..10]: the colour indices a fixture may have on the stage plan, and the
// entry a newly placed fixture takes.
extern std::array<int16_t, kStageColours + 1> stage_colours;
extern int16_t stage_colour_index;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_stage_plan_globals();

void init_stage_colours();

void draw_stage_plan(SetupData& setup);
void draw_colour_swatches();
void run_stage_tool(SetupData& setup, LibraryList& list);
void edit_stage_colours(SetupData& setup, LibraryList& list);
void select_colour_swatch_at_mouse();
void erase_all_setup(SetupData& setup, const SetupData& live, AddressState& state, AddressPanel& panel, LibraryList& list);
void redraw_stage_page(SetupData& setup, LibraryList& list);

}  // namespace setup
