// The CD-ROM extension driver's entry on int 2Fh.
//
// AX = 1500h (installation check): BX = number of CD-ROM drives (0 when no
// driver is there), CX = the first drive's letter index (0 = A:).
// AX = 1510h (send device request): CX = drive, ES:BX = the request. The
// driver logs the request bytes, hands the request to the request handler
// when one is plugged in, and writes the status word (bytes 3-4 of the
// request header): the handler's answer, or "done" (bit 8) without one. A
// drive that is not a CD-ROM drive gets carry set and AX = 000Fh.
// Other functions leave the registers as they are.
#pragma once
#include <array>
#include <cstdint>
#include <span>

#include "platform/recent_log.h"
#include "platform/registers.h"

namespace platform {

constexpr size_t kCdromRequestBytes = 160;  // the size of the console's request buffer
constexpr size_t kCdromStatusOffset = 3;
constexpr uint16_t kCdromStatusDone = 0x0100;
constexpr uint16_t kCdromStatusError = 0x8000;
constexpr uint16_t kCdromInvalidDrive = 0x000F;
constexpr size_t kCdromLogEntries = 16;

// The device requests' layout and codes, as the driver's interface publishes
// them: the header's command byte, the addressing mode and the transfer
// address (or PLAY AUDIO's start and sector count), and the IOCTL control
// block with its code byte at offset 18.
namespace cdrom_request {
constexpr size_t kCommand = 2;
constexpr size_t kAddressing = 13;
constexpr size_t kTransfer = 14;
constexpr size_t kControlBlock = 18;
constexpr size_t kPlayStart = 14;
constexpr size_t kPlaySectors = 18;
constexpr uint8_t kRedBook = 1;  // addressing mode of PLAY AUDIO

constexpr uint8_t kIoctlInput = 3;
constexpr uint8_t kIoctlOutput = 12;
constexpr uint8_t kPlayAudio = 132;
constexpr uint8_t kStopAudio = 133;
constexpr uint8_t kResumeAudio = 136;

constexpr uint8_t kDeviceStatus = 6;  // IOCTL input codes
constexpr uint8_t kMediaChanged = 9;
constexpr uint8_t kDiskInfo = 10;
constexpr uint8_t kTrackInfo = 11;
constexpr uint8_t kQChannel = 12;
constexpr uint8_t kAudioStatus = 15;
constexpr uint8_t kEject = 0;  // IOCTL output codes
constexpr uint8_t kCloseTray = 5;

constexpr uint32_t kDeviceNoDisc = 0x0800;  // device status bit 11
constexpr uint8_t kControlDataTrack = 0x40;  // track control byte bit 6
}  // namespace cdrom_request

// One request as the driver received it.
struct CdromRequest {
    uint16_t drive = 0;
    uint16_t segment = 0;  // ES: a segment from real mode, a selector from protected mode
    uint16_t offset = 0;   // BX
    uint16_t length = 0;   // bytes kept (fewer when ES ends before 160 bytes)
    std::array<uint8_t, kCdromRequestBytes> bytes{};
};

// The request handler: works on the request in place and returns its status
// word.
using CdromRequestHandler = uint16_t (*)(void* context, uint16_t drive, std::span<uint8_t> request);

struct CdromDriver {
    bool installed = true;       // test setting: false means no driver (BX = 0)
    uint16_t drive_count = 1;
    uint16_t first_drive = 3;    // D:
    CdromRequestHandler handler = nullptr;
    void* handler_context = nullptr;
    RecentLog<CdromRequest, kCdromLogEntries> requests;
};

// Int 2Fh; es_bytes is the memory that ES reaches (a real-mode segment or a
// selector's memory).
void cdrom_interrupt(Regs& regs, std::span<uint8_t> es_bytes);

// Plugs the request handler in (nullptr takes it out).
void set_cdrom_request_handler(CdromRequestHandler handler, void* context);

}  // namespace platform
