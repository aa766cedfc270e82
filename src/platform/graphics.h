// (to be filled in)
#pragma once

namespace platform {

struct Graphics {};

}  // namespace platform
