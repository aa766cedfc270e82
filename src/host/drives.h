// The simulated PC's drives on the host's folders.
//
// The running binary lives in its program directory; drive C: is the folder
// above it, so the program path is C:\<DIR>\<NAME>.EXE. The host settings
// BRAVINOX_DRIVE_C, BRAVINOX_DRIVE_A and BRAVINOX_PRINTER choose other folders.
#pragma once
#include <filesystem>
#include <string>

#include "platform/machine.h"

namespace host {

// The host folder of the running binary: the program directory.
std::filesystem::path program_folder();

// Maps drives C: and A: and the printer of the machine; returns the DOS
// path of the running program (empty when it lies outside drive C:).
std::string map_drives(platform::Machine& machine);

}  // namespace host
