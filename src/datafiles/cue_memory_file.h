// The cue-memory file, memcues.dat: the 2000 cue memories as item lists.
// (Least bodies until the file is built: every cue memory stays empty.)
#pragma once

namespace datafiles {

void load_memcue_file();
// Puts right the item kinds of cue memories stored by older versions.
void repair_memcue_item_kinds();

}  // namespace datafiles
