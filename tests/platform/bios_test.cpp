#include "platform/bios.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/interrupts.h"
#include "platform/machine.h"
#include "platform/ports.h"

namespace {

using namespace platform;

constexpr uint32_t kOneSecondBeforeMidnightMs = 86'399'000;  // 23:59:59.000

class BiosTest : public ::testing::Test {
protected:
    void SetUp() override { install_machine(m.get()); }
    void TearDown() override { install_machine(nullptr); }

    struct TimeOfDay {
        uint32_t ticks;
        uint8_t midnight;
    };
    TimeOfDay read_time() {
        Regs regs;
        regs.set_ax(0x0000);
        int386(0x1A, regs);
        return TimeOfDay{(static_cast<uint32_t>(regs.cx()) << 16) | regs.dx(), regs.al()};
    }

    uint8_t cmos(uint8_t index) {
        outportb(kPortCmosIndex, index);
        return inportb(kPortCmosData);
    }

    std::unique_ptr<Machine> m = std::make_unique<Machine>();
};

TEST_F(BiosTest, TicksAreEighteenPointTwoASecondTruncated) {
    struct Case {
        uint32_t ms;
        uint32_t ticks;
    };
    const Case cases[] = {
        {0, 0},
        {54, 0},              // 0.98 ticks
        {55, 1},              // 1.001
        {1000, 18},           // 18.2
        {10'000, 182},
        {43'200'000, 786'240},  // noon
        {kOneSecondBeforeMidnightMs, 1'572'461},
        {86'399'999, 1'572'479},
    };
    for (const Case& c : cases) {
        m->clock.time_of_day_at_start_ms = c.ms;
        EXPECT_EQ(read_time().ticks, c.ticks) << c.ms;
        EXPECT_EQ(bios_ticks_since_midnight(), c.ticks) << c.ms;
    }
}

TEST_F(BiosTest, TicksWrapAtMidnightAndTheFlagIsSetOnce) {
    m->clock.time_of_day_at_start_ms = kOneSecondBeforeMidnightMs;
    TimeOfDay t = read_time();
    EXPECT_EQ(t.ticks, 1'572'461u);
    EXPECT_EQ(t.midnight, 0);

    m->advance_ms(999);
    t = read_time();
    EXPECT_EQ(t.ticks, 1'572'479u);
    EXPECT_EQ(t.midnight, 0);

    m->advance_ms(1);
    t = read_time();
    EXPECT_EQ(t.ticks, 0u);
    EXPECT_EQ(t.midnight, 1);
    t = read_time();
    EXPECT_EQ(t.midnight, 0);  // cleared by the read

    m->advance_ms(1000);
    t = read_time();
    EXPECT_EQ(t.ticks, 18u);
    EXPECT_EQ(t.midnight, 0);
}

TEST_F(BiosTest, TwoMidnightsBetweenReadsGiveOneFlag) {
    m->clock.time_of_day_at_start_ms = kOneSecondBeforeMidnightMs;
    read_time();
    m->advance_ms(kMsPerDay + 2000);
    EXPECT_EQ(read_time().midnight, 1);
    EXPECT_EQ(read_time().midnight, 0);
}

TEST_F(BiosTest, OtherTimeFunctionsLeaveTheRegisters) {
    m->clock.time_of_day_at_start_ms = 43'200'000;
    Regs regs;
    regs.set_ax(0x0100);
    regs.set_cx(0x1111);
    regs.set_dx(0x2222);
    int386(0x1A, regs);
    EXPECT_EQ(regs.ax(), 0x0100);
    EXPECT_EQ(regs.cx(), 0x1111);
    EXPECT_EQ(regs.dx(), 0x2222);
}

TEST_F(BiosTest, CmosHoldsTheExtendedMemorySize) {
    EXPECT_EQ(cmos(0x30) | (cmos(0x31) << 8), kDefaultExtendedMemoryKb);
    set_extended_memory_kb(15'360);
    EXPECT_EQ(cmos(0x30), 0x00);
    EXPECT_EQ(cmos(0x31), 0x3C);
    EXPECT_EQ(cmos(0x80 | 0x31), 0x3C);  // bit 7 of the index switches NMI only
    set_extended_memory_kb(999);
    EXPECT_EQ(cmos(0x30) | (cmos(0x31) << 8), 999);
}

TEST_F(BiosTest, CmosRegistersKeepWhatIsWritten) {
    outportb(kPortCmosIndex, 0x40);
    outportb(kPortCmosData, 0x5A);
    EXPECT_EQ(cmos(0x40), 0x5A);
    EXPECT_EQ(cmos(0x41), 0x00);
    EXPECT_EQ(inportb(kPortCmosIndex), 0);
}

}  // namespace
