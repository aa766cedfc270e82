#include "runtime/fixture_tables.h"

namespace runtime {

void init_fixture_tables() {}
void init_wheel_last_values() {}

}  // namespace runtime
