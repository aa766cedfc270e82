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

void reset_output_merge_globals() {
    for (auto& table : playback_fade_modes) table.fill(0);
    fixture_dimmer_open.fill(0);
}

namespace {

constexpr uint16_t kNotSet = runtime::kValueNotSet;
constexpr uint8_t kByteNotSet = runtime::kByteNotSet;
constexpr uint16_t kOwnerShift = 9;
constexpr int kFirstValueReference = 1001;
constexpr int kFirstEffectReference = 181;
constexpr int kLastEffectReference = 250;
constexpr int kGeneratorParams = static_cast<int>(runtime::kGeneratorBytesPerRecord);
constexpr int kFigureParams = static_cast<int>(runtime::kFigureBytesPerFixture);
constexpr int kLastPanTiltRole = 4;  // pan, pan fine, tilt, tilt fine: the figure engine's records

// The records of each fixture for this poll: first record and channel count,
// taken from the function records (a fixture's records are consecutive).
std::array<int16_t, runtime::kShowFixtures + 1> first_record{};
std::array<int16_t, runtime::kShowFixtures + 1> record_count_of{};

// The running playbacks from 42 down to 1, gathered once per merge pass.
std::array<uint8_t, kPlaybacks> active_order{};
int active_count = 0;
bool in_pass = false;

void gather_active_playbacks() {
    active_count = 0;
    for (int p = kPlaybacks; p >= 1; --p) {
        if (playback_active[static_cast<size_t>(p)] != 0) active_order[static_cast<size_t>(active_count++)] = static_cast<uint8_t>(p);
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

uint8_t threshold_byte(int p, int record) {
    const uint8_t* table = runtime::playback_thresholds[static_cast<size_t>(p)];
    return table != nullptr ? table[record] : 0;
}

int32_t scaled_threshold(int p, int record) { return threshold_byte(p, record) * 257; }

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

bool active(int p) { return playback_active[static_cast<size_t>(p)] != 0; }
int32_t level_of(int p) { return std::clamp<int32_t>(playback_levels[static_cast<size_t>(p)], 0, kFullLevel); }

bool qualifies(int p, int record) { return active(p) && scaled_threshold(p, record) <= level_of(p); }

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

// An effect preset reference resolves to the preset's byte for the target.
uint8_t resolve_byte(const std::array<uint8_t*, memories::kEffectPresets + 1>& presets, size_t offset,
                     size_t part_bytes, uint8_t b) {
    if (b < kFirstEffectReference || b > kLastEffectReference) return b;
    const uint8_t* part = presets[static_cast<size_t>(b - (kFirstEffectReference - 1))];
    if (part == nullptr || offset >= part_bytes) return kByteNotSet;
    return part[offset];
}

uint8_t resolve_generator(int i, uint8_t b) {
    return resolve_byte(memories::effect_preset_generators, static_cast<size_t>(i - 1), memories::kGeneratorPartBytes, b);
}

uint8_t resolve_figure(int i, uint8_t b) {
    return resolve_byte(memories::effect_preset_figures, static_cast<size_t>(i - 1), memories::kFigurePartBytes, b);
}

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
    return snap ? v : blend_values(v, c, f);
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

uint16_t layer_value(int p, int record) {
    const uint16_t* layer = runtime::layer_values[static_cast<size_t>(p)];
    return layer != nullptr ? layer[record] : kNotSet;
}

void merge_pair(int record, int fine) {
    const FineRange range = fine_range(fine);
    uint16_t& flags = runtime::channel_flags[record];
    const bool permission = has_fade_permission(flags);
    int32_t c = layer_zero_value(record) * 256 + range.to_byte(layer_zero_value(fine));
    int owner = 0;
    for (int k = 0; k < active_count; ++k) {
        const int p = active_order[static_cast<size_t>(k)];
        const uint16_t coarse_raw = layer_value(p, record);
        if (coarse_raw == kNotSet || !active(p)) continue;
        const uint8_t m = playback_fade_modes[static_cast<size_t>(p)][static_cast<size_t>(record)];
        const int32_t t = scaled_threshold(p, record);
        const int32_t level = level_of(p);
        double f = 0.0;
        if (m == kFadeLtpSnap) {
            f = permission ? snap_entry_fraction(level, t) : 1.0;
        } else {
            if (t > level) continue;
            f = crossfade_fraction(level, t);
        }
        owner = p;
        const uint16_t coarse = resolve_value(record, coarse_raw);
        if (coarse == kNotSet) continue;
        const uint16_t fine_value = resolve_value(fine, layer_value(p, fine));
        const int32_t n = coarse * 256 + range.to_byte(fine_value == kNotSet ? range.min : fine_value);
        if (m == kFadeLtpSnap) {
            c = n == c ? c : (permission ? blend_values(n, c, f) : n);
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

// The type's closed and open values of a dimmer record.
void dimmer_range(int record, int& closed, int& open) {
    closed = 0;
    open = 255;
    const setup::FixtureTypeDef* type = setup::type_def_of_index(runtime::function_record_table[record].type);
    if (type == nullptr) return;
    closed = type->u8(setup::kTypeDimmerClosed);
    open = type->u8(setup::kTypeDimmerClosed + 1);
}

// Generic 8-bit merge of one generator or figure parameter, on values scaled
// by `unit` (256 for figure parameters, whose layer-0 value carries a fraction).
struct ParamMerge {
    int record;           // the record whose fade modes and thresholds apply
    bool permission;
    bool dimmer_entry5;   // entry 5 of a dimmer record's parameter: the plain fraction from the threshold
    int32_t unit;
};

template <typename LayerByte>
int32_t merge_parameter(const ParamMerge& target, int32_t c, uint16_t& flags, LayerByte layer_byte) {
    int owner = 0;
    for (int k = 0; k < active_count; ++k) {
        const int p = active_order[static_cast<size_t>(k)];
        const uint8_t raw = layer_byte(p, false);
        if (raw == kByteNotSet || !active(p)) continue;
        const uint8_t m = playback_fade_modes[static_cast<size_t>(p)][static_cast<size_t>(target.record)];
        const int32_t t = scaled_threshold(p, target.record);
        const int32_t level = level_of(p);
        double f = 0.0;
        if (m == kFadeLtpSnap) {
            if (!target.permission) {
                f = 1.0;
            } else if (target.dimmer_entry5) {
                const int32_t tc = clamped_threshold(t);
                f = level > tc ? (level - tc) / (65535.0 - tc) : 0.0;
            } else {
                f = snap_entry_fraction(level, t);
            }
        } else {
            if (t > level) continue;
            f = crossfade_fraction(level, t);
        }
        owner = p;
        const uint8_t v = layer_byte(p, true);
        if (v == kByteNotSet) continue;
        const int32_t n = v * target.unit;
        if (m == kFadeLtpSnap) {
            c = n == c ? c : (target.permission ? blend_values(n, c, f) : n);
        } else {
            c = apply_playback(n, c, m, target.permission, f);
        }
    }
    set_owner(flags, owner);  // the caller redraws the cell when the word changed
    return c;
}

}  // namespace

int32_t blend_values(int32_t v, int32_t c, double f) {
    const double x = v * f + c * (1.0 - f);
    const double whole = std::floor(x);
    return static_cast<int32_t>(whole) + (x - whole >= 0.5 ? 1 : 0);
}

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

void mark_playback_channels_dirty(int16_t p) {
    if (p < 1 || p > kPlaybacks || !tables_ready()) return;
    const auto layer = static_cast<size_t>(p);
    const int records = records_in_use();
    if (const uint16_t* values = runtime::layer_values[layer]; values != nullptr) {
        for (int r = 1; r <= records; ++r) {
            if (values[r] != kNotSet) mark_channel_dirty(static_cast<int16_t>(r));
        }
    }
    if (const uint8_t* bytes = runtime::layer_generators[layer]; bytes != nullptr) {
        for (int i = 1; i <= records * kGeneratorParams; ++i) {
            if (bytes[i] != kByteNotSet) mark_sub_attribute_dirty(i);
        }
    }
    if (const uint8_t* bytes = runtime::layer_figures[layer]; bytes != nullptr) {
        for (int i = 1; i <= fixtures_in_use() * kFigureParams; ++i) {
            if (bytes[i] != kByteNotSet) mark_extra_dirty(i);
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
    if (entry.kind != 0) return;
    uint16_t& flags = runtime::channel_flags[record];
    const bool permission = has_fade_permission(flags);
    int32_t c = layer_zero_value(record);
    int owner = 0;
    for (int k = 0; k < active_count; ++k) {
        const int p = active_order[static_cast<size_t>(k)];
        const uint16_t raw = layer_value(p, record);
        if (raw == kNotSet || !active(p)) continue;
        const uint8_t m = playback_fade_modes[static_cast<size_t>(p)][static_cast<size_t>(record)];
        const int32_t t = scaled_threshold(p, record);
        const int32_t level = level_of(p);
        if (m == kFadeLtpSnap) {
            owner = p;
            const uint16_t v = resolve_value(record, raw);
            if (v == kNotSet || v == c) continue;
            c = permission ? blend_values(v, c, snap_entry_fraction(level, t)) : v;
            continue;
        }
        if (t > level) continue;
        owner = p;
        const uint16_t v = resolve_value(record, raw);
        if (v == kNotSet) continue;
        c = apply_playback(v, c, m, permission, crossfade_fraction(level, t));
    }
    if (set_owner(flags, owner)) redraw_owner_cell(record, 0);
    runtime::output_base_values[record] = static_cast<uint16_t>(c);
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
        const int p = active_order[static_cast<size_t>(k)];
        const uint16_t raw = layer_value(p, record);
        if (raw == kNotSet || !qualifies(p, record)) continue;
        owner = p;
        const int32_t base = inverted ? lo : hi;
        const uint16_t v = resolve_value(record, raw);
        if (v == kNotSet || v == base) continue;
        const uint8_t m = stored_fade_mode(p);
        int32_t fresh = v;
        const bool snap = ((m == kFadeWithPermission || m == kFadeLtpDimmers || m == kFadeLtpSnap) && !permission) ||
                          m == kSnapAll || m == kSnapFull;
        if (!snap) {
            const double f = crossfade_fraction(level_of(p), scaled_threshold(p, record));
            if (m == kFadeLtpDimmers || m == kFadeLtpSnap) {
                fresh = blend_values(v, base, f);
            } else {
                fresh = static_cast<int32_t>(closed + (v - closed) * f);
            }
        }
        if (m == kFadeLtpDimmers || m == kFadeLtpSnap) {
            hi = lo = fresh;
            winner = p;
        } else {
            if (fresh > hi) {
                hi = fresh;
                if (!inverted) winner = p;
            }
            if (fresh < lo) {
                lo = fresh;
                if (inverted) winner = p;
            }
        }
    }
    if (set_owner(flags, owner)) redraw_owner_cell(record, 0);
    runtime::output_base_values[record] = static_cast<uint16_t>(inverted ? lo : hi);
    // The fine half of a 16-bit dimmer follows the source whose value is output.
    const int fine = runtime::function_record_table[record].kind == setup::kKindCoarse ? fine_partner_of(record) : 0;
    if (fine != 0) {
        const uint16_t v = resolve_value(fine, winner == 0 ? runtime::layer_values[0][fine] : layer_value(winner, fine));
        runtime::output_base_values[fine] = v == kNotSet ? 0 : v;
        set_owner(runtime::channel_flags[fine], owner);
    }
}

void merge_sub_attribute_output(int i) {
    prepare_single_merge();
    const int record = (i - 1) / kGeneratorParams + 1;
    const int k = (i - 1) % kGeneratorParams + 1;
    uint16_t& flags = runtime::generator_flags[i];
    const ParamMerge target{record, has_fade_permission(flags), runtime::function_record_table[record].dimmer != 0, 1};
    const uint8_t zero = resolve_generator(i, runtime::layer_generators[0][i]);
    const int32_t c0 = zero == kByteNotSet ? 0 : zero;
    const uint16_t before = flags;
    const int32_t c = merge_parameter(target, c0, flags, [i](int p, bool resolved) -> uint8_t {
        const uint8_t* layer = runtime::layer_generators[static_cast<size_t>(p)];
        const uint8_t b = layer != nullptr ? layer[i] : kByteNotSet;
        return resolved ? resolve_generator(i, b) : b;
    });
    if (before != flags) redraw_owner_cell(i, 1);
    const int32_t limit = k == 1 ? kSwingLimit : kParameterLimit;
    runtime::generator_states[record].parameters[static_cast<size_t>(k - 1)] =
        static_cast<uint8_t>(std::clamp<int32_t>(c, 0, limit));
}

void merge_fixture_extra_output(int i) {
    prepare_single_merge();
    const int fixture = (i - 1) / kFigureParams + 1;
    const int k = (i - 1) % kFigureParams + 1;
    const int pan = runtime::fixture_pantilt_table[static_cast<size_t>(fixture)].pan.record;
    if (pan < 1 || pan > records_in_use()) return;
    uint16_t& flags = runtime::figure_flags[static_cast<size_t>(i)];
    const ParamMerge target{pan, has_fade_permission(flags), false, 256};
    const uint8_t zero = resolve_figure(i, runtime::layer_figures[0][i]);
    const uint8_t fraction = runtime::layer_figures_extra != nullptr ? runtime::layer_figures_extra[i] : 0;
    const int32_t c0 = zero == kByteNotSet ? 0 : zero * 256 + fraction;
    const uint16_t before = flags;
    const int32_t c = merge_parameter(target, c0, flags, [i](int p, bool resolved) -> uint8_t {
        const uint8_t* layer = runtime::layer_figures[static_cast<size_t>(p)];
        const uint8_t b = layer != nullptr ? layer[i] : kByteNotSet;
        return resolved ? resolve_figure(i, b) : b;
    });
    if (before != flags) redraw_owner_cell(i, 2);
    const int32_t limit = k <= 2 ? kSwingLimit : kParameterLimit;
    const int32_t high = std::min(c / 256, limit);
    runtime::figure_states[fixture].parameters[static_cast<size_t>(k - 1)] = static_cast<uint8_t>(std::max(high, 0));
}

namespace {

// The records of every fixture, from the function records.
void gather_fixture_records(int records) {
    first_record.fill(0);
    record_count_of.fill(0);
    for (int r = 1; r <= records; ++r) {
        const int16_t f = runtime::function_record_table[r].fixture;
        if (f < 1 || f > static_cast<int>(runtime::kShowFixtures)) continue;
        const auto fx = static_cast<size_t>(f);
        if (first_record[fx] == 0) first_record[fx] = static_cast<int16_t>(r);
        record_count_of[fx] = static_cast<int16_t>(r - first_record[fx] + 1);
    }
}

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

void update_generator_parameter(int i) {
    const uint16_t flags = runtime::generator_flags[i];
    if (is_manual(flags)) {
        const uint8_t v = runtime::manual_generators != nullptr ? runtime::manual_generators[i] : kByteNotSet;
        const int k = (i - 1) % kGeneratorParams;
        runtime::generator_states[(i - 1) / kGeneratorParams + 1].parameters[static_cast<size_t>(k)] =
            v == kByteNotSet ? 0 : v;
        return;
    }
    if (!is_frozen(flags)) merge_sub_attribute_output(i);
}

void update_figure_parameter(int i) {
    const uint16_t flags = runtime::figure_flags[static_cast<size_t>(i)];
    if (is_manual(flags)) {
        const uint8_t v = runtime::manual_figures != nullptr ? runtime::manual_figures[i] : kByteNotSet;
        const int k = (i - 1) % kFigureParams;
        runtime::figure_states[(i - 1) / kFigureParams + 1].parameters[static_cast<size_t>(k)] =
            v == kByteNotSet ? 0 : v;
        return;
    }
    if (!is_frozen(flags)) merge_fixture_extra_output(i);
}

void update_fixture(int f) {
    const int first = first_record[static_cast<size_t>(f)];
    const int count = record_count_of[static_cast<size_t>(f)];
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
        for (int k = 1; k <= kGeneratorParams; ++k) {
            const int i = (r - 1) * kGeneratorParams + k;
            if (runtime::dirty_sub_channels[i] == 0) continue;
            runtime::dirty_sub_channels[i] = 0;
            update_generator_parameter(i);
        }
    }
    if (runtime::fixture_pantilt_table[static_cast<size_t>(f)].kind == 0 || runtime::layer_figures[0] == nullptr) return;
    for (int k = 1; k <= kFigureParams; ++k) {
        const int i = (f - 1) * kFigureParams + k;
        if (runtime::dirty_extras[i] == 0) continue;
        runtime::dirty_extras[i] = 0;
        update_figure_parameter(i);
    }
}

}  // namespace

void update_dirty_outputs() {
    if (!tables_ready()) return;
    const int records = records_in_use();
    const int fixtures = fixtures_in_use();
    bool any = false;
    for (int f = 1; f <= fixtures && !any; ++f) any = runtime::dirty_fixtures[f] == 1;
    if (any) {
        gather_fixture_records(records);
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

}  // namespace playback
