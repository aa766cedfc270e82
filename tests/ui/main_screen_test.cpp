// The main screen on a started console: the palette while it is built, the
// status line with its indicators and key LEDs, the lower-left frame in its
// logo view and its cue-timing view, the current cue times and the speed box.
#include "ui/main_screen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "platform/graphics.h"
#include "programdir/logo_gen.h"
#include "playback/cue_tables.h"
#include "programmer/programmer_jobs.h"
#include "rig/console.h"
#include "runtime/console_state.h"
#include "runtime/mouse_input.h"
#include "runtime/timers.h"
#include "ui/bitmap_fonts.h"
#include "ui/fader_widget.h"
#include "ui/helpers.h"
#include "ui/edit_keys.h"
#include "ui/memory_access.h"
#include "ui/screens.h"
#include "reference_images.h"

namespace {

using platform::LedState;
using platform::Rect;

constexpr int kBlack = 0;
constexpr int kBlue = 1;
constexpr int kGreen = 2;
constexpr int kRed = 4;
constexpr int kLightGrey = 7;
constexpr int kDarkGrey = 8;
constexpr int kLightCyan = 11;
constexpr int kLightRed = 12;
constexpr int kYellow = 14;
constexpr int kWhite = 15;

constexpr Rect kStatusLine{1, 235, 221, 281};
constexpr Rect kMainFrame{1, 342, 221, 455};
constexpr Rect kFrameInterior{2, 343, 220, 454};
constexpr Rect kSpeedBox{176, 345, 217, 422};
constexpr Rect kSpeedValue{177, 372, 216, 421};
constexpr Rect kCueTimes{14, 425, 174, 454};

// Marks of the status line.
constexpr Rect kTranspSeqMark{72, 237, 78, 249};
constexpr Rect kPlaybacksMark{103, 237, 109, 249};
constexpr Rect kMemoryMark{213, 237, 219, 249};
constexpr Rect kFixturesManualMark{213, 253, 219, 264};
constexpr Rect kCuefadingMark{213, 268, 219, 279};
constexpr Rect kEditModeField{4, 253, 109, 264};

constexpr int16_t kLiveEditKey = runtime::KEY_LIVE_EDIT;
constexpr int16_t kFreezeKey = runtime::KEY_FREEZE;
constexpr int16_t kFixtureStepKey = runtime::KEY_STEP;

constexpr int kLogoHeader = 4;

int area(const Rect& r) { return (r.x2 - r.x1 + 1) * (r.y2 - r.y1 + 1); }

bool contains(const std::vector<std::string>& log, const std::string& line) {
    return std::find(log.begin(), log.end(), line) != log.end();
}

std::string text_call(int x, int y, const std::string& text) {
    return "_outtextxy(" + std::to_string(x) + "," + std::to_string(y) + ",\"" + text + "\")";
}

void set_flag(uint32_t& word, uint32_t bit, bool on) { word = on ? (word | bit) : (word & ~bit); }

void set_edit_mode(uint32_t mode) {
    runtime::mode_flags = (runtime::mode_flags & ~runtime::MODE_EDIT_MODE) | (mode << 30);
}

// The console started on the demo program directory; the screen is then
// driven from the test thread while the console waits in its main loop.
class MainScreen : public ::testing::Test {
protected:
    void SetUp() override {
        rig::start_console(rig_, dir_);
        ASSERT_FALSE(rig_.finished());
        graphics().clear_call_log();
    }

    platform::Graphics& graphics() { return rig_.machine().graphics; }
    std::vector<std::string> calls() { return graphics().call_log(); }

    // Lets the card take the LED words sent meanwhile, then reads a key's LED.
    LedState led_after_sending(int16_t key) {
        rig_.run_ms(20);
        return rig_.key_led(key);
    }

