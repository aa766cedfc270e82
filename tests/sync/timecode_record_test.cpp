// Timecode recording on the demo rig: the record loop with its seed events,
// flash keys and STOP, where the hooks insert their events, the F event's
// press time and length, and what is refused.
#include <gtest/gtest.h>

#include "list_helpers.h"

#include <string>
#include <utility>
#include <vector>

#include "../programmer/programmer_test_rig.h"
#include "memories/memories.h"
#include "memories/memory_index.h"
#include "playback/key_groups.h"
#include "runtime/config_records.h"
#include "runtime/key_codes.h"
#include "sync/midi_events.h"
#include "sync/sync_services.h"
#include "sync/timecode_clock.h"
#include "sync/timecode_lists.h"
#include "sync/timecode_player.h"
#include "sync/timecode_record.h"
#include "ui/message_line.h"

namespace {

using namespace runtime::keys;
using sync_test::Events;
using sync_test::list;
using sync_test::set_list;

std::string message() { return ui::last_message_text.data(); }

class TimecodeRecord : public programmer_test::DemoRig {
protected:
    void SetUp() override {
        DemoRig::SetUp();
        synchro::timecode_source = synchro::kTimecodeSourcePcTimer;
        synchro::display_time = 0.0;
        playback::current_cue_page = 2;
        playback::current_cue = 7;
        playback::sequence_table[3].mode = 1;  // sequence 3 runs
    }
    void TearDown() override { synchro::timecode_mode = synchro::kTimecodeIdle; }

    // The record loop on the console, as REC starts it.
    void start_recording() {
        rig_.at(0, [this] {
            synchro::run_timecode_record_loop();
            recording_done_ = true;
        });
        rig_.run_ms(20);
    }
    void stop_recording() {
        rig_.press(KEY_STOP);
        ASSERT_TRUE(rig_.run_until([this] { return recording_done_; }, 2000));
    }
    // Recording hooks called at list time t.
    static void at_list_time(double t) { synchro::anchor_pc_timer(t); }

