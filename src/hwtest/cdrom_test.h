// The CD-ROM drive: found at start-up, tested by menu item K, which plays an
// audio CD and judges whether the drive's play position runs smoothly.
//
// The program's own CD-ROM layer: the CD state record, the frame
// conversions (75 frames a second) and the device requests the CD-ROM
// extension driver takes in a 160-byte buffer of conventional memory.
#pragma once
#include <array>
#include <cstdint>

namespace hwtest {

constexpr int16_t kNoCdromDrive = 255;
constexpr int kCdMaxTracks = 200;

enum CdPlayState : uint8_t { kCdStopped = 0, kCdPaused = 1, kCdPlaying = 2 };

struct CdTime {
    uint16_t minutes = 0;
    uint16_t seconds = 0;
    int16_t frames = 0;
};

struct CdState {
    uint16_t buffer_segment = 0;
    uint16_t buffer_selector = 0;
    int32_t status_poll_ms = 0;
    int16_t drive = kNoCdromDrive;  // the driver's drive number (0 = A:); kNoCdromDrive: none
    uint32_t device_status = 0;
    uint8_t media_change = 0;
    uint32_t lead_out = 0;          // packed
    uint8_t track_count = 0;
    CdTime disc_end;
    uint8_t current_track = 0;
    CdTime current_position;
    uint8_t trigger_track = 0;
    CdTime trigger_time;
    std::array<int32_t, kCdMaxTracks + 1> track_start{};  // frames; index 0 unused
    std::array<int32_t, kCdMaxTracks + 1> track_end{};
    uint8_t play_state = kCdStopped;
    uint8_t disc_ready = 0;
    uint8_t position_request_ready = 0;
};

extern CdState cd_state;
extern uint16_t cd_buffer_selector;  // the DOS buffer of the driver requests; 0 = none
extern int cd_track_change_count;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_cdrom_test_globals();

void init_cdrom_for_test();
void free_dos_buffer(uint16_t selector);
bool test_cdrom();

// Conversions.
int32_t convert_msf_to_frames(int m, int s, int f);
CdTime convert_frames_to_msf(int32_t frames);
uint32_t pack_msf(int m, int s, int f);
CdTime unpack_msf(uint32_t packed);

// Device requests.
uint32_t get_cd_device_status();
uint8_t get_cd_media_change();
void get_cd_disc_info(uint8_t& track_count, uint32_t& lead_out);
void get_cd_track_info(int track, uint32_t& start, uint8_t& control);
void get_cd_position(int& track, int& m, int& s, int& f);
void eject_cd();
void close_cd_tray();
void play_cd_audio(int m, int s, int f);
void stop_cd_audio();
void read_cd_toc();

// The test's own steps.
void poll_cd_status_for_test();
void step_cd_track(int delta);
void restart_cd_at_track_1();
bool read_cd_time_for_test(int& h, int& m, int& s, int& f);
void draw_cd_track_info();

}  // namespace hwtest
