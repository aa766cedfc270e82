// The main-screen panels on a started console: the control-channel faders,
// the analogue fader view and the sequence panel of the right panel with
// their captured pictures, and the memory / cue panel with its labels.
#include "ui/panels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "../setup/demo_rig_files.h"
#include "datafiles/cue_memory_file.h"
#include "memories/memories.h"
#include "memories/memory_index.h"
#include "platform/graphics.h"
#include "playback/key_groups.h"
#include "playback/playback_state.h"
#include "playback/sequence_controls.h"
#include "playback/sequence_engine.h"
#include "programmer/commands.h"
#include "programmer/fader_panel.h"
#include "rig/console.h"
#include "runtime/card_discovery.h"
#include "runtime/config_records.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/startup.h"
#include "runtime/step_log.h"
#include "ui/counters.h"
#include "ui/fader_widget.h"
#include "ui/helpers.h"
#include "screen_console.h"

namespace {

using platform::LedState;
using screen_test::contains;
using screen_test::set_flag;
using screen_test::text_call;
using platform::Rect;

constexpr int kBlack = 0;
constexpr int kBlue = 1;
constexpr int kGreen = 2;
constexpr int kRed = 4;
constexpr int kLightGrey = 7;
constexpr int kDarkGrey = 8;
constexpr int kLightBlue = 9;
constexpr int kYellow = 14;

constexpr Rect kControlChannelPanel{229, 0, 639, 104};
constexpr Rect kAnalogueView{229, 107, 639, 479};
constexpr Rect kSequencePanel{230, 106, 630, 236};
constexpr Rect kCuePanel{1, 281, 221, 315};

int area(const Rect& r) { return (r.x2 - r.x1 + 1) * (r.y2 - r.y1 + 1); }

int count_starting(const std::vector<std::string>& log, const std::string& prefix) {
    return static_cast<int>(std::count_if(log.begin(), log.end(), [&](const std::string& line) { return line.rfind(prefix, 0) == 0; }));
}

// Text width in the small stroked font at the given size.
int text_width(int size, const std::string& text) {
    ui::set_text_style(2, 0, static_cast<int16_t>(size));
    return platform::_textwidth(text);
}

class Panels : public screen_test::ScreenConsole {};

// ------------------------------------------------------------------ control-channel faders

TEST_F(Panels, ControlChannelFadersFillTheTopRight) {
    platform::_cleardevice();
    runtime::current_fixture = -1;
    ui::draw_control_channel_faders();

    EXPECT_NE(runtime::option_flags & runtime::OPT_CONTROL_CHANNEL_FADERS, 0u);
    EXPECT_EQ(platform::count_pixels(kLightGrey, Rect{229, 0, 639, 0}), 411);      // outline
    EXPECT_EQ(platform::count_pixels(kBlue, Rect{231, 1, 637, 10}) + platform::count_pixels(kYellow, Rect{231, 1, 637, 10}),
              area(Rect{231, 1, 637, 10}));                                           // title strip and its title
    EXPECT_EQ(platform::count_pixels(kGreen, Rect{230, 11, 268, 103}), area(Rect{230, 11, 268, 103}));
    for (int i : {0, 7, 15}) {
        SCOPED_TRACE(i);
        const int x = 270 + 23 * i;
        // Frame of 21 x 87, label column dark grey, empty bar column 7 wide.
        EXPECT_EQ(platform::count_pixels(kLightGrey, Rect{x, 14, x + 21, 14}), 22);
        EXPECT_EQ(platform::count_pixels(kLightGrey, Rect{x, 101, x + 21, 101}), 22);
        EXPECT_EQ(platform::count_pixels(kBlack, Rect{x + 13, 15, x + 20, 100}), area(Rect{x + 13, 15, x + 20, 100}));
        EXPECT_EQ(platform::count_pixels(kDarkGrey, Rect{x + 1, 15, x + 12, 84}), area(Rect{x + 1, 15, x + 12, 84}));
        EXPECT_EQ(ui::function_fader_widgets[static_cast<size_t>(i + 1)].shown, 1);
    }
    // Nothing drawn outside the panel.
    EXPECT_EQ(platform::count_pixels(kBlack, Rect{0, 105, 639, 479}), 640 * 375);
    EXPECT_EQ(platform::count_pixels(kBlack, Rect{0, 0, 228, 104}), 229 * 105);
    // The title is in yellow in the strip.
    EXPECT_GT(platform::count_pixels(kYellow, Rect{410, 3, 537, 10}), 0);
    // Without a current fixture the faders stay empty; the fader key LEDs are set anyway (all off).
    EXPECT_EQ(runtime::logged_calls(), std::vector<std::string>{});
    for (int i = 1; i <= 16; ++i) EXPECT_EQ(runtime::key_led_cache[runtime::fader_key(i)], runtime::LED_OFF) << i;
}

// The console with the demo rig's fixtures, fixture 3 (a SPOT16, 16 functions) current.
class PanelsOnDemoRig : public Panels {
protected:
    void SetUp() override {
        setup_test::lay_out_demo_rig(dir_);
        Panels::SetUp();
        if (HasFatalFailure()) return;
        programmer::fixture_selected.fill(0);
        rig_.press(runtime::fixture_key(3), 10);
        ASSERT_EQ(runtime::current_fixture, 3);
        runtime::clear_step_log();
    }
};

TEST_F(PanelsOnDemoRig, ControlChannelFadersOfTheCurrentFixtureAreFilledByTheProgrammer) {
    runtime::fader_bank = 0;
    runtime::function_page = 1;
    runtime::selected_fader_bank0 = 5;
    runtime::display_mode = 2;
    runtime::mode_flags &= ~runtime::MODE_TRACKERBALL_PANTILT;
    for (int i = 1; i <= 16; ++i) {
        ui::function_fader_widgets[static_cast<size_t>(i)].number = 0;
        runtime::set_key_led(runtime::fader_key(i), runtime::LED_OFF);
    }
    ui::draw_control_channel_faders();
    EXPECT_EQ(programmer::fader_panel_kind, programmer::kPanelChannels);
    // Every fader shows its function's number, and its select key is lit.
    for (int i = 1; i <= 16; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(ui::function_fader_widgets[static_cast<size_t>(i)].number, i);
        if (i != 5) {
            EXPECT_EQ(runtime::key_led_cache[runtime::fader_key(i)], runtime::LED_ON);
        }
    }
    EXPECT_EQ(runtime::key_led_cache[runtime::fader_key(5)], runtime::LED_ON_2) << "the selected fader";
}

// ------------------------------------------------------------------ analogue fader view

TEST_F(Panels, AnalogueViewIsCapturedOnceAndPutBackAfterwards) {
    ui::free_panel_images();
    for (ui::FaderWidget& w : ui::master_fader_widgets) ui::hide_fader_widget(w);
    for (ui::FaderWidget& w : ui::playback_fader_widgets) ui::hide_fader_widget(w);
    platform::_cleardevice();
    ui::show_analogue_faders();

    EXPECT_NE(runtime::option_flags & runtime::OPT_ANALOGUE_VIEW, 0u);
    ASSERT_NE(ui::analogue_view_image, nullptr);
    // The view covers the whole right panel: its outline runs round it.
    for (const Rect& side : {Rect{229, 107, 639, 107}, Rect{229, 479, 639, 479}, Rect{229, 107, 229, 479}, Rect{639, 107, 639, 479}}) {
        EXPECT_EQ(platform::count_pixels(kLightGrey, side), area(side));
    }
    EXPECT_EQ(platform::count_pixels(kGreen, Rect{230, 119, 234, 478}), area(Rect{230, 119, 234, 478}));
    // The masters' red field and its downward label ("MASTERS", letter n at y 120 + 11 n).
    EXPECT_GT(platform::count_pixels(kRed, Rect{235, 123, 358, 239}), 0);
    const std::string masters = "MASTERS";
    for (size_t n = 1; n <= masters.size(); ++n) {
        EXPECT_TRUE(contains(calls(), text_call(245, 120 + 11 * static_cast<int>(n), masters.substr(n - 1, 1)))) << n;
    }
    EXPECT_TRUE(contains(calls(), text_call(367, 120 + 11 * 9, "S")));  // last letter of "PLAYBACKS"
    for (int m = 1; m <= ui::kMasterFaderWidgets; ++m) EXPECT_EQ(ui::master_fader_widgets[static_cast<size_t>(m)].shown, 1);
    for (int p = 1; p <= ui::kPlaybackFaderWidgets; ++p) EXPECT_EQ(ui::playback_fader_widgets[static_cast<size_t>(p)].shown, 1);
    const std::string first = platform::region_text(kAnalogueView);

    // Taken off the screen as another view covers it, then shown again:
    // only the picture comes back, with the widgets on it.
    for (ui::FaderWidget& w : ui::master_fader_widgets) ui::hide_fader_widget(w);
    for (ui::FaderWidget& w : ui::playback_fader_widgets) ui::hide_fader_widget(w);
    platform::_cleardevice();
    graphics().clear_call_log();
    const uint8_t* image = ui::analogue_view_image;
    ui::show_analogue_faders();
    EXPECT_EQ(ui::analogue_view_image, image);
    EXPECT_TRUE(contains(calls(), "_putimage(229,107,411x373,0)"));
    EXPECT_FALSE(contains(calls(), "_bar(229,107,639,479)")) << "the view was drawn again";
    EXPECT_EQ(platform::region_text(kAnalogueView), first);
}

// ------------------------------------------------------------------ sequence panel

TEST_F(Panels, SequenceStateByteGivesWordsAndLeds) {
    runtime::hw_option_flags.sequence_belts = 1;
    const int s = 2;
    // While it runs the sequence shows a memory and waits out a long delay,
    // so that the engine's LEDs agree with the panel's.
    playback::sequence_current_memory[s] = 1;
    playback::sequence_table[s].wait_delay = 60000;
    const int x0 = 100 * s;
    const Rect start{x0 + 134, 113, x0 + 155, 120};
    const Rect stop{x0 + 136, 126, x0 + 155, 133};
    const Rect sync{x0 + 136, 175, x0 + 155, 182};
    const Rect asyn{x0 + 136, 188, x0 + 155, 195};
    const Rect manu{x0 + 136, 211, x0 + 155, 218};
    const Rect autom{x0 + 136, 221, x0 + 155, 228};
    struct Case {
        const char* name;
        uint8_t state;
        std::vector<Rect> yellow;
        std::vector<Rect> blue;
        std::vector<std::pair<int16_t, LedState>> leds;  // key offset from 245 + 6 s
    };
    // Fields: run bits 0-1, sync 2-3, trigger 4-5, direction 6-7.
    const Case cases[] = {
        {"running, forward, automatic, asynchronous", 0x01, {start, asyn, autom}, {stop, sync, manu},
         {{0, LedState::lit}, {1, LedState::off}, {2, LedState::lit}, {3, LedState::off}, {4, LedState::lit}}},
        {"stopped, backward, manual, synchronised", 0x54, {stop, sync, manu}, {start, asyn, autom},
         {{0, LedState::off}, {1, LedState::lit}, {2, LedState::off}, {3, LedState::lit}, {4, LedState::off}}},
        {"run state 2 counts as stopped; both ways; beat", 0xA2, {stop, manu, autom}, {start},
         {{0, LedState::off}, {1, LedState::lit}, {2, LedState::lit}, {4, LedState::blinking}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        playback::sequence_table[s].mode = c.state;
        platform::_cleardevice();
        ui::draw_sequence_panel();
        for (const Rect& r : c.yellow) {
            EXPECT_GT(platform::count_pixels(kYellow, r), 0) << r.x1 << "," << r.y1;
            EXPECT_EQ(platform::count_pixels(kLightBlue, r), 0) << r.x1 << "," << r.y1;
        }
        for (const Rect& r : c.blue) {
            EXPECT_GT(platform::count_pixels(kLightBlue, r), 0) << r.x1 << "," << r.y1;
            EXPECT_EQ(platform::count_pixels(kYellow, r), 0) << r.x1 << "," << r.y1;
        }
        for (const auto& [offset, state] : c.leds) {
            EXPECT_EQ(led_after_sending(static_cast<int16_t>(245 + 6 * s + offset)), state) << "key offset " << offset;
        }
    }
}

TEST_F(Panels, SequenceDirectionWordsAndTheUnsetTrigger) {
    const int s = 1;
    const Rect direction{238, 151, 255, 158};
    const Rect trigger{236, 211, 255, 228};
    struct Case {
        uint8_t direction;
        int width;  // of the word, 4 pixels a character
    };
    const Case cases[] = {{0, 12}, {1, 12}, {2, 16}, {3, 12}};
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.direction));
        playback::sequence_table[s].mode = static_cast<uint8_t>((c.direction << 6) | (3 << 4));
        platform::_cleardevice();
        ui::draw_sequence_panel();
        EXPECT_GT(platform::count_pixels(kYellow, direction), 0);
        // Trigger 3 writes neither word: the cells stay as the frame left them.
        EXPECT_EQ(platform::count_pixels(kYellow, trigger) + platform::count_pixels(kLightBlue, trigger), 0);
    }
    // The three arrows and the dots differ from one another.
    std::vector<std::string> pictures;
    for (uint8_t d = 0; d < 4; ++d) {
        playback::sequence_table[s].mode = static_cast<uint8_t>(d << 6);
        platform::_cleardevice();
        ui::draw_sequence_panel();
        pictures.push_back(platform::region_text(Rect{234, 149, 255, 158}));
    }
    std::sort(pictures.begin(), pictures.end());
    EXPECT_EQ(std::unique(pictures.begin(), pictures.end()), pictures.end());
}

