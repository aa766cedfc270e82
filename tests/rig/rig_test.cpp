#include "rig/rig.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/selectors.h"
#include "platform/speaker.h"
#include "rig/program_dir.h"
#include "runtime/config_records.h"
#include "runtime/step_log.h"

namespace {

TEST(Rig, ConsoleRunsOnlyUntilTheTimeTheTestAsksFor) {
    rig::Rig rig;
    uint64_t passes = 0;
    rig.start([&] {
        for (;;) {
            ++passes;
            platform::idle_poll();
        }
    });
    EXPECT_EQ(rig.now_ms(), 1u);  // start ends at the first input step
    const uint64_t passes_at_start = passes;
    rig.run_ms(250);
    EXPECT_EQ(rig.now_ms(), 251u);
    EXPECT_EQ(passes - passes_at_start, 250u);  // one tick of 1 ms per pass
    rig.set_tick_ms(10);
    rig.run_ms(100);
    EXPECT_EQ(rig.now_ms(), 351u);
    EXPECT_FALSE(rig.finished());
}

TEST(Rig, ExitCodeIsObservedAndTheTestProcessGoesOn) {
    rig::Rig rig;
    rig.start([] {
        platform::idle_poll();
        platform::delay_ms(2000);  // a plain delay moves the clock by its length
        platform::exit_program(1);
    });
    rig.run_ms(5000);
    ASSERT_TRUE(rig.finished());
    EXPECT_EQ(rig.exit_code(), 1);
    EXPECT_EQ(rig.now_ms(), 2001u);
    rig.run_ms(100);  // a finished program is not run again
    EXPECT_EQ(rig.now_ms(), 2001u);
}

TEST(Rig, ProgramStillRunningAtTheEndOfTheTestIsStopped) {
    bool unwound = false;
    {
        rig::Rig rig;
        rig.start([&] {
            struct Guard {
                bool& flag;
                ~Guard() { flag = true; }
            } guard{unwound};
            for (;;) platform::idle_poll();
        });
        rig.run_ms(10);
    }
    EXPECT_TRUE(unwound);
}

TEST(Rig, RunUntilStopsWhenTheConditionHolds) {
    rig::Rig rig;
    int counter = 0;
    rig.start([&] {
        for (;;) {
            platform::idle_poll();
            ++counter;
        }
    });
    EXPECT_TRUE(rig.run_until([&] { return counter >= 40; }, 1000));
    EXPECT_EQ(counter, 40);
    EXPECT_FALSE(rig.run_until([&] { return counter < 0; }, 50));
}

TEST(Rig, TimedActionsRunWhenTheClockReachesTheirTime) {
    rig::Rig rig;
    std::vector<std::pair<int, uint64_t>> ran;  // action, clock
    rig.start([] {
        for (;;) {
            platform::idle_poll();
            platform::delay_ms(500);  // an action due within a delay runs at its end
        }
    });
    ASSERT_EQ(rig.now_ms(), 1u);
    rig.at(0, [&] { ran.emplace_back(1, rig.now_ms()); });
    rig.at(200, [&] { ran.emplace_back(2, rig.now_ms()); });
    rig.at(100, [&] {
        ran.emplace_back(3, rig.now_ms());
        rig.at(400, [&] { ran.emplace_back(4, rig.now_ms()); });
    });
    rig.run_ms(1000);
    // In the order of their times, and one set by an action from its own time.
    const std::vector<std::pair<int, uint64_t>> expected = {{1, 501}, {3, 501}, {2, 501}, {4, 1002}};
    EXPECT_EQ(ran, expected);
}

TEST(Rig, TimedActionsAlsoRunWhenTheTestRunsConsoleCodeItself) {
    rig::Rig rig;
    rig.start([] {
        for (;;) platform::idle_poll();
    });
    bool released = false;
    rig.at(30, [&] { released = true; });
    while (!released) platform::idle_poll();  // console code on the test's thread
    EXPECT_EQ(rig.now_ms(), 31u);
}

TEST(Rig, ATimedActionMustNotRunTheConsole) {
    rig::Rig rig;
    rig.start([] {
        for (;;) platform::idle_poll();
    });
    testing::TestPartResultArray failures;
    rig.at(10, [&] {
        testing::ScopedFakeTestPartResultReporter reporter(
            testing::ScopedFakeTestPartResultReporter::INTERCEPT_ALL_THREADS, &failures);
        rig.run_ms(10);
    });
    rig.run_ms(20);
    ASSERT_EQ(failures.size(), 1);
    EXPECT_NE(std::string(failures.GetTestPartResult(0).message()).find("must not run the console"), std::string::npos);
    EXPECT_EQ(rig.now_ms(), 21u);
}

TEST(Rig, ExitCalledOnTheTestThreadIsCaught) {
    rig::Rig rig;
    const auto code = rig::run_catching_exit([] { platform::exit_program(1); });
    EXPECT_EQ(code, 1);
    EXPECT_FALSE(rig::run_catching_exit([] {}).has_value());
}

}  // namespace

