// Patch conflicts of the working setup: two channels sent on one card, under
// one protocol name, at one address, and cards on which more than 512 slots
// are claimed. While any exist the setup cannot be saved.
//
// The count is worked out here (count_patch_conflicts, no drawing); the
// red fixtures and the "PATCH CONFLICTS" list come with the conflict panel
// (compute_patch_conflicts and show_patch_conflicts draw nothing yet).
#pragma once
#include <cstdint>

#include "setup/library_list.h"
#include "setup/setup_data.h"

namespace setup {

// Conflict entries found by the last computation; 0 none.
extern int16_t patch_conflict_count;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_patch_conflicts_globals();

// Card entries (more than 512 slots on a card) plus fixture pairs sharing a
// slot (each pair once), from the fixture records and soft_patch_list.
int16_t count_patch_conflicts(const SetupData& setup);
// patch_conflict_count anew for the setup.
void compute_patch_conflicts(const SetupData& setup, LibraryList& list);
// The list's page: mode 1 first, 2 previous, 3 next.
void show_patch_conflicts(uint8_t mode);

}  // namespace setup
