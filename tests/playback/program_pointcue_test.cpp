// PROGRAM POINTCUE at the running demo console, opened with EDIT ITEM and
// CUE on the live cue: the point memory edited in the programmer and
// packed, fade mode, times, link mode, CLR on the rows, the store and ESC.
#include "playback/program_pointcue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <new>
#include <string>
#include <vector>

#include "../memories/cue_memory_items.h"
#include "../programmer/programmer_test_rig.h"
#include "datafiles/cue_memory_file.h"
#include "memories/cue_memories.h"
#include "memories/memories.h"
#include "platform/graphics.h"
#include "platform/speaker.h"
#include "playback/cue_tables.h"
#include "playback/key_groups.h"
#include "playback/link_dialogs.h"
#include "playback/pointcue_programming.h"
#include "runtime/key_codes.h"
#include "runtime/show_tables.h"
#include "setup/setup_data.h"
#include "ui/message_line.h"

namespace {

using namespace runtime::keys;
using datafiles::MemoryItem;
using playback::CUE_RECORD_IN_CUE;
using playback::PointcueRecord;
using cue_memory_test::Items;
using cue_memory_test::cue_memory_items;
using cue_memory_test::use_cue_memory;

constexpr const char* kDialogMessage = "PROGRAM POINTCUE (ESC=CANCEL)";
// The live cue: page 1, cue 6, point 2 (shown as 6.1).
constexpr int kLiveSlot = playback::cue_slot_of(1, 6, 2);

PointcueRecord*& slot_record(int slot) { return playback::cue_pointcue_table[static_cast<size_t>(slot)]; }

class ProgramPointcue : public programmer_test::DemoRig {
protected:
    void SetUp() override {
        DemoRig::SetUp();
        std::fill_n(runtime::programmer_values, runtime::kShowRecords + 1, runtime::kValueNotSet);
        std::fill_n(runtime::programmer_time_set, runtime::kShowTimeSlots + 1, uint8_t{0});
        for (int k = 1; k <= 5; ++k) {
            setup::setup_data.set_u16(setup::kSetupDefaultTimes + 2 * static_cast<size_t>(k - 1),
                                      static_cast<uint16_t>(11 * k));
        }
        playback::current_cue_page = 1;
        playback::current_cue = 6;
        playback::current_cue_point = 2;
    }

    void press(int16_t key) {
        rig_.press(key);
        rig_.run_ms(50);
    }
    void press_times(int16_t key, int times) {
        for (int i = 0; i < times; ++i) press(key);
    }
    // EDIT ITEM held, CUE: the dialog on the live cue.
    void open_dialog() {
        machine().graphics.clear_call_log();
        rig_.hold(KEY_EDIT_ITEM, 300);
        rig_.press(KEY_CUE);
        rig_.release(KEY_EDIT_ITEM, 200);
        ASSERT_EQ(ui::current_message(), kDialogMessage);
    }
    platform::Machine& machine() { return rig_.machine(); }
    // Whether a text was drawn since the dialog opened (or the log was cleared).
    bool drawn(const std::string& text) {
        const auto calls = machine().graphics.call_log();
        const std::string needle = ",\"" + text + "\")";
        return std::any_of(calls.begin(), calls.end(), [&](const std::string& call) {
            return call.rfind("_outtextxy(", 0) == 0 && call.find(needle) != std::string::npos;
        });
    }
    bool drawn_containing(const std::string& part) {
        const auto calls = machine().graphics.call_log();
        return std::any_of(calls.begin(), calls.end(), [&](const std::string& call) {
            return call.rfind("_outtextxy(", 0) == 0 && call.find(part) != std::string::npos;
        });
    }

