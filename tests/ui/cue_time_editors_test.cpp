// The cue time tools at the running console: times, the fade-in launch and
// links set on the multiselected cues from inside "SELECT CUES TO
// MULTISELECT", and OPTIMIZE on the live cue.
#include "ui/cue_time_editors.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <utility>
#include <vector>

#include "cue_tools_fixture.h"
#include "datafiles/cue_memory_file.h"
#include "memcheck/memcheck.h"
#include "memories/memories.h"
#include "playback/cue_fades.h"
#include "playback/cue_editing.h"
#include "playback/key_groups.h"
#include "playback/playback_times.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/show_tables.h"
#include "setup/setup_data.h"
#include "ui/cue_selection.h"
#include "ui/main_screen.h"
#include "ui/message_line.h"

namespace {

using namespace cue_tools_test;
using namespace runtime::keys;
using playback::PointcueRecord;

// Cue memories given item lists for one test, emptied again at its end.
class CueMemories {
public:
    explicit CueMemories(std::vector<std::pair<int, std::vector<datafiles::MemoryItem>>> lists) {
        for (const auto& [m, items] : lists) {
            auto* block = static_cast<datafiles::MemoryItem*>(
                memcheck::mc_malloc_at(items.size() * sizeof(datafiles::MemoryItem), __FILE__, __LINE__));
            std::copy(items.begin(), items.end(), block);
            datafiles::memcue_items[static_cast<size_t>(m)] = block;
            datafiles::memcue_index[static_cast<size_t>(m)].count = static_cast<int32_t>(items.size());
            memories_.push_back(m);
        }
    }
    ~CueMemories() {
        for (const int m : memories_) {
            memcheck::mc_free_at(datafiles::memcue_items[static_cast<size_t>(m)], __FILE__, __LINE__);
            datafiles::memcue_items[static_cast<size_t>(m)] = nullptr;
            datafiles::memcue_index[static_cast<size_t>(m)].count = 0;
        }
    }
    CueMemories(const CueMemories&) = delete;
    CueMemories& operator=(const CueMemories&) = delete;

private:
    std::vector<int> memories_;
};

// Cues 1, 2 and 3 of page 1 (slots 1, 11, 21) programmed; cue 4 (slot 31)
// has a record that is not programmed.
class CueTimeTools : public CueTools {
protected:
    void start_multiselect() {
        start([&] {
            runtime::cue_screen_page = 1;
            runtime::mode_flags |= runtime::MODE_CUE_SCREEN;
            for (const int slot : {1, 11, 21}) programme_slot(slot);
            programme_slot(31).flags = 0;
            playback::cue_header_table[31].programmed = 1;
            ui::multiselect_cues();
        });
    }
    static PointcueRecord& record(int slot) { return *playback::cue_pointcue_table[static_cast<size_t>(slot)]; }
    // The keys that type a time into the time entry: minutes, seconds and
    // tenths split by POINT; 63000 is ESC.
    static std::vector<int16_t> time_keys(int32_t tenths) {
        if (tenths == playback::kTimeEntryEscape) return {KEY_ESC};
        std::vector<int16_t> keys;
        const auto digits = [&](int v) {
            for (const char c : std::to_string(v)) keys.push_back(static_cast<int16_t>(KEY_DIGIT_0 + (c - '0')));
        };
        digits(tenths / 600);
        if (tenths % 600 == 0) {
            keys.push_back(KEY_ENTER);
            return keys;
        }
        keys.push_back(KEY_POINT);
        digits(tenths % 600 / 10);
        keys.push_back(KEY_POINT);
        digits(tenths % 10);
        keys.push_back(KEY_ENTER);
        return keys;
    }
    // Answers the open time entry.
    void type_time(const std::vector<int16_t>& keys) {
        for (const int16_t key : keys) press(key);
    }
    void type_time(int32_t tenths) { type_time(time_keys(tenths)); }
};

TEST_F(CueTimeTools, ATimeKeySetsThatTimeOfEveryChosenProgrammedCueOrItsDefault) {
    struct Case {
        const char* what;
        int16_t key;
        std::vector<int16_t> typed;
        uint16_t PointcueRecord::*field;
        uint16_t expected;
    };
    const Case cases[] = {
        {"HOLD 12.5 s", KEY_HOLD, time_keys(125), &PointcueRecord::hold, 125},
        {"100 minutes is still taken", KEY_DELAY_IN, time_keys(60000), &PointcueRecord::delay_in, 60000},
        {"ESC on FADE-IN gives 2 s", KEY_DELAY_IN + 1, {KEY_ESC}, &PointcueRecord::fade_in, 20},
        {"ESC on DELAY-OUT gives infinite", KEY_DELAY_IN + 2, {KEY_ESC}, &PointcueRecord::delay_out,
         ui::kInfiniteCueTime},
        {"above 100 minutes on FADE-OUT gives 0", KEY_DELAY_IN + 3,
         {KEY_DIGIT_0 + 1, KEY_DIGIT_0, KEY_DIGIT_0 + 1, KEY_ENTER}, &PointcueRecord::fade_out, 0},
        {"ESC on HOLD gives infinite", KEY_HOLD, {KEY_ESC}, &PointcueRecord::hold, ui::kInfiniteCueTime},
        {"ESC on DELAY-IN gives 0", KEY_DELAY_IN, {KEY_ESC}, &PointcueRecord::delay_in, 0},
    };
    start_multiselect();
    for (const int16_t key : {fixture_key(1), fixture_key(3), fixture_key(4)}) press(key);
    ASSERT_EQ(ui::multiselect_list, (std::vector<int16_t>{0, 20, 30}));
    for (const Case& c : cases) {
        for (const int slot : {1, 11, 21, 31}) record(slot).*(c.field) = 7;
        runtime::clear_step_log();
        press(c.key);
        type_time(c.typed);
        EXPECT_EQ(record(1).*(c.field), c.expected) << c.what;
        EXPECT_EQ(record(21).*(c.field), c.expected) << c.what;
        EXPECT_EQ(record(11).*(c.field), 7) << c.what;  // not chosen
        EXPECT_EQ(record(31).*(c.field), 7) << c.what;  // not programmed
        // Written through the cue files: the chosen cues as set, the others never written.
        PointcueRecord stored;
        ASSERT_TRUE(stored_pointcue(1, stored)) << c.what;
        EXPECT_EQ(stored.*(c.field), c.expected) << c.what;
        ASSERT_TRUE(stored_pointcue(21, stored)) << c.what;
        EXPECT_EQ(stored.*(c.field), c.expected) << c.what;
        EXPECT_FALSE(stored_pointcue(11, stored)) << c.what;
        EXPECT_FALSE(stored_pointcue(31, stored)) << c.what;
        EXPECT_EQ(ui::current_message(), "SELECT CUES TO MULTISELECT") << c.what;
    }

    press(KEY_ESC);
    ASSERT_TRUE(run_to_end());
}

TEST_F(CueTimeTools, TheOpenPointCueEditorFollowsAChangeOfItsCue) {
    start_multiselect();
    playback::pointcue_edit_cue = 10;  // slot 11, open in the point-cue editor
    playback::pointcue_edit_record = PointcueRecord{};
    record(11).fade_in = 55;
    press(fixture_key(2));
    press(KEY_HOLD);
    type_time(40);
    EXPECT_EQ(record(11).hold, 40);
    EXPECT_EQ(playback::pointcue_edit_record.hold, 40);
    EXPECT_EQ(playback::pointcue_edit_record.fade_in, 55);  // the stored record, copied
    EXPECT_EQ(playback::pointcue_edit_record.flags & playback::CUE_RECORD_IN_CUE, playback::CUE_RECORD_IN_CUE);
    press(KEY_ESC);
    ASSERT_TRUE(run_to_end());
}

TEST_F(CueTimeTools, ARecordTheCueFileRefusesKeepsWhatTheFileHolds) {
    start_multiselect();
    playback::pointcue_edit_cue = 0;  // slot 1, open in the point-cue editor
    playback::pointcue_edit_record = record(1);
    record(1).hold = 70;
    playback::pointcue_edit_record.hold = 70;
    press(fixture_key(1));
    dir_.remove_file("data/cuemem.dat");  // the file can't be written
    press(KEY_HOLD);
    type_time(125);
    EXPECT_EQ(record(1).hold, 70);
    EXPECT_EQ(playback::pointcue_edit_record.hold, 70);
    press(KEY_LINK_CUE);
    type_time(50);
    press(KEY_ENTER);  // loop: the only cue would link to itself
    press(KEY_ESC);
    EXPECT_EQ(record(1).hold, 70);
    EXPECT_EQ(record(1).linked_cue, 0);
    press(KEY_ESC);
    ASSERT_TRUE(run_to_end());
}

TEST_F(CueTimeTools, WithNothingChosenTheToolsDoNothing) {
    start_multiselect();
    for (const int16_t key : {KEY_HOLD, KEY_LINK_CUE, KEY_EDIT_VALUE}) press(key);
    ASSERT_TRUE(run_to_end());  // EDIT VALUE ends the dialog: no time entry held it open
    EXPECT_EQ(playback::last_pointcue_started, -1);  // no cue fade started
    EXPECT_EQ(playback::cue_fade_phase, 10);
    EXPECT_EQ(record(1).hold, 0);
}

TEST_F(CueTimeTools, TheFadeInLaunchStartsTheListWithItsTimeAndZeroIsOneTenth) {
    // Cue 1 (cue memory 1) sets record 5, cue 3 (cue memory 2) record 6: the
    // fade records show which cue started them, and with what fade-in.
    struct Case {
        int32_t answer;       // tenths typed, 63000 ESC
        uint32_t fade_in_ms;  // 0: nothing started
    };
    const Case cases[] = {{0, 100}, {60000, 6'000'000}, {playback::kTimeEntryEscape, 0}};
    CueMemories memories({{1, {{0, 5, 100}}}, {2, {{0, 6, 50}}}});
    size_t opened = 0;
    start([&] {
        ASSERT_TRUE(runtime::allocate_show_tables());
        runtime::reset_show_tables();
        runtime::function_record_count = 10;
        runtime::mode_flags |= runtime::MODE_CUE_TIMING;
        runtime::cue_screen_page = 1;
        programme_slot(1, 1);
        programme_slot(21, 2);
        for (size_t i = 0; i < std::size(cases); ++i) {
            ++opened;
            ui::multiselect_cues();
        }
    });
    const auto fade = [](int r) -> runtime::CueFadeRecord& { return runtime::cue_fade_records.channels[r]; };
    for (size_t i = 0; i < std::size(cases); ++i) {
        ASSERT_EQ(opened, i + 1);
        press(fixture_key(1));
        press(fixture_key(3));
        for (const int r : {5, 6}) fade(r) = runtime::CueFadeRecord{};
        press(KEY_EDIT_VALUE);  // the launch ends the dialog
        type_time(cases[i].answer);
        const bool started = cases[i].fade_in_ms != 0;
        EXPECT_EQ(fade(5).pending_cue, started ? 1 : 0) << cases[i].answer;
        EXPECT_EQ(fade(6).pending_cue, started ? 21 : 0) << cases[i].answer;
        for (const int r : {5, 6}) EXPECT_EQ(fade(r).pending_fade_in, cases[i].fade_in_ms) << cases[i].answer;
    }
    ASSERT_TRUE(run_to_end());
}

TEST_F(CueTimeTools, LinkingChainsTheChosenCuesAndTheLastKeepsItsLink) {
    start_multiselect();
    record(21).linked_cue = 500;
    record(21).link_mode = 1;
    for (const int16_t key : {fixture_key(1), fixture_key(2), fixture_key(3)}) press(key);
    press(KEY_LINK_CUE);
    // The title box while the time is asked: red title part, the divider,
    // the light-green field part.
    EXPECT_EQ(rig_.pixel(5, 284), 4);
    EXPECT_EQ(rig_.pixel(125, 300), 7);
    EXPECT_EQ(rig_.pixel(200, 310), 10);
    type_time(50);
    EXPECT_EQ(ui::current_message(), "LOOP LINKING? (RET=YES ESC=NO)");
    press(KEY_PLUS);  // not an answer: a short beep, the question stays
    EXPECT_EQ(rig_.tones().back().freq_hz, 500);
    EXPECT_EQ(ui::current_message(), "LOOP LINKING? (RET=YES ESC=NO)");
    press(KEY_ESC);  // no loop
    EXPECT_EQ(ui::current_message(), "ONLY DEF CHAN? (RET=YES ESC=NO)");
    press(KEY_ENTER);  // only the defined channels follow
    EXPECT_EQ(ui::current_message(), "SELECT CUES TO MULTISELECT");

    EXPECT_EQ(record(1).linked_cue, 11);
    EXPECT_EQ(record(11).linked_cue, 21);
    EXPECT_EQ(record(21).linked_cue, 500);  // the last keeps its link and follow mode
    EXPECT_EQ(record(21).link_mode, 1);
    EXPECT_EQ(record(1).link_mode, 0);
    for (const int slot : {1, 11, 21}) EXPECT_EQ(record(slot).hold, 50) << slot;
    PointcueRecord stored;
    ASSERT_TRUE(stored_pointcue(11, stored));
    EXPECT_EQ(stored.linked_cue, 21);
    EXPECT_EQ(stored.hold, 50);

    press(KEY_LINK_CUE);
    type_time(20);
    press(KEY_ENTER);  // loop
    press(KEY_ESC);    // all channels follow
    EXPECT_EQ(record(21).linked_cue, 1);  // the last links back to the first
    for (const int slot : {1, 11, 21}) EXPECT_EQ(record(slot).link_mode, 1) << slot;
    press(KEY_ESC);
    ASSERT_TRUE(run_to_end());
}

TEST_F(CueTimeTools, EscInTheLinkDialogClearsTheLinksOnlyWhenConfirmed) {
    start_multiselect();
    for (const int slot : {1, 11}) {
        record(slot).linked_cue = 300;
        record(slot).link_mode = 1;
        record(slot).hold = 40;
    }
    press(fixture_key(1));
    press(fixture_key(2));

    press(KEY_LINK_CUE);
    type_time(playback::kTimeEntryEscape);
    EXPECT_EQ(ui::current_message(), "CLEAR LINKING? (RET=YES ESC=NO)");
    press(KEY_ESC);  // nothing changes
    EXPECT_EQ(record(1).linked_cue, 300);
    EXPECT_EQ(record(1).hold, 40);

    press(KEY_LINK_CUE);
    type_time(playback::kTimeEntryEscape);
    press(KEY_ENTER);
    for (const int slot : {1, 11}) {
        EXPECT_EQ(record(slot).hold, ui::kInfiniteCueTime) << slot;
        EXPECT_EQ(record(slot).linked_cue, 0) << slot;
        EXPECT_EQ(record(slot).link_mode, 0) << slot;
    }
    press(KEY_ESC);
    ASSERT_TRUE(run_to_end());
}

// --- OPTIMIZE ------------------------------------------------------------------------

// A cleared message line shows the state of the current memory.
constexpr const char* kClearedLine = "MEMORY 1 IS EMPTY";

// Cue memories of page 1: cue 1 (slot 1, memory 1) and cue 2 (slot 11,
// memory 2) before the live cue 3 (slot 21, memory 3).
class Optimize : public CueTools {
protected:
    void TearDown() override {
        if (datafiles::memcue_items[3] != nullptr) memcheck::mc_free_at(datafiles::memcue_items[3], __FILE__, __LINE__);
        datafiles::memcue_used.fill(0);
        datafiles::memcue_used_count = 0;
        for (const int m : {1, 2, 3}) {
            datafiles::memcue_items[static_cast<size_t>(m)] = nullptr;
            datafiles::memcue_index[static_cast<size_t>(m)].count = 0;
        }
    }
    // A cue memory in use whose list the store may replace (allocated as the files allocate theirs).
    static void give_own_cue_memory(int memory, const std::vector<datafiles::MemoryItem>& items) {
        auto* list = static_cast<datafiles::MemoryItem*>(
            memcheck::mc_malloc_at(items.size() * sizeof(datafiles::MemoryItem), __FILE__, __LINE__));
        std::copy(items.begin(), items.end(), list);
        datafiles::memcue_items[static_cast<size_t>(memory)] = list;
        datafiles::memcue_index[static_cast<size_t>(memory)].count = static_cast<int32_t>(items.size());
        datafiles::memcue_used[static_cast<size_t>(memory)] = 1;
        ++datafiles::memcue_used_count;
    }
    static void give_cue_memory(int memory, std::vector<datafiles::MemoryItem>& items) {
        datafiles::memcue_items[static_cast<size_t>(memory)] = items.data();
        datafiles::memcue_index[static_cast<size_t>(memory)].count = static_cast<int32_t>(items.size());
    }
    std::vector<datafiles::MemoryItem> cue_1_{{0, 5, 100}, {0, 6, 50}, {10, 5, 9}, {100, 2, 44}};
    std::vector<datafiles::MemoryItem> cue_2_{{0, 5, 120}, {10, 5, 9}, {100, 2, 45}};
};

TEST_F(Optimize, AValueTheNearestEarlierCueGivesIsRemovedAndOneANearerCueChangedStays) {
    start([&] {
        ASSERT_TRUE(runtime::allocate_show_tables());
        runtime::reset_show_tables();
        runtime::function_record_count = 10;
        setup::fixture_count = 4;
        give_cue_memory(1, cue_1_);
        give_cue_memory(2, cue_2_);
        programme_slot(1, 1);
        programme_slot(11, 2);
        programme_slot(16, 65535);  // nearest, but without a cue memory: passed over
        programme_slot(21, 3);
        runtime::cue_screen_page = 1;
        playback::current_cue_page = 1;
        playback::current_cue = 3;
        playback::current_cue_point = 1;
        // The live cue's memory, recalled into the programmer first:
        // value 5 = 100: only cue 1 gives 100, cue 2 changed it to 120;
        // value 6 = 50: cue 2 has none, cue 1's 50 holds; value 7: no earlier cue gives it;
        // generator 1 of record 5 = 9: cue 2 gives 9; figure 1 of fixture 2 = 44: cue 2
        // changed it to 45; figure 1 of fixture 3: no earlier cue gives it.
        give_own_cue_memory(3, {{0, 5, 100}, {0, 6, 50}, {0, 7, 30}, {10, 5, 9}, {100, 2, 44}, {100, 3, 44}});
        runtime::clear_step_log();
        ui::handle_optimize_key();
        settle();
    });
    ASSERT_TRUE(run_to_end());
    EXPECT_EQ(runtime::programmer_values[5], 100);
    EXPECT_EQ(runtime::programmer_values[6], runtime::kValueNotSet);
    EXPECT_EQ(runtime::programmer_values[7], 30);
    EXPECT_EQ(runtime::programmer_generators[(5 - 1) * 6 + 1], 255);
    EXPECT_EQ(runtime::programmer_figures[(2 - 1) * 10 + 1], 44);
    EXPECT_EQ(runtime::programmer_figures[(3 - 1) * 10 + 1], 44);
    // What is left is stored back into the live cue's own cue memory.
    const datafiles::MemoryItem* kept = datafiles::memcue_items[3];
    ASSERT_NE(kept, nullptr);
    ASSERT_EQ(datafiles::memcue_index[3].count, 4);
    const std::vector<std::array<int, 3>> expected = {{0, 5, 100}, {0, 7, 30}, {100, 2, 44}, {100, 3, 44}};
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ((std::array<int, 3>{kept[i].kind, kept[i].index, kept[i].value}), expected[i]) << i;
    }
    EXPECT_EQ(playback::programmed_pointcue(21)->point_memory, 3);
    EXPECT_EQ(led(fixture_key(3)), runtime::LED_ON_2);  // programmed and live
    EXPECT_EQ(ui::current_message(), kClearedLine);
    runtime::free_tables();
}

