// The fixture groups: the group keys and their LEDs. (Least body until the
// groups are built.)
#pragma once

namespace programmer {

// The group key LEDs and the group name list.
void update_group_leds();

}  // namespace programmer
