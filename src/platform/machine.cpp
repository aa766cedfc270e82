#include "platform/machine.h"

#include <cstdlib>

namespace platform {

namespace {
Machine* installed = nullptr;
}

void Machine::advance_ms(uint32_t ms) {
    clock.now_ms += ms;
    cards.elapse_ms(ms);
    sync.elapse_ms(ms);
    sync.follow_sound_pulses(ms);
}

void install_machine(Machine* m) { installed = m; }

Machine& machine() {
    if (installed == nullptr) {
        // A stand-in call without a machine is a programming error of the caller.
        std::abort();
    }
    return *installed;
}

bool machine_installed() { return installed != nullptr; }

void idle_poll() {
    Machine& m = machine();
    if (m.hooks.poll != nullptr) {
        m.hooks.poll(m.hooks.context);
    } else {
        m.advance_ms(1);
    }
}

void delay_ms(uint32_t ms) {
    Machine& m = machine();
    if (m.hooks.delay != nullptr) {
        m.hooks.delay(m.hooks.context, ms);
    } else {
        m.advance_ms(ms);
    }
}

void exit_program(int code) {
    if (installed != nullptr && installed->hooks.exit != nullptr) {
        installed->hooks.exit(installed->hooks.context, code);
    }
    std::exit(code);
}

}  // namespace platform
