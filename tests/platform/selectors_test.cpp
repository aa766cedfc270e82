// DPMI selectors and far access, as the console reaches card windows and
// DOS memory through them.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/machine.h"

namespace platform {
namespace {

class SelectorTest : public ::testing::Test {
protected:
    void SetUp() override {
        m = std::make_unique<Machine>();
        install_machine(m.get());
        m->cards.fit(0);
    }
    void TearDown() override { install_machine(nullptr); }

    static uint16_t selector_for(uint16_t segment) {
        bool carry = true;
        const uint16_t selector = dpmi_segment_to_selector(segment, carry);
        EXPECT_FALSE(carry);
        return selector;
    }

    // Everything a stray write could reach.
    std::vector<uint8_t> snapshot() const {
        std::vector<uint8_t> bytes(m->conventional_memory);
        for (int slot = 0; slot < kCardSlots; ++slot) {
            const std::span<uint8_t> w = m->cards.window(slot);
            bytes.insert(bytes.end(), w.begin(), w.end());
        }
        return bytes;
    }

    std::unique_ptr<Machine> m;
};

TEST_F(SelectorTest, OneSelectorPerSegment) {
    const uint16_t card = selector_for(0xC800);
    const uint16_t other = selector_for(0xCC00);
    EXPECT_NE(card, 0);
    EXPECT_NE(card, other);
    EXPECT_EQ(card & 7, 7);
    EXPECT_EQ(selector_for(0xC800), card);
}

TEST_F(SelectorTest, CardCellsAreReachedByNumber) {
    const uint16_t sel = selector_for(0xC800);
    far_poke_dword(sel, 0x4A6, 0x11223344);
    EXPECT_EQ(far_peek_byte(sel, 0x4A6), 0x44);
    EXPECT_EQ(far_peek_byte(sel, 0x4A9), 0x11);
    EXPECT_EQ(far_peek_word(sel, 0x4A8), 0x1122);
    EXPECT_EQ(m->cards.peek_dword(0, 0x4A6), 0x11223344u);
    // The last byte of the window is still inside it.
    far_poke_byte(sel, 0xFFFF, 0x5A);
    EXPECT_EQ(far_peek_byte(sel, 0xFFFF), 0x5A);
}

TEST_F(SelectorTest, ConventionalMemoryBehindASegment) {
    const uint16_t sel = selector_for(0x1000);
    far_poke_word(sel, 0x20, 0xBEEF);
    EXPECT_EQ(m->conventional_memory[0x10020], 0xEF);
    EXPECT_EQ(m->conventional_memory[0x10021], 0xBE);
    // The last segment below 640 KB spans 64 KB; nothing lies beyond.
    const uint16_t top = selector_for(0x9000);
    far_poke_byte(top, 0xFFFF, 9);
    EXPECT_EQ(m->conventional_memory[kConventionalBytes - 1], 9);
    EXPECT_EQ(far_peek_byte(selector_for(0xA000), 0), 0);
}

// Selector 0, a selector never handed out, one with the wrong low bits and
// one beyond the table: reads give 0 and writes change nothing anywhere.
TEST_F(SelectorTest, BadSelectorsAreRefused) {
    const uint16_t good = selector_for(0xC800);
    far_poke_byte(good, 0x100, 0x77);
    const std::vector<uint16_t> bad = {0, selector_for_index(40), static_cast<uint16_t>(good & ~7),
                                       selector_for_index(kMaxDescriptors), 0xFFFF};
    const std::vector<uint8_t> before = snapshot();
    for (uint16_t sel : bad) {
        EXPECT_EQ(far_peek_byte(sel, 0x100), 0) << sel;
        EXPECT_EQ(far_peek_dword(sel, 6), 0u) << sel;
        far_poke_byte(sel, 0x100, 1);
        far_poke_word(sel, 6, 0x4242);
        far_poke_dword(sel, 0, 0xFFFFFFFF);
    }
    EXPECT_EQ(snapshot(), before);
}

TEST_F(SelectorTest, OffsetsBeyondTheWindowAreRefused) {
    const uint16_t sel = selector_for(0xC800);
    const std::vector<uint8_t> before = snapshot();
    far_poke_byte(sel, 0x10000, 1);
    far_poke_word(sel, 0x20000, 1);
    far_poke_dword(sel, 0xFFFFFFF0u, 1);
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(far_peek_byte(sel, 0x10000), 0);
    EXPECT_EQ(far_peek_dword(sel, 0x12345678u), 0u);
}

// A value that does not fit wholly inside the window is refused as a whole:
// no half-written word at the end, and no offset that wraps round to 0.
TEST_F(SelectorTest, ValuesAcrossTheEndAreRefusedWhole) {
    const uint16_t sel = selector_for(0xC800);
    far_poke_byte(sel, 0xFFFF, 0x5A);
    far_poke_dword(sel, 0, 0x01020304);
    EXPECT_EQ(far_peek_word(sel, 0xFFFF), 0);
    EXPECT_EQ(far_peek_dword(sel, 0xFFFE), 0u);
    EXPECT_EQ(far_peek_word(sel, 0xFFFFFFFFu), 0);
    EXPECT_EQ(far_peek_dword(sel, 0xFFFFFFFEu), 0u);

    const std::vector<uint8_t> before = snapshot();
    far_poke_word(sel, 0xFFFF, 0x1111);
    far_poke_dword(sel, 0xFFFD, 0x22222222);
    far_poke_word(sel, 0xFFFFFFFFu, 0x3333);
    far_poke_dword(sel, 0xFFFFFFFEu, 0x44444444);
    EXPECT_EQ(snapshot(), before);
}

TEST_F(SelectorTest, DosBlocksAreBoundedAndFreed) {
    uint16_t segment_a = 0, selector_a = 0, segment_b = 0, selector_b = 0;
    ASSERT_TRUE(dpmi_allocate_dos_memory(2, segment_a, selector_a));
    ASSERT_TRUE(dpmi_allocate_dos_memory(1, segment_b, selector_b));
    EXPECT_EQ(segment_b, segment_a + 2);
    EXPECT_NE(selector_a, selector_b);

    far_poke_byte(selector_a, 31, 0xA1);
    far_poke_byte(selector_b, 0, 0xB0);
    EXPECT_EQ(far_peek_byte(selector_a, 31), 0xA1);
    EXPECT_EQ(far_peek_byte(selector_a, 32), 0);  // block B is not reachable through A
    far_poke_byte(selector_a, 32, 0xEE);
    EXPECT_EQ(far_peek_byte(selector_b, 0), 0xB0);
    far_poke_word(selector_a, 31, 0xEEEE);
    EXPECT_EQ(far_peek_byte(selector_a, 31), 0xA1);
    EXPECT_EQ(far_peek_byte(selector_b, 0), 0xB0);

    EXPECT_TRUE(dpmi_free_dos_memory(selector_a));
    EXPECT_EQ(far_peek_byte(selector_a, 31), 0);
    EXPECT_FALSE(dpmi_free_dos_memory(selector_a));
    EXPECT_FALSE(dpmi_free_dos_memory(selector_for(0xC800)));  // not a DOS block
}

TEST_F(SelectorTest, DosAllocationBeyondConventionalMemoryFails) {
    uint16_t segment = 0, selector = 0;
    EXPECT_FALSE(dpmi_allocate_dos_memory(0, segment, selector));
    EXPECT_FALSE(dpmi_allocate_dos_memory(0xA000, segment, selector));
    EXPECT_EQ(selector, 0);
    EXPECT_TRUE(dpmi_allocate_dos_memory(0x100, segment, selector));
}

TEST_F(SelectorTest, FullDescriptorTableSetsCarry) {
    int handed_out = 0;
    bool carry = false;
    for (uint16_t segment = 0x100; !carry && handed_out < 1000; segment = static_cast<uint16_t>(segment + 1)) {
        const uint16_t selector = dpmi_segment_to_selector(segment, carry);
        if (!carry) {
            EXPECT_NE(selector, 0);
            ++handed_out;
        } else {
            EXPECT_EQ(selector, 0);
        }
    }
    EXPECT_TRUE(carry);
    EXPECT_EQ(handed_out, kMaxDescriptors - 1);
    // A segment that already has a selector still gets it.
    EXPECT_EQ(dpmi_segment_to_selector(0x100, carry), selector_for_index(1));
    EXPECT_FALSE(carry);
}

}  // namespace
}  // namespace platform
