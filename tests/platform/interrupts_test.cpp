#include "platform/interrupts.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <vector>

#include "platform/keyboard_controller.h"
#include "platform/machine.h"
#include "platform/ports.h"

namespace {

using namespace platform;

std::array<int, kMaxInterruptHandlers + 1> handler_calls{};

template <int N>
void counting_handler() {
    ++handler_calls[N];
}

// A keyboard handler that takes the byte and ends the interrupt itself.
std::vector<uint8_t> own_bytes;
void own_keyboard_handler() {
    own_bytes.push_back(inportb(0x60));
    outportb(0x20, 0x20);
}

class InterruptsTest : public ::testing::Test {
protected:
    void SetUp() override {
        install_machine(m.get());
        handler_calls.fill(0);
        own_bytes.clear();
    }
    void TearDown() override { install_machine(nullptr); }

    // A DOS block of paragraphs through DPMI 0100h, as the program gets one.
    void allocate_dos_block(uint16_t paragraphs, uint16_t& segment, uint16_t& selector) {
        Regs regs;
        regs.set_ax(0x0100);
        regs.set_bx(paragraphs);
        int386(0x31, regs);
        ASSERT_FALSE(regs.carry);
        segment = regs.ax();
        selector = regs.dx();
    }

    std::unique_ptr<Machine> m = std::make_unique<Machine>();
};

uint32_t dword_at(const uint8_t* bytes, size_t at) {
    return bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) |
           (static_cast<uint32_t>(bytes[at + 3]) << 24);
}

TEST_F(InterruptsTest, GetThenSetRestoresThePreviousHandlerExactly) {
    uint16_t bios_selector = 0;
    uint32_t bios_offset = 0;
    get_int_vector(9, bios_selector, bios_offset);
    EXPECT_EQ(bios_selector, kBiosCodeSelector);
    EXPECT_EQ(bios_offset, kBiosKeyboardOffset);

    const IntVector own = handler_vector(&own_keyboard_handler);
    set_int_vector(9, own.selector, own.offset);
    uint16_t selector = 0;
    uint32_t offset = 0;
    get_int_vector(9, selector, offset);
    EXPECT_EQ((IntVector{selector, offset}), own);
    feed_keyboard_byte(0x1E);
    EXPECT_EQ(own_bytes, std::vector<uint8_t>{0x1E});
    EXPECT_TRUE(m->keyboard.bios_bytes.empty());

    set_int_vector(9, bios_selector, bios_offset);
    get_int_vector(9, selector, offset);
    EXPECT_EQ(selector, bios_selector);
    EXPECT_EQ(offset, bios_offset);
    feed_keyboard_byte(0x1F);
    EXPECT_EQ(own_bytes.size(), 1u);
    EXPECT_EQ(m->keyboard.bios_bytes.to_vector(), std::vector<uint8_t>{0x1F});
}

TEST_F(InterruptsTest, VectorsOtherThanTheKeyboardAreEmptyAtPowerOn) {
    for (int i : {0, 8, 0x1C, 0x33, 0xFF}) {
        uint16_t selector = 1;
        uint32_t offset = 1;
        get_int_vector(static_cast<uint8_t>(i), selector, offset);
        EXPECT_EQ(selector, 0) << i;
        EXPECT_EQ(offset, 0u) << i;
    }
}

TEST_F(InterruptsTest, AVectorKeepsAFullThirtyTwoBitOffset) {
    set_int_vector(0x70, 0x1234, 0x89ABCDEF);
    uint16_t selector = 0;
    uint32_t offset = 0;
    get_int_vector(0x70, selector, offset);
    EXPECT_EQ(selector, 0x1234);
    EXPECT_EQ(offset, 0x89ABCDEFu);
}

