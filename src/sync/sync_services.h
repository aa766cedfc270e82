// Timecode, MIDI and CD-audio services that start-up, the show cycle and the
// background poll call. (Least bodies until synchronisation is built; the
// card commands are already the real ones.)
#pragma once
#include <array>
#include <cstdint>
#include <string>

namespace synchro {

constexpr uint8_t kTimecodeSourceManual = 5;
constexpr uint8_t kTimecodeSourceCdrom = 6;
constexpr uint16_t kNoCdDrive = 255;

struct CdState {
    uint16_t drive = kNoCdDrive;
};

extern uint8_t timecode_mode;    // 0 idle, 1 play, 2 record
extern uint8_t timecode_source;
extern uint8_t cd_trigger_edit_open;
extern CdState cd_state;
extern uint16_t cd_request_selector;  // DOS block of the CD-ROM requests

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

// The playback's MIDI code 1..42 as a note on (on 1) or note off (on 0).
// (Least body: it records its arguments.)
void send_playback_midi_note(int16_t playback, uint8_t on);

// Every global of this module back to its value at program load (a clean start for each test).
void reset_sync_services_globals();

// A command of the SMPTE/MIDI card: the code in its command register, then
// the driver's interrupt 68h; nothing without the card.
void send_card_command(uint16_t command);

void init_cdrom();
void init_timecode_player();
void start_audio_inputs();
void stop_audio_inputs();
void reset_midi_input();
void enable_card_midi();
void rebuild_midi_cue_table();
bool poll_midi_input();
void poll_audio_inputs();
void run_timecode_tick();
void poll_cd_status();
// The timecode lists, the player and the recording hooks.
bool load_timecode_list(const std::string& name);  // timecode_lists.h
bool save_timecode_list(const std::string& name);
void free_timecode_list();
bool record_cue_event(int16_t page, int16_t cue, int16_t point);  // timecode_record.h
// The learned MIDI code of cue slot 1..11200 out on MIDI. (Least body.)
void send_cue_midi_code(int16_t slot);
// The MIDI code of live sequence 1..4 (sequence_midi_codes) out on MIDI. (Least body.)
void send_sequence_midi_code(int16_t sequence);
bool record_sequence_event(int16_t sequence, int16_t action, int16_t value);
void free_dos_buffer(uint16_t selector);

}  // namespace synchro
