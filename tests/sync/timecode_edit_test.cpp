// The timecode table's editing operations on the demo rig, driven by keys:
// time edits with carries and borrows, marked events moving along, the F and
// G value times, marking by POINT held, clearing, copying with an offset and
// capturing events; and the list operations under them.
#include <gtest/gtest.h>

#include "list_helpers.h"

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "../programmer/programmer_test_rig.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "runtime/step_log.h"
#include "sync/sync_services.h"
#include "sync/timecode_clock.h"
#include "sync/timecode_edit.h"
#include "sync/timecode_event_edit.h"
#include "sync/timecode_lists.h"
#include "sync/timecode_player.h"
#include "sync/timecode_record.h"
#include "sync/timecode_table.h"
#include "ui/message_line.h"

namespace {

using namespace runtime::keys;
using sync_test::Events;
using sync_test::list;
using sync_test::set_list;
using Operation = void (*)(int16_t&, int16_t&, int16_t&);

constexpr uint8_t kRate24 = 1, kRate25 = 2, kRate30 = 3, kRate30D = 4;
constexpr const char* kEditorMessage = "EDIT TIMECODE-TABLE (ESC=CANCEL)";

std::string message() { return ui::last_message_text.data(); }

double at(int16_t hh, int16_t mm, int16_t ss, int16_t ff) { return synchro::convert_timecode_to_seconds(hh, mm, ss, ff); }

std::vector<int> states() {
    std::vector<int> out;
    for (int32_t i = 1; i <= synchro::timecode_list.count; ++i) out.push_back(synchro::event_state(synchro::timecode_event(i)));
    return out;
}

void mark(std::initializer_list<int32_t> events) {
    for (const int32_t i : events) synchro::set_event_state(synchro::timecode_event(i), synchro::kEventMarked);
}

class TimecodeEdit : public programmer_test::DemoRig {
protected:
    void SetUp() override {
        DemoRig::SetUp();
        synchro::timecode_source = synchro::kTimecodeSourcePcTimer;
        synchro::timecode_frame_rate = kRate24;
    }
    void TearDown() override { synchro::timecode_mode = synchro::kTimecodeIdle; }

    // The operation runs on the console as the editor calls it; with
    // first_key, the editor's own read of the key that started it comes first.
    void start(Operation operation, int16_t first_key = 0) {
        done_ = false;
        runtime::clear_step_log();
        rig_.at(0, [this, operation, first_key] {
            if (first_key != 0) {
                int16_t key = 0;
                while (!runtime::get_key(&key) || key != first_key) key = 0;
            }
            operation(cursor_, row_, column_);
            done_ = true;
        });
        rig_.run_ms(20);
    }
    // Runs until the message line shows text (after the beep before it).
    void wait_for_message(const std::string& text) {
        EXPECT_TRUE(rig_.run_until([&] { return message() == text; }, 3000)) << "shows " << message();
    }
    void finish() { ASSERT_TRUE(rig_.run_until([this] { return done_; }, 5000)) << "the operation still runs"; }
    void run(Operation operation, const std::vector<int16_t>& keys = {}) {
        start(operation);
        for (const int16_t key : keys) rig_.press(key);
        finish();
    }
    std::vector<platform::Tone> tones_since(uint64_t from_ms) const {
        std::vector<platform::Tone> out;
        for (const platform::Tone& t : rig_.tones()) {
            if (t.start_ms >= from_ms) out.push_back(t);
        }
        return out;
    }
    // Rows first..last of the table on the screen equal a fresh drawing of
    // the page at the cursor: the operation redrew them.
    bool rows_redrawn(int first_row, int last_row) {
        const auto band = [&] {
            std::vector<uint8_t> pixels;
            for (int y = 256 + 15 * first_row; y <= 267 + 15 * last_row; ++y) {
                for (int x = 230; x <= 630; ++x) pixels.push_back(rig_.pixel(x, y));
            }
            return pixels;
        };
        const std::vector<uint8_t> after_operation = band();
        synchro::redraw_timecode_list_rows(cursor_, row_, column_, 0);
        return after_operation == band();
    }
    void expect_cursor(int16_t event, int16_t row) const {
        EXPECT_EQ(cursor_, event);
        EXPECT_EQ(row_, row);
    }