    // A logo file of the given size in the program directory, loaded as at
    // graphics start, with no frame picture kept from before.
    std::vector<uint8_t> use_logo(int width, int height) {
        std::vector<uint8_t> image;
        std::string error;
        EXPECT_TRUE(progdir::build_logo(width, height, image, error)) << error;
        dir_.write_file("logo", image);
        ui::free_screen_images();
        ui::load_logo();
        return image;
    }

    static void show_logo_view() {
        set_flag(runtime::mode_flags, runtime::MODE_CUE_TIMING, false);
        ui::draw_main_frame();
    }

    static void show_cue_timing_view() {
        set_flag(runtime::mode_flags, runtime::MODE_CUE_TIMING, true);
        runtime::option_flags &= ~(runtime::OPT_TIMECODE_SCREEN | runtime::OPT_SETTINGS_EDITOR);
        ui::draw_main_frame();
    }

    static void expect_frame_outline() {
        for (const Rect& side : {Rect{1, 342, 221, 342}, Rect{1, 455, 221, 455}, Rect{1, 342, 1, 455}, Rect{221, 342, 221, 455}}) {
            EXPECT_EQ(platform::count_pixels(kLightGrey, side), area(side));
        }
    }

    // Pixels of the screen that differ from the logo put at (x, y), over
    // its rows from first_row to last_row.
    int logo_differences(const std::vector<uint8_t>& image, int x, int y, int first_row, int last_row) {
        const int width = image[0] | (image[1] << 8);
        const int height = image[2] | (image[3] << 8);
        int differing = 0;
        for (int row = std::max(0, first_row - y); row < height && y + row <= last_row; ++row) {
            for (int column = 0; column < width; ++column) {
                const uint8_t expected = image[kLogoHeader + static_cast<size_t>(row * width + column)] & 15;
                if (rig_.pixel(x + column, y + row) != expected) ++differing;
            }
        }
        return differing;
    }

