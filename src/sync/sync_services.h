// Timecode, MIDI and CD-audio services that start-up, the show cycle and the
// background poll call. (Least bodies until synchronisation is built; the
// card commands are already the real ones.)
#pragma once
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

// Every global of this module back to its value at program load (a clean start for each test).
void reset_sync_services_globals();

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
// Loads the timecode list of that name. (Least body: it keeps the name.)
void load_timecode_list(const std::string& name);
extern std::string loaded_timecode_list_name;
void free_timecode_list();
void free_dos_buffer(uint16_t selector);

}  // namespace synchro
