// Interface cards as the console program sees them: through selectors and the
// card cells, with the firmware stand-in playing the other side.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/machine.h"

namespace platform {
namespace {

constexpr uint32_t kSignatureCell = 6;
constexpr uint32_t kVersionCell = 1258;
constexpr uint32_t kKeyBaseCell = 0x420;
constexpr uint32_t kKeyReadCell = 0x422;
constexpr uint32_t kKeyWriteCell = 0x424;
constexpr uint32_t kLedBaseCell = 0x428;
constexpr uint32_t kLedReadCell = 0x42A;
constexpr uint32_t kLedWriteCell = 0x42C;
constexpr uint32_t kClockCell = 0x4A6;

class CardTest : public ::testing::Test {
protected:
    void SetUp() override {
        m = std::make_unique<Machine>();
        install_machine(m.get());
    }
    void TearDown() override { install_machine(nullptr); }

    static uint16_t selector_for(uint16_t segment) {
        bool carry = true;
        const uint16_t selector = dpmi_segment_to_selector(segment, carry);
        EXPECT_FALSE(carry);
        return selector;
    }

    // The key reader's step: one word at the read pointer, read pointer
    // advanced and wrapped at base + 32, written back.
    static bool program_take_key(uint16_t sel, uint16_t& word) {
        const uint16_t base = far_peek_word(sel, kKeyBaseCell);
        uint16_t read = far_peek_word(sel, kKeyReadCell);
        const uint16_t write = far_peek_word(sel, kKeyWriteCell);
        if (read == write) return false;
        word = far_peek_word(sel, read - 0x4000u);
        read = static_cast<uint16_t>(read + 2);
        if (read == base + 32) read = base;
        far_poke_word(sel, kKeyReadCell, read);
        return true;
    }

    // The LED setter's step: room test, word at the write pointer, write
    // pointer advanced and wrapped at base + 96.
    static bool program_send_led(uint16_t sel, uint16_t word) {
        const uint16_t base = far_peek_word(sel, kLedBaseCell);
        const uint16_t read = far_peek_word(sel, kLedReadCell);
        uint16_t write = far_peek_word(sel, kLedWriteCell);
        const bool room = write == read || (write > read && write - read < 88) || (write < read && read - write > 8);
        if (!room) return false;
        far_poke_word(sel, write - 0x4000u, word);
        write = static_cast<uint16_t>(write + 2);
        if (write == base + 96) write = base;
        far_poke_word(sel, kLedWriteCell, write);
        return true;
    }

    static std::string peek_text(uint16_t sel, uint32_t offset, size_t length) {
        std::string text;
        for (size_t i = 0; i < length; ++i) text.push_back(static_cast<char>(far_peek_byte(sel, offset + static_cast<uint32_t>(i))));
        return text;
    }

    static void poke_text(uint16_t sel, uint32_t offset, const std::string& text) {
        for (size_t i = 0; i < text.size(); ++i) far_poke_byte(sel, offset + static_cast<uint32_t>(i), static_cast<uint8_t>(text[i]));
    }

