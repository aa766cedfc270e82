#include "ui/mode_keys.h"

#include <algorithm>
#include <array>
#include <bit>

#include "memories/commands.h"
#include "playback/commands.h"
#include "playback/key_groups.h"
#include "playback/output_merge.h"
#include "playback/playback_jobs.h"
#include "programmer/fader_panel.h"
#include "programmer/programmer_jobs.h"
#include "runtime/card_access.h"
#include "runtime/config_records.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_dispatch.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "runtime/main_loop.h"
#include "runtime/mouse_input.h"
#include "runtime/timers.h"
#include "ui/cue_selection.h"
#include "ui/edit_keys.h"
#include "ui/helpers.h"
#include "ui/main_screen.h"
#include "ui/message_line.h"
#include "ui/settings_editors.h"
#include "ui/value_table.h"

namespace ui {

uint32_t cue_key_last_press = 0;
int16_t step_switch_button = 0;

void reset_mode_keys_globals() {
    cue_key_last_press = 0;
    step_switch_button = 0;
}

namespace {

using namespace runtime::keys;
using runtime::LED_BLINK;
using runtime::LED_OFF;
using runtime::LED_ON;
using runtime::set_key_led;

constexpr int kEditModeShift = std::countr_zero(runtime::MODE_EDIT_MODE);
constexpr int16_t kMarkFixturesManual = MODE_TEXT_FIXTURES_MANUAL;
constexpr int16_t kMarkCuefading = MODE_TEXT_CUEFADING;
constexpr int16_t kDigitsInMenu = 7;               // MODE + digit 1..7
constexpr int32_t kModeChoiceTone_hz = 500;
constexpr uint32_t kModeChoiceTone_ms = 50;
constexpr int32_t kMultiselectTone_hz = 1000;
constexpr uint32_t kMultiselectTone_ms = 200;
constexpr int16_t kSpeedCentre = 200;              // trackerball position the speed control returns to
constexpr uint8_t kPointCueFadeSource = 5;         // step values of the point-cue fades
constexpr uint8_t kTimingViewPhaseIdle = 10;       // cue_fade_phase: no cue fade running

bool mode_set(uint32_t bit) { return (runtime::mode_flags & bit) != 0; }
bool key_held(int16_t key) { return runtime::key_down_table[static_cast<size_t>(key)] != 0; }

uint8_t edit_mode() { return static_cast<uint8_t>((runtime::mode_flags & runtime::MODE_EDIT_MODE) >> kEditModeShift); }
void set_edit_mode(uint8_t mode) {
    runtime::mode_flags = (runtime::mode_flags & ~runtime::MODE_EDIT_MODE) |
                          ((static_cast<uint32_t>(mode) << kEditModeShift) & runtime::MODE_EDIT_MODE);
}

// LED 74 for an edit mode: absolute lit, relative off, fan blinking.
uint8_t edit_mode_led(uint8_t mode) {
    return mode == kEditModeAbsolute ? LED_ON : mode == kEditModeFan ? LED_BLINK : LED_OFF;
}

// MODE + digit: 1 absolute, 2 relative, 3..7 fan with shape 1..5.
void choose_edit_mode_by_digit(int digit) {
    if (digit == 1) {
        set_edit_mode(kEditModeAbsolute);
    } else if (digit == 2) {
        set_edit_mode(kEditModeRelative);
    } else {
        set_edit_mode(kEditModeFan);
        programmer::fan_shape = static_cast<int16_t>(digit - 2);
    }
}

// The show speed after a trackerball reading of y while CUE is held.
int16_t speed_after(int16_t speed, int16_t y) {
    const int32_t next = int32_t{speed} - (int32_t{y} - kSpeedCentre);
    return static_cast<int16_t>(std::clamp<int32_t>(next, 0, kHighestShowSpeed));
}

bool speed_control_active() {
    return mode_set(runtime::MODE_CUE_TIMING) && (runtime::option_flags & runtime::OPT_TIMECODE_SCREEN) == 0 &&
           (runtime::option_flags & runtime::OPT_SETTINGS_EDITOR) == 0 && runtime::trackerball_card_mode == 0;
}

// While CUE is held and no input waits: the trackerball's vertical position
// moves the show speed; then one background pass.
void run_speed_control() {
    while (!runtime::is_input_pending()) {
        if (speed_control_active() && runtime::mouse_y != kSpeedCentre) {
            runtime::show_speed = speed_after(runtime::show_speed, runtime::mouse_y);
            runtime::set_mouse_position(kSpeedCentre, kSpeedCentre);
            runtime::mouse_y = kSpeedCentre;
            draw_speed_box();
        }
        runtime::run_background();
    }
}

bool anything_frozen() {
    return frozen_playback_count > 0 || frozen_sequence_count > 0 || frozen_fixture_count > 0 ||
           runtime::show_time_frozen == 1;
}

// Blind goes on only after key 114 stayed down for the hold time. The key
// reader swallows the key's own events, so the hold is judged by its key-down
// byte; other keys pressed meanwhile are read and dropped.
bool blind_key_held() {
    set_key_led(KEY_BLIND_TOGGLE, LED_BLINK);
    uint32_t start_ms = runtime::clock_ms;
    while (key_held(KEY_BLIND_TOGGLE)) {
        if (runtime::clock_ms < start_ms) start_ms = runtime::clock_ms;  // the clock was reset
        if (runtime::clock_ms - start_ms >= kKeyHoldTime_ms) return true;
        runtime::run_background();
        if (runtime::is_input_pending()) {
            int16_t key = 0;
            runtime::get_key(&key);
        }
    }
    return false;
}

enum class CueKeyStep : uint8_t { stay, leave };

// One key pressed while CUE is held; handled is set by the keys that did
// something of their own (the cue screen is then not entered).
CueKeyStep handle_key_under_cue(int16_t key, bool& handled) {
    if (key >= KEY_FIXTURE_1 && key <= KEY_FIXTURE_70) {
        select_cue_by_number(key, 0);
        return CueKeyStep::leave;
    }
    if (key >= KEY_DIGIT_1 && key <= KEY_DIGIT_9) {
        select_cue_by_number(static_cast<int16_t>(key - KEY_DIGIT_0), 1);
        return CueKeyStep::leave;
    }
    switch (key) {
        case KEY_SEQUENCE_RUN:
            handled = true;
            playback::last_pointcue_started = -1;
            toggle_cue_mode();
            return CueKeyStep::leave;
        case KEY_LAST:
            handled = true;
            memories::show_previous_cue_memory();
            runtime::wait_key_release(key);
            return CueKeyStep::stay;
        case KEY_NEXT:
            handled = true;
            memories::show_next_cue_memory();
            runtime::wait_key_release(key);
            return CueKeyStep::stay;
        case KEY_FREEZE:
            if (mode_set(runtime::MODE_CUE_TIMING)) runtime::show_time_frozen = runtime::show_time_frozen == 0 ? 1 : 0;
            draw_speed_box();
            runtime::wait_key_release(key);
            return CueKeyStep::stay;
        case KEY_SELECT_FUNCTIONS:
            runtime::show_speed = kNormalShowSpeed;
            draw_speed_box();
            runtime::wait_key_release(key);
            return CueKeyStep::stay;
        case KEY_GET_MEMORY:
            handled = true;
            memories::show_current_cue_memory();
            runtime::wait_key_release(key);
            return CueKeyStep::stay;
        case KEY_ENTER: return CueKeyStep::leave;
        default: return CueKeyStep::stay;
    }
}

}  // namespace

// ------------------------------------------------------------------ mode keys

void toggle_programmer_flag() {
    if ((runtime::run_flags & runtime::RUN_LIVE_EDIT) == 0) {
        runtime::run_flags |= runtime::RUN_LIVE_EDIT;
        draw_mode_text(kMarkFixturesManual, kMarkOnColour);
        set_key_led(KEY_LIVE_EDIT, LED_ON);
        programmer::refresh_faders();
    } else {
        runtime::run_flags &= ~runtime::RUN_LIVE_EDIT;
        draw_mode_text(kMarkFixturesManual, kMarkOffColour);
        set_key_led(KEY_LIVE_EDIT, LED_OFF);
        playback::release_all_programmer_values();
        programmer::refresh_faders();
        refresh_table_view();
    }
}

void toggle_blind_mode() {
    const bool blind = (runtime::run_flags & runtime::RUN_BLIND) != 0;
    // Going blind takes a deliberate hold; leaving it is immediate.
    if (blind || blind_key_held()) {
        runtime::run_flags ^= runtime::RUN_BLIND;
        refresh_table_view();
    }
    set_key_led(KEY_BLIND_TOGGLE, (runtime::run_flags & runtime::RUN_BLIND) != 0 ? LED_ON : LED_OFF);
}

void select_relative_mode() {
    std::array<uint8_t, 10> digit_leds{};
    for (int d = 0; d <= 9; ++d) {
        digit_leds[static_cast<size_t>(d)] = runtime::key_led_cache[static_cast<size_t>(digit_key(d))];
        set_key_led(digit_key(d), LED_OFF);
    }
    show_message("SELECT RELATIVE MODE [1..7]");

    bool chosen = false;
    while (key_held(KEY_MODE)) {
        set_key_led(KEY_MODE, LED_BLINK);
        for (int d = 1; d <= kDigitsInMenu; ++d) set_key_led(digit_key(d), LED_BLINK);
        runtime::run_background();
        if (!runtime::is_input_pending()) continue;
        int16_t key = 0;
        if (!runtime::get_key(&key) || key < KEY_DIGIT_1 || key > digit_key(kDigitsInMenu)) continue;
        // The last digit pressed while MODE is held counts.
        choose_edit_mode_by_digit(key - KEY_DIGIT_0);
        beep_interruptible(kModeChoiceTone_hz, kModeChoiceTone_ms);
        draw_mode_text(MODE_TEXT_EDIT_MODE, 1);
        chosen = true;
    }

    for (int d = 0; d <= 9; ++d) set_key_led(digit_key(d), digit_leds[static_cast<size_t>(d)]);
    clear_message();
    if (!chosen) {
        // absolute -> relative -> fan -> absolute
        const uint8_t mode = edit_mode();
        set_edit_mode(mode == kEditModeAbsolute ? kEditModeRelative
                      : mode == kEditModeRelative ? kEditModeFan
                                                  : kEditModeAbsolute);
    }
    set_key_led(KEY_MODE, edit_mode_led(edit_mode()));
    draw_mode_text(MODE_TEXT_EDIT_MODE, 1);
}

void start_fan_mode_edit() {
    set_key_led(KEY_MODE, LED_BLINK);
    edit_fan_mode();
    draw_mode_text(MODE_TEXT_EDIT_MODE, 1);
}

void toggle_fixture_step_mode() {
    if (!mode_set(runtime::MODE_FIXTURE_STEP) && !is_any_sequence_running()) {
        runtime::mode_flags |= runtime::MODE_FIXTURE_STEP;
        set_key_led(KEY_STEP, LED_ON);
        set_key_led(KEY_LAST, LED_BLINK);
        set_key_led(KEY_NEXT, LED_BLINK);
    } else {
        runtime::mode_flags &= ~runtime::MODE_FIXTURE_STEP;
        set_key_led(KEY_STEP, LED_OFF);
        set_key_led(KEY_LAST, LED_OFF);
        set_key_led(KEY_NEXT, LED_OFF);
    }
    playback::mark_dimmer_channels_dirty();
}

void toggle_cue_mode() {
    if (!mode_set(runtime::MODE_CUE_TIMING)) {
        if (mode_set(runtime::MODE_FIXTURE_STEP)) toggle_fixture_step_mode();
        runtime::mode_flags |= runtime::MODE_CUE_TIMING;
        if (runtime::show_time_frozen == 1) {
            runtime::show_time_frozen = 0;
            draw_speed_box();
        }
        draw_mode_text(kMarkCuefading, kMarkOnColour);
        playback::reset_cue_fades();
        playback::cue_fade_phase = kTimingViewPhaseIdle;
        // The current cue again, now with its timing; nothing when it is out of range.
        const uint16_t slot = runtime::cue_point_slot(playback::current_cue_page, playback::current_cue,
                                                      playback::current_cue_point);
        if (slot != 0) playback::go_to_cue(slot, 1, 0);
    } else {
        runtime::mode_flags &= ~runtime::MODE_CUE_TIMING;
        draw_mode_text(kMarkCuefading, kMarkOffColour);
        playback::clear_sequence_step(kPointCueFadeSource);
        programmer::refresh_faders();
        playback::cue_fade_phase = kTimingViewPhaseIdle;
        refresh_table_view();
    }
    if ((runtime::option_flags & runtime::OPT_TIMECODE_SCREEN) == 0) draw_main_frame();
}

// ------------------------------------------------------------------ step switch

void cycle_rate_step() {
    if (runtime::mouse_cursor_shown != 0) return;
    runtime::read_mouse(1);
    const int16_t button = runtime::mouse_buttons;
    // A button acts once per press: again only after every button was up.
    if (step_switch_button != 0 && button != runtime::kMouseNoButton) return;
    step_switch_button = 0;
    if (button == runtime::kMouseLeft) {
        if (runtime::belt_resolution > kLowestBeltResolution) --runtime::belt_resolution;
        draw_mode_text(MODE_TEXT_BELT_RESOLUTION, runtime::belt_resolution);
        step_switch_button = 1;
    } else if (button == runtime::kMouseRight) {
        if (runtime::belt_resolution < kHighestBeltResolution) ++runtime::belt_resolution;
        draw_mode_text(MODE_TEXT_BELT_RESOLUTION, runtime::belt_resolution);
        step_switch_button = 2;
    } else if (button == runtime::kMouseMiddle && !mode_set(runtime::MODE_IN_SETUP)) {
        runtime::trackerball_card_mode = runtime::trackerball_card_mode == 0 ? 1 : 0;
        if (runtime::trackerball_card_mode == 1) {
            runtime::set_console_flag();
        } else {
            runtime::clear_console_flag();
        }
        draw_mode_text(MODE_TEXT_TRACKERBALL, runtime::trackerball_card_mode);
        step_switch_button = 3;
    }
}

// ------------------------------------------------------------------ CUE key

void run_cue_key() {
    const uint32_t now_ms = runtime::clock_ms;
    // A press at clock 0 or a macro's reset leaves no earlier press to pair with.
    if (cue_key_last_press != 0 && now_ms >= cue_key_last_press && now_ms - cue_key_last_press < kCueDoublePress_ms) {
        beep_interruptible(kMultiselectTone_hz, kMultiselectTone_ms);
        multiselect_cues();
        return;
    }
    cue_key_last_press = now_ms;
    runtime::run_flags |= runtime::RUN_CUE_KEY_HELD;
    const uint8_t run_led = runtime::key_led_cache[KEY_SEQUENCE_RUN];
    const uint8_t last_led = runtime::key_led_cache[KEY_LAST];
    const uint8_t next_led = runtime::key_led_cache[KEY_NEXT];
    runtime::option_flags &= ~(runtime::OPT_CUE_PANEL | runtime::OPT_MEMORY_STATE_SHOWN);
    for (const int16_t key : {KEY_SEQUENCE_RUN, KEY_LAST, KEY_NEXT, KEY_GET_MEMORY, KEY_SELECT_FUNCTIONS, KEY_FREEZE}) {
        set_key_led(key, LED_BLINK);
    }
    bool handled = false;
    runtime::set_mouse_position(kSpeedCentre, kSpeedCentre);
    runtime::run_background();

    while (key_held(KEY_CUE)) {
        run_speed_control();
        int16_t key = 0;
        if (!runtime::get_key(&key)) continue;  // a release
        if (handle_key_under_cue(key, handled) == CueKeyStep::leave) break;
    }

    if (!mode_set(runtime::MODE_CUE_SCREEN) && !handled) playback::refresh_cue_mode();
    runtime::run_flags &= ~runtime::RUN_CUE_KEY_HELD;
    set_key_led(KEY_SEQUENCE_RUN, run_led);
    set_key_led(KEY_LAST, last_led);
    set_key_led(KEY_NEXT, next_led);
    set_key_led(KEY_GET_MEMORY, LED_OFF);
    set_key_led(KEY_SELECT_FUNCTIONS, LED_OFF);
    set_key_led(KEY_FREEZE, anything_frozen() ? LED_ON : LED_OFF);
    redraw_cue_panel();
}

}  // namespace ui
