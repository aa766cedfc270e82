#include "datafiles/commands.h"

#include "runtime/step_log.h"

namespace datafiles {

uint8_t show_file_operation = 0;

void handle_load_key() { runtime::log_call("datafiles::handle_load_key"); }
void handle_save_key() { runtime::log_call("datafiles::handle_save_key"); }

}  // namespace datafiles
