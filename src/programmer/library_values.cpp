#include "programmer/library_values.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "datafiles/default_values.h"
#include "datafiles/library_files.h"
#include "programmer/channel_generators.h"
#include "programmer/commands.h"
#include "programmer/fader_panel.h"
#include "programmer/fixture_functions.h"
#include "programmer/fixture_groups.h"
#include "programmer/groupings.h"
#include "programmer/pantilt_figures.h"
#include "programmer/programmer_values.h"
#include "runtime/console_state.h"
#include "runtime/main_loop.h"
#include "runtime/show_tables.h"
#include "setup/fixture_type.h"
#include "setup/setup_data.h"
#include "ui/helpers.h"

namespace programmer {

std::array<int16_t, runtime::kTypes + 1> last_color{};

namespace {

constexpr int kMatchKeyChars = 8;
constexpr int kHalfTurn_degrees = 180;
constexpr int kLastGrouping = 20;
constexpr uint8_t kNoMatch = 0;

// One apply_predefined_value call: per type 1..40 the channel (0 none) and
// the value of the matching entry found for it.
struct PredefinedMatchCache {
    std::array<uint8_t, runtime::kTypes + 1> function{};
    std::array<uint8_t, runtime::kTypes + 1> value{};
};
PredefinedMatchCache predefined_match_cache;

// The offsets of one spread, by position: the first byte (DELAY or ROTATE,
// or SHIFT for the figure STEP) and, for the generator STEP, the SHIFT.
struct SpreadTable {
    int n = 1;
    std::array<uint8_t, kSpreadGroupMax> first{};
    std::array<uint8_t, kSpreadGroupMax> second{};
};

bool live_edit() {
    return (runtime::run_flags & runtime::RUN_LIVE_EDIT) != 0 && (runtime::run_flags & runtime::RUN_BLIND) == 0;
}

bool tables_ready() {
    return runtime::function_record_table != nullptr && runtime::programmer_values != nullptr &&
           runtime::programmer_generators != nullptr && runtime::programmer_figures != nullptr &&
           runtime::output_base_values != nullptr;
}

int fixtures_patched() { return std::clamp<int>(setup::fixture_count, 0, kFixtures); }

int records_in_use() {
    return std::clamp<int>(runtime::function_record_count, 0, static_cast<int>(runtime::kShowRecords));
}

// The 0-based type of fixture f, -1 when it has no record.
int fixture_type(int f) {
    const int first = runtime::fixture_channel_record(f, 1);
    if (first == 0) return -1;
    const int type = runtime::function_record_table[first].type;
    return type < runtime::kTypes ? type : -1;
}

// The library function (1..32) on channel c of type t (1-based).
int library_function_of(int t, int c) {
    if (t < 1 || t > runtime::kTypes || c < 1 || c > runtime::kTypeChannels) return 0;
    return runtime::type_channel_function[static_cast<size_t>(t)][static_cast<size_t>(c - 1)] + 1;
}

// The channel (1-based) that carries library function k of type t, 0 none.
int channel_of_function(int t, int k) {
    if (t < 1 || t > runtime::kTypes || k < 1 || k > runtime::kTypeChannels) return 0;
    const uint8_t offset = setup::setup_data.u8(setup::SetupData::type_function_map_field(t, k - 1));
    return offset < runtime::kTypeChannels ? offset + 1 : 0;
}

int type_channels(int t) {
    const setup::FixtureTypeDef* type = setup::type_def_of_index(t - 1);
    return type == nullptr ? 0 : std::min<int>(type->channel_count(), runtime::kTypeChannels);
}

// The channel of the current type that bank 0 has selected, 0 none.
int selected_channel() {
    const int channel = runtime::function_page * kFadersPerFunctionPage + runtime::selected_fader_bank0 -
                        kFadersPerFunctionPage;
    return channel >= 1 && channel <= runtime::kTypeChannels ? channel : 0;
}

int16_t valid_record(int record) { return record >= 1 && record <= records_in_use() ? static_cast<int16_t>(record) : 0; }

void write_generator(int record, int param, uint8_t value) {
    const auto byte = static_cast<int16_t>((record - 1) * kGeneratorParams + param);
    runtime::programmer_generators[byte] = value;
    if (live_edit()) runtime::generator_flags[byte] |= runtime::FLAG_MANUAL;
    set_generator_param(byte, value);
}

void write_figure(int fixture, int param, uint8_t value) {
    const auto byte = static_cast<int16_t>((fixture - 1) * kFigureParams + param);
    runtime::programmer_figures[byte] = value;
    if (live_edit()) runtime::figure_flags[static_cast<size_t>(byte)] |= runtime::FLAG_MANUAL;
    set_figure_param(byte, value);
}

void finish() {
    if ((runtime::option_flags & runtime::OPT_FADERS_FOLLOW_OUTPUT) == 0) refresh_faders();
}

// ---------------------------------------------------------------- spreads

bool valid_item(int k) { return k >= 1 && k <= kSpreadItems; }
int group_size(int k) { return (k - 1) % kSpreadGroupMax + 1; }

// Puts the in-order offsets into random slots (RANDOM items): offset c into
// a slot drawn until a free one comes up; the pairs stay together.
void shuffle(SpreadTable& table) {
    SpreadTable shuffled = table;
    std::array<bool, kSpreadGroupMax> taken{};
    for (int c = 0; c < table.n; ++c) {
        int slot = 0;
        do {
            slot = ui::get_random_below(static_cast<int16_t>(table.n));
        } while (taken[static_cast<size_t>(slot)]);
        taken[static_cast<size_t>(slot)] = true;
        shuffled.first[static_cast<size_t>(slot)] = table.first[static_cast<size_t>(c)];
        shuffled.second[static_cast<size_t>(slot)] = table.second[static_cast<size_t>(c)];
    }
    table = shuffled;
}

// Offsets (i - 1) * (170 / n), or (i - 1) for the figure STEP.
SpreadTable even_spread(int k, bool unit_steps) {
    SpreadTable table;
    table.n = group_size(k);
    const int step = unit_steps ? 1 : kSpreadRange / table.n;
    for (int i = 0; i < table.n; ++i) table.first[static_cast<size_t>(i)] = static_cast<uint8_t>(i * step);
    if (k > kSpreadGroupMax) shuffle(table);
    return table;
}

// The generator STEP: steps of a quarter of m turns, split into DELAY (the
// part of a turn) and SHIFT (whole turns); m is 4 for the mode classes 9 to
// 12 and 2 for the others.
SpreadTable step_spread(int k, int m) {
    SpreadTable table;
    table.n = group_size(k);
    const int step = m * kSpreadRange / 4;
    for (int i = 0; i < table.n; ++i) {
        const int a = i * step;
        table.first[static_cast<size_t>(i)] = static_cast<uint8_t>(a % kSpreadRange);
        table.second[static_cast<size_t>(i)] = static_cast<uint8_t>(a / kSpreadRange);
    }
    if (k > kSpreadGroupMax) shuffle(table);
    return table;
}

bool grouping_chosen() { return runtime::current_grouping >= 1 && runtime::current_grouping <= kLastGrouping; }

// The position of the next function or fixture: its subgroup in the current
// grouping (-1: not in it, skipped), else the running count.
int next_position(int fixture, int& running) {
    if (grouping_chosen()) return find_grouping_subgroup(static_cast<int16_t>(fixture), runtime::current_grouping);
    return running++;
}

// The channels of fixture f (type t, 1-based) that a generator spread
// writes: the one with the selected function's named function, and every
// dimmer channel when the selected function is a dimmer; in channel order.
std::vector<int> spread_channels(int t0, int channel0, bool dimmer, int t) {
    std::vector<int> channels;
    const int mapped = runtime::type_function_map[static_cast<size_t>(t0)][static_cast<size_t>(channel0)]
                                                 [static_cast<size_t>(t)];
    if (mapped != 0) channels.push_back(mapped);
    const setup::FixtureTypeDef* type = setup::type_def_of_index(t - 1);
    if (dimmer && type != nullptr) {
        for (int c = 1; c <= type_channels(t); ++c) {
            if (type->is_dimmer(library_function_of(t, c)) && c != mapped) channels.push_back(c);
        }
    }
    std::sort(channels.begin(), channels.end());
    return channels;
}

// DELAY and SHIFT from the table (SHIFT 0 when `with_shift` is false) and
// WAIT on the generators of the selected function of every selected fixture.
void spread_generators(const SpreadTable& table, bool with_shift, uint8_t wait) {
    const int t0 = runtime::current_fixture_type + 1;
    const int channel0 = selected_channel();
    const setup::FixtureTypeDef* type0 = setup::type_def_of_index(t0 - 1);
    if (!tables_ready() || type0 == nullptr || channel0 == 0) return;
    const bool dimmer = type0->is_dimmer(library_function_of(t0, channel0));
    int running = 0;
    for (int f = 1; f <= fixtures_patched(); ++f) {
        if (fixture_selected[static_cast<size_t>(f)] == 0) continue;
        const int t = fixture_type(f) + 1;
        if (t < 1) continue;
        for (int channel : spread_channels(t0, channel0, dimmer, t)) {
            const int position = next_position(f, running);
            if (position < 0) continue;
            const uint8_t remapped = runtime::function_remap_table[static_cast<size_t>(f)][static_cast<size_t>(channel - 1)];
            if (remapped != 0 && remapped <= runtime::kTypeChannels) channel = remapped;
            const int16_t record = valid_record(get_function_record_index(static_cast<int16_t>(f), static_cast<int16_t>(channel)));
            if (record == 0) continue;
            const auto slot = static_cast<size_t>(position % table.n);
            write_generator(record, kDelay, table.first[slot]);
            write_generator(record, kShift, with_shift ? table.second[slot] : uint8_t{0});
            write_generator(record, kWait, wait);
        }
    }
}

enum class FigureSpread { rotate, wave, step };

void spread_figures(const SpreadTable& table, FigureSpread kind) {
    if (!tables_ready()) return;
    int running = 0;
    for (int f = 1; f <= fixtures_patched(); ++f) {
        if (fixture_selected[static_cast<size_t>(f)] != 1) continue;
        if (runtime::fixture_pantilt_table[static_cast<size_t>(f)].kind == 0) continue;
        const int position = next_position(f, running);
        if (position < 0) continue;
        const uint8_t offset = table.first[static_cast<size_t>(position % table.n)];
        switch (kind) {
            case FigureSpread::rotate: write_figure(f, kRotate, offset); break;
            case FigureSpread::wave:
                write_figure(f, kFigureDelay, offset);
                write_figure(f, kFigureShift, 0);
                write_figure(f, kFigureWait, 0);
                break;
            case FigureSpread::step:
                write_figure(f, kFigureShift, offset);
                write_figure(f, kFigureWait, static_cast<uint8_t>(std::max(4 * table.n - 4, 0)));
                break;
        }
    }
}

// ---------------------------------------------------------------- predefined

// The first entry of type t (1-based) whose match key is `key`: the
// function of the selected function's named function first, then every
// channel in order; in a channel, entries in order up to and including the
// first one after the first whose value is 0: a real value 0 ("CLOSED", say)
// ends the list and still matches. The first entry is the function's own
// name, not a value to set.
bool find_matching_entry(int t, int mapped, const std::string& key, int& channel, int& value) {
    const setup::FixtureTypeDef* type = setup::type_def_of_index(t - 1);
    if (type == nullptr) return false;
    auto search = [&](int c) {
        const int k = library_function_of(t, c);
        for (int e = 1; e < setup::kPredefinedEntries; ++e) {
            const uint8_t entry_value = type->entry_value(k, e);
            if (predefined_match_key(type->entry_text(k, e)) == key) {
                channel = c;
                value = entry_value;
                return true;
            }
            if (entry_value == 0) return false;
        }
        return false;
    };
    if (mapped != 0 && search(mapped)) return true;
    for (int c = 1; c <= type_channels(t); ++c) {
        if (search(c)) return true;
    }
    return false;
}

void set_predefined(int fixture, int channel, int value) {
    const int16_t record = valid_record(get_function_record_index(static_cast<int16_t>(fixture), static_cast<int16_t>(channel)));
    if (record == 0) return;
    if ((runtime::run_flags & runtime::RUN_DEFAULT_MODE) != 0) {
        if (datafiles::default_values != nullptr) datafiles::default_values[record] = static_cast<uint16_t>(value);
        return;
    }
    edit_function_value(record, static_cast<uint16_t>(value));
}

// The channel that carries named slot `slot` on type t (1-based), 0 none.
int slot_channel(int t, setup::NamedFunction slot) {
    const setup::FixtureTypeDef* type = setup::type_def_of_index(t - 1);
    if (type == nullptr) return 0;
    const int channel = channel_of_function(t, type->named(slot));
    return channel <= type_channels(t) ? channel : 0;
}

// Mirrors one pan or tilt record: tilt M - T, pan half a turn on.
void flip_record(int record, bool pan, int degrees) {
    if (valid_record(record) == 0 || degrees <= 0) return;
    const int max = runtime::function_record_table[record].range_max;
    if (max == 0) return;  // no range to turn within
    const int level = runtime::output_base_values[record];
    int flipped = max - level;
    if (pan) {
        int angle = level * degrees / max;
        angle += angle < kHalfTurn_degrees ? kHalfTurn_degrees : -kHalfTurn_degrees;
        flipped = angle * max / degrees;
    }
    edit_function_value(static_cast<int16_t>(record), static_cast<uint16_t>(std::clamp(flipped, 0, max)));
}

}  // namespace

void reset_library_values_globals() {
    last_color = {};
    predefined_match_cache = {};
}

std::string predefined_match_key(const std::string& text) {
    std::string key;
    for (size_t i = 0; i < text.size() && i < kMatchKeyChars; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == ' ') continue;
        key.push_back(static_cast<char>(std::toupper(c)));
    }
    return key;
}

