// A record of the steps the start-up, the show cycle and the background poll
// run, in order, so that the order can be checked. A fixed ring of the names:
// logging a step stores one pointer and never allocates.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace runtime {

constexpr int kStepLogSize = 4096;

struct StepLog {
    std::array<const char*, kStepLogSize> names{};
    uint64_t count = 0;  // steps logged since the last clear
};

extern StepLog step_log;

inline void log_step(const char* name) {
    step_log.names[step_log.count % kStepLogSize] = name;
    ++step_log.count;
}
void clear_step_log();
// The logged names, oldest first (at most the last kStepLogSize).
std::vector<std::string> logged_steps();

}  // namespace runtime

// Runs a call and logs it by its text, e.g. STEP(run_sequences()).
#define STEP(call) (::runtime::log_step(#call), call)