TEST_F(Panels, WithoutSequenceBeltsThePanelChangesNoLed) {
    runtime::hw_option_flags.sequence_belts = 1;
    playback::sequence_current_memory[1] = 1;  // a running sequence shows a memory
    playback::sequence_table[1].wait_delay = 60000;
    playback::sequence_table[1].mode = 0x01;  // running, forward, automatic
    ui::draw_sequence_panel();
    const std::vector<int16_t> keys = {251, 252, 253, 254, 255};
    std::vector<LedState> before;
    for (int16_t key : keys) before.push_back(led_after_sending(key));
    ASSERT_EQ(before[0], LedState::lit);

    runtime::hw_option_flags.sequence_belts = 0;
    playback::sequence_table[1].mode = 0x50;  // stopped, backward, manual: every LED would change
    ui::draw_sequence_panel();
    for (size_t i = 0; i < keys.size(); ++i) EXPECT_EQ(led_after_sending(keys[i]), before[i]) << keys[i];
}

TEST_F(Panels, SequencePanelOpenedAgainComesFromItsPicture) {
    ui::free_panel_images();
    runtime::display_mode = 2;
    platform::_cleardevice();
    ui::draw_sequence_panel();
    ASSERT_NE(ui::sequence_panel_image, nullptr);
    EXPECT_NE(runtime::option_flags & runtime::OPT_SEQUENCE_PANEL, 0u);
    EXPECT_EQ(count_starting(calls(), "_pieslice("), 4);
    const std::string first = platform::region_text(kSequencePanel);

    platform::_cleardevice();
    graphics().clear_call_log();
    ui::draw_sequence_panel();
    const std::vector<std::string> log = calls();
    EXPECT_TRUE(contains(log, "_putimage(230,106,401x131,0)"));
    EXPECT_FALSE(contains(log, "_rectangle(230,108,630,236)")) << "the frame was drawn again";
    EXPECT_EQ(count_starting(log, "_pieslice("), 0);
    EXPECT_EQ(platform::region_text(kSequencePanel), first);
}

