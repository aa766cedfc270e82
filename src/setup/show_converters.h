// The converters of the show data to a changed rig: every memory, cue
// memory, preset, threshold, group, submaster and grouping, the programmer,
// the running output and the live layer, and the default values move along
// the record and fixture pairs of the fixture map (setup/fixture_map.h).
// Data of an old fixture that is nobody's source are dropped; a new fixture
// without a source is left unset everywhere.
//
// The converters change the show tables in memory; the files are made from
// the converted tables afterwards (converted_file_images) and committed by
// the setup's save together with setup.dat. Until then the tables as they
// were are kept, so that a save that fails can put them back.
#pragma once
#include <cstdint>
#include <vector>

#include "datafiles/whole_files.h"
#include "setup/fixture_map.h"
#include "setup/setup_save.h"

namespace setup {

// Keeps the show tables as they are now; the converters may then replace them.
void keep_show_tables();
// The kept tables back in place, the converted ones freed (a failed save).
void put_back_show_tables();
// The kept tables freed: the converted ones stay (a committed save).
void release_kept_show_tables();

// Each converter gives false when memory ran out; the save must then fail
// (the tables converted so far are put back with the rest).
bool convert_memories(const ConversionPairs& pairs, StatusWriter status);
bool convert_cue_memories(const ConversionPairs& pairs, StatusWriter status);
bool convert_presets(const ConversionPairs& pairs);
bool convert_generator_presets(const ConversionPairs& pairs);
bool convert_figure_presets(const ConversionPairs& pairs);
bool convert_thresholds(const ConversionPairs& pairs);
void convert_fixture_groups(const ConversionPairs& pairs);
void convert_submasters(const ConversionPairs& pairs);
void convert_groupings(const ConversionPairs& pairs);

// The default value of every function record of the edited rig: moved
// along the pairs, the channels of a fixture without a source from its
// type's library ("%s\lib\set\%s.set", byte 58 + channel; 0 without the
// file), every other record 70. The edited setup's records must be numbered.
bool rebuild_channel_defaults(const SetupData& edited, const FixtureMap& map, const ConversionPairs& pairs);

// The used flags anew from the converted indexes: memories, cue memories,
// preset entries and thresholds.
void recompute_used_flags();

// The converted files, made from the tables (whose indexes take the new
// places): mem.dat, memcues.dat, presets.dat, memthrsh.dat, groups.dat,
// submast.dat and groupa.dat. False when an index could not hold a place.
bool converted_file_images(std::vector<datafiles::FileImage>& files);
// values.def from the default values.
datafiles::FileImage default_values_image();

}  // namespace setup
