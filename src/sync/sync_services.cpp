#include "sync/sync_services.h"

#include "platform/dos_files.h"
#include "platform/interrupts.h"
#include "platform/selectors.h"
#include "runtime/card_discovery.h"
#include "runtime/config_records.h"
#include "runtime/step_log.h"

namespace synchro {

namespace {

constexpr uint32_t kCommandRegister = 0x150;
constexpr uint32_t kMidiReadIndex = 0x122;
constexpr uint32_t kMidiWriteIndex = 0x124;
constexpr uint16_t kCommandMidiInputOn = 0x11;
constexpr uint16_t kCommandAudioOn = 0x15;
constexpr uint16_t kCommandAudioOff = 0x16;

}  // namespace

// A command word in the command register, then the driver call.
void send_card_command(uint16_t command) {
    const uint16_t selector = runtime::sync_interface_selector;
    if (selector == 0) return;
    platform::far_poke_word(selector, kCommandRegister, command);
    platform::Regs regs;
    regs.set_ax(0);
    platform::int386(0x68, regs);
}

uint8_t timecode_mode = 0;
uint8_t timecode_source = 1;
uint8_t cd_trigger_edit_open = 0;
CdState cd_state;
uint16_t cd_request_selector = 0;
std::array<uint32_t, kAudioBands + 1> audio_band_beats{};

std::array<uint8_t, kAudioInputParameters + 1> audio_input_setup = kAudioInputDefaults;

void reset_sync_services_globals() {
    audio_input_setup = kAudioInputDefaults;
    timecode_mode = 0;
    timecode_source = 1;
    cd_trigger_edit_open = 0;
    cd_state = {};
    cd_request_selector = 0;
    audio_band_beats = {};
}

void send_playback_midi_note(int16_t playback, uint8_t on) {
    runtime::log_call("synchro::send_playback_midi_note", {playback, on});
}

void init_cdrom() { cd_state = CdState{}; }
void start_audio_inputs() { send_card_command(kCommandAudioOn); }
void stop_audio_inputs() { send_card_command(kCommandAudioOff); }

void reset_midi_input() {
    const uint16_t selector = runtime::sync_interface_selector;
    if (selector == 0) return;
    platform::far_poke_word(selector, kMidiReadIndex, platform::far_peek_word(selector, kMidiWriteIndex));
}

void enable_card_midi() { send_card_command(kCommandMidiInputOn); }
void rebuild_midi_cue_table() { runtime::log_call("synchro::rebuild_midi_cue_table"); }


// Run on every pass of the poll or the main loop: they record nothing.
bool poll_midi_input() { return false; }
void poll_audio_inputs() {}
void poll_cd_status() {}
void send_cue_midi_code(int16_t slot) { runtime::log_call("synchro::send_cue_midi_code", {slot}); }
void send_sequence_midi_code(int16_t sequence) { runtime::log_call("synchro::send_sequence_midi_code", {sequence}); }

void free_dos_buffer(uint16_t selector) {
    if (selector != 0) platform::dpmi_free_dos_memory(selector);
}

}  // namespace synchro
