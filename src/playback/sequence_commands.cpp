#include "playback/sequence_commands.h"

#include "playback/sequence_engine.h"

#include <algorithm>
#include <cstdlib>

#include "playback/live_layer.h"
#include "playback/output_merge.h"
#include "playback/sequence_engine.h"
#include "playback/sequence_controls.h"
#include "runtime/card_discovery.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/show_tables.h"
#include "runtime/timers.h"
#include "sync/sync_services.h"
#include "ui/helpers.h"
#include "ui/mode_keys.h"
#include "ui/value_table.h"

namespace playback {

std::array<SequenceTapTempo, kSequences + 1> sequence_tempo{};

void reset_sequence_commands_globals() { sequence_tempo = {}; }

namespace {

constexpr int16_t kLightBlue = 9, kYellow = 14, kBlack = 0;
constexpr int16_t kActionRun = 1;
constexpr uint32_t kTapTimeout_ms = 10'000;
constexpr uint32_t kTapEvenness_ms = 500;
constexpr uint16_t kNotSet = 65535;
constexpr uint8_t kByteNotSet = 255;
constexpr uint8_t kDisplayFirstSequence = 5;
constexpr uint8_t kDisplayLastSequence = 8;

size_t at(int n) { return static_cast<size_t>(n); }
bool valid_sequence(int s) { return s >= 1 && s <= kSequences; }
bool panel_shown() { return (runtime::option_flags & runtime::OPT_SEQUENCE_PANEL) != 0; }
bool has_belts() { return runtime::hw_option_flags.sequence_belts != 0; }

void draw_word(int s, int16_t dx, int16_t y, bool active, const char* text) {
    if (panel_shown()) ui::draw_small_text(static_cast<int16_t>((s - 1) * 100 + dx), y, active ? kYellow : kLightBlue, text);
}

// The start and stop words of the panel and the run LEDs.
void show_run_state(int s, bool running) {
    draw_word(s, 234, 113, running, "START");
    draw_word(s, 236, 126, !running, "STOP");
    if (has_belts()) {
        runtime::set_key_led(runtime::sequence_key(s, runtime::SequenceKey::run), running ? runtime::LED_ON : runtime::LED_OFF);
    }
    const bool selected = selected_sequence() == s;
    const auto own_key = static_cast<int16_t>(runtime::KEY_SEQUENCE_RUN + s);
    if (running) {
        if (selected) runtime::set_key_led(runtime::KEY_SEQUENCE_RUN, runtime::LED_ON);
        runtime::set_key_led(own_key, selected ? runtime::LED_ON_2 : runtime::LED_ON);
    } else {
        if (selected) runtime::set_key_led(runtime::KEY_SEQUENCE_RUN, runtime::LED_OFF);
        runtime::set_key_led(own_key, selected ? runtime::LED_ON_2 : runtime::LED_OFF);
    }
}

// The memory a starting sequence shows first.
int32_t starting_label(const SequenceRecord& r) {
    if ((r.flags & 1) == 0) return 0;
    if (r.start_memory != 0) return r.start_memory;
    const int length = std::min<int>(r.loop_length, kLoopMemories);
    if (length != 0) {
        const bool backward = sequence_mode_field(r.mode, kSequenceDirectionShift) == kDirectionBackward;
        return r.loop_memories[at(backward ? length : 1)];
    }
    return r.end_memory != 0 ? r.end_memory : -1;
}

// Each channel of the sequence's dimmer buffer at its fixture type's closed
// value, so that an inverted dimmer stays closed under a sequence that does
// not set it.
void close_dimmer_buffer(int s) {
    uint16_t* dimmers = runtime::sequence_dimmer_values[at(s)];
    if (dimmers == nullptr) return;
    const int n = std::max<int16_t>(runtime::function_record_count, 0);
    for (int record = 1; record <= n; ++record) {
        int closed = 0;
        int open = 255;
        dimmer_range(record, closed, open);
        dimmers[record] = static_cast<uint16_t>(closed);
    }
}

// The step images of the sequence start empty: nothing set, and its dimmers closed.
void reset_step_buffers(int s) {
    const auto n = static_cast<size_t>(std::max<int16_t>(runtime::function_record_count, 0));
    const runtime::SequenceStepBuffer& b = runtime::sequence_step_buffers[at(s)];
    if (b.current_values != nullptr) std::fill_n(b.current_values + 1, n, kNotSet);
    if (b.current_generators != nullptr) std::fill_n(b.current_generators + 1, n * runtime::kGeneratorBytesPerRecord, kByteNotSet);
    if (b.current_figures != nullptr) std::fill_n(b.current_figures + 1, runtime::kShowFigureBytes, kByteNotSet);
    close_dimmer_buffer(s);
}

// The dimmers whose level on stage the stopped sequence s set close on layer
// 0; the remaining sources then bring back what they give (the standing cue's
// level, another sequence's), so no dimmer stays lit at the level the sequence
// left it.
void close_dimmers_set_by(int s) {
    if (runtime::channel_flags == nullptr || runtime::function_record_table == nullptr ||
        runtime::layer_values[0] == nullptr) {
        return;
    }
    const int n = std::max<int16_t>(runtime::function_record_count, 0);
    for (int record = 1; record <= n; ++record) {
        const uint16_t flags = runtime::channel_flags[record];
        if (runtime::function_record_table[record].dimmer == 0) continue;
        if ((flags & (runtime::FLAG_FROZEN | runtime::FLAG_MANUAL)) != 0) continue;
        if ((flags & runtime::FLAG_STEP_SOURCE) >> runtime::FLAG_STEP_SOURCE_SHIFT != s) continue;
        int closed = 0;
        int open = 255;
        dimmer_range(record, closed, open);
        uint16_t& level = runtime::layer_values[0][record];
        if (level == closed) continue;
        level = static_cast<uint16_t>(closed);
        mark_channel_dirty(static_cast<int16_t>(record));
    }
}

// Layer 0 forgets which source owned each element, so that the remaining
// sources decide again.
void clear_layer_zero_owners() {
    const auto n = static_cast<size_t>(std::max<int16_t>(runtime::function_record_count, 0));
    const auto keep = static_cast<uint16_t>(~runtime::FLAG_STEP_SOURCE);
    if (runtime::channel_flags != nullptr) {
        for (size_t r = 1; r <= n; ++r) runtime::channel_flags[r] &= keep;
    }
    if (runtime::generator_flags != nullptr) {
        for (size_t i = 1; i <= n * runtime::kGeneratorBytesPerRecord; ++i) runtime::generator_flags[i] &= keep;
    }
    for (uint16_t& flags : runtime::figure_flags) flags &= keep;
}

void start_sequence(int s) {
    if ((runtime::mode_flags & runtime::MODE_FIXTURE_STEP) != 0) ui::toggle_fixture_step_mode();
    show_run_state(s, true);
    SequenceRecord& r = sequence_table[at(s)];
    r.mode = with_sequence_mode_field(r.mode, kSequenceRunShift, 1);
    sequence_loops_done[at(s)] = 0;
    sequence_current_step[at(s)] = kStepNotStarted;
    sequence_bounce_backward[at(s)] = 0;
    sequence_control_positions[at(s)][kControlCrossfade] = 0;
    set_sequence_control(static_cast<int16_t>(s), kControlCrossfade, 0);
    if (r.start_memory != 0) sequence_advance_request[at(s)] = 1;
    const int32_t label = starting_label(r);
    if (label >= 0) set_sequence_step_label(static_cast<int16_t>(s), label);
    reset_step_buffers(s);
}

void stop_sequence(int s) {
    sequence_stop_request[at(s)] = 0;
    show_run_state(s, false);
    SequenceRecord& r = sequence_table[at(s)];
    r.mode = with_sequence_mode_field(r.mode, kSequenceRunShift, 0);
    const auto n = static_cast<size_t>(std::max<int16_t>(runtime::function_record_count, 0));
    close_dimmer_buffer(s);
    uint8_t* run_buffer = runtime::sequence_run_buffer[at(s)];
    if (run_buffer != nullptr) std::fill_n(run_buffer + 1, n, uint8_t{0});
    close_dimmers_set_by(s);
    clear_layer_zero_owners();
    rebuild_fading_channel_list();
}

}  // namespace

int16_t selected_sequence() {
    const uint8_t mode = runtime::display_mode;
    return mode >= kDisplayFirstSequence && mode <= kDisplayLastSequence ? static_cast<int16_t>(mode - 4) : 0;
}

void toggle_sequence_run(int16_t sequence, uint8_t from_operator) {
    if (!valid_sequence(sequence)) return;
    const SequenceRecord& r = sequence_table[at(sequence)];
    uint8_t& finishing = sequence_stop_request[at(sequence)];
    if (sequence_mode_field(r.mode, kSequenceRunShift) == 0) {
        start_sequence(sequence);
    } else if ((r.flags & 1) == 0 || finishing != 0) {
        stop_sequence(sequence);
    } else {
        // The engine plays on to the end memory and stops the sequence there.
        finishing = 1;
        sequence_advance_request[at(sequence)] = 1;
    }
    ui::refresh_table_view();
    if (from_operator != 0) {
        const int16_t value = finishing != 0 ? 0 : sequence_mode_field(r.mode, kSequenceRunShift);
        synchro::record_sequence_event(sequence, kActionRun, value);
    }
}

void tap_sequence_tempo(int16_t sequence) {
    if (!valid_sequence(sequence)) return;
    SequenceTapTempo& t = sequence_tempo[at(sequence)];
    const uint32_t now = runtime::get_time_ms();
    if (t.tap_count > 2) t.tap_count = 0;
    if (t.tap_count >= 1) {
        const uint32_t previous = t.tap_times_ms[at(t.tap_count - 1)];
        if (now < previous || now - previous > kTapTimeout_ms) t.tap_count = 0;
    }
    if (t.tap_count == 2) {
        const int64_t second = static_cast<int64_t>(now) - t.tap_times_ms[1];
        const int64_t first = static_cast<int64_t>(t.tap_times_ms[1]) - t.tap_times_ms[0];
        if (std::llabs(second - first) > kTapEvenness_ms) t.tap_count = 0;
    }
    if (t.tap_count == 2) {
        sequence_tap_period[at(sequence)] = now - t.tap_times_ms[1];
        sequence_tap_phase[at(sequence)] = 0;
        sequence_tap_valid[at(sequence)] = 1;
        t.tap_count = 0;
        return;
    }
    t.tap_times_ms[at(t.tap_count)] = now;
    sequence_tap_valid[at(sequence)] = 0;
    ++t.tap_count;
}

}  // namespace playback
