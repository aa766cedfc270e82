// The memory dialogs driven as an operator drives them on the demo rig: a
// dimmer level typed on the command line, TO-MEM with a number, the stage
// taken dark and the programmer cleared, GET with the number brings the level
// back onto the DMX output; refused numbers and ESC; the quick store onto a
// playback key; and the memory list with a stored memory's name in its cell.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../programmer/programmer_test_rig.h"
#include "memories/commands.h"
#include "memories/memories.h"
#include "memories/memory_index.h"
#include "memories/memory_list.h"
#include "memories/memory_names.h"
#include "memories/memory_store.h"
#include "platform/graphics.h"
#include "playback/cue_tables.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/show_tables.h"
#include "runtime/step_log.h"
#include "setup/setup_data.h"
#include "ui/message_line.h"

namespace {

using namespace runtime::keys;

constexpr uint16_t kNotSet = 65535;
constexpr int16_t kDimmer12 = 146;       // function record of dimmer 12
constexpr int kUniverse = 2, kAddress = 58;  // where dimmer 12 goes out

class MemoryDialogs : public programmer_test::DemoRig {
protected:
    void SetUp() override {
        DemoRig::SetUp();
        clear_programmer();
    }

    static void clear_programmer() {
        std::fill_n(runtime::programmer_values, runtime::kShowRecords + 1, kNotSet);
        std::fill_n(runtime::programmer_generators, runtime::kShowGeneratorBytes + 1, uint8_t{255});
        std::fill_n(runtime::programmer_figures, runtime::kShowFigureBytes + 1, uint8_t{255});
        std::fill_n(runtime::programmer_time_set, runtime::kShowTimeSlots + 1, uint8_t{0});
    }

    void press_digits(int n) {
        for (const char c : std::to_string(n)) rig_.press(digit_key(c - '0'));
    }
    // DIMMER 12 AT percent ENTER on the dimmer command line.
    void set_dimmer_12(int percent) {
        rig_.press(KEY_DIMMER);
        press_digits(12);
        rig_.press(KEY_EDIT_VALUE);
        press_digits(percent);
        rig_.press(KEY_ENTER);
        rig_.run_ms(50);
    }
    uint8_t out() const { return rig_.dmx(kUniverse, kAddress); }

    // TO-MEM (or GET) pressed and released alone, then the number and ENTER.
    void memory_key_with_number(int16_t key, int number) {
        rig_.press(key);
        rig_.run_ms(20);
        press_digits(number);
        rig_.press(KEY_ENTER);
        rig_.run_ms(50);
    }

