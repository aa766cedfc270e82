// The fixture setup's screen: its fixed frame, the status box every setup
// operation reports in, the toolbar button faces, the fixture-page panel,
// the right-hand "FUNCTION PATCHING" panel, the "LAMP ON" box and blind
// inside the setup, the card and protocol buttons with their clicks, the
// fixture information box and the fixture page change.
#pragma once
#include <cstdint>
#include <string>

#include "setup/address_list.h"
#include "setup/address_state.h"
#include "setup/library_list.h"
#include "setup/setup_data.h"

namespace setup {

constexpr const char* kSetupTitle = "++ SETUP FIXTURES ++";
constexpr int kStatusLineChars = 31;  // a longer text is split onto two lines

// The two lines a status text is drawn as: one centred line (second empty)
// up to 31 characters; else split at the last space among the first 31,
// or, without one there, everything on the second line.
struct StatusLines {
    std::string first;
    std::string second;
    bool centred = false;
};
StatusLines split_status_text(const std::string& text);

void draw_setup_screen();
// Writes the text into the status box unless it is the text shown.
void show_setup_status(const char* text);
void fill_toolbar_button(int16_t button, int16_t colour);
void toggle_setup_blind(const AddressState& state);
void toggle_lamp_on(AddressPanel& panel);
void draw_setup_fixture_page_panel();
void draw_stage_toolbar();

void draw_card_buttons(const AddressState& state);
void draw_protocol_list(const AddressState& state);
// The card and protocol buttons under the pointer.
void select_interface_card(AddressState& state, LibraryList& list, AddressPanel& panel);
void select_protocol(AddressState& state, LibraryList& list, AddressPanel& panel);

// The six-row box of fixture record `index` (0-based) with its corner at (x, y).
void show_fixture_info(int16_t x, int16_t y, int16_t index, const SetupData& setup);
void change_fixture_page(SetupData& setup, int16_t page, LibraryList& list);

}  // namespace setup
