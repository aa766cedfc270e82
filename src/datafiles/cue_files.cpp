#include "datafiles/cue_files.h"

#include "datafiles/record_files.h"
#include "runtime/step_log.h"

namespace datafiles {

int16_t last_pointcue_check_mode = -1;
int16_t last_cue_compaction_replace[3] = {-1, -1, -1};

void reset_cue_files_globals() {
    last_pointcue_check_mode = -1;
    for (int16_t& replace : last_cue_compaction_replace) replace = -1;
}

void load_pointcue_file() {}
bool get_pointcue_times(int16_t slot, std::array<uint16_t, 5>&) {
    runtime::log_call("datafiles::get_pointcue_times", {slot});
    return false;
}
void load_cue_playback_file() {}
void load_cue_sequence_file() {}
void check_pointcue_consistency(int16_t mode) { last_pointcue_check_mode = mode; }
void compact_cue_sequence_file(int16_t replace) { last_cue_compaction_replace[0] = replace; }
void compact_cue_playback_file(int16_t replace) { last_cue_compaction_replace[1] = replace; }
void compact_pointcue_file(int16_t replace) { last_cue_compaction_replace[2] = replace; }
void release_cue_records() {}

void init_pointcue_file() { create_record_file(kPointcueFile); }
void init_cue_sequence_file() { create_record_file(kCueSequenceFile); }
void init_cue_playback_file() { create_record_file(kCuePlaybackFile); }

}  // namespace datafiles
