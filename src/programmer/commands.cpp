#include "programmer/commands.h"

#include "runtime/step_log.h"

namespace programmer {

std::array<uint8_t, kFixtures + 1> fixture_selected{};

void reset_commands_globals() {
    fixture_selected = {};
}

void update_figure_state() { runtime::log_call("programmer::update_figure_state"); }
void apply_pantilt_record() { runtime::log_call("programmer::apply_pantilt_record"); }
void run_effect_wizard() { runtime::log_call("programmer::run_effect_wizard"); }

}  // namespace programmer
