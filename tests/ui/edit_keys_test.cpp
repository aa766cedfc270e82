// The hold-down edit keys at the running console: FREEZE, CLR, EDIT ITEM and
// TEXT held while other keys are pressed, with the LEDs they set and give
// back and the cue parts, freezes and editors they reach.
#include "ui/edit_keys.h"

#include <gtest/gtest.h>

#include <new>
#include <string>

#include "cue_tools_fixture.h"
#include "memories/master_state.h"
#include "memories/memories.h"
#include "memories/memory_index.h"
#include "playback/cue_editing.h"
#include "playback/cue_tables.h"
#include "runtime/show_tables.h"
#include "playback/key_groups.h"
#include "playback/playback_labels.h"
#include "playback/playback_state.h"
#include "programmer/fixture_groups.h"
#include "programmer/fixture_selection.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/timers.h"
#include "setup/setup_data.h"
#include "sync/sync_services.h"
#include "ui/fader_widget.h"
#include "ui/message_line.h"

namespace {

using namespace cue_tools_test;
using namespace runtime::keys;

// --- FREEZE ------------------------------------------------------------------------

// Fixture page 1 holds fixtures 1..10 on keys 1..10.
class Freeze : public RunningConsole {
protected:
    void SetUp() override {
        RunningConsole::SetUp();
        runtime::mode_flags &= ~runtime::MODE_CUE_SCREEN;
        runtime::fixture_page = 1;
        setup::fixture_count = 10;
        runtime::fixture_bank_counts[1] = 10;
        for (int k = 1; k <= 10; ++k) runtime::fixture_bank_keys[1][static_cast<size_t>(k)] = static_cast<uint16_t>(k - 1);
    }
    static std::vector<int> frozen_fixtures() {
        std::vector<int> frozen;
        for (int f = 1; f <= 10; ++f) {
            if (programmer::fixture_freeze[static_cast<size_t>(f)] != 0) frozen.push_back(f);
        }
        return frozen;
    }
};

TEST_F(Freeze, ASequenceKeyCyclesItsFreezeAndLedAndAPlaybackKeyTogglesItsOwn) {
    hold_command(KEY_FREEZE);
    EXPECT_EQ(ui::current_message(), "TOGGLE FREEZE-SWITCHES");
    EXPECT_EQ(led(KEY_FREEZE), runtime::LED_ON);
    EXPECT_EQ(led(KEY_SEQUENCE_B), runtime::LED_BLINK_BOTH);
    EXPECT_EQ(led(playback_key(7)), runtime::LED_BLINK_BOTH);
    const std::pair<uint8_t, uint8_t> cycle[] = {{ui::kSequenceFrozen, runtime::LED_BLINK_2},
                                                 {ui::kSequenceFrozenReload, runtime::LED_BLINK},
                                                 {ui::kSequenceFree, runtime::LED_BLINK_BOTH}};
    for (const auto& [freeze, state] : cycle) {
        press(KEY_SEQUENCE_B);
        EXPECT_EQ(ui::sequence_freeze[2], freeze);
        EXPECT_EQ(led(KEY_SEQUENCE_B), state);
    }
    press(playback_key(7));
    EXPECT_EQ(ui::playback_freeze[7], 1);
    EXPECT_EQ(led(playback_key(7)), runtime::LED_BLINK_2);
    press(playback_key(7));
    press(playback_key(7));
    EXPECT_EQ(ui::playback_freeze[7], 1);
    press(KEY_SEQUENCE_D);
    release(KEY_FREEZE);

    EXPECT_EQ(ui::frozen_playback_count, 1);
    EXPECT_EQ(ui::frozen_sequence_count, 1);
    EXPECT_EQ(ui::frozen_fixture_count, 0);
    EXPECT_EQ(led(KEY_FREEZE), runtime::LED_ON);  // something stays frozen
    EXPECT_EQ(led(KEY_SEQUENCE_B), runtime::LED_OFF);
    EXPECT_EQ(runtime::run_flags & runtime::RUN_FREEZE_SWITCHES, 0u);
}

TEST_F(Freeze, TwoFixtureKeysToggleTheRangeBetweenThemAndOneKeyItsOwnFixture) {
    for (int f = 3; f <= 8; ++f) programmer::fixture_freeze[static_cast<size_t>(f)] = 1;
    hold_command(KEY_FREEZE);
    hold(fixture_key(3));
    press(fixture_key(8));
    release(fixture_key(3));
    EXPECT_EQ(frozen_fixtures(), std::vector<int>{}) << "3 to 8 were all frozen: all unfrozen";

    programmer::fixture_freeze[5] = 1;
    hold(fixture_key(8));
    press(fixture_key(4));  // either order
    release(fixture_key(8));
    EXPECT_EQ(frozen_fixtures(), (std::vector<int>{4, 5, 6, 7, 8})) << "a mixed range: all frozen";

    press(fixture_key(2));  // its own release
    EXPECT_EQ(frozen_fixtures(), (std::vector<int>{2, 4, 5, 6, 7, 8}));

    hold(fixture_key(9));
    press(fixture_key(40));  // beyond the page's fixtures: the last one
    release(fixture_key(9));
    EXPECT_EQ(frozen_fixtures(), (std::vector<int>{2, 4, 5, 6, 7, 8, 9, 10}));

    press(KEY_NONE);
    EXPECT_EQ(frozen_fixtures(), std::vector<int>{});
    press(KEY_ALL);
    EXPECT_EQ(led(fixture_key(10)), runtime::LED_BLINK_2);  // the freeze view: frozen
    release(KEY_FREEZE);
    EXPECT_EQ(ui::frozen_fixture_count, 10);
    EXPECT_EQ(led(KEY_FREEZE), runtime::LED_ON);
    EXPECT_EQ(led(fixture_key(10)), runtime::LED_OFF);  // the normal look: not selected
}

TEST_F(Freeze, OnlyTheShowClockFrozenKeepsTheFreezeLedLit) {
    runtime::mode_flags |= runtime::MODE_CUE_TIMING;
    hold_command(KEY_FREEZE);
    press(KEY_CUE);
    release(KEY_FREEZE);
    EXPECT_EQ(runtime::show_time_frozen, 1);
    EXPECT_EQ(ui::frozen_playback_count + ui::frozen_sequence_count + ui::frozen_fixture_count, 0);
    EXPECT_EQ(led(KEY_FREEZE), runtime::LED_ON);

    hold_command(KEY_FREEZE);
    press(KEY_CUE);
    release(KEY_FREEZE);
    EXPECT_EQ(runtime::show_time_frozen, 0);
    EXPECT_EQ(led(KEY_FREEZE), runtime::LED_OFF);

    runtime::mode_flags &= ~runtime::MODE_CUE_TIMING;  // without cue timing CUE leaves the clock alone
    hold_command(KEY_FREEZE);
    press(KEY_CUE);
    release(KEY_FREEZE);
    EXPECT_EQ(runtime::show_time_frozen, 0);
}

TEST_F(Freeze, AFrozenPlaybackLosesItsLinkAndPendingReloadOnRelease) {
    playback::playback_linked_cue[4] = 77;
    playback::playback_reload_pending[9] = 1;
    playback::playback_linked_cue[12] = 5;  // stays: not frozen
    for (const int p : {4, 9, 12}) {
        ui::FaderWidget& w = ui::playback_fader_widgets[static_cast<size_t>(p)];
        w.label_background_colour = w.saved_label_background_colour = 7;
    }
    // A hidden widget keeps a change in its saved copy.
    const auto background = [](int p) {
        const ui::FaderWidget& w = ui::playback_fader_widgets[static_cast<size_t>(p)];
        return w.shown != 0 ? w.label_background_colour : w.saved_label_background_colour;
    };
    hold_command(KEY_FREEZE);
    press(playback_key(4));
    press(playback_key(9));
    runtime::clear_step_log();
    release(KEY_FREEZE);
    EXPECT_EQ(playback::playback_linked_cue[4], 0);
    EXPECT_EQ(playback::playback_reload_pending[9], 0);
    EXPECT_EQ(playback::playback_linked_cue[12], 5);
    // The labels of the two frozen playbacks are redrawn on the normal background.
    EXPECT_EQ(background(4), 8);
    EXPECT_EQ(background(9), 8);
    EXPECT_EQ(background(12), 7);
}

// --- CLR ---------------------------------------------------------------------------

// The live cue is page 1, cue 4, point 1 (slot 31); the cue screen shows page 2.
class Clear : public RunningConsole {
protected:
    void SetUp() override {
        RunningConsole::SetUp();
        runtime::mode_flags |= runtime::MODE_CUE_SCREEN;
        runtime::cue_screen_page = 2;
        playback::current_cue_page = 1;
        playback::current_cue = 4;
        playback::current_cue_point = 1;
        playback::cue_point_flags[70 + 9] = playback::kCuePointOwn;
    }
    template <typename Record, size_t N>
    static void plant(std::array<Record*, N>& table, size_t at) {
        if (table[at] != nullptr) return;
        void* block = runtime::show_table_allocator(sizeof(Record), __FILE__, __LINE__);
        ASSERT_NE(block, nullptr);
        table[at] = new (block) Record{};
        table[at]->flags = playback::CUE_RECORD_IN_CUE;
    }
    // A programmed record in each part the keys may clear: playback 1 of the
    // whole cues 738 and 781; sequence 3, the point cue and playbacks 5 and
    // 12 of the live cue (slot 31).
    static void plant_parts() {
        for (const int slot : {738, 781}) {
            plant(playback::cue_playback_table, static_cast<size_t>((slot - 1) * 42 + 1));
            playback::update_cue_programmed_flag(static_cast<int16_t>(slot));
        }
        plant(playback::cue_sequence_table, static_cast<size_t>((31 - 1) * 4 + 3));
        plant(playback::cue_pointcue_table, 31);
        plant(playback::cue_playback_table, static_cast<size_t>((31 - 1) * 42 + 12));
        plant(playback::cue_playback_table, static_cast<size_t>((31 - 1) * 42 + 5));
    }
    // The clears that reached the parts planted, named as the calls that clear them.
    static Calls cleared_parts() {
        Calls gone;
        for (const int slot : {738, 781}) {
            if (playback::cue_playback_table[static_cast<size_t>((slot - 1) * 42 + 1)] == nullptr) {
                gone.push_back("playback::clear_cue(" + std::to_string(slot) + ")");
            }
        }
        if (playback::cue_sequence_table[(31 - 1) * 4 + 3] == nullptr) gone.push_back("playback::clear_cue_sequence(31, 3)");
        if (playback::cue_pointcue_table[31] == nullptr) gone.push_back("playback::clear_cue_memory(31)");
        for (const int p : {12, 5}) {
            if (playback::cue_playback_table[static_cast<size_t>((31 - 1) * 42 + p)] == nullptr) {
                gone.push_back("playback::clear_cue_playback(31, " + std::to_string(p) + ")");
            }
        }
        return gone;
    }
};

TEST_F(Clear, EachKeyClearsWhatItNamesOfTheLiveCueOrAWholeCue) {
    struct Case {
        const char* what;
        std::vector<int16_t> keys;
        Calls cleared;
    };
    const Case cases[] = {
        {"POINT then 7 clears point 8 of the live cue number on the shown page", {KEY_POINT, digit_key(7), KEY_ENTER},
         {"playback::clear_cue(738)"}},
        {"POINT then 0 is no point cue", {KEY_POINT, digit_key(0), KEY_ENTER}, {}},
        {"POINT then ESC", {KEY_POINT, KEY_ESC}, {}},
        {"cue key 9 clears that whole cue of the shown page", {fixture_key(9)}, {"playback::clear_cue(781)"}},
        {"a sequence key clears its part of the live cue", {KEY_SEQUENCE_C}, {"playback::clear_cue_sequence(31, 3)"}},
        {"CUE clears the memory part", {KEY_CUE}, {"playback::clear_cue_memory(31)"}},
        {"digits give a playback number", {digit_key(1), digit_key(2), KEY_ENTER},
         {"playback::clear_cue_playback(31, 12)"}},
        {"playback 50 does not exist", {digit_key(5), digit_key(0), KEY_ENTER}, {}},
        {"playback 0 does not exist", {digit_key(0), KEY_ENTER}, {}},
        {"a playback key clears its part", {playback_key(5)}, {"playback::clear_cue_playback(31, 5)"}},
    };
    hold_command(KEY_CLR);
    EXPECT_EQ(ui::current_message(), "CLEAR SEQ., PLAYB. OR CUE TO CLEAR");
    EXPECT_EQ(led(KEY_CLR), runtime::LED_ON);
    EXPECT_EQ(led(fixture_key(9)), runtime::LED_BLINK);
    EXPECT_EQ(led(KEY_SEQUENCE_A), runtime::LED_BLINK_BOTH);
    EXPECT_EQ(led(digit_key(4)), runtime::LED_BLINK);
    for (const Case& c : cases) {
        plant_parts();
        press_all(c.keys);
        EXPECT_EQ(cleared_parts(), c.cleared) << c.what;
    }
    release(KEY_CLR);
    EXPECT_EQ(led(KEY_CLR), runtime::LED_OFF);
    EXPECT_EQ(led(fixture_key(9)), runtime::LED_ON);
    EXPECT_EQ(led(digit_key(4)), runtime::LED_OFF);
    EXPECT_EQ(runtime::run_flags & (runtime::RUN_SEQUENCE_KEYS_TAKEN | runtime::RUN_PLAYBACK_KEYS_TAKEN), 0u);
}

TEST_F(Clear, DuringATimecodeListDigitsAndPlaybackKeysAreNotTaken) {
    synchro::timecode_mode = 1;
    hold_command(KEY_CLR);
    plant_parts();
    press_all({digit_key(1), digit_key(2), KEY_ENTER, playback_key(5)});
    EXPECT_TRUE(cleared_parts().empty());
    EXPECT_NE(ui::current_message(), "GIVE PLAYBACK NUMBER");
    release(KEY_CLR);
    EXPECT_EQ(runtime::run_flags & runtime::RUN_PLAYBACK_KEYS_TAKEN, 0u);
}

// --- EDIT ITEM ---------------------------------------------------------------------

using EditItem = RunningConsole;
using TextEdit = RunningConsole;

TEST_F(EditItem, OpensTheEditorOfTheItemChosen) {
    struct Case {
        const char* what;
        std::vector<int16_t> presses;
        int16_t held;  // a key held while EDIT ITEM is, 0 none
        Calls opened;
        int playback = 0;  // the playback whose PROGRAM PLAYBACK dialog opens, 0 none
        int sequence = 0;  // the sequence whose PROGRAM SEQUENCE dialog opens, 0 none
        bool pointcue = false;  // PROGRAM POINTCUE opens on the live cue
        bool midi_codes = false;  // the MIDI-code editor opens
    };
    const Case cases[] = {
        {"a sequence key", {KEY_SEQUENCE_C}, 0, {}, 0, 3},
        {"a held playback key", {}, playback_key(7), {}, 7},
        {"a playback number typed", {digit_key(1), digit_key(2), KEY_ENTER}, 0, {}, 12},
        {"playback 0 chooses nothing", {digit_key(0), KEY_ENTER}, 0, {}},
        {"MIDI", {KEY_MIDI}, 0, {}, 0, 0, false, true},
        {"CUE", {KEY_CUE}, 0, {}, 0, 0, true},
        {"nothing chosen", {KEY_PLUS}, 0, {}},
    };
    playback::current_cue_page = 3;
    playback::current_cue = 6;
    playback::current_cue_point = 2;
    for (const Case& c : cases) {
        runtime::clear_step_log();
        hold_command(KEY_EDIT_ITEM);
        EXPECT_EQ(led(KEY_EDIT_ITEM), runtime::LED_ON) << c.what;
        EXPECT_EQ(led(KEY_THRESHOLD), runtime::LED_BLINK) << c.what;
        EXPECT_EQ(runtime::run_flags & runtime::RUN_MIDI_EDIT, runtime::RUN_MIDI_EDIT) << c.what;
        if (c.held != 0) hold(c.held);
        press_all(c.presses);
        release(KEY_EDIT_ITEM);
        if (c.held != 0) release(c.held);
        if (c.playback != 0) {
            EXPECT_STREQ(ui::last_message_text.data(), "PROGRAM PLAYBACK (ESC=CANCEL)") << c.what;
            EXPECT_EQ(playback::selected_playback, c.playback) << c.what;
            EXPECT_EQ(playback::playback_programming[static_cast<size_t>(c.playback)], 1) << c.what;
            press(KEY_ESC);
            EXPECT_EQ(playback::playback_programming[static_cast<size_t>(c.playback)], 0) << c.what;
        }
        if (c.sequence != 0) {
            EXPECT_STREQ(ui::last_message_text.data(), "PROGRAM SEQUENCE (ESC=CANCEL)") << c.what;
            EXPECT_EQ(runtime::display_mode, c.sequence + 4) << c.what;
            press(KEY_ESC);
            EXPECT_NE(ui::current_message(), "PROGRAM SEQUENCE (ESC=CANCEL)") << c.what;
        }
        if (c.pointcue) {
            EXPECT_STREQ(ui::last_message_text.data(), "PROGRAM POINTCUE (ESC=CANCEL)") << c.what;
            EXPECT_EQ(playback::pointcue_edit_cue, playback::cue_slot_of(3, 6, 2) - 1) << c.what;
            press(KEY_ESC);
            EXPECT_EQ(playback::pointcue_edit_cue, -1) << c.what;
        }
        if (c.midi_codes) {
            EXPECT_STREQ(ui::last_message_text.data(), "EDIT MIDI-CODES (ESC=CANCEL)") << c.what;
            EXPECT_EQ(led(KEY_MIDI), runtime::LED_ON) << c.what;
            EXPECT_NE(led(KEY_EDIT_ITEM), runtime::LED_BLINK) << c.what << ": not the show's list table";
            press(KEY_ESC);
            EXPECT_EQ(led(KEY_MIDI), runtime::LED_OFF) << c.what;
        }
        const Calls opened = calls_to_any({"playback::program_", "memories::edit_master", "memories::run_",
                                           "synchro::edit_", "programmer::run_default"});
        EXPECT_EQ(opened, c.opened) << c.what;
        EXPECT_EQ(led(KEY_EDIT_ITEM), runtime::LED_OFF) << c.what;
        // The chosen item keeps its keys for its editor; the others are given back.
        if (c.opened != Calls{"memories::run_threshold_screen()"}) {
            EXPECT_EQ(led(KEY_THRESHOLD), runtime::LED_OFF) << c.what;
        }
        EXPECT_EQ(runtime::run_flags & (runtime::RUN_MIDI_EDIT | runtime::RUN_PLAYBACK_KEYS_TAKEN |
                                        runtime::RUN_POINTCUE_EDIT | runtime::RUN_MASTER_KEYS_TAKEN),
                  0u)
            << c.what;
    }
}

// The threshold screen and the preset channel setup wait for their own keys:
// each shows its prompt until ESC.
TEST_F(EditItem, ThresholdAndPresetKeysOpenTheirEditors) {
    struct Case {
        const char* what;
        int16_t key;
        const char* prompt;
        int16_t lit;  // the key lit while the editor runs
    };
    const Case cases[] = {
        {"THRESHOLD", KEY_THRESHOLD, "SELECT THRESHOLD (1..70)", KEY_THRESHOLD},
        {"the gobo preset key", KEY_PRESET_2, "PROGRAM PRESET-CHANNELS (ESC=CANCEL)", KEY_PRESET_2},
        {"the colour preset key", KEY_PRESET_3, "PROGRAM PRESET-CHANNELS (ESC=CANCEL)", KEY_PRESET_3},
    };
    for (const Case& c : cases) {
        hold_command(KEY_EDIT_ITEM);
        press(c.key);
        release(KEY_EDIT_ITEM);
        EXPECT_EQ(ui::current_message(), c.prompt) << c.what;
        EXPECT_EQ(led(c.lit), runtime::LED_ON) << c.what;
        press(KEY_ESC);
        EXPECT_EQ(led(c.lit), runtime::LED_OFF) << c.what;
        EXPECT_EQ(runtime::run_flags & (runtime::RUN_THRESHOLD_MODE | runtime::RUN_WHEELS_INACTIVE), 0u) << c.what;
    }
}

TEST_F(TextEdit, PresetAndThresholdKeysOpenTheirNames) {
    struct Case {
        const char* what;
        int16_t key;
        const char* prompt;  // TEXT released picks the current one, or number 1
    };
    const Case cases[] = {
        {"a preset key", KEY_PRESET_3, "GIVE THE NAME OF COLOR-PRESET 1"},
        {"THRESHOLD", KEY_THRESHOLD, "GIVE THE NAME OF THRESHOLD 1"},
    };
    for (const Case& c : cases) {
        hold_command(KEY_TEXT);
        press(c.key);
        release(KEY_TEXT);
        EXPECT_EQ(ui::current_message(), c.prompt) << c.what;
        press(KEY_ESC);
        EXPECT_EQ(led(KEY_TEXT), runtime::LED_OFF) << c.what;
        EXPECT_EQ(runtime::run_flags & runtime::RUN_TEXT_EDIT, 0u) << c.what;
    }
}

TEST_F(EditItem, ASubmasterKeyHeldOpensItsEditor) {
    hold_command(KEY_EDIT_ITEM);
    hold(KEY_MASTER_4);
    release(KEY_EDIT_ITEM);
    release(KEY_MASTER_4);
    // The submaster editor waits for its own keys: its prompt, the flash key
    // lit in both colours and ESC blinking, until ESC (or the flash key).
    EXPECT_STREQ(ui::last_message_text.data(), "PROGRAM SUBMASTER (ESC=CANCEL)");
    EXPECT_EQ(led(KEY_MASTER_4), runtime::LED_ON_BOTH);
    EXPECT_EQ(led(KEY_ESC), runtime::LED_BLINK);
    press(KEY_ESC);
    EXPECT_EQ(led(KEY_ESC), runtime::LED_OFF);
    EXPECT_EQ(led(KEY_EDIT_ITEM), runtime::LED_OFF);
}

TEST_F(EditItem, TheSubmasterLedsComeBackByLevelAndUse) {
    // Both submasters half up; only submaster 1 has fixtures, so the key of
    // submaster 2 stays dark when MIDI is chosen and the other items give
    // their LEDs back.
    rig_.set_master_fader(3, 200);
    rig_.set_master_fader(4, 200);
    memories::submaster_used = {0, 1, 0};
    rig_.run_ms(50);
    hold_command(KEY_EDIT_ITEM);
    EXPECT_EQ(led(KEY_MASTER_4), runtime::LED_BLINK_BOTH);
    press(KEY_MIDI);
    release(KEY_EDIT_ITEM);
    EXPECT_EQ(led(KEY_MASTER_3), runtime::LED_ON_2);
    EXPECT_EQ(led(KEY_MASTER_4), runtime::LED_OFF);
}

TEST_F(EditItem, DuringATimecodeListOnlyTheSubmasterKeysChoose) {
    synchro::timecode_mode = 2;
    runtime::option_flags |= runtime::OPT_TIMECODE_SCREEN;
    hold_command(KEY_EDIT_ITEM);
    EXPECT_EQ(runtime::run_flags & runtime::RUN_MIDI_EDIT, 0u);
    EXPECT_EQ(runtime::run_flags & runtime::RUN_MASTER_KEYS_TAKEN, runtime::RUN_MASTER_KEYS_TAKEN);
    press_all({KEY_MIDI, KEY_PRESET_1, digit_key(3)});
    hold(KEY_MASTER_3);
    release(KEY_EDIT_ITEM);
    release(KEY_MASTER_3);
    EXPECT_STREQ(ui::last_message_text.data(), "PROGRAM SUBMASTER (ESC=CANCEL)");
    EXPECT_EQ(led(KEY_MASTER_3), runtime::LED_ON_BOTH);
    press(KEY_ESC);
    EXPECT_NE(led(KEY_MIDI), runtime::LED_ON) << "no MIDI editor opened";
    EXPECT_TRUE(calls_to("memories::run_preset").empty());

    synchro::timecode_mode = 0;  // the timecode screen stays open: MIDI opens the show's MIDI lists
    hold_command(KEY_EDIT_ITEM);
    press(KEY_MIDI);
    release(KEY_EDIT_ITEM);
    EXPECT_STREQ(ui::last_message_text.data(), "EDIT MIDI-CODES (ESC=CANCEL)");
    EXPECT_EQ(led(KEY_EDIT_ITEM), runtime::LED_BLINK) << "the list table picks with EDIT ITEM";
    press(KEY_ESC);
    EXPECT_EQ(led(KEY_EDIT_ITEM), runtime::LED_OFF);
}

// --- TEXT --------------------------------------------------------------------------

TEST_F(TextEdit, OpensTheNamesOfTheKeyChosen) {
    struct Case {
        const char* what;
        std::vector<int16_t> presses;
        Calls opened;
    };
    const Case cases[] = {
        {"a group that does not exist does nothing; ENTER leaves", {group_key(4), KEY_ENTER}, {}},
        // Fixture key 1 types an A into the group's name dialog.
        {"a group with fixtures: its names", {group_key(3), fixture_key(1), KEY_ENTER}, {}},
        {"a playback without a memory is not nameable", {playback_key(6), KEY_ENTER}, {}},
        // Last, as it leaves the cue screen shown: the cue names editor waits
        // for its cue, ESC leaves it (its use is tested with the cues).
        {"CUE: the cue names, entering cue mode", {KEY_CUE, KEY_ESC}, {}},
    };
    memories::current_memory = 12;
    playback::playback_table[4] = {};
    playback::playback_table[4].flags = 1;
    playback::playback_table[4].memory = 77;
    playback::playback_table[6].flags = 1;  // in use, no memory
    runtime::group_bank = 1;
    programmer::group_table[3][5] = 1;  // group 3 holds fixture 5; group 4 is empty
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        runtime::clear_step_log();
        hold_command(KEY_TEXT);
        EXPECT_EQ(ui::current_message(), "SELECT CUE MEM PSET THRESH PLBACK") << c.what;
        EXPECT_EQ(led(KEY_TEXT), runtime::LED_ON) << c.what;
        EXPECT_EQ(led(playback_key(4)), runtime::LED_BLINK_BOTH) << c.what;
        EXPECT_EQ(led(playback_key(6)), runtime::LED_OFF) << c.what;
        EXPECT_NE(runtime::run_flags & runtime::RUN_TEXT_EDIT, 0u) << c.what;
        EXPECT_EQ(rig_.pixel(4, 284), 7) << c.what;   // the title box's frame
        EXPECT_EQ(rig_.pixel(14, 305), 8) << c.what;  // its inner bar
        EXPECT_EQ(led(group_key(3)), runtime::LED_BLINK) << c.what;
        EXPECT_EQ(led(group_key(4)), runtime::LED_OFF) << c.what;
        press_all(c.presses);
        EXPECT_EQ(runtime::run_flags & runtime::RUN_TEXT_EDIT, 0u) << c.what << ": the dialog ended while TEXT is held";
        release(KEY_TEXT);
        EXPECT_EQ(calls_to_any({"memories::edit_", "playback::edit_cue_names", "playback::refresh_cue_mode",
                                "programmer::edit_group_names"}),
                  c.opened)
            << c.what;
        EXPECT_EQ(led(KEY_TEXT), runtime::LED_OFF) << c.what;
        EXPECT_EQ(runtime::run_flags & (runtime::RUN_TEXT_EDIT | runtime::RUN_PLAYBACK_KEYS_TAKEN), 0u) << c.what;
    }
    EXPECT_STREQ(programmer::group_names[3].data(), "A");
    EXPECT_STREQ(programmer::group_names[4].data(), "") << "the empty group was not named";
}

