#include "runtime/step_log.h"

namespace runtime {

StepLog step_log;

void clear_step_log() {
    step_log.count = 0;
    step_log.call_count = 0;
}

std::vector<std::string> logged_steps() {
    std::vector<std::string> steps;
    const uint64_t first = step_log.count > kStepLogSize ? step_log.count - kStepLogSize : 0;
    for (uint64_t i = first; i < step_log.count; ++i) steps.emplace_back(step_log.names[i % kStepLogSize]);
    return steps;
}

std::vector<std::string> logged_calls() {
    std::vector<std::string> calls;
    const uint64_t first = step_log.call_count > kCallLogSize ? step_log.call_count - kCallLogSize : 0;
    for (uint64_t i = first; i < step_log.call_count; ++i) {
        const LoggedCall& call = step_log.calls[i % kCallLogSize];
        std::string text = call.name;
        text += '(';
        for (uint8_t a = 0; a < call.argument_count; ++a) {
            if (a != 0) text += ", ";
            text += std::to_string(call.arguments[a]);
        }
        text += ')';
        calls.push_back(std::move(text));
    }
    return calls;
}

}  // namespace runtime
