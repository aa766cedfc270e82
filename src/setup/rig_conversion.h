// The show data following a changed rig: the fixture records renumbered by
// page, the old fixture each new one takes its data from, the backup of the
// data folder, and every show file and table converted to the new fixtures.
//
// The conversion writes nothing over the show's files: the converted files
// wait in converted_show_files() until the setup's save commits them with
// the rig's own files (setup.dat last); finish_show_conversion then keeps
// the converted tables, or, when the save failed, puts the old ones back.
#pragma once
#include <vector>

#include "datafiles/whole_files.h"
#include "setup/fixture_map.h"
#include "setup/library_list.h"
#include "setup/setup_data.h"

namespace setup {

// The edited setup's records sorted by page and key, the soft patch list following them.
void renumber_fixtures_by_page(SetupData& edited);

// The fixture map: the three matching passes, then the question for each
// fixture still new that has a fixture of its type to copy from.
void ask_copy_source_fixture(LibraryList& list, const SetupData& edited, FixtureMap& map);

// Converts the show data from the live rig to the edited one (whose records
// are sorted): the map, the backup in data\backup, and when the rig changed
// the converters. False when it could not (the backup or memory failed);
// the show's files and tables are then as they were and nothing may be saved.
bool convert_show_data(const SetupData& edited, LibraryList& list);

// The files the conversion made, to be committed before setup.dat.
const std::vector<datafiles::FileImage>& converted_show_files();
// After the save's commit: saved keeps the converted tables, drops the
// stale temporary files and settles the point cues; otherwise the tables
// as they were are put back. Either way the converted files are forgotten.
void finish_show_conversion(bool saved);

// Every global of this module back to its value at program load (a clean start for each test).
void reset_rig_conversion_globals();

}  // namespace setup
