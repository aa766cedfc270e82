// Derived fixture tables. (Least bodies until they are built.)
#pragma once

namespace runtime {

void init_fixture_tables();
void init_wheel_last_values();

}  // namespace runtime
