// The show data following a changed rig: the fixture records renumbered by
// page, and every show file and table converted to the new fixtures.
// (Least bodies until the conversion is built.)
#pragma once
#include "setup/library_list.h"
#include "setup/setup_data.h"

namespace setup {

void renumber_fixtures_by_page(SetupData& edited);
// Converts the show data from the live rig to the edited one; false when it
// could not, and then nothing may be saved. Until the conversion is built a
// rig whose fixtures differ from the live ones (count, types, first
// channels) is refused, since the show data would no longer fit it.
bool convert_show_data(const SetupData& edited, LibraryList& list);

}  // namespace setup
