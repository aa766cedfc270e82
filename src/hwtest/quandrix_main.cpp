// The hardware test program on Linux: the simulated PC as the machine
// description says, its drives, the host, then the test program's own start.
#include <memory>
#include <string>

#include "host/drives.h"
#include "host/hardware.h"
#include "host/host.h"
#include "hwtest/cdrom_test.h"
#include "hwtest/test_menu.h"
#include "platform/graphics.h"
#include "platform/machine.h"

namespace {

// A closed window or Ctrl-C ends the program as Q in the main menu does: the
// results log written, the console outputs reset, exit code 1. Before the
// menu has drawn its screen (the key-layout failure screen) the log has not
// been read yet, so it is left as it is.
void quit_quandrix(uint64_t) {
    if (platform::machine().graphics.open) hwtest::save_test_log();
    hwtest::reset_console_outputs();
    synchro::free_dos_buffer(synchro::cd_state.buffer_selector);
    platform::_closegraph();
    platform::exit_program(1);
}

}  // namespace

int main() {
    auto machine = std::make_unique<platform::Machine>();
    platform::install_machine(machine.get());
    const std::string program_path = host::map_drives(*machine);
    host::fit_described_hardware(*machine, "quandrix");
    host::open(*machine, &quit_quandrix);
    const char* const arguments[] = {program_path.c_str(), nullptr};
    hwtest::quandrix_main(1, arguments);
}
