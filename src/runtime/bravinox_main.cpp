// The console program. Start-up comes with the runtime; until then it opens
// the host and shows the machine's screen until the window is closed.
#include "host/host.h"
#include "platform/machine.h"

int main() {
    auto machine = std::make_unique<platform::Machine>();
    platform::install_machine(machine.get());
    host::open(*machine);
    while (!host::quit_requested()) platform::idle_poll();
    host::close();
    platform::exit_program(1);
}
