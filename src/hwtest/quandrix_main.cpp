// The hardware test program on Linux: the simulated PC, its drives, the
// host, then the test program's own start.
#include <memory>
#include <string>

#include "host/drives.h"
#include "host/host.h"
#include "hwtest/test_menu.h"
#include "platform/machine.h"

int main() {
    auto machine = std::make_unique<platform::Machine>();
    platform::install_machine(machine.get());
    const std::string program_path = host::map_drives(*machine);
    host::open(*machine);
    const char* const arguments[] = {program_path.c_str(), nullptr};
    hwtest::quandrix_main(1, arguments);
}
