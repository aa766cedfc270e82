// The PC's I/O ports, as the C library's port calls reach them.
//
// 20h/21h (interrupt controller) and 60h/64h (keyboard controller) go to the
// keyboard controller stand-in, 70h/71h to the CMOS memory, the SMPTE/MIDI
// card's sound-band ports to the card. A port that no
// stand-in serves reads 0 and drops writes.
#pragma once
#include <cstdint>

namespace platform {

uint8_t inportb(uint16_t port);
void outportb(uint16_t port, uint8_t value);

}  // namespace platform
