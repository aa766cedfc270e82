// (to be filled in)
#pragma once

namespace platform {

struct Bios {};

}  // namespace platform
