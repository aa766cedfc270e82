// The automatic test procedure (menu item A) and the configuration test (C).
//
// What kind of console is expected follows from the console card's option
// bits: a control panel (keys, analogue faders or displays) and digital
// belts. The automatic procedure runs the tests C..N that apply to that kind
// and stops at the first one that fails; the configuration test shows what
// the cards report and checks it against the kind.
#pragma once

namespace hwtest {

struct ConsoleKind {
    bool expects_panel = false;  // hardware keys, analogue faders or displays
    bool expects_belts = false;  // function or sequence belts
    bool has_wing = false;       // 42 playbacks: the card reports the playback wing
};

extern ConsoleKind console_kind;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_auto_test_globals();

// Fixes the console kind from the option flags (start-up, after they are read).
void determine_console_kind();

void run_automatic_test();
bool test_configuration();

}  // namespace hwtest
