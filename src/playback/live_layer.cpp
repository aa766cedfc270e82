#include "playback/live_layer.h"

#include <algorithm>
#include <cmath>

#include "memories/presets.h"
#include "playback/cue_fades.h"
#include "playback/output_merge.h"
#include "playback/sequence_engine.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "setup/fixture_type.h"
#include "setup/setup_data.h"
#include "ui/value_table.h"

namespace playback {

std::array<std::array<uint8_t, runtime::kShowRecords + 1>, kSequences + 1> sequence_channel_fade_modes{};

namespace {

constexpr int kPointCueSource = runtime::kStepSources;  // 5
constexpr uint16_t kNotSet = runtime::kValueNotSet;
constexpr uint8_t kByteNotSet = runtime::kByteNotSet;
constexpr int kGeneratorParams = static_cast<int>(runtime::kGeneratorBytesPerRecord);
constexpr int kFigureParams = static_cast<int>(runtime::kFigureBytesPerFixture);
constexpr int32_t kComplete = 65535;
constexpr int32_t kHighestThreshold = 65534;  // a threshold level never reaches the full progress
constexpr int kFirstValueReference = 1001;
constexpr uint8_t kStateStands = 4;
constexpr uint8_t kStateSettled = 3;

// The records of each fixture (first record and count), gathered by the list
// rebuild: a fixture's records are consecutive.
runtime::FixtureRecordRanges fixture_records;

int records_in_use() {
    if (runtime::function_record_table == nullptr) return 0;
    return std::clamp<int>(runtime::function_record_count, 0, static_cast<int>(runtime::kShowRecords));
}

int fixtures_in_use() { return std::clamp<int>(setup::fixture_count, 0, static_cast<int>(runtime::kShowFixtures)); }

// Every table the computations read or write (they are allocated together at start-up).
bool tables_ready() {
    for (int s = 1; s <= kPointCueSource; ++s) {
        const auto i = static_cast<size_t>(s);
        const runtime::SequenceStepBuffer& b = runtime::sequence_step_buffers[i];
        if (b.previous_values == nullptr || b.current_values == nullptr || b.previous_generators == nullptr ||
            b.current_generators == nullptr || b.previous_figures == nullptr ||
            b.previous_figure_fractions == nullptr || b.current_figures == nullptr ||
            runtime::sequence_thresholds[i] == nullptr || runtime::sequence_dimmer_values[i] == nullptr ||
            runtime::sequence_run_buffer[i] == nullptr) {
            return false;
        }
    }
    return runtime::function_record_table != nullptr && runtime::layer_values[0] != nullptr &&
           runtime::layer_generators[0] != nullptr && runtime::layer_figures[0] != nullptr &&
           runtime::layer_figures_extra != nullptr && runtime::channel_flags != nullptr &&
           runtime::generator_flags != nullptr && runtime::cue_fade_records.channels != nullptr &&
           runtime::cue_fade_records.sub_channels != nullptr && runtime::cue_fade_records.extras != nullptr &&
           runtime::cue_fade_lists.channels != nullptr && runtime::cue_fade_lists.sub_channels != nullptr &&
           runtime::cue_fade_lists.extras != nullptr && runtime::cue_fade_lists.fixtures != nullptr &&
           runtime::dirty_channels != nullptr && runtime::dirty_sub_channels != nullptr &&
           runtime::dirty_extras != nullptr && runtime::dirty_fixtures != nullptr &&
           runtime::output_base_values != nullptr;
}

bool sequence_runs(int s) { return (sequence_table[static_cast<size_t>(s)].mode & 3) == 1; }

int32_t sequence_progress(int s) { return static_cast<int32_t>(sequence_crossfade[static_cast<size_t>(s)].progress); }

const runtime::SequenceStepBuffer& images(int src) { return runtime::sequence_step_buffers[static_cast<size_t>(src)]; }

// The threshold level of a source for a record: byte t as t x 257, never the full progress.
int32_t threshold_level(int src, int record) {
    if (record < 1) return 0;
    const int32_t level = runtime::sequence_thresholds[static_cast<size_t>(src)][record] * 257;
    return std::min(level, kHighestThreshold);
}

// A damaged fade mode (above 5) counts as mode 0.
uint8_t valid_mode(uint8_t m) { return m <= kLastFadeMode ? m : kFadeWithPermission; }

uint8_t sequence_mode(int s, int record) {
    if (record < 1) return kFadeWithPermission;
    return valid_mode(sequence_channel_fade_modes[static_cast<size_t>(s)][static_cast<size_t>(record)]);
}

// A stored value: below 1001 itself, 1001.. a value preset's value for the
// record; an empty preset or an unknown reference is not defined.
uint16_t resolve_value(int record, uint16_t v) {
    if (v == kNotSet || v < kFirstValueReference) return v;
    const int preset = v - (kFirstValueReference - 1);
    if (preset > memories::kValuePresets || record > memories::kPresetFunctionRecords) return kNotSet;
    const uint16_t* table = memories::value_preset_table[static_cast<size_t>(preset)];
    return table == nullptr ? kNotSet : table[record];
}

uint8_t resolve_generator(int i, uint8_t b) { return memories::resolve_generator_reference(i, b); }
uint8_t resolve_figure(int i, uint8_t b) { return memories::resolve_figure_reference(i, b); }

// A previous image's value as a number to mix from: not defined counts as 0.
int32_t previous_value(int record, uint16_t v) {
    const uint16_t resolved = resolve_value(record, v);
    return resolved == kNotSet ? 0 : resolved;
}

int32_t round_half_up(long double x) {
    const long double whole = std::floor(x);
    return static_cast<int32_t>(whole) + (x - whole >= 0.5L ? 1 : 0);
}

// tgt * f + prev * (1 - f) for the fraction f = a / b (b > 0, f held to
// 0..1), rounded half up. Exact integer arithmetic: the poll mixes every
// fading element of every source. Values are never negative, so the
// division floors.
int32_t blend(int32_t prev, int32_t tgt, int64_t a, int64_t b) {
    a = std::clamp<int64_t>(a, 0, b);
    return static_cast<int32_t>((2 * (int64_t{tgt} * a + int64_t{prev} * (b - a)) + b) / (2 * b));
}

// One source's step of an element: its images, progress, threshold and mode.
struct Step {
    int32_t prev = 0;
    int32_t tgt = 0;
    bool same = false;          // rule 1: nothing to fade
    int32_t p = 0;              // progress 0..65535, -1 none (point cue)
    int32_t threshold = 0;      // T
    uint8_t m = 0;
    bool permission = false;
    bool early = false;         // fade mode 5 on a sequence: complete by the threshold
    bool dimmer = false;        // the dimmer rule of the snap test
    bool dimmer_generator = false;  // a dimmer record's generator byte on the early path
};

int32_t mix(const Step& s) {
    if (s.same) return s.tgt;
    const int32_t p = std::max(s.p, 0);
    if (s.early) {
        if (!s.permission) return s.tgt;
        if (s.dimmer_generator) return blend(s.prev, s.tgt, p - s.threshold, 65535 - s.threshold);
        if (p < s.threshold) return blend(s.prev, s.tgt, p, s.threshold);
        return s.tgt;
    }
    const bool needs_permission =
        s.m == kFadeWithPermission || s.m == kFadeLtpDimmers || (s.dimmer && s.m == kFadeLtpSnap);
    const bool snap = (needs_permission && !s.permission) || s.m == kSnapAll || s.m == kSnapFull ||
                      (!s.dimmer && s.m == kFadeLtpSnap);
    if (snap) return s.p == -1 ? s.prev : s.tgt;
    return blend(s.prev, s.tgt, p - s.threshold, 65535 - s.threshold);
}

// The progress, mode and threshold of source src for an element whose table
// entries are those of record; false when the source does not take part.
// For the point cue the element's phase machine gives the progress (and may
// take a pending fade over, which changes its images).
template <typename StepFade>
bool source_takes_part(int src, int record, bool defined_now, const runtime::CueFadeRecord* cue, StepFade step_fade,
                       Step& s) {
    if (src < kPointCueSource) {
        if (!sequence_runs(src) || !defined_now) return false;
        s.m = sequence_mode(src, record);
        s.threshold = threshold_level(src, record);
        s.p = sequence_progress(src);
        s.early = s.m == kFadeLtpSnap;
        return s.early || s.p >= s.threshold;
    }
    if (cue == nullptr || cue->state == 0) return false;
    s.p = step_fade();
    s.m = valid_mode(cue->running_fade_mode);
    s.threshold = threshold_level(kPointCueSource, record);
    s.early = false;
    return true;
}

void set_source(uint16_t& flags, int src) {
    flags = static_cast<uint16_t>((flags & ~runtime::FLAG_STEP_SOURCE) | (src << runtime::FLAG_STEP_SOURCE_SHIFT));
}

// The fader bank that shows an element kind (0 values and dimmers, 1
// generator bytes, 2 figure bytes).
bool bank_shows(int16_t kind) {
    return kind == 0 ? (runtime::fader_bank == 0 || runtime::fader_bank == 1) : runtime::fader_bank == kind;
}

// Flag bit 4 follows bit 0 of the element's point-cue fade state; the value
// table's cell shows the change when it is up.
void follow_cue_bit(uint16_t& flags, const runtime::CueFadeRecord& cue, int index, int16_t kind) {
    const bool on = (cue.state & 1) != 0;
    if (on == ((flags & runtime::FLAG_CUE_FADE) != 0)) return;
    flags = static_cast<uint16_t>(on ? flags | runtime::FLAG_CUE_FADE : flags & ~runtime::FLAG_CUE_FADE);
    if ((runtime::option_flags & runtime::OPT_TABLE_VIEW) != 0 && (runtime::mode_flags & runtime::MODE_CUE_SCREEN) == 0 &&
        bank_shows(kind)) {
        ui::refresh_playback_cells(static_cast<int16_t>(index), kind);
    }
}

// The fine half of a 16-bit pair maps its range onto 0..255 for the mix; a
// range whose maximum is not above its minimum counts as 0..255.
struct FineRange {
    int lo = 0;
    int hi = 255;
    long double scale = 1.0L;
    bool full() const { return lo == 0 && hi == 255; }
    int32_t to_byte(int32_t v) const {
        if (full()) return std::clamp(v, 0, 255);
        return std::clamp(round_half_up((v - lo) * scale), 0, 255);
    }
    int32_t from_byte(int32_t b) const {
        if (full()) return b;
        return std::clamp(static_cast<int32_t>(b / scale + lo), lo, hi);
    }
};

FineRange fine_range(int fine) {
    const runtime::FunctionRecord& entry = runtime::function_record_table[fine];
    FineRange range;
    if (entry.range_max > entry.range_min) {
        range.lo = entry.range_min;
        range.hi = entry.range_max;
        range.scale = 255.0L / (range.hi - range.lo);
    }
    return range;
}

int fine_partner_of(int record) {
    const int partner = runtime::function_record_table[record].fine_partner;
    return partner >= 1 && partner <= records_in_use() ? partner : 0;
}

void compute_plain_channel(int record) {
    uint16_t& flags = runtime::channel_flags[record];
    const runtime::CueFadeRecord& cue = runtime::cue_fade_records.channels[record];
    for (int src = 1; src <= kPointCueSource; ++src) {
        const runtime::SequenceStepBuffer& b = images(src);
        Step s;
        s.permission = (flags & runtime::FLAG_FADES) != 0;
        const auto step = [record] { return step_pointcue_channel_fade(static_cast<int16_t>(record)); };
        if (!source_takes_part(src, record, b.current_values[record] != kNotSet, &cue, step, s)) continue;
        const uint16_t tgt = resolve_value(record, b.current_values[record]);
        if (tgt == kNotSet) continue;  // a deleted preset: the next source may set it
        s.tgt = tgt;
        s.prev = previous_value(record, b.previous_values[record]);
        s.same = s.tgt == s.prev;
        const auto v = static_cast<uint16_t>(std::clamp(mix(s), 0, 65534));
        if (runtime::layer_values[0][record] != v) {
            runtime::layer_values[0][record] = v;
            mark_channel_dirty(static_cast<int16_t>(record));
        }
        set_source(flags, src);
        break;
    }
    follow_cue_bit(flags, cue, record, 0);
}

// A 16-bit pair mixes as coarse x 256 + fine (the fine mapped onto 0..255);
// the coarse record's qualifying, threshold and fade mode hold for both.
void compute_pair(int record, int fine) {
    const FineRange range = fine_range(fine);
    uint16_t& flags = runtime::channel_flags[record];
    const runtime::CueFadeRecord& cue = runtime::cue_fade_records.channels[record];
    for (int src = 1; src <= kPointCueSource; ++src) {
        const runtime::SequenceStepBuffer& b = images(src);
        Step s;
        s.permission = (flags & runtime::FLAG_FADES) != 0;
        const auto step = [record] { return step_pointcue_channel_fade(static_cast<int16_t>(record)); };
        if (!source_takes_part(src, record, b.current_values[record] != kNotSet, &cue, step, s)) continue;
        const uint16_t tgt_coarse = resolve_value(record, b.current_values[record]);
        if (tgt_coarse == kNotSet) continue;
        const uint16_t tgt_fine_raw = resolve_value(fine, b.current_values[fine]);
        const int32_t tgt_fine = tgt_fine_raw == kNotSet ? 0 : tgt_fine_raw;
        const int32_t prev_coarse = previous_value(record, b.previous_values[record]);
        const int32_t prev_fine = previous_value(fine, b.previous_values[fine]);
        int32_t coarse = tgt_coarse;
        int32_t fine_value = tgt_fine;
        if (tgt_coarse != prev_coarse || tgt_fine != prev_fine) {
            s.prev = prev_coarse * 256 + range.to_byte(prev_fine);
            s.tgt = tgt_coarse * 256 + range.to_byte(tgt_fine);
            const int32_t mixed = std::clamp(mix(s), 0, 65535);
            if (mixed == s.prev) {
                coarse = prev_coarse;
                fine_value = prev_fine;
            } else if (mixed != s.tgt) {
                coarse = mixed >> 8;
                fine_value = range.from_byte(mixed & 0xFF);
            }
        }
        uint16_t* layer = runtime::layer_values[0];
        if (layer[record] != coarse || layer[fine] != fine_value) {
            layer[record] = static_cast<uint16_t>(coarse);
            layer[fine] = static_cast<uint16_t>(fine_value);
            mark_channel_dirty(static_cast<int16_t>(record));
        }
        set_source(flags, src);
        set_source(runtime::channel_flags[fine], src);
        break;
    }
    const bool on = (cue.state & 1) != 0;
    if (on != ((flags & runtime::FLAG_CUE_FADE) != 0)) {
        follow_cue_bit(flags, cue, record, 0);
        follow_cue_bit(runtime::channel_flags[fine], runtime::cue_fade_records.channels[fine], fine, 0);
    }
}

// Whether the element is defined by source src (for the fading lists).
bool sequence_defines(int src, uint16_t current) { return src < kPointCueSource && sequence_runs(src) && current != kNotSet; }

// The fading byte from the first source that defines an element: 1 while it
// must be recomputed, 2 while only a HOLD link waits, 0 settled and shown.
struct ListTest {
    bool settled = false;
    bool shown = false;
    bool link_waiting = false;
    bool pending = false;
    uint8_t byte() const {
        if (!settled || !shown || pending) return kFadingRecompute;
        return link_waiting ? kFadingHoldWait : 0;
    }
};

ListTest point_cue_test(const runtime::CueFadeRecord& cue, int32_t from, int32_t to, int32_t layer) {
    ListTest t;
    t.settled = from == to || cue.state == kStateSettled || cue.state == kStateStands;
    t.shown = (cue.running_delay_out == runtime::kEndlessTime_ms ? to : from) == layer;
    t.link_waiting = cue.linked_cue != 0 && cue.hold != runtime::kEndlessTime_ms;
    t.pending = cue.pending_start != 0;
    return t;
}

uint8_t channel_fading_byte(int r) {
    const runtime::FunctionRecord& entry = runtime::function_record_table[r];
    const bool dimmer = entry.dimmer != 0;
    const int fine = entry.kind == setup::kKindCoarse ? fine_partner_of(r) : 0;
    const uint16_t layer = runtime::layer_values[0][r];
    for (int src = 1; src <= kPointCueSource; ++src) {
        const runtime::SequenceStepBuffer& b = images(src);
        ListTest t;
        if (src < kPointCueSource) {
            if (!sequence_defines(src, b.current_values[r])) continue;
            // A pair whose fine half alone changes must still be mixed.
            const bool halves_equal =
                b.previous_values[r] == b.current_values[r] &&
                (fine == 0 || b.current_values[fine] == kNotSet || b.previous_values[fine] == b.current_values[fine]);
            t.settled = halves_equal || sequence_progress(src) == kComplete;
            t.shown = resolve_value(r, b.current_values[r]) == layer &&
                      (fine == 0 || b.current_values[fine] == kNotSet ||
                       resolve_value(fine, b.current_values[fine]) == runtime::layer_values[0][fine]);
        } else {
            const runtime::CueFadeRecord& cue = runtime::cue_fade_records.channels[r];
            if (cue.state == 0) continue;
            t = point_cue_test(cue, b.previous_values[r], b.current_values[r], layer);
        }
        const uint8_t byte = t.byte();
        if (byte != 0 || !dimmer) return byte;  // a dimmer looks on while no source makes it fade
    }
    return 0;
}

// The fading byte of byte element i of one kind (generator or figure
// bytes): its images in each source's step buffers, the point cue's fade
// records, its layer-0 byte and the resolver of that kind's references.
using StepBytes = uint8_t* runtime::SequenceStepBuffer::*;
template <typename Resolve>
uint8_t byte_element_fading_byte(int i, StepBytes previous, StepBytes current, const runtime::CueFadeRecord* cues,
                                 uint8_t layer, Resolve resolve) {
    for (int src = 1; src <= kPointCueSource; ++src) {
        const runtime::SequenceStepBuffer& b = images(src);
        if (src < kPointCueSource) {
            if (!sequence_runs(src) || (b.*current)[i] == kByteNotSet) continue;
            ListTest t;
            t.settled = (b.*previous)[i] == (b.*current)[i] || sequence_progress(src) == kComplete;
            t.shown = resolve(i, (b.*current)[i]) == layer;
            return t.byte();
        }
        const runtime::CueFadeRecord& cue = cues[i];
        if (cue.state == 0) continue;
        return point_cue_test(cue, (b.*previous)[i], (b.*current)[i], layer).byte();
    }
    return 0;
}

uint8_t sub_attribute_fading_byte(int i) {
    return byte_element_fading_byte(i, &runtime::SequenceStepBuffer::previous_generators,
                                    &runtime::SequenceStepBuffer::current_generators,
                                    runtime::cue_fade_records.sub_channels, runtime::layer_generators[0][i],
                                    resolve_generator);
}

uint8_t extra_fading_byte(int i) {
    return byte_element_fading_byte(i, &runtime::SequenceStepBuffer::previous_figures,
                                    &runtime::SequenceStepBuffer::current_figures, runtime::cue_fade_records.extras,
                                    runtime::layer_figures[0][i], resolve_figure);
}

void flag_fixture(int fixture, uint8_t kind) {
    if (fixture >= 1 && fixture <= static_cast<int>(runtime::kShowFixtures)) runtime::cue_fade_lists.fixtures[fixture] |= kind;
}

// The four computations without the table checks (the element pass checks once).
void channel_now(int record);
void dimmer_now(int record);
void sub_attribute_now(int i);
void extra_now(int i);

bool left_alone(uint16_t flags) { return (flags & (runtime::FLAG_FROZEN | runtime::FLAG_MANUAL)) != 0; }

// One fading element: byte 2 steps only its phase machine, byte 1 recomputes
// its layer-0 value. True when its point-cue state changed.
template <typename Step, typename Compute>
bool visit_element(uint8_t byte, uint16_t flags, const runtime::CueFadeRecord& cue, Step step, Compute compute) {
    if (byte == 0 || left_alone(flags)) return false;
    const uint8_t before = cue.state;
    if (byte == kFadingHoldWait) {
        step();
    } else {
        compute();
    }
    return cue.state != before;
}

bool visit_fixture_channels(int first, int count) {
    bool changed = false;
    for (int r = first; r < first + count; ++r) {
        const runtime::FunctionRecord& entry = runtime::function_record_table[r];
        if (entry.kind == setup::kKindFine) continue;
        const auto record = static_cast<int16_t>(r);
        changed |= visit_element(
            runtime::cue_fade_lists.channels[r], runtime::channel_flags[r], runtime::cue_fade_records.channels[r],
            [record] { step_pointcue_channel_fade(record); },
            [record, &entry] {
                if (entry.dimmer != 0) {
                    dimmer_now(record);
                } else {
                    channel_now(record);
                }
            });
    }
    return changed;
}

bool visit_fixture_sub_attributes(int first, int count) {
    bool changed = false;
    for (int r = first; r < first + count; ++r) {
        const uint8_t role = runtime::function_record_table[r].pantilt_role;
        if (role >= 1 && role <= 4) continue;
        for (int k = 1; k <= kGeneratorParams; ++k) {
            const int i = (r - 1) * kGeneratorParams + k;
            changed |= visit_element(
                runtime::cue_fade_lists.sub_channels[i], runtime::generator_flags[i],
                runtime::cue_fade_records.sub_channels[i], [i] { step_pointcue_sub_attribute_fade(i); },
                [i] { sub_attribute_now(i); });
        }
    }
    return changed;
}

bool visit_fixture_extras(int fixture) {
    bool changed = false;
    for (int k = 1; k <= kFigureParams; ++k) {
        const int i = (fixture - 1) * kFigureParams + k;
        changed |= visit_element(
            runtime::cue_fade_lists.extras[i], runtime::figure_flags[static_cast<size_t>(i)],
            runtime::cue_fade_records.extras[i], [i] { step_pointcue_extra_fade(i); },
            [i] { extra_now(i); });
    }
    return changed;
}

}  // namespace

void reset_live_layer_globals() {
    for (auto& table : sequence_channel_fade_modes) table.fill(0);
    fixture_records.clear();
}

namespace {

void channel_now(int record) {
    const runtime::FunctionRecord& entry = runtime::function_record_table[record];
    if (entry.kind == 0) {
        compute_plain_channel(record);
    } else if (entry.kind == setup::kKindCoarse) {
        if (const int fine = fine_partner_of(record); fine != 0) compute_pair(record, fine);
    }
}

void dimmer_now(int record) {
    int closed = 0;
    int open = 255;
    dimmer_range(record, closed, open);
    uint16_t& flags = runtime::channel_flags[record];
    const runtime::CueFadeRecord& cue = runtime::cue_fade_records.channels[record];
    int ltp = 0;
    for (int src = 1; src <= kPointCueSource; ++src) {
        const auto at = static_cast<size_t>(src);
        const runtime::SequenceStepBuffer& b = images(src);
        uint16_t& given = runtime::sequence_dimmer_values[at][record];
        uint8_t& gave = runtime::sequence_run_buffer[at][record];
        Step s;
        s.dimmer = true;
        s.permission = (flags & runtime::FLAG_FADES) != 0;
        bool takes_part = false;
        if (src < kPointCueSource) {
            // For dimmers the fade mode does not enter the test.
            const bool defined = b.current_values[record] != kNotSet;
            s.m = sequence_mode(src, record);
            s.threshold = threshold_level(src, record);
            s.p = sequence_progress(src);
            takes_part = sequence_runs(src) && defined && s.p >= s.threshold;
            const bool programmed = (sequence_table[at].flags & 1) != 0;
            if (!takes_part && sequence_runs(src) && !programmed && gave != 0) given = static_cast<uint16_t>(closed);
        } else if (cue.state != 0) {
            s.p = step_pointcue_channel_fade(static_cast<int16_t>(record));
            s.m = valid_mode(cue.running_fade_mode);
            s.threshold = threshold_level(src, record);
            takes_part = true;
        }
        if (!takes_part) continue;
        const uint16_t tgt = resolve_value(record, b.current_values[record]);
        if (tgt == kNotSet) continue;
        s.tgt = tgt;
        s.prev = previous_value(record, b.previous_values[record]);
        s.same = s.tgt == s.prev;
        given = static_cast<uint16_t>(std::clamp(mix(s), 0, 65534));
        gave = 1;
        if (ltp == 0 && (s.m == kFadeLtpDimmers || s.m == kFadeLtpSnap)) ltp = src;
    }
    int32_t candidate = -1;
    int source = 0;
    if (ltp != 0) {
        candidate = runtime::sequence_dimmer_values[static_cast<size_t>(ltp)][record];
        source = ltp;
    } else {
        int32_t highest = -1;
        int32_t lowest = 1000;
        int high_source = 0;
        int low_source = 0;
        for (int src = 1; src <= kPointCueSource; ++src) {
            const bool counts = src < kPointCueSource ? sequence_runs(src) : cue.state != 0;
            if (!counts) continue;
            const int32_t v = runtime::sequence_dimmer_values[static_cast<size_t>(src)][record];
            if (v > highest) {
                highest = v;
                high_source = src;
            }
            if (v < lowest) {
                lowest = v;
                low_source = src;
            }
        }
        const bool highest_wins = closed < open;  // else an inverted dimmer: the lowest
        candidate = highest_wins ? highest : lowest;
        source = highest_wins ? high_source : low_source;
    }
    if (candidate >= 0 && candidate <= 255) {
        const auto v = static_cast<uint16_t>(candidate);
        if (runtime::layer_values[0][record] != v) {
            runtime::layer_values[0][record] = v;
            mark_channel_dirty(static_cast<int16_t>(record));
        }
        if (source != 0) set_source(flags, source);
    }
    follow_cue_bit(flags, cue, record, 0);
}

void sub_attribute_now(int i) {
    const int record = (i - 1) / kGeneratorParams + 1;
    const int k = (i - 1) % kGeneratorParams + 1;
    const bool dimmer_record = runtime::function_record_table[record].dimmer != 0;
    uint16_t& flags = runtime::generator_flags[i];
    const runtime::CueFadeRecord& cue = runtime::cue_fade_records.sub_channels[i];
    for (int src = 1; src <= kPointCueSource; ++src) {
        const runtime::SequenceStepBuffer& b = images(src);
        Step s;
        s.permission = (flags & runtime::FLAG_FADES) != 0;
        s.dimmer_generator = dimmer_record;
        const auto step = [i] { return step_pointcue_sub_attribute_fade(i); };
        if (!source_takes_part(src, record, b.current_generators[i] != kByteNotSet, &cue, step, s)) continue;
        const uint8_t tgt = resolve_generator(i, b.current_generators[i]);
        if (tgt == kByteNotSet) continue;
        const uint8_t prev = resolve_generator(i, b.previous_generators[i]);
        s.tgt = tgt;
        s.prev = prev == kByteNotSet ? 0 : prev;
        s.same = s.tgt == s.prev;
        const int32_t limit = k == 1 ? kSwingLimit : kParameterLimit;
        const auto v = static_cast<uint8_t>(std::clamp(mix(s), 0, limit));
        if (runtime::layer_generators[0][i] != v) {
            runtime::layer_generators[0][i] = v;
            mark_sub_attribute_dirty(i);
        }
        set_source(flags, src);
        break;
    }
    follow_cue_bit(flags, cue, i, 1);
}

void extra_now(int i) {
    const int fixture = (i - 1) / kFigureParams + 1;
    const int k = (i - 1) % kFigureParams + 1;
    // The fixture's pan record carries the extras' fade modes and thresholds.
    const int pan = runtime::fixture_pantilt_table[static_cast<size_t>(fixture)].pan.record;
    const int record = pan >= 1 && pan <= records_in_use() ? pan : 0;
    uint16_t& flags = runtime::figure_flags[static_cast<size_t>(i)];
    const runtime::CueFadeRecord& cue = runtime::cue_fade_records.extras[i];
    const bool swing = k <= 2;  // X-SWING and Y-SWING keep a fraction
    for (int src = 1; src <= kPointCueSource; ++src) {
        const runtime::SequenceStepBuffer& b = images(src);
        Step s;
        s.permission = (flags & runtime::FLAG_FADES) != 0;
        const auto step = [i] { return step_pointcue_extra_fade(i); };
        if (!source_takes_part(src, record, b.current_figures[i] != kByteNotSet, &cue, step, s)) continue;
        const uint8_t tgt = resolve_figure(i, b.current_figures[i]);
        if (tgt == kByteNotSet) continue;
        const uint8_t prev_main = resolve_figure(i, b.previous_figures[i]);
        s.tgt = tgt * 256;
        s.prev = (prev_main == kByteNotSet ? 0 : prev_main) * 256 + b.previous_figure_fractions[i];
        s.same = tgt == prev_main;  // the main bytes alone decide
        const int32_t mixed = std::clamp(mix(s), 0, 65535);
        int32_t main = mixed >> 8;
        int32_t fraction = swing ? mixed & 0xFF : 0;
        const int32_t limit = swing ? kSwingLimit : kParameterLimit;
        if (main >= limit) {
            main = limit;
            fraction = 0;
        }
        if (runtime::layer_figures[0][i] != main || runtime::layer_figures_extra[i] != fraction) {
            runtime::layer_figures[0][i] = static_cast<uint8_t>(main);
            runtime::layer_figures_extra[i] = static_cast<uint8_t>(fraction);
            mark_extra_dirty(i);
        }
        set_source(flags, src);
        break;
    }
    follow_cue_bit(flags, cue, i, 2);
}

}  // namespace

void compute_layer_zero_channel(int16_t record) {
    if (record >= 1 && record <= records_in_use() && tables_ready()) channel_now(record);
}

void compute_layer_zero_dimmer(int16_t record) {
    if (record >= 1 && record <= records_in_use() && tables_ready()) dimmer_now(record);
}

void compute_layer_zero_sub_attribute(int32_t sub_attribute) {
    if (sub_attribute >= 1 && sub_attribute <= records_in_use() * kGeneratorParams && tables_ready()) {
        sub_attribute_now(sub_attribute);
    }
}

void compute_layer_zero_extra(int32_t extra) {
    if (extra >= 1 && extra <= fixtures_in_use() * kFigureParams && tables_ready()) extra_now(extra);
}

void build_step_fade_modes(int16_t sequence) {
    if (sequence < 1 || sequence > kSequences || runtime::function_record_table == nullptr ||
        runtime::output_base_values == nullptr) {
        return;
    }
    auto& table = sequence_channel_fade_modes[static_cast<size_t>(sequence)];
    const uint8_t mode = valid_mode(sequence_step_fade_mode[static_cast<size_t>(sequence)]);
    const int records = records_in_use();
    if (mode != kFadeLtpSnap) {
        std::fill(table.begin() + 1, table.begin() + records + 1, mode);
        return;
    }
    // Mode 5: a fixture whose dimmer is closed moves its other channels early.
    // Every fixture starts dark at each build, so that one without a dimmer
    // does not carry a mark from an earlier step.
    fixture_dimmer_open.fill(0);
    for (int r = 1; r <= records; ++r) {
        const runtime::FunctionRecord& entry = runtime::function_record_table[r];
        if (entry.dimmer != 1) continue;
        const bool dark = static_cast<int16_t>(runtime::output_base_values[r]) < 1;
        table[static_cast<size_t>(r)] = dark ? kFadeLtpSnap : kFadeLtpDimmers;
        if (entry.fixture >= 1 && entry.fixture <= static_cast<int>(runtime::kShowFixtures)) {
            fixture_dimmer_open[static_cast<size_t>(entry.fixture)] = dark ? 0 : 1;
        }
    }
    for (int r = 1; r <= records; ++r) {
        const runtime::FunctionRecord& entry = runtime::function_record_table[r];
        if (entry.dimmer != 0) continue;
        const bool open = entry.fixture >= 1 && entry.fixture <= static_cast<int>(runtime::kShowFixtures) &&
                          fixture_dimmer_open[static_cast<size_t>(entry.fixture)] != 0;
        table[static_cast<size_t>(r)] = open ? kFadeWithPermission : kFadeLtpSnap;
    }
}

void rebuild_fading_channel_list() {
    if (!tables_ready()) return;
    const int records = records_in_use();
    const int fixtures = fixtures_in_use();
    runtime::CueFadeLists& lists = runtime::cue_fade_lists;
    std::fill_n(lists.channels, runtime::kShowRecords + 1, uint8_t{0});
    std::fill_n(lists.sub_channels, runtime::kShowGeneratorBytes + 1, uint8_t{0});
    std::fill_n(lists.extras, runtime::kShowFigureBytes + 1, uint8_t{0});
    std::fill_n(lists.fixtures, runtime::kShowFixtures + 1, uint8_t{0});
    fixture_records.gather(records);
    for (int r = 1; r <= records; ++r) {
        const uint8_t byte = channel_fading_byte(r);
        lists.channels[r] = byte;
        if (byte != 0) flag_fixture(runtime::function_record_table[r].fixture, kFadingChannels);
    }
    for (int i = 1; i <= records * kGeneratorParams; ++i) {
        const uint8_t byte = sub_attribute_fading_byte(i);
        lists.sub_channels[i] = byte;
        if (byte != 0) flag_fixture(runtime::function_record_table[(i - 1) / kGeneratorParams + 1].fixture, kFadingSubAttributes);
    }
    for (int i = 1; i <= fixtures * kFigureParams; ++i) {
        const uint8_t byte = extra_fading_byte(i);
        lists.extras[i] = byte;
        if (byte != 0) flag_fixture((i - 1) / kFigureParams + 1, kFadingExtras);
    }
}

bool run_fading_elements() {
    if (!tables_ready()) return false;
    const int fixtures = fixtures_in_use();
    const int records = records_in_use();
    bool changed = false;
    for (int f = 1; f <= fixtures; ++f) {
        const uint8_t kinds = runtime::cue_fade_lists.fixtures[f];
        if (kinds == 0) continue;
        const int first = fixture_records.first[static_cast<size_t>(f)];
        const int count = first == 0 ? 0 : std::min<int>(fixture_records.count[static_cast<size_t>(f)], records - first + 1);
        if ((kinds & kFadingChannels) != 0) changed |= visit_fixture_channels(first, count);
        if ((kinds & kFadingSubAttributes) != 0) changed |= visit_fixture_sub_attributes(first, count);
        if ((kinds & kFadingExtras) != 0 && runtime::fixture_pantilt_table[static_cast<size_t>(f)].kind != 0) {
            changed |= visit_fixture_extras(f);
        }
    }
    return changed;
}

}  // namespace playback
