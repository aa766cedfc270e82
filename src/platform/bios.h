// BIOS time of day (int 1Ah) and the CMOS memory (ports 70h/71h).
//
// Function 0 of int 1Ah gives the ticks since midnight in CX:DX, counted at
// 18.2 ticks a second from the machine's clock (trunc(ms * 18.2 / 1000)), and
// in AL whether a midnight has passed since the previous read (the flag is
// cleared by reading it). The CMOS holds the extended memory size in KB in
// registers 30h (low byte) and 31h (high byte).
#pragma once
#include <array>
#include <cstdint>

#include "platform/registers.h"

namespace platform {

constexpr uint16_t kPortCmosIndex = 0x70;
constexpr uint16_t kPortCmosData = 0x71;
constexpr size_t kCmosBytes = 128;
constexpr uint8_t kCmosExtendedMemoryLow = 0x30;
constexpr uint8_t kCmosExtendedMemoryHigh = 0x31;
constexpr uint16_t kDefaultExtendedMemoryKb = 31744;  // a 32 MB machine

constexpr std::array<uint8_t, kCmosBytes> power_on_cmos(uint16_t extended_memory_kb) {
    std::array<uint8_t, kCmosBytes> cmos{};
    cmos[kCmosExtendedMemoryLow] = static_cast<uint8_t>(extended_memory_kb);
    cmos[kCmosExtendedMemoryHigh] = static_cast<uint8_t>(extended_memory_kb >> 8);
    return cmos;
}

struct Bios {
    uint64_t midnights_reported = 0;  // midnights already signalled through AL
    std::array<uint8_t, kCmosBytes> cmos = power_on_cmos(kDefaultExtendedMemoryKb);
    uint8_t cmos_index = 0;           // register selected through port 70h
    // Test side: false makes the printer report not ready (no paper, offline).
    bool printer_ready = true;
};

// Ticks since midnight at the clock's present time of day.
uint32_t bios_ticks_since_midnight();
// DOS time of day (int 21h function 2Ch) in hundredths of a second since
// midnight: hours, minutes, seconds and hundredths as DOS gives them.
uint32_t dos_time_of_day_hundredths();
// Int 1Ah (function 0; other functions leave the registers as they are).
void bios_time_interrupt(Regs& regs);

// Test setting: the extended memory size the CMOS reports.
void set_extended_memory_kb(uint16_t extended_memory_kb);

// The BIOS printer service (int 17h) on printer port 0, for AH = function:
// 0 sends `byte` to the printer (the spool of platform/dos_files.h), 1
// initialises the port, 2 reads the status. Each returns the status byte:
// kPrinterReady (bit 7 not busy, bit 4 selected) when a spool is set and the
// printer is ready, else kPrinterError (bit 3, I/O error; nothing is sent).
constexpr uint8_t kPrinterFunctionSend = 0;
constexpr uint8_t kPrinterFunctionInit = 1;
constexpr uint8_t kPrinterFunctionStatus = 2;
constexpr uint8_t kPrinterReady = 0x90;
constexpr uint8_t kPrinterError = 0x08;
uint8_t bios_printer(uint8_t function, uint8_t byte);

uint8_t cmos_port_read(uint16_t port);
void cmos_port_write(uint16_t port, uint8_t value);

}  // namespace platform
