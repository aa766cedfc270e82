// (to be filled in)
#pragma once

namespace platform {

struct InterruptTable {};

}  // namespace platform
