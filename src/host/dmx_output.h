// The DMX universes of the interface cards leaving the console.
//
// Universe n is the n-th half of the cards in the configuration's numbering
// (2 x slot + half: 1 and 2 are the card at C800h). A universe goes out when
// its card has sent a new frame with other levels, so at the DMX frame rate
// while levels change, and again every second while nothing changes. When the
// console ends, every universe that went out is ended once. During a fixture
// firmware upload every data byte the card takes goes out as a frame of its
// own (the byte in slot 1, the other slots 0), none skipped.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <span>

#include "platform/machine.h"

namespace host {

constexpr uint64_t kDmxRefresh_ms = 1000;

// Where a universe goes: the sACN sender in a real run, a recorder in tests.
using UniverseSink = std::function<void(uint16_t universe, std::span<const uint8_t> levels)>;

class DmxOutput {
public:
    explicit DmxOutput(UniverseSink sink) : sink_(std::move(sink)) {}
    // Looks at the cards' sent frames; called from the host's pump.
    void send_changes(const platform::Machine& machine);
    // Hands each universe sent so far, with its last levels, to end; nothing
    // goes out afterwards.
    void end_streams(const UniverseSink& end);

private:
    static constexpr size_t kUniverses = 2 * platform::kCardSlots;
    void send_upload_bytes(const platform::Machine& machine, int slot, int half);
    UniverseSink sink_;
    std::array<uint32_t, platform::kCardSlots> frames_seen_{};
    std::array<std::array<uint8_t, platform::kDmxChannels>, kUniverses> last_sent_{};
    std::array<uint64_t, kUniverses> last_sent_ms_{};
    std::array<bool, kUniverses> sent_{};
    std::array<uint32_t, kUniverses> upload_serial_seen_{};
    std::array<size_t, kUniverses> upload_bytes_sent_{};
    bool ended_ = false;
};

}  // namespace host
