// Loading playbacks on the demo rig (deferral while running, reload after a
// memory change, freeze), their labels and wing lines, and the commands on
// the current cue's playback records: flash-mode selection, the time keys
// with the time entry, and PROGRAM PLAYBACK.
#include "playback/playback_loading.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../programmer/programmer_test_rig.h"
#include "memories/memories.h"
#include "memories/memory_index.h"
#include "memories/memory_store.h"
#include "playback/cue_tables.h"
#include "playback/key_groups.h"
#include "playback/playback_flash.h"
#include "playback/playback_jobs.h"
#include "playback/playback_labels.h"
#include "playback/playback_record.h"
#include "playback/playback_wing.h"
#include "playback/program_playback.h"
#include "runtime/config_records.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/show_tables.h"
#include "ui/edit_keys.h"
#include "ui/fader_widget.h"
#include "ui/message_line.h"

namespace {

using playback::PlaybackRecord;
using namespace runtime::keys;

constexpr int16_t kDimmer11 = 145;  // fixture 11, universe 2 address 57
constexpr int16_t kDimmer12 = 146;  // fixture 12, universe 2 address 58

class PlaybackLoading : public programmer_test::DemoRig {
protected:
    void SetUp() override {
        DemoRig::SetUp();
        store_memory(5, 200, runtime::kValueNotSet);
        store_memory(6, runtime::kValueNotSet, 90);
        for (int p = 1; p <= 10; ++p) rig_.set_playback_fader(p, 0);
        rig_.run_ms(20);
    }
    static void store_memory(int16_t m, uint16_t dimmer11, uint16_t dimmer12) {
        runtime::programmer_values[kDimmer11] = dimmer11;
        runtime::programmer_values[kDimmer12] = dimmer12;
        ASSERT_TRUE(memories::store_memory_confirmed(m));
        runtime::programmer_values[kDimmer11] = runtime::kValueNotSet;
        runtime::programmer_values[kDimmer12] = runtime::kValueNotSet;
    }
    // Memory m stored again (without the overwrite question) and its
    // playbacks reloaded, as the memory store does.
    static void restore_memory(int16_t m, uint16_t dimmer11) {
        runtime::programmer_values[kDimmer11] = dimmer11;
        ASSERT_TRUE(memories::pack_memory(m, runtime::programmer_values, runtime::programmer_generators,
                                          runtime::programmer_figures, runtime::programmer_times,
                                          runtime::programmer_time_set));
        runtime::programmer_values[kDimmer11] = runtime::kValueNotSet;
        playback::reload_playbacks_for_memory(m);
    }
    static PlaybackRecord record(int16_t memory, uint16_t fade_in = 0) {
        PlaybackRecord r{};
        r.flags = playback::kProgrammed;
        r.memory = memory;
        r.fade_in = fade_in;
        return r;
    }
    static void load(int p, const PlaybackRecord& r) {
        playback::playback_table[playback::kPlaybackEditRecord] = r;
        playback::load_playback_from_record(static_cast<int16_t>(p));
    }
    void fader(int p, uint8_t v) {
        rig_.set_playback_fader(p, v);
        rig_.run_ms(30);
    }
    static uint16_t layer(int p, int16_t r) { return runtime::layer_values[static_cast<size_t>(p)][r]; }
    static uint8_t led(int16_t key) { return runtime::key_led_cache[static_cast<size_t>(key)]; }
    static int16_t label_background(int p) {
        const ui::FaderWidget& w = ui::playback_fader_widgets[static_cast<size_t>(p)];
        return w.shown != 0 ? w.label_background_colour : w.saved_label_background_colour;
    }
    static std::string label(int p) {
        const ui::FaderWidget& w = ui::playback_fader_widgets[static_cast<size_t>(p)];
        return w.shown != 0 ? w.label.data() : w.saved_label.data();
    }
    static std::string wing_line(int n) { return playback::wing_lcd_texts[static_cast<size_t>(n)].data(); }
    static PlaybackRecord* cue_entry(int slot, int p) {
        return playback::cue_playback_table[static_cast<size_t>((slot - 1) * playback::kPlaybacks + p)];
    }
    void type_keys(const std::vector<int16_t>& keys) {
        for (const int16_t key : keys) {
            rig_.press(key);
            rig_.run_ms(20);
        }
    }
};

// A running playback does not jump: a different fade time waits for the
// stop, even with the same memory; at the stop the waiting record loads,
// whatever the edit record holds by then.
TEST_F(PlaybackLoading, ALoadThatWouldChangeARunningPlaybackWaitsForItsStop) {
    load(1, record(5));
    fader(1, 255);
    ASSERT_EQ(playback::playback_active[1], 1);
    ASSERT_EQ(rig_.dmx(2, 57), 200);

    load(1, record(5));
    EXPECT_EQ(playback::playback_reload_pending[1], 0) << "the same record loads at once";

    load(1, record(6, 30));
    EXPECT_EQ(playback::playback_reload_pending[1], 1);
    EXPECT_EQ(playback::playback_table[1].memory, 5);
    EXPECT_EQ(label_background(1), playback::kLabelPending);
    playback::update_playback_leds();
    EXPECT_EQ(led(playback_key(1)), runtime::LED_BLINK);
    rig_.run_ms(30);
    EXPECT_EQ(rig_.dmx(2, 57), 200) << "the stage keeps memory 5";

    playback::playback_table[playback::kPlaybackEditRecord] = record(5, 99);  // another dialog's work
    fader(1, 0);
    EXPECT_EQ(playback::playback_reload_pending[1], 0);
    EXPECT_EQ(playback::playback_table[1].memory, 6);
    EXPECT_EQ(playback::playback_table[1].fade_in, 30);
    EXPECT_EQ(playback::playback_table[playback::kPlaybackEditRecord].fade_in, 99) << "the edit record is kept";
    fader(1, 255);
    EXPECT_EQ(rig_.dmx(2, 58), 90);
    EXPECT_EQ(rig_.dmx(2, 57), 0);
}

// A fader already up when a playback gets its content: the playback starts
// at the next scan, whether the content comes from a cue or a programming
// dialog's live load.
TEST_F(PlaybackLoading, AFaderAlreadyUpStartsWhatIsLoadedIntoItAtOnce) {
    fader(1, 255);
    ASSERT_EQ(playback::playback_active[1], 0) << "nothing to start yet";
    constexpr int kSlot = 41;  // cue 5
    playback::store_playback_in_cue(1, kSlot, record(5));
    playback::go_to_cue(kSlot, 1, 0);
    rig_.run_ms(30);
    EXPECT_EQ(playback::playback_active[1], 1);
    EXPECT_EQ(rig_.dmx(2, 57), 200);

    fader(2, 255);
    load(2, record(6));
    rig_.run_ms(30);
    EXPECT_EQ(playback::playback_active[2], 1);
    EXPECT_EQ(rig_.dmx(2, 58), 90);
}

TEST_F(PlaybackLoading, AnEmptyRecordEmptiesAnIdlePlayback) {
    load(2, record(5));
    ASSERT_EQ(layer(2, kDimmer11), 200);
    load(2, PlaybackRecord{});
    EXPECT_EQ(playback::playback_table[2].memory, 0);
    EXPECT_EQ(playback::playback_table[2].flags, 0);
    EXPECT_EQ(layer(2, kDimmer11), runtime::kValueNotSet);
    // A programmed record naming no memory changes nothing.
    load(2, record(5));
    load(2, record(4001));
    EXPECT_EQ(playback::playback_table[2].memory, 5);
}

TEST_F(PlaybackLoading, StoringAMemoryReloadsItsPlaybacksButNotAFrozenOne) {
    load(1, record(5));
    load(2, record(5));
    ui::playback_freeze[2] = 1;
    restore_memory(5, 120);
    EXPECT_EQ(layer(1, kDimmer11), 120);
    EXPECT_EQ(layer(2, kDimmer11), 200) << "frozen";
}

// A running playback reloads without a jump when only its live-edited
// (manual) values changed in the stored memory.
TEST_F(PlaybackLoading, StoringWhatIsOnStageReloadsARunningPlaybackAtOnce) {
    load(1, record(5));
    fader(1, 255);
    ASSERT_EQ(playback::playback_active[1], 1);
    runtime::channel_flags[kDimmer11] |= runtime::FLAG_MANUAL;
    restore_memory(5, 150);
    EXPECT_EQ(playback::playback_reload_pending[1], 0);
    EXPECT_EQ(layer(1, kDimmer11), 150);
    runtime::channel_flags[kDimmer11] &= static_cast<uint16_t>(~runtime::FLAG_MANUAL);
    restore_memory(5, 100);
    EXPECT_EQ(playback::playback_reload_pending[1], 1) << "a change not made live waits";
}

TEST_F(PlaybackLoading, LabelsInTheThreeModesAndTheWingLines) {
    load(12, record(5));
    playback::playback_cue_origin[12] = 1;
    struct Case {
        void (*cycle)();
        const char* label;
        const char* wing;
    };
    const Case cases[] = {
        {nullptr, "*  (MEM   5)", "12 NO NAME (MEM   5)"},
        {playback::cycle_playback_label_mode_forward, "P 1 C 1.0 M   5", "12 P 1 C 1.0 M   5"},
        {playback::cycle_playback_label_mode_forward, "MODE:1  FLASH", "12 MODE:1  FLASH"},
        {playback::cycle_playback_label_mode_forward, "*  (MEM   5)", "12 NO NAME (MEM   5)"},
        {playback::cycle_playback_label_mode, "MODE:1  FLASH", "12 MODE:1  FLASH"},
    };
    for (const Case& c : cases) {
        if (c.cycle != nullptr) c.cycle();
        EXPECT_EQ(label(12), c.label);
        EXPECT_EQ(wing_line(2), c.wing);
    }
    load(12, PlaybackRecord{});
    EXPECT_EQ(wing_line(2), "12 -----------------");
    EXPECT_EQ(label(12), "");

    playback::selected_playback = 42;
    playback::select_next_playback();
    EXPECT_EQ(playback::selected_playback, 42);
    playback::selected_playback = 1;
    playback::select_previous_playback();
    EXPECT_EQ(playback::selected_playback, 1);
}

// TOGGLE held, two FLASH playbacks of the live cue chosen: both become
// TOGGLE in the cue, and the one loaded from that cue takes it at once.
TEST_F(PlaybackLoading, HoldingToggleTurnsTheChosenPlaybacksOfTheCueIntoToggle) {
    for (const int p : {3, 4, 5}) playback::store_playback_in_cue(static_cast<int16_t>(p), 1, record(5));
    load(3, record(5));
    playback::playback_cue_origin[3] = 1;
    rig_.hold(KEY_TOGGLE_MODE, 150);  // past the 100 ms beep
    EXPECT_EQ(ui::current_message(), "SELECT TOGGLE PLAYBACKS");
    EXPECT_EQ(led(playback_key(3)), runtime::LED_BLINK_BOTH);
    EXPECT_EQ(led(playback_key(6)), runtime::LED_OFF) << "no record in the cue";
    rig_.press(playback_key(3));
    rig_.press(playback_key(4));
    rig_.run_ms(30);
    rig_.release(KEY_TOGGLE_MODE, 50);
    EXPECT_EQ(playback::get_playback_flash_mode(*cue_entry(1, 3)), playback::kFlashModeToggle);
    EXPECT_EQ(playback::get_playback_flash_mode(*cue_entry(1, 4)), playback::kFlashModeToggle);
    EXPECT_EQ(playback::get_playback_flash_mode(*cue_entry(1, 5)), playback::kFlashModeFlash);
    EXPECT_EQ(playback::get_playback_flash_mode(playback::playback_table[3]), playback::kFlashModeToggle);

    // FLASH held over playbacks that are all FLASH already: no change, no second beep.
    const size_t tones = rig_.tones().size();
    rig_.hold(KEY_FLASH_MODE, 30);
    rig_.press(playback_key(5));
    rig_.release(KEY_FLASH_MODE, 50);
    ASSERT_EQ(rig_.tones().size(), tones + 1);
    EXPECT_EQ(rig_.tones().back().duration_ms, 100u);
    EXPECT_EQ(playback::get_playback_flash_mode(*cue_entry(1, 5)), playback::kFlashModeFlash);
}

// FADE-IN held, a flash key chosen, then the time typed in minutes,
// seconds and tenths.
TEST_F(PlaybackLoading, TheFadeInKeySetsTheTimeTyped) {
    playback::store_playback_in_cue(2, 1, record(5, 7));
    const auto digit = [](int d) { return static_cast<int16_t>(KEY_DIGIT_0 + d); };
    struct Case {
        const char* what;
        std::vector<int16_t> typed;
        uint16_t expected;
    };
    const Case cases[] = {
        {"1 min 30 s and 5", {digit(1), KEY_POINT, digit(3), digit(0), KEY_POINT, digit(5), KEY_ENTER}, 905},
        {"1 min 30 s and 50", {digit(1), KEY_POINT, digit(3), digit(0), KEY_POINT, digit(5), digit(0), KEY_ENTER}, 905},
        {"100 min with seconds", {digit(1), digit(0), digit(0), KEY_POINT, digit(3), digit(0), KEY_ENTER}, 60000},
        {"minutes only", {digit(2), KEY_ENTER}, 1200},
        {"ESC in the seconds", {digit(2), KEY_POINT, KEY_ESC}, 1200},
        {"101 minutes refused", {digit(1), digit(0), digit(1), KEY_ENTER}, 1200},
        {"SELECT FUNCTIONS gives 0", {digit(2), KEY_POINT, KEY_SELECT_FUNCTIONS}, 0},
    };
    runtime::mode_flags |= runtime::MODE_CUE_SCREEN;  // the time keys act on the cue's records there
    for (const Case& c : cases) {
        rig_.hold(static_cast<int16_t>(KEY_DELAY_IN + 1), 30);
        rig_.press(playback_key(2));
        rig_.release(static_cast<int16_t>(KEY_DELAY_IN + 1), 30);
        EXPECT_EQ(ui::current_message(), "EDIT Timing (Minutes)") << c.what;
        type_keys(c.typed);
        EXPECT_EQ(cue_entry(1, 2)->fade_in, c.expected) << c.what;
    }
}

TEST_F(PlaybackLoading, EditItemWithASecondPressAssignsTheCurrentMemory) {
    memories::current_memory = 6;
    rig_.hold(KEY_EDIT_ITEM, 30);
    rig_.hold(playback_key(7), 30);
    rig_.release(playback_key(7), 30);
    rig_.press(playback_key(7));
    rig_.run_ms(30);
    rig_.release(KEY_EDIT_ITEM, 50);
    ASSERT_NE(cue_entry(1, 7), nullptr);
    EXPECT_EQ(cue_entry(1, 7)->memory, 6);
    EXPECT_EQ(playback::playback_programming[7], 0);
}

// ESC after a flash-mode change of the live playback gives the live record
// its old mode back (the cue slot never changed); ESC after a memory change
// puts the old memory back on stage.
TEST_F(PlaybackLoading, EscInTheDialogLeavesTheCueAndTheStageAsTheyWere) {
    playback::store_playback_in_cue(1, 1, record(5));
    load(1, record(5));
    playback::playback_cue_origin[1] = 1;
    fader(1, 255);
    const auto open_dialog = [&] {
        rig_.hold(KEY_EDIT_ITEM, 30);
        rig_.hold(playback_key(1), 30);
        rig_.release(KEY_EDIT_ITEM, 30);
        rig_.release(playback_key(1), 50);
        ASSERT_EQ(ui::current_message(), "PROGRAM PLAYBACK (ESC=CANCEL)");
    };
    open_dialog();
    rig_.press(KEY_UP);  // page 1 wraps to 6
    rig_.run_ms(20);
    EXPECT_EQ(playback::playback_dialog_page, 6);
    for (int i = 0; i < 2; ++i) rig_.press(KEY_UP);  // page 4: flash mode
    rig_.run_ms(20);
    ASSERT_EQ(playback::playback_dialog_page, 4);
    rig_.press(KEY_EDIT_ITEM);
    rig_.run_ms(20);
    EXPECT_EQ(playback::get_playback_flash_mode(playback::playback_table[playback::kPlaybackEditRecord]),
              playback::kFlashModeToggle);
    rig_.press(KEY_ESC);
    rig_.run_ms(50);
    EXPECT_NE(rig_.pixel(600, 200), 7) << "the sequence panel shows, not the dialog's grey window";
    EXPECT_NE(rig_.pixel(600, 470), 7);
    EXPECT_EQ(playback::get_playback_flash_mode(*cue_entry(1, 1)), playback::kFlashModeFlash);
    EXPECT_EQ(playback::get_playback_flash_mode(playback::playback_table[1]), playback::kFlashModeFlash);

    memories::current_memory = 6;
    open_dialog();
    rig_.press(KEY_ADD_EVENTS);  // the dialog's memory (6) into the record
    rig_.run_ms(50);
    EXPECT_EQ(playback::playback_reload_pending[1], 1) << "memory 6 waits for the running playback";
    rig_.press(KEY_ESC);
    rig_.run_ms(50);
    EXPECT_EQ(playback::playback_reload_pending[1], 0);
    EXPECT_EQ(playback::playback_table[1].memory, 5);
    EXPECT_EQ(cue_entry(1, 1)->memory, 5);
    EXPECT_EQ(rig_.dmx(2, 57), 200);

    // ENTER stores: the slot takes memory 6.
    open_dialog();
    rig_.press(KEY_ADD_EVENTS);
    rig_.press(KEY_ENTER);
    rig_.run_ms(50);
    EXPECT_EQ(cue_entry(1, 1)->memory, 6);
}

}  // namespace
