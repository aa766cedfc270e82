// The fixture setup's main loop: entry, the passes that hand every click on
// one of 32 screen areas and a dozen console keys to the setup operation
// behind it, the leave prompt, and leaving. While the setup is open
// MODE_IN_SETUP stops the show's periodic jobs; leaving does not restart
// the show.
#pragma once
#include <cstdint>

namespace setup {

// One-time initialisations of a program run already done.
struct SetupFirstEntry {
    uint8_t stage_colours = 0;
    uint8_t address_state = 0;
    uint8_t address_panel = 0;
};
extern SetupFirstEntry setup_first_entry;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_setup_loop_globals();

// mode 0: the EXIT button was clicked; 1: KEY_SETUP was pressed (it must be
// held). Writes 0 stay, 1 save or 2 leave without saving.
void prompt_leave_setup(int16_t mode, int16_t& leave_code);

}  // namespace setup

namespace setup {

// One pass of the background poll, then the pending key (PC keyboard,
// console FIFO or key ring), 0 when none: the key read of every loop that
// waits inside the setup.
int16_t read_setup_key();
// The eight keys of the address list (down, up, EDIT VALUE, +, LAST, NEXT,
// page up, page down): blinking while no button is down and the pass's key
// is none or a stepping key, else dark; and all eight to one state.
void update_setup_key_leds(int16_t key);
void set_setup_key_leds(uint8_t state);

}  // namespace setup
