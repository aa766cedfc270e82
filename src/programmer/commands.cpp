#include "programmer/commands.h"

namespace programmer {

std::array<uint8_t, kFixtures + 1> fixture_selected{};

void handle_fixture_key(int16_t) {}
void handle_group_key(int16_t) {}
void handle_fixture_bank_keys(int16_t) {}
void select_fader(int16_t) {}
void select_function_page(int16_t) {}
void select_fixture(int16_t) {}
void deselect_fixture(int16_t) {}
void select_next_fixture(int16_t) {}
void start_timing_edit_mode() {}
void update_figure_state() {}
void enter_trackerball_pantilt_mode() {}
void run_predefined_command() {}
void run_color_command() {}
void run_dimmer_channel_edit() {}
void keep_even_fixtures() {}
void keep_odd_fixtures() {}
void run_lamp_command_screen(int16_t) {}
void run_edit_time_screen(int16_t) {}
void apply_pantilt_record() {}
void run_effect_wizard() {}
void apply_trackerball_to_fader() {}
void apply_trackerball_to_pantilt() {}

}  // namespace programmer
