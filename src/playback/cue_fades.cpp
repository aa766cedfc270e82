#include "playback/cue_fades.h"

#include <algorithm>

#include "playback/cue_tables.h"
#include "playback/cue_tracking.h"
#include "playback/key_groups.h"
#include "playback/live_layer.h"
#include "playback/playback_jobs.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/timers.h"
#include "setup/fixture_type.h"
#include "setup/setup_data.h"
#include "ui/edit_keys.h"
#include "ui/fader_widget.h"
#include "ui/main_screen.h"
#include "ui/memory_access.h"
#include "ui/value_table.h"

namespace playback {

CueProgressState cue_progress_state;
uint16_t pointcue_follow_cue = 0;
uint32_t pointcue_follow_time = 0;

namespace {

using runtime::CueFadeRecord;
using runtime::kByteNotSet;
using runtime::kEndlessTime_ms;
using runtime::kValueNotSet;

constexpr int kPointCueSource = runtime::kStepSources;  // step buffer 5: FROM / TO
constexpr int kGoTargetSource = 6;                       // step buffer 6: the GO target
constexpr int kGenerators = static_cast<int>(runtime::kGeneratorBytesPerRecord);
constexpr int kFigures = static_cast<int>(runtime::kFigureBytesPerFixture);
constexpr size_t kTimeSlots = runtime::kTimeSlotsPerRecord;
constexpr uint8_t kFineHalf = 1;
constexpr uint8_t kCoarseHalf = 2;
constexpr uint8_t kGlobalCueLinked = 1;

// Progress bar colours: the running bar, the others.
constexpr int16_t kBarRunning = 1;
constexpr int16_t kBarIdle = 8;
// The freeze mark of the status line and its colours.
constexpr int16_t kModeTextFreeze = 3;

// What the progress display showed last.
uint8_t shown_frozen = 0;
uint8_t shown_phase = kBarPhaseAllDone;
// The PAN record of each fixture, worked out once per GO.
std::array<int16_t, runtime::kShowFixtures + 1> go_pan_records{};

bool mode_set(uint32_t bit) { return (runtime::mode_flags & bit) != 0; }
bool option_set(uint32_t bit) { return (runtime::option_flags & bit) != 0; }

bool fade_tables_ready() {
    const runtime::SequenceStepBuffer& fade = runtime::sequence_step_buffers[kPointCueSource];
    const runtime::SequenceStepBuffer& go = runtime::sequence_step_buffers[kGoTargetSource];
    return runtime::cue_fade_records.channels != nullptr && runtime::cue_fade_records.sub_channels != nullptr &&
           runtime::cue_fade_records.extras != nullptr && runtime::function_record_table != nullptr &&
           fade.previous_values != nullptr && fade.current_values != nullptr && fade.previous_generators != nullptr &&
           fade.current_generators != nullptr && fade.previous_figures != nullptr && fade.current_figures != nullptr &&
           go.current_values != nullptr && go.current_generators != nullptr && go.current_figures != nullptr &&
           runtime::layer_values[0] != nullptr && runtime::layer_generators[0] != nullptr &&
           runtime::layer_figures[0] != nullptr;
}

int fixtures_in_use() { return std::clamp<int>(setup::fixture_count, 0, static_cast<int>(runtime::kShowFixtures)); }

const runtime::FunctionRecord& function_record(int r) { return runtime::function_record_table[r]; }

// The fine partner of coarse record r, 0 none.
int fine_partner_of(int r) {
    const runtime::FunctionRecord& rec = function_record(r);
    if (rec.kind != kCoarseHalf) return 0;
    const int fine = rec.fine_partner;
    return fine >= 1 && fine <= cue_fade_record_count() ? fine : 0;
}

// True when a sequence (step source 1..4) last set record's level on stage.
// A dimmer fade then starts from the level the point cue itself last gave it,
// since the highest-takes-precedence merge keeps the sequence's level; a
// level set by hand, or by the point cue, is where the fade starts.
bool sequence_sets_level(int record) {
    if (runtime::channel_flags == nullptr) return false;
    const int source = (runtime::channel_flags[record] & runtime::FLAG_STEP_SOURCE) >> runtime::FLAG_STEP_SOURCE_SHIFT;
    return source >= 1 && source < kPointCueSource;
}

bool running_value_stays(const CueFadeRecord& rec) { return rec.running_delay_out == kEndlessTime_ms; }

// The pending block (fade mode and four times) becomes the running one.
void take_over_block(CueFadeRecord& rec, uint32_t now) {
    rec.running_fade_mode = rec.pending_fade_mode;
    rec.phase_base = now - rec.pending_delay_in;
    rec.pending_start = 0;
    rec.running_delay_in = rec.pending_delay_in;
    rec.running_fade_in = rec.pending_fade_in;
    rec.running_delay_out = rec.pending_delay_out;
    rec.running_fade_out = rec.pending_fade_out;
    rec.running_cue = rec.pending_cue;
}

bool link_pending(const CueFadeRecord& rec) { return rec.hold != kEndlessTime_ms && rec.linked_cue != 0; }

// Steps 2 to 5 of a phase machine, after the take-over: the position of the
// record's fade at the show time; the state advances when its phases are
// complete.
int32_t run_phases(CueFadeRecord& rec, int32_t element, uint8_t kind) {
    const uint32_t now = runtime::show_time;
    bool linked = link_pending(rec);
    if (linked && rec.hold_end <= now) {
        load_linked_pointcue_element(element, kind);
        linked = link_pending(rec);
    }
    const int64_t elapsed = static_cast<int64_t>(now) - static_cast<int64_t>(rec.phase_base);
    const bool stays = running_value_stays(rec);
    const bool pending = rec.pending_start != 0;
    const std::array<uint32_t, 4> lengths = {rec.running_delay_in, rec.running_fade_in, rec.running_delay_out,
                                             rec.running_fade_out};
    int32_t position = stays ? 65535 : -1;
    bool complete = !pending;
    int64_t end = 0;
    for (int k = 1; k <= 4; ++k) {
        const int64_t start = end;
        end += lengths[static_cast<size_t>(k - 1)];
        if (end == 0 || elapsed < 0 || elapsed > end) continue;
        const auto length = static_cast<long double>(lengths[static_cast<size_t>(k - 1)]);
        switch (k) {
            case 1:
                position = -1;
                complete = false;
                break;
            case 2:
                position = static_cast<int32_t>(static_cast<long double>(elapsed - start) / length * 65535.0L);
                complete = false;
                break;
            case 3:
                position = 65535;
                complete = stays && !pending;
                break;
            default:
                if (stays) {
                    position = 65535;
                    complete = !pending;
                } else {
                    position =
                        65535 - static_cast<int32_t>(static_cast<long double>(elapsed - start) / length * 65535.0L);
                    complete = false;
                }
                break;
        }
        break;
    }
    if (complete) {
        if (rec.state == kFadeStarted) {
            rec.state = kFadeDone1;
        } else if (rec.state == kFadeDone1) {
            rec.state = kFadeDone2;
        } else if (rec.state == kFadeDone2 && !linked) {
            rec.state = stays ? kFadeStanding : kFadeIdle;
        }
    }
    return position;
}

template <typename T>
T value_or_zero(T value, T not_set) {
    return value == not_set ? T{0} : value;
}

// The slot's five own times in tenths, as the point-cue record keeps them.
std::array<uint16_t, kFadeTimes> own_times(const PointcueRecord& record) { return pointcue_times(record); }

// The progress bar i (1..5).
ui::FaderWidget& bar(int i) { return ui::cue_fader_widgets[static_cast<size_t>(i)]; }

void set_bar(int i, uint32_t level) {
    ui::set_fader_widget_level(bar(i), static_cast<int16_t>(std::min<uint32_t>(level, kFullBar)));
}

void colour_bar(int i, int16_t colour) {
    ui::set_fader_widget_label_background(bar(i), colour);
}

void colour_bars_for(uint8_t phase) {
    if (phase <= 3) {
        for (int i = 1; i <= 4; ++i) colour_bar(i, i == phase + 1 ? kBarRunning : kBarIdle);
    } else if (phase == kBarPhaseFourDone) {
        for (int i = 1; i <= 4; ++i) colour_bar(i, kBarIdle);
    } else if (phase == kBarPhaseAllDone) {
        for (int i = 1; i <= kFadeTimes; ++i) colour_bar(i, kBarIdle);
    }
}

// One pass of the bars: a phase that ends moves on to the next in the same
// pass. All divisions are unsigned.
void advance_bars() {
    const CueProgressState& p = cue_progress_state;
    const uint32_t now = runtime::show_time;
    const uint32_t elapsed = now - p.start_ms;
    const uint32_t delay_in = tenths_to_ms(p.times_tenths[0]);
    const uint32_t fade_in = tenths_to_ms(p.times_tenths[1]);
    const uint32_t delay_out = tenths_to_ms(p.times_tenths[2]);
    const uint32_t fade_out = tenths_to_ms(p.times_tenths[3]);
    const uint32_t hold = tenths_to_ms(p.times_tenths[4]);
    uint8_t& phase = cue_fade_phase;

    // Each bar: its length and where it starts after the show's start.
    const auto run_bar = [&](int i, uint32_t from, uint32_t length, uint8_t next) {
        if (length == 0 || p.start_ms + from + length < now) {
            set_bar(i, kFullBar);
            phase = next;
            return true;
        }
        set_bar(i, (elapsed - from) * kFullBar / length);
        return false;
    };
    bool moving = true;
    while (moving) {
        switch (phase) {
            case 0:
                moving = run_bar(1, 0, delay_in, 1);
                break;
            case 1:
                moving = run_bar(2, delay_in, fade_in, 2);
                break;
            case 2:
                if (p.times_tenths[2] == kEndlessTenths) {
                    set_bar(3, 0);
                    phase = kBarPhaseFourDone;
                    moving = false;
                } else {
                    moving = run_bar(3, delay_in + fade_in, delay_out, 3);
                }
                break;
            case 3:
                run_bar(4, delay_in + fade_in + delay_out, fade_out, kBarPhaseFourDone);
                moving = false;
                break;
            default:
                moving = false;
                break;
        }
    }

    if (p.times_tenths[4] == kEndlessTenths || hold == 0 || p.start_ms + hold < now) {
        colour_bar(5, kBarIdle);
        set_bar(5, p.times_tenths[4] == kEndlessTenths ? 0 : kFullBar);
        if (phase == kBarPhaseFourDone) phase = kBarPhaseAllDone;
    } else {
        set_bar(5, elapsed * kFullBar / hold);
        colour_bar(5, kBarRunning);
    }
}

void update_progress_display() {
    if (!mode_set(runtime::MODE_CUE_TIMING) || option_set(runtime::OPT_TIMECODE_SCREEN) ||
        option_set(runtime::OPT_SETTINGS_EDITOR)) {
        return;
    }
    if (runtime::show_time_frozen != shown_frozen) {
        shown_frozen = runtime::show_time_frozen;
        ui::draw_speed_box();
    }
    if (runtime::show_time_frozen != 0) return;
    if (cue_fade_phase != shown_phase) {
        shown_phase = cue_fade_phase;
        colour_bars_for(shown_phase);
    }
    if (cue_fade_phase != kBarPhaseAllDone) advance_bars();
}

// The freeze mark and FREEZE LED after the show time may have been released.
void refresh_freeze_indication() {
    const bool frozen = ui::frozen_playback_count != 0 || ui::frozen_sequence_count != 0 ||
                        ui::frozen_fixture_count != 0 || runtime::show_time_frozen == 1;
    ui::draw_mode_text(kModeTextFreeze, frozen ? ui::kMarkOnColour : ui::kMarkOffColour);
    runtime::set_key_led(runtime::KEY_FREEZE, frozen ? runtime::LED_ON : runtime::LED_OFF);
}

// The pending block of an element set up by a GO (or a linked cue): fade
// mode, the four times, HOLD, the cue and the take-over time.
void set_pending(CueFadeRecord& rec, uint8_t fade_mode, const std::array<uint32_t, kFadeTimes>& times_ms,
                 uint16_t cue) {
    const uint32_t now = runtime::show_time;
    rec.pending_fade_mode = fade_mode;
    rec.pending_start = pending_start_at(now + times_ms[0]);
    rec.pending_delay_in = times_ms[0];
    rec.pending_fade_in = times_ms[1];
    rec.pending_delay_out = times_ms[2];
    rec.pending_fade_out = times_ms[3];
    rec.hold = times_ms[4];
    rec.pending_cue = cue;
    if (times_ms[4] != kEndlessTime_ms) rec.hold_end = now + times_ms[4];
}

bool pending_equals_running(const CueFadeRecord& rec) {
    return rec.pending_fade_mode == rec.running_fade_mode && rec.pending_delay_in == rec.running_delay_in &&
           rec.pending_fade_in == rec.running_fade_in && rec.pending_delay_out == rec.running_delay_out &&
           rec.pending_fade_out == rec.running_fade_out;
}

// An element whose new fade is the running one, endless and to the value it
// already heads for keeps what it shows.
bool keep_unchanged(CueFadeRecord& rec, uint8_t old_state, bool same_target) {
    if (!pending_equals_running(rec) || rec.pending_delay_out != kEndlessTime_ms || !same_target) return false;
    rec.state = old_state;
    rec.pending_start = 0;
    return true;
}

// The times that time a sub-attribute or an extra: the FADE-IN override
// replaces the FADE IN of every group.
std::array<uint32_t, kFadeTimes> with_override(std::array<uint32_t, kFadeTimes> times, uint16_t fade_in_override) {
    if (fade_in_override != 0) times[1] = tenths_to_ms(fade_in_override);
    return times;
}

struct GoContext {
    uint16_t slot = 0;
    uint8_t no_follow = 0;
    uint16_t fade_in_override = 0;
    uint8_t fade_mode = 0;
    uint16_t linked_cue = 0;
    std::array<uint16_t, kFadeTimes> own_tenths{};
    const ui::MemoryWorkBuffers* work = nullptr;
};

void go_channels(const GoContext& go, int records) {
    const ui::MemoryWorkBuffers& work = *go.work;
    uint16_t* targets = runtime::sequence_step_buffers[kGoTargetSource].current_values;
    const uint16_t* to = runtime::sequence_step_buffers[kPointCueSource].current_values;
    for (int r = 1; r <= records; ++r) {
        if (function_record(r).kind == kFineHalf) continue;
        const uint16_t value = work.values[r];
        if (value == kValueNotSet) {
            if (cue_tracking_active()) defer_channel_tracking(static_cast<int16_t>(r));
            continue;
        }
        CueFadeRecord& rec = runtime::cue_fade_records.channels[r];
        targets[r] = value;
        const uint8_t old_state = rec.state;
        rec.state = kFadeStarted;
        const TimeSource source = channel_time_source(r);
        set_pending(rec, go.fade_mode,
                    with_override(group_times_ms(work.times, work.time_flags, source.record, source.group, go.own_tenths),
                                  go.fade_in_override),
                    go.slot);
        rec.linked_cue = go.linked_cue;
        if (go.no_follow != 0) {
            rec.linked_cue = 0;
            rec.hold = kEndlessTime_ms;
        }
        if (keep_unchanged(rec, old_state, value == to[r])) continue;
        if (const int fine = fine_partner_of(r); fine != 0) {
            runtime::cue_fade_records.channels[fine].state = kFadeStarted;
            targets[fine] = work.values[fine];
        }
    }
}

void go_sub_attributes(const GoContext& go, int records) {
    const ui::MemoryWorkBuffers& work = *go.work;
    uint8_t* targets = runtime::sequence_step_buffers[kGoTargetSource].current_generators;
    const uint8_t* to = runtime::sequence_step_buffers[kPointCueSource].current_generators;
    for (int j = 1; j <= records * kGenerators; ++j) {
        const int r = (j - 1) / kGenerators + 1;
        const uint8_t role = function_record(r).pantilt_role;
        if (role >= 1 && role <= 4) continue;
        const uint8_t value = work.generators[j];
        if (value == kByteNotSet) {
            if (cue_tracking_active()) defer_sub_attribute_tracking(j);
            continue;
        }
        CueFadeRecord& rec = runtime::cue_fade_records.sub_channels[j];
        targets[j] = value;
        const uint8_t old_state = rec.state;
        rec.state = kFadeStarted;
        set_pending(rec, go.fade_mode,
                    with_override(group_times_ms(work.times, work.time_flags, r, 1, go.own_tenths), go.fade_in_override), go.slot);
        if (keep_unchanged(rec, old_state, value == to[j])) continue;
        rec.linked_cue = go.linked_cue;
        if (go.no_follow != 0) {
            rec.linked_cue = 0;
            rec.hold = 0;
        }
    }
}

void go_extras(const GoContext& go, int fixtures) {
    const ui::MemoryWorkBuffers& work = *go.work;
    uint8_t* targets = runtime::sequence_step_buffers[kGoTargetSource].current_figures;
    const uint8_t* to = runtime::sequence_step_buffers[kPointCueSource].current_figures;
    for (int f = 1; f <= fixtures; ++f) {
        // A fixture without a PAN function has no figure time group: its
        // figure bytes take the point cue's own times.
        const int pan = go_pan_records[static_cast<size_t>(f)];
        const std::array<uint32_t, kFadeTimes> times =
            with_override(group_times_ms(work.times, work.time_flags, pan, 2, go.own_tenths), go.fade_in_override);
        for (int k = 1; k <= kFigures; ++k) {
            const int e = (f - 1) * kFigures + k;
            const uint8_t value = work.figures[e];
            if (value == kByteNotSet) {
                if (cue_tracking_active()) defer_extra_tracking(static_cast<int16_t>(f), static_cast<int16_t>(k), e);
                continue;
            }
            CueFadeRecord& rec = runtime::cue_fade_records.extras[e];
            targets[e] = value;
            const uint8_t old_state = rec.state;
            rec.state = kFadeStarted;
            set_pending(rec, go.fade_mode, times, go.slot);
            if (keep_unchanged(rec, old_state, value == to[e])) continue;
            rec.linked_cue = go.linked_cue;
            if (go.no_follow != 0) {
                rec.linked_cue = 0;
                rec.hold_end = 0;
            }
        }
    }
}

// The memory of a linked cue as the trace cache holds it, with the times of
// that cue; null when it has none.
const ui::CueMemoryImage* linked_image(const PointcueRecord& record, uint16_t slot) {
    const int16_t memory = record.point_memory;
    if (memory < 1 || memory > ui::kCueMemoryCount) return nullptr;
    ui::trace_cue_values(memory, 1, ui::ITEM_VALUE, static_cast<int16_t>(slot), 0);
    const uint8_t cached = ui::cue_image_slot_of[static_cast<size_t>(memory)];
    return cached == 0 ? nullptr : ui::cue_image_slots[cached];
}

}  // namespace

void reset_cue_fades_globals() {
    cue_progress_state = {};
    pointcue_follow_cue = 0;
    pointcue_follow_time = 0;
    shown_frozen = 0;
    shown_phase = kBarPhaseAllDone;
    go_pan_records.fill(0);
}

int cue_fade_record_count() {
    if (runtime::function_record_table == nullptr) return 0;
    return std::clamp<int>(runtime::function_record_count, 0,
                           std::min<int>(runtime::function_record_capacity, static_cast<int>(runtime::kShowRecords)));
}

int16_t fixture_pan_record(int16_t fixture) {
    if (fixture < 1 || fixture > fixtures_in_use()) return 0;
    const setup::FixtureRecord fx = setup::read_fixture(setup::setup_data, fixture);
    const int t = fx.type_index + 1;
    if (t < 1 || t > setup::kMaxFixtureTypes) return 0;
    const setup::FixtureTypeDef* type = setup::fixture_type_defs[static_cast<size_t>(t)];
    if (type == nullptr) return 0;
    const uint8_t k = type->named(setup::NamedFunction::pan);
    if (k == 0 || k > setup::kMaxTypeChannels) return 0;
    const uint8_t channel = setup::setup_data.u8(setup::SetupData::type_function_map_field(t, k - 1));
    if (channel >= fx.channel_count) return 0;
    const int r = fx.first_record + channel;
    return r >= 1 && r <= cue_fade_record_count() ? static_cast<int16_t>(r) : 0;
}

std::array<uint32_t, kFadeTimes> group_times_ms(const uint16_t* times, const uint8_t* time_flags, int r, int group,
                                                const std::array<uint16_t, kFadeTimes>& fallback_tenths) {
    std::array<uint32_t, kFadeTimes> out{};
    for (int k = 0; k < kFadeTimes; ++k) {
        uint16_t tenths = fallback_tenths[static_cast<size_t>(k)];
        if (times != nullptr && time_flags != nullptr && r >= 1) {
            const size_t slot =
                (static_cast<size_t>(r) - 1) * kTimeSlots + static_cast<size_t>(group * kFadeTimes + k + 1);
            if (time_flags[slot] != 0) tenths = times[slot];
        }
        out[static_cast<size_t>(k)] = tenths_to_ms(tenths);
    }
    return out;
}

const PointcueRecord* pointcue_with_memory(int slot) {
    if (!valid_cue_slot(slot) || cue_header_table[static_cast<size_t>(slot)].programmed != 1) return nullptr;
    return programmed_pointcue(slot);
}

TimeSource channel_time_source(int r) {
    const runtime::FunctionRecord& rec = function_record(r);
    if (rec.pantilt_role >= 1 && rec.pantilt_role <= 4) {
        const int pan = fixture_pan_record(rec.fixture);
        if (pan != 0) return {pan, rec.pantilt_role <= 2 ? 0 : 1};
    }
    return {r, 0};
}

void start_cue_fade(int16_t slot, uint16_t fade_in_tenths) {
    if (runtime::show_time_frozen == 1) {
        if (mode_set(runtime::MODE_CUE_TIMING)) {
            runtime::show_time_frozen = 0;
            ui::draw_speed_box();
        }
        refresh_freeze_indication();
    }
    pointcue_follow_cue = 0;
    pointcue_follow_time = 0;
    const PointcueRecord* record = programmed_pointcue(slot);
    if (record == nullptr) return;

    uint8_t no_follow = 0;
    if (record->hold != kEndlessTenths && record->linked_cue != 0 && record->link_mode == kGlobalCueLinked) {
        pointcue_follow_cue = static_cast<uint16_t>(record->linked_cue);
        pointcue_follow_time = runtime::show_time + tenths_to_ms(record->hold);
        no_follow = 1;
    }

    // The times display shows the record's own times; the bars run with the
    // fade-in the cue fade really has.
    std::array<uint16_t, kFadeTimes> times = own_times(*record);
    for (int k = 0; k < kFadeTimes; ++k) current_cue_times[static_cast<size_t>(k)] = times[static_cast<size_t>(k)];
    if (fade_in_tenths == 1) {
        times[1] = 0;
    } else if (fade_in_tenths != 0) {
        times[1] = fade_in_tenths;
    }
    cue_progress_state.start_ms = runtime::show_time;
    for (int k = 0; k < kFadeTimes; ++k) {
        cue_progress_state.times_tenths[static_cast<size_t>(k)] = times[static_cast<size_t>(k)];
    }
    cue_fade_phase = 0;
    if (mode_set(runtime::MODE_CUE_TIMING) && !option_set(runtime::OPT_TIMECODE_SCREEN)) {
        for (int i = 1; i <= kFadeTimes; ++i) ui::set_fader_widget_level(bar(i), 0);
    }
    ui::draw_current_times();
    go_pointcue(record->point_memory, static_cast<uint16_t>(slot), no_follow, fade_in_tenths);
}

void go_pointcue(int16_t memory, uint16_t slot, uint8_t no_follow, uint16_t fade_in_override) {
    if (!valid_cue_slot(slot)) return;
    const int page = cue_slot_page(slot);
    const int page_first = cue_slot_of(page, 1, 1);

    // The point cue before this one in order.
    int previous = -1;
    for (int s = slot - 1; s >= 1; --s) {
        if (pointcue_with_memory(s) != nullptr) {
            previous = s;
            break;
        }
    }

    // Tracking: a repeated GO tracks from the page's first cue, a jump from
    // the last GO (when it lies before this one on the same page); the next
    // point cue in order needs none.
    const bool tracing = cue_page_tracing_on(page);
    const int last = last_pointcue_started;
    bool tracking = false;
    int from = page_first;
    if (last == static_cast<int>(slot)) {
        tracking = tracing;
    } else if (last != previous) {
        tracking = tracing;
        if (last >= page_first && last <= static_cast<int>(slot)) from = last;
    }
    last_pointcue_started = static_cast<int16_t>(slot);
    if (!fade_tables_ready()) return;
    if (tracking) ui::free_cue_buffers();
    begin_cue_tracking(tracking);
    ui::unpack_cue_memory(memory, static_cast<int16_t>(slot), static_cast<int16_t>(fade_in_override));

    const PointcueRecord* record = programmed_pointcue(slot);
    GoContext go;
    go.slot = slot;
    go.no_follow = no_follow;
    go.fade_in_override = fade_in_override;
    go.work = &ui::memory_work_buffers;
    if (record != nullptr) {
        go.fade_mode = record->fade_mode;
        go.linked_cue = static_cast<uint16_t>(std::max<int16_t>(record->linked_cue, 0));
        go.own_tenths = own_times(*record);
    } else {
        for (int k = 0; k < kFadeTimes; ++k) go.own_tenths[static_cast<size_t>(k)] = ui::default_times[static_cast<size_t>(k + 1)];
    }

    const int records = cue_fade_record_count();
    const int fixtures = fixtures_in_use();
    const bool timing = mode_set(runtime::MODE_CUE_TIMING);
    const ui::MemoryWorkBuffers& work = ui::memory_work_buffers;
    if (timing && work.values != nullptr) go_channels(go, records);
    if (timing && work.generators != nullptr) go_sub_attributes(go, records);
    if (timing && work.figures != nullptr) {
        for (int f = 1; f <= fixtures; ++f) go_pan_records[static_cast<size_t>(f)] = fixture_pan_record(static_cast<int16_t>(f));
        go_extras(go, fixtures);
    }
    // The elements this memory leaves undefined, each from the last cue
    // before this one that leaves it standing.
    tracking = run_deferred_tracking(static_cast<uint16_t>(from), slot, no_follow);

    uint8_t* thresholds = runtime::sequence_thresholds[kPointCueSource];
    if (thresholds != nullptr) std::fill_n(thresholds + 1, records, uint8_t{0});
    rebuild_fading_channel_list();

    if (tracking) {
        ui::free_cue_buffers();
        forget_prepared_cues();
    }
}

void reset_cue_fades() {
    pointcue_follow_cue = 0;
    if (fade_tables_ready()) {
        // Every element the point cue gives a value (its TO, or a GO still
        // waiting to take over) stands; an element it gives none is left
        // idle: held for ever it would lock the programmer out of it and be
        // recomputed on every poll.
        const runtime::SequenceStepBuffer& fade = runtime::sequence_step_buffers[kPointCueSource];
        const auto stand = [](CueFadeRecord& rec, bool has_value) {
            rec.state = has_value || rec.pending_start != 0 ? kFadeStanding : kFadeIdle;
        };
        const int records = cue_fade_record_count();
        for (int r = 1; r <= records; ++r) {
            stand(runtime::cue_fade_records.channels[r], fade.current_values[r] != kValueNotSet);
        }
        for (int j = 1; j <= records * kGenerators; ++j) {
            stand(runtime::cue_fade_records.sub_channels[j], fade.current_generators[j] != kByteNotSet);
        }
        for (int e = 1; e <= fixtures_in_use() * kFigures; ++e) {
            stand(runtime::cue_fade_records.extras[e], fade.current_figures[e] != kByteNotSet);
        }
    }
    ui::refresh_table_view();
}

void run_cue_fades() {
    update_progress_display();
    if (run_fading_elements()) rebuild_fading_channel_list();
    follow_linked_cue();
}

int32_t step_pointcue_channel_fade(int16_t record) {
    if (!fade_tables_ready() || record < 1 || record > cue_fade_record_count()) return -1;
    CueFadeRecord& rec = runtime::cue_fade_records.channels[record];
    runtime::SequenceStepBuffer& fade = runtime::sequence_step_buffers[kPointCueSource];
    const uint16_t* targets = runtime::sequence_step_buffers[kGoTargetSource].current_values;
    const uint16_t* layer = runtime::layer_values[0];
    const int fine = fine_partner_of(record);

    const uint32_t now = runtime::show_time;
    if (rec.pending_start != 0 && rec.pending_start <= now) {
        if (targets[record] != kValueNotSet && running_value_stays(rec)) {
            const uint16_t* dimmer_values = runtime::sequence_dimmer_values[kPointCueSource];
            if (function_record(record).dimmer != 0 && dimmer_values != nullptr && sequence_sets_level(record)) {
                fade.previous_values[record] = dimmer_values[record];
            } else {
                fade.previous_values[record] = value_or_zero(layer[record], kValueNotSet);
            }
        }
        take_over_block(rec, now);
        fade.current_values[record] = targets[record];
        if (fine != 0) {
            fade.current_values[fine] = targets[fine];
            fade.previous_values[fine] = value_or_zero(layer[fine], kValueNotSet);
        }
    }
    const uint8_t old_state = rec.state;
    const int32_t position = run_phases(rec, record, kElementChannel);
    if (fine != 0 && rec.state != old_state) runtime::cue_fade_records.channels[fine].state = rec.state;
    return position;
}

int32_t step_pointcue_sub_attribute_fade(int32_t sub_attribute) {
    if (!fade_tables_ready() || sub_attribute < 1 || sub_attribute > cue_fade_record_count() * kGenerators) return -1;
    CueFadeRecord& rec = runtime::cue_fade_records.sub_channels[sub_attribute];
    runtime::SequenceStepBuffer& fade = runtime::sequence_step_buffers[kPointCueSource];
    const uint8_t* targets = runtime::sequence_step_buffers[kGoTargetSource].current_generators;
    const uint32_t now = runtime::show_time;
    if (rec.pending_start != 0 && rec.pending_start <= now) {
        if (targets[sub_attribute] != kByteNotSet && running_value_stays(rec)) {
            fade.previous_generators[sub_attribute] = value_or_zero(runtime::layer_generators[0][sub_attribute], kByteNotSet);
        }
        take_over_block(rec, now);
        fade.current_generators[sub_attribute] = targets[sub_attribute];
    }
    return run_phases(rec, sub_attribute, kElementSubAttribute);
}

int32_t step_pointcue_extra_fade(int32_t extra) {
    if (!fade_tables_ready() || extra < 1 || extra > fixtures_in_use() * kFigures) return -1;
    CueFadeRecord& rec = runtime::cue_fade_records.extras[extra];
    runtime::SequenceStepBuffer& fade = runtime::sequence_step_buffers[kPointCueSource];
    const uint8_t* targets = runtime::sequence_step_buffers[kGoTargetSource].current_figures;
    const uint32_t now = runtime::show_time;
    if (rec.pending_start != 0 && rec.pending_start <= now) {
        if (targets[extra] != kByteNotSet && running_value_stays(rec)) {
            const uint8_t shown = runtime::layer_figures[0][extra];
            fade.previous_figures[extra] = value_or_zero(shown, kByteNotSet);
            // The fade starts where the figure byte stands, fraction included.
            if (fade.previous_figure_fractions != nullptr) {
                fade.previous_figure_fractions[extra] =
                    shown == kByteNotSet || runtime::layer_figures_extra == nullptr ? 0 : runtime::layer_figures_extra[extra];
            }
        }
        take_over_block(rec, now);
        fade.current_figures[extra] = targets[extra];
    }
    return run_phases(rec, extra, kElementExtra);
}

void load_linked_pointcue_element(int32_t element, uint8_t kind) {
    if (!fade_tables_ready()) return;
    const int records = cue_fade_record_count();
    CueFadeRecord* rec = nullptr;
    int index = 0;  // the look-up index: record or fixture
    int16_t item = 0;
    int time_record = 0;
    int group = 0;
    if (kind == kElementChannel && element >= 1 && element <= records) {
        rec = &runtime::cue_fade_records.channels[element];
        index = element;
        item = ui::ITEM_VALUE;
        const TimeSource source = channel_time_source(element);
        time_record = source.record;
        group = source.group;
    } else if (kind == kElementSubAttribute && element >= 1 && element <= records * kGenerators) {
        rec = &runtime::cue_fade_records.sub_channels[element];
        index = (element - 1) / kGenerators + 1;
        item = static_cast<int16_t>(10 * ((element - 1) % kGenerators + 1));
        time_record = index;
        group = 1;
    } else if (kind == kElementExtra && element >= 1 && element <= fixtures_in_use() * kFigures) {
        rec = &runtime::cue_fade_records.extras[element];
        index = (element - 1) / kFigures + 1;
        item = static_cast<int16_t>(ui::ITEM_FIRST_FIGURE + 10 * ((element - 1) % kFigures));
        time_record = fixture_pan_record(static_cast<int16_t>(index));
        group = 2;
    }
    if (rec == nullptr) return;

    const uint16_t linked = rec->linked_cue;
    rec->linked_cue = 0;
    if (linked == 0) return;
    const PointcueRecord* record = programmed_pointcue(linked);
    if (record == nullptr) return;
    const ui::CueMemoryImage* image = linked_image(*record, linked);
    if (image == nullptr) return;

    const int16_t value = ui::trace_cue_values(record->point_memory, static_cast<int16_t>(index), item,
                                               static_cast<int16_t>(linked), 0);
    if (kind == kElementChannel ? static_cast<uint16_t>(value) == kValueNotSet
                                : static_cast<uint8_t>(value) == kByteNotSet) {
        return;
    }
    if (kind == kElementChannel) {
        runtime::sequence_step_buffers[kGoTargetSource].current_values[element] = static_cast<uint16_t>(value);
    } else if (kind == kElementSubAttribute) {
        runtime::sequence_step_buffers[kGoTargetSource].current_generators[element] = static_cast<uint8_t>(value);
    } else {
        runtime::sequence_step_buffers[kGoTargetSource].current_figures[element] = static_cast<uint8_t>(value);
    }
    rec->state = kFadeStarted;
    set_pending(*rec, record->fade_mode,
                group_times_ms(image->times.data(), image->time_flags.data(), time_record, group, own_times(*record)),
                linked);
    rec->linked_cue = static_cast<uint16_t>(std::max<int16_t>(record->linked_cue, 0));

    if (kind == kElementChannel) {
        if (const int fine = fine_partner_of(element); fine != 0) {
            runtime::cue_fade_records.channels[fine].state = kFadeStarted;
            runtime::sequence_step_buffers[kGoTargetSource].current_values[fine] = image->values[static_cast<size_t>(fine)];
        }
    }
}

void follow_linked_cue() {
    if (pointcue_follow_cue == 0 || pointcue_follow_time > runtime::show_time) return;
    if ((runtime::run_flags & runtime::RUN_BLIND) != 0) return;
    // Disarmed before the cue runs: a cue execution that starts no cue fade
    // (cue timing off, a slot out of range) would otherwise run it again on
    // every poll.
    const uint16_t cue = pointcue_follow_cue;
    pointcue_follow_cue = 0;
    go_to_cue(cue, 1, 0);
}

}  // namespace playback
