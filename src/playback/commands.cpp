#include "playback/commands.h"

#include "runtime/step_log.h"

namespace playback {

void show_cue_page(int16_t page) { runtime::log_call("playback::show_cue_page", {page}); }
void go_to_previous_cue() { runtime::log_call("playback::go_to_previous_cue"); }
void go_to_next_cue() { runtime::log_call("playback::go_to_next_cue"); }
void run_copy_dialog() { runtime::log_call("playback::run_copy_dialog"); }
void store_sequences_in_cue() { runtime::log_call("playback::store_sequences_in_cue"); }
void select_sequence_control(int16_t sequence, int16_t control) {
    runtime::log_call("playback::select_sequence_control", {sequence, control});
}
int32_t edit_timing_value(int16_t max_minutes, const char* /*prompt*/, int16_t default_time) {
    runtime::log_call("playback::edit_timing_value", {max_minutes, default_time});
    return default_time;
}
void update_point_cue_leds() { runtime::log_call("playback::update_point_cue_leds"); }

// Run on every pass of the poll or the main loop: they record nothing.
void apply_trackerball_to_sequence(int16_t) {}

void select_previous_sequence_control(int16_t sequence) {
    runtime::log_call("playback::select_previous_sequence_control", {sequence});
}
void select_next_sequence_control(int16_t sequence) {
    runtime::log_call("playback::select_next_sequence_control", {sequence});
}
void edit_sequence_times() { runtime::log_call("playback::edit_sequence_times"); }
void draw_cue_grid() { runtime::log_call("playback::draw_cue_grid"); }

}  // namespace playback