TEST_F(InterruptsTest, EachHandlerGetsOneVectorUntilTheSlotsRunOut) {
    const IntVector a = handler_vector(&counting_handler<0>);
    const IntVector b = handler_vector(&counting_handler<1>);
    EXPECT_NE(a, b);
    EXPECT_EQ(handler_vector(&counting_handler<0>), a);
    EXPECT_EQ(a.selector, kProgramCodeSelector);
    EXPECT_EQ(handler_vector(nullptr), IntVector{});

    const std::array<InterruptHandler, kMaxInterruptHandlers - 2> rest = {
        &counting_handler<2>,  &counting_handler<3>,  &counting_handler<4>,
        &counting_handler<5>,  &counting_handler<6>,  &counting_handler<7>,
        &counting_handler<8>,  &counting_handler<9>,  &counting_handler<10>,
        &counting_handler<11>, &counting_handler<12>, &counting_handler<13>,
        &counting_handler<14>, &counting_handler<15>};
    for (InterruptHandler h : rest) EXPECT_NE(handler_vector(h).selector, 0);
    EXPECT_EQ(handler_vector(&counting_handler<16>), IntVector{});

    call_int_handler(b.selector, b.offset);
    EXPECT_EQ(handler_calls[1], 1);
    call_int_handler(a.selector, a.offset + 1);                // between two handlers
    call_int_handler(kProgramCodeSelector, kFirstHandlerOffset - kHandlerOffsetStep);
    call_int_handler(kProgramCodeSelector, kFirstHandlerOffset +
                                               kMaxInterruptHandlers * kHandlerOffsetStep);
    call_int_handler(0, 0);
    EXPECT_EQ(handler_calls[0], 0);
}

TEST_F(InterruptsTest, UnknownInterruptsAndFunctionsSetCarry) {
    Regs regs;
    int386(0x10, regs);
    EXPECT_TRUE(regs.carry);

    regs = Regs{};
    regs.set_ax(0x3D00);  // a DOS function that is not the vectors'
    int386(0x21, regs);
    EXPECT_TRUE(regs.carry);

    regs = Regs{};
    regs.set_ax(0x0507);
    int386(0x31, regs);
    EXPECT_TRUE(regs.carry);
    EXPECT_EQ(regs.ax(), 0x8001);

    regs = Regs{};
    regs.carry = true;  // a known call clears what the caller left
    int386(0x1A, regs);
    EXPECT_FALSE(regs.carry);
}

TEST_F(InterruptsTest, DpmiSegmentToSelectorAndDosMemory) {
    Regs regs;
    regs.set_ax(0x0002);
    regs.set_bx(0xC800);
    int386(0x31, regs);
    ASSERT_FALSE(regs.carry);
    const uint16_t card_selector = regs.ax();
    EXPECT_NE(card_selector, 0);
    regs = Regs{};
    regs.set_ax(0x0002);
    regs.set_bx(0xC800);
    int386(0x31, regs);
    EXPECT_EQ(regs.ax(), card_selector);

    uint16_t segment = 0;
    uint16_t selector = 0;
    allocate_dos_block(10, segment, selector);
    EXPECT_EQ(segment, kFirstDosBlockSegment);
    EXPECT_EQ(selector_bytes(selector).size(), 160u);

    regs = Regs{};
    regs.set_ax(0x0100);
    regs.set_bx(0xFFFF);  // more than conventional memory holds
    int386(0x31, regs);
    EXPECT_TRUE(regs.carry);
    EXPECT_EQ(regs.ax(), 0x0008);
    EXPECT_EQ(regs.bx(), kConventionalBytes / 16 - kFirstDosBlockSegment - 10);

    regs = Regs{};
    regs.set_ax(0x0101);
    regs.set_dx(selector);
    int386(0x31, regs);
    EXPECT_FALSE(regs.carry);
    EXPECT_TRUE(selector_bytes(selector).empty());
    int386(0x31, regs);  // freeing it twice
    EXPECT_TRUE(regs.carry);
}