    static bool called(const std::string& call) {
        const auto calls = runtime::logged_calls();
        return std::find(calls.begin(), calls.end(), call) != calls.end();
    }
};

TEST_F(MemoryDialogs, StoreWithTheNumberThenGetBringsTheLevelBack) {
    set_dimmer_12(80);
    ASSERT_EQ(out(), 204);
    memory_key_with_number(KEY_TO_MEM, 12);
    EXPECT_EQ(memories::memory_used[12], 1);
    EXPECT_EQ(memories::current_memory, 12);
    EXPECT_EQ(runtime::run_flags & runtime::RUN_MEMORY_COMMAND, 0u);
    EXPECT_EQ(runtime::run_flags & (runtime::RUN_SEQUENCE_KEYS_TAKEN | runtime::RUN_PLAYBACK_KEYS_TAKEN), 0u);

    // The stage dark, the programmer cleared, another memory current.
    set_dimmer_12(0);
    ASSERT_EQ(out(), 0);
    clear_programmer();
    memories::current_memory = 1;

    memory_key_with_number(KEY_GET_MEMORY, 12);
    EXPECT_EQ(memories::current_memory, 12);
    EXPECT_EQ(runtime::programmer_values[kDimmer12], 204);
    EXPECT_EQ(out(), 204);
    EXPECT_EQ(runtime::run_flags & runtime::RUN_MEMORY_COMMAND, 0u);
}

TEST_F(MemoryDialogs, TypedOnThePcKeyboardWithTheReplaceQuestion) {
    set_dimmer_12(50);
    rig_.type("K*193");
    rig_.type("12\r");
    rig_.run_ms(100);
    ASSERT_EQ(memories::memory_used[12], 1);
    // A second store into memory 12 asks first; ENTER replaces.
    set_dimmer_12(20);
    rig_.type("K*193");
    rig_.type("12\r");
    rig_.run_ms(100);
    EXPECT_EQ(ui::current_message(), "REPLACE MEMORY 12 : ENTER=Y ESC=N");
    rig_.type("\r");
    rig_.run_ms(100);
    set_dimmer_12(0);
    clear_programmer();
    rig_.type("K*194");
    rig_.type("12\r");
    rig_.run_ms(100);
    EXPECT_EQ(out(), 51);
}

TEST_F(MemoryDialogs, GetWithEnterAloneRecallsTheCurrentMemoryAgain) {
    set_dimmer_12(80);
    memory_key_with_number(KEY_TO_MEM, 7);
    set_dimmer_12(10);  // an edit not stored
    rig_.press(KEY_GET_MEMORY);
    rig_.press(KEY_ENTER);
    rig_.run_ms(50);
    EXPECT_EQ(out(), 204);
    EXPECT_EQ(memories::current_memory, 7);
}

TEST_F(MemoryDialogs, RefusedNumbersAndEscStoreAndRecallNothing) {
    set_dimmer_12(80);
    memories::current_memory = 5;
    const uint16_t used = memories::memory_used_count;
    for (const int number : {0, 4001, 9999}) {
        SCOPED_TRACE(number);
        memory_key_with_number(KEY_TO_MEM, number);
        EXPECT_EQ(memories::memory_used_count, used);
        memory_key_with_number(KEY_GET_MEMORY, number);
        EXPECT_EQ(runtime::programmer_values[kDimmer12], 204) << "no recall: the programmer stays";
        EXPECT_EQ(memories::current_memory, 5);
    }
    // ESC after digits.
    rig_.press(KEY_TO_MEM);
    press_digits(30);
    rig_.press(KEY_ESC);
    rig_.run_ms(50);
    EXPECT_EQ(memories::memory_used[30], 0);
    rig_.press(KEY_GET_MEMORY);
    press_digits(30);
    rig_.press(KEY_ESC);
    rig_.run_ms(50);
    EXPECT_EQ(runtime::programmer_values[kDimmer12], 204);
    EXPECT_EQ(memories::current_memory, 5);
    EXPECT_EQ(memories::memory_used_count, used);
    EXPECT_EQ(runtime::run_flags & runtime::RUN_MEMORY_COMMAND, 0u);
}

TEST_F(MemoryDialogs, QuickStoreOntoAPlaybackKeyWhileToMemIsHeld) {
    set_dimmer_12(80);
    runtime::clear_step_log();
    rig_.hold(KEY_TO_MEM, 20);
    rig_.press(playback_key(3));
    rig_.release(KEY_TO_MEM, 50);
    EXPECT_EQ(memories::memory_used[2501], 1) << "the playbacks' block starts at 2501";
    EXPECT_EQ(memories::current_memory, 2501);
    // The new memory goes onto playback 3 of the live cue (slot 1) with the
    // fade mode chosen on the digits: 3 is mode 2.
    EXPECT_EQ(ui::current_message(), "1=FADE CHANNELS WITH FADEPERMISSION");
    rig_.press(runtime::digit_key(3));
    rig_.run_ms(50);
    const playback::PlaybackRecord* entry = playback::cue_playback_table[3];
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->memory, 2501);
    EXPECT_EQ(entry->fade_mode, 2);

    // An empty programmer: the memory stays free and the playback is not programmed.
    clear_programmer();
    runtime::clear_step_log();
    rig_.hold(KEY_TO_MEM, 20);
    rig_.press(KEY_SEQUENCE_B);
    rig_.release(KEY_TO_MEM, 50);
    EXPECT_EQ(memories::memory_used[3001], 0);
    EXPECT_EQ(ui::current_message(), "MEMORY IS EMPTY !");
    EXPECT_EQ(playback::cue_sequence_table[2], nullptr) << "sequence B of the live cue stays empty";
}

// The blocks come from the show settings "AUTOMATIC PLAYBACK-MEMORIES" and
// "AUTOMATIC SEQUENCE-MEMORIES FROM" in the setup, not fixed values.
TEST_F(MemoryDialogs, QuickStoreSearchesFromTheSetupsBlocks) {
    setup::setup_data.set_u8(setup::kSetupQuickStorePlaybacks, 2);
    setup::setup_data.set_u8(setup::kSetupQuickStoreSequences, 3);
    set_dimmer_12(80);
    rig_.hold(KEY_TO_MEM, 20);
    rig_.press(playback_key(3));
    rig_.release(KEY_TO_MEM, 50);
    rig_.press(KEY_ENTER);  // the fade mode shown
    rig_.run_ms(50);
    EXPECT_EQ(memories::memory_used[501], 1) << "block 2 starts at 501";
    EXPECT_EQ(memories::memory_used[2501], 0);
    EXPECT_EQ(memories::current_memory, 501);

    set_dimmer_12(90);
    rig_.hold(KEY_TO_MEM, 20);
    rig_.press(KEY_SEQUENCE_B);
    rig_.release(KEY_TO_MEM, 50);
    rig_.run_ms(50);
    EXPECT_EQ(memories::memory_used[1001], 1) << "block 3 starts at 1001";
    EXPECT_EQ(memories::memory_used[3001], 0);
    EXPECT_EQ(memories::current_memory, 1001);
}

