#include "playback/commands.h"

#include <array>

#include "playback/cue_tables.h"
#include "playback/playback_jobs.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "playback/sequence_commands.h"
#include "playback/sequence_engine.h"
#include "playback/sequence_controls.h"
#include "playback/sequence_programming.h"
#include "runtime/card_discovery.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/mouse_input.h"
#include "ui/helpers.h"
#include "ui/message_line.h"
#include "ui/panels.h"
#include "ui/text_entry.h"

namespace playback {

namespace {

constexpr int16_t kMarkerErase = 7, kMarkerActive = 14;
// The typed sequence time: a box over the panel area, six characters of seconds.
constexpr int16_t kTimeBoxLeft = 229, kTimeBoxTop = 180, kTimeBoxRight = 439, kTimeBoxBottom = 200, kTimeBoxColour = 1;
constexpr int16_t kTimeEntryChars = 6;
constexpr long kLongestTypedTime_hundredths = 600000;  // 6000 s
constexpr long kLongestTime_hundredths = 65535;
constexpr int32_t kErrorBeep_hz = 400;
constexpr uint32_t kErrorBeep_ms = 2000;
constexpr int16_t kTimeEntryDarkKeys[] = {runtime::KEY_CLR,  runtime::KEY_THRESHOLD, runtime::KEY_FADE_MODE,
                                          runtime::KEY_ADD_EVENTS, runtime::KEY_LAST, runtime::KEY_NEXT,
                                          runtime::KEY_GET_MEMORY};

// LAST or NEXT: the nearest programmed slot in that direction from the live
// cue, gone to with the key lit meanwhile; nothing past slot 1 or 11200.
void go_to_nearest_programmed_cue(int16_t key, int step) {
    runtime::set_key_led(key, runtime::LED_ON);
    for (int slot = current_cue_slot() + step; valid_cue_slot(slot); slot += step) {
        if (cue_header_table[static_cast<size_t>(slot)].programmed == 1) {
            go_to_cue(static_cast<uint16_t>(slot), 1, 0);
            break;
        }
    }
    runtime::set_key_led(key, runtime::LED_OFF);
}

}  // namespace

void go_to_previous_cue() { go_to_nearest_programmed_cue(runtime::KEY_LAST, -1); }
void go_to_next_cue() { go_to_nearest_programmed_cue(runtime::KEY_NEXT, +1); }

void store_sequences_in_cue() { store_live_sequences_in_cue(); }

void select_sequence_control(int16_t sequence, int16_t control) {
    if (sequence < 1 || sequence > kSequences || control < 1 || control > kSequenceControls) return;
    const auto s = static_cast<size_t>(sequence);
    const bool selected = selected_sequence() == sequence;
    const bool panel = (runtime::option_flags & runtime::OPT_SEQUENCE_PANEL) != 0;
    if (selected) {
        if (panel) draw_sequence_control_marker(kMarkerErase, sequence);
        const int old = sequence_selected_control[s];
        if (old >= 1 && old <= kSequenceControls) {
            runtime::set_key_led(static_cast<int16_t>(runtime::KEY_SEQUENCE_GO + old), runtime::LED_OFF);
        }
    }
    sequence_selected_control[s] = static_cast<uint8_t>(control);
    if (panel) draw_sequence_control_marker(kMarkerActive, sequence);
    if (selected) runtime::set_key_led(static_cast<int16_t>(runtime::KEY_SEQUENCE_GO + control), runtime::LED_ON);
}

void select_previous_sequence_control(int16_t sequence) {
    if (sequence < 1 || sequence > kSequences) return;
    const int c = sequence_selected_control[static_cast<size_t>(sequence)];
    if (c > 1) select_sequence_control(sequence, static_cast<int16_t>(c - 1));
}

void select_next_sequence_control(int16_t sequence) {
    if (sequence < 1 || sequence > kSequences) return;
    const int c = sequence_selected_control[static_cast<size_t>(sequence)];
    if (c < kSequenceControls) select_sequence_control(sequence, static_cast<int16_t>(c < 1 ? 1 : c + 1));
}

void apply_trackerball_to_sequence(int16_t sequence) {
    if (sequence < 1 || sequence > kSequences) return;
    if (runtime::mouse_x == 0 && runtime::mouse_y == 0) return;
    const auto s = static_cast<size_t>(sequence);
    const int control = sequence_selected_control[s];
    if (control < 1 || control > kSequenceControls) return;
    const bool automatic = sequence_mode_field(sequence_table[s].mode, kSequenceTriggerShift) == kTriggerAutomatic;
    SequenceCrossfade& crossfade = sequence_crossfade[s];
    if (control == kControlCrossfade) {
        if (automatic && crossfade.running != 0) return;
        if (!automatic) {
            crossfade.running = 0;
            // Pushing on from a complete crossfade steps to the next memory.
            if (crossfade.progress == 65535 && runtime::mouse_y < 0) sequence_go_request[s] = 2;
            sequence_tap_valid[s] = 0;
        }
    }
    set_sequence_control(sequence, static_cast<int16_t>(control), runtime::mouse_y);
    if (runtime::hw_option_flags.sequence_belts != 0) {
        write_sequence_control(static_cast<int16_t>(kSequenceControls * (sequence - 1) + control),
                               static_cast<uint8_t>(sequence_control_positions[s][static_cast<size_t>(control)]));
    }
}

long typed_time_hundredths(const char* text) {
    long whole = 0;
    long fraction = 0;  // hundredths
    int decimals = -1;  // -1 before the point
    bool digits = false;
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c == '.' && decimals < 0) {
            decimals = 0;
            continue;
        }
        if (*c < '0' || *c > '9') return -1;
        digits = true;
        const long digit = *c - '0';
        if (decimals < 0) {
            if (whole > kLongestTypedTime_hundredths) return -1;  // far past any time: refused anyway
            whole = whole * 10 + digit;
        } else if (decimals < 2) {
            fraction += digit * (decimals == 0 ? 10 : 1);
            ++decimals;
        }
    }
    return digits ? whole * 100 + fraction : -1;
}

