#include "rig/console.h"

#include "runtime/main_loop.h"
#include "runtime/startup.h"

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

}  // namespace rig
