// The stage plan editor's engine: the room of the item tables, the items of
// a kind per fixture page, stepping through a page's items, deleting an item
// with the gap closed, the clamp of a new ellipse, the edge limits of a
// move, the swatch under a point, and the emptying of a rig by ERASE ALL.
// Engine only: the editor's screens are in setup/stage_plan_editor.h.
#pragma once
#include <array>
#include <cstdint>

#include "setup/setup_data.h"
#include "setup/stage_plan_items.h"

namespace setup {

constexpr int kMaxStageTexts = 20;  // the editor adds no text item past this

// How many items of a kind the editor lets the operator have.
int stage_item_limit(StageItemKind kind);

// Items of a kind by page 1..10; items with a page byte outside are not counted.
using ItemPageCounts = std::array<int, kFixturePages + 1>;
ItemPageCounts count_page_items(const SetupData& setup, StageItemKind kind);
// The lowest record of the page, 0 none.
int first_page_item(const SetupData& setup, StageItemKind kind, int page);
// The page of the kind's first record that lies on a page 1..10, 0 none.
int page_of_first_item(const SetupData& setup, StageItemKind kind);
// From record `from` one record back (step -1) or on (+1), wrapping over
// the records in use, until a record of the page: `from` when no other is.
int step_page_item(const SetupData& setup, StageItemKind kind, int from, int page, int step);

// A new record after the last; false (nothing written) when the kind is full.
bool append_stage_ellipse(SetupData& setup, const StageEllipse& item);
bool append_stage_segment(SetupData& setup, StageItemKind kind, const StageSegment& item);
bool append_stage_text(SetupData& setup, const StageText& item);

// Record i removed: the later records move one place down in their order,
// the vacated last record's page byte becomes 0 and the count drops by one.
void delete_stage_item(SetupData& setup, StageItemKind kind, int i);

// The item selected after record `deleted` of the page went: the record now
// at that place when it lies on the page, else the page's next record from
// there on (wrapping); when the page has none left, the first record of the
// next page that has one (10 wraps to 1). Record 0: no item of the kind left.
struct StageSelection {
    int page = 0;
    int record = 0;
};
StageSelection selection_after_delete(const SetupData& setup, StageItemKind kind, int deleted, int page);

// One axis of a new ellipse: the rim coordinate for the pointer, held to
// the radius min(high - anchor, anchor - low) - 1 (past it, anchor + limit).
int16_t clamp_ellipse_rim(int16_t anchor, int16_t pointer, int16_t low, int16_t high);

// Whether an item spanning lo..hi on an axis may move by delta: it must stay
// more than 2 pixels inside the view's edges near..far.
bool stage_move_allowed(int lo, int hi, int delta, int near, int far);

// The swatch row 0..9 under the pointer's y; a y below 225 keeps `current`.
int16_t swatch_index_at(int16_t y, int16_t current);

// ERASE ALL on the working block: all zero, the filter catalogue 1, and the
// show-wide settings that are not part of the rig (cue page tracing and
// preparation, default times, the save marks and global settings, the
// timecode rebuild option) copied back from the live block.
void erase_rig(SetupData& work, const SetupData& live);

}  // namespace setup
