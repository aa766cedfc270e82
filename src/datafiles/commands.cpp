#include "datafiles/commands.h"

#include "datafiles/show_files.h"
#include "runtime/key_codes.h"

namespace datafiles {

uint8_t show_file_operation = 0;

void reset_commands_globals() {
    show_file_operation = 0;
}

void handle_load_key() { run_save_load_key(runtime::KEY_LOAD); }
void handle_save_key() { run_save_load_key(runtime::KEY_SAVE); }

}  // namespace datafiles
