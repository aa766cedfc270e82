#include "sync/cd_requests.h"

#include "platform/cdrom.h"
#include "platform/interrupts.h"
#include "platform/selectors.h"

namespace synchro {

CdState cd_state;

void reset_cd_requests_globals() { cd_state = {}; }

namespace {

using namespace platform::cdrom_request;

constexpr uint8_t kMultiplexInterrupt = 0x2F;
constexpr uint16_t kInstallationCheck = 0x1500;
constexpr uint16_t kSendDeviceRequest = 0x1510;
constexpr uint16_t kBufferParagraphs = 10;
constexpr uint32_t kBufferBytes = 160;

// Request header and control block (offsets from the buffer's start).
constexpr uint32_t kHeaderLength = 0;
constexpr uint32_t kSubUnit = 1;
constexpr uint8_t kHeaderBytes = 13;

constexpr int32_t kBackToPreviousFrames = 150;  // 2 s

void poke(uint32_t offset, uint8_t value) { platform::far_poke_byte(cd_state.buffer_selector, offset, value); }
uint8_t peek(uint32_t offset) { return platform::far_peek_byte(cd_state.buffer_selector, offset); }
uint32_t peek_u32(uint32_t offset) { return platform::far_peek_dword(cd_state.buffer_selector, offset); }

bool can_send() { return cd_state.drive != kNoCdDrive && cd_state.buffer_selector != 0; }

// A fresh request: the header, and every byte after it cleared, so that no
// answer of an earlier request can be read as this one's. IOCTL requests
// carry the far address of their control block at offset 18.
void write_header(uint8_t command, bool ioctl) {
    cd_state.position_request_ready = 0;
    for (uint32_t i = 0; i < kBufferBytes; ++i) poke(i, 0);
    poke(kHeaderLength, kHeaderBytes);
    poke(kSubUnit, 0);
    poke(kCommand, command);
    if (ioctl) {
        platform::far_poke_dword(cd_state.buffer_selector, kTransfer,
                                 static_cast<uint32_t>(cd_state.buffer_segment) << 16 | kControlBlock);
    }
}

// Sends the request in the buffer; false when the driver set the error bit.
bool call_driver() {
    platform::far_poke_word(cd_state.buffer_selector, platform::kCdromStatusOffset, 0);
    platform::RealModeCall call;
    call.eax = kSendDeviceRequest;
    call.ecx = static_cast<uint32_t>(cd_state.drive);
    call.es = cd_state.buffer_segment;
    call.ebx = 0;
    platform::call_real_mode_int(kMultiplexInterrupt, &call);
    return (platform::far_peek_word(cd_state.buffer_selector, platform::kCdromStatusOffset) & platform::kCdromStatusError) == 0;
}

// An IOCTL request with its control code and the byte after it.
bool ioctl_request(uint8_t command, uint8_t code, uint8_t argument = 0) {
    write_header(command, true);
    poke(kControlBlock, code);
    poke(kControlBlock + 1, argument);
    return call_driver();
}

bool plain_request(uint8_t command) {
    write_header(command, false);
    return call_driver();
}

// Two BCD digits; -1 when either is no decimal digit.
int from_bcd(uint8_t bcd) {
    const int high = bcd >> 4;
    const int low = bcd & 0x0F;
    return high > 9 || low > 9 ? -1 : high * 10 + low;
}

void clear_disc() {
    cd_state.lead_out = 0;
    cd_state.first_track = 0;
    cd_state.track_count = 0;
    cd_state.disc_end = CdTime{};
    cd_state.current_track = 0;
    cd_state.current_position = CdTime{};
    cd_state.trigger_track = 0;
    cd_state.trigger_time = CdTime{};
    cd_state.track_start = {};
    cd_state.track_end = {};
    cd_state.disc_ready = 0;
}

bool outside_track(int track, int32_t frames) {
    const size_t t = static_cast<size_t>(track);
    return frames < cd_state.track_start[t] || frames > cd_state.track_end[t];
}

// Reads the disc's table into starts (1..count) and the lead-out after it;
// false when it is no audio disc this layer can play.
bool read_track_table(std::array<int32_t, kCdMaxTracks + 2>& starts, int& lowest, int& count, uint32_t& lead_out) {
    if ((get_cd_device_status() & kCdStatusNoDisc) != 0) return false;
    int highest = 0;
    if (!get_cd_disc_info(lowest, highest, lead_out)) return false;
    count = highest - lowest + 1;
    if (lowest < 1 || count < 1 || count > kCdMaxTracks) return false;
    uint32_t start = 0;
    uint8_t control = 0;
    if (!get_cd_track_info(lowest, start, control) || (control & kControlDataTrack) != 0) return false;
    for (int t = 1; t <= count; ++t) {
        if (!get_cd_track_info(lowest + t - 1, start, control)) return false;
        starts[static_cast<size_t>(t)] = convert_msf_to_frames(unpack_msf(start));
    }
    starts[static_cast<size_t>(count) + 1] = convert_msf_to_frames(unpack_msf(lead_out));
    // Tracks must follow one another and end before the lead-out.
    for (size_t t = 1; t <= static_cast<size_t>(count); ++t) {
        if (starts[t + 1] <= starts[t]) return false;
    }
    return true;
}

}  // namespace

// --- conversions ------------------------------------------------------------------

int32_t convert_msf_to_frames(int m, int s, int f) { return m * kCdFramesPerMinute + s * kCdFramesPerSecond + f; }

int32_t convert_msf_to_frames(const CdTime& t) { return convert_msf_to_frames(t.minutes, t.seconds, t.frames); }

CdTime convert_frames_to_msf(int32_t frames) {
    CdTime t;
    if (frames < 0) frames = 0;
    t.minutes = static_cast<uint16_t>(frames / kCdFramesPerMinute);
    t.seconds = static_cast<uint16_t>((frames - kCdFramesPerMinute * t.minutes) / kCdFramesPerSecond);
    t.frames = static_cast<int16_t>(frames - kCdFramesPerMinute * t.minutes - kCdFramesPerSecond * t.seconds);
    return t;
}

uint32_t pack_msf(int m, int s, int f) {
    return static_cast<uint32_t>(m & 0xFF) << 16 | static_cast<uint32_t>(s & 0xFF) << 8 | static_cast<uint32_t>(f & 0xFF);
}

CdTime unpack_msf(uint32_t packed) {
    CdTime t;
    t.minutes = static_cast<uint16_t>(packed >> 16 & 0xFF);
    t.seconds = static_cast<uint16_t>(packed >> 8 & 0xFF);
    t.frames = static_cast<int16_t>(packed & 0xFF);
    return t;
}

// --- buffer and start ---------------------------------------------------------------

bool alloc_dos_buffer(uint16_t& segment, uint16_t& selector) {
    if (platform::dpmi_allocate_dos_memory(kBufferParagraphs, segment, selector)) return true;
    segment = 0;
    selector = 0;
    return false;
}

void free_dos_buffer(uint16_t selector) {
    if (selector != 0) platform::dpmi_free_dos_memory(selector);
}

void init_cdrom() {
    cd_state = CdState{};
    if (!alloc_dos_buffer(cd_state.buffer_segment, cd_state.buffer_selector)) return;
    platform::RealModeCall check;
    check.eax = kInstallationCheck;
    platform::call_real_mode_int(kMultiplexInterrupt, &check);
    if ((check.ebx & 0xFFFF) == 0) return;
    cd_state.drive = static_cast<int16_t>(check.ecx & 0xFFFF);
    read_cd_toc();
    stop_cd_audio();
}

// --- device requests ----------------------------------------------------------------

uint32_t get_cd_device_status() {
    if (!can_send()) return kCdStatusNoDisc;
    cd_state.device_status = ioctl_request(kIoctlInput, kDeviceStatus) ? peek_u32(kControlBlock + 1)
                                                                                : kCdStatusNoDisc;
    return cd_state.device_status;
}

uint8_t get_cd_media_change() {
    if (!can_send()) return 0;
    cd_state.media_change = ioctl_request(kIoctlInput, kMediaChanged) ? peek(kControlBlock + 1) : 0;
    return cd_state.media_change;
}

bool get_cd_disc_info(int& lowest, int& highest, uint32_t& lead_out) {
    if (!can_send() || !ioctl_request(kIoctlInput, kDiskInfo)) return false;
    lowest = peek(kControlBlock + 1);
    highest = peek(kControlBlock + 2);
    lead_out = peek_u32(kControlBlock + 3);
    return true;
}

bool get_cd_track_info(int disc_track, uint32_t& start, uint8_t& control) {
    if (!can_send() || !ioctl_request(kIoctlInput, kTrackInfo, static_cast<uint8_t>(disc_track))) return false;
    start = peek_u32(kControlBlock + 2);
    control = peek(kControlBlock + 6);
    return true;
}

bool get_cd_position(int& track, int& m, int& s, int& f) {
    if (!can_send()) return false;
    if (cd_state.position_request_ready == 0) {
        write_header(kIoctlInput, true);
        poke(kControlBlock, kQChannel);
        cd_state.position_request_ready = 1;
    }
    if (!call_driver()) return false;
    const int disc_track = from_bcd(peek(kControlBlock + 2));
    const int table_track = disc_track - cd_state.first_track + 1;
    track = disc_track >= 0 && valid_cd_track(table_track) ? table_track : 0;
    m = peek(kControlBlock + 8);
    s = peek(kControlBlock + 9);
    f = peek(kControlBlock + 10);
    return true;
}

void eject_cd() {
    if (can_send()) ioctl_request(kIoctlOutput, kEject);
}

void close_cd_tray() {
    if (can_send()) ioctl_request(kIoctlOutput, kCloseTray);
}

void play_cd_audio(int m, int s, int f) {
    if (!can_send()) return;
    write_header(kPlayAudio, false);
    poke(kAddressing, kRedBook);
    platform::far_poke_dword(cd_state.buffer_selector, kPlayStart, pack_msf(m, s, f));
    const int32_t last_end = valid_cd_track(cd_state.track_count) ? cd_state.track_end[cd_state.track_count] : 0;
    const int32_t sectors = last_end - convert_msf_to_frames(m, s, f) + 1;
    platform::far_poke_dword(cd_state.buffer_selector, kPlaySectors, static_cast<uint32_t>(sectors > 0 ? sectors : 0));
    // A play the drive refuses leaves the disc as it was.
    if (call_driver()) cd_state.play_state = kCdPlaying;
}

void stop_cd_audio() {
    if (!can_send()) return;
    plain_request(kStopAudio);
    cd_state.play_state = cd_state.play_state == kCdPlaying ? kCdPaused : kCdStopped;
}

void resume_cd_audio() {
    if (can_send() && plain_request(kResumeAudio)) cd_state.play_state = kCdPlaying;
}

// --- the disc table -------------------------------------------------------------------

void read_cd_toc() {
    get_cd_media_change();
    std::array<int32_t, kCdMaxTracks + 2> starts{};
    int lowest = 0;
    int count = 0;
    uint32_t lead_out = 0;
    if (!can_send() || !read_track_table(starts, lowest, count, lead_out)) {
        clear_disc();
        return;
    }
    cd_state.lead_out = lead_out;
    cd_state.first_track = static_cast<uint8_t>(lowest);
    cd_state.track_count = static_cast<uint8_t>(count);
    cd_state.track_start = {};
    cd_state.track_end = {};
    for (size_t t = 1; t <= static_cast<size_t>(count); ++t) {
        cd_state.track_start[t] = starts[t];
        cd_state.track_end[t] = starts[t + 1] - 1;
    }
    cd_state.disc_end = convert_frames_to_msf(cd_state.track_end[static_cast<size_t>(count)]);

    if (!valid_cd_track(cd_state.current_track)) cd_state.current_track = 1;
    if (outside_track(cd_state.current_track, cd_position_frames())) go_to_cd_track_start(cd_state.current_track);
    if (!valid_cd_track(cd_state.trigger_track)) cd_state.trigger_track = 1;
    if (outside_track(cd_state.trigger_track, convert_msf_to_frames(cd_state.trigger_time))) {
        cd_state.trigger_time = cd_state.current_position;
    }
    cd_state.disc_ready = 1;
}

bool get_cd_track_times(int track, int32_t& start, int32_t& end) {
    if (!valid_cd_track(track)) return false;
    start = cd_state.track_start[static_cast<size_t>(track)];
    end = cd_state.track_end[static_cast<size_t>(track)];
    return true;
}

bool check_cd_disc() {
    if ((get_cd_device_status() & kCdStatusNoDisc) == 0) {
        if (get_cd_media_change() != kCdMediaChanged) return false;
        read_cd_toc();
        if (cd_state.disc_ready != 0 && cd_state.play_state == kCdPlaying) play_cd_from_current_position();
        return true;
    }
    if (cd_state.disc_ready == 0) return false;
    cd_state.disc_ready = 0;
    return true;
}

// --- table helpers ----------------------------------------------------------------------

bool valid_cd_track(int track) { return track >= 1 && track <= cd_state.track_count && track <= kCdMaxTracks; }

int32_t cd_position_frames() { return convert_msf_to_frames(cd_state.current_position); }

void go_to_cd_track_start(int track) {
    if (!valid_cd_track(track)) return;
    cd_state.current_track = static_cast<uint8_t>(track);
    cd_state.current_position = convert_frames_to_msf(cd_state.track_start[static_cast<size_t>(track)]);
}

int cd_track_after_step(int n) {
    int track = cd_state.current_track;
    if (n >= 0) {
        track += n;
    } else {
        const int32_t start = valid_cd_track(track) ? cd_state.track_start[static_cast<size_t>(track)] : 0;
        if (cd_position_frames() < start + kBackToPreviousFrames) track += n;
    }
    if (track > cd_state.track_count) track = 1;
    if (track < 1) track = cd_state.track_count;
    return track;
}

void play_cd_from_current_position() {
    const CdTime& p = cd_state.current_position;
    play_cd_audio(p.minutes, p.seconds, p.frames);
}

}  // namespace synchro