TEST_F(InterruptsTest, RealModeCallReachesTheCdromDriverWithItsRegistersAndBuffer) {
    uint16_t segment = 0;
    uint16_t selector = 0;
    allocate_dos_block(10, segment, selector);

    RealModeCall check;
    check.eax = 0x1500;
    call_real_mode_int(0x2F, &check);
    EXPECT_EQ(check.ebx, 1u);
    EXPECT_EQ(check.ecx, 3u);
    EXPECT_EQ(check.flags & kCarryFlag, 0);

    // An IOCTL input request for the device status, as the console lays it out.
    const std::array<uint8_t, 20> header = {13, 0, 3, 0, 0, 0, 0, 0, 0, 0,
                                            0,  0, 0, 0, 18, 0, static_cast<uint8_t>(segment),
                                            static_cast<uint8_t>(segment >> 8), 6, 0};
    for (size_t i = 0; i < header.size(); ++i) {
        far_poke_byte(selector, static_cast<uint32_t>(i), header[i]);
    }
    RealModeCall call;
    call.eax = 0x1510;
    call.ecx = 3;
    call.es = segment;
    call.ebx = 0;
    call_real_mode_int(0x2F, &call);

    ASSERT_EQ(m->cdrom.requests.size(), 1u);
    const CdromRequest request = m->cdrom.requests.last();
    EXPECT_EQ(request.drive, 3);
    EXPECT_EQ(request.segment, segment);
    EXPECT_EQ(request.offset, 0);
    EXPECT_EQ(request.length, kCdromRequestBytes);
    for (size_t i = 0; i < header.size(); ++i) EXPECT_EQ(request.bytes[i], header[i]) << i;
    EXPECT_EQ(far_peek_word(selector, 3), kCdromStatusDone);
    EXPECT_EQ(far_peek_byte(selector, 18), 6);  // the control block is left to the driver
}

TEST_F(InterruptsTest, DpmiRealModeCallReadsAndWritesTheFiftyByteStructure) {
    uint16_t segment = 0;
    uint16_t selector = 0;
    allocate_dos_block(5, segment, selector);
    m->clock.time_of_day_at_start_ms = 43'200'000;  // noon: 786240 ticks = 000B:FF40
    far_poke_dword(selector, 0x10 + 28, 0x0000);     // EAX: function 0
    far_poke_word(selector, 0x10 + 32, kCarryFlag);  // a carry the caller left
    far_poke_word(selector, 0x10 + 48, 0xBEEF);      // SS comes back untouched

    Regs regs;
    regs.set_ax(0x0300);
    regs.ebx = 0x1A;  // BL = interrupt, BH = 0
    regs.es = selector;
    regs.edi = 0x10;
    int386(0x31, regs);
    ASSERT_FALSE(regs.carry);
    EXPECT_EQ(far_peek_dword(selector, 0x10 + 24), 0x000Bu);   // ECX
    EXPECT_EQ(far_peek_dword(selector, 0x10 + 20), 0xFF40u);   // EDX
    EXPECT_EQ(far_peek_word(selector, 0x10 + 32) & kCarryFlag, 0);
    EXPECT_EQ(far_peek_word(selector, 0x10 + 48), 0xBEEF);

    regs.set_ax(0x0300);
    regs.ebx = 0x10;  // no real-mode driver there
    int386(0x31, regs);
    EXPECT_NE(far_peek_word(selector, 0x10 + 32) & kCarryFlag, 0);

    regs = Regs{};
    regs.set_ax(0x0300);
    regs.ebx = 0x1A;
    regs.es = selector;
    regs.edi = 80 - 49;  // the structure would run past the 80-byte block
    int386(0x31, regs);
    EXPECT_TRUE(regs.carry);
}

TEST_F(InterruptsTest, MemoryInformationCarriesTheBudget) {
    m->interrupts.dpmi_allocated_bytes = 5'000'000;
    m->interrupts.dpmi_available_bytes = 999'999;
    std::array<uint8_t, kDpmiMemoryInfoBytes> block{};
    block.fill(0xAA);
    get_dpmi_memory_info(block);
    EXPECT_EQ(dword_at(block.data(), 4), 5'000'000u);
    EXPECT_EQ(dword_at(block.data(), 8), 999'999u);
    EXPECT_EQ(dword_at(block.data(), 0), 0u);
    EXPECT_EQ(dword_at(block.data(), 44), 0u);

    std::array<uint8_t, 10> short_block{};
    short_block.fill(0xAA);
    get_dpmi_memory_info(short_block);  // only what fits
    EXPECT_EQ(dword_at(short_block.data(), 4), 5'000'000u);
    EXPECT_EQ(short_block[8], 0);

    uint16_t segment = 0;
    uint16_t selector = 0;
    allocate_dos_block(3, segment, selector);
    Regs regs;
    regs.set_ax(0x050B);
    regs.es = selector;
    regs.edi = 0;
    int386(0x31, regs);
    EXPECT_FALSE(regs.carry);
    EXPECT_EQ(far_peek_dword(selector, 4), 5'000'000u);
    EXPECT_EQ(far_peek_dword(selector, 8), 999'999u);
}

}  // namespace
