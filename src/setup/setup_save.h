// Leaving the fixture setup, the engine side: the edited rig made live and
// its files written (setup.dat, soft.dat, ch-patch.dat, dimpatch.dat,
// ch-curve.dat) as one commit, the channel curves reset, the type libraries
// reloaded, and the running show put back together for the rig.
//
// The save keeps the files safe: every file is written under a new name and
// checked, and only when all are whole are they renamed over the old ones,
// setup.dat last. When any can't be written nothing on disk changes and the
// live setup, soft patch, channel patch and curves are as they were.
#pragma once
#include <cstdint>

#include "setup/address_state.h"
#include "setup/setup_data.h"

namespace setup {

// The status line the steps of the save report on.
using StatusWriter = void (*)(const char* text);

struct SaveResult {
    bool saved = false;
    int dropped_soft_entries = 0;  // soft patch entries left out as out of range
};

// The edited rig made live (first channels as a running sum from 1, the
// default-values and groupings flags set), its soft patch table stored from
// the list, the patch compiled, the channel curves reset, then the five
// files written together. The conversion of the show data comes before.
SaveResult save_edited_setup(SetupData& edited, const AddressState& state, StatusWriter status);
// The soft patch table anew from the list, for the live rig (entries out of
// range or naming a fixture it does not have are dropped; their count is
// returned), and soft_patch_saved set.
int store_soft_patch_table();
// Every channel curve off: no curve per card-buffer position, custom curves the identity.
void reset_channel_curves();
// The type libraries of the live setup loaded again and the fixture
// runtime tables rebuilt from them.
void reload_fixture_types();
// The running show after the setup: every channel sent again, tables
// uploaded, playbacks and sequences that came from cues reloaded, masters
// and faders re-read, everything recomputed.
void reinit_runtime_after_setup();

}  // namespace setup
