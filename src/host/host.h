// Where the stand-ins meet Linux.
//
// The host moves the machine's clock from the monotonic clock, sends the DMX
// universes as sACN, takes PC keys from standard input (a terminal or a pipe),
// shows the screen in an SDL window (the frame buffer while graphics is open,
// the text screen otherwise) with the console surface beside and below it
// (surface.h), scaled to the window with its aspect kept (window_fit.h),
// turns the window's keys and mouse into what the keyboard queue, the mouse
// driver and the console surface deliver (over the screen the trackerball's
// pointer follows the host's and is drawn), plays the speaker's tone, and
// prints the text screen to the terminal when it changes. Headless, it
// prints the console's LCD text as it changes (lcd_echo.h).
// It runs on the program's one thread: the program's input step and its
// plain delays call into it (platform::idle_poll, platform::delay_ms), so
// nothing is touched from two threads. Without a display it runs headless.
//
// Quitting: closing the window, Ctrl-C (in the window or on the terminal),
// SIGTERM and SIGHUP ask the program to end; the host then calls the
// program's quit handler from its pump. A second Ctrl-C while the program is
// ending ends the process at once. However the program ends through its
// exit, each sACN universe it sent is ended with stream-terminated packets.
//
// Host settings (environment):
//   BRAVINOX_HEADLESS=1   run without a window even when a display is there
//   BRAVINOX_SACN=...     where the DMX universes go as sACN: an IPv4 address
//                         (default 127.0.0.1), "multicast", or "off"
#pragma once
#include <cstdint>

#include "platform/machine.h"

namespace host {

// The program's own ending, called on the program's thread once a quit was
// asked for, and again at every later pump until the program has ended
// (never from inside itself); since_request_ms is the time since the ask.
using QuitHandler = void (*)(uint64_t since_request_ms);

// Installs the host's hooks on the machine, opens the window when it can and
// starts reading keys from standard input.
void open(platform::Machine& machine, QuitHandler on_quit);
// True when a window is shown.
bool has_window();
// Ends the sACN universes (stream-terminated packets), closes the window and
// the audio and gives the terminal back; the hooks stay installed.
void close();

}  // namespace host
