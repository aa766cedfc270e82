// (to be filled in)
#pragma once

namespace platform {

struct KeyboardController {};

}  // namespace platform
