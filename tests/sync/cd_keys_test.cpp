// The CD position keys and the status poll, with the console's keys, clock
// and background poll: a small timecode screen reads the keys and hands 183,
// 184 and 185 to the CD key handler, as the timecode screens do with the
// CDROM source and a ready disc.
#include "sync/cd_keys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "platform/cd_drive.h"
#include "rig/console.h"
#include "runtime/card_discovery.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_reader.h"
#include "runtime/step_log.h"
#include "sync/cd_requests.h"
#include "sync/sync_services.h"
#include "sync/timecode_clock.h"
#include "ui/message_line.h"

namespace {

using synchro::cd_state;

constexpr int16_t kEditValue = runtime::KEY_EDIT_VALUE;  // 183
constexpr int16_t kPlus = runtime::KEY_PLUS;             // 184
constexpr int16_t kMinus = runtime::KEY_MINUS;           // 185

// Six tracks of a minute: track n starts at 150 + 4500 (n - 1); the last
// track ends at 27149.
constexpr int32_t kLastEnd = 27149;
int32_t track_start(int track) { return 150 + 4500 * (track - 1); }

size_t count_calls(const std::string& call) {
    const std::vector<std::string> calls = runtime::logged_calls();
    return static_cast<size_t>(std::count(calls.begin(), calls.end(), call));
}

// Generator stops (command 4) the SMPTE/MIDI card ran.
size_t generator_stops(platform::Machine& m) {
    const std::vector<platform::SyncCommand> commands = m.sync.commands();
    return static_cast<size_t>(std::count_if(commands.begin(), commands.end(), [](const platform::SyncCommand& c) {
        return c.code == platform::kSmpteStopGenerator;
    }));
}

size_t count_steps(const std::string& step) {
    const std::vector<std::string> steps = runtime::logged_steps();
    return static_cast<size_t>(std::count(steps.begin(), steps.end(), step));
}

class CdKeys : public ::testing::Test {
protected:
    void SetUp() override {
        platform::Machine& m = rig_.machine();
        dir_.map_drive(m);
        m.cards.fit(0, rig::demo_console_card());
        m.sync.fit();  // the SMPTE/MIDI card, whose generator the keys stop
        platform::insert_cd(m.cd_drive, platform::audio_disc(std::vector<uint32_t>(6, 60)));
        m.cdrom.handler = &platform::cd_drive_request;
        m.cdrom.handler_context = &m.cd_drive;
        rig_.start([this] {
            rig::start_console_parts();
            runtime::probe_interface_driver();
            runtime::mode_flags |= runtime::MODE_BACKGROUND_READY;  // the periodic jobs and the clock run
            synchro::init_cdrom();
            synchro::timecode_source = synchro::kTimecodeSourceCdrom;
            started_ = true;
            for (;;) {
                int16_t key = 0;
                if (runtime::get_key(&key) && (key == kEditValue || key == kPlus || key == kMinus)) {
                    synchro::edit_cd_trigger_time(key);
                }
            }
        });
        ASSERT_TRUE(rig_.run_until([this] { return started_; }, 60'000));
        ASSERT_EQ(cd_state.disc_ready, 1);
        rig_.run_ms(20);
    }

    void place(int32_t frames) {
        cd_state.current_position = synchro::convert_frames_to_msf(frames);
        cd_state.current_track = static_cast<uint8_t>((frames - 150) / 4500 + 1);
    }
    int32_t position() const { return synchro::cd_position_frames(); }
    platform::CdDrive& drive() { return rig_.machine().cd_drive; }
    void tap(int16_t key) {
        rig_.press(key, 50);
        rig_.run_ms(50);
    }
    // Holds the key until the condition holds (at most limit_ms), then lets it go.
    bool hold_until(int16_t key, const std::function<bool()>& condition, uint32_t limit_ms) {
        rig_.hold(key);
        const bool reached = rig_.run_until(condition, limit_ms);
        rig_.release(key, 50);
        return reached;
    }

    rig::Rig rig_;
    rig::ProgramDir dir_ = rig::ProgramDir::demo();
    bool started_ = false;
};

TEST_F(CdKeys, TapsStepThroughTheTracks) {
    struct Case {
        int16_t key;
        int32_t from;
        int track;
    };
    const Case cases[] = {
        {kMinus, track_start(5) + 74, 4},   // under 2 s into track 5: track 4
        {kMinus, track_start(5) + 149, 4},  // the last frame under 2 s
        {kMinus, track_start(5) + 150, 5},  // 2 s in: track 5 again from its start
        {kMinus, track_start(1) + 30, 6},   // early on track 1: the last track
        {kPlus, track_start(2) + 3000, 3},
        {kPlus, track_start(6) + 10, 1},    // past the last: track 1
    };
    for (const Case& c : cases) {
        place(c.from);
        runtime::clear_step_log();
        synchro::display_time = -1;
        const size_t stops_before = generator_stops(rig_.machine());
        tap(c.key);
        EXPECT_EQ(cd_state.current_track, c.track) << c.key << " from " << c.from;
        EXPECT_EQ(position(), track_start(c.track)) << c.key << " from " << c.from;
        // The position shows on the display, the clock area is redrawn.
        EXPECT_DOUBLE_EQ(synchro::display_time, track_start(c.track) / 75.0) << c.key << " from " << c.from;
        EXPECT_EQ(count_calls("synchro::draw_timecode_clock(0)"), 1u);
        EXPECT_EQ(generator_stops(rig_.machine()) - stops_before, 1u);
        EXPECT_EQ(rig_.key_led(c.key), platform::LedState::blinking);
    }
}

TEST_F(CdKeys, Holding184WindsASecondEvery50MsAndPastTheEndToTrack1) {
    place(track_start(1));
    rig_.hold(kPlus);
    rig_.run_ms(900);  // 750 ms to tell a hold from a tap, then winding
    const int32_t wound = position();
    EXPECT_GT(wound, track_start(1));
    rig_.run_ms(500);
    EXPECT_EQ(position() - wound, 10 * 75);
    EXPECT_EQ(synchro::cd_keys_active, 1);
    rig_.release(kPlus, 100);
    EXPECT_EQ(synchro::cd_keys_active, 0);

    // 3 s before the disc's end, the fourth second is past it: track 1's start.
    place(kLastEnd - 225);
    runtime::clear_step_log();
    ASSERT_TRUE(hold_until(kPlus, [] { return cd_state.current_track == 1; }, 2000));
    EXPECT_EQ(position(), track_start(1));
    EXPECT_EQ(count_calls("synchro::draw_timecode_clock(0)"), 1u);  // on the change of track only
}

TEST_F(CdKeys, Holding185PastTrack1sStartGoesTo10SecondsBeforeTheEnd) {
    place(track_start(1) + 150);
    ASSERT_TRUE(hold_until(kMinus, [] { return cd_state.current_track == 6; }, 2000));
    EXPECT_EQ(position(), kLastEnd - 750);
}

TEST_F(CdKeys, Holding183StoresTheTriggerTimeAndATapRecallsIt) {
    const int32_t trigger = track_start(3) + 1234;
    place(trigger);
    runtime::clear_step_log();
    rig_.machine().graphics.clear_call_log();
    place(track_start(1));
    rig_.hold(kEditValue);
    rig_.run_ms(1000);
    rig_.release(kEditValue, 100);
    // The trigger time is typed: 00/02/18/34 is 2 min 18 s 34 frames into the disc.
    for (const int16_t digit : {0, 0, 0, 2, 1, 8, 3, 4}) rig_.press(static_cast<int16_t>(runtime::KEY_DIGIT_0 + digit));
    rig_.press(runtime::KEY_ENTER);
    const std::vector<std::string> drawn = rig_.machine().graphics.call_log();
    EXPECT_TRUE(std::any_of(drawn.begin(), drawn.end(), [](const std::string& call) {
        return call.find("EDIT TRIGGER-TIME (ESC=CANCEL)") != std::string::npos;
    }));
    const std::vector<platform::Tone> tones = rig_.tones();
    ASSERT_FALSE(tones.empty());
    EXPECT_EQ(tones.back().freq_hz, 800);
    EXPECT_EQ(tones.back().duration_ms, 200u);
    EXPECT_EQ(rig_.key_led(kPlus), platform::LedState::off);
    EXPECT_EQ(rig_.key_led(runtime::KEY_CLR), platform::LedState::off);
    EXPECT_EQ(cd_state.trigger_track, 3);
    EXPECT_EQ(synchro::convert_msf_to_frames(cd_state.trigger_time), trigger);
    EXPECT_STRNE(ui::last_message_text.data(), "EDIT TRIGGER-TIME (ESC=CANCEL)");

    tap(kPlus);
    tap(kPlus);
    ASSERT_EQ(cd_state.current_track, 5);
    runtime::clear_step_log();
    tap(kEditValue);
    EXPECT_EQ(cd_state.current_track, 3);
    EXPECT_EQ(position(), trigger);
    EXPECT_EQ(count_calls("synchro::draw_timecode_clock(0)"), 1u);
}

TEST_F(CdKeys, APlayingDiscPausesDuringAKeyAndPlaysOnFromTheNewPlace) {
    place(track_start(2));
    synchro::timecode_mode = 1;  // a list plays: the poll runs the timecode tick
    synchro::play_cd_from_current_position();
    rig_.run_ms(3000);
    ASSERT_TRUE(drive().playing);

    runtime::clear_step_log();
    rig_.hold(kPlus);
    rig_.run_ms(900);
    EXPECT_FALSE(drive().playing);
    EXPECT_EQ(synchro::cd_keys_active, 1);
    EXPECT_EQ(count_steps("synchro::run_timecode_tick()"), 0u);
    rig_.release(kPlus, 100);
    EXPECT_EQ(synchro::cd_keys_active, 0);
    EXPECT_GT(count_steps("synchro::run_timecode_tick()"), 0u);
    ASSERT_TRUE(drive().playing);
    EXPECT_EQ(static_cast<int32_t>(drive().play_from), position());
    EXPECT_EQ(drive().play_end, static_cast<uint32_t>(kLastEnd + 1));

    // A tap: paused meanwhile too, then playing from the next track.
    tap(kPlus);
    EXPECT_TRUE(drive().playing);
    EXPECT_EQ(static_cast<int32_t>(drive().play_from), track_start(cd_state.current_track));
}

class CdStatusPoll : public CdKeys {
protected:
    void open_timecode_screen() { runtime::option_flags |= runtime::OPT_TIMECODE_SCREEN; }
    size_t status_requests() {
        size_t n = 0;
        for (const platform::CdromRequest& r : rig_.machine().cdrom.requests.to_vector()) {
            if (r.bytes[2] == 3 && r.bytes[18] == 6) ++n;
        }
        return n;
    }
};

TEST_F(CdStatusPoll, RunsOnlyWithTheTimecodeScreenADriveAndTheCdSourceEvery5001Ms) {
    struct Case {
        const char* what;
        bool screen;
        uint8_t source;
        bool drive;
    };
    const Case off[] = {
        {"screen closed", false, synchro::kTimecodeSourceCdrom, true},
        {"other source", true, synchro::kTimecodeSourceManual, true},
        {"no drive", true, synchro::kTimecodeSourceCdrom, false},
    };
    const int16_t drive_number = cd_state.drive;
    for (const Case& c : off) {
        if (c.screen) open_timecode_screen();
        synchro::timecode_source = c.source;
        cd_state.drive = c.drive ? drive_number : synchro::kNoCdDrive;
        rig_.machine().cdrom.requests.clear();
        rig_.run_ms(6000);
        EXPECT_EQ(status_requests(), 0u) << c.what;
        runtime::option_flags &= ~runtime::OPT_TIMECODE_SCREEN;
    }
    cd_state.drive = drive_number;
    synchro::timecode_source = synchro::kTimecodeSourceCdrom;
    open_timecode_screen();
    cd_state.status_poll_ms = 0;
    rig_.machine().cdrom.requests.clear();
    rig_.run_ms(4990);
    EXPECT_EQ(status_requests(), 0u);
    rig_.run_ms(20);
    EXPECT_EQ(status_requests(), 1u);
    rig_.run_ms(4990);
    EXPECT_EQ(status_requests(), 1u);
    rig_.run_ms(20);
    EXPECT_EQ(status_requests(), 2u);
}

TEST_F(CdStatusPoll, ADiscTakenOutAndANewOnePutIn) {
    open_timecode_screen();
    place(track_start(4) + 300);
    synchro::play_cd_from_current_position();
    runtime::clear_step_log();
    platform::remove_cd(drive());
    ASSERT_TRUE(rig_.run_until([] { return cd_state.disc_ready == 0; }, 5100));
    EXPECT_EQ(count_calls("synchro::draw_timecode_clock(1)"), 1u);

    // Two tracks now: the old position is past them, so track 1's start.
    platform::insert_cd(drive(), platform::audio_disc(std::vector<uint32_t>{40, 40}));
    ASSERT_TRUE(rig_.run_until([] { return cd_state.disc_ready == 1; }, 5100));
    EXPECT_EQ(cd_state.track_count, 2);
    EXPECT_EQ(count_calls("synchro::draw_timecode_clock(1)"), 2u);
    EXPECT_EQ(cd_state.current_track, 1);
    EXPECT_TRUE(drive().playing);
    EXPECT_EQ(drive().play_from, 150u);
    EXPECT_EQ(drive().play_end, 150u + 80u * 75u);
}

}  // namespace
