#include "platform/speaker.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/machine.h"

namespace {

using namespace platform;

class SpeakerTest : public ::testing::Test {
protected:
    void SetUp() override { install_machine(m.get()); }
    void TearDown() override { install_machine(nullptr); }

    // A tone of a fixed length as the console's beep makes it.
    void beep(int32_t freq_hz, uint32_t length_ms) {
        sound(freq_hz);
        delay_ms(length_ms);
        nosound();
    }

    std::unique_ptr<Machine> m = std::make_unique<Machine>();
};

TEST_F(SpeakerTest, BeepsAreLoggedWithTheirClockTimes) {
    m->advance_ms(100);
    beep(400, 2000);
    m->advance_ms(30);
    beep(800, 150);
    beep(1000, 20);
    EXPECT_EQ(m->speaker.tones.to_vector(),
              (std::vector<Tone>{{400, 100, 2000}, {800, 2130, 150}, {1000, 2280, 20}}));
    EXPECT_FALSE(m->speaker.sounding());
}

TEST_F(SpeakerTest, TheToneSoundingNowIsReadable) {
    m->advance_ms(5);
    sound(600);
    m->advance_ms(10);
    EXPECT_TRUE(m->speaker.sounding());
    EXPECT_EQ(m->speaker.freq_hz, 600);
    EXPECT_EQ(m->speaker.start_ms, 5u);
    EXPECT_TRUE(m->speaker.tones.empty());
}

TEST_F(SpeakerTest, ANewFrequencyEndsTheToneAndTheSameOneGoesOn) {
    sound(500);
    m->advance_ms(50);
    sound(500);
    m->advance_ms(50);
    sound(100);
    m->advance_ms(200);
    nosound();
    EXPECT_EQ(m->speaker.tones.to_vector(), (std::vector<Tone>{{500, 0, 100}, {100, 100, 200}}));
}

TEST_F(SpeakerTest, SilenceAndImpossibleFrequenciesLogNothing) {
    nosound();
    for (int32_t freq_hz : {0, -400, kMinToneHz - 1, kMaxToneHz + 1}) sound(freq_hz);
    EXPECT_FALSE(m->speaker.sounding());
    sound(kMinToneHz);
    nosound();
    sound(kMaxToneHz);
    nosound();
    EXPECT_EQ(m->speaker.tones.size(), 2u);
}

TEST_F(SpeakerTest, TheLogKeepsTheLatestTones) {
    for (int i = 0; i < static_cast<int>(kToneLogEntries) + 3; ++i) beep(100 + i, 1);
    EXPECT_EQ(m->speaker.tones.total, kToneLogEntries + 3);
    EXPECT_EQ(m->speaker.tones.size(), kToneLogEntries);
    EXPECT_EQ(m->speaker.tones.at(0).freq_hz, 103);
    EXPECT_EQ(m->speaker.tones.last().freq_hz, 100 + static_cast<int>(kToneLogEntries) + 2);
    EXPECT_EQ(m->speaker.tones.at(kToneLogEntries), Tone{});
}

}  // namespace
