#include "programmer/attribute_delta.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "datafiles/default_values.h"
#include "memories/presets.h"
#include "programmer/commands.h"
#include "programmer/fader_panel.h"
#include "programmer/fixture_functions.h"
#include "programmer/function_belts.h"
#include "programmer/programmer_jobs.h"
#include "programmer/programmer_values.h"
#include "programmer/value_mapping.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "setup/fixture_type.h"
#include "setup/setup_data.h"
#include "ui/panel_modes.h"
#include "ui/value_table.h"

namespace programmer {

std::array<double, runtime::kShowFixtures + 1> fan_weights{};
int16_t pan_limit_direction = 0;
int16_t tilt_limit_direction = 0;
int16_t pan_limit_direction_16 = 0;
int16_t tilt_limit_direction_16 = 0;

void reset_attribute_delta_globals() {
    fan_weights.fill(0.0);
    pan_limit_direction = 0;
    tilt_limit_direction = 0;
    pan_limit_direction_16 = 0;
    tilt_limit_direction_16 = 0;
}

namespace {

using runtime::WheelState;

constexpr int kTop = 255;                 // highest fader position and DMX value
constexpr int kWideTop = 65535;           // highest 16-bit quantity
constexpr int kPositionsPerStep = 256;    // one position in 1/256 units
constexpr uint16_t kFirstPresetValue = 1001;
constexpr uint16_t kLastPresetValue = 1210;
constexpr uint16_t kPresetValueBase = 1000;
constexpr int16_t kTableWhite = 15;           // value-table text of a default value
constexpr int16_t kLabelColour = 10;
constexpr int16_t kLabelColourCurrentOnly = 11;
constexpr uint8_t kEntryCurrentOnly = 2;
constexpr size_t kLabelChars = 8;         // a fader label holds 8 characters
constexpr int kFaderBanks = 16;

enum class Axis : uint8_t { none, pan, tilt };

// What an edit writes: the programmer's values, or the default values of the
// default-value screen.
enum class EditTarget : uint8_t { programmer, defaults };

// How channel c of the current fixture is edited.
struct ChannelClass {
    Axis axis = Axis::none;   // pan or tilt, coarse or fine
    bool axis_coarse = false; // PAN or TILT itself (not the fine half)
    bool relative_kind = false;  // IRIS, ZOOM, FROST, FOCUS or a dimmer
};

// Whether each fixture starts from its own value, and whether overflow
// beyond the limits is remembered.
struct EditRule {
    bool base = false;
    bool memory = false;
};

bool record_ok(int record) {
    return record >= 1 && record <= runtime::function_record_count &&
           record <= static_cast<int>(runtime::kShowRecords) && runtime::function_record_table != nullptr;
}

int16_t* signed_table(uint16_t* table) { return reinterpret_cast<int16_t*>(table); }

int16_t read_signed(uint16_t* table, int16_t record) {
    return table != nullptr && record_ok(record) ? signed_table(table)[record] : int16_t{0};
}

void write_signed(uint16_t* table, int16_t record, int value) {
    if (table != nullptr && record_ok(record)) signed_table(table)[record] = static_cast<int16_t>(value);
}

uint16_t* relative_positions() { return runtime::step_remainders[1]; }
uint16_t* relative_fractions() { return runtime::step_remainders[2]; }
uint16_t* overflows() { return runtime::counter_tables[1]; }
uint16_t* fine_overflows() { return runtime::counter_tables[2]; }

uint16_t relative_value(int16_t record) {
    return runtime::wheel_last_values != nullptr && record_ok(record) ? runtime::wheel_last_values[record] : uint16_t{0};
}

void set_relative_value(int16_t record, uint16_t value) {
    if (runtime::wheel_last_values != nullptr && record_ok(record)) runtime::wheel_last_values[record] = value;
}

bool fixture_ok(int f) { return f >= 1 && f <= setup::fixture_count && f <= kFixtures; }

int fixture_type_index(int f) {
    return setup::setup_data.u16(setup::SetupData::fixture_field(f, setup::kFixtureTypeIndex));
}

int fixture_channel_count(int f) {
    return setup::setup_data.u8(setup::SetupData::fixture_field(f, setup::kFixtureChannelCount));
}

// Library function (1..32) on channel c (1..32) of type index t; 0 when either is out of range.
int library_function(int type_index, int channel) {
    if (type_index < 0 || type_index >= runtime::kTypes || channel < 1 || channel > runtime::kTypeChannels) return 0;
    return runtime::type_channel_function[static_cast<size_t>(type_index + 1)][static_cast<size_t>(channel - 1)] + 1;
}

int clamp_position(int p) { return std::clamp(p, 0, kTop); }

const runtime::PanTiltRecord& pantilt_of(int f) { return runtime::fixture_pantilt_table[static_cast<size_t>(f)]; }

bool is_selected(int f) { return fixture_selected[static_cast<size_t>(f)] == 1; }

// True when ch is f's PAN or PAN fine with pan invert, or its TILT or TILT
// fine with tilt invert: positions of that channel run the other way.
bool inverted_axis(int f, int ch) {
    const runtime::PanTiltRecord& pt = pantilt_of(f);
    if (pt.pan_invert != 0 && (ch == pt.pan.channel || ch == pt.pan_fine.channel)) return true;
    return pt.tilt_invert != 0 && (ch == pt.tilt.channel || ch == pt.tilt_fine.channel);
}

ChannelClass classify(int16_t c) {
    ChannelClass k;
    const runtime::PanTiltRecord& pt = pantilt_of(runtime::current_fixture);
    if (c == pt.pan.channel || c == pt.pan_fine.channel) {
        k.axis = Axis::pan;
        k.axis_coarse = c == pt.pan.channel;
        return k;
    }
    if (c == pt.tilt.channel || c == pt.tilt_fine.channel) {
        k.axis = Axis::tilt;
        k.axis_coarse = c == pt.tilt.channel;
        return k;
    }
    const setup::FixtureTypeDef* type = setup::type_def_of_index(runtime::current_fixture_type);
    const int lib = library_function(runtime::current_fixture_type, c);
    if (type == nullptr || lib == 0) return k;
    using N = setup::NamedFunction;
    for (N slot : {N::iris, N::zoom, N::frost, N::focus}) {
        if (type->named(slot) == lib) k.relative_kind = true;
    }
    if (type->is_dimmer(lib)) k.relative_kind = true;
    return k;
}

EditRule edit_rule(const ChannelClass& k, bool relative, bool fan_active) {
    if (fan_active) return {true, true};
    if (k.axis != Axis::none) return {relative, relative};
    if (k.relative_kind) return {relative, false};
    return {false, false};
}

// The fader slot 1..16 that shows channel c now, 0 when it is not on screen.
int16_t fader_slot(int16_t c) {
    if (runtime::fader_bank == 0) {
        const bool on_page = (runtime::function_page == 1 && c >= 1 && c <= kFaderBanks) ||
                             (runtime::function_page == 2 && c > kFaderBanks && c <= 2 * kFaderBanks);
        return on_page ? static_cast<int16_t>((c - 1) % kFaderBanks + 1) : int16_t{0};
    }
    if ((runtime::fader_bank == 1 || runtime::fader_bank == 3) && c == runtime::selected_function) return 1;
    return 0;
}

void show_fader_bar(int16_t slot, WheelState& w) {
    if (slot == 0) return;
    const auto level = static_cast<uint8_t>((w.value + 2) / 3);
    if (w.shown == level) return;
    w.shown = level;
    set_fader_widget_value(slot, level);
}

// Copies predefined entry e (1..35) of library function lib into the label
// when it differs, at most kLabelChars characters; true when it changed.
bool copy_entry_label(const setup::FixtureTypeDef& type, int lib, int e, WheelState& w) {
    const size_t at = setup::FixtureTypeDef::function_def(lib) + setup::kFunctionEntryTexts +
                      setup::kEntryTextBytes * static_cast<size_t>(e - 1);
    std::array<char, 9> text{};
    for (size_t i = 0; i < kLabelChars; ++i) {
        const auto ch = static_cast<char>(type.u8(at + i));
        if (ch == '\0') break;
        text[i] = ch;
    }
    if (text == w.label) return false;
    w.label = text;
    return true;
}

// The DMX value of the fader, its predefined entry and label; returns the
// entry's flag.
uint8_t show_fader_value(int16_t c, int16_t slot, WheelState& w) {
    const setup::FixtureTypeDef* type = setup::type_def_of_index(runtime::current_fixture_type);
    const int lib = library_function(runtime::current_fixture_type, c);
    if (type == nullptr || lib == 0) return 0;
    const uint8_t raw = map_fader_to_value(runtime::current_fixture_type, lib, static_cast<uint8_t>(w.value));
    w.raw = raw;
    const int entry = std::clamp(find_predefined_entry(lib, raw), 1, setup::kPredefinedEntries);
    const uint8_t flag = type->entry_flag(lib, entry - 1);
    if (slot != 0 && copy_entry_label(*type, lib, entry, w)) {
        set_fader_label(slot, w.label.data(), flag == kEntryCurrentOnly ? kLabelColourCurrentOnly : kLabelColour);
    }
    return flag;
}

bool edits_fixtures(uint8_t selection_mode, uint8_t flag) {
    return selection_mode == kSelectionAlways ||
           (selection_mode == kSelectionUnlessCurrentOnly && flag != kEntryCurrentOnly);
}

// The value a relative edit of record r starts from: the output while it is
// live-edited or held manually, else the live layer, or the programmer value
// when the live layer holds nothing or does not reach the stage.
uint8_t base_value(int16_t r) {
    const bool blind = (runtime::run_flags & runtime::RUN_BLIND) != 0;
    const bool live = (runtime::run_flags & runtime::RUN_LIVE_EDIT) != 0;
    const uint16_t flags = runtime::channel_flags != nullptr ? runtime::channel_flags[r] : uint16_t{0};
    if ((live && !blind) || (flags & runtime::FLAG_MANUAL) != 0) {
        return static_cast<uint8_t>(std::min<int>(runtime::output_base_values[r], kTop));
    }
    const uint16_t layer = runtime::layer_values[0] != nullptr ? runtime::layer_values[0][r] : runtime::kValueNotSet;
    const bool held = layer == runtime::kValueNotSet || blind || (flags & runtime::FLAG_FROZEN) != 0 ||
                      any_sequence_running() ||
                      (runtime::cue_fade_records.channels != nullptr && runtime::cue_fade_records.channels[r].state != 0);
    if (!held) return static_cast<uint8_t>(std::min<int>(layer, kTop));
    uint16_t value = runtime::programmer_values != nullptr ? runtime::programmer_values[r] : runtime::kValueNotSet;
    if (value >= kFirstPresetValue && value <= kLastPresetValue) {
        const uint16_t* preset = memories::value_preset_table[static_cast<size_t>(value - kPresetValueBase)];
        value = preset != nullptr ? preset[r] : runtime::kValueNotSet;
    }
    if (value == runtime::kValueNotSet) return 0;
    return static_cast<uint8_t>(std::min<int>(value, kTop));
}

// Position of record r of fixture f on channel och: the cached position
// while the record still holds the cached value, else its base value as a
// position (mirrored for an inverted axis).
// The default value of record r as a level; none (65535) counts as 0.
uint8_t default_level(int16_t r) {
    if (datafiles::default_values == nullptr) return 0;
    const uint16_t v = datafiles::default_values[r];
    return v > kTop ? uint8_t{0} : static_cast<uint8_t>(v);
}

// A default value written by the edit, and its value-table cell while the
// table shows the defaults (not while the faders follow the output).
void write_default_value(int f, int16_t r, int channel, uint8_t value) {
    if (datafiles::default_values == nullptr) return;
    datafiles::default_values[r] = value;
    if ((runtime::option_flags & runtime::OPT_FADERS_FOLLOW_OUTPUT) != 0) return;
    if (ui::shown_panel() != ui::kPanelValueTable) return;
    ui::format_table_value(static_cast<int16_t>(f), static_cast<int16_t>(channel), value, kTableWhite, 0, 0);
}

// Where a relative edit of another fixture starts: its last written position
// while the value still equals the image written with it, else the position
// of the value now. The default-value edit starts from the defaults.
int base_position(int f, int16_t r, int och, bool mirror, EditTarget target = EditTarget::programmer) {
    const uint8_t base = target == EditTarget::defaults ? default_level(r) : base_value(r);
    if (relative_value(r) == base) return clamp_position(read_signed(relative_positions(), r));
    int p = map_value_to_fader(fixture_type_index(f), library_function(fixture_type_index(f), och), base);
    if (mirror) p = kTop - p;
    return p;
}

// Clears the two overflows of a pair unless it sits at a limit with an
// overflow pointing past it.
void clear_overflow_off_limit(int p, int fraction, int16_t r, uint16_t* fine_table, int16_t fine_r) {
    const int16_t ov = read_signed(overflows(), r);
    const bool held_low = p == 0 && fraction == 0 && ov >= 1;
    const bool held_high = p == kTop && fraction == kTop && ov <= -1;
    if (held_low || held_high) return;
    write_signed(overflows(), r, 0);
    write_signed(fine_table, fine_r, 0);
}

int16_t* limit_direction(Axis axis, bool wide) {
    if (axis == Axis::pan) return wide ? &pan_limit_direction_16 : &pan_limit_direction;
    if (axis == Axis::tilt) return wide ? &tilt_limit_direction_16 : &tilt_limit_direction;
    return nullptr;
}

// A movement toward a limit that every selected fixture already holds is dropped.
int16_t stop_at_limit(const int16_t* direction, int16_t d) {
    if (direction == nullptr) return d;
    if ((*direction == -1 && d > 0) || (*direction == 1 && d < 0)) return 0;
    return d;
}

bool context_ok(int16_t c) {
    const int16_t cf = runtime::current_fixture;
    if (!fixture_ok(cf) || setup::type_def_of_index(runtime::current_fixture_type) == nullptr) return false;
    if (runtime::function_record_table == nullptr || runtime::programmer_values == nullptr) return false;
    return c >= 1 && c <= runtime::kFunctionWheels && c <= fixture_channel_count(cf);
}

int16_t record_of(int f, int channel) {
    return get_function_record_index(static_cast<int16_t>(f), static_cast<int16_t>(channel));
}

// The step of a fixture in 1/256 positions.
int wide_step(int f, int16_t d, bool fan_active) {
    const int plain = belt_step() * d;
    if (!fan_active) return plain;
    return static_cast<int>(std::trunc(static_cast<double>(plain) * fan_weights[static_cast<size_t>(f)]));
}

// The wide (16-bit and fan) path.
int16_t apply_delta_wide(int16_t c, int16_t d, uint8_t s, uint8_t reset, bool fan_active) {
    const int16_t cf = runtime::current_fixture;
    const ChannelClass k = classify(c);
    const EditRule rule = edit_rule(k, edit_mode() != kEditAbsolute, fan_active);
    int16_t* direction = k.axis_coarse ? limit_direction(k.axis, true) : nullptr;
    if (rule.base) d = stop_at_limit(direction, d);

    // The current fixture's fader (and its fine fader for a 16-bit pair).
    WheelState& w = runtime::wheel_states.functions[static_cast<size_t>(c)];
    const int16_t cur_rec = record_of(cf, oriented_channel(cf, c));
    if (!record_ok(cur_rec)) return kDeltaWidePath;
    const runtime::FunctionRecord& cur = runtime::function_record_table[cur_rec];
    const bool cur_pair = cur.kind == setup::kKindCoarse && record_ok(cur.fine_partner);
    const int16_t fine_c = cur_pair ? fine_fader_channel(cur.fine_partner) : int16_t{0};
    const bool fine_fader_ok = fine_c >= 1 && fine_c <= runtime::kFunctionWheels;
    WheelState* fine_w = fine_fader_ok ? &runtime::wheel_states.functions[static_cast<size_t>(fine_c)] : nullptr;
    uint16_t* fine_table = cur_pair ? overflows() : fine_overflows();
    const int16_t fine_r = cur_pair ? cur.fine_partner : cur_rec;
    const int old_value = clamp_position(w.value);
    const int old_fraction = fine_w != nullptr ? clamp_position(fine_w->value) : clamp_position(w.fine);
    if (reset != 0) write_signed(fine_table, fine_r, 0);
    int cur_step = wide_step(cf, d, fan_active);
    if (rule.memory) {
        clear_overflow_off_limit(old_value, old_fraction, cur_rec, fine_table, fine_r);
        cur_step += read_signed(overflows(), cur_rec) * kPositionsPerStep + read_signed(fine_table, fine_r);
    }
    int q = old_value * kPositionsPerStep + old_fraction - cur_step;
    int value = 0;
    int fraction = 0;
    if (q >= 0) {
        value = q / kPositionsPerStep;
        fraction = q % kPositionsPerStep;
        if (value > kTop) value = fraction = kTop;
    }
    w.value = static_cast<int16_t>(value);
    if (fine_w != nullptr) {
        fine_w->value = static_cast<int16_t>(fraction);
    } else {
        w.fine = static_cast<int16_t>(fraction);
    }
    const int16_t slot = fader_slot(c);
    show_fader_bar(slot, w);
    uint8_t flag = show_fader_value(c, slot, w);
    if (fine_w != nullptr) {
        const int16_t fine_slot = fader_slot(fine_c);
        show_fader_bar(fine_slot, *fine_w);
        flag = show_fader_value(fine_c, fine_slot, *fine_w);
    }
    if (!edits_fixtures(s, flag)) return cur_pair ? cur.fine_partner : kDeltaWidePath;

    bool moved_freely = false;
    int last_limit = 0;
    for (int f = 1; f <= setup::fixture_count && f <= kFixtures; ++f) {
        if (!is_selected(f)) continue;
        const int16_t ch = counterpart_channel(static_cast<int16_t>(f), c);
        if (ch == 0) continue;
        const int och = oriented_channel(static_cast<int16_t>(f), ch);
        const int16_t r = record_of(f, och);
        if (!record_ok(r)) continue;
        const runtime::FunctionRecord& rec = runtime::function_record_table[r];
        const bool pair = rec.kind == setup::kKindCoarse && record_ok(rec.fine_partner);
        const int16_t fr = pair ? rec.fine_partner : r;
        uint16_t* f_fine_table = pair ? overflows() : fine_overflows();
        const int ftype = fixture_type_index(f);
        const int fine_ch = pair ? runtime::function_record_table[fr].channel : 0;
        const bool mirror = inverted_axis(f, ch);

        int p = old_value;
        int frac = old_fraction;
        if (rule.base && f != cf) {
            p = base_position(f, r, och, mirror);
            frac = pair ? base_position(f, fr, fine_ch, mirror) : clamp_position(read_signed(relative_fractions(), r));
            clear_overflow_off_limit(p, frac, r, f_fine_table, fr);
        }
        int fq = p * kPositionsPerStep + frac - wide_step(f, d, fan_active);
        if (rule.memory) fq -= read_signed(overflows(), r) * kPositionsPerStep + read_signed(f_fine_table, fr);
        p = fq / kPositionsPerStep;
        frac = fq - kPositionsPerStep * p;
        int limit = 0;
        if (fq < 0) {
            if (rule.memory) {
                write_signed(overflows(), r, -p);
                write_signed(f_fine_table, fr, -frac);
            }
            p = frac = 0;
            limit = -1;
        } else if (fq < kWideTop) {
            write_signed(overflows(), r, 0);
            write_signed(f_fine_table, fr, 0);
            moved_freely = true;
        } else {
            if (rule.memory) {
                write_signed(overflows(), r, kTop - p);
                write_signed(f_fine_table, fr, kTop - frac);
            }
            p = frac = kTop;
            limit = 1;
        }
        last_limit = limit;
        if (rule.base) {
            write_signed(relative_positions(), r, p);
            write_signed(pair ? relative_positions() : relative_fractions(), fr, frac);
        }
        if (mirror) {
            p = kTop - p;
            frac = kTop - frac;
        }
        const uint8_t coarse_value = map_fader_to_value(ftype, library_function(ftype, och), static_cast<uint8_t>(p));
        if (rule.base) set_relative_value(r, coarse_value);
        edit_function_value(r, coarse_value);
        if (pair) {
            const uint8_t fine_value =
                map_fader_to_value(ftype, library_function(ftype, fine_ch), static_cast<uint8_t>(frac));
            if (rule.base) set_relative_value(fr, fine_value);
            edit_function_value(fr, fine_value);
        }
    }
    if (!fan_active && rule.base && rule.memory && direction != nullptr) {
        *direction = static_cast<int16_t>(moved_freely ? 0 : last_limit);
    }
    return cur_pair ? cur.fine_partner : kDeltaWidePath;
}

}  // namespace

int edit_mode() {
    return static_cast<int>((runtime::mode_flags & runtime::MODE_EDIT_MODE) >> std::countr_zero(runtime::MODE_EDIT_MODE));
}

int16_t belt_step() {
    const int bits = std::clamp<int>(runtime::belt_resolution, 8, 16);
    return static_cast<int16_t>(kPositionsPerStep >> (bits - 8));
}

uint8_t belt_fine_mode() { return runtime::belt_resolution > 8 ? 1 : 0; }

int16_t limit_overflow(int16_t record) { return read_signed(overflows(), record); }
void set_limit_overflow(int16_t record, int16_t overflow) { write_signed(overflows(), record, overflow); }
int16_t limit_overflow_fine(int16_t record) { return read_signed(fine_overflows(), record); }
int16_t relative_position(int16_t record) { return read_signed(relative_positions(), record); }
int16_t relative_fraction(int16_t record) { return read_signed(relative_fractions(), record); }

int16_t oriented_channel(int16_t fixture, int16_t channel) {
    if (!fixture_ok(fixture) || channel < 1 || channel > runtime::kTypeChannels) return channel;
    const runtime::PanTiltRecord& pt = pantilt_of(fixture);
    if (channel == pt.pan.channel) return pt.oriented_pan.channel;
    if (channel == pt.tilt.channel) return pt.oriented_tilt.channel;
    if (channel == pt.pan_fine.channel) return pt.oriented_pan_fine.channel;
    if (channel == pt.tilt_fine.channel) return pt.oriented_tilt_fine.channel;
    const uint8_t remap = runtime::function_remap_table[static_cast<size_t>(fixture)][static_cast<size_t>(channel - 1)];
    return remap != 0 ? remap : channel;
}

int16_t counterpart_channel(int16_t fixture, int16_t channel) {
    if (!fixture_ok(fixture) || channel < 1 || channel > runtime::kTypeChannels) return 0;
    const int a = runtime::current_fixture_type;
    const int b = fixture_type_index(fixture);
    if (a < 0 || a >= runtime::kTypes || b < 0 || b >= runtime::kTypes) return 0;
    const int ch = a == b ? channel
                          : runtime::type_function_map[static_cast<size_t>(a + 1)][static_cast<size_t>(channel)]
                                                      [static_cast<size_t>(b + 1)];
    return ch >= 1 && ch <= fixture_channel_count(fixture) ? static_cast<int16_t>(ch) : int16_t{0};
}

int16_t fine_fader_channel(int16_t record) {
    if (!record_ok(record)) return 0;
    const runtime::FunctionRecord& rec = runtime::function_record_table[record];
    if (!fixture_ok(rec.fixture)) return rec.channel;
    const runtime::PanTiltRecord& pt = pantilt_of(rec.fixture);
    if (rec.pantilt_role == runtime::ROLE_PAN_FINE) return pt.oriented_pan_fine.channel;
    if (rec.pantilt_role == runtime::ROLE_TILT_FINE) return pt.oriented_tilt_fine.channel;
    return rec.channel;
}

int compute_fan_weights(int16_t channel) {
    fan_weights.fill(0.0);
    int n = 0;
    for (int f = 1; f <= setup::fixture_count && f <= kFixtures; ++f) {
        if (is_selected(f) && counterpart_channel(static_cast<int16_t>(f), channel) != 0) {
            fan_weights[static_cast<size_t>(f)] = ++n;
        }
    }
    const double m = (n + 1) / 2;
    for (double& w : fan_weights) {
        if (w <= 0.0) continue;
        switch (fan_shape) {
            case 1: w = w - 1; break;
            case 2: w = n - w; break;
            case 3: w = w - m - (n % 2 == 0 ? 0.5 : 0.0); break;
            case 4: w = w <= m ? w - 1 : n - w; break;
            case 5:
                if (w > m) w = n - w + 1;
                w = m - w;
                break;
            default: break;  // an unknown shape leaves the plain numbers
        }
    }
    return n;
}

int16_t apply_delta_to_selected_functions(int16_t channel, int16_t delta, uint8_t selection_mode,
                                          uint8_t fine_allowed, uint8_t reset) {
    if (!context_ok(channel)) return kDeltaPlainPath;
    bool wide = false;
    if (fine_allowed != 0 && runtime::belt_resolution != 8) {
        for (int f = 1; f <= setup::fixture_count && f <= kFixtures && !wide; ++f) {
            if (!is_selected(f)) continue;
            const int16_t ch = counterpart_channel(static_cast<int16_t>(f), channel);
            if (ch == 0) continue;
            const int16_t r = record_of(f, oriented_channel(static_cast<int16_t>(f), ch));
            wide = record_ok(r) && runtime::function_record_table[r].kind == setup::kKindCoarse;
        }
    }
    const bool fan = edit_mode() == kEditFan;
    const bool fan_active = fan && compute_fan_weights(channel) >= 2;
    if (!wide && !fan) {
        apply_delta_without_fan(channel, delta, selection_mode);
        return kDeltaPlainPath;
    }
    return apply_delta_wide(channel, delta, selection_mode, reset, fan_active);
}

namespace {

void apply_plain_delta(int16_t c, int16_t d, uint8_t s, EditTarget target) {
    if (!context_ok(c)) return;
    const int16_t cf = runtime::current_fixture;
    const ChannelClass k = classify(c);
    const bool relative = edit_mode() != kEditAbsolute;
    const EditRule rule = edit_rule(k, relative, false);
    int16_t* direction = limit_direction(k.axis, false);
    if (relative) d = stop_at_limit(direction, d);

    WheelState& w = runtime::wheel_states.functions[static_cast<size_t>(c)];
    const int old_value = clamp_position(w.value);
    const int16_t cur_rec = record_of(cf, oriented_channel(cf, c));
    int move = d;
    if (rule.base) {
        const int16_t ov = limit_overflow(cur_rec);
        if (!((old_value == 0 && ov >= 1) || (old_value == kTop && ov <= -1))) set_limit_overflow(cur_rec, 0);
        if (rule.memory) move += limit_overflow(cur_rec);
    }
    w.value = static_cast<int16_t>(clamp_position(old_value - move));
    const int16_t slot = fader_slot(c);
    show_fader_bar(slot, w);
    if (!edits_fixtures(s, show_fader_value(c, slot, w))) return;

    bool moved_freely = false;
    int last_limit = 0;
    for (int f = 1; f <= setup::fixture_count && f <= kFixtures; ++f) {
        if (!is_selected(f)) continue;
        const int16_t ch = counterpart_channel(static_cast<int16_t>(f), c);
        if (ch == 0) continue;
        const int och = oriented_channel(static_cast<int16_t>(f), ch);
        const int16_t r = record_of(f, och);
        if (!record_ok(r)) continue;
        const bool mirror = inverted_axis(f, ch);
        int p = old_value;
        if (rule.base && f != cf) {
            p = base_position(f, r, och, mirror, target);
            const int16_t ov = limit_overflow(r);
            if (!((p == 0 && ov >= 1) || (p == kTop && ov <= -1))) set_limit_overflow(r, 0);
        }
        p -= d;
        if (rule.memory) p -= limit_overflow(r);
        int limit = 0;
        if (p < 0) {
            if (rule.memory) set_limit_overflow(r, static_cast<int16_t>(-p));
            p = 0;
            limit = -1;
        } else if (p <= kTop) {
            set_limit_overflow(r, 0);
            moved_freely = true;
        } else {
            if (rule.memory) set_limit_overflow(r, static_cast<int16_t>(kTop - p));
            p = kTop;
            limit = 1;
        }
        last_limit = limit;
        if (rule.base) write_signed(relative_positions(), r, p);
        const int out = mirror ? kTop - p : p;
        const int ftype = fixture_type_index(f);
        const uint8_t value = map_fader_to_value(ftype, library_function(ftype, och), static_cast<uint8_t>(out));
        if (rule.base) set_relative_value(r, value);
        if (target == EditTarget::defaults) {
            write_default_value(f, r, och, value);
        } else {
            edit_function_value(r, value);
        }
    }
    if (rule.base && rule.memory && direction != nullptr) {
        *direction = static_cast<int16_t>(moved_freely ? 0 : last_limit);
    }
}

}  // namespace

void apply_delta_without_fan(int16_t c, int16_t d, uint8_t s) { apply_plain_delta(c, d, s, EditTarget::programmer); }

void apply_delta_to_default_values(int16_t c, int16_t d, uint8_t s) { apply_plain_delta(c, d, s, EditTarget::defaults); }

}  // namespace programmer
