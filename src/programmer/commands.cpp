#include "programmer/commands.h"

#include "runtime/step_log.h"

namespace programmer {

std::array<uint8_t, kFixtures + 1> fixture_selected{};

void reset_commands_globals() {
    fixture_selected = {};
}

void handle_group_key(int16_t key) { runtime::log_call("programmer::handle_group_key", {key}); }
void update_figure_state() { runtime::log_call("programmer::update_figure_state"); }
void run_lamp_command_screen(int16_t key) { runtime::log_call("programmer::run_lamp_command_screen", {key}); }
void apply_pantilt_record() { runtime::log_call("programmer::apply_pantilt_record"); }

}  // namespace programmer
