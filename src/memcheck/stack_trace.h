// Stack traces, the stack watch and the null-assignment watch.
//
// A trace walks the chain of saved frame pointers from the present frame
// outward and writes each return address that follows a call instruction.
// Every read stays between the frame it starts from and the top of the
// thread's stack, and a code byte is read only inside a loaded executable
// segment, so a broken chain ends the trace with a warning.
#pragma once
#include <cstdint>

namespace memcheck {

constexpr unsigned kMaxTraceFrames = 25;
constexpr uintptr_t kTraceTopMargin = 24;
constexpr uintptr_t kLowestReturnAddress = 0x100;

enum McTraceKind : int {
    kTraceUnrecognised = 0,
    kTraceFar = 1,
    kTraceNear = 2,
    kTraceBadChain = 3,
    kTraceBegin = 0x80,
    kTraceEnd = 0x81,
};

// Receives the begin (0x80), one call per frame and the end (0x81).
using McTraceWriter = void (*)(int kind, unsigned segment, unsigned long offset);
McTraceWriter mc_set_trace_writer(McTraceWriter writer);
void mc_write_stack_trace(int kind, unsigned segment, unsigned long offset);

// One trace headed by the comment; -1 when it ended on an unrecognised frame.
int mc_stack_trace(const char* comment);
// The trace of a processor exception: the faulting address first, as a far
// frame, then the chain from the faulting frame pointer.
int mc_exception_trace(const char* comment, uintptr_t fault_address, uintptr_t frame, uintptr_t stack_pointer);
// Whether the bytes before an address form a call instruction in the
// program's code: what a return address saved beside a frame pointer holds.
bool mc_is_return_address(uintptr_t address);
// "<< Stack Relative Base=%04X:%p >>", once per run.
void mc_log_stack_base();
// Makes a new run's first trace write its header again, and notes the
// executable segments the walk may read.
void mc_trace_start_run();

// Every global of this module back to its value at program load (a clean start for each test).
void reset_stack_trace_globals();

using McStackOverflowHook = void (*)();
// Returns the old hook; a null argument keeps the present one.
McStackOverflowHook mc_set_stack_overflow_hook(McStackOverflowHook hook);
void mc_stack_watch_prepare(bool on);
void mc_stack_watch_start();
// Runs on every outermost entry while the watch is on.
void mc_stack_watch();
uintptr_t mc_stack_low_water();

// 1 near, 2 far, 0 none.
int mc_null_watch();
void mc_reset_null_watch();

}  // namespace memcheck
