#include "playback/key_groups.h"

namespace playback {

int16_t current_cue_page = 1;
int16_t current_cue = 1;
int16_t current_cue_point = 1;
std::array<MidiCode, kSequences + 1> sequence_midi_codes{};
std::array<uint8_t, kPlaybacks + 1> playback_note_flags{};

void reset_key_groups_globals() {
    current_cue_page = 1;
    current_cue = 1;
    current_cue_point = 1;
    sequence_midi_codes = {};
    playback_note_flags = {};
}

void handle_flash_key(int16_t, uint8_t) {}
void go_sequence(int16_t, uint8_t) {}
void set_sequence_direction(int16_t, uint8_t, int16_t) {}
void toggle_sequence_sync(int16_t, uint8_t) {}
void set_sequence_trigger_mode(int16_t, uint8_t, int16_t) {}

}  // namespace playback
