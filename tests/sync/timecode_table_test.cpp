// The timecode table editor on the demo rig: opening at the last event, the
// cursor keys over pages, the colours of cursor and marked rows, the preview,
// the keys that reach the editing operations with the cursor, and the keys
// handed back to the timecode screen.
#include <gtest/gtest.h>

#include "list_helpers.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "../programmer/programmer_test_rig.h"
#include "memories/master_state.h"
#include "platform/graphics.h"
#include "playback/playback_state.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/main_loop.h"
#include "runtime/step_log.h"
#include "sync/list_open.h"
#include "sync/sync_services.h"
#include "sync/timecode_clock.h"
#include "sync/timecode_lists.h"
#include "sync/timecode_player.h"
#include "sync/timecode_table.h"
#include "ui/message_line.h"

namespace {

using namespace runtime::keys;
using sync_test::Events;
using sync_test::set_list;

using Cursor = std::pair<int, int>;  // event, row

// Row r of the table: y 256 + 15r .. 267 + 15r.
int row_top(int row) { return 256 + 15 * row; }
constexpr int kMarkerX = 232, kTimeX = 265, kEventX = 339;
constexpr platform::Rect time_cell(int row) { return {265, 256 + 15 * row, 335, 267 + 15 * row}; }
constexpr platform::Rect event_cell(int row) { return {339, 256 + 15 * row, 628, 267 + 15 * row}; }
constexpr platform::Rect marker_cell(int row) { return {232, 256 + 15 * row, 264, 267 + 15 * row}; }
constexpr platform::Rect kRows{230, 271, 630, 479};

// Events "M 1" .. "M n", event i at i seconds.
Events memories_list(int n) {
    Events events;
    for (int i = 1; i <= n; ++i) events.emplace_back(i, "M " + std::to_string(i));
    return events;
}

// Recorders in place of the operations and PLAY: each records its name and
// the cursor it was given, so the editor's key routing is seen on its own.
template <const char* Name>
void record_operation(int16_t& cursor, int16_t& row, int16_t& column) {
    runtime::log_call(Name, {cursor, row, column});
}
bool record_play(int16_t& cursor, int16_t& row, int16_t& column, uint8_t autoplay) {
    runtime::log_call("synchro::run_timecode_play", {cursor, row, column, autoplay});
    return true;
}
constexpr char kEditTime[] = "synchro::edit_event_time";
constexpr char kEditValueTime[] = "synchro::edit_event_value_time";
constexpr char kSelectGroups[] = "synchro::select_timecode_event_groups";
constexpr char kDeselect[] = "synchro::deselect_timecode_events";
constexpr char kClearGroups[] = "synchro::clear_timecode_event_groups";
constexpr char kCopy[] = "synchro::copy_timecode_events";
constexpr char kInsert[] = "synchro::insert_timecode_events";
constexpr char kAdd[] = "synchro::add_timecode_events";

class TimecodeTable : public programmer_test::DemoRig {
protected:
    void SetUp() override {
        DemoRig::SetUp();
        synchro::table_operations = {record_operation<kEditTime>,    record_operation<kEditValueTime>,
                                     record_operation<kSelectGroups>, record_operation<kDeselect>,
                                     record_operation<kClearGroups>,  record_operation<kCopy>,
                                     record_operation<kInsert>,       record_operation<kAdd>,
                                     record_play};
        synchro::timecode_source = synchro::kTimecodeSourcePcTimer;
        synchro::timecode_frame_rate = 2;  // "25"
    }

    // The editor run as the timecode screen runs it.
    void open(int16_t key = KEY_EDIT) {
        closed_ = false;
        rig_.at(0, [this, key] {
            synchro::edit_timecode_table(key);
            handed_back_ = runtime::pushed_back_key;
            runtime::pushed_back_key = 0;  // no screen here to take it
            closed_ = true;
        });
        rig_.run_ms(300);
        runtime::clear_step_log();
    }
    void press(int16_t key) {
        rig_.press(key);
        rig_.run_ms(20);
    }
    void close() {
        press(KEY_ESC);
        ASSERT_TRUE(closed_);
    }
    // The cursor put where an operation may leave it, and the page drawn.
    static void place(Cursor at, int16_t column = synchro::kTimeColumn) {
        synchro::table_cursor_event = static_cast<int16_t>(at.first);
        synchro::table_cursor_row = static_cast<int16_t>(at.second);
        synchro::table_cursor_column = column;
        synchro::redraw_timecode_list_rows(synchro::table_cursor_event, synchro::table_cursor_row, column, 0);
    }
    static Cursor cursor() { return {synchro::table_cursor_event, synchro::table_cursor_row}; }
    int pixel_count(int colour, platform::Rect area) const { return platform::count_pixels(colour, area); }
    std::vector<uint8_t> rows_pixels() const {
        std::vector<uint8_t> pixels;
        for (int y = kRows.y1; y <= kRows.y2; ++y) {
            for (int x = kRows.x1; x <= kRows.x2; ++x) pixels.push_back(rig_.pixel(x, y));
        }
        return pixels;
    }
    static bool called(const std::string& call) {
        const std::vector<std::string> calls = runtime::logged_calls();
        return std::find(calls.begin(), calls.end(), call) != calls.end();
    }

