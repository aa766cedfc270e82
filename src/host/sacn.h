// DMX output over the network as sACN (E1.31) data packets.
//
// Each DMX universe of the interface cards goes out as one universe: when
// the card sends a new frame, and again every second while nothing changes.
// The packet is written field by field in network order. When the console
// ends, each universe it sent is ended with three packets that carry the
// Stream_Terminated option, so receivers release it at once instead of
// holding the last look until their own time-out.
#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace host {

constexpr size_t kSacnPacketBytes = 638;
constexpr uint16_t kSacnPort = 5568;
constexpr size_t kSacnOptionsOffset = 112;
// Bits of the framing layer's options byte.
constexpr uint8_t kSacnOptionStreamTerminated = 0x40;
constexpr int kSacnTerminationPackets = 3;
using SacnPacket = std::array<uint8_t, kSacnPacketBytes>;

struct SacnSource {
    std::array<uint8_t, 16> cid{};  // component identifier of this console
    std::string name = "bravinox";
    uint8_t priority = 100;
};

// One data packet for a universe (1..63999) with 512 slots of levels.
SacnPacket build_sacn_packet(const SacnSource& source, uint16_t universe, uint8_t sequence,
                             std::span<const uint8_t> levels, uint8_t options = 0);

// A UDP sender to one destination (unicast address, or the universe's
// multicast group when the address is empty).
class SacnSender {
public:
    explicit SacnSender(std::string destination);
    ~SacnSender();
    SacnSender(const SacnSender&) = delete;
    SacnSender& operator=(const SacnSender&) = delete;
    bool open() const { return socket_ >= 0; }
    bool send(uint16_t universe, std::span<const uint8_t> levels);
    // The universe's last packets: kSacnTerminationPackets with the
    // Stream_Terminated option, the levels as last sent.
    bool terminate(uint16_t universe, std::span<const uint8_t> levels);

private:
    bool send_packet(uint16_t universe, std::span<const uint8_t> levels, uint8_t options);

    int socket_ = -1;
    std::string destination_;
    SacnSource source_;
    std::array<uint8_t, 64000> sequence_{};
};

}  // namespace host