TEST_F(Panels, SequenceTitlesFollowTheWheelMode) {
    runtime::display_mode = 7;  // sequence C
    platform::_cleardevice();
    ui::draw_sequence_panel();
    const Rect seq_a{275, 111, 314, 118};
    const Rect seq_c{475, 111, 514, 118};
    EXPECT_GT(platform::count_pixels(kYellow, seq_c), 0);
    EXPECT_EQ(platform::count_pixels(kLightBlue, seq_c), 0);
    EXPECT_GT(platform::count_pixels(kLightBlue, seq_a), 0);
    EXPECT_EQ(platform::count_pixels(kYellow, seq_a), 0);
}

TEST_F(Panels, SequenceLabelsBarsMarkersAndOrigins) {
    std::strcpy(playback::sequence_step_labels[1][0].data(), "12");
    std::strcpy(playback::sequence_step_labels[1][1].data(), "2.50");
    std::strcpy(playback::sequence_step_labels[1][2].data(), "0.75");
    playback::sequence_control_bars[3][2] = 30;
    playback::sequence_origin_page[2] = 2;
    playback::sequence_origin_cue[2] = 5;
    playback::sequence_origin_point[2] = 3;
    playback::sequence_origin_page[1] = 0;  // never started from a cue
    playback::sequence_table[4].flags = 0x01;  // programmed
    playback::sequence_selected_control = {0, 1, 2, 3, 1};
    for (auto& bars : playback::sequence_control_bars) bars = {};
    playback::sequence_control_bars[3][2] = 30;
    platform::_cleardevice();
    ui::draw_sequence_panel();

    const std::vector<std::string> log = calls();
    // Step label centred in 23 pixels from 257, the read-outs at fixed places.
    EXPECT_TRUE(contains(log, text_call(257 + (23 - text_width(4, "12")) / 2, 134, "12")));
    EXPECT_TRUE(contains(log, text_call(282, 134, "2.50")));
    EXPECT_TRUE(contains(log, text_call(306, 134, "0.75")));
    // The origin of sequence B: page 2, cue 5, point 3 shown as "5.2".
    EXPECT_TRUE(contains(log, text_call(370, 121, "2")));
    EXPECT_TRUE(contains(log, text_call(400, 121, "5.2")));
    // A sequence never started from a cue shows no origin.
    EXPECT_EQ(count_starting(log, "_outtextxy(270,121,"), 0);
    // Every bar is drawn again whole from 0; the bar heights are kept.
    // Sequence C's fade bar: 6 pixels wide, 30 high up to y 230.
    EXPECT_EQ(platform::count_pixels(kRed, Rect{487, 201, 492, 230}), 6 * 30);
    EXPECT_EQ(platform::count_pixels(kRed, Rect{487, 170, 492, 200}), 0);
    EXPECT_EQ(platform::count_pixels(kRed, Rect{267, 145, 272, 230}), 0) << "A's crossfade bar is empty";
    EXPECT_EQ(playback::sequence_control_bars[3][2], 30);
    // The frame around each sequence's active control.
    for (int s = 1; s <= 4; ++s) {
        const int c = playback::sequence_selected_control[static_cast<size_t>(s)];
        const int left = (s - 1) * 100 + 20 * c + 245;
        EXPECT_EQ(platform::count_pixels(kYellow, Rect{left, 145, left + 10, 145}), 11) << s;
    }
    // Header frames: yellow for the programmed sequence D, light blue for A.
    EXPECT_EQ(platform::count_pixels(kYellow, Rect{556, 109, 629, 109}), 74);
    EXPECT_EQ(platform::count_pixels(kLightBlue, Rect{256, 109, 329, 109}), 74);
}

