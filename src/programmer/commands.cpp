#include "programmer/commands.h"

#include "programmer/library_values.h"
#include "runtime/step_log.h"

namespace programmer {

std::array<uint8_t, kFixtures + 1> fixture_selected{};

void reset_commands_globals() {
    fixture_selected = {};
}

void apply_pantilt_record() { flip_pan_tilt(); }

}  // namespace programmer
