#include "datafiles/cue_memory_file.h"

namespace datafiles {

void load_memcue_file() {}
void repair_memcue_item_kinds() {}

}  // namespace datafiles
