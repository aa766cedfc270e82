#include "runtime/fixture_tables.h"

#include "runtime/step_log.h"

namespace runtime {

std::array<std::array<uint16_t, kFixtureKeys + 1>, kFixturePages + 1> fixture_bank_keys{};
std::array<uint8_t, kFixturePages + 1> fixture_bank_counts{};

void init_fixture_tables() { log_call("runtime::init_fixture_tables"); }
void init_wheel_last_values() { log_call("runtime::init_wheel_last_values"); }

}  // namespace runtime
