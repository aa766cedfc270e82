#include "sync/sync_services.h"

#include <cmath>

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
std::string loaded_timecode_list_name;
std::string saved_timecode_list_name;
std::array<uint32_t, kAudioBands + 1> audio_band_beats{};
double display_time = 0;

std::array<uint8_t, kAudioInputParameters + 1> audio_input_setup = kAudioInputDefaults;

void reset_sync_services_globals() {
    audio_input_setup = kAudioInputDefaults;
    timecode_mode = 0;
    timecode_source = 1;
    loaded_timecode_list_name.clear();
    saved_timecode_list_name.clear();
    audio_band_beats = {};
    display_time = 0;
}

void init_timecode_player() {
    timecode_mode = 0;
    timecode_source = 1;
}
void stop_audio_inputs() { send_card_command(kCommandAudioOff); }

void enable_card_midi() { send_card_command(kCommandMidiInputOn); }

bool load_timecode_list(const std::string& name) {
    runtime::log_call("synchro::load_timecode_list");
    loaded_timecode_list_name = name;
    return platform::dos_exists((runtime::home_directory + "\\data\\" + name + ".lst").c_str());
}

bool save_timecode_list(const std::string& name) {
    runtime::log_call("synchro::save_timecode_list");
    saved_timecode_list_name = name;
    return true;
}

// Run on every pass of the poll or the main loop: they record nothing.
void run_timecode_tick() {}
void stop_smpte_generator() { runtime::log_call("synchro::stop_smpte_generator"); }

void draw_timecode_digits(double seconds) {
    runtime::log_call("synchro::draw_timecode_digits", {static_cast<int32_t>(std::lround(seconds * 1000))});
    display_time = seconds;
}

int16_t edit_start_time() {
    runtime::log_call("synchro::edit_start_time");
    return 0;
}
void free_timecode_list() { runtime::log_call("synchro::free_timecode_list"); }
void record_cue_event(int16_t page, int16_t cue, int16_t point) {
    runtime::log_call("synchro::record_cue_event", {page, cue, point});
}
void record_sequence_event(int16_t sequence, int16_t action, int16_t value) {
    runtime::log_call("synchro::record_sequence_event", {sequence, action, value});
}

}  // namespace synchro
