// (to be filled in)
#pragma once

namespace platform {

struct TextScreen {};

}  // namespace platform
