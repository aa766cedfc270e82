// The keyboard controller, the interrupt controller's IRQ 1 and the device on
// the keyboard port.
//
// Ports: 60h data, 64h status (bit 0 output buffer full, bit 1 input buffer
// full) and command, 20h end-of-interrupt, 21h interrupt mask (bit 1 IRQ 1).
// Controller commands 20h (read the command byte) and 60h (write it; bit 6
// is translation). Bytes written to port 60h go to the device: F0h + set
// number selects the scan code set, each acknowledged with FAh; E5h + LED
// byte (index x 8, plus 40h for on) sets one of its five LEDs; C0h 65h
// switches them all off.
//
// Bytes from the device (feed_keyboard_byte) queue in the controller and move
// one at a time into the output buffer. Each byte raises IRQ 1: unless it is
// masked or the previous interrupt has not yet had its end-of-interrupt, the
// int 9 vector's handler runs at once, and its port 60h reads return that
// byte. A masked byte waits (a program may poll it through port 64h and 60h)
// until the mask is lifted. The BIOS handler at int 9 records each byte it
// receives and sends the end-of-interrupt.
//
// Every access to port 60h or 64h takes 1 microsecond of virtual time, so a
// program that polls a controller which never answers still reaches its
// time-out.
#pragma once
#include <array>
#include <cstdint>

#include "platform/recent_log.h"

namespace platform {

constexpr uint16_t kPortPicCommand = 0x20;
constexpr uint16_t kPortPicMask = 0x21;
constexpr uint16_t kPortKeyboardData = 0x60;
constexpr uint16_t kPortKeyboardStatus = 0x64;

constexpr uint8_t kStatusOutputFull = 0x01;
constexpr uint8_t kStatusInputFull = 0x02;
constexpr uint8_t kCommandByteTranslation = 0x40;
constexpr uint8_t kIrq1Mask = 0x02;
constexpr uint8_t kPicEndOfInterrupt = 0x20;
constexpr uint8_t kKeyboardAck = 0xFA;
constexpr uint8_t kKeyboardResend = 0xFE;

constexpr int kDeviceLeds = 5;
constexpr size_t kKeyboardQueueBytes = 32;
constexpr size_t kKeyboardLogBytes = 256;
// Command byte at power-on: translation on, system flag, keyboard interrupt on.
constexpr uint8_t kPowerOnCommandByte = 0x45;
constexpr uint32_t kPortAccessUs = 1;

// What the device expects of the next port 60h byte.
enum class DeviceState : uint8_t { idle, scan_set, led, reset };

struct KeyboardController {
    // Bytes waiting for the output buffer, oldest at head.
    std::array<uint8_t, kKeyboardQueueBytes> queue{};
    size_t queue_head = 0;
    size_t queue_count = 0;
    uint64_t bytes_dropped = 0;  // fed while the queue was full

    uint8_t data = 0;            // port 60h: the last byte moved into the output buffer
    bool output_full = false;
    bool irq_request = false;    // a byte raised IRQ 1 that was not yet delivered
    bool in_service = false;     // IRQ 1 delivered, end-of-interrupt not yet seen
    bool delivering = false;     // the delivery loop is running
    uint8_t pic_mask = 0;        // port 21h
    uint64_t end_of_interrupts = 0;

    uint8_t command_byte = kPowerOnCommandByte;
    bool command_byte_next = false;  // controller command 60h given: next port 60h byte is it

    DeviceState device_state = DeviceState::idle;
    uint8_t scan_code_set = 2;
    std::array<bool, kDeviceLeds + 1> leds{};  // 1-based, index 0 unused

    // Test settings: a device that answers nothing, a controller that stays busy.
    bool device_answers = true;
    bool controller_busy = false;

    RecentLog<uint8_t, kKeyboardLogBytes> device_bytes;  // what the program sent to the device
    RecentLog<uint8_t, kKeyboardLogBytes> bios_bytes;     // what reached the BIOS handler

    uint32_t io_time_us = 0;  // port access time not yet a whole millisecond

    bool translation() const { return (command_byte & kCommandByteTranslation) != 0; }
    bool led(int index) const { return index >= 1 && index <= kDeviceLeds && leds[index]; }
};

// A byte from the device (or the host's PC keyboard) arrives at port 60h.
void feed_keyboard_byte(uint8_t byte);

// The BIOS keyboard handler that int 9 holds at power-on.
void bios_keyboard_interrupt();

// The controller's and the interrupt controller's ports (reached through
// inportb / outportb).
uint8_t keyboard_port_read(uint16_t port);
void keyboard_port_write(uint16_t port, uint8_t value);

}  // namespace platform
