#include "datafiles/init_neighbours.h"

#include "datafiles/memory_file.h"
#include "datafiles/preset_file.h"
#include "datafiles/record_files.h"

namespace datafiles {

void init_memory_file() {
    clear_memory_index();
    create_record_file(kMemoryFile);
}
void init_preset_file() {
    clear_preset_index();
    create_record_file(kPresetFile);
}
void init_memcue_file() { create_record_file(kMemCueFile); }
void init_pointcue_file() { create_record_file(kPointcueFile); }
void init_cue_sequence_file() { create_record_file(kCueSequenceFile); }
void init_cue_playback_file() { create_record_file(kCuePlaybackFile); }

}  // namespace datafiles
