#include "sync/timecode_play.h"

#include <algorithm>
#include <array>
#include <string>

#include "memories/master_faders.h"
#include "memories/master_state.h"
#include "platform/bios.h"
#include "playback/playback_faders.h"
#include "playback/playback_state.h"
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
#include "sync/timecode_player.h"
#include "sync/timecode_record.h"
#include "sync/timecode_screen.h"
#include "sync/timecode_table.h"
#include "ui/helpers.h"
#include "ui/message_line.h"
#include "ui/value_table.h"

namespace synchro {

namespace {

using namespace runtime::keys;

constexpr int32_t kConfirmHz = 800;
constexpr int32_t kErrorHz = 400;
constexpr int16_t kTableRows = 14;
constexpr const char* kStopPrompt = "PRESS 'STOP' TO STOP PLAYING...";

// The editor keys whose LEDs go off while a list plays.
constexpr std::array<int16_t, 14> kEditorKeys = {KEY_DOWN,     KEY_LEFT, KEY_RIGHT, KEY_UP,   KEY_POINT,
                                                  KEY_ESC,      KEY_PAGE_UP, KEY_PAGE_DOWN, KEY_DEL, KEY_COPY,
                                                  KEY_ENTER,    KEY_CLR,  KEY_INSERT_EVENTS, KEY_ADD_EVENTS};

bool manual_source() { return timecode_source == kTimecodeSourceManual; }
bool table_shown() { return (runtime::option_flags & runtime::OPT_TIMECODE_PLAYING) != 0; }
int32_t event_count() { return timecode_list.count; }

// Keys the play loop neither handles nor passes on: those that would leave
// or reopen the timecode screen.
bool key_kept_from_dispatch(int16_t key) {
    return (key >= KEY_LOAD && key <= KEY_BLIND_TOGGLE) || (key >= KEY_PLAY && key <= KEY_TIMECODE_MODE) ||
           key == KEY_EDIT_ITEM;
}

// Sorted unless MANUAL, whose list plays in its own order; the cursor stays
// on its event.
void sort_before_play(int16_t& cursor, int16_t& row, int16_t column) {
    if (manual_source()) return;
    const bool had_event = cursor >= 1 && cursor <= event_count();
    TimecodeEvent kept{};
    if (had_event) kept = timecode_event(cursor);
    if (!sort_timecode_events() || !had_event) return;
    for (int32_t i = 1; i <= event_count(); ++i) {
        const TimecodeEvent& e = timecode_event(i);
        if (e.time == kept.time && event_text(e) == event_text(kept)) {
            cursor = static_cast<int16_t>(i);
            break;
        }
    }
    row = std::min(row, cursor);
    if (table_shown()) redraw_timecode_list_rows(cursor, row, column, 0);
}

// The time of day as the start time: hundredths of a second as the frame,
// at most the rate's last frame.
void start_at_time_of_day() {
    const uint32_t now = platform::dos_time_of_day_hundredths();
    const auto hh = static_cast<int16_t>(now / 360000);
    const auto mm = static_cast<int16_t>(now / 6000 % 60);
    const auto ss = static_cast<int16_t>(now / 100 % 60);
    const auto ff = static_cast<int16_t>(std::min<int>(static_cast<int>(now % 100), timecode_fps() - 1));
    draw_timecode_digits(convert_timecode_to_seconds(hh, mm, ss, ff));
}

int16_t read_key() {
    int16_t key = 0;
    while (!runtime::get_key(&key)) {
    }
    return key;
}

// The prompt of the source and the key that starts (or cancels) playing.
int16_t ask_for_start(uint8_t autoplay) {
    const bool timed = timecode_source == kTimecodeSourcePcTimer || timecode_source == kTimecodeSourceInternal ||
                       timecode_source == kTimecodeSourceCdrom;
    if (!timed) {
        ui::show_message("PRESS 'PLAY' TO START PLAYING...");
        ui::beep(kConfirmHz, 200);
        return autoplay != 0 ? KEY_PLAY : read_key();
    }
    ui::show_message("EDIT TIME AND PRESS 'PLAY'...");
    ui::beep(kConfirmHz, 200);
    if (runtime::console_config.timecode_entered_time_current() == 1 && timecode_source != kTimecodeSourceCdrom) {
        start_at_time_of_day();
    }
    return autoplay != 0 ? KEY_PLAY : edit_start_time();
}

// The MANUAL panel's texts and the table's mark of the next event.
void show_manual_step(int16_t cursor_row) {
    format_timecode_event_text(timecode_player.last_event, timecode_player.next_event);
    if (table_shown()) draw_cue_list_markers(static_cast<int16_t>(timecode_player.last_event), cursor_row, tc_colour::kLightGrey);
}

void step_manual(int16_t key) {
    TimecodePlayerState& p = timecode_player;
    if (key == KEY_LAST && p.last_event > 1 && p.last_event <= event_count()) {
        p.next_event = p.last_event;
        --p.last_event;
    } else if (key == KEY_NEXT && p.last_event >= 0 && p.last_event < event_count()) {
        ++p.last_event;
        p.next_event = p.last_event + 1;
    } else {
        return;
    }
    execute_timecode_event(p.last_event);
}

// The shown cursor follows the event fired last within the 14-row window.
void follow_last_event(int16_t& cursor, int16_t& row, int16_t column, int16_t key) {
    const int32_t last = timecode_player.last_event;
    if (last < 1 || last > event_count() || last == cursor) return;
    const int32_t new_row = row + (last - cursor);
    const bool down = last > cursor;
    cursor = static_cast<int16_t>(last);
    if (new_row >= 1 && new_row <= kTableRows) {
        row = static_cast<int16_t>(new_row);
        redraw_timecode_list_rows(cursor, row, column, down ? 1 : 2);
    } else {
        row = manual_source() && key == KEY_LAST ? std::min<int16_t>(kTableRows, cursor) : 1;
        redraw_timecode_list_rows(cursor, row, column, 0);
    }
}

void open_table_while_playing(int16_t& cursor, int16_t& row, int16_t column) {
    cursor = static_cast<int16_t>(std::max<int32_t>(timecode_player.last_event, 1));
    row = 1;
    draw_timecode_table_frame();
    redraw_timecode_list_rows(cursor, row, column, 0);
    runtime::option_flags |= runtime::OPT_TIMECODE_PLAYING;
    runtime::set_key_led(KEY_EDIT, runtime::LED_ON);
    draw_transport_button(kEditButton, true);
}

// One key while playing; false when it ends the loop.
bool handle_play_key(int16_t key, int16_t& cursor, int16_t& row, int16_t column) {
    if (key == KEY_STOP) return false;
    if (manual_source() && (key == KEY_LAST || key == KEY_NEXT)) {
        step_manual(key);
        format_timecode_event_text(timecode_player.last_event, timecode_player.next_event);
        return true;
    }
    if (key == KEY_EDIT) {
        if (!table_shown()) open_table_while_playing(cursor, row, column);
        return true;
    }
    if (key >= KEY_EDIT_VALUE && key <= KEY_MINUS) {
        if (timecode_source == kTimecodeSourceCdrom && cd_state.disc_ready != 0) edit_cd_trigger_time(key);
        return true;
    }
    if (key_kept_from_dispatch(key)) return true;
    runtime::dispatch_key(key);
    if (!table_shown()) {
        runtime::set_key_led(KEY_EDIT, runtime::LED_OFF);
        draw_transport_button(kEditButton, false);
    }
    ui::show_message(kStopPrompt);
    return true;
}

}  // namespace

bool run_timecode_play(int16_t& cursor, int16_t& row, int16_t& column, uint8_t autoplay) {
    if (event_count() == 0) {
        ui::show_message("NO EVENTS LOADED OR RECORDED");
        ui::beep_interruptible(kErrorHz, 1000);
        return true;
    }
    for (const int16_t key : kEditorKeys) runtime::set_key_led(key, runtime::LED_OFF);
    sort_before_play(cursor, row, column);
    const int16_t key = ask_for_start(autoplay);
    if (key != KEY_PLAY && key != KEY_ENTER) {
        ui::show_message("PLAYING CANCELLED");
        ui::beep(kErrorHz, 800);
        return true;
    }
    ui::show_message(kStopPrompt);
    start_timecode_source();
    run_timecode_play_loop(cursor, row, column);
    stop_timecode_source();
    if (!manual_source()) draw_timecode_digits(display_time);
    ui::show_message("END OF PLAYING...");
    ui::beep(kConfirmHz, 400);
    return true;
}

bool run_timecode_play_loop(int16_t& cursor, int16_t& row, int16_t& column) {
    timecode_mode = kTimecodePlay;
    reset_timecode_player();
    if (timecode_source == kTimecodeSourcePcTimer) anchor_pc_timer(display_time);
    int16_t shown_cursor = cursor;
    int16_t shown_row = row;
    reset_fader_overrides(kNotPressed);
    const bool manual = manual_source();
    uint8_t last_led = 0, next_led = 0;
    if (manual) {
        draw_manual_captions(tc_colour::kYellow);
        last_led = runtime::key_led_cache[KEY_LAST];
        next_led = runtime::key_led_cache[KEY_NEXT];
        runtime::set_key_led(KEY_LAST, runtime::LED_BLINK);
        runtime::set_key_led(KEY_NEXT, runtime::LED_BLINK);
        shown_cursor = 1;
        shown_row = 1;
        column = 1;
        if (table_shown()) redraw_timecode_list_rows(shown_cursor, shown_row, column, 0);
        show_manual_step(shown_row);
    }
    while (timecode_mode == kTimecodePlay) {
        runtime::read_trackerball(0);
        runtime::step_mode_wheels();
        runtime::run_background();
        ui::show_output_values();
        if (manual) end_expired_fader_overrides();
        int16_t key = 0;
        if (list_open_request != 0) break;
        if (runtime::is_input_pending() && !runtime::get_key(&key)) key = 0;  // a release: no key
        if (key != 0 && !handle_play_key(key, shown_cursor, shown_row, column)) break;
        if (table_shown()) {
            follow_last_event(shown_cursor, shown_row, column, key);
            if (manual && key != 0) draw_cue_list_markers(static_cast<int16_t>(timecode_player.last_event), shown_row, tc_colour::kLightGrey);
        }
    }
    reset_fader_overrides(kNotPressed);
    cursor = shown_cursor;
    row = shown_row;
    timecode_mode = kTimecodeIdle;
    if (manual) {
        draw_manual_captions(tc_colour::kLightGrey);
        if (table_shown()) redraw_timecode_list_rows(cursor, row, column, 0);
        runtime::set_key_led(KEY_LAST, last_led);
        runtime::set_key_led(KEY_NEXT, next_led);
    }
    return true;
}

}  // namespace synchro
