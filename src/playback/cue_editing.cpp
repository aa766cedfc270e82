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
void store_pointcue_with_defaults(int16_t cue, int16_t point, int16_t page) {
    runtime::log_call("playback::store_pointcue_with_defaults", {cue, point, page});
}
void program_pointcue(int16_t mode, int16_t cue, int16_t point, int16_t page) {
    runtime::log_call("playback::program_pointcue", {mode, cue, point, page});
}
void program_sequence(int16_t sequence) { runtime::log_call("playback::program_sequence", {sequence}); }
void choose_memory(int16_t memory) { runtime::log_call("playback::choose_memory", {memory}); }
void program_sequence_from_memory_screen(int16_t sequence) {
    runtime::log_call("playback::program_sequence_from_memory_screen", {sequence});
}
void edit_cue_names() { runtime::log_call("playback::edit_cue_names"); }

}  // namespace playback
