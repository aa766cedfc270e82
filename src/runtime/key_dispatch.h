// The key dispatcher: hands a key to its command. (Least body: KEY_QUIT ends
// the program; the commands come with the full dispatcher.)
#pragma once
#include <cstdint>

namespace runtime {

void dispatch_key(int16_t key);
void handle_mouse_click();
void step_mode_wheels();

}  // namespace runtime
