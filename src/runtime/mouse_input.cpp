#include "runtime/mouse_input.h"

#include "platform/interrupts.h"

namespace runtime {

void init_mouse() {
    platform::Regs regs;
    regs.set_ax(0);  // reset
    platform::int386(0x33, regs);
}

void read_mouse(int16_t) {}
void read_trackerball(int16_t) {}

}  // namespace runtime
