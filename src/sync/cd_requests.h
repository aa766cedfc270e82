// The CD-ROM audio layer: the disc's track table in `cd_state` and the device
// requests of the CD-ROM extension driver (int 2Fh, function 15h), sent from a
// 160-byte buffer of conventional memory.
//
// Both programs link it: the console's CD time source and position keys, and
// the hardware test program's CD-ROM test. It draws nothing; where a disc
// change must be shown, check_cd_disc tells the caller, who redraws its own
// screen.
//
// Times in the table are frame counts of absolute disc addresses (75 frames a
// second, 60 seconds a minute, the two-second lead-in included). Table tracks
// are numbered 1..track_count, track 1 being the disc's lowest track.
//
// What a caller may rely on:
//   init_cdrom            once at start: buffer, driver check, disc, audio stopped
//   read_cd_toc           reads the disc again (disc_ready tells the outcome)
//   check_cd_disc         one status poll: disc taken out, or a new one read
//   get_cd_position       the play position (track and disc m:s:f)
//   play_cd_audio         plays from m:s:f to the end of the last track
//   stop_cd_audio         pauses a playing disc
//   cd_state              disc_ready, track_count, track_start/end,
//                         current and trigger positions, play_state
#pragma once
#include <array>
#include <cstdint>

#include "platform/cdrom.h"

namespace synchro {

constexpr int16_t kNoCdDrive = 255;
constexpr int kCdMaxTracks = 200;
constexpr int32_t kCdFramesPerSecond = 75;
constexpr int32_t kCdFramesPerMinute = 4500;
constexpr int32_t kCdLeadInFrames = 150;  // the two seconds before a disc's first sector

enum CdPlayState : uint8_t { kCdStopped = 0, kCdPaused = 1, kCdPlaying = 2 };

// Device status bits (IOCTL code 6).
constexpr uint32_t kCdStatusNoDisc = platform::cdrom_request::kDeviceNoDisc;
// Media-change answers (IOCTL code 9).
constexpr uint8_t kCdMediaUnchanged = 1;
constexpr uint8_t kCdMediaChanged = 0xFF;

struct CdTime {
    uint16_t minutes = 0;
    uint16_t seconds = 0;
    int16_t frames = 0;
};

struct CdState {
    uint16_t buffer_segment = 0;   // real-mode segment of the request buffer
    uint16_t buffer_selector = 0;  // its protected-mode selector; 0 = none
    int32_t status_poll_ms = 0;    // time summed towards the next status poll
    int16_t drive = kNoCdDrive;    // the driver's drive number (0 = A:); kNoCdDrive: none
    uint32_t device_status = 0;    // last answer of IOCTL code 6
    uint8_t media_change = 0;      // last answer of IOCTL code 9
    uint32_t lead_out = 0;         // packed
    uint8_t first_track = 0;       // the disc's number of table track 1
    uint8_t track_count = 0;
    CdTime disc_end;               // last frame of the last track
    uint8_t current_track = 0;
    CdTime current_position;       // where playing starts and what is shown
    uint8_t trigger_track = 0;
    CdTime trigger_time;
    std::array<int32_t, kCdMaxTracks + 1> track_start{};  // frames; index 0 unused
    std::array<int32_t, kCdMaxTracks + 1> track_end{};    // last frame of the track
    uint8_t play_state = kCdStopped;
    uint8_t disc_ready = 0;
    uint8_t position_request_ready = 0;  // the buffer holds a built position request
};

extern CdState cd_state;

// Every global of this module back to its value at program load.
void reset_cd_requests_globals();

// Conversions.
int32_t convert_msf_to_frames(int m, int s, int f);
int32_t convert_msf_to_frames(const CdTime& t);
CdTime convert_frames_to_msf(int32_t frames);
uint32_t pack_msf(int m, int s, int f);
CdTime unpack_msf(uint32_t packed);

// The request buffer (DPMI 0100h, 10 paragraphs): false, with both 0, when
// there is none. free_dos_buffer skips selector 0.
bool alloc_dos_buffer(uint16_t& segment, uint16_t& selector);
void free_dos_buffer(uint16_t selector);

// Start: zero the state, take the buffer, find the drive (none: kNoCdDrive),
// read the disc and stop audio.
void init_cdrom();

// Device requests. A request the driver answers with its error bit is not
// read: the device status then says "no disc", the media change "not known"
// (0), and the others return false.
uint32_t get_cd_device_status();
uint8_t get_cd_media_change();
bool get_cd_disc_info(int& lowest, int& highest, uint32_t& lead_out);
bool get_cd_track_info(int disc_track, uint32_t& start, uint8_t& control);
// The table track (0 when the drive's track number is no valid BCD or not on
// the table) and the absolute disc time. The request is built once and only
// sent again until another request uses the buffer.
bool get_cd_position(int& track, int& m, int& s, int& f);
void eject_cd();
void close_cd_tray();
void play_cd_audio(int m, int s, int f);
void stop_cd_audio();
void resume_cd_audio();

// Reads the disc into the table and revalidates the current and trigger
// positions; an unusable disc clears the table and disc_ready.
void read_cd_toc();
bool get_cd_track_times(int track, int32_t& start, int32_t& end);

// One status poll: with a disc in the drive that changed, the disc is read
// again and, when ready and playing, played from the current position; a
// disc taken out clears disc_ready. True when either happened, so the caller
// redraws what shows the disc.
bool check_cd_disc();

// Table helpers for the position keys of both programs.
bool valid_cd_track(int track);
int32_t cd_position_frames();
// The current track and position become the start of `track`.
void go_to_cd_track_start(int track);
// The track a step of n tracks goes to: back from less than 2 s into a track
// goes n tracks back, later only to the track's own start; wraps at both ends.
int cd_track_after_step(int n);
void play_cd_from_current_position();

}  // namespace synchro
