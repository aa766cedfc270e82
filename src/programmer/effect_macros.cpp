#include "programmer/effect_macros.h"

#include <algorithm>
#include <cmath>

#include "datafiles/definition_files.h"
#include "programmer/channel_generators.h"
#include "programmer/fader_panel.h"
#include "programmer/fixture_groups.h"
#include "programmer/groupings.h"
#include "programmer/pantilt_figures.h"
#include "programmer/programmer_values.h"
#include "programmer/value_mapping.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/show_tables.h"
#include "setup/fixture_type.h"
#include "setup/setup_data.h"
#include "ui/helpers.h"
#include "ui/value_table.h"

namespace programmer {

std::array<std::array<uint8_t, kMacroFaderCount + 1>, kFixtures + 1> macro_states{};

void reset_effect_macros_globals() { macro_states = {}; }

void clear_macro_states() { macro_states = {}; }

namespace {

using datafiles::EffectMacro;
using setup::NamedFunction;

constexpr int kFunctionWords = datafiles::kFunctionParameters;  // level, SWING .. WAIT
constexpr int kFigureWords = datafiles::kFigureParameters;      // pan, tilt, X-SWING .. WAIT
constexpr int kBlocks = datafiles::kMacroFunctions;             // 37
constexpr int kFlagBlocks = datafiles::kMacroFlagFunctions;     // DIMMER .. KNIFEPAR
constexpr int kLevelTop = 255;
constexpr int kLastGrouping = 20;
constexpr int kWaveforms = 12;
constexpr double kQuarterPeriod = kDelaySpan / 4.0;  // 42.5

// Word positions (0-based) in a function block and in the FIGURE block.
constexpr int kLevelWord = 0, kSwingWord = 1, kSpeedWord = 2, kModeWord = 3, kDelayWord = 4, kShiftWord = 5,
              kWaitWord = 6;
constexpr int kPanWord = 0, kTiltWord = 1, kXSwingWord = 2, kYSwingWord = 3, kFigureSpeedWord = 4,
              kFigureModeWord = 5, kFigureDelayWord = 9, kFigureShiftWord = 10, kFigureWaitWord = 11;

// The named slot each block after DIMMER tests, in block order (block 1 is
// DIMMER, which tests the dimmer flag of the channel's function instead).
constexpr std::array<NamedFunction, kBlocks> kBlockSlots = {
    NamedFunction::count,  // DIMMER
    NamedFunction::iris,    NamedFunction::red,        NamedFunction::green,      NamedFunction::blue,
    NamedFunction::knife1,  NamedFunction::knife2,     NamedFunction::knife3,     NamedFunction::knife4,
    NamedFunction::knife5,  NamedFunction::knife6,     NamedFunction::knife7,     NamedFunction::knife8,
    NamedFunction::knifepar, NamedFunction::strobo,    NamedFunction::color1,     NamedFunction::color2,
    NamedFunction::color3,  NamedFunction::color4,     NamedFunction::colorpar,   NamedFunction::gobo1,
    NamedFunction::gobo2,   NamedFunction::gobo3,      NamedFunction::gobo4,      NamedFunction::goboindex1,
    NamedFunction::goboindex2, NamedFunction::effect1, NamedFunction::effect2,    NamedFunction::effect3,
    NamedFunction::prisma1, NamedFunction::prisma2,    NamedFunction::prisma3,    NamedFunction::zoom,
    NamedFunction::focus,   NamedFunction::frost,      NamedFunction::effectpar1, NamedFunction::effectpar2};

using FunctionBuffer = std::array<int16_t, kFunctionWords>;
using FigureBuffer = std::array<int16_t, kFigureWords>;

// A stored word as the engine reads it: the record's "not set" is -1.
int16_t word(uint16_t stored) {
    return stored == datafiles::kMacroNotSet ? kMacroWordUnset : static_cast<int16_t>(stored);
}

bool in_range(int v, int limit) { return v >= 0 && v <= limit; }

bool flag(uint32_t word_bits, uint32_t bit) { return (word_bits & bit) != 0; }

bool live_edit_on() {
    return flag(runtime::run_flags, runtime::RUN_LIVE_EDIT) && !flag(runtime::run_flags, runtime::RUN_BLIND);
}

bool table_shown() {
    return flag(runtime::option_flags, runtime::OPT_TABLE_VIEW) &&
           !flag(runtime::option_flags, runtime::OPT_FADERS_FOLLOW_OUTPUT);
}

bool tables_ready() {
    return runtime::programmer_values != nullptr && runtime::programmer_generators != nullptr &&
           runtime::programmer_figures != nullptr && runtime::channel_flags != nullptr &&
           runtime::generator_flags != nullptr;
}

// A patched fixture as the engine needs it.
struct MacroFixture {
    int type_index = -1;  // 0-based
    int first = 0;        // first function record
    int channels = 0;
    const setup::FixtureTypeDef* type = nullptr;
};

bool read_macro_fixture(int f, MacroFixture& out) {
    out = {};
    if (f < 1 || f > std::min<int>(setup::fixture_count, kFixtures)) return false;
    const setup::FixtureRecord record = setup::read_fixture(setup::setup_data, f);
    out.type_index = record.type_index;
    out.first = record.first_record;
    out.channels = std::min<int>(record.channel_count, runtime::kTypeChannels);
    out.type = setup::type_def_of_index(out.type_index);
    return out.type != nullptr && out.first >= 1;
}

// The record of channel c (1..channels), 0 outside the records in use.
int record_of(const MacroFixture& fx, int c) {
    if (c < 1 || c > fx.channels) return 0;
    const int r = fx.first + c - 1;
    return r <= std::min<int>(runtime::function_record_count, static_cast<int>(runtime::kShowRecords)) ? r : 0;
}

// The library function (1..32) on channel c of the fixture's type.
int channel_function(const MacroFixture& fx, int c) {
    if (c < 1 || c > runtime::kTypeChannels) return 0;
    return runtime::type_channel_function[static_cast<size_t>(fx.type_index + 1)][static_cast<size_t>(c - 1)] + 1;
}

const EffectMacro* macro_of(int m) {
    if (m < 1 || m > kMacroCount) return nullptr;
    const EffectMacro& macro = datafiles::effect_macro_table[static_cast<size_t>(m)];
    return macro.defined_blocks == 0 ? nullptr : &macro;
}

bool block_enabled(const EffectMacro& macro, int b) {
    if (b < kFlagBlocks) return flag(macro.line_flags, 1u << (b + 1));
    return macro.line_marks[static_cast<size_t>(b - kFlagBlocks)] == 1;
}

bool figure_enabled(const EffectMacro& macro) { return flag(macro.line_flags, datafiles::kMacroFigureLine); }

bool has_pantilt(int f) { return runtime::fixture_pantilt_table[static_cast<size_t>(f)].kind != 0; }

// The block (0-based) channel c takes: the first enabled row that matches
// the channel's function; -1 for none.
int find_block(const EffectMacro& macro, const MacroFixture& fx, int c) {
    const int function = channel_function(fx, c);
    if (!setup::FixtureTypeDef::valid(function)) return -1;
    for (int b = 0; b < kBlocks; ++b) {
        if (!block_enabled(macro, b)) continue;
        const bool matches = b == 0 ? fx.type->is_dimmer(function)
                                    : fx.type->named(kBlockSlots[static_cast<size_t>(b)]) == function;
        if (matches) return b;
    }
    return -1;
}

FunctionBuffer function_block(const EffectMacro& macro, int b) {
    FunctionBuffer buffer{};
    for (int i = 0; i < kFunctionWords; ++i) {
        buffer[static_cast<size_t>(i)] = word(macro.functions[static_cast<size_t>(b)][static_cast<size_t>(i)]);
    }
    return buffer;
}

int16_t figure_word(const EffectMacro& macro, int i) { return word(macro.figure[static_cast<size_t>(i)]); }

// A level on channel c of the fixture, through the function's sub-function
// scale, into the programmer and on to the stage.
void store_level(const MacroFixture& fx, int c, int level) {
    const int r = record_of(fx, c);
    if (r == 0) return;
    const uint8_t value = map_fader_to_value(fx.type_index, channel_function(fx, c), static_cast<uint8_t>(level));
    runtime::programmer_values[r] = value;
    if (live_edit_on()) runtime::channel_flags[r] |= runtime::FLAG_MANUAL;
    set_function_value(static_cast<int16_t>(r), value);
    if (table_shown()) show_edited_value(static_cast<int16_t>(r), value);
}

// Passes over the fixtures that a re-application, WAVE or STEP-LOOP acts on:
// selected and carrying macro m.
bool carries(int f, int m) {
    return fixture_selected[static_cast<size_t>(f)] != 0 && macro_states[static_cast<size_t>(f)][kMacroNumber] == m;
}

// The macro of the current fixture, 0 when it has none that can be applied.
int current_macro() {
    const int f = runtime::current_fixture;
    if (f < 1 || f > kFixtures) return 0;
    const int m = macro_states[static_cast<size_t>(f)][kMacroNumber];
    return macro_of(m) != nullptr ? m : 0;
}

int fixture_limit() { return std::min<int>(setup::fixture_count, kFixtures); }

// Adds the block's own DELAY to an offset, once around the span.
int16_t shifted_delay(int offset, int16_t own_delay) {
    int delay = offset + (own_delay != kMacroWordUnset ? own_delay : 0);
    if (delay > kDelaySpan) delay -= kDelaySpan;
    return static_cast<int16_t>(delay);
}

// One spread entry: DELAY offset, SHIFT and WAIT (0 for WAVE).
struct Turn {
    int delay = 0;
    int shift = 0;
    int wait = 0;
};

// Gives each fixture that carries macro m the turn of its position q: its
// subgroup in the current grouping (fixtures outside it are passed over), or
// a counter that moves on as the macro's block count says. The choice is
// kept in the fixture's macro state `state_entry`.
void spread_over_fixtures(int m, int count, const auto& turn_of, int entry, int state_entry) {
    const EffectMacro& macro = *macro_of(m);
    int q = 0;
    const int grouping = runtime::current_grouping;
    const bool by_grouping = grouping >= 1 && grouping <= kLastGrouping;
    bool any = false;
    for (int f = 1; f <= fixture_limit(); ++f) {
        if (!carries(f, m)) continue;
        MacroFixture fx;
        if (!read_macro_fixture(f, fx)) continue;
        if (by_grouping) {
            q = find_grouping_subgroup(static_cast<int16_t>(f), static_cast<int16_t>(grouping));
            if (q < 0) continue;
        }
        any = true;
        const Turn turn = turn_of(q % count);
        bool figure_written = false;
        bool channel_written = false;
        if (has_pantilt(f) && figure_enabled(macro)) {
            FigureBuffer buffer;
            buffer.fill(kMacroWordUnset);
            buffer[kFigureDelayWord] = shifted_delay(turn.delay, figure_word(macro, kFigureDelayWord));
            buffer[kFigureShiftWord] = static_cast<int16_t>(std::min(turn.shift, 32767));
            buffer[kFigureWaitWord] = static_cast<int16_t>(std::min(turn.wait, 32767));
            store_macro_pantilt_block(static_cast<int16_t>(f), buffer.data());
            figure_written = true;
        }
        for (int c = 1; c <= fx.channels; ++c) {
            const int b = find_block(macro, fx, c);
            if (b < 0) continue;
            FunctionBuffer buffer;
            buffer.fill(kMacroWordUnset);
            buffer[kDelayWord] = shifted_delay(turn.delay, word(macro.functions[static_cast<size_t>(b)][kDelayWord]));
            buffer[kShiftWord] = static_cast<int16_t>(std::min(turn.shift, 32767));
            buffer[kWaitWord] = static_cast<int16_t>(std::min(turn.wait, 32767));
            store_macro_block(static_cast<int16_t>(f), static_cast<int16_t>(c), buffer.data());
            channel_written = true;
            if (macro.defined_blocks == 1) ++q;
        }
        // A macro of one block moves on per written channel, of several per
        // fixture; a macro whose one block is the figure moves on per fixture
        // too, so that its fixtures do not all share the first entry.
        if (macro.defined_blocks > 1 || (figure_written && !channel_written)) ++q;
        macro_states[static_cast<size_t>(f)][static_cast<size_t>(state_entry)] = static_cast<uint8_t>(entry);
    }
    if (any) refresh_faders();
}

}  // namespace

void store_macro_block(int16_t fixture, int16_t channel, const int16_t* block) {
    if (block == nullptr || !tables_ready()) return;
    MacroFixture fx;
    if (!read_macro_fixture(fixture, fx) || channel < 1 || channel > fx.channels) return;
    int c = channel;
    const uint8_t remapped =
        runtime::function_remap_table[static_cast<size_t>(fixture)][static_cast<size_t>(channel - 1)];
    if (remapped != 0 && remapped <= fx.channels) c = remapped;
    const int r = record_of(fx, c);
    if (r == 0) return;

    if (in_range(block[kLevelWord], kLevelTop)) store_level(fx, c, block[kLevelWord]);
    for (int j = kSwing; j <= kWait; ++j) {
        const int16_t v = block[j];  // word j + 1 of the block is parameter j
        if (!in_range(v, generator_param_limits[static_cast<size_t>(j)])) continue;
        const auto byte = static_cast<int16_t>((r - 1) * static_cast<int>(runtime::kGeneratorBytesPerRecord) + j);
        const auto value = static_cast<uint8_t>(v);
        runtime::programmer_generators[byte] = value;
        if (live_edit_on()) runtime::generator_flags[byte] |= runtime::FLAG_MANUAL;
        set_generator_param(byte, value);
        if (table_shown() && runtime::fader_bank == kGeneratorBank) ui::refresh_preset_cells(byte, 1, value, 0, 0);
    }
}

void store_macro_pantilt_block(int16_t fixture, const int16_t* block) {
    if (block == nullptr || !tables_ready()) return;
    MacroFixture fx;
    if (!read_macro_fixture(fixture, fx)) return;
    const runtime::PanTiltRecord& pt = runtime::fixture_pantilt_table[static_cast<size_t>(fixture)];
    const auto axis = [&](int16_t w, uint8_t channel, uint8_t invert) {
        if (!in_range(w, kLevelTop) || channel == 0) return;
        store_level(fx, channel, invert != 0 ? kLevelTop - w : w);
    };
    axis(block[kPanWord], pt.oriented_pan.channel, pt.pan_invert);
    axis(block[kTiltWord], pt.oriented_tilt.channel, pt.tilt_invert);

    const bool halved = fx.type->pantilt_mode() == 2;
    for (int j = kXSwing; j <= kFigureWait; ++j) {
        int v = block[j + 1];  // word j + 2 of the block is parameter j
        if (!in_range(v, figure_param_limits[static_cast<size_t>(j)])) continue;
        if (halved && (j == kXSwing || j == kYSwing)) v /= 2;
        const int byte = (fixture - 1) * runtime::kFigureFlagsPerFixture + j;
        const auto value = static_cast<uint8_t>(v);
        runtime::programmer_figures[byte] = value;
        if (live_edit_on()) runtime::figure_flags[static_cast<size_t>(byte)] |= runtime::FLAG_MANUAL;
        set_figure_param(static_cast<int16_t>(byte), value);
        if (table_shown() && runtime::fader_bank == kFigureBank) {
            ui::refresh_preset_cells(static_cast<int16_t>(byte), 2, value, 0, 0);
        }
    }
}

void apply_macro(int16_t m) {
    const EffectMacro* macro = macro_of(m);
    if (macro == nullptr || !tables_ready()) return;
    FigureBuffer figure;
    for (int i = 0; i < kFigureWords; ++i) figure[static_cast<size_t>(i)] = figure_word(*macro, i);
    bool any = false;
    for (int f = 1; f <= fixture_limit(); ++f) {
        if (fixture_selected[static_cast<size_t>(f)] == 0) continue;
        MacroFixture fx;
        if (!read_macro_fixture(f, fx)) continue;
        any = true;
        if (has_pantilt(f) && figure_enabled(*macro)) store_macro_pantilt_block(static_cast<int16_t>(f), figure.data());
        for (int c = 1; c <= fx.channels; ++c) {
            const int b = find_block(*macro, fx, c);
            if (b < 0) continue;
            const FunctionBuffer block = function_block(*macro, b);
            store_macro_block(static_cast<int16_t>(f), static_cast<int16_t>(c), block.data());
        }
        macro_states[static_cast<size_t>(f)][kMacroNumber] = static_cast<uint8_t>(m);
    }
    if (any) refresh_faders();
}

void reapply_macro(int16_t k, int16_t v) {
    if (k != kMacroSwing && k != kMacroSpeed && k != kMacroMode && k != kMacroWait) return;
    const int m = current_macro();
    if (m == 0 || !tables_ready()) return;
    const EffectMacro& macro = *macro_of(m);
    const double frac = std::clamp<int>(v, 0, kLevelTop) / 255.0;
    const auto state = static_cast<int>(frac * macro_fader_limits[static_cast<size_t>(k)]);
    // The generator word and the figure word the fader sets.
    int function_word = kSwingWord;
    int figure_slot = kFigureWaitWord;
    switch (k) {
        case kMacroSpeed: function_word = kSpeedWord; figure_slot = kFigureSpeedWord; break;
        case kMacroMode: function_word = kModeWord; figure_slot = kFigureModeWord; break;
        case kMacroWait: function_word = kWaitWord; figure_slot = kFigureWaitWord; break;
        default: break;
    }
    for (int f = 1; f <= fixture_limit(); ++f) {
        if (!carries(f, m)) continue;
        MacroFixture fx;
        if (!read_macro_fixture(f, fx)) continue;
        if (has_pantilt(f) && figure_enabled(macro)) {
            FigureBuffer buffer;
            buffer.fill(kMacroWordUnset);
            if (k == kMacroSwing) {
                for (const int w : {kXSwingWord, kYSwingWord}) {
                    const int16_t own = figure_word(macro, w);
                    if (own != kMacroWordUnset) buffer[static_cast<size_t>(w)] = static_cast<int16_t>(own * frac);
                }
            } else if (k == kMacroMode) {
                const int waveform = std::min(state / 4 + 1, kWaveforms);
                buffer[kFigureModeWord] = static_cast<int16_t>(waveform % 2 == 0 ? 4 : 0);
            } else {
                buffer[static_cast<size_t>(figure_slot)] = static_cast<int16_t>(state);
            }
            store_macro_pantilt_block(static_cast<int16_t>(f), buffer.data());
        }
        for (int c = 1; c <= fx.channels; ++c) {
            const int b = find_block(macro, fx, c);
            if (b < 0) continue;
            FunctionBuffer buffer;
            buffer.fill(kMacroWordUnset);
            if (k == kMacroSwing) {
                const int16_t own = word(macro.functions[static_cast<size_t>(b)][kSwingWord]);
                if (own == kMacroWordUnset) continue;
                buffer[kSwingWord] = static_cast<int16_t>(own * frac);
            } else {
                buffer[static_cast<size_t>(function_word)] = static_cast<int16_t>(state);
            }
            store_macro_block(static_cast<int16_t>(f), static_cast<int16_t>(c), buffer.data());
        }
        macro_states[static_cast<size_t>(f)][static_cast<size_t>(k)] = static_cast<uint8_t>(state);
    }
}

WaveSpread build_wave_spread(int16_t wave) {
    WaveSpread spread;
    if (wave < 1) return spread;
    const int n = (wave - 1) % kSpreadChoices + 1;
    const int step = kDelaySpan / n;
    spread.count = n;
    if (wave <= kSpreadChoices) {
        for (int i = 0; i < n; ++i) spread.offsets[static_cast<size_t>(i)] = static_cast<int16_t>(i * step);
        return spread;
    }
    // In random order: each next offset goes to a free entry drawn at random.
    std::array<bool, kSpreadChoices> filled{};
    for (int next = 0; next < n;) {
        const int i = ui::get_random_below(static_cast<int16_t>(n));
        if (i < 0 || i >= n || filled[static_cast<size_t>(i)]) continue;
        filled[static_cast<size_t>(i)] = true;
        spread.offsets[static_cast<size_t>(i)] = static_cast<int16_t>(next * step);
        ++next;
    }
    return spread;
}

StepSpread build_step_spread(int16_t step, uint8_t loop_effect) {
    StepSpread spread;
    if (step < 1) return spread;
    const int quarters = loop_effect == 0 ? 4 : loop_effect;
    const int n = (step - 1) % kSpreadChoices + 1;
    spread.count = n;
    spread.wait = std::max(n * quarters - 4, 0);
    const auto place = [&spread, quarters](int entry, int position) {
        const auto p = static_cast<int>(position * (quarters * kQuarterPeriod));
        spread.delays[static_cast<size_t>(entry)] = static_cast<int16_t>(p % kDelaySpan);
        spread.shifts[static_cast<size_t>(entry)] = static_cast<int16_t>(p / kDelaySpan);
    };
    if (step <= kSpreadChoices) {
        for (int i = 0; i < n; ++i) place(i, i);
        return spread;
    }
    std::array<bool, kSpreadChoices> filled{};
    for (int next = 0; next < n;) {
        const int i = ui::get_random_below(static_cast<int16_t>(n));
        if (i < 0 || i >= n || filled[static_cast<size_t>(i)]) continue;
        filled[static_cast<size_t>(i)] = true;
        place(i, next);
        ++next;
    }
    return spread;
}

void apply_macro_wave(int16_t w) {
    const int m = current_macro();
    if (m == 0 || w < 1 || w > kMacroCount || !tables_ready()) return;
    const WaveSpread spread = build_wave_spread(w);
    spread_over_fixtures(
        m, spread.count,
        [&spread](int e) { return Turn{spread.offsets[static_cast<size_t>(e)], 0, 0}; }, w, kMacroWave);
}

void apply_macro_step(int16_t s) {
    const int m = current_macro();
    if (m == 0 || s < 1 || s > kMacroCount || !tables_ready()) return;
    const StepSpread spread = build_step_spread(s, macro_of(m)->loop_effect);
    spread_over_fixtures(
        m, spread.count,
        [&spread](int e) {
            return Turn{spread.delays[static_cast<size_t>(e)], spread.shifts[static_cast<size_t>(e)], spread.wait};
        },
        s, kMacroStep);
}

}  // namespace programmer
