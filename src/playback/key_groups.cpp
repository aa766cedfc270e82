#include "playback/key_groups.h"

#include "playback/commands.h"
#include "playback/sequence_commands.h"
#include "playback/sequence_engine.h"
#include "playback/sequence_controls.h"
#include "runtime/card_discovery.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "sync/midi_output.h"
#include "sync/sync_services.h"
#include "ui/helpers.h"

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

namespace {

constexpr int16_t kLightBlue = 9, kYellow = 14, kBlack = 0;
constexpr int16_t kActionDirection = 2, kActionSync = 3, kActionTrigger = 4, kActionGo = 5;
constexpr const char* kDirectionTexts[] = {"-->", "<--", "<-->", "..."};

size_t at(int n) { return static_cast<size_t>(n); }
bool valid_sequence(int s) { return s >= 1 && s <= kSequences; }
bool panel_shown() { return (runtime::option_flags & runtime::OPT_SEQUENCE_PANEL) != 0; }
bool has_belts() { return runtime::hw_option_flags.sequence_belts != 0; }
int16_t x0(int s) { return static_cast<int16_t>((s - 1) * 100); }
uint8_t led(bool on) { return on ? runtime::LED_ON : runtime::LED_OFF; }

void word(int s, int16_t dx, int16_t y, bool active, const char* text) {
    if (panel_shown()) ui::draw_small_text(static_cast<int16_t>(x0(s) + dx), y, active ? kYellow : kLightBlue, text);
}

// A hardware sequence key's LED, and the selected-sequence key's when s is selected.
void sequence_leds(int s, runtime::SequenceKey which, int16_t selected_key, uint8_t state) {
    if (has_belts()) runtime::set_key_led(runtime::sequence_key(s, which), state);
    if (selected_sequence() == s) runtime::set_key_led(selected_key, state);
}

bool running(int s) { return sequence_mode_field(sequence_table[at(s)].mode, kSequenceRunShift) == 1; }
uint8_t trigger(int s) { return sequence_mode_field(sequence_table[at(s)].mode, kSequenceTriggerShift); }

}  // namespace

void go_sequence(int16_t sequence, uint8_t mode) {
    if (sequence == 0) {
        bool recorded = false;
        for (int s = 1; s <= kSequences; ++s) {
            if (!running(s)) continue;
            if (trigger(s) != kTriggerAutomatic) {
                synchro::send_sequence_midi_code(static_cast<int16_t>(s));
                sequence_go_request[at(s)] = 1;
                if (mode != 0 && !recorded) synchro::record_sequence_event(0, kActionGo, 1);
                recorded = true;
            }
            if (trigger(s) == kTriggerBeat && mode != 0) tap_sequence_tempo(static_cast<int16_t>(s));
        }
        return;
    }
    if (!valid_sequence(sequence) || !running(sequence) || trigger(sequence) == kTriggerAutomatic) return;
    synchro::send_sequence_midi_code(sequence);
    sequence_go_request[at(sequence)] = 1;
    if (mode != 0) synchro::record_sequence_event(sequence, kActionGo, 1);
    if (trigger(sequence) == kTriggerBeat && mode != 0) tap_sequence_tempo(sequence);
}

void set_sequence_direction(int16_t sequence, uint8_t mode, int16_t direction) {
    if (!valid_sequence(sequence) || direction < -1 || direction > kDirectionRandom) return;
    SequenceRecord& r = sequence_table[at(sequence)];
    const uint8_t now = direction == -1 ? static_cast<uint8_t>((sequence_mode_field(r.mode, kSequenceDirectionShift) + 1) & 3)
                                        : static_cast<uint8_t>(direction);
    r.mode = with_sequence_mode_field(r.mode, kSequenceDirectionShift, now);
    if (panel_shown()) {
        ui::fill_box(static_cast<int16_t>(x0(sequence) + 236), 149, static_cast<int16_t>(x0(sequence) + 253), 157, kBlack);
        ui::draw_small_text(static_cast<int16_t>(x0(sequence) + 236), 151, kYellow, kDirectionTexts[now]);
    }
    sequence_leds(sequence, runtime::SequenceKey::direction, runtime::KEY_SEQUENCE_DIRECTION,
                  led(now == kDirectionBackward || now == kDirectionBounce));
    sequence_leds(sequence, runtime::SequenceKey::spare, runtime::KEY_SEQUENCE_DIRECTION_2,
                  led(now == kDirectionForward || now == kDirectionBounce));
    if (mode != 0) synchro::record_sequence_event(sequence, kActionDirection, now);
}

void toggle_sequence_sync(int16_t sequence, uint8_t mode) {
    if (!valid_sequence(sequence)) return;
    SequenceRecord& r = sequence_table[at(sequence)];
    const bool sync = sequence_mode_field(r.mode, kSequenceSyncShift) == 0;
    r.mode = with_sequence_mode_field(r.mode, kSequenceSyncShift, sync ? 1 : 0);
    word(sequence, 236, 175, sync, "SYNC");
    word(sequence, 236, 188, !sync, "ASYN");
    sequence_leds(sequence, runtime::SequenceKey::sync, runtime::KEY_SEQUENCE_SYNC, led(sync));
    if (mode != 0) synchro::record_sequence_event(sequence, kActionSync, sync ? 1 : 0);
}

void set_sequence_trigger_mode(int16_t sequence, uint8_t mode, int16_t trigger_mode) {
    if (!valid_sequence(sequence) || trigger_mode < -1 || trigger_mode > kTriggerBeat) return;
    SequenceRecord& r = sequence_table[at(sequence)];
    const uint8_t now = trigger_mode == -1
                            ? static_cast<uint8_t>((sequence_mode_field(r.mode, kSequenceTriggerShift) + 1) % 3)
                            : static_cast<uint8_t>(trigger_mode);
    r.mode = with_sequence_mode_field(r.mode, kSequenceTriggerShift, now);
    word(sequence, 236, 211, now != kTriggerAutomatic, "MANU");
    word(sequence, 236, 221, now != kTriggerManual, "AUTO");
    const uint8_t state = now == kTriggerAutomatic ? runtime::LED_ON : now == kTriggerManual ? runtime::LED_OFF
                                                                                           : runtime::LED_BLINK;
    sequence_leds(sequence, runtime::SequenceKey::trigger, runtime::KEY_SEQUENCE_TRIGGER, state);
    if (mode != 0) synchro::record_sequence_event(sequence, kActionTrigger, now);
    if (panel_shown()) select_sequence_control(sequence, now == kTriggerManual ? kControlCrossfade : kControlFadeTime);
}

}  // namespace playback
