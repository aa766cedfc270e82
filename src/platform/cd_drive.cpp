#include "platform/cd_drive.h"

#include "platform/cdrom.h"
#include "platform/machine.h"

namespace platform {

namespace {

using namespace cdrom_request;

constexpr uint32_t kStatusDoorOpen = 0x0001;
constexpr uint32_t kStatusAudio = 0x0010;
constexpr uint16_t kStatusBusy = 0x0200;
constexpr uint16_t kAudioPaused = 0x0001;

uint32_t get_u32(std::span<const uint8_t> b, size_t at) {
    return static_cast<uint32_t>(b[at]) | static_cast<uint32_t>(b[at + 1]) << 8 |
           static_cast<uint32_t>(b[at + 2]) << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

void put_u32(std::span<uint8_t> b, size_t at, uint32_t v) {
    for (size_t i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

void put_msf(std::span<uint8_t> b, size_t at, uint32_t frames) {
    b[at] = static_cast<uint8_t>(frames / 4500);
    b[at + 1] = static_cast<uint8_t>(frames / 75 % 60);
    b[at + 2] = static_cast<uint8_t>(frames % 75);
}

uint8_t to_bcd(int value) { return static_cast<uint8_t>(value / 10 << 4 | value % 10); }

bool disc_readable(const CdDrive& d) { return d.disc_loaded && !d.tray_open; }

// The play head; a play that reached its end stops there.
void follow_clock(CdDrive& d) {
    if (!d.playing) return;
    const uint64_t now = machine().clock.now_ms;
    const uint64_t elapsed = now >= d.play_started_ms ? now - d.play_started_ms : 0;
    const uint64_t at = d.play_from + elapsed * kCdFramesPerSecond / 1000;
    if (at >= d.play_end) {
        d.playing = false;
        d.head = d.play_end > 0 ? d.play_end - 1 : 0;
    }
}

int track_at(const CdDisc& disc, uint32_t frames) {
    int track = 1;
    for (int t = 1; t <= disc.track_count && t <= kCdMaxTracks; ++t) {
        if (disc.track_start[static_cast<size_t>(t)] <= frames) track = t;
    }
    return track;
}

uint16_t ioctl_input(CdDrive& d, std::span<uint8_t> r) {
    const uint8_t code = r[kControlBlock];
    switch (code) {
        case kDeviceStatus: {
            uint32_t status = kStatusAudio;
            if (d.tray_open) status |= kStatusDoorOpen;
            if (!disc_readable(d)) status |= kDeviceNoDisc;
            put_u32(r, kControlBlock + 1, status);
            return kCdromStatusDone;
        }
        case kMediaChanged:
            r[kControlBlock + 1] = d.media_changed ? 0xFF : 1;
            d.media_changed = false;
            return kCdromStatusDone;
        default: break;
    }
    if (!disc_readable(d)) return kCdromStatusError | kCdromStatusDone | 2;  // drive not ready
    const CdDisc& disc = d.disc;
    switch (code) {
        case kDiskInfo:
            r[kControlBlock + 1] = static_cast<uint8_t>(disc.first_track);
            r[kControlBlock + 2] = static_cast<uint8_t>(disc.first_track + disc.track_count - 1);
            put_u32(r, kControlBlock + 3, pack_msf_frames(disc.lead_out));
            return kCdromStatusDone;
        case kTrackInfo: {
            const int track = r[kControlBlock + 1] - disc.first_track + 1;
            if (track < 1 || track > disc.track_count || track > kCdMaxTracks) return kCdromStatusError | kCdromStatusDone;
            put_u32(r, kControlBlock + 2, pack_msf_frames(disc.track_start[static_cast<size_t>(track)]));
            r[kControlBlock + 6] = track == 1 && disc.first_track_data ? kControlDataTrack : 0;
            return kCdromStatusDone;
        }
        case kQChannel: {
            const uint32_t at = cd_drive_position(d);
            const int track = track_at(disc, at);
            const uint32_t start = disc.track_start[static_cast<size_t>(track)];
            r[kControlBlock + 1] = 0x01;  // audio, position in the Q channel
            r[kControlBlock + 2] = to_bcd(disc.first_track + track - 1);
            r[kControlBlock + 3] = 1;
            put_msf(r, kControlBlock + 4, at - start);
            r[kControlBlock + 7] = 0;
            put_msf(r, kControlBlock + 8, at);
            return kCdromStatusDone | (d.playing ? kStatusBusy : 0);
        }
        case kAudioStatus:
            r[kControlBlock + 1] = static_cast<uint8_t>(d.playing ? 0 : kAudioPaused);
            r[kControlBlock + 2] = 0;
            put_u32(r, kControlBlock + 3, pack_msf_frames(d.play_from));
            put_u32(r, kControlBlock + 7, pack_msf_frames(d.play_end));
            return kCdromStatusDone;
        default: return kCdromStatusError | kCdromStatusDone | 3;  // unknown command
    }
}

uint16_t ioctl_output(CdDrive& d, std::span<uint8_t> r) {
    switch (r[kControlBlock]) {
        case kEject:
            d.playing = false;
            d.tray_open = true;
            return kCdromStatusDone;
        case kCloseTray:
            if (d.tray_open && d.disc_loaded) d.media_changed = true;
            d.tray_open = false;
            return kCdromStatusDone;
        default: return kCdromStatusError | kCdromStatusDone | 3;
    }
}

uint16_t play_audio(CdDrive& d, std::span<uint8_t> r) {
    if (!disc_readable(d) || r[kAddressing] != 1) return kCdromStatusError | kCdromStatusDone | 2;
    const uint32_t from = unpack_msf_frames(get_u32(r, kPlayStart));
    const uint32_t sectors = get_u32(r, kPlaySectors);
    if (from >= d.disc.lead_out || sectors == 0) return kCdromStatusError | kCdromStatusDone;
    d.play_from = from;
    d.play_end = from + sectors < d.disc.lead_out ? from + sectors : d.disc.lead_out;
    d.play_started_ms = machine().clock.now_ms;
    d.playing = true;
    d.head = from;
    return kCdromStatusDone;
}

}  // namespace

CdDisc audio_disc(std::span<const uint32_t> track_seconds) {
    CdDisc disc;
    uint32_t at = kCdLeadInFrames;
    for (const uint32_t seconds : track_seconds) {
        if (disc.track_count >= kCdMaxTracks) break;
        ++disc.track_count;
        disc.track_start[static_cast<size_t>(disc.track_count)] = at;
        at += seconds * kCdFramesPerSecond;
    }
    disc.lead_out = at;
    return disc;
}

void plug_in_cd_drive(CdDrive* drive) {
    set_cdrom_request_handler(drive != nullptr ? &cd_drive_request : nullptr, drive);
}

uint32_t cd_drive_position(const CdDrive& drive) {
    if (!drive.playing) return drive.head;
    const uint64_t now = machine().clock.now_ms;
    const uint64_t elapsed = now >= drive.play_started_ms ? now - drive.play_started_ms : 0;
    const uint64_t at = drive.play_from + elapsed * kCdFramesPerSecond / 1000;
    return at < drive.play_end ? static_cast<uint32_t>(at) : (drive.play_end > 0 ? drive.play_end - 1 : 0);
}

void insert_cd(CdDrive& drive, const CdDisc& disc) {
    drive.disc = disc;
    drive.disc_loaded = true;
    drive.media_changed = true;
    drive.playing = false;
    drive.head = kCdLeadInFrames;
}

void remove_cd(CdDrive& drive) {
    drive.disc_loaded = false;
    drive.playing = false;
    drive.media_changed = true;
}

uint16_t cd_drive_request(void* context, uint16_t drive_number, std::span<uint8_t> request) {
    (void)drive_number;
    if (context == nullptr || request.size() < kControlBlock + 12) return kCdromStatusError | kCdromStatusDone;
    CdDrive& d = *static_cast<CdDrive*>(context);
    if (d.not_ready) return kCdromStatusError | kCdromStatusDone | 2;
    follow_clock(d);
    switch (request[kCommand]) {
        case kIoctlInput:
        case kIoctlOutput:
            // The control block must be where the transfer address points: offset 18 of the request.
            if ((get_u32(request, kTransfer) & 0xFFFF) != kControlBlock) return kCdromStatusError | kCdromStatusDone;
            return request[kCommand] == kIoctlInput ? ioctl_input(d, request) : ioctl_output(d, request);
        case kPlayAudio: return play_audio(d, request);
        case kStopAudio:
            if (d.playing) d.head = cd_drive_position(d);
            d.playing = false;
            return kCdromStatusDone;
        case kResumeAudio:
            if (!disc_readable(d) || d.head + 1 >= d.play_end) return kCdromStatusError | kCdromStatusDone;
            d.play_from = d.head;
            d.play_started_ms = machine().clock.now_ms;
            d.playing = true;
            return kCdromStatusDone;
        default: return kCdromStatusError | kCdromStatusDone | 3;
    }
}

}  // namespace platform
