#include "sync/timecode_table.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "memories/master_state.h"
#include "platform/fonts.h"
#include "platform/graphics.h"
#include "playback/playback_state.h"
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
#include "sync/timecode_clock.h"
#include "sync/timecode_display.h"
#include "sync/timecode_edit.h"
#include "sync/timecode_lists.h"
#include "sync/timecode_play.h"
#include "sync/timecode_player.h"
#include "sync/timecode_texts.h"
#include "ui/helpers.h"
#include "ui/message_line.h"
#include "ui/panel_modes.h"
#include "ui/panels.h"

namespace synchro {

int16_t table_cursor_event = 1;
int16_t table_cursor_row = 1;
int16_t table_cursor_column = kTimeColumn;

namespace {
constexpr TableOperations kRealOperations = {
    edit_event_time,          edit_event_value_time,  select_timecode_event_groups,
    deselect_timecode_events, clear_timecode_event_groups, copy_timecode_events,
    insert_timecode_events,   add_timecode_events,    run_timecode_play,
};
}  // namespace

TableOperations table_operations = kRealOperations;

void reset_timecode_table_globals() {
    table_operations = kRealOperations;
    table_cursor_event = 1;
    table_cursor_row = 1;
    table_cursor_column = kTimeColumn;
}

namespace {

using namespace runtime::keys;
using runtime::set_key_led;

constexpr int16_t kBlack = 0, kBlue = 1, kCyan = 3, kRed = 4, kLightGrey = 7, kDarkGrey = 8, kLightCyan = 11,
                  kLightMagenta = 13, kYellow = 14, kWhite = 15;

// The panel, its title and column header rows.
constexpr int16_t kPanelLeft = 230, kPanelTop = 239, kPanelRight = 630, kPanelBottom = 479;
constexpr int16_t kTitleBottom = 253, kTitleTextY = 243;
constexpr int16_t kHeaderTop = 255, kHeaderBottom = 268, kHeaderTextY = 256;
// Row r spans y 256 + 15r .. 267 + 15r; its text sits at 258 + 15r.
constexpr int16_t kRowPitch = 15, kRowTop = 256, kRowBottom = 267, kRowText = 258;
constexpr int16_t kMarkerLeft = 232, kMarkerRight = 264, kMarkerTextX = 235;
constexpr int16_t kTimeLeft = 265, kTimeRight = 335, kTimeTextX = 268;
constexpr int16_t kDividerX = 337;
constexpr int16_t kEventLeft = 339, kEventRight = 628, kEventTextX = 350;
constexpr int16_t kTextSize = 4;  // the small stroked font, as the main screen's texts

// The area the fader views leave when the table takes the panel.
constexpr int16_t kFaderViewLeft = 229, kFaderViewTop = 107, kFaderViewRight = 639, kFaderViewBottom = 479;

constexpr int32_t kOpenBeep_hz = 800;
constexpr uint32_t kOpenBeep_ms = 200;

// LOAD, SAVE, SETUP and the blind key (with EDIT ITEM) close the editor and
// go to the timecode screen.
constexpr int16_t kFirstScreenKey = KEY_LOAD, kLastScreenKey = KEY_BLIND_TOGGLE;

// The editor's keys whose LEDs blink while the table is shown (COPY and the
// CD keys only with their sources), and those turned off when it closes.
constexpr std::array<int16_t, 12> kEditorBlinkKeys = {KEY_UP,      KEY_DOWN,      KEY_LEFT, KEY_RIGHT,
                                                      KEY_ESC,     KEY_PAGE_UP,   KEY_PAGE_DOWN, KEY_DEL,
                                                      KEY_ENTER,   KEY_CLR,       KEY_INSERT_EVENTS, KEY_ADD_EVENTS};
constexpr std::array<int16_t, 3> kCdKeys = {KEY_EDIT_VALUE, KEY_PLUS, KEY_MINUS};
constexpr std::array<int16_t, 14> kEditorKeysOff = {KEY_DOWN,    KEY_LEFT,      KEY_RIGHT,         KEY_UP,
                                                    KEY_POINT,   KEY_ESC,       KEY_PAGE_UP,       KEY_PAGE_DOWN,
                                                    KEY_DEL,     KEY_COPY,      KEY_ENTER,         KEY_CLR,
                                                    KEY_INSERT_EVENTS, KEY_ADD_EVENTS};
constexpr std::array<int16_t, 4> kPanelKeys = {KEY_PANEL_1, KEY_PANEL_2, KEY_PANEL_3, KEY_PREDEFINED};

bool table_shown() { return (runtime::option_flags & runtime::OPT_TIMECODE_PLAYING) != 0; }
bool manual_source() { return timecode_source == kTimecodeSourceManual; }
bool cd_keys_usable() { return timecode_source == kTimecodeSourceCdrom && cd_state.disc_ready != 0; }
int32_t event_count() { return timecode_list.count; }

int16_t row_top(int16_t row) { return static_cast<int16_t>(kRowTop + kRowPitch * row); }
int16_t row_bottom(int16_t row) { return static_cast<int16_t>(kRowBottom + kRowPitch * row); }
int16_t row_text_y(int16_t row) { return static_cast<int16_t>(kRowText + kRowPitch * row); }

// The text on a cell of the given fill.
int16_t text_colour_on(int16_t fill) { return fill == kTableRowColour ? kBlue : kLightMagenta; }

void draw_text(int16_t x, int16_t y, int16_t colour, const char* text) {
    ui::set_text_style(platform::kSmallFont, platform::kHorizontalText, kTextSize);
    platform::_setcolor(colour);
    platform::_outtextxy(x, y, text);
}

void draw_divider(int16_t top, int16_t bottom) {
    platform::_setcolor(kLightGrey);
    platform::_line(kDividerX, top, kDividerX, bottom);
}

void blank_row(int16_t row) {
    ui::fill_box(kMarkerLeft, row_top(row), kEventRight, row_bottom(row), kBlack);
    draw_divider(row_top(row), row_bottom(row));
}

// The fill of a cell of the row: the cursor's cell stands out, and the whole
// cursor row while events are captured.
int16_t cell_colour(bool is_cursor, int16_t cell, int16_t cursor_column) {
    if (!is_cursor) return kTableRowColour;
    if (timecode_mode == kTimecodeCapture) return kTableCaptureColour;
    return cell == cursor_column ? kTableCursorColour : kTableRowColour;
}

void draw_row(int16_t event, int16_t row, bool is_cursor, int16_t cursor_column) {
    draw_timecode_list_marker(event, row, is_cursor);
    for (const int16_t cell : {kTimeColumn, kEventColumn}) {
        draw_timecode_list_entry(event, row, cell, cell_colour(is_cursor, cell, cursor_column));
    }
}

// ------------------------------------------------------------------ LEDs

void set_editor_leds(uint8_t state) {
    for (const int16_t key : kEditorBlinkKeys) set_key_led(key, state);
    set_key_led(KEY_POINT, state);
    set_key_led(KEY_COPY, manual_source() ? runtime::LED_OFF : state);
    if (cd_keys_usable()) {
        for (const int16_t key : kCdKeys) set_key_led(key, state);
    }
    set_key_led(KEY_TO_MEM, runtime::LED_OFF);
}

// ------------------------------------------------------------------ cursor

// Moves the cursor to an event on the page shown: the old cursor row turns
// ordinary, the new one is painted, and the event is previewed.
void move_on_page(int16_t event, int16_t row) {
    draw_row(table_cursor_event, table_cursor_row, false, table_cursor_column);
    table_cursor_event = event;
    table_cursor_row = row;
    redraw_timecode_list_rows(table_cursor_event, table_cursor_row, table_cursor_column, 3);
    show_cursor_event(table_cursor_event, table_cursor_column);
}

void show_page(int16_t event, int16_t row) {
    table_cursor_event = event;
    table_cursor_row = row;
    redraw_timecode_list_rows(table_cursor_event, table_cursor_row, table_cursor_column, 0);
}

// The row of the last event at the page's foot: row 14, or for a list of
// fewer events the row that keeps event 1 on row 1.
int16_t last_event_row() { return static_cast<int16_t>(std::min<int32_t>(kTableRows, event_count())); }

void cursor_up() {
    if (table_cursor_event > 1) {
        if (table_cursor_row > 1) {
            move_on_page(static_cast<int16_t>(table_cursor_event - 1), static_cast<int16_t>(table_cursor_row - 1));
            return;
        }
        show_page(static_cast<int16_t>(table_cursor_event - 1), kTableRows);
        show_cursor_event(table_cursor_event, table_cursor_column);
    } else if (table_cursor_row != 1) {
        show_page(1, 1);
    }
}

void cursor_down() {
    if (table_cursor_event < event_count()) {
        if (table_cursor_row < kTableRows) {
            move_on_page(static_cast<int16_t>(table_cursor_event + 1), static_cast<int16_t>(table_cursor_row + 1));
            return;
        }
        show_page(static_cast<int16_t>(table_cursor_event + 1), 1);
        show_cursor_event(table_cursor_event, table_cursor_column);
    } else if (table_cursor_row != last_event_row()) {
        show_page(table_cursor_event, last_event_row());
    }
}

void page_up() {
    const int32_t before_page = table_cursor_event - table_cursor_row;  // the last event of the previous page
    if (before_page < 1) {
        if (table_cursor_event != 1) {
            move_on_page(1, static_cast<int16_t>(table_cursor_row - table_cursor_event + 1));
        } else if (table_cursor_row != 1) {
            show_page(1, 1);
        }
        return;
    }
    // The previous page ends on row 14, but never starts before event 1.
    show_page(static_cast<int16_t>(before_page), static_cast<int16_t>(std::min<int32_t>(kTableRows, before_page)));
    show_cursor_event(table_cursor_event, table_cursor_column);
}

void page_down() {
    const int32_t next_page = table_cursor_event - table_cursor_row + kTableRows + 1;  // its first event
    const int32_t count = event_count();
    if (count < next_page) {
        if (table_cursor_event != count) {
            move_on_page(static_cast<int16_t>(count),
                         static_cast<int16_t>(table_cursor_row + count - table_cursor_event));
        } else if (table_cursor_row != last_event_row()) {
            show_page(table_cursor_event, last_event_row());
        }
        return;
    }
    show_page(static_cast<int16_t>(next_page), 1);
    show_cursor_event(table_cursor_event, table_cursor_column);
}

void change_column(int16_t column) {
    if (table_cursor_column == column) return;
    table_cursor_column = column;
    redraw_timecode_list_rows(table_cursor_event, table_cursor_row, table_cursor_column, 3);
    if (column == kEventColumn) show_cursor_event(table_cursor_event, table_cursor_column);
}

bool holds_time_value(int16_t event) {
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(timecode_event(event).text[0])));
    return letter == 'F' || letter == 'G';
}