    // The live slot programmed with cue memory 7.
    static PointcueRecord* program_live_slot() {
        use_cue_memory(7, {{0, 5, 100}});
        void* block = runtime::show_table_allocator(sizeof(PointcueRecord), __FILE__, __LINE__);
        auto* record = new (block) PointcueRecord{};
        record->flags = CUE_RECORD_IN_CUE;
        record->point_memory = 7;
        record->delay_in = 1;
        record->fade_in = 2;
        record->delay_out = 3;
        record->fade_out = 4;
        record->hold = 5;
        slot_record(kLiveSlot) = record;
        playback::cue_header_table[kLiveSlot].programmed = 1;
        return record;
    }
};

TEST_F(ProgramPointcue, AnEmptySlotGetsAPointMemoryEditedInTheProgrammer) {
    open_dialog();
    EXPECT_TRUE(drawn("POINTCUE PG 1-CUE 6.1 "));
    EXPECT_TRUE(drawn("empty"));
    EXPECT_FALSE(drawn_containing(" sec.")) << "no times without a point memory";
    EXPECT_EQ(playback::pointcue_edit_cue, kLiveSlot - 1);

    press(KEY_EDIT_ITEM);  // row 1: the programmer holds the point memory
    EXPECT_TRUE(drawn("defined"));
    EXPECT_EQ(runtime::option_flags & runtime::OPT_MEMORY_STATE_SHOWN, runtime::OPT_MEMORY_STATE_SHOWN);
    runtime::programmer_values[9] = 140;  // as a programmer command would set it
    press(KEY_ENTER);                      // packs and ends the editing
    EXPECT_EQ(runtime::option_flags & runtime::OPT_MEMORY_STATE_SHOWN, 0u);
    const PointcueRecord& edit = playback::pointcue_edit_record;
    EXPECT_EQ(edit.point_memory, playback::kNewPointMemory);
    EXPECT_EQ(edit.delay_in, 0);
    EXPECT_EQ(edit.fade_in, 22);
    EXPECT_EQ(edit.delay_out, 33);
    EXPECT_EQ(edit.fade_out, 0);
    EXPECT_EQ(edit.hold, 55);
    EXPECT_TRUE(drawn(" 0 min  0.0 sec."));
    EXPECT_TRUE(drawn(" 0 min  2.2 sec."));
    EXPECT_EQ(slot_record(kLiveSlot), nullptr) << "nothing is stored before ENTER";

    press(KEY_ENTER);
    const PointcueRecord* stored = playback::programmed_pointcue(kLiveSlot);
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(stored->point_memory, 1);
    EXPECT_EQ(stored->fade_in, 22);
    EXPECT_EQ(stored->hold, 55);
    EXPECT_EQ(cue_memory_items(1), (Items{{0, 9, 140}}));
    EXPECT_EQ(memories::programmer_cue_memory, 1) << "the slot is the shown cue";
    EXPECT_NE(rig_.pixel(330, 300), 7) << "the dialog's grey window is gone after the store";
    EXPECT_EQ(playback::pointcue_edit_cue, -1);
    EXPECT_NE(ui::current_message(), kDialogMessage);
}

TEST_F(ProgramPointcue, EscInThePointMemoryLeavesTheSlotEmpty) {
    open_dialog();
    press(KEY_EDIT_ITEM);
    press(KEY_ESC);  // the editing, without packing
    EXPECT_EQ(playback::pointcue_edit_record.point_memory, 0);
    EXPECT_EQ(playback::pointcue_edit_record.flags & CUE_RECORD_IN_CUE, 0);
    press(KEY_ENTER);
    EXPECT_EQ(slot_record(kLiveSlot), nullptr);
    EXPECT_EQ(datafiles::memcue_used_count, 0);
}

TEST_F(ProgramPointcue, FadeModeStepsThroughTheSixModes) {
    program_live_slot();
    open_dialog();
    const char* const messages[] = {"2=FADING ENABLED FOR ALL CHANNELS", "3=FADING DISABLED FOR ALL CHANNELS",
                                    "4=FADING WITH FADEPERCENTAGE 100%", "5=FADING WITH LTP-DIMMERS",
                                    "6=FADING WITH LTP-DIMMERS + SNAP"};
    for (const char* message : messages) {
        rig_.hold(KEY_FADE_MODE, 60);
        EXPECT_EQ(ui::current_message(), message);
        rig_.release(KEY_FADE_MODE, 60);
    }
    EXPECT_EQ(playback::pointcue_edit_record.fade_mode, 5);
    EXPECT_TRUE(drawn("6 LTP-DIMMERS + SNAP"));
    press(KEY_FADE_MODE);
    EXPECT_EQ(playback::pointcue_edit_record.fade_mode, 0);
    EXPECT_TRUE(drawn("1 ONLY FADEPERMISSION"));
    EXPECT_EQ(ui::current_message(), kDialogMessage);
    press(KEY_FADE_MODE);
    press(KEY_CUE);  // CUE stores as ENTER does
    EXPECT_EQ(slot_record(kLiveSlot)->fade_mode, 1);
}

TEST_F(ProgramPointcue, WithoutAPointMemoryFadeModeAndTimesAreRefused) {
    open_dialog();
    press(KEY_FADE_MODE);
    press(KEY_DOWN);
    press(KEY_DOWN);
    press(KEY_EDIT_ITEM);  // FADE-IN
    EXPECT_EQ(playback::pointcue_edit_record.fade_mode, 0);
    EXPECT_EQ(playback::pointcue_edit_record.fade_in, 22);
    const auto tones = rig_.tones();
    EXPECT_FALSE(std::any_of(tones.begin(), tones.end(),
                             [](const platform::Tone& t) { return t.freq_hz == 800 && t.duration_ms == 25; }));
    press(KEY_ESC);
}

// The time entry's default answer (what it gives for the default key) on
// FADE-IN, CLR on HOLD; the store keeps what the rows hold.
TEST_F(ProgramPointcue, TimesTakeTheEntryAndClrGivesTheShowDefault) {
    program_live_slot();
    open_dialog();
    press_times(KEY_DOWN, 2);
    press(KEY_EDIT_ITEM);
    EXPECT_EQ(ui::current_message(), "EDIT Timing (Minutes)");
    EXPECT_EQ(rig_.pixel(635, 200), 1) << "the time box is up, right of the sequence panel";
    press(KEY_ENTER);  // no digits: the row's default
    EXPECT_EQ(playback::pointcue_edit_record.fade_in, 22);
    EXPECT_EQ(ui::current_message(), kDialogMessage);
    EXPECT_EQ(rig_.pixel(635, 200), 0) << "the closed time box leaves nothing beside the sequence panel";
    press_times(KEY_DOWN, 4);  // HOLD, the last row
    EXPECT_EQ(playback::pointcue_dialog_row, playback::kPointcueRowHold);
    EXPECT_EQ(rig_.key_led(KEY_EDIT_VALUE), platform::LedState::blinking);
    press(KEY_CLR);
    EXPECT_EQ(playback::pointcue_edit_record.hold, 55);
    press(KEY_ENTER);
    const PointcueRecord* stored = slot_record(kLiveSlot);
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(stored->fade_in, 22);
    EXPECT_EQ(stored->hold, 55);
    EXPECT_EQ(stored->delay_in, 1) << "mode 0 keeps the other times";
    EXPECT_EQ(stored->point_memory, 7);
    EXPECT_EQ(cue_memory_items(7), (Items{{0, 5, 100}})) << "the loaded point memory is written back as it was";
    EXPECT_EQ(datafiles::memcue_used_count, 1);
}

TEST_F(ProgramPointcue, EscAfterEditsLeavesTheStoredRecord) {
    PointcueRecord* record = program_live_slot();
    const PointcueRecord before = *record;
    open_dialog();
    press(KEY_FADE_MODE);
    press(KEY_LINK_CUE);
    press(static_cast<int16_t>(KEY_FIXTURE_1 + 2));  // cue 3 of the shown page
    press(KEY_ENTER);
    EXPECT_EQ(playback::pointcue_edit_record.linked_cue, playback::cue_slot_of(1, 3, 1));
    ASSERT_EQ(slot_record(kLiveSlot), record);
    EXPECT_EQ(record->linked_cue, before.linked_cue) << "the stored record waits for the store";
    press_times(KEY_DOWN, 5);  // the link row
    EXPECT_EQ(rig_.key_led(KEY_EDIT_VALUE), platform::LedState::off);
    press(KEY_EDIT_ITEM);
    EXPECT_EQ(playback::pointcue_edit_record.link_mode, 1);
    EXPECT_TRUE(drawn("GLOBAL CUE LINKED"));
    press_times(KEY_UP, 9);
    EXPECT_EQ(playback::pointcue_dialog_row, 1);
    press(KEY_CLR);
    press(KEY_ESC);
    ASSERT_EQ(slot_record(kLiveSlot), record);
    EXPECT_EQ(record->fade_mode, before.fade_mode);
    EXPECT_EQ(record->link_mode, before.link_mode);
    EXPECT_EQ(record->linked_cue, before.linked_cue);
    EXPECT_EQ(record->point_memory, 7);
    EXPECT_EQ(datafiles::memcue_used[7], 1);
    EXPECT_NE(ui::current_message(), kDialogMessage) << "the line is cleared";
}

// CLR on row 1 drops the point memory; a linked cue keeps the record in use.
TEST_F(ProgramPointcue, ClearingThePointMemoryFreesItsCueMemory) {
    for (const int16_t linked : {int16_t{0}, int16_t{40}}) {
        SCOPED_TRACE(linked != 0 ? "with a linked cue" : "without");
        PointcueRecord* record = program_live_slot();
        record->linked_cue = linked;
        open_dialog();
        EXPECT_TRUE(drawn("NO CUE LINKED") == (linked == 0));
        press(KEY_CLR);
        EXPECT_EQ((playback::pointcue_edit_record.flags & CUE_RECORD_IN_CUE) != 0, linked != 0);
        EXPECT_TRUE(drawn("empty"));
        press(KEY_ENTER);
        EXPECT_EQ(datafiles::memcue_used[7], 0);
        EXPECT_EQ(datafiles::memcue_used_count, 0);
        if (linked != 0) {
            ASSERT_NE(slot_record(kLiveSlot), nullptr);
            EXPECT_EQ(slot_record(kLiveSlot)->linked_cue, linked);
            EXPECT_EQ(slot_record(kLiveSlot)->flags, CUE_RECORD_IN_CUE);
        } else {
            EXPECT_EQ(slot_record(kLiveSlot), nullptr);
        }
    }
}

// Fields read from a damaged file are shown as their first choice and step on from there.
TEST_F(ProgramPointcue, OutOfRangeFieldsAreShownAsTheirFirstChoice) {
    PointcueRecord* record = program_live_slot();
    record->fade_mode = 9;
    record->link_mode = 7;
    record->linked_cue = 12000;
    open_dialog();
    EXPECT_TRUE(drawn("1 ONLY FADEPERMISSION"));
    EXPECT_TRUE(drawn("LINK ONLY DEFINED CHANNELS"));
    EXPECT_TRUE(drawn("NO CUE LINKED"));
    press(KEY_FADE_MODE);
    EXPECT_EQ(playback::pointcue_edit_record.fade_mode, 0);
    press(KEY_ESC);
}

// A linked cue is named by page, cue, point, its number over all pages and its name.
TEST_F(ProgramPointcue, TheLinkedCueIsNamedInFull) {
    PointcueRecord* record = program_live_slot();
    const int linked = playback::cue_slot_of(2, 12, 4);  // 814: cue 82 over all pages, point 3
    record->linked_cue = static_cast<int16_t>(linked);
    auto& name = playback::cue_header_table[static_cast<size_t>(linked)].name;
    name = {};
    std::copy_n("FINALE", 6, name.begin());
    open_dialog();
    EXPECT_TRUE(drawn("P2 C12.3 (82.3) FINALE"));
    press(KEY_ESC);
}

// LINK CUE shows its choice in the dialog's own linked-cue field, not over
// the rows below it.
TEST_F(ProgramPointcue, TheLinkChoiceShowsInTheDialogsOwnField) {
    program_live_slot();
    open_dialog();
    const uint8_t row_before = rig_.pixel(500, 420);
    machine().graphics.clear_call_log();
    press(KEY_LINK_CUE);
    EXPECT_EQ(ui::current_message(), "SELECT (POINT)CUE TO LINK (CLR=DEF)");
    press(runtime::digit_key(7));  // cue 7, point 1
    press(KEY_ENTER);
    EXPECT_EQ(playback::pointcue_edit_record.linked_cue, playback::cue_slot_of(1, 7, 1));
    EXPECT_TRUE(drawn("P1 C7.0 (7.0) "));
    EXPECT_EQ(rig_.pixel(500, 420), row_before) << "the FADE-OUT row is not painted over";
    EXPECT_EQ(rig_.pixel(472, 320), 7) << "the dialog's linked-cue field";
    press(KEY_ESC);
}

// New content for a slot that has a record (the store commands in cue
// mode): the show's default times, the slot's cue memory rewritten, its link
// kept; without content a link-only record stays in use.
TEST_F(ProgramPointcue, NewContentOverAnExistingRecord) {
    const auto store_with_enter = [this] {
        rig_.at(100, [this] { rig_.hold(KEY_ENTER); });
        rig_.at(150, [this] { rig_.release(KEY_ENTER); });
        playback::program_pointcue(1, 6, 2, 1);
    };
    PointcueRecord* record = program_live_slot();
    record->linked_cue = 40;
    runtime::programmer_values[9] = 140;
    ASSERT_TRUE(memories::pack_cue_work_buffer());
    store_with_enter();
    ASSERT_EQ(slot_record(kLiveSlot), record);
    EXPECT_EQ(record->point_memory, 7);
    EXPECT_EQ(cue_memory_items(7), (Items{{0, 9, 140}}));
    EXPECT_EQ(record->delay_in, 11);
    EXPECT_EQ(record->fade_in, 22);
    EXPECT_EQ(record->delay_out, 33);
    EXPECT_EQ(record->fade_out, 44);
    EXPECT_EQ(record->hold, 55);
    EXPECT_EQ(record->linked_cue, 40);

    // A link-only record and nothing packed.
    record->point_memory = 0;
    memories::free_cue_work_buffer();
    store_with_enter();
    ASSERT_EQ(slot_record(kLiveSlot), record);
    EXPECT_EQ(record->flags & CUE_RECORD_IN_CUE, CUE_RECORD_IN_CUE);
    EXPECT_EQ(record->linked_cue, 40);
}

TEST_F(ProgramPointcue, TheSelectedRowSurvivesClosing) {
    open_dialog();
    press_times(KEY_DOWN, 3);
    press(KEY_ESC);
    open_dialog();
    EXPECT_EQ(playback::pointcue_dialog_row, playback::kPointcueRowDelayOut);
    press(KEY_ESC);
}

TEST_F(ProgramPointcue, TimeEntryResultsAndTheirText) {
    struct Case {
        int16_t row;
        int32_t entered;
        uint16_t held;
    };
    const Case cases[] = {
        {playback::kPointcueRowFadeIn, 30000, 30000},                    // 50 minutes
        {playback::kPointcueRowFadeIn, 0, 0},
        {playback::kPointcueRowHold, playback::kTimeEntryCancelled, 32000},
        {playback::kPointcueRowDelayOut, playback::kTimeEntryCancelled, 32000},
        {playback::kPointcueRowDelayOut, 30001, 32000},
        {playback::kPointcueRowFadeIn, playback::kTimeEntryCancelled, 22},  // the show's default fade-in
    };
    for (const Case& c : cases) {
        EXPECT_EQ(playback::pointcue_time_after_entry(c.row, c.entered), c.held) << c.row << " " << c.entered;
    }
    EXPECT_STREQ(playback::format_pointcue_time(30000).data(), "50 min  0.0 sec.");
    EXPECT_STREQ(playback::format_pointcue_time(625).data(), " 1 min  2.5 sec.");
    EXPECT_STREQ(playback::format_pointcue_time(32000).data(), "--   infinite   --");
}

}  // namespace
