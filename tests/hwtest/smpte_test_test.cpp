// The SMPTE test (menu item J).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hwtest/smpte_test.h"
#include "hwtest/test_menu.h"
#include "quandrix_rig.h"

namespace {

using quandrix_rig::card_with;
using quandrix_rig::Quandrix;
using quandrix_rig::text_at;

constexpr int kCyan = 3;
constexpr int kDarkGrey = 8;
constexpr int kLightGreen = 10;
constexpr int kLightCyan = 11;

// Timecode arriving at the card's input: the time registers and the frame
// counter move one frame at a time while the program runs.
struct TimecodeSource {
    explicit TimecodeSource(Quandrix& quandrix) : q(quandrix) {}

    void show(int h, int m, int s, int f) {
        auto window = q.machine().sync.window();
        window[0x110] = static_cast<uint8_t>(h);
        window[0x113] = static_cast<uint8_t>(m);
        window[0x112] = static_cast<uint8_t>(s);
        window[0x115] = static_cast<uint8_t>(f);
        window[0x116] = static_cast<uint8_t>(mode);
        ++counter;
        if (counter == 0) counter = 1;
        window[0x11E] = static_cast<uint8_t>(counter);
        window[0x11F] = static_cast<uint8_t>(counter >> 8);
    }
    void show_frame(int total) {
        show(total / (fps * 3600), total / (fps * 60) % 60, total / fps % 60, total % fps);
    }
    // frames more frames, one every frame_ms.
    void run(int frames, uint32_t frame_ms = 40) {
        for (int i = 0; i < frames; ++i) {
            show_frame(++frame);
            q.rig.run_ms(frame_ms);
        }
    }

