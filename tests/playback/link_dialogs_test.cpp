// The minutes / seconds / tenths time entry and the link-cue dialogs, typed
// at the console as the operator types them.
#include "playback/link_dialogs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../ui/dialog_fixture.h"
#include "playback/cue_tables.h"
#include "playback/key_groups.h"
#include "playback/playback_state.h"
#include "playback/sequence_programming.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "ui/message_line.h"

namespace {

using dialog_test::digit_key;
using namespace runtime::keys;

// The entry run with at most 50 minutes and a default of 123 tenths, once
// for each list of keys: what each run answered.
class TimingEntry : public dialog_test::ConsoleDialog {
protected:
    std::vector<int32_t> run_entries(const std::vector<std::vector<int16_t>>& runs) {
        std::vector<int32_t> results(runs.size(), -1);
        start([&results] {
            for (int32_t& result : results) result = playback::edit_timing_value(50, "Hold Time @ Min @ Sec @ mSec", 123);
        });
        for (const auto& keys : runs) {
            press_all(keys);
            rig_.run_ms(200);
        }
        EXPECT_TRUE(run_to_end());
        return results;
    }
};

TEST_F(TimingEntry, FieldsCombineIntoTenths) {
    struct Case {
        const char* what;
        std::vector<int16_t> keys;
        int32_t tenths;
    };
    const Case cases[] = {
        {"1 min 2 s 5 tenths", {digit_key(1), KEY_POINT, digit_key(2), KEY_POINT, digit_key(5), KEY_ENTER}, 625},
        {"50 in the tenths field is 5 tenths", {digit_key(0), KEY_POINT, digit_key(0), KEY_POINT, digit_key(5),
                                                 digit_key(0), KEY_ENTER}, 5},
        {"ENTER after the minutes: seconds and tenths 0", {digit_key(2), KEY_ENTER}, 1200},
        {"ENTER with no seconds keeps the minutes", {digit_key(3), KEY_POINT, KEY_ENTER}, 1800},
        {"ENTER with no minutes: the default", {KEY_ENTER}, 123},
        {"SELECT FUNCTIONS: the default", {digit_key(4), KEY_POINT, KEY_SELECT_FUNCTIONS}, 123},
        {"50 minutes: exactly 50 minutes", {digit_key(5), digit_key(0), KEY_POINT, digit_key(9), KEY_ENTER}, 30000},
        {"75 minutes: held at 50", {digit_key(7), digit_key(5), KEY_ENTER}, 30000},
        {"60 seconds: refused", {digit_key(0), KEY_POINT, digit_key(6), digit_key(0), KEY_ENTER},
         playback::kTimeEntryCancelled},
        {"ESC", {digit_key(1), KEY_POINT, KEY_ESC}, playback::kTimeEntryCancelled},
    };
    std::vector<std::vector<int16_t>> runs;
    for (const Case& c : cases) runs.push_back(c.keys);
    const std::vector<int32_t> results = run_entries(runs);
    for (size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(results[i], cases[i].tenths) << cases[i].what;
}

TEST_F(TimingEntry, RefusedFieldBeepsLow) {
    EXPECT_EQ(run_entries({{digit_key(0), KEY_POINT, digit_key(7), digit_key(5), KEY_ENTER}}),
              std::vector<int32_t>{playback::kTimeEntryCancelled});
    const auto tones = rig_.tones();
    ASSERT_FALSE(tones.empty());
    EXPECT_EQ(tones.back().freq_hz, 100);
    EXPECT_EQ(tones.back().duration_ms, 100u);
}

// The link dialogs on the cue screen.
class LinkDialog : public dialog_test::ConsoleDialog {
protected:
    void run_sequence_link(const std::vector<int16_t>& keys) {
        start([] { playback::select_sequence_linked_cue(2); });
        EXPECT_EQ(ui::current_message(), "SELECT (POINT)CUE TO LINK (CLR=DEF)");
        press_all(keys);
        EXPECT_TRUE(run_to_end());
    }
};

TEST_F(LinkDialog, TypedCueNumberAndPointChooseTheSlot) {
    playback::sequence_edit_record.start_memory = 0;
    run_sequence_link({digit_key(1), digit_key(2), KEY_POINT, digit_key(3), KEY_ENTER});
    // Cue 12 counted across the pages, point key 3: point 4 of cue 12.
    EXPECT_EQ(playback::sequence_edit_record.linked_cue, playback::cue_slot_of(1, 12, 4));
    EXPECT_EQ(playback::sequence_edit_record.flags & playback::CUE_RECORD_IN_CUE, playback::CUE_RECORD_IN_CUE)
        << "a link alone programs the sequence";
}

TEST_F(LinkDialog, CueKeyOfAnotherPageAndEscKeepsTheLink) {
    playback::sequence_edit_record.linked_cue = 55;
    run_sequence_link({KEY_GROUP_1 + 2, runtime::fixture_key(4), KEY_ESC});
    EXPECT_EQ(playback::sequence_edit_record.linked_cue, 55);
}

TEST_F(LinkDialog, CueKeyChoosesPointOneOfItsCueOnTheShownPage) {
    run_sequence_link({KEY_GROUP_1 + 2, runtime::fixture_key(4), KEY_ENTER});
    EXPECT_EQ(playback::sequence_edit_record.linked_cue, playback::cue_slot_of(3, 4, 1));
}

TEST_F(LinkDialog, AChoiceBeyondTheTablesBeepsAndFallsBack) {
    playback::sequence_edit_record.linked_cue = 55;
    // Cue 9999 does not exist: the choice falls back to the link as it was.
    run_sequence_link({digit_key(9), digit_key(9), digit_key(9), digit_key(9), KEY_ENTER});
    EXPECT_EQ(playback::sequence_edit_record.linked_cue, 55);
    bool heard = false;
    for (const auto& tone : rig_.tones()) heard = heard || (tone.freq_hz == 800 && tone.duration_ms == 400);
    EXPECT_TRUE(heard);
}

TEST_F(LinkDialog, ClrRemovesTheLinkAndAnEmptyRecordIsNoLongerProgrammed) {
    playback::sequence_edit_record.linked_cue = 55;
    playback::sequence_edit_record.flags = playback::CUE_RECORD_IN_CUE;
    run_sequence_link({KEY_CLR, KEY_ENTER});
    EXPECT_EQ(playback::sequence_edit_record.linked_cue, 0);
    EXPECT_EQ(playback::sequence_edit_record.flags & playback::CUE_RECORD_IN_CUE, 0);
}

TEST_F(LinkDialog, TheLiveSequenceOfThisCueTakesTheLink) {
    // Live sequence 2 was loaded from the live cue (page 1, cue 1, point 1).
    playback::sequence_origin_page[2] = 1;
    playback::sequence_origin_cue[2] = 1;
    playback::sequence_origin_point[2] = 1;
    playback::sequence_edit_record.end_memory = 4;
    run_sequence_link({digit_key(7), KEY_ENTER});
    EXPECT_EQ(playback::sequence_table[2].linked_cue, playback::cue_slot_of(1, 7, 1));
    EXPECT_EQ(playback::sequence_table[2].flags & playback::CUE_RECORD_IN_CUE, playback::CUE_RECORD_IN_CUE);
}

TEST_F(LinkDialog, PointCueWithoutMemoryLosesItsFlagWithItsLink) {
    playback::pointcue_edit_record.linked_cue = 30;
    playback::pointcue_edit_record.point_memory = 0;
    playback::pointcue_edit_record.flags = playback::CUE_RECORD_IN_CUE;
    start([] { playback::select_pointcue_linked_cue(playback::LinkField{470, 316, 634, 327, 1}); });
    press_all({KEY_CLR, KEY_ENTER});
    ASSERT_TRUE(run_to_end());
    EXPECT_EQ(playback::pointcue_edit_record.linked_cue, 0);
    EXPECT_EQ(playback::pointcue_edit_record.flags & playback::CUE_RECORD_IN_CUE, 0);
}

}  // namespace
