// The drawing, text and sound helpers: boxes and buttons on the screen, the
// text-style cache, the palette, the tones and the waits of the running
// console (keys pressed on the console surface while a wait runs), and the
// small questions and scalings.
#include "ui/helpers.h"

#include <gtest/gtest.h>

#include <functional>
#include <tuple>
#include <string>
#include <vector>

#include "datafiles/data_files.h"
#include "platform/graphics.h"
#include "platform/speaker.h"
#include "playback/playback_state.h"
#include "rig/console.h"
#include "runtime/card_access.h"
#include "runtime/card_discovery.h"
#include "runtime/config_records.h"
#include "runtime/console_state.h"
#include "runtime/key_reader.h"
#include "runtime/keyboard_isr.h"
#include "runtime/main_loop.h"
#include "runtime/mouse_input.h"
#include "runtime/startup.h"
#include "runtime/timers.h"
#include "sync/audio_bands.h"
#include "sync/sync_services.h"
#include "ui/screens.h"

namespace {

using platform::GraphicsCall;
using platform::Rect;

constexpr int kBlack = 0;
constexpr int kBlue = 1;
constexpr int kRed = 4;
constexpr int kLightGrey = 7;
constexpr int kYellow = 14;
constexpr int kWhite = 15;

using runtime::KEY_FIXTURE_1;
using runtime::KEY_LOAD;
using runtime::KEY_SETUP;

void set_beeper(uint8_t on) { runtime::console_config.set_u8(runtime::kCfgBeeper, on); }

// ------------------------------------------------------------------ integer helpers

TEST(IntegerHelpers, RoundUpDivisionsAndScalings) {
    struct Case {
        const char* what;
        uint8_t result;
        uint8_t expected;
    };
    const Case cases[] = {
        {"3: 7", ui::divide_by_3_round_up(7), 3},
        {"3: 6", ui::divide_by_3_round_up(6), 2},
        {"3: 0", ui::divide_by_3_round_up(0), 0},
        {"3: 255", ui::divide_by_3_round_up(255), 85},
        {"3: 254", ui::divide_by_3_round_up(254), 85},
        {"353: 354", ui::divide_by_353_round_up(354), 2},
        {"353: 353", ui::divide_by_353_round_up(353), 1},
        {"353: 1", ui::divide_by_353_round_up(1), 1},
        {"113: 255", ui::scale_to_113(255), 113},
        {"113: 128", ui::scale_to_113(128), 56},
        {"113: 0", ui::scale_to_113(0), 0},
        {"255: 50 of 100", ui::scale_to_255(50, 100), 127},
        {"255: 100 of 100", ui::scale_to_255(100, 100), 255},
        {"255: 101 of 100", ui::scale_to_255(101, 100), 255},
        {"255: 0 of 200", ui::scale_to_255(0, 200), 0},
        {"255: 199 of 200", ui::scale_to_255(199, 200), 253},
        {"255: 0 of 0", ui::scale_to_255(0, 0), 255},
        {"255: -5 of 0", ui::scale_to_255(-5, 0), 255},    // a zero maximum never divides
        {"255: -5 of -3", ui::scale_to_255(-5, -3), 255},  // nor a negative one
    };
    for (const Case& c : cases) EXPECT_EQ(c.result, c.expected) << c.what;
}

// ------------------------------------------------------------------ sequences

TEST(SequenceQuestions, RunningAndFlaggedSequences) {
    struct Case {
        uint8_t mode[4];      // mode bytes of sequences A..D
        uint8_t crossfade[4]; // crossfade state bytes
        bool cue_timing;
        bool running;
        bool flagged;
    };
    const Case cases[] = {
        {{0, 0, 0, 0}, {0, 0, 0, 0}, false, false, false},
        {{0, 0, 0, 0}, {0, 0, 0, 0}, true, true, false},             // cue timing counts as running
        {{0, 0, 0xF1, 0}, {0, 0, 0, 0}, false, true, false},         // only the low two bits
        {{2, 3, 0, 0}, {1, 1, 0, 0}, false, false, false},           // stopped or paused, state set
        {{0, 1, 0, 1}, {1, 0, 0, 7}, false, true, true},             // D runs and crossfades
        {{1, 0, 0, 0}, {0, 1, 1, 1}, false, true, false},            // the crossfading ones do not run
    };
    for (const Case& c : cases) {
        for (int s = 1; s <= 4; ++s) {
            playback::sequence_table[static_cast<size_t>(s)].mode = c.mode[s - 1];
            playback::sequence_crossfade[static_cast<size_t>(s)].running = c.crossfade[s - 1];
        }
        runtime::mode_flags = c.cue_timing ? runtime::MODE_CUE_TIMING : 0;
        EXPECT_EQ(ui::is_any_sequence_running(), c.running);
        EXPECT_EQ(ui::is_any_sequence_flagged(), c.flagged);
    }
}

// ------------------------------------------------------------------ drawing

class Drawing : public ::testing::Test {
protected:
    void SetUp() override {
        int driver = platform::kVgaDriver;
        int mode = platform::kVgaHiMode;
        platform::_initgraph(driver, mode, "");
    }
    platform::Graphics& graphics() { return rig_.machine().graphics; }

