// The player on the CDROM source, with the CD drive and the SMPTE/MIDI card:
// a G event moves the disc, the relock floor after the disc's lead-in, the
// card's generator that follows the disc while locked, and the disc's end.
#include <gtest/gtest.h>

#include "list_helpers.h"

#include <string>
#include <vector>

#include "memories/master_state.h"
#include "platform/machine.h"
#include "platform/machine_description.h"
#include "platform/selectors.h"
#include "platform/sync_card.h"
#include "runtime/card_discovery.h"
#include "runtime/config_records.h"
#include "runtime/timers.h"
#include "setup/setup_data.h"
#include "sync/cd_requests.h"
#include "sync/sync_services.h"
#include "sync/timecode_clock.h"
#include "sync/timecode_player.h"
#include "ui/message_line.h"

namespace {

using sync_test::set_list;

uint8_t master_flash(int m) { return memories::master_timecode_flash[static_cast<size_t>(m)]; }

class CdPlayer : public ::testing::Test {
protected:
    // tracks: the disc's track lengths in seconds.
    void fit(const std::string& tracks) {
        platform::install_machine(&machine_);
        platform::MachineDescription d;
        std::string error;
        ASSERT_TRUE(platform::parse_machine_description("cdrom_drive yes\ncdrom_disc " + tracks + "\n", d, error))
            << error;
        platform::fit_machine(machine_, d);
        machine_.sync.fit();
        bool carry = true;
        runtime::sync_interface_selector = platform::dpmi_segment_to_selector(machine_.sync.segment, carry);
        ASSERT_FALSE(carry);
        runtime::console_config.set_u8(runtime::kCfgBeeper, 1);
        synchro::init_cdrom();
        ASSERT_EQ(synchro::cd_state.disc_ready, 1);
        synchro::timecode_source = synchro::kTimecodeSourceCdrom;
        synchro::timecode_frame_rate = 1;
        synchro::timecode_mode = synchro::kTimecodePlay;
        synchro::reset_timecode_player();
    }
    void TearDown() override {
        synchro::timecode_mode = synchro::kTimecodeIdle;
        runtime::sync_interface_selector = 0;
        platform::install_machine(nullptr);
    }
    // The disc plays from the frame.
    void play_from(int32_t frame) {
        synchro::cd_state.current_position = synchro::convert_frames_to_msf(frame);
        synchro::cd_state.current_track = 1;
        synchro::start_timecode_source();
    }
    // One poll of the player, ms after the last.
    void tick(uint32_t ms = 40) {
        machine_.advance_ms(ms);
        runtime::clock_ms += ms;
        runtime::clock_delta = ms;
        synchro::run_timecode_tick();
    }
    size_t count_commands(uint16_t code) const {
        size_t n = 0;
        for (const platform::SyncCommand& c : machine_.sync.commands()) n += c.code == code ? 1 : 0;
        return n;
    }

    platform::Machine machine_;
};

TEST_F(CdPlayer, AGEventMovesTheDiscAndATimeOffItsAudioGoesToTrack1sStart) {
    fit("3 4");
    play_from(150);
    struct Case {
        const char* text;
        double plays_from;
    };
    for (const Case& c : {Case{"G 00005.000", 5.0}, Case{"G 00100.000", 2.0}, Case{"G 00001.000", 2.0}}) {
        set_list({{0.0, c.text}});
        synchro::display_time = 42.0;
        EXPECT_TRUE(synchro::execute_timecode_event(1)) << c.text;
        EXPECT_EQ(synchro::cd_state.play_state, synchro::kCdPlaying) << c.text;
        machine_.advance_ms(1000);
        EXPECT_NEAR(synchro::read_cd_timecode(), c.plays_from + 1.0, 1.0 / 75) << c.text;
        EXPECT_DOUBLE_EQ(synchro::display_time, 42.0) << "the digits follow the clock, not the jump";
    }
}

// Events before the disc's audio count as at track 1's start + 0.5 s when
// the lock comes back: a relock before that point fires them as due.
TEST_F(CdPlayer, TheRelockFloorIsHalfASecondIntoTrack1) {
    struct Case {
        int32_t frame;  // where the disc plays from: the relock time
        uint8_t flashed;
        int32_t next_event;
    };
    for (const Case& c : {Case{186, 1, 2},    // 2.481 s: before 2.5 s, event 1 is still to come
                          Case{189, 0, 3}}) {  // 2.520 s: events 1 and 2 lie behind
        fit("3 4");
        setup::setup_data.set_u8(setup::kSetupTimecodeOption, 2);  // no rebuild
        memories::master_timecode_flash.fill(0);
        set_list({{1.0, "F 1 00099.000"}, {2.4, "F 2 00099.000"}, {8.0, "END"}});
        play_from(c.frame);
        tick(0);
        for (int poll = 1; poll <= 5; ++poll) tick();
        ASSERT_EQ(synchro::timecode_player.unlocked, 0) << c.frame;
        EXPECT_DOUBLE_EQ(synchro::timecode_player.relock_time, c.frame == 186 ? 2.481 : 2.52);
        EXPECT_EQ(master_flash(1), c.flashed) << c.frame;
        EXPECT_EQ(synchro::timecode_player.next_event, c.next_event) << c.frame;
        TearDown();
    }
}

TEST_F(CdPlayer, WhileLockedTheCardsGeneratorRestartsAt24Every10Seconds) {
    fit("60 60");
    set_list({{100.0, "END"}});
    play_from(150);
    tick(0);
    std::vector<uint32_t> starts_ms;
    size_t starts = count_commands(platform::kSmpteStartGenerator);
    for (uint32_t t = 40; t <= 25'000; t += 40) {
        tick();
        const size_t now = count_commands(platform::kSmpteStartGenerator);
        if (now != starts) starts_ms.push_back(t);
        starts = now;
    }
    ASSERT_EQ(synchro::timecode_player.unlocked, 0);
    // Started on the lock at the sixth poll, then every 10 s.
    EXPECT_EQ(starts_ms, (std::vector<uint32_t>{200, 10'240, 20'280}));
    EXPECT_EQ(count_commands(platform::kSmpteStopGenerator), 2u) << "stopped before each restart";
    const uint16_t sel = runtime::sync_interface_selector;
    EXPECT_EQ(platform::far_peek_byte(sel, platform::kSmpteReaderRate + platform::kSmpteGeneratorOffset), 0)
        << "rate code 0: \"24\"";
    EXPECT_EQ(synchro::timecode_source, synchro::kTimecodeSourceCdrom);
}

TEST_F(CdPlayer, TheDiscsEndStopsPlayingWithTheErrorTone) {
    fit("3 4");
    set_list({{100.0, "END"}});
    play_from(150 + 6 * 75);  // 8 s: the disc ends at 9 s
    for (int poll = 0; poll < 40 && synchro::timecode_mode == synchro::kTimecodePlay; ++poll) tick();
    EXPECT_EQ(synchro::timecode_mode, synchro::kTimecodeIdle);
    EXPECT_STREQ(ui::last_message_text.data(), "CD REACHED END...");
    const std::vector<platform::Tone> tones = machine_.speaker.tones.to_vector();
    ASSERT_FALSE(tones.empty());
    EXPECT_EQ(tones.back().freq_hz, 400);
    EXPECT_EQ(tones.back().duration_ms, 2000u);
}

}  // namespace