    rig::ProgramDir dir_ = rig::ProgramDir::demo();
    rig::Rig rig_;
};

// ------------------------------------------------------------------ the whole screen

TEST_F(MainScreen, PaletteStaysBlackWhileTheScreenIsBuilt) {
    ui::draw_main_screen();

    const std::vector<std::string> log = calls();
    ASSERT_FALSE(log.empty());
    ASSERT_EQ(log.front(), "_cleardevice()") << "the call log no longer holds the whole screen";
    for (int i = 0; i < 16; ++i) EXPECT_EQ(log[static_cast<size_t>(1 + i)], "_setpalette(" + std::to_string(i) + ",0)");
    // Everything after the blanking until the last 16 calls draws; those set the colours.
    const size_t first_drawing = 17;
    const size_t last_drawing = log.size() - 16;
    ASSERT_GT(last_drawing, first_drawing);
    for (size_t i = first_drawing; i < last_drawing; ++i) {
        EXPECT_NE(log[i].rfind("_setpalette", 0), 0u) << log[i];
        EXPECT_NE(log[i].rfind("_setrgbpalette", 0), 0u) << log[i];
    }
    const std::vector<std::string> drawing(log.begin() + static_cast<long>(first_drawing), log.begin() + static_cast<long>(last_drawing));
    EXPECT_TRUE(contains(drawing, text_call(114, 240, "Mem Free")));
    for (size_t i = 0; i < 16; ++i) {
        const platform::Rgb6 c = platform::kDefaultPalette[i];
        EXPECT_EQ(log[last_drawing + i], "_setrgbpalette(" + std::to_string(i) + "," + std::to_string(c.r) + "," +
                                             std::to_string(c.g) + "," + std::to_string(c.b) + ")");
    }
    EXPECT_EQ(graphics().palette, platform::kDefaultPalette);
}

TEST_F(MainScreen, StatusLineAndFrameAreDrawnInTheirPlaces) {
    runtime::mode_flags &= ~runtime::MODE_CUE_SCREEN;

    // The logo view: status line and frame as their painters alone draw them.
    set_flag(runtime::mode_flags, runtime::MODE_CUE_TIMING, false);
    ui::draw_main_screen();
    const std::string status_line = platform::region_text(Rect{1, 235, 221, 280});
    const std::string logo_frame = platform::region_text(Rect{1, 343, 221, 454});
    platform::_cleardevice();
    ui::draw_status_line();
    ui::draw_main_frame();
    EXPECT_EQ(status_line, platform::region_text(Rect{1, 235, 221, 280}));
    EXPECT_EQ(logo_frame, platform::region_text(Rect{1, 343, 221, 454}));
    EXPECT_GT(platform::count_pixels(kYellow, Rect{2, 443, 220, 451}), 0);  // the version box

    // The cue-timing view: the times and the speed box.
    set_flag(runtime::mode_flags, runtime::MODE_CUE_TIMING, true);
    ui::draw_main_screen();
    const std::string speed_box = platform::region_text(kSpeedBox);
    const std::string times = platform::region_text(kCueTimes);
    platform::_cleardevice();
    ui::draw_main_frame();
    EXPECT_EQ(speed_box, platform::region_text(kSpeedBox));
    EXPECT_EQ(times, platform::region_text(kCueTimes));
    EXPECT_GT(platform::count_pixels(kDarkGrey, kSpeedValue), 0);
}

TEST_F(MainScreen, LeftColumnKeyLedsFollowTheFixtureOrCueScreen) {
    struct Case {
        const char* name;
        bool cue_screen;
        int16_t fixture_page;
        int16_t group_bank;
        int16_t cue_page;
        std::vector<int16_t> lit;
        std::vector<int16_t> dark;
    };
    const Case cases[] = {
        {"fixture page 1, group bank 1", false, 1, 1, 1, {71}, {72, 73, 101, 102}},
        {"fixture page 2, group bank 2", false, 2, 2, 1, {72, 101}, {71, 73, 102}},
        {"cue screen page 3", true, 1, 2, 3, {73, 83}, {71, 72, 81, 82, 84, 96, 101, 102}},
        {"cue screen page 16", true, 1, 1, 16, {73, 96}, {81, 83, 95}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        set_flag(runtime::mode_flags, runtime::MODE_CUE_SCREEN, c.cue_screen);
        runtime::fixture_page = c.fixture_page;
        runtime::group_bank = c.group_bank;
        runtime::cue_screen_page = c.cue_page;
        ui::draw_main_screen();
        for (int16_t key : c.lit) EXPECT_EQ(led_after_sending(key), LedState::lit) << key;
        for (int16_t key : c.dark) EXPECT_EQ(led_after_sending(key), LedState::off) << key;
    }
}

// ------------------------------------------------------------------ status line

TEST_F(MainScreen, StatusLineMatchesItsReference) {
    runtime::belt_resolution = 16;
    runtime::trackerball_card_mode = 0;
    set_edit_mode(2);
    programmer::fan_shape = 3;
    set_flag(runtime::run_flags, runtime::RUN_LIVE_EDIT, true);
    set_flag(runtime::mode_flags, runtime::MODE_AUTO_PLAYBACKS, false);
    set_flag(runtime::mode_flags, runtime::MODE_AUTO_SEQUENCES, true);
    set_flag(runtime::mode_flags, runtime::MODE_CUE_TIMING, true);
    ui::status_percent = 57;
    ui::status_level = 1;
    platform::_cleardevice();
    ui::draw_status_line();

    uitest::expect_matches_reference("main_screen", "status_line", kStatusLine);
    const std::vector<std::string> log = calls();
    for (const std::string& text : {text_call(4, 240, "Transp. Seq"), text_call(83, 240, "Plb"),
                                    text_call(114, 240, "Mem Free"), text_call(114, 255, "Fixtures Manual"),
                                    text_call(4, 270, "T-ball Res."), text_call(114, 270, "Cuefading Active"),
                                    text_call(70, 270, "16 bit"), text_call(4, 255, "Fan Standard Mid"),
                                    text_call(175, 240, "57 %")}) {
        EXPECT_TRUE(contains(log, text)) << text;
    }
    // Nothing outside the status line is touched.
    EXPECT_EQ(platform::count_pixels(kBlack, Rect{0, 0, 639, 234}), 640 * 235);
    EXPECT_EQ(platform::count_pixels(kBlack, Rect{0, 282, 639, 479}), 640 * 198);
}

TEST_F(MainScreen, StatusLineMarksAndLedsFollowTheModes) {
    struct Case {
        const char* name;
        uint32_t mode_flags_set;    // of MODE_AUTO_PLAYBACKS, MODE_AUTO_SEQUENCES, MODE_CUE_TIMING, MODE_FIXTURE_STEP
        bool live_edit;
        int16_t frozen_playbacks, frozen_sequences, frozen_fixtures;
        bool playbacks_mark, transp_mark, cuefading_mark, manual_mark;
        bool live_led, freeze_led, step_led;
    };
    constexpr uint32_t kAutoPlaybacks = runtime::MODE_AUTO_PLAYBACKS;
    constexpr uint32_t kAutoSequences = runtime::MODE_AUTO_SEQUENCES;
    constexpr uint32_t kCueTiming = runtime::MODE_CUE_TIMING;
    constexpr uint32_t kStep = runtime::MODE_FIXTURE_STEP;
    const Case cases[] = {
        {"nothing automatic", 0, false, 0, 0, 0, true, true, false, false, false, false, false},
        {"all automatic, cue timing", kAutoPlaybacks | kAutoSequences | kCueTiming, false, 0, 0, 0,
         false, false, true, false, false, false, false},
        {"live edit, fixture step", kAutoPlaybacks | kStep, true, 0, 0, 0, false, true, false, true, true, false, true},
        {"a frozen playback", kAutoSequences, false, 1, 0, 0, true, false, false, false, false, true, false},
        {"a frozen sequence", kAutoSequences, false, 0, 2, 0, true, false, false, false, false, true, false},
        {"a frozen fixture", kAutoSequences, false, 0, 0, 5, true, false, false, false, false, true, false},
    };
    constexpr uint32_t kShown = kAutoPlaybacks | kAutoSequences | kCueTiming | kStep;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        runtime::mode_flags = (runtime::mode_flags & ~kShown) | c.mode_flags_set;
        set_flag(runtime::run_flags, runtime::RUN_LIVE_EDIT, c.live_edit);
        ui::frozen_playback_count = c.frozen_playbacks;
        ui::frozen_sequence_count = c.frozen_sequences;
        ui::frozen_fixture_count = c.frozen_fixtures;
        platform::_cleardevice();
        ui::draw_status_line();

        const auto mark = [](const Rect& r, bool lit) {
            EXPECT_EQ(platform::count_pixels(lit ? kLightRed : kBlack, r), area(r));
        };
        mark(kPlaybacksMark, c.playbacks_mark);
        mark(kTranspSeqMark, c.transp_mark);
        mark(kCuefadingMark, c.cuefading_mark);
        mark(kFixturesManualMark, c.manual_mark);
        EXPECT_EQ(led_after_sending(kLiveEditKey), c.live_led ? LedState::lit : LedState::off);
        EXPECT_EQ(led_after_sending(kFreezeKey), c.freeze_led ? LedState::lit : LedState::off);
        EXPECT_EQ(led_after_sending(kFixtureStepKey), c.step_led ? LedState::lit : LedState::off);
    }
}

TEST_F(MainScreen, EditModeShowsAbsoluteRelativeOrTheFanShape) {
    struct Case {
        uint32_t mode;
        int16_t fan_shape;
        const char* text;
    };
    const Case cases[] = {
        {0, 1, "Absolute"},         {1, 1, "Relative"},    {2, 1, "Fan Standard"}, {2, 2, "Fan Inverse"},
        {2, 3, "Fan Standard Mid"}, {2, 4, "Fan Sine"},    {2, 5, "Fan Inverse"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        set_edit_mode(c.mode);
        programmer::fan_shape = c.fan_shape;
        graphics().clear_call_log();
        ui::draw_mode_text(ui::MODE_TEXT_EDIT_MODE, ui::kMarkOffColour);
        EXPECT_TRUE(contains(calls(), text_call(4, 255, c.text)));
        EXPECT_GT(platform::count_pixels(kLightCyan, kEditModeField), 0);
        EXPECT_EQ(platform::count_pixels(kLightCyan, kEditModeField) + platform::count_pixels(kDarkGrey, kEditModeField),
                  area(kEditModeField));
    }

    // Shape 5 looks exactly as shape 2.
    set_edit_mode(2);
    programmer::fan_shape = 2;
    ui::draw_mode_text(ui::MODE_TEXT_EDIT_MODE, ui::kMarkOnColour);
    const std::string inverse = platform::region_text(kEditModeField);
    programmer::fan_shape = 5;
    ui::draw_mode_text(ui::MODE_TEXT_EDIT_MODE, ui::kMarkOnColour);
    EXPECT_EQ(platform::region_text(kEditModeField), inverse);
}

TEST_F(MainScreen, ModeTextItemsDrawTheirMarksAndTexts) {
    platform::_cleardevice();
    ui::draw_status_line();

    struct Mark {
        int16_t item;
        Rect box;
    };
    const Mark marks[] = {
        {ui::MODE_TEXT_FIXTURES_MANUAL, kFixturesManualMark},
        {ui::MODE_TEXT_TRANSP_SEQ, kTranspSeqMark},
        {ui::MODE_TEXT_CUEFADING, kCuefadingMark},
        {ui::MODE_TEXT_PLAYBACKS, kPlaybacksMark},
    };
    for (const Mark& mark : marks) {
        SCOPED_TRACE(mark.item);
        ui::draw_mode_text(mark.item, ui::kMarkOnColour);
        EXPECT_EQ(platform::count_pixels(kLightRed, mark.box), area(mark.box));
        ui::draw_mode_text(mark.item, ui::kMarkOffColour);
        EXPECT_EQ(platform::count_pixels(kBlack, mark.box), area(mark.box));
    }

    // The trackerball label turns red over the cyan one while the card mode is 1.
    const int tball_width = platform::text_width_px(platform::kSmallFont, 4, "T-ball");
    const Rect tball{4, 268, 4 + tball_width - 1, 279};
    ui::draw_mode_text(ui::MODE_TEXT_TRACKERBALL, 1);
    EXPECT_GT(platform::count_pixels(kRed, tball), 0);
    EXPECT_EQ(platform::count_pixels(kLightCyan, tball), 0);
    ui::draw_mode_text(ui::MODE_TEXT_TRACKERBALL, 0);
    EXPECT_EQ(platform::count_pixels(kRed, tball), 0);
    EXPECT_GT(platform::count_pixels(kLightCyan, tball), 0);

    // The belt resolution replaces its field.
    graphics().clear_call_log();
    ui::draw_mode_text(ui::MODE_TEXT_BELT_RESOLUTION, 8);
    EXPECT_TRUE(contains(calls(), text_call(70, 270, "8 bit")));
    EXPECT_EQ(platform::count_pixels(kLightCyan, Rect{70, 268, 109, 279}) +
                  platform::count_pixels(kDarkGrey, Rect{70, 268, 109, 279}),
              40 * 12);

    // Items 3, 9 and 0 draw nothing.
    const std::string before = platform::region_text(kStatusLine);
    for (int16_t item : {0, 3, 9}) ui::draw_mode_text(item, ui::kMarkOnColour);
    EXPECT_EQ(platform::region_text(kStatusLine), before);
}

TEST_F(MainScreen, MemoryPercentShowsTheValueAndALevelMark) {
    struct Case {
        uint8_t level;
        int16_t percent;
        int mark_colour;
    };
    const Case cases[] = {{0, 83, kGreen}, {1, 12, kLightRed}, {2, 3, kRed}, {3, 0, kBlack}, {200, 50, kBlack}};
    for (const Case& c : cases) {
        SCOPED_TRACE(int{c.level});
        ui::status_level = c.level;
        ui::status_percent = c.percent;
        platform::_setfillstyle(platform::kSolidFill, kBlue);
        platform::_bar(169, 237, 219, 249);
        graphics().clear_call_log();
        ui::draw_memory_percent();
        EXPECT_TRUE(contains(calls(), text_call(175, 240, std::to_string(c.percent) + " %")));
        EXPECT_EQ(platform::count_pixels(c.mark_colour, kMemoryMark), area(kMemoryMark));
        const Rect field{169, 237, 209, 249};
        EXPECT_GT(platform::count_pixels(kYellow, field), 0);
        EXPECT_EQ(platform::count_pixels(kYellow, field) + platform::count_pixels(kBlack, field), area(field));
    }
}

// ------------------------------------------------------------------ logo view

TEST_F(MainScreen, LogoViewMatchesItsReference) {
    ASSERT_EQ(ui::logo_size, 4u + 94 * 90);
    ui::free_screen_images();
    ui::load_logo();
    platform::_cleardevice();
    show_logo_view();
    uitest::expect_matches_reference("main_screen", "logo_view", kMainFrame);

    // "VERSION 7.4" in yellow on a red box centred over the frame's width.
    const int w = platform::text_width_px(platform::kSmallFont, 4, "VERSION 7.4");
    const int d = (220 - w) / 2;
    const Rect box{d + 1, 443, d + w + 1, 451};
    EXPECT_TRUE(contains(calls(), text_call(d + 2, 444, "VERSION 7.4")));
    EXPECT_GT(platform::count_pixels(kYellow, box), 0);
    EXPECT_EQ(platform::count_pixels(kRed, box) + platform::count_pixels(kYellow, box), area(box));
    expect_frame_outline();
}

TEST_F(MainScreen, LogoIsPlacedByItsLength) {
    struct Case {
        int width, height;
        int x, y;
    };
    const Case cases[] = {
        {84, 107, 35, 337},  // 8992 bytes: reaches above the frame
        {94, 90, 30, 350},   // 8464 bytes
        {60, 40, 35, 355},   // any other length
        {94, 91, 35, 355},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        const std::vector<uint8_t> image = use_logo(c.width, c.height);
        ASSERT_NE(ui::logo_image, nullptr);
        platform::_cleardevice();
        show_logo_view();
        // The version box is drawn over the logo's last rows, and the free
        // counters, drawn again after it, over rows above the frame.
        EXPECT_EQ(logo_differences(image, c.x, c.y, 343, 442), 0);
        EXPECT_TRUE(contains(calls(), "_putimage(" + std::to_string(c.x) + "," + std::to_string(c.y) + "," +
                                          std::to_string(c.width) + "x" + std::to_string(c.height) + ",0)"));
    }
}

TEST_F(MainScreen, WithoutLogoTheFrameIsBlackWithTheVersionBox) {
    dir_.remove_file("logo");
    ui::free_screen_images();
    ui::load_logo();
    ASSERT_EQ(ui::logo_image, nullptr);
    platform::_setfillstyle(platform::kSolidFill, kBlue);
    platform::_bar(0, 300, 639, 479);
    show_logo_view();

    const int w = platform::text_width_px(platform::kSmallFont, 4, "VERSION 7.4");
    const int d = (220 - w) / 2;
    const auto ink = platform::ink_bounds(kBlack, kFrameInterior);
    ASSERT_TRUE(ink.has_value());
    EXPECT_EQ(*ink, (Rect{d + 1, 443, d + w + 1, 451}));
    expect_frame_outline();
}

TEST_F(MainScreen, SecondLogoViewPutsBackTheCapturedPicture) {
    ui::free_screen_images();
    ui::load_logo();
    platform::_cleardevice();
    show_logo_view();
    ASSERT_NE(ui::frame_image, nullptr);
    const std::string first = platform::region_text(kMainFrame);

    platform::_setfillstyle(platform::kSolidFill, kBlue);
    platform::_bar(0, 300, 639, 479);
    graphics().clear_call_log();
    show_logo_view();

    EXPECT_EQ(platform::region_text(kMainFrame), first);
    const std::vector<std::string> expected = {"_setcolor(7)", "_rectangle(1,342,221,455)", "_putimage(2,343,219x112,0)"};
    EXPECT_EQ(calls(), expected);
}

// ------------------------------------------------------------------ cue-timing view

TEST_F(MainScreen, CueTimingViewShowsTheFiveFadersTimesAndSpeed) {
    playback::current_cue_times = {32000, 754, 0, 600, 65536 + 754};
    runtime::show_speed = 100;
    runtime::show_time_frozen = 0;
    platform::_cleardevice();
    show_cue_timing_view();

    const std::vector<std::string> log = calls();
    const std::array<std::array<const char*, 3>, 5> columns = {{
        {"-", "INF", "-"},
        {"1 m", "15 s", "4 ms"},
        {"0 m", "0 s", "0 ms"},
        {"1 m", "0 s", "0 ms"},
        {"1 m", "15 s", "4 ms"},  // only the low 16 bits count
    }};
    for (size_t i = 0; i < columns.size(); ++i) {
        const int x = 15 + 32 * static_cast<int>(i);
        EXPECT_TRUE(contains(log, text_call(x, 425, columns[i][0]))) << i;
        EXPECT_TRUE(contains(log, text_call(x, 435, columns[i][1]))) << i;
        EXPECT_TRUE(contains(log, text_call(x, 445, columns[i][2]))) << i;
    }
    uitest::expect_matches_reference("main_screen", "cue_times", kCueTimes);
    uitest::expect_matches_reference("main_screen", "speed_box", kSpeedBox);

    const std::array<const char*, 5> labels = {"DELAY IN", "FADE IN", "DELAY OUT", "FADE OUT", "HOLD"};
    for (size_t i = 0; i < labels.size(); ++i) {
        const ui::FaderWidget& widget = ui::cue_fader_widgets[i + 1];
        EXPECT_EQ(widget.shown, 1) << i;
        EXPECT_EQ(widget.x, 14 + 32 * static_cast<int>(i));
        EXPECT_EQ(widget.y, 345);
        EXPECT_EQ(std::string(widget.label.data()), labels[i]);
    }
}

TEST_F(MainScreen, SpeedBoxColoursFollowSpeedAndFreeze) {
    struct Case {
        int16_t speed;
        uint8_t frozen;
        int text_colour;
        int fill_colour;
        const char* speed_text;
    };
    const Case cases[] = {
        {100, 0, kWhite, kDarkGrey, "100%"},
        {50, 0, kYellow, kBlue, "50%"},
        {100, 1, kYellow, kRed, "100%"},
        {250, 1, kYellow, kRed, "250%"},
    };
    set_flag(runtime::mode_flags, runtime::MODE_CUE_TIMING, true);
    runtime::option_flags &= ~(runtime::OPT_TIMECODE_SCREEN | runtime::OPT_SETTINGS_EDITOR);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.speed_text);
        runtime::show_speed = c.speed;
        runtime::show_time_frozen = c.frozen;
        graphics().clear_call_log();
        ui::draw_speed_box();

        const std::vector<std::string> log = calls();
        EXPECT_TRUE(contains(log, text_call(181, 381, c.speed_text)));
        EXPECT_EQ(contains(log, text_call(181, 395, "FROZEN")), c.frozen == 1);
        EXPECT_TRUE(contains(log, text_call(180, 349, "Timing")));
        EXPECT_TRUE(contains(log, text_call(182, 360, "Speed")));
        EXPECT_GT(platform::count_pixels(c.text_colour, kSpeedValue), 0);
        EXPECT_EQ(platform::count_pixels(c.text_colour, kSpeedValue) + platform::count_pixels(c.fill_colour, kSpeedValue),
                  area(kSpeedValue));
    }
}

