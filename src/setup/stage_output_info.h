// The "STAGE OUTPUT INFORMATION" window of the LINK menu's INFO item, over
// the setup's stage area: it writes both setup reports, shows one of them
// page by page ("1 TYPE" / "2 OUTPUT"), prints the shown one with the used
// stage pages ("INCLUDE STAGE") and exports all ten stage pages as bitmaps.
// Refused while the rig has patch conflicts.
#pragma once
#include <cstdint>
#include <span>

#include "setup/address_state.h"
#include "setup/setup_data.h"

namespace setup {

// Runs the window until RMB or ESC.
void run_stage_output_info(SetupData& setup, AddressState& state);

// One sheet: stage page first_page and, when second_page is not 0, that page
// under it, each with its title, then a form feed. stage_image holds the
// stage area (117,189)-(629,424) without a window over it; screen, page and
// print mode are as before afterwards. False when the printer reported an error.
bool print_fixture_pages(const SetupData& setup, std::span<const uint8_t> stage_image, int16_t first_page,
                         int16_t second_page);

}  // namespace setup
