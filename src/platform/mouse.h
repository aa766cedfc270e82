// (to be filled in)
#pragma once

namespace platform {

struct Mouse {};

}  // namespace platform