void apply_library_color(int16_t n) {
    if (!tables_ready()) return;
    constexpr std::array<setup::NamedFunction, 3> kSlots = {setup::NamedFunction::red, setup::NamedFunction::green,
                                                            setup::NamedFunction::blue};
    for (int f = 1; f <= fixtures_patched(); ++f) {
        if (fixture_selected[static_cast<size_t>(f)] != 1) continue;
        const int t = fixture_type(f) + 1;
        if (t < 1) continue;
        const std::vector<datafiles::ColorMixEntry>& mixes = datafiles::color_library_mixes[static_cast<size_t>(t)];
        if (n < 1 || n > static_cast<int>(mixes.size())) continue;
        last_color[static_cast<size_t>(t)] = n;
        const datafiles::ColorMixEntry& mix = mixes[static_cast<size_t>(n - 1)];
        const std::array<uint8_t, 3> levels = {mix.red, mix.green, mix.blue};
        for (size_t i = 0; i < kSlots.size(); ++i) {
            const int channel = slot_channel(t, kSlots[i]);
            if (channel == 0) continue;
            const int16_t record = valid_record(get_function_record_index(static_cast<int16_t>(f), static_cast<int16_t>(channel)));
            if (record != 0) edit_function_value(record, levels[i]);
        }
    }
    runtime::run_background();
    finish();
}

