// Tests of the analogue faders (F) and the digital belts (G). Each returns
// true when passed.
#pragma once

namespace hwtest {

bool test_analogue_faders();
bool test_digital_faders();

}  // namespace hwtest
