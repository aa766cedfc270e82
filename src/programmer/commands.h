// The programmer's key commands and trackerball handlers that the key
// dispatcher starts, and the fixture selection it reads. (Least bodies until
// the programmer is built.)
#pragma once
#include <array>
#include <cstdint>

#include "runtime/show_tables.h"

namespace programmer {

constexpr int kFixtures = static_cast<int>(runtime::kShowFixtures);

// Per fixture 1..700 its selection (1 = selected, index 0 unused); the
// patched fixtures are 1..setup::fixture_count.
extern std::array<uint8_t, kFixtures + 1> fixture_selected;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_commands_globals();

// Fixture keys 1..70, ALL (76) and NONE (77); group keys 81..96, 101, 102.
void handle_fixture_key(int16_t key);
void handle_group_key(int16_t key);
// Fixture bank keys 71 and 72.
void handle_fixture_bank_keys(int16_t key);
// Fader 1..16 of the current bank; function page 1 or 2.
void select_fader(int16_t fader);
void select_function_page(int16_t page);
// Fixture 1..setup::fixture_count: select (and edit) or deselect it.
void select_fixture(int16_t fixture);
void deselect_fixture(int16_t fixture);
// LAST (191) or NEXT (192) in fixture step mode.
void select_next_fixture(int16_t key);

void update_figure_state();             // 144
void enter_trackerball_pantilt_mode();  // 148
void run_predefined_command();          // 164
void run_color_command();               // 195
void keep_even_fixtures();              // 382
void keep_odd_fixtures();               // 383
// 384 IGNITE, 385 SHUT OFF, 386 RESET.
void run_lamp_command_screen(int16_t key);

// Second functions of key 246: 148 and 144.
void apply_pantilt_record();
void run_effect_wizard();

// EDIT VALUE on the fixture faders: a value for the selected fader typed in.
void run_edit_function_value();

}  // namespace programmer
