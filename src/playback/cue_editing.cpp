#include "playback/cue_editing.h"

#include "runtime/step_log.h"

namespace playback {

int32_t time_dialog_reply = kTimeDialogEscape;

void reset_cue_editing_globals() { time_dialog_reply = kTimeDialogEscape; }

void clear_cue(int16_t slot) { runtime::log_call("playback::clear_cue", {slot}); }
void clear_cue_memory(int16_t slot) { runtime::log_call("playback::clear_cue_memory", {slot}); }
void clear_cue_sequence(int16_t slot, int16_t sequence) {
    runtime::log_call("playback::clear_cue_sequence", {slot, sequence});
}
void clear_cue_playback(int16_t slot, int16_t playback) {
    runtime::log_call("playback::clear_cue_playback", {slot, playback});
}
void load_playback_from_cue(int16_t slot, int16_t playback) {
    runtime::log_call("playback::load_playback_from_cue", {slot, playback});
}
void load_sequence_from_cue(int16_t slot, int16_t sequence, uint8_t freeze) {
    runtime::log_call("playback::load_sequence_from_cue", {slot, sequence, freeze});
}
void start_cue_fade(int16_t slot, uint16_t fade_in_tenths) {
    runtime::log_call("playback::start_cue_fade", {slot, fade_in_tenths});
}
int32_t edit_time_value(int16_t max_minutes, const char*) {
    runtime::log_call("playback::edit_time_value", {max_minutes});
    return time_dialog_reply;
}
void store_pointcue_with_defaults(int16_t cue, int16_t point, int16_t page) {
    runtime::log_call("playback::store_pointcue_with_defaults", {cue, point, page});
}
void program_pointcue(int16_t mode, int16_t cue, int16_t point, int16_t page) {
    runtime::log_call("playback::program_pointcue", {mode, cue, point, page});
}
void program_sequence(int16_t sequence) { runtime::log_call("playback::program_sequence", {sequence}); }
void program_playback(int16_t playback) { runtime::log_call("playback::program_playback", {playback}); }
void program_playback_from_memory_screen(int16_t playback) {
    runtime::log_call("playback::program_playback_from_memory_screen", {playback});
}
void program_sequence_from_memory_screen(int16_t sequence) {
    runtime::log_call("playback::program_sequence_from_memory_screen", {sequence});
}
void update_playback_leds() { runtime::log_call("playback::update_playback_leds"); }
void draw_playback_label(int16_t playback, uint8_t full, int16_t colour) {
    runtime::log_call("playback::draw_playback_label", {playback, full, colour});
}

}  // namespace playback
