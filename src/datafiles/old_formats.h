// The show start's first steps: bring the memories and presets into the
// show tables, converting the per-page files of older versions once when
// they are found; and the same for the older cue and MIDI pages.
#pragma once

namespace datafiles {

// Empties the memory tables, then loads mem.dat and memcues.dat. When the
// older memory pages (mem-0250.dat ...) are there, their readers run first;
// until those readers are built the older pages are left in place.
void convert_old_memories();
// The readers of the older memory, generator and figure pages. (Least
// bodies: nothing is read yet.)
void convert_old_memory_pages();
void convert_old_generator_pages();
void convert_old_figure_pages();

// Empties the preset tables and loads presets.dat. When the older preset
// files (pre-pan.dat ...) are there, they are read, presets.dat is written
// whole from them and loaded afresh, and the older files are renamed to
// .old. When presets.dat can't be written, the older files stay as they are
// so that the next start converts them again.
void convert_old_presets();

// Converts the older cue pages when present; true when it did so.
// (Least body: no older cue page is read yet, so it reports none.)
bool convert_old_cues();
// Converts the older MIDI pages. (Least body.)
void convert_old_midi();

}  // namespace datafiles
