// The COPY dialog of the cue screen at the running console: COPY held to
// choose a cue or live playbacks and sequences, TO-ITEM held to choose the
// destination, typed or by cue key.
#include "playback/copy_dialog.h"

#include <gtest/gtest.h>

#include "cue_tools_fixture.h"
#include "playback/cue_copy.h"
#include "playback/cue_screen.h"
#include "playback/cue_tables.h"
#include "playback/key_groups.h"
#include "playback/playback_state.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "ui/message_line.h"

namespace {

using namespace cue_tools_test;
using namespace runtime::keys;

constexpr int kCue5 = 41;   // page 1, cue 5, point 0
constexpr int kCue7 = 61;   // page 1, cue 7, point 0
constexpr int kCue123 = 1221;  // page 2, cue 53, point 0

playback::PlaybackRecord* cue_playback(int slot, int p) {
    return playback::cue_playback_table[static_cast<size_t>((slot - 1) * playback::kPlaybacks + p)];
}

// The cue screen shows page 1; cue 5 is programmed with playback 1 on memory 55.
class CopyDialog : public RunningConsole {
protected:
    void SetUp() override {
        RunningConsole::SetUp();
        runtime::mode_flags |= runtime::MODE_CUE_SCREEN;
        runtime::cue_screen_page = 1;
        programme_slot(kCue5);
        playback::cue_point_flags[5] = playback::kCuePointOwn;
        programme_playback_snapshot(kCue5, 1);
        cue_playback(kCue5, 1)->memory = 55;
    }
    // COPY held while the keys are pressed, then let go.
    void copy_from(std::initializer_list<int16_t> keys) {
        hold_command(KEY_COPY);
        for (int16_t key : keys) press(key);
        release(KEY_COPY);
    }
    void press(int16_t key) {
        rig_.press(key);
        rig_.run_ms(60);
    }
    // TO-ITEM held, a cue key of the shown page and ENTER: the destination.
    void copy_to_cue_key(int cue) {
        hold_command(KEY_TO_ITEM);
        press(fixture_key(cue));
        press(KEY_ENTER);
        rig_.run_ms(500);  // the beeps run out
        release(KEY_TO_ITEM);
    }
    // Whether cue n's cell of the key map holds a pixel of a colour (its number).
    bool number_in(int cue, uint8_t colour) const {
        const int column = (cue - 1) % 10 + 1;
        const int row = (cue - 1) / 10 + 1;
        for (int y = 10 + (row - 1) * 20 + 1; y < 10 + row * 20; ++y) {
            for (int x = (column - 1) * 22 + 2; x <= column * 22; ++x) {
                if (rig_.pixel(x, y) == colour) return true;
            }
        }
        return false;
    }
};

TEST_F(CopyDialog, ACueCopiedOntoACueKeyOfTheShownPage) {
    copy_from({fixture_key(5)});
    EXPECT_EQ(ui::current_message(), "TO-ITEM=DESTINATION ESC=CANCEL");
    hold_command(KEY_TO_ITEM);
    EXPECT_EQ(ui::current_message(), "SELECT CUE TO COPY TO");
    press(fixture_key(7));
    EXPECT_EQ(ui::current_message(), "GIVE DESTINATION CUE");
    press(KEY_ENTER);
    rig_.run_ms(500);  // the beeps run out
    release(KEY_TO_ITEM);
    ASSERT_NE(cue_playback(kCue7, 1), nullptr);
    EXPECT_EQ(cue_playback(kCue7, 1)->memory, 55);
    EXPECT_EQ(runtime::run_flags & runtime::RUN_CUE_COPY_DIALOG, 0u);
}

TEST_F(CopyDialog, ATypedOverallCueNumberNamesPageAndCue) {
    copy_from({fixture_key(5)});
    hold_command(KEY_TO_ITEM);
    press(digit_key(1));
    press(digit_key(2));
    press(digit_key(3));
    press(KEY_ENTER);
    rig_.run_ms(500);  // the beeps run out
    release(KEY_TO_ITEM);
    ASSERT_NE(cue_playback(kCue123, 1), nullptr) << "cue 123: page 2, cue 53";
    EXPECT_EQ(cue_playback(kCue123, 1)->memory, 55);
}

TEST_F(CopyDialog, APointOfTheDestinationCueIsGivenWithThePointKey) {
    copy_from({fixture_key(5)});
    hold_command(KEY_TO_ITEM);
    press(fixture_key(7));
    press(KEY_POINT);
    press(digit_key(3));
    press(KEY_ENTER);
    rig_.run_ms(500);
    release(KEY_TO_ITEM);
    ASSERT_NE(cue_playback(kCue7 + 3, 1), nullptr) << "cue 7.3";
    EXPECT_EQ(cue_playback(kCue7 + 3, 1)->memory, 55);
    EXPECT_EQ(cue_playback(kCue7, 1), nullptr);
}

TEST_F(CopyDialog, ACueBeyondPage16CannotBeConfirmed) {
    copy_from({fixture_key(5)});
    hold_command(KEY_TO_ITEM);
    for (int d : {1, 1, 2, 1}) press(digit_key(d));  // cue 1121: page 17
    press(KEY_ENTER);
    EXPECT_EQ(ui::current_message(), "GIVE DESTINATION CUE") << "ENTER is ignored";
    press(KEY_ESC);
    release(KEY_TO_ITEM);
    EXPECT_EQ(runtime::run_flags & runtime::RUN_CUE_COPY_DIALOG, 0u);
    for (int slot = 1; slot <= playback::kCueSlots; ++slot) {
        if (slot == kCue5) continue;
        ASSERT_EQ(cue_playback(slot, 1), nullptr) << slot;
    }
}

TEST_F(CopyDialog, ACueOntoItselfGivesTheErrorBeeps) {
    copy_from({fixture_key(5)});
    hold_command(KEY_TO_ITEM);
    press(fixture_key(5));
    press(KEY_ENTER);
    rig_.run_ms(500);  // the beeps run out
    release(KEY_TO_ITEM);
    EXPECT_TRUE(heard(600, 50));
    EXPECT_TRUE(heard(100, 200));
    EXPECT_EQ(cue_playback(kCue5, 1)->memory, 55);
}

TEST_F(CopyDialog, NothingChosenEndsWithoutTheSecondStep) {
    copy_from({fixture_key(9)});  // cue 9 holds nothing
    EXPECT_NE(ui::current_message(), "TO-ITEM=DESTINATION ESC=CANCEL");
    EXPECT_EQ(runtime::run_flags & runtime::RUN_CUE_COPY_DIALOG, 0u);
}

TEST_F(CopyDialog, APlaybackKeyDropsTheCueAndOnePlaybackGoesOntoAnother) {
    playback::current_cue_page = 1;
    playback::current_cue = 7;
    playback::current_cue_point = 1;
    playback::playback_table[3].flags = 1;
    playback::playback_table[3].memory = 33;
    copy_from({fixture_key(5), playback_key(3)});
    hold_command(KEY_TO_ITEM);
    EXPECT_EQ(ui::current_message(), "SELECT CUE OR PLAYBACK TO COPY TO");
    press(playback_key(8));
    rig_.run_ms(300);
    release(KEY_TO_ITEM);
    ASSERT_NE(cue_playback(kCue7, 8), nullptr) << "playback 3 onto 8 of the live cue";
    EXPECT_EQ(cue_playback(kCue7, 8)->memory, 33);
    EXPECT_EQ(cue_playback(kCue7, 1), nullptr) << "the cue was dropped: nothing copied from it";
}

TEST_F(CopyDialog, OnlyAProgrammedPointOfTheCueCanBeChosen) {
    const int point2 = kCue5 + 2;  // cue 5.2
    programme_slot(point2);
    programme_playback_snapshot(point2, 1);
    cue_playback(point2, 1)->memory = 77;
    copy_from({fixture_key(5), digit_key(3), digit_key(2)});  // 5.3 holds nothing: ignored
    copy_to_cue_key(7);
    ASSERT_NE(cue_playback(kCue7, 1), nullptr);
    EXPECT_EQ(cue_playback(kCue7, 1)->memory, 77) << "copied from 5.2";
}

// ESC while COPY is held ends only the choosing: the cue chosen goes on to
// the COPY TO step.
TEST_F(CopyDialog, EscapeWhileCopyIsHeldKeepsTheChoice) {
    hold_command(KEY_COPY);
    press(fixture_key(5));
    press(KEY_ESC);
    EXPECT_EQ(ui::current_message(), "TO-ITEM=DESTINATION ESC=CANCEL");
    release(KEY_COPY);
    copy_to_cue_key(7);
    ASSERT_NE(cue_playback(kCue7, 1), nullptr);
    EXPECT_EQ(cue_playback(kCue7, 1)->memory, 55);
}

// The source cue's key: its number yellow and its LED blinking colour 2
// while chosen; a playback key drops it (number light cyan, LED blinking
// colour 1); the dialog's end gives it its own look back.
TEST_F(CopyDialog, TheSourceCueKeyShowsWhetherItIsChosen) {
    constexpr uint8_t kYellow = 14, kLightCyan = 11;
    hold_command(KEY_COPY);
    press(fixture_key(5));
    EXPECT_TRUE(number_in(5, kYellow));
    EXPECT_EQ(led(fixture_key(5)), runtime::LED_BLINK_2);
    press(playback_key(2));
    EXPECT_FALSE(number_in(5, kYellow));
    EXPECT_TRUE(number_in(5, kLightCyan));
    EXPECT_EQ(led(fixture_key(5)), runtime::LED_BLINK);
    press(fixture_key(5));  // chosen again: the playback is dropped
    EXPECT_EQ(led(playback_key(2)), runtime::LED_BLINK_BOTH);
    press(KEY_ESC);
    release(KEY_COPY);
    press(KEY_ESC);  // no destination
    EXPECT_EQ(runtime::run_flags & runtime::RUN_CUE_COPY_DIALOG, 0u);
    const playback::CueKeyLook look = playback::cue_key_look(5);
    EXPECT_TRUE(number_in(5, static_cast<uint8_t>(look.colour)));
    EXPECT_FALSE(number_in(5, kYellow));
    EXPECT_EQ(led(fixture_key(5)), look.led);
}

TEST_F(CopyDialog, EscapeInTheSecondStepCopiesNothing) {
    copy_from({fixture_key(5)});
    press(KEY_ESC);
    EXPECT_EQ(runtime::run_flags & runtime::RUN_CUE_COPY_DIALOG, 0u);
    EXPECT_EQ(cue_playback(kCue7, 1), nullptr);
}

}  // namespace
