#include "runtime/key_dispatch.h"

#include <array>
#include <bit>

#include "datafiles/commands.h"
#include "memories/commands.h"
#include "memories/function_defaults.h"
#include "memories/output_capture.h"
#include "memories/programmer_clear.h"
#include "memories/programmer_undo.h"
#include "memories/take_output.h"
#include "platform/graphics.h"
#include "playback/commands.h"
#include "playback/cue_tables.h"
#include "playback/key_groups.h"
#include "playback/playback_jobs.h"
#include "playback/playback_wing.h"
#include "programmer/commands.h"
#include "programmer/dimmer_command.h"
#include "programmer/effect_wizard.h"
#include "programmer/fixture_pages.h"
#include "programmer/fixture_selection.h"
#include "programmer/function_belts.h"
#include "programmer/function_page.h"
#include "programmer/function_timings.h"
#include "runtime/config_records.h"
#include "runtime/console_state.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "runtime/mouse_input.h"
#include "runtime/startup.h"
#include "runtime/step_log.h"
#include "setup/commands.h"
#include "setup/setup_data.h"
#include "sync/commands.h"
#include "ui/counters.h"
#include "ui/cue_time_editors.h"
#include "ui/edit_keys.h"
#include "ui/fader_widget.h"
#include "ui/helpers.h"
#include "ui/main_screen.h"
#include "ui/memory_access.h"
#include "ui/message_line.h"
#include "ui/mode_keys.h"
#include "ui/panel_modes.h"
#include "ui/screens.h"
#include "ui/settings_editors.h"
#include "ui/value_table.h"

