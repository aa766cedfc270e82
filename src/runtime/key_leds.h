// Key LEDs of the console surface and the key-release waits.
//
// Every console key has two LEDs (two colours), addressed on the console
// card by the key's matrix row and column; the second colour sits at
// second_led_offsets from the first. set_key_led turns a wanted state into
// LED command words appended to the console card's LED ring, one word per
// colour whose state changes; key_led_cache keeps unchanged LEDs off the
// ring. The five LEDs of the small console model go through the keyboard
// port instead (keyboard_isr.h).
#pragma once
#include <array>
#include <cstdint>

#include "runtime/keyboard_isr.h"

namespace runtime {

// LED states: per colour on, blinking or off.
constexpr uint8_t LED_OFF = 0;
constexpr uint8_t LED_ON = 1;
constexpr uint8_t LED_ON_2 = 2;
constexpr uint8_t LED_ON_BOTH = 3;
constexpr uint8_t LED_BLINK = 10;
constexpr uint8_t LED_BLINK_2 = 20;
constexpr uint8_t LED_BLINK_BOTH = 30;

// LED command word: bits 8-14 the row, bits 0-7 the column, bit 15 lit,
// bit 14 blinking (so a row of a word reaches 63 at most).
constexpr uint16_t LED_CMD_ON = 0x8000;
constexpr uint16_t LED_CMD_BLINK = 0x4000;
constexpr uint16_t kLedResetAllCommand = 0x7000;  // every key LED off

extern uint16_t led_ring_base;  // card address, read at the first use
// Last state sent to each small-console LED, 1..5 (index 0 unused).
extern std::array<uint8_t, kSmallConsoleLeds + 1> small_console_led_cache;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_key_leds_globals();

// Sets the LEDs of console key 0..519 to an LED state and records it in
// key_led_cache; other codes are ignored. When the ring stays full (or the
// card offers none) the cache keeps its old state, so a later call sends again.
void set_key_led(int16_t key, uint8_t state);
// Drops the LED commands the cards have not taken yet, switches every key
// LED off and forgets the cached states.
void reset_led_rings();

// Wait, running the background poll, while key stays held: until it is
// released, ESC is pressed or 1000 ms (long: 2000 ms) have passed. Inputs
// that arrive meanwhile are read and consumed.
void wait_key_release(int16_t key);
void wait_key_release_long(int16_t key);

}  // namespace runtime