TEST_F(MemoryDialogs, AFlashKeyHeldBeforeToMemCountsOnlyWhenPressedAgain) {
    set_dimmer_12(80);
    runtime::clear_step_log();
    rig_.hold(playback_key(5), 20);
    rig_.hold(KEY_TO_MEM, 20);
    rig_.run_ms(50);
    EXPECT_EQ(memories::memory_used[2501], 0);
    rig_.release(playback_key(5), 20);
    rig_.hold(playback_key(5), 20);
    rig_.release(playback_key(5), 20);
    rig_.release(KEY_TO_MEM, 50);
    rig_.press(KEY_ENTER);  // the fade mode shown
    rig_.run_ms(50);
    EXPECT_EQ(memories::memory_used[2501], 1);
    const playback::PlaybackRecord* entry = playback::cue_playback_table[5];
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->memory, 2501);
}

TEST_F(MemoryDialogs, GetPicksTheMemoryOfAProgrammedPlayback) {
    set_dimmer_12(80);
    memory_key_with_number(KEY_TO_MEM, 40);
    set_dimmer_12(0);
    clear_programmer();
    playback::playback_table[9].flags = 1;
    playback::playback_table[9].memory = 40;
    rig_.hold(KEY_GET_MEMORY, 20);
    rig_.press(playback_key(9));
    rig_.release(KEY_GET_MEMORY, 50);
    EXPECT_EQ(memories::current_memory, 40);
    EXPECT_EQ(out(), 204);
    EXPECT_EQ(ui::current_message().find("GIVE"), std::string::npos) << "no number asked after a pick";
}

// ------------------------------------------------------------------ the memory list

class MemoryList : public MemoryDialogs {
protected:
    platform::Graphics& graphics() { return rig_.machine().graphics; }
    bool drew(const std::string& line) {
        const std::vector<std::string> log = graphics().call_log();
        return std::find(log.begin(), log.end(), line) != log.end();
    }
    static std::string text_at(int x, int y, const std::string& text) {
        return "_outtextxy(" + std::to_string(x) + "," + std::to_string(y) + ",\"" + text + "\")";
    }
};

TEST_F(MemoryList, AStoredMemorysNameAppearsInItsCell) {
    set_dimmer_12(80);
    memory_key_with_number(KEY_TO_MEM, 12);
    ASSERT_TRUE(memories::set_memory_name(12, "RED WASH"));
    runtime::programmer_values[kDimmer12] = 100;
    ASSERT_TRUE(memories::store_memory_confirmed(30));  // used, no name
    graphics().clear_call_log();
    memories::draw_memory_list(1);
    EXPECT_NE(runtime::option_flags & runtime::OPT_MEMORY_LIST, 0u);
    // Entry 12 sits in the first column, entry 30 in the second.
    EXPECT_TRUE(drew(text_at(234, 371, "  12")));
    EXPECT_TRUE(drew(text_at(262, 371, "RED WASH")));
    EXPECT_TRUE(drew(text_at(395, 311, "*")));
    EXPECT_TRUE(drew(text_at(367, 321, "  31")));
    EXPECT_FALSE(drew(text_at(395, 321, "*"))) << "a free memory shows no mark";
    EXPECT_TRUE(drew(text_at(267, 246, "MEMORIES")));
    // The highlight moves from memory 30 to the recalled memory 12.
    memories::make_current_memory(30);
    EXPECT_EQ(rig_.pixel(494, 317), 2);
    rig_.press(KEY_GET_MEMORY);
    press_digits(12);
    rig_.press(KEY_ENTER);
    rig_.run_ms(50);
    EXPECT_EQ(memories::current_memory, 12);
    EXPECT_EQ(rig_.pixel(361, 377), 2);
    EXPECT_EQ(rig_.pixel(494, 317), 0) << "memory 30 back to a normal cell";
}

TEST_F(MemoryList, PagesFollowTheCurrentMemoryAndTheLastPageIsShort) {
    memories::draw_memory_list(1);
    graphics().clear_call_log();
    memories::current_memory = 5;
    memories::recall_memory(141, 1);
    EXPECT_EQ(memories::memory_list_page, 3);
    EXPECT_TRUE(drew(text_at(234, 261, " 141")));
    EXPECT_EQ(rig_.pixel(300, 265), 2) << "entry 1 of the first column highlighted";
    graphics().clear_call_log();
    memories::draw_memory_list(58);
    EXPECT_TRUE(drew(text_at(234, 351, "4000")));
    const std::vector<std::string> log = graphics().call_log();
    const auto in_column = [&](const std::string& x) {
        return std::count_if(log.begin(), log.end(), [&](const std::string& c) { return c.rfind("_outtextxy(" + x + ",", 0) == 0; });
    };
    EXPECT_EQ(in_column("234"), 10) << "memories 3991 to 4000";
    EXPECT_EQ(in_column("367"), 0);
    EXPECT_EQ(in_column("500"), 0);

    // While another panel occupies the area the page follows, nothing is drawn.
    runtime::option_flags &= ~runtime::OPT_MEMORY_LIST;
    graphics().clear_call_log();
    memories::recall_memory(500, 1);
    EXPECT_EQ(memories::memory_list_page, 8);
    EXPECT_FALSE(drew(text_at(234, 261, " 491")));
}

}  // namespace