void enter_key() {
    int16_t& c = table_cursor_event;
    if (table_cursor_column == kTimeColumn && !manual_source()) {
        table_operations.edit_time(c, table_cursor_row, table_cursor_column);
    } else if (table_cursor_column == kEventColumn && holds_time_value(c)) {
        table_operations.edit_value_time(c, table_cursor_row, table_cursor_column);
    }
}

// ------------------------------------------------------------------ loop

void wait_for_input(int16_t entry_key) {
    while (!runtime::is_input_pending() && list_open_request == 0 && entry_key != KEY_PLAY &&
           entry_key != KEY_OPEN_LIST) {
        runtime::read_trackerball(0);
        runtime::step_mode_wheels();
        runtime::run_background();
        end_expired_fader_overrides();  // the player does this only while a list plays
    }
}

void play_from_cursor(uint8_t autoplay) {
    set_key_led(KEY_PLAY, runtime::LED_ON);
    table_operations.play(table_cursor_event, table_cursor_row, table_cursor_column, autoplay);
    set_key_led(KEY_PLAY, runtime::LED_OFF);
    ui::show_message("%s", kEditTableMessage);
}

// The keys that only act on a table shown, with events under the cursor
// where they move or edit.
void table_key(int16_t key) {
    int16_t& c = table_cursor_event;
    int16_t& r = table_cursor_row;
    int16_t& column = table_cursor_column;
    const bool events = event_count() > 0;
    switch (key) {
        case KEY_UP: if (events) cursor_up(); break;
        case KEY_DOWN: if (events) cursor_down(); break;
        case KEY_PAGE_UP: if (events) page_up(); break;
        case KEY_PAGE_DOWN: if (events) page_down(); break;
        case KEY_LEFT: if (events) change_column(kTimeColumn); break;
        case KEY_RIGHT: if (events) change_column(kEventColumn); break;
        case KEY_ENTER: if (events) enter_key(); break;
        case KEY_POINT: table_operations.select_groups(c, r, column); break;
        case KEY_DEL: table_operations.deselect(c, r, column); break;
        case KEY_CLR: table_operations.clear_groups(c, r, column); break;
        case KEY_COPY: if (!manual_source()) table_operations.copy(c, r, column); break;
        case KEY_INSERT_EVENTS: table_operations.insert(c, r, column); break;
        case KEY_ADD_EVENTS: table_operations.add(c, r, column); break;
        default: break;
    }
}

