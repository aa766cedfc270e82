#include "programmer/fixture_groups.h"

namespace programmer {

void update_group_leds() {}

}  // namespace programmer
