// The stage plan: stage units to the screen and back in both stage views,
// the four item records in the setup block, the page drawing in the setup
// and on the main screen, the fixture nearest to the pointer and the
// placing of a new symbol on a page with room.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "platform/graphics.h"
#include "runtime/console_state.h"
#include "setup/setup_data.h"
#include "setup/stage_plan.h"
#include "setup/stage_plan_items.h"
#include "setup_screen_rig.h"
#include "ui/helpers.h"

namespace {

using setup::SetupData;
using setup::StageItemKind;

constexpr runtime::StageView kSetupView = {116, 200, 464, 425};
constexpr runtime::StageView kMainView = {230, 250, 630, 475};

TEST(StageCoordinates, StageUnitsMeetTheScreenInBothViews) {
    struct Case {
        runtime::StageView view;
        int16_t x, y;          // stage units
        int16_t sx, sy;        // screen
    };
    const Case cases[] = {
        {kSetupView, 5000, 5000, 290, 312},   // y is 312.5 before rounding: a half rounds down
        {kMainView, 5000, 5000, 430, 362},
        {kSetupView, 0, 0, 116, 200},
        {kSetupView, 10000, 10000, 464, 425},
        {kMainView, 10000, 0, 630, 250},
        {kSetupView, -100, -100, 113, 198},   // 112.52 and 197.75: the fraction decides
    };
    for (const Case& c : cases) {
        runtime::stage_view = c.view;
        int16_t x = c.x;
        int16_t y = c.y;
        setup::convert_stage_to_screen(x, y);
        EXPECT_EQ(x, c.sx) << c.x << "," << c.y;
        EXPECT_EQ(y, c.sy) << c.x << "," << c.y;
    }
    runtime::stage_view = kSetupView;
    int16_t x = 116;
    int16_t y = 425;
    setup::convert_screen_to_stage(x, y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 10000);
    // Left of the view: -172.41 and -28.74 truncate toward zero, never round.
    x = 110;
    y = 200;
    setup::convert_screen_to_stage(x, y);
    EXPECT_EQ(x, -172);
    x = 115;
    setup::convert_screen_to_stage(x, y);
    EXPECT_EQ(x, -28);
    runtime::stage_view = {};
}

TEST(StageCoordinates, OnlyAFractionAboveOneHalfRoundsUpAndNegativesTruncate) {
    EXPECT_EQ(setup::round_stage_value(312.5), 312);
    EXPECT_EQ(setup::round_stage_value(0.5000001), 1);
    EXPECT_EQ(setup::round_stage_value(7.49), 7);
    EXPECT_EQ(setup::round_stage_value(-0.7), 0);
    EXPECT_EQ(setup::round_stage_value(-3.9), -3);
}

// Item 2 of each kind: the record lies at its table's count byte + 1 +
// one record, little-endian, and reads back the same.
TEST(StageItems, RecordsLieAtTheirOffsetsAndRoundTrip) {
    SetupData d;
    setup::write_stage_ellipse(d, 2, {3, 1000, -2000, 0, 360, 1500, -1700, 12});
    setup::write_stage_segment(d, StageItemKind::line, 2, {4, 10, 20, 30, 40, 7});
    setup::write_stage_segment(d, StageItemKind::rect, 2, {5, 9000, 8000, 100, 200, 13});
    setup::write_stage_text(d, 2, {6, 250, 9999, 2, "DOWNSTAGE LEFT"});
    struct Case {
        size_t count_at;
        size_t record_bytes;
        uint8_t page;
    };
    const Case cases[] = {{0x0001, 15, 3}, {0x05DE, 11, 4}, {0x0A2B, 11, 5}, {0x0E78, 28, 6}};
    for (const Case& c : cases) EXPECT_EQ(d.u8(c.count_at + 1 + c.record_bytes), c.page) << c.count_at;
    EXPECT_EQ(d.i16(0x0001 + 1 + 15 + 3), -2000);
    EXPECT_EQ(d.i16(0x0001 + 1 + 15 + 11), -1700);
    EXPECT_EQ(d.u16(0x0001 + 1 + 15 + 13), 12);
    EXPECT_EQ(d.u16(0x0A2B + 1 + 11 + 9), 13);
    EXPECT_EQ(d.text(0x0E78 + 1 + 28 + 7, 21), "DOWNSTAGE LEFT");

    const setup::StageEllipse e = setup::read_stage_ellipse(d, 2);
    EXPECT_EQ(e.x, 1000);
    EXPECT_EQ(e.rim_y, -1700);
    const setup::StageSegment rect = setup::read_stage_segment(d, StageItemKind::rect, 2);
    EXPECT_EQ(rect.x1, 9000);
    EXPECT_EQ(rect.y2, 200);
    EXPECT_EQ(setup::read_stage_text(d, 2).y, 9999);
    // Nothing is read or written outside items 1..100.
    setup::write_stage_text(d, 101, {1, 1, 1, 1, "X"});
    EXPECT_EQ(d.u8(0x1969), 0) << "the type count after the text table";
    EXPECT_EQ(setup::read_stage_ellipse(d, 0).page, 0);
}

TEST(StageItems, ACountAbove100UsesOnlyTheTable) {
    SetupData d;
    d.set_u8(setup::kSetupLineCount, 250);
    EXPECT_EQ(setup::stage_item_count(d, StageItemKind::line), 100);
    EXPECT_EQ(setup::stage_item_count(d, StageItemKind::rect), 0);
}

// A rig of fixtures at given stage points and numbers, all of type 0.
SetupData rig_of(const std::vector<std::array<int, 3>>& fixtures) {
    SetupData d;
    d.set_u8(setup::kSetupTypeCount, 1);
    int f = 0;
    for (const auto& [x, y, number] : fixtures) {
        setup::FixtureRecord r;
        r.x = static_cast<int16_t>(x);
        r.y = static_cast<int16_t>(y);
        r.number = static_cast<uint16_t>(number);
        setup::write_fixture(d, ++f, r);
    }
    d.set_i16(setup::kSetupFixtureCount, static_cast<int16_t>(f));
    return d;
}

TEST(StagePages, TheNearestFixtureOfThePageWinsAndATieTakesTheEarlierRecord) {
    runtime::stage_view = kSetupView;
    // Records 1 and 3 lie equally far left and right of the point; record 2
    // is nearer but on page 2.
    const SetupData d = rig_of({{1000, 5000, 1}, {2000, 5000, 71}, {3000, 5000, 2}});
    int16_t lx = 1000, ly = 5000, rx = 3000, ry = 5000;
    setup::convert_stage_to_screen(lx, ly);
    setup::convert_stage_to_screen(rx, ry);
    const auto mid = static_cast<int16_t>((lx + rx) / 2 + 15);
    EXPECT_EQ(setup::nearest_page_fixture(d, 1, mid, static_cast<int16_t>(ly + 15)), 1);
    EXPECT_EQ(setup::nearest_page_fixture(d, 1, static_cast<int16_t>(mid + 1), static_cast<int16_t>(ly + 15)), 3);
    EXPECT_EQ(setup::nearest_page_fixture(d, 2, 0, 0), 2) << "however far away";
    EXPECT_EQ(setup::nearest_page_fixture(d, 3, mid, ly), 0);
    runtime::stage_view = {};
}

TEST(StagePages, AFullPageGivesWayToTheNextWithRoomAndPage10WrapsTo1) {
    setup::PageCounts counts{};
    counts[3] = 70;
    counts[4] = 70;
    counts[10] = 70;
    EXPECT_EQ(setup::page_with_room_from(counts, 3), 5);
    EXPECT_EQ(setup::page_with_room_from(counts, 10), 1);
    EXPECT_EQ(setup::page_with_room_from(counts, 2), 2);
    EXPECT_EQ(setup::page_with_fixtures_from(counts, 5), 10);
    EXPECT_EQ(setup::first_page_with_fixtures(counts), 3);
    EXPECT_EQ(setup::first_page_with_fixtures(setup::PageCounts{}), 0);
}

// ------------------------------------------------------------------ drawing

class StagePlanScreen : public setup_test::SetupScreen {};

TEST_F(StagePlanScreen, ASymbolDrawsOnly30ColumnsOfItsRows) {
    open();
    std::array<uint8_t, 124> image{};
    for (size_t r = 0; r < 30; ++r) image[4 + 4 * r + 3] = 0xFF;  // columns 24..31 set, 30 and 31 stray
    ui::fill_box(130, 210, 200, 260, 0);
    platform::_setcolor(14);
    setup::draw_fixture_symbol(130, 210, image);
    EXPECT_EQ(rig_.pixel(130 + 24, 210), 14);
    EXPECT_EQ(rig_.pixel(130 + 29, 239), 14);
    EXPECT_EQ(rig_.pixel(130 + 30, 210), 0);
    EXPECT_EQ(rig_.pixel(130 + 31, 220), 0);
    EXPECT_EQ(rig_.pixel(130 + 23, 210), 0);
}

TEST_F(StagePlanScreen, APageShowsItsOwnItemsAndAFullEllipseWhateverItsAngles) {
    open();
    SetupData& d = setup::setup_edit_copy;
    d.set_u8(setup::kSetupEllipseCount, 0);
    d.set_u8(setup::kSetupLineCount, 0);
    d.set_u8(setup::kSetupRectCount, 0);
    d.set_u8(setup::kSetupTextCount, 0);
    // A circle-ish ellipse drawn with angles 90..180 stored: the full
    // outline still shows right and below its centre.
    setup::write_stage_ellipse(d, 1, {1, 5000, 5000, 90, 180, 6000, 6000, 10});
    setup::write_stage_segment(d, StageItemKind::line, 1, {2, 0, 1000, 10000, 1000, 12});
    d.set_u8(setup::kSetupEllipseCount, 1);
    d.set_u8(setup::kSetupLineCount, 1);
    d.set_i16(setup::kSetupFixtureCount, 0);
    setup::draw_stage_page(d);
    // Centre (290, 312); rim (325, 335): radii 35 and 23 pixels.
    EXPECT_EQ(rig_.pixel(290 + 35, 312), 10);
    EXPECT_EQ(rig_.pixel(290, 312 + 23), 10);
    EXPECT_EQ(rig_.pixel(290 - 35, 312), 10);
    EXPECT_NE(rig_.pixel(300, 222), 12) << "the line lies on page 2";
    EXPECT_EQ(rig_.pixel(117 + 13, 201), 8) << "the setup's dotted grid";
    runtime::fixture_page = 2;
    setup::draw_stage_page(d);
    EXPECT_EQ(rig_.pixel(300, 222), 12);
    EXPECT_EQ(rig_.pixel(290 + 35, 312), 0);
}

TEST_F(StagePlanScreen, TheSetupDrawsTheDemoFixturesWithTheirKeyNumbers) {
    open();
    // Fixture 1: stage (1320, 1600) is screen (162, 236); orientation 0.
    const setup::FixtureRecord f1 = fixture(1);
    int16_t x = f1.x;
    int16_t y = f1.y;
    setup::convert_stage_to_screen(x, y);
    EXPECT_EQ(x, 162);
    EXPECT_EQ(y, 236);
    int lit = 0;
    for (int dy = 0; dy < 30; ++dy) {
        for (int dx = 0; dx < 30; ++dx) lit += rig_.pixel(x + dx, y + dy) == f1.stage_colour ? 1 : 0;
    }
    EXPECT_GT(lit, 20) << "the symbol in the fixture's stage colour";
    platform::machine().graphics.clear_call_log();
    setup::draw_page_fixture_numbers(setup::setup_edit_copy, 1);
    EXPECT_TRUE(setup_test::drawn(" 1"));
    EXPECT_TRUE(setup_test::drawn("12"));
}

}  // namespace

