// Initialisers of data files whose modules are not built yet: each creates
// its file empty (version text and an index of empty entries). The owners'
// modules take these over, together with clearing their in-memory indexes.
#pragma once

namespace datafiles {

void init_memory_file();        // mem.dat
void init_preset_file();        // presets.dat
void init_memcue_file();        // memcues.dat
void init_pointcue_file();      // cuemem.dat
void init_cue_sequence_file();  // cueseq.dat
void init_cue_playback_file();  // cueplayb.dat

}  // namespace datafiles
