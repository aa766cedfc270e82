#include "platform/keyboard_controller.h"

#include "platform/interrupts.h"
#include "platform/machine.h"

namespace platform {

namespace {

constexpr uint8_t kControllerReadCommandByte = 0x20;
constexpr uint8_t kControllerWriteCommandByte = 0x60;
constexpr uint8_t kDeviceSelectScanSet = 0xF0;
constexpr uint8_t kDeviceSetLed = 0xE5;
constexpr uint8_t kDeviceResetFirst = 0xC0;
constexpr uint8_t kDeviceResetSecond = 0x65;
constexpr uint8_t kLedOnBit = 0x40;
constexpr uint8_t kKeyboardInterrupt = 9;

KeyboardController& kc() { return machine().keyboard; }

void charge_port_access() {
    KeyboardController& k = kc();
    k.io_time_us += kPortAccessUs;
    if (k.io_time_us >= 1000) {
        k.io_time_us -= 1000;
        machine().advance_ms(1);
    }
}

bool queue_push_back(uint8_t byte) {
    KeyboardController& k = kc();
    if (k.queue_count == kKeyboardQueueBytes) return false;
    k.queue[(k.queue_head + k.queue_count) % kKeyboardQueueBytes] = byte;
    ++k.queue_count;
    return true;
}

bool queue_push_front(uint8_t byte) {
    KeyboardController& k = kc();
    if (k.queue_count == kKeyboardQueueBytes) return false;
    k.queue_head = (k.queue_head + kKeyboardQueueBytes - 1) % kKeyboardQueueBytes;
    k.queue[k.queue_head] = byte;
    ++k.queue_count;
    return true;
}

// Moves the next waiting byte into an empty output buffer; it raises IRQ 1.
void load_next_byte() {
    KeyboardController& k = kc();
    if (k.output_full || k.queue_count == 0) return;
    k.data = k.queue[k.queue_head];
    k.queue_head = (k.queue_head + 1) % kKeyboardQueueBytes;
    --k.queue_count;
    k.output_full = true;
    k.irq_request = true;
}

// Hands IRQ 1 to the int 9 handler while a byte waits, the line is unmasked
// and the previous interrupt has had its end-of-interrupt. Calls made from
// inside a handler only load the next byte; the outer loop delivers it.
void deliver() {
    KeyboardController& k = kc();
    load_next_byte();
    if (k.delivering) return;
    k.delivering = true;
    // Each pass delivers one byte; a bound keeps a misbehaving handler finite.
    for (size_t pass = 0; pass <= kKeyboardQueueBytes + 1; ++pass) {
        load_next_byte();
        if (!k.irq_request || (k.pic_mask & kIrq1Mask) != 0 || k.in_service) break;
        k.irq_request = false;
        k.in_service = true;
        raise_interrupt(kKeyboardInterrupt);
    }
    k.delivering = false;
}

void controller_reply(uint8_t byte) {
    if (queue_push_front(byte)) deliver();
}

void device_reply(uint8_t byte) {
    if (queue_push_back(byte)) deliver();
}

void set_led(uint8_t led_byte) {
    const int index = (led_byte & 0x3F) >> 3;
    if (index >= 1 && index <= kDeviceLeds) kc().leds[index] = (led_byte & kLedOnBit) != 0;
}

void device_idle_byte(uint8_t byte) {
    KeyboardController& k = kc();
    switch (byte) {
        case kDeviceSelectScanSet:
            k.device_state = DeviceState::scan_set;
            device_reply(kKeyboardAck);
            break;
        case kDeviceSetLed:
            k.device_state = DeviceState::led;
            break;
        case kDeviceResetFirst:
            k.device_state = DeviceState::reset;
            break;
        default:
            break;
    }
}

// A byte the program sends to the device through port 60h.
void device_receive(uint8_t byte) {
    KeyboardController& k = kc();
    k.device_bytes.push(byte);
    if (!k.device_answers) return;
    const DeviceState state = k.device_state;
    k.device_state = DeviceState::idle;
    switch (state) {
        case DeviceState::idle:
            device_idle_byte(byte);
            break;
        case DeviceState::scan_set:
            if (byte >= 1 && byte <= 3) {
                k.scan_code_set = byte;
                device_reply(kKeyboardAck);
            } else {
                device_reply(kKeyboardResend);
            }
            break;
        case DeviceState::led:
            set_led(byte);
            break;
        case DeviceState::reset:
            if (byte == kDeviceResetSecond) k.leds.fill(false);
            break;
    }
}

uint8_t read_data() {
    KeyboardController& k = kc();
    charge_port_access();
    // The data register keeps its byte: a second read (by a chained handler) sees it again.
    k.output_full = false;
    k.irq_request = false;
    return k.data;
}

uint8_t read_status() {
    KeyboardController& k = kc();
    charge_port_access();
    deliver();
    uint8_t status = 0;
    if (k.output_full) status |= kStatusOutputFull;
    if (k.controller_busy) status |= kStatusInputFull;
    return status;
}

void write_command(uint8_t value) {
    KeyboardController& k = kc();
    charge_port_access();
    if (k.controller_busy) return;
    if (value == kControllerReadCommandByte) {
        controller_reply(k.command_byte);
    } else if (value == kControllerWriteCommandByte) {
        k.command_byte_next = true;
    }
}

void write_data(uint8_t value) {
    KeyboardController& k = kc();
    charge_port_access();
    if (k.controller_busy) return;
    if (k.command_byte_next) {
        k.command_byte = value;
        k.command_byte_next = false;
        return;
    }
    device_receive(value);
}

}  // namespace

void feed_keyboard_byte(uint8_t byte) {
    if (!queue_push_back(byte)) {
        ++kc().bytes_dropped;
        return;
    }
    deliver();
}

void bios_keyboard_interrupt() {
    const uint8_t byte = keyboard_port_read(kPortKeyboardData);
    kc().bios_bytes.push(byte);
    keyboard_port_write(kPortPicCommand, kPicEndOfInterrupt);
}

uint8_t keyboard_port_read(uint16_t port) {
    switch (port) {
        case kPortKeyboardData:
            return read_data();
        case kPortKeyboardStatus:
            return read_status();
        case kPortPicMask:
            return kc().pic_mask;
        default:
            return 0;
    }
}

void keyboard_port_write(uint16_t port, uint8_t value) {
    KeyboardController& k = kc();
    switch (port) {
        case kPortKeyboardData:
            write_data(value);
            break;
        case kPortKeyboardStatus:
            write_command(value);
            break;
        case kPortPicMask:
            k.pic_mask = value;
            deliver();
            break;
        case kPortPicCommand:
            if (value == kPicEndOfInterrupt) {
                k.in_service = false;
                ++k.end_of_interrupts;
                deliver();
            }
            break;
        default:
            break;
    }
}

}  // namespace platform
