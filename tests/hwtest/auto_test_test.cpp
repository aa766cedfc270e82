// The configuration test (menu item C) and the automatic test procedure (A).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hwtest/auto_test.h"
#include "hwtest/smpte_test.h"
#include "hwtest/test_menu.h"
#include "quandrix_rig.h"

namespace {

using quandrix_rig::card_with;
using quandrix_rig::Quandrix;
using quandrix_rig::text_at;
using quandrix_rig::text_on_line;

constexpr int kLightGreen = 10;
constexpr const char* kQuestionStatus =
    "++++ CHECK THE LINKCARDS AND ANSWER QUESTION WITH [Y]ES OR [N]O (ESC=CANCEL) ++++";

void start_with(Quandrix& q, const std::vector<std::pair<int, platform::CardSettings>>& cards) {
    q.write_layout();
    for (const auto& [slot, card] : cards) q.cards().fit(slot, card);
    q.start();
}

// --- the configuration screen -----------------------------------------------------------

TEST(ConfigurationTest, ShowsWhatTheCardsReport) {
    Quandrix q;
    const uint8_t options = quandrix_rig::kAnalogueFaders | quandrix_rig::kDisplays | quandrix_rig::kHardwareKeys;
    start_with(q, {{0, card_with(options, "338")}, {2, card_with(0, "412")}});
    q.type("C");
    const platform::Machine& m = q.machine();

    EXPECT_EQ(text_at(m, 230, 107), "CHECKING CONFIGURATION");
    EXPECT_EQ(text_at(m, 210, 135), "LINKCARDS :");
    EXPECT_EQ(text_at(m, 305, 135), "2 (1024 CHANNELS)");
    EXPECT_EQ(text_at(m, 210, 155), "EPROMS :");
    const std::vector<std::string> windows = {"- C800 =", "- CC00 =", "- D000 =", "- D400 ="};
    const std::vector<std::string> versions = {"338", "0", "412", "0"};
    for (int i = 0; i < 4; ++i) {
        const int y = 155 + 20 * i;
        EXPECT_EQ(text_at(m, 280, y), windows[static_cast<size_t>(i)]);
        EXPECT_EQ(text_at(m, 353, y), versions[static_cast<size_t>(i)]);
        EXPECT_EQ(text_at(m, 400, y), i == 0 ? "M" : "") << "the console card";
        EXPECT_EQ(text_at(m, 412, y), i == 0 ? "T" : "") << "the card whose pointer table was read";
    }
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"ANALOGUE FADERS :", "ENABLED"},  {"DIGITAL BELTS FUNCTIONS :", "DISABLED"},
        {"DIGITAL BELTS SEQUENCES :", "DISABLED"}, {"DISPLAYS :", "ENABLED"},
        {"KEYS :", "ENABLED"},
    };
    for (size_t i = 0; i < rows.size(); ++i) {
        const int y = 235 + 20 * static_cast<int>(i);
        EXPECT_EQ(text_at(m, 210, y), rows[i].first);
        const quandrix_rig::DrawnText value = text_on_line(m, y);
        EXPECT_EQ(value.text, rows[i].second);
        EXPECT_GT(value.x, 210 + 8 * static_cast<int>(rows[i].first.size()) - 1) << "after its label";
    }

    // Nothing is missing: the technician confirms the number of cards.
    EXPECT_EQ(text_at(m, 180, 348), "ARE ONLY 2 LINKCARDS INSTALLED? (Y/N)");
    EXPECT_EQ(q.status_text(), kQuestionStatus);
    EXPECT_EQ(q.rig.pixel(170, 340), kLightGreen);
    EXPECT_EQ(q.rig.pixel(470, 360), kLightGreen);
    ASSERT_FALSE(q.rig.tones().empty());
    EXPECT_EQ(q.rig.tones().back().freq_hz, 800);
    EXPECT_EQ(q.rig.tones().back().duration_ms, 200u);
}

