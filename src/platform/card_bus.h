// Interface cards: memory windows and the firmware stand-in. (to be filled in)
#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace platform {

constexpr int kCardSlots = 4;
constexpr std::array<uint16_t, kCardSlots> kCardSegments = {0xC800, 0xCC00, 0xD000, 0xD400};

struct CardBus {
    // Bytes of the card window of slot 0..3; empty when no card is fitted there.
    std::span<uint8_t> window(int slot);
    // Called as the clock moves: advances each card's millisecond counter.
    void elapse_ms(uint32_t ms);
};

}  // namespace platform