    int16_t cursor_ = 1, row_ = 1, column_ = 1;
    bool done_ = false;
};

// ------------------------------------------------------------------ time edit

TEST_F(TimecodeEdit, TimeFieldsCarryAndBorrowAtEachRate) {
    struct Case {
        uint8_t source;
        uint8_t rate;
        std::array<int16_t, 4> from;
        std::vector<int16_t> keys;  // after ENTER opened the edit on the hours
        std::array<int16_t, 4> to;
    };
    const int16_t R = KEY_RIGHT, U = KEY_UP, D = KEY_DOWN;
    const std::vector<Case> cases = {
        {1, kRate24, {0, 0, 0, 23}, {R, R, R, U}, {0, 0, 1, 0}},
        {1, kRate24, {0, 0, 0, 0}, {D}, {23, 0, 0, 0}},
        {1, kRate24, {0, 0, 0, 0}, {R, R, R, D}, {23, 59, 59, 23}},
        {1, kRate24, {23, 59, 59, 23}, {R, R, R, U}, {0, 0, 0, 0}},
        {1, kRate25, {0, 0, 0, 24}, {R, R, R, U}, {0, 0, 1, 0}},
        {1, kRate30, {0, 0, 0, 0}, {R, R, R, D}, {23, 59, 59, 29}},
        {1, kRate30D, {0, 0, 0, 29}, {R, R, R, U}, {0, 0, 1, 0}},
        {synchro::kTimecodeSourceCdrom, kRate24, {0, 0, 0, 74}, {R, R, R, U}, {0, 0, 1, 0}},
        {synchro::kTimecodeSourceCdrom, kRate24, {0, 0, 0, 0}, {R, R, R, D}, {23, 59, 59, 74}},
        {1, kRate24, {1, 0, 0, 5}, {R, R, D}, {0, 59, 59, 5}},
        {1, kRate24, {0, 59, 59, 0}, {R, R, R, R, R, KEY_LEFT, U}, {1, 0, 0, 0}},  // no wrap past the frames
    };
    for (const Case& c : cases) {
        synchro::timecode_source = c.source;
        synchro::timecode_frame_rate = c.rate;
        set_list({{at(c.from[0], c.from[1], c.from[2], c.from[3]), "M 1"}});
        synchro::time_field = 1;
        std::vector<int16_t> keys = c.keys;
        keys.push_back(KEY_ENTER);
        run(synchro::edit_event_time, keys);
        int16_t hh = 0, mm = 0, ss = 0, ff = 0;
        synchro::split_timecode(synchro::timecode_event(1).time, hh, mm, ss, ff);
        EXPECT_EQ((std::array<int16_t, 4>{hh, mm, ss, ff}), c.to)
            << "from " << c.from[0] << "/" << c.from[1] << "/" << c.from[2] << "/" << c.from[3] << " source "
            << int(c.source) << " rate " << int(c.rate);
    }
}

TEST_F(TimecodeEdit, EscKeepsTheEditedTimeAndTheDisplayShowsIt) {
    set_list({{at(0, 0, 10, 0), "M 1"}, {at(0, 0, 20, 0), "END"}});
    cursor_ = 2;
    row_ = 2;
    synchro::time_field = 3;  // kept from an earlier edit
    run(synchro::edit_event_time, {KEY_UP, KEY_UP, KEY_ESC});
    EXPECT_EQ(list(), (Events{{at(0, 0, 10, 0), "M 1"}, {at(0, 0, 22, 0), "END"}}));
    EXPECT_EQ(synchro::display_time, at(0, 0, 22, 0));
    EXPECT_EQ(synchro::time_field, 3);
    EXPECT_TRUE(rows_redrawn(2, 2)) << "the row is redrawn";

    synchro::timecode_source = synchro::kTimecodeSourceManual;
    synchro::display_time = 5.0;
    run(synchro::edit_event_time, {KEY_DOWN, KEY_ENTER});
    EXPECT_EQ(synchro::timecode_event(2).time, at(0, 0, 21, 0));
    EXPECT_EQ(synchro::display_time, 5.0) << "no clock with the MANUAL source";
}

TEST_F(TimecodeEdit, MarkedEventsMoveByTheSameFramesWithinTheDay) {
    synchro::timecode_frame_rate = kRate25;
    struct Case {
        int16_t key;
        Events after;
    };
    const std::vector<Case> cases = {
        // two frames down: the cursor's event, 00/00/00/01 held at 0, the unmarked one stays
        {KEY_DOWN, {{at(0, 0, 9, 23), "M 1"}, {0.0, "M 2"}, {at(23, 59, 59, 22), "M 3"}, {5.0, "M 4"}}},
        // two frames up: 23/59/59/24 would pass the day's end
        {KEY_UP, {{at(0, 0, 10, 2), "M 1"}, {at(0, 0, 0, 3), "M 2"}, {86400.0, "M 3"}, {5.0, "M 4"}}},
    };
    for (const Case& c : cases) {
        set_list({{10.0, "M 1"}, {at(0, 0, 0, 1), "M 2"}, {at(23, 59, 59, 24), "M 3"}, {5.0, "M 4"}});
        mark({1, 2, 3});
        synchro::time_field = 4;
        cursor_ = 1;
        row_ = 1;
        run(synchro::edit_event_time, {c.key, c.key, KEY_ENTER});
        EXPECT_EQ(list(), c.after) << "not re-sorted, moved by two frames: " << c.key;
        EXPECT_TRUE(rows_redrawn(1, 4)) << "every visible time redrawn";
    }
}

TEST_F(TimecodeEdit, TheEditedFieldIsBoxedInTheTimeCell) {
    set_list({{at(1, 2, 3, 4), "M 1"}, {0.0, "M 2"}, {0.0, "END"}});
    cursor_ = 3;
    row_ = 3;  // y 301..312
    synchro::time_field = 1;
    start(synchro::edit_event_time, 0);
    rig_.press(KEY_RIGHT);
    rig_.run_ms(20);
    const int top = 256 + 15 * 3, bottom = top + 11;
    constexpr uint8_t kRed = 4, kLightCyan = 11;
    for (const int x : {283, 299}) {  // field 2
        EXPECT_EQ(rig_.pixel(x, top), kRed) << x;
        EXPECT_EQ(rig_.pixel(x, bottom), kRed) << x;
        EXPECT_EQ(rig_.pixel(x, top + 6), kRed) << x;
    }
    EXPECT_EQ(rig_.pixel(265, top + 6), kLightCyan) << "field 1 no longer boxed";
    EXPECT_EQ(rig_.pixel(317, top + 6), kLightCyan);
    int text = 0;
    for (int x = 284; x < 299; ++x) {
        for (int y = top + 1; y < bottom; ++y) text += rig_.pixel(x, y) != kLightCyan && rig_.pixel(x, y) != kRed;
    }
    EXPECT_GT(text, 0) << "the minutes are written in the box";
    EXPECT_EQ(rig_.key_led_state(KEY_UP), runtime::LED_BLINK);
    EXPECT_EQ(rig_.key_led_state(KEY_POINT), runtime::LED_OFF);
    rig_.press(KEY_ENTER);
    finish();
    EXPECT_EQ(synchro::time_field, 2);
}

// ------------------------------------------------------------------ F and G times

TEST_F(TimecodeEdit, TheTimeInsideAnFOrGEventIsEditedAndWrittenBack) {
    struct Case {
        const char* before;
        std::vector<int16_t> keys;  // from the seconds field
        std::string after;
        int box_x;
    };
    char fader[32];
    std::snprintf(fader, sizeof fader, "F 102 %09.3lf", at(0, 0, 1, 13));
    const std::vector<Case> cases = {
        {"G 00010.000", {KEY_UP, KEY_ENTER}, "G 00011.000", 418 + 36},
        {"F 102 00001.500", {KEY_RIGHT, KEY_UP, KEY_ESC}, fader, 431 + 36},  // 1.500 s is frame 12 at "24"
        {"G 99999.000", {KEY_UP, KEY_ENTER}, "G 86400.000", 418 + 36},      // past the day: held at its end
        {"M 5", {KEY_UP, KEY_ENTER}, "M 5", 0},
        {"F 3", {KEY_UP, KEY_ENTER}, "F 3", 0},  // numbers missing: nothing to edit
        {"G X", {KEY_UP, KEY_ENTER}, "G X", 0},
    };
    for (const Case& c : cases) {
        set_list({{3.0, c.before}});
        synchro::value_time_field = 3;
        start(synchro::edit_event_value_time);
        if (c.box_x != 0) {
            EXPECT_EQ(rig_.pixel(c.box_x, 256 + 15 + 6), 4) << c.before << ": the field box";
        }
        for (const int16_t key : c.keys) rig_.press(key);
        finish();
        EXPECT_EQ(list(), (Events{{3.0, c.after}})) << c.before;
    }
}

// ------------------------------------------------------------------ marking

TEST_F(TimecodeEdit, PointHeldWithTwoPageDownsMarksOneTo29) {
    Events events;
    for (int i = 1; i <= 40; ++i) events.emplace_back(i, "M " + std::to_string(i));
    set_list(events);
    rig_.hold(KEY_POINT);
    start(synchro::select_timecode_event_groups, KEY_POINT);
    EXPECT_EQ(message(), "SELECT EVENT-GROUPS...");
    EXPECT_EQ(rig_.key_led_state(KEY_POINT), runtime::LED_ON);
    rig_.press(KEY_PAGE_DOWN);
    rig_.press(KEY_PAGE_DOWN);
    rig_.run_ms(20);
    EXPECT_FALSE(done_) << "marking goes on while POINT is held";
    rig_.release(KEY_POINT);
    finish();
    std::vector<int> expected(40, 0);
    std::fill_n(expected.begin(), 29, 1);
    EXPECT_EQ(states(), expected);
    expect_cursor(29, 1);
    EXPECT_EQ(message(), kEditorMessage);
}

TEST_F(TimecodeEdit, MarkingGivesTheFirstEventsNewStateToEveryEventPassed) {
    Events events;
    for (int i = 1; i <= 20; ++i) events.emplace_back(i, "M " + std::to_string(i));
    set_list(events);
    mark({5, 6, 7, 8, 20});
    cursor_ = 6;
    row_ = 6;
    rig_.hold(KEY_POINT);
    start(synchro::select_timecode_event_groups, KEY_POINT);  // 6 was marked: unmarking
    rig_.press(KEY_DOWN);                                     // 7, row 7
    rig_.press(KEY_PAGE_DOWN);                                // 15, row 1
    rig_.press(KEY_PAGE_DOWN);                                // the last page: 20 on its row
    expect_cursor(20, 6);
    EXPECT_EQ(states()[19], 0);
    rig_.press(KEY_UP);                                       // 19, row 5
    rig_.press(KEY_PAGE_UP);                                  // 14, row 14
    expect_cursor(14, 14);
    rig_.press(KEY_PAGE_UP);                                  // the first page: to 1
    rig_.release(KEY_POINT);
    finish();
    std::vector<int> expected(20, 0);
    EXPECT_EQ(states(), expected);
    expect_cursor(1, 1);
}

TEST_F(TimecodeEdit, APointTypedOnThePcOnlyTogglesTheCursorsEvent) {
    set_list({{1, "M 1"}, {2, "M 2"}, {3, "END"}});
    cursor_ = 2;
    row_ = 2;
    start(synchro::select_timecode_event_groups, KEY_POINT);
    rig_.type(".");
    finish();
    EXPECT_EQ(states(), (std::vector<int>{0, 1, 0}));
    rig_.type(".");
    start(synchro::select_timecode_event_groups);  // the editor read it already
    finish();
    EXPECT_EQ(states(), (std::vector<int>{0, 0, 0}));
}

TEST_F(TimecodeEdit, DelClearsEveryMark) {
    set_list({{1, "M 1"}, {2, "M 2"}, {3, "END"}});
    mark({1, 3});
    const uint64_t from = rig_.now_ms();
    run(synchro::deselect_timecode_events);
    EXPECT_EQ(states(), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(tones_since(from), (std::vector<platform::Tone>{{800, tones_since(from).at(0).start_ms, 50}}));
    EXPECT_TRUE(rows_redrawn(1, 3));
}

TEST_F(TimecodeEdit, EveryOperationOnAnEmptyListBeepsAndChangesNothing) {
    for (const Operation operation :
         {synchro::edit_event_time, synchro::edit_event_value_time, synchro::select_timecode_event_groups,
          synchro::deselect_timecode_events, synchro::clear_timecode_event_groups, synchro::copy_timecode_events}) {
        synchro::free_timecode_list();
        const uint64_t from = rig_.now_ms();
        run(operation);
        const std::vector<platform::Tone> tones = tones_since(from);
        ASSERT_EQ(tones.size(), 1u);
        EXPECT_EQ(tones[0].freq_hz, 400);
        EXPECT_EQ(tones[0].duration_ms, 200u);
        EXPECT_EQ(synchro::timecode_list.count, 0);
        expect_cursor(1, 1);
        EXPECT_TRUE(runtime::logged_calls().empty()) << "nothing redrawn";
    }
}

// ------------------------------------------------------------------ clear

TEST_F(TimecodeEdit, ClrRemovesTheCursorsEventOrTheMarkedOnes) {
    struct Case {
        const char* what;
        std::vector<int32_t> marked;
        int16_t cursor, row;
        std::vector<int16_t> keys;
        Events after;
        int16_t cursor_after, row_after;
        bool asked;
    };
    const Events five = {{1, "M 1"}, {2, "M 2"}, {3, "M 3"}, {4, "M 4"}, {5, "END"}};
    const std::vector<Case> cases = {
        {"unmarked", {2}, 3, 3, {}, {{1, "M 1"}, {2, "M 2"}, {4, "M 4"}, {5, "END"}}, 3, 3, false},
        {"the last, END too", {}, 5, 3, {}, {{1, "M 1"}, {2, "M 2"}, {3, "M 3"}, {4, "M 4"}}, 4, 3, false},
        {"the last, on its row", {}, 5, 5, {}, {{1, "M 1"}, {2, "M 2"}, {3, "M 3"}, {4, "M 4"}}, 4, 4, false},
        {"one marked", {4}, 4, 4, {}, {{1, "M 1"}, {2, "M 2"}, {3, "M 3"}, {5, "END"}}, 1, 1, false},
        {"several, ESC", {2, 3, 5}, 3, 3, {KEY_CLR, KEY_ESC}, five, 3, 3, true},
        {"several, ENTER", {1, 2, 4, 5}, 4, 4, {KEY_CLR, KEY_ENTER}, {{3, "M 3"}}, 1, 1, true},
    };
    for (const Case& c : cases) {
        set_list(five);
        for (const int32_t i : c.marked) mark({i});
        cursor_ = c.cursor;
        row_ = c.row;
        start(synchro::clear_timecode_event_groups);
        if (c.asked) {
            wait_for_message("CLEAR EVENT-GROUPS? (ENTER=Y ESC=N)");
            EXPECT_EQ(rig_.key_led_state(KEY_CLR), runtime::LED_ON);
            EXPECT_EQ(rig_.key_led_state(KEY_ENTER), runtime::LED_BLINK);
        }
        for (const int16_t key : c.keys) rig_.press(key);  // CLR is ignored while asking
        finish();
        EXPECT_EQ(list(), c.after) << c.what;
        EXPECT_EQ(cursor_, c.cursor_after) << c.what;
        EXPECT_EQ(row_, c.row_after) << c.what << ": the page starts at event 1 or later";
        EXPECT_LE(row_, std::max<int16_t>(cursor_, 1)) << c.what;
    }
}

// ------------------------------------------------------------------ copy

TEST_F(TimecodeEdit, CopyLandsTheMarkedEventsAtTheOffsetBeforeEnd) {
    set_list({{at(0, 0, 10, 0), "M 1"}, {at(0, 0, 20, 0), "M 2"}, {at(0, 2, 0, 0), "END"}});
    mark({1, 3});
    int32_t landing = 0;
    ASSERT_EQ(synchro::copy_marked_events(synchro::convert_seconds_to_frames(at(0, 1, 0, 0)), 10000, landing),
              synchro::CopyResult::copied);
    EXPECT_EQ(list(), (Events{{at(0, 0, 10, 0), "M 1"}, {at(0, 0, 20, 0), "M 2"}, {at(0, 1, 10, 0), "M 1"},
                              {at(0, 2, 0, 0), "END"}}));
    EXPECT_EQ(landing, 3);
    EXPECT_EQ(states(), (std::vector<int>{1, 0, 0, 1})) << "the originals keep their marks, the copy has none";
    EXPECT_EQ(synchro::timecode_list.capacity, 20) << "room enough already";
}

TEST_F(TimecodeEdit, CopiesStayWithinTheDayAndTheListLimit) {
    set_list({{at(23, 59, 0, 0), "M 1"}, {at(23, 59, 30, 0), "M 2"}, {at(23, 59, 59, 0), "END"}});
    mark({1, 2});
    int32_t landing = 0;
    const int32_t minute = synchro::convert_seconds_to_frames(60.0);
    EXPECT_EQ(synchro::copy_marked_events(minute, 4, landing), synchro::CopyResult::list_full);
    EXPECT_EQ(synchro::timecode_list.count, 3);
    ASSERT_EQ(synchro::copy_marked_events(minute, 5, landing), synchro::CopyResult::copied);
    EXPECT_EQ(list(), (Events{{at(23, 59, 0, 0), "M 1"}, {at(23, 59, 30, 0), "M 2"}, {86400.0, "M 1"},
                              {86400.0, "M 2"}, {86400.0, "END"}}))
        << "END stays last";
    EXPECT_EQ(landing, 3);

    synchro::timecode_list_reallocator = [](void*, size_t) -> void* { return nullptr; };
    synchro::timecode_list.capacity = synchro::timecode_list.count;
    EXPECT_EQ(synchro::copy_marked_events(minute, 10000, landing), synchro::CopyResult::no_memory);
    EXPECT_EQ(synchro::timecode_list.count, 5);
    synchro::timecode_list_reallocator = std::realloc;

    synchro::clear_event_marks();
    mark({5});
    EXPECT_EQ(synchro::copy_marked_events(minute, 10000, landing), synchro::CopyResult::nothing_marked)
        << "END is never copied";
}

TEST_F(TimecodeEdit, CopyAsksForTheOffsetAndAnOffsetNotAcceptedCopiesNothing) {
    set_list({{10.0, "M 1"}, {20.0, "END"}});
    const uint64_t from = rig_.now_ms();
    run(synchro::copy_timecode_events);  // nothing marked: no entry
    ASSERT_EQ(tones_since(from).size(), 1u);
    EXPECT_EQ(tones_since(from)[0].freq_hz, 400);
    EXPECT_EQ(tones_since(from)[0].duration_ms, 50u);
    EXPECT_EQ(rig_.key_led_state(KEY_COPY), runtime::LED_OFF);

    mark({1});
    const uint64_t again = rig_.now_ms();
    run(synchro::copy_timecode_events, {KEY_ESC});  // the entry ends on a key that is neither COPY nor ENTER
    const std::vector<platform::Tone> tones = tones_since(again);
    ASSERT_EQ(tones.size(), 2u);
    EXPECT_EQ(tones[0].freq_hz, 800);
    EXPECT_EQ(tones[0].duration_ms, 200u);
    EXPECT_EQ(tones[1].freq_hz, 400);
    EXPECT_EQ(tones[1].duration_ms, 50u);
    EXPECT_EQ(list(), (Events{{10.0, "M 1"}, {20.0, "END"}}));
    EXPECT_EQ(message(), kEditorMessage);
    EXPECT_EQ(rig_.key_led_state(KEY_COPY), runtime::LED_ON);
}

// The offset typed as 00/01/00/00 and COPY: "M 1" at 10 s lands at 70 s,
// before END, and the cursor goes to the copy.
TEST_F(TimecodeEdit, CopyWithATypedOffsetLandsTheCopyBeforeEnd) {
    set_list({{10.0, "M 1"}, {100.0, "END"}});
    mark({1});
    synchro::display_time = 0.0;
    std::vector<int16_t> keys;
    for (const int d : {0, 0, 0, 1, 0, 0, 0, 0}) keys.push_back(runtime::digit_key(d));
    keys.push_back(KEY_COPY);
    run(synchro::copy_timecode_events, keys);
    EXPECT_EQ(list(), (Events{{10.0, "M 1"}, {70.0, "M 1"}, {100.0, "END"}}));
    EXPECT_EQ(cursor_, 2);
}

// ------------------------------------------------------------------ capture

TEST_F(TimecodeEdit, InsertPlacesCapturedEventsBeforeTheCursorUntilEsc) {
    set_list({{at(0, 0, 5, 0), "M 3"}, {at(0, 0, 10, 0), "END"}});
    cursor_ = 2;
    row_ = 2;
    start(synchro::insert_timecode_events);
    EXPECT_EQ(synchro::timecode_mode, synchro::kTimecodeCapture);
    EXPECT_NE(runtime::mode_flags & runtime::MODE_EVENT_INSERT, 0u);
    wait_for_message("SELECT EVENTS TO INSERT (ESC=CANCEL)");
    rig_.press(KEY_TO_MEM);
    rig_.run_ms(20);
    rig_.press(KEY_MASTER_1);  // a flash key: its hook fills the slot
    rig_.run_ms(30);
    rig_.press(KEY_CLR);  // not a capture key: ignored
    rig_.press(KEY_ESC);
    finish();
    EXPECT_EQ(list(), (Events{{at(0, 0, 5, 0), "M 3"}, {at(0, 0, 10, 0), "G 00000.000"},
                              {at(0, 0, 10, 0), "F 1 00000.500"}, {at(0, 0, 10, 0), "END"}}));
    expect_cursor(4, 4);  // still on END
    EXPECT_EQ(synchro::timecode_mode, synchro::kTimecodeIdle);
    EXPECT_EQ(runtime::mode_flags & runtime::MODE_EVENT_INSERT, 0u);
    EXPECT_EQ(message(), kEditorMessage);
    EXPECT_EQ(synchro::event_state(synchro::learned_event), 0);
}

TEST_F(TimecodeEdit, InsertIntoAnEmptyListAndPastTheLastRow) {
    synchro::free_timecode_list();
    run(synchro::insert_timecode_events, {KEY_TO_MEM, KEY_ESC});
    EXPECT_EQ(list(), (Events{{0.0, "G 00000.000"}}));
    expect_cursor(1, 1);

    Events events;
    for (int i = 1; i <= 20; ++i) events.emplace_back(i, "M " + std::to_string(i));
    set_list(events);
    cursor_ = 14;
    row_ = 14;
    run(synchro::insert_timecode_events, {KEY_TO_MEM, KEY_ESC});
    expect_cursor(15, 1);
    EXPECT_EQ(synchro::event_text(synchro::timecode_event(14)), "G 00000.000");
    EXPECT_EQ(synchro::timecode_event(14).time, 14.0);
}

TEST_F(TimecodeEdit, AddPlacesEventsBeforeEndWithTheTimeOfTheEventBeforeIt) {
    struct Case {
        Events before;
        Events after;
        int16_t cursor, row;
    };
    const std::vector<Case> cases = {
        {{{at(0, 4, 0, 0), "M 3"}, {at(0, 5, 0, 0), "END"}},
         {{at(0, 4, 0, 0), "M 3"}, {at(0, 4, 0, 0), "G 00000.000"}, {at(0, 4, 0, 0), "G 00000.000"},
          {at(0, 5, 0, 0), "END"}},
         3, 2},
        {{{at(0, 5, 0, 0), "END"}}, {{at(0, 5, 0, 0), "G 00000.000"}, {at(0, 5, 0, 0), "G 00000.000"}, {at(0, 5, 0, 0), "END"}}, 2, 2},
        {{{7.0, "M 3"}}, {{7.0, "M 3"}, {7.0, "G 00000.000"}, {7.0, "G 00000.000"}}, 3, 2},
        {{}, {{0.0, "G 00000.000"}, {0.0, "G 00000.000"}}, 2, 2},
    };
    for (const Case& c : cases) {
        synchro::free_timecode_list();
        set_list(c.before);
        cursor_ = 1;
        row_ = 1;
        start(synchro::add_timecode_events);
        wait_for_message("SELECT EVENTS TO ADD (ESC=CANCEL)");
        rig_.press(KEY_TO_MEM);
        rig_.press(KEY_TO_MEM);
        rig_.press(KEY_ESC);
        finish();
        EXPECT_EQ(list(), c.after);
        expect_cursor(c.cursor, c.row);
        EXPECT_EQ(runtime::mode_flags & runtime::MODE_EVENT_INSERT, 0u);
    }
}

TEST_F(TimecodeEdit, ACaptureThatMemoryCannotHoldIsDroppedWithAMessage) {
    set_list({{1.0, "M 1"}});
    synchro::timecode_list.capacity = 1;
    synchro::timecode_list_reallocator = [](void*, size_t) -> void* { return nullptr; };
    start(synchro::add_timecode_events);
    rig_.press(KEY_TO_MEM);
    rig_.run_ms(100);
    EXPECT_EQ(message(), "NOT ENOUGH MEMORY...");
    rig_.press(KEY_ESC, 50);
    finish();
    EXPECT_EQ(list(), (Events{{1.0, "M 1"}}));
    synchro::timecode_list_reallocator = std::realloc;
}

TEST_F(TimecodeEdit, AFullListCapturesNoConsoleActionButSaysSoAndTakesTheGotoEvent) {
    Events events(10000, {1.0, "M 1"});
    set_list(events);
    cursor_ = 1;
    start(synchro::add_timecode_events);
    wait_for_message("SELECT EVENTS TO ADD (ESC=CANCEL)");
    rig_.press(KEY_MASTER_1);  // its hook refuses
    wait_for_message("LIST FULL...");
    EXPECT_EQ(synchro::timecode_list.count, 10000);
    rig_.run_ms(2000);
    rig_.press(KEY_TO_MEM);
    rig_.press(KEY_ESC);
    finish();
    EXPECT_EQ(synchro::timecode_list.count, 10001);
    EXPECT_EQ(synchro::event_text(synchro::timecode_event(10001)), "G 00000.000");
}

}  // namespace
