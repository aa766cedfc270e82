// Timecode, MIDI and CD-audio services that start-up, the show cycle and the
// background poll call, and the commands of the SMPTE/MIDI card.
#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "sync/cd_requests.h"  // cd_state, which start-up and the screens read

namespace synchro {

constexpr uint8_t kTimecodeSourceManual = 5;
constexpr uint8_t kTimecodeSourceCdrom = 6;
extern uint8_t timecode_mode;    // 0 idle, 1 play, 2 record
extern uint8_t timecode_source;

// The eight tuning parameters of the audio-band inputs, [1..8] (the sound-input
// definitions set them): 1 and 2 the rising and falling steps after which a
// band's minimum is raised and its maximum lowered, 3 the trigger and 4 the
// re-arm threshold on the scaled level, 5 and 6 the divisors of those
// moves, 7 the least minimum for a beat, 8 the least raw level shown.
constexpr int kAudioInputParameters = 8;
constexpr std::array<uint8_t, kAudioInputParameters + 1> kAudioInputDefaults = {0, 3, 3, 200, 80, 2, 2, 20, 20};
extern std::array<uint8_t, kAudioInputParameters + 1> audio_input_setup;

// Beats detected on audio bands 1..5 ("60 Hz" to "12 KHz"): each counter
// goes up by one per beat.
constexpr int kAudioBands = 5;
extern std::array<uint32_t, kAudioBands + 1> audio_band_beats;

// A card command: the code in the command register, then interrupt 68h with
// AX = ax (the MIDI byte of command 14h). Nothing without the card.
void send_card_command(uint16_t command, uint16_t ax = 0);

// Every global of this module back to its value at program load (a clean start for each test).
void reset_sync_services_globals();

void init_timecode_player();
void stop_audio_inputs();
void enable_card_midi();
void run_timecode_tick();
// The timecode lists, the player and the recording hooks.
bool load_timecode_list(const std::string& name);  // timecode_lists.h
bool save_timecode_list(const std::string& name);
void free_timecode_list();
bool record_cue_event(int16_t page, int16_t cue, int16_t point);  // timecode_record.h
bool record_sequence_event(int16_t sequence, int16_t action, int16_t value);

}  // namespace synchro