namespace runtime {

namespace {

constexpr int kEditModeAbsolute = 0;
constexpr int kEditModeFan = 2;

constexpr uint8_t kMouseModeDisplay = 1;
constexpr uint8_t kFixtureFaderDisplay = 2;
constexpr uint8_t kMasterDisplay = 3;
constexpr uint8_t kPlaybackDisplay = 4;
constexpr uint8_t kFirstSequenceDisplay = 5;  // sequences A..D
constexpr uint8_t kLastSequenceDisplay = 8;

constexpr int16_t kGridColumns = 10;
constexpr int16_t kGridLeft_px = 1;
constexpr int16_t kGridTop_px = 10;
constexpr int16_t kGridCellWidth_px = 22;
constexpr int16_t kGridCellHeight_px = 30;

// ------------------------------------------------------------------ console state

bool is_cue_screen() { return (mode_flags & MODE_CUE_SCREEN) != 0; }
bool is_point_cue_mode() { return (mode_flags & MODE_POINT_CUE_KEYS) != 0; }
bool is_timecode_screen_open() { return (option_flags & OPT_TIMECODE_SCREEN) != 0; }

int panel_mode() { return static_cast<int>((mode_flags & MODE_PANEL_FIELD) >> std::countr_zero(MODE_PANEL_FIELD)); }
int edit_mode() { return static_cast<int>((mode_flags & MODE_EDIT_MODE) >> std::countr_zero(MODE_EDIT_MODE)); }

bool is_sequence_display() { return display_mode >= kFirstSequenceDisplay && display_mode <= kLastSequenceDisplay; }
// The sequence 1..4 of a sequence wheel mode.
int16_t displayed_sequence() { return static_cast<int16_t>(display_mode - kPlaybackDisplay); }

// LED 74 shows the edit mode: absolute lit, relative off, fan blinking.
void show_edit_mode_led() {
    const int mode = edit_mode();
    set_key_led(KEY_MODE, mode == kEditModeAbsolute ? LED_ON : mode == kEditModeFan ? LED_BLINK : LED_OFF);
}

void set_key_leds(int16_t first, int16_t last, uint8_t state) {
    for (int16_t key = first; key <= last; ++key) set_key_led(key, state);
}

// ------------------------------------------------------------------ the key table

enum class When : uint8_t {
    always,
    cue_screen,
    not_cue_screen,
    point_cue_mode,      // MODE_POINT_CUE_KEYS set
    not_point_cue_mode,
    fixture_step,        // MODE_FIXTURE_STEP set
    panel_mode_5,
    sequence_display,    // display_mode 5..8
};

bool holds(When when) {
    switch (when) {
        case When::always: return true;
        case When::cue_screen: return is_cue_screen();
        case When::not_cue_screen: return !is_cue_screen();
        case When::point_cue_mode: return is_point_cue_mode();
        case When::not_point_cue_mode: return !is_point_cue_mode();
        case When::fixture_step: return (mode_flags & MODE_FIXTURE_STEP) != 0;
        case When::panel_mode_5: return panel_mode() == 5;
        case When::sequence_display: return is_sequence_display();
    }
    return false;
}

using KeyCommand = void (*)(int16_t key);

struct KeyRoute {
    int16_t first = 0;
    int16_t last = 0;
    When when = When::always;
    KeyCommand command = nullptr;  // none: the key does nothing
};

// A cue key on the cue screen: point 1 of that cue on the shown page.
void go_to_cue_of_key(int16_t key) {
    const uint16_t slot = cue_point_slot(cue_screen_page, key, 1);
    if (slot != 0) STEP(playback::go_to_cue(slot, 1, 0));
}

// Digit d in point-cue mode: point d + 1 of the current cue.
void go_to_point_of_digit(int16_t key) {
    const auto point = static_cast<int16_t>(key - KEY_DIGIT_0 + 1);
    const uint16_t slot = cue_point_slot(cue_screen_page, playback::current_cue, point);
    if (slot != 0) STEP(playback::go_to_cue(slot, 1, 0));
}

// The first row that holds the key and whose condition holds decides.
constexpr auto kKeyRoutes = std::to_array<KeyRoute>({
    {KEY_FIXTURE_1, KEY_FIXTURE_70, When::not_cue_screen,
     [](int16_t key) { STEP(programmer::handle_fixture_key(key)); }},
    {KEY_ALL, KEY_NONE, When::not_cue_screen, [](int16_t key) { STEP(programmer::handle_fixture_key(key)); }},
    {KEY_FIXTURE_1, KEY_FIXTURE_70, When::cue_screen, go_to_cue_of_key},
    {KEY_ALL, KEY_NONE, When::cue_screen, nullptr},
    {KEY_GROUP_1, KEY_GROUP_16, When::not_cue_screen, [](int16_t key) { STEP(programmer::handle_group_key(key)); }},
    {KEY_GROUP_BANK, KEY_GROUP_STORE, When::not_cue_screen,
     [](int16_t key) { STEP(programmer::handle_group_key(key)); }},
    {KEY_GROUP_1, KEY_GROUP_16, When::cue_screen,
     [](int16_t key) { STEP(playback::show_cue_page(key - KEY_GROUP_1 + 1)); }},
    {KEY_GROUP_BANK, KEY_GROUP_STORE, When::cue_screen, nullptr},
    {KEY_PRESET_1, KEY_PRESET_4, When::always, [](int16_t key) { STEP(memories::run_preset_recall_menu(key)); }},
    {KEY_PRESET_CLEAR, KEY_PRESET_STORE, When::always, [](int16_t key) { STEP(memories::run_preset_store_menu(key)); }},
    {KEY_FADER_1, KEY_FADER_16, When::always,
     [](int16_t key) { STEP(programmer::select_fader(key - KEY_FADER_1 + 1)); }},
    {KEY_DOWN, KEY_DOWN, When::not_point_cue_mode, [](int16_t key) { STEP(ui::dispatch_mode_key(key)); }},
    {KEY_LEFT, KEY_LEFT, When::not_point_cue_mode, [](int16_t key) { STEP(ui::dispatch_mode_key(key)); }},
    {KEY_RIGHT, KEY_RIGHT, When::not_point_cue_mode, [](int16_t key) { STEP(ui::dispatch_mode_key(key)); }},
    {KEY_UP, KEY_UP, When::not_point_cue_mode, [](int16_t key) { STEP(ui::dispatch_mode_key(key)); }},
    {KEY_DIGIT_0, KEY_DIGIT_9, When::point_cue_mode, go_to_point_of_digit},
    {KEY_BANK_DOWN, KEY_BANK_UP, When::always, [](int16_t key) { STEP(programmer::handle_fixture_bank_keys(key)); }},
    {KEY_CUE, KEY_CUE, When::always, [](int16_t) { STEP(ui::run_cue_key()); }},
    {KEY_MODE, KEY_MODE, When::always, [](int16_t) { STEP(ui::select_relative_mode()); }},
    {KEY_STEP, KEY_STEP, When::always, [](int16_t) { STEP(ui::toggle_fixture_step_mode()); }},
    {KEY_LOAD, KEY_LOAD, When::always, [](int16_t) { STEP(datafiles::handle_load_key()); }},
    {KEY_SAVE, KEY_SAVE, When::always, [](int16_t) { STEP(datafiles::handle_save_key()); }},
    {KEY_SETUP, KEY_SETUP, When::always, [](int16_t) { show_setup_menu(); }},
    {KEY_BLIND_TOGGLE, KEY_BLIND_TOGGLE, When::always, [](int16_t) { STEP(ui::toggle_blind_mode()); }},
    {KEY_WHEEL_MODE_2, KEY_WHEEL_MODE_4, When::always,
     [](int16_t key) { STEP(ui::select_wheel_mode(key - KEY_WHEEL_MODE_2 + 2)); }},
    {KEY_CLEAR, KEY_CLEAR, When::always, [](int16_t) { STEP(memories::run_clear_programmer()); }},
    {KEY_TIMING, KEY_TIMING, When::always, [](int16_t) { STEP(programmer::start_timing_edit_mode()); }},
    {KEY_SELECT_FUNCTIONS, KEY_SELECT_FUNCTIONS, When::always,
     [](int16_t) { STEP(memories::run_set_functions_to_default()); }},
    {KEY_FIGURE, KEY_FIGURE, When::always, [](int16_t) { STEP(programmer::update_figure_state()); }},
    {KEY_FUNCTION_PAGE_1, KEY_FUNCTION_PAGE_2, When::always,
     [](int16_t key) { STEP(programmer::select_function_page(key - KEY_FUNCTION_PAGE_1 + 1)); }},
    {KEY_LIVE_EDIT, KEY_LIVE_EDIT, When::always, [](int16_t) { STEP(ui::toggle_programmer_flag()); }},
    {KEY_TRACKERBALL_PANTILT, KEY_TRACKERBALL_PANTILT, When::always,
     [](int16_t) { STEP(programmer::enter_trackerball_pantilt_mode()); }},
    {KEY_PANEL_1, KEY_PANEL_3, When::always, [](int16_t key) { STEP(ui::handle_panel_key(key)); }},
    {KEY_PREDEFINED, KEY_PREDEFINED, When::always, [](int16_t) { STEP(programmer::run_predefined_command()); }},
    {KEY_BACK, KEY_BACK, When::always,
     [](int16_t) {
         STEP(ui::run_cue_key());
         STEP(playback::go_to_previous_cue());
     }},
    {KEY_EDIT_VALUE, KEY_EDIT_VALUE, When::always, [](int16_t) { STEP(ui::dispatch_mode_action()); }},
    {KEY_LAST, KEY_NEXT, When::fixture_step, [](int16_t key) { STEP(programmer::select_next_fixture(key)); }},
    {KEY_LAST, KEY_LAST, When::not_cue_screen, [](int16_t) { STEP(memories::recall_previous_memory()); }},
    {KEY_LAST, KEY_LAST, When::cue_screen, [](int16_t) { STEP(playback::go_to_previous_cue()); }},
    {KEY_NEXT, KEY_NEXT, When::not_cue_screen, [](int16_t) { STEP(memories::recall_next_memory()); }},
    {KEY_NEXT, KEY_NEXT, When::cue_screen, [](int16_t) { STEP(playback::go_to_next_cue()); }},
    {KEY_TO_MEM, KEY_TO_MEM, When::always, [](int16_t) { STEP(memories::run_store_memory()); }},
    {KEY_GET_MEMORY, KEY_GET_MEMORY, When::always, [](int16_t) { STEP(memories::run_get_memory()); }},
    {KEY_COLOR, KEY_COLOR, When::always, [](int16_t) { STEP(programmer::run_color_command()); }},
    {KEY_TEXT, KEY_TEXT, When::always, [](int16_t) { STEP(ui::run_text_edit_dialog()); }},
    {KEY_STORE_NEXT, KEY_STORE_NEXT, When::always, [](int16_t) { STEP(memories::store_to_next_memory()); }},
    {KEY_TAKE_OUTPUT, KEY_TAKE_OUTPUT, When::always, [](int16_t) { STEP(memories::run_take_output_to_programmer()); }},
    {KEY_DIMMER, KEY_DIMMER, When::always, [](int16_t) { STEP(programmer::run_dimmer_channel_edit()); }},
    {KEY_PAGE_UP, KEY_PAGE_UP, When::panel_mode_5, [](int16_t) { STEP(playback::cycle_playback_label_mode()); }},
    {KEY_PAGE_UP, KEY_PAGE_UP, When::always, [](int16_t) { STEP(ui::show_previous_panel_page()); }},
    {KEY_PAGE_DOWN, KEY_PAGE_DOWN, When::panel_mode_5,
     [](int16_t) { STEP(playback::cycle_playback_label_mode_forward()); }},
    {KEY_PAGE_DOWN, KEY_PAGE_DOWN, When::always, [](int16_t) { STEP(ui::show_next_panel_page()); }},
    {KEY_COPY, KEY_COPY, When::not_cue_screen, [](int16_t) { STEP(memories::run_copy_memory_items()); }},
    {KEY_COPY, KEY_COPY, When::cue_screen, [](int16_t) { STEP(playback::run_copy_dialog()); }},
    {KEY_ENTER, KEY_ENTER, When::always, [](int16_t) { STEP(playback::go_sequence(0, 1)); }},
    {KEY_PLAY, KEY_REC, When::always, [](int16_t key) { STEP(synchro::run_timecode_screen(key)); }},
    {KEY_EDIT, KEY_TIMECODE_MODE, When::always, [](int16_t key) { STEP(synchro::run_timecode_screen(key)); }},
    {KEY_SEQUENCE_RUN, KEY_SEQUENCE_RUN, When::sequence_display,
     [](int16_t) { STEP(playback::toggle_sequence_run(displayed_sequence(), 1)); }},
    {KEY_SEQUENCE_A, KEY_SEQUENCE_D, When::always,
     [](int16_t key) { STEP(ui::select_wheel_mode(key - KEY_SEQUENCE_A + 5)); }},
    {KEY_SEQUENCE_DIRECTION, KEY_SEQUENCE_DIRECTION, When::sequence_display,
     [](int16_t) { STEP(playback::set_sequence_direction(displayed_sequence(), 1, -1)); }},
    {KEY_EDIT_ITEM, KEY_EDIT_ITEM, When::always, [](int16_t) { STEP(ui::select_item_to_edit()); }},
    {KEY_STORE_SEQUENCES, KEY_STORE_SEQUENCES, When::always, [](int16_t) { STEP(playback::store_sequences_in_cue()); }},
    {KEY_FREEZE, KEY_FREEZE, When::always, [](int16_t) { STEP(ui::toggle_freeze_switches()); }},
    {KEY_CLR, KEY_CLR, When::always, [](int16_t) { STEP(ui::clear_item_dialog()); }},
    {KEY_SEQUENCE_SYNC, KEY_SEQUENCE_SYNC, When::sequence_display,
     [](int16_t) { STEP(playback::toggle_sequence_sync(displayed_sequence(), 1)); }},
    {KEY_OPTIMIZE, KEY_OPTIMIZE, When::always, [](int16_t) { STEP(ui::handle_optimize_key()); }},
    {KEY_SEQUENCE_TRIGGER, KEY_SEQUENCE_TRIGGER, When::sequence_display,
     [](int16_t) { STEP(playback::set_sequence_trigger_mode(displayed_sequence(), 1, -1)); }},
    {KEY_SEQUENCE_GO, KEY_SEQUENCE_GO, When::sequence_display,
     [](int16_t) { STEP(playback::go_sequence(displayed_sequence(), 1)); }},
    {KEY_SEQUENCE_CONTROL_1, KEY_SEQUENCE_CONTROL_3, When::sequence_display,
     [](int16_t key) {
         STEP(playback::select_sequence_control(displayed_sequence(), key - KEY_SEQUENCE_CONTROL_1 + 1));
     }},
    {KEY_SHIFT, KEY_SHIFT, When::always, [](int16_t) { run_second_function_menu(); }},
    {KEY_WING_BANK_1, KEY_WING_BANK_1, When::always, [](int16_t) { STEP(playback::select_wing_lcd_bank(0)); }},
    {KEY_WING_BANK_2, KEY_WING_BANK_2, When::always, [](int16_t) { STEP(playback::select_wing_lcd_bank(1)); }},
    {KEY_LABEL_MODE_BACK, KEY_LABEL_MODE_BACK, When::always,
     [](int16_t) { STEP(playback::cycle_playback_label_mode()); }},
    {KEY_LABEL_MODE_FORWARD, KEY_LABEL_MODE_FORWARD, When::always,
     [](int16_t) { STEP(playback::cycle_playback_label_mode_forward()); }},
    {KEY_UNDO, KEY_UNDO, When::always, [](int16_t) { STEP(memories::run_undo_screen()); }},
    {KEY_EVEN, KEY_EVEN, When::always, [](int16_t) { STEP(programmer::keep_even_fixtures()); }},
    {KEY_ODD, KEY_ODD, When::always, [](int16_t) { STEP(programmer::keep_odd_fixtures()); }},
    {KEY_IGNITE, KEY_LAMP_RESET, When::always, [](int16_t key) { STEP(programmer::run_lamp_command_screen(key)); }},
    {KEY_TRANSPARENT_SEQ, KEY_TRANSPARENT_SEQ, When::always, [](int16_t) { STEP(ui::cycle_transparent_mode(0)); }},
    {KEY_TRANSPARENT_PLB, KEY_TRANSPARENT_PLB, When::always, [](int16_t) { STEP(ui::cycle_transparent_mode(1)); }},
    {KEY_FLASH_MODE, KEY_FLASH_MODE, When::always, [](int16_t) { STEP(playback::select_flash_mode_playbacks(0)); }},
    {KEY_TOGGLE_MODE, KEY_TOGGLE_MODE, When::always, [](int16_t) { STEP(playback::select_flash_mode_playbacks(1)); }},
    {KEY_KILL_MODE, KEY_KILL_MODE, When::always, [](int16_t) { STEP(playback::select_flash_mode_playbacks(2)); }},
    {KEY_DELAY_IN, KEY_HOLD, When::not_cue_screen, [](int16_t key) { STEP(programmer::run_edit_time_screen(key)); }},
    {KEY_DELAY_IN, KEY_HOLD, When::cue_screen,
     [](int16_t key) { STEP(playback::edit_playback_times(key - KEY_DELAY_IN)); }},
    {KEY_SPACE, KEY_SPACE, When::always,
     [](int16_t) {
         STEP(ui::run_cue_key());
         STEP(playback::go_to_next_cue());
     }},
    {KEY_QUIT, KEY_QUIT, When::always, [](int16_t) { quit_requested = 1; }},
});

// ------------------------------------------------------------------ SETUP menu

constexpr int16_t kSetupBoxLeft = 2;
constexpr int16_t kSetupBoxTop = 282;
constexpr int16_t kSetupBoxRight = 220;
constexpr int16_t kSetupBoxBottom = 314;
constexpr int16_t kSetupBoxColour = 8;
constexpr int16_t kSetupFieldColour = 3;
constexpr int16_t kSetupTitleColour = 15;
constexpr int16_t kStrokedFont = 2;
constexpr int16_t kTitleSize = 7;
constexpr int16_t kTextSize = 4;

void draw_setup_menu() {
    ui::fill_box(kSetupBoxLeft, kSetupBoxTop, kSetupBoxRight, kSetupBoxBottom, kSetupBoxColour);
    ui::fill_box(12, 288, 210, 308, kSetupFieldColour);
    ui::set_text_style(kStrokedFont, platform::kHorizontalText, kTitleSize);
    platform::_setcolor(kSetupTitleColour);
    platform::_outtextxy(60, 292, "SETUP");
    ui::set_text_style(kStrokedFont, platform::kHorizontalText, kTextSize);
    ui::show_message("1=FIXT. SETUP  2=SHOW SETTINGS");
}

// Reads keys until digit 1, digit 2 or ESC is pressed; returns that key.
int16_t read_setup_choice() {
    for (;;) {
        int16_t key = 0;
        if (get_key(&key) && (key == KEY_DIGIT_1 || key == KEY_DIGIT_2 || key == KEY_ESC)) return key;
    }
}

bool cue_widgets_taken_off() { return (mode_flags & MODE_CUE_TIMING) != 0 && !is_timecode_screen_open(); }

void run_fixture_setup_choice() {
    STEP(reset_led_rings());
    set_key_led(KEY_SETUP, LED_ON);
    if ((run_flags & RUN_BLIND) != 0) set_key_led(KEY_BLIND_TOGGLE, LED_ON);
    set_key_led(fixture_page == 1 ? KEY_BANK_DOWN : KEY_BANK_UP, LED_ON);
    STEP(ui::free_cue_buffers());
    if ((option_flags & OPT_ANALOGUE_VIEW) != 0) STEP(ui::save_panel_picture());
    // The cue widgets come back only when they were taken off here.
    const bool cue_widgets_hidden = cue_widgets_taken_off();
    if (cue_widgets_hidden) {
        for (int i = 1; i <= ui::kCueFaderWidgets; ++i) ui::hide_fader_widget(ui::cue_fader_widgets[i]);
    }
    STEP(setup::run_fixture_setup());
    STEP(ui::draw_main_screen());
    if (cue_widgets_hidden) {
        for (int i = 1; i <= ui::kCueFaderWidgets; ++i) ui::show_fader_widget(ui::cue_fader_widgets[i]);
    }
    if ((option_flags & OPT_ANALOGUE_VIEW) != 0) {
        for (int i = 1; i <= ui::kMasterFaderWidgets; ++i) ui::show_fader_widget(ui::master_fader_widgets[i]);
        for (int i = 1; i <= ui::kPlaybackFaderWidgets; ++i) ui::show_fader_widget(ui::playback_fader_widgets[i]);
    }
    STEP(ui::draw_mode_text(ui::MODE_TEXT_EDIT_MODE, 1));
    show_edit_mode_led();
    STEP(playback::update_point_cue_leds());
}

void run_show_settings_choice() {
    STEP(ui::set_panel_mode(2));
    const uint32_t lists_shown = option_flags & OPT_SCREEN_FIELD;
    option_flags &= ~OPT_SCREEN_FIELD;
    STEP(ui::edit_global_settings());
    option_flags = (option_flags & ~OPT_SCREEN_FIELD) | lists_shown;
}

// ------------------------------------------------------------------ second functions

void light_second_function_keys() {
    set_key_led(KEY_SHIFT, LED_ON);
    for (const int16_t key : {KEY_CUE, KEY_MODE, KEY_STEP, KEY_PANEL_3, KEY_TAKE_OUTPUT, KEY_FIGURE}) {
        set_key_led(key, LED_BLINK);
    }
    if (current_fixture != -1) set_key_led(KEY_TRACKERBALL_PANTILT, LED_BLINK);
    if (!is_timecode_screen_open()) set_key_led(KEY_SETUP, LED_BLINK);
    if (is_cue_screen()) set_key_leds(KEY_GROUP_1, KEY_GROUP_16, LED_BLINK);
}

// Runs the second function of a key; false when the key leaves the menu.
bool run_second_function(int16_t key) {
    if (key >= KEY_GROUP_1 && key <= KEY_GROUP_16) {
        if (is_cue_screen()) STEP(ui::edit_tracing_mode(static_cast<uint8_t>(key - KEY_GROUP_1 + 1)));
        return true;
    }
    switch (key) {
        case KEY_CUE: STEP(ui::edit_transparent_mode()); break;
        case KEY_MODE: STEP(ui::start_fan_mode_edit()); break;
        case KEY_STEP: STEP(ui::edit_solo_memory()); break;
        case KEY_PANEL_3: STEP(ui::toggle_table_view()); break;
        case KEY_TAKE_OUTPUT: STEP(memories::read_outputs_into_programmer()); break;
        case KEY_SETUP:
            if (!is_timecode_screen_open()) confirm_quit();
            break;
        case KEY_TRACKERBALL_PANTILT: STEP(programmer::apply_pantilt_record()); break;
        case KEY_FIGURE: STEP(programmer::run_effect_wizard()); break;
        case KEY_ESC: return false;
        default: break;
    }
    return true;
}

void restore_second_function_leds() {
    if (is_cue_screen()) {
        set_key_leds(KEY_GROUP_1, KEY_GROUP_16, LED_OFF);
        const int16_t page = playback::current_cue_page;
        if (page >= 1 && page <= playback::kCuePages) set_key_led(group_key(page), LED_ON);
    }
    set_key_led(KEY_CUE, is_cue_screen() ? LED_ON : LED_OFF);
    show_edit_mode_led();
    set_key_led(KEY_STEP, (mode_flags & MODE_FIXTURE_STEP) != 0 ? LED_ON : LED_OFF);
    set_key_led(KEY_SETUP, LED_OFF);
    set_key_led(KEY_TAKE_OUTPUT, LED_OFF);
    set_key_led(KEY_TRACKERBALL_PANTILT,
                current_fixture != -1 && (mode_flags & MODE_TRACKERBALL_PANTILT) != 0 ? LED_ON : LED_OFF);
    set_key_led(KEY_FIGURE, fader_bank != 0 ? LED_ON : LED_OFF);
    const int panel = panel_mode();
    set_key_led(KEY_PANEL_3, panel >= 3 && panel <= 5 ? LED_ON : LED_OFF);
    set_key_led(KEY_SHIFT, LED_OFF);
}

}  // namespace

// ------------------------------------------------------------------ public

uint16_t cue_point_slot(int16_t page, int16_t cue, int16_t point) {
    if (page < 1 || page > playback::kCuePages || cue < 1 || cue > playback::kCuesPerPage || point < 1 ||
        point > playback::kPointsPerCue) {
        return 0;
    }
    return static_cast<uint16_t>((page - 1) * playback::kCuesPerPage * playback::kPointsPerCue +
                                 (cue - 1) * playback::kPointsPerCue + point);
}

int16_t mouse_grid_cell(int16_t x, int16_t y) {
    const int column = (x - kGridLeft_px) / kGridCellWidth_px;
    const int row = (y - kGridTop_px) / kGridCellHeight_px;
    if (column < 0 || column >= kGridColumns) return 0;
    return static_cast<int16_t>(row * kGridColumns + column + 1);
}

void dispatch_key(int16_t key) {
    for (const KeyRoute& route : kKeyRoutes) {
        if (key < route.first || key > route.last || !holds(route.when)) continue;
        if (route.command != nullptr) route.command(key);
        return;
    }
}

void handle_mouse_click() {
    if (mouse_buttons != kMouseLeft) return;
    show_mouse_cursor(0);
    const int16_t cell = mouse_grid_cell(mouse_x, mouse_y);
    if (!is_cue_screen()) {
        if (cell >= 1 && cell <= setup::fixture_count && cell <= programmer::kFixtures) {
            if (programmer::fixture_selected[static_cast<size_t>(cell)] == 0) {
                STEP(programmer::select_fixture(cell));
            } else {
                STEP(programmer::deselect_fixture(cell));
            }
        }
    } else {
        // Only the 70 cells of the grid call a cue.
        const uint16_t slot = cue_point_slot(cue_screen_page, cell, 1);
        if (slot != 0) STEP(playback::go_to_cue(slot, 1, 0));
    }
    show_mouse_cursor(1);
}

void step_mode_wheels() {
    switch (display_mode) {
        case kFixtureFaderDisplay:
            if (function_count <= 0) return;
            if ((mode_flags & MODE_TRACKERBALL_PANTILT) != 0 && (run_flags & RUN_THRESHOLD_MODE) == 0) {
                STEP(programmer::apply_trackerball_to_pantilt());
            } else {
                STEP(programmer::apply_trackerball_to_fader());
            }
            return;
        case kMasterDisplay: STEP(memories::apply_trackerball_to_master()); return;
        case kPlaybackDisplay: STEP(playback::apply_trackerball_to_playback()); return;
        default:
            if (is_sequence_display() && (option_flags & OPT_SEQUENCE_PANEL) != 0) {
                STEP(playback::apply_trackerball_to_sequence(displayed_sequence()));
            }
            return;
    }
}

void show_setup_menu() {
    if (ui::wait_key_held(KEY_SETUP, ui::kKeyHoldTime_ms)) {
        option_flags &= ~(OPT_CUE_PANEL | OPT_MEMORY_STATE_SHOWN);
        run_flags |= RUN_SHOW_FILE_BUSY;
        datafiles::show_file_operation = 2;
        draw_setup_menu();
        set_key_led(KEY_DIGIT_1, LED_BLINK);
        set_key_led(KEY_DIGIT_2, LED_BLINK);
        set_key_led(KEY_ESC, LED_BLINK);
        set_key_led(KEY_DIGIT_0, LED_OFF);
        set_key_leds(KEY_DIGIT_3, KEY_DIGIT_9, LED_OFF);

        const int16_t choice = read_setup_choice();
        set_key_led(KEY_DIGIT_1, LED_OFF);
        set_key_led(KEY_DIGIT_2, LED_OFF);
        set_key_led(KEY_ESC, LED_OFF);
        run_flags &= ~RUN_SHOW_FILE_BUSY;
        STEP(playback::update_point_cue_leds());
        if (restart_requested == 0) STEP(ui::redraw_cue_panel());

        if (choice == KEY_DIGIT_1) {
            run_fixture_setup_choice();
        } else if (choice == KEY_DIGIT_2) {
            run_show_settings_choice();
        }
    }
    set_key_led(KEY_SETUP, LED_OFF);
}

void run_second_function_menu() {
    light_second_function_keys();
    while (key_down_table[KEY_SHIFT] != 0 && quit_requested == 0) {
        int16_t key = 0;
        if (get_key(&key) && !run_second_function(key)) break;
    }
    restore_second_function_leds();
}

void confirm_quit() {
    if (ui::wait_key_held(KEY_SETUP, ui::kKeyHoldTime_ms)) quit_requested = 1;
    set_key_led(KEY_SETUP, LED_BLINK);
}

}  // namespace runtime
