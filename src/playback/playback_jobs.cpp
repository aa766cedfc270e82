#include "playback/playback_jobs.h"

#include "runtime/step_log.h"

namespace playback {

void clear_sequence_step(uint8_t source) { runtime::log_call("playback::clear_sequence_step", {source}); }
void draw_cue_info_line() { runtime::log_call("playback::draw_cue_info_line"); }

void reset_cue_fades() { runtime::log_call("playback::reset_cue_fades"); }
void go_to_cue(uint16_t slot, uint8_t record, uint8_t suppress_midi) {
    runtime::log_call("playback::go_to_cue", {slot, record, suppress_midi});
}

// Run on every pass of the poll or the main loop: they record nothing.
void run_sequences() {}
void read_sequence_controls() {}
void run_cue_fades() {}

void premove_dark_fixtures() {}

void toggle_sequence_run(int16_t sequence, uint8_t mode) {
    runtime::log_call("playback::toggle_sequence_run", {sequence, mode});
}
void refresh_cue_mode() { runtime::log_call("playback::refresh_cue_mode"); }

}  // namespace playback
