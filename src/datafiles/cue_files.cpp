#include "datafiles/cue_files.h"

#include "datafiles/record_files.h"

namespace datafiles {

void init_pointcue_file() { create_record_file(kPointcueFile); }
void init_cue_sequence_file() { create_record_file(kCueSequenceFile); }
void init_cue_playback_file() { create_record_file(kCuePlaybackFile); }

}  // namespace datafiles