    bool closed_ = false;
    int16_t handed_back_ = 0;
};

TEST_F(TimecodeTable, OpensAtTheLastEventFiredAndShortListsAtTheTop) {
    struct Case {
        int events;
        int32_t last_event;
        int16_t row_before;
        Cursor opened;
    };
    for (const Case& c : {Case{40, 30, 5, {30, 5}}, Case{40, 0, 5, {1, 1}}, Case{40, 41, 3, {1, 1}},
                          Case{40, 3, 9, {3, 3}}, Case{14, 10, 10, {1, 1}}, Case{0, 0, 4, {1, 1}}}) {
        set_list(memories_list(c.events));
        synchro::timecode_player.last_event = c.last_event;
        synchro::table_cursor_row = c.row_before;
        open();
        EXPECT_EQ(cursor(), c.opened) << c.events << " events, last " << c.last_event;
        EXPECT_EQ(ui::current_message(), "EDIT TIMECODE-TABLE (ESC=CANCEL)");
        EXPECT_NE(runtime::option_flags & runtime::OPT_TIMECODE_PLAYING, 0u);
        close();
        EXPECT_EQ(runtime::option_flags & runtime::OPT_TIMECODE_PLAYING, 0u);
        EXPECT_EQ(synchro::timecode_player.last_event, c.opened.first) << "the editor leaves its cursor there";
    }
}

// 40 events: each key from the cursor given lands where the table says.
TEST_F(TimecodeTable, CursorKeysAtBothEndsOfTheList) {
    struct Case {
        Cursor from;
        int16_t key;
        Cursor to;
    };
    const Case cases[] = {
        {{1, 1}, KEY_UP, {1, 1}},          {{1, 1}, KEY_DOWN, {2, 2}},        {{14, 14}, KEY_DOWN, {15, 1}},
        {{15, 1}, KEY_UP, {14, 14}},          {{1, 1}, KEY_PAGE_DOWN, {15, 1}},
        {{15, 1}, KEY_PAGE_DOWN, {29, 1}}, {{29, 1}, KEY_PAGE_DOWN, {40, 12}}, {{40, 12}, KEY_PAGE_DOWN, {40, 14}},
        {{40, 14}, KEY_DOWN, {40, 14}},    {{40, 12}, KEY_DOWN, {40, 14}},    {{40, 14}, KEY_PAGE_UP, {26, 14}},
        {{12, 14}, KEY_PAGE_UP, {1, 3}},   {{1, 3}, KEY_PAGE_UP, {1, 1}},     {{5, 3}, KEY_PAGE_UP, {2, 2}},
        {{1, 4}, KEY_UP, {1, 1}},
        {{1, 1}, KEY_PAGE_UP, {1, 1}},
    };
    set_list(memories_list(40));
    open();
    for (const Case& c : cases) {
        place(c.from);
        press(c.key);
        EXPECT_EQ(cursor(), c.to) << "from " << c.from.first << '/' << c.from.second << " key " << c.key;
        if (c.to.first != c.from.first) {
            EXPECT_DOUBLE_EQ(synchro::display_time, c.to.first) << "the new cursor event's time on the clock";
        }
    }
    close();
}

// Under 15 events the last event stays on its own row: the page never starts
// before event 1.
TEST_F(TimecodeTable, AShortListKeepsEventOneOnRowOne) {
    set_list(memories_list(5));
    open();
    for (const int16_t key : {KEY_PAGE_DOWN, KEY_PAGE_DOWN, KEY_DOWN}) press(key);
    EXPECT_EQ(cursor(), (Cursor{5, 5}));
    EXPECT_GT(pixel_count(synchro::kTableRowColour, event_cell(1)), 0) << "event 1 still on row 1";
    close();
}

TEST_F(TimecodeTable, EveryMoveRepaintsAsAFullRedrawWould) {
    set_list(memories_list(40));
    synchro::timecode_event(6).flags = synchro::EVENT_MARK_1;
    open();
    for (const int16_t key : {KEY_DOWN, KEY_DOWN, KEY_RIGHT, KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_UP, KEY_LEFT}) {
        press(key);
        const std::vector<uint8_t> after_keys = rows_pixels();
        synchro::redraw_timecode_list_rows(synchro::table_cursor_event, synchro::table_cursor_row,
                                           synchro::table_cursor_column, 0);
        const std::vector<uint8_t> full = rows_pixels();
        const auto diff = std::mismatch(full.begin(), full.end(), after_keys.begin());
        const long at = diff.first - full.begin();
        const int width = kRows.x2 - kRows.x1 + 1;
        EXPECT_TRUE(diff.first == full.end()) << "after key " << key << ", first at x " << kRows.x1 + at % width
                                              << " y " << kRows.y1 + at / width;
    }
    close();
}

TEST_F(TimecodeTable, CursorAndMarkedRowsInTheirColours) {
    set_list({{0.0, "M 1"}, {1.0, "M 2"}, {2.0, "END"}});
    synchro::timecode_event(2).flags = synchro::EVENT_MARK_1;
    open();
    const int cell = 71 * 12;  // pixels of a time cell
    // the cursor's time cell light cyan with light magenta text, its event cell ordinary
    EXPECT_EQ(rig_.pixel(kTimeX, row_top(1)), synchro::kTableCursorColour);
    EXPECT_GT(pixel_count(13, time_cell(1)), 0);
    EXPECT_EQ(rig_.pixel(kEventX, row_top(1)), synchro::kTableRowColour);
    EXPECT_GT(pixel_count(1, event_cell(1)), 0) << "blue text on light grey";
    EXPECT_LT(pixel_count(synchro::kTableRowColour, time_cell(2)), cell);
    EXPECT_EQ(rig_.pixel(kTimeX, row_top(2)), synchro::kTableRowColour);
    // markers: black with the number light cyan on the cursor row, red with
    // yellow for the marked event, black with cyan otherwise
    EXPECT_EQ(rig_.pixel(kMarkerX, row_top(1)), 0);
    EXPECT_GT(pixel_count(11, marker_cell(1)), 0);
    EXPECT_EQ(rig_.pixel(kMarkerX, row_top(2)), 4);
    EXPECT_GT(pixel_count(14, marker_cell(2)), 0);
    EXPECT_EQ(pixel_count(11, marker_cell(2)), 0);
    EXPECT_EQ(rig_.pixel(kMarkerX, row_top(3)), 0);
    EXPECT_GT(pixel_count(3, marker_cell(3)), 0);
    const platform::Rect past_count{232, row_top(4), 628, row_top(14) + 11};
    const int past_pixels = (past_count.x2 - past_count.x1 + 1) * (past_count.y2 - past_count.y1 + 1);
    EXPECT_EQ(pixel_count(0, past_count) + pixel_count(7, {337, past_count.y1, 337, past_count.y2}), past_pixels)
        << "rows past the count blank, with the divider";

    press(KEY_RIGHT);  // the event column takes the cursor
    EXPECT_EQ(rig_.pixel(kTimeX, row_top(1)), synchro::kTableRowColour);
    EXPECT_EQ(rig_.pixel(kEventX, row_top(1)), synchro::kTableCursorColour);
    EXPECT_GT(pixel_count(13, event_cell(1)), 0);

    synchro::timecode_mode = synchro::kTimecodeCapture;  // both cells of the cursor row while capturing
    synchro::redraw_timecode_list_rows(1, 1, synchro::kEventColumn, 3);
    EXPECT_EQ(rig_.pixel(kTimeX, row_top(1)), synchro::kTableCaptureColour);
    EXPECT_EQ(rig_.pixel(kEventX, row_top(1)), synchro::kTableCaptureColour);
    EXPECT_GT(pixel_count(13, time_cell(1)), 0);
    synchro::timecode_mode = synchro::kTimecodeIdle;
    close();
}

TEST_F(TimecodeTable, TheFrameTitlesFollowTheSource) {
    set_list(memories_list(3));
    open();
    const std::vector<uint8_t> clocked = rows_pixels();
    const int title_ink = pixel_count(15, {230, 239, 630, 253});
    close();
    synchro::timecode_source = synchro::kTimecodeSourceManual;
    open();
    EXPECT_NE(pixel_count(15, {230, 239, 630, 253}), title_ink) << "CUE-LIST in place of TIMECODE-TABLE";
    EXPECT_EQ(pixel_count(1, time_cell(1)) + pixel_count(13, time_cell(1)), 0) << "no times with MANUAL";
    EXPECT_NE(rows_pixels(), clocked);
    close();
}

TEST_F(TimecodeTable, AnEmptyListShowsTheCursorCellAloneAndNoKeyMovesIt) {
    set_list({});
    open();
    EXPECT_EQ(pixel_count(synchro::kTableCursorColour, kRows), 71 * 12);
    EXPECT_EQ(pixel_count(synchro::kTableCursorColour, time_cell(1)), 71 * 12);
    for (const int16_t key : {KEY_DOWN, KEY_PAGE_DOWN, KEY_UP, KEY_PAGE_UP, KEY_RIGHT, KEY_ENTER}) press(key);
    EXPECT_EQ(cursor(), (Cursor{1, 1}));
    EXPECT_EQ(synchro::table_cursor_column, synchro::kTimeColumn);
    EXPECT_FALSE(called("synchro::edit_event_time(1, 1, 1)"));
    close();
}

// Moving in the time column only shows the time; in the event column each
// event the cursor lands on is performed.
TEST_F(TimecodeTable, OnlyTheEventColumnPerformsEvents) {
    set_list({{0.0, "M 1"}, {10.0, "S 1 1 1"}, {20.0, "S 2 1 1"}, {30.0, "END"}});
    open();
    press(KEY_DOWN);
    EXPECT_DOUBLE_EQ(synchro::display_time, 10.0);
    EXPECT_EQ(playback::sequence_run_state(playback::sequence_table[1]), 0) << "not performed from the time column";
    press(KEY_RIGHT);
    EXPECT_EQ(playback::sequence_run_state(playback::sequence_table[1]), 1);
    press(KEY_DOWN);
    EXPECT_EQ(playback::sequence_run_state(playback::sequence_table[2]), 1);
    EXPECT_DOUBLE_EQ(synchro::display_time, 20.0);
    close();
}

TEST_F(TimecodeTable, TheKeysCallTheOperationsWithTheCursor) {
    struct Case {
        int16_t column;
        int event;  // the cursor's event, on its own row
        int16_t key;
        const char* call;  // nullptr: no operation
    };
    const Case cases[] = {
        {1, 3, KEY_ENTER, "synchro::edit_event_time(3, 3, 1)"},
        {2, 3, KEY_ENTER, nullptr},  // a memory holds no time
        {2, 4, KEY_ENTER, "synchro::edit_event_value_time(4, 4, 2)"},
        {2, 5, KEY_ENTER, "synchro::edit_event_value_time(5, 5, 2)"},
        {1, 2, KEY_POINT, "synchro::select_timecode_event_groups(2, 2, 1)"},
        {1, 2, KEY_DEL, "synchro::deselect_timecode_events(2, 2, 1)"},
        {2, 3, KEY_CLR, "synchro::clear_timecode_event_groups(3, 3, 2)"},
        {1, 2, KEY_COPY, "synchro::copy_timecode_events(2, 2, 1)"},
        {1, 3, KEY_INSERT_EVENTS, "synchro::insert_timecode_events(3, 3, 1)"},
        {1, 3, KEY_ADD_EVENTS, "synchro::add_timecode_events(3, 3, 1)"},
        {1, 2, KEY_PLAY, "synchro::run_timecode_play(2, 2, 1, 0)"},
    };
    set_list({{0.0, "M 1"}, {1.0, "M 2"}, {2.0, "M 3"}, {3.0, "F 1 0001.000"}, {4.0, "g 0000.000"}, {5.0, "END"}});
    for (const Case& c : cases) {
        open();
        place({c.event, c.event}, c.column);
        runtime::clear_step_log();
        press(c.key);
        const std::vector<std::string> calls = runtime::logged_calls();
        if (c.call != nullptr) {
            EXPECT_TRUE(called(c.call)) << c.call;
        } else {
            EXPECT_TRUE(calls.empty()) << calls.front();
        }
        EXPECT_FALSE(closed_) << "key " << c.key;
        close();
    }
}

TEST_F(TimecodeTable, ManualSourceRefusesTimeEditsAndCopies) {
    set_list(memories_list(3));
    synchro::timecode_source = synchro::kTimecodeSourceManual;
    open();
    EXPECT_EQ(rig_.key_led_state(KEY_COPY), runtime::LED_OFF);
    EXPECT_EQ(rig_.key_led_state(KEY_UP), runtime::LED_BLINK);
    press(KEY_ENTER);
    press(KEY_COPY);
    EXPECT_TRUE(runtime::logged_calls().empty());
    close();
    EXPECT_EQ(rig_.key_led_state(KEY_UP), runtime::LED_OFF);
}

// PLAY or an open-list request as the entry key plays at once; the table
// was not drawn, so the editor closes when the player returns.
TEST_F(TimecodeTable, EntryKeysPlayAtOnce) {
    set_list(memories_list(3));
    for (const auto& [key, autoplay] : {std::pair{KEY_PLAY, 0}, std::pair{KEY_OPEN_LIST, 1}}) {
        runtime::clear_step_log();
        closed_ = false;
        rig_.at(0, [this, key = key] {
            runtime::clear_step_log();
            synchro::edit_timecode_table(key);
            closed_ = true;
        });
        rig_.run_ms(300);
        EXPECT_TRUE(called("synchro::run_timecode_play(1, 1, 1, " + std::to_string(autoplay) + ")"));
        EXPECT_TRUE(closed_);
    }
}

TEST_F(TimecodeTable, ScreenKeysCloseTheEditorAndTransportKeysDoNothing) {
    set_list(memories_list(20));
    for (const int16_t key : {KEY_LOAD, KEY_SAVE, KEY_SETUP, KEY_EDIT_ITEM}) {
        synchro::timecode_player.last_event = 0;
        open();
        press(KEY_DOWN);
        rig_.press(key);
        ASSERT_TRUE(rig_.run_until([this] { return closed_; }, 500)) << key;
        EXPECT_EQ(handed_back_, key);
        EXPECT_EQ(synchro::timecode_player.last_event, 2);
        EXPECT_EQ(runtime::option_flags & runtime::OPT_TIMECODE_PLAYING, 0u);
    }
    open();
    for (const int16_t key : {KEY_REC, KEY_STOP, KEY_EDIT, KEY_TIMECODE_MODE}) press(key);
    EXPECT_FALSE(closed_);
    EXPECT_TRUE(runtime::logged_calls().empty());
    close();
}

TEST_F(TimecodeTable, AListOpenRequestClosesTheEditorForTheScreen) {
    set_list(memories_list(3));
    open();
    synchro::list_open_request = 1;
    rig_.run_ms(20);
    EXPECT_TRUE(closed_);
    synchro::list_open_request = 0;
}

TEST_F(TimecodeTable, ThePlayersMarkers) {
    set_list(memories_list(20));
    open();
    synchro::draw_play_position_marker(5, 4);
    EXPECT_EQ(rig_.pixel(kTimeX, row_top(4)), 4);
    EXPECT_EQ(rig_.pixel(kTimeX, row_top(5)), 11);
    EXPECT_EQ(rig_.pixel(kTimeX, row_top(6)), 4);
    synchro::draw_play_position_marker(1, 4);  // no row above row 1
    EXPECT_EQ(rig_.pixel(kTimeX, row_top(2)), 4);

    synchro::redraw_timecode_list_rows(1, 1, 1, 0);
    synchro::draw_cue_list_markers(20, 14, 7);  // the last event: no NEXT below
    EXPECT_EQ(rig_.pixel(kTimeX, row_top(13)), 4);
    EXPECT_GT(pixel_count(14, time_cell(13)), 0) << "LAST";
    EXPECT_GT(pixel_count(14, time_cell(14)), 0) << "-->";
    synchro::draw_cue_list_markers(0, 1, 7);
    EXPECT_EQ(rig_.pixel(kTimeX, row_top(1)), 4);
    EXPECT_GT(pixel_count(14, time_cell(1)), 0) << "NEXT";
    synchro::draw_cue_list_markers(5, 5, 7);
    EXPECT_EQ(rig_.pixel(kTimeX, row_top(4)), 4);
    EXPECT_EQ(rig_.pixel(kTimeX, row_top(6)), 4);
    close();
}

}  // namespace

namespace {

// A flash whose time ran out ends while the editor waits; one still held
// ends when the editor closes.
TEST_F(TimecodeTable, FlashOverridesEndWhenTheirTimeRunsOutAndWhenTheEditorCloses) {
    set_list(memories_list(3));
    open();
    memories::master_timecode_flash[2] = 1;
    memories::master_timecode_remaining_s[2] = -0.01;
    playback::playback_timecode_flash[7] = 1;
    playback::playback_timecode_remaining_s[7] = -0.01;
    playback::playback_timecode_flash[8] = 1;
    playback::playback_timecode_remaining_s[8] = 60.0;
    rig_.run_ms(20);
    EXPECT_EQ(memories::master_timecode_flash[2], 0);
    EXPECT_EQ(playback::playback_timecode_flash[7], 0);
    EXPECT_EQ(playback::playback_timecode_flash[8], 1) << "time left";
    close();
    EXPECT_EQ(playback::playback_timecode_flash[8], 0);
}

}  // namespace
