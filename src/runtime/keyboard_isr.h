// The keyboard interrupt handler of the small console model and its LEDs.
// (Least bodies until the keyboard handler is built.)
#pragma once

namespace runtime {

void install_keyboard_isr();
void set_keyboard_leds(int led, int on);

}  // namespace runtime
