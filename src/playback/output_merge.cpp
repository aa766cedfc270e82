#include "playback/output_merge.h"

#include <algorithm>
#include <cmath>

#include "memories/presets.h"
#include "memories/submaster_cells.h"
#include "playback/playback_state.h"
#include "programmer/channel_generators.h"
#include "programmer/pantilt_figures.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/timers.h"
#include "setup/fixture_type.h"
#include "setup/setup_data.h"
#include "ui/value_table.h"

namespace playback {

std::array<std::array<uint8_t, runtime::kShowRecords + 1>, kPlaybacks + 1> playback_fade_modes{};
std::array<uint8_t, runtime::kShowFixtures + 1> fixture_dimmer_open{};

namespace {
void reset_merge_scratch();
}  // namespace

void reset_output_merge_globals() {
    for (auto& table : playback_fade_modes) table.fill(0);
    fixture_dimmer_open.fill(0);
    reset_merge_scratch();
}

namespace {

constexpr uint16_t kNotSet = runtime::kValueNotSet;
constexpr uint8_t kByteNotSet = runtime::kByteNotSet;
constexpr uint16_t kOwnerShift = 9;
constexpr int kFirstValueReference = 1001;
constexpr int kGeneratorParams = static_cast<int>(runtime::kGeneratorBytesPerRecord);
constexpr int kFigureParams = static_cast<int>(runtime::kFigureBytesPerFixture);
constexpr int kLastPanTiltRole = 4;  // pan, pan fine, tilt, tilt fine: the figure engine's records

// The records of each fixture for this poll: first record and channel count,
// taken from the function records (a fixture's records are consecutive).
runtime::FixtureRecordRanges fixture_records;

// A running playback as the merge reads it: its level, fade mode and tables,
// fetched once per merge pass so that the inner loops over the playbacks
// only index. A table not allocated reads as an all-not-set one.
struct ActivePlayback {
    int p = 0;
    int32_t level = 0;
    uint8_t own_mode = 0;  // the playback record's fade mode
    const uint16_t* values = nullptr;
    const uint8_t* generators = nullptr;
    const uint8_t* figures = nullptr;
    const uint8_t* thresholds = nullptr;
    const uint8_t* modes = nullptr;  // playback_fade_modes[p]
    // Per threshold byte: the crossfade fraction and its step table (below),
    // worked out when first needed in a pass (valid while pass equals the
    // pass number).
    struct Crossfade {
        double f = 0.0;
        const int16_t* steps = nullptr;
        uint32_t pass = 0;
    };
    std::array<Crossfade, 256> crossfades{};
};

template <typename T, size_t N>
constexpr std::array<T, N> filled(T value) {
    std::array<T, N> table{};
    for (T& item : table) item = value;
    return table;
}

constexpr auto kNoValues = filled<uint16_t, runtime::kShowRecords + 1>(runtime::kValueNotSet);
constexpr auto kNoGenerators = filled<uint8_t, runtime::kShowGeneratorBytes + 1>(runtime::kByteNotSet);
constexpr auto kNoFigures = filled<uint8_t, runtime::kShowFigureBytes + 1>(runtime::kByteNotSet);
constexpr std::array<uint8_t, runtime::kShowRecords + 1> kNoThresholds{};

// The running playbacks from 42 down to 1, gathered once per merge pass.
std::array<ActivePlayback, kPlaybacks> active_playbacks{};
int active_count = 0;
uint32_t merge_pass = 0;
bool in_pass = false;

uint8_t stored_fade_mode(int p);

void gather_active_playbacks() {
    ++merge_pass;
    active_count = 0;
    for (int p = kPlaybacks; p >= 1; --p) {
        const auto i = static_cast<size_t>(p);
        if (playback_active[i] == 0) continue;
        ActivePlayback& a = active_playbacks[static_cast<size_t>(active_count++)];
        a.p = p;
        a.level = std::clamp<int32_t>(playback_levels[i], 0, kFullLevel);
        a.own_mode = stored_fade_mode(p);
        a.values = runtime::layer_values[i] != nullptr ? runtime::layer_values[i] : kNoValues.data();
        a.generators = runtime::layer_generators[i] != nullptr ? runtime::layer_generators[i] : kNoGenerators.data();
        a.figures = runtime::layer_figures[i] != nullptr ? runtime::layer_figures[i] : kNoFigures.data();
        a.thresholds = runtime::playback_thresholds[i] != nullptr ? runtime::playback_thresholds[i] : kNoThresholds.data();
        a.modes = playback_fade_modes[i].data();
    }
}

// A merge called outside the pass gathers the playbacks itself.
void prepare_single_merge() {
    if (!in_pass) gather_active_playbacks();
}

int records_in_use() {
    if (runtime::function_record_table == nullptr) return 0;
    return std::clamp<int>(runtime::function_record_count, 0, static_cast<int>(runtime::kShowRecords));
}

int fixtures_in_use() { return std::clamp<int>(setup::fixture_count, 0, static_cast<int>(runtime::kShowFixtures)); }

bool tables_ready() {
    return runtime::function_record_table != nullptr && runtime::dirty_channels != nullptr &&
           runtime::dirty_fixtures != nullptr && runtime::dirty_sub_channels != nullptr &&
           runtime::dirty_extras != nullptr && runtime::layer_values[0] != nullptr &&
           runtime::channel_flags != nullptr && runtime::generator_flags != nullptr &&
           runtime::output_base_values != nullptr && runtime::generator_states != nullptr &&
           runtime::figure_states != nullptr && runtime::manual_values != nullptr;
}

void mark_fixture(int16_t fixture) {
    if (fixture >= 1 && fixture <= static_cast<int>(runtime::kShowFixtures)) runtime::dirty_fixtures[fixture] = 1;
}

uint16_t owner_of(uint16_t flags) { return static_cast<uint16_t>((flags & runtime::FLAG_PLAYBACK_OWNER) >> kOwnerShift); }

bool has_fade_permission(uint16_t flags) { return (flags & runtime::FLAG_FADES) != 0; }

uint8_t stored_fade_mode(int p) {
    const uint8_t m = playback_table[static_cast<size_t>(p)].fade_mode;
    return m <= kLastFadeMode ? m : kFadeWithPermission;  // a damaged record counts as mode 0
}

// The threshold used in the fraction: never the full level (the fraction
// would divide by zero), never below the start level.
int32_t clamped_threshold(int32_t t) {
    if (t >= kFullLevel) return kFullLevel - 1;
    if (t < kPlaybackStartLevel) return kPlaybackStartLevel;
    return t;
}

double crossfade_fraction(int32_t level, int32_t t) {
    const int32_t tc = clamped_threshold(t);
    const double f = (level - tc) / (65535.0 - tc);
    return std::clamp(f, 0.0, 1.0);
}

// Fade-mode table entry 5: complete at the threshold.
double snap_entry_fraction(int32_t level, int32_t t) {
    const int32_t tc = clamped_threshold(t);
    return level < tc ? static_cast<double>(level) / tc : 1.0;
}

// Step tables: the blend of v over c on 8-bit values (0..255) by fraction f,
// as the step c + s(v - c). x = v f + c (1 - f) lies within 1e-13 of
// c + (v - c) f, so its rounding half up is c plus the rounding of (v - c) f,
// except where (v - c) f lies within 1e-9 of a half: those differences keep
// kExactStep and are blended in full. A table is made per playback and
// threshold in use in a pass, from a fixed pool; when the pool is spent, the
// blends are computed in full.
constexpr int kStepRange = 255;
constexpr int kStepTables = 128;
constexpr int16_t kExactStep = INT16_MIN;
constexpr double kNearHalf = 1e-9;

using StepTable = std::array<int16_t, 2 * kStepRange + 1>;
std::array<StepTable, kStepTables> step_pool{};
int step_tables_used = 0;
uint32_t step_pool_pass = 0;
constexpr auto kAllExact = filled<int16_t, 2 * kStepRange + 1>(kExactStep);

void fill_step_table(StepTable& table, double f) {
    for (int d = -kStepRange; d <= kStepRange; ++d) {
        const double y = d * f;
        const double whole = std::floor(y);
        const double rest = y - whole;
        table[static_cast<size_t>(d + kStepRange)] =
            std::fabs(rest - 0.5) < kNearHalf ? kExactStep : static_cast<int16_t>(whole + (rest >= 0.5 ? 1 : 0));
    }
}

// The step table for fraction f from the pass's pool, indexed by v - c from its centre.
const int16_t* new_step_table(double f) {
    if (step_pool_pass != merge_pass) {
        step_pool_pass = merge_pass;
        step_tables_used = 0;
    }
    if (step_tables_used >= kStepTables) return kAllExact.data() + kStepRange;
    StepTable& table = step_pool[static_cast<size_t>(step_tables_used++)];
    fill_step_table(table, f);
    return table.data() + kStepRange;
}

void work_out_crossfade(ActivePlayback& a, uint8_t t) {
    ActivePlayback::Crossfade& x = a.crossfades[t];
    x.f = crossfade_fraction(a.level, t * 257);
    x.steps = new_step_table(x.f);
    x.pass = merge_pass;
}

// The pass's caches as at program load.
void reset_merge_scratch() {
    for (ActivePlayback& a : active_playbacks) a = ActivePlayback{};
    active_count = 0;
    merge_pass = 0;
    in_pass = false;
    step_tables_used = 0;
    step_pool_pass = 0;
    fixture_records.clear();
}

// The crossfade of playback a at threshold byte t, from the pass's cache.
inline const ActivePlayback::Crossfade& crossfade_at(ActivePlayback& a, uint8_t t) {
    if (a.crossfades[t].pass != merge_pass) work_out_crossfade(a, t);
    return a.crossfades[t];
}
double crossfade_of(ActivePlayback& a, uint8_t t) { return crossfade_at(a, t).f; }

// blend_values for the merge's loops. For x >= 0 (every blend of the merge:
// values, levels and fractions are not negative) truncation is floor.
inline int32_t blend(int32_t v, int32_t c, double f) {
    const double x = v * f + c * (1.0 - f);
    const double whole = x >= 0.0 ? static_cast<double>(static_cast<int64_t>(x)) : std::floor(x);
    return static_cast<int32_t>(whole) + (x - whole >= 0.5 ? 1 : 0);
}

// A value preset reference resolves to the preset's value for the record;
// an empty preset, an unknown reference or a stored value above 255 that is
// not a reference counts as not set.
uint16_t resolve_value(int record, uint16_t v) {
    if (v == kNotSet) return kNotSet;
    if (v >= kFirstValueReference) {
        const int preset = v - (kFirstValueReference - 1);
        if (preset > memories::kValuePresets) return kNotSet;
        const uint16_t* table = memories::value_preset_table[static_cast<size_t>(preset)];
        if (table == nullptr || record > memories::kPresetFunctionRecords) return kNotSet;
        v = table[record];
        if (v == kNotSet) return kNotSet;
    }
    return v <= 255 ? v : kNotSet;
}

uint8_t resolve_generator(int i, uint8_t b) { return memories::resolve_generator_reference(i, b); }
uint8_t resolve_figure(int i, uint8_t b) { return memories::resolve_figure_reference(i, b); }

// Writes the owner into a flag word; true when it changed.
bool set_owner(uint16_t& flags, int owner) {
    const auto bits = static_cast<uint16_t>(owner << kOwnerShift);
    if ((flags & runtime::FLAG_PLAYBACK_OWNER) == bits) return false;
    flags = static_cast<uint16_t>((flags & ~runtime::FLAG_PLAYBACK_OWNER) | bits);
    return true;
}

// The value table shows who owns a cell; an owner change recolours it.
void redraw_owner_cell(int index, int16_t kind) {
    if ((runtime::option_flags & runtime::OPT_TABLE_VIEW) == 0) return;
    if ((runtime::mode_flags & runtime::MODE_CUE_SCREEN) != 0) return;
    const bool bank_fits = kind == 0 ? (runtime::fader_bank == 0 || runtime::fader_bank == 1) : runtime::fader_bank == kind;
    if (bank_fits) ui::refresh_playback_cells(static_cast<int16_t>(index), kind);
}

// The running value c after playback p's value v under fade mode m (the
// table entry for non-dimmer targets), with fraction f.
int32_t apply_playback(int32_t v, int32_t c, uint8_t m, bool permission, double f) {
    if (v == c) return c;
    const bool snap = ((m == kFadeWithPermission || m == kFadeLtpDimmers) && !permission) || m == kSnapAll ||
                      m == kSnapFull;
    return snap ? v : blend(v, c, f);
}

// apply_playback on 8-bit values, a blend taken from the step table.
int32_t apply_playback_8bit(int32_t v, int32_t c, uint8_t m, bool permission, double f, const int16_t* steps) {
    if (v == c) return c;
    const bool snap = ((m == kFadeWithPermission || m == kFadeLtpDimmers) && !permission) || m == kSnapAll ||
                      m == kSnapFull;
    if (snap) return v;
    if (v - c < -kStepRange || v - c > kStepRange) return blend(v, c, f);
    const int16_t step = steps[v - c];
    return step != kExactStep ? c + step : blend(v, c, f);
}

// The fine half of a 16-bit pair: its range maps a fine value onto 0..255.
// A range whose maximum is not above its minimum counts as 0..255.
struct FineRange {
    int min = 0;
    int max = 255;
    double scale = 1.0;
    bool full() const { return min == 0 && max == 255; }
    int to_byte(int y) const {
        if (full()) return std::clamp(y, 0, 255);
        const double x = (y - min) * scale;
        return std::clamp(static_cast<int>(std::floor(x + 0.5)), 0, 255);
    }
    int from_byte(int b) const { return full() ? b : std::clamp(static_cast<int>(b / scale + min), min, max); }
};

FineRange fine_range(int fine) {
    const runtime::FunctionRecord& entry = runtime::function_record_table[fine];
    FineRange range;
    if (entry.range_max > entry.range_min) {
        range.min = entry.range_min;
        range.max = entry.range_max;
        range.scale = 255.0 / (range.max - range.min);
    }
    return range;
}

int fine_partner_of(int record) {
    const int partner = runtime::function_record_table[record].fine_partner;
    return partner >= 1 && partner <= records_in_use() ? partner : 0;
}

uint16_t layer_zero_value(int record) {
    const uint16_t v = resolve_value(record, runtime::layer_values[0][record]);
    return v == kNotSet ? 0 : v;
}

// The running value of a 16-bit pair over the playbacks, on coarse x 256 +
// mapped fine; the coarse record's fade modes, thresholds and permission.
void merge_pair(int record, int fine) {
    const FineRange range = fine_range(fine);
    uint16_t& flags = runtime::channel_flags[record];
    const bool permission = has_fade_permission(flags);
    int32_t c = layer_zero_value(record) * 256 + range.to_byte(layer_zero_value(fine));
    int owner = 0;
    for (int k = 0; k < active_count; ++k) {
        ActivePlayback& a = active_playbacks[static_cast<size_t>(k)];
        const uint16_t coarse_raw = a.values[record];
        if (coarse_raw == kNotSet) continue;
        const uint8_t m = a.modes[record];
        const uint8_t t = a.thresholds[record];
        double f = 0.0;
        if (m == kFadeLtpSnap) {
            f = permission ? snap_entry_fraction(a.level, t * 257) : 1.0;
        } else {
            if (t * 257 > a.level) continue;
            f = crossfade_of(a, t);
        }
        owner = a.p;
        const uint16_t coarse = resolve_value(record, coarse_raw);
        if (coarse == kNotSet) continue;
        const uint16_t fine_value = resolve_value(fine, a.values[fine]);
        const int32_t n = coarse * 256 + range.to_byte(fine_value == kNotSet ? range.min : fine_value);
        if (m == kFadeLtpSnap) {
            c = n == c ? c : (permission ? blend(n, c, f) : n);
        } else {
            c = apply_playback(n, c, m, permission, f);
        }
    }
    if (set_owner(flags, owner)) {
        set_owner(runtime::channel_flags[fine], owner);
        redraw_owner_cell(fine, 0);
        redraw_owner_cell(record, 0);
    }
    runtime::output_base_values[record] = static_cast<uint16_t>(c / 256);
    runtime::output_base_values[fine] = static_cast<uint16_t>(range.from_byte(c % 256));
}

// An 8-bit channel without the dimmer flag.
void merge_plain_channel(int record) {
    uint16_t& flags = runtime::channel_flags[record];
    const bool permission = has_fade_permission(flags);
    int32_t c = layer_zero_value(record);
    int owner = 0;
    for (int k = 0; k < active_count; ++k) {
        ActivePlayback& a = active_playbacks[static_cast<size_t>(k)];
        const uint16_t raw = a.values[record];
        if (raw == kNotSet) continue;
        const uint8_t m = a.modes[record];
        const uint8_t t = a.thresholds[record];
        if (m == kFadeLtpSnap) {
            owner = a.p;
            const uint16_t v = resolve_value(record, raw);
            if (v == kNotSet || v == c) continue;
            c = permission ? blend(v, c, snap_entry_fraction(a.level, t * 257)) : v;
            continue;
        }
        if (t * 257 > a.level) continue;
        owner = a.p;
        const uint16_t v = resolve_value(record, raw);
        if (v == kNotSet) continue;
        const ActivePlayback::Crossfade& crossfade = crossfade_at(a, t);
        c = apply_playback_8bit(v, c, m, permission, crossfade.f, crossfade.steps);
    }
    if (set_owner(flags, owner)) redraw_owner_cell(record, 0);
    runtime::output_base_values[record] = static_cast<uint16_t>(c);
}

// The generator parameters of one record or the figure parameters of one
// fixture, merged side by side: they share the record whose fade modes and
// thresholds apply, so each playback's entry, threshold and fraction are read
// once for all of them. Each parameter still sees the playbacks from 42 down
// to 1 with its own permission, value and running result, exactly as when
// merged alone.
// Lanes are filled when added (left unset before: a block is made for every
// record of a marked fixture).
struct ParamLane {
    int i;              // the parameter's number
    int k;              // its place 1..6 or 1..10
    bool permission;
    int32_t c;          // the running value
    int owner;
};

struct ParamBlock {
    int record = 0;             // the record whose fade modes and thresholds apply
    bool dimmer_entry5 = false; // entry 5 of a dimmer record's parameter: the plain fraction from the threshold
    int32_t unit = 1;           // 256 for figure parameters, whose layer-0 value carries a fraction
    bool figures = false;       // figure parameters (else generator parameters)
    std::array<ParamLane, kFigureParams> lanes;
    int count = 0;
};

uint8_t resolve_param(const ParamBlock& block, int i, uint8_t b) {
    return block.figures ? resolve_figure(i, b) : resolve_generator(i, b);
}

double entry5_fraction(const ParamBlock& block, bool permission, int32_t level, int32_t t) {
    if (!permission) return 1.0;
    if (block.dimmer_entry5) {
        const int32_t tc = clamped_threshold(t);
        return level > tc ? (level - tc) / (65535.0 - tc) : 0.0;
    }
    return snap_entry_fraction(level, t);
}

// Playback a over a block of generator parameters when its entry m is not 5
// (the common crossfade or snap): the snap rule is settled once for the
// playback, and a blend is a step from the table. Generator bytes and their
// running values stay within 0..255, the table's range.
void step_generator_lanes(ParamBlock& block, ActivePlayback& a, uint8_t m, uint8_t t) {
    const ActivePlayback::Crossfade& crossfade = crossfade_at(a, t);
    const double f = crossfade.f;
    const int16_t* steps = crossfade.steps;
    const bool snap_with_permission = m == kSnapAll || m == kSnapFull;
    const bool snap_without = snap_with_permission || m == kFadeWithPermission || m == kFadeLtpDimmers;
    for (int n = 0; n < block.count; ++n) {
        ParamLane& lane = block.lanes[static_cast<size_t>(n)];
        const uint8_t raw = a.generators[lane.i];
        if (raw == kByteNotSet) continue;
        lane.owner = a.p;
        const uint8_t v = resolve_generator(lane.i, raw);
        if (v == kByteNotSet) continue;
        if (lane.permission ? snap_with_permission : snap_without) {
            lane.c = v;
            continue;
        }
        const int16_t step = steps[v - lane.c];
        lane.c = step != kExactStep ? lane.c + step : blend(v, lane.c, f);
    }
}

void merge_parameters(ParamBlock& block) {
    const int record = block.record;
    for (int k = 0; k < active_count; ++k) {
        ActivePlayback& a = active_playbacks[static_cast<size_t>(k)];
        const uint8_t* layer = block.figures ? a.figures : a.generators;
        const uint8_t m = a.modes[record];
        const uint8_t t = a.thresholds[record];
        if (m != kFadeLtpSnap && t * 257 > a.level) continue;  // below its threshold for every lane
        if (m != kFadeLtpSnap && !block.figures) {
            step_generator_lanes(block, a, m, t);
            continue;
        }
        const double plain = m != kFadeLtpSnap ? crossfade_of(a, t) : 0.0;
        for (int n = 0; n < block.count; ++n) {
            ParamLane& lane = block.lanes[static_cast<size_t>(n)];
            const uint8_t raw = layer[lane.i];
            if (raw == kByteNotSet) continue;
            lane.owner = a.p;
            const uint8_t v = resolve_param(block, lane.i, raw);
            if (v == kByteNotSet) continue;
            const int32_t value = v * block.unit;
            if (m == kFadeLtpSnap) {
                if (value != lane.c) {
                    lane.c = lane.permission ? blend(value, lane.c, entry5_fraction(block, true, a.level, t * 257)) : value;
                }
            } else {
                lane.c = apply_playback(value, lane.c, m, lane.permission, plain);
            }
        }
    }
}

// Generator parameter i as a lane of its record's block.
void add_generator_lane(ParamBlock& block, int i) {
    ParamLane& lane = block.lanes[static_cast<size_t>(block.count++)];
    lane.i = i;
    lane.k = (i - 1) % kGeneratorParams + 1;
    lane.permission = has_fade_permission(runtime::generator_flags[i]);
    const uint8_t zero = resolve_generator(i, runtime::layer_generators[0][i]);
    lane.c = zero == kByteNotSet ? 0 : zero;
    lane.owner = 0;
}

ParamBlock generator_block(int record) {
    ParamBlock block;
    block.record = record;
    block.dimmer_entry5 = runtime::function_record_table[record].dimmer != 0;
    return block;
}

// The merged generator parameters go to the record's generator engine.
void finish_generator_block(const ParamBlock& block) {
    for (int n = 0; n < block.count; ++n) {
        const ParamLane& lane = block.lanes[static_cast<size_t>(n)];
        if (set_owner(runtime::generator_flags[lane.i], lane.owner)) redraw_owner_cell(lane.i, 1);
        const int32_t limit = lane.k == 1 ? kSwingLimit : kParameterLimit;
        runtime::generator_states[block.record].parameters[static_cast<size_t>(lane.k - 1)] =
            static_cast<uint8_t>(std::clamp<int32_t>(lane.c, 0, limit));
    }
}

// The pan record of fixture f, or 0 when it has none in use.
int pan_record_of(int fixture) {
    const int pan = runtime::fixture_pantilt_table[static_cast<size_t>(fixture)].pan.record;
    return pan >= 1 && pan <= records_in_use() ? pan : 0;
}

void add_figure_lane(ParamBlock& block, int i) {
    ParamLane& lane = block.lanes[static_cast<size_t>(block.count++)];
    lane.i = i;
    lane.k = (i - 1) % kFigureParams + 1;
    lane.permission = has_fade_permission(runtime::figure_flags[static_cast<size_t>(i)]);
    const uint8_t zero = resolve_figure(i, runtime::layer_figures[0][i]);
    const uint8_t fraction = runtime::layer_figures_extra != nullptr ? runtime::layer_figures_extra[i] : 0;
    lane.c = zero == kByteNotSet ? 0 : zero * 256 + fraction;
    lane.owner = 0;
}

ParamBlock figure_block(int pan) {
    ParamBlock block;
    block.record = pan;
    block.unit = 256;
    block.figures = true;
    return block;
}

// The merged figure parameters go to the fixture's figure engine.
void finish_figure_block(const ParamBlock& block, int fixture) {
    for (int n = 0; n < block.count; ++n) {
        const ParamLane& lane = block.lanes[static_cast<size_t>(n)];
        if (set_owner(runtime::figure_flags[static_cast<size_t>(lane.i)], lane.owner)) redraw_owner_cell(lane.i, 2);
        const int32_t limit = lane.k <= 2 ? kSwingLimit : kParameterLimit;
        const int32_t high = std::min(lane.c / 256, limit);
        runtime::figure_states[fixture].parameters[static_cast<size_t>(lane.k - 1)] = static_cast<uint8_t>(std::max(high, 0));
    }
}

}  // namespace

int32_t blend_values(int32_t v, int32_t c, double f) { return blend(v, c, f); }


void mark_channel_dirty(int16_t record) {
    if (record < 1 || record > records_in_use() || runtime::dirty_channels == nullptr) return;
    const runtime::FunctionRecord& entry = runtime::function_record_table[record];
    int16_t target = record;
    if (entry.kind == setup::kKindFine && entry.fine_partner >= 1 && entry.fine_partner <= records_in_use()) {
        target = entry.fine_partner;
    }
    runtime::dirty_channels[target] = 1;
    mark_fixture(runtime::function_record_table[target].fixture);
}

void mark_sub_attribute_dirty(int i) {
    if (i < 1 || i > records_in_use() * kGeneratorParams || runtime::dirty_sub_channels == nullptr) return;
    runtime::dirty_sub_channels[i] = 1;
    mark_fixture(runtime::function_record_table[(i - 1) / kGeneratorParams + 1].fixture);
}

void mark_extra_dirty(int i) {
    if (i < 1 || i > fixtures_in_use() * kFigureParams || runtime::dirty_extras == nullptr) return;
    runtime::dirty_extras[i] = 1;
    mark_fixture(static_cast<int16_t>((i - 1) / kFigureParams + 1));
}

namespace {

// The marks of one record's value of playback p's layer, through its coarse
// record when it is a fine half.
void mark_layer_value(int r, int records) {
    const runtime::FunctionRecord* table = runtime::function_record_table;
    const runtime::FunctionRecord& entry = table[r];
    int target = r;
    if (entry.kind == setup::kKindFine && entry.fine_partner >= 1 && entry.fine_partner <= records) {
        target = entry.fine_partner;
    }
    runtime::dirty_channels[target] = 1;
    mark_fixture(table[target].fixture);
}

// Every set byte's member mark, in one branch-free sweep.
void mark_set_bytes(const uint8_t* bytes, uint8_t* marks, int count) {
    for (int i = 1; i <= count; ++i) marks[i] = bytes[i] != kByteNotSet ? uint8_t{1} : marks[i];
}

// True when any of the count bytes from `first` is set.
bool any_set(const uint8_t* first, int count) {
    for (int k = 0; k < count; ++k) {
        if (first[k] != kByteNotSet) return true;
    }
    return false;
}

}  // namespace

// Member marks in sweeps over the layer, fixture marks per record or fixture
// with anything set: the same marks as marking every set target one by one.
void mark_playback_channels_dirty(int16_t p) {
    if (p < 1 || p > kPlaybacks || !tables_ready()) return;
    const auto layer = static_cast<size_t>(p);
    const int records = records_in_use();
    if (const uint16_t* values = runtime::layer_values[layer]; values != nullptr) {
        for (int r = 1; r <= records; ++r) {
            if (values[r] != kNotSet) mark_layer_value(r, records);
        }
    }
    if (const uint8_t* bytes = runtime::layer_generators[layer]; bytes != nullptr) {
        mark_set_bytes(bytes, runtime::dirty_sub_channels, records * kGeneratorParams);
        for (int r = 1; r <= records; ++r) {
            if (any_set(bytes + (r - 1) * kGeneratorParams + 1, kGeneratorParams)) mark_fixture(runtime::function_record_table[r].fixture);
        }
    }
    if (const uint8_t* bytes = runtime::layer_figures[layer]; bytes != nullptr) {
        const int fixtures = fixtures_in_use();
        mark_set_bytes(bytes, runtime::dirty_extras, fixtures * kFigureParams);
        for (int f = 1; f <= fixtures; ++f) {
            if (any_set(bytes + (f - 1) * kFigureParams + 1, kFigureParams)) runtime::dirty_fixtures[f] = 1;
        }
    }
}

void mark_group_channels_dirty(int16_t g) {
    if (g < 1 || g > memories::kSubmasters || !tables_ready()) return;
    const auto& members = memories::submaster_table[static_cast<size_t>(g)];
    const int records = records_in_use();
    for (int r = 1; r <= records; ++r) {
        const runtime::FunctionRecord& entry = runtime::function_record_table[r];
        if (entry.dimmer == 0 && entry.strobe == 0) continue;
        if (entry.fixture < 1 || entry.fixture > memories::kSubmasterFixtures) continue;
        if (members[static_cast<size_t>(entry.fixture)] == 1) mark_channel_dirty(static_cast<int16_t>(r));
    }
}

void mark_dimmer_channels_dirty() {
    if (!tables_ready()) return;
    if ((runtime::mode_flags & runtime::MODE_FIXTURE_STEP) != 0) {
        mark_all_channels_dirty();
        return;
    }
    const int records = records_in_use();
    for (int r = 1; r <= records; ++r) {
        const runtime::FunctionRecord& entry = runtime::function_record_table[r];
        if (entry.dimmer != 0 || entry.strobe != 0) mark_channel_dirty(static_cast<int16_t>(r));
    }
}

void mark_all_channels_dirty() {
    if (!tables_ready()) return;
    const int records = records_in_use();
    for (int r = 1; r <= records; ++r) mark_channel_dirty(static_cast<int16_t>(r));
    for (int i = 1; i <= records * kGeneratorParams; ++i) mark_sub_attribute_dirty(i);
    for (int i = 1; i <= fixtures_in_use() * kFigureParams; ++i) mark_extra_dirty(i);
}

void merge_channel_output(int16_t record) {
    prepare_single_merge();
    const runtime::FunctionRecord& entry = runtime::function_record_table[record];
    if (entry.kind == setup::kKindCoarse) {
        const int fine = fine_partner_of(record);
        if (fine != 0) merge_pair(record, fine);
        return;
    }
    if (entry.kind == 0) merge_plain_channel(record);
}

void merge_dimmer_channel(int16_t record) {
    prepare_single_merge();
    int closed = 0;
    int open = 255;
    dimmer_range(record, closed, open);
    const bool inverted = closed >= open;
    uint16_t& flags = runtime::channel_flags[record];
    const bool permission = has_fade_permission(flags);
    int32_t hi = layer_zero_value(record);
    int32_t lo = hi;
    int owner = 0;
    int winner = 0;  // the layer whose value is output
    for (int k = 0; k < active_count; ++k) {
        ActivePlayback& a = active_playbacks[static_cast<size_t>(k)];
        const uint16_t raw = a.values[record];
        const uint8_t t = a.thresholds[record];
        if (raw == kNotSet || t * 257 > a.level) continue;
        owner = a.p;
        const int32_t base = inverted ? lo : hi;
        const uint16_t v = resolve_value(record, raw);
        if (v == kNotSet || v == base) continue;
        const uint8_t m = a.own_mode;
        int32_t fresh = v;
        const bool snap = ((m == kFadeWithPermission || m == kFadeLtpDimmers || m == kFadeLtpSnap) && !permission) ||
                          m == kSnapAll || m == kSnapFull;
        if (!snap) {
            const double f = crossfade_of(a, t);
            if (m == kFadeLtpDimmers || m == kFadeLtpSnap) {
                fresh = blend(v, base, f);
            } else {
                fresh = static_cast<int32_t>(closed + (v - closed) * f);
            }
        }
        if (m == kFadeLtpDimmers || m == kFadeLtpSnap) {
            hi = lo = fresh;
            winner = a.p;
        } else {
            if (fresh > hi) {
                hi = fresh;
                if (!inverted) winner = a.p;
            }
            if (fresh < lo) {
                lo = fresh;
                if (inverted) winner = a.p;
            }
        }
    }
    if (set_owner(flags, owner)) redraw_owner_cell(record, 0);
    runtime::output_base_values[record] = static_cast<uint16_t>(inverted ? lo : hi);
    // The fine half of a 16-bit dimmer follows the source whose value is output.
    const int fine = runtime::function_record_table[record].kind == setup::kKindCoarse ? fine_partner_of(record) : 0;
    if (fine != 0) {
        const uint16_t* layer = winner == 0 ? runtime::layer_values[0] : runtime::layer_values[static_cast<size_t>(winner)];
        const uint16_t v = resolve_value(fine, layer != nullptr ? layer[fine] : kNotSet);
        runtime::output_base_values[fine] = v == kNotSet ? 0 : v;
        set_owner(runtime::channel_flags[fine], owner);
    }
}

void merge_sub_attribute_output(int i) {
    prepare_single_merge();
    ParamBlock block = generator_block((i - 1) / kGeneratorParams + 1);
    add_generator_lane(block, i);
    merge_parameters(block);
    finish_generator_block(block);
}

void merge_fixture_extra_output(int i) {
    prepare_single_merge();
    const int fixture = (i - 1) / kFigureParams + 1;
    const int pan = pan_record_of(fixture);
    if (pan == 0) return;
    ParamBlock block = figure_block(pan);
    add_figure_lane(block, i);
    merge_parameters(block);
    finish_figure_block(block, fixture);
}

namespace {

bool is_manual(uint16_t flags) { return (flags & runtime::FLAG_MANUAL) != 0; }
bool is_frozen(uint16_t flags) { return (flags & runtime::FLAG_FROZEN) != 0; }

uint16_t manual_or_zero(int record) {
    const uint16_t v = runtime::manual_values[record];
    return v == kNotSet ? 0 : v;
}

void update_channel(int r) {
    const uint16_t flags = runtime::channel_flags[r];
    if (is_manual(flags)) {
        runtime::output_base_values[r] = manual_or_zero(r);
        if (runtime::function_record_table[r].kind == setup::kKindCoarse) {
            if (const int fine = fine_partner_of(r); fine != 0) runtime::output_base_values[fine] = manual_or_zero(fine);
        }
        return;
    }
    if (is_frozen(flags)) return;
    if (runtime::function_record_table[r].dimmer == 0) {
        merge_channel_output(static_cast<int16_t>(r));
    } else {
        merge_dimmer_channel(static_cast<int16_t>(r));
    }
}

// A marked generator parameter: the manual value goes straight to the engine,
// a frozen one keeps its value, any other joins its record's block.
void take_generator_parameter(ParamBlock& block, int i) {
    const uint16_t flags = runtime::generator_flags[i];
    if (is_manual(flags)) {
        const uint8_t v = runtime::manual_generators != nullptr ? runtime::manual_generators[i] : kByteNotSet;
        const int k = (i - 1) % kGeneratorParams;
        runtime::generator_states[(i - 1) / kGeneratorParams + 1].parameters[static_cast<size_t>(k)] =
            v == kByteNotSet ? 0 : v;
        return;
    }
    if (!is_frozen(flags)) add_generator_lane(block, i);
}

void take_figure_parameter(ParamBlock& block, int i) {
    const uint16_t flags = runtime::figure_flags[static_cast<size_t>(i)];
    if (is_manual(flags)) {
        const uint8_t v = runtime::manual_figures != nullptr ? runtime::manual_figures[i] : kByteNotSet;
        const int k = (i - 1) % kFigureParams;
        runtime::figure_states[(i - 1) / kFigureParams + 1].parameters[static_cast<size_t>(k)] =
            v == kByteNotSet ? 0 : v;
        return;
    }
    if (!is_frozen(flags)) add_figure_lane(block, i);
}

void update_record_generators(int r) {
    ParamBlock block = generator_block(r);
    for (int k = 1; k <= kGeneratorParams; ++k) {
        const int i = (r - 1) * kGeneratorParams + k;
        if (runtime::dirty_sub_channels[i] == 0) continue;
        runtime::dirty_sub_channels[i] = 0;
        take_generator_parameter(block, i);
    }
    if (block.count == 0) return;
    merge_parameters(block);
    finish_generator_block(block);
}

void update_fixture_figures(int f) {
    const int pan = pan_record_of(f);
    ParamBlock block = figure_block(pan);
    for (int k = 1; k <= kFigureParams; ++k) {
        const int i = (f - 1) * kFigureParams + k;
        if (runtime::dirty_extras[i] == 0) continue;
        runtime::dirty_extras[i] = 0;
        take_figure_parameter(block, i);
    }
    if (block.count == 0 || pan == 0) return;
    merge_parameters(block);
    finish_figure_block(block, f);
}

void update_fixture(int f) {
    const int first = fixture_records.first[static_cast<size_t>(f)];
    const int count = fixture_records.count[static_cast<size_t>(f)];
    for (int r = first; count > 0 && r < first + count; ++r) {
        const runtime::FunctionRecord& entry = runtime::function_record_table[r];
        if (entry.kind == setup::kKindFine || runtime::dirty_channels[r] == 0) continue;
        runtime::dirty_channels[r] = 0;
        update_channel(r);
    }
    for (int r = first; count > 0 && r < first + count; ++r) {
        const runtime::FunctionRecord& entry = runtime::function_record_table[r];
        const bool skip = entry.kind == setup::kKindFine ||
                          (entry.pantilt_role >= 1 && entry.pantilt_role <= kLastPanTiltRole);
        if (skip) continue;  // their marks wait: the figure engine drives these records
        update_record_generators(r);
    }
    if (runtime::fixture_pantilt_table[static_cast<size_t>(f)].kind == 0 || runtime::layer_figures[0] == nullptr) return;
    update_fixture_figures(f);
}

}  // namespace

void update_dirty_outputs() {
    if (!tables_ready()) return;
    const int records = records_in_use();
    const int fixtures = fixtures_in_use();
    bool any = false;
    for (int f = 1; f <= fixtures && !any; ++f) any = runtime::dirty_fixtures[f] == 1;
    if (any) {
        fixture_records.gather(records);
        gather_active_playbacks();
        in_pass = true;
        for (int f = 1; f <= fixtures; ++f) {
            if (runtime::dirty_fixtures[f] != 1) continue;
            runtime::dirty_fixtures[f] = 0;
            update_fixture(f);
        }
        in_pass = false;
    }
    programmer::run_figures_tick();
    programmer::run_generators_tick();
}

namespace {

// A running point-cue fade of the target restarts holding value v endlessly.
void restart_cue_fade(runtime::CueFadeRecord* records, int index) {
    if (records == nullptr) return;
    runtime::CueFadeRecord& fade = records[index];
    if (fade.state == 0) return;
    const uint16_t running_cue = fade.running_cue;
    fade = runtime::CueFadeRecord{};
    fade.state = 1;
    fade.phase_base = runtime::clock_ms;
    fade.running_cue = running_cue;
    fade.hold = runtime::kEndlessTime_ms;
}

constexpr int kPointCueSource = runtime::kStepSources;

}  // namespace

void release_programmer_value(int16_t record) {
    if (record < 1 || record > records_in_use() || !tables_ready()) return;
    uint16_t& flags = runtime::channel_flags[record];
    if (!is_manual(flags)) return;
    flags = static_cast<uint16_t>(flags & ~runtime::FLAG_MANUAL);
    const uint16_t manual = runtime::manual_values[record];
    if (runtime::cue_fade_records.channels != nullptr && runtime::cue_fade_records.channels[record].state != 0) {
        restart_cue_fade(runtime::cue_fade_records.channels, record);
        uint16_t* step = runtime::sequence_step_buffers[kPointCueSource].current_values;
        if (step != nullptr) step[record] = manual;
    }
    if (owner_of(flags) == 0) runtime::layer_values[0][record] = manual;
    runtime::manual_values[record] = kNotSet;
    mark_channel_dirty(record);
}

void release_programmer_sub_attribute_value(int i) {
    if (i < 1 || i > records_in_use() * kGeneratorParams || !tables_ready() || runtime::manual_generators == nullptr)
        return;
    uint16_t& flags = runtime::generator_flags[i];
    if (!is_manual(flags)) return;
    flags = static_cast<uint16_t>(flags & ~runtime::FLAG_MANUAL);
    const uint8_t manual = runtime::manual_generators[i];
    if (runtime::cue_fade_records.sub_channels != nullptr && runtime::cue_fade_records.sub_channels[i].state != 0) {
        restart_cue_fade(runtime::cue_fade_records.sub_channels, i);
        uint8_t* step = runtime::sequence_step_buffers[kPointCueSource].current_generators;
        if (step != nullptr) step[i] = manual;
    }
    if (owner_of(flags) == 0) runtime::layer_generators[0][i] = manual;
    runtime::manual_generators[i] = kByteNotSet;
    mark_sub_attribute_dirty(i);
}

void release_programmer_extra_value(int i) {
    if (i < 1 || i > fixtures_in_use() * kFigureParams || !tables_ready() || runtime::manual_figures == nullptr ||
        runtime::layer_figures[0] == nullptr)
        return;
    uint16_t& flags = runtime::figure_flags[static_cast<size_t>(i)];
    if (!is_manual(flags)) return;
    flags = static_cast<uint16_t>(flags & ~runtime::FLAG_MANUAL);
    const uint8_t manual = runtime::manual_figures[i];
    if (runtime::cue_fade_records.extras != nullptr && runtime::cue_fade_records.extras[i].state != 0) {
        restart_cue_fade(runtime::cue_fade_records.extras, i);
        uint8_t* step = runtime::sequence_step_buffers[kPointCueSource].current_figures;
        if (step != nullptr) step[i] = manual;
    }
    if (owner_of(flags) == 0) runtime::layer_figures[0][i] = manual;
    runtime::manual_figures[i] = kByteNotSet;
    mark_extra_dirty(i);
}

void release_all_programmer_values() {
    if (!tables_ready()) return;
    const int records = records_in_use();
    for (int r = 1; r <= records; ++r) release_programmer_value(static_cast<int16_t>(r));
    for (int i = 1; i <= records * kGeneratorParams; ++i) release_programmer_sub_attribute_value(i);
    for (int i = 1; i <= fixtures_in_use() * kFigureParams; ++i) release_programmer_extra_value(i);
}

void build_playback_fade_modes(int16_t p) {
    if (p < 1 || p > kPlaybacks || !tables_ready()) return;
    auto& table = playback_fade_modes[static_cast<size_t>(p)];
    const uint8_t mode = stored_fade_mode(p);
    const int records = records_in_use();
    if (mode != kFadeLtpSnap) {
        table.fill(mode);
        return;
    }
    // Every fixture starts dark, so that one without a dimmer never reads an
    // earlier build's answer.
    fixture_dimmer_open.fill(0);
    for (int r = 1; r <= records; ++r) {
        const runtime::FunctionRecord& entry = runtime::function_record_table[r];
        if (entry.dimmer == 0) continue;
        const bool lit = runtime::output_base_values[r] >= 1;
        table[static_cast<size_t>(r)] = lit ? kFadeLtpDimmers : kFadeLtpSnap;
        if (entry.fixture >= 1 && entry.fixture <= static_cast<int>(runtime::kShowFixtures)) {
            fixture_dimmer_open[static_cast<size_t>(entry.fixture)] = lit ? 1 : 0;
        }
    }
    for (int r = 1; r <= records; ++r) {
        const runtime::FunctionRecord& entry = runtime::function_record_table[r];
        if (entry.dimmer != 0) continue;
        const bool open = entry.fixture >= 1 && entry.fixture <= static_cast<int>(runtime::kShowFixtures) &&
                          fixture_dimmer_open[static_cast<size_t>(entry.fixture)] == 1;
        table[static_cast<size_t>(r)] = open ? kFadeWithPermission : kFadeLtpSnap;
    }
}

void dimmer_range(int record, int& closed, int& open) {
    closed = 0;
    open = 255;
    const setup::FixtureTypeDef* type = setup::type_def_of_index(runtime::function_record_table[record].type);
    if (type == nullptr) return;
    closed = type->u8(setup::kTypeDimmerClosed);
    open = type->u8(setup::kTypeDimmerClosed + 1);
}

}  // namespace playback
