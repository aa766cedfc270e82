#include "runtime/key_dispatch.h"

#include "runtime/key_reader.h"
#include "runtime/startup.h"

namespace runtime {

void dispatch_key(int16_t key) {
    if (key == KEY_QUIT) quit_requested = 1;
}

void handle_mouse_click() {}
void step_mode_wheels() {}

}  // namespace runtime
