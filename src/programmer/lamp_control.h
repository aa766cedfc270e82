// The lamp commands IGNITE (384), SHUT OFF (385) and RESET (386): the screen
// on which the operator marks fixtures or groups for a command, and the
// queue that plays each marked fixture's lamp macro (its type's lamp steps,
// runtime/lamp_commands.h) as timed forced writes on its channels. A channel
// written by a step is parked (park_tables.h) until a release step gives it
// back. Ignitions of successive fixtures are spread at least 300 ms apart.
#pragma once
#include <array>
#include <cstdint>

#include "programmer/commands.h"

namespace programmer {

// Pending command per fixture 1..700: 0 none, 1..3 marked (ignite, shut
// off, reset), kLampQueued while its steps run.
constexpr uint8_t kLampQueued = 100;
constexpr uint8_t kIgnitionMarker = 10;     // event command of an ignition's start
constexpr uint32_t kIgnitionSpacing_ms = 300;
extern std::array<uint8_t, kFixtures + 1> lamp_pending_command;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_lamp_control_globals();

// run_lamp_command_screen (commands.h): the screen of the command key.

// Marks patch indexes a..b (either order) that have no pending command.
void mark_fixture_range_command(int16_t first, int16_t last, uint8_t command);
// Marks the members of groups g1..g2 (either order) that have no pending command.
void mark_group_range_command(int16_t first, int16_t last, uint8_t command);
// Appends the steps of the fixture's type for the command as events.
void queue_lamp_command(int16_t fixture, uint8_t command);
// run_lamp_command_queue (programmer_jobs.h): one marked fixture queued and
// the due events run, every poll.

}  // namespace programmer