TEST(ConfigurationTest, TheFirstCardFoundCarriesTheMarks) {
    Quandrix q;
    start_with(q, {{1, card_with(0, "335")}, {3, card_with(0x1F, "338")}});
    q.type("C");
    for (int i = 0; i < 4; ++i) {
        const int y = 155 + 20 * i;
        EXPECT_EQ(text_at(q.machine(), 400, y), i == 1 ? "M" : "") << "row " << i;
        EXPECT_EQ(text_at(q.machine(), 412, y), i == 1 ? "T" : "") << "row " << i;
    }
    // The console card's options count, not the other card's: nothing is expected.
    EXPECT_EQ(text_on_line(q.machine(), 315).text, "DISABLED");
    EXPECT_EQ(text_at(q.machine(), 180, 348), "ARE ONLY 2 LINKCARDS INSTALLED? (Y/N)");
}

TEST(ConfigurationTest, ASignatureWithoutVersionDigitsIsNoLinkcard) {
    {
        Quandrix q;
        start_with(q, {{0, card_with(0, "abc")}});
        q.type("C");
        EXPECT_EQ(text_at(q.machine(), 305, 135), "0 (0 CHANNELS)");
        EXPECT_EQ(text_at(q.machine(), 353, 155), "0");
        EXPECT_EQ(text_at(q.machine(), 400, 155), "M") << "it is still the console card";
        EXPECT_EQ(q.result_text(), "ERROR : LINKCARDS NOT FOUND!");
    }
    {
        Quandrix q;
        start_with(q, {{0, card_with(0, "abc")}, {1, card_with(0, "338")}});
        q.type("C");
        EXPECT_EQ(text_at(q.machine(), 305, 135), "1 (512 CHANNELS)");
        EXPECT_EQ(text_at(q.machine(), 180, 348), "IS ONLY 1 LINKCARD INSTALLED? (Y/N)");
    }
}

TEST(ConfigurationTest, ChecksInTheirOrder) {
    using namespace quandrix_rig;
    struct Case {
        bool card;
        const char* version;
        uint8_t options;
        const char* result;  // after the answer Y where the question comes
    };
    const std::vector<Case> cases = {
        {true, "338", kAllOptions, "TEST OK"},
        {true, "338", 0, "TEST OK"},
        {false, "", 0, "ERROR : LINKCARDS NOT FOUND!"},
        {true, "338", kDisplays, "ERROR : HARDWARE-KEYS NOT FOUND!"},
        {true, "abc", kDisplays, "ERROR : HARDWARE-KEYS NOT FOUND!"},
        {true, "338", kHardwareKeys | kDisplays, "ERROR : ANALOGUE FADERS NOT FOUND!"},
        {true, "abc", kHardwareKeys | kAnalogueFaders, "ERROR : LINKCARDS NOT FOUND!"},
        {true, "338", kHardwareKeys | kAnalogueFaders, "ERROR : DISPLAYS NOT FOUND!"},
        {true, "338", kAllOptions & ~kSequenceBelts, "ERROR : DIGITAL BELTS SEQUENCES NOT FOUND!"},
        {true, "338", kFunctionBelts, "ERROR : DIGITAL BELTS SEQUENCES NOT FOUND!"},
        {true, "338", kSequenceBelts, "ERROR : DIGITAL BELTS FUNCTIONS NOT FOUND!"},
        {true, "338", kFunctionBelts | kSequenceBelts, "TEST OK"},
    };
    for (const Case& c : cases) {
        Quandrix q;
        if (c.card) {
            start_with(q, {{0, card_with(c.options, c.version)}});
        } else {
            start_with(q, {});
        }
        q.type("C");
        q.type("Y");
        EXPECT_EQ(q.result_text(), c.result) << int{c.options} << " " << c.version;
        q.type(" ");
        EXPECT_EQ(hwtest::test_pass_flags[hwtest::kTestConfiguration] != 0, std::string(c.result) == "TEST OK")
            << int{c.options} << " " << c.version;
    }
}

