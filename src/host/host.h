// Where the stand-ins meet Linux.
//
// The host moves the machine's clock from the monotonic clock, shows the frame
// buffer in an SDL window (scaled 2x), turns the PC keyboard and mouse into
// what the keyboard queue and the mouse driver deliver, plays the speaker's
// tone, and prints the text screen to the terminal when it changes. It runs
// on the console's one thread: the console's input step and its plain delays
// call into it (platform::idle_poll, platform::delay_ms), so nothing is
// touched from two threads. Without a display it says so and runs headless.
//
// Host settings (environment):
//   BRAVINOX_HEADLESS=1   run without a window even when a display is there
//   BRAVINOX_SACN=...     where the DMX universes go as sACN: an IPv4 address
//                         (default 127.0.0.1), "multicast", or "off"
#pragma once
#include "platform/machine.h"

namespace host {

// Installs the host's hooks on the machine and opens the window when it can.
void open(platform::Machine& machine);
// True when a window is shown.
bool has_window();
// Closes the window and the audio; the hooks stay installed.
void close();

}  // namespace host
