// The keyboard interrupt handler of the small console model, and the
// keyboard-controller routines that switch the keyboard port between the
// device's mode and the normal PC keyboard mode and drive the device's LEDs.
//
// The small console's keys and five LEDs sit on a device on the PC keyboard
// port. It marks its key events with a prefix byte: E2h, then F0h for a
// release, then the key code. The handler stores such events in key_ring and
// hands every other byte to the previous int 9 handler, so the PC keyboard
// keeps working. It is installed at start-up only when the small-console keys
// option is on, and removed again at program end.
#pragma once
#include <array>
#include <cstdint>

#include "platform/interrupts.h"

namespace runtime {

constexpr uint8_t kKeyboardInterrupt = 9;
constexpr uint8_t kDeviceKeyPrefix = 0xE2;
constexpr uint8_t kDeviceReleasePrefix = 0xF0;
constexpr int kSmallConsoleLeds = 5;

// The ring the keyboard interrupt handler fills and the key reader empties:
// a word is the external code in the low byte and 1 (press) or 0 (release)
// in the high byte. Each side moves only its own index (0..999). When the
// ring is full (the word after the write index is the read index) the
// handler drops further key events rather than overwrite unread ones.
constexpr int kKeyRingWords = 1000;
extern std::array<uint16_t, kKeyRingWords> key_ring;
extern int16_t key_ring_read;
extern int16_t key_ring_write;
extern int16_t key_ring_prefix_armed;   // 1 after E2h arrived
extern int16_t key_ring_release_flag;   // 1 after F0h followed the prefix
// The int 9 vector in place before install_keyboard_isr.
extern platform::IntVector saved_keyboard_vector;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_keyboard_isr_globals();

// The int 9 handler: one byte from port 60h per interrupt.
void handle_keyboard_interrupt();

// Hooks int 9, switches the controller's translation off and the device to
// scan code set 1 (only with the small-console keys option, and only once).
void install_keyboard_isr();
// The program's exit routine for the handler: translation on, scan code set
// 2 and the previous int 9 vector back. Does nothing when not installed.
void remove_keyboard_isr();

// The controller waits. Each gives up after more than half a second on the
// BIOS tick count; a device that does not answer costs only that time.
void wait_keyboard_controller_ready();  // while port 64h bit 1 (input buffer full)
void wait_keyboard_output_full();       // until port 64h bit 0 (output buffer full)
void wait_keyboard_ack();               // until port 60h gives FAh

// Bit 6 of the controller's command byte: on 1, off 0.
void set_keyboard_translation(uint8_t on);
void select_keyboard_scan_code_set(uint8_t set);

// LED 1..5 of the small console's device, state 0 or 1; other values are
// ignored, and so is every call while the small-console keys option is off
// (a plain PC keyboard does not know these commands).
void set_keyboard_leds(uint8_t index, uint8_t state);
// All five device LEDs off.
void reset_keyboard_leds();

}  // namespace runtime
