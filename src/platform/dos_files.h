// (to be filled in)
#pragma once

namespace platform {

struct DosFiles {};

}  // namespace platform
