#include "programmer/colour_mixing.h"

#include "runtime/step_log.h"

namespace programmer {

void run_rgb_color_screen() { runtime::log_call("programmer::run_rgb_color_screen"); }

}  // namespace programmer
