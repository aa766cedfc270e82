// The SMPTE/MIDI card: found at start-up through its driver, tested by menu
// item J.
#pragma once
#include <cstdint>

namespace hwtest {

extern uint16_t smpte_card_selector;  // the card's window; 0 when the driver or the card is missing

// Start-up: asks the driver for the window's segment, maps it and keeps the
// selector only when the window carries "SMPTE".
void detect_smpte_driver();
bool test_smpte();

}  // namespace hwtest
