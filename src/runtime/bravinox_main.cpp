// The console program on Linux: the simulated PC, its drives, the host, then
// the console's own start-up.
#include <memory>
#include <string>

#include "host/drives.h"
#include "host/host.h"
#include "platform/machine.h"
#include "runtime/startup.h"

int main() {
    auto machine = std::make_unique<platform::Machine>();
    platform::install_machine(machine.get());
    const std::string program_path = host::map_drives(*machine);
    host::open(*machine);
    runtime::console_main(program_path.c_str());
}