    // Where text drawn with _outtextxy at (0, 0) has its first ink, so a
    // button's text origin can be found from its ink.
    static Rect ink_of_text_at_origin(const std::string& text) {
        platform::_cleardevice();
        platform::_setcolor(kWhite);
        platform::_outtextxy(100, 100, text);
        const auto bounds = platform::ink_bounds(kBlack, Rect{0, 0, 639, 479});
        platform::_cleardevice();
        if (!bounds) return Rect{};
        return Rect{bounds->x1 - 100, bounds->y1 - 100, bounds->x2 - 100, bounds->y2 - 100};
    }

    rig::Rig rig_;
};

TEST_F(Drawing, FillBoxCoversBothCornersAndKeepsTheDrawingColour) {
    platform::_setcolor(kLightGrey);
    ui::fill_box(10, 20, 13, 22, kRed);
    EXPECT_EQ(platform::count_pixels(kRed, Rect{0, 0, 639, 479}), 4 * 3);
    EXPECT_EQ(platform::ink_bounds(kBlack, Rect{0, 0, 639, 479}), (Rect{10, 20, 13, 22}));
    EXPECT_EQ(platform::_getcolor(), kLightGrey);
}

TEST_F(Drawing, TextButtonCentresItsTextInTheBox) {
    platform::_settextstyle(platform::kSmallFont, platform::kHorizontalText, 4);
    struct Case {
        const char* what;
        Rect box;
        const char* text;
        int dx;  // where the text is written, from the box's corner
        int dy;
    };
    // "GO" at size 4 is 10 wide and 14 high: the height counted is 14 - 5.
    const Case cases[] = {
        {"roomy box", {100, 100, 200, 130}, "GO", (100 - 10) / 2, (30 - 9) / 2 + 2},
        {"text wider than the box", {100, 100, 105, 130}, "GO", 1, (30 - 9) / 2 + 2},
        {"box lower than the text", {100, 100, 200, 107}, "GO", (100 - 10) / 2, 2},
        {"exactly as wide", {100, 100, 110, 130}, "GO", 0, (30 - 9) / 2 + 2},
    };
    for (const Case& c : cases) {
        const Rect ink = ink_of_text_at_origin(c.text);
        platform::_setcolor(kLightGrey);
        ui::draw_text_button(static_cast<int16_t>(c.box.x1), static_cast<int16_t>(c.box.y1),
                             static_cast<int16_t>(c.box.x2), static_cast<int16_t>(c.box.y2), kBlue, c.text, kYellow);
        const auto text_ink = platform::ink_bounds(kBlue, c.box);
        ASSERT_TRUE(text_ink.has_value()) << c.what;
        EXPECT_EQ(text_ink->x1 - ink.x1, c.box.x1 + c.dx) << c.what;
        EXPECT_EQ(text_ink->y1 - ink.y1, c.box.y1 + c.dy) << c.what;
        EXPECT_EQ(platform::count_pixels(kBlue, c.box) + platform::count_pixels(kYellow, c.box),
                  (c.box.x2 - c.box.x1 + 1) * (c.box.y2 - c.box.y1 + 1))
            << c.what;
        EXPECT_EQ(platform::_getcolor(), kLightGrey) << c.what;
    }
}

TEST_F(Drawing, TextStyleReachesTheLibraryOnlyWhenItChanges) {
    const auto style_calls = [this] { return graphics().call_count(GraphicsCall::settextstyle); };
    const auto style = [](int16_t font, int16_t direction, int16_t size) { ui::set_text_style(font, direction, size); };
    graphics().clear_call_counts();
    // The first call reaches the library even when the style is already set.
    style(platform::kDefaultFont, platform::kHorizontalText, 1);
    EXPECT_EQ(style_calls(), 1u);
    style(2, 0, 4);
    EXPECT_EQ(style_calls(), 2u);
    style(2, 0, 4);
    EXPECT_EQ(style_calls(), 2u);
    for (const auto& [font, direction, size] : {std::tuple{2, 1, 4}, std::tuple{2, 1, 7}, std::tuple{0, 1, 7}}) {
        const uint64_t before = style_calls();
        style(static_cast<int16_t>(font), static_cast<int16_t>(direction), static_cast<int16_t>(size));
        EXPECT_EQ(style_calls(), before + 1) << font << " " << direction << " " << size;
        platform::TextSettings now{};
        platform::_gettextsettings(now);
        EXPECT_EQ(now.font, font);
        EXPECT_EQ(now.direction, direction);
        EXPECT_EQ(now.char_size, size);
    }
    // A style set around the cache is not seen: the cached triple makes no call.
    platform::_settextstyle(2, 0, 4);
    const uint64_t before = style_calls();
    style(0, 1, 7);
    EXPECT_EQ(style_calls(), before);
}

TEST_F(Drawing, BlankPaletteShowsEveryColourBlackAndTheConsolePaletteBringsThemBack) {
    ui::fill_box(0, 0, 15, 0, kBlack);
    for (int c = 0; c < 16; ++c) platform::_putpixel(c, 0, c);
    ui::blank_palette();
    for (int c = 0; c < 16; ++c) EXPECT_EQ(graphics().palette[static_cast<size_t>(c)], (platform::Rgb6{0, 0, 0})) << c;
    EXPECT_EQ(platform::_getpixel(9, 0), 9);  // the picture keeps its colours
    ui::set_console_palette();
    const platform::Rgb6 expected[16] = {
        {0, 0, 0},    {0, 0, 42},   {0, 42, 0},   {0, 42, 42},  {42, 0, 0},   {42, 0, 42},
        {42, 21, 0},  {42, 42, 42}, {21, 21, 21}, {21, 21, 63}, {21, 63, 21}, {21, 63, 63},
        {63, 21, 21}, {63, 21, 63}, {63, 63, 21}, {63, 63, 63},
    };
    for (int c = 0; c < 16; ++c) EXPECT_EQ(graphics().palette[static_cast<size_t>(c)], expected[c]) << c;
    const std::vector<uint8_t> rgb = platform::frame_rgb();
    EXPECT_EQ(rgb[6 * 3 + 0], rgb[7 * 3 + 0]);   // brown has light grey's red
    EXPECT_LT(rgb[6 * 3 + 1], rgb[7 * 3 + 1]);   // and half its green
}

// ------------------------------------------------------------------ the fixed tone

TEST(FixedTone, SoundsForItsLengthWithoutPolling) {
    rig::Rig rig;
    set_beeper(1);
    const uint64_t polls = rig.polls();
    ui::beep(400, 300);
    ui::beep(800, 25);
    ASSERT_EQ(rig.tones().size(), 2u);
    EXPECT_EQ(rig.tones()[0], (platform::Tone{400, 0, 300}));
    EXPECT_EQ(rig.tones()[1], (platform::Tone{800, 300, 25}));
    EXPECT_EQ(rig.now_ms(), 325u);
    EXPECT_EQ(rig.polls(), polls);
}

TEST(FixedTone, SilentButJustAsLongWithTheBeeperOff) {
    rig::Rig rig;
    set_beeper(0);
    ui::beep(400, 2000);
    EXPECT_TRUE(rig.tones().empty());
    EXPECT_FALSE(rig.machine().speaker.sounding());
    EXPECT_EQ(rig.now_ms(), 2000u);
}

// ------------------------------------------------------------------ waits on the running console

// The console's start-up and show start on the demo program directory, then
// some console code on the console's thread, while the test presses
// keys. The console code's first input step hands the baton to the test.
class ConsoleWait : public ::testing::Test {
protected:
    void start(std::function<void()> body) {
        dir_.map_drive(rig_.machine());
        rig_.machine().cards.fit(0, rig::demo_console_card());
        rig_.start([this, body] {
            start_console();
            body_started_ = true;
            body();
            body_done_ = true;
        });
        ASSERT_TRUE(rig_.run_until([this] { return body_started_; }, 60'000));
    }

    // Runs the console until the code ends; false when it does not within limit_ms.
    bool run_to_end(uint32_t limit_ms = 10'000) {
        rig_.run_until([this] { return body_done_; }, limit_ms);
        return body_done_;
    }

    uint64_t now() const { return rig_.now_ms(); }

    rig::Rig rig_;
    rig::ProgramDir dir_ = rig::ProgramDir::demo();
    bool body_started_ = false;
    bool body_done_ = false;

private:
    static void start_console() {
        runtime::set_home_directory(rig::ProgramDir::program_path().c_str());
        runtime::load_console_config();
        runtime::load_keyboard_config();
        runtime::load_ini_file();
        runtime::discover_cards();
        runtime::read_card_memory_map();
        runtime::probe_interface_driver();
        runtime::read_eprom_versions();
        runtime::upload_card_parameters();
        datafiles::check_data_files();
        runtime::check_memory();
        runtime::read_console_options();
        runtime::install_keyboard_isr();
        synchro::init_cdrom();
        synchro::init_timecode_player();
        ui::start_graphics();
        runtime::init_mouse();
        synchro::start_audio_inputs();
        runtime::init_show();
        runtime::clear_input_pending_flags();
    }
};

TEST_F(ConsoleWait, WaitRunsItsTimeWithTheShowGoingOn) {
    uint64_t began = 0, ended = 0;
    uint32_t show_time_before = 0;
    start([&] {
        show_time_before = runtime::show_time;
        began = platform::machine().clock.now_ms;
        ui::wait_ticks_or_key(400);
        ended = platform::machine().clock.now_ms;
    });
    ASSERT_TRUE(run_to_end());
    EXPECT_NEAR(static_cast<double>(ended - began), 400.0, 2.0);
    EXPECT_NEAR(static_cast<double>(runtime::show_time - show_time_before), 400.0, 2.0);
}

TEST_F(ConsoleWait, WaitEndsOnAKeyAndLeavesItPending) {
    uint64_t ended = 0;
    int16_t key = 0;
    bool press = false;
    start([&] {
        ui::wait_ticks_or_key(5000);
        ended = platform::machine().clock.now_ms;
        press = runtime::get_key(&key);
    });
    rig_.run_ms(150);
    const uint64_t pressed_at = now();
    rig_.hold(KEY_FIXTURE_1);
    ASSERT_TRUE(run_to_end());
    EXPECT_LE(ended - pressed_at, 2u);
    EXPECT_TRUE(press);
    EXPECT_EQ(key, KEY_FIXTURE_1);
}

TEST_F(ConsoleWait, WaitOfZeroOrWithInputPendingReturnsWithoutPolling) {
    uint64_t polls_zero = 1, polls_pending = 1;
    int16_t still_pending = 0;
    start([&] {
        uint64_t before = rig_.polls();
        ui::wait_ticks_or_key(0);
        polls_zero = rig_.polls() - before;
        runtime::pushed_back_key = KEY_LOAD;
        before = rig_.polls();
        ui::wait_ticks_or_key(5000);
        polls_pending = rig_.polls() - before;
        still_pending = runtime::pushed_back_key;
        runtime::pushed_back_key = 0;
    });
    ASSERT_TRUE(run_to_end());
    EXPECT_EQ(polls_zero, 0u);
    EXPECT_EQ(polls_pending, 0u);
    EXPECT_EQ(still_pending, KEY_LOAD);
}

TEST_F(ConsoleWait, InTheFixtureSetupTheWaitEndsOnlyOnInput) {
    start([&] {
        runtime::mode_flags |= runtime::MODE_IN_SETUP;
        ui::wait_ticks_or_key(300);
        runtime::mode_flags &= ~runtime::MODE_IN_SETUP;
    });
    rig_.run_ms(3000);
    EXPECT_FALSE(body_done_);
    rig_.hold(KEY_FIXTURE_1);
    EXPECT_TRUE(run_to_end(10));
}

// A held key: the command's key press is read first, then the hold is
// waited for, as the console does for LOAD, SAVE, SETUP and blind.
class HeldKey : public ConsoleWait {
protected:
    void start_hold(int16_t wait_key, uint32_t wait_ms, bool read_press_first = true) {
        start([=, this] {
            if (read_press_first) {
                int16_t pressed = 0;
                while (!runtime::get_key(&pressed)) {
                }
            }
            wait_began_ = platform::machine().clock.now_ms;
            held_ = ui::wait_key_held(wait_key, wait_ms);
            wait_ended_ = platform::machine().clock.now_ms;
        });
    }
    uint64_t waited() const { return wait_ended_ - wait_began_; }

    bool held_ = false;
    uint64_t wait_began_ = 0;
    uint64_t wait_ended_ = 0;
};

TEST_F(HeldKey, HeldForTheWholeTimeIsTrue) {
    start_hold(KEY_LOAD, ui::kKeyHoldTime_ms);
    rig_.hold(KEY_LOAD);
    ASSERT_TRUE(run_to_end());
    EXPECT_TRUE(held_);
    EXPECT_NEAR(static_cast<double>(waited()), 1000.0, 3.0);
}

TEST_F(HeldKey, LetGoEarlyIsFalseAtOnce) {
    start_hold(KEY_LOAD, ui::kKeyHoldTime_ms);
    rig_.hold(KEY_LOAD);
    rig_.run_ms(300);
    const uint64_t released_at = now();
    rig_.release(KEY_LOAD);
    ASSERT_TRUE(run_to_end());
    EXPECT_FALSE(held_);
    EXPECT_LE(wait_ended_ - released_at, 2u);
}

TEST_F(HeldKey, OtherKeysMeanwhileAreSwallowed) {
    start_hold(KEY_LOAD, ui::kKeyHoldTime_ms);
    rig_.hold(KEY_LOAD);
    rig_.run_ms(200);
    rig_.press(KEY_FIXTURE_1, 50);
    rig_.press(KEY_SETUP, 50);
    ASSERT_TRUE(run_to_end());
    EXPECT_TRUE(held_);
    EXPECT_NEAR(static_cast<double>(waited()), 1000.0, 3.0);
    EXPECT_FALSE(runtime::is_console_key_pending());
}

TEST_F(HeldKey, AnyKeyEndsTheWaitForKeyAny) {
    start_hold(runtime::KEY_ANY, 1000, false);
    rig_.run_ms(200);
    const uint64_t pressed_at = now();
    rig_.hold(KEY_FIXTURE_1);
    ASSERT_TRUE(run_to_end());
    EXPECT_FALSE(held_);
    EXPECT_LE(wait_ended_ - pressed_at, 2u);
}

TEST_F(HeldKey, TheKeysLedBlinksWithMoreThan50MsBetweenChanges) {
    start_hold(KEY_LOAD, ui::kKeyHoldTime_ms);
    rig_.hold(KEY_LOAD);
    rig_.run_ms(1);
    std::vector<uint64_t> changes;
    uint8_t last = runtime::key_led_cache[KEY_LOAD];
    while (!body_done_ && now() < 5000) {
        rig_.run_ms(1);
        const uint8_t state = runtime::key_led_cache[KEY_LOAD];
        if (state != last) changes.push_back(now());
        last = state;
    }
    ASSERT_TRUE(body_done_);
    EXPECT_TRUE(held_);
    ASSERT_GE(changes.size(), 18u);
    for (size_t i = 1; i < changes.size(); ++i) {
        EXPECT_GT(changes[i] - changes[i - 1], 50u);
        EXPECT_LE(changes[i] - changes[i - 1], 53u);
    }
}

TEST_F(HeldKey, ANestedWaitDoesNotStretchTheHold) {
    // A wait run inside another restarts the shared counter; the hold keeps
    // its own time all the same.
    start_hold(KEY_LOAD, ui::kKeyHoldTime_ms);
    rig_.hold(KEY_LOAD);
    rig_.run_ms(500);
    runtime::free_counter_b = 0;
    ASSERT_TRUE(run_to_end());
    EXPECT_TRUE(held_);
    EXPECT_NEAR(static_cast<double>(waited()), 1000.0, 3.0);
}

TEST_F(HeldKey, InTheFixtureSetupTheHoldStillTimesOut) {
    start([&] {
        runtime::mode_flags |= runtime::MODE_IN_SETUP;
        wait_began_ = platform::machine().clock.now_ms;
        held_ = ui::wait_key_held(KEY_SETUP, 1000);
        wait_ended_ = platform::machine().clock.now_ms;
        runtime::mode_flags &= ~runtime::MODE_IN_SETUP;
    });
    ASSERT_TRUE(run_to_end());
    EXPECT_TRUE(held_);
    EXPECT_NEAR(static_cast<double>(waited()), 1000.0, 3.0);
}

// ------------------------------------------------------------------ the interruptible tone

class InterruptibleTone : public ConsoleWait {
protected:
    void start_tone(int32_t freq_hz, uint32_t duration_ms, std::function<void()> before = {}) {
        start([=, this] {
            if (before) before();
            tone_began_ = platform::machine().clock.now_ms;
            polls_before_ = rig_.polls();
            show_time_before_ = runtime::show_time;
            ui::beep_interruptible(freq_hz, duration_ms);
            tone_ended_ = platform::machine().clock.now_ms;
            polls_ = rig_.polls() - polls_before_;
            show_time_moved_ = runtime::show_time - show_time_before_;
        });
    }
    std::vector<platform::Tone> tones_from_start() const {
        std::vector<platform::Tone> found;
        for (const platform::Tone& t : rig_.tones()) {
            if (t.start_ms >= tone_began_) found.push_back(t);
        }
        return found;
    }

    uint64_t tone_began_ = 0;
    uint64_t tone_ended_ = 0;
    uint64_t polls_before_ = 0;
    uint64_t polls_ = 0;
    uint32_t show_time_before_ = 0;
    uint32_t show_time_moved_ = 0;
};

TEST_F(InterruptibleTone, SoundsItsLengthWhileTheShowGoesOn) {
    start_tone(800, 100);
    ASSERT_TRUE(run_to_end());
    const std::vector<platform::Tone> tones = tones_from_start();
    ASSERT_EQ(tones.size(), 1u);
    EXPECT_EQ(tones[0].freq_hz, 800);
    EXPECT_NEAR(static_cast<double>(tones[0].duration_ms), 100.0, 2.0);
    EXPECT_GE(polls_, 100u);
    EXPECT_NEAR(static_cast<double>(show_time_moved_), 100.0, 2.0);
}

TEST_F(InterruptibleTone, AKeyEndsItEarlyAndStaysPending) {
    int16_t key = 0;
    start([&] {
        tone_began_ = platform::machine().clock.now_ms;
        ui::beep_interruptible(400, 2000);
        tone_ended_ = platform::machine().clock.now_ms;
        runtime::get_key(&key);
    });
    rig_.run_ms(30);
    rig_.hold(KEY_FIXTURE_1);
    ASSERT_TRUE(run_to_end());
    EXPECT_NEAR(static_cast<double>(tone_ended_ - tone_began_), 31.0, 2.0);
    const std::vector<platform::Tone> tones = tones_from_start();
    ASSERT_EQ(tones.size(), 1u);
    EXPECT_EQ(tones[0].freq_hz, 400);
    EXPECT_EQ(tones[0].duration_ms, tone_ended_ - tone_began_);
    EXPECT_EQ(key, KEY_FIXTURE_1);
}

TEST_F(InterruptibleTone, APendingPcKeyIsClearedBeforeTheTone) {
    start_tone(800, 150, [] { runtime::input_pending_pc_key = 1; });
    ASSERT_TRUE(run_to_end());
    EXPECT_NEAR(static_cast<double>(tone_ended_ - tone_began_), 150.0, 2.0);
    EXPECT_EQ(runtime::input_pending_pc_key, 0);
}

TEST_F(InterruptibleTone, AnotherPendingInputEndsItAtOnce) {
    start_tone(800, 150, [] { runtime::pushed_back_key = KEY_LOAD; });
    ASSERT_TRUE(run_to_end());
    EXPECT_EQ(polls_, 1u);
    EXPECT_EQ(runtime::pushed_back_key, KEY_LOAD);
}

TEST_F(InterruptibleTone, WithoutACardAsTheClockItIsAClickOfOnePoll) {
    start_tone(800, 500, [] { runtime::clock_card = 0; });
    ASSERT_TRUE(run_to_end());
    EXPECT_EQ(polls_, 1u);
    const std::vector<platform::Tone> tones = tones_from_start();
    ASSERT_EQ(tones.size(), 1u);
    EXPECT_EQ(tones[0].duration_ms, 1u);
}

TEST_F(InterruptibleTone, SilentButStillWaitingWithTheBeeperOff) {
    start_tone(800, 200, [] { set_beeper(0); });
    ASSERT_TRUE(run_to_end());
    EXPECT_TRUE(tones_from_start().empty());
    EXPECT_NEAR(static_cast<double>(tone_ended_ - tone_began_), 200.0, 2.0);
    EXPECT_GE(polls_, 200u);
}

}  // namespace