bool is_table_key(int16_t key) {
    switch (key) {
        case KEY_UP: case KEY_DOWN: case KEY_PAGE_UP: case KEY_PAGE_DOWN: case KEY_LEFT: case KEY_RIGHT:
        case KEY_ENTER: case KEY_POINT: case KEY_DEL: case KEY_CLR: case KEY_COPY: case KEY_INSERT_EVENTS:
        case KEY_ADD_EVENTS:
            return true;
        default: return false;
    }
}

void handle_key(int16_t key) {
    if (is_table_key(key)) {
        if (table_shown()) table_key(key);
    } else if (key == KEY_EDIT_VALUE || key == KEY_PLUS || key == KEY_MINUS) {
        if (cd_keys_usable()) edit_cd_trigger_time(key);
    } else if (key == KEY_PLAY || key == KEY_OPEN_LIST) {
        play_from_cursor(key == KEY_OPEN_LIST ? 1 : 0);
    } else if ((key >= kFirstScreenKey && key <= kLastScreenKey) || key == KEY_EDIT_ITEM) {
        runtime::pushed_back_key = key;  // the timecode screen takes it
    } else if (key >= KEY_REC && key <= KEY_TIMECODE_MODE) {
        // the other transport keys do nothing while the table is open
    } else if (key != KEY_ESC) {
        runtime::dispatch_key(key);
    }
}

