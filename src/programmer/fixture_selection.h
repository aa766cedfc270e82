// The fixture selection: which fixtures the edits act on, the current fixture
// (the one whose type the faders show) and the edited type.
//
// Fixtures are addressed by patch index 1..setup::fixture_count; the keys of
// a page carry runtime::fixture_bank_keys (0-based patch indexes) on keys
// 1..fixture_bank_counts[page]. The selection itself is
// programmer::fixture_selected (commands.h).
#pragma once
#include <array>
#include <cstdint>

#include "programmer/commands.h"
#include "setup/setup_data.h"

namespace programmer {

// The selection before the last even or odd key, for its undo.
extern std::array<uint8_t, kFixtures + 1> saved_selection;
// 1 = the fixture's freeze switch is on.
extern std::array<uint8_t, kFixtures + 1> fixture_freeze;
// Per type 1..40: the function page and fader last used for it.
extern std::array<uint8_t, setup::kMaxFixtureTypes + 1> remembered_page;
extern std::array<uint8_t, setup::kMaxFixtureTypes + 1> remembered_fader;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_fixture_selection_globals();

// Fixture keys 1..70, ALL (76) and NONE (77). A key pressed and released
// alone toggles its fixture; a second fixture key pressed while the first is
// held acts on the range of keys between the two (apply_fixture_key_range); a
// key above the page's last fixture stands for the last; any other key
// pressed meanwhile ends the command and is consumed.
void handle_fixture_key(int16_t key);

// Selects fixture n and makes it current.
void select_fixture(int16_t fixture);
// Deselects fixture n; the current fixture follows the selection.
void deselect_fixture(int16_t fixture);

// LAST (191) or NEXT (192): selects exactly the key before or after the
// highest selected key of the shown page, wrapping around the page.
void select_next_fixture(int16_t key);

// Keys 382 and 383: keep the even or the odd patch indexes of the selection;
// pressed again (its LED lit) the key restores the selection from before.
void keep_even_fixtures();
void keep_odd_fixtures();

// Selects patch indexes a..b (either order); when there is no current
// fixture or it lies outside the range, b becomes current.
void select_fixture_range(int16_t first, int16_t last);
// Deselects a..b; the current fixture follows the selection (below).
void deselect_fixture_range(int16_t first, int16_t last);
void select_all_fixtures();
void deselect_all_fixtures();

// The range of the two-key rule on the shown page: the fixtures on the keys
// between the two (either order, each clamped to the page count). When all of
// them are selected they are deselected, else selected. The keys, not the
// patch indexes between their fixtures, bound the range, so a page whose
// fixtures are not patched in key order selects exactly what was keyed.
void apply_fixture_key_range(int16_t key_a, int16_t key_b);

// Makes patch index n the current fixture; a fixture of another type makes
// its type the edited type.
void make_fixture_current(int16_t fixture);
// After a deselection: with nothing selected the current fixture and type
// are cleared; when the current fixture is no longer selected, a new one is
// searched on the shown page, then on page 1 (page 2 when the shown page is
// 1), keys from the last down, a fixture of the current type first. When
// none is found the current fixture stays.
void follow_deselection();

// Makes type index t (0-based) the edited type: the selected function is
// carried over to the same named function of t where it has one, else the
// type's remembered function page and fader are taken; page and faders are
// clamped to the type's functions.
void set_edit_fixture_type(int16_t type_index, int16_t flag);

// Copies the freeze switches into the frozen bit of each fixture's channel,
// generator and figure flag words.
void apply_fixture_freeze_flags();

}  // namespace programmer
