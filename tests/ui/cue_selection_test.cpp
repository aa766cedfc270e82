// Cue selection at the running console: cue numbers typed or named by page,
// cue and point keys in "GIVE CUE TO SELECT", and the multiselect list built
// by holding cue keys, with its LEDs and its start.
#include "ui/cue_selection.h"

#include <gtest/gtest.h>

#include "cue_tools_fixture.h"
#include "datafiles/small_tables.h"
#include "playback/cue_editing.h"
#include "playback/cue_picker.h"
#include "playback/cue_tables.h"
#include "playback/key_groups.h"
#include "playback/playback_loading.h"
#include "playback/playback_state.h"
#include "playback/sequence_programming.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "ui/edit_keys.h"
#include "ui/message_line.h"

namespace {

using namespace cue_tools_test;
using namespace runtime::keys;

using CueSelection = CueTools;

// --- "GIVE CUE TO SELECT" --------------------------------------------------------

TEST_F(CueSelection, KeysAndTypedNumbersGoToTheirCueSlotOrOnlyBeep) {
    struct Case {
        const char* what;
        int16_t first;
        uint8_t typed;
        std::vector<int16_t> keys;
        int gone_to;  // the live cue slot afterwards, 0: none gone to
    };
    const Case cases[] = {
        {"typed 1, 2, 3 is cue 123: page 2, cue 53", 1, 1, {digit_key(2), digit_key(3), KEY_ENTER},
         1221},
        {"cue key 5, POINT, 3 is point 4 of cue 5", 5, 0, {KEY_POINT, digit_key(3), KEY_ENTER},
         44},
        {"POINT then 9 is point 10", 70, 0, {KEY_POINT, digit_key(9), KEY_ENTER}, 700},
        {"page key 3, then cue key 7", 5, 0, {group_key(3), fixture_key(7), KEY_ENTER},
         1461},
        {"a later cue key starts again at point 1", 5, 0, {KEY_POINT, digit_key(3), fixture_key(6), KEY_ENTER},
         51},
        {"cue 1120 is the last of page 16", 1, 1, {digit_key(1), digit_key(2), digit_key(0), KEY_ENTER},
         11191},
        {"typed 1121 gives page 17: only the beep", 1, 1, {digit_key(1), digit_key(2), digit_key(1), KEY_ENTER}, 0},
        {"a fifth digit is not taken", 9, 1,
         {digit_key(9), digit_key(9), digit_key(9), digit_key(9), KEY_ENTER}, 0},
        {"typed 0 names no cue", 0, 1, {KEY_ENTER}, 0},
        {"a page key leaves no cue chosen", 5, 0, {group_key(2), KEY_ENTER}, 0},
        {"digits after a page key go on from the page's number", 1, 1, {group_key(2), digit_key(5), KEY_ENTER},
         7041},  // 10 x 70 + 5 = 705: page 11, cue 5
        {"ESC goes nowhere", 5, 0, {digit_key(3), KEY_ESC}, 0},
    };
    size_t done = 0;
    start([&] {
        runtime::cue_screen_page = 1;
        runtime::mode_flags |= runtime::MODE_CUE_SCREEN;
        for (const Case& c : cases) {
            runtime::cue_screen_page = 1;  // a cue gone to shows its page
            ui::select_cue_by_number(c.first, c.typed);
            ++done;
        }
    });
    for (size_t i = 0; i < std::size(cases); ++i) {
        runtime::clear_step_log();
        const size_t tones_before = rig_.tones().size();
        const int live_before = playback::current_cue_slot();
        press_all(cases[i].keys);
        ASSERT_EQ(done, i + 1) << cases[i].what;
        EXPECT_EQ(playback::current_cue_slot(), cases[i].gone_to != 0 ? cases[i].gone_to : live_before) << cases[i].what;
        // The 400 Hz beep; the release of ENTER cuts it short.
        const auto tones = rig_.tones();
        const bool beeped = tones.size() > tones_before && tones.back().freq_hz == 400;
        EXPECT_EQ(beeped, cases[i].gone_to == 0 && cases[i].keys.back() == KEY_ENTER) << cases[i].what;
    }
    ASSERT_TRUE(run_to_end());
}

TEST_F(CueSelection, TheDialogBlinksItsKeysAndPutsThemOutOnLeaving) {
    start([&] {
        runtime::cue_screen_page = 1;
        runtime::mode_flags |= runtime::MODE_CUE_SCREEN;
        ui::select_cue_by_number(5, 0);
        settle();
    });
    EXPECT_EQ(ui::current_message(), "GIVE CUE TO SELECT");
    EXPECT_EQ(rig_.pixel(30, 312), 4);  // the red "SEL" box, left of the status line
    EXPECT_EQ(led(KEY_ENTER), runtime::LED_BLINK);
    EXPECT_EQ(led(KEY_ESC), runtime::LED_BLINK);
    EXPECT_EQ(led(digit_key(7)), runtime::LED_BLINK);
    EXPECT_EQ(led(KEY_POINT), runtime::LED_BLINK);  // a cue is chosen, no point pending
    press(KEY_POINT);
    EXPECT_EQ(led(KEY_POINT), runtime::LED_ON);
    EXPECT_STREQ(playback::cue_status_text.data(), "P 1 C 5.0  R 5.0");
    press(digit_key(0));
    EXPECT_STREQ(playback::cue_status_text.data(), "P 1 C 5.0  R 5.0");
    press(KEY_ESC);
    ASSERT_TRUE(run_to_end());
    EXPECT_EQ(led(KEY_ENTER), runtime::LED_OFF);
    EXPECT_EQ(led(KEY_ESC), runtime::LED_OFF);
    EXPECT_EQ(led(digit_key(7)), runtime::LED_OFF);
    EXPECT_EQ(led(KEY_POINT), runtime::LED_OFF);
    EXPECT_EQ(led(KEY_CUE), runtime::LED_ON);  // the cue screen is shown
}

// --- "SELECT CUES TO MULTISELECT" ------------------------------------------------

class Multiselect : public CueTools {
protected:
    // Page 1: cue 5 has points 1 and 4 programmed, cue 6 point 1; page 2 cue 1 point 1.
    void start_multiselect() {
        start([&] {
            runtime::cue_screen_page = 1;
            runtime::mode_flags |= runtime::MODE_CUE_SCREEN;
            for (const int slot : {41, 44, 51, 701}) programme_slot(slot);
            playback::cue_point_flags[5] = playback::kCuePointOwn;
            ui::multiselect_cues();
        });
    }
    void hold_cue_and_press(int16_t cue_key, int16_t key) {
        hold(cue_key);
        press(key);
        release(cue_key);
    }
};

TEST_F(Multiselect, ChoosingAPointCueTwiceTakesItBackAndAThirdTimeChoosesItAgain) {
    start_multiselect();
    EXPECT_EQ(ui::current_message(), "SELECT CUES TO MULTISELECT");
    EXPECT_NE(runtime::run_flags & runtime::RUN_CUE_MULTISELECT, 0u);
    EXPECT_EQ(led(fixture_key(5)), runtime::LED_ON);  // programmed, nothing chosen

    press(fixture_key(5));  // its release chooses point 1
    EXPECT_EQ(ui::multiselect_list, (std::vector<int16_t>{40}));
    EXPECT_TRUE(ui::is_cue_multiselected(40));
    EXPECT_EQ(led(fixture_key(5)), runtime::LED_BLINK);

    press(fixture_key(5));
    EXPECT_EQ(ui::multiselect_list, (std::vector<int16_t>{ui::kMultiselectRemoved}));
    EXPECT_FALSE(ui::is_cue_multiselected(40));
    EXPECT_EQ(led(fixture_key(5)), runtime::LED_ON);

    press(fixture_key(5));
    EXPECT_EQ(ui::multiselect_list, (std::vector<int16_t>{ui::kMultiselectRemoved, 40}));
    EXPECT_EQ(ui::multiselect_count(), 2);

    press(KEY_ESC);
    ASSERT_TRUE(run_to_end());
    EXPECT_TRUE(ui::multiselect_list.empty());
    EXPECT_EQ(runtime::run_flags & runtime::RUN_CUE_MULTISELECT, 0u);
    EXPECT_EQ(led(KEY_CUE), runtime::LED_ON);
    EXPECT_EQ(led(KEY_HOLD), runtime::LED_OFF);
    EXPECT_EQ(led(KEY_ENTER), runtime::LED_OFF);
}

TEST_F(Multiselect, DigitsWhileACueKeyIsHeldChooseItsPointsAndOnlyProgrammedOnes) {
    start_multiselect();
    hold(fixture_key(5));
    EXPECT_EQ(led(digit_key(0)), runtime::LED_ON);   // point 1 programmed
    EXPECT_EQ(led(digit_key(3)), runtime::LED_ON);   // point 4 programmed
    EXPECT_EQ(led(digit_key(1)), runtime::LED_OFF);  // point 2 is not
    press(digit_key(3));
    release(fixture_key(5));
    EXPECT_EQ(ui::multiselect_list, (std::vector<int16_t>{43}));
    EXPECT_EQ(led(fixture_key(5)), runtime::LED_BLINK_BOTH);  // a point other than 1 is chosen

    hold(fixture_key(5));
    EXPECT_EQ(led(digit_key(3)), runtime::LED_BLINK);  // point 4 is in the list
    press(digit_key(1));                               // point 2: not programmed, not taken
    release(fixture_key(5));
    EXPECT_EQ(ui::multiselect_list, (std::vector<int16_t>{43}));

    hold_cue_and_press(fixture_key(6), KEY_ESC);  // ESC while held chooses point 1 and the dialog goes on
    EXPECT_EQ(ui::multiselect_list, (std::vector<int16_t>{43, 50}));

    press(group_key(2));  // page 2 shown, its cue 1 chosen by key 1
    EXPECT_EQ(runtime::cue_screen_page, 2);
    runtime::cue_screen_page = 2;  // as the cue page display would set it
    press(fixture_key(1));
    EXPECT_EQ(ui::multiselect_list, (std::vector<int16_t>{43, 50, 700}));
    press(KEY_ESC);
    ASSERT_TRUE(run_to_end());
}

TEST_F(Multiselect, EnterStartsTheListButNeverReloadsAFrozenPlaybackOrSequence) {
    constexpr uint16_t kOwnFadeTime = 777;
    struct Case {
        const char* what;
        uint8_t playback_transparency;
        uint8_t sequence_transparency;
        uint32_t auto_modes;
        bool blind;
        Calls loads;
    };
    // Cue slot 41 carries snapshots of playbacks 3 and 7 and sequence 2;
    // playbacks 3 and 5 are in use; playback 3 and sequence 1 are frozen,
    // sequence 4 is frozen with reload.
    const Calls all = {"playback::load_playback_from_cue(41, 5)", "playback::load_playback_from_cue(41, 7)",
                       "playback::load_sequence_from_cue(41, 2, 0)", "playback::load_sequence_from_cue(41, 3, 0)",
                       "playback::load_sequence_from_cue(41, 4, 2)"};
    const Calls own = {"playback::load_playback_from_cue(41, 7)", "playback::load_sequence_from_cue(41, 2, 0)"};
    const uint32_t both_auto = runtime::MODE_AUTO_PLAYBACKS | runtime::MODE_AUTO_SEQUENCES;
    const Case cases[] = {
        {"transparency off: snapshots and playbacks in use, sequences not frozen", 0, 0, 0, false, all},
        {"transparency on: only the cue's snapshots", 1, 1, both_auto, false, own},
        {"default with the automatic modes on: as off", 2, 2, both_auto, false, all},
        {"default with the automatic modes off: as on", 2, 2, 0, false, own},
        {"blind: nothing is loaded", 0, 0, 0, true, {}},
    };
    size_t started = 0;
    start([&] {
        runtime::cue_screen_page = 1;
        runtime::console_config.set_u8(runtime::kCfgMultiselectPlayback, 1);
        runtime::console_config.set_u8(runtime::kCfgMultiselectSequence, 1);
        programme_slot(41);
        programme_playback_snapshot(41, 3);
        programme_playback_snapshot(41, 7);
        programme_sequence_snapshot(41, 2);
        playback::playback_table[3].flags = 1;
        playback::playback_table[5].flags = 1;
        ui::playback_freeze[3] = 1;
        ui::sequence_freeze[1] = ui::kSequenceFrozen;
        ui::sequence_freeze[4] = ui::kSequenceFrozenReload;
        for (const Case& c : cases) {
            playback::playback_table[5].flags = 1;  // in use again after the last case cleared it
            datafiles::transp_table[41] = {c.playback_transparency, c.sequence_transparency};
            runtime::mode_flags &= ~both_auto;
            runtime::mode_flags |= c.auto_modes;
            if (c.blind) {
                runtime::run_flags |= runtime::RUN_BLIND;
            } else {
                runtime::run_flags &= ~runtime::RUN_BLIND;
            }
            ++started;
            ui::multiselect_cues();
        }
    });
    for (size_t i = 0; i < std::size(cases); ++i) {
        ASSERT_EQ(started, i + 1) << cases[i].what;
        press(fixture_key(5));
        runtime::clear_step_log();
        playback::playback_cue_origin.fill(0);
        playback::last_pointcue_started = -1;
        playback::sequence_origin_page.fill(0);
        for (auto& sequence : playback::sequence_table) sequence.fade_time = kOwnFadeTime;
        press(KEY_ENTER);
        // The playbacks loaded (their content now comes from slot 41), then
        // the sequences' loads.
        Calls loads;
        for (int p = 1; p <= playback::kPlaybacks; ++p) {
            if (playback::playback_cue_origin[static_cast<size_t>(p)] == 41) {
                loads.push_back("playback::load_playback_from_cue(41, " + std::to_string(p) + ")");
            }
        }
        // A sequence loaded with its freeze switch at 2 keeps its own times.
        for (int16_t s = 1; s <= playback::kSequences; ++s) {
            if (playback::sequence_cue_origin(s) != 41) continue;
            const int freeze = playback::sequence_table[static_cast<size_t>(s)].fade_time == kOwnFadeTime ? 2 : 0;
            loads.push_back("playback::load_sequence_from_cue(41, " + std::to_string(s) + ", " + std::to_string(freeze) + ")");
        }
        EXPECT_EQ(loads, cases[i].loads) << cases[i].what;
        EXPECT_EQ(playback::last_pointcue_started, 41) << cases[i].what;  // its cue fade started
    }
    ASSERT_TRUE(run_to_end());
}

TEST_F(Multiselect, TheConfigurationBytesKeepPlaybacksAndSequencesOut) {
    start([&] {
        runtime::cue_screen_page = 1;
        runtime::console_config.set_u8(runtime::kCfgMultiselectPlayback, 0);
        runtime::console_config.set_u8(runtime::kCfgMultiselectSequence, 2);
        programme_slot(41);
        programme_playback_snapshot(41, 7);
        programme_sequence_snapshot(41, 2);
        ui::multiselect_cues();
    });
    press(fixture_key(5));
    press(KEY_ENTER);
    ASSERT_TRUE(run_to_end());
    EXPECT_TRUE(calls_to("playback::load_").empty());
    EXPECT_EQ(playback::last_pointcue_started, 41);  // its cue fade started
}

TEST_F(Multiselect, AnUnprogrammedCueIsNeverAdded) {
    start([&] {
        runtime::cue_screen_page = 1;
        ui::toggle_cue_multiselect(40);     // not programmed
        ui::toggle_cue_multiselect(11199);  // the last slot, not programmed
        programme_slot(11200);
        ui::toggle_cue_multiselect(11199);
    });
    ASSERT_TRUE(run_to_end());
    EXPECT_EQ(ui::multiselect_list, (std::vector<int16_t>{11199}));
    EXPECT_FALSE(ui::is_cue_multiselected(-1));  // a removed entry is no cue
}

}  // namespace
