#include "playback/sequence_engine.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "datafiles/threshold_file.h"
#include "playback/cue_fades.h"
#include "playback/cue_tables.h"
#include "playback/live_layer.h"
#include "playback/playback_jobs.h"
#include "playback/sequence_commands.h"
#include "playback/sequence_controls.h"
#include "platform/graphics.h"
#include "runtime/card_access.h"
#include "runtime/card_discovery.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/show_tables.h"
#include "runtime/timers.h"
#include "setup/fixture_type.h"
#include "sync/sync_services.h"
#include "ui/helpers.h"
#include "ui/memory_access.h"

namespace playback {

std::array<int16_t, kSequences + 1> sequence_current_memory{};
std::array<int16_t, kSequences + 1> sequence_current_step{};
std::array<int16_t, kSequences + 1> sequence_previous_step{};
std::array<uint8_t, kSequences + 1> sequence_step_fade_mode{};
std::array<uint8_t, kSequences + 1> sequence_advance_request{};
std::array<uint8_t, kSequences + 1> sequence_go_request{};
std::array<uint8_t, kSequences + 1> sequence_stop_request{};
std::array<uint8_t, kSequences + 1> sequence_crossfade_running_before{};
std::array<int16_t, kSequences + 1> sequence_loops_done{};
std::array<int16_t, kSequences + 1> sequence_bounce_backward{};
std::array<int32_t, kSequences + 1> sequence_fade_anchor_progress{};
std::array<uint32_t, kSequences + 1> sequence_fade_anchor_time{};
std::array<uint16_t, kSequences + 1> sequence_fade_anchor_fade_time{};
std::array<uint32_t, kSequences + 1> sequence_wait_timer{};
std::array<uint32_t, kSequences + 1> sequence_tap_period{};
std::array<uint32_t, kSequences + 1> sequence_tap_phase{};
std::array<uint8_t, kSequences + 1> sequence_tap_valid{};
std::array<uint32_t, kSequences + 1> sequence_last_beat_count{};
std::array<uint8_t, kSequences + 1> sequence_sync_waiting{};
std::array<uint8_t, kSequences + 1> sequence_transparent{};
std::array<uint8_t, kSequences + 1> sequence_advanced_this_poll{};

namespace {
int c_library_random() { return std::rand(); }
}  // namespace

RandomSource random_source = c_library_random;

void reset_sequence_engine_globals() {
    sequence_current_memory = {};
    sequence_current_step = {};
    sequence_previous_step = {};
    sequence_step_fade_mode = {};
    sequence_advance_request = {};
    sequence_go_request = {};
    sequence_stop_request = {};
    sequence_crossfade_running_before = {};
    sequence_loops_done = {};
    sequence_bounce_backward = {};
    sequence_fade_anchor_progress = {};
    sequence_fade_anchor_time = {};
    sequence_fade_anchor_fade_time = {};
    sequence_wait_timer = {};
    sequence_tap_period = {};
    sequence_tap_phase = {};
    sequence_tap_valid = {};
    sequence_last_beat_count = {};
    sequence_sync_waiting = {};
    sequence_transparent = {};
    sequence_advanced_this_poll = {};
    random_source = c_library_random;
}

namespace {

constexpr size_t at(int s) { return static_cast<size_t>(s); }
constexpr uint32_t kWaitTimerLimit = 2'000'000'000;
constexpr int kMaxStepPasses = 200;
constexpr int kRandomDraws = 10;
constexpr uint8_t kHighestThresholdTable = 70;
constexpr int kSoundBands = 5;
constexpr uint8_t kLedWaitingForGo = runtime::LED_ON;
constexpr uint8_t kLedRunningWithMemory = runtime::LED_ON;
constexpr uint8_t kLedRunningEmpty = runtime::LED_BLINK_BOTH;
// The step label box of the sequence panel.
constexpr int kLabelLeft = 157, kLabelWidth = 23, kLabelTop = 131, kLabelBottom = 140, kLabelTextTop = 134;
constexpr int16_t kLabelFill = 0, kLabelColour = 12;
// Command and dialog bits under which a sequence does not recall its linked cue.
constexpr uint32_t kNoLinkFollowRuns = runtime::RUN_CUE_COPY_DIALOG | runtime::RUN_SEQUENCE_KEYS_TAKEN |
                                       runtime::RUN_PLAYBACK_KEYS_TAKEN | runtime::RUN_MIDI_EDIT |
                                       runtime::RUN_FREEZE_SWITCHES | runtime::RUN_POINTCUE_EDIT;

SequenceRecord& record_of(int s) { return sequence_table[at(s)]; }
SequenceCrossfade& crossfade_of(int s) { return sequence_crossfade[at(s)]; }
bool runs(int s) { return sequence_run_state(record_of(s)) == 1; }
bool programmed(int s) { return (record_of(s).flags & 1) != 0; }
bool stop_asked(int s) { return sequence_stop_request[at(s)] != 0; }
bool complete(int s) { return crossfade_of(s).progress >= kCrossfadeComplete; }
uint32_t wait_delay_ms(int s) { return record_of(s).wait_delay * 10u; }

// The loop length in use: a damaged record's length above 100 is cut.
int loop_length(const SequenceRecord& r) { return std::min<int>(r.loop_length, kLoopMemories); }

// A sound band outside 1..5 counts as none.
int sound_band(const SequenceRecord& r) { return r.sound_band <= kSoundBands ? r.sound_band : 0; }

void set_running(int s, bool on) { crossfade_of(s).running = on ? 1 : 0; }

void request_advance(int s) { sequence_advance_request[at(s)] = 1; }

// The manual rule: GO requests, the crossfade control and stop requests of a
// manual or beat sequence.
void apply_manual_rule(int s) {
    uint8_t& go = sequence_go_request[at(s)];
    SequenceCrossfade& x = crossfade_of(s);
    if (go == 1) {
        go = 0;
        if (x.running != 0 || complete(s)) request_advance(s);
        set_running(s, true);
    } else if (go == 2) {
        go = 0;
        set_running(s, false);
        request_advance(s);
    } else if (complete(s)) {
        if (stop_asked(s)) {
            set_running(s, true);
            request_advance(s);
        } else {
            set_running(s, false);
        }
    } else if (stop_asked(s)) {
        set_running(s, true);
    }
}

void apply_automatic_rule(int s) {
    sequence_go_request[at(s)] = 0;
    const int band = sound_band(record_of(s));
    if (band != 0) {
        const uint32_t beats = synchro::audio_band_beats[at(band)];
        if (beats != sequence_last_beat_count[at(s)]) {
            sequence_last_beat_count[at(s)] = beats;
            if (beats % (record_of(s).beats_per_step + 1u) == 0) {
                set_running(s, true);
                request_advance(s);
            }
        }
        return;
    }
    if (crossfade_of(s).running != 0) sequence_wait_timer[at(s)] = 0;
    if (!complete(s)) {
        set_running(s, true);
    } else if (sequence_wait_timer[at(s)] < wait_delay_ms(s) && !stop_asked(s)) {
        set_running(s, false);
    } else {
        set_running(s, true);
        request_advance(s);
    }
}

bool is_sync(int s) { return sequence_sync(record_of(s)) == 1; }
bool is_automatic(int s) { return sequence_trigger(record_of(s)) == kTriggerAutomatic; }

// The SYNC group: automatic members start their waits together once every
// automatic member has completed its crossfade; a GO on a hand-stepped
// member steps every idle automatic member with it.
void run_sync_group() {
    bool group_stepped = false;
    bool hand_stepped_member = false;
    std::array<bool, kSequences + 1> group_complete{};
    const auto any_member_waiting = [] {
        for (int m = 1; m <= kSequences; ++m) {
            if (runs(m) && is_sync(m) && sequence_sync_waiting[at(m)] != 0) return true;
        }
        return false;
    };
    const auto automatic_member_fading = [] {
        for (int m = 1; m <= kSequences; ++m) {
            if (runs(m) && is_sync(m) && is_automatic(m) && !complete(m)) return true;
        }
        return false;
    };
    for (int s = 1; s <= kSequences; ++s) {
        if (!runs(s)) continue;
        if (!is_sync(s)) {
            sequence_sync_waiting[at(s)] = 0;
            continue;
        }
        if (is_automatic(s)) {
            if (!complete(s)) {
                set_running(s, true);
            } else {
                set_running(s, false);
                if (!any_member_waiting()) {
                    sequence_wait_timer[at(s)] = 0;
                    group_complete[at(s)] = !automatic_member_fading();
                }
            }
        } else {
            sequence_sync_waiting[at(s)] = 0;
            hand_stepped_member = true;
            if (sequence_go_request[at(s)] != 0) group_stepped = true;
            apply_manual_rule(s);
        }
    }
    for (int s = 1; s <= kSequences; ++s) {
        if (!runs(s) || !is_sync(s) || !is_automatic(s)) continue;
        uint8_t& waiting = sequence_sync_waiting[at(s)];
        if (group_complete[at(s)]) waiting = 1;
        if (hand_stepped_member) waiting = 0;
        const bool wait_over = waiting != 0 && sequence_wait_timer[at(s)] >= wait_delay_ms(s) && !hand_stepped_member;
        if (crossfade_of(s).running == 0 && (wait_over || group_stepped || stop_asked(s))) {
            waiting = 0;
            set_running(s, true);
            request_advance(s);
        }
    }
}

void anchor(int s) {
    sequence_fade_anchor_progress[at(s)] = static_cast<int32_t>(crossfade_of(s).progress);
    sequence_fade_anchor_time[at(s)] = runtime::clock_ms;
}

// The step label of the sequence panel and the sequence's console display.
void draw_step_label(int s, int16_t memory) {
    char* label = sequence_step_labels[at(s)][0].data();
    std::snprintf(label, kStepLabelBytes, "%d", memory);
    if ((runtime::option_flags & runtime::OPT_SEQUENCE_PANEL) != 0) {
        const int left = 100 * s + kLabelLeft;
        ui::fill_box(static_cast<int16_t>(left), kLabelTop, static_cast<int16_t>(left + kLabelWidth), kLabelBottom, kLabelFill);
        ui::set_text_style(2, 0, 4);
        platform::_setcolor(kLabelColour);
        platform::_outtextxy(left + (kLabelWidth - platform::_textwidth(label)) / 2, kLabelTextTop, label);
    }
    if (runtime::hw_option_flags.displays != 0) runtime::show_console_name(static_cast<int16_t>(s), label);
}

// The step after `step` in a forward, backward or bounce loop of n steps
// (2..n+1), counting the loops done.
int16_t next_loop_step(int s, int16_t step, int n, uint8_t direction, uint16_t loop_count) {
    int16_t& loops = sequence_loops_done[at(s)];
    const auto count_loop = [&loops, loop_count] {
        loops = loop_count == kInfiniteLoops ? 0 : static_cast<int16_t>(loops + 1);
    };
    const int last = n + 1;
    if (direction == kDirectionRandom) {
        int16_t c = 0;
        for (int draw = 1; draw <= kRandomDraws; ++draw) {
            c = static_cast<int16_t>(get_random_below(n) + 2);
            if (n == 1) break;
            if (n <= 3 && c != step) break;
            if (n >= 4 && c != step && c != sequence_previous_step[at(s)]) break;
        }
        sequence_previous_step[at(s)] = step;
        count_loop();
        return c;
    }
    int16_t& backward = sequence_bounce_backward[at(s)];
    const bool going_back = direction == kDirectionBackward || (direction == kDirectionBounce && backward != 0);
    int next = going_back ? step - 1 : step + 1;
    if (next < 2) next = last;
    if (next > last) next = 2;
    if (direction == kDirectionForward && next == last) count_loop();
    if (direction == kDirectionBackward && next == 2) count_loop();
    if (direction == kDirectionBounce && ((!going_back && next == last) || (going_back && next == 2))) {
        count_loop();
        backward = going_back ? 0 : 1;
    }
    return static_cast<int16_t>(next);
}

// The linked cue of a sequence at its end, when it is to be followed.
bool follows_link(int s, bool followed) {
    const int link = record_of(s).linked_cue;
    return link != 0 && valid_cue_slot(link) && link != current_cue_slot() && sequence_transparent[at(s)] != 1 &&
           (runtime::run_flags & kNoLinkFollowRuns) == 0 && !followed;
}

// Chooses the memory of the sequence's next step (0 for an empty step);
// false when the sequence stopped instead.
bool choose_next_memory(int s, int16_t& memory) {
    bool followed = false;
    for (int pass = 1; pass <= kMaxStepPasses; ++pass) {
        SequenceRecord& r = record_of(s);
        int16_t& step = sequence_current_step[at(s)];
        if (stop_asked(s)) {
            if (step == kStepEnd || r.end_memory == 0) {
                toggle_sequence_run(static_cast<int16_t>(s), 0);
                return false;
            }
            step = kStepEnd;
            memory = static_cast<int16_t>(r.end_memory);
            return true;
        }
        if (step == kStepNotStarted) {
            step = kStepStart;
            if (r.start_memory != 0) {
                memory = static_cast<int16_t>(r.start_memory);
                return true;
            }
            continue;
        }
        if (step >= kStepStart && step < kStepEnd) {
            const int n = loop_length(r);
            const uint8_t direction = sequence_direction(r);
            const int32_t turns = direction == kDirectionRandom ? r.loop_count * n : r.loop_count;
            if (turns <= sequence_loops_done[at(s)] || n == 0) {
                step = kStepEnd;
                if (r.end_memory != 0) {
                    memory = static_cast<int16_t>(r.end_memory);
                    return true;
                }
                continue;
            }
            step = next_loop_step(s, step, n, direction, r.loop_count);
            const uint16_t loop_memory = r.loop_memories[at(step - 1)];
            if (loop_memory != 0) {
                memory = static_cast<int16_t>(loop_memory);
                return true;
            }
            continue;
        }
        // The end: the linked cue reloads the sequences and this one starts again.
        if (follows_link(s, followed)) {
            followed = true;
            go_to_cue(static_cast<uint16_t>(r.linked_cue), 0, 0);
            // The reloaded record plays from its start with its own loops.
            step = kStepNotStarted;
            sequence_loops_done[at(s)] = 0;
            sequence_bounce_backward[at(s)] = 0;
            if (programmed(s)) continue;
        }
        memory = 0;
        return true;
    }
    memory = 0;
    return true;
}

}  // namespace

void run_sequences() {
    // 1. Wait timers.
    for (int s = 1; s <= kSequences; ++s) {
        if (!runs(s)) continue;
        uint32_t& timer = sequence_wait_timer[at(s)];
        timer += runtime::clock_delta;
        if (timer > kWaitTimerLimit) timer = 0;
    }
    // 2. Tap tempo.
    for (int s = 1; s <= kSequences; ++s) {
        if (!runs(s) || sequence_trigger(record_of(s)) != kTriggerBeat) {
            sequence_tap_valid[at(s)] = 0;
            continue;
        }
        if (sequence_tap_valid[at(s)] == 0) continue;
        uint32_t& phase = sequence_tap_phase[at(s)];
        phase += runtime::clock_delta;
        if (phase >= sequence_tap_period[at(s)]) {
            phase -= sequence_tap_period[at(s)];
            sequence_go_request[at(s)] = 1;
        }
    }
    // 3. Triggers of the sequences that run alone.
    bool sync_group = false;
    for (int s = 1; s <= kSequences; ++s) {
        if (!runs(s)) {
            set_running(s, false);
            sequence_go_request[at(s)] = 0;
            sequence_advance_request[at(s)] = 0;
            sequence_wait_timer[at(s)] = 0;
            sequence_sync_waiting[at(s)] = 0;
            continue;
        }
        if (is_sync(s)) {
            sync_group = true;
        } else if (is_automatic(s)) {
            apply_automatic_rule(s);
        } else {
            apply_manual_rule(s);
        }
    }
    // 4. The SYNC group.
    if (sync_group) run_sync_group();
    // 5. The first step of a started sequence.
    for (int s = 1; s <= kSequences; ++s) {
        if (!runs(s) || !programmed(s) || sequence_current_step[at(s)] != kStepNotStarted) continue;
        if (is_automatic(s) || crossfade_of(s).progress > 0) request_advance(s);
    }
    // 6. Advance.
    for (int s = 1; s <= kSequences; ++s) {
        if (sequence_advance_request[at(s)] == 0) {
            sequence_advanced_this_poll[at(s)] = 0;
            continue;
        }
        sequence_advanced_this_poll[at(s)] = 1;
        advance_sequence_step(static_cast<int16_t>(s));
        if (sequence_current_step[at(s)] == kStepStart) set_running(s, true);
    }
    // 7.
    update_sequence_go_leds();
    // 8. Anchoring and progress.
    for (int s = 1; s <= kSequences; ++s) {
        const uint16_t fade_time = record_of(s).fade_time;
        if (sequence_advanced_this_poll[at(s)] != 0) {
            anchor(s);
        } else if (fade_time != sequence_fade_anchor_fade_time[at(s)]) {
            anchor(s);
            sequence_fade_anchor_fade_time[at(s)] = fade_time;
        } else if (crossfade_of(s).running != sequence_crossfade_running_before[at(s)]) {
            anchor(s);
            sequence_crossfade_running_before[at(s)] = crossfade_of(s).running;
        }
        if (crossfade_of(s).running != 0) update_sequence_crossfade(static_cast<int16_t>(s));
    }
}

void advance_sequence_step(int16_t sequence) {
    if (sequence < 1 || sequence > kSequences) return;
    const int s = sequence;
    int16_t memory = 0;
    if (programmed(s) && !choose_next_memory(s, memory)) {
        sequence_advance_request[at(s)] = 0;  // stopped: nothing is loaded
        return;
    }
    sequence_current_memory[at(s)] = memory;
    int16_t threshold = 0;
    if (memory != 0) {
        const SequenceRecord& r = record_of(s);
        const auto step = static_cast<size_t>(std::clamp<int16_t>(sequence_current_step[at(s)], kStepStart, kStepEnd));
        const uint8_t mode = r.step_fade_modes[step];
        sequence_step_fade_mode[at(s)] = mode <= kLastFadeMode ? mode : kFadeWithPermission;
        build_step_fade_modes(sequence);
        const uint8_t table = r.step_thresholds[step];
        threshold = table <= kHighestThresholdTable ? table : 0;
    } else {
        sequence_step_fade_mode[at(s)] = 0;
    }
    draw_step_label(s, memory);
    if (memory != 0) {
        load_sequence_step(sequence, memory, threshold);
    } else {
        clear_sequence_step(static_cast<uint8_t>(s));
    }
    SequenceCrossfade& x = crossfade_of(s);
    if (x.running == 0) {
        // The manual crossfade control goes back to its start with the progress.
        sequence_control_positions[at(s)][kControlCrossfade] = 0;
        set_sequence_control(sequence, kControlCrossfade, 0);
    }
    x.progress = 0;
    x.inverse_progress = kCrossfadeComplete;
    sequence_advance_request[at(s)] = 0;
}

void load_sequence_step(int16_t source, int16_t memory, int16_t threshold) {
    if (source < 1 || source > runtime::kStepSources || runtime::function_record_table == nullptr ||
        runtime::layer_values[0] == nullptr || runtime::layer_generators[0] == nullptr ||
        runtime::layer_figures[0] == nullptr || runtime::layer_figures_extra == nullptr) {
        return;
    }
    const runtime::SequenceStepBuffer& b = runtime::sequence_step_buffers[at(source)];
    uint16_t* dimmer_values = runtime::sequence_dimmer_values[at(source)];
    uint8_t* thresholds = runtime::sequence_thresholds[at(source)];
    if (b.previous_values == nullptr || b.current_values == nullptr || b.previous_generators == nullptr ||
        b.current_generators == nullptr || b.previous_figures == nullptr || b.previous_figure_fractions == nullptr ||
        b.current_figures == nullptr || dimmer_values == nullptr || thresholds == nullptr) {
        return;
    }
    ui::unpack_memory(memory);
    const ui::MemoryWorkBuffers& work = ui::memory_work_buffers;
    const int records = std::clamp<int>(runtime::function_record_count, 0, static_cast<int>(runtime::kShowRecords));
    const int generators = records * static_cast<int>(runtime::kGeneratorBytesPerRecord);
    const int figures = static_cast<int>(runtime::kShowFigureBytes);
    // Previous image: what layer 0 shows now (a dimmer: what this source gave it).
    for (int r = 1; r <= records; ++r) {
        const uint16_t shown = runtime::layer_values[0][r];
        b.previous_values[r] = runtime::function_record_table[r].dimmer != 0 ? dimmer_values[r]
                               : shown == runtime::kValueNotSet        ? uint16_t{0}
                                                                       : shown;
        b.current_values[r] = work.values != nullptr ? work.values[r] : runtime::kValueNotSet;
    }
    for (int i = 1; i <= generators; ++i) {
        const uint8_t shown = runtime::layer_generators[0][i];
        b.previous_generators[i] = shown == runtime::kByteNotSet ? uint8_t{0} : shown;
        b.current_generators[i] = work.generators != nullptr ? work.generators[i] : runtime::kByteNotSet;
    }
    for (int i = 1; i <= figures; ++i) {
        const uint8_t shown = runtime::layer_figures[0][i];
        const bool set = shown != runtime::kByteNotSet;
        b.previous_figures[i] = set ? shown : uint8_t{0};
        b.previous_figure_fractions[i] = set ? runtime::layer_figures_extra[i] : uint8_t{0};
        b.current_figures[i] = work.figures != nullptr ? work.figures[i] : runtime::kByteNotSet;
    }
    const uint8_t* table = threshold >= 1 && threshold <= datafiles::kThresholds
                               ? datafiles::threshold_tables[at(threshold)]
                               : nullptr;
    for (int r = 1; r <= records; ++r) thresholds[r] = table != nullptr ? table[r] : uint8_t{0};
    rebuild_fading_channel_list();
}

void clear_sequence_step(uint8_t source) {
    if (source < 1 || source > runtime::kStepSources) return;
    const runtime::SequenceStepBuffer& b = runtime::sequence_step_buffers[source];
    const size_t records = runtime::kShowRecords + 1;
    if (b.previous_values != nullptr) std::fill_n(b.previous_values, records, uint16_t{0});
    if (b.current_values != nullptr) std::fill_n(b.current_values, records, runtime::kValueNotSet);
    if (b.current_generators != nullptr) std::fill_n(b.current_generators, runtime::kShowGeneratorBytes + 1, runtime::kByteNotSet);
    if (b.current_figures != nullptr) std::fill_n(b.current_figures, runtime::kShowFigureBytes + 1, runtime::kByteNotSet);
    if (runtime::sequence_thresholds[source] != nullptr) std::fill_n(runtime::sequence_thresholds[source], records, uint8_t{0});
    if (source != runtime::kStepSources) return;
    // The point-cue source: the armed follow and every fade record go idle
    // (the pending fade mode and times stay).
    pointcue_follow_cue = 0;
    const auto idle = [](runtime::CueFadeRecord* records_of_kind, size_t count) {
        if (records_of_kind == nullptr) return;
        for (size_t i = 0; i <= count; ++i) {
            runtime::CueFadeRecord& c = records_of_kind[i];
            c.state = 0;
            c.phase_base = 0;
            c.pending_start = 0;
            c.running_fade_mode = 0;
            c.running_delay_in = 0;
            c.running_fade_in = 0;
            c.running_fade_out = 0;
            c.hold_end = 0;
            c.hold = 0;
            c.linked_cue = 0;
            c.running_delay_out = runtime::kEndlessTime_ms;
            c.running_cue = runtime::kValueNotSet;
            c.pending_cue = runtime::kValueNotSet;
        }
    };
    idle(runtime::cue_fade_records.channels, runtime::kShowRecords);
    idle(runtime::cue_fade_records.sub_channels, runtime::kShowGeneratorBytes);
    idle(runtime::cue_fade_records.extras, runtime::kShowFigureBytes);
}

void update_sequence_crossfade(int16_t sequence) {
    if (sequence < 1 || sequence > kSequences) return;
    const int s = sequence;
    SequenceCrossfade& x = crossfade_of(s);
    uint32_t elapsed = 0;
    if (runtime::clock_ms < sequence_fade_anchor_time[at(s)]) {
        anchor(s);  // the clock restarted
    } else {
        elapsed = runtime::clock_ms - sequence_fade_anchor_time[at(s)];
    }
    if (sequence_step_fade_mode[at(s)] == kSnapFull) {
        x.progress = kCrossfadeComplete;
    } else {
        const uint32_t fade_ms = record_of(s).fade_time * 10u;
        const uint32_t delta = elapsed >= fade_ms
                                   ? kCrossfadeComplete
                                   : static_cast<uint32_t>(static_cast<double>(elapsed) / fade_ms * 65535.0);
        const int64_t progress = static_cast<int64_t>(sequence_fade_anchor_progress[at(s)]) + delta;
        x.progress = static_cast<uint32_t>(std::clamp<int64_t>(progress, 0, kCrossfadeComplete));
    }
    x.inverse_progress = kCrossfadeComplete - x.progress;
    // The crossfade control follows the progress.
    sequence_control_positions[at(s)][kControlCrossfade] = static_cast<uint16_t>(x.progress / 257.0);
    follow_sequence_control(sequence, kControlCrossfade);
}

void update_sequence_go_leds() {
    std::array<bool, kSequences + 1> waits{};
    bool sync_member_fading = false;
    for (int s = 1; s <= kSequences; ++s) {
        if (runs(s) && is_sync(s) && sequence_trigger(record_of(s)) != kTriggerBeat && crossfade_of(s).running != 0) {
            sync_member_fading = true;
        }
    }
    for (int s = 1; s <= kSequences; ++s) {
        if (!runs(s)) continue;
        const uint8_t trigger = sequence_trigger(record_of(s));
        if (trigger == kTriggerBeat) {
            waits[at(s)] = sequence_tap_valid[at(s)] == 0;
        } else if (trigger == kTriggerManual) {
            waits[at(s)] = is_sync(s) ? !sync_member_fading : crossfade_of(s).running == 0;
        }
    }
    const bool belts = runtime::hw_option_flags.sequence_belts != 0;
    const int shown = runtime::display_mode >= 5 && runtime::display_mode <= 8 ? runtime::display_mode - 4 : 0;
    if (belts) {
        for (int s = 1; s <= kSequences; ++s) {
            runtime::set_key_led(runtime::sequence_key(s, runtime::SequenceKey::go),
                                 waits[at(s)] ? kLedWaitingForGo : runtime::LED_OFF);
        }
        if (shown != 0) runtime::set_key_led(runtime::KEY_SEQUENCE_GO, waits[at(shown)] ? kLedWaitingForGo : runtime::LED_OFF);
    }
    // Run states other than 1 count as stopped, as the sequence panel shows them.
    for (int s = 1; s <= kSequences; ++s) {
        if (!runs(s)) continue;
        const uint8_t state = sequence_current_memory[at(s)] != 0 ? kLedRunningWithMemory : kLedRunningEmpty;
        if (belts) runtime::set_key_led(runtime::sequence_key(s, runtime::SequenceKey::run), state);
        if (s == shown && (runtime::run_flags & runtime::RUN_CUE_KEY_HELD) == 0) {
            runtime::set_key_led(runtime::KEY_SEQUENCE_RUN, state);
        }
    }
}

int32_t get_random_below(int32_t n) {
    if (n <= 0) return 0;
    return random_source() % n;
}

}  // namespace playback