TEST_F(Panels, PicturesLastUntilTheEndOfTheShow) {
    ui::show_analogue_faders();
    ASSERT_NE(ui::sequence_panel_image, nullptr);  // drawn by the main screen at the start
    ASSERT_NE(ui::analogue_view_image, nullptr);
    runtime::free_show_records();
    EXPECT_EQ(ui::sequence_panel_image, nullptr);
    EXPECT_EQ(ui::analogue_view_image, nullptr);

    // The next show draws the panel afresh.
    graphics().clear_call_log();
    ui::draw_sequence_panel();
    EXPECT_TRUE(contains(calls(), "_rectangle(230,108,630,236)"));
    EXPECT_NE(ui::sequence_panel_image, nullptr);
}

// ------------------------------------------------------------------ memory / cue panel

class CuePanel : public Panels {
protected:
    static void name_memory(int16_t m, const char* name) {
        std::strncpy(memories::memory_index[static_cast<size_t>(m)].name.data(), name, memories::kMemoryNameBytes - 1);
    }
    static void programmer_from(int16_t page, int16_t cue, int16_t point, int16_t cue_memory) {
        memories::programmer_from_cue = 1;
        memories::programmer_cue_page = page;
        memories::programmer_cue_number = cue;
        memories::programmer_cue_point = point;
        memories::programmer_cue_memory = cue_memory;
    }
};

