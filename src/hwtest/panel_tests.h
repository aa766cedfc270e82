// Tests of the control panel: LEDs (D), keys (E), displays (H) and the
// trackerball (I). Each returns true when passed.
#pragma once

namespace hwtest {

bool test_leds();
bool test_keys();
bool test_displays();
bool test_trackerball();

}  // namespace hwtest
