// The fixture setup's screen: its fixed frame, the status box every setup
// operation reports in, the toolbar button faces, the fixture-page panel,
// the right-hand "FUNCTION PATCHING" panel, the "LAMP ON" box and blind
// inside the setup, the card and protocol buttons with their clicks, the
// fixture information box and the fixture page change.
#pragma once
#include <cstdint>
#include <string>

#include "runtime/mouse_input.h"
#include "setup/address_list.h"
#include "setup/address_state.h"
#include "setup/library_list.h"
#include "setup/setup_data.h"

namespace setup {

constexpr const char* kSetupTitle = "++ SETUP FIXTURES ++";
constexpr int kStatusLineChars = 31;  // a longer text is split onto two lines

// The two lines a status text is drawn as: one centred line (second empty)
// up to 31 characters; else split at the last space among the first 31,
// or, without one there, everything on the second line. The second line is
// cut to 31 characters too (at its last space there when it has one), so a
// long text stays inside the status box.
struct StatusLines {
    std::string first;
    std::string second;
    bool centred = false;
};
StatusLines split_status_text(const std::string& text);

// Hides the pointer for a drawing and shows it again when it was shown.
class PointerHidden {
public:
    PointerHidden() : shown_(runtime::mouse_cursor_shown) {
        if (shown_ != 0) runtime::show_mouse_cursor(0);
    }
    ~PointerHidden() {
        if (shown_ != 0) runtime::show_mouse_cursor(1);
    }
    PointerHidden(const PointerHidden&) = delete;
    PointerHidden& operator=(const PointerHidden&) = delete;

private:
    int16_t shown_;
};

// The last card slot 1..4 that holds an installed DMX card, 0 none.
int installed_cards();

void draw_setup_screen();
// Writes the text into the status box unless it is the text shown.
void show_setup_status(const char* text);
// A refusal: the text on the status line and the refusal tone for `duration_ms`.
void refuse_in_setup(const char* text, uint32_t duration_ms);
void fill_toolbar_button(int16_t button, int16_t colour);
// The nine toolbar buttons with their labels.
void draw_toolbar();
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
