// Start-up, main menu, result box and results log of the test program.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "hwtest/card_scan.h"
#include "hwtest/test_menu.h"
#include "platform/graphics.h"
#include "quandrix_rig.h"

namespace {

using quandrix_rig::card_with;
using quandrix_rig::Quandrix;
using quandrix_rig::text_at;

constexpr int kBlue = 1;
constexpr int kRed = 4;
constexpr int kLightGrey = 7;
constexpr int kLightGreen = 10;
constexpr int kLightCyan = 11;
constexpr int kYellow = 14;
constexpr int kWhite = 15;

const std::vector<std::string> kMenuItems = {
    "A> AUTOMATIC TEST-PROCEDURE", "C> CHECKING CONFIGURATION", "D> CHECKING LEDS",
    "E> CHECKING KEYS",            "F> CHECKING ANALOGUE FADERS", "G> CHECKING DIGITAL FADERS",
    "H> CHECKING DISPLAYS",        "I> CHECKING TRACKERBALL",   "J> CHECKING SMPTE",
    "K> CHECKING CDROM",           "L> CHECKING RAM",           "M> CHECKING HARDDISK",
    "N> CHECKING DISKDRIVE",
};
const std::vector<std::string> kLogNames = {
    "CONFIGURATION", "LEDS",  "KEYS",  "ANALOGUE FADERS", "DIGITAL FADERS", "DISPLAYS",
    "TRACKERBALL",   "SMPTE", "CDROM", "RAM",             "HARDDISK",       "DISKDRIVE",
};
constexpr const char* kMenuStatus =
    "++++++++++++++++++++++++ A..N=SELECT TEST  --  Q=QUIT ++++++++++++++++++++++++++";

// The results log with the given items (0 = C ... 11 = N) passed.
std::string results_log(const std::vector<int>& passed) {
    std::string log;
    for (size_t i = 0; i < kLogNames.size(); ++i) {
        const bool ok = std::find(passed.begin(), passed.end(), static_cast<int>(i)) != passed.end();
        log += kLogNames[i] + (ok ? " : TEST OK\r\n" : " : NOT TESTED OR ERROR\r\n");
    }
    return log;
}

// Whether the green OK box of item 0..11 (C..N) is on the screen.
bool pass_mark_shown(Quandrix& q, int item) {
    const int y = 127 + 20 * (item + 1);
    return q.rig.pixel(183, y - 3) == kLightGreen && q.rig.pixel(202, y + 9) == kLightGreen &&
           text_at(q.machine(), 185, y) == "OK";
}

std::vector<bool> pass_marks(Quandrix& q) {
    std::vector<bool> marks;
    for (int item = 0; item < hwtest::kTestItems; ++item) marks.push_back(pass_mark_shown(q, item));
    return marks;
}

std::vector<bool> flags(std::initializer_list<int> passed) {
    std::vector<bool> result(hwtest::kTestItems, false);
    for (const int item : passed) result[static_cast<size_t>(item)] = true;
    return result;
}

// --- start-up ----------------------------------------------------------------------

TEST(QuandrixStartUp, DrawsTheMainMenu) {
    Quandrix q;
    q.write_layout();
    q.cards().fit(0, card_with(quandrix_rig::kAllOptions));
    q.start();
    ASSERT_FALSE(q.rig.finished());

    const std::vector<std::string> log = q.machine().graphics.call_log();
    EXPECT_NE(std::find(log.begin(), log.end(), "_initgraph(9,2,\"\")"), log.end());
    const platform::Machine& m = q.machine();
    EXPECT_EQ(text_at(m, 18, 25), std::string(76, '-'));
    EXPECT_EQ(text_at(m, 18, 40), "-- VORTANEX ---------- TEST ZELK-CONSOLES ---------- VERSION 3.2 --");
    EXPECT_EQ(text_at(m, 18, 55), std::string(76, '-'));
    EXPECT_EQ(text_at(m, 280, 107), "MAIN-MENU");
    for (size_t row = 0; row < kMenuItems.size(); ++row) {
        EXPECT_EQ(text_at(m, 210, 127 + 20 * static_cast<int>(row)), kMenuItems[row]);
    }
    EXPECT_EQ(q.status_text(), kMenuStatus);

    EXPECT_EQ(q.rig.pixel(0, 0), kLightGrey);
    EXPECT_EQ(q.rig.pixel(630, 450), kLightGrey);
    EXPECT_EQ(q.rig.pixel(17, 20), kLightCyan);
    EXPECT_EQ(q.rig.pixel(623, 70), kLightCyan);
    EXPECT_EQ(q.rig.pixel(150, 100), kWhite);
    EXPECT_EQ(q.rig.pixel(490, 120), kWhite);
    EXPECT_EQ(q.rig.pixel(152, 136), kBlue) << "the panel's grid";
    EXPECT_EQ(q.rig.pixel(153, 137), 0);
    EXPECT_EQ(q.rig.pixel(0, 460), kRed);
    EXPECT_EQ(q.rig.pixel(639, 479), kRed);
    EXPECT_EQ(pass_marks(q), flags({})) << "no results log: nothing passed";
}

TEST(QuandrixStartUp, ResetsLedsKeysAndTheBeltsItsOptionsName) {
    struct Case {
        uint8_t options;
        bool sequence_belts_cleared;
        bool function_belts_cleared;
    };
    const std::vector<Case> cases = {
        {quandrix_rig::kAllOptions, true, true},
        {quandrix_rig::kSequenceBelts, true, false},
        {quandrix_rig::kFunctionBelts, false, true},
        {quandrix_rig::kHardwareKeys, false, false},
    };
    for (const Case& c : cases) {
        Quandrix q;
        q.write_layout();
        q.cards().fit(0, card_with(c.options));
        q.cards().set_sequence_belt(0, 12, 1, 99);
        q.cards().set_sequence_belt(0, 1, 0, 98);
        q.cards().set_function_belt(0, 16, 0, 42);
        q.cards().set_function_belt(0, 1, 1, 41);
        q.cards().press(0, 0, 0);
        q.start();

        EXPECT_FALSE(hwtest::is_console_key_pending_for_test()) << "the key FIFO is flushed";
        const std::vector<uint16_t> words = q.cards().led_words_consumed(0);
        EXPECT_EQ(words, std::vector<uint16_t>{0x7000}) << "all LEDs off";
        EXPECT_EQ(q.cards().sequence_belt(0, 12, 1), c.sequence_belts_cleared ? 0 : 99) << int{c.options};
        EXPECT_EQ(q.cards().sequence_belt(0, 1, 0), c.sequence_belts_cleared ? 0 : 98) << int{c.options};
        EXPECT_EQ(q.cards().function_belt(0, 16, 0), c.function_belts_cleared ? 0 : 42) << int{c.options};
        EXPECT_EQ(q.cards().function_belt(0, 1, 1), c.function_belts_cleared ? 0 : 41) << int{c.options};
    }
}

TEST(QuandrixStartUp, TrackerballPresentIsTheMouseResetsAnswer) {
    for (const bool installed : {true, false}) {
        Quandrix q;
        q.write_layout();
        q.machine().mouse.installed = installed;
        q.start();
        EXPECT_EQ(hwtest::trackerball_present, installed ? 0xFFFF : 0);
    }
}

TEST(QuandrixStartUp, ProgramDirectoryIsTheDriveAndDirectoryOfItsPath) {
    struct Case {
        const char* path;
        const char* directory;
    };
    const std::vector<Case> cases = {
        {"C:\\BRAVINOX\\QUANDRIX.EXE", "C:\\BRAVINOX"},
        {"C:\\TOOLS\\TEST\\QUANDRIX.EXE", "C:\\TOOLS\\TEST"},
        {"C:\\QUANDRIX.EXE", "C:"},
        {"C:QUANDRIX.EXE", "C:"},
        {"QUANDRIX.EXE", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        hwtest::get_program_dir(c.path);
        EXPECT_EQ(hwtest::program_directory, c.directory) << c.path;
    }
}

// --- results log -------------------------------------------------------------------

TEST(QuandrixLog, PassMarksFollowTheLinesThatSayTestOk) {
    struct Case {
        std::string log;
        std::vector<bool> marks;
    };
    const std::string long_line = std::string(90, '.') + " TEST OK\r\n";
    const std::vector<Case> cases = {
        {results_log({0, 2, 11}), flags({0, 2, 11})},
        {results_log({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}), flags({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11})},
        // Any line that contains "TEST OK" counts, in capitals only.
        {"xxTEST OKxx\r\nLEDS : test ok\r\nTEST  OK\r\n  TEST OK", flags({0, 3})},
        // Fewer than twelve lines leave the later items clear.
        {"CONFIGURATION : TEST OK\nLEDS : TEST OK\n", flags({0, 1})},
        // A line is read 79 characters at a time: the long line counts as two.
        {"C\r\n" + long_line + "x\r\nTEST OK\r\n", flags({2, 4})},
        // A thirteenth line is not read.
        {results_log({}) + "TEST OK\r\n", flags({})},
        {"", flags({})},
    };
    for (const Case& c : cases) {
        Quandrix q;
        q.write_layout();
        q.dir.write_text("quandrix.log", c.log);
        q.start();
        EXPECT_EQ(pass_marks(q), c.marks) << c.log;
        for (size_t i = 0; i < c.marks.size(); ++i) {
            EXPECT_EQ(hwtest::test_pass_flags[i] != 0, c.marks[i]) << "item " << i << " of " << c.log;
        }
    }
}

TEST(QuandrixLog, QuitWritesTwelveLinesAndEndsWithExitCode1) {
    Quandrix q;
    q.write_layout();
    q.cards().fit(0, card_with(quandrix_rig::kAllOptions));
    q.dir.write_text("quandrix.log", "CONFIGURATION : TEST OK\r\nx\r\nx\r\nx\r\nx\r\nDISPLAYS : TEST OK\r\n");
    q.start();
    q.type("q");

    ASSERT_TRUE(q.rig.finished());
    EXPECT_EQ(q.rig.exit_code(), 1);
    EXPECT_EQ(q.dir.read_text("quandrix.log"), results_log({0, 5}));
    EXPECT_FALSE(q.machine().graphics.open);
    q.cards().consume_led_ring(0);  // what the card takes after the program ended
    const std::vector<uint16_t> words = q.cards().led_words_consumed(0);
    EXPECT_EQ(std::count(words.begin(), words.end(), 0x7000), 2) << "LEDs off at start and at the end";
}

TEST(QuandrixLog, WrittenOnlyWhenTheMenuIsLeftWithQ) {
    Quandrix q;
    q.write_layout();
    q.cards().fit(0, card_with(0));
    q.start();
    q.type("C");
    q.type("Y");
    q.type(" ");
    EXPECT_TRUE(pass_mark_shown(q, hwtest::kTestConfiguration));
    EXPECT_FALSE(q.dir.has_file("quandrix.log"));

    q.type("Q");
    ASSERT_TRUE(q.rig.finished());
    EXPECT_EQ(q.dir.read_text("quandrix.log"), results_log({0}));
}

TEST(QuandrixLog, AnUnwritableLogIsReportedWithTheErrorBeepBeforeTheProgramEnds) {
    Quandrix q;
    q.write_layout();
    q.cards().fit(0, card_with(0));
    std::filesystem::create_directory(q.dir.folder() / "quandrix.log");  // no file can be written there
    q.start();
    q.type("cy ");
    q.type("q");
    ASSERT_FALSE(q.rig.finished()) << "the technician is told first";
    EXPECT_EQ(q.status_text(),
              "+++++ ERROR : RESULTS NOT SAVED - QUANDRIX.LOG CANNOT BE WRITTEN (ANY KEY) +++++");
    q.rig.run_ms(2000);
    ASSERT_FALSE(q.rig.finished()) << "waiting for a key";
    const std::vector<platform::Tone> tones = q.machine().speaker.tones.to_vector();
    ASSERT_FALSE(tones.empty());
    EXPECT_EQ(tones.back().freq_hz, 400);
    EXPECT_EQ(tones.back().duration_ms, 2000u);

    q.type(" ");
    ASSERT_TRUE(q.rig.finished());
    EXPECT_EQ(q.rig.exit_code(), 1);
    EXPECT_TRUE(std::filesystem::is_directory(q.dir.folder() / "quandrix.log"));
}

// --- menu keys ---------------------------------------------------------------------

TEST(QuandrixMenu, OtherKeysAreIgnoredWithoutRedrawing) {
    Quandrix q;
    q.write_layout();
    q.start();
    q.machine().graphics.clear_call_counts();
    q.type("bBzZ1 \r");
    q.type("\x1b");
    q.machine().text.push_extended_key(0x48);  // arrow up: 0, then the code of 'H'
    q.machine().text.push_extended_key(0x50);  // arrow down: 'P'
    q.rig.run_ms(100);
    EXPECT_EQ(q.machine().graphics.call_count(platform::GraphicsCall::bar), 0u);
    EXPECT_EQ(q.machine().graphics.call_count(platform::GraphicsCall::outtextxy), 0u);
    EXPECT_FALSE(q.rig.finished());
}

TEST(QuandrixMenu, SmallLettersWorkLikeCapitals) {
    Quandrix q;
    q.write_layout();
    q.cards().fit(0, card_with(0));
    q.start();
    q.type("c");
    EXPECT_EQ(text_at(q.machine(), 230, 107), "CHECKING CONFIGURATION");
    q.type("y");
    EXPECT_EQ(q.result_text(), "TEST OK");
}

TEST(QuandrixMenu, AFailedTestClearsItsMarkAtTheNextRedraw) {
    Quandrix q;
    q.write_layout();
    q.cards().fit(0, card_with(0));
    q.dir.write_text("quandrix.log", results_log({0, 1}));
    q.start();
    ASSERT_EQ(pass_marks(q), flags({0, 1}));
    q.type("C");
    q.type("N");
    EXPECT_EQ(q.result_text(), "ERROR : MISSING LINKCARDS!");
    q.type(" ");
    EXPECT_EQ(pass_marks(q), flags({1}));
    EXPECT_EQ(q.status_text(), kMenuStatus);
    q.type("Q");
    EXPECT_EQ(q.dir.read_text("quandrix.log"), results_log({1}));
}

// --- result box --------------------------------------------------------------------

TEST(QuandrixResultBox, CentredBeepedAndTheScreenRestoredAfterAKey) {
    struct Case {
        uint8_t options;
        std::string answer;
        std::string text;
        int beep_hz;
    };
    const std::vector<Case> cases = {
        {0, "Y", "TEST OK", 800},
        {quandrix_rig::kFunctionBelts, "", "ERROR : DIGITAL BELTS SEQUENCES NOT FOUND!", 400},
    };
    for (const Case& c : cases) {
        Quandrix q;
        q.write_layout();
        q.cards().fit(0, card_with(c.options));
        q.start();
        q.type("C");
        if (!c.answer.empty()) q.type(c.answer);

        const int w = 8 * static_cast<int>(c.text.size()) + 20;
        const int x = (640 - w) / 2;
        const platform::Rect box{x, 405, x + w, 455};
        EXPECT_EQ(text_at(q.machine(), x + 10, 425), c.text);
        EXPECT_EQ(q.rig.pixel(x, 430), kYellow);
        EXPECT_EQ(q.rig.pixel(x + w, 430), kYellow);
        EXPECT_EQ(q.rig.pixel(x - 1, 430), kLightGrey);
        EXPECT_EQ(q.rig.pixel(x + w + 1, 430), kLightGrey);
        EXPECT_EQ(q.rig.pixel(x + 1, 405), kRed);
        EXPECT_EQ(q.rig.pixel(x + 1, 415), kRed);
        EXPECT_EQ(q.rig.pixel(x + 1, 416), kYellow);
        EXPECT_EQ(q.rig.pixel(x + 1, 444), kYellow);
        EXPECT_EQ(q.rig.pixel(x + 1, 445), kRed);
        EXPECT_EQ(q.rig.pixel(x + 1, 455), kRed);
        EXPECT_EQ(q.rig.pixel(x + 1, 456), kLightGrey);
        EXPECT_GT(platform::count_pixels(kRed, {x + 10, 425, x + w - 10, 432}), 0) << "the text in red";
        EXPECT_EQ(q.status_text(),
                  "+++++++++++++++++++++++++ PRESS ANY KEY TO CONTINUE... +++++++++++++++++++++++++++++++");
        ASSERT_FALSE(q.rig.tones().empty());
        EXPECT_EQ(q.rig.tones().back().freq_hz, c.beep_hz);
        EXPECT_EQ(q.rig.tones().back().duration_ms, 50u);

        q.type("x");
        const int area = (box.x2 - box.x1 + 1) * (box.y2 - box.y1 + 1);
        EXPECT_EQ(platform::count_pixels(kLightGrey, box), area) << c.text;
        EXPECT_EQ(q.status_text(), kMenuStatus);
    }
}

}  // namespace
