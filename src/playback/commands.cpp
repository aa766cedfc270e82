#include "playback/commands.h"

#include "runtime/step_log.h"

namespace playback {

void show_cue_page(int16_t page) { runtime::log_call("playback::show_cue_page", {page}); }
void go_to_previous_cue() { runtime::log_call("playback::go_to_previous_cue"); }
void go_to_next_cue() { runtime::log_call("playback::go_to_next_cue"); }
void cycle_playback_label_mode() { runtime::log_call("playback::cycle_playback_label_mode"); }
void cycle_playback_label_mode_forward() { runtime::log_call("playback::cycle_playback_label_mode_forward"); }
void store_sequences_in_cue() { runtime::log_call("playback::store_sequences_in_cue"); }
void select_sequence_control(int16_t sequence, int16_t control) {
    runtime::log_call("playback::select_sequence_control", {sequence, control});
}
void select_flash_mode_playbacks(int16_t mode) { runtime::log_call("playback::select_flash_mode_playbacks", {mode}); }
void edit_playback_times(int16_t time) { runtime::log_call("playback::edit_playback_times", {time}); }
int32_t edit_timing_value(int16_t max_minutes, const char* /*prompt*/, int16_t default_time) {
    runtime::log_call("playback::edit_timing_value", {max_minutes, default_time});
    return default_time;
}
void update_point_cue_leds() { runtime::log_call("playback::update_point_cue_leds"); }

// Run on every pass of the poll or the main loop: they record nothing.
void apply_trackerball_to_playback() {}
void apply_trackerball_to_sequence(int16_t) {}

void select_previous_playback() { runtime::log_call("playback::select_previous_playback"); }
void select_next_playback() { runtime::log_call("playback::select_next_playback"); }
void select_previous_sequence_control(int16_t sequence) {
    runtime::log_call("playback::select_previous_sequence_control", {sequence});
}
void select_next_sequence_control(int16_t sequence) {
    runtime::log_call("playback::select_next_sequence_control", {sequence});
}
void edit_sequence_times() { runtime::log_call("playback::edit_sequence_times"); }
void draw_cue_grid() { runtime::log_call("playback::draw_cue_grid"); }

}  // namespace playback