void apply_predefined_value(int16_t k) {
    const int t0 = runtime::current_fixture_type + 1;
    const int channel0 = selected_channel();
    if (!tables_ready() || t0 < 1 || t0 > runtime::kTypes || channel0 == 0) return;
    const setup::FixtureTypeDef* type0 = setup::type_def_of_index(t0 - 1);
    const int count = runtime::type_predefined_counts[static_cast<size_t>(t0)][static_cast<size_t>(channel0 - 1)];
    if (type0 == nullptr || k < 1 || k > count) return;
    const int entry = runtime::type_predefined_entries[static_cast<size_t>(t0)][static_cast<size_t>(channel0 - 1)]
                                                      [static_cast<size_t>(k - 1)];
    const int function0 = library_function_of(t0, channel0);
    const std::string key = predefined_match_key(type0->entry_text(function0, entry));
    const int value0 = type0->entry_value(function0, entry);

    predefined_match_cache = {};
    for (int f = 1; f <= fixtures_patched(); ++f) {
        if (fixture_selected[static_cast<size_t>(f)] == 0) continue;
        const int t = fixture_type(f) + 1;
        if (t < 1) continue;
        uint8_t& cached_channel = predefined_match_cache.function[static_cast<size_t>(t)];
        uint8_t& cached_value = predefined_match_cache.value[static_cast<size_t>(t)];
        if (cached_channel == kNoMatch) {
            int channel = 0;
            int value = 0;
            if (t == t0) {
                channel = channel0;
                value = value0;
            } else {
                const int mapped = runtime::type_function_map[static_cast<size_t>(t0)][static_cast<size_t>(channel0)]
                                                             [static_cast<size_t>(t)];
                if (!find_matching_entry(t, mapped, key, channel, value)) continue;
            }
            cached_channel = static_cast<uint8_t>(channel);
            cached_value = static_cast<uint8_t>(value);
        }
        set_predefined(f, cached_channel, cached_value);
    }
    finish();
}

