#include "rig/rig.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "platform/selectors.h"
#include "platform/speaker.h"

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
