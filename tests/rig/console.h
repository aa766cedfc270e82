// The console program in the rig.
#pragma once
#include "platform/card_bus.h"
#include "rig/program_dir.h"
#include "rig/rig.h"

namespace rig {

// The hardware of the demo console: the interface card at C800h with
// firmware 338 and every option of the console surface.
platform::CardSettings demo_console_card();

// Maps drive C: to the program directory, fits the demo card (unless the
// test fitted its own cards) and starts the console program; returns once the
// main loop runs, or once the program has ended.
void start_console(Rig& rig, const ProgramDir& dir, bool fit_demo_card = true);

// On the console's thread: the start-up steps a dialog under test needs
// (configuration, key layout, cards, graphics, trackerball) without the show.
void start_console_parts();

}  // namespace rig