void flip_pan_tilt() {
    if (!tables_ready()) return;
    for (int f = 1; f <= fixtures_patched(); ++f) {
        if (fixture_selected[static_cast<size_t>(f)] == 0) continue;
        const runtime::PanTiltRecord& pantilt = runtime::fixture_pantilt_table[static_cast<size_t>(f)];
        if (pantilt.kind == 0) continue;
        const setup::FixtureTypeDef* type = setup::type_def_of_index(fixture_type(f));
        if (type == nullptr || type->pantilt_mode() != 2 || type->pan_degrees() == 0 || type->tilt_degrees() == 0) continue;
        flip_record(pantilt.tilt.record, false, type->tilt_degrees());
        flip_record(pantilt.pan.record, true, type->pan_degrees());
    }
    finish();
}

void apply_wave_to_generator(int16_t k) {
    if (!valid_item(k)) return;
    spread_generators(even_spread(k, false), false, 0);
    finish();
}

void apply_step_to_generator(int16_t k) {
    if (!valid_item(k)) return;
    constexpr int kFirstFourTurnClass = 9;
    constexpr int kLastModeClass = 12;
    const int mode = runtime::wheel_states.generator_params[static_cast<size_t>(kMode)].raw;
    const int mode_class = std::min(mode / 4 + 1, kLastModeClass);
    const int m = mode_class >= kFirstFourTurnClass ? 4 : 2;
    const SpreadTable table = step_spread(k, m);
    spread_generators(table, true, static_cast<uint8_t>(std::max(table.n * m - 4, 0)));
    finish();
}

void apply_rotate_to_figure(int16_t k) {
    if (!valid_item(k)) return;
    spread_figures(even_spread(k, false), FigureSpread::rotate);
    finish();
}

void apply_wave_to_figure(int16_t k) {
    if (!valid_item(k)) return;
    spread_figures(even_spread(k, false), FigureSpread::wave);
    finish();
}

void apply_step_to_figure(int16_t k) {
    if (!valid_item(k)) return;
    spread_figures(even_spread(k, true), FigureSpread::step);
    finish();
}

}  // namespace programmer
