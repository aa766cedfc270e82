// The processor-exception report.
//
// With Exception Handling on and checking started, the checker takes the
// signals that stand for the processor exceptions it knows (divide error,
// invalid opcode, general protection and page fault). On a fault it puts
// back the handlers that were in place before, writes its report and
// returns, so that the faulting instruction runs again and reaches the
// previous handler. A signal that was sent rather than raised by a fault is
// sent again, so that it too reaches the previous handler.
//
// The report is written from the signal handler with async-signal-safe
// calls only: its lines are formatted into buffers made beforehand and go
// out with write(2), to the log and to standard output; the display hook is
// not called for them.
#pragma once
#include <cstdint>

#include "memcheck/run_state.h"

namespace memcheck {

constexpr unsigned kDashLineChars = 76;

// The registers at the fault.
struct McExceptionRecord {
    uint8_t exception_number = 0;
    uint32_t error_code = 0;
    uint64_t eax = 0, ebx = 0, ecx = 0, edx = 0, esi = 0, edi = 0, ebp = 0, esp = 0, eip = 0;
    uint16_t cs = 0, ds = 0, es = 0, fs = 0, gs = 0, ss = 0;
    uint64_t eflags = 0;
};

extern McExceptionRecord mc_exception_record;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_exceptions_globals();

// Runs inside the signal handler: it must keep to async-signal-safe calls.
using McExceptionCallback = void (*)();
// Stores the callback and returns the old one; a callback installs the
// handlers (when Exception Handling is on), null removes them.
McExceptionCallback mc_set_exception_callback(McExceptionCallback callback);
// The default callback: the report.
void mc_exception_handler();

void mc_install_exception_handlers();
void mc_remove_exception_handlers();
// "%02Xh " for each exception handled now, or "None".
McText mc_exceptions_handled_text();

}  // namespace memcheck
