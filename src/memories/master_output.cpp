#include "memories/master_output.h"

#include "runtime/channel_levels.h"
#include "runtime/fixture_tables.h"
#include "runtime/show_tables.h"

namespace memories {

void output_function_value(int16_t record, uint16_t value) {
    if (record < 1 || record > runtime::function_record_count || runtime::last_sent_values == nullptr) return;
    if (runtime::last_sent_values[record] == value) return;
    runtime::last_sent_values[record] = value;
    runtime::set_channel_level(record, static_cast<uint8_t>(value & 255u), 0, 0);
}

void output_function_value_with_masters(int16_t record, uint16_t value) { output_function_value(record, value); }

}  // namespace memories
