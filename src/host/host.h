// Where the stand-ins meet Linux: the window, the PC keyboard and mouse, the
// speaker and the real-time clock. (to be filled in)
#pragma once
#include "platform/machine.h"

namespace host {

void open(platform::Machine& machine, const char* program_path);
bool quit_requested();
void close();

}  // namespace host
