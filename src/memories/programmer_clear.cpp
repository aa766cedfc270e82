#include "memories/programmer_clear.h"

#include "memories/programmer_selection.h"
#include "playback/output_merge.h"
#include "programmer/fader_panel.h"
#include "programmer/fixture_functions.h"
#include "programmer/function_timings.h"
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
#include "ui/memory_access.h"
#include "ui/value_table.h"

namespace memories {

namespace {

using runtime::at;

constexpr size_t kGenerators = runtime::kGeneratorBytesPerRecord;
constexpr size_t kFigures = runtime::kFigureBytesPerFixture;
constexpr uint32_t kClearAllWindow_ms = 500;
constexpr int kTimeKinds = 5;
constexpr int kTimeRuns = 3;

bool key_down(int16_t key) { return runtime::key_down_table[at(key)] != 0; }

bool clears_effects(int16_t mode) {
    return mode == kClearAll || mode == kClearEffects || mode == kClearEffectsAndTimes;
}
bool clears_times(int16_t mode) { return mode == kClearAll || mode == kClearTimes || mode == kClearEffectsAndTimes; }

// The mode the held keys give at this moment.
int16_t current_clear_mode() {
    if (key_down(runtime::KEY_LIVE_EDIT)) return kClearRelease;
    const bool figure = key_down(runtime::KEY_FIGURE);
    const bool timing = key_down(runtime::KEY_TIMING);
    if (figure && timing) return kClearEffectsAndTimes;
    if (figure) return kClearEffects;
    if (timing) return kClearTimes;
    return kClearAll;
}

void clear_value(int16_t record, int16_t mode) {
    if (mode == kClearAll) runtime::programmer_values[record] = runtime::kValueNotSet;
    if (mode == kClearRelease) playback::release_programmer_value(record);
}

void clear_generator_byte(size_t i, int16_t mode) {
    if (mode == kClearRelease) playback::release_programmer_sub_attribute_value(static_cast<int>(i));
    else if (clears_effects(mode)) runtime::programmer_generators[i] = runtime::kByteNotSet;
}

void clear_figure_byte(size_t i, int16_t mode) {
    if (mode == kClearRelease) playback::release_programmer_extra_value(static_cast<int>(i));
    else if (clears_effects(mode)) runtime::programmer_figures[i] = runtime::kByteNotSet;
}

void clear_generators(int16_t record, int16_t mode) {
    const size_t first = (static_cast<size_t>(record) - 1) * kGenerators;
    for (size_t p = 1; p <= kGenerators; ++p) clear_generator_byte(first + p, mode);
}

void clear_figures(int16_t fixture, int16_t mode) {
    const size_t first = (static_cast<size_t>(fixture) - 1) * kFigures;
    for (size_t p = 1; p <= kFigures; ++p) clear_figure_byte(first + p, mode);
}

// The record whose time slots stand for a pan/tilt function: the fixture's PAN.
int16_t pan_record(int16_t fixture) {
    return static_cast<int16_t>(runtime::fixture_pantilt_table[at(fixture)].pan.record);
}

// Effects and times of record r of fixture f: a pan/tilt function acts on the
// fixture's figure bytes and its PAN function's slots.
void clear_effects_and_times(int16_t fixture, int16_t record, int16_t mode) {
    const bool pantilt = is_pantilt_record(record);
    if (pantilt) clear_figures(fixture, mode);
    else clear_generators(record, mode);
    const int16_t timed = pantilt ? pan_record(fixture) : record;
    if (clears_times(mode) && timed != 0) reset_time_slots(timed);
}

bool in_class(int16_t record, int16_t clear_class) {
    switch (clear_class) {
        case kClassPanTilt: return is_pantilt_record(record);
        case kClassColour: return has_colour_preset_flag(record) && !is_dimmer_record(record);
        case kClassGobo: return has_gobo_preset_flag(record);
        case kClassAll: return true;
        default: return false;
    }
}

void refresh_after_clear() {
    if ((runtime::run_flags & runtime::RUN_DEFAULT_MODE) != 0) return;
    programmer::refresh_faders();
    ui::refresh_table_view();
}

// Every entry of fixture f, selected or not.
void clear_fixture(int16_t fixture, int16_t mode) {
    const int16_t channels = fixture_channel_count(fixture);
    if (channels == 0) return;
    const int16_t first = programmer::get_function_record_index(fixture, 1);
    for (int16_t r = first; r < first + channels; ++r) {
        clear_value(r, mode);
        if (mode == kClearRelease || clears_effects(mode)) clear_generators(r, mode);
        if (clears_times(mode)) reset_time_slots(r);
    }
    if (mode == kClearRelease || clears_effects(mode)) clear_figures(fixture, mode);
}

// Time kind k of record r in every shown time run.
void reset_time_kind(int16_t record, int kind) {
    const size_t first = (static_cast<size_t>(record) - 1) * runtime::kTimeSlotsPerRecord;
    for (int run = 0; run < kTimeRuns; ++run) {
        if (programmer::timing_group_flags[at(run)] != 1) continue;
        const size_t slot = first + at(run * kTimeKinds + kind);
        runtime::programmer_times[slot] = ui::default_times[at(kind)];
        runtime::programmer_time_set[slot] = 0;
    }
}

// The selected function of the current fixture's type (bank 1's fader 1).
int16_t selected_function() {
    return static_cast<int16_t>(runtime::function_page * 16 + runtime::selected_fader_bank0 - 16);
}

void clear_faders(int16_t first, int16_t last, int16_t mode) {
    const int16_t fixtures = setup::fixture_count;
    for (int16_t f = 1; f <= fixtures; ++f) {
        if (!fixture_is_selected(f)) continue;
        for (int16_t k = first; k <= last; ++k) {
            switch (runtime::fader_bank) {
                case 0: {
                    const int16_t r = mapped_function_record(f, k);
                    if (r == 0) break;
                    clear_value(r, mode);
                    clear_effects_and_times(f, r, mode);
                    break;
                }
                case 1: {
                    const int16_t r = mapped_function_record(f, selected_function());
                    if (r == 0) break;
                    if (k == 1) clear_value(r, mode);
                    else clear_generator_byte((static_cast<size_t>(r) - 1) * kGenerators + at(k - 1),
                                              mode == kClearRelease ? kClearRelease : kClearEffects);
                    break;
                }
                case 2:
                    clear_figure_byte((static_cast<size_t>(f) - 1) * kFigures + at(k),
                                      mode == kClearRelease ? kClearRelease : kClearEffects);
                    break;
                case 3: {
                    const int16_t r = mapped_function_record(f, selected_function());
                    if (r != 0 && k >= 2) reset_time_kind(r, k - 1);
                    break;
                }
                default: break;
            }
        }
    }
}

// Whether a fader range suits the bank (both ends already ordered).
bool fader_range_allowed(int16_t first, int16_t last) {
    switch (runtime::fader_bank) {
        case 0: return first >= 1 && last <= current_function_count();
        case 1: return first >= 1 && last < 8;
        case 2: return first >= 1 && last < 11;
        case 3: return first >= 2 && last <= 6;
        default: return false;
    }
}

void clear_choice(const ProgrammerChoice& choice) {
    const int16_t mode = current_clear_mode();
    switch (choice.kind) {
        case ChoiceKind::functions:
            if (runtime::current_fixture == 0 || !fader_range_allowed(choice.first, choice.last)) return;
            clear_faders(choice.first, choice.last, mode);
            return;
        case ChoiceKind::single_key: {
            const int16_t key = choice.key;
            if (key == runtime::KEY_PRESET_1 || key == runtime::KEY_TRACKERBALL_PANTILT) clear_class_entries(kClassPanTilt, mode);
            else if (key == runtime::KEY_PRESET_3) clear_class_entries(kClassColour, mode);
            else if (key == runtime::KEY_PRESET_2) clear_class_entries(kClassGobo, mode);
            else if (key == runtime::KEY_PRESET_4) {
                clear_class_entries(kClassAll, key_down(runtime::KEY_LIVE_EDIT) ? kClearEffectsAndTimes : kClearEffects);
            }
            return;
        }
        default: {
            FixtureMarks chosen{};
            mark_chosen_fixtures(choice, chosen);
            for (int16_t f = 1; f <= setup::fixture_count; ++f) {
                if (chosen[at(f)] == 1) clear_fixture(f, mode);
            }
            return;
        }
    }
}

bool offers_class_key(int16_t key) {
    if (runtime::fader_bank != 0 || runtime::current_fixture == 0) return false;
    return key == runtime::KEY_TRACKERBALL_PANTILT || (key >= runtime::KEY_PRESET_1 && key <= runtime::KEY_PRESET_4);
}

bool live_edit_on() { return (runtime::run_flags & runtime::RUN_LIVE_EDIT) != 0; }

uint8_t saved_pantilt_led = 0;

void show_clear_leds() {
    saved_pantilt_led = runtime::key_led_cache[at(runtime::KEY_TRACKERBALL_PANTILT)];
    if (runtime::current_fixture != 0) {
        // The fader keys of the other banks: generator parameters, figure
        // parameters, time kinds.
        int from = 0;
        int to = -1;
        if (runtime::fader_bank == 1) to = 7, from = 1;
        if (runtime::fader_bank == 2) to = 10, from = 1;
        if (runtime::fader_bank == 3) to = 6, from = 2;
        for (int k = from; k <= to; ++k) runtime::set_key_led(runtime::fader_key(k), runtime::LED_BLINK);
    }
    if (runtime::fader_bank == 0) {
        runtime::set_key_led(runtime::KEY_FIGURE, runtime::LED_BLINK);
        runtime::set_key_led(runtime::KEY_TIMING, runtime::LED_BLINK);
        if (runtime::current_fixture != 0) {
            runtime::set_key_led(runtime::KEY_TRACKERBALL_PANTILT, runtime::LED_BLINK);
            for (int16_t k = runtime::KEY_PRESET_1; k <= runtime::KEY_PRESET_4; ++k) {
                runtime::set_key_led(k, runtime::LED_BLINK);
            }
        }
    }
    runtime::set_key_led(runtime::KEY_LIVE_EDIT, live_edit_on() ? runtime::LED_BLINK : runtime::LED_OFF);
}

void restore_clear_leds() {
    if (runtime::fader_bank == 0) {
        runtime::set_key_led(runtime::KEY_TIMING, runtime::LED_OFF);
        runtime::set_key_led(runtime::KEY_FIGURE, runtime::LED_OFF);
        for (int16_t k = runtime::KEY_PRESET_1; k <= runtime::KEY_PRESET_4; ++k) runtime::set_key_led(k, runtime::LED_OFF);
    }
    runtime::set_key_led(runtime::KEY_TRACKERBALL_PANTILT, saved_pantilt_led);
    runtime::set_key_led(runtime::KEY_LIVE_EDIT, live_edit_on() ? runtime::LED_ON : runtime::LED_OFF);
}

}  // namespace

void clear_function_entries(int16_t fixture, int16_t channel, int16_t mode) {
    if (runtime::fader_bank != 0) return;
    const int16_t record = programmer::get_function_record_index(fixture, channel);
    if (record < 1 || record > runtime::function_record_count) return;
    clear_value(record, mode);
    if (!is_pantilt_record(record) && (channel < 1 || channel > fixture_channel_count(fixture))) return;
    clear_effects_and_times(fixture, record, mode);
}

void clear_class_entries(int16_t clear_class, int16_t mode) {
    for (int16_t f = 1; f <= setup::fixture_count; ++f) {
        if (!fixture_is_selected(f)) continue;
        const int16_t channels = fixture_channel_count(f);
        for (int16_t c = 1; c <= channels; ++c) {
            const int16_t r = programmer::get_function_record_index(f, c);
            if (in_class(r, clear_class)) clear_function_entries(f, c, mode);
        }
    }
    refresh_after_clear();
}

void run_clear_programmer() {
    const uint32_t opened_ms = runtime::get_time_ms();
    SelectionCommand command;
    command.key = runtime::KEY_CLEAR;
    command.title = "SELECT FIXTURES/ FUNCTIONS TO CLEAR";
    command.functions_in_any_bank = true;
    command.offers_single_key = offers_class_key;
    command.show_leds = show_clear_leds;
    command.restore_leds = restore_clear_leds;
    command.act = clear_choice;
    run_programmer_selection(command);
    // CLEAR pressed again within 500 ms of opening: the whole selection.
    while (runtime::get_time_ms() - opened_ms < kClearAllWindow_ms) {
        int16_t key = 0;
        if (!runtime::is_input_pending()) {
            runtime::run_background();
            continue;
        }
        if (!runtime::get_key(&key)) continue;
        if (key != runtime::KEY_CLEAR) {
            runtime::pushed_back_key = key;  // another command: it runs next
            break;
        }
        for (int16_t f = 1; f <= setup::fixture_count; ++f) {
            if (fixture_is_selected(f)) clear_fixture(f, kClearAll);
        }
        refresh_after_clear();
        break;
    }
}

}  // namespace memories
