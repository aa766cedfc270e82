#include "host/sacn.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace host {

namespace {

constexpr std::array<uint8_t, 12> kAcnPacketIdentifier = {'A', 'S', 'C', '-', 'E', '1', '.', '1', '7', 0, 0, 0};
constexpr uint32_t kVectorRootData = 0x00000004;
constexpr uint32_t kVectorFramingData = 0x00000002;
constexpr uint8_t kVectorDmpSetProperty = 0x02;
constexpr size_t kRootLayerStart = 16;      // after preamble, postamble and identifier
constexpr size_t kFramingLayerStart = 38;
constexpr size_t kDmpLayerStart = 115;
constexpr uint16_t kSlots = 512;

void put16(SacnPacket& p, size_t at, uint16_t v) {
    p[at] = static_cast<uint8_t>(v >> 8);
    p[at + 1] = static_cast<uint8_t>(v);
}

void put32(SacnPacket& p, size_t at, uint32_t v) {
    put16(p, at, static_cast<uint16_t>(v >> 16));
    put16(p, at + 2, static_cast<uint16_t>(v));
}

// Flags (0x7) in the top four bits, the length of the layer from here to the end.
void put_flags_and_length(SacnPacket& p, size_t at) {
    put16(p, at, static_cast<uint16_t>(0x7000 | (kSacnPacketBytes - at)));
}

}  // namespace

SacnPacket build_sacn_packet(const SacnSource& source, uint16_t universe, uint8_t sequence,
                             std::span<const uint8_t> levels, uint8_t options) {
    SacnPacket p{};
    put16(p, 0, 0x0010);  // preamble size
    put16(p, 2, 0x0000);  // postamble size
    std::copy(kAcnPacketIdentifier.begin(), kAcnPacketIdentifier.end(), p.begin() + 4);
    put_flags_and_length(p, kRootLayerStart);
    put32(p, 18, kVectorRootData);
    std::copy(source.cid.begin(), source.cid.end(), p.begin() + 22);

    put_flags_and_length(p, kFramingLayerStart);
    put32(p, 40, kVectorFramingData);
    const size_t name_length = std::min<size_t>(source.name.size(), 63);
    std::memcpy(p.data() + 44, source.name.data(), name_length);  // NUL-padded to 64 bytes
    p[108] = source.priority;
    put16(p, 109, 0);  // no synchronisation
    p[111] = sequence;
    p[kSacnOptionsOffset] = options;
    put16(p, 113, universe);

    put_flags_and_length(p, kDmpLayerStart);
    p[117] = kVectorDmpSetProperty;
    p[118] = 0xA1;     // address and data type
    put16(p, 119, 0);  // first property address
    put16(p, 121, 1);  // address increment
    put16(p, 123, kSlots + 1);
    p[125] = 0;        // DMX start code
    const size_t count = std::min<size_t>(levels.size(), kSlots);
    std::copy(levels.begin(), levels.begin() + static_cast<std::ptrdiff_t>(count), p.begin() + 126);
    return p;
}

SacnSender::SacnSender(std::string destination) : destination_(std::move(destination)) {
    socket_ = ::socket(AF_INET, SOCK_DGRAM, 0);
    const char cid_text[] = "bravinox-console";  // a fixed identity: one console per host
    std::memcpy(source_.cid.data(), cid_text, source_.cid.size());
}

SacnSender::~SacnSender() {
    if (socket_ >= 0) ::close(socket_);
}

bool SacnSender::send(uint16_t universe, std::span<const uint8_t> levels) { return send_packet(universe, levels, 0); }

bool SacnSender::terminate(uint16_t universe, std::span<const uint8_t> levels) {
    bool sent = true;
    for (int i = 0; i < kSacnTerminationPackets; ++i) {
        sent = send_packet(universe, levels, kSacnOptionStreamTerminated) && sent;
    }
    return sent;
}

bool SacnSender::send_packet(uint16_t universe, std::span<const uint8_t> levels, uint8_t options) {
    if (socket_ < 0 || universe == 0 || universe >= sequence_.size()) return false;
    const SacnPacket packet = build_sacn_packet(source_, universe, sequence_[universe]++, levels, options);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(kSacnPort);
    if (destination_.empty()) {
        // The universe's multicast group 239.255.hi.lo.
        to.sin_addr.s_addr = htonl(0xEFFF0000u | universe);
    } else if (inet_pton(AF_INET, destination_.c_str(), &to.sin_addr) != 1) {
        return false;
    }
    const ssize_t sent = ::sendto(socket_, packet.data(), packet.size(), 0,
                                  reinterpret_cast<const sockaddr*>(&to), sizeof to);
    return sent == static_cast<ssize_t>(packet.size());
}

}  // namespace host
