// The timecode screen on the demo show, opened and worked by its keys: the
// transport panel's layout and colours, the status and CD lines, the MODE
// key's panels, the clock digits and the start-time entry, the list a MIDI
// request opens, and the short event texts of the LAST/NEXT fields.
#include <gtest/gtest.h>

#include "list_helpers.h"

#include <algorithm>
#include <string>
#include <vector>

#include "../programmer/programmer_test_rig.h"
#include "platform/cd_drive.h"
#include "platform/graphics.h"
#include "runtime/config_records.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/step_log.h"
#include "sync/commands.h"
#include "sync/cd_requests.h"
#include "sync/list_open.h"
#include "sync/sync_services.h"
#include "sync/timecode_clock.h"
#include "sync/timecode_display.h"
#include "sync/timecode_lists.h"
#include "sync/timecode_player.h"
#include "sync/timecode_screen.h"
#include "ui/message_line.h"

namespace {

using namespace runtime::keys;
namespace colour = synchro::tc_colour;

constexpr const char* kPrompt = "PROGRAM TIMECODE (ESC=CANCEL)";

std::string message() { return ui::last_message_text.data(); }

bool screen_open() { return (runtime::option_flags & runtime::OPT_TIMECODE_SCREEN) != 0; }

size_t count_calls(const std::string& call) {
    const std::vector<std::string> calls = runtime::logged_calls();
    return static_cast<size_t>(std::count(calls.begin(), calls.end(), call));
}

class TimecodeScreen : public programmer_test::DemoRig {
protected:
    void SetUp() override {
        DemoRig::SetUp();
        synchro::timecode_table_editor = sync_test::record_table_editor;
        synchro::timecode_source = synchro::kTimecodeSourcePcTimer;
        synchro::timecode_frame_rate = 1;  // "24"
    }
    std::vector<std::string> texts_drawn() {
        std::vector<std::string> texts;
        for (const std::string& call : rig_.machine().graphics.call_log()) {
            const size_t quote = call.find(",\"");
            if (call.starts_with("_outtextxy(") && quote != std::string::npos) {
                texts.push_back(call.substr(quote + 2, call.size() - quote - 4));
            }
        }
        return texts;
    }
    bool drew(const std::string& text) {
        const std::vector<std::string> texts = texts_drawn();
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    }
    // Pixels of the colour in the box, both corners inclusive.
    static int pixels(int colour, int left, int top, int right, int bottom) {
        return platform::count_pixels(colour, platform::Rect{left, top, right, bottom});
    }
    void open_screen() {
        rig_.press(KEY_PLAY);
        ASSERT_TRUE(screen_open());
    }
    void insert_disc() {
        platform::Machine& m = rig_.machine();
        platform::insert_cd(m.cd_drive, platform::audio_disc(std::vector<uint32_t>(6, 60)));
        m.cdrom.handler = &platform::cd_drive_request;
        m.cdrom.handler_context = &m.cd_drive;
        rig_.at(0, [] { synchro::init_cdrom(); });
        rig_.run_ms(5);
    }
    // REC on the screen starts the start-time entry (PC-TIMER); the keys
    // typed into it, then ESC, which keeps the time and cancels recording.
    double enter_time(const std::vector<int16_t>& keys) {
        rig_.press(KEY_REC);
        EXPECT_EQ(message(), "EDIT TIME AND PRESS 'REC'...");
        for (const int16_t key : keys) rig_.press(key);
        rig_.press(KEY_ESC);
        EXPECT_EQ(message(), kPrompt);
        return synchro::display_time;
    }
};

std::vector<int16_t> digits(const std::string& typed) {
    std::vector<int16_t> keys;
    for (const char c : typed) keys.push_back(static_cast<int16_t>(KEY_DIGIT_0 + (c - '0')));
    return keys;
}

TEST_F(TimecodeScreen, PlayOpensThePanelWithItsButtonsDigitsAndStatusLineAndEscClosesIt) {
    rig_.machine().graphics.clear_call_log();
    runtime::clear_step_log();
    open_screen();
    EXPECT_EQ(message(), kPrompt);
    EXPECT_EQ(count_calls("synchro::edit_timecode_table(211)"), 1u);
    // Five released buttons: grey faces at x 44n - 38 .. 44n - 7, y 356..367,
    // light cyan captions.
    for (int n = 1; n <= 5; ++n) {
        EXPECT_EQ(rig_.pixel(44 * n - 38, 356), colour::kLightGrey) << n;
        EXPECT_EQ(rig_.pixel(44 * n - 7, 367), colour::kLightGrey) << n;
        EXPECT_GT(pixels(colour::kLightCyan, 44 * n - 38, 356, 44 * n - 7, 367), 10) << n;
        EXPECT_EQ(rig_.key_led_state(static_cast<int16_t>(KEY_PLAY + n - 1)), runtime::LED_BLINK) << n;
    }
    // Four black digit boxes with a red label strip at the top left, and
    // the digits 00/00/00/00 in cyan.
    for (int i = 1; i <= 4; ++i) {
        EXPECT_EQ(rig_.pixel(52 * i - 45, 376), colour::kRed) << i;
        EXPECT_EQ(rig_.pixel(52 * i + 1, 406), colour::kBlack) << i;
        EXPECT_EQ(pixels(colour::kYellow, 52 * i - 45, 376, 52 * i - 37, 385) > 0, true) << i;
        EXPECT_GT(pixels(colour::kCyan, 52 * i - 36, 379, 52 * i - 1, 404), 10) << i;
    }
    // The status line: labels on blue, values on cyan.
    const std::vector<std::string> texts = texts_drawn();
    const std::vector<std::string> status = {"LIST:", runtime::current_list_name, "SYNC.:", "PC-TIMER", "FR.:", "24"};
    auto at = std::search(texts.begin(), texts.end(), status.begin(), status.end());
    EXPECT_NE(at, texts.end()) << "the status line in order";
    EXPECT_EQ(rig_.pixel(6, 412), colour::kBlue);
    EXPECT_EQ(rig_.pixel(213, 424), colour::kCyan);
    // Not CDROM: the CD line is an empty dark box.
    EXPECT_EQ(pixels(colour::kDarkGrey, 6, 429, 213, 441), 208 * 13);

    rig_.press(KEY_ESC);
    EXPECT_FALSE(screen_open());
    for (int16_t key = KEY_PLAY; key <= KEY_TIMECODE_MODE; ++key) EXPECT_EQ(rig_.key_led_state(key), runtime::LED_OFF);
    EXPECT_EQ(rig_.key_led_state(KEY_ESC), runtime::LED_OFF);
}

TEST_F(TimecodeScreen, AListWithoutANameShowsNone) {
    runtime::current_list_name.clear();
    rig_.machine().graphics.clear_call_log();
    open_screen();
    EXPECT_TRUE(drew("NONE"));
}

TEST_F(TimecodeScreen, ModeStepsTheRateThenTheSourceAndSwapsThePanelForManual) {
    synchro::timecode_source = synchro::kTimecodeSourceInternal;
    synchro::timecode_frame_rate = 3;
    open_screen();
    rig_.machine().graphics.clear_call_log();
    rig_.press(KEY_TIMECODE_MODE);
    EXPECT_TRUE(drew("30D"));
    EXPECT_EQ(message(), kPrompt);

    rig_.machine().graphics.clear_call_log();
    rig_.press(KEY_TIMECODE_MODE);  // past "30D": the next source
    EXPECT_EQ(synchro::timecode_source, synchro::kTimecodeSourceManual);
    EXPECT_TRUE(drew("MANUAL"));
    EXPECT_TRUE(drew("/"));
    // LAST/NEXT: red strips captioned in the bitmap font, dark grey fields.
    EXPECT_EQ(rig_.pixel(7, 393), colour::kRed);
    EXPECT_EQ(rig_.pixel(209, 405), colour::kRed);
    EXPECT_EQ(rig_.pixel(8, 377), colour::kDarkGrey);
    EXPECT_EQ(rig_.pixel(208, 392), colour::kDarkGrey);
    EXPECT_GT(pixels(colour::kLightGrey, 44, 396, 75, 403), 10) << "LAST";
    EXPECT_GT(pixels(colour::kLightGrey, 148, 396, 179, 403), 10) << "NEXT";

    rig_.press(KEY_TIMECODE_MODE);  // CDROM, without a disc
    rig_.machine().graphics.clear_call_log();
    rig_.press(KEY_TIMECODE_MODE);  // PC-TIMER: the digits again
    EXPECT_EQ(synchro::timecode_source, synchro::kTimecodeSourcePcTimer);
    EXPECT_EQ(rig_.pixel(7, 376), colour::kRed);
    EXPECT_EQ(rig_.pixel(53, 406), colour::kBlack);
    EXPECT_TRUE(drew("24"));
}

TEST_F(TimecodeScreen, ADiscInTheDriveMakesTheSourceCdromAndTheCdLineShowsIt) {
    insert_disc();
    rig_.machine().graphics.clear_call_log();
    open_screen();
    EXPECT_EQ(synchro::timecode_source, synchro::kTimecodeSourceCdrom);
    ASSERT_EQ(synchro::cd_state.disc_ready, 1);
    const std::vector<std::string> texts = texts_drawn();
    // Six tracks of a minute after the 2 s lead-in: the last frame is 6:01:74.
    const std::vector<std::string> line = {"CD:", "00:06:01:74", "#TR. :", "6", "TR.:", "1"};
    EXPECT_NE(std::search(texts.begin(), texts.end(), line.begin(), line.end()), texts.end());
    EXPECT_TRUE(drew("75"));
    EXPECT_EQ(rig_.pixel(6, 429), colour::kBlue);
    EXPECT_EQ(rig_.pixel(213, 441), colour::kMagenta);
    for (const int16_t key : {KEY_EDIT_VALUE, KEY_PLUS, KEY_MINUS}) {
        EXPECT_EQ(rig_.key_led_state(key), runtime::LED_BLINK) << key;
    }

    // A time past the disc's end goes to track 1's start (2 s).
    EXPECT_DOUBLE_EQ(enter_time(digits("00590000")), 2.0);
    EXPECT_EQ(synchro::cd_state.current_track, 1);
    EXPECT_EQ(synchro::cd_position_frames(), 150);
    // 00/02/10/00 lies in track 3 (2:02 to 3:02): its field is redrawn.
    rig_.machine().graphics.clear_call_log();
    EXPECT_DOUBLE_EQ(enter_time(digits("00021000")), 130.0);
    EXPECT_EQ(synchro::cd_state.current_track, 3);
    EXPECT_TRUE(drew("3"));
}

TEST_F(TimecodeScreen, TheEnteredTimeIsTheDigitsTakenAsTheyStandWithinADay) {
    open_screen();
    struct Case {
        std::string typed;
        double seconds;
    };
    const Case cases[] = {
        {"99999999", 86400.0},             // past a day: the limit
        {"00990000", 5940.0},              // 99 minutes
        {"01993004", 3600 + 5940 + 30 + 0.167},  // frame 4 at "24"
        {"00000099", 0.959},               // frames limited to the rate's last
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(enter_time(digits(c.typed)), c.seconds, 1e-9) << c.typed;
    }
    // DEL clears all digits; LAST and NEXT move the entry position and stop
    // at the ends.
    std::vector<int16_t> keys = {KEY_DEL};
    for (const int16_t key : digits("1234")) keys.push_back(key);
    keys.insert(keys.end(), {KEY_LAST, KEY_LAST});
    keys.push_back(KEY_DIGIT_9);
    EXPECT_DOUBLE_EQ(enter_time(keys), 12 * 3600 + 94 * 60);
    keys = {KEY_DEL, KEY_LAST, KEY_DIGIT_0 + 1};
    EXPECT_DOUBLE_EQ(enter_time(keys), 10 * 3600);
    keys = {KEY_DEL};
    for (int i = 0; i < 9; ++i) keys.push_back(KEY_NEXT);
    keys.push_back(KEY_DIGIT_0 + 5);
    EXPECT_DOUBLE_EQ(enter_time(keys), 0.209);  // frame 5 at "24"
    EXPECT_EQ(message(), kPrompt);
}

TEST_F(TimecodeScreen, TheEntryPositionIsWhiteAndTheEntryKeysBlink) {
    open_screen();
    rig_.press(KEY_REC);
    rig_.press(KEY_DIGIT_0 + 1);
    // Position 2 (x 36) is white, position 1 (x 17) cyan.
    EXPECT_GT(pixels(colour::kWhite, 36, 379, 51, 404), 10);
    EXPECT_EQ(pixels(colour::kWhite, 17, 379, 32, 404), 0);
    EXPECT_GT(pixels(colour::kCyan, 17, 379, 32, 404), 10);
    for (const int16_t key : {KEY_LAST, KEY_NEXT, KEY_ESC, KEY_DEL, KEY_ENTER, KEY_DIGIT_0, KEY_DIGIT_9}) {
        EXPECT_EQ(rig_.key_led_state(key), runtime::LED_BLINK) << key;
    }
    rig_.press(KEY_TO_MEM);  // not an entry key: ignored
    EXPECT_EQ(message(), "EDIT TIME AND PRESS 'REC'...");
    rig_.press(KEY_ESC);
    EXPECT_EQ(message(), kPrompt);
    EXPECT_EQ(rig_.key_led_state(KEY_DIGIT_9), runtime::LED_OFF);
    EXPECT_EQ(pixels(colour::kWhite, 17, 379, 213, 404), 0);
}

TEST_F(TimecodeScreen, WhilePlayingTheDigitsAreLightCyanWhenLockedAndRedrawnOnlyWhereTheyChange) {
    open_screen();
    platform::Graphics& graphics = rig_.machine().graphics;
    auto lines_drawn = [&graphics] {
        const std::vector<std::string> calls = graphics.call_log();
        graphics.clear_call_log();
        return std::count_if(calls.begin(), calls.end(), [](const std::string& c) { return c.starts_with("_line("); });
    };
    // Drawn on the console's thread between two polls, so that no player
    // tick draws meanwhile.
    std::vector<long> lines;
    int light_cyan_locked = 0, cyan_locked = 0, light_cyan_unlocked = 0;
    rig_.at(0, [&] {
        synchro::timecode_mode = synchro::kTimecodePlay;
        synchro::timecode_player.unlocked = 0;
        synchro::draw_timecode_digits(61.0);
        light_cyan_locked = pixels(colour::kLightCyan, 17, 379, 213, 404);
        cyan_locked = pixels(colour::kCyan, 17, 379, 213, 404);
        lines_drawn();
        synchro::draw_timecode_digits(61.5);  // only the frames change
        lines.push_back(lines_drawn());
        synchro::draw_timecode_digits(61.5);  // nothing changes
        lines.push_back(lines_drawn());
        synchro::timecode_player.unlocked = 1;  // lock lost: every pair in cyan
        synchro::draw_timecode_digits(61.5);
        lines.push_back(lines_drawn());
        light_cyan_unlocked = pixels(colour::kLightCyan, 17, 379, 213, 404);
        synchro::timecode_mode = synchro::kTimecodeIdle;
    });
    rig_.run_ms(5);
    EXPECT_GT(light_cyan_locked, 40);
    EXPECT_EQ(cyan_locked, 0);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_GT(lines[0], 0);
    EXPECT_EQ(lines[1], 0);
    EXPECT_EQ(lines[2], 4 * lines[0]);
    EXPECT_EQ(light_cyan_unlocked, 0);
    EXPECT_DOUBLE_EQ(synchro::display_time, 61.5);
}

TEST_F(TimecodeScreen, AMidiRequestForAMissingListPlaysNothing) {
    open_screen();
    runtime::clear_step_log();
    synchro::pending_list_name = "NOLIST";
    synchro::list_open_request = 1;
    rig_.run_ms(2100);
    EXPECT_EQ(synchro::list_open_request, 0);
    EXPECT_EQ(count_calls("synchro::edit_timecode_table(250)"), 0u);
    const std::vector<platform::Tone> tones = rig_.tones();
    ASSERT_FALSE(tones.empty());
    EXPECT_EQ(tones.back().freq_hz, 400);
    EXPECT_NEAR(tones.back().duration_ms, 2000, 2);
    EXPECT_TRUE(screen_open());
}

TEST_F(TimecodeScreen, AMidiRequestLoadsTheListShowsItAndStartsIt) {
    sync_test::set_list({{1.0, "M 1"}, {2.0, "END"}});
    synchro::timecode_source = synchro::kTimecodeSourceManual;
    ASSERT_TRUE(synchro::save_timecode_list("manual"));
    synchro::timecode_source = synchro::kTimecodeSourcePcTimer;
    sync_test::set_list({});
    open_screen();
    runtime::clear_step_log();
    rig_.machine().graphics.clear_call_log();
    synchro::pending_list_name = "manual";
    synchro::list_open_request = 1;
    rig_.run_ms(50);
    EXPECT_EQ(count_calls("synchro::edit_timecode_table(250)"), 1u);
    EXPECT_EQ(synchro::timecode_list.count, 2);
    EXPECT_TRUE(drew("MANUAL"));
    EXPECT_EQ(rig_.pixel(7, 393), colour::kRed) << "the LAST/NEXT panel";
    EXPECT_EQ(rig_.key_led_state(KEY_PLAY), runtime::LED_BLINK) << "back on the screen";
}

TEST(TimecodeShortTexts, EachLetterAndWhatIsOutOfRange) {
    struct Case {
        const char* text;
        const char* shown;
    };
    const Case cases[] = {
        {"M 5", "MEMORY 5"},
        {"m 5", "!! ERROR !!"},  // the letter is taken as it stands
        {"C 3 7", "PAGE 03  CUE 07"},
        {"P 3 7 2", "PAGE 03  CUE 07.1"},
        {"R 0", "REPLACE-ALL OFF"},
        {"R 1", "REPLACE-ALL ON"},
        {"R 2", "!! ERROR !!"},
        {"S 0 1 1", "SEQ A,B,C,D - START"},
        {"S 2 1 0", "SEQ B - STOP"},
        {"S 1 2 1", "SEQ A - LEFT"},
        {"S 1 2 2", "SEQ A - BOUNCE"},
        {"S 1 2 3", "SEQ A - RANDOM"},
        {"S 4 3 0", "SEQ D - ASYNC"},
        {"S 4 3 1", "SEQ D - SYNC"},
        {"S 3 4 0", "SEQ C - AUTO"},
        {"S 3 4 1", "SEQ C - MAN"},
        {"S 3 4 2", "SEQ C - TRIGGER"},
        {"S 0 5 0", "SEQ A,B,C,D - GO"},
        {"S 1 2 9", "!! ERROR !!"},
        {"S 1 6 0", "!! ERROR !!"},
        {"S 5 1 0", "!! ERROR !!"},
        {"S 1 1", "!! ERROR !!"},
        {"F 1 00002.500", "GRANDMASTER"},
        {"F 4 00002.500", "SUBMASTER 2"},
        {"F 101 00002.500", "PLAYBACK 1"},
        {"F 142 00002.500", "PLAYBACK 42"},
        {"F 143 00002.500", "!! ERROR !!"},
        {"F 50 00002.500", "!! ERROR !!"},
        {"F 1", "!! ERROR !!"},
        {"G 00012.000", "GOTO"},
        {"END", "END"},
        {"end", "END"},
        {"X 1", "!! ERROR !!"},
        {"M", "!! ERROR !!"},
        {"", "!! ERROR !!"},
    };
    for (const Case& c : cases) EXPECT_EQ(synchro::short_event_text(c.text), c.shown) << '"' << c.text << '"';
}

}  // namespace