    bool recording_done_ = false;
};

TEST_F(TimecodeRecord, AnEmptyListIsSeededAndAHeldFlashBecomesOneEventThenStopEndsAndSaves) {
    synchro::free_timecode_list();
    rig_.hold(playback_key(2), 100);  // down before recording starts
    start_recording();
    ASSERT_EQ(synchro::timecode_mode, synchro::kTimecodeRecord);
    EXPECT_EQ(list(), (Events{{0, "C 2 7"}, {0, "S 1 1 0"}, {0, "S 2 1 0"}, {0, "S 3 1 1"}, {0, "S 4 1 0"}}));
    rig_.release(playback_key(2), 1000);
    rig_.run_ms(1000);
    rig_.hold(KEY_MASTER_1, 1500);  // at about 2.02 s of list time, held 1.5 s
    rig_.release(KEY_MASTER_1, 400);
    stop_recording();

    const Events events = list();
    ASSERT_EQ(events.size(), 7u) << "nothing for the flash held before REC";
    EXPECT_NEAR(events[5].first, 2.02, 0.02);
    double held = 0.0;
    ASSERT_EQ(std::sscanf(events[5].second.c_str(), "F 1 %lf", &held), 1) << events[5].second;
    EXPECT_NEAR(held, 1.5, 0.02);
    EXPECT_EQ(events[6].second, "END");
    EXPECT_NEAR(events[6].first, 3.92, 0.05);  // STOP after the release
    EXPECT_EQ(synchro::timecode_mode, synchro::kTimecodeIdle);
    EXPECT_TRUE(dir_.has_file("data/autosave.lst"));
    EXPECT_EQ(runtime::current_list_name, "LOAD");
}

TEST_F(TimecodeRecord, StoppingWithoutANewEventSavesNothing) {
    ASSERT_EQ(synchro::timecode_list.count, 5);  // the demo list, with its END
    start_recording();
    rig_.run_ms(500);
    stop_recording();
    EXPECT_EQ(synchro::timecode_list.count, 5);
    EXPECT_FALSE(dir_.has_file("data/autosave.lst"));
}

TEST_F(TimecodeRecord, AnEventGoesAfterThoseOfItsTimeAndTheNextEventKeepsItsEvent) {
    struct Case {
        int32_t next_before;
        int32_t next_after;
    };
    for (const Case& c : {Case{2, 2}, Case{4, 5}, Case{5, 6}}) {
        set_list({{0.0, "M 1"}, {1.0, "M 2"}, {1.0, "M 3"}, {2.0, "M 4"}});
        synchro::timecode_mode = synchro::kTimecodeRecord;
        synchro::timecode_player.next_event = c.next_before;
        at_list_time(1.0);
        EXPECT_TRUE(synchro::record_cue_event(3, 4, 5));
        EXPECT_EQ(list(), (Events{{0.0, "M 1"}, {1.0, "M 2"}, {1.0, "M 3"}, {1.0, "P 3 4 5"}, {2.0, "M 4"}}));
        EXPECT_EQ(synchro::timecode_player.next_event, c.next_after) << c.next_before;
    }
}

TEST_F(TimecodeRecord, TheHooksGiveTheirTexts) {
    memories::memory_used[12] = 1;
    struct Case {
        void (*act)();
        const char* text;
    };
    for (const Case& c : {
             Case{[] { memories::recall_memory(12, 1); }, "M 12"},  // GET MEMORY
             Case{[] { synchro::record_sequence_event(2, 3, 1); }, "S 2 3 1"},
             Case{[] { synchro::record_cue_event(16, 70, 10); }, "P 16 70 10"},
         }) {
        set_list({});
        synchro::timecode_mode = synchro::kTimecodeRecord;
        at_list_time(4.25);
        c.act();
        EXPECT_EQ(list(), (Events{{4.25, c.text}}));
        // Capture keeps it for the table editor instead.
        synchro::timecode_mode = synchro::kTimecodeCapture;
        synchro::learned_event = {};
        c.act();
        EXPECT_EQ(synchro::event_text(synchro::learned_event), c.text);
        EXPECT_EQ(synchro::learned_event.flags, synchro::EVENT_MARK_1);
        EXPECT_EQ(synchro::timecode_list.count, 1);
    }
    // A recall that is not the operator's records nothing.
    synchro::timecode_mode = synchro::kTimecodeRecord;
    memories::recall_memory(12, 0);
    EXPECT_EQ(synchro::timecode_list.count, 1);
}

TEST_F(TimecodeRecord, AFlashEndedByThePlayerBeforeItsReleaseRecordsNothing) {
    set_list({});
    synchro::timecode_mode = synchro::kTimecodeRecord;
    at_list_time(3.0);
    synchro::record_fader_event(103, 1);
    synchro::set_fader_event(103, 0, 0.0);  // an F event of the list ends
    synchro::record_fader_event(103, 0);
    EXPECT_EQ(synchro::timecode_list.count, 0);
    synchro::record_fader_event(103, 1);
    synchro::record_fader_event(103, 0);
    EXPECT_EQ(list(), (Events{{3.0, "F 103 00000.000"}}));
}

TEST_F(TimecodeRecord, AFullListTakesNoMoreAndSaysSoOnce) {
    set_list({});
    for (int i = 1; i <= synchro::kMostRecordedEvents; ++i) {
        ASSERT_TRUE(synchro::insert_timecode_event(i, 0.0, "M 1"));
    }
    synchro::timecode_mode = synchro::kTimecodeRecord;
    synchro::record_cue_event(1, 1, 1);
    EXPECT_EQ(synchro::timecode_list.count, synchro::kMostRecordedEvents);
    EXPECT_EQ(message(), "LIST FULL...");
    EXPECT_TRUE(synchro::finish_timecode_recording());
    EXPECT_EQ(synchro::timecode_list.count, synchro::kMostRecordedEvents + 1) << "the END still comes";
}

TEST_F(TimecodeRecord, RecordingWithTheManualSourceIsRefused) {
    synchro::timecode_source = synchro::kTimecodeSourceManual;
    bool done = false;
    rig_.at(0, [&] {
        synchro::record_timecode_events();
        done = true;
    });
    rig_.run_ms(50);
    EXPECT_EQ(message(), "PLEASE SELECT ANOTHER MODE...");
    ASSERT_TRUE(rig_.run_until([&] { return done; }, 3000));
    EXPECT_EQ(synchro::timecode_mode, synchro::kTimecodeIdle);
}

TEST_F(TimecodeRecord, RecInTheStartTimeEntryRecordsAndAnyOtherKeyCancels) {
    bool done = false;
    const auto record = [&] {
        done = false;
        rig_.at(0, [&] {
            synchro::record_timecode_events();
            done = true;
        });
        rig_.run_ms(20);
    };
    record();
    rig_.press(KEY_ESC);
    ASSERT_TRUE(rig_.run_until([&] { return done; }, 3000));
    EXPECT_EQ(message(), "RECORDING CANCELLED");

    record();
    EXPECT_EQ(message(), "EDIT TIME AND PRESS 'REC'...");
    rig_.press(KEY_REC);
    EXPECT_EQ(message(), "PRESS 'STOP' TO STOP RECORDING...");
    EXPECT_EQ(synchro::timecode_mode, synchro::kTimecodeRecord);
    rig_.press(KEY_STOP);
    ASSERT_TRUE(rig_.run_until([&] { return done; }, 3000));
    EXPECT_EQ(message(), "END OF RECORDING...");
}

}  // namespace
