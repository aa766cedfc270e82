// The card firmware's side of a fixture firmware upload, through the
// program's view of the card (selectors): the command cell of each line,
// the data byte counted and acknowledged after the set delay, each byte
// sent on the line as a frame of its own, and the levels back after the end.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/machine.h"
#include "platform/selectors.h"

namespace platform {
namespace {

struct Line {
    int half;
    uint32_t command, data, ack;
};
constexpr Line kLines[] = {{1, 0x3FE0, 0x488, 0x3FE2}, {2, 0x3FE1, 0x48C, 0x3FE3}};
constexpr uint32_t kCounter = 0x3FE4;

class CardUpload : public ::testing::Test {
protected:
    void SetUp() override {
        install_machine(m.get());
        m->cards.fit(0);
        bool carry = true;
        selector = dpmi_segment_to_selector(0xC800, carry);
        ASSERT_FALSE(carry);
    }
    void TearDown() override { install_machine(nullptr); }
    void send(const Line& line, uint8_t byte) {
        far_poke_byte(selector, line.data, byte);
        far_poke_byte(selector, line.command, 4);
    }
    std::unique_ptr<Machine> m = std::make_unique<Machine>();
    uint16_t selector = 0;
};

TEST_F(CardUpload, EachByteIsCountedAcknowledgedAndSentOnItsLine) {
    for (const Line& line : kLines) {
        far_poke_word(selector, kCounter, 77);
        far_poke_byte(selector, line.command, 3);
        EXPECT_EQ(far_peek_word(selector, kCounter), 0) << "a new upload counts from 0";
        for (const uint8_t byte : {0x12, 0x12, 0xFE}) {
            const uint32_t frames = m->cards.frames_sent(0);
            send(line, byte);
            EXPECT_EQ(far_peek_byte(selector, line.ack), 0xAA);
            far_poke_byte(selector, line.ack, 0);
            EXPECT_EQ(m->cards.frames_sent(0), frames + 1);
            EXPECT_EQ(m->cards.sent_frame(0, line.half)[0], byte);
            EXPECT_EQ(m->cards.sent_frame(0, line.half)[1], 0);
        }
        EXPECT_EQ(far_peek_word(selector, kCounter), 3);
        const std::span<const uint8_t> taken = m->cards.uploaded_bytes(0, line.half);
        EXPECT_EQ(std::vector<uint8_t>(taken.begin(), taken.end()), (std::vector<uint8_t>{0x12, 0x12, 0xFE}));
        m->advance_ms(100);
        EXPECT_EQ(m->cards.sent_frame(0, line.half)[0], 0xFE) << "the line keeps carrying the upload";
        far_poke_byte(selector, line.command, 0);
        m->cards.poke_byte(0, static_cast<uint32_t>(m->cards.peek_word(0, 0x400) - kCardAddressBase) + 0x200u * (line.half - 1u), 9);
        m->advance_ms(100);
        EXPECT_EQ(m->cards.sent_frame(0, line.half)[0], 9) << "levels again after command 0";
    }
    EXPECT_EQ(m->cards.upload_serial(0, 1), 1u);
    EXPECT_EQ(m->cards.upload_serial(0, 2), 1u);
}

TEST_F(CardUpload, TheAcknowledgementFollowsTheDelayAndANewByteReplacesAPendingOne) {
    const Line& line = kLines[0];
    m->cards.set_upload_ack_delay_ms(0, 15);
    far_poke_byte(selector, line.command, 3);
    send(line, 1);
    EXPECT_EQ(far_peek_word(selector, kCounter), 1) << "counted at once";
    m->advance_ms(14);
    EXPECT_EQ(far_peek_byte(selector, line.ack), 0);
    send(line, 2);  // the program gave up waiting for byte 1
    m->advance_ms(14);
    EXPECT_EQ(far_peek_byte(selector, line.ack), 0) << "byte 1's acknowledgement never answers byte 2";
    m->advance_ms(1);
    EXPECT_EQ(far_peek_byte(selector, line.ack), 0xAA);
    EXPECT_EQ(far_peek_word(selector, kCounter), 2);
}

TEST_F(CardUpload, ASilentCardTakesNothing) {
    m->cards.set_upload_silent(0, true);
    far_poke_byte(selector, kLines[0].command, 3);
    send(kLines[0], 5);
    m->advance_ms(100);
    EXPECT_EQ(far_peek_byte(selector, kLines[0].ack), 0);
    EXPECT_EQ(far_peek_word(selector, kCounter), 0);
    EXPECT_TRUE(m->cards.uploaded_bytes(0, 1).empty());
}

}  // namespace
}  // namespace platform