TEST_F(TextEdit, ToMemAndANameablePlaybackNameTheirMemory) {
    struct Case {
        const char* what;
        int16_t key;
        int16_t memory;
        const char* prompt;
        const char* name;
        bool dialog_goes_on;  // a playback leaves the TEXT dialog waiting for the next choice
    };
    const Case cases[] = {
        {"TO-MEM: the current memory", KEY_TO_MEM, 12, "GIVE THE NAME OF MEMORY 12", "FRONT WASH", false},
        {"a nameable playback: its memory", playback_key(4), 77, "GIVE THE NAME OF MEMORY 77", "BACK", true},
    };
    memories::current_memory = 12;
    playback::playback_table[4] = {};
    playback::playback_table[4].flags = 1;
    playback::playback_table[4].memory = 77;
    for (const Case& c : cases) {
        hold_command(KEY_TEXT);
        press(c.key);
        EXPECT_EQ(ui::current_message(), c.prompt) << c.what;
        type(c.name);
        press(KEY_ENTER);
        if (c.dialog_goes_on) {
            EXPECT_NE(runtime::run_flags & runtime::RUN_TEXT_EDIT, 0u) << c.what;
            press(KEY_ENTER);
        }
        release(KEY_TEXT);
        EXPECT_EQ(memories::memory_name(c.memory), c.name) << c.what;
        EXPECT_EQ(led(KEY_TEXT), runtime::LED_OFF) << c.what;
        EXPECT_EQ(runtime::run_flags & (runtime::RUN_TEXT_EDIT | runtime::RUN_PLAYBACK_KEYS_TAKEN), 0u) << c.what;
    }
}

}  // namespace
