#include "runtime/step_log.h"

namespace runtime {

StepLog step_log;

void clear_step_log() { step_log.count = 0; }

std::vector<std::string> logged_steps() {
    std::vector<std::string> steps;
    const uint64_t first = step_log.count > kStepLogSize ? step_log.count - kStepLogSize : 0;
    for (uint64_t i = first; i < step_log.count; ++i) steps.emplace_back(step_log.names[i % kStepLogSize]);
    return steps;
}

}  // namespace runtime
