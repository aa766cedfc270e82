// The list clock: conversions at every rate, the PC timer across midnight,
// the card reader and generator, the start time and the MODE key.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/machine.h"
#include "platform/machine_description.h"
#include "platform/sync_card.h"
#include "rig/console.h"
#include "rig/program_dir.h"
#include "rig/rig.h"
#include "runtime/card_discovery.h"
#include "runtime/config_records.h"
#include "runtime/key_codes.h"
#include "runtime/key_reader.h"
#include "runtime/step_log.h"
#include "sync/cd_requests.h"
#include "sync/sync_services.h"
#include "sync/timecode_clock.h"
#include "ui/message_line.h"

namespace {

using synchro::timecode_frame_rate;
using synchro::timecode_source;

std::string split(double t) {
    int16_t hh = 0, mm = 0, ss = 0, ff = 0;
    synchro::split_timecode(t, hh, mm, ss, ff);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d:%02d", hh, mm, ss, ff);
    return text;
}

// A machine with the SMPTE/MIDI card, its window as the console finds it.
class CardClock : public ::testing::Test {
protected:
    void SetUp() override {
        platform::install_machine(&machine);
        machine.sync.fit();
        bool carry = true;
        runtime::sync_interface_selector = platform::dpmi_segment_to_selector(machine.sync.segment, carry);
        ASSERT_FALSE(carry);
    }
    void TearDown() override {
        runtime::sync_interface_selector = 0;
        platform::install_machine(nullptr);
    }
    std::vector<uint16_t> commands() const {
        std::vector<uint16_t> codes;
        for (const platform::SyncCommand& c : machine.sync.commands()) codes.push_back(c.code);
        return codes;
    }
    platform::Machine machine;
};

TEST(TimecodeClock, SplitsAndJoinsAtEveryRate) {
    struct Case {
        uint8_t source;
        uint8_t rate;
        double t;
        const char* fields;
    };
    for (const Case& c : {
             Case{1, 1, 3599.959, "00:59:59:23"},
             Case{1, 2, 3599.961, "00:59:59:24"},
             Case{1, 3, 1.967, "00:00:01:29"},
             Case{1, 4, 1.967, "00:00:01:29"},  // "30D" counts like "30"
             Case{6, 3, 61.987, "00:01:01:74"},  // the CD counts 75 frames whatever the rate
             Case{1, 5, 1.5, "00:00:01:00"},     // no frames at an unknown rate
         }) {
        timecode_source = c.source;
        timecode_frame_rate = c.rate;
        EXPECT_EQ(split(c.t), c.fields) << c.t;
    }
}

TEST(TimecodeClock, EveryFrameOfEveryTableSplitsBackFromThreeDecimals) {
    struct Case {
        uint8_t source;
        uint8_t rate;
        int fps;
    };
    for (const Case& c : {Case{1, 1, 24}, Case{1, 2, 25}, Case{1, 3, 30}, Case{1, 4, 30}, Case{6, 1, 75}}) {
        timecode_source = c.source;
        timecode_frame_rate = c.rate;
        for (int16_t ff = 0; ff < c.fps; ++ff) {
            const double t = synchro::convert_timecode_to_seconds(1, 2, 3, ff);
            char written[32];
            std::snprintf(written, sizeof written, "%09.3lf", t);  // as a list file keeps it
            int16_t hh = 0, mm = 0, ss = 0, back = 0;
            synchro::split_timecode(std::stod(written), hh, mm, ss, back);
            EXPECT_EQ(back, ff) << c.fps << " fps, frame " << ff;
            EXPECT_EQ(synchro::convert_seconds_to_frames(t), (3600 + 120 + 3) * c.fps + ff);
            EXPECT_DOUBLE_EQ(synchro::convert_frames_to_seconds((3600 + 120 + 3) * c.fps + ff), t);
        }
    }
}

TEST(TimecodeClock, AFrameBeyondTheRateIsTheLastFrame) {
    timecode_frame_rate = 2;  // "25"
    EXPECT_DOUBLE_EQ(synchro::convert_timecode_to_seconds(0, 0, 0, 30), 0.961);
    EXPECT_DOUBLE_EQ(synchro::convert_timecode_to_seconds(0, 0, 0, 24), 0.961);
    timecode_frame_rate = 0;
    EXPECT_DOUBLE_EQ(synchro::convert_timecode_to_seconds(1, 0, 0, 0), 0.0);
}

TEST_F(CardClock, ThePcTimerKeepsCountingAcrossMidnightAndMidiAndManualStandAtZero) {
    machine.clock.time_of_day_at_start_ms = platform::kMsPerDay - 2000;  // 23:59:58
    timecode_source = synchro::kTimecodeSourcePcTimer;
    synchro::anchor_pc_timer(100.0);
    machine.advance_ms(1500);
    EXPECT_DOUBLE_EQ(synchro::read_timecode_seconds(), 101.5);
    machine.advance_ms(3000);  // 00:00:02.5
    EXPECT_NEAR(synchro::read_timecode_seconds(), 104.5, 1e-9);
    for (const uint8_t source : {synchro::kTimecodeSourceMidi, synchro::kTimecodeSourceManual}) {
        timecode_source = source;
        EXPECT_EQ(synchro::read_timecode_seconds(), 0.0);
    }
}

TEST_F(CardClock, TheInternalSourceRunsTheGeneratorFromTheStartTime) {
    timecode_source = synchro::kTimecodeSourceInternal;
    timecode_frame_rate = 2;
    synchro::display_time = 10.0;
    synchro::start_timecode_source();
    EXPECT_EQ(commands(), (std::vector<uint16_t>{2, 0x10, 3}));
    EXPECT_EQ(machine.sync.window()[0x136], 1);
    EXPECT_EQ(machine.sync.window()[0x132], 10);
    EXPECT_GE(machine.clock.now_ms, 300u) << "the card is given 0.3 s";
    const double started = synchro::read_timecode_seconds();
    machine.advance_ms(1000);
    EXPECT_NEAR(synchro::read_timecode_seconds() - started, 1.0, 0.041);
    synchro::stop_timecode_source();
    EXPECT_EQ(commands().back(), 4);
    const double stopped = synchro::read_timecode_seconds();
    machine.advance_ms(1000);
    EXPECT_EQ(synchro::read_timecode_seconds(), stopped) << "the kept time while nothing new comes";
}

TEST_F(CardClock, TheReaderTakesOverTheRateOfTheIncomingTimecode) {
    machine.sync.smpte_in = platform::SmpteInput{true, 3, 30 * 3600};  // "30D" from 01:00:00:00
    timecode_source = synchro::kTimecodeSourceSmpte;
    timecode_frame_rate = 1;
    synchro::start_timecode_source();
    EXPECT_EQ(commands(), (std::vector<uint16_t>{1}));
    machine.advance_ms(700);
    const double t = synchro::read_timecode_seconds();
    EXPECT_EQ(timecode_frame_rate, 4);
    EXPECT_NEAR(t, 3601.0, 0.034);
    synchro::stop_timecode_source();
    EXPECT_EQ(commands().back(), 0);
}

TEST(TimecodeClock, WithoutTheCardTheCardSourcesStandStill) {
    rig::Rig rig;
    platform::install_machine(&rig.machine());
    timecode_source = synchro::kTimecodeSourceSmpte;
    synchro::start_timecode_source();
    EXPECT_EQ(synchro::read_timecode_seconds(), 0.0);
    EXPECT_TRUE(rig.machine().sync.commands().empty());
    platform::install_machine(nullptr);
}

TEST(TimecodeClock, AStartTimeIsWholeFramesWithinADay) {
    struct Case {
        uint8_t rate;
        double asked;
        double shown;
    };
    for (const Case& c : {Case{1, 90000.0, 86400.0}, Case{1, -5.0, 0.0}, Case{2, 12.05, 12.040}, Case{1, 3599.959, 3599.959}}) {
        timecode_source = synchro::kTimecodeSourcePcTimer;
        timecode_frame_rate = c.rate;
        synchro::display_time = c.asked;
        synchro::show_start_time();
        EXPECT_DOUBLE_EQ(synchro::display_time, c.shown) << c.asked;
    }
}

// The MODE key in the timecode screen: a tap steps the rate, a hold steps
// the source every 600 ms.
TEST(TimecodeClock, TheModeKeyStepsTheRateOnATapAndTheSourceOnAHold) {
    struct Case {
        uint8_t source, rate;
        uint32_t hold_ms;
        uint8_t source_after, rate_after;
    };
    for (const Case& c : {
             Case{1, 1, 100, 1, 2},    // tap: the next rate
             Case{1, 4, 100, 2, 1},    // "30D": the next source at "24"
             Case{5, 1, 100, 6, 1},    // MANUAL has no rates
             Case{6, 1, 100, 1, 1},    // past CDROM: PC-TIMER
             Case{1, 3, 1100, 2, 1},   // held: the source at once...
             Case{1, 3, 1700, 3, 1},   // ...and again after 600 ms
             Case{3, 2, 2000, 5, 1},   // SMPTE held past 1600 ms: MANUAL
         }) {
        rig::Rig rig;
        rig::ProgramDir dir = rig::ProgramDir::demo();
        dir.map_drive(rig.machine());
        rig.machine().cards.fit(0, rig::demo_console_card());
        bool done = false;
        rig.start([&] {
            rig::start_console_parts();
            timecode_source = c.source;
            timecode_frame_rate = c.rate;
            int16_t key = 0;
            while (!runtime::get_key(&key) || key != runtime::keys::KEY_TIMECODE_MODE) {
            }
            synchro::select_timecode_source();
            done = true;
        });
        rig.run_ms(500);
        rig.hold(runtime::keys::KEY_TIMECODE_MODE, c.hold_ms);
        rig.release(runtime::keys::KEY_TIMECODE_MODE);
        ASSERT_TRUE(rig.run_until([&] { return done; }, 5000)) << c.hold_ms;
        EXPECT_EQ(timecode_source, c.source_after) << int{c.source} << "/" << int{c.rate} << " held " << c.hold_ms;
        EXPECT_EQ(timecode_frame_rate, c.rate_after) << int{c.source} << "/" << int{c.rate} << " held " << c.hold_ms;
    }
}

// A disc of a 3 s and a 4 s track from 00:02:00: track 2 starts at 5 s, the
// last frame is 674 (00:08:74), so the end's second is 8.
TEST_F(CardClock, TheCdSourcePlaysTheDiscChangesTrackAfter75ReadingsAndEndsAtTheLastSecond) {
    platform::MachineDescription d;
    std::string error;
    ASSERT_TRUE(platform::parse_machine_description("cdrom_drive yes\ncdrom_disc 3 4\n", d, error)) << error;
    platform::fit_machine(machine, d);
    machine.sync.fit();
    synchro::init_cdrom();
    ASSERT_EQ(synchro::cd_state.disc_ready, 1);
    timecode_source = synchro::kTimecodeSourceCdrom;
    timecode_frame_rate = 1;
    synchro::timecode_mode = 1;
    synchro::place_cd_at(0.0, true);  // before the audio: track 1's start
    EXPECT_DOUBLE_EQ(synchro::display_time, 2.0);
    synchro::start_timecode_source();
    machine.advance_ms(1000);
    EXPECT_NEAR(synchro::read_cd_timecode(), 3.0, 1.0 / 75);

    machine.advance_ms(2500);  // 5.5 s: the drive plays track 2
    for (int reading = 1; reading < 75; ++reading) {
        EXPECT_GT(synchro::read_cd_timecode(), 5.0);
        ASSERT_EQ(synchro::cd_state.current_track, 1) << "reading " << reading;
    }
    synchro::read_cd_timecode();
    EXPECT_EQ(synchro::cd_state.current_track, 2);

    machine.advance_ms(2400);  // 7.9 s: still inside the last second but one
    EXPECT_NEAR(synchro::read_cd_timecode(), 7.9, 1.0 / 75);
    EXPECT_EQ(synchro::timecode_mode, 1);
    machine.advance_ms(100);  // 8.0 s: the end's second, before its last frame
    EXPECT_EQ(synchro::read_cd_timecode(), 0.0);
    EXPECT_EQ(synchro::timecode_mode, 0);
    EXPECT_STREQ(ui::last_message_text.data(), "CD REACHED END...");
}

}  // namespace