TEST_F(CuePanel, MemoryRowShowsNameAndNumber) {
    name_memory(12, "WASH BLUE");
    memories::current_memory = 12;
    ui::draw_cue_panel();
    const std::vector<std::string> log = calls();
    EXPECT_TRUE(contains(log, text_call(10, 285, "MEM")));
    EXPECT_TRUE(contains(log, text_call(40 + (140 - text_width(5, "WASH BLUE")) / 2, 285, "WASH BLUE")));
    EXPECT_TRUE(contains(log, text_call(180 + (40 - text_width(5, "12")) / 2, 285, "12")));
    EXPECT_NE(runtime::option_flags & runtime::OPT_CUE_PANEL, 0u);

    memories::current_memory = 13;  // no name
    graphics().clear_call_log();
    ui::draw_current_memory_panel();
    EXPECT_TRUE(contains(calls(), text_call(40 + (140 - text_width(5, "* NO NAME *")) / 2, 285, "* NO NAME *")));
}

TEST_F(CuePanel, ProgrammerCueLabels) {
    datafiles::memcue_index[7].count = 0;
    datafiles::memcue_index[17].count = 4;
    struct Case {
        int16_t point;
        int16_t cue_memory;
        const char* text;
    };
    const Case cases[] = {
        {1, -1, "P 2 C 5 (NEW)"},      {3, -1, "P 2 C 5.2 (NEW)"},     {1, 7, "P 2 C 5 (EMPTY)"},
        {10, 7, "P 2 C 5.9 (EMPTY)"},  {1, 17, "P 2 C 5 (17)"},        {4, 17, "P 2 C 5.3 (17)"},
        {1, 5000, "P 2 C 5 (NEW)"},  // a cue memory not yet given: nothing is looked up
    };
    ui::draw_cue_panel();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        programmer_from(2, 5, c.point, c.cue_memory);
        graphics().clear_call_log();
        ui::draw_current_memory_panel();
        EXPECT_TRUE(contains(calls(), text_call(40 + (180 - text_width(5, c.text)) / 2, 285, c.text)));
    }
}

