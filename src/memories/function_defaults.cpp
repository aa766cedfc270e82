#include "memories/function_defaults.h"

#include "datafiles/default_values.h"
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
#include "runtime/key_reader.h"
#include "runtime/main_loop.h"
#include "runtime/one_based.h"
#include "runtime/show_tables.h"
#include "runtime/timers.h"
#include "setup/setup_data.h"
#include "ui/value_table.h"

namespace memories {

namespace {

using runtime::at;

constexpr uint32_t kEverythingWindow_ms = 500;
constexpr size_t kGenerators = runtime::kGeneratorBytesPerRecord;
constexpr size_t kFigures = runtime::kFigureBytesPerFixture;

bool key_down(int16_t key) { return runtime::key_down_table[at(key)] != 0; }

// Live edit on and not blind: the new value is held as the manual value.
void mark_manual(uint16_t& flags) {
    const bool live = (runtime::run_flags & runtime::RUN_LIVE_EDIT) != 0 && (runtime::run_flags & runtime::RUN_BLIND) == 0;
    if (live) flags |= runtime::FLAG_MANUAL;
}

uint16_t default_value_of(int16_t record) {
    if (datafiles::default_values == nullptr || record < 1 || record > datafiles::kDefaultValueRecords) {
        return runtime::kValueNotSet;
    }
    return datafiles::default_values[record];
}

void stop_generator(int16_t record) {
    const size_t swing = (static_cast<size_t>(record) - 1) * kGenerators + 1;
    runtime::programmer_generators[swing] = 0;
    mark_manual(runtime::generator_flags[swing]);
    programmer::set_generator_param(static_cast<int16_t>(swing), 0);
}

void stop_figure(int16_t fixture) {
    const size_t x_swing = (static_cast<size_t>(fixture) - 1) * kFigures + 1;
    for (size_t i = x_swing; i <= x_swing + 1; ++i) {
        runtime::programmer_figures[i] = 0;
        mark_manual(runtime::figure_flags[i]);
        programmer::set_figure_param(static_cast<int16_t>(i), 0);
    }
}

void refresh_after_defaults() {
    if ((runtime::run_flags & runtime::RUN_DEFAULT_MODE) != 0) return;
    programmer::refresh_faders();
    ui::refresh_table_view();
}

// Every function of fixture f that passes the filter.
template <typename Filter>
void default_fixture(int16_t fixture, Filter keep) {
    const int16_t channels = fixture_channel_count(fixture);
    for (int16_t c = 1; c <= channels; ++c) {
        if (keep(programmer::get_function_record_index(fixture, c))) set_function_to_default(fixture, c, false);
    }
}

// The channel of fixture f that record r is.
int16_t channel_of(int16_t fixture, int16_t record) {
    return static_cast<int16_t>(record - programmer::get_function_record_index(fixture, 1) + 1);
}

// Fader choice: the current fixture's functions in the range, and all its
// pan/tilt functions when the range holds one, mapped to each selected fixture.
void default_functions(int16_t first, int16_t last) {
    const int16_t current = runtime::current_fixture;
    const int16_t count = current_function_count();
    if (current == 0 || first < 1 || last > count) return;
    std::array<uint8_t, setup::kMaxTypeChannels + 1> chosen{};
    bool pantilt = false;
    for (int16_t n = first; n <= last; ++n) {
        chosen[at(n)] = 1;
        pantilt = pantilt || is_pantilt_record(programmer::get_function_record_index(current, n));
    }
    for (int16_t n = 1; pantilt && n <= count; ++n) {
        if (is_pantilt_record(programmer::get_function_record_index(current, n))) chosen[at(n)] = 1;
    }
    for (int16_t f = 1; f <= setup::fixture_count; ++f) {
        if (!fixture_is_selected(f)) continue;
        for (int16_t n = 1; n <= count; ++n) {
            if (chosen[at(n)] == 0) continue;
            const int16_t r = mapped_function_record(f, n);
            if (r != 0) set_function_to_default(f, channel_of(f, r), false);
        }
    }
}

void default_selected_class(bool (*in_class)(int16_t record)) {
    for (int16_t f = 1; f <= setup::fixture_count; ++f) {
        if (fixture_is_selected(f)) default_fixture(f, in_class);
    }
}

bool colour_not_dimmer(int16_t record) { return has_colour_preset_flag(record) && !is_dimmer_record(record); }
bool not_pantilt(int16_t record) { return !is_pantilt_record(record); }

void default_choice(const ProgrammerChoice& choice) {
    switch (choice.kind) {
        case ChoiceKind::functions: default_functions(choice.first, choice.last); break;
        case ChoiceKind::single_key:
            if (choice.key == runtime::KEY_TRACKERBALL_PANTILT || choice.key == runtime::KEY_PRESET_1) {
                default_selected_class(is_pantilt_record);
            } else if (choice.key == runtime::KEY_PRESET_2) {
                default_selected_class(has_gobo_preset_flag);
            } else if (choice.key == runtime::KEY_PRESET_3) {
                default_selected_class(colour_not_dimmer);
            }
            break;
        default: {
            FixtureMarks chosen{};
            mark_chosen_fixtures(choice, chosen);
            for (int16_t f = 1; f <= setup::fixture_count; ++f) {
                if (chosen[at(f)] == 1) default_fixture(f, not_pantilt);
            }
            break;
        }
    }
    refresh_after_defaults();
}

bool offers_class_key(int16_t key) {
    if (runtime::current_fixture == 0) return false;
    return key == runtime::KEY_TRACKERBALL_PANTILT || (key >= runtime::KEY_PRESET_1 && key <= runtime::KEY_PRESET_3);
}

void show_default_leds() {
    runtime::set_key_led(runtime::KEY_ALL, runtime::LED_OFF);
    if (runtime::current_fixture != 0) {
        int to = 0;
        if (runtime::fader_bank == 1) to = 7;
        if (runtime::fader_bank == 2) to = 10;
        for (int k = 1; k <= to; ++k) runtime::set_key_led(runtime::fader_key(k), runtime::LED_BLINK);
        runtime::set_key_led(runtime::KEY_TRACKERBALL_PANTILT, runtime::LED_BLINK);
        for (int16_t k = runtime::KEY_PRESET_1; k <= runtime::KEY_PRESET_3; ++k) runtime::set_key_led(k, runtime::LED_BLINK);
    }
    runtime::set_key_led(runtime::KEY_FIGURE, runtime::LED_BLINK);
}

void restore_default_leds() {
    runtime::set_key_led(runtime::KEY_FIGURE, runtime::LED_OFF);
    for (int16_t k = runtime::KEY_PRESET_1; k <= runtime::KEY_PRESET_3; ++k) runtime::set_key_led(k, runtime::LED_OFF);
}

}  // namespace

void set_function_to_default(int16_t fixture, int16_t channel, bool both) {
    const int16_t record = programmer::get_function_record_index(fixture, channel);
    if (record < 1 || record > runtime::function_record_count) return;
    const bool figure_held = key_down(runtime::KEY_FIGURE);
    if (both || !figure_held) {
        const uint16_t value = default_value_of(record);
        runtime::programmer_values[record] = value;
        mark_manual(runtime::channel_flags[record]);
        programmer::set_function_value(record, value);
    }
    if (both || figure_held) {
        if (is_pantilt_record(record)) stop_figure(fixture);
        else stop_generator(record);
    }
}

void run_set_functions_to_default() {
    const uint32_t opened_ms = runtime::get_time_ms();
    SelectionCommand command;
    command.key = runtime::KEY_SELECT_FUNCTIONS;
    command.title = "SELECT FIXTURES/FUNCTIONS";
    command.functions_in_any_bank = true;
    command.offers_single_key = offers_class_key;
    command.show_leds = show_default_leds;
    command.restore_leds = restore_default_leds;
    command.act = default_choice;
    run_programmer_selection(command);
    // SELECT FUNCTIONS pressed again within 500 ms: everything selected,
    // value and effect.
    while (runtime::get_time_ms() - opened_ms < kEverythingWindow_ms) {
        int16_t key = 0;
        if (!runtime::is_input_pending()) {
            runtime::run_background();
            continue;
        }
        if (!runtime::get_key(&key)) continue;
        if (key != runtime::KEY_SELECT_FUNCTIONS) {
            runtime::pushed_back_key = key;  // another command: it runs next
            break;
        }
        for (int16_t f = 1; f <= setup::fixture_count; ++f) {
            if (!fixture_is_selected(f)) continue;
            const int16_t channels = fixture_channel_count(f);
            for (int16_t c = 1; c <= channels; ++c) set_function_to_default(f, c, true);
        }
        refresh_after_defaults();
        break;
    }
}

}  // namespace memories
