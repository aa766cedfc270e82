#include "datafiles/cue_memory_file.h"

#include "datafiles/record_files.h"

namespace datafiles {

void init_memcue_file() { create_record_file(kMemCueFile); }

}  // namespace datafiles
