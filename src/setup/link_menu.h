// The LINK menu of the setup toolbar (third button): the stage output and
// dimmer curve information screens, the slave-console sends of a master
// console ("MASTER"), the DMX input blocks a slave console reads ("SLAVE")
// and the fixtures' DMX input addresses ("DMX-IN"). The settings are edited
// in the working copy and reach the show with the setup's save.
#pragma once

#include "setup/address_list.h"
#include "setup/address_state.h"
#include "setup/library_list.h"
#include "setup/setup_data.h"

namespace setup {

// The pop-up; runs the item chosen with the left button, nothing on RMB / ESC.
void run_link_menu(SetupData& setup, AddressState& state, LibraryList& list, AddressPanel& panel);
// "MASTER": AUTO / MANUEL for playbacks, masters and cues (digits 1..3 or a click).
void edit_slave_auto_manual(SetupData& setup);
// "SLAVE": the start channels of both DMX input blocks, then their mode.
void edit_dmx_in_addresses(SetupData& setup);

}  // namespace setup
