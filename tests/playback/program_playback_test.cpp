// PROGRAM PLAYBACK at the running demo console, opened with EDIT ITEM and a
// playback key: what the dialog puts on the screen and the LEDs, over the
// analogue faders, and the threshold grid while THRESHOLD is held.
#include "playback/program_playback.h"

#include <gtest/gtest.h>

#include <vector>

#include "../programmer/programmer_test_rig.h"
#include "playback/playback_state.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "ui/fader_widget.h"
#include "ui/message_line.h"
#include "ui/panel_modes.h"

namespace {

using namespace runtime::keys;

constexpr const char* kDialogMessage = "PROGRAM PLAYBACK (ESC=CANCEL)";
constexpr int kPlayback = 7;

class ProgramPlayback : public programmer_test::DemoRig {
protected:
    void press(int16_t key) {
        rig_.press(key);
        rig_.run_ms(50);
    }
    // EDIT ITEM held, then the playback's flash key: the dialog.
    void open_dialog() {
        rig_.hold(KEY_EDIT_ITEM, 300);
        rig_.hold(playback_key(kPlayback), 100);
        rig_.release(KEY_EDIT_ITEM, 100);
        rig_.release(playback_key(kPlayback), 200);
        ASSERT_EQ(ui::current_message(), kDialogMessage);
    }
    // The right panel, (229,105)-(639,479).
    std::vector<uint8_t> right_panel() const {
        std::vector<uint8_t> out;
        for (int y = 105; y <= 479; ++y) {
            for (int x = 229; x <= 639; ++x) out.push_back(rig_.pixel(x, y));
        }
        return out;
    }
};

// Over the analogue faders the dialog takes the right panel: the fader
// widgets go off the screen, so a moving playback fader draws nothing into
// the dialog; the wheels turn to the playbacks and the panel keys go dark.
TEST_F(ProgramPlayback, OverTheAnalogueFadersAMovingFaderDrawsNothing) {
    press(KEY_PANEL_1);
    if (ui::shown_panel() != ui::kPanelAnalogue) press(KEY_PANEL_1);
    ASSERT_EQ(ui::shown_panel(), ui::kPanelAnalogue);
    ASSERT_NE(runtime::display_mode, 4);
    open_dialog();
    EXPECT_EQ(ui::playback_fader_widgets[1].shown, 0);
    EXPECT_EQ(ui::master_fader_widgets[1].shown, 0);
    EXPECT_EQ(runtime::display_mode, 4) << "the playbacks' wheels";
    EXPECT_EQ(rig_.key_led_state(playback_key(kPlayback)), runtime::LED_ON_BOTH);
    for (int16_t key : {KEY_PANEL_1, KEY_PANEL_2, KEY_PANEL_3}) EXPECT_EQ(rig_.key_led_state(key), runtime::LED_OFF) << key;
    EXPECT_NE(runtime::option_flags & runtime::OPT_SEQUENCE_PANEL, 0u) << "the sequence panel is drawn";

    const std::vector<uint8_t> before = right_panel();
    rig_.set_playback_fader(1, 200);
    rig_.run_ms(100);
    EXPECT_TRUE(before == right_panel()) << "a fader drew over the dialog";
    press(KEY_ESC);
}

// THRESHOLD held shows the threshold grid with the record's threshold
// highlighted; a fixture key moves the highlight; on release the fixture
// screen is back.
TEST_F(ProgramPlayback, ThresholdHeldShowsTheGridWithTheRecordsThreshold) {
    open_dialog();
    press(KEY_ADD_EVENTS);  // the current memory into the record
    rig_.hold(KEY_THRESHOLD, 100);
    EXPECT_NE(runtime::option_flags & runtime::OPT_THRESHOLD_GRID, 0u);
    EXPECT_EQ(ui::current_message(), "SELECT THRESHOLD (CLR=DEFAULT)");
    press(fixture_key(12));
    EXPECT_EQ(playback::playback_table[playback::kPlaybackEditRecord].threshold, 12);
    EXPECT_EQ(rig_.key_led_state(fixture_key(12)), runtime::LED_ON_2);
    rig_.release(KEY_THRESHOLD, 100);
    EXPECT_EQ(runtime::option_flags & runtime::OPT_THRESHOLD_GRID, 0u) << "the fixture screen is back";
    EXPECT_EQ(ui::current_message(), kDialogMessage);

    rig_.hold(KEY_THRESHOLD, 100);
    EXPECT_EQ(rig_.key_led_state(fixture_key(12)), runtime::LED_ON_2) << "the record's threshold";
    press(fixture_key(3));
    EXPECT_EQ(rig_.key_led_state(fixture_key(3)), runtime::LED_ON_2);
    EXPECT_NE(rig_.key_led_state(fixture_key(12)), runtime::LED_ON_2) << "the highlight moved";
    rig_.release(KEY_THRESHOLD, 100);
    press(KEY_ESC);
}

}  // namespace
