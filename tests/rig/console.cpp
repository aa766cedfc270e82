#include "rig/console.h"

#include "runtime/card_discovery.h"
#include "runtime/config_records.h"
#include "runtime/main_loop.h"
#include "runtime/mouse_input.h"
#include "runtime/startup.h"
#include "ui/screens.h"

namespace rig {

namespace {
constexpr uint32_t kStartLimit_ms = 60'000;
}

platform::CardSettings demo_console_card() {
    platform::CardSettings card;
    card.firmware_version = {'3', '3', '8'};
    card.options = 0x1F;  // analogue section, function belts, sequence belts, displays, keys
    return card;
}

void start_console(Rig& rig, const ProgramDir& dir, bool fit_demo_card) {
    dir.map_drive(rig.machine());
    if (fit_demo_card) rig.machine().cards.fit(0, demo_console_card());
    rig.start([] { runtime::console_main(ProgramDir::program_path().c_str()); });
    rig.run_until([] { return runtime::main_loop_passes > 0; }, kStartLimit_ms);
}

void start_console_parts() {
    runtime::set_home_directory(ProgramDir::program_path().c_str());
    runtime::load_console_config();
    runtime::load_keyboard_config();
    runtime::discover_cards();
    runtime::read_card_memory_map();
    runtime::read_console_options();
    ui::start_graphics();
    runtime::init_mouse();
    runtime::clear_input_pending_flags();
}

}  // namespace rig
