#include "sync/timecode_edit.h"

#include <array>
#include <cstdio>
#include <utility>

#include "platform/graphics.h"
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
#include "sync/sync_services.h"
#include "sync/timecode_clock.h"
#include "sync/timecode_display.h"
#include "sync/timecode_event_edit.h"
#include "sync/timecode_lists.h"
#include "sync/timecode_player.h"
#include "sync/timecode_record.h"
#include "sync/timecode_table.h"
#include "ui/helpers.h"
#include "ui/message_line.h"
#include "ui/text_entry.h"

namespace synchro {

int16_t time_field = 1;
int16_t value_time_field = 1;

void reset_timecode_edit_globals() {
    time_field = 1;
    value_time_field = 1;
}

namespace {

using namespace runtime::keys;
using runtime::LED_BLINK;
using runtime::LED_OFF;
using runtime::LED_ON;

constexpr const char* kEditorMessage = "EDIT TIMECODE-TABLE (ESC=CANCEL)";
constexpr const char* kInsertMessage = "SELECT EVENTS TO INSERT (ESC=CANCEL)";
constexpr const char* kAddMessage = "SELECT EVENTS TO ADD (ESC=CANCEL)";

constexpr int32_t kConfirmHz = 800;
constexpr int32_t kRefuseHz = 400;
constexpr uint32_t kShortBeep_ms = 50;
constexpr uint32_t kBeep_ms = 200;
constexpr uint32_t kQuestionBeep_ms = 800;
constexpr uint32_t kErrorBeep_ms = 2000;

// Redraw modes of redraw_timecode_list_rows.
constexpr int16_t kAllRows = 0, kRowsToCursor = 1, kRowsFromCursor = 2, kCursorRow = 3;
constexpr int16_t kTableRows = 14;

// The table's cells: row r spans y 256 + 15r .. 267 + 15r; its text sits at
// y 258 + 15r. A time shown for editing is "hh mm ss ff" in 6-pixel cells,
// field f boxed over 16 pixels every 18 from the field start.
constexpr int16_t kRowTop = 256, kRowPitch = 15, kRowHeight = 12, kRowText = 258;
constexpr int16_t kTimeCellFields = 265;   // the time column
constexpr int16_t kGotoValueFields = 418;  // inside the event cell of "G" and "F" events
constexpr int16_t kFaderValueFields = 431;
constexpr int16_t kFieldPitch = 18, kFieldBox = 16, kFieldsWidth = 71, kFieldTextInset = 3;
constexpr int16_t kRed = 4, kLightCyan = 11, kLightMagenta = 13;

// LED sets of the operations.
constexpr std::array<int16_t, 6> kFieldEditBlink = {KEY_UP, KEY_DOWN, KEY_LEFT, KEY_RIGHT, KEY_ESC, KEY_ENTER};
constexpr std::array<int16_t, 8> kFieldEditOff = {KEY_PAGE_UP, KEY_PAGE_DOWN, KEY_DEL, KEY_COPY,
                                                  KEY_CLR, KEY_INSERT_EVENTS, KEY_ADD_EVENTS, KEY_POINT};
constexpr std::array<int16_t, 6> kSelectBlink = {KEY_UP, KEY_DOWN, KEY_LEFT, KEY_RIGHT, KEY_PAGE_UP, KEY_PAGE_DOWN};
constexpr std::array<int16_t, 7> kSelectOff = {KEY_ESC, KEY_DEL, KEY_COPY, KEY_ENTER,
                                               KEY_CLR, KEY_INSERT_EVENTS, KEY_ADD_EVENTS};
constexpr std::array<int16_t, 11> kQuestionOff = {KEY_UP,  KEY_DOWN, KEY_LEFT,  KEY_RIGHT,         KEY_PAGE_UP,   KEY_PAGE_DOWN,
                                                  KEY_DEL, KEY_COPY, KEY_POINT, KEY_INSERT_EVENTS, KEY_ADD_EVENTS};
constexpr std::array<int16_t, 16> kCopyOff = {KEY_UP,        KEY_DOWN,          KEY_LEFT,       KEY_RIGHT,
                                              KEY_ESC,       KEY_PAGE_UP,       KEY_PAGE_DOWN,  KEY_DEL,
                                              KEY_ENTER,     KEY_CLR,           KEY_INSERT_EVENTS, KEY_ADD_EVENTS,
                                              KEY_POINT,     KEY_EDIT_VALUE,    KEY_PLUS,       KEY_MINUS};

// Keys a capture hands to the console: always these; on the cue screen also
// the fixture (cue), group (page) and, when inserting, the digit keys.
constexpr std::array<int16_t, 17> kCaptureKeys = {
    KEY_BANK_DOWN,     KEY_BANK_UP,          KEY_CUE,         KEY_LAST,       KEY_NEXT,       KEY_GET_MEMORY,
    KEY_SEQUENCE_RUN,  KEY_SEQUENCE_A,       KEY_SEQUENCE_B,  KEY_SEQUENCE_C, KEY_SEQUENCE_D, KEY_SEQUENCE_DIRECTION,
    KEY_SEQUENCE_SYNC, KEY_SEQUENCE_TRIGGER, KEY_SEQUENCE_GO, KEY_SHIFT,      KEY_ENTER};

template <size_t N>
void set_leds(const std::array<int16_t, N>& keys, uint8_t state) {
    for (const int16_t key : keys) runtime::set_key_led(key, state);
}

// An operation that needs events on an empty list.
bool refuse_empty_list() {
    if (timecode_list.count != 0) return false;
    ui::beep(kRefuseHz, kBeep_ms);
    return true;
}

void redraw_rows(int16_t cursor, int16_t row, int16_t column, int16_t mode) {
    redraw_timecode_list_rows(cursor, row, column, mode);
}

// ------------------------------------------------------------------ the time field editor

int16_t row_top(int16_t row) { return static_cast<int16_t>(kRowTop + kRowPitch * row); }

// The time being edited at x (its first field's box), field `field` boxed.
void draw_time_fields(int16_t x, int16_t row, const TimeFields& fields, int16_t field) {
    const int16_t top = row_top(row);
    const int16_t bottom = static_cast<int16_t>(top + kRowHeight - 1);
    ui::fill_box(x, top, static_cast<int16_t>(x + kFieldsWidth - 1), bottom, kLightCyan);
    char text[32];  // "hh mm ss ff", room for any 16-bit fields
    std::snprintf(text, sizeof text, "%02d %02d %02d %02d", fields[1], fields[2], fields[3], fields[4]);
    const int16_t text_y = static_cast<int16_t>(kRowText + kRowPitch * row);
    for (int16_t cell = 0; text[cell] != '\0'; ++cell) {
        ui::draw_entry_char_small(static_cast<int16_t>(x + kFieldTextInset), text_y, cell, text[cell], kLightMagenta);
    }
    const int16_t left = static_cast<int16_t>(x + kFieldPitch * (field - 1));
    platform::_setcolor(kRed);
    platform::_rectangle(left, top, left + kFieldBox, bottom);
}

// Edits a time in place until ESC or ENTER; the edited time is kept either way.
double edit_time_fields(double t, int16_t x, int16_t row, int16_t& field) {
    set_leds(kFieldEditBlink, LED_BLINK);
    set_leds(kFieldEditOff, LED_OFF);
    TimeFields fields = split_time_fields(t);
    draw_time_fields(x, row, fields, field);
    while (true) {
        int16_t key = 0;
        if (!runtime::get_key(&key)) continue;
        if (key == KEY_ESC || key == KEY_ENTER) break;
        if (key == KEY_LEFT && field > 1) {
            --field;
        } else if (key == KEY_RIGHT && field < kTimeFields) {
            ++field;
        } else if (key == KEY_UP) {
            step_time_field(fields, field, +1);
        } else if (key == KEY_DOWN) {
            step_time_field(fields, field, -1);
        } else {
            continue;
        }
        draw_time_fields(x, row, fields, field);
    }
    return time_fields_seconds(fields);
}

// ------------------------------------------------------------------ cursor moves while marking

// The cursor one event up or down as the editor moves it, the event it
// lands on given the state.
void mark_step(int16_t& cursor, int16_t& row, int16_t column, int direction, uint8_t state) {
    if (direction < 0 ? cursor <= 1 : cursor >= timecode_list.count) {
        const int16_t end_row = direction < 0 ? int16_t{1} : kTableRows;
        if (row != end_row) {
            row = end_row;
            redraw_rows(cursor, row, column, kAllRows);
        }
        return;
    }
    cursor = static_cast<int16_t>(cursor + direction);
    row = static_cast<int16_t>(row + direction);
    set_event_state(timecode_event(cursor), state);
    if (row < 1 || row > kTableRows) {
        row = row < 1 ? kTableRows : int16_t{1};
        redraw_rows(cursor, row, column, kAllRows);
    } else {
        // The old cursor row lies next to the new one, on the side these modes take in.
        redraw_rows(cursor, row, column, direction < 0 ? kRowsFromCursor : kRowsToCursor);
    }
}

void mark_range(int32_t from, int32_t to, uint8_t state) {
    if (from > to) std::swap(from, to);
    for (int32_t i = from; i <= to; ++i) set_event_state(timecode_event(i), state);
}

// A page up or down that gives every event it passes the state.
void mark_page(int16_t& cursor, int16_t& row, int16_t column, int direction, uint8_t state) {
    const int32_t count = timecode_list.count;
    const int32_t old = cursor;
    if (direction < 0) {
        if (cursor - row < 1) {  // the page shows event 1
            row = static_cast<int16_t>(row - (cursor - 1));
            cursor = 1;
        } else {
            cursor = static_cast<int16_t>(cursor - row);
            row = kTableRows;
        }
    } else if (count < cursor - row + kTableRows + 1) {  // the page shows the last event
        row = static_cast<int16_t>(row + (count - cursor));
        cursor = static_cast<int16_t>(count);
    } else {
        cursor = static_cast<int16_t>(cursor - row + kTableRows + 1);
        row = 1;
    }
    mark_range(old, cursor, state);
    redraw_rows(cursor, row, column, kAllRows);
}

// ------------------------------------------------------------------ capture

enum class Capture { insert, add };

bool capture_key_passed(int16_t key, Capture capture) {
    if ((runtime::mode_flags & runtime::MODE_CUE_SCREEN) != 0) {
        if (key >= KEY_FIXTURE_1 && key <= KEY_FIXTURE_70) return true;
        if (key >= KEY_GROUP_1 && key <= KEY_GROUP_16) return true;
        if (capture == Capture::insert && key >= KEY_DIGIT_1 && key <= KEY_DIGIT_9) return true;
    }
    for (const int16_t k : kCaptureKeys) {
        if (k == key) return true;
    }
    return false;
}

// TO-MEM: a GOTO event to time 0, whose target the operator sets later.
void learn_goto_zero() {
    char text[kEventTextBytes];
    std::snprintf(text, sizeof text, "G %09.3lf", 0.0);
    set_event_text(learned_event, text);
    set_event_state(learned_event, kEventMarked);
}

// A captured event that memory cannot hold is dropped; the operator is told.
void capture_dropped() {
    ui::show_message("NOT ENOUGH MEMORY...");
    ui::beep(kRefuseHz, kErrorBeep_ms);
}

void place_inserted_event(int16_t& cursor, int16_t& row, int16_t column) {
    if (!insert_captured_event(cursor, learned_event)) {
        capture_dropped();
        return;
    }
    if (timecode_list.count > 1) {
        ++cursor;
        ++row;
        if (row > kTableRows) row = 1;
        // The old cursor row now shows the new event: the page from its top.
        redraw_rows(cursor, row, column, kAllRows);
        return;
    }
    redraw_rows(cursor, row, column, kRowsFromCursor);
}

void place_added_event(int16_t& cursor, int16_t& row, int16_t column, bool first) {
    const int32_t at = add_captured_event(learned_event);
    if (at == 0) {
        capture_dropped();
        return;
    }
    cursor = static_cast<int16_t>(at);
    if (!first && ++row > kTableRows) row = 1;
    if (row > cursor) row = cursor;  // the page never starts before event 1
    redraw_rows(cursor, row, column, kAllRows);
}

// A full list captures nothing from the console's actions (their hooks
// refuse); the operator is told once per capture.
void report_full_list(bool& reported) {
    if (reported || timecode_list.count < kMostRecordedEvents || event_state(learned_event) != kEventUnmarked) return;
    reported = true;
    ui::show_message("LIST FULL...");
    ui::beep(kRefuseHz, kErrorBeep_ms);
}

// Waits until a key is pressed or a console action filled the capture slot.
void wait_for_capture_input() {
    while (!runtime::is_input_pending() && event_state(learned_event) == kEventUnmarked) {
        runtime::read_trackerball(0);
        runtime::step_mode_wheels();
        runtime::run_background();
    }
}

void capture_events(int16_t& cursor, int16_t& row, int16_t column, Capture capture) {
    const bool inserting = capture == Capture::insert;
    const char* prompt = inserting ? kInsertMessage : kAddMessage;
    timecode_mode = kTimecodeCapture;
    if (inserting) runtime::mode_flags |= runtime::MODE_EVENT_INSERT;
    redraw_rows(cursor, row, column, kCursorRow);
    set_event_state(learned_event, kEventUnmarked);
    ui::beep(kConfirmHz, kBeep_ms);
    ui::show_message("%s", prompt);
    bool first_added = true;
    bool full_reported = false;
    while (true) {
        if (inserting) playback::update_point_cue_leds();
        wait_for_capture_input();
        if (event_state(learned_event) != kEventUnmarked) {
            set_event_state(learned_event, kEventUnmarked);
            if (inserting) {
                place_inserted_event(cursor, row, column);
            } else {
                place_added_event(cursor, row, column, first_added);
                first_added = false;
            }
            continue;
        }
        int16_t key = 0;
        const bool pressed = runtime::get_key(&key);
        if (pressed && key == KEY_ESC) break;
        report_full_list(full_reported);
        if (!pressed) continue;
        if (key == KEY_TO_MEM) {
            learn_goto_zero();
        } else if (capture_key_passed(key, capture)) {
            runtime::dispatch_key(key);
            ui::show_message("%s", prompt);
        }
    }
    timecode_mode = kTimecodeIdle;
    redraw_rows(cursor, row, column, kCursorRow);
    if (inserting) {
        runtime::mode_flags &= ~runtime::MODE_EVENT_INSERT;
        playback::update_point_cue_leds();
    }
    ui::show_message(kEditorMessage);
}

// ------------------------------------------------------------------ clear

// Asked when several events are marked; true on ENTER.
bool confirm_clear_groups() {
    set_leds(kQuestionOff, LED_OFF);
    runtime::set_key_led(KEY_ESC, LED_BLINK);
    runtime::set_key_led(KEY_ENTER, LED_BLINK);
    runtime::set_key_led(KEY_CLR, LED_ON);
    ui::beep(kRefuseHz, kQuestionBeep_ms);
    ui::show_message("CLEAR EVENT-GROUPS? (ENTER=Y ESC=N)");
    int16_t key = 0;
    while (key != KEY_ENTER && key != KEY_ESC) {
        key = 0;
        runtime::get_key(&key);
    }
    ui::show_message(kEditorMessage);
    return key == KEY_ENTER;
}

void clear_cursor_event(int16_t& cursor, int16_t& row, int16_t column) {
    remove_timecode_event(cursor);
    if (cursor <= timecode_list.count || cursor == 1) {
        redraw_rows(cursor, row, column, kRowsFromCursor);
        return;
    }
    --cursor;
    if (row > cursor) {  // the page would start before event 1
        row = cursor;
        redraw_rows(cursor, row, column, kAllRows);
        return;
    }
    redraw_rows(cursor, row, column, kRowsToCursor);
}

}  // namespace

void edit_event_time(int16_t& cursor, int16_t& row, int16_t& column) {
    if (refuse_empty_list()) return;
    TimecodeEvent& event = timecode_event(cursor);
    const double old_time = event.time;
    event.time = edit_time_fields(old_time, kTimeCellFields, row, time_field);
    const bool marked = event_state(event) != kEventUnmarked;
    if (marked) {
        shift_marked_events(cursor, convert_seconds_to_frames(event.time) - convert_seconds_to_frames(old_time));
    }
    redraw_rows(cursor, row, column, marked ? kAllRows : kCursorRow);
    if (timecode_source != kTimecodeSourceManual) draw_timecode_digits(event.time);
}

void edit_event_value_time(int16_t& cursor, int16_t& row, int16_t& column) {
    if (refuse_empty_list()) return;
    TimecodeEvent& event = timecode_event(cursor);
    const char* text = event.text.data();
    char letter = 0;
    int fader = 0;
    double value = 0.0;
    int16_t x = 0;
    if ((text[0] == 'F' || text[0] == 'f') && std::sscanf(text, "%c %d %lf", &letter, &fader, &value) == 3) {
        x = kFaderValueFields;
    } else if ((text[0] == 'G' || text[0] == 'g') && std::sscanf(text, "%c %lf", &letter, &value) == 2) {
        x = kGotoValueFields;
    } else {
        return;  // no time to edit in this text
    }
    value = edit_time_fields(value, x, row, value_time_field);
    char edited[kEventTextBytes + 12];
    if (x == kFaderValueFields) {
        std::snprintf(edited, sizeof edited, "F %d %09.3lf", fader, value);
    } else {
        std::snprintf(edited, sizeof edited, "G %09.3lf", value);
    }
    set_event_text(event, edited);
    redraw_rows(cursor, row, column, kCursorRow);
}

void select_timecode_event_groups(int16_t& cursor, int16_t& row, int16_t& column) {
    if (refuse_empty_list()) return;
    set_leds(kSelectBlink, LED_BLINK);
    set_leds(kSelectOff, LED_OFF);
    runtime::set_key_led(KEY_POINT, LED_ON);
    ui::show_message("SELECT EVENT-GROUPS...");
    TimecodeEvent& first = timecode_event(cursor);
    const uint8_t state = event_state(first) == kEventUnmarked ? kEventMarked : kEventUnmarked;
    set_event_state(first, state);
    redraw_rows(cursor, row, column, kCursorRow);
    while (runtime::key_down_table[KEY_POINT] != 0) {
        runtime::run_background();
        if (!runtime::is_input_pending()) continue;
        int16_t key = 0;
        if (!runtime::get_key(&key)) continue;
        if (key == KEY_ESC) break;
        if (key == KEY_UP || key == KEY_DOWN) mark_step(cursor, row, column, key == KEY_UP ? -1 : +1, state);
        if (key == KEY_PAGE_UP || key == KEY_PAGE_DOWN) {
            mark_page(cursor, row, column, key == KEY_PAGE_UP ? -1 : +1, state);
        }
    }
    ui::show_message(kEditorMessage);
}

void deselect_timecode_events(int16_t& cursor, int16_t& row, int16_t& column) {
    if (refuse_empty_list()) return;
    ui::beep(kConfirmHz, kShortBeep_ms);
    clear_event_marks();
    redraw_rows(cursor, row, column, kAllRows);
}

void clear_timecode_event_groups(int16_t& cursor, int16_t& row, int16_t& column) {
    if (refuse_empty_list()) return;
    if (event_state(timecode_event(cursor)) == kEventUnmarked) {
        clear_cursor_event(cursor, row, column);
        return;
    }
    if (count_marked_events(false) > 1 && !confirm_clear_groups()) return;
    remove_marked_events();
    // The page starts at event 1 again: cursor and row both on it.
    cursor = 1;
    row = 1;
    redraw_rows(cursor, row, column, kAllRows);
}

void copy_timecode_events(int16_t& cursor, int16_t& row, int16_t& column) {
    if (refuse_empty_list()) return;
    if (count_marked_events(true) == 0) {
        ui::beep(kRefuseHz, kShortBeep_ms);
        return;
    }
    ui::show_message("EDIT OFFSET-TIME AND PRESS COPY...");
    ui::beep(kConfirmHz, kBeep_ms);
    set_leds(kCopyOff, LED_OFF);
    runtime::set_key_led(KEY_COPY, LED_ON);
    const int16_t key = edit_start_time();
    if (key != KEY_COPY && key != KEY_ENTER) {
        ui::beep(kRefuseHz, kShortBeep_ms);
        ui::show_message(kEditorMessage);
        return;
    }
    ui::beep(kConfirmHz, kShortBeep_ms);
    int32_t landing = 0;
    switch (copy_marked_events(convert_seconds_to_frames(display_time), kMostRecordedEvents, landing)) {
        case CopyResult::copied:
            cursor = static_cast<int16_t>(landing);
            if (row > cursor) row = cursor;  // the page never starts before event 1
            redraw_rows(cursor, row, column, kAllRows);
            draw_timecode_digits(timecode_event(cursor).time);
            break;
        case CopyResult::list_full:
            ui::show_message("LIST FULL...");
            ui::beep(kRefuseHz, kErrorBeep_ms);
            break;
        case CopyResult::no_memory:
            timecode_mode = kTimecodeIdle;
            ui::show_message("NOT ENOUGH MEMORY...");
            ui::beep(kRefuseHz, kErrorBeep_ms);
            break;
        case CopyResult::nothing_marked: break;
    }
    ui::show_message(kEditorMessage);
}

void insert_timecode_events(int16_t& cursor, int16_t& row, int16_t& column) {
    capture_events(cursor, row, column, Capture::insert);
}

void add_timecode_events(int16_t& cursor, int16_t& row, int16_t& column) {
    capture_events(cursor, row, column, Capture::add);
}

}  // namespace synchro