TEST_F(Optimize, TheFirstCueOfAPageAndAnEmptySlotAreLeftAlone) {
    struct Case {
        const char* what;
        int16_t page, cue, point;
        const char* message_after;
    };
    const Case cases[] = {
        {"cue 1 point 1: the message line stays", 2, 1, 1, "KEEP ME"},
        {"a slot without a record: only the message is cleared", 1, 9, 1, kClearedLine},
        {"the live cue outside the tables: no record, the message is cleared", 17, 1, 2, kClearedLine},
    };
    start([&] {
        programme_slot(701, 1);  // cue 1 point 1 of page 2
        for (const Case& c : cases) {
            playback::current_cue_page = c.page;
            playback::current_cue = c.cue;
            playback::current_cue_point = c.point;
            ui::show_message("KEEP ME");
            const uint16_t used_before = datafiles::memcue_used_count;
            runtime::clear_step_log();
            ui::handle_optimize_key();
            EXPECT_EQ(ui::current_message(), c.message_after) << c.what;
            EXPECT_EQ(memories::programmer_from_cue, 0) << c.what << ": the programmer was not loaded from the cue";
            EXPECT_EQ(datafiles::memcue_used_count, used_before) << c.what << ": nothing was stored";
        }
    });
    ASSERT_TRUE(run_to_end());
}

}  // namespace
