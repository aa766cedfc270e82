#include "sync/list_open.h"

#include <cstdio>
#include <cstring>

#include "datafiles/small_tables.h"
#include "datafiles/whole_files.h"
#include "platform/dos_files.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/step_log.h"
#include "sync/commands.h"
#include "sync/midi_events.h"
#include "sync/timecode_lists.h"
#include "ui/helpers.h"
#include "ui/message_line.h"

namespace synchro {

std::string pending_list_name;
uint8_t list_open_request = 0;

void reset_list_open_globals() {
    pending_list_name.clear();
    list_open_request = 0;
}

// A name of the table longer than a list name is never opened: no file of
// the console carries it.
void open_list_by_midi_number(uint16_t list) {
    runtime::log_call("synchro::open_list_by_midi_number", {list});
    if (list >= datafiles::kMidiShowEntries) return;
    const auto& entry = datafiles::midi_show_table[static_cast<size_t>(list) + 1];
    const std::string name(reinterpret_cast<const char*>(entry.data()), strnlen(reinterpret_cast<const char*>(entry.data()), entry.size()));
    if (name.empty()) return;
    FILE* file = valid_list_name(name) ? platform::dos_fopen(datafiles::data_path((name + ".lst").c_str()).c_str(), "r")
                                       : nullptr;
    if (file == nullptr) {
        ui::show_message("ERROR : LIST '%s' NOT FOUND", name.c_str());
        ui::beep(400, 2000);
        return;
    }
    std::fclose(file);
    pending_list_name = name;
    if ((runtime::option_flags & runtime::OPT_TIMECODE_SCREEN) == 0) {
        list_open_request = 0;
        run_timecode_screen(runtime::keys::KEY_OPEN_LIST);
    } else {
        list_open_request = 1;
    }
}

}  // namespace synchro
