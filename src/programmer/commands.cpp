#include "programmer/commands.h"

#include "programmer/library_values.h"
#include "runtime/step_log.h"

namespace programmer {

std::array<uint8_t, kFixtures + 1> fixture_selected{};

void reset_commands_globals() {
    fixture_selected = {};
}

void handle_group_key(int16_t key) { runtime::log_call("programmer::handle_group_key", {key}); }
void run_lamp_command_screen(int16_t key) { runtime::log_call("programmer::run_lamp_command_screen", {key}); }
void apply_pantilt_record() { flip_pan_tilt(); }

}  // namespace programmer
