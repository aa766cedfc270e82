// Key LEDs of the console surface. (Least body until the LED ring is built:
// the wanted state is only kept in key_led_cache.)
#pragma once
#include <cstdint>

namespace runtime {

// LED states: per colour on, blinking or off.
constexpr uint8_t LED_OFF = 0;
constexpr uint8_t LED_ON = 1;
constexpr uint8_t LED_ON_2 = 2;
constexpr uint8_t LED_ON_BOTH = 3;
constexpr uint8_t LED_BLINK = 10;
constexpr uint8_t LED_BLINK_2 = 20;
constexpr uint8_t LED_BLINK_BOTH = 30;

// Sets the LEDs of console key 0..519; other codes are ignored.
void set_key_led(int16_t key, uint8_t state);
// Drops the LED commands the cards have not taken yet and forgets the
// cached states.
void reset_led_rings();

}  // namespace runtime
