// Leaving the fixture setup with SAVE (1) or NOT SAVE (2): the steps of the
// save reported in the status box, then the running show put back together
// for the rig. The show is not reloaded.
#pragma once
#include <cstdint>

#include "setup/address_state.h"
#include "setup/library_list.h"
#include "setup/setup_data.h"

namespace setup {

constexpr int16_t kLeaveStay = 0;
constexpr int16_t kLeaveSave = 1;
constexpr int16_t kLeaveNotSave = 2;

// False when SAVE failed ("SAVE FAILED"): nothing was written, the live
// setup is as it was and the setup stays open with the working copy.
bool finish_fixture_setup(SetupData& edited, AddressState& state, int16_t choice, LibraryList& list);

}  // namespace setup
