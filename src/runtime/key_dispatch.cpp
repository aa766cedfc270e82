#include "runtime/key_dispatch.h"

#include <array>
#include <bit>

#include "datafiles/commands.h"
#include "memories/commands.h"
#include "platform/graphics.h"
#include "playback/commands.h"
#include "playback/cue_tables.h"
#include "playback/key_groups.h"
#include "playback/playback_jobs.h"
#include "playback/playback_wing.h"
#include "programmer/commands.h"
#include "runtime/config_records.h"
#include "runtime/console_state.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "runtime/mouse_input.h"
#include "runtime/startup.h"
#include "runtime/step_log.h"
#include "setup/commands.h"
#include "sync/commands.h"
#include "ui/commands.h"
#include "ui/fader_widget.h"
#include "ui/helpers.h"
#include "ui/main_screen.h"
#include "ui/message_line.h"
#include "ui/mode_keys.h"
#include "ui/screens.h"

namespace runtime {

namespace {

constexpr int16_t kFixturePage1Key = 71;
constexpr int16_t kFixturePage2Key = 72;
constexpr int16_t kCueKey = 73;
constexpr int16_t kEditModeKey = 74;
constexpr int16_t kStepKey = 75;
constexpr int16_t kFirstCuePageKey = 81;   // cue pages 1..16 on the cue screen
constexpr int16_t kLastCuePageKey = 96;
constexpr int16_t kFigureKey = 144;
constexpr int16_t kPanTiltKey = 148;
constexpr int16_t kPanelKey3 = 163;
constexpr int16_t kDigit0Key = 171;
constexpr int16_t kDigit1Key = 172;
constexpr int16_t kDigit2Key = 173;
constexpr int16_t kDigit3Key = 174;
constexpr int16_t kDigit9Key = 180;
constexpr int16_t kTakeOutputKey = 198;
constexpr int16_t kEscKey = 201;

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
    set_key_led(kEditModeKey, mode == kEditModeAbsolute ? LED_ON : mode == kEditModeFan ? LED_BLINK : LED_OFF);
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
    const uint16_t slot = cue_point_slot(cue_screen_page, playback::current_cue, static_cast<int16_t>(key - 170));
    if (slot != 0) STEP(playback::go_to_cue(slot, 1, 0));
}

// The first row that holds the key and whose condition holds decides.
constexpr auto kKeyRoutes = std::to_array<KeyRoute>({
    {1, 70, When::not_cue_screen, [](int16_t key) { STEP(programmer::handle_fixture_key(key)); }},
    {76, 77, When::not_cue_screen, [](int16_t key) { STEP(programmer::handle_fixture_key(key)); }},
    {1, 70, When::cue_screen, go_to_cue_of_key},
    {76, 77, When::cue_screen, nullptr},
    {81, 96, When::not_cue_screen, [](int16_t key) { STEP(programmer::handle_group_key(key)); }},
    {101, 102, When::not_cue_screen, [](int16_t key) { STEP(programmer::handle_group_key(key)); }},
    {81, 96, When::cue_screen, [](int16_t key) { STEP(playback::show_cue_page(key - 80)); }},
    {101, 102, When::cue_screen, nullptr},
    {151, 154, When::always, [](int16_t key) { STEP(memories::run_preset_recall_menu(key)); }},
    {155, 157, When::always, [](int16_t key) { STEP(memories::run_preset_store_menu(key)); }},
    {121, 136, When::always, [](int16_t key) { STEP(programmer::select_fader(key - 120)); }},
    {173, 173, When::not_point_cue_mode, [](int16_t key) { STEP(ui::dispatch_mode_key(key)); }},
    {175, 175, When::not_point_cue_mode, [](int16_t key) { STEP(ui::dispatch_mode_key(key)); }},
    {177, 177, When::not_point_cue_mode, [](int16_t key) { STEP(ui::dispatch_mode_key(key)); }},
    {179, 179, When::not_point_cue_mode, [](int16_t key) { STEP(ui::dispatch_mode_key(key)); }},
    {171, 180, When::point_cue_mode, go_to_point_of_digit},
    {71, 72, When::always, [](int16_t key) { STEP(programmer::handle_fixture_bank_keys(key)); }},
    {73, 73, When::always, [](int16_t) { STEP(ui::run_cue_key()); }},
    {74, 74, When::always, [](int16_t) { STEP(ui::select_relative_mode()); }},
    {75, 75, When::always, [](int16_t) { STEP(ui::toggle_fixture_step_mode()); }},
    {111, 111, When::always, [](int16_t) { STEP(datafiles::handle_load_key()); }},
    {112, 112, When::always, [](int16_t) { STEP(datafiles::handle_save_key()); }},
    {113, 113, When::always, [](int16_t) { show_setup_menu(); }},
    {114, 114, When::always, [](int16_t) { STEP(ui::toggle_blind_mode()); }},
    {137, 139, When::always, [](int16_t key) { STEP(ui::select_wheel_mode(key - 135)); }},
    {141, 141, When::always, [](int16_t) { STEP(memories::run_clear_programmer()); }},
    {142, 142, When::always, [](int16_t) { STEP(programmer::start_timing_edit_mode()); }},
    {143, 143, When::always, [](int16_t) { STEP(memories::run_set_functions_to_default()); }},
    {144, 144, When::always, [](int16_t) { STEP(programmer::update_figure_state()); }},
    {145, 146, When::always, [](int16_t key) { STEP(programmer::select_function_page(key - 144)); }},
    {147, 147, When::always, [](int16_t) { STEP(ui::toggle_programmer_flag()); }},
    {148, 148, When::always, [](int16_t) { STEP(programmer::enter_trackerball_pantilt_mode()); }},
    {161, 163, When::always, [](int16_t key) { STEP(ui::handle_panel_key(key)); }},
    {164, 164, When::always, [](int16_t) { STEP(programmer::run_predefined_command()); }},
    {182, 182, When::always,
     [](int16_t) {
         STEP(ui::run_cue_key());
         STEP(playback::go_to_previous_cue());
     }},
    {183, 183, When::always, [](int16_t) { STEP(ui::dispatch_mode_action()); }},
    {191, 192, When::fixture_step, [](int16_t key) { STEP(programmer::select_next_fixture(key)); }},
    {191, 191, When::not_cue_screen, [](int16_t) { STEP(memories::recall_previous_memory()); }},
    {191, 191, When::cue_screen, [](int16_t) { STEP(playback::go_to_previous_cue()); }},
    {192, 192, When::not_cue_screen, [](int16_t) { STEP(memories::recall_next_memory()); }},
    {192, 192, When::cue_screen, [](int16_t) { STEP(playback::go_to_next_cue()); }},
    {193, 193, When::always, [](int16_t) { STEP(memories::run_store_memory()); }},
    {194, 194, When::always, [](int16_t) { STEP(memories::run_get_memory()); }},
    {195, 195, When::always, [](int16_t) { STEP(programmer::run_color_command()); }},
    {196, 196, When::always, [](int16_t) { STEP(ui::run_text_edit_dialog()); }},
    {197, 197, When::always, [](int16_t) { STEP(memories::store_to_next_memory()); }},
    {198, 198, When::always, [](int16_t) { STEP(memories::run_take_output_to_programmer()); }},
    {199, 199, When::always, [](int16_t) { STEP(programmer::run_dimmer_channel_edit()); }},
    {202, 202, When::panel_mode_5, [](int16_t) { STEP(playback::cycle_playback_label_mode()); }},
    {202, 202, When::always, [](int16_t) { STEP(ui::show_previous_panel_page()); }},
    {203, 203, When::panel_mode_5, [](int16_t) { STEP(playback::cycle_playback_label_mode_forward()); }},
    {203, 203, When::always, [](int16_t) { STEP(ui::show_next_panel_page()); }},
    {205, 205, When::not_cue_screen, [](int16_t) { STEP(memories::run_copy_memory_items()); }},
    {205, 205, When::cue_screen, [](int16_t) { STEP(playback::run_copy_dialog()); }},
    {207, 207, When::always, [](int16_t) { STEP(playback::go_sequence(0, 1)); }},
    {211, 212, When::always, [](int16_t key) { STEP(synchro::run_timecode_screen(key)); }},
    {214, 215, When::always, [](int16_t key) { STEP(synchro::run_timecode_screen(key)); }},
    {221, 221, When::sequence_display, [](int16_t) { STEP(playback::toggle_sequence_run(displayed_sequence(), 1)); }},
    {222, 225, When::always, [](int16_t key) { STEP(ui::select_wheel_mode(key - 217)); }},
    {226, 226, When::sequence_display,
     [](int16_t) { STEP(playback::set_sequence_direction(displayed_sequence(), 1, -1)); }},
    {228, 228, When::always, [](int16_t) { STEP(ui::select_item_to_edit()); }},
    {229, 229, When::always, [](int16_t) { STEP(playback::store_sequences_in_cue()); }},
    {230, 230, When::always, [](int16_t) { STEP(ui::toggle_freeze_switches()); }},
    {231, 231, When::always, [](int16_t) { STEP(ui::clear_item_dialog()); }},
    {232, 232, When::sequence_display, [](int16_t) { STEP(playback::toggle_sequence_sync(displayed_sequence(), 1)); }},
    {235, 235, When::always, [](int16_t) { STEP(ui::handle_optimize_key()); }},
    {237, 237, When::sequence_display,
     [](int16_t) { STEP(playback::set_sequence_trigger_mode(displayed_sequence(), 1, -1)); }},
    {242, 242, When::sequence_display, [](int16_t) { STEP(playback::go_sequence(displayed_sequence(), 1)); }},
    {243, 245, When::sequence_display,
     [](int16_t key) { STEP(playback::select_sequence_control(displayed_sequence(), key - 242)); }},
    {246, 246, When::always, [](int16_t) { run_second_function_menu(); }},
    {374, 374, When::always, [](int16_t) { STEP(playback::select_wing_lcd_bank(0)); }},
    {375, 375, When::always, [](int16_t) { STEP(playback::select_wing_lcd_bank(1)); }},
    {376, 376, When::always, [](int16_t) { STEP(playback::cycle_playback_label_mode()); }},
    {377, 377, When::always, [](int16_t) { STEP(playback::cycle_playback_label_mode_forward()); }},
    {378, 378, When::always, [](int16_t) { STEP(memories::run_undo_screen()); }},
    {382, 382, When::always, [](int16_t) { STEP(programmer::keep_even_fixtures()); }},
    {383, 383, When::always, [](int16_t) { STEP(programmer::keep_odd_fixtures()); }},
    {384, 386, When::always, [](int16_t key) { STEP(programmer::run_lamp_command_screen(key)); }},
    {388, 388, When::always, [](int16_t) { STEP(ui::cycle_transparent_mode(0)); }},
    {389, 389, When::always, [](int16_t) { STEP(ui::cycle_transparent_mode(1)); }},
    {390, 390, When::always, [](int16_t) { STEP(playback::select_flash_mode_playbacks(0)); }},
    {391, 391, When::always, [](int16_t) { STEP(playback::select_flash_mode_playbacks(1)); }},
    {392, 392, When::always, [](int16_t) { STEP(playback::select_flash_mode_playbacks(2)); }},
    {396, 400, When::not_cue_screen, [](int16_t key) { STEP(programmer::run_edit_time_screen(key)); }},
    {396, 400, When::cue_screen, [](int16_t key) { STEP(playback::edit_playback_times(key - 396)); }},
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
        if (get_key(&key) && (key == kDigit1Key || key == kDigit2Key || key == kEscKey)) return key;
    }
}

bool cue_widgets_taken_off() { return (mode_flags & MODE_CUE_TIMING) != 0 && !is_timecode_screen_open(); }

void run_fixture_setup_choice() {
    STEP(reset_led_rings());
    set_key_led(kSetupKey, LED_ON);
    if ((run_flags & RUN_BLIND) != 0) set_key_led(kBlindKey, LED_ON);
    set_key_led(fixture_page == 1 ? kFixturePage1Key : kFixturePage2Key, LED_ON);
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
    set_key_led(kShiftKey, LED_ON);
    for (const int16_t key : {kCueKey, kEditModeKey, kStepKey, kPanelKey3, kTakeOutputKey, kFigureKey}) {
        set_key_led(key, LED_BLINK);
    }
    if (current_fixture != -1) set_key_led(kPanTiltKey, LED_BLINK);
    if (!is_timecode_screen_open()) set_key_led(kSetupKey, LED_BLINK);
    if (is_cue_screen()) set_key_leds(kFirstCuePageKey, kLastCuePageKey, LED_BLINK);
}

// Runs the second function of a key; false when the key leaves the menu.
bool run_second_function(int16_t key) {
    if (key >= kFirstCuePageKey && key <= kLastCuePageKey) {
        if (is_cue_screen()) STEP(ui::edit_tracing_mode(static_cast<uint8_t>(key - 80)));
        return true;
    }
    switch (key) {
        case kCueKey: STEP(ui::edit_transparent_mode()); break;
        case kEditModeKey: STEP(ui::start_fan_mode_edit()); break;
        case kStepKey: STEP(ui::edit_solo_memory()); break;
        case kPanelKey3: STEP(ui::toggle_table_view()); break;
        case kTakeOutputKey: STEP(memories::read_outputs_into_programmer()); break;
        case kSetupKey:
            if (!is_timecode_screen_open()) confirm_quit();
            break;
        case kPanTiltKey: STEP(programmer::apply_pantilt_record()); break;
        case kFigureKey: STEP(programmer::run_effect_wizard()); break;
        case kEscKey: return false;
        default: break;
    }
    return true;
}

void restore_second_function_leds() {
    if (is_cue_screen()) {
        set_key_leds(kFirstCuePageKey, kLastCuePageKey, LED_OFF);
        const int16_t page = playback::current_cue_page;
        if (page >= 1 && page <= playback::kCuePages) set_key_led(static_cast<int16_t>(80 + page), LED_ON);
    }
    set_key_led(kCueKey, is_cue_screen() ? LED_ON : LED_OFF);
    show_edit_mode_led();
    set_key_led(kStepKey, (mode_flags & MODE_FIXTURE_STEP) != 0 ? LED_ON : LED_OFF);
    set_key_led(kSetupKey, LED_OFF);
    set_key_led(kTakeOutputKey, LED_OFF);
    set_key_led(kPanTiltKey,
                current_fixture != -1 && (mode_flags & MODE_TRACKERBALL_PANTILT) != 0 ? LED_ON : LED_OFF);
    set_key_led(kFigureKey, fader_bank != 0 ? LED_ON : LED_OFF);
    const int panel = panel_mode();
    set_key_led(kPanelKey3, panel >= 3 && panel <= 5 ? LED_ON : LED_OFF);
    set_key_led(kShiftKey, LED_OFF);
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
        if (cell >= 1 && cell <= programmer::fixture_count && cell <= programmer::kFixtures) {
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
    if (ui::wait_key_held(kSetupKey, ui::kKeyHoldTime_ms)) {
        option_flags &= ~(OPT_CUE_PANEL | OPT_MEMORY_STATE_SHOWN);
        run_flags |= RUN_SHOW_FILE_BUSY;
        datafiles::show_file_operation = 2;
        draw_setup_menu();
        set_key_led(kDigit1Key, LED_BLINK);
        set_key_led(kDigit2Key, LED_BLINK);
        set_key_led(kEscKey, LED_BLINK);
        set_key_led(kDigit0Key, LED_OFF);
        set_key_leds(kDigit3Key, kDigit9Key, LED_OFF);

        const int16_t choice = read_setup_choice();
        set_key_led(kDigit1Key, LED_OFF);
        set_key_led(kDigit2Key, LED_OFF);
        set_key_led(kEscKey, LED_OFF);
        run_flags &= ~RUN_SHOW_FILE_BUSY;
        STEP(playback::update_point_cue_leds());
        if (restart_requested == 0) STEP(ui::redraw_cue_panel());

        if (choice == kDigit1Key) {
            run_fixture_setup_choice();
        } else if (choice == kDigit2Key) {
            run_show_settings_choice();
        }
    }
    set_key_led(kSetupKey, LED_OFF);
}

void run_second_function_menu() {
    light_second_function_keys();
    while (key_down_table[kShiftKey] != 0 && quit_requested == 0) {
        int16_t key = 0;
        if (get_key(&key) && !run_second_function(key)) break;
    }
    restore_second_function_leds();
}

void confirm_quit() {
    if (ui::wait_key_held(kSetupKey, ui::kKeyHoldTime_ms)) quit_requested = 1;
    set_key_led(kSetupKey, LED_BLINK);
}

}  // namespace runtime
