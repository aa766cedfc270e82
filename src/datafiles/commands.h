// The LOAD and SAVE keys, and the show-file operation the name browser reads
// (the show files themselves: show_files.h).
#pragma once
#include <cstdint>

namespace datafiles {

// 1 save, 2 load.
extern uint8_t show_file_operation;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_commands_globals();

// A show load sets restart_requested, which the main loop acts on after the key.
void handle_load_key();
void handle_save_key();

}  // namespace datafiles
