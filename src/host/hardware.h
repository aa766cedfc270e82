// The simulated hardware of a real run, from the machine description.
//
// The description is machine.txt in the program directory; the host setting
// BRAVINOX_MACHINE names another file.
#pragma once
#include "platform/machine.h"

namespace host {

// Fits the machine as the description says. A missing or bad description
// ends the process with exit code 1 and a message on standard error that
// names the file and the line.
void fit_described_hardware(platform::Machine& machine, const char* program_name);

}  // namespace host
