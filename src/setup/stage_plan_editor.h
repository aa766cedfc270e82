// The stage plan editor's screens: the eight tools of the stage toolbar
// (adding ellipses, rectangles, lines and texts to the current fixture page;
// stepping through a kind's items to clear or move one), the colour swatches
// and the "EDIT COLORS" menu with its recolouring of fixtures and items,
// ERASE ALL and REDRAW. All work on the working copy of the setup block;
// the records and their rules are in setup/stage_plan_edit.h.
#pragma once
#include "setup/address_list.h"
#include "setup/address_state.h"
#include "setup/library_list.h"
#include "setup/setup_data.h"

namespace setup {

// The tool whose button in the stage toolbar holds the pointer.
void run_stage_tool(SetupData& setup, LibraryList& list);
// New items of a kind in the current colour, until cancelled or full.
void add_stage_ellipse(SetupData& setup);
void add_stage_rectangle(SetupData& setup);
void add_stage_line(SetupData& setup);
// One text item typed in and placed with the trackerball.
void add_stage_text(SetupData& setup);
// The page's items of a kind one by one (LAST, NEXT) to clear (DEL) or move (LMB).
void edit_stage_ellipses(SetupData& setup, LibraryList& list);
void edit_stage_rectangles(SetupData& setup, LibraryList& list);
void edit_stage_lines(SetupData& setup, LibraryList& list);
void edit_stage_texts(SetupData& setup, LibraryList& list);

// The ten swatches and the mark of the current colour (nothing while patch
// conflicts are shown in their place).
void draw_colour_swatches();
void select_colour_swatch_at_mouse();
// The "EDIT COLORS" menu, then the recolouring of the kind chosen.
void edit_stage_colours(SetupData& setup, LibraryList& list);
void recolour_stage_fixtures(SetupData& setup, LibraryList& list);
void recolour_stage_ellipses(SetupData& setup, LibraryList& list);
void recolour_stage_rectangles(SetupData& setup, LibraryList& list);
void recolour_stage_lines(SetupData& setup, LibraryList& list);
void recolour_stage_texts(SetupData& setup, LibraryList& list);

// ERASE ALL: after a left click (or ENTER) the rig is emptied; a right
// click (or ESC) keeps it.
void erase_all_setup(SetupData& setup, const SetupData& live, AddressState& state, AddressPanel& panel, LibraryList& list);
// REDRAW: the stage page drawn again, the conflicts recomputed, three tones.
void redraw_stage_page(SetupData& setup, LibraryList& list);

}  // namespace setup
