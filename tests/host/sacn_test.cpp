#include "host/sacn.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

uint16_t get16(const host::SacnPacket& p, size_t at) { return static_cast<uint16_t>(p[at] << 8 | p[at + 1]); }
uint32_t get32(const host::SacnPacket& p, size_t at) {
    return static_cast<uint32_t>(get16(p, at)) << 16 | get16(p, at + 2);
}

TEST(Sacn, DataPacketFieldsSitAtTheirOffsets) {
    host::SacnSource source;
    source.name = "CONSOLE A";
    source.cid.fill(0x5A);
    std::vector<uint8_t> levels(512, 0);
    levels[0] = 255;
    levels[16] = 128;
    levels[511] = 7;
    const host::SacnPacket p = host::build_sacn_packet(source, 2, 41, levels);

    EXPECT_EQ(get16(p, 0), 0x0010);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&p[4]), 9), "ASC-E1.17");
    EXPECT_EQ(get16(p, 16), 0x7000 | 622);  // root layer length
    EXPECT_EQ(get32(p, 18), 4u);
    EXPECT_EQ(p[22], 0x5A);
    EXPECT_EQ(get16(p, 38), 0x7000 | 600);  // framing layer length
    EXPECT_EQ(get32(p, 40), 2u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&p[44])), "CONSOLE A");
    EXPECT_EQ(p[108], 100);
    EXPECT_EQ(p[111], 41);
    EXPECT_EQ(get16(p, 113), 2);
    EXPECT_EQ(get16(p, 115), 0x7000 | 523);  // DMP layer length
    EXPECT_EQ(p[117], 0x02);
    EXPECT_EQ(p[118], 0xA1);
    EXPECT_EQ(get16(p, 121), 1);
    EXPECT_EQ(get16(p, 123), 513);
    EXPECT_EQ(p[125], 0);  // start code
    EXPECT_EQ(p[126], 255);
    EXPECT_EQ(p[126 + 16], 128);
    EXPECT_EQ(p[126 + 511], 7);
}

// A UDP socket on the sACN port of a loopback address; -1 when the port is taken.
int open_listener(const char* address) {
    const int listener = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (listener < 0) return -1;
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(host::kSacnPort);
    inet_pton(AF_INET, address, &at.sin_addr);
    int reuse = 1;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    if (::bind(listener, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0) {
        ::close(listener);
        return -1;
    }
    timeval timeout{2, 0};
    setsockopt(listener, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    return listener;
}

TEST(Sacn, SenderDeliversToALoopbackListenerWithRisingSequence) {
    const int listener = open_listener("127.0.0.1");
    if (listener < 0) GTEST_SKIP() << "the sACN port is taken on this machine";

    host::SacnSender sender("127.0.0.1");
    ASSERT_TRUE(sender.open());
    std::vector<uint8_t> levels(512, 9);
    ASSERT_TRUE(sender.send(1, levels));
    ASSERT_TRUE(sender.send(1, levels));
    host::SacnPacket first{}, second{};
    ASSERT_EQ(::recv(listener, first.data(), first.size(), 0), static_cast<ssize_t>(first.size()));
    ASSERT_EQ(::recv(listener, second.data(), second.size(), 0), static_cast<ssize_t>(second.size()));
    ::close(listener);
    EXPECT_EQ(get16(first, 113), 1);
    EXPECT_EQ(first[126], 9);
    EXPECT_EQ(static_cast<uint8_t>(second[111] - first[111]), 1);
}

TEST(Sacn, TerminationIsThreePacketsWithTheStreamTerminatedOption) {
    const char* address = "127.0.0.61";  // a loopback address of this test alone
    const int listener = open_listener(address);
    if (listener < 0) GTEST_SKIP() << "the sACN port is taken on this machine";
    host::SacnSender sender(address);
    std::vector<uint8_t> levels(512, 0);
    levels[3] = 200;
    ASSERT_TRUE(sender.send(2, levels));
    ASSERT_TRUE(sender.terminate(2, levels));
    std::vector<host::SacnPacket> got(1 + host::kSacnTerminationPackets);
    for (host::SacnPacket& p : got) {
        ASSERT_EQ(::recv(listener, p.data(), p.size(), 0), static_cast<ssize_t>(p.size()));
    }
    ::close(listener);
    EXPECT_EQ(got[0][host::kSacnOptionsOffset], 0);
    for (size_t i = 1; i < got.size(); ++i) {
        EXPECT_EQ(got[i][host::kSacnOptionsOffset], host::kSacnOptionStreamTerminated) << i;
        EXPECT_EQ(get16(got[i], 113), 2) << i;
        EXPECT_EQ(got[i][126 + 3], 200) << i;
        EXPECT_EQ(static_cast<uint8_t>(got[i][111] - got[i - 1][111]), 1) << "sequence goes on";
    }
}

TEST(Sacn, RefusesABadDestinationAndUniverse) {
    host::SacnSender bad("not-an-address");
    std::vector<uint8_t> levels(512, 0);
    EXPECT_FALSE(bad.send(1, levels));
    host::SacnSender good("127.0.0.1");
    EXPECT_FALSE(good.send(0, levels));
    EXPECT_FALSE(good.send(64000, levels));
}

}  // namespace
