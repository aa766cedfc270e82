// The cue files: cuemem.dat (the cue headers and point-cue records),
// cueseq.dat (four sequence snapshots per cue slot) and cueplayb.dat (42
// playback snapshots per cue slot). (Only their initialisation is built yet.)
#pragma once

namespace datafiles {

// Each creates its file empty: the version text and an index of empty entries.
void init_pointcue_file();      // cuemem.dat
void init_cue_sequence_file();  // cueseq.dat
void init_cue_playback_file();  // cueplayb.dat

}  // namespace datafiles