void open_table(int16_t key) {
    const int32_t last = timecode_player.last_event;
    table_cursor_event = static_cast<int16_t>(last >= 1 && last <= event_count() ? last : 1);
    if (event_count() <= kTableRows) {
        table_cursor_event = 1;
        table_cursor_row = 1;
    }
    // A page never starts before event 1.
    table_cursor_row = std::min(table_cursor_row, table_cursor_event);
    if (key == KEY_EDIT) {
        draw_timecode_table_frame();
        redraw_timecode_list_rows(table_cursor_event, table_cursor_row, table_cursor_column, 0);
        show_cursor_event(table_cursor_event, table_cursor_column);
        ui::show_message("%s", kEditTableMessage);
    }
    ui::beep_interruptible(kOpenBeep_hz, kOpenBeep_ms);
}

void close_table() {
    memories::master_timecode_flash.fill(0);
    playback::playback_timecode_flash.fill(0);
    for (const int16_t key : kEditorKeysOff) set_key_led(key, runtime::LED_OFF);
    if (table_shown()) {
        ui::set_panel_mode(2);
        redraw_timecode_transport();
        set_key_led(KEY_EDIT, runtime::LED_OFF);
    }
    runtime::option_flags &= ~runtime::OPT_TIMECODE_PLAYING;
    timecode_player.last_event = table_cursor_event;
}

}  // namespace

int16_t edit_timecode_table(int16_t key) {
    open_table(key);
    int16_t entry_key = key;
    for (;;) {
        set_editor_leds(table_shown() ? runtime::LED_BLINK : runtime::LED_OFF);
        wait_for_input(entry_key);
        int16_t pressed = 0;
        if (list_open_request != 0) {
            pressed = KEY_ESC;  // the timecode screen opens the list
        } else if (entry_key == KEY_PLAY || entry_key == KEY_OPEN_LIST) {
            pressed = entry_key;
            entry_key = 0;
        } else if (!runtime::get_key(&pressed) || pressed == 0) {
            continue;
        }
        handle_key(pressed);
        if (!table_shown() || pressed == KEY_ESC || runtime::pushed_back_key != 0) break;
    }
    close_table();
    return 1;
}

// ------------------------------------------------------------------ drawing

void draw_timecode_table_frame() {
    auto& flags = runtime::option_flags;
    if ((flags & (runtime::OPT_TABLE_VIEW | runtime::OPT_ANALOGUE_VIEW)) != 0) {
        ui::save_panel_picture();
        flags &= ~(runtime::OPT_TABLE_VIEW | runtime::OPT_ANALOGUE_VIEW);
        ui::fill_box(kFaderViewLeft, kFaderViewTop, kFaderViewRight, kFaderViewBottom, kBlack);
    }
    if ((flags & runtime::OPT_SEQUENCE_PANEL) == 0) ui::draw_sequence_panel();
    flags &= ~(runtime::OPT_CUE_GRID | runtime::OPT_MEMORY_LIST | runtime::OPT_FIXTURE_PANEL_RESTORED);
    flags |= runtime::OPT_TIMECODE_PLAYING;
    for (const int16_t key : kPanelKeys) set_key_led(key, runtime::LED_OFF);

    ui::fill_box(kPanelLeft, kPanelTop, kPanelRight, kPanelBottom, kBlack);
    ui::fill_box(kPanelLeft, kPanelTop, kPanelRight, kTitleBottom, kBlue);
    const char* title = manual_source() ? "CUE-LIST" : "TIMECODE-TABLE";
    const auto title_x = static_cast<int16_t>(kPanelLeft + (kPanelRight - kPanelLeft + 1 -
                                                            platform::kDefaultFontCellPx * std::strlen(title)) / 2);
    ui::draw_bitmap_text(title_x, kTitleTextY, kWhite, title);
    ui::fill_box(kPanelLeft, kHeaderTop, kPanelRight, kHeaderBottom, kDarkGrey);
    draw_text(kMarkerLeft + 2, kHeaderTextY, kWhite, manual_source() ? "EVENT-NUMBER" : "TIME (hh/mm/ss/ff)");
    draw_text(kEventTextX, kHeaderTextY, kWhite, "EVENTS");
    draw_divider(row_top(1), row_bottom(kTableRows));
}

