// The CD-ROM audio layer against the simulated driver and drive: the request
// bytes the driver receives, the disc table, and what the layer makes of a
// drive that fails or answers nonsense.
#include "sync/cd_requests.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/cd_drive.h"
#include "platform/cdrom.h"
#include "platform/machine.h"

namespace {

using synchro::cd_state;

// Tracks at 150, 4650, 9150 (00:02:00, 01:02:00, 02:02:00); lead-out 13650.
constexpr std::array<uint32_t, 3> kThreeMinutes = {60, 60, 60};

struct CdLayer : ::testing::Test {
    CdLayer() {
        platform::install_machine(machine.get());
        platform::plug_in_cd_drive(&drive);
    }
    ~CdLayer() override { platform::install_machine(nullptr); }

    void start_with(const platform::CdDisc& disc) {
        platform::insert_cd(drive, disc);
        synchro::init_cdrom();
    }
    std::vector<platform::CdromRequest> requests() const { return machine->cdrom.requests.to_vector(); }
    platform::CdromRequest last_request() const { return machine->cdrom.requests.last(); }

    std::unique_ptr<platform::Machine> machine = std::make_unique<platform::Machine>();
    platform::CdDrive drive;
};

uint32_t u32(const platform::CdromRequest& r, size_t at) {
    return static_cast<uint32_t>(r.bytes[at]) | static_cast<uint32_t>(r.bytes[at + 1]) << 8 |
           static_cast<uint32_t>(r.bytes[at + 2]) << 16 | static_cast<uint32_t>(r.bytes[at + 3]) << 24;
}

struct Position {
    bool read = false;
    int track = -1;
    int m = -1;
    int s = -1;
    int f = -1;
};

Position read_position() {
    Position p;
    p.read = synchro::get_cd_position(p.track, p.m, p.s, p.f);
    return p;
}

// The 13-byte header: length 13, sub-unit 0, the command, zeros to byte 12.
void expect_header(const platform::CdromRequest& r, uint8_t command) {
    EXPECT_EQ(r.bytes[0], 13);
    EXPECT_EQ(r.bytes[1], 0);
    EXPECT_EQ(r.bytes[2], command);
    for (size_t i = 3; i <= 12; ++i) EXPECT_EQ(r.bytes[i], 0) << "byte " << i;
}

TEST(CdConversions, FramesMsfAndPackedAddresses) {
    EXPECT_EQ(synchro::convert_msf_to_frames(2, 3, 4), 2 * 4500 + 3 * 75 + 4);
    const synchro::CdTime t = synchro::convert_frames_to_msf(13649);  // 03:01:74
    EXPECT_EQ(t.minutes, 3);
    EXPECT_EQ(t.seconds, 1);
    EXPECT_EQ(t.frames, 74);
    EXPECT_EQ(synchro::pack_msf(3, 1, 74), 0x0003014Au);
    const synchro::CdTime u = synchro::unpack_msf(0x0003014Au);
    EXPECT_EQ(synchro::convert_msf_to_frames(u), 13649);
}

TEST_F(CdLayer, EachIoctlRequestIsAHeaderWithItsControlBlockAtOffset18) {
    start_with(platform::audio_disc(kThreeMinutes));
    const uint32_t transfer = static_cast<uint32_t>(cd_state.buffer_segment) << 16 | 18;
    struct Case {
        void (*send)();
        uint8_t command;
        uint8_t code;
    };
    const Case cases[] = {
        {[] { synchro::get_cd_device_status(); }, 3, 6},
        {[] { synchro::get_cd_media_change(); }, 3, 9},
        {[] {
             int lowest = 0;
             int highest = 0;
             uint32_t lead_out = 0;
             synchro::get_cd_disc_info(lowest, highest, lead_out);
         },
         3, 10},
        {[] { synchro::eject_cd(); }, 12, 0},
        {[] { synchro::close_cd_tray(); }, 12, 5},
    };
    for (const Case& c : cases) {
        c.send();
        const platform::CdromRequest r = last_request();
        expect_header(r, c.command);
        EXPECT_EQ(r.bytes[13], 0);
        EXPECT_EQ(u32(r, 14), transfer) << int(c.code);
        EXPECT_EQ(r.bytes[18], c.code);
        EXPECT_EQ(r.drive, 3);  // D:, as the installation check gave it
        EXPECT_EQ(r.segment, cd_state.buffer_segment);
    }
    uint32_t start = 0;
    uint8_t control = 0;
    ASSERT_TRUE(synchro::get_cd_track_info(2, start, control));
    EXPECT_EQ(last_request().bytes[18], 11);
    EXPECT_EQ(last_request().bytes[19], 2);
    EXPECT_EQ(start, 0x00010200u);
}

TEST_F(CdLayer, PlayAndStopRequests) {
    start_with(platform::audio_disc(kThreeMinutes));
    synchro::play_cd_audio(1, 2, 0);  // track 2's start, frame 4650
    platform::CdromRequest r = last_request();
    expect_header(r, 132);
    EXPECT_EQ(r.bytes[13], 1);                  // Red Book addressing
    EXPECT_EQ(u32(r, 14), 0x00010200u);         // packed start
    EXPECT_EQ(u32(r, 18), 13649u - 4650u + 1);  // to the last track's end
    EXPECT_EQ(cd_state.play_state, synchro::kCdPlaying);
    EXPECT_TRUE(drive.playing);

    synchro::stop_cd_audio();
    r = last_request();
    expect_header(r, 133);
    EXPECT_EQ(u32(r, 14), 0u);
    EXPECT_EQ(cd_state.play_state, synchro::kCdPaused);
    synchro::stop_cd_audio();
    EXPECT_EQ(cd_state.play_state, synchro::kCdStopped);

    synchro::resume_cd_audio();
    expect_header(last_request(), 136);
    EXPECT_EQ(cd_state.play_state, synchro::kCdPlaying);
}

TEST_F(CdLayer, PositionRequestIsBuiltOnceUntilAnotherRequestUsesTheBuffer) {
    start_with(platform::audio_disc(kThreeMinutes));
    synchro::play_cd_audio(1, 2, 0);
    machine->advance_ms(2000);  // 01:04:00, track 2
    int track = 0;
    int m = 0;
    int s = 0;
    int f = 0;
    ASSERT_TRUE(synchro::get_cd_position(track, m, s, f));
    EXPECT_EQ(cd_state.position_request_ready, 1);
    EXPECT_EQ(track, 2);
    EXPECT_EQ(m, 1);
    EXPECT_EQ(s, 4);
    EXPECT_EQ(f, 0);
    const platform::CdromRequest first = last_request();
    expect_header(first, 3);
    EXPECT_EQ(first.bytes[18], 12);

    // The second read sends what the buffer holds: the answer of the first.
    machine->advance_ms(1000);
    ASSERT_TRUE(synchro::get_cd_position(track, m, s, f));
    EXPECT_EQ(s, 5);
    const platform::CdromRequest second = last_request();
    EXPECT_EQ(second.bytes[26], 1);  // the first answer's minutes, still there
    EXPECT_EQ(second.bytes[27], 4);

    synchro::get_cd_device_status();
    EXPECT_EQ(cd_state.position_request_ready, 0);
    ASSERT_TRUE(synchro::get_cd_position(track, m, s, f));
    EXPECT_EQ(last_request().bytes[26], 0);  // built again: nothing left of an answer
    EXPECT_EQ(last_request().bytes[18], 12);
}

TEST_F(CdLayer, TheDiscTableHoldsTrackStartsEndsAndTheDiscEnd) {
    start_with(platform::audio_disc(kThreeMinutes));
    ASSERT_EQ(cd_state.disc_ready, 1);
    EXPECT_EQ(cd_state.track_count, 3);
    const int32_t starts[] = {150, 4650, 9150};
    const int32_t ends[] = {4649, 9149, 13649};
    for (int t = 1; t <= 3; ++t) {
        int32_t start = 0;
        int32_t end = 0;
        ASSERT_TRUE(synchro::get_cd_track_times(t, start, end));
        EXPECT_EQ(start, starts[t - 1]);
        EXPECT_EQ(end, ends[t - 1]);
    }
    EXPECT_EQ(cd_state.disc_end.minutes, 3);
    EXPECT_EQ(cd_state.disc_end.seconds, 1);
    EXPECT_EQ(cd_state.disc_end.frames, 74);
    EXPECT_EQ(cd_state.lead_out, 0x00030200u);
    EXPECT_EQ(cd_state.current_track, 1);
    EXPECT_EQ(synchro::cd_position_frames(), 150);
    EXPECT_EQ(cd_state.trigger_track, 1);
    EXPECT_EQ(synchro::convert_msf_to_frames(cd_state.trigger_time), 150);
    // init_cdrom stops audio after reading the disc.
    EXPECT_EQ(last_request().bytes[2], 133);
}

TEST_F(CdLayer, DiscsThatGiveNoUsableTable) {
    struct Case {
        const char* what;
        void (*spoil)(platform::CdDisc&, platform::CdDrive&);
    };
    const Case cases[] = {
        {"no disc", [](platform::CdDisc&, platform::CdDrive& d) { platform::remove_cd(d); }},
        {"tray open", [](platform::CdDisc&, platform::CdDrive& d) { d.tray_open = true; }},
        {"0 tracks", [](platform::CdDisc& c, platform::CdDrive&) { c.track_count = 0; }},
        {"201 tracks", [](platform::CdDisc& c, platform::CdDrive&) { c.track_count = 201; }},
        {"data track 1", [](platform::CdDisc& c, platform::CdDrive&) { c.first_track_data = true; }},
        {"lead-out before the last start", [](platform::CdDisc& c, platform::CdDrive&) { c.lead_out = 9000; }},
        {"starts not ascending", [](platform::CdDisc& c, platform::CdDrive&) { c.track_start[3] = 4650; }},
        {"drive not ready", [](platform::CdDisc&, platform::CdDrive& d) { d.not_ready = true; }},
    };
    for (const Case& c : cases) {
        // A table of a good disc first: an unusable one must clear it.
        synchro::reset_cd_requests_globals();
        drive = platform::CdDrive{};
        start_with(platform::audio_disc(kThreeMinutes));
        ASSERT_EQ(cd_state.disc_ready, 1);
        cd_state.current_position = synchro::convert_frames_to_msf(5000);
        cd_state.current_track = 2;

        platform::CdDisc disc = platform::audio_disc(kThreeMinutes);
        c.spoil(disc, drive);
        if (drive.disc_loaded) drive.disc = disc;
        synchro::read_cd_toc();
        EXPECT_EQ(cd_state.disc_ready, 0) << c.what;
        EXPECT_EQ(cd_state.track_count, 0) << c.what;
        EXPECT_EQ(cd_state.current_track, 0) << c.what;
        EXPECT_EQ(synchro::cd_position_frames(), 0) << c.what;
        EXPECT_EQ(cd_state.lead_out, 0u) << c.what;
        EXPECT_EQ(cd_state.track_end[3], 0) << c.what;
    }
}

TEST_F(CdLayer, TracksTheDriveReportsButCannotDescribeGiveNoTable) {
    platform::CdDisc disc = platform::audio_disc(std::vector<uint32_t>(99, 10));
    disc.first_track = 1;
    disc.track_count = 200;  // 200 reported, only 99 answer
    start_with(disc);
    EXPECT_EQ(cd_state.disc_ready, 0);  // track 100 gives an error: no table of stale starts
}

TEST_F(CdLayer, APositionLeftFromALongerDiscMovesToItsTracksStart) {
    const std::array<uint32_t, 5> five = {60, 60, 60, 60, 60};
    start_with(platform::audio_disc(five));
    // Track 5 of the longer disc, and a trigger time there too.
    synchro::go_to_cd_track_start(5);
    cd_state.trigger_track = 5;
    cd_state.trigger_time = synchro::convert_frames_to_msf(18700);
    // Track 2, but past its end on the new disc.
    cd_state.current_track = 2;
    cd_state.current_position = synchro::convert_frames_to_msf(5000);

    const std::array<uint32_t, 3> shorter = {60, 4, 60};  // track 2: 4650..4949
    platform::insert_cd(drive, platform::audio_disc(shorter));
    synchro::read_cd_toc();
    ASSERT_EQ(cd_state.disc_ready, 1);
    EXPECT_EQ(cd_state.current_track, 2);
    EXPECT_EQ(synchro::cd_position_frames(), 4650);
    EXPECT_EQ(cd_state.trigger_track, 1);  // no track 5 any more
    EXPECT_EQ(synchro::convert_msf_to_frames(cd_state.trigger_time), 4650);  // the current position

    // A track beyond the new count starts again at track 1.
    cd_state.current_track = 7;
    synchro::read_cd_toc();
    EXPECT_EQ(cd_state.current_track, 1);
    EXPECT_EQ(synchro::cd_position_frames(), 150);
}

TEST_F(CdLayer, ADiscWhoseTracksStartAbove1IsReadFromItsLowestTrack) {
    platform::CdDisc disc = platform::audio_disc(kThreeMinutes);
    disc.first_track = 4;  // tracks 4, 5, 6
    start_with(disc);
    ASSERT_EQ(cd_state.disc_ready, 1);
    EXPECT_EQ(cd_state.track_count, 3);
    EXPECT_EQ(cd_state.track_start[3], 9150);
    EXPECT_EQ(cd_state.track_end[3], 13649);
    // The drive's track 5 is the table's track 2.
    synchro::play_cd_audio(1, 2, 0);
    machine->advance_ms(1000);
    const Position p = read_position();
    ASSERT_TRUE(p.read);
    EXPECT_EQ(p.track, 2);
}

TEST_F(CdLayer, ARequestTheDriveFailsIsNotReadAsAnAnswer) {
    start_with(platform::audio_disc(kThreeMinutes));
    synchro::play_cd_audio(1, 2, 0);
    machine->advance_ms(2000);
    int track = 0;
    int m = 0;
    int s = 0;
    int f = 0;
    ASSERT_TRUE(synchro::get_cd_position(track, m, s, f));

    // The tray opened: the position read fails and the last one is kept.
    synchro::eject_cd();
    int t2 = -1;
    int m2 = -1;
    int s2 = -1;
    int f2 = -1;
    EXPECT_FALSE(synchro::get_cd_position(t2, m2, s2, f2));
    EXPECT_EQ(t2, -1);
    EXPECT_EQ(s2, -1);

    // A play the drive refuses leaves the disc paused, not playing.
    synchro::stop_cd_audio();
    synchro::play_cd_audio(0, 2, 0);
    EXPECT_EQ(cd_state.play_state, synchro::kCdPaused);

    // A drive that fails even its status: no disc, however the buffer looked.
    synchro::close_cd_tray();
    drive.not_ready = true;
    EXPECT_NE(synchro::get_cd_device_status() & synchro::kCdStatusNoDisc, 0u);
    EXPECT_EQ(synchro::get_cd_media_change(), 0);
}

// A drive whose Q channel names a track in no valid BCD.
uint16_t bad_bcd_drive(void*, uint16_t, std::span<uint8_t> request) {
    if (request[2] == 3 && request[18] == 12) {
        request[20] = 0x1A;
        request[26] = 0;
        request[27] = 9;
        request[28] = 0;
    }
    return platform::kCdromStatusDone;
}

TEST_F(CdLayer, APositionWithABadBcdTrackGivesNoTrack) {
    start_with(platform::audio_disc(kThreeMinutes));
    platform::set_cdrom_request_handler(&bad_bcd_drive, nullptr);
    const Position p = read_position();
    ASSERT_TRUE(p.read);
    EXPECT_EQ(p.track, 0);
    EXPECT_EQ(p.s, 9);
}

TEST_F(CdLayer, WithoutADriverOrABufferThereIsNoDrive) {
    machine->cdrom.installed = false;
    synchro::init_cdrom();
    EXPECT_EQ(cd_state.drive, synchro::kNoCdDrive);
    EXPECT_NE(cd_state.buffer_selector, 0);
    EXPECT_TRUE(machine->cdrom.requests.empty());

    // No conventional memory left: no buffer, no drive, and no request.
    machine->cdrom.installed = true;
    machine->descriptors.next_dos_segment = static_cast<uint16_t>(platform::kConventionalBytes / 16);
    synchro::init_cdrom();
    EXPECT_EQ(cd_state.buffer_selector, 0);
    EXPECT_EQ(cd_state.drive, synchro::kNoCdDrive);
    EXPECT_TRUE(machine->cdrom.requests.empty());
}

TEST_F(CdLayer, CheckingTheDiscNoticesItTakenOutAndANewOne) {
    start_with(platform::audio_disc(kThreeMinutes));
    EXPECT_FALSE(synchro::check_cd_disc());  // nothing changed

    platform::remove_cd(drive);
    EXPECT_TRUE(synchro::check_cd_disc());
    EXPECT_EQ(cd_state.disc_ready, 0);
    EXPECT_FALSE(synchro::check_cd_disc());  // told once

    // A new disc while playing: read and played from the revalidated position.
    cd_state.play_state = synchro::kCdPlaying;
    const std::array<uint32_t, 2> two = {30, 30};
    platform::insert_cd(drive, platform::audio_disc(two));
    EXPECT_TRUE(synchro::check_cd_disc());
    EXPECT_EQ(cd_state.disc_ready, 1);
    EXPECT_EQ(cd_state.track_count, 2);
    EXPECT_TRUE(drive.playing);
    EXPECT_EQ(drive.play_from, 150u);
    EXPECT_EQ(drive.play_end, 150u + 4500u);
}

}  // namespace
