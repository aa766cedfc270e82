// SMPTE/MIDI interface card: its window and its driver's interrupt 68h. (to be filled in)
#pragma once
#include <cstdint>
#include <span>

#include "platform/registers.h"

namespace platform {

struct SyncCard {
    bool fitted = false;
    uint16_t segment = 0xD800;  // real-mode segment of its window
    std::span<uint8_t> window() { return {}; }
    void elapse_ms(uint32_t) {}
};

// The driver's interrupt 68h (AX = 55AAh probe, AX = 0 command).
void sync_driver_interrupt(Regs& regs);

}  // namespace platform
