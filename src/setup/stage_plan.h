// The stage plan on the screen: the stage colours a fixture may take, the
// drawing of the current fixture page (items, fixture symbols and their key
// numbers) in the stage view of the setup or of the main screen, the fixture
// nearest to the pointer, and the placing of a new symbol. The stage tools,
// the colour swatches and their editor, ERASE ALL and REDRAW: see
// setup/stage_plan_editor.h. Coordinates and records: setup/stage_plan_items.h.
#pragma once
#include <array>
#include <cstdint>
#include <span>

#include "setup/address_list.h"
#include "setup/address_state.h"
#include "setup/library_list.h"
#include "setup/setup_data.h"
#include "setup/stage_plan_editor.h"

namespace setup {

enum class StageItemKind : uint8_t;  // setup/stage_plan_items.h

constexpr int kStageColours = 10;

// [1..10]: the colour indices a fixture may have on the stage plan, and the
// entry a newly placed fixture takes.
extern std::array<int16_t, kStageColours + 1> stage_colours;
extern int16_t stage_colour_index;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_stage_plan_globals();

void init_stage_colours();

// The whole current page (runtime::fixture_page) in runtime::stage_view:
// view cleared, the grid while the setup is open, the ellipses, rectangles,
// lines and texts of the page, then its fixtures with their numbers.
void draw_stage_page(const SetupData& setup);
// Item i of a kind in a colour, in the current write mode, wherever its page
// (0 erases it, 14 marks it picked): ellipses always whole, texts in the
// small font with their top-left corner at the stored point.
void draw_stage_item(const SetupData& setup, StageItemKind kind, int i, int16_t colour);
// Fixture record `index` (0-based) in a colour in the current write mode:
// 0 erases it, 14 marks it picked, its stage colour restores it.
void highlight_stage_fixture(const SetupData& setup, int16_t index, int16_t colour);
// One 124-byte orientation image (label offsets, then 30 rows of 4 bytes)
// with its top-left corner at (x, y), in the current colour and write mode.
void draw_fixture_symbol(int16_t x, int16_t y, std::span<const uint8_t> image);
// The fixture's key ("%2d") beside its symbol, at the label offset of its
// orientation; colour 0 erases it.
void draw_fixture_number(const SetupData& setup, int16_t index, int16_t colour);
// The numbers of the page's fixtures in their stage colours (show 1) or erased.
void draw_page_fixture_numbers(const SetupData& setup, int16_t show);
// The record (1-based) of the current page's fixture nearest to the pointer,
// 0 with no fixture; an empty page first gives way to the next with fixtures.
int16_t find_nearest_stage_fixture(SetupData& setup, LibraryList& list);

// How the placing of a new symbol ended: LMB at (x, y) turned to
// `orientation`, or RMB / ESC.
struct PlacedSymbol {
    bool placed = false;
    int16_t x = 0;
    int16_t y = 0;
    uint8_t orientation = 0;
};
// The symbol of the loaded library follows the pointer over the stage plan
// and turns with the digit keys 1..8 until LMB, RMB or ESC; a full page
// first gives way to the next with room.
PlacedSymbol place_symbol(SetupData& setup, LibraryList& list);

}  // namespace setup
