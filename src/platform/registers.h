// Register images for the interrupt calls of the stand-in drivers.
//
// `Regs` is what a protected-mode interrupt call through the C library takes
// and gives back (the mouse driver, DPMI, the SMPTE/MIDI driver, BIOS time,
// DOS). `RealModeCall` is the 50-byte real-mode call structure that DPMI
// function 0300h fills before and reads after a simulated real-mode interrupt.
#pragma once
#include <cstddef>
#include <cstdint>

namespace platform {

struct Regs {
    uint32_t eax = 0, ebx = 0, ecx = 0, edx = 0, esi = 0, edi = 0, ebp = 0;
    uint16_t es = 0, ds = 0;
    bool carry = false;  // carry flag after the call: set means failure

    uint16_t ax() const { return static_cast<uint16_t>(eax); }
    uint16_t bx() const { return static_cast<uint16_t>(ebx); }
    uint16_t cx() const { return static_cast<uint16_t>(ecx); }
    uint16_t dx() const { return static_cast<uint16_t>(edx); }
    uint8_t ah() const { return static_cast<uint8_t>(eax >> 8); }
    uint8_t al() const { return static_cast<uint8_t>(eax); }
    void set_ax(uint16_t v) { eax = (eax & 0xFFFF0000u) | v; }
    void set_bx(uint16_t v) { ebx = (ebx & 0xFFFF0000u) | v; }
    void set_cx(uint16_t v) { ecx = (ecx & 0xFFFF0000u) | v; }
    void set_dx(uint16_t v) { edx = (edx & 0xFFFF0000u) | v; }
};

#pragma pack(push, 1)
struct RealModeCall {
    uint32_t edi = 0, esi = 0, ebp = 0, reserved = 0, ebx = 0, edx = 0, ecx = 0, eax = 0;
    uint16_t flags = 0, es = 0, ds = 0, fs = 0, gs = 0, ip = 0, cs = 0, sp = 0, ss = 0;
};
#pragma pack(pop)
static_assert(sizeof(RealModeCall) == 50, "the DPMI real-mode call structure is 50 bytes");
static_assert(offsetof(RealModeCall, eax) == 28 && offsetof(RealModeCall, flags) == 32 &&
              offsetof(RealModeCall, es) == 34 && offsetof(RealModeCall, ss) == 48);

constexpr uint16_t kCarryFlag = 0x0001;

}  // namespace platform
