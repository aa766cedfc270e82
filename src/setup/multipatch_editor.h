// The multipatch editor of the fixture setup: a multipatched fixture's
// functions, each sent to any set of output slots on any card. The editor
// lists a function's slots in its patch panel (11 rows a page), adds slots
// picked in the address list (pick_output_slot) or typed on the keypad
// ("1 + 2 . 5", ranges and removals), deletes the selected one or all, and
// lights the function's slots on the stage while it is open. The list
// operations themselves: setup/soft_patch.h.
#pragma once
#include <cstdint>
#include <string>

#include "setup/address_list.h"
#include "setup/address_state.h"
#include "setup/library_list.h"
#include "setup/setup_data.h"
#include "setup/soft_patch.h"

namespace setup {

// The patch panel: the shown function's entries (counted by the last
// redraw), the selected row (1-based over all of them, 0 none) and the page.
extern int16_t soft_patch_rows;
extern int16_t soft_patch_selected_row;
extern int16_t soft_patch_list_page;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_multipatch_editor_globals();

// The editor for record f (1-based) until the right button or ESC; the
// library list holds the fixture's type.
void edit_soft_patch(int16_t f, SetupData& setup, AddressState& state, LibraryList& list, AddressPanel& panel);
// Picks an output slot 1..2048 in the address list; kOutputSlotCancelled on
// the right button or ESC. `function` is the code whose slots are lit.
int pick_output_slot(int16_t f, AddressState& state, LibraryList& list, AddressPanel& panel, int16_t start_address,
                     int16_t function);
// The keypad list entry for a function of record f.
void add_soft_patch_channels(int16_t f, int16_t function, SetupData& setup);
// Adds one slot to a function of record f after the checks, with the
// messages, tones and overwrite prompt; ends with "SELECT THE FUNCTION TO PATCH".
void add_soft_patch_channel(int slot, int16_t f, int16_t function, uint8_t card, int16_t address, const SetupData& setup,
                            bool range_mode);

// "CHANNEL USED FOR FIXTURE %d.%d CHANNEL %d" (or the range mode's text),
// the tone and the overwrite prompt for the entry at list index `other`;
// true when it is answered yes.
bool ask_overwrite(const SetupData& setup, int other, bool range_mode, int slot);
// The patch panel's frame and red "SOFTPATCH / MULTIPATCH" title.
void draw_soft_patch_title();
// Before a pick: `card` selected when it is installed and not already
// selected, then the first of the selected card's protocols named
// `protocol`; the card buttons and the protocol list drawn anew.
void select_patch_card(int card, const std::string& protocol, AddressState& state, LibraryList& list);
// While an output address is picked: a left click on the card buttons,
// the protocol list, the page arrows or the INCR box acts on the address
// panel; false when the pointer is on none of them.
bool address_panel_click(AddressState& state, LibraryList& list, AddressPanel& panel);
// The picker's keys: EDIT VALUE (a typed address), PLUS (the increment),
// LAST or UP and NEXT or DOWN (a slot back or on), PAGE UP and PAGE DOWN;
// false for any other key.
bool address_panel_key(int16_t key, AddressState& state, LibraryList& list, AddressPanel& panel);
// The address map, slots and list anew after the soft patch list changed.
void refresh_patch_address_list(SetupData& setup, AddressState& state, LibraryList& list, AddressPanel& panel);

}  // namespace setup
