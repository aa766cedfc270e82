#include "memories/programmer_selection.h"

#include "programmer/commands.h"
#include "programmer/fader_panel.h"
#include "programmer/fixture_functions.h"
#include "programmer/fixture_groups.h"
#include "programmer/fixture_pages.h"
#include "runtime/config_records.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "runtime/main_loop.h"
#include "runtime/one_based.h"
#include "setup/setup_data.h"
#include "ui/helpers.h"
#include "ui/memory_access.h"
#include "ui/message_line.h"
#include "ui/value_table.h"

namespace memories {

namespace {

using runtime::at;

constexpr int kFadersPerPage = 16;
constexpr int kGroupsPerBank = 16;
constexpr int kTimeKinds = 5;

bool is_fixture_key(int16_t key) {
    const int count = runtime::fixture_bank_counts[at(runtime::fixture_page)];
    return key >= runtime::KEY_FIXTURE_1 && key < runtime::KEY_FIXTURE_1 + count;
}

bool is_fader_key(int16_t key) { return key >= runtime::KEY_FADER_1 && key <= runtime::KEY_FADER_16; }

bool is_group_key(int16_t key) { return key >= runtime::KEY_GROUP_1 && key < runtime::KEY_GROUP_1 + kGroupsPerBank; }

enum class KeyKind : uint8_t { none, fixture, fader, group };

KeyKind kind_of(const SelectionCommand& command, int16_t key) {
    if (is_fixture_key(key)) return KeyKind::fixture;
    if (is_group_key(key)) return KeyKind::group;
    if (is_fader_key(key) && runtime::current_fixture != 0 &&
        (command.functions_in_any_bank || runtime::fader_bank == 0)) {
        return KeyKind::fader;
    }
    return KeyKind::none;
}

int16_t group_of_key(int16_t key) {
    return static_cast<int16_t>((runtime::group_bank - 1) * kGroupsPerBank + key - runtime::KEY_GROUP_1 + 1);
}

// Waits for the next key event with the show running; true for a press.
// A release comes back as false with *key set.
bool read_event(int16_t* key) {
    *key = 0;
    if (!runtime::is_input_pending()) {
        runtime::run_background();
        return false;
    }
    return runtime::get_key(key);
}

bool ends_dialog(const SelectionCommand& command, int16_t key) {
    return key == command.key || key == runtime::KEY_ESC;
}

ProgrammerChoice choice_of(KeyKind kind, int16_t a, int16_t b) {
    ProgrammerChoice choice;
    if (a > b) std::swap(a, b);
    switch (kind) {
        case KeyKind::fixture:
            choice.kind = ChoiceKind::fixture_keys;
            choice.first = static_cast<int16_t>(a - runtime::KEY_FIXTURE_1 + 1);
            choice.last = static_cast<int16_t>(b - runtime::KEY_FIXTURE_1 + 1);
            break;
        case KeyKind::fader:
            choice.kind = ChoiceKind::functions;
            choice.first = function_of_fader_key(a);
            choice.last = function_of_fader_key(b);
            break;
        case KeyKind::group:
            choice.kind = ChoiceKind::groups;
            choice.first = group_of_key(a);
            choice.last = group_of_key(b);
            break;
        case KeyKind::none: break;
    }
    return choice;
}

void act_on(const SelectionCommand& command, const ProgrammerChoice& choice) {
    if (command.act == nullptr) return;
    command.act(choice);
    if ((runtime::run_flags & runtime::RUN_DEFAULT_MODE) == 0) ui::refresh_table_view();
}

void show_dialog_leds(const SelectionCommand& command) {
    runtime::set_key_led(command.key, runtime::LED_ON);
    if (command.offers_all) runtime::set_key_led(runtime::KEY_ALL, runtime::LED_BLINK_BOTH);
    programmer::update_group_leds();
    const int count = runtime::fixture_bank_counts[at(runtime::fixture_page)];
    for (int k = 1; k <= count; ++k) runtime::set_key_led(runtime::fixture_key(k), runtime::LED_BLINK_BOTH);
    if (runtime::fader_bank == 0 && runtime::current_fixture != 0) {
        const int16_t functions = current_function_count();
        for (int k = 1; k <= kFadersPerPage; ++k) {
            const int16_t key = runtime::fader_key(k);
            if (function_of_fader_key(key) <= functions) runtime::set_key_led(key, runtime::LED_BLINK_BOTH);
        }
    }
    if (command.show_leds != nullptr) command.show_leds();
}

void restore_dialog_leds(const SelectionCommand& command) {
    if (command.restore_leds != nullptr) command.restore_leds();
    runtime::set_key_led(runtime::KEY_ALL, runtime::LED_OFF);
    runtime::set_key_led(command.key, runtime::LED_OFF);
    ui::clear_message();
    programmer::update_fixture_key_leds();
    programmer::update_fader_key_leds();
    programmer::update_group_leds();
}

// After the first key of a choice: its release takes it alone, a second key
// of its kind the range between them; the command key or ESC ends the
// dialog with nothing chosen (false).
bool finish_choice(const SelectionCommand& command, KeyKind kind, int16_t first) {
    for (;;) {
        int16_t key = 0;
        const bool pressed = read_event(&key);
        if (key == 0) continue;
        if (ends_dialog(command, key)) return false;
        if (!pressed && key == first) {
            act_on(command, choice_of(kind, first, first));
            return true;
        }
        if (pressed && kind_of(command, key) == kind) {
            act_on(command, choice_of(kind, first, key));
            return true;
        }
    }
}

}  // namespace

int16_t function_of_fader_key(int16_t key) {
    return static_cast<int16_t>(runtime::function_page * kFadersPerPage + key - runtime::KEY_FADER_1 + 1 -
                                kFadersPerPage);
}

int16_t fixture_channel_count(int16_t fixture) {
    if (fixture < 1 || fixture > setup::fixture_count) return 0;
    return setup::setup_data.u8(setup::SetupData::fixture_field(fixture, setup::kFixtureChannelCount));
}

int16_t current_function_count() { return fixture_channel_count(runtime::current_fixture); }

namespace {

int16_t fixture_type_index(int16_t fixture) {
    return static_cast<int16_t>(setup::setup_data.u16(setup::SetupData::fixture_field(fixture, setup::kFixtureTypeIndex)));
}

}  // namespace

int16_t mapped_function_record(int16_t fixture, int16_t function) {
    if (runtime::current_fixture == 0 || fixture_channel_count(fixture) == 0) return 0;
    const int channel = programmer::map_function_between_types(fixture_type_index(runtime::current_fixture), function,
                                                               fixture_type_index(fixture));
    if (channel == 0 || channel > fixture_channel_count(fixture)) return 0;
    return programmer::get_function_record_index(fixture, static_cast<int16_t>(channel));
}

bool fixture_is_selected(int16_t fixture) {
    return fixture >= 1 && fixture <= setup::fixture_count && programmer::fixture_selected[at(fixture)] == 1;
}

void mark_chosen_fixtures(const ProgrammerChoice& choice, FixtureMarks& chosen) {
    chosen.fill(0);
    const int16_t fixtures = setup::fixture_count;
    switch (choice.kind) {
        case ChoiceKind::fixture_keys:
            for (int k = choice.first; k <= choice.last; ++k) {
                const int n = runtime::fixture_bank_keys[at(runtime::fixture_page)][at(k)] + 1;
                if (n >= 1 && n <= fixtures) chosen[at(n)] = 1;
            }
            break;
        case ChoiceKind::groups:
            for (int g = choice.first; g <= choice.last; ++g) {
                if (g < 1 || g > programmer::kGroups) continue;
                for (int f = 1; f <= fixtures; ++f) {
                    if (programmer::group_table[at(g)][at(f)] == 1) chosen[at(f)] = 1;
                }
            }
            break;
        case ChoiceKind::all:
            for (int f = 1; f <= fixtures; ++f) chosen[at(f)] = 1;
            break;
        case ChoiceKind::functions:
        case ChoiceKind::single_key: break;
    }
}

bool is_pantilt_record(int16_t record) {
    const uint8_t role = runtime::function_record_table[record].pantilt_role;
    return role >= 1 && role <= 4;
}
bool has_colour_preset_flag(int16_t record) { return runtime::function_record_table[record].colour_role != 0; }
bool has_gobo_preset_flag(int16_t record) { return runtime::function_record_table[record].gobo_role != 0; }
bool is_dimmer_record(int16_t record) { return runtime::function_record_table[record].dimmer != 0; }

void reset_time_slots(int16_t record) {
    const size_t first = (static_cast<size_t>(record) - 1) * runtime::kTimeSlotsPerRecord;
    for (size_t s = 1; s <= runtime::kTimeSlotsPerRecord; ++s) {
        runtime::programmer_times[first + s] = ui::default_times[(s - 1) % kTimeKinds + 1];
        runtime::programmer_time_set[first + s] = 0;
    }
}

void run_programmer_selection(const SelectionCommand& command) {
    runtime::option_flags &= ~runtime::OPT_MEMORY_STATE_SHOWN;
    ui::beep(800, 25);
    ui::show_message("%s", command.title);
    show_dialog_leds(command);
    for (;;) {
        int16_t key = 0;
        const bool pressed = read_event(&key);
        if (key == 0) continue;
        if (ends_dialog(command, key)) break;
        if (!pressed) continue;
        if (command.offers_all && key == runtime::KEY_ALL) {
            if (setup::fixture_count > 0) act_on(command, ProgrammerChoice{ChoiceKind::all, 1, setup::fixture_count, key});
            continue;
        }
        if (command.offers_single_key != nullptr && command.offers_single_key(key)) {
            act_on(command, ProgrammerChoice{ChoiceKind::single_key, 0, 0, key});
            continue;
        }
        const KeyKind kind = kind_of(command, key);
        if (kind == KeyKind::none) continue;
        if (!finish_choice(command, kind, key)) break;
    }
    restore_dialog_leds(command);
}

}  // namespace memories
