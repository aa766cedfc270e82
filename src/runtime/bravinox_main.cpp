// The console program. Start-up comes with the runtime; until then it opens
// the host and shows the machine's screen.
#include "host/host.h"
#include "platform/machine.h"

int main(int argc, char** argv) {
    (void)argc;
    auto machine = std::make_unique<platform::Machine>();
    platform::install_machine(machine.get());
    host::open(*machine, argv[0]);
    while (!host::quit_requested()) platform::idle_poll();
    host::close();
    platform::exit_program(1);
}
