#include "memories/master_output.h"

#include "runtime/step_log.h"

namespace memories {

void output_function_value(int16_t record, uint16_t value) {
    runtime::log_call("memories::output_function_value", {record, value});
}

void output_function_value_with_masters(int16_t record, uint16_t value) {
    runtime::log_call("memories::output_function_value_with_masters", {record, value});
}

}  // namespace memories
