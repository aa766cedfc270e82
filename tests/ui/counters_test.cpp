// The free counters, the page titles and the wheel mode on a started
// console: figures and their places, the PREP and TRACE marks, the mouse
// range of the fixture-page title, and the wheel-mode keys with their
// titles, panel and LEDs.
#include "ui/counters.h"
#include "ui/panel_modes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "datafiles/cue_memory_file.h"
#include "memories/memory_index.h"
#include "platform/graphics.h"
#include "playback/sequence_engine.h"
#include "playback/cue_tables.h"
#include "playback/playback_state.h"
#include "rig/console.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/step_log.h"
#include "setup/setup_data.h"
#include "ui/helpers.h"
#include "screen_console.h"

namespace {

using platform::LedState;
using screen_test::contains;
using screen_test::set_flag;
using screen_test::text_call;
using platform::Rect;

constexpr int kRed = 4;
constexpr int kLightBlue = 9;
constexpr int kYellow = 14;

constexpr Rect kTitleStrip{2, 0, 220, 9};
constexpr Rect kSeqA{275, 111, 314, 118};
constexpr Rect kSeqC{475, 111, 514, 118};

int small_text_width(const std::string& text) {
    ui::set_text_style(2, 0, 4);
    return platform::_textwidth(text);
}

class Counters : public screen_test::ScreenConsole {};

// ------------------------------------------------------------------ free counters

TEST_F(Counters, FreeCountersShowWhatIsLeft) {
    struct Case {
        uint16_t memories_used;
        uint16_t cue_memories_used;
        int16_t cues_used;
        const char* memories;
        const char* cue_memories;
        const char* cues;
    };
    const Case cases[] = {
        {0, 0, 0, "4000", "2000", "11200"},
        {4000, 2000, 11200, "0", "0", "0"},  // all used: every counter shows 0
        {1234, 17, 200, "2766", "1983", "11000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.memories);
        memories::memory_used_count = c.memories_used;
        datafiles::memcue_used_count = c.cue_memories_used;
        playback::cue_used_count = c.cues_used;
        platform::_cleardevice();
        graphics().clear_call_log();
        ui::draw_free_counters();
        const std::vector<std::string> log = calls();
        EXPECT_TRUE(contains(log, text_call(2 + (40 - small_text_width(c.memories)) / 2, 319, c.memories)));
        EXPECT_TRUE(contains(log, text_call(111 + (30 - small_text_width(c.cue_memories)) / 2, 319, c.cue_memories)));
        EXPECT_TRUE(contains(log, text_call(2 + (40 - small_text_width(c.cues)) / 2, 332, c.cues)));
        EXPECT_TRUE(contains(log, text_call(44, 319, "/4000 mems")));
        EXPECT_TRUE(contains(log, text_call(143, 319, "/2000 cuemems")));
        EXPECT_TRUE(contains(log, text_call(44, 332, "cues available of 11200")));
        // The three red boxes, and the frame round them.
        for (const Rect& box : {Rect{2, 316, 41, 316}, Rect{111, 316, 140, 316}, Rect{2, 330, 41, 330}}) {
            EXPECT_EQ(platform::count_pixels(kRed, box), box.x2 - box.x1 + 1);
        }
        EXPECT_EQ(platform::count_pixels(7, Rect{1, 342, 221, 342}), 221);
    }
}

TEST_F(Counters, AStoreRedrawsOnlyItsCounter) {
    platform::_cleardevice();
    ui::draw_free_memory_count(3999);
    EXPECT_TRUE(contains(calls(), "_bar(2,316,41,328)"));
    EXPECT_TRUE(contains(calls(), text_call(2 + (40 - small_text_width("3999")) / 2, 319, "3999")));
    EXPECT_EQ(platform::count_pixels(kRed, Rect{2, 316, 41, 328}) + platform::count_pixels(kYellow, Rect{2, 316, 41, 328}),
              40 * 13);
    EXPECT_EQ(platform::count_pixels(0, Rect{42, 0, 639, 479}), 598 * 480) << "nothing beside the box";
}

// ------------------------------------------------------------------ page titles

// The title strip as the cue page title must look: the text centred on x 100.
std::string expected_title(const std::string& text, int16_t colour) {
    platform::_cleardevice();
    const int x = 100 - platform::_textwidth(text) / 2;
    ui::draw_bitmap_text(static_cast<int16_t>(x), 0, colour, text.c_str());
    return platform::region_text(kTitleStrip);
}

TEST_F(Counters, CuePageTitleMarksFollowThePageOrTheGlobalSetting) {
    struct Case {
        int16_t page;
        uint8_t prepare;  // the page's own modes: 0 follow, 1 on, other off
        uint8_t trace;
        uint8_t global_prepare;
        uint8_t global_trace;
        const char* title;
    };
    const Case cases[] = {
        {3, 0, 1, 1, 0, "CUE-PAGE 3 PREP TRACE"},  // both marks, PREP first
        {5, 2, 0, 1, 0, "CUE-PAGE 5"},             // the page's own "off" beats the global setting
        {1, 1, 0, 0, 1, "CUE-PAGE 1 PREP TRACE"},
        {16, 0, 3, 0, 1, "CUE-PAGE 16"},
        {9, 0, 0, 0, 1, "CUE-PAGE 9 TRACE"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        setup::SetupData& data = setup::setup_data;
        data.set_u8(setup::kSetupCuePagePreparation + static_cast<size_t>(c.page - 1), c.prepare);
        data.set_u8(setup::kSetupCuePageTracing + static_cast<size_t>(c.page - 1), c.trace);
        data.set_u8(setup::kSetupAutoprepare, c.global_prepare);
        data.set_u8(setup::kSetupAutotrace, c.global_trace);
        runtime::cue_screen_page = c.page;
        ui::set_text_style(2, 0, 4);
        const std::string expected = expected_title(c.title, kYellow);
        platform::_cleardevice();
        platform::_setfillstyle(platform::kSolidFill, kRed);
        platform::_bar(2, 0, 220, 9);  // an old title under it is cleared
        ui::draw_cue_page_title(kYellow);
        EXPECT_EQ(platform::region_text(kTitleStrip), expected);
    }
}

TEST_F(Counters, FixturePageTitleHighlightTakesTheMouseToTheFixturePanel) {
    runtime::fixture_page = 4;
    platform::_cleardevice();
    ui::draw_fixture_page_title(kYellow);
    const platform::Mouse& mouse = rig_.machine().mouse;
    EXPECT_EQ((std::vector<int>{mouse.x_min, mouse.y_min, mouse.x_max, mouse.y_max}), (std::vector<int>{3, 12, 210, 203}));
    EXPECT_TRUE(mouse.cursor_shown());
    const std::string highlighted = platform::region_text(Rect{57, 0, 57 + 8 * 14, 7});
    platform::_cleardevice();
    ui::draw_bitmap_text(57, 0, kYellow, "FIXTURE-PAGE 4");
    EXPECT_EQ(platform::region_text(Rect{57, 0, 57 + 8 * 14, 7}), highlighted);

    ui::draw_fixture_page_title(kLightBlue);
    EXPECT_EQ((std::vector<int>{mouse.x_min, mouse.y_min, mouse.x_max, mouse.y_max}), (std::vector<int>{0, 0, 640, 480}));
    EXPECT_FALSE(mouse.cursor_shown());
    EXPECT_GT(platform::count_pixels(kLightBlue, Rect{57, 0, 169, 7}), 0);
}

// ------------------------------------------------------------------ wheel mode

TEST_F(Counters, SequenceKeysMoveTheHighlightBetweenSequences) {
    ASSERT_EQ(runtime::display_mode, 2);
    ASSERT_NE(runtime::option_flags & runtime::OPT_SEQUENCE_PANEL, 0u);
    playback::sequence_table[1].mode = 0x11;  // sequence A runs, manual: it waits for its GO
    playback::sequence_table[1].flags = 1;   // on its start memory 3
    playback::sequence_table[1].start_memory = 3;
    playback::sequence_current_step[1] = 1;
    playback::sequence_current_memory[1] = 3;
    // Sequence C: stopped, backward, SYNC, manual, fade time control active.
    playback::sequence_table[3].mode = 1u << 6 | 1u << 2 | 1u << 4;
    playback::sequence_selected_control[3] = 2;

    rig_.press(runtime::KEY_SEQUENCE_A);
    EXPECT_EQ(runtime::display_mode, 5);
    EXPECT_GT(platform::count_pixels(kYellow, kSeqA), 0);
    EXPECT_EQ(led_after_sending(runtime::KEY_SEQUENCE_RUN), LedState::lit) << "the selected sequence runs";

    runtime::clear_step_log();
    rig_.press(runtime::KEY_SEQUENCE_C);
    EXPECT_EQ(runtime::display_mode, 7);
    EXPECT_NE(runtime::option_flags & runtime::OPT_SEQUENCE_PANEL, 0u) << "the panel stays open";
    EXPECT_EQ(platform::count_pixels(kYellow, kSeqA), 0);
    EXPECT_GT(platform::count_pixels(kLightBlue, kSeqA), 0);
    EXPECT_GT(platform::count_pixels(kYellow, kSeqC), 0);
    EXPECT_EQ(platform::count_pixels(kLightBlue, kSeqC), 0);
    EXPECT_EQ(led_after_sending(runtime::KEY_SEQUENCE_A), LedState::lit) << "sequence A runs";
    // The selected-sequence keys show C: backward, SYNC, manual, control 2.
    for (int16_t key : {226, 232, 244}) EXPECT_EQ(led_after_sending(key), LedState::lit) << key;
    for (int16_t key : {221, 227, 237, 242, 243, 245}) EXPECT_EQ(led_after_sending(key), LedState::off) << key;

    // The mode already selected: nothing at all, not even an LED.
    runtime::set_key_led(runtime::KEY_SEQUENCE_RUN, runtime::LED_ON);
    ASSERT_EQ(led_after_sending(runtime::KEY_SEQUENCE_RUN), LedState::lit);
    runtime::clear_step_log();
    graphics().clear_call_log();
    rig_.press(runtime::KEY_SEQUENCE_C);
    EXPECT_EQ(runtime::display_mode, 7);
    std::vector<std::string> drawn = calls();
    // The poll keeps the drawing colour and text style as it found them.
    std::erase_if(drawn, [](const std::string& call) {
        return call.rfind("_setcolor(", 0) == 0 || call.rfind("_getcolor(", 0) == 0 ||
               call.rfind("_settextstyle(", 0) == 0 || call.rfind("_gettextsettings(", 0) == 0;
    });
    EXPECT_TRUE(drawn.empty()) << ::testing::PrintToString(drawn);
    EXPECT_TRUE(runtime::logged_calls().empty());
    EXPECT_EQ(led_after_sending(runtime::KEY_SEQUENCE_RUN), LedState::lit);
}

TEST_F(Counters, ASequenceModeOpensTheSequencePanelWhenItIsNotShown) {
    struct Case {
        bool cue_screen;
        const char* panel_call;
    };
    for (const Case& c : {Case{false, "panel 1"}, Case{true, "panel 2"}}) {
        SCOPED_TRACE(c.panel_call);
        runtime::display_mode = 2;
        runtime::option_flags &= ~runtime::OPT_SEQUENCE_PANEL;
        set_flag(runtime::mode_flags, runtime::MODE_CUE_SCREEN, c.cue_screen);
        runtime::set_key_led(runtime::KEY_SEQUENCE_DIRECTION_2, runtime::LED_OFF);
        ui::select_wheel_mode(6);
        EXPECT_EQ(ui::shown_panel(), c.cue_screen ? ui::kPanelLists : ui::kPanelSequence);
        EXPECT_NE(runtime::option_flags & runtime::OPT_SEQUENCE_PANEL, 0u);
        // B's keys are shown: it goes forward.
        EXPECT_EQ(led_after_sending(runtime::KEY_SEQUENCE_DIRECTION_2), LedState::lit);
        EXPECT_EQ(runtime::display_mode, 6);
    }
}

TEST_F(Counters, WheelModeKeysLeaveASequenceForTheFadersAndPlaybacks) {
    rig_.press(runtime::KEY_SEQUENCE_A);
    ASSERT_EQ(runtime::display_mode, 5);
    ASSERT_GT(platform::count_pixels(kYellow, kSeqA), 0);

    graphics().clear_call_log();
    rig_.press(runtime::KEY_WHEEL_MODE_2);  // fixture faders
    EXPECT_EQ(runtime::display_mode, 2);
    EXPECT_EQ(platform::count_pixels(kYellow, kSeqA), 0);
    EXPECT_GT(platform::count_pixels(kLightBlue, kSeqA), 0);
    EXPECT_GT(platform::count_pixels(kYellow, Rect{410, 3, 537, 10}), 0);  // "CONTROL CHANNELS"
    EXPECT_EQ(led_after_sending(runtime::KEY_SEQUENCE_A), LedState::off);

    rig_.press(runtime::KEY_WHEEL_MODE_4);  // playbacks
    EXPECT_EQ(runtime::display_mode, 4);
    rig_.press(runtime::KEY_SEQUENCE_D);
    EXPECT_EQ(runtime::display_mode, 8);
    EXPECT_GT(platform::count_pixels(kYellow, Rect{575, 111, 614, 118}), 0);
}

TEST_F(Counters, LeavingTheFaderModeLightsTheSelectedFaderKey) {
    struct Case {
        const char* name;
        int16_t bank;
        bool pantilt;
        int16_t key;
        LedState led;
    };
    const Case cases[] = {
        {"bank 0", 0, false, runtime::fader_key(3), LedState::lit},
        {"bank 2", 2, false, runtime::fader_key(7), LedState::lit},
        {"pan/tilt on the trackerball", 0, true, runtime::KEY_TRACKERBALL_PANTILT, LedState::off},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        runtime::display_mode = 2;
        runtime::current_fixture = 1;
        runtime::fader_bank = c.bank;
        runtime::selected_fader_bank0 = 3;
        runtime::selected_fader_bank2 = 7;
        set_flag(runtime::mode_flags, runtime::MODE_TRACKERBALL_PANTILT, c.pantilt);
        runtime::set_key_led(c.key, c.led == LedState::lit ? runtime::LED_OFF : runtime::LED_ON);
        ui::select_wheel_mode(3);
        EXPECT_EQ(runtime::display_mode, 3);
        EXPECT_EQ(led_after_sending(c.key), c.led);
    }
}

TEST_F(Counters, MouseModeTitleIsDimmedWhenLeftOffTheCueScreen) {
    runtime::display_mode = 1;
    runtime::fixture_page = 2;
    set_flag(runtime::mode_flags, runtime::MODE_CUE_SCREEN, false);
    platform::_cleardevice();
    ui::select_wheel_mode(4);
    EXPECT_GT(platform::count_pixels(kLightBlue, Rect{57, 0, 169, 7}), 0);
    EXPECT_FALSE(rig_.machine().mouse.cursor_shown());

    // On the cue screen the fixture title is not there to dim.
    runtime::display_mode = 1;
    set_flag(runtime::mode_flags, runtime::MODE_CUE_SCREEN, true);
    platform::_cleardevice();
    ui::select_wheel_mode(4);
    EXPECT_EQ(platform::count_pixels(kLightBlue, Rect{0, 0, 639, 9}), 0);
}

}  // namespace
