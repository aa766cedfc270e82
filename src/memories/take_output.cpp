#include "memories/take_output.h"

#include "memories/presets.h"
#include "memories/programmer_selection.h"
#include "programmer/channel_generators.h"
#include "programmer/fader_panel.h"
#include "programmer/fixture_functions.h"
#include "programmer/pantilt_figures.h"
#include "programmer/programmer_values.h"
#include "runtime/config_records.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/main_loop.h"
#include "runtime/one_based.h"
#include "runtime/show_tables.h"
#include "setup/setup_data.h"
#include "ui/message_line.h"
#include "ui/value_table.h"

namespace memories {

namespace {

using runtime::at;

constexpr size_t kGenerators = runtime::kGeneratorBytesPerRecord;
constexpr size_t kFigures = runtime::kFigureBytesPerFixture;
constexpr int kPresetsPerClass = 70;
constexpr uint16_t kFirstValueReference = 1001;
constexpr uint16_t kLastValueReference = 1210;
constexpr uint16_t kDirectValueLimit = 256;   // below: a plain value the preset match may turn
constexpr uint8_t kFirstEffectReference = 181;
constexpr uint8_t kLastEffectReference = 250;
constexpr uint8_t kFigureMatchLimit = 171;    // figure bytes below are matched to effect presets
constexpr uint8_t kColourMixFirst = 6;        // colour roles 6..8: red, green, blue of a mix
constexpr uint8_t kColourMixLast = 8;
constexpr uint16_t kLitLevel = 10;
constexpr uint8_t kLitSwing = 9;

enum PresetClass : int { kNoClass = 0, kPositionClass = 1, kColourClass = 2, kGoboClass = 3 };

const runtime::FunctionRecord& record_of(int16_t r) { return runtime::function_record_table[r]; }

// A programmer value as the stage would get it: a preset reference looked up.
uint16_t resolve_value(int16_t record, uint16_t v) {
    if (v == runtime::kValueNotSet || v < kFirstValueReference || v > kLastValueReference) return v;
    const uint16_t* table = value_preset_table[at(v - kFirstValueReference + 1)];
    return table != nullptr ? table[record] : runtime::kValueNotSet;
}

uint8_t resolve_byte(const std::array<uint8_t*, kEffectPresets + 1>& presets, size_t offset, uint8_t b) {
    if (b < kFirstEffectReference || b > kLastEffectReference) return b;
    const uint8_t* part = presets[at(b - kFirstEffectReference + 1)];
    return part != nullptr ? part[offset] : runtime::kByteNotSet;
}

// A programmer byte replaced by the running one when not set or different.
void take_byte(uint8_t& programmed, uint8_t resolved, uint8_t running) {
    if (resolved == runtime::kByteNotSet || resolved != running) programmed = running;
}

// Position and colour exclude dimmers; a dimmer with the gobo-preset flag is
// of the gobo class.
int preset_class_of(int16_t r) {
    const runtime::FunctionRecord& rec = record_of(r);
    const bool dimmer = rec.dimmer != 0;
    if (rec.pantilt_role != 0 && !dimmer) return kPositionClass;
    if (rec.colour_role != 0 && !dimmer) return kColourClass;
    if (rec.gobo_role != 0) return kGoboClass;
    return kNoClass;
}

bool is_colour_mix(int16_t r) {
    return record_of(r).colour_role >= kColourMixFirst && record_of(r).colour_role <= kColourMixLast;
}

// The records that match a preset together with r: the pan/tilt channels of
// the fixture, the three channels of a colour mix, or r alone.
int matching_group(int16_t r, std::array<int16_t, 4>& group) {
    const int16_t fixture = record_of(r).fixture;
    if (is_pantilt_record(r)) {
        const runtime::PanTiltRecord& pt = runtime::fixture_pantilt_table[at(fixture)];
        group = {static_cast<int16_t>(pt.pan.record), static_cast<int16_t>(pt.tilt.record), 0, 0};
        if (pt.kind != 2) return 2;
        group[2] = static_cast<int16_t>(pt.pan_fine.record);
        group[3] = static_cast<int16_t>(pt.tilt_fine.record);
        return 4;
    }
    if (is_colour_mix(r)) {
        const int16_t channels = fixture_channel_count(fixture);
        const int16_t first = programmer::get_function_record_index(fixture, 1);
        int n = 0;
        for (uint8_t role = kColourMixFirst; role <= kColourMixLast; ++role) {
            for (int16_t c = 0; c < channels; ++c) {
                if (record_of(static_cast<int16_t>(first + c)).colour_role == role) group[at(n++)] = static_cast<int16_t>(first + c);
            }
        }
        return n;
    }
    group = {r, 0, 0, 0};
    return 1;
}

// The first preset 1..70 of the class whose entries equal the group's values.
bool match_class(int16_t r, int preset_class) {
    std::array<int16_t, 4> group{};
    const int members = matching_group(r, group);
    for (int p = 1; p <= kPresetsPerClass; ++p) {
        const int slot = (preset_class - 1) * kPresetsPerClass + p;
        const uint16_t* table = value_preset_table[at(slot)];
        if (table == nullptr) continue;
        bool equal = members > 0;
        for (int m = 0; m < members && equal; ++m) {
            const int16_t g = group[at(m)];
            equal = g != 0 && runtime::programmer_values[g] < kDirectValueLimit && table[g] == runtime::programmer_values[g];
        }
        if (!equal) continue;
        for (int m = 0; m < members; ++m) runtime::programmer_values[group[at(m)]] = static_cast<uint16_t>(1000 + slot);
        return true;
    }
    return false;
}

void match_figure_bytes(int16_t fixture) {
    const size_t first = (static_cast<size_t>(fixture) - 1) * kFigures;
    for (size_t p = 1; p <= kFigures; ++p) {
        uint8_t& b = runtime::programmer_figures[first + p];
        if (b >= kFigureMatchLimit) continue;
        for (int e = 1; e <= kEffectPresets; ++e) {
            const uint8_t* part = effect_preset_figures[at(e)];
            if (part == nullptr || part[first + p - 1] != b) continue;
            b = static_cast<uint8_t>(kFirstEffectReference - 1 + e);
            break;
        }
    }
}

void show_reading() { ui::show_message("READING OUTPUT ..."); }

// Every function of fixture f.
void take_fixture(int16_t fixture) {
    const int16_t channels = fixture_channel_count(fixture);
    const int16_t first = programmer::get_function_record_index(fixture, 1);
    for (int16_t c = 0; c < channels; ++c) take_function_output(fixture, static_cast<int16_t>(first + c));
    runtime::run_background();
}

// A dark function leaves the programmer: its value, and its generator bytes
// and times (a pan/tilt function: the fixture's figure bytes and the times
// of its PAN function).
void clear_function_in_programmer(int16_t fixture, int16_t r) {
    runtime::programmer_values[r] = runtime::kValueNotSet;
    if (is_pantilt_record(r)) {
        const size_t figures = (static_cast<size_t>(fixture) - 1) * kFigures;
        for (size_t p = 1; p <= kFigures; ++p) runtime::programmer_figures[figures + p] = runtime::kByteNotSet;
        const int16_t pan = static_cast<int16_t>(runtime::fixture_pantilt_table[at(fixture)].pan.record);
        if (pan != 0) reset_time_slots(pan);
    } else {
        const size_t generators = (static_cast<size_t>(r) - 1) * kGenerators;
        for (size_t p = 1; p <= kGenerators; ++p) runtime::programmer_generators[generators + p] = runtime::kByteNotSet;
        reset_time_slots(r);
    }
}

void clear_fixture_in_programmer(int16_t fixture) {
    const int16_t channels = fixture_channel_count(fixture);
    const int16_t first = programmer::get_function_record_index(fixture, 1);
    for (int16_t r = first; r < first + channels; ++r) clear_function_in_programmer(fixture, r);
}

// A dimmer is lit at 10 or more, or below that with a set SWING above 9 on
// the fixture's first record; values as the take would see them.
bool dimmer_lit(int16_t fixture, int16_t dimmer) {
    uint16_t level = resolve_value(dimmer, runtime::programmer_values[dimmer]);
    if (level == runtime::kValueNotSet || level != runtime::output_base_values[dimmer]) {
        level = runtime::output_base_values[dimmer];
    }
    if (level >= kLitLevel) return true;
    const int16_t first = programmer::get_function_record_index(fixture, 1);
    const size_t swing_byte = (static_cast<size_t>(first) - 1) * kGenerators + 1;
    uint8_t swing = resolve_byte(effect_preset_generators, swing_byte - 1, runtime::programmer_generators[swing_byte]);
    const uint8_t running = runtime::generator_states[first].parameters[0];
    if (swing == runtime::kByteNotSet || swing != running) swing = running;
    return swing != runtime::kByteNotSet && swing > kLitSwing;
}

void take_lit_fixtures() {
    for (int16_t f = 1; f <= setup::fixture_count; ++f) {
        const int16_t channels = fixture_channel_count(f);
        const int16_t first = programmer::get_function_record_index(f, 1);
        int dimmers = 0;
        int16_t first_dimmer = 0;
        for (int16_t r = first; r < first + channels; ++r) {
            if (!is_dimmer_record(r)) continue;
            ++dimmers;
            if (first_dimmer == 0) first_dimmer = r;
        }
        if (dimmers == 0) continue;
        if (dimmers == channels) {
            // All dimmers: each judged alone.
            for (int16_t r = first; r < first + channels; ++r) {
                if (dimmer_lit(f, r)) take_function_output(f, r);
                else clear_function_in_programmer(f, r);
            }
        } else if (dimmer_lit(f, first_dimmer)) {
            take_fixture(f);
        } else {
            clear_fixture_in_programmer(f);
        }
        runtime::run_background();
    }
}

bool in_class(int16_t r, int16_t key) {
    if (key == runtime::KEY_PRESET_1 || key == runtime::KEY_TRACKERBALL_PANTILT) return is_pantilt_record(r);
    if (key == runtime::KEY_PRESET_2) return has_gobo_preset_flag(r);
    if (key == runtime::KEY_PRESET_3) return has_colour_preset_flag(r);
    return false;
}

void take_choice(const ProgrammerChoice& choice) {
    show_reading();
    if (choice.kind == ChoiceKind::single_key && choice.key == runtime::KEY_FULL) {
        if (setup::fixture_count > 0) take_lit_fixtures();
    } else if (choice.kind == ChoiceKind::single_key) {
        if (runtime::fader_bank != 0) return;
        for (int16_t f = 1; f <= setup::fixture_count; ++f) {
            if (!fixture_is_selected(f)) continue;
            const int16_t channels = fixture_channel_count(f);
            const int16_t first = programmer::get_function_record_index(f, 1);
            for (int16_t r = first; r < first + channels; ++r) {
                if (in_class(r, choice.key)) take_function_output(f, r);
            }
            runtime::run_background();
        }
    } else if (choice.kind == ChoiceKind::functions) {
        if (choice.first < 1 || choice.last > current_function_count()) return;
        for (int16_t f = 1; f <= setup::fixture_count; ++f) {
            if (!fixture_is_selected(f)) continue;
            for (int16_t n = choice.first; n <= choice.last; ++n) {
                const int16_t r = mapped_function_record(f, n);
                if (r != 0) take_function_output(f, r);
            }
            runtime::run_background();
        }
    } else {
        FixtureMarks chosen{};
        mark_chosen_fixtures(choice, chosen);
        for (int16_t f = 1; f <= setup::fixture_count; ++f) {
            if (chosen[at(f)] == 1) take_fixture(f);
        }
    }
    if ((runtime::run_flags & runtime::RUN_DEFAULT_MODE) == 0) programmer::refresh_faders();
}

bool offers_take_key(int16_t key) {
    if (key == runtime::KEY_FULL) return true;
    if (runtime::fader_bank != 0 || runtime::current_fixture == 0) return false;
    return key == runtime::KEY_TRACKERBALL_PANTILT || (key >= runtime::KEY_PRESET_1 && key <= runtime::KEY_PRESET_3);
}

uint8_t saved_pantilt_led = 0;

void show_take_leds() {
    saved_pantilt_led = runtime::key_led_cache[at(runtime::KEY_TRACKERBALL_PANTILT)];
    runtime::set_key_led(runtime::KEY_FULL, runtime::LED_BLINK_BOTH);
    if (runtime::fader_bank != 0 || runtime::current_fixture == 0) return;
    runtime::set_key_led(runtime::KEY_TRACKERBALL_PANTILT, runtime::LED_BLINK);
    for (int16_t k = runtime::KEY_PRESET_1; k <= runtime::KEY_PRESET_3; ++k) runtime::set_key_led(k, runtime::LED_BLINK);
}

void restore_take_leds() {
    runtime::set_key_led(runtime::KEY_FULL, runtime::LED_OFF);
    for (int16_t k = runtime::KEY_PRESET_1; k <= runtime::KEY_PRESET_3; ++k) runtime::set_key_led(k, runtime::LED_OFF);
    runtime::set_key_led(runtime::KEY_TRACKERBALL_PANTILT, saved_pantilt_led);
}

}  // namespace

void take_function_output(int16_t fixture, int16_t record) {
    if (record < 1 || record > runtime::function_record_count) return;
    const uint16_t stage = runtime::output_base_values[record];
    const uint16_t resolved = resolve_value(record, runtime::programmer_values[record]);
    if (resolved == runtime::kValueNotSet || resolved != stage) runtime::programmer_values[record] = stage;
    if (!is_pantilt_record(record)) {
        const size_t first = (static_cast<size_t>(record) - 1) * kGenerators;
        for (size_t p = 1; p <= kGenerators; ++p) {
            uint8_t& b = runtime::programmer_generators[first + p];
            take_byte(b, resolve_byte(effect_preset_generators, first + p - 1, b),
                      runtime::generator_states[record].parameters[p - 1]);
        }
    } else {
        const size_t first = (static_cast<size_t>(fixture) - 1) * kFigures;
        for (size_t p = 1; p <= kFigures; ++p) {
            uint8_t& b = runtime::programmer_figures[first + p];
            take_byte(b, resolve_byte(effect_preset_figures, first + p - 1, b),
                      runtime::figure_states[fixture].parameters[p - 1]);
        }
    }
    take_function_output_into_programmer(record);
}

void take_function_output_into_programmer(int16_t record) {
    const int16_t fixture = record_of(record).fixture;
    const int preset_class = preset_class_of(record);
    if (preset_class != kNoClass && runtime::programmer_values[record] < kDirectValueLimit) {
        const bool matched = match_class(record, preset_class);
        if (!matched && preset_class == kPositionClass && has_gobo_preset_flag(record) &&
            runtime::programmer_values[record] < kDirectValueLimit) {
            match_class(record, kGoboClass);
        }
    }
    if (fixture >= 1 && fixture <= setup::fixture_count) match_figure_bytes(fixture);
    // The stage's own values go back through the setters.
    programmer::set_function_value(record, runtime::output_base_values[record]);
    const size_t generators = (static_cast<size_t>(record) - 1) * kGenerators;
    for (size_t p = 1; p <= kGenerators; ++p) {
        programmer::set_generator_param(static_cast<int16_t>(generators + p), runtime::generator_states[record].parameters[p - 1]);
    }
    if (fixture < 1 || fixture > setup::fixture_count) return;
    const size_t figures = (static_cast<size_t>(fixture) - 1) * kFigures;
    for (size_t p = 1; p <= kFigures; ++p) {
        programmer::set_figure_param(static_cast<int16_t>(figures + p), runtime::figure_states[fixture].parameters[p - 1]);
    }
}

void run_take_output_to_programmer() {
    SelectionCommand command;
    command.key = runtime::KEY_TAKE_OUTPUT;
    command.title = "SELECT FIXTURES/ FUNCTIONS TO COPY";
    command.offers_single_key = offers_take_key;
    command.show_leds = show_take_leds;
    command.restore_leds = restore_take_leds;
    command.act = take_choice;
    run_programmer_selection(command);
    ui::draw_table_cells();  // the values taken, where the table shows them
}

}  // namespace memories
