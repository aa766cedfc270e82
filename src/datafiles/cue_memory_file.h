// The cue-memory file, memcues.dat: the 2000 cue memories that point cues
// carry, as item lists. (Only its initialisation is built yet.)
#pragma once

namespace datafiles {

// Creates memcues.dat empty: the version text and 2000 empty entries.
void init_memcue_file();

}  // namespace datafiles
