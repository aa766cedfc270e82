#include "playback/link_dialogs.h"

#include "runtime/step_log.h"

namespace playback {

void reset_link_dialogs_globals() {}

void select_sequence_linked_cue(int16_t sequence) {
    runtime::log_call("playback::select_sequence_linked_cue", {sequence});
}
void select_pointcue_linked_cue() { runtime::log_call("playback::select_pointcue_linked_cue"); }
int32_t edit_timing_value(int16_t max_minutes, const char* /*prompt*/, int16_t default_time) {
    runtime::log_call("playback::edit_timing_value", {max_minutes, default_time});
    return default_time;
}

}  // namespace playback