void redraw_timecode_list_rows(int16_t cursor_event, int16_t cursor_row, int16_t column, int16_t mode) {
    int16_t first = 1, last = kTableRows;
    if (mode == 1) last = cursor_row;
    if (mode == 2) first = cursor_row;
    if (mode == 3) first = last = cursor_row;
    first = std::max<int16_t>(first, 1);
    last = std::min(last, kTableRows);
    const int32_t page_start = cursor_event - cursor_row + 1;
    for (int16_t row = first; row <= last; ++row) {
        const int32_t event = page_start + row - 1;
        if (event >= 1 && event <= event_count()) {
            draw_row(static_cast<int16_t>(event), row, row == cursor_row, column);
        } else {
            blank_row(row);
        }
    }
    if (event_count() == 0 && cursor_row >= first && cursor_row <= last) {
        paint_timecode_list_cell(cursor_row, column, kTableCursorColour);  // an empty list: the cursor alone
    }
}

void paint_timecode_list_cell(int16_t row, int16_t column, int16_t colour) {
    const bool time = column == kTimeColumn;
    ui::fill_box(time ? kTimeLeft : kEventLeft, row_top(row), time ? kTimeRight : kEventRight, row_bottom(row), colour);
}

void paint_timecode_marker_cell(int16_t row, int16_t colour) {
    ui::fill_box(kMarkerLeft, row_top(row), kMarkerRight, row_bottom(row), colour);
}

void draw_timecode_list_entry(int16_t event, int16_t row, int16_t column, int16_t colour) {
    paint_timecode_list_cell(row, column, colour);
    if (event < 1 || event > event_count()) return;
    const TimecodeEvent& e = timecode_event(event);
    if (column == kTimeColumn) {
        if (manual_source()) return;
        draw_text(kTimeTextX, row_text_y(row), text_colour_on(colour), format_event_time(e.time).data());
        return;
    }
    draw_text(kEventTextX, row_text_y(row), text_colour_on(colour), format_event_row_text(event_text(e)).data());
}

void draw_timecode_list_marker(int16_t event, int16_t row, bool is_cursor) {
    const bool marked = event >= 1 && event <= event_count() &&
                        (timecode_event(event).flags & (EVENT_MARK_1 | EVENT_MARK_2)) != 0;
    paint_timecode_marker_cell(row, marked ? kRed : kBlack);
    std::array<char, 8> number{};
    std::snprintf(number.data(), number.size(), "%05d", event);
    const int16_t colour = is_cursor ? kLightCyan : marked ? kYellow : kCyan;
    ui::draw_small_text(kMarkerTextX, static_cast<int16_t>(row_text_y(row) + 1), colour, number.data());
}

void show_cursor_event(int16_t event, int16_t column) {
    if (event < 1 || event > event_count()) return;
    if (column == kEventColumn) execute_timecode_event(event);
    if (manual_source()) {
        redraw_timecode_transport();
        return;
    }
    const double t = timecode_event(event).time;
    draw_timecode_digits(t);
    place_cd_at(t, false);
}

void draw_play_position_marker(int16_t row, int16_t colour) {
    if (row > 1) paint_timecode_list_cell(static_cast<int16_t>(row - 1), kTimeColumn, colour);
    if (row < kTableRows) paint_timecode_list_cell(static_cast<int16_t>(row + 1), kTimeColumn, colour);
    paint_timecode_list_cell(row, kTimeColumn, kLightCyan);
}

void draw_cue_list_markers(int16_t event, int16_t row, int16_t colour) {
    const auto marker = [](int16_t r, int16_t fill, const char* text) {
        paint_timecode_list_cell(r, kTimeColumn, fill);
        ui::draw_bitmap_text(kTimeTextX, row_text_y(r), kYellow, text);
    };
    if (event == 0) {
        marker(row, kRed, "NEXT");
        return;
    }
    if (row > 1 && event > 1) marker(static_cast<int16_t>(row - 1), kRed, "LAST");
    marker(row, colour, "-->");
    if (row < kTableRows && event + 1 <= event_count()) marker(static_cast<int16_t>(row + 1), kRed, "NEXT");
}

}  // namespace synchro
