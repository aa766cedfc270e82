// The simulated CD-ROM drive answers request buffers as a driver does.
#include "platform/cd_drive.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "platform/cdrom.h"
#include "platform/machine.h"

namespace {

using platform::CdDrive;

constexpr std::array<uint32_t, 3> kTracks = {60, 60, 60};  // starts 150, 4650, 9150; lead-out 13650

struct CdDriveTest : ::testing::Test {
    CdDriveTest() {
        platform::install_machine(&machine);
        platform::insert_cd(drive, platform::audio_disc(kTracks));
    }
    ~CdDriveTest() override { platform::install_machine(nullptr); }

    // An IOCTL request as a program lays it out: 13-byte header, transfer
    // address to offset 18 of the buffer's segment, control block at 18.
    std::array<uint8_t, 160> ioctl(uint8_t command, uint8_t code, uint8_t argument = 0) {
        std::array<uint8_t, 160> r{};
        r[0] = 13;
        r[2] = command;
        r[14] = 18;
        r[16] = 0x34;  // segment 1234h
        r[17] = 0x12;
        r[18] = code;
        r[19] = argument;
        status = platform::cd_drive_request(&drive, 3, r);
        return r;
    }
    std::array<uint8_t, 160> play(uint32_t packed_start, uint32_t sectors) {
        std::array<uint8_t, 160> r{};
        r[0] = 13;
        r[2] = 132;
        r[13] = 1;
        for (int i = 0; i < 4; ++i) r[14 + i] = static_cast<uint8_t>(packed_start >> (8 * i));
        for (int i = 0; i < 4; ++i) r[18 + i] = static_cast<uint8_t>(sectors >> (8 * i));
        status = platform::cd_drive_request(&drive, 3, r);
        return r;
    }
    static uint32_t u32(const std::array<uint8_t, 160>& r, size_t at) {
        return static_cast<uint32_t>(r[at]) | static_cast<uint32_t>(r[at + 1]) << 8 |
               static_cast<uint32_t>(r[at + 2]) << 16 | static_cast<uint32_t>(r[at + 3]) << 24;
    }

    platform::Machine machine;
    CdDrive drive;
    uint16_t status = 0;
};

TEST_F(CdDriveTest, DiscAndTrackInfo) {
    auto info = ioctl(3, 10);
    EXPECT_EQ(info[19], 1);
    EXPECT_EQ(info[20], 3);
    EXPECT_EQ(u32(info, 21), 0x00030200u);  // lead-out 03:02:00
    auto track = ioctl(3, 11, 2);
    EXPECT_EQ(u32(track, 20), 0x00010200u);  // 01:02:00
    EXPECT_EQ(track[24], 0);
    drive.disc.first_track_data = true;
    EXPECT_EQ(ioctl(3, 11, 1)[24], 0x40);
    ioctl(3, 11, 4);
    EXPECT_NE(status & platform::kCdromStatusError, 0);
}

TEST_F(CdDriveTest, ADiscStartingAtTrack4NumbersItsTracksSo) {
    drive.disc.first_track = 4;
    auto info = ioctl(3, 10);
    EXPECT_EQ(info[19], 4);
    EXPECT_EQ(info[20], 6);
    EXPECT_EQ(u32(ioctl(3, 11, 5), 20), 0x00010200u);  // the second track
    ioctl(3, 11, 1);
    EXPECT_NE(status & platform::kCdromStatusError, 0);
    play(0x00010200u, 75);
    EXPECT_EQ(ioctl(3, 12)[20], 0x05);
    // A drive that is not ready fails every request.
    drive.not_ready = true;
    ioctl(3, 6);
    EXPECT_NE(status & platform::kCdromStatusError, 0);
}

TEST_F(CdDriveTest, MediaChangeIsReportedOnceAndNoDiscSetsBit11) {
    EXPECT_EQ(ioctl(3, 9)[19], 0xFF);
    EXPECT_EQ(ioctl(3, 9)[19], 1);
    EXPECT_EQ(u32(ioctl(3, 6), 19) & 0x800u, 0u);
    ioctl(12, 0);  // eject
    EXPECT_TRUE(drive.tray_open);
    EXPECT_NE(u32(ioctl(3, 6), 19) & 0x800u, 0u);
    ioctl(3, 10);
    EXPECT_NE(status & platform::kCdromStatusError, 0);
    ioctl(12, 5);  // close
    EXPECT_FALSE(drive.tray_open);
    EXPECT_EQ(ioctl(3, 9)[19], 0xFF);
}

TEST_F(CdDriveTest, PlayHeadFollowsTheClockAndQChannelReportsIt) {
    play(0x00010200u, 13650 - 4650);  // from track 2
    EXPECT_EQ(status, platform::kCdromStatusDone);
    machine.advance_ms(2000);  // 150 frames on: 4800 = 01:04:00
    auto q = ioctl(3, 12);
    EXPECT_EQ(q[20], 0x02);  // track 2 in BCD
    EXPECT_EQ(q[26], 1);
    EXPECT_EQ(q[27], 4);
    EXPECT_EQ(q[28], 0);
    EXPECT_EQ(q[22], 0);  // 00:02:00 into the track
    EXPECT_EQ(q[23], 2);

    std::array<uint8_t, 160> stop{};
    stop[0] = 13;
    stop[2] = 133;
    platform::cd_drive_request(&drive, 3, stop);
    machine.advance_ms(1000);
    EXPECT_FALSE(drive.playing);
    EXPECT_EQ(platform::cd_drive_position(drive), 4800u);
}

TEST_F(CdDriveTest, PlayStopsAtItsEnd) {
    play(0x00000200u, 75);  // one second of track 1
    machine.advance_ms(5000);
    ioctl(3, 12);
    EXPECT_FALSE(drive.playing);
    EXPECT_EQ(platform::cd_drive_position(drive), 224u);
}

TEST_F(CdDriveTest, AnIoctlWhoseTransferAddressMissesTheControlBlockIsRefused) {
    std::array<uint8_t, 160> r{};
    r[0] = 13;
    r[2] = 3;
    r[18] = 10;
    EXPECT_NE(platform::cd_drive_request(&drive, 3, r) & platform::kCdromStatusError, 0);
}

}  // namespace