TEST_F(MainScreen, SpeedBoxLooksTheSameWhateverTextStyleWasLeft) {
    set_flag(runtime::mode_flags, runtime::MODE_CUE_TIMING, true);
    runtime::option_flags &= ~(runtime::OPT_TIMECODE_SCREEN | runtime::OPT_SETTINGS_EDITOR);
    runtime::show_speed = 100;
    runtime::show_time_frozen = 0;
    ui::set_text_style(platform::kDefaultFont, platform::kHorizontalText, 1);
    platform::_cleardevice();
    ui::draw_speed_box();
    uitest::expect_matches_reference("main_screen", "speed_box", kSpeedBox);
}

TEST_F(MainScreen, TimesAndSpeedBoxStayAwayWhileAnotherScreenHasTheFrame) {
    set_flag(runtime::mode_flags, runtime::MODE_CUE_TIMING, true);
    for (uint32_t owner : {runtime::OPT_TIMECODE_SCREEN, runtime::OPT_SETTINGS_EDITOR}) {
        SCOPED_TRACE(owner);
        runtime::option_flags = (runtime::option_flags & ~(runtime::OPT_TIMECODE_SCREEN | runtime::OPT_SETTINGS_EDITOR)) | owner;
        graphics().clear_call_log();
        ui::draw_current_times();
        ui::draw_speed_box();
        EXPECT_TRUE(calls().empty());
    }

    // Nor while cue timing is off.
    runtime::option_flags &= ~(runtime::OPT_TIMECODE_SCREEN | runtime::OPT_SETTINGS_EDITOR);
    set_flag(runtime::mode_flags, runtime::MODE_CUE_TIMING, false);
    graphics().clear_call_log();
    ui::draw_current_times();
    ui::draw_speed_box();
    EXPECT_TRUE(calls().empty());

    // The frame itself is still drawn while an editor has it, without times and speed.
    set_flag(runtime::mode_flags, runtime::MODE_CUE_TIMING, true);
    runtime::option_flags |= runtime::OPT_SETTINGS_EDITOR;
    platform::_cleardevice();
    ui::draw_main_frame();
    EXPECT_EQ(platform::count_pixels(kBlack, kCueTimes), area(kCueTimes));
    EXPECT_EQ(platform::count_pixels(kBlack, kSpeedBox), area(kSpeedBox));
    expect_frame_outline();
    runtime::option_flags &= ~runtime::OPT_SETTINGS_EDITOR;
}

TEST_F(MainScreen, CurrentTimesRedrawOverTheOldOnes) {
    set_flag(runtime::mode_flags, runtime::MODE_CUE_TIMING, true);
    runtime::option_flags &= ~(runtime::OPT_TIMECODE_SCREEN | runtime::OPT_SETTINGS_EDITOR);
    playback::current_cue_times = {754, 754, 754, 754, 754};
    ui::draw_current_times();
    const std::string busy = platform::region_text(kCueTimes);
    playback::current_cue_times = {0, 0, 0, 0, 0};
    ui::draw_current_times();
    const std::string zero = platform::region_text(kCueTimes);
    EXPECT_NE(busy, zero);
    platform::_cleardevice();
    ui::draw_current_times();
    EXPECT_EQ(platform::region_text(kCueTimes), zero);
}

}  // namespace
