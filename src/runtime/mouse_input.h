// Mouse and trackerball. (Least bodies until the trackerball is built.)
#pragma once
#include <cstdint>

namespace runtime {

void init_mouse();
void read_mouse(int16_t mode);
void read_trackerball(int16_t mode);

}  // namespace runtime
