// The stage plan's engine: stage coordinates and their conversion to the
// screen, the four kinds of stage item records of the setup block, and the
// fixture pages of a rig (their counts, the fixture nearest to a point).
//
// A stage point is a pair of signed 16-bit stage units, 0..10000 across the
// width and the height of runtime::stage_view, whatever its size on screen.
// Item layouts (offsets in the record; little-endian):
//
//   ellipse (15 bytes)  0 u8 page 1..10; 1 i16 centre x; 3 i16 centre y;
//                       5 i16 start angle (0); 7 i16 end angle (360);
//                       9 i16 rim x (centre x +- radius); 11 i16 rim y; 13 u16 colour
//   line, rect (11)     0 u8 page; 1 i16 x1; 3 i16 y1; 5 i16 x2; 7 i16 y2; 9 u16 colour
//   text (28)           0 u8 page; 1 i16 x; 3 i16 y (top-left corner); 5 u16 colour;
//                       7 char[21] text
//
// Engine only: the plan is drawn by setup/stage_plan.h.
#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "setup/setup_data.h"

namespace setup {

constexpr int16_t kStageUnits = 10000;
constexpr int kFixturePages = 10;
constexpr int kPageKeys = 70;        // fixture keys of a page
constexpr int kSymbolSize_px = 30;   // a fixture symbol is 30 x 30 pixels

// In place: stage units to screen pixels of the current stage view, and back.
void convert_stage_to_screen(int16_t& x, int16_t& y);
void convert_screen_to_stage(int16_t& x, int16_t& y);
// The rounding of both conversions: up only when the fraction is above .5;
// negative values truncate toward zero.
int16_t round_stage_value(double v);

enum class StageItemKind : uint8_t { ellipse, rect, line, text };

struct StageEllipse {
    uint8_t page = 0;
    int16_t x = 0;
    int16_t y = 0;
    int16_t start_angle = 0;
    int16_t end_angle = 360;
    int16_t rim_x = 0;
    int16_t rim_y = 0;
    uint16_t colour = 0;
};

// A line (from where the button went down to where it was released) or a
// rectangle (two opposite corners in any order).
struct StageSegment {
    uint8_t page = 0;
    int16_t x1 = 0;
    int16_t y1 = 0;
    int16_t x2 = 0;
    int16_t y2 = 0;
    uint16_t colour = 0;
};

struct StageText {
    uint8_t page = 0;
    int16_t x = 0;
    int16_t y = 0;
    uint16_t colour = 0;
    std::string text;  // up to 20 characters
};

// The items of a kind in use: the stored count, at most 100.
int stage_item_count(const SetupData& setup, StageItemKind kind);
// Item i (1..100) of its table; out of range reads an empty item and writes nothing.
StageEllipse read_stage_ellipse(const SetupData& setup, int i);
StageSegment read_stage_segment(const SetupData& setup, StageItemKind kind, int i);
StageText read_stage_text(const SetupData& setup, int i);
void write_stage_ellipse(SetupData& setup, int i, const StageEllipse& item);
void write_stage_segment(SetupData& setup, StageItemKind kind, int i, const StageSegment& item);
void write_stage_text(SetupData& setup, int i, const StageText& item);
// The fields every kind shares: the page byte and the colour of item i
// (1..100); out of range reads 0 and writes nothing.
uint8_t stage_item_page(const SetupData& setup, StageItemKind kind, int i);
void set_stage_item_page(SetupData& setup, StageItemKind kind, int i, uint8_t page);
uint16_t stage_item_colour(const SetupData& setup, StageItemKind kind, int i);
void set_stage_item_colour(SetupData& setup, StageItemKind kind, int i, uint16_t colour);
void set_stage_item_count(SetupData& setup, StageItemKind kind, int count);
// Record `from` copied whole over record `to` (both 1..100).
void copy_stage_item(SetupData& setup, StageItemKind kind, int from, int to);

// The counts of a rig as stored, bounded: fixtures 0..700, types 0..40.
int rig_fixture_count(const SetupData& setup);
int rig_type_count(const SetupData& setup);

// Page 1..10 and key 1..70 of a fixture number; a number outside 1..700 has
// page 0 (no page is drawn or counted for it).
int fixture_page_of(int number);
int fixture_key_of(int number);

using PageCounts = std::array<int, kFixturePages + 1>;  // [page 1..10]
PageCounts count_page_fixtures(const SetupData& setup);
// The first page from page 1 on that holds a fixture; 0 when none does.
int first_page_with_fixtures(const PageCounts& counts);
// The fixtures on the pages before page 1..10 (all of them for a page past 10).
int fixtures_before_page(const PageCounts& counts, int page);
// The page itself, else the pages after it in turn (10 wraps to 1) up to
// the one before it: the first that holds a fixture; 0 none.
int page_with_fixtures_from(const PageCounts& counts, int page);
// The page itself when it has room, else the next with fewer than 70
// fixtures (10 wraps to 1); the page itself when none has room.
int page_with_room_from(const PageCounts& counts, int page);

// The record (1-based) of page `page` whose symbol centre lies nearest to the
// screen point by |dx| + |dy|; the earlier record on a tie; 0 when the page
// holds none (or none lies within 10000).
int nearest_page_fixture(const SetupData& setup, int page, int16_t px, int16_t py);
// The record holding fixture number `number`, 0 none.
int record_of_fixture_number(const SetupData& setup, int number);

}  // namespace setup
