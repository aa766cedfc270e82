// When the card universes leave the console: at the DMX frame rate while
// levels change, once a second while they stay.
#include "host/dmx_output.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/machine.h"

namespace {

struct Sent {
    uint64_t at_ms;
    uint16_t universe;
    uint8_t first_level;
};

class DmxOutput : public ::testing::Test {
protected:
    void SetUp() override {
        platform::install_machine(machine.get());
        machine->cards.fit(0);
        machine->cards.fit(2);
    }
    void TearDown() override { platform::install_machine(nullptr); }

    // The host's pump every millisecond for a while.
    void run_ms(uint32_t ms) {
        for (uint32_t i = 0; i < ms; ++i) {
            machine->advance_ms(1);
            output.send_changes(*machine);
        }
    }
    // Writes a level into the output buffer of card 0, half 1, channel 1.
    void set_level(uint8_t level) {
        const uint16_t pointer = machine->cards.peek_word(0, 0x400);
        machine->cards.poke_byte(0, pointer - platform::kCardAddressBase, level);
    }
    std::vector<uint64_t> times_of(uint16_t universe) const {
        std::vector<uint64_t> times;
        for (const Sent& s : sent) {
            if (s.universe == universe) times.push_back(s.at_ms);
        }
        return times;
    }

    std::unique_ptr<platform::Machine> machine = std::make_unique<platform::Machine>();
    std::vector<Sent> sent;
    host::DmxOutput output{[this](uint16_t universe, std::span<const uint8_t> levels) {
        sent.push_back(Sent{machine->clock.now_ms, universe, levels[0]});
    }};
};

TEST_F(DmxOutput, SteadyUniversesGoOutOnceASecond) {
    run_ms(3500);
    for (const uint16_t universe : {1, 2, 5, 6}) {
        const std::vector<uint64_t> times = times_of(universe);
        ASSERT_EQ(times.size(), 3u) << universe;
        for (size_t i = 1; i < times.size(); ++i) {
            EXPECT_GE(times[i] - times[i - 1], host::kDmxRefresh_ms) << universe;
            EXPECT_LT(times[i] - times[i - 1], host::kDmxRefresh_ms + platform::kDmxFramePeriodMs) << universe;
        }
    }
    EXPECT_TRUE(times_of(3).empty());  // no card at CC00h
}

TEST_F(DmxOutput, ChangingLevelsGoOutWithEveryFrame) {
    run_ms(1100);
    sent.clear();
    for (int frame = 1; frame <= 20; ++frame) {
        set_level(static_cast<uint8_t>(frame));
        run_ms(platform::kDmxFramePeriodMs);
    }
    const std::vector<uint64_t> times = times_of(1);
    ASSERT_EQ(times.size(), 20u);
    for (size_t i = 1; i < times.size(); ++i) EXPECT_EQ(times[i] - times[i - 1], platform::kDmxFramePeriodMs);
    EXPECT_EQ(sent.back().first_level, 20);
    EXPECT_TRUE(times_of(2).empty());  // the other half stayed as it was
}

TEST_F(DmxOutput, EndingHandsEachSentUniverseOverOnceWithItsLastLevels) {
    host::DmxOutput fresh{[](uint16_t, std::span<const uint8_t>) {}};
    std::vector<uint16_t> ended_fresh;
    fresh.end_streams([&](uint16_t universe, std::span<const uint8_t>) { ended_fresh.push_back(universe); });
    EXPECT_TRUE(ended_fresh.empty()) << "nothing went out, nothing to end";

    set_level(77);
    run_ms(1100);
    std::vector<Sent> ended;
    const auto record = [&](uint16_t universe, std::span<const uint8_t> levels) {
        ended.push_back(Sent{machine->clock.now_ms, universe, levels[0]});
    };
    output.end_streams(record);
    ASSERT_EQ(ended.size(), 4u);
    EXPECT_EQ(ended[0].universe, 1);
    EXPECT_EQ(ended[0].first_level, 77);
    EXPECT_EQ(ended[1].universe, 2);
    EXPECT_EQ(ended[2].universe, 5);
    EXPECT_EQ(ended[3].universe, 6);

    // Ended is ended: no second ending, and no data after it.
    output.end_streams(record);
    EXPECT_EQ(ended.size(), 4u);
    sent.clear();
    set_level(78);
    run_ms(1500);
    EXPECT_TRUE(sent.empty());
}

}  // namespace
