// The LINK menu of the fixture setup on the demo rig: the pop-up, the
// slave-console groups ("MASTER"), the DMX input blocks ("SLAVE"), the
// fixtures' input addresses ("DMX-IN"), and the blocks reaching the show.
#include <gtest/gtest.h>

#include <string>

#include "playback/playback_state.h"
#include "runtime/key_leds.h"
#include "setup/dmx_inputs.h"
#include "setup_screen_rig.h"

namespace setup_test {
namespace {

using runtime::KEY_ENTER;
using runtime::KEY_ESC;
using setup::setup_edit_copy;

constexpr int16_t kLinkButtonX = 120;
constexpr int16_t kToolbarY = 445;

struct ItemAt {
    int16_t x, y;
};
constexpr ItemAt kInfo = {120, 378};
constexpr ItemAt kMaster = {120, 412};
constexpr ItemAt kSlave = {120, 429};
constexpr ItemAt kDmxIn = {120, 446};

// The pixels of a screen rectangle, row by row.
std::vector<uint8_t> area_pixels(const rig::Rig& rig, int x1, int y1, int x2, int y2) {
    std::vector<uint8_t> pixels;
    for (int y = y1; y <= y2; ++y) {
        for (int x = x1; x <= x2; ++x) pixels.push_back(rig.pixel(x, y));
    }
    return pixels;
}

class LinkMenu : public SetupScreen {
protected:
    void choose(ItemAt item) {
        click(kLinkButtonX, kToolbarY);
        click(item.x, item.y);
    }
    // Digits on the console keys, then ENTER (an empty text: ENTER alone).
    void enter(const std::string& digits) {
        for (char d : digits) rig_.press(runtime::digit_key(d - '0'), 20);
        rig_.press(KEY_ENTER, 20);
    }
    static int u8(size_t field) { return setup_edit_copy.u8(field); }
    static int i16(size_t field) { return setup_edit_copy.i16(field); }
    void set_block(int block, int enabled, int start) {
        setup_edit_copy.set_u8(block == 1 ? setup::kSetupDmxIn1Enabled : setup::kSetupDmxIn2Enabled, static_cast<uint8_t>(enabled));
        setup_edit_copy.set_i16(block == 1 ? setup::kSetupDmxIn1Start : setup::kSetupDmxIn2Start, static_cast<int16_t>(start));
    }
};

TEST_F(LinkMenu, ThePopUpClosesOnEscapeAndLeavesTheScreenAsItWas) {
    open();
    const std::vector<uint8_t> before = area_pixels(rig_, 90, 330, 150, 460);
    click(kLinkButtonX, kToolbarY);
    EXPECT_TRUE(drawn("DMX-IN"));
    EXPECT_EQ(status(), "LMB=LINK RMB=CANCEL");
    EXPECT_EQ(tones(1000, 20), 1);
    click(120, 360);  // on the title: no item
    EXPECT_EQ(rig_.pixel(120, 446), 7) << "still open";
    rig_.press(KEY_ESC, 20);
    rig_.run_ms(20);
    EXPECT_TRUE(area_pixels(rig_, 90, 330, 150, 460) == before);
}

TEST_F(LinkMenu, ARigWithoutTypesHasNoPopUp) {
    open();
    setup_edit_copy.set_u8(setup::kSetupTypeCount, 0);
    click(kLinkButtonX, kToolbarY);
    EXPECT_TRUE(status_drawn("NO FIXTURES SELECTED"));
    EXPECT_EQ(tones(400, 800), 1);
    EXPECT_FALSE(drawn("DMX-IN"));
}

TEST_F(LinkMenu, SlaveSetsBothBlockStartsAndOffersTheModeOnlyWhileOneIsOn) {
    struct Case {
        const char* what;
        const char* block1;  // digits typed, or nullptr for ESC
        const char* block2;
        int enabled1, start1, enabled2, start2;
        bool mode_offered;
    };
    const Case cases[] = {
        {"496 is the last start of block 1", "496", "481", 1, 496, 1, 481, true},
        {"497 and 482 switch both off", "497", "482", 0, 0, 0, 0, false},
        {"ESC keeps what was set", nullptr, nullptr, 1, 20, 1, 300, true},
        {"0 and ENTER alone switch off", "0", "", 0, 0, 0, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        open();
        set_block(1, 1, 20);
        set_block(2, 1, 300);
        setup_edit_copy.set_u8(setup::kSetupDmxIn1Mode, 1);
        setup_edit_copy.set_u8(setup::kSetupDmxIn2Mode, 1);
        choose(kSlave);
        EXPECT_TRUE(drawn("PLAYBACKS-MASTERS-CUES : 020"));
        if (c.block1 != nullptr) enter(c.block1); else rig_.press(KEY_ESC, 20);
        EXPECT_TRUE(drawn("PLAYBACKS 11-42 : 300"));
        if (c.block2 != nullptr) enter(c.block2); else rig_.press(KEY_ESC, 20);
        rig_.run_ms(20);
        EXPECT_EQ(u8(setup::kSetupDmxIn1Enabled), c.enabled1);
        EXPECT_EQ(i16(setup::kSetupDmxIn1Start), c.start1);
        EXPECT_EQ(u8(setup::kSetupDmxIn2Enabled), c.enabled2);
        EXPECT_EQ(i16(setup::kSetupDmxIn2Start), c.start2);
        EXPECT_EQ(drawn("PERCENTAGE"), c.mode_offered);
        if (c.mode_offered) rig_.press(KEY_ESC, 20);
        EXPECT_EQ(u8(setup::kSetupDmxIn1Mode), 1) << "no choice made";
        EXPECT_EQ(u8(setup::kSetupDmxIn2Mode), 1);
        rig_.press(runtime::KEY_SETUP, kLongHold_ms);  // leave the setup without save for the next case
        rig_.press(runtime::KEY_DIGIT_2, 20);
        rig_.run_ms(50);
    }
}

TEST_F(LinkMenu, TheModeChoiceSetsBothBlocks) {
    open();
    choose(kSlave);
    enter("1");
    rig_.press(KEY_ESC, 20);
    click(547, 440);  // PERCENTAGE from x 547 on
    EXPECT_EQ(u8(setup::kSetupDmxIn1Mode), 1);
    EXPECT_EQ(u8(setup::kSetupDmxIn2Mode), 1);
    EXPECT_EQ(tones(800, 50), 1);
    choose(kSlave);
    rig_.press(KEY_ESC, 20);
    rig_.press(KEY_ESC, 20);
    click(546, 440);  // DIGITAL left of it
    EXPECT_EQ(u8(setup::kSetupDmxIn1Mode), 0);
    choose(kSlave);
    rig_.press(KEY_ESC, 20);
    rig_.press(KEY_ESC, 20);
    rig_.press(runtime::KEY_DIGIT_2, 20);
    EXPECT_EQ(u8(setup::kSetupDmxIn2Mode), 1);
    choose(kSlave);
    rig_.press(KEY_ESC, 20);
    rig_.press(KEY_ESC, 20);
    rig_.press(runtime::KEY_DIGIT_1, 20);
    EXPECT_EQ(u8(setup::kSetupDmxIn1Mode), 0);
    EXPECT_EQ(u8(setup::kSetupDmxIn2Mode), 0);
}

TEST_F(LinkMenu, MasterTogglesEachGroupUntilTheRightButton) {
    open();
    choose(kMaster);
    EXPECT_TRUE(drawn("MANUEL") || drawn("AUTO"));
    EXPECT_EQ(rig_.key_led_state(runtime::KEY_DIGIT_3), runtime::LED_BLINK);
    const int masters = u8(setup::kSetupAutoManual + 1);
    rig_.press(runtime::KEY_DIGIT_2, 20);
    rig_.press(runtime::KEY_DIGIT_2, 20);
    EXPECT_EQ(u8(setup::kSetupAutoManual + 1), masters) << "twice is as before";
    EXPECT_EQ(tones(800, 50), 2);
    rig_.press(runtime::KEY_DIGIT_1, 20);
    click(590, 440);  // column 3, CUES
    click(500, 440, kRight);
    EXPECT_EQ(u8(setup::kSetupAutoManual), 1);
    EXPECT_EQ(u8(setup::kSetupAutoManual + 2), 1);
    EXPECT_TRUE(drawn("MANUEL"));
    EXPECT_EQ(rig_.key_led_state(runtime::KEY_DIGIT_3), runtime::LED_OFF);
    // Back to AUTO.
    choose(kMaster);
    rig_.press(runtime::KEY_DIGIT_1, 20);
    rig_.press(KEY_ESC, 20);
    EXPECT_EQ(u8(setup::kSetupAutoManual), 0);
}

TEST_F(LinkMenu, DmxInSwitchesBlockOneOffAndSlaveThenShowsItOff) {
    open();
    set_block(1, 1, 100);
    choose(kDmxIn);
    rig_.press(KEY_ESC, 20);
    EXPECT_EQ(u8(setup::kSetupDmxIn1Enabled), 0);
    EXPECT_EQ(i16(setup::kSetupDmxIn1Start), 0);
    platform::machine().graphics.clear_call_log();
    choose(kSlave);
    EXPECT_TRUE(drawn("PLAYBACKS-MASTERS-CUES : 000"));
    rig_.press(KEY_ESC, 20);
    rig_.press(KEY_ESC, 20);
}

TEST_F(LinkMenu, AfterSaveTheFirstInputChannelDrivesPlaybackOne) {
    open();
    choose(kSlave);
    enter("1");
    rig_.press(KEY_ESC, 20);
    rig_.press(runtime::KEY_DIGIT_1, 20);  // DIGITAL
    EXPECT_EQ(setup::dmx_in1_enabled, 0) << "the show reads the saved setup only";
    click(415, 445);  // EXIT, then SAVE
    click(465, 445);
    rig_.run_ms(200);
    ASSERT_EQ(runtime::mode_flags & runtime::MODE_IN_SETUP, 0u);
    EXPECT_EQ(setup::dmx_in1_enabled, 1);
    EXPECT_EQ(setup::dmx_in1_start, 1);
    rig_.set_playback_fader(1, 0);
    rig_.set_dmx_input(1, 1, 150);
    rig_.run_ms(30);
    EXPECT_EQ(playback::playback_levels[1], 150 * 257);
}

TEST(DmxInputBlocks, TheShowStartsWithTheBlocksOfItsSetup) {
    rig::ProgramDir dir = rig::ProgramDir::demo();
    lay_out_demo_rig(dir);
    std::vector<uint8_t> file = demo_rig_file("data/setup.dat");
    constexpr size_t kVersionChars = 12;  // "VERSION 7.01" before the block
    file[kVersionChars + setup::kSetupDmxIn1Enabled] = 1;
    file[kVersionChars + setup::kSetupDmxIn1Start] = 5;
    file[kVersionChars + setup::kSetupDmxIn2Enabled] = 1;
    file[kVersionChars + setup::kSetupDmxIn2Start] = 200;
    file[kVersionChars + setup::kSetupDmxIn2Mode] = 1;
    dir.write_file("data/setup.dat", file);
    rig::Rig rig;
    rig::start_console(rig, dir);
    EXPECT_EQ(setup::dmx_in1_enabled, 1);
    EXPECT_EQ(setup::dmx_in1_start, 5);
    EXPECT_EQ(setup::dmx_in2_enabled, 1);
    EXPECT_EQ(setup::dmx_in2_start, 200);
    EXPECT_EQ(setup::dmx_in2_mode, 1);
    rig.set_playback_fader(1, 0);
    rig.set_dmx_input(1, 5, 90);
    rig.run_ms(30);
    EXPECT_EQ(playback::playback_levels[1], 90 * 257);
}

}  // namespace
}  // namespace setup_test
