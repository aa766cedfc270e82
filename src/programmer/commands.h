// The programmer's key commands that the key dispatcher starts, and the
// fixture selection it reads; each command is built in its own module.
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

// Group keys 81..96, 101, 102 (fixture_groups.h).
void handle_group_key(int16_t key);

void update_figure_state();             // 144, built in effect_panels.cpp
// 384 IGNITE, 385 SHUT OFF, 386 RESET.
void run_lamp_command_screen(int16_t key);

// Second function of key 246 with 148: pan and tilt flipped (flip_pan_tilt).
// With 144 it starts the effect wizard (effect_wizard.h).
void apply_pantilt_record();

}  // namespace programmer
