#include "host/hardware.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "host/drives.h"
#include "platform/machine_description.h"

namespace host {

void fit_described_hardware(platform::Machine& machine, const char* program_name) {
    const char* setting = std::getenv("BRAVINOX_MACHINE");
    const std::filesystem::path path = setting != nullptr && setting[0] != '\0'
                                           ? std::filesystem::path(setting)
                                           : program_folder() / platform::kMachineDescriptionName;
    platform::MachineDescription description;
    std::string error;
    if (!platform::read_machine_description(path, description, error)) {
        std::fprintf(stderr,
                     "%s: %s\n%s: the machine description says which simulated hardware the PC has "
                     "(see \"Simulated hardware\" in README.md)\n",
                     program_name, error.c_str(), program_name);
        std::exit(1);
    }
    platform::fit_machine(machine, description);
}

}  // namespace host