void edit_sequence_times() {
    const int16_t sequence = selected_sequence();
    if (sequence < 1) return;
    const auto s = static_cast<size_t>(sequence);
    const int control = sequence_selected_control[s];
    if (control != kControlFadeTime && control != kControlWaitDelay) return;
    using runtime::set_key_led;
    set_key_led(runtime::KEY_EDIT_VALUE, runtime::LED_ON);
    for (int16_t key = runtime::KEY_DIGIT_0; key <= runtime::KEY_BACK; ++key) set_key_led(key, runtime::LED_BLINK);
    set_key_led(runtime::KEY_ESC, runtime::LED_BLINK);
    set_key_led(runtime::KEY_ENTER, runtime::LED_BLINK);
    for (const int16_t key : kTimeEntryDarkKeys) set_key_led(key, runtime::LED_OFF);
    runtime::option_flags &= ~(runtime::OPT_CUE_PANEL | runtime::OPT_MEMORY_STATE_SHOWN);
    const bool fade = control == kControlFadeTime;
    const bool panel_shown = ui::cover_sequence_panel();
    ui::fill_box(kTimeBoxLeft, kTimeBoxTop, kTimeBoxRight, kTimeBoxBottom, kTimeBoxColour);
    ui::draw_bitmap_text(static_cast<int16_t>(kTimeBoxLeft + 10), static_cast<int16_t>(kTimeBoxTop + 6), 14,
                         fade ? "FADE TIME" : "WAIT DELAY");
    ui::show_message(fade ? "EDIT FADE TIME" : "EDIT WAIT DELAY");
    std::array<char, kTimeEntryChars + 1> text{};
    const uint8_t confirmed = ui::edit_text_line(text.data(), static_cast<int16_t>(kTimeBoxLeft + 120),
                                                 static_cast<int16_t>(kTimeBoxTop + 6), kTimeEntryChars, kTimeBoxColour, 15, 0);
    if (confirmed != 0 && text[0] != '\0') {
        const long hundredths = typed_time_hundredths(text.data());
        if (hundredths >= 0 && hundredths <= kLongestTypedTime_hundredths) {
            if (hundredths > kLongestTime_hundredths) {
                // The time field holds at most 655.35 s.
                ui::beep(kErrorBeep_hz, kErrorBeep_ms);
            } else {
                SequenceRecord& r = sequence_table[s];
                (fade ? r.fade_time : r.wait_delay) = static_cast<uint16_t>(hundredths);
                show_sequence_time_on_control(sequence, static_cast<int16_t>(control));
                if (runtime::hw_option_flags.sequence_belts != 0) {
                    write_sequence_control(static_cast<int16_t>(kSequenceControls * (sequence - 1) + control),
                                           static_cast<uint8_t>(sequence_control_positions[s][static_cast<size_t>(control)]));
                }
            }
        }
    }
    for (int16_t key = runtime::KEY_DIGIT_0; key <= runtime::KEY_BACK; ++key) set_key_led(key, runtime::LED_OFF);
    set_key_led(runtime::KEY_ESC, runtime::LED_OFF);
    set_key_led(runtime::KEY_ENTER, runtime::LED_OFF);
    ui::uncover_sequence_panel(panel_shown, kTimeBoxLeft, kTimeBoxTop, kTimeBoxRight, kTimeBoxBottom);
    ui::redraw_cue_panel();
    set_key_led(runtime::KEY_EDIT_VALUE, runtime::LED_OFF);
}

}  // namespace playback
