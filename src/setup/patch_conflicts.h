// Patch conflicts of the working setup on the setup screen: after a rig
// change the conflicts are worked out (setup/patch_conflict_list.h), the
// fixtures of the current page that take part in a pair are drawn red with
// white numbers, and the right-hand panel shows the "PATCH CONFLICTS" list
// (11 entries a page) or, with none, its "FUNCTION PATCHING" form. While any
// conflict exists the stage tools are closed and the setup cannot be saved.
// The soft patch editors light a function's output slots from here.
#pragma once
#include <cstdint>
#include <vector>

#include "setup/library_list.h"
#include "setup/patch_conflict_list.h"
#include "setup/setup_data.h"

namespace setup {

constexpr int kConflictPageRows = 11;

// The entries of the last computation, their count (0 none; not 0 also
// when the list ran out of memory, so saving stays refused) and the page shown.
extern std::vector<PatchConflict> patch_conflicts;
extern int16_t patch_conflict_count;
extern uint8_t conflict_list_page;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_patch_conflicts_globals();
// An empty list (the setup's entry, the show start).
void clear_patch_conflicts();

// The number of entries find_patch_conflicts gives for the setup.
int16_t count_patch_conflicts(const SetupData& setup);
// Works the list out anew, draws the current page's fixtures in their
// colours and the right-hand panel.
void compute_patch_conflicts(const SetupData& setup, LibraryList& list);
// The list's page: mode 1 first, 2 previous, 3 next; nothing without entries.
void show_patch_conflicts(uint8_t mode);
// found 1: the "PATCH CONFLICTS" panel at its first page; 0: "FUNCTION PATCHING".
void draw_patch_conflict_panel(bool found, LibraryList& list);
// Unless blind: every output 0, then (mode 1, function not 0) each output
// slot of the fixture's (0-based index) function at 128, or, when
// `occurrence` names its n-th entry, that one at 128 and the others at 64.
void show_soft_patch_outputs(int16_t fixture, uint8_t function, uint8_t mode, int16_t occurrence);

}  // namespace setup
