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
constexpr uint16_t kCommandMidiInputOn = 0x11;
constexpr uint16_t kCommandAudioOff = 0x16;

}  // namespace

void send_card_command(uint16_t command, uint16_t ax) {
    const uint16_t selector = runtime::sync_interface_selector;
    if (selector == 0) return;
    platform::far_poke_word(selector, kCommandRegister, command);
    platform::Regs regs;
    regs.set_ax(ax);
    platform::int386(0x68, regs);
}

uint8_t timecode_mode = 0;
uint8_t timecode_source = 1;
std::array<uint32_t, kAudioBands + 1> audio_band_beats{};

std::array<uint8_t, kAudioInputParameters + 1> audio_input_setup = kAudioInputDefaults;

void reset_sync_services_globals() {
    audio_input_setup = kAudioInputDefaults;
    timecode_mode = 0;
    timecode_source = 1;
    audio_band_beats = {};
}

void stop_audio_inputs() { send_card_command(kCommandAudioOff); }

void enable_card_midi() { send_card_command(kCommandMidiInputOn); }

}  // namespace synchro
