#include "programmer/effect_wizard.h"

#include <array>
#include <bit>

#include "platform/graphics.h"
#include "programmer/commands.h"
#include "programmer/effect_macros.h"
#include "programmer/fader_panel.h"
#include "programmer/fixture_groups.h"
#include "programmer/groupings.h"
#include "programmer/fixture_pages.h"
#include "programmer/fixture_selection.h"
#include "programmer/function_belts.h"
#include "programmer/function_page.h"
#include "programmer/macro_panel.h"
#include "programmer/predefined_pickers.h"
#include "runtime/card_discovery.h"
#include "runtime/config_records.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "runtime/main_loop.h"
#include "runtime/mouse_input.h"
#include "ui/counters.h"
#include "ui/helpers.h"
#include "ui/message_line.h"
#include "ui/panel_modes.h"
#include "ui/panels.h"

namespace programmer {

namespace {

using runtime::set_key_led;

constexpr int16_t kNoStep = 0;
constexpr int16_t kStepMacro = 1, kStepSwing = 2, kStepSpeed = 3, kStepMode = 4, kStepWave = 5, kStepLoop = 6,
                  kStepWait = 7;
constexpr int16_t kColumns = 6;
constexpr int16_t kLastGrouping = 20;
constexpr int16_t kNoGroupingCell = 21;
constexpr int16_t kSelectFixturesCell = 23, kWaveCell = 25, kStepCell = 28, kEditCell = 31, kClearCell = 32;
constexpr int16_t kFixturePanel = 1;
constexpr int16_t kFaderDisplay = 2;
constexpr int16_t kFixturePages = 10;
constexpr int kStrokedFont = 2;
constexpr int16_t kLightGrey = 7, kLightGreen = 10, kLightCyan = 11, kYellow = 14, kRed = 4;
constexpr int32_t kStartTone_hz = 800;
constexpr uint32_t kStartTone_ms = 100;

// The ring of steps: NEXT goes from ring[i] to ring[i + 1].
constexpr std::array<int16_t, 6> kRing = {kStepMacro, kGroupingStep, kStepWave, kStepLoop, kStepMode, kStepSpeed};

// What one run of the wizard keeps.
struct WizardRun {
    int16_t prompted_step = kNoStep;  // the step last prompted
    int16_t marked_cell = 0;          // the cell marked in the picker shown
    uint8_t right_panel = kFixturePanel;
    uint8_t last_led = 0;
    uint8_t next_led = 0;
};

bool has_fixture() { return runtime::current_fixture >= 1; }
bool has_belts() { return runtime::hw_option_flags.function_belts != 0; }
bool option(uint32_t bit) { return (runtime::option_flags & bit) != 0; }
bool cue_screen_shown() { return (runtime::mode_flags & runtime::MODE_CUE_SCREEN) != 0; }
bool picker_step(int16_t step) {
    return step == kStepMacro || step == kStepMode || step == kStepWave || step == kStepLoop || step == kGroupingStep;
}
uint8_t right_panel_number() {
    return static_cast<uint8_t>((runtime::mode_flags & runtime::MODE_PANEL_FIELD) >>
                                std::countr_zero(runtime::MODE_PANEL_FIELD));
}

const char* step_prompt(int16_t step) {
    switch (step) {
        case kStepMacro: return "SELECT EFFECT-MACRO AND PRESS NEXT";
        case kStepSwing: return "SELECT EFFECT-SWING";
        case kStepSpeed: return "SELECT EFFECT-SPEED AND PRESS NEXT";
        case kStepMode: return "SELECT DIRECTION AND FADE-MODE";
        case kStepWave: return "SELECT WAVE-EFFECT AND PRESS NEXT";
        case kStepLoop: return "SELECT LOOP-EFFECT AND PRESS NEXT";
        case kStepWait: return "SELECT EFFECT-WAIT";
        default: return "SELECT GROUPING";
    }
}

void reset_trackerball_movement() {
    runtime::read_trackerball(0);
    runtime::trackerball_remainders = {0, 0};
    runtime::mouse_x = 0;
    runtime::mouse_y = 0;
}

int16_t grouping_cell() {
    const int16_t g = runtime::current_grouping;
    return g >= 1 && g <= kLastGrouping ? g : kNoGroupingCell;
}

// Frame, number and LED of a picker cell: marked (yellow, LED 2) or offered.
void paint_cell(int16_t cell, bool marked) {
    if (cell < 1 || cell > 72) return;
    frame_picker_cell(static_cast<int16_t>((cell - 1) % kColumns + 1), static_cast<int16_t>((cell - 1) / kColumns + 1),
                      marked ? kYellow : kLightGrey);
    draw_picker_cell_number(cell, marked ? kYellow : kLightCyan);
    if (cell <= runtime::kFixtureKeys) set_key_led(runtime::fixture_key(cell), marked ? runtime::LED_ON_2 : runtime::LED_ON_BOTH);
}

// The cell the picker of this step opens on.
int16_t opening_cell(int16_t step) {
    const int16_t choices = macro_picker_choices(step);
    int cell = 0;
    if (step == kGroupingStep) {
        cell = grouping_cell();
    } else {
        const auto& faders = runtime::wheel_states.macro_faders;
        const int macro = faders[kMacroNumber].raw;
        const int raw = faders[static_cast<size_t>(step)].raw;
        if (macro >= 1 && macro <= kMacroCount) cell = step == kStepMode ? raw / 4 + 1 : raw;
    }
    return cell >= 1 && cell <= choices ? static_cast<int16_t>(cell) : 1;
}

// ---------------------------------------------------------------- entry and exit

void enter(WizardRun& run) {
    ui::beep(kStartTone_hz, kStartTone_ms);
    set_key_led(runtime::KEY_CUE, cue_screen_shown() ? runtime::LED_ON : runtime::LED_OFF);
    set_key_led(runtime::KEY_PANEL_3, right_panel_number() >= 3 ? runtime::LED_ON : runtime::LED_OFF);
    for (const int16_t key : {runtime::KEY_SETUP, runtime::KEY_TAKE_OUTPUT, runtime::KEY_TRACKERBALL_PANTILT,
                              runtime::KEY_SHIFT}) {
        set_key_led(key, runtime::LED_OFF);
    }
    set_key_led(runtime::KEY_FIGURE, runtime::LED_ON);
    set_key_led(runtime::KEY_ESC, runtime::LED_BLINK);

    runtime::option_flags &= ~(runtime::OPT_CUE_PANEL | runtime::OPT_MEMORY_STATE_SHOWN);
    runtime::macro_mode = 1;
    runtime::macro_fader = kStepMacro;
    if (cue_screen_shown()) {
        if (!has_fixture()) {
            set_fixture_page(runtime::fixture_page);
        } else {
            runtime::mode_flags &= ~runtime::MODE_CUE_SCREEN;
            set_key_led(runtime::KEY_CUE, runtime::LED_OFF);
            set_key_led(runtime::fixture_page == 1 ? runtime::KEY_BANK_DOWN : runtime::KEY_BANK_UP, runtime::LED_ON);
        }
    }
    if (has_fixture()) {
        build_fader_panel();
        refresh_faders();
        highlight_selected_fader(kYellow);
        update_fader_key_leds();
    }
    if (option(runtime::OPT_ANALOGUE_VIEW)) ui::save_panel_picture();
    run.right_panel = right_panel_number();
    if (run.right_panel != kFixturePanel) ui::set_panel_mode(kFixturePanel);
    if (runtime::display_mode != kFaderDisplay) ui::select_wheel_mode(kFaderDisplay);

    ui::show_message("PROGRAM EFFECT-WIZARD");
    ui::fill_box(2, 282, 220, 314, kLightGreen);
    ui::set_text_style(kStrokedFont, 0, 7);
    platform::_setcolor(kRed);
    platform::_outtextxy((198 - platform::_textwidth("EFFECT-WIZARD")) / 2 + 12, 292, "EFFECT-WIZARD");
    ui::set_text_style(kStrokedFont, 0, 4);

    runtime::set_mouse_range(230, 106, 630, 464);
    run.last_led = runtime::key_led_cache[runtime::KEY_LAST];
    run.next_led = runtime::key_led_cache[runtime::KEY_NEXT];
}

void leave(const WizardRun& run) {
    runtime::show_mouse_cursor(0);
    runtime::macro_mode = 0;
    if (has_fixture()) {
        build_fader_panel();
        refresh_faders();
        if ((runtime::mode_flags & runtime::MODE_TRACKERBALL_PANTILT) == 0) highlight_selected_fader(kYellow);
        update_fader_key_leds();
    }
    draw_fixture_screen();
    ui::set_panel_mode(run.right_panel);
    reset_trackerball_movement();
    ui::redraw_cue_panel();
    for (const int16_t key : {runtime::KEY_EDIT_ITEM, runtime::KEY_CLR, runtime::KEY_ESC}) {
        set_key_led(key, runtime::LED_OFF);
    }
    set_key_led(runtime::KEY_LAST, run.last_led);
    set_key_led(runtime::KEY_NEXT, run.next_led);
}

// ---------------------------------------------------------------- one pass

void light_step_keys() {
    const int16_t step = runtime::macro_fader;
    const uint8_t walk = has_fixture() ? runtime::LED_BLINK : runtime::LED_OFF;
    set_key_led(runtime::KEY_LAST, walk);
    set_key_led(runtime::KEY_NEXT, walk);
    if (!has_fixture()) return;
    for (const int16_t fader : {kStepMacro, kStepMode, kStepWave, kStepLoop}) {
        set_key_led(runtime::fader_key(fader), fader == step ? runtime::LED_BLINK_2 : runtime::LED_BLINK_BOTH);
    }
}

void show_picker_or_panel(WizardRun& run) {
    const int16_t step = runtime::macro_fader;
    if (has_fixture() && picker_step(step)) {
        if (option(runtime::OPT_PICKER_GRID) && step == run.prompted_step) return;
        runtime::show_mouse_cursor(0);
        draw_macro_picker_titles();
        draw_macro_picker_grid();
        run.marked_cell = opening_cell(step);
        paint_cell(run.marked_cell, true);
        runtime::show_mouse_cursor(1);
        return;
    }
    const bool tuning = step == kStepSwing || step == kStepSpeed || step == kStepWait;
    if (option(runtime::OPT_PICKER_GRID) && (!has_fixture() || tuning)) {
        runtime::show_mouse_cursor(0);
        draw_fixture_screen();
        ui::set_panel_mode(kFixturePanel);
    }
}

void prompt(WizardRun& run) {
    const int16_t step = runtime::macro_fader;
    if (!has_fixture()) {
        ui::show_message("SELECT FIXTURES");
        return;
    }
    if (step != run.prompted_step) ui::show_message("%s", step_prompt(step));
    run.prompted_step = step;
    reset_trackerball_movement();
}

// Waits for a key press or a click on the grid (as the key of its cell);
// the trackerball meanwhile tunes the fader of a step without a grid.
int16_t wait_for_key() {
    for (;;) {
        const bool grouping_picker = option(runtime::OPT_PICKER_OPEN) && runtime::macro_fader == kGroupingStep;
        const uint8_t led = grouping_picker ? runtime::LED_BLINK : runtime::LED_OFF;
        set_key_led(runtime::KEY_EDIT_ITEM, led);
        set_key_led(runtime::KEY_CLR, led);
        runtime::run_background();
        if (runtime::is_input_pending()) {
            int16_t key = 0;
            if (runtime::get_key(&key)) return key;
            continue;
        }
        if (!has_fixture()) continue;
        const int16_t step = runtime::macro_fader;
        if (option(runtime::OPT_PICKER_GRID)) {
            runtime::read_mouse(0);
            if (runtime::mouse_buttons != runtime::kMouseLeft) continue;
            const int16_t h = macro_picker_row_height(step);
            const int column = (runtime::mouse_x - kGridLeft) / kCellWidth;
            const int row = (runtime::mouse_y - kGridTop) / h;
            if (runtime::mouse_x < kGridLeft || runtime::mouse_y < kGridTop || column >= kColumns) continue;
            return static_cast<int16_t>(column + row * kColumns + 1);
        }
        runtime::read_trackerball(0);
        if (runtime::mouse_y == 0) continue;
        apply_macro_wheel(step, runtime::mouse_y);
        if (has_belts() && step >= 1 && step <= kMacroFaderCount) {
            set_function_belt(step, static_cast<uint8_t>(runtime::wheel_states.macro_faders[static_cast<size_t>(step)].value));
        }
    }
}

// ---------------------------------------------------------------- picks

void pick_grouping_cell(int16_t k) {
    const int16_t g = runtime::current_grouping;
    const bool usable = g >= 1 && g <= kLastGrouping && grouping_table[static_cast<size_t>(g)].subgroup_count != 0;
    if (k == runtime::KEY_EDIT_ITEM || k == kEditCell) {
        run_grouping_editor();
    } else if (k == runtime::KEY_CLR || k == kClearCell) {
        clear_grouping();
    } else if (k == kSelectFixturesCell) {
        select_grouping_fixtures();
    } else if (k == kWaveCell || k == kStepCell) {
        if (!usable) return;
        const auto count = static_cast<int16_t>(grouping_table[static_cast<size_t>(g)].subgroup_count);
        if (k == kWaveCell) {
            apply_macro_wave(count);
        } else {
            apply_macro_step(count);
        }
    } else if (k >= 1 && k <= kNoGroupingCell) {
        select_grouping(k);
    }
}

void pick(WizardRun& run, int16_t k) {
    const int16_t step = runtime::macro_fader;
    const bool cell = k >= 1 && k <= macro_picker_choices(step);
    if (cell) {
        const int16_t shown = runtime::mouse_cursor_shown;
        runtime::show_mouse_cursor(0);
        paint_cell(step == kGroupingStep ? grouping_cell() : run.marked_cell, false);
        paint_cell(k, true);
        run.marked_cell = k;
        runtime::show_mouse_cursor(shown);
    }
    switch (step) {
        case kStepMacro: apply_macro(k); break;
        case kStepMode: {
            runtime::WheelState& mode = runtime::wheel_states.macro_faders[kMacroMode];
            mode.value = static_cast<int16_t>(6 * k - 5);
            apply_macro_wheel(kMacroMode, 0);
            if (has_belts()) set_function_belt(kMacroMode, static_cast<uint8_t>(mode.value));
            break;
        }
        case kStepWave: apply_macro_wave(k); break;
        case kStepLoop: apply_macro_step(k); break;
        case kGroupingStep: pick_grouping_cell(k); break;
        default: break;
    }
}

bool picker_key(int16_t key) {
    const int16_t step = runtime::macro_fader;
    if (key >= 1 && key <= macro_picker_choices(step)) return true;
    if (step != kGroupingStep) return false;
    return macro_picker_cell_active(step, key) || key == runtime::KEY_EDIT_ITEM || key == runtime::KEY_CLR;
}

void page_key(int16_t key) {
    const int16_t page = runtime::fixture_page;
    if (cue_screen_shown()) {
        set_fixture_page(page);
    } else if (key == runtime::KEY_BANK_DOWN && page > 1) {
        set_fixture_page(static_cast<int16_t>(page - 1));
    } else if (key == runtime::KEY_BANK_UP && page < kFixturePages) {
        set_fixture_page(static_cast<int16_t>(page + 1));
    }
}

// The key's command; false when the key ends the wizard.
bool handle_key(WizardRun& run, int16_t key) {
    const int16_t step = runtime::macro_fader;
    if (key >= runtime::KEY_FADER_1 && key <= runtime::KEY_FADER_16 && has_fixture()) {
        const auto n = static_cast<int16_t>(key - runtime::KEY_FADER_1 + 1);
        if (n != step && ((n >= 1 && n <= kMacroFaderCount) || n == kGroupingStep)) select_fader(n);
        return true;
    }
    if ((key == runtime::KEY_LAST || key == runtime::KEY_NEXT) && has_fixture()) {
        select_fader(key == runtime::KEY_NEXT ? next_wizard_step(step) : previous_wizard_step(step));
        return true;
    }
    if (option(runtime::OPT_PICKER_OPEN) && picker_key(key)) {
        pick(run, key);
        return true;
    }
    if (option(runtime::OPT_FIXTURE_PANEL)) {
        if ((key >= runtime::KEY_FIXTURE_1 && key <= runtime::KEY_FIXTURE_70) || key == runtime::KEY_ALL ||
            key == runtime::KEY_NONE) {
            handle_fixture_key(key);
            return true;
        }
        if (key >= runtime::KEY_GROUP_1 && key <= runtime::KEY_GROUP_16) {
            handle_group_key(key);
            return true;
        }
        if (key == runtime::KEY_BANK_DOWN || key == runtime::KEY_BANK_UP) {
            page_key(key);
            return true;
        }
    }
    return key != runtime::KEY_ESC;
}

}  // namespace

int16_t next_wizard_step(int16_t step) {
    for (size_t i = 0; i < kRing.size(); ++i) {
        if (kRing[i] == step) return kRing[(i + 1) % kRing.size()];
    }
    return kStepMacro;
}

int16_t previous_wizard_step(int16_t step) {
    for (size_t i = 0; i < kRing.size(); ++i) {
        if (kRing[i] == step) return kRing[(i + kRing.size() - 1) % kRing.size()];
    }
    return kStepMacro;
}

void run_effect_wizard() {
    WizardRun run;
    enter(run);
    for (;;) {
        light_step_keys();
        show_picker_or_panel(run);
        prompt(run);
        if (!handle_key(run, wait_for_key())) break;
    }
    leave(run);
}

}  // namespace programmer
