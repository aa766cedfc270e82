// Timecode list files: save and load round trips, what the loader makes of
// hand-written files, the sort, the remembered list name and lists opened
// by MIDI number.
#include <gtest/gtest.h>

#include "list_helpers.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "datafiles/small_tables.h"
#include "rig/console.h"
#include "rig/program_dir.h"
#include "rig/rig.h"
#include "runtime/config_records.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/step_log.h"
#include "sync/commands.h"
#include "sync/list_open.h"
#include "sync/midi_events.h"
#include "sync/sync_services.h"
#include "sync/timecode_clock.h"
#include "sync/timecode_lists.h"
#include "ui/message_line.h"

namespace {

using sync_test::Events;
using sync_test::list;
using sync_test::set_list;

class TimecodeLists : public ::testing::Test {
protected:
    void SetUp() override {
        rig::start_console(rig, dir);
        synchro::timecode_table_editor = sync_test::record_table_editor;
    }

    std::string file(const std::string& name) const { return dir.read_text("data/" + name + ".lst"); }
    void write(const std::string& name, const std::string& text) const { dir.write_text("data/" + name + ".lst", text); }

    rig::Rig rig;
    rig::ProgramDir dir = rig::ProgramDir::demo();
};

TEST_F(TimecodeLists, TheDemoListIsLoadedAtStartAndWrittenBackUnchanged) {
    EXPECT_EQ(runtime::current_list_name, "LOAD");
    EXPECT_EQ(synchro::timecode_source, synchro::kTimecodeSourcePcTimer);
    EXPECT_EQ(synchro::timecode_frame_rate, 2);
    ASSERT_EQ(synchro::timecode_list.count, 5);
    const std::string before = file("load");
    ASSERT_TRUE(synchro::save_timecode_list("LOAD"));
    EXPECT_EQ(file("load"), before);
}

TEST_F(TimecodeLists, EverySourceAndRateMakesARoundTrip) {
    const Events events = {{0.0, "C 1 1"}, {1.042, "M 12"}, {61.961, "F 101 00002.500"}, {3599.959, "G 00010.000"},
                           {86400.0, "END"}};
    struct Case {
        uint8_t source, rate;
        const char* header;
        uint8_t rate_after;
    };
    for (const Case& c : {Case{1, 1, "PC-TIMER\r\n24\r\n", 1}, Case{2, 2, "MIDI\r\n25\r\n", 2},
                          Case{3, 3, "SMPTE\r\n30\r\n", 3}, Case{4, 4, "INTERNAL\r\n30D\r\n", 4},
                          Case{5, 2, "MANUAL\r\n25\r\n", 2}, Case{6, 3, "CDROM\r\n75\r\n", 1}}) {
        synchro::timecode_source = c.source;
        synchro::timecode_frame_rate = c.rate;
        set_list(events);
        ASSERT_TRUE(synchro::save_timecode_list("trip"));
        EXPECT_EQ(file("trip").substr(0, std::strlen(c.header)), c.header);
        EXPECT_NE(file("trip").find("T 03599.959\r\nG 00010.000\r\n"), std::string::npos);
        synchro::timecode_source = 1;
        synchro::timecode_frame_rate = 1;
        set_list({});
        ASSERT_TRUE(synchro::load_timecode_list("TRIP"));
        EXPECT_EQ(synchro::timecode_source, c.source);
        EXPECT_EQ(synchro::timecode_frame_rate, c.rate_after);
        EXPECT_EQ(list(), events) << c.header;
    }
    EXPECT_EQ(runtime::current_list_name, "TRIP");
    EXPECT_NE(dir.read_text("bravinox.ini").find("LIST TRIP"), std::string::npos);
}

TEST_F(TimecodeLists, TheLoaderTakesHandWrittenFiles) {
    const std::string long_line(150, 'X');
    write("hand",
          "SMPTE\n"
          "25\n"
          "# a comment line\n"
          "t 1.5\r\n"
          "p 1 2 3\r\n"
          "T 00100000.000\n"                 // beyond a day: the event is dropped
          "M 1\n"
          "T\n"                              // no time
          "M 2\n"
          "T 2\n"
          "X 9\n"                            // unknown letter
          "T 3\n"
          "F 101 100000.500\n"               // a text of 16 characters is kept whole
          "T 4\n" + long_line + "\n"        // the rest of a long line is no line of its own
          "T 5\n"
          "end");                            // no final line end
    ASSERT_TRUE(synchro::load_timecode_list("hand"));
    EXPECT_EQ(synchro::timecode_source, synchro::kTimecodeSourceSmpte);
    EXPECT_EQ(list(), (Events{{1.5, "P 1 2 3"}, {3.0, "F 101 100000.500"}, {5.0, "END"}}));
    EXPECT_EQ(runtime::current_list_name, "HAND");
}

TEST_F(TimecodeLists, UnknownHeaderNamesKeepTheSourceAndRate) {
    synchro::timecode_source = 4;
    synchro::timecode_frame_rate = 3;
    write("odd", "SMPTE-TIME\n29\nT 1\nM 1\n");
    ASSERT_TRUE(synchro::load_timecode_list("odd"));
    EXPECT_EQ(synchro::timecode_source, 4);
    EXPECT_EQ(synchro::timecode_frame_rate, 3);
}

TEST_F(TimecodeLists, BadNamesAndMissingFilesAreRefusedAndTheListKept) {
    set_list({{1.0, "M 1"}});
    EXPECT_FALSE(synchro::load_timecode_list("nothere"));
    EXPECT_FALSE(synchro::load_timecode_list("ninechars"));
    EXPECT_FALSE(synchro::save_timecode_list("ninechars"));
    EXPECT_FALSE(synchro::save_timecode_list(""));
    EXPECT_EQ(list(), (Events{{1.0, "M 1"}}));
    EXPECT_EQ(runtime::current_list_name, "LOAD");
}

TEST_F(TimecodeLists, AutosaveKeepsTheListName) {
    ASSERT_TRUE(synchro::save_timecode_list("autosave"));
    EXPECT_TRUE(dir.has_file("data/autosave.lst"));
    EXPECT_EQ(runtime::current_list_name, "LOAD");
    ASSERT_TRUE(synchro::save_timecode_list("Other"));
    EXPECT_EQ(runtime::current_list_name, "OTHER");
}

TEST_F(TimecodeLists, ASaveThatCannotBeWrittenKeepsTheOldListAndSaysSo) {
    const std::string before = file("load");
    std::filesystem::create_directory(dir.folder() / "data" / "load.$$$");  // the new copy cannot be made
    EXPECT_FALSE(synchro::save_timecode_list("LOAD"));
    EXPECT_EQ(file("load"), before);
}

TEST_F(TimecodeLists, AGrowthThatFailsKeepsWhatWasReadAndReportsIt) {
    std::string text = "PC-TIMER\n24\n";
    for (int i = 1; i <= 25; ++i) text += "T " + std::to_string(i) + "\nM " + std::to_string(i) + "\n";
    write("big", text);
    synchro::free_timecode_list();
    synchro::timecode_list_reallocator = [](void* block, size_t bytes) -> void* {
        return bytes > 21 * sizeof(synchro::TimecodeEvent) ? nullptr : std::realloc(block, bytes);
    };
    EXPECT_FALSE(synchro::load_timecode_list("big"));
    EXPECT_EQ(synchro::timecode_list.count, 20);
    EXPECT_EQ(std::string(ui::last_message_text.data()), "NOT ENOUGH MEMORY...");
    EXPECT_EQ(runtime::current_list_name, "LOAD") << "a partial list is not taken for the list";
}

TEST_F(TimecodeLists, TheSortPutsEndLastAndKeepsEqualTimesInOrder) {
    struct Case {
        Events before;
        Events after;
        bool changed;
    };
    for (const Case& c : {
             Case{{{1, "M 1"}, {9, "END"}, {5, "M 2"}, {12, "M 3"}}, {{1, "M 1"}, {5, "M 2"}, {12, "M 3"}, {12, "END"}}, true},
             Case{{{3, "M 1"}, {2, "M 2"}, {2, "M 3"}, {1, "M 4"}, {2, "M 5"}},
                  {{1, "M 4"}, {2, "M 2"}, {2, "M 3"}, {2, "M 5"}, {3, "M 1"}}, true},
             Case{{{1, "M 1"}, {4, "END"}}, {{1, "M 1"}, {4, "END"}}, false},
             Case{{{6, "M 1"}, {2, "END"}}, {{6, "M 1"}, {6, "END"}}, true},
         }) {
        set_list(c.before);
        EXPECT_EQ(synchro::sort_timecode_events(), c.changed);
        EXPECT_EQ(list(), c.after);
    }
}

TEST_F(TimecodeLists, AListOpenedByMidiNumberWithABadOrMissingNameIsNotOpened) {
    struct Case {
        const char* name;
        const char* message;
    };
    for (const Case& c : {Case{"NOLIST", "ERROR : LIST 'NOLIST' NOT FOUND"},
                          Case{"LOADLOADLOAD", "ERROR : LIST 'LOADLOADLOAD' NOT FOUND"}}) {
        auto& entry = datafiles::midi_show_table[8];  // list number 7
        entry.fill(0);
        std::memcpy(entry.data(), c.name, std::strlen(c.name));
        runtime::clear_step_log();
        synchro::open_list_by_midi_number(7);
        EXPECT_EQ(std::string(ui::last_message_text.data()), c.message);
        EXPECT_EQ(synchro::pending_list_name, "");
    }
    synchro::open_list_by_midi_number(9);  // an empty entry
    EXPECT_EQ(synchro::pending_list_name, "");
}

TEST_F(TimecodeLists, AListOpenedByMidiNumberOpensTheScreenOrAsksTheOpenOneToLoadIt) {
    auto& entry = datafiles::midi_show_table[1];  // list number 0
    std::memcpy(entry.data(), "load", 4);
    synchro::timecode_list.count = 0;
    runtime::clear_step_log();
    bool done = false;
    rig.at(0, [&] {
        synchro::open_list_by_midi_number(0);
        done = true;
    });
    rig.run_ms(50);
    // The screen opened, loaded the list and started it; it stays open.
    EXPECT_EQ(synchro::pending_list_name, "load");
    EXPECT_EQ(synchro::list_open_request, 0);
    EXPECT_NE(runtime::option_flags & runtime::OPT_TIMECODE_SCREEN, 0u);
    EXPECT_EQ(synchro::timecode_list.count, 5);
    const std::vector<std::string> calls = runtime::logged_calls();
    EXPECT_NE(std::find(calls.begin(), calls.end(), "synchro::edit_timecode_table(250)"), calls.end());
    EXPECT_FALSE(done);

    // The open screen is asked to load it: the request returns at once.
    runtime::clear_step_log();
    synchro::open_list_by_midi_number(0);
    EXPECT_EQ(synchro::list_open_request, 1);
    rig.run_ms(50);
    EXPECT_EQ(runtime::logged_calls(), (std::vector<std::string>{"synchro::open_list_by_midi_number(0)", "synchro::draw_timecode_clock(1)",
                                                                 "synchro::edit_timecode_table(250)"}));
    rig.press(runtime::KEY_ESC);
    EXPECT_TRUE(rig.run_until([&] { return done; }, 1000));
}

}  // namespace
