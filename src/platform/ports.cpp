#include "platform/ports.h"

#include "platform/bios.h"
#include "platform/keyboard_controller.h"
#include "platform/machine.h"

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
            break;
    }
    // The SMPTE/MIDI card's sound bands sit at a port base of its own.
    uint8_t level = 0;
    if (machine_installed() && machine().sync.read_port(port, level)) return level;
    return 0;
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
