// The keyboard interrupt handler of the small console model and its LEDs.
// (Least bodies until the keyboard handler is built.)
#pragma once
#include <array>
#include <cstdint>

namespace runtime {

// The ring the keyboard interrupt handler fills and the key reader empties:
// a word is the external code in the low byte and 1 (press) or 0 (release)
// in the high byte. Each side moves only its own index (0..999).
constexpr int kKeyRingWords = 1000;
extern std::array<uint16_t, kKeyRingWords> key_ring;
extern int16_t key_ring_read;
extern int16_t key_ring_write;

void install_keyboard_isr();
void set_keyboard_leds(int led, int on);

}  // namespace runtime
