// The console program on Linux: the simulated PC as the machine description
// says, its drives, the host, then the console's own start-up.
#include <memory>
#include <string>

#include "host/drives.h"
#include "host/hardware.h"
#include "host/host.h"
#include "platform/machine.h"
#include "runtime/key_reader.h"
#include "runtime/main_loop.h"
#include "runtime/startup.h"

namespace {

// How long the quit key may take to reach the main loop (a dialog may hold it)
// before the program end is called directly.
constexpr uint64_t kQuitKeyGrace_ms = 2000;

// A closed window or Ctrl-C: the console's quit key, taken by the main loop,
// which then runs the program end; before the main loop runs, or when a
// dialog keeps the key from it, the program end at once.
void quit_console(uint64_t since_request_ms) {
    static bool quit_key_given = false;
    if (runtime::quit_requested != 0) return;  // the main loop took it: the program end is under way
    if (runtime::main_loop_passes > 0 && since_request_ms < kQuitKeyGrace_ms) {
        if (!quit_key_given) runtime::pushed_back_key = runtime::KEY_QUIT;
        quit_key_given = true;
        return;
    }
    runtime::end_program();
}

}  // namespace

int main() {
    auto machine = std::make_unique<platform::Machine>();
    platform::install_machine(machine.get());
    const std::string program_path = host::map_drives(*machine);
    host::fit_described_hardware(*machine, "bravinox");
    host::open(*machine, &quit_console);
    runtime::console_main(program_path.c_str());
}
