#include "sync/midi_editors.h"

#include "runtime/step_log.h"

namespace synchro {

void edit_show_midi_lists() { runtime::log_call("synchro::edit_show_midi_lists"); }
void edit_midi_codes() { runtime::log_call("synchro::edit_midi_codes"); }

}  // namespace synchro
