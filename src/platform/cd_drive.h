// A CD-ROM drive with a disc, behind the CD-ROM driver's request handler.
//
// It answers the device requests a program puts in its request buffer, byte
// for byte as a driver does: IOCTL input (command 3) with the control block
// at offset 18 (device status 6, media changed 9, audio disk info 10, audio
// track info 11, Q-channel 12, audio status 15), IOCTL output (command 12:
// eject 0, close tray 5), PLAY AUDIO (132, Red Book start at 14, sector count
// at 18), STOP AUDIO (133) and RESUME AUDIO (136). Times are frame counts of
// absolute disc addresses (75 frames a second, lead-in included); the play
// head follows the machine's clock. A request the drive cannot carry out
// gets the error bit in its status word.
#pragma once
#include <array>
#include <cstdint>
#include <span>

namespace platform {

constexpr int kCdMaxTracks = 99;
constexpr uint32_t kCdFramesPerSecond = 75;
constexpr uint32_t kCdLeadInFrames = 150;
constexpr uint32_t kCdLongestDiscMinutes = 99;

// The disc's tracks are numbered first_track.., track_start[1] being the
// first. The disc info reports track_count as it is given (up to 255 tracks
// in all, to try a reader's limits); tracks past kCdMaxTracks have no start.
struct CdDisc {
    int first_track = 1;
    int track_count = 0;
    std::array<uint32_t, kCdMaxTracks + 1> track_start{};  // frames; index 0 unused
    uint32_t lead_out = 0;                              // frames
    bool first_track_data = false;                      // a data disc
};

struct CdDrive {
    CdDisc disc;
    bool disc_loaded = false;     // a disc lies in the tray
    bool tray_open = false;
    bool media_changed = false;   // reported once as FFh
    bool playing = false;
    bool not_ready = false;       // test setting: every request fails as "drive not ready"
    uint32_t play_from = 0;       // frames where the present play began
    uint32_t play_end = 0;        // first frame after the play
    uint64_t play_started_ms = 0;
    uint32_t head = kCdLeadInFrames;  // where the head stands while not playing
};

// An audio disc whose tracks last the given seconds each, from 00:02:00.
CdDisc audio_disc(std::span<const uint32_t> track_seconds);

// Plugs the drive in behind the CD-ROM driver (nullptr takes it out).
void plug_in_cd_drive(CdDrive* drive);
// The request handler itself.
uint16_t cd_drive_request(void* context, uint16_t drive_number, std::span<uint8_t> request);

// Test side: where the head is now, and the disc going in or out.
uint32_t cd_drive_position(const CdDrive& drive);
void insert_cd(CdDrive& drive, const CdDisc& disc);
void remove_cd(CdDrive& drive);

constexpr uint32_t pack_msf_frames(uint32_t frames) {
    return (frames / 4500) << 16 | (frames / 75 % 60) << 8 | frames % 75;
}
constexpr uint32_t unpack_msf_frames(uint32_t packed) {
    return (packed >> 16 & 0xFF) * 4500 + (packed >> 8 & 0xFF) * 75 + (packed & 0xFF);
}

}  // namespace platform
