// Interrupt vectors, the protected-mode interrupt call and the DPMI services.
//
// The vector table holds 256 (selector, offset) pairs, set and read through
// DOS int 21h functions 25h and 35h. A C++ handler becomes a vector when it is
// registered: it gets a (selector, offset) pair in the program's code selector,
// and running that vector runs the function. At power-on int 9 holds the BIOS
// keyboard handler, so a program that installs its own handler can chain to
// the previous one.
//
// int386() is the C library's protected-mode interrupt call. It reaches the
// stand-in drivers: 31h DPMI, 33h mouse, 68h SMPTE/MIDI driver, 1Ah BIOS time,
// 21h DOS vectors, 2Fh CD-ROM. Any other interrupt sets carry.
#pragma once
#include <array>
#include <cstdint>
#include <span>

#include "platform/registers.h"
#include "platform/selectors.h"

namespace platform {

using InterruptHandler = void (*)();

struct IntVector {
    uint16_t selector = 0;
    uint32_t offset = 0;
    bool operator==(const IntVector&) const = default;
};

constexpr int kInterruptCount = 256;
constexpr int kMaxInterruptHandlers = 16;
// Selectors beyond every index of the descriptor table, so they never clash
// with a data selector handed out by DPMI 0002h or 0100h.
constexpr uint16_t kProgramCodeSelector = selector_for_index(kMaxDescriptors);
constexpr uint16_t kBiosCodeSelector = selector_for_index(kMaxDescriptors + 1);
constexpr uint32_t kFirstHandlerOffset = 0x1000;
constexpr uint32_t kHandlerOffsetStep = 0x10;
constexpr uint32_t kBiosKeyboardOffset = 0xE987;

// The 050Bh memory information block: 48 bytes, of which the console reads the
// second dword (bytes allocated) and the third (bytes still available).
constexpr size_t kDpmiMemoryInfoBytes = 48;
constexpr uint32_t kDefaultDpmiAllocatedBytes = 2 * 1024 * 1024;
constexpr uint32_t kDefaultDpmiAvailableBytes = 30 * 1024 * 1024;

constexpr std::array<IntVector, kInterruptCount> power_on_vectors() {
    std::array<IntVector, kInterruptCount> vectors{};
    vectors[9] = IntVector{kBiosCodeSelector, kBiosKeyboardOffset};
    return vectors;
}

struct InterruptTable {
    std::array<IntVector, kInterruptCount> vectors = power_on_vectors();
    // Slot i runs at (kProgramCodeSelector, kFirstHandlerOffset + i * kHandlerOffsetStep).
    std::array<InterruptHandler, kMaxInterruptHandlers> handlers{};
    // The DPMI host's memory budget as 050Bh reports it; tests set both.
    uint32_t dpmi_allocated_bytes = kDefaultDpmiAllocatedBytes;
    uint32_t dpmi_available_bytes = kDefaultDpmiAvailableBytes;
};

// The vector that runs handler (registered on first use). {0, 0} for a null
// handler or when every handler slot is taken.
IntVector handler_vector(InterruptHandler handler);
// Runs the handler behind a vector, as an interrupt call through it does: the
// way a handler chains to the previous one. An unknown pair does nothing.
void call_int_handler(uint16_t selector, uint32_t offset);
// A hardware interrupt: runs whatever the vector of interrupt holds.
void raise_interrupt(uint8_t interrupt);

// The C library's protected-mode interrupt call.
void int386(uint8_t interrupt, Regs& regs);

// The four services of the console, each through its platform call.
void set_int_vector(uint8_t interrupt, uint16_t selector, uint32_t offset);       // int 21h AH=25h
void get_int_vector(uint8_t interrupt, uint16_t& selector, uint32_t& offset);     // int 21h AH=35h
void call_real_mode_int(uint8_t interrupt, RealModeCall* call);                   // DPMI 0300h
void get_dpmi_memory_info(std::span<uint8_t> block);                              // DPMI 050Bh

// A real-mode interrupt as DPMI 0300h runs it: 2Fh CD-ROM, 33h mouse, 1Ah BIOS
// time, 68h SMPTE/MIDI driver; any other sets the carry flag in call.flags.
void simulate_real_mode_int(uint8_t interrupt, RealModeCall& call);

}  // namespace platform