    Quandrix& q;
    int fps = 24;
    int mode = 0;
    int frame = 0;
    uint16_t counter = 0;
};

void start_with_smpte_card(Quandrix& q) {
    q.write_layout();
    q.cards().fit(0, card_with(quandrix_rig::kAllOptions));
    q.machine().sync.fit();
    q.machine().sync.reader_by_test = true;  // the tests below play the signal themselves
    q.start();
}

std::vector<uint16_t> command_codes(Quandrix& q) {
    std::vector<uint16_t> codes;
    for (const platform::SyncCommand& c : q.machine().sync.commands()) codes.push_back(c.code);
    return codes;
}

int tones_of(Quandrix& q, int32_t hz, uint64_t ms) {
    int count = 0;
    for (const platform::Tone& t : q.rig.tones()) count += t.freq_hz == hz && t.duration_ms == ms ? 1 : 0;
    return count;
}

std::string label(Quandrix& q) { return text_at(q.machine(), 320, 107); }

TEST(SmpteTest, WithoutTheCardTheTestIsNotPossible) {
    Quandrix q;
    q.write_layout();
    q.cards().fit(0, card_with(quandrix_rig::kAllOptions));
    q.start();
    q.type("J", 1000);
    EXPECT_EQ(q.status_text(), "++++++++++++++++++++++++ ERROR : SMPTE-DRIVER NOT FOUND +++++++++++++++++++++++++");
    q.rig.run_ms(1500);
    EXPECT_EQ(tones_of(q, 400, 2000), 1);
    EXPECT_EQ(q.result_text(), "");
}

TEST(SmpteTest, StartsTheOutputAtZeroAndNeverPressingSpaceLeavesInUntested) {
    Quandrix q;
    start_with_smpte_card(q);
    TimecodeSource source(q);
    q.type("J", 500);

    EXPECT_EQ(text_at(q.machine(), 195, 107), "CHECKING SMPTE");
    EXPECT_EQ(label(q), "[SMPTE-OUT - 24]");
    EXPECT_EQ(q.status_text(), "+++++++++ SPACE=SMPTE-OUT/SMPTE-IN --- +/-=FRAMEMODE --- ESC=STOP TEST +++++++++");
    EXPECT_EQ(command_codes(q), (std::vector<uint16_t>{2, 0x10, 3}));
    const auto window = q.machine().sync.window();
    for (const uint32_t cell : {0x130u, 0x132u, 0x133u, 0x135u, 0x136u}) EXPECT_EQ(window[cell], 0) << cell;

    source.run(48);
    q.type("\x1b", 300);
    EXPECT_EQ(command_codes(q), (std::vector<uint16_t>{2, 0x10, 3, 4}));
    EXPECT_EQ(q.result_text(), "ERROR : SMPTE-IN NOT TESTED!");
    q.type(" ");
    EXPECT_EQ(hwtest::test_pass_flags[hwtest::kTestSmpte], 0);
}

TEST(SmpteTest, BothDirectionsRunningPass) {
    Quandrix q;
    start_with_smpte_card(q);
    TimecodeSource source(q);
    q.type("J", 500);
    source.run(30);
    q.rig.type(" ");
    source.run(1);
    EXPECT_EQ(label(q), "[SMPTE-IN - 24]");
    source.run(29);
    EXPECT_EQ(command_codes(q), (std::vector<uint16_t>{2, 0x10, 3, 4, 1}));
    q.rig.type(" ");
    source.run(30);
    // Output again, from the last time received (frame 61: 00:00:02:13).
    EXPECT_EQ(command_codes(q), (std::vector<uint16_t>{2, 0x10, 3, 4, 1, 0, 2, 0x10, 3}));
    const auto window = q.machine().sync.window();
    EXPECT_EQ(window[0x132], 2);
    EXPECT_EQ(window[0x135], 13);
    q.type("\x1b", 300);
    EXPECT_EQ(q.result_text(), "TEST OK");
    q.type(" ");
    EXPECT_EQ(hwtest::test_pass_flags[hwtest::kTestSmpte], 1);
}

// A second run in the same program starts from 00:00:00:00 again: the last
// reading of the first run (and the time the card's registers still hold)
// is no previous frame for it.
TEST(SmpteTest, ASecondRunStartsAfresh) {
    Quandrix q;
    start_with_smpte_card(q);
    TimecodeSource source(q);
    q.type("J", 500);
    source.run(60);  // up to 00:00:02:12
    q.type("\x1b", 300);
    ASSERT_EQ(q.result_text(), "ERROR : SMPTE-IN NOT TESTED!");
    q.type(" ");

    q.type("J", 500);  // the card starts its output at 00:00:00:00 again
    EXPECT_EQ(label(q), "[SMPTE-OUT - 24]");
    source.frame = 0;
    source.run(30);
    EXPECT_EQ(text_at(q.machine(), 170, 287), "") << "no bad signal from the first run's last reading";
    EXPECT_NE(q.rig.pixel(400, 283), kLightGreen);
    EXPECT_EQ(tones_of(q, 1000, 500), 0);
    q.rig.type(" ");
    source.run(30);
    q.type("\x1b", 300);
    EXPECT_EQ(q.result_text(), "TEST OK");
}

TEST(SmpteTest, AJumpShowsBothFramesWaitsForAKeyAndMarksTheDirection) {
    Quandrix q;
    start_with_smpte_card(q);
    TimecodeSource source(q);
    q.type("J", 500);
    source.run(30);           // up to 00:00:01:06
    source.frame += 24;       // a second is missing
    source.run(1, 300);

    EXPECT_EQ(text_at(q.machine(), 170, 287), "BAD SMPTE-SIGNAL --> TESTING...");
    EXPECT_EQ(text_at(q.machine(), 170, 297), "This Frame 0 . 0 . 2 . 7");
    EXPECT_EQ(text_at(q.machine(), 170, 307), "Previous Frame 0 . 0 . 1 . 6");
    EXPECT_EQ(text_at(q.machine(), 170, 317), "PRESS ANY KEY ...");
    source.run(5);  // the program waits for the key
    EXPECT_EQ(tones_of(q, 1000, 500), 1);
    EXPECT_EQ(q.rig.pixel(400, 283), kLightGreen);

    q.rig.type("x");
    source.run(5);
    EXPECT_NE(q.rig.pixel(400, 283), kLightGreen);
    q.type("\x1b", 300);
    EXPECT_EQ(q.result_text(), "ERROR : SMPTE-OUT DOESN'T WORK!");
}

TEST(SmpteTest, ElevenGoodStepsMakeTheDirectionWorkAgain) {
    struct Case {
        int good_steps;
        const char* result;
    };
    for (const Case c : {Case{10, "ERROR : SMPTE-OUT DOESN'T WORK!"}, Case{11, "TEST OK"}}) {
        Quandrix q;
        start_with_smpte_card(q);
        TimecodeSource source(q);
        q.type("J", 500);
        q.rig.type(" ");  // SMPTE-IN first, then back to SMPTE-OUT
        source.run(30);
        q.rig.type(" ");
        source.run(30);
        source.frame -= 10;  // a step back
        source.run(1, 300);
        q.rig.type("x");
        source.run(c.good_steps);
        q.type("\x1b", 300);
        EXPECT_EQ(q.result_text(), c.result) << c.good_steps;
    }
}

TEST(SmpteTest, FrozenTimecodeIsReportedWithoutWaitingForAKey) {
    Quandrix q;
    start_with_smpte_card(q);
    TimecodeSource source(q);
    q.type("J", 500);
    source.run(10);
    q.rig.run_ms(4900);
    EXPECT_EQ(text_at(q.machine(), 170, 287), "");
    q.rig.run_ms(200);
    EXPECT_EQ(text_at(q.machine(), 170, 287), "TIMECODE DOESN'T CHANGE --> TESTING...");
    q.rig.run_ms(600);
    EXPECT_EQ(tones_of(q, 1000, 500), 1);
    // The timecode runs again: eleven good steps and no key clear the message.
    source.run(12);
    EXPECT_NE(q.rig.pixel(400, 283), kLightGreen);
    q.rig.type(" ");
    source.run(30);
    q.type("\x1b", 300);
    EXPECT_EQ(q.result_text(), "TEST OK");
}

TEST(SmpteTest, PlusAndMinusStepTheFrameModeInOutputOnly) {
    Quandrix q;
    start_with_smpte_card(q);
    TimecodeSource source(q);
    q.type("J", 500);
    source.run(5);

    // A key, then the card's reader follows the generator's new frame mode.
    const auto press = [&](const char* key, int card_mode) {
        q.rig.type(key);
        q.rig.run_ms(5);
        source.mode = card_mode;
        source.run(10);
    };
    press("+", 1);
    EXPECT_EQ(label(q), "[SMPTE-OUT - 25]");
    EXPECT_EQ(q.machine().sync.window()[0x136], 1);
    EXPECT_EQ(command_codes(q), (std::vector<uint16_t>{2, 0x10, 3, 4, 2, 0x10, 3}));
    press("-", 0);
    press("-", 3);
    EXPECT_EQ(label(q), "[SMPTE-OUT - 30D]");
    EXPECT_EQ(q.machine().sync.window()[0x136], 3);
    EXPECT_EQ(command_codes(q).size(), 15u);

    // The card reports another mode: the label follows it.
    source.mode = 2;
    source.run(2);
    EXPECT_EQ(label(q), "[SMPTE-OUT - 30]");

    q.rig.type(" ");
    q.rig.run_ms(5);
    EXPECT_EQ(label(q), "[SMPTE-IN - 30]");
    source.run(10);
    const size_t commands = command_codes(q).size();
    q.rig.type("+");
    source.run(10);
    EXPECT_EQ(command_codes(q).size(), commands);

    // A mode the label has no name for is not taken: back in SMPTE-OUT the
    // output starts again in 30.
    source.mode = 7;
    source.run(2);
    q.rig.type(" ");
    q.rig.run_ms(5);
    EXPECT_EQ(label(q), "[SMPTE-OUT - 30]");
    EXPECT_EQ(q.machine().sync.window()[0x136], 2);
}

// The card's own timecode. Its generator runs the output direction; SMPTE IN
// hears an outside generator, or through the loop cable the card's own
// output, which the test stops before reading SMPTE IN: nothing arrives.
TEST(SmpteTest, TheCardsOwnTimecodeRunsTheOutputAndAnOutsideGeneratorTheInput) {
    struct Case {
        platform::SmpteInput input;
        const char* in_label;
        const char* result;
    };
    for (const Case& c : {Case{platform::SmpteInput{}, "[SMPTE-IN - 24]", "ERROR : SMPTE-IN DOESN'T WORK!"},
                          Case{platform::SmpteInput{true, 1, 25 * 3600}, "[SMPTE-IN - 25]", "TEST OK"}}) {
        Quandrix q;
        q.write_layout();
        q.cards().fit(0, card_with(quandrix_rig::kAllOptions));
        q.machine().sync.fit();
        q.machine().sync.smpte_in = c.input;
        q.start();
        q.type("J", 500);
        EXPECT_EQ(label(q), "[SMPTE-OUT - 24]");
        q.rig.run_ms(3000);
        q.rig.type(" ");
        q.rig.run_ms(300);
        EXPECT_EQ(label(q), c.in_label);
        q.rig.run_ms(6000);
        q.type("\x1b", 300);
        EXPECT_EQ(q.result_text(), c.result) << c.in_label;
    }
}

TEST(SmpteTest, SevenSegmentDigitsShowTheReceivedTime) {
    Quandrix q;
    start_with_smpte_card(q);
    TimecodeSource source(q);
    q.type("J", 500);
    source.show(12, 34, 56, 7);
    q.rig.run_ms(50);

    // A jump from 00:00:00:00: the digits are drawn in cyan.
    // "1" at x = 226: a dark, b and c lit.
    EXPECT_EQ(q.rig.pixel(233, 188), kDarkGrey);
    EXPECT_EQ(q.rig.pixel(241, 194), kCyan);
    EXPECT_EQ(q.rig.pixel(241, 207), kCyan);
    // "7" at x = 401: a, b, c lit, d, e, f, g dark.
    EXPECT_EQ(q.rig.pixel(408, 188), kCyan);
    EXPECT_EQ(q.rig.pixel(416, 194), kCyan);
    EXPECT_EQ(q.rig.pixel(408, 200), kDarkGrey);
    EXPECT_EQ(q.rig.pixel(408, 213), kDarkGrey);
    EXPECT_EQ(q.rig.pixel(401, 206), kDarkGrey);
    // "6" at x = 349: b dark, everything else lit.
    EXPECT_EQ(q.rig.pixel(364, 194), kDarkGrey);
    EXPECT_EQ(q.rig.pixel(356, 200), kCyan);
    EXPECT_EQ(q.rig.pixel(364, 207), kCyan);
}

}  // namespace