TEST(ConfigurationTest, AnswersToTheQuestion) {
    struct Case {
        std::string keys;
        std::string result;
    };
    const std::vector<Case> cases = {
        {"a1 \ry", "TEST OK"},
        {"n", "ERROR : MISSING LINKCARDS!"},
        {"\x1b", "ERROR : CONFIGURATION-TEST NOT COMPLETED!"},
    };
    for (const Case& c : cases) {
        Quandrix q;
        start_with(q, {{0, card_with(0)}});
        q.type("C");
        q.machine().text.push_extended_key(0x59);  // shift F6: 0, then the code of 'Y'
        q.rig.run_ms(50);
        EXPECT_EQ(q.result_text(), "") << "still asking";
        q.type(c.keys);
        EXPECT_EQ(q.result_text(), c.result);
        // The question box is painted over with the panel.
        EXPECT_EQ(platform::count_pixels(kLightGreen, {170, 340, 470, 360}), 0) << c.result;
        q.type(" ");
        EXPECT_EQ(hwtest::test_pass_flags[hwtest::kTestConfiguration] != 0, c.result == "TEST OK");
    }
}

// --- the automatic procedure --------------------------------------------------------------

TEST(AutomaticTest, AFailingConfigurationEndsTheRunThere) {
    Quandrix q;
    q.write_layout();
    std::string log;
    for (const char* name : {"CONFIGURATION", "LEDS", "KEYS", "ANALOGUE FADERS", "DIGITAL FADERS", "DISPLAYS",
                             "TRACKERBALL", "SMPTE", "CDROM", "RAM", "HARDDISK", "DISKDRIVE"}) {
        log += std::string(name) + " : TEST OK\r\n";
    }
    q.dir.write_text("quandrix.log", log);
    q.start();  // no card at all
    q.type("a");
    EXPECT_EQ(q.result_text(), "ERROR : LINKCARDS NOT FOUND!");
    q.type(" ");
    for (int item = 0; item < hwtest::kTestItems; ++item) {
        EXPECT_EQ(hwtest::test_pass_flags[static_cast<size_t>(item)], item == 0 ? 0 : 1) << "item " << item;
    }
    q.type("Q");
    const std::string saved = q.dir.read_text("quandrix.log");
    EXPECT_EQ(saved.substr(0, saved.find("\r\n")), "CONFIGURATION : NOT TESTED OR ERROR");
    EXPECT_EQ(saved.substr(saved.find("\r\n") + 2), log.substr(log.find("\r\n") + 2));
}

// After the configuration test passes, the steps that do not apply to the
// console are skipped and keep their marks; the first step that applies runs
// (and clears its own mark as it starts); the run goes no further while it
// has not passed.
TEST(AutomaticTest, StepsFollowTheConsoleKind) {
    using namespace quandrix_rig;
    struct Case {
        uint8_t options;
        bool smpte_card;
        int first_step;  // the item that runs after C
    };
    const std::vector<Case> cases = {
        {kAllOptions, false, hwtest::kTestLeds},
        {kHardwareKeys | kAnalogueFaders | kDisplays, false, hwtest::kTestLeds},
        {kFunctionBelts | kSequenceBelts, false, hwtest::kTestDigitalFaders},
        {0, true, hwtest::kTestSmpte},
        {0, false, hwtest::kTestRam},
    };
    for (const Case& c : cases) {
        Quandrix q;
        q.write_layout();
        std::string log = "CONFIGURATION : NOT TESTED OR ERROR\r\n";
        for (int item = 1; item < hwtest::kTestItems; ++item) log += "X : TEST OK\r\n";
        q.dir.write_text("quandrix.log", log);
        q.cards().fit(0, card_with(c.options));
        if (c.smpte_card) q.machine().sync.fit();
        q.machine().cdrom.installed = false;  // no CD-ROM drive: its test would wait for Esc
        q.start();
        EXPECT_EQ(hwtest::smpte_card_selector != 0, c.smpte_card);

        q.type("A");
        q.type("Y");
        ASSERT_EQ(q.result_text(), "TEST OK") << int{c.options};
        q.type(" ");
        EXPECT_EQ(hwtest::test_pass_flags[hwtest::kTestConfiguration], 1);
        for (int item = 1; item < hwtest::kTestItems; ++item) {
            EXPECT_EQ(hwtest::test_pass_flags[static_cast<size_t>(item)], item == c.first_step ? 0 : 1)
                << "item " << item << ", options " << int{c.options};
        }
    }
}

}  // namespace
