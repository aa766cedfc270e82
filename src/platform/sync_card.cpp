#include "platform/sync_card.h"

namespace platform {

void sync_driver_interrupt(Regs&) {}

}  // namespace platform
