// The console's interrupt vector, real-mode interrupt and DPMI memory services.
#include "runtime/dpmi_services.h"

#include <gtest/gtest.h>

#include <array>

#include "platform/interrupts.h"
#include "platform/machine.h"

namespace {

int handler_runs = 0;
void count_handler_run() { ++handler_runs; }

uint32_t dword_at(const std::array<uint8_t, runtime::kDpmiMemoryInfoBytes>& block, size_t at) {
    return uint32_t{block[at]} | uint32_t{block[at + 1]} << 8 | uint32_t{block[at + 2]} << 16 |
           uint32_t{block[at + 3]} << 24;
}

class DpmiServices : public ::testing::Test {
protected:
    platform::Machine machine;
    void SetUp() override {
        platform::install_machine(&machine);
        handler_runs = 0;
    }
    void TearDown() override { platform::install_machine(nullptr); }
};

TEST_F(DpmiServices, GettingAVectorAndSettingItBackRestoresThePreviousHandlerExactly) {
    uint16_t saved_selector = 0;
    uint32_t saved_offset = 0;
    runtime::get_int_vector(9, saved_selector, saved_offset);
    EXPECT_EQ(saved_selector, platform::kBiosCodeSelector);
    EXPECT_EQ(saved_offset, platform::kBiosKeyboardOffset);

    const platform::IntVector ours = platform::handler_vector(&count_handler_run);
    ASSERT_NE(ours, platform::IntVector{});
    runtime::set_int_vector(9, ours.selector, ours.offset);
    uint16_t selector = 0;
    uint32_t offset = 0;
    runtime::get_int_vector(9, selector, offset);
    EXPECT_EQ(selector, ours.selector);
    EXPECT_EQ(offset, ours.offset);
    platform::raise_interrupt(9);
    EXPECT_EQ(handler_runs, 1);

    runtime::set_int_vector(9, saved_selector, saved_offset);
    runtime::get_int_vector(9, selector, offset);
    EXPECT_EQ(selector, saved_selector);
    EXPECT_EQ(offset, saved_offset);
    EXPECT_EQ(machine.interrupts.vectors[9], platform::power_on_vectors()[9]);
    platform::raise_interrupt(9);
    EXPECT_EQ(handler_runs, 1);  // ours no longer runs
}

TEST_F(DpmiServices, ARealModeInterruptRunsWithTheCallersRegisters) {
    machine.mouse.buttons = platform::kMouseRight;
    platform::RealModeCall call;
    call.eax = 3;  // mouse: buttons and position
    runtime::call_real_mode_int(0x33, &call);
    EXPECT_EQ(call.ebx & 0xFFFFu, platform::kMouseRight);
    EXPECT_EQ(call.ecx & 0xFFFFu, static_cast<uint32_t>(platform::kMouseResetX));
    EXPECT_EQ(call.edx & 0xFFFFu, static_cast<uint32_t>(platform::kMouseResetY));
    EXPECT_EQ(call.flags & platform::kCarryFlag, 0);

    runtime::call_real_mode_int(0x33, nullptr);  // nothing to fill: nothing happens
}

TEST_F(DpmiServices, TheMemoryInformationGivesAllocatedAndAvailableBytes) {
    machine.interrupts.dpmi_allocated_bytes = 0x00123456;
    machine.interrupts.dpmi_available_bytes = 999'999;
    std::array<uint8_t, runtime::kDpmiMemoryInfoBytes> block{};
    block.fill(0xAA);
    runtime::get_dpmi_memory_info(block);
    EXPECT_EQ(dword_at(block, 4), 0x00123456u);
    EXPECT_EQ(dword_at(block, 8), 999'999u);
}

}  // namespace
