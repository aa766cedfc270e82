#include "runtime/keyboard_isr.h"

#include "platform/ports.h"
#include "platform/registers.h"
#include "platform/text_screen.h"
#include "runtime/card_discovery.h"

namespace runtime {

std::array<uint16_t, kKeyRingWords> key_ring{};
int16_t key_ring_read = 0;
int16_t key_ring_write = 0;
int16_t key_ring_prefix_armed = 0;
int16_t key_ring_release_flag = 0;
platform::IntVector saved_keyboard_vector{};

namespace {

// Ports of the keyboard controller and the interrupt controller.
constexpr uint16_t kPortPicCommand = 0x20;
constexpr uint16_t kPortPicMask = 0x21;
constexpr uint16_t kPortData = 0x60;
constexpr uint16_t kPortStatus = 0x64;

constexpr uint8_t kStatusOutputFull = 0x01;
constexpr uint8_t kStatusInputFull = 0x02;
constexpr uint8_t kEndOfInterrupt = 0x20;
constexpr uint8_t kIrq1MaskBit = 0x02;

constexpr uint8_t kControllerReadCommandByte = 0x20;
constexpr uint8_t kControllerWriteCommandByte = 0x60;
constexpr uint8_t kTranslationBit = 0x40;

constexpr uint8_t kDeviceSelectScanSet = 0xF0;
constexpr uint8_t kDeviceAck = 0xFA;
constexpr uint8_t kDeviceSetLed = 0xE5;
constexpr uint8_t kDeviceLedOn = 0x40;
constexpr uint8_t kDeviceLedIndexStep = 8;
constexpr uint8_t kDeviceResetFirst = 0xC0;
constexpr uint8_t kDeviceResetSecond = 0x65;

constexpr uint8_t kDeviceScanSet = 1;  // while the handler is installed
constexpr uint8_t kPcScanSet = 2;      // the PC keyboard's own

constexpr uint8_t kBiosTimeInterrupt = 0x1A;
constexpr long double kBiosTicksPerTenth = 1.82L;
constexpr long double kControllerTimeoutTenths = 5.0L;

constexpr uint8_t kPressHighByte = 1;

bool isr_installed = false;

// --- the controller time-out ----------------------------------------------

long double bios_tenths() {
    platform::Regs regs;
    regs.set_ax(0x0000);
    platform::int386(kBiosTimeInterrupt, regs);
    const uint32_t ticks = (static_cast<uint32_t>(regs.cx()) << 16) | regs.dx();
    return static_cast<long double>(ticks) / kBiosTicksPerTenth;
}

struct ControllerTimeout {
    long double start_tenths = 0.0L;
};

ControllerTimeout start_timeout() { return ControllerTimeout{bios_tenths()}; }

// True once more than half a second has passed. The tick count falls back
// to 0 at midnight; the measurement then starts again.
bool timed_out(ControllerTimeout& timeout) {
    const long double now_tenths = bios_tenths();
    if (now_tenths < timeout.start_tenths) timeout.start_tenths = now_tenths;
    return now_tenths - timeout.start_tenths > kControllerTimeoutTenths;
}

bool output_full() { return (platform::inportb(kPortStatus) & kStatusOutputFull) != 0; }

// --- port writes -------------------------------------------------------------

void write_when_ready(uint16_t port, uint8_t value) {
    wait_keyboard_controller_ready();
    platform::outportb(port, value);
}

// Masks IRQ 1 and gives back the mask it found, which unmask_irq1 restores.
uint8_t mask_irq1() {
    const uint8_t saved_mask = platform::inportb(kPortPicMask);
    write_when_ready(kPortPicMask, static_cast<uint8_t>(saved_mask | kIrq1MaskBit));
    return saved_mask;
}

void unmask_irq1(uint8_t saved_mask) { write_when_ready(kPortPicMask, saved_mask); }

void empty_pc_keyboard_buffer() {
    while (platform::kbhit() != 0) platform::getch();
}

bool small_console_keys_on() { return hw_option_flags.small_console_keys != 0; }

// --- the ring ----------------------------------------------------------------

int16_t next_ring_index(int16_t index) {
    return index + 1 >= kKeyRingWords ? int16_t{0} : static_cast<int16_t>(index + 1);
}

// The write index can only be out of range if something outside the handler
// wrote it; start again at 0 rather than write outside the ring.
void store_key_event(uint8_t code) {
    const int16_t write = key_ring_write >= 0 && key_ring_write < kKeyRingWords ? key_ring_write : int16_t{0};
    const int16_t next = next_ring_index(write);
    if (next == key_ring_read) return;  // full: keep the unread events
    const uint16_t high = key_ring_release_flag != 0 ? 0 : kPressHighByte;
    key_ring[static_cast<size_t>(write)] = static_cast<uint16_t>(high << 8 | code);
    key_ring_write = next;
}

void end_of_interrupt() { platform::outportb(kPortPicCommand, kEndOfInterrupt); }

}  // namespace

void reset_keyboard_isr_globals() {
    key_ring = {};
    key_ring_read = 0;
    key_ring_write = 0;
    key_ring_prefix_armed = 0;
    key_ring_release_flag = 0;
    saved_keyboard_vector = {};
    isr_installed = false;
}

void handle_keyboard_interrupt() {
    const uint8_t byte = platform::inportb(kPortData);
    if (key_ring_prefix_armed != 0) {
        if (byte == kDeviceReleasePrefix) {
            key_ring_release_flag = 1;
        } else {
            store_key_event(byte);
            key_ring_prefix_armed = 0;
            key_ring_release_flag = 0;
        }
        end_of_interrupt();
        return;
    }
    if (byte == kDeviceKeyPrefix) {
        key_ring_prefix_armed = 1;
        end_of_interrupt();
        return;
    }
    // The previous handler reads the same byte from port 60h and sends the
    // end-of-interrupt itself.
    platform::call_int_handler(saved_keyboard_vector.selector, saved_keyboard_vector.offset);
}

void install_keyboard_isr() {
    if (!small_console_keys_on() || isr_installed) return;
    const platform::IntVector handler = platform::handler_vector(&handle_keyboard_interrupt);
    if (handler.selector == 0) return;  // no handler slot left: the PC keyboard stays as it is
    key_ring_read = 0;
    key_ring_write = 0;
    key_ring_prefix_armed = 0;
    key_ring_release_flag = 0;
    platform::get_int_vector(kKeyboardInterrupt, saved_keyboard_vector.selector, saved_keyboard_vector.offset);
    platform::set_int_vector(kKeyboardInterrupt, handler.selector, handler.offset);
    isr_installed = true;
    set_keyboard_translation(0);
    select_keyboard_scan_code_set(kDeviceScanSet);
    empty_pc_keyboard_buffer();
}

void remove_keyboard_isr() {
    if (!small_console_keys_on() || !isr_installed) return;
    set_keyboard_translation(1);
    select_keyboard_scan_code_set(kPcScanSet);
    empty_pc_keyboard_buffer();
    platform::set_int_vector(kKeyboardInterrupt, saved_keyboard_vector.selector, saved_keyboard_vector.offset);
    saved_keyboard_vector = platform::IntVector{};
    isr_installed = false;
}

void wait_keyboard_controller_ready() {
    ControllerTimeout timeout = start_timeout();
    while ((platform::inportb(kPortStatus) & kStatusInputFull) != 0 && !timed_out(timeout)) {
    }
}

void wait_keyboard_output_full() {
    ControllerTimeout timeout = start_timeout();
    while (!output_full() && !timed_out(timeout)) {
    }
}

void wait_keyboard_ack() {
    ControllerTimeout timeout = start_timeout();
    for (;;) {
        while (!output_full()) {
            if (timed_out(timeout)) return;
        }
        if (platform::inportb(kPortData) == kDeviceAck || timed_out(timeout)) return;
    }
}

void set_keyboard_translation(uint8_t on) {
    const uint8_t saved_mask = mask_irq1();
    write_when_ready(kPortStatus, kControllerReadCommandByte);
    wait_keyboard_output_full();
    uint8_t command_byte = platform::inportb(kPortData);
    command_byte = on != 0 ? static_cast<uint8_t>(command_byte | kTranslationBit)
                           : static_cast<uint8_t>(command_byte & ~kTranslationBit);
    write_when_ready(kPortStatus, kControllerWriteCommandByte);
    write_when_ready(kPortData, command_byte);
    unmask_irq1(saved_mask);
}

void select_keyboard_scan_code_set(uint8_t set) {
    const uint8_t saved_mask = mask_irq1();
    write_when_ready(kPortData, kDeviceSelectScanSet);
    wait_keyboard_ack();
    write_when_ready(kPortData, set);
    wait_keyboard_ack();
    unmask_irq1(saved_mask);
}

void set_keyboard_leds(uint8_t index, uint8_t state) {
    if (!small_console_keys_on() || index < 1 || index > kSmallConsoleLeds || state > 1) return;
    platform::outportb(kPortData, kDeviceSetLed);
    platform::outportb(kPortData, static_cast<uint8_t>(index * kDeviceLedIndexStep + (state == 1 ? kDeviceLedOn : 0)));
}

void reset_keyboard_leds() {
    if (!small_console_keys_on()) return;
    platform::outportb(kPortData, kDeviceResetFirst);
    platform::outportb(kPortData, kDeviceResetSecond);
}

}  // namespace runtime
