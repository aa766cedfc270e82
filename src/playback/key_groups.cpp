#include "playback/key_groups.h"

#include "runtime/step_log.h"

namespace playback {

int16_t current_cue_page = 1;
int16_t current_cue = 1;
int16_t current_cue_point = 1;
uint8_t cue_fade_phase = 10;
int16_t last_pointcue_started = -1;
std::array<MidiCode, kSequences + 1> sequence_midi_codes{};
std::array<uint8_t, kPlaybacks + 1> playback_note_flags{};

void reset_key_groups_globals() {
    current_cue_page = 1;
    current_cue = 1;
    current_cue_point = 1;
    cue_fade_phase = 10;
    last_pointcue_started = -1;
    sequence_midi_codes = {};
    playback_note_flags = {};
}

void go_sequence(int16_t sequence, uint8_t mode) { runtime::log_call("playback::go_sequence", {sequence, mode}); }
void set_sequence_direction(int16_t sequence, uint8_t mode, int16_t direction) {
    runtime::log_call("playback::set_sequence_direction", {sequence, mode, direction});
}
void toggle_sequence_sync(int16_t sequence, uint8_t mode) {
    runtime::log_call("playback::toggle_sequence_sync", {sequence, mode});
}
void set_sequence_trigger_mode(int16_t sequence, uint8_t mode, int16_t trigger) {
    runtime::log_call("playback::set_sequence_trigger_mode", {sequence, mode, trigger});
}

}  // namespace playback