    std::unique_ptr<Machine> m;
};

TEST_F(CardTest, PowerOnIdentityAndOptionsReadThroughTheSelector) {
    CardSettings settings;
    settings.firmware_version = {'3', '3', '4'};
    settings.options = 0x1F;
    settings.options_2 = 0x40;
    ASSERT_TRUE(m->cards.fit(1, settings));
    const uint16_t sel = selector_for(0xCC00);

    EXPECT_EQ(peek_text(sel, kSignatureCell, 8), "ZELKCARD");
    EXPECT_EQ(peek_text(sel, kVersionCell, 3), "334");
    EXPECT_EQ(far_peek_byte(sel, 1126), 0x1F);
    EXPECT_EQ(far_peek_byte(sel, 1127), 0x40);
    // Every pointer the program reads at start is a card address.
    for (uint32_t cell : {0x400u, 0x402u, 0x404u, 0x406u, 0x408u, 0x40Au, 0x40Cu, 0x40Eu, 0x420u, 0x428u, 0x430u,
                          0x490u, 0x492u}) {
        EXPECT_GE(far_peek_word(sel, cell), 0x4000) << "cell " << cell;
    }
    // The key FIFO and the LED ring start empty.
    EXPECT_EQ(far_peek_word(sel, kKeyReadCell), far_peek_word(sel, kKeyBaseCell));
    EXPECT_EQ(far_peek_word(sel, kKeyWriteCell), far_peek_word(sel, kKeyBaseCell));
    EXPECT_EQ(far_peek_word(sel, kLedReadCell), far_peek_word(sel, kLedBaseCell));
    EXPECT_EQ(far_peek_word(sel, kLedWriteCell), far_peek_word(sel, kLedBaseCell));
}

TEST_F(CardTest, FirmwareVersionDigitsAreKeptAsGiven) {
    CardSettings settings;
    settings.firmware_version = {'3', '3', 'A'};
    m->cards.fit(0, settings);
    settings.firmware_version = {0, 0, 0};
    m->cards.fit(3, settings);
    const uint16_t sel_a = selector_for(0xC800);
    const uint16_t sel_b = selector_for(0xD400);
    EXPECT_EQ(peek_text(sel_a, kVersionCell, 3), "33A");
    EXPECT_EQ(far_peek_byte(sel_b, kVersionCell), 0);
    EXPECT_EQ(far_peek_byte(sel_b, kVersionCell + 2), 0);
}

TEST(FirmwareVersion, ParsesAsTheProgramReadsIt) {
    struct Case {
        std::array<uint8_t, 3> digits;
        int value;
    };
    const std::vector<Case> cases = {
        {{'3', '3', '5'}, 335}, {{'3', '3', '4'}, 334}, {{' ', '4', '2'}, 42}, {{'3', '3', 'A'}, 33},
        {{0, 0, 0}, 0},         {{'-', '1', '2'}, -12}, {{'+', '7', 'x'}, 7},  {{'A', '3', '5'}, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(parse_firmware_version(c.digits), c.value) << c.digits[0] << c.digits[1];
}

TEST_F(CardTest, AbsentCardReadsZeroAndDropsWrites) {
    m->cards.fit(0);
    const uint16_t absent = selector_for(0xD000);
    ASSERT_NE(absent, 0);
    EXPECT_TRUE(m->cards.window(2).empty());
    EXPECT_EQ(far_peek_byte(absent, kSignatureCell), 0);
    EXPECT_EQ(far_peek_dword(absent, kClockCell), 0u);

    const std::vector<uint8_t> before(m->cards.window(0).begin(), m->cards.window(0).end());
    far_poke_word(absent, kSignatureCell, 0x4141);
    far_poke_dword(absent, kClockCell, 0x12345678);
    EXPECT_EQ(far_peek_byte(absent, kSignatureCell), 0);
    const std::vector<uint8_t> after(m->cards.window(0).begin(), m->cards.window(0).end());
    EXPECT_EQ(before, after);

    // Test calls on an empty slot are refused as well.
    EXPECT_FALSE(m->cards.press(2, 0, 0));
    EXPECT_FALSE(m->cards.set_master_fader(2, 1, 10));
    EXPECT_EQ(m->cards.lcd_line(2, 0, 0), "");
    EXPECT_FALSE(m->cards.fit(4));
    EXPECT_FALSE(m->cards.fit(-1));
}

TEST_F(CardTest, RemovedCardDisappearsFromItsWindow) {
    m->cards.fit(1);
    const uint16_t sel = selector_for(0xCC00);
    ASSERT_EQ(peek_text(sel, kSignatureCell, 8), "ZELKCARD");
    m->cards.remove(1);
    EXPECT_FALSE(m->cards.fitted(1));
    EXPECT_EQ(far_peek_byte(sel, kSignatureCell), 0);
}

TEST_F(CardTest, CellsAreLittleEndianThroughTheSelector) {
    m->cards.fit(0);
    const uint16_t sel = selector_for(0xC800);
    // Card parameter F and the parameter byte, as the parameter upload writes them.
    far_poke_word(sel, 0x480, 0x1234);
    far_poke_byte(sel, 0x4A4, 176);
    EXPECT_EQ(m->cards.peek_byte(0, 0x480), 0x34);
    EXPECT_EQ(m->cards.peek_byte(0, 0x481), 0x12);
    EXPECT_EQ(m->cards.peek_word(0, 0x480), 0x1234);
    EXPECT_EQ(m->cards.peek_byte(0, 0x4A4), 176);
    // A status word set by the test reads back through the selector.
    m->cards.poke_word(0, 0x472, 0xAAAA);
    EXPECT_EQ(far_peek_word(sel, 0x472), 0xAAAA);
    // Trackerball mode bit: read-modify-write of bit 5 of 0x4DF.
    far_poke_byte(sel, 0x4DF, static_cast<uint8_t>(far_peek_byte(sel, 0x4DF) | 0x20));
    EXPECT_EQ(m->cards.peek_byte(0, 0x4DF), 0x20);
}

TEST_F(CardTest, TestSideAccessOutsideTheStoreIsRefused) {
    m->cards.fit(0);
    const std::vector<uint8_t> before(m->cards.window(0).begin(), m->cards.window(0).end());
    m->cards.poke_byte(0, kCardStoreBytes, 1);
    m->cards.poke_word(0, kCardStoreBytes - 1, 0xFFFF);
    m->cards.poke_word(0, 0xFFFFFFFFu, 0xFFFF);  // offset + 1 must not wrap to 0
    m->cards.poke_byte(7, 0, 1);
    const std::vector<uint8_t> after(m->cards.window(0).begin(), m->cards.window(0).end());
    EXPECT_EQ(before, after);

    m->cards.poke_byte(0, 0, 0x11);
    m->cards.poke_byte(0, kCardStoreBytes - 1, 0x22);
    EXPECT_EQ(m->cards.peek_word(0, kCardStoreBytes - 1), 0);
    EXPECT_EQ(m->cards.peek_word(0, 0xFFFFFFFFu), 0);
    EXPECT_EQ(m->cards.peek_dword(0, 0xFFFFFFFEu), 0u);
    EXPECT_EQ(m->cards.peek_byte(0, kCardStoreBytes - 1), 0x22);
}

// Both DMX "cards" on one interface card reach their buffers through the
// same pointer cells: half 1 at p - 4000h, half 2 at p - 3E00h (byte
// buffers) or p - 3C00h (word tables). Every one of the sixteen buffers
// must be a place of its own that overlaps no cell, table or display.
TEST_F(CardTest, HalvesOfOneCardReachSeparateBuffers) {
    m->cards.fit(1, CardSettings{{'3', '3', '5'}, 0x1F, 0, false});
    const uint16_t sel = selector_for(0xCC00);

    struct Buffer {
        uint32_t offset;
        uint32_t bytes;
    };
    std::vector<Buffer> buffers;
    for (uint32_t cell : {0x400u, 0x40Cu, 0x40Eu}) {
        const uint32_t p = far_peek_word(sel, cell);
        buffers.push_back({p - 0x4000, 512});
        buffers.push_back({p - 0x3E00, 512});
    }
    for (uint32_t cell : {0x40Au, 0x402u, 0x404u, 0x406u, 0x408u}) {
        const uint32_t p = far_peek_word(sel, cell);
        buffers.push_back({p - 0x4000, 1024});
        buffers.push_back({p - 0x3C00, 1024});
    }
    // Fill every buffer with its own number, then check each kept it.
    for (size_t b = 0; b < buffers.size(); ++b) {
        for (uint32_t i = 0; i < buffers[b].bytes; ++i) far_poke_byte(sel, buffers[b].offset + i, static_cast<uint8_t>(b + 1));
    }
    for (size_t b = 0; b < buffers.size(); ++b) {
        uint32_t kept = 0;
        for (uint32_t i = 0; i < buffers[b].bytes; ++i) {
            kept += static_cast<size_t>(far_peek_byte(sel, buffers[b].offset + i)) == b + 1 ? 1u : 0u;
        }
        EXPECT_EQ(kept, buffers[b].bytes) << "buffer " << b;
    }
    // Cells, tables and displays are untouched.
    EXPECT_EQ(peek_text(sel, kSignatureCell, 8), "ZELKCARD");
    EXPECT_EQ(peek_text(sel, kVersionCell, 3), "335");
    EXPECT_EQ(far_peek_byte(sel, 0x2000), 255);
    EXPECT_EQ(far_peek_byte(sel, 0x1E05), 5);
    EXPECT_EQ(m->cards.lcd_line(1, 8, 3), std::string(20, ' '));
    EXPECT_EQ(far_peek_word(sel, kKeyBaseCell), far_peek_word(sel, kKeyWriteCell));

    // The output buffers are the ones the firmware sends.
    EXPECT_EQ(m->cards.dmx_output(1, 1, 1), 1);
    EXPECT_EQ(m->cards.dmx_output(1, 2, 512), 2);
}

TEST_F(CardTest, DmxOutputAndInputOfBothHalves) {
    m->cards.fit(2);
    const uint16_t sel = selector_for(0xD000);
    const uint16_t out = far_peek_word(sel, 0x400);
    const uint16_t in = far_peek_word(sel, 0x40C);
    // Card channel 17 of half 1 and of half 2.
    far_poke_byte(sel, out - 0x4000u + 16, 200);
    far_poke_byte(sel, out - 0x3E00u + 16, 77);
    EXPECT_EQ(m->cards.dmx_output(2, 1, 17), 200);
    EXPECT_EQ(m->cards.dmx_output(2, 2, 17), 77);

    ASSERT_TRUE(m->cards.set_dmx_input(2, 1, 512, 9));
    ASSERT_TRUE(m->cards.set_dmx_input(2, 2, 1, 250));
    EXPECT_EQ(far_peek_byte(sel, in - 0x4000u + 511), 9);
    EXPECT_EQ(far_peek_byte(sel, in - 0x3E00u), 250);

    EXPECT_FALSE(m->cards.set_dmx_input(2, 3, 1, 1));
    EXPECT_FALSE(m->cards.set_dmx_input(2, 1, 0, 1));
    EXPECT_FALSE(m->cards.set_dmx_input(2, 1, 513, 1));
    EXPECT_EQ(m->cards.dmx_output(2, 0, 17), 0);
    EXPECT_EQ(m->cards.dmx_output(2, 1, 513), 0);
}

TEST_F(CardTest, CurrentFirmwareSendsTheBufferAsItStands) {
    m->cards.fit(0, CardSettings{{'3', '3', '5'}, 0, 0, false});
    const uint16_t sel = selector_for(0xC800);
    const uint16_t out = far_peek_word(sel, 0x400);
    const uint16_t back = far_peek_word(sel, 0x40E);
    // Tables uploaded anyway must not matter from 335 on.
    far_poke_byte(sel, 0x2000 + 16, 128);
    far_poke_byte(sel, out - 0x4000u + 16, 255);
    far_poke_byte(sel, out - 0x3E00u + 16, 100);

    EXPECT_EQ(far_peek_byte(sel, back - 0x4000u + 16), 0);  // nothing sent yet
    m->cards.send(0);
    EXPECT_EQ(far_peek_byte(sel, back - 0x4000u + 16), 255);
    EXPECT_EQ(far_peek_byte(sel, back - 0x3E00u + 16), 100);
    EXPECT_EQ(m->cards.sent_frame(0, 1)[16], 255);
    EXPECT_EQ(m->cards.sent_frame(0, 2)[16], 100);
    EXPECT_EQ(m->cards.frames_sent(0), 1u);
}

// Each DMX address of a half sends the buffer position that the first of its
// four protocol word tables names (tables at the pointer cells 402h..408h,
// the second half's 400h above); power-on maps protocol 1 one-to-one.
TEST_F(CardTest, ProtocolWordTablesPickThePositionEachAddressSends) {
    m->cards.fit(0, CardSettings{{'3', '3', '8'}, 0, 0, false});
    const uint16_t sel = selector_for(0xC800);
    const uint32_t out = far_peek_word(sel, 0x400) - 0x4000u;
    const uint32_t back = far_peek_word(sel, 0x40E) - 0x4000u;
    const auto table = [&](int t, int half) {
        return far_peek_word(sel, 0x402 + 2 * static_cast<uint32_t>(t - 1)) - 0x4000u + 0x400u * (half - 1);
    };
    for (uint32_t q = 0; q < 512; ++q) {
        far_poke_byte(sel, out + q, static_cast<uint8_t>(q % 200 + 1));
        far_poke_byte(sel, out + 0x200 + q, static_cast<uint8_t>(q % 100 + 101));
    }
    m->cards.send(0);
    EXPECT_EQ(m->cards.sent_frame(0, 1)[57], 58);   // power-on: address 58 sends position 58
    EXPECT_EQ(m->cards.sent_frame(0, 2)[511], 112);

    struct Case {
        int half;
        int address;
        std::array<uint16_t, 4> words;  // tables 1..4 at the address
        uint8_t sent;
    };
    const std::vector<Case> cases = {
        {1, 100, {58, 0, 0, 0}, 58},     // a moved fixture: address 100 carries position 58
        {1, 58, {0, 0, 0, 0}, 0},        // no protocol names a position: 0
        {1, 7, {0, 3, 9, 0}, 3},         // protocol 2 feeds where 1 is empty; the first wins
        {1, 8, {513, 0, 0, 12}, 12},     // a word past the card's 512 positions names none
        {2, 1, {0, 0, 0, 512}, 112},     // the second half's own tables and buffer
        {2, 2, {0, 0, 0, 0}, 0},
    };
    for (const Case& c : cases) {
        for (int t = 1; t <= 4; ++t) {
            far_poke_word(sel, table(t, c.half) + 2 * static_cast<uint32_t>(c.address - 1), c.words[static_cast<size_t>(t - 1)]);
        }
    }
    m->cards.send(0);
    for (const Case& c : cases) {
        const size_t a = static_cast<size_t>(c.address - 1);
        EXPECT_EQ(m->cards.sent_frame(0, c.half)[a], c.sent) << "half " << c.half << " address " << c.address;
        EXPECT_EQ(m->cards.dmx_sent(0, c.half, c.address), c.sent) << "half " << c.half << " address " << c.address;
    }
    // The read-back buffer stays by position, where the program reads it.
    EXPECT_EQ(far_peek_byte(sel, back + 57), 58);
    EXPECT_EQ(m->cards.dmx_output(0, 1, 100), 100);
    EXPECT_EQ(m->cards.dmx_sent(0, 1, 0), 0);
    EXPECT_EQ(m->cards.dmx_sent(0, 3, 1), 0);
}

// Firmware below 335 applies the uploaded custom curve and scale of the card
// channel; one set of tables serves both halves of the card.
TEST_F(CardTest, OlderFirmwareAppliesUploadedCurvesAndScales) {
    m->cards.fit(0, CardSettings{{'3', '3', '4'}, 0, 0, false});
    const uint16_t sel = selector_for(0xC800);
    const uint16_t out = far_peek_word(sel, 0x400);
    // Custom curve 2 inverted, as an upload would write it.
    for (uint32_t i = 0; i < 256; ++i) far_poke_byte(sel, 0x1E00 + i, static_cast<uint8_t>(255 - i));

    struct Case {
        int channel;
        uint8_t flag;
        uint8_t scale;
        uint8_t level;
        uint8_t sent;
    };
    const std::vector<Case> cases = {
        {1, 0, 128, 255, 128}, {2, 0, 128, 100, 50}, {3, 0, 155, 51, 31},  {4, 0, 0, 200, 0},
        {5, 0, 255, 77, 77},   {6, 2, 255, 55, 200}, {7, 2, 128, 55, 100}, {8, 1, 255, 42, 42},
        {9, 4, 255, 42, 42},
    };
    for (const Case& c : cases) {
        const uint32_t q = static_cast<uint32_t>(c.channel - 1);
        far_poke_byte(sel, 0x1B00 + q, c.flag);
        far_poke_byte(sel, 0x2000 + q, c.scale);
        far_poke_byte(sel, out - 0x4000u + q, c.level);
        far_poke_byte(sel, out - 0x3E00u + q, c.level);
    }
    far_poke_word(sel, 0x464, 666);
    m->cards.send(0);
    for (const Case& c : cases) {
        const size_t q = static_cast<size_t>(c.channel - 1);
        EXPECT_EQ(m->cards.sent_frame(0, 1)[q], c.sent) << "channel " << c.channel;
        EXPECT_EQ(m->cards.sent_frame(0, 2)[q], c.sent) << "channel " << c.channel;
        // The output buffer keeps the level the program wrote.
        EXPECT_EQ(m->cards.dmx_output(0, 1, c.channel), c.level);
    }
    // Before any upload a channel goes out unchanged.
    far_poke_byte(sel, out - 0x4000u + 300, 90);
    m->cards.send(0);
    EXPECT_EQ(m->cards.sent_frame(0, 1)[300], 90);
}

TEST_F(CardTest, UnreadableVersionCountsAsOlderFirmware) {
    m->cards.fit(0, CardSettings{{'3', '3', 'A'}, 0, 0, false});
    const uint16_t sel = selector_for(0xC800);
    far_poke_byte(sel, 0x2000, 128);
    far_poke_byte(sel, far_peek_word(sel, 0x400) - 0x4000u, 255);
    m->cards.send(0);
    EXPECT_EQ(m->cards.sent_frame(0, 1)[0], 128);
}

TEST_F(CardTest, FramesAreSentAsTheClockRuns) {
    m->cards.fit(0);
    m->cards.fit(3);
    const uint16_t sel = selector_for(0xD400);
    const uint16_t out = far_peek_word(sel, 0x400);
    const uint16_t back = far_peek_word(sel, 0x40E);
    far_poke_byte(sel, out - 0x4000u, 33);
    m->advance_ms(kDmxFramePeriodMs - 1);
    EXPECT_EQ(m->cards.frames_sent(3), 0u);
    EXPECT_EQ(far_peek_byte(sel, back - 0x4000u), 0);
    m->advance_ms(1);
    EXPECT_EQ(m->cards.frames_sent(3), 1u);
    EXPECT_EQ(far_peek_byte(sel, back - 0x4000u), 33);
    m->advance_ms(10 * kDmxFramePeriodMs);
    EXPECT_EQ(m->cards.frames_sent(3), 11u);
    EXPECT_EQ(m->cards.frames_sent(0), 11u);
}

TEST_F(CardTest, MillisecondCounterFollowsTheClockAndRestartsFromZero) {
    m->cards.fit(0);
    m->cards.fit(2);
    const uint16_t first = selector_for(0xC800);
    const uint16_t third = selector_for(0xD000);
    m->advance_ms(250);
    EXPECT_EQ(far_peek_dword(first, kClockCell), 250u);
    EXPECT_EQ(far_peek_dword(third, kClockCell), 250u);

    far_poke_dword(first, kClockCell, 0);  // reset_card_clock
    m->advance_ms(40);
    EXPECT_EQ(far_peek_dword(first, kClockCell), 40u);
    EXPECT_EQ(far_peek_dword(third, kClockCell), 290u);

    far_poke_dword(first, kClockCell, 0xFFFFFFF0u);
    m->advance_ms(0x20);
    EXPECT_EQ(far_peek_dword(first, kClockCell), 0x10u);
}

TEST_F(CardTest, KeyWordsEnterTheFifoWithTheirBits) {
    m->cards.fit(0);
    const uint16_t sel = selector_for(0xC800);
    ASSERT_TRUE(m->cards.press(0, 2, 10));
    ASSERT_TRUE(m->cards.release(0, 2, 10));
    ASSERT_TRUE(m->cards.push_key_word(0, 0x8F63));
    EXPECT_FALSE(m->cards.press(0, 128, 0));
    EXPECT_FALSE(m->cards.release(0, 0, 256));

    std::vector<uint16_t> words;
    uint16_t word = 0;
    while (program_take_key(sel, word)) words.push_back(word);
    EXPECT_EQ(words, (std::vector<uint16_t>{0x820A, 0x020A, 0x8F63}));
}

// Fifteen words fill the sixteen-word FIFO (a full FIFO must not look empty);
// further words wait and enter as the program makes room, and both pointers
// wrap at base + 32.
TEST_F(CardTest, KeyFifoWrapsAndKeepsWordsThatFindItFull) {
    m->cards.fit(0);
    const uint16_t sel = selector_for(0xC800);
    const uint16_t base = far_peek_word(sel, kKeyBaseCell);
    for (uint16_t k = 0; k < 20; ++k) ASSERT_TRUE(m->cards.push_key_word(0, static_cast<uint16_t>(0x8000 + k)));
    EXPECT_EQ(far_peek_word(sel, kKeyWriteCell), base + 30);
    EXPECT_EQ(m->cards.key_backlog(0), 5);

    std::vector<uint16_t> words;
    uint16_t word = 0;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(program_take_key(sel, word));
        words.push_back(word);
    }
    m->advance_ms(1);  // the firmware fills the room the program made
    EXPECT_EQ(m->cards.key_backlog(0), 2);
    EXPECT_EQ(far_peek_word(sel, kKeyWriteCell), base + 4);  // wrapped
    while (program_take_key(sel, word)) words.push_back(word);
    EXPECT_EQ(far_peek_word(sel, kKeyReadCell), base + 4);  // wrapped as well
    m->advance_ms(1);
    while (program_take_key(sel, word)) words.push_back(word);

    ASSERT_EQ(words.size(), 20u);
    for (uint16_t k = 0; k < 20; ++k) EXPECT_EQ(words[k], 0x8000 + k);
    EXPECT_EQ(m->cards.key_backlog(0), 0);
}

TEST_F(CardTest, KeyBacklogHasALimit) {
    m->cards.fit(0);
    int accepted = 0;
    while (m->cards.push_key_word(0, 0x8001) && accepted < 1000) ++accepted;
    EXPECT_EQ(accepted, 15 + kKeyBacklogWords);
    EXPECT_EQ(m->cards.key_backlog(0), kKeyBacklogWords);
}

TEST_F(CardTest, KeyFifoAtZeroWaitsForTheProgramToPlaceIt) {
    CardSettings settings;
    settings.key_fifo_base_zero = true;
    m->cards.fit(0, settings);
    const uint16_t sel = selector_for(0xC800);
    EXPECT_EQ(far_peek_word(sel, kKeyBaseCell), 0);
    ASSERT_TRUE(m->cards.press(0, 1, 5));
    m->advance_ms(1);
    EXPECT_EQ(m->cards.key_backlog(0), 1);
    EXPECT_EQ(far_peek_word(sel, kKeyWriteCell), 0);

    // The memory map read finds an empty FIFO at 7F40h.
    for (uint32_t cell : {kKeyBaseCell, kKeyReadCell, kKeyWriteCell}) far_poke_word(sel, cell, 0x7F40);
    m->advance_ms(1);
    EXPECT_EQ(far_peek_word(sel, kKeyWriteCell), 0x7F42);
    EXPECT_EQ(far_peek_word(sel, 0x3F40), 0x8105);
}

// A key macro rewrites six words from the base and both pointers; the
// firmware goes on from the new write pointer.
TEST_F(CardTest, KeyMacroRewriteOfTheWholeFifoIsAccepted) {
    m->cards.fit(0);
    const uint16_t sel = selector_for(0xC800);
    const uint16_t base = far_peek_word(sel, kKeyBaseCell);
    for (int k = 0; k < 7; ++k) m->cards.press(0, 3, k);  // discarded by the macro

    const std::vector<uint16_t> macro = {0x820A, 0x020A, 0x8112, 0x0112, 0x8002, 0x0002};  // macro 3
    for (uint32_t i = 0; i < macro.size(); ++i) far_poke_word(sel, base - 0x4000u + 2 * i, macro[i]);
    far_poke_word(sel, kKeyReadCell, base);
    far_poke_word(sel, kKeyWriteCell, static_cast<uint16_t>(base + 12));
    m->cards.press(0, 0, 7);

    std::vector<uint16_t> words;
    uint16_t word = 0;
    while (program_take_key(sel, word)) words.push_back(word);
    std::vector<uint16_t> expected = macro;
    expected.push_back(0x8007);
    EXPECT_EQ(words, expected);
}

TEST_F(CardTest, FirmwareLightsLedsFromTheRing) {
    m->cards.fit(0);
    const uint16_t sel = selector_for(0xC800);
    ASSERT_TRUE(program_send_led(sel, 0x8000 | (3 << 8) | 12));           // lit
    ASSERT_TRUE(program_send_led(sel, 0xC000 | (4 << 8) | 40));           // blinking
    ASSERT_TRUE(program_send_led(sel, 0x8000 | (15 << 8) | 99));          // lit
    // The firmware takes words as time passes, or as the program looks at the
    // read pointer (as the sender does before each word): the last word waits.
    EXPECT_EQ(m->cards.led(0, 15, 99), LedState::off);
    m->advance_ms(1);
    EXPECT_EQ(m->cards.led(0, 3, 12), LedState::lit);
    EXPECT_EQ(m->cards.led(0, 4, 40), LedState::blinking);
    EXPECT_EQ(m->cards.led(0, 15, 99), LedState::lit);
    EXPECT_EQ(far_peek_word(sel, kLedReadCell), far_peek_word(sel, kLedWriteCell));

    ASSERT_TRUE(program_send_led(sel, (3 << 8) | 12));  // off
    m->advance_ms(1);
    EXPECT_EQ(m->cards.led(0, 3, 12), LedState::off);
    EXPECT_EQ(m->cards.led(0, 4, 40), LedState::blinking);

    ASSERT_TRUE(program_send_led(sel, 0x7000));  // reset of all key LEDs
    m->advance_ms(1);
    EXPECT_EQ(m->cards.led(0, 4, 40), LedState::off);
    EXPECT_EQ(m->cards.led(0, 15, 99), LedState::off);
    EXPECT_EQ(m->cards.led_words_consumed(0),
              (std::vector<uint16_t>{0x830C, 0xC428, 0x8F63, 0x030C, 0x7000}));
}

TEST_F(CardTest, LedRingWrapsAtBasePlus96) {
    m->cards.fit(0);
    const uint16_t sel = selector_for(0xC800);
    const uint16_t base = far_peek_word(sel, kLedBaseCell);
    std::vector<uint16_t> sent;
    for (int i = 0; i < 60; ++i) {
        const uint16_t word = static_cast<uint16_t>(0x8000 | ((i % 16) << 8) | i);
        ASSERT_TRUE(program_send_led(sel, word)) << i;
        sent.push_back(word);
        if (i % 10 == 9) m->advance_ms(1);
    }
    m->advance_ms(1);
    // 60 words of two bytes from the base: both pointers wrapped once.
    EXPECT_EQ(far_peek_word(sel, kLedWriteCell), base + 120 - 96);
    EXPECT_EQ(far_peek_word(sel, kLedReadCell), base + 120 - 96);
    EXPECT_EQ(m->cards.led_words_consumed(0), sent);
    EXPECT_EQ(m->cards.led(0, 59 % 16, 59), LedState::lit);
}

// While the firmware is held the program fills the ring until its room test
// fails; nothing is lit until the firmware runs again.
TEST_F(CardTest, FullLedRingIsObservableWhileTheFirmwareIsHeld) {
    m->cards.fit(0);
    const uint16_t sel = selector_for(0xC800);
    const uint16_t base = far_peek_word(sel, kLedBaseCell);
    m->cards.hold_led_ring(0, true);
    int written = 0;
    while (program_send_led(sel, static_cast<uint16_t>(0x8000 | (1 << 8) | written)) && written < 100) ++written;
    EXPECT_EQ(written, 44);
    EXPECT_EQ(far_peek_word(sel, kLedWriteCell), base + 88);
    m->advance_ms(100);
    EXPECT_EQ(far_peek_word(sel, kLedReadCell), base);
    EXPECT_EQ(m->cards.led(0, 1, 0), LedState::off);
    EXPECT_TRUE(m->cards.led_words_consumed(0).empty());

    m->cards.consume_led_ring(0);  // taken now, even while held
    EXPECT_EQ(m->cards.led(0, 1, 43), LedState::lit);
    EXPECT_EQ(far_peek_word(sel, kLedReadCell), base + 88);
    EXPECT_EQ(m->cards.led_words_consumed(0).size(), 44u);

    ASSERT_TRUE(program_send_led(sel, 0x7000));
    m->advance_ms(1);
    EXPECT_EQ(m->cards.led(0, 1, 43), LedState::lit);  // still held
    m->cards.hold_led_ring(0, false);
    m->advance_ms(1);
    EXPECT_EQ(m->cards.led(0, 1, 43), LedState::off);
}

// reset_led_rings drops unsent commands by setting read := write.
TEST_F(CardTest, ProgramDroppingUnsentLedWords) {
    m->cards.fit(0);
    const uint16_t sel = selector_for(0xC800);
    m->cards.hold_led_ring(0, true);
    ASSERT_TRUE(program_send_led(sel, 0x8101));
    ASSERT_TRUE(program_send_led(sel, 0x8102));
    far_poke_word(sel, kLedReadCell, far_peek_word(sel, kLedWriteCell));
    ASSERT_TRUE(program_send_led(sel, 0x8103));
    m->cards.hold_led_ring(0, false);
    m->advance_ms(1);
    EXPECT_EQ(m->cards.led_words_consumed(0), (std::vector<uint16_t>{0x8103}));
    EXPECT_EQ(m->cards.led(0, 1, 1), LedState::off);
    EXPECT_EQ(m->cards.led(0, 1, 3), LedState::lit);
}

TEST_F(CardTest, LedRingWithInvalidPointersIsLeftAlone) {
    m->cards.fit(0);
    const uint16_t sel = selector_for(0xC800);
    const uint16_t base = far_peek_word(sel, kLedBaseCell);
    far_poke_word(sel, kLedWriteCell, static_cast<uint16_t>(base + 96));  // outside the ring
    m->advance_ms(1);
    EXPECT_EQ(far_peek_word(sel, kLedReadCell), base);
    EXPECT_TRUE(m->cards.led_words_consumed(0).empty());
}

TEST_F(CardTest, FaderBytesLieEverySecondByteFromTheFaderPointer) {
    m->cards.fit(0);
    const uint16_t sel = selector_for(0xC800);
    const uint32_t faders = far_peek_word(sel, 0x430) - 0x4000u;
    ASSERT_TRUE(m->cards.set_master_fader(0, 1, 11));
    ASSERT_TRUE(m->cards.set_master_fader(0, 4, 44));
    ASSERT_TRUE(m->cards.set_playback_fader(0, 1, 101));
    ASSERT_TRUE(m->cards.set_playback_fader(0, 42, 142));
    EXPECT_EQ(far_peek_byte(sel, faders + 0), 11);
    EXPECT_EQ(far_peek_byte(sel, faders + 6), 44);
    EXPECT_EQ(far_peek_byte(sel, faders + 8), 101);
    EXPECT_EQ(far_peek_byte(sel, faders + 8 + 82), 142);
    EXPECT_EQ(far_peek_byte(sel, faders + 1), 0);

    const std::vector<uint8_t> before(m->cards.window(0).begin(), m->cards.window(0).end());
    EXPECT_FALSE(m->cards.set_master_fader(0, 0, 1));
    EXPECT_FALSE(m->cards.set_master_fader(0, 5, 1));
    EXPECT_FALSE(m->cards.set_playback_fader(0, 43, 1));
    const std::vector<uint8_t> after(m->cards.window(0).begin(), m->cards.window(0).end());
    EXPECT_EQ(before, after);
}

TEST_F(CardTest, BeltRegistersAreTwoBytesPerBelt) {
    m->cards.fit(0);
    const uint16_t sel = selector_for(0xC800);
    const uint32_t function_belts = far_peek_word(sel, 0x492) - 0x4000u;
    const uint32_t sequence_belts = far_peek_word(sel, 0x490) - 0x4000u;

    ASSERT_TRUE(m->cards.set_function_belt(0, 16, 1, 0x5A));
    ASSERT_TRUE(m->cards.set_sequence_belt(0, 12, 0, 0xA5));
    EXPECT_EQ(far_peek_byte(sel, function_belts + 31), 0x5A);
    EXPECT_EQ(far_peek_byte(sel, sequence_belts + 22), 0xA5);

    // The program writes belt registers too (it zeroes them at shutdown).
    far_poke_byte(sel, function_belts + 2, 7);
    far_poke_byte(sel, sequence_belts + 1, 9);
    EXPECT_EQ(m->cards.function_belt(0, 2, 0), 7);
    EXPECT_EQ(m->cards.sequence_belt(0, 1, 1), 9);

    EXPECT_FALSE(m->cards.set_function_belt(0, 17, 0, 1));
    EXPECT_FALSE(m->cards.set_sequence_belt(0, 13, 0, 1));
    EXPECT_FALSE(m->cards.set_sequence_belt(0, 1, 2, 1));
    EXPECT_EQ(m->cards.function_belt(0, 0, 0), 0);
    EXPECT_EQ(m->cards.sequence_belt(0, 1, -1), 0);
}

TEST_F(CardTest, WingPlugChangesOnlyBitSixOfCell1127) {
    CardSettings settings;
    settings.options_2 = 0x81;
    m->cards.fit(0, settings);
    const uint16_t sel = selector_for(0xC800);
    ASSERT_TRUE(m->cards.set_wing_connected(0, true));
    EXPECT_EQ(far_peek_byte(sel, 1127), 0xC1);
    ASSERT_TRUE(m->cards.set_wing_connected(0, false));
    EXPECT_EQ(far_peek_byte(sel, 1127), 0x81);
}

TEST_F(CardTest, LcdLinesAreReadFromTheDisplayAreas) {
    m->cards.fit(0);
    const uint16_t sel = selector_for(0xC800);
    EXPECT_EQ(m->cards.lcd_line(0, 0, 0), std::string(20, ' '));
    EXPECT_EQ(far_peek_byte(sel, 0x3600 + 20), 13);

    poke_text(sel, 0x3600 + 21, "HELLO");                       // display 0, line 1
    poke_text(sel, 0x3600 + 85 * 1, "SEQ A P: **  C: **.*");    // display 1, line 0
    poke_text(sel, 0x3600 + 85 * 8 + 21 * 3, "PLAYBACK 32 NAME....");  // display 8, line 3
    EXPECT_EQ(m->cards.lcd_line(0, 0, 1), "HELLO               ");
    EXPECT_EQ(m->cards.lcd_line(0, 1, 0), "SEQ A P: **  C: **.*");
    EXPECT_EQ(m->cards.lcd_line(0, 8, 3), "PLAYBACK 32 NAME....");
    EXPECT_EQ(m->cards.lcd_line(0, 9, 0), "");
    EXPECT_EQ(m->cards.lcd_line(0, 0, 4), "");
}

}  // namespace
}  // namespace platform

namespace {

// The firmware runs beside the program: a program that fills the LED ring in
// one go and waits for room by re-reading the read pointer sees it drain,
// without any time passing.
TEST(CardFirmware, LedRingDrainsWhileTheProgramWatchesItsReadPointer) {
    auto m = std::make_unique<platform::Machine>();
    platform::install_machine(m.get());
    ASSERT_TRUE(m->cards.fit(0));
    bool carry = false;
    const uint16_t card = platform::dpmi_segment_to_selector(0xC800, carry);
    const uint16_t base = platform::far_peek_word(card, 0x428);
    for (int i = 0; i < 100; ++i) {
        uint16_t write = platform::far_peek_word(card, 0x42C);
        const uint16_t next = static_cast<uint16_t>(write + 2 == base + 96 ? base : write + 2);
        int reads = 0;
        while (platform::far_peek_word(card, 0x42A) == next && reads < 20000) ++reads;  // full: wait for room
        ASSERT_LT(reads, 20000) << "word " << i;
        platform::far_poke_word(card, static_cast<uint32_t>(write - 0x4000), static_cast<uint16_t>(0x8000 | (i % 8) << 8 | (i / 8)));
        platform::far_poke_word(card, 0x42C, next);
    }
    platform::far_peek_word(card, 0x42A);
    EXPECT_EQ(m->cards.led(0, 3, 12), platform::LedState::lit);  // word 99: row 3, column 12
    EXPECT_EQ(m->clock.now_ms, 0u);
    platform::install_machine(nullptr);
}

}  // namespace
