#include "platform/bios.h"

#include "platform/dos_files.h"
#include "platform/machine.h"

namespace platform {

namespace {

constexpr uint8_t kCmosIndexMask = 0x7F;  // bit 7 of port 70h switches NMI, not the index

// 18.2 ticks a second: ms * 182 / 10000 is exact.
constexpr uint64_t kTicksPer10s = 182;
constexpr uint64_t kMsPer10s = 10000;

}  // namespace

uint32_t bios_ticks_since_midnight() {
    const uint64_t ms = machine().clock.time_of_day_ms();
    return static_cast<uint32_t>(ms * kTicksPer10s / kMsPer10s);
}

uint32_t dos_time_of_day_hundredths() { return machine().clock.time_of_day_ms() / 10; }

void bios_time_interrupt(Regs& regs) {
    if (regs.ah() != 0x00) return;
    Machine& m = machine();
    const uint32_t ticks = bios_ticks_since_midnight();
    regs.set_cx(static_cast<uint16_t>(ticks >> 16));
    regs.set_dx(static_cast<uint16_t>(ticks));
    const uint64_t days = m.clock.days_passed();
    const bool midnight_passed = days > m.bios.midnights_reported;
    m.bios.midnights_reported = days;
    regs.eax = (regs.eax & 0xFFFFFF00u) | (midnight_passed ? 1u : 0u);
}

void set_extended_memory_kb(uint16_t extended_memory_kb) {
    auto& cmos = machine().bios.cmos;
    cmos[kCmosExtendedMemoryLow] = static_cast<uint8_t>(extended_memory_kb);
    cmos[kCmosExtendedMemoryHigh] = static_cast<uint8_t>(extended_memory_kb >> 8);
}

uint8_t bios_printer(uint8_t function, uint8_t byte) {
    const Machine& m = machine();
    const bool ready = m.bios.printer_ready && !m.dos.printer_spool.empty();
    if (!ready) return kPrinterError;
    if (function == kPrinterFunctionSend && !printer_append(&byte, 1)) return kPrinterError;
    return kPrinterReady;
}

uint8_t cmos_port_read(uint16_t port) {
    const Bios& b = machine().bios;
    if (port != kPortCmosData) return 0;  // the index port cannot be read back
    return b.cmos[b.cmos_index & kCmosIndexMask];
}

void cmos_port_write(uint16_t port, uint8_t value) {
    Bios& b = machine().bios;
    if (port == kPortCmosIndex) {
        b.cmos_index = value & kCmosIndexMask;
    } else if (port == kPortCmosData) {
        b.cmos[b.cmos_index & kCmosIndexMask] = value;
    }
}

}  // namespace platform
