// The right panel's modes, its pages and the keys routed by wheel mode,
// through the panel, page, arrow and EDIT VALUE keys of the running console.
#include "ui/panel_modes.h"

#include <gtest/gtest.h>
#include "runtime/config_records.h"

#include <algorithm>
#include <string>
#include <vector>

#include "../setup/demo_rig_files.h"
#include "memories/master_state.h"
#include "memories/memories.h"
#include "playback/playback_state.h"
#include "programmer/commands.h"
#include "rig/console.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/show_tables.h"
#include "runtime/step_log.h"
#include "ui/fader_widget.h"
#include "ui/helpers.h"
#include "ui/message_line.h"

namespace {

using namespace runtime::keys;
using platform::LedState;
using Calls = std::vector<std::string>;

constexpr uint32_t kSettle_ms = 20;

void show_panel(uint8_t panel) {
    runtime::mode_flags = (runtime::mode_flags & ~runtime::MODE_PANEL_FIELD) | (static_cast<uint32_t>(panel) << 2);
}

class PanelModes : public ::testing::Test {
protected:
    rig::Rig rig;
    rig::ProgramDir dir = rig::ProgramDir::demo();

    void SetUp() override {
        rig::start_console(rig, dir);
        ASSERT_FALSE(rig.finished());
        runtime::display_mode = 2;
        runtime::mode_flags &= ~runtime::MODE_CUE_SCREEN;
        rig.run_ms(kSettle_ms);
        runtime::clear_step_log();
    }

