// (to be filled in)
#pragma once

namespace platform {

struct Speaker {};

}  // namespace platform