TEST_F(CuePanel, RecallingACueMemorySwitchesTheUpperRowOnce) {
    ui::draw_cue_panel();
    graphics().clear_call_log();
    programmer_from(1, 3, 1, -1);
    ui::draw_current_memory_panel();
    std::vector<std::string> log = calls();
    EXPECT_EQ(std::count(log.begin(), log.end(), "_rectangle(1,281,221,315)"), 1) << "the whole panel once";
    EXPECT_TRUE(contains(log, text_call(5, 287, "CUEMEM")));
    EXPECT_FALSE(contains(log, text_call(10, 285, "MEM")));
    EXPECT_EQ(std::count(log.begin(), log.end(), text_call(40 + (180 - text_width(5, "P 1 C 3 (NEW)")) / 2, 285, "P 1 C 3 (NEW)")), 1);
    EXPECT_GT(platform::count_pixels(kRed, Rect{5, 287, 39, 296}), 0);

    // Drawn again in the same mode: only the rows, not the frame.
    graphics().clear_call_log();
    ui::draw_current_memory_panel();
    EXPECT_FALSE(contains(calls(), "_rectangle(1,281,221,315)"));

    // Back to a memory: "MEM" again.
    memories::programmer_from_cue = 0;
    graphics().clear_call_log();
    ui::draw_current_memory_panel();
    log = calls();
    EXPECT_EQ(std::count(log.begin(), log.end(), "_rectangle(1,281,221,315)"), 1);
    EXPECT_TRUE(contains(log, text_call(10, 285, "MEM")));
}

TEST_F(CuePanel, CueRowAndItsHighlight) {
    playback::current_cue_page = 2;
    playback::current_cue = 5;
    playback::current_cue_point = 3;
    set_flag(runtime::mode_flags, runtime::MODE_CUE_SCREEN, false);
    ui::draw_cue_panel();
    const std::vector<std::string> log = calls();
    EXPECT_TRUE(contains(log, text_call(15 + text_width(5, "PAGE"), 302, "2")));
    EXPECT_TRUE(contains(log, text_call(85 + text_width(5, "CUE"), 302, "5.2")));
    EXPECT_TRUE(contains(log, text_call(175, 302, "75.2")));  // (2 - 1) * 70 + 5
    // Off the cue screen the memory row is the active one.
    EXPECT_EQ(platform::count_pixels(kYellow, Rect{2, 282, 220, 282}), 219);
    EXPECT_EQ(platform::count_pixels(kBlue, Rect{2, 314, 220, 314}), 219);

    set_flag(runtime::mode_flags, runtime::MODE_CUE_SCREEN, true);
    ui::draw_current_memory_panel();
    EXPECT_EQ(platform::count_pixels(kGreen, Rect{2, 282, 220, 282}), 219);
    EXPECT_EQ(platform::count_pixels(kYellow, Rect{2, 314, 220, 314}), 219);
}

TEST_F(CuePanel, NothingIsDrawnWhileThePanelIsNotUp) {
    runtime::option_flags &= ~runtime::OPT_CUE_PANEL;
    graphics().clear_call_log();
    ui::draw_current_memory_panel();
    EXPECT_TRUE(calls().empty());
}

TEST_F(CuePanel, TheMainScreenDrawsThePanelInItsPlace) {
    const std::string panel = platform::region_text(kCuePanel);
    platform::_cleardevice();
    ui::draw_cue_panel();
    EXPECT_EQ(platform::region_text(kCuePanel), panel);
    EXPECT_EQ(platform::count_pixels(kLightGrey, Rect{1, 281, 221, 281}), 221);
    EXPECT_EQ(platform::count_pixels(kLightGrey, Rect{1, 298, 221, 298}), 221);
}

}  // namespace