    void expect_panel_leds(LedState first, LedState second, LedState third) {
        EXPECT_EQ(rig.key_led(KEY_PANEL_1), first);
        EXPECT_EQ(rig.key_led(KEY_PANEL_2), second);
        EXPECT_EQ(rig.key_led(KEY_PANEL_3), third);
    }
};

TEST_F(PanelModes, KeyOneSwitchesBetweenPanelsOneAndFive) {
    show_panel(2);
    runtime::option_flags &= ~runtime::OPT_FIXTURE_PANEL_RESTORED;
    rig.press(KEY_PANEL_1, 10);
    EXPECT_EQ(ui::shown_panel(), 1);
    expect_panel_leds(LedState::lit, LedState::off, LedState::off);
    EXPECT_NE(runtime::option_flags & runtime::OPT_FIXTURE_PANEL_RESTORED, 0u) << "the stage plan is drawn again";
    rig.press(KEY_PANEL_1, 10);
    EXPECT_EQ(ui::shown_panel(), 5);
    expect_panel_leds(LedState::lit, LedState::off, LedState::off);
    EXPECT_NE(runtime::option_flags & runtime::OPT_ANALOGUE_VIEW, 0u);
    rig.press(KEY_PANEL_1, 10);
    EXPECT_EQ(ui::shown_panel(), 1);
    // From another panel key 161 returns to the panel of the pair shown last.
    rig.press(KEY_PANEL_1, 10);
    rig.press(KEY_PANEL_2, 10);
    EXPECT_EQ(ui::shown_panel(), 2);
    expect_panel_leds(LedState::off, LedState::lit, LedState::off);
    rig.press(KEY_PANEL_1, 10);
    EXPECT_EQ(ui::shown_panel(), 5);
}

TEST_F(PanelModes, KeyThreeReturnsToTheTableShownLast) {
    show_panel(2);
    rig.press(KEY_PANEL_3, 10);
    EXPECT_EQ(ui::shown_panel(), 3);
    EXPECT_EQ(runtime::option_flags & runtime::OPT_OUTPUT_VALUES_VIEW, 0u);
    expect_panel_leds(LedState::off, LedState::off, LedState::lit);
    EXPECT_NE(runtime::option_flags & runtime::OPT_TABLE_VIEW, 0u);
    rig.press(KEY_PANEL_3, 10);
    EXPECT_EQ(ui::shown_panel(), 4);
    EXPECT_NE(runtime::option_flags & runtime::OPT_OUTPUT_VALUES_VIEW, 0u);
    rig.press(KEY_PANEL_2, 10);
    rig.press(KEY_PANEL_3, 10);
    EXPECT_EQ(ui::shown_panel(), 4);
    EXPECT_EQ(ui::remembered_table_panel(), 4);
}

TEST_F(PanelModes, HoldingKeyThreeInTheOutputTableOnlyShowsTheValues) {
    show_panel(2);
    rig.press(KEY_PANEL_3, 10);
    rig.press(KEY_PANEL_3, 10);
    ASSERT_EQ(ui::shown_panel(), 4);
    runtime::option_flags |= runtime::OPT_TABLE_VIEW;  // the table drew itself
    rig.press(KEY_PANEL_3, 2500);
    EXPECT_EQ(ui::shown_panel(), 4);
    rig.press(KEY_PANEL_3, 100);
    EXPECT_EQ(ui::shown_panel(), 3);
}

TEST_F(PanelModes, PanelTwoAlreadyShownIsNotDrawnAgain) {
    show_panel(1);
    runtime::option_flags &= ~runtime::OPT_MEMORY_LIST;
    runtime::option_flags |= runtime::OPT_SEQUENCE_PANEL;  // already up: not drawn again
    memories::memory_list_page = 7;
    memories::current_memory = 455;
    rig.machine().graphics.clear_call_log();
    rig.press(KEY_PANEL_2, 10);
    // Page 7 drawn (memory 421 first), memory 455 (entry 35, second column) highlighted.
    const std::vector<std::string> drawn = rig.machine().graphics.call_log();
    EXPECT_NE(std::find(drawn.begin(), drawn.end(), "_outtextxy(234,261,\" 421\")"), drawn.end());
    EXPECT_EQ(rig.pixel(400, 365), 2);
    ASSERT_NE(runtime::option_flags & runtime::OPT_MEMORY_LIST, 0u);
    runtime::clear_step_log();
    rig.press(KEY_PANEL_2, 10);
    EXPECT_EQ(runtime::logged_calls(), Calls{});
    // On the cue screen the cue grid, in threshold mode the thresholds.
    runtime::mode_flags |= runtime::MODE_CUE_SCREEN;
    rig.press(KEY_PANEL_2, 10);
    EXPECT_NE(runtime::option_flags & runtime::OPT_CUE_GRID, 0u);  // the cue grid took the panel
    EXPECT_EQ(runtime::option_flags & runtime::OPT_MEMORY_LIST, 0u);
    runtime::mode_flags &= ~runtime::MODE_CUE_SCREEN;
    runtime::option_flags &= ~runtime::OPT_MEMORY_LIST;
    runtime::run_flags |= runtime::RUN_THRESHOLD_MODE;
    memories::current_threshold = 12;
    runtime::clear_step_log();
    rig.press(KEY_PANEL_2, 10);
    // The names list, threshold 12's field (first column) highlighted in colour 1.
    EXPECT_NE(runtime::option_flags & runtime::OPT_THRESHOLD_SCREEN, 0u);
    EXPECT_EQ(rig.pixel(355, 372), 1);
    EXPECT_EQ(rig.pixel(355, 382), 0);
    runtime::run_flags &= ~runtime::RUN_THRESHOLD_MODE;
}

TEST_F(PanelModes, MemoryListPagesStopAtOneAndFiftyEight) {
    show_panel(2);
    runtime::option_flags |= runtime::OPT_MEMORY_LIST;
    memories::memory_list_page = 56;
    memories::current_memory = 4000;  // on page 58
    rig.machine().graphics.clear_call_log();
    for (int i = 0; i < 4; ++i) rig.press(KEY_PAGE_DOWN, 5);
    EXPECT_EQ(memories::memory_list_page, ui::kMemoryListPages);
    // Page 58 drawn three times (memory 4000 is its entry 10), with 4000 highlighted.
    const std::vector<std::string> drawn = rig.machine().graphics.call_log();
    EXPECT_EQ(std::count(drawn.begin(), drawn.end(), "_outtextxy(234,351,\"4000\")"), 3);
    EXPECT_EQ(rig.pixel(300, 355), 2);
    memories::memory_list_page = 2;
    for (int i = 0; i < 3; ++i) rig.press(KEY_PAGE_UP, 5);
    EXPECT_EQ(memories::memory_list_page, 1);
}

TEST_F(PanelModes, CuePagesStopAtOneAndSixteen) {
    show_panel(2);
    runtime::mode_flags |= runtime::MODE_CUE_SCREEN;
    runtime::cue_screen_page = 15;
    for (int i = 0; i < 3; ++i) rig.press(KEY_PAGE_DOWN, 5);
    EXPECT_EQ(runtime::cue_screen_page, ui::kCueScreenPages);
    EXPECT_EQ(runtime::key_led_cache[static_cast<size_t>(runtime::group_key(16))], runtime::LED_ON);  // page 16 shown
    runtime::cue_screen_page = 1;
    rig.press(KEY_PAGE_UP, 5);
    EXPECT_EQ(runtime::cue_screen_page, 1);
    EXPECT_EQ(runtime::key_led_cache[static_cast<size_t>(runtime::group_key(1))], runtime::LED_ON);  // page 1 shown
}

TEST_F(PanelModes, PageKeysPageTheValueTableWhenItIsShown) {
    show_panel(3);
    runtime::option_flags |= runtime::OPT_TABLE_VIEW | runtime::OPT_MEMORY_LIST;
    // Down: the table's second half, then the next fixture page; up: back.
    rig.press(KEY_PAGE_DOWN, 5);
    rig.press(KEY_PAGE_DOWN, 5);
    EXPECT_EQ(runtime::fixture_page, 2);
    rig.press(KEY_PAGE_UP, 5);
    rig.press(KEY_PAGE_UP, 5);
    EXPECT_EQ(runtime::fixture_page, 1);
}

TEST_F(PanelModes, ArrowsAndEditValueGoWhereTheWheelModeSays) {
    struct Case {
        uint8_t display;
        int16_t key;
        bool sequence_panel;
        Calls expected;
        uint8_t selected_master = 0;  // the master selected afterwards, 0 not looked at
        uint8_t selected_playback = 0;  // the playback selected afterwards, 0 not looked at
        uint8_t active_control = 0;     // the sequence's active control afterwards, 0 not looked at
        const char* message = nullptr;  // the entry that opens, null none
    };
    memories::selected_master = 2;
    playback::selected_playback = 7;
    playback::sequence_selected_control = {0, 2, 2, 3, 2};
    const std::vector<Case> cases = {
        {3, KEY_LEFT, false, {}, 1},
        {3, KEY_RIGHT, false, {}, 2},
        {4, KEY_LEFT, false, {}, 0, 6},
        {4, KEY_RIGHT, false, {}, 0, 7},
        {6, KEY_LEFT, false, {}, 0, 0, 1},
        {8, KEY_RIGHT, false, {}, 0, 0, 3},
        {2, KEY_EDIT_VALUE, false, {}},  // no current fixture: no value entry (see the demo-rig test below)
        {7, KEY_EDIT_VALUE, false, {}, 0, 0, 3, "EDIT WAIT DELAY"},
        {3, KEY_EDIT_VALUE, false, {}},
        {1, KEY_LEFT, false, {}},
    };
    for (const Case& c : cases) {
        runtime::display_mode = c.display;
        runtime::clear_step_log();
        rig.press(c.key, 10);
        Calls calls = runtime::logged_calls();
        EXPECT_EQ(calls, c.expected) << int{c.display} << " key " << c.key;
        if (c.selected_master != 0) {
            EXPECT_EQ(memories::selected_master, c.selected_master) << " key " << c.key;
        }
        if (c.selected_playback != 0) {
            EXPECT_EQ(playback::selected_playback, c.selected_playback) << " key " << c.key;
        }
        if (c.active_control != 0) {
            EXPECT_EQ(playback::sequence_selected_control[static_cast<size_t>(c.display - 4)], c.active_control)
                << " key " << c.key;
        }
        if (c.message != nullptr) {
            EXPECT_EQ(ui::current_message(), c.message) << " key " << c.key;
            rig.press(KEY_ESC, 10);
        }
    }
}

TEST_F(PanelModes, ArrowsOnTheFixtureFadersMoveTheSelectionAndTurnThePage) {
    runtime::display_mode = 2;
    runtime::fader_bank = 0;
    runtime::function_count = 20;
    runtime::function_page = 1;
    runtime::selected_fader_bank0 = 16;
    rig.press(KEY_RIGHT, 10);
    EXPECT_EQ(runtime::function_page, 2);
    EXPECT_EQ(runtime::selected_fader_bank0, 1) << "page 2 starts at its first fader";

    runtime::clear_step_log();
    rig.press(KEY_LEFT, 10);
    EXPECT_EQ(runtime::function_page, 1);
    EXPECT_EQ(runtime::selected_fader_bank0, 16) << "page 1 is entered at its last fader";

    runtime::function_page = 1;
    runtime::selected_fader_bank0 = 5;
    runtime::clear_step_log();
    rig.press(KEY_RIGHT, 10);
    EXPECT_EQ(runtime::selected_fader_bank0, 6);

    // No functions in bank 0: nothing.
    runtime::function_count = 0;
    runtime::clear_step_log();
    rig.press(KEY_RIGHT, 10);
    EXPECT_EQ(runtime::logged_calls(), Calls{});
}

TEST_F(PanelModes, LeavingTheAnalogueViewSavesItsPictureAndTakesTheFadersOff) {
    show_panel(2);
    rig.press(KEY_PANEL_1, 10);
    rig.press(KEY_PANEL_1, 10);
    ASSERT_EQ(ui::shown_panel(), 5);
    runtime::option_flags |= runtime::OPT_ANALOGUE_VIEW;  // the view drew itself and its faders
    for (auto& widget : ui::master_fader_widgets) widget.shown = 1;
    for (auto& widget : ui::playback_fader_widgets) widget.shown = 1;
    ui::fill_box(229, 105, 639, 479, 9);
    rig.press(KEY_PANEL_1, 10);
    EXPECT_EQ(ui::shown_panel(), 1);
    for (int i = 1; i <= ui::kMasterFaderWidgets; ++i) EXPECT_EQ(ui::master_fader_widgets[i].shown, 0) << i;
    for (int i = 1; i <= ui::kPlaybackFaderWidgets; ++i) EXPECT_EQ(ui::playback_fader_widgets[i].shown, 0) << i;
    EXPECT_EQ(rig.pixel(400, 300), 0);  // the panel cleared for the sequence and fixture panels
    EXPECT_EQ(runtime::option_flags & runtime::OPT_ANALOGUE_VIEW, 0u);
}

// The console with the demo rig's fixtures, fixture 1 (a SPOT16) selected.
class PanelModesOnDemoRig : public PanelModes {
protected:
    void SetUp() override {
        setup_test::lay_out_demo_rig(dir);
        PanelModes::SetUp();
        if (HasFatalFailure()) return;
        programmer::fixture_selected.fill(0);
        rig.press(runtime::fixture_key(1), 10);
        ASSERT_EQ(runtime::current_fixture, 1);
        runtime::clear_step_log();
    }
};

TEST_F(PanelModesOnDemoRig, SidewaysArrowsInPanTiltModeSelectTheFirstFader) {
    runtime::fader_bank = 0;
    runtime::selected_fader_bank0 = 5;
    runtime::mode_flags |= runtime::MODE_TRACKERBALL_PANTILT;
    rig.press(KEY_UP, 10);  // up and down do nothing
    EXPECT_EQ(runtime::selected_fader_bank0, 5);
    EXPECT_NE(runtime::mode_flags & runtime::MODE_TRACKERBALL_PANTILT, 0u);
    rig.press(KEY_LEFT, 10);
    EXPECT_EQ(runtime::selected_fader_bank0, 1);
    EXPECT_EQ(runtime::mode_flags & runtime::MODE_TRACKERBALL_PANTILT, 0u) << "the fader takes the trackerball back";
}

TEST_F(PanelModesOnDemoRig, EditValueOnTheFixtureFadersTypesTheSelectedFadersValue) {
    constexpr int16_t kIntensity = 14;  // fixture 1's records start at 1
    runtime::display_mode = 2;
    rig.press(runtime::fader_key(kIntensity), 10);
    runtime::mode_flags &= ~runtime::MODE_PERCENT;
    rig.press(KEY_EDIT_VALUE, 10);
    EXPECT_EQ(rig.key_led(KEY_EDIT_VALUE), LedState::lit) << "the entry waits for digits";
    EXPECT_EQ(ui::current_message(), "EDIT DIGITAL CHANNEL-VALUE");
    rig.press(runtime::digit_key(4), 10);
    rig.press(runtime::digit_key(2), 10);
    rig.press(KEY_ENTER, 10);
    EXPECT_EQ(rig.key_led(KEY_EDIT_VALUE), LedState::off);
    EXPECT_EQ(runtime::programmer_values[kIntensity], 42);
}

}  // namespace
