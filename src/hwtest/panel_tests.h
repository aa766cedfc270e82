// Tests of the control panel: LEDs (D), keys (E), displays (H) and the
// trackerball (I). Each draws the test frame, clears its pass flag and
// returns true (with the flag set) only when it ends with "TEST OK"; a test
// whose hardware or driver is missing reports it on the status line and
// returns false at once.
#pragma once
#include "platform/key_leds.h"

namespace hwtest {

bool test_leds();
bool test_keys();
bool test_displays();
bool test_trackerball();

// The LED groups of the LED test, by key code (1..401): the keys' LED fitting.
using platform::is_single_green_led_key;
using platform::is_two_led_key;
bool is_single_red_led_key(int key);  // any other key whose LED column and row are set

// Whether the key test asks for this key on the console as it reports itself.
bool is_key_tested(int key);

}  // namespace hwtest