namespace {

// A small program of the rig's own, written against the stand-ins as the
// console is: it echoes console key presses to the message display and to
// DMX channel 1 of the first universe, beeps on each, and ends with code 3
// when the key at row 7, column 7 is pressed.
void echo_program() {
    bool carry = false;
    const uint16_t card = platform::dpmi_segment_to_selector(0xC800, carry);
    const uint16_t dmx_out = static_cast<uint16_t>(platform::far_peek_word(card, 0x400) - 0x4000);
    const uint16_t base = platform::far_peek_word(card, 0x420);
    for (;;) {
        platform::idle_poll();
        uint16_t read = platform::far_peek_word(card, 0x422);
        if (read == platform::far_peek_word(card, 0x424)) continue;
        const uint16_t word = platform::far_peek_word(card, static_cast<uint32_t>(read - 0x4000));
        read = static_cast<uint16_t>(read + 2 == base + 32 ? base : read + 2);
        platform::far_poke_word(card, 0x422, read);
        if ((word & 0x8000) == 0) continue;
        const int row = (word >> 8) & 0x7F;
        const int column = word & 0xFF;
        if (row == 7 && column == 7) platform::exit_program(3);
        char text[32];  // room for any row and column the word can hold
        std::snprintf(text, sizeof text, "KEY %02d %02d           ", row, column);
        for (int i = 0; i < 20; ++i) platform::far_poke_byte(card, 0x3600 + 21 + static_cast<uint32_t>(i), static_cast<uint8_t>(text[i]));
        platform::far_poke_byte(card, dmx_out, static_cast<uint8_t>(column * 10));
        platform::sound(800);
        platform::delay_ms(100);
        platform::nosound();
    }
}

// The first key of the loaded layout, and where it sits.
struct LayoutKey {
    int16_t key = 0;
    int row = 0;
    int column = 0;
};

LayoutKey first_layout_key() {
    for (int16_t key = 1; key < runtime::kKeyCodes; ++key) {
        const uint16_t column = runtime::key_led_column[static_cast<size_t>(key)];
        const uint16_t row = runtime::key_led_row[static_cast<size_t>(key)];
        if (column < runtime::kMatrixColumns && row < runtime::kMatrixRows && runtime::key_matrix[column][row] == key) {
            return {key, row, column};
        }
    }
    return {};
}

TEST(Rig, KeysAreHeldAndReleasedThroughTheLoadedLayout) {
    rig::Rig rig;
    const rig::ProgramDir dir = rig::ProgramDir::demo(false);
    dir.map_drive(rig.machine());
    runtime::set_home_directory(rig::ProgramDir::program_path().c_str());
    runtime::load_keyboard_config();
    const LayoutKey k = first_layout_key();
    ASSERT_NE(k.key, 0);
    ASSERT_TRUE(rig.machine().cards.fit(0));
    std::vector<uint16_t> words;  // the key words the program read
    rig.start([&] {
        bool carry = false;
        const uint16_t card = platform::dpmi_segment_to_selector(0xC800, carry);
        const uint16_t base = platform::far_peek_word(card, 0x420);
        for (;;) {
            platform::idle_poll();
            const uint16_t read = platform::far_peek_word(card, 0x422);
            if (read == platform::far_peek_word(card, 0x424)) continue;
            words.push_back(platform::far_peek_word(card, static_cast<uint32_t>(read - 0x4000)));
            platform::far_poke_word(card, 0x422, static_cast<uint16_t>(read + 2 == base + 32 ? base : read + 2));
        }
    });
    const auto word = static_cast<uint16_t>(k.row << 8 | k.column);

    rig.hold(k.key);
    EXPECT_EQ(rig.now_ms(), 1u) << "hold runs nothing by itself";
    rig.run_ms(10);
    EXPECT_EQ(words, std::vector<uint16_t>{static_cast<uint16_t>(0x8000 | word)});
    rig.release(k.key, 30);
    EXPECT_EQ(rig.now_ms(), 41u);
    EXPECT_EQ(words, (std::vector<uint16_t>{static_cast<uint16_t>(0x8000 | word), word}));
    rig.hold(k.key, 5);
    EXPECT_EQ(rig.now_ms(), 46u);
    EXPECT_EQ(words.size(), 3u);
}

TEST(Rig, AKeyTheLayoutDoesNotHaveFailsTheTest) {
    rig::Rig rig;
    ASSERT_TRUE(rig.machine().cards.fit(0));
    rig.start(echo_program);
    // No layout is loaded: no key is in it, whatever its table entries say.
    testing::TestPartResultArray failures;
    {
        testing::ScopedFakeTestPartResultReporter reporter(&failures);
        rig.press(1);
        rig.hold(1);
        rig.release(1);
        rig.press(0);
        rig.press(runtime::kKeyCodes);
    }
    ASSERT_EQ(failures.size(), 5);
    for (int i = 0; i < failures.size(); ++i) {
        EXPECT_NE(std::string(failures.GetTestPartResult(i).message()).find("is not in the loaded key layout"),
                  std::string::npos);
    }
    EXPECT_EQ(rig.now_ms(), 1u) << "nothing was run";
}

TEST(Rig, ClickHoldsTheButtonsAndLetsThemGo) {
    rig::Rig rig;
    std::vector<std::pair<uint64_t, uint16_t>> changes;  // clock, buttons
    rig.start([&] {
        uint16_t last = 0;
        for (;;) {
            platform::idle_poll();
            const uint16_t now = rig.machine().mouse.buttons;
            if (now != last) changes.emplace_back(rig.now_ms(), now);
            last = now;
        }
    });
    rig.click(platform::kMouseLeft);
    rig.click_at(100, 50, platform::kMouseRight, 5, 7);
    const std::vector<std::pair<uint64_t, uint16_t>> expected = {
        {1, platform::kMouseLeft}, {21, 0}, {41, platform::kMouseRight}, {46, 0}};
    EXPECT_EQ(rig.now_ms(), 53u);
    EXPECT_EQ(changes, expected);
    EXPECT_EQ(rig.machine().mouse.x, 100);
    EXPECT_EQ(rig.machine().mouse.y, 50);
}

TEST(RigDeathTest, TheWatchdogFailsATestWhoseConsoleCodeKeepsTheBatonAndNamesTheLastStep) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            rig::Rig rig;
            rig.set_watchdog_s(0.3);
            rig.start([] {
                platform::idle_poll();
                runtime::log_step("read_the_card()");
                runtime::log_step("wait_for_the_card()");
                for (;;) std::this_thread::sleep_for(std::chrono::milliseconds(10));  // never polls again
            });
            rig.run_ms(10);
        },
        testing::ExitedWithCode(1),
        "rig watchdog: .*last step: wait_for_the_card\\(\\) \\(the steps before it, oldest first: read_the_card\\(\\)\\)");
}

TEST(Rig, DrivesAProgramThroughTheCardKeysAndReadsItsOutputs) {
    rig::Rig rig;
    ASSERT_TRUE(rig.machine().cards.fit(0));
    rig.start(echo_program);
    rig.press_matrix(2, 12);
    EXPECT_EQ(rig.lcd(0, 1), "KEY 02 12           ");
    rig.run_ms(30);  // the firmware sends a frame at least every 23 ms
    EXPECT_EQ(rig.dmx(1, 1), 120);
    ASSERT_EQ(rig.tones().size(), 1u);
    EXPECT_EQ(rig.tones()[0].freq_hz, 800);
    EXPECT_EQ(rig.tones()[0].duration_ms, 100u);
    EXPECT_FALSE(rig.finished());
    rig.press_matrix(7, 7);
    EXPECT_TRUE(rig.finished());
    EXPECT_EQ(rig.exit_code(), 3);
}

}  // namespace
