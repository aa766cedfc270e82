// (to be filled in)
#pragma once

namespace platform {

struct CdromDriver {};

}  // namespace platform
