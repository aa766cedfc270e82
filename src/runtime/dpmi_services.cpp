#include "runtime/dpmi_services.h"

#include "platform/interrupts.h"

namespace runtime {

platform::Regs int_regs;

void reset_dpmi_services_globals() {
    int_regs = {};
}

static_assert(kDpmiMemoryInfoBytes == platform::kDpmiMemoryInfoBytes);

void set_int_vector(uint8_t interrupt, uint16_t selector, uint32_t offset) {
    platform::set_int_vector(interrupt, selector, offset);
}

void get_int_vector(uint8_t interrupt, uint16_t& selector, uint32_t& offset) {
    platform::get_int_vector(interrupt, selector, offset);
}

void call_real_mode_int(uint8_t interrupt, platform::RealModeCall* call) {
    platform::call_real_mode_int(interrupt, call);
}

void get_dpmi_memory_info(std::span<uint8_t> block) { platform::get_dpmi_memory_info(block); }

}  // namespace runtime
