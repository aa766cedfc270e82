// A record of the steps the start-up, the show cycle and the background poll
// run, in order, so that the order can be checked. A fixed ring of the names:
// logging a step stores one pointer and never allocates.
//
// Beside the steps, a second ring keeps what the least bodies of the parts
// not built yet were asked: each records its name and argument values (a cue
// slot, a playback number, a page), so that a test sees what a key or a
// dialog passed on, not only that a call happened. The jobs run on every
// pass of the background poll or the main loop record nothing (the poll logs
// its jobs as steps), so that the calls of a long wait stay in the ring.
#pragma once
#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace runtime {

constexpr int kStepLogSize = 4096;
constexpr int kCallLogSize = 1024;
constexpr int kMaxCallArguments = 4;

// One call of a least body: its name ("playback::go_to_cue") and arguments.
struct LoggedCall {
    const char* name = nullptr;
    uint8_t argument_count = 0;
    std::array<int32_t, kMaxCallArguments> arguments{};
};

struct StepLog {
    std::array<const char*, kStepLogSize> names{};
    uint64_t count = 0;  // steps logged since the last clear
    std::array<LoggedCall, kCallLogSize> calls{};
    uint64_t call_count = 0;  // calls recorded since the last clear
};

extern StepLog step_log;

inline void log_step(const char* name) {
    step_log.names[step_log.count % kStepLogSize] = name;
    ++step_log.count;
}

// A least body records that it was called, with its arguments (at most
// kMaxCallArguments; more are dropped).
inline void log_call(const char* name, std::initializer_list<int32_t> arguments = {}) {
    LoggedCall& call = step_log.calls[step_log.call_count % kCallLogSize];
    call.name = name;
    call.argument_count = 0;
    for (const int32_t value : arguments) {
        if (call.argument_count == kMaxCallArguments) break;
        call.arguments[call.argument_count++] = value;
    }
    ++step_log.call_count;
}

// Forgets the steps and the calls.
void clear_step_log();
// The logged names, oldest first (at most the last kStepLogSize).
std::vector<std::string> logged_steps();
// The recorded calls, oldest first (at most the last kCallLogSize), each as
// "name(value, value)".
std::vector<std::string> logged_calls();

}  // namespace runtime

// Runs a call and logs it by its text, e.g. STEP(run_sequences()).
#define STEP(call) (::runtime::log_step(#call), call)
