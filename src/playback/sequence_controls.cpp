#include "playback/sequence_controls.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/graphics.h"
#include "playback/sequence_commands.h"
#include "playback/sequence_engine.h"
#include "runtime/card_access.h"
#include "runtime/card_discovery.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/timers.h"
#include "ui/helpers.h"
#include "ui/panels.h"

namespace playback {

std::array<std::array<uint16_t, kSequenceControls + 1>, kSequences + 1> sequence_control_positions{};
std::array<std::array<int16_t, kSequenceControls + 1>, kSequences + 1> sequence_control_bars{};
std::array<std::array<StepLabel, kStepLabels>, kSequences + 1> sequence_step_labels{};
std::array<uint8_t, kSequences + 1> sequence_crossfade_armed{};
std::array<uint32_t, kSequences + 1> sequence_control_written_ms{};

void reset_sequence_controls_globals() {
    sequence_control_positions = {};
    sequence_control_bars = {};
    sequence_step_labels = {};
    sequence_crossfade_armed = {};
    sequence_control_written_ms = {};
}

namespace {

// The control curves. The constants are doubles and the sums run in long
// double before the truncation, which is what makes position 180 give 99.
constexpr double kFadeSlopeCoarse = -0.3277777777777778;
constexpr double kFadeSlopeFine = -0.013333333333333334;
constexpr double kFadeOffsetFine = 3.4;
constexpr double kWaitSlope = 0.3277777777777778;
constexpr double kWaitOffset = 23.583333333333332;
constexpr int32_t kFadeKnee = 180;
constexpr int32_t kWaitKnee = 75;
constexpr int32_t kMaxPosition = 255;
constexpr uint32_t kThrottle_ms = 50;
constexpr uint8_t kCrossfadeTakeLimit = 249;
constexpr uint8_t kStrokeLimit = 50;

constexpr int16_t kRed = 4, kLightBlue = 9, kLightGreen = 10, kLightRed = 12, kYellow = 14, kBlack = 0;
constexpr int16_t kMarkerErase = 7;
constexpr int16_t kBarBase_y = 230;

size_t at(int n) { return static_cast<size_t>(n); }
bool valid_sequence(int s) { return s >= 1 && s <= kSequences; }
bool valid_control(int c) { return c >= 1 && c <= kSequenceControls; }
bool panel_shown() { return (runtime::option_flags & runtime::OPT_SEQUENCE_PANEL) != 0; }
bool has_belts() { return runtime::hw_option_flags.sequence_belts != 0; }
bool has_displays() { return runtime::hw_option_flags.displays != 0; }
int16_t column_x(int s) { return static_cast<int16_t>((s - 1) * 100); }
int card_control(int s, int c) { return kSequenceControls * (s - 1) + c; }

uint16_t clamp_position(long double x) {
    if (x <= 0) return 0;
    if (x >= kMaxPosition) return kMaxPosition;
    const long double whole = std::trunc(x);
    return static_cast<uint16_t>(x - whole > 0.5L ? whole + 1 : whole);
}

uint16_t truncate_time(long double t) { return t <= 0 ? 0 : static_cast<uint16_t>(std::trunc(t)); }

uint8_t trigger_of(int s) { return sequence_mode_field(sequence_table[at(s)].mode, kSequenceTriggerShift); }

// Typed times reach 655.35 s: from 100 s on the read-out drops the tenths,
// so that it keeps to its box (four characters at most).
constexpr uint16_t kWholeSecondsFrom = 10000;

void format_time(StepLabel& label, uint16_t time, uint16_t fine_limit, bool fine_at_limit) {
    const bool fine = fine_at_limit ? time <= fine_limit : time < fine_limit;
    const char* format = fine ? "%2.2f" : time >= kWholeSecondsFrom ? "%3.0f" : "%2.1f";
    std::snprintf(label.data(), label.size(), format, time / 100.0);
}

// The fade time or wait delay read-out: drawn and sent to the display.
void show_time_read_out(int s, int c) {
    const SequenceRecord& r = sequence_table[at(s)];
    StepLabel& label = sequence_step_labels[at(s)][at(c - 1)];
    if (c == kControlFadeTime) {
        format_time(label, r.fade_time, 100, false);
        if (panel_shown()) ui::draw_sequence_step_label(static_cast<int16_t>(s), 1);
        if (has_displays()) runtime::show_sequence_display(static_cast<int16_t>(s), label.data());
    } else {
        format_time(label, r.wait_delay, 100, true);
        if (panel_shown()) ui::draw_sequence_step_label(static_cast<int16_t>(s), 2);
        if (has_displays()) runtime::show_sequence_display_second_field(static_cast<int16_t>(s), label.data());
    }
}

// The bar of the control follows its position; the card gets the position
// when the bar moved.
void follow_position(int s, int c) {
    const uint16_t p = sequence_control_positions[at(s)][at(c)];
    const auto bar = static_cast<int16_t>((p + 2) / 3);
    int16_t& drawn = sequence_control_bars[at(s)][at(c)];
    if (bar == drawn) return;
    if (panel_shown()) {
        draw_sequence_control_bar(static_cast<int16_t>(bar - drawn), static_cast<int16_t>(s), static_cast<int16_t>(c));
    }
    if (has_belts()) write_sequence_control(static_cast<int16_t>(card_control(s, c)), static_cast<uint8_t>(p));
    drawn = bar;
}

// Applies the control's position; the time is taken from it only when the
// operator moved the control.
void apply_control(int s, int c, bool operator_moved) {
    follow_position(s, c);
    const uint16_t p = sequence_control_positions[at(s)][at(c)];
    SequenceRecord& r = sequence_table[at(s)];
    if (c == kControlCrossfade) {
        SequenceCrossfade& x = sequence_crossfade[at(s)];
        x.progress = p * 257u;
        x.inverse_progress = 65535u - x.progress;
        return;
    }
    if (operator_moved) {
        if (c == kControlFadeTime) r.fade_time = convert_position_to_fade_time(p);
        else r.wait_delay = convert_position_to_wait_delay(p);
    }
    show_time_read_out(s, c);
}

uint8_t read_status(int i) { return runtime::read_sequence_belt(static_cast<int16_t>(i), 1); }
void write_status(int i, uint8_t status) { runtime::write_sequence_belt(static_cast<int16_t>(i), 1, status); }
void write_value(int i, uint8_t value) {
    runtime::write_sequence_belt(static_cast<int16_t>(i), 0, value);
    write_status(i, kControlStatusSent);
}

uint8_t crossfade_position(int s) { return static_cast<uint8_t>(sequence_control_positions[at(s)][kControlCrossfade]); }

void read_crossfade_control(int s, int i, uint8_t status, uint8_t value) {
    const bool running = sequence_mode_field(sequence_table[at(s)].mode, kSequenceRunShift) == 1;
    if (running && trigger_of(s) == kTriggerAutomatic) {
        // In automatic mode the crossfade control cannot be moved.
        write_value(i, crossfade_position(s));
        return;
    }
    uint8_t& armed = sequence_crossfade_armed[at(s)];
    if (status == kControlStatusOperator && armed != 0) {
        // The back half of a full stroke steps to the next memory.
        if (value < kStrokeLimit) {
            write_status(i, kControlStatusAck);
            sequence_crossfade[at(s)].running = 0;
            sequence_go_request[at(s)] = 2;
            sequence_tap_valid[at(s)] = 0;
            armed = 0;
        } else {
            write_status(i, kControlStatusEndStop);
        }
    } else if (status == kControlStatusOperator) {
        sequence_control_positions[at(s)][kControlCrossfade] = value;
        apply_control(s, kControlCrossfade, true);
        write_status(i, kControlStatusAck);
    } else if (armed == 0) {
        sequence_control_positions[at(s)][kControlCrossfade] = kMaxPosition;
        apply_control(s, kControlCrossfade, true);
        armed = 1;
    }
}

}  // namespace

uint16_t convert_position_to_fade_time(int32_t position) {
    const long double p = position;
    const long double seconds = position <= kFadeKnee ? p * static_cast<long double>(kFadeSlopeCoarse) + 60.0L
                                                      : p * static_cast<long double>(kFadeSlopeFine) + kFadeOffsetFine;
    return truncate_time(seconds * 100.0L);
}

uint16_t convert_position_to_wait_delay(int32_t position) {
    const long double p = position;
    const long double seconds = position <= kWaitKnee ? p / 75.0L
                                                      : p * static_cast<long double>(kWaitSlope) - kWaitOffset;
    return truncate_time(seconds * 100.0L);
}

uint16_t convert_fade_time_to_position(uint16_t fade_time) {
    const long double seconds = fade_time / 100.0L;
    return clamp_position(fade_time >= 100 ? (seconds - 60.0L) / static_cast<long double>(kFadeSlopeCoarse)
                                           : (seconds - kFadeOffsetFine) / static_cast<long double>(kFadeSlopeFine));
}

uint16_t convert_wait_delay_to_position(uint16_t wait_delay) {
    const long double seconds = wait_delay / 100.0L;
    return clamp_position(wait_delay <= 100 ? seconds * 75.0L
                                            : (seconds + kWaitOffset) / static_cast<long double>(kWaitSlope));
}

void set_sequence_control(int16_t sequence, int16_t control, int16_t delta) {
    if (!valid_sequence(sequence) || !valid_control(control)) return;
    uint16_t& p = sequence_control_positions[at(sequence)][at(control)];
    const int moved = p - delta;
    if (moved < 0 || moved > kMaxPosition) return;
    p = static_cast<uint16_t>(moved);
    apply_control(sequence, control, true);
}

void follow_sequence_control(int16_t sequence, int16_t control) {
    if (valid_sequence(sequence) && valid_control(control)) follow_position(sequence, control);
}

void show_sequence_time_on_control(int16_t sequence, int16_t control) {
    if (!valid_sequence(sequence) || (control != kControlFadeTime && control != kControlWaitDelay)) return;
    const SequenceRecord& r = sequence_table[at(sequence)];
    sequence_control_positions[at(sequence)][at(control)] = control == kControlFadeTime
                                                                 ? convert_fade_time_to_position(r.fade_time)
                                                                 : convert_wait_delay_to_position(r.wait_delay);
    apply_control(sequence, control, false);
}

void write_sequence_control(int16_t card_control, uint8_t value) {
    if (card_control < 1 || card_control > kSequences * kSequenceControls) return;
    const int s = (card_control - 1) / kSequenceControls + 1;
    const bool crossfade = (card_control - 1) % kSequenceControls == 0;
    const bool automatic = trigger_of(s) == kTriggerAutomatic;
    SequenceCrossfade& x = sequence_crossfade[at(s)];
    if (read_status(card_control) == kControlStatusOperator && crossfade && !automatic && x.running != 0) {
        // The operator has taken the crossfade over.
        write_value(card_control, crossfade_position(s));
        x.running = 0;
        return;
    }
    if (automatic || x.running == 0 || !crossfade || value > kCrossfadeTakeLimit) {
        write_value(card_control, value);
        return;
    }
    // A timed crossfade on a manual or beat sequence: the card's control
    // follows it at most every 50 ms.
    const uint32_t now = runtime::get_time_ms();
    if (now - sequence_control_written_ms[at(s)] > kThrottle_ms) {
        write_value(card_control, value);
        sequence_control_written_ms[at(s)] = now;
    }
}

void read_sequence_controls() {
    if (!has_belts()) return;
    for (int s = 1; s <= kSequences; ++s) {
        for (int c = 1; c <= kSequenceControls; ++c) {
            const int i = card_control(s, c);
            const uint8_t status = read_status(i);
            if (status != kControlStatusOperator && status != kControlStatusEndStop) continue;
            const uint8_t value = runtime::read_sequence_belt(static_cast<int16_t>(i), 0);
            if (c == kControlCrossfade) {
                read_crossfade_control(s, i, status, value);
            } else if (status == kControlStatusOperator) {
                sequence_control_positions[at(s)][at(c)] = value;
                apply_control(s, c, true);
                write_status(i, kControlStatusAck);
            }
        }
    }
}

void draw_sequence_control_bar(int16_t change, int16_t sequence, int16_t control) {
    if (!valid_sequence(sequence) || !valid_control(control)) return;
    int16_t& bar = sequence_control_bars[at(sequence)][at(control)];
    const auto from = bar;
    const auto to = static_cast<int16_t>(bar + change);
    const auto left = static_cast<int16_t>(column_x(sequence) + 20 * control + 247);
    if (to > from) ui::fill_box(left, static_cast<int16_t>(kBarBase_y - to + 1), static_cast<int16_t>(left + 5),
                                static_cast<int16_t>(kBarBase_y - from), kRed);
    if (to < from) ui::fill_box(left, static_cast<int16_t>(kBarBase_y - from + 1), static_cast<int16_t>(left + 5),
                                static_cast<int16_t>(kBarBase_y - to), kBlack);
    bar = to;
}

void draw_sequence_control_marker(int16_t colour, int16_t sequence) {
    if (!valid_sequence(sequence)) return;
    const int c = sequence_selected_control[at(sequence)];
    if (!valid_control(c)) return;
    const int left = column_x(sequence) + 20 * c + 245;
    platform::_setcolor(colour);
    platform::_rectangle(left, 145, left + 10, 231);
}

void update_sequence_leds(int16_t sequence) {
    if (!valid_sequence(sequence)) return;
    const uint8_t mode = sequence_table[at(sequence)].mode;
    using runtime::set_key_led;
    set_key_led(runtime::KEY_SEQUENCE_RUN,
                sequence_mode_field(mode, kSequenceRunShift) == 1 ? runtime::LED_ON : runtime::LED_OFF);
    const uint8_t direction = sequence_mode_field(mode, kSequenceDirectionShift);
    const bool first = direction == kDirectionBackward || direction == kDirectionBounce;
    const bool second = direction == kDirectionForward || direction == kDirectionBounce;
    set_key_led(runtime::KEY_SEQUENCE_DIRECTION, first ? runtime::LED_ON : runtime::LED_OFF);
    set_key_led(runtime::KEY_SEQUENCE_DIRECTION_2, second ? runtime::LED_ON : runtime::LED_OFF);
    set_key_led(runtime::KEY_SEQUENCE_SYNC,
                sequence_mode_field(mode, kSequenceSyncShift) == 1 ? runtime::LED_ON : runtime::LED_OFF);
    const uint8_t trigger = sequence_mode_field(mode, kSequenceTriggerShift);
    set_key_led(runtime::KEY_SEQUENCE_TRIGGER, trigger == kTriggerManual ? runtime::LED_OFF
                                               : trigger == kTriggerBeat ? runtime::LED_BLINK
                                                                         : runtime::LED_ON);
    for (int c = 1; c <= kSequenceControls; ++c) {
        set_key_led(static_cast<int16_t>(runtime::KEY_SEQUENCE_GO + c), runtime::LED_OFF);
    }
    const int active = sequence_selected_control[at(sequence)];
    if (valid_control(active)) set_key_led(static_cast<int16_t>(runtime::KEY_SEQUENCE_GO + active), runtime::LED_ON);
}

void set_sequence_step_label(int16_t sequence, int32_t memory) {
    if (!valid_sequence(sequence)) return;
    StepLabel& label = sequence_step_labels[at(sequence)][0];
    std::snprintf(label.data(), label.size(), "%d", static_cast<int>(memory));
    if (panel_shown()) ui::draw_sequence_step_label(sequence, 0);
    if (has_displays()) runtime::show_console_name(sequence, label.data());
}

void draw_sequence_frame(int16_t sequence) {
    if (!valid_sequence(sequence) || !panel_shown()) return;
    const int x = sequence * 100;
    platform::_setcolor((sequence_table[at(sequence)].flags & 1) != 0 ? kYellow : kLightBlue);
    platform::_rectangle(x + 156, 109, x + 229, 130);
}

}  // namespace playback
