// Start-up, the show cycle and the program end.
#pragma once
#include <cstdint>

namespace runtime {

extern uint8_t restart_requested;  // set by show loading (leaving the fixture setup does not)
extern uint8_t quit_requested;     // set by the quit confirmation

// Every global of this module back to its value at program load (a clean start for each test).
void reset_startup_globals();

// The console program: start-up, the show cycle while a restart is
// requested, then the program end, which always exits with code 1.
[[noreturn]] void console_main(const char* program_path);
// The program end: the console surface reset, the tables and images freed,
// graphics closed, the keyboard handler removed; exits with code 1.
[[noreturn]] void end_program();

void init_show();
void shutdown_hardware();
void refresh_after_start();
void free_fixture_tables();
void free_show_records();

}  // namespace runtime
