#include "programmer/commands.h"

#include "runtime/step_log.h"

namespace programmer {

std::array<uint8_t, kFixtures + 1> fixture_selected{};

void reset_commands_globals() {
    fixture_selected = {};
}

void handle_fixture_key(int16_t key) { runtime::log_call("programmer::handle_fixture_key", {key}); }
void handle_group_key(int16_t key) { runtime::log_call("programmer::handle_group_key", {key}); }
void handle_fixture_bank_keys(int16_t key) { runtime::log_call("programmer::handle_fixture_bank_keys", {key}); }
void select_fader(int16_t fader) { runtime::log_call("programmer::select_fader", {fader}); }
void select_function_page(int16_t page) { runtime::log_call("programmer::select_function_page", {page}); }
void select_fixture(int16_t fixture) { runtime::log_call("programmer::select_fixture", {fixture}); }
void deselect_fixture(int16_t fixture) { runtime::log_call("programmer::deselect_fixture", {fixture}); }
void select_next_fixture(int16_t key) { runtime::log_call("programmer::select_next_fixture", {key}); }
void update_figure_state() { runtime::log_call("programmer::update_figure_state"); }
void enter_trackerball_pantilt_mode() { runtime::log_call("programmer::enter_trackerball_pantilt_mode"); }
void run_predefined_command() { runtime::log_call("programmer::run_predefined_command"); }
void run_color_command() { runtime::log_call("programmer::run_color_command"); }
void keep_even_fixtures() { runtime::log_call("programmer::keep_even_fixtures"); }
void keep_odd_fixtures() { runtime::log_call("programmer::keep_odd_fixtures"); }
void run_lamp_command_screen(int16_t key) { runtime::log_call("programmer::run_lamp_command_screen", {key}); }
void apply_pantilt_record() { runtime::log_call("programmer::apply_pantilt_record"); }
void run_effect_wizard() { runtime::log_call("programmer::run_effect_wizard"); }

void run_edit_function_value() { runtime::log_call("programmer::run_edit_function_value"); }

}  // namespace programmer
