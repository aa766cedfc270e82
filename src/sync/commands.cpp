#include "sync/commands.h"

#include <array>

#include "playback/commands.h"
#include "runtime/config_records.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_dispatch.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "runtime/main_loop.h"
#include "runtime/mouse_input.h"
#include "sync/cd_keys.h"
#include "sync/cd_requests.h"
#include "sync/list_open.h"
#include "sync/sync_services.h"
#include "sync/timecode_clock.h"
#include "sync/timecode_display.h"
#include "sync/timecode_lists.h"
#include "sync/timecode_record.h"
#include "sync/timecode_screen.h"
#include "sync/timecode_table.h"
#include "ui/helpers.h"
#include "ui/main_screen.h"
#include "ui/message_line.h"

namespace synchro {

int16_t (*timecode_table_editor)(int16_t key) = edit_timecode_table;

void reset_timecode_screen_globals() { timecode_table_editor = edit_timecode_table; }

namespace {

using namespace runtime::keys;

constexpr const char* kScreenPrompt = "PROGRAM TIMECODE (ESC=CANCEL)";
constexpr int32_t kErrorHz = 400;
constexpr uint32_t kErrorMs = 2000;

constexpr std::array<int16_t, 6> kTransportKeys = {KEY_PLAY, KEY_REC, KEY_STOP, KEY_EDIT, KEY_TIMECODE_MODE, KEY_ESC};
constexpr std::array<int16_t, 3> kCdKeys = {KEY_EDIT_VALUE, KEY_PLUS, KEY_MINUS};

bool cd_keys_usable() { return timecode_source == kTimecodeSourceCdrom && cd_state.disc_ready != 0; }
bool is_cd_key(int16_t key) { return key >= KEY_EDIT_VALUE && key <= KEY_MINUS; }

void set_leds(const auto& keys, uint8_t state) {
    for (const int16_t key : keys) runtime::set_key_led(key, state);
}

// The time a key is awaited the console runs on: trackerball, wheels and the
// background poll.
int16_t wait_for_key() {
    while (!runtime::is_input_pending() && list_open_request == 0) {
        runtime::read_trackerball(0);
        runtime::step_mode_wheels();
        runtime::run_background();
    }
    if (list_open_request != 0) return KEY_OPEN_LIST;
    int16_t key = 0;
    return runtime::get_key(&key) ? key : 0;  // 0: a release or an input the reader took
}

// A transport key's command with its LED lit and its button pressed.
template <typename Command>
void run_pressed(int16_t key, int16_t button, Command command) {
    runtime::set_key_led(key, runtime::LED_ON);
    draw_transport_button(button, true);
    command();
    draw_transport_button(button, false);
    runtime::set_key_led(key, runtime::LED_OFF);
}

// The list a MIDI request names, loaded and played; a list that cannot be
// loaded is not played (the list loaded before would play in its place).
void open_requested_list() {
    const uint8_t source_before = timecode_source;
    list_open_request = 0;
    if (!load_timecode_list(pending_list_name)) {
        ui::show_message("LIST '%s' NOT FOUND", pending_list_name.c_str());
        ui::beep_interruptible(kErrorHz, kErrorMs);
        return;
    }
    draw_timecode_header();
    draw_timecode_clock(true);
    if ((source_before == kTimecodeSourceManual) != (timecode_source == kTimecodeSourceManual)) {
        redraw_timecode_transport();
    }
    run_pressed(KEY_PLAY, kPlayButton, [] {
        show_start_time();
        timecode_table_editor(KEY_OPEN_LIST);
    });
}

void handle_screen_key(int16_t key) {
    switch (key) {
        case KEY_PLAY: run_pressed(key, kPlayButton, [] { timecode_table_editor(KEY_PLAY); }); return;
        case KEY_REC: run_pressed(key, kRecButton, [] { record_timecode_events(); }); return;
        case KEY_EDIT:
            // The editor puts the button and the LED back when it closes.
            runtime::set_key_led(key, runtime::LED_ON);
            draw_transport_button(kEditButton, true);
            timecode_table_editor(KEY_EDIT);
            return;
        case KEY_TIMECODE_MODE: run_pressed(key, kModeButton, [] { select_timecode_source(); }); return;
        case KEY_OPEN_LIST: open_requested_list(); return;
        case KEY_SETUP: return;
        default: break;
    }
    if (is_cd_key(key)) {
        if (cd_keys_usable()) edit_cd_trigger_time(key);
        return;
    }
    runtime::dispatch_key(key);
}

}  // namespace

void run_timecode_screen(int16_t key) {
    runtime::option_flags |= runtime::OPT_TIMECODE_SCREEN;
    runtime::option_flags &= ~runtime::OPT_MEMORY_STATE_SHOWN;
    if (cd_state.drive != kNoCdDrive) {
        read_cd_toc();
        if (cd_state.disc_ready != 0) {
            timecode_source = kTimecodeSourceCdrom;
            timecode_frame_rate = 1;
        }
    }
    draw_timecode_screen();
    ui::show_message(kScreenPrompt);
    int16_t first = key;
    for (;;) {
        playback::update_point_cue_leds();
        set_leds(kTransportKeys, runtime::LED_BLINK);
        set_leds(kCdKeys, cd_keys_usable() ? runtime::LED_BLINK : runtime::LED_OFF);
        int16_t pressed = 0;
        if (list_open_request != 0) {
            pressed = KEY_OPEN_LIST;
        } else if (first != 0) {
            pressed = first;
            first = 0;
        } else {
            pressed = wait_for_key();
        }
        if (pressed == 0) continue;
        set_leds(kTransportKeys, runtime::LED_OFF);
        if (pressed == KEY_ESC) break;
        handle_screen_key(pressed);
        ui::show_message(kScreenPrompt);
    }
    runtime::option_flags &= ~runtime::OPT_TIMECODE_SCREEN;
    ui::draw_main_frame();
    ui::clear_message();
    set_leds(kTransportKeys, runtime::LED_OFF);
    set_leds(kCdKeys, runtime::LED_OFF);
    playback::update_point_cue_leds();
}

}  // namespace synchro
