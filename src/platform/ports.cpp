#include "platform/ports.h"

#include "platform/bios.h"
#include "platform/keyboard_controller.h"

namespace platform {

uint8_t inportb(uint16_t port) {
    switch (port) {
        case kPortPicCommand:
        case kPortPicMask:
        case kPortKeyboardData:
        case kPortKeyboardStatus:
            return keyboard_port_read(port);
        case kPortCmosIndex:
        case kPortCmosData:
            return cmos_port_read(port);
        default:
            return 0;
    }
}

void outportb(uint16_t port, uint8_t value) {
    switch (port) {
        case kPortPicCommand:
        case kPortPicMask:
        case kPortKeyboardData:
        case kPortKeyboardStatus:
            keyboard_port_write(port, value);
            break;
        case kPortCmosIndex:
        case kPortCmosData:
            cmos_port_write(port, value);
            break;
        default:
            break;
    }
}

}  // namespace platform
