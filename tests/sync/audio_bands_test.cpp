// The audio-band inputs: levels read at the card's sound ports, followed by
// a creeping floor and ceiling, and beats counted on rises above the trigger.
#include <gtest/gtest.h>

#include <vector>

#include "platform/machine.h"
#include "rig/console.h"
#include "rig/program_dir.h"
#include "rig/rig.h"
#include "runtime/card_discovery.h"
#include "sync/audio_bands.h"

namespace {

constexpr int kBand = 2;

class AudioBands : public ::testing::Test {
protected:
    rig::Rig rig;
    rig::ProgramDir dir = rig::ProgramDir::demo();
    std::vector<uint8_t> levels;  // band 2, one a poll
    bool done = false;

    // Runs the start of the sound inputs, then one poll per level; the
    // tuning is the defaults (rise and fall steps 3, trigger 200, re-arm 80,
    // divisors 2, least floor 20) unless a test changes it first.
    void run_levels(const std::vector<uint8_t>& band_levels) {
        levels = band_levels;
        dir.map_drive(rig.machine());
        rig.machine().cards.fit(0, rig::demo_console_card());
        rig.machine().sync.fit(true);
        rig.start([this] {
            rig::start_console_parts();
            runtime::probe_interface_driver();
            synchro::start_audio_inputs();
            for (const uint8_t v : levels) {
                std::array<uint8_t, platform::kSoundBands> all{};
                all[kBand - 1] = v;
                platform::machine().sync.set_band_levels(all);
                synchro::poll_audio_inputs();
                platform::idle_poll();
            }
            done = true;
            for (;;) platform::idle_poll();
        });
        ASSERT_TRUE(rig.run_until([this] { return done; }, 10'000));
    }

    static std::vector<uint8_t> pulses(uint8_t low, uint8_t high, int count) {
        std::vector<uint8_t> out;
        for (int i = 0; i < count; ++i) out.insert(out.end(), {low, high});
        return out;
    }
    uint32_t beats(int band = kBand) const { return synchro::audio_band_beats[static_cast<size_t>(band)]; }
};

TEST_F(AudioBands, PulsesCountOnceTheFloorHasCrept) {
    run_levels(pulses(50, 150, 12));
    // The floor reaches 25 at the third rising edge, so the beats start there.
    EXPECT_EQ(beats(), 10u);
    EXPECT_EQ(beats(1), 0u);  // the other bands read 0
    EXPECT_EQ(synchro::audio_band_states[kBand].ceiling, 150);
}

TEST_F(AudioBands, ConstantLevelCountsNoBeat) {
    run_levels(std::vector<uint8_t>(200, 120));
    EXPECT_EQ(beats(), 0u);
}

// With a rise step of 1 the floor creeps up fast: once the range is 12 or
// less a rise arms the band without counting.
TEST_F(AudioBands, NarrowRangeArmsWithoutCounting) {
    synchro::audio_input_setup[1] = 1;
    run_levels(pulses(30, 40, 8));
    EXPECT_EQ(beats(), 1u);  // counted while the range was 18
    EXPECT_EQ(synchro::audio_band_states[kBand].armed, 1);
    EXPECT_LE(synchro::audio_band_states[kBand].ceiling - synchro::audio_band_states[kBand].floor, 12);
}

// A second rise above the trigger without falling below the re-arm level counts nothing.
TEST_F(AudioBands, DoubleRiseCountsOnce) {
    std::vector<uint8_t> v = pulses(50, 150, 3);
    v.insert(v.end(), {140, 150, 140, 150});
    v.insert(v.end(), {50, 150});
    synchro::audio_input_setup = synchro::kAudioInputDefaults;
    run_levels(v);
    EXPECT_EQ(beats(), 2u);  // the first pulse after the floor crept, and the last one
}

// Divisors of 0 from the sound-input file skip the floor and ceiling moves.
TEST_F(AudioBands, ZeroDivisorsSkipTheMoves) {
    synchro::audio_input_setup[5] = 0;
    synchro::audio_input_setup[6] = 0;
    run_levels(pulses(50, 150, 12));
    EXPECT_EQ(synchro::audio_band_states[kBand].floor, 0);
    EXPECT_EQ(beats(), 0u);  // the floor never passes the least floor
}

}  // namespace

namespace {

// A steady pulse of 120 beats a minute on band 3 of the machine: once the
// floor has crept up, the running console counts every beat, and only on
// that band.
TEST(AudioBandsInTheConsole, SteadyPulseCountsEveryBeat) {
    rig::Rig rig;
    rig::ProgramDir dir = rig::ProgramDir::demo();
    rig.machine().sync.fit(true);
    rig.machine().sync.set_sound_pulses({0, 0, 120, 0, 0});
    rig::start_console(rig, dir);
    rig.run_ms(10'000);
    const uint32_t before = synchro::audio_band_beats[3];
    EXPECT_GT(before, 0u);
    rig.run_ms(5'000);
    EXPECT_NEAR(static_cast<double>(synchro::audio_band_beats[3] - before), 10.0, 1.0);  // 500 ms a beat
    for (const int band : {1, 2, 4, 5}) EXPECT_EQ(synchro::audio_band_beats[static_cast<size_t>(band)], 0u) << band;
}

}  // namespace
