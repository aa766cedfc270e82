// The console's interrupt and DPMI services: protected-mode interrupt
// vectors (DOS int 21h functions 25h and 35h), a real-mode interrupt with a
// full register set (DPMI 0300h), the DPMI host's memory information (DPMI
// 050Bh), and the shared register block of the software-interrupt calls.
// None of them reports a failure: callers read the results from the register
// structure or the block.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/registers.h"

namespace runtime {

// The register block that the driver calls (mouse, DPMI DOS memory, the
// SMPTE/MIDI driver) fill before and read after platform::int386.
extern platform::Regs int_regs;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_dpmi_services_globals();

// The 050Bh information block: the second dword holds the bytes allocated,
// the third the bytes still available.
constexpr size_t kDpmiMemoryInfoBytes = 48;

void set_int_vector(uint8_t interrupt, uint16_t selector, uint32_t offset);
void get_int_vector(uint8_t interrupt, uint16_t& selector, uint32_t& offset);
// DPMI 0300h with BH = 0 and CX = 0 (no stack words copied); a null call does nothing.
void call_real_mode_int(uint8_t interrupt, platform::RealModeCall* call);
void get_dpmi_memory_info(std::span<uint8_t> block);

}  // namespace runtime
