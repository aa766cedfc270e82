// Submasters, robot groups and the default preset-class masks.
// (Least bodies until these files are built: everything stays empty; the
// argument is kept for the tests.)
#pragma once

namespace datafiles {

// cues_converted: the older cue pages were converted in this start.
void load_default_preset_files(bool cues_converted);
extern int last_default_preset_conversion_flag;  // -1 before the first call

// Every global of this module back to its value at program load (a clean start for each test).
void reset_group_files_globals();

void load_group_file();
void load_submaster_file();

}  // namespace datafiles
