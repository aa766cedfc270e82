#include "programmer/default_values_screen.h"

#include <algorithm>

#include "datafiles/default_values.h"
#include "memcheck/memcheck.h"
#include "platform/graphics.h"
#include "programmer/attribute_delta.h"
#include "programmer/commands.h"
#include "programmer/fader_panel.h"
#include "programmer/fixture_functions.h"
#include "programmer/fixture_groups.h"
#include "programmer/fixture_pages.h"
#include "programmer/fixture_selection.h"
#include "programmer/function_belts.h"
#include "programmer/function_page.h"
#include "programmer/programmer_jobs.h"
#include "runtime/config_records.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/key_codes.h"
#include "runtime/key_dispatch.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "runtime/main_loop.h"
#include "runtime/mouse_input.h"
#include "runtime/show_tables.h"
#include "setup/fixture_type.h"
#include "setup/setup_data.h"
#include "ui/counters.h"
#include "ui/helpers.h"
#include "ui/message_line.h"
#include "ui/mode_keys.h"
#include "ui/panel_modes.h"
#include "ui/panels.h"
#include "ui/value_table.h"

namespace programmer {

uint16_t* default_values_backup = nullptr;

namespace {

void free_backup() {
    if (default_values_backup != nullptr) memcheck::mc_free_at(default_values_backup, __FILE__, __LINE__);
    default_values_backup = nullptr;
}

}  // namespace

void reset_default_values_screen_globals() { free_backup(); }

namespace {

constexpr int kRecords = datafiles::kDefaultValueRecords;
constexpr size_t kBackupBytes = sizeof(uint16_t) * (kRecords + 1);
constexpr uint8_t kFixtureFaders = 2;          // display mode of the fixture faders
constexpr int16_t kCopyKeyBlink = runtime::LED_BLINK_BOTH;
constexpr int16_t kFirstFaderKey = 121;
constexpr int16_t kLastFaderKey = 136;
constexpr int16_t kKeyCopyPanTilt = 151;
constexpr int16_t kKeyCopyGobo = 152;
constexpr int16_t kKeyCopyColour = 153;

size_t at(int i) { return static_cast<size_t>(i); }
int last_fixture() { return std::min<int>(setup::fixture_count, kFixtures); }
bool patched(int n) { return n >= 1 && n <= last_fixture(); }
bool is_fixture_key(int16_t key) { return key >= runtime::KEY_FIXTURE_1 && key <= runtime::KEY_FIXTURE_70; }
bool is_group_key(int16_t key) { return key >= runtime::KEY_GROUP_1 && key <= runtime::KEY_GROUP_16; }
bool is_fader_key(int16_t key) { return key >= kFirstFaderKey && key <= kLastFaderKey; }
bool faders_show_defaults() { return (runtime::run_flags & runtime::RUN_DEFAULT_MODE) != 0; }

int fixture_channel_count(int f) {
    return std::min<int>(setup::setup_data.u8(setup::SetupData::fixture_field(f, setup::kFixtureChannelCount)),
                         runtime::kTypeChannels);
}

int16_t record_of(int f, int c) {
    const int r = runtime::fixture_channel_record(f, c);
    if (r < 1 || r > runtime::function_record_count || r > kRecords) return 0;
    const runtime::FunctionRecord& record = runtime::function_record_table[r];
    return record.fixture == f && record.channel == c ? static_cast<int16_t>(r) : int16_t{0};
}

// A channel gets the level it sends now.
void copy_record_output(int16_t record) {
    if (record == 0 || datafiles::default_values == nullptr || runtime::output_base_values == nullptr) return;
    datafiles::default_values[record] = std::min<uint16_t>(runtime::output_base_values[record], 255);
}

void copy_all_channels(int f) {
    for (int c = 1; c <= fixture_channel_count(f); ++c) copy_record_output(record_of(f, c));
}

// After a copy the table, the fixture LEDs and the faders show the new
// defaults, unless the faders show the defaults anyway.
void refresh_after_copy() {
    if (faders_show_defaults()) return;
    update_fixture_key_leds();
    ui::refresh_table_view();
    refresh_faders();
}

void refresh_table() {
    if (ui::shown_panel() == ui::kPanelValueTable) ui::draw_table_cells();
}

int16_t fixture_on_key(int key) {
    const int page = runtime::fixture_page;
    if (page < 1 || page > runtime::kFixturePages) return 0;
    if (key < 1 || key > runtime::fixture_bank_counts[at(page)]) return 0;
    const int n = runtime::fixture_bank_keys[at(page)][at(key)] + 1;
    return patched(n) ? static_cast<int16_t>(n) : 0;
}

void blink_fixture_keys() {
    const int page = runtime::fixture_page;
    const int count = page >= 1 && page <= runtime::kFixturePages ? runtime::fixture_bank_counts[at(page)] : 0;
    for (int k = 1; k <= count && k <= runtime::kFixtureKeys; ++k) runtime::set_key_led(runtime::fixture_key(k), kCopyKeyBlink);
}

// The channel of fader key k on the shown function page.
int16_t fader_key_channel(int16_t key) {
    return static_cast<int16_t>(runtime::function_page * 16 + key - kLastFaderKey);
}

void blink_copy_keys() {
    blink_fixture_keys();
    if (runtime::current_fixture < 1) return;
    for (int16_t key = kFirstFaderKey; key <= kLastFaderKey; ++key) {
        if (fader_key_channel(key) <= runtime::function_count) runtime::set_key_led(key, kCopyKeyBlink);
    }
    for (int16_t key : {kKeyCopyPanTilt, kKeyCopyGobo, kKeyCopyColour, runtime::KEY_TRACKERBALL_PANTILT}) {
        runtime::set_key_led(key, runtime::LED_BLINK);
    }
}


void restore_message_box() { ui::clear_message(); }

}  // namespace

void apply_wheel_to_functions(int16_t channel, int16_t delta, int16_t scope) {
    apply_delta_to_default_values(channel, delta, static_cast<uint8_t>(scope));
}

void copy_function_output(int16_t fixture, int16_t channel) {
    if (runtime::fader_bank != 0 || !patched(fixture)) return;
    copy_record_output(record_of(fixture, channel));
}

void copy_function_outputs(int16_t first, int16_t last) {
    const int low = std::min(first, last);
    const int high = std::max(first, last);
    const int16_t type = runtime::current_fixture_type;
    if (type < 0 || type >= runtime::kTypes) return;
    for (int c = low; c <= high; ++c) {
        const int shown = runtime::fader_bank == 0 ? c : runtime::selected_function;
        if (shown < 1 || shown > runtime::kTypeChannels) continue;
        for (int f = 1; f <= last_fixture(); ++f) {
            if (fixture_selected[at(f)] != 1) continue;
            const int16_t ftype = static_cast<int16_t>(setup::setup_data.u16(setup::SetupData::fixture_field(f, setup::kFixtureTypeIndex)));
            if (ftype < 0 || ftype >= runtime::kTypes) continue;
            const int mapped = runtime::type_function_map[at(type + 1)][at(shown)][at(ftype + 1)];
            if (mapped == 0 || mapped > fixture_channel_count(f)) continue;
            copy_record_output(record_of(f, mapped));
        }
    }
    refresh_after_copy();
}

void copy_fixture_outputs(int16_t first, int16_t last) {
    const int low = std::max<int>(std::min(first, last), 1);
    const int high = std::min<int>(std::max(first, last), last_fixture());
    for (int f = low; f <= high; ++f) copy_all_channels(f);
    refresh_after_copy();
}

void copy_group_outputs(int16_t first, int16_t last) {
    std::array<uint8_t, kFixtures + 1> members{};
    const int low = std::max<int>(std::min(first, last), 1);
    const int high = std::min<int>(std::max(first, last), kGroups);
    for (int g = low; g <= high; ++g) {
        for (int n = 1; n <= kFixtures; ++n) {
            if (group_table[at(g)][at(n)] == 1) members[at(n)] = 1;
        }
    }
    for (int f = 1; f <= last_fixture(); ++f) {
        if (members[at(f)] == 1) copy_all_channels(f);
    }
    refresh_after_copy();
}

void copy_class_outputs(int16_t copy_class) {
    for (int f = 1; f <= last_fixture(); ++f) {
        if (fixture_selected[at(f)] != 1) continue;
        for (int c = 1; c <= fixture_channel_count(f); ++c) {
            const int16_t r = record_of(f, c);
            if (r == 0) continue;
            const runtime::FunctionRecord& record = runtime::function_record_table[r];
            bool of_class = false;
            if (copy_class == kCopyPanTilt) {
                of_class = record.pantilt_role >= runtime::ROLE_PAN && record.pantilt_role <= runtime::ROLE_TILT_FINE;
            } else if (copy_class == kCopyColourPresets) {
                of_class = record.colour_role != 0;
            } else if (copy_class == kCopyGoboPresets) {
                of_class = record.gobo_role != 0;
            }
            if (of_class) copy_function_output(static_cast<int16_t>(f), static_cast<int16_t>(c));
        }
    }
    refresh_after_copy();
}

uint8_t get_library_default_value(int16_t fixture, int16_t channel) {
    if (!patched(fixture) || channel < 1 || channel > runtime::kTypeChannels) return 0;
    const auto type = static_cast<size_t>(setup::setup_data.u16(setup::SetupData::fixture_field(fixture, setup::kFixtureTypeIndex))) + 1;
    if (type > static_cast<size_t>(setup::kMaxFixtureTypes)) return 0;
    const setup::FixtureTypeDef* def = setup::fixture_type_defs[type];
    const uint8_t k = runtime::type_channel_function[type][at(channel - 1)];
    if (def == nullptr || k >= runtime::kTypeChannels) return 0;
    return def->default_value(k + 1);
}

void reset_fixture_defaults(int16_t first, int16_t last) {
    const int low = std::max<int>(std::min(first, last), 1);
    const int high = std::min<int>(std::max(first, last), last_fixture());
    for (int f = low; f <= high; ++f) {
        for (int c = 1; c <= fixture_channel_count(f); ++c) {
            const int16_t r = record_of(f, c);
            if (r != 0 && datafiles::default_values != nullptr) {
                datafiles::default_values[r] = get_library_default_value(static_cast<int16_t>(f), static_cast<int16_t>(c));
            }
        }
    }
    refresh_table();
}

void reset_group_defaults(int16_t first, int16_t last) {
    const int low = std::max<int>(std::min(first, last), 1);
    const int high = std::min<int>(std::max(first, last), kGroups);
    for (int f = 1; f <= last_fixture(); ++f) {
        bool member = false;
        for (int g = low; g <= high; ++g) member = member || group_table[at(g)][at(f)] == 1;
        if (member) reset_fixture_defaults(static_cast<int16_t>(f), static_cast<int16_t>(f));
    }
    refresh_table();
}

void take_outputs_as_defaults() {
    runtime::option_flags &= ~runtime::OPT_MEMORY_STATE_SHOWN;
    ui::beep(800, 25);
    ui::show_message("SELECT FIXTURES/FUNCTIONS TO COPY");
    runtime::set_key_led(runtime::KEY_TAKE_OUTPUT, runtime::LED_ON);
    const uint8_t trackerball_led = runtime::key_led_cache[at(runtime::KEY_TRACKERBALL_PANTILT)];
    blink_copy_keys();
    for (;;) {
        int16_t key = 0;
        if (!runtime::get_key(&key)) continue;
        if (key == runtime::KEY_TAKE_OUTPUT || key == runtime::KEY_ESC) break;
        int16_t second = 0;
        if (is_fader_key(key)) {
            const ui::KeyPair pair = ui::read_second_key(key, runtime::KEY_TAKE_OUTPUT, is_fader_key, &second);
            if (pair == ui::KeyPair::end) break;
            const int16_t a = fader_key_channel(key);
            const int16_t b = pair == ui::KeyPair::range ? fader_key_channel(second) : a;
            if (runtime::current_fixture >= 1 && a <= runtime::function_count && b <= runtime::function_count) {
                copy_function_outputs(a, b);
            }
        } else if (is_fixture_key(key)) {
            const ui::KeyPair pair = ui::read_second_key(key, runtime::KEY_TAKE_OUTPUT, is_fixture_key, &second);
            if (pair == ui::KeyPair::end) break;
            const int16_t a = fixture_on_key(key - runtime::KEY_FIXTURE_1 + 1);
            const int16_t b = pair == ui::KeyPair::range ? fixture_on_key(second - runtime::KEY_FIXTURE_1 + 1) : a;
            if (a != 0 && b != 0) copy_fixture_outputs(a, b);
        } else if (is_group_key(key)) {
            const ui::KeyPair pair = ui::read_second_key(key, runtime::KEY_TAKE_OUTPUT, is_group_key, &second);
            if (pair == ui::KeyPair::end) break;
            copy_group_outputs(group_of_key(key), pair == ui::KeyPair::range ? group_of_key(second) : group_of_key(key));
        } else if (key == runtime::KEY_ALL) {
            if (last_fixture() > 0) copy_fixture_outputs(1, static_cast<int16_t>(last_fixture()));
        } else if (key == kKeyCopyPanTilt || key == runtime::KEY_TRACKERBALL_PANTILT) {
            copy_class_outputs(kCopyPanTilt);
        } else if (key == kKeyCopyGobo) {
            copy_class_outputs(kCopyGoboPresets);
        } else if (key == kKeyCopyColour) {
            copy_class_outputs(kCopyColourPresets);
        }
        refresh_table();
        blink_copy_keys();
    }
    for (int16_t key : {kKeyCopyPanTilt, kKeyCopyGobo, kKeyCopyColour}) runtime::set_key_led(key, runtime::LED_OFF);
    runtime::set_key_led(runtime::KEY_TRACKERBALL_PANTILT, trackerball_led);
    restore_message_box();
    update_fixture_key_leds();
    update_fader_key_leds();
    runtime::set_key_led(runtime::KEY_TAKE_OUTPUT, runtime::LED_OFF);
}

void reset_defaults_to_library() {
    runtime::option_flags &= ~runtime::OPT_MEMORY_STATE_SHOWN;
    ui::beep(800, 25);
    ui::show_message("SELECT FIXTURES TO RESET");
    runtime::set_key_led(runtime::KEY_CLEAR, runtime::LED_ON);
    blink_fixture_keys();
    for (;;) {
        int16_t key = 0;
        if (!runtime::get_key(&key)) continue;
        if (key == runtime::KEY_CLEAR || key == runtime::KEY_ESC) break;
        int16_t second = 0;
        if (is_fixture_key(key)) {
            const ui::KeyPair pair = ui::read_second_key(key, runtime::KEY_CLEAR, is_fixture_key, &second);
            if (pair == ui::KeyPair::end) break;
            const int16_t a = fixture_on_key(key - runtime::KEY_FIXTURE_1 + 1);
            const int16_t b = pair == ui::KeyPair::range ? fixture_on_key(second - runtime::KEY_FIXTURE_1 + 1) : a;
            if (a != 0 && b != 0) reset_fixture_defaults(a, b);
        } else if (is_group_key(key)) {
            const ui::KeyPair pair = ui::read_second_key(key, runtime::KEY_CLEAR, is_group_key, &second);
            if (pair == ui::KeyPair::end) break;
            reset_group_defaults(group_of_key(key), pair == ui::KeyPair::range ? group_of_key(second) : group_of_key(key));
        } else if (key == runtime::KEY_ALL) {
            if (last_fixture() > 0) reset_fixture_defaults(1, static_cast<int16_t>(last_fixture()));
        }
        blink_fixture_keys();
    }
    restore_message_box();
    update_fixture_key_leds();
    update_fader_key_leds();
    runtime::set_key_led(runtime::KEY_CLEAR, runtime::LED_OFF);
}

namespace {

void set_screen_leds() {
    runtime::set_key_led(runtime::KEY_ESC, runtime::LED_BLINK);
    runtime::set_key_led(runtime::KEY_SELECT_FUNCTIONS, runtime::LED_ON);
    runtime::set_key_led(runtime::KEY_TAKE_OUTPUT, runtime::LED_BLINK);
    runtime::set_key_led(runtime::KEY_CLEAR, runtime::LED_BLINK);
    runtime::set_key_led(runtime::KEY_PREDEFINED, runtime::LED_BLINK);
}

void show_screen_message() { ui::show_message("PROGRAM DEFAULT VALUES (ESC=CANCEL)"); }

void draw_title() {
    ui::fill_box(2, 282, 220, 314, 3);
    ui::fill_box(12, 289, 210, 307, 11);
    ui::set_text_style(2, 0, 7);
    platform::_setcolor(1);
    const char* title = "DEFAULTMEMORY";
    platform::_outtextxy(2 + (218 - platform::_textwidth(title)) / 2, 292, title);
}

// One key of the screen; false when it ends the screen.
bool handle_screen_key(int16_t key) {
    const bool has_type = runtime::current_fixture_type >= 0;
    if ((is_fixture_key(key)) || key == runtime::KEY_ALL || key == runtime::KEY_NONE) {
        handle_fixture_key(key);
    } else if (is_group_key(key) || key == runtime::KEY_GROUP_BANK || key == runtime::KEY_GROUP_STORE) {
        handle_group_key(key);
    } else if (key == runtime::KEY_BANK_DOWN || key == runtime::KEY_BANK_UP) {
        handle_fixture_bank_keys(key);
    } else if (key == runtime::KEY_MODE) {
        ui::select_relative_mode();
    } else if (is_fader_key(key)) {
        if (has_type) select_fader(static_cast<int16_t>(key - kFirstFaderKey + 1));
    } else if (key == runtime::KEY_FUNCTION_PAGE_1 || key == runtime::KEY_FUNCTION_PAGE_1 + 1) {
        select_function_page(static_cast<int16_t>(key - runtime::KEY_FUNCTION_PAGE_1 + 1));
    } else if (key == runtime::KEY_TRACKERBALL_PANTILT) {
        if (has_type) enter_trackerball_pantilt_mode();
    } else if (key >= runtime::KEY_PANEL_1 && key <= runtime::KEY_PANEL_1 + 2) {
        ui::handle_panel_key(key);
    } else if (key == runtime::KEY_PAGE_UP) {
        ui::show_previous_table_page();
    } else if (key == runtime::KEY_PAGE_DOWN) {
        ui::show_next_table_page();
    } else if (key == runtime::KEY_DOWN || key == runtime::KEY_UP) {
        ui::dispatch_mode_key(key);
    } else if (key == runtime::KEY_TAKE_OUTPUT) {
        take_outputs_as_defaults();
        show_screen_message();
        runtime::set_key_led(runtime::KEY_TAKE_OUTPUT, runtime::LED_BLINK);
    } else if (key == runtime::KEY_CLEAR) {
        reset_defaults_to_library();
        show_screen_message();
        runtime::set_key_led(runtime::KEY_CLEAR, runtime::LED_BLINK);
    } else if (key == runtime::KEY_PREDEFINED) {
        ui::beep(800, 25);
        run_predefined_command();
        show_screen_message();
        runtime::set_key_led(runtime::KEY_PREDEFINED, runtime::LED_BLINK);
        runtime::set_key_led(runtime::KEY_ESC, runtime::LED_BLINK);
    } else if (key == runtime::KEY_ESC) {
        if (default_values_backup != nullptr && datafiles::default_values != nullptr) {
            memcheck::mc_memcpy_at(datafiles::default_values, default_values_backup, kBackupBytes, __FILE__, __LINE__, 0);
        }
        return false;
    } else if (key == runtime::KEY_SELECT_FUNCTIONS) {
        ui::beep(800, 100);
        datafiles::save_default_values();  // values.def, then setup.dat
        return false;
    }
    return true;
}

void leave_screen() {
    runtime::run_flags &= ~runtime::RUN_DEFAULT_MODE;
    if (runtime::current_fixture_type >= 0) {
        if ((runtime::mode_flags & runtime::MODE_TRACKERBALL_PANTILT) == 0) highlight_selected_fader(14);
        update_fader_key_leds();
        refresh_faders();
    }
    free_backup();
    const uint8_t panel = ui::shown_panel();
    if (panel == ui::kPanelValueTable || panel == ui::kPanelOutputTable) ui::set_panel_mode(panel);
    for (int16_t key : {runtime::KEY_ESC, runtime::KEY_SELECT_FUNCTIONS, runtime::KEY_TAKE_OUTPUT, runtime::KEY_CLEAR,
                        runtime::KEY_PREDEFINED}) {
        runtime::set_key_led(key, runtime::LED_OFF);
    }
    ui::draw_cue_panel();
    ui::clear_message();
}

}  // namespace

void run_default_values_screen() {
    if (datafiles::default_values == nullptr) return;
    // Without the copy ESC could not undo the edits: the screen does not open.
    free_backup();
    default_values_backup = static_cast<uint16_t*>(runtime::show_table_allocator(kBackupBytes, __FILE__, __LINE__));
    if (default_values_backup == nullptr) {
        runtime::run_flags &= ~runtime::RUN_DEFAULT_MODE;
        ui::beep(400, 150);
        ui::show_message("NOT ENOUGH MEMORY");
        return;
    }
    memcheck::mc_memcpy_at(default_values_backup, datafiles::default_values, kBackupBytes, __FILE__, __LINE__, 0);
    runtime::run_flags |= runtime::RUN_DEFAULT_MODE;
    ui::beep(800, 100);
    set_screen_leds();
    draw_title();
    show_screen_message();
    if (runtime::display_mode != kFixtureFaders) ui::select_wheel_mode(kFixtureFaders);
    runtime::fader_bank = 0;
    runtime::set_key_led(runtime::KEY_FIGURE, runtime::LED_OFF);
    if (runtime::current_fixture_type >= 0) set_edit_fixture_type(runtime::current_fixture_type, 0);
    set_fixture_page(runtime::fixture_page);
    ui::set_panel_mode(ui::kPanelValueTable);

    for (bool open = true; open;) {
        while (!runtime::is_input_pending()) {
            runtime::read_trackerball(0);
            runtime::step_mode_wheels();
            runtime::run_background();
        }
        int16_t key = 0;
        if (!runtime::get_key(&key)) continue;
        open = handle_screen_key(key);
    }
    leave_screen();
}

}  // namespace programmer