namespace {

// Records out of range are drawn as nothing and index no table: a type
// index past the types, a number past 700, items of page 0 and 11, and
// counts above 100.
TEST_F(StagePlanScreen, RecordsOutOfRangeDrawNothing) {
    open();
    SetupData& d = setup::setup_edit_copy;
    setup::FixtureRecord r = setup::read_fixture(d, 1);
    r.type_index = 99;
    setup::write_fixture(d, 1, r);
    r = setup::read_fixture(d, 2);
    r.number = 5000;
    setup::write_fixture(d, 2, r);
    d.set_u8(setup::kSetupEllipseCount, 0);
    d.set_u8(setup::kSetupTextCount, 0);
    setup::write_stage_segment(d, StageItemKind::line, 1, {0, 0, 5000, 10000, 5000, 12});
    setup::write_stage_segment(d, StageItemKind::line, 2, {11, 0, 5000, 10000, 5000, 12});
    d.set_u8(setup::kSetupLineCount, 250);
    d.set_u8(setup::kSetupRectCount, 0);
    setup::draw_stage_page(d);
    EXPECT_NE(rig_.pixel(200, 312), 12) << "no line of page 0 or 11";
    int16_t x = setup::read_fixture(d, 2).x;
    int16_t y = setup::read_fixture(d, 2).y;
    setup::convert_stage_to_screen(x, y);
    int lit = 0;
    for (int dy = 0; dy < 30; ++dy) {
        for (int dx = 0; dx < 30; ++dx) lit += rig_.pixel(x + dx, y + dy) == 12 ? 1 : 0;
    }
    EXPECT_EQ(lit, 0) << "a fixture numbered past 700 lies on no page";
    setup::draw_fixture_number(d, 0, 14);
    setup::highlight_stage_fixture(d, 0, 14);
    setup::highlight_stage_fixture(d, 700, 14);
}

}  // namespace
