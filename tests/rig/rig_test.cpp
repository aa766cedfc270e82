#include "rig/rig.h"

#include <gtest/gtest.h>

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
