// The stage plan editor driven through the console as its user works it:
// drawing, stepping through, clearing and moving stage items, the colour
// swatches and the recolouring menu, ERASE ALL and REDRAW; and the editor's
// rules (clamps, edge limits, the selection after a delete) on their own.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <utility>
#include <vector>
#include <cstdint>
#include <string>

#include "platform/graphics.h"
#include "platform/machine.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "setup/patch_conflicts.h"
#include "setup/setup_data.h"
#include "setup/soft_patch.h"
#include "setup/stage_plan.h"
#include "setup/stage_plan_edit.h"
#include "setup/stage_plan_items.h"
#include "setup_screen_rig.h"
#include "ui/helpers.h"

namespace {

using setup::SetupData;
using setup::StageItemKind;

// ------------------------------------------------------------------ rules

TEST(StagePlanRules, AnEllipseRadiusIsHeldToTheNearerEdgeLessOne) {
    struct Case {
        int16_t anchor, pointer, low, high, rim;
    };
    const Case cases[] = {
        {130, 200, 117, 463, 142},  // 13 to the left edge: radius at most 12
        {450, 400, 117, 463, 462},  // beyond the limit leftwards: the rim still lies at anchor + limit
        {300, 310, 202, 424, 310},  // inside the limit: the pointer itself
        {300, 203, 202, 424, 203},  // 98 from the top edge: 97 away is just within
        {118, 300, 117, 463, 118},  // on the edge's next pixel: no room at all
    };
    for (const Case& c : cases) {
        EXPECT_EQ(setup::clamp_ellipse_rim(c.anchor, c.pointer, c.low, c.high), c.rim) << c.anchor << " " << c.pointer;
    }
}

TEST(StagePlanRules, ASwatchIsPickedBelowRow224Only) {
    struct Case {
        int16_t y, index;
    };
    const Case cases[] = {{224, 6}, {200, 6}, {225, 0}, {242, 1}, {403, 9}, {500, 9}};
    for (const Case& c : cases) EXPECT_EQ(setup::swatch_index_at(c.y, 6), c.index) << c.y;
}

TEST(StagePlanRules, MovesStayMoreThanTwoPixelsInsideTheView) {
    EXPECT_TRUE(setup::stage_move_allowed(120, 150, -1, 116, 464));   // left edge to 119
    EXPECT_FALSE(setup::stage_move_allowed(119, 150, -1, 116, 464));  // 118 is edge + 2
    EXPECT_TRUE(setup::stage_move_allowed(300, 460, 1, 116, 464));    // 461
    EXPECT_FALSE(setup::stage_move_allowed(300, 461, 1, 116, 464));   // 462 is edge - 2
}

// Lines: record r on page pages[r - 1].
SetupData lines_on(std::initializer_list<uint8_t> pages) {
    SetupData d;
    int i = 0;
    for (const uint8_t page : pages) {
        ++i;
        setup::write_stage_segment(d, StageItemKind::line, i, {page, static_cast<int16_t>(100 * i), 0, 0, 0, 3});
    }
    setup::set_stage_item_count(d, StageItemKind::line, i);
    return d;
}

TEST(StagePlanRules, ADeleteClosesTheGapAndTheSelectionGoesOnToThePageWithItems) {
    SetupData d = lines_on({1, 3, 1, 1});
    setup::delete_stage_item(d, StageItemKind::line, 2);
    EXPECT_EQ(setup::stage_item_count(d, StageItemKind::line), 3);
    EXPECT_EQ(setup::read_stage_segment(d, StageItemKind::line, 2).x1, 300) << "the later records move down in order";
    EXPECT_EQ(setup::read_stage_segment(d, StageItemKind::line, 3).x1, 400);
    EXPECT_EQ(setup::stage_item_page(d, StageItemKind::line, 4), 0) << "the vacated record";

    struct Case {
        std::initializer_list<uint8_t> pages;
        int deleted, page;  // before the delete
        int next_page, next_record;
    };
    const Case cases[] = {
        {{7, 3}, 2, 3, 7, 1},        // the page's last: on to page 7
        {{1, 3}, 2, 3, 1, 1},        // only page 1 left: wraps from 10
        {{1, 1, 2, 1}, 2, 1, 1, 3},  // the record now at the place is on page 2: the page's next (old 4)
        {{2, 1, 1}, 3, 1, 1, 2},     // the last record went: wraps to the page's first
        {{5}, 1, 5, 5, 0},           // none left
    };
    for (const Case& c : cases) {
        SetupData e = lines_on(c.pages);
        setup::delete_stage_item(e, StageItemKind::line, c.deleted);
        const setup::StageSelection s = setup::selection_after_delete(e, StageItemKind::line, c.deleted, c.page);
        EXPECT_EQ(s.page, c.next_page) << c.deleted << " on " << c.page;
        EXPECT_EQ(s.record, c.next_record) << c.deleted << " on " << c.page;
    }
}

TEST(StagePlanRules, EraseAllKeepsTheShowWideBytesAndTheRebuildOption) {
    SetupData live;
    for (size_t i = 0; i < live.bytes.size(); ++i) live.bytes[i] = static_cast<uint8_t>(i * 7 + 1);
    SetupData work = live;
    setup::erase_rig(work, live);
    EXPECT_EQ(work.u8(setup::kSetupColourLibrary), 1);
    EXPECT_EQ(work.i16(setup::kSetupFixtureCount), 0);
    EXPECT_EQ(work.u8(setup::kSetupTypeCount), 0);
    EXPECT_EQ(work.u8(setup::kSetupRectCount), 0);
    EXPECT_EQ(work.u8(setup::kSetupTimecodeOption), live.u8(setup::kSetupTimecodeOption));
    const std::array<std::pair<size_t, size_t>, 4> kept = {{{0xC369, 16}, {0xC379, 16}, {0xC389, 10}, {0xC393, 21}}};
    for (const auto& [at, length] : kept) {
        for (size_t i = at; i < at + length; ++i) EXPECT_EQ(work.bytes[i], live.bytes[i]) << std::hex << i;
    }
    EXPECT_EQ(work.u8(0xC368), 0) << "the compiled-patch mark is the rig's";
    EXPECT_EQ(work.u8(0xC3A8), 0) << "the byte after the global settings";
}

// ------------------------------------------------------------------ the editor in the setup

constexpr platform::Rect kStageInside = {117, 201, 463, 424};

class StagePlanEditor : public setup_test::SetupScreen {
protected:
    void open_empty_plan() {
        open();
        for (const StageItemKind k : {StageItemKind::ellipse, StageItemKind::rect, StageItemKind::line, StageItemKind::text}) {
            setup::set_stage_item_count(setup::setup_edit_copy, k, 0);
        }
        redraw();
    }
    void redraw() {
        click(365, 445);
        rig_.run_ms(300);  // past its tones, so that the next click is seen
    }
    void pointer_to(int16_t x, int16_t y) {
        platform::machine().mouse.x = x;
        platform::machine().mouse.y = y;
        rig_.run_ms(10);
    }
    // The left button pressed at `from`, the pointer moved to `to`, held there.
    void press_and_drag(int16_t fx, int16_t fy, int16_t tx, int16_t ty) {
        pointer_to(fx, fy);
        rig_.set_trackerball_buttons(setup_test::kLeft);
        rig_.run_ms(200);  // past the drag's tone
        pointer_to(tx, ty);
        rig_.run_ms(20);
    }
    void release() {
        rig_.set_trackerball_buttons(0);
        rig_.run_ms(50);
    }
    // The trackerball moved by steps of one pixel (5 mickeys), one reading each.
    void roll(int steps_x, int steps_y) {
        const int n = std::max(std::abs(steps_x), std::abs(steps_y));
        for (int i = 0; i < n; ++i) {
            rig_.move_trackerball(i < std::abs(steps_x) ? (steps_x > 0 ? 5 : -5) : 0,
                                  i < std::abs(steps_y) ? (steps_y > 0 ? 5 : -5) : 0);
            rig_.run_ms(5);
        }
    }
    static int count(StageItemKind k) { return setup::stage_item_count(setup::setup_edit_copy, k); }
    static std::string stage_pixels() { return platform::region_text(kStageInside); }
    int yellow_in(int x1, int y1, int x2, int y2) const {
        return platform::count_pixels(14, {x1, y1, x2, y2});
    }
    static setup::StageSegment segment(StageItemKind k, int i) { return setup::read_stage_segment(setup::setup_edit_copy, k, i); }
    static std::pair<int16_t, int16_t> on_screen(int16_t x, int16_t y) {
        setup::convert_stage_to_screen(x, y);
        return {x, y};
    }
    static std::pair<int16_t, int16_t> in_stage(int16_t x, int16_t y) {
        setup::convert_screen_to_stage(x, y);
        return {x, y};
    }
};

TEST_F(StagePlanEditor, ACancelledDragStoresNothingAndLeavesThePixelsAsTheyWere) {
    open();
    const std::string before = stage_pixels();
    const int rects = count(StageItemKind::rect);
    for (const uint16_t cancel : {uint16_t{0}, setup_test::kRight}) {
        click(478, 270);  // add rectangles
        EXPECT_EQ(status(), "LMB=RECTANGLE RMB=CANCEL");
        press_and_drag(200, 250, 300, 330);
        EXPECT_EQ(status(), "RELEASE LMB WHEN READY...");
        EXPECT_NE(stage_pixels(), before) << "the rubber band shows";
        if (cancel == 0) {
            rig_.press(runtime::KEY_ESC, 20);
        } else {
            rig_.set_trackerball_buttons(setup_test::kLeft | setup_test::kRight);
            rig_.run_ms(20);
        }
        release();
        EXPECT_EQ(stage_pixels(), before) << "cancelled by " << (cancel == 0 ? "ESC" : "RMB");
        EXPECT_EQ(count(StageItemKind::rect), rects);
        EXPECT_EQ(rig_.pixel(468, 259), 8) << "the button restored";
        EXPECT_EQ(platform::machine().mouse.x_max, 628) << "the pointer freed";
    }
}

TEST_F(StagePlanEditor, The100thRectangleEndsTheToolAtOnceAndADragLeftwardsKeepsItsPoints) {
    open_empty_plan();
    setup::set_stage_item_count(setup::setup_edit_copy, StageItemKind::rect, 99);
    click(478, 270);
    press_and_drag(300, 300, 200, 250);
    release();
    EXPECT_EQ(count(StageItemKind::rect), 100);
    EXPECT_TRUE(setup_test::status_drawn("MAXIMUM 100 RECTANGLES"));
    rig_.run_ms(1000);
    EXPECT_EQ(tones(400, 800), 1);
    const setup::StageSegment r = segment(StageItemKind::rect, 100);
    EXPECT_EQ(std::pair(r.x1, r.y1), in_stage(300, 300));
    EXPECT_EQ(std::pair(r.x2, r.y2), in_stage(200, 250));
    EXPECT_GT(r.x1, r.x2) << "not normalised";
    EXPECT_EQ(r.page, 1);
    EXPECT_EQ(r.colour, setup::stage_colours[1]);
    EXPECT_EQ(rig_.pixel(250, 250), setup::stage_colours[1]) << "drawn in the item colour";
    EXPECT_EQ(platform::machine().mouse.x, 200) << "the pointer stays where the drag ended";
    // Full: the tool refuses at once.
    platform::machine().graphics.clear_call_log();
    click(478, 270);
    EXPECT_TRUE(setup_test::status_drawn("MAXIMUM 100 RECTANGLES"));
    EXPECT_EQ(count(StageItemKind::rect), 100);
}

TEST_F(StagePlanEditor, ANewEllipseIsClampedInsideTheStageAndStoresTheClampedRim) {
    open_empty_plan();
    click(478, 219);
    press_and_drag(130, 300, 200, 330);
    EXPECT_EQ(rig_.pixel(116, 300), 7) << "the stage frame untouched by the band";
    release();
    ASSERT_EQ(count(StageItemKind::ellipse), 1);
    const setup::StageEllipse e = setup::read_stage_ellipse(setup::setup_edit_copy, 1);
    EXPECT_EQ(std::pair(e.x, e.y), in_stage(130, 300));
    EXPECT_EQ(std::pair(e.rim_x, e.rim_y), in_stage(142, 330));
    EXPECT_EQ(e.start_angle, 0);
    EXPECT_EQ(e.end_angle, 360);
    EXPECT_EQ(rig_.pixel(142, 300), setup::stage_colours[1]);
    EXPECT_EQ(yellow_in(117, 202, 463, 424), 0) << "no band left behind";
    // Still in the tool: a second ellipse cancelled with the right button.
    EXPECT_EQ(status(), "LMB=ELLIPSE RMB=CANCEL");
    click(300, 300, setup_test::kRight);
    EXPECT_EQ(count(StageItemKind::ellipse), 1);
}

TEST_F(StagePlanEditor, ATwentyCharacterTextIsPlacedWithTheTrackerballAndText21IsRefused) {
    open_empty_plan();
    click(478, 385);
    rig_.type("ABC\x1b");  // ESC ends the entry: nothing is added
    rig_.run_ms(50);
    EXPECT_EQ(count(StageItemKind::text), 0);
    EXPECT_EQ(status(), setup::kSetupTitle);
    click(478, 385);
    rig_.type("ABCDEFGHIJKLMNOPQRSTUV\r");
    rig_.run_ms(50);
    EXPECT_EQ(status(), "LMB=POSITION RMB=CANCEL");
    roll(10, 20);
    rig_.click(setup_test::kLeft);
    ASSERT_EQ(count(StageItemKind::text), 1);
    const setup::StageText t = setup::read_stage_text(setup::setup_edit_copy, 1);
    EXPECT_EQ(t.text, "ABCDEFGHIJKLMNOPQRST");
    EXPECT_EQ(std::pair(t.x, t.y), in_stage(116 + 10 + 10, 200 + 10 + 20));
    EXPECT_EQ(platform::machine().mouse.x, 477);
    EXPECT_EQ(platform::machine().mouse.y, 385);
    // A count of 50 from a file is kept; the tool only refuses to add.
    setup::set_stage_item_count(setup::setup_edit_copy, StageItemKind::text, 50);
    pointer_to(300, 300);
    platform::machine().graphics.clear_call_log();
    click(478, 385);
    EXPECT_TRUE(setup_test::status_drawn("MAXIMUM 20 TEXT-ITEMS"));
    EXPECT_EQ(count(StageItemKind::text), 50);
    EXPECT_EQ(platform::machine().mouse.x, 478) << "the pointer stays";
}

// Rectangles: records 1, 2 and 4 on page 1, record 3 on page 2.
void four_rectangles() {
    SetupData& d = setup::setup_edit_copy;
    const std::array<uint8_t, 4> pages = {1, 1, 2, 1};
    for (int i = 1; i <= 4; ++i) {
        const auto x = static_cast<int16_t>(1000 * i);
        setup::write_stage_segment(d, StageItemKind::rect, i, {pages[static_cast<size_t>(i - 1)], x, 2000, static_cast<int16_t>(x + 500), 3000, 3});
    }
    setup::set_stage_item_count(d, StageItemKind::rect, 4);
}

TEST_F(StagePlanEditor, LastAndNextStepThroughThePageOnlyAndWrap) {
    open_empty_plan();
    four_rectangles();
    redraw();
    const auto yellow_rect = [this](int i) {
        const setup::StageSegment r = segment(StageItemKind::rect, i);
        const auto [x, y] = on_screen(r.x1, r.y1);
        return rig_.pixel(x + 3, y) == 14;
    };
    click(478, 300);  // edit rectangles
    EXPECT_EQ(status(), "LAST/NEXT=RECTANGLE DEL=CLEAR LMB=REPLACE RMB=CANCEL");
    EXPECT_TRUE(yellow_rect(1));
    rig_.press(runtime::KEY_LAST, 20);
    EXPECT_TRUE(yellow_rect(4)) << "LAST on the first gives the page's last";
    EXPECT_FALSE(yellow_rect(1));
    rig_.press(runtime::KEY_NEXT, 20);
    EXPECT_TRUE(yellow_rect(1)) << "NEXT on the last wraps to the first";
    rig_.press(runtime::KEY_NEXT, 20);
    rig_.press(runtime::KEY_NEXT, 20);
    EXPECT_TRUE(yellow_rect(4)) << "record 3 of page 2 is passed over";
    rig_.press(runtime::KEY_DEL, 20);
    EXPECT_EQ(count(StageItemKind::rect), 3);
    EXPECT_EQ(tones(600, 50), 1);
    EXPECT_TRUE(yellow_rect(1)) << "the deleted record was the last: the page's first is next";
    rig_.press(runtime::KEY_ESC, 20);
    EXPECT_FALSE(yellow_rect(1));
    EXPECT_EQ(runtime::fixture_page, 1);
    EXPECT_EQ(platform::machine().mouse.y, 300) << "back on the button";
}

TEST_F(StagePlanEditor, DeletingAPagesLastItemShowsTheNextPageWithItems) {
    struct Case {
        uint8_t other_page;
        int16_t next_page;
    };
    const Case cases[] = {{7, 7}, {1, 1}};
    open_empty_plan();
    for (const Case& c : cases) {
        SetupData& d = setup::setup_edit_copy;
        setup::write_stage_segment(d, StageItemKind::line, 1, {c.other_page, 1000, 1000, 9000, 1000, 3});
        setup::write_stage_segment(d, StageItemKind::line, 2, {3, 1000, 5000, 9000, 5000, 3});
        setup::set_stage_item_count(d, StageItemKind::line, 2);
        rig_.press(runtime::KEY_BANK_UP, 20);
        rig_.press(runtime::KEY_BANK_UP, 20);
        while (runtime::fixture_page > 3) rig_.press(runtime::KEY_BANK_DOWN, 20);
        ASSERT_EQ(runtime::fixture_page, 3);
        click(478, 355);  // edit lines
        rig_.press(runtime::KEY_DEL, 20);
        EXPECT_EQ(runtime::fixture_page, c.next_page);
        EXPECT_EQ(count(StageItemKind::line), 1);
        EXPECT_EQ(segment(StageItemKind::line, 1).page, c.other_page);
        EXPECT_EQ(segment(StageItemKind::line, 2).page, 0);
        const auto [x, y] = on_screen(2000, 1000);
        EXPECT_EQ(rig_.pixel(x, y), 14) << "the new page's item selected";
        rig_.press(runtime::KEY_ESC, 20);
        while (runtime::fixture_page > 1) rig_.press(runtime::KEY_BANK_DOWN, 20);
    }
    // Started on a page without lines, the edit shows the page of the first record.
    setup::write_stage_segment(setup::setup_edit_copy, StageItemKind::line, 1, {7, 1000, 1000, 9000, 1000, 3});
    click(478, 355);
    EXPECT_EQ(runtime::fixture_page, 7);
    rig_.press(runtime::KEY_ESC, 20);
}

TEST_F(StagePlanEditor, AMovedRectangleStopsTwoPixelsFromTheEdge) {
    open_empty_plan();
    click(478, 270);
    press_and_drag(130, 250, 160, 280);
    release();
    rig_.press(runtime::KEY_ESC, 20);
    ASSERT_EQ(count(StageItemKind::rect), 1);
    click(478, 300);
    rig_.click(setup_test::kLeft);
    EXPECT_EQ(status(), "REPLACE RECTANGLE UNTIL LMB...");
    roll(-20, 5);
    rig_.click(setup_test::kLeft);
    rig_.press(runtime::KEY_ESC, 20);
    const setup::StageSegment r = segment(StageItemKind::rect, 1);
    EXPECT_EQ(on_screen(r.x1, r.y1), (std::pair<int16_t, int16_t>(119, 255)));
    EXPECT_EQ(on_screen(r.x2, r.y2), (std::pair<int16_t, int16_t>(149, 285)));
    EXPECT_EQ(rig_.pixel(119, 270), setup::stage_colours[1]) << "drawn at its new place";
    EXPECT_EQ(rig_.pixel(160, 270), 0) << "gone from the old";
}

// A rectangle drawn and saved shows on the main screen's plan at once,
// where stage point (5000, 5000) lies at (430, 362).
TEST_F(StagePlanEditor, ASavedItemShowsOnTheMainScreensPlan) {
    open_empty_plan();
    click(478, 270);
    press_and_drag(290, 312, 464 - 10, 425 - 10);  // stage (5000, 5000) onwards
    release();
    rig_.press(runtime::KEY_ESC, 20);
    ASSERT_EQ(count(StageItemKind::rect), 1);
    rig_.press(runtime::KEY_SETUP, setup_test::kLongHold_ms);
    rig_.press(runtime::KEY_DIGIT_1, 20);
    rig_.run_ms(500);
    ASSERT_EQ(runtime::mode_flags & runtime::MODE_IN_SETUP, 0u);
    EXPECT_EQ(setup::stage_item_count(setup::setup_data, StageItemKind::rect), 1);
    const int16_t colour = setup::stage_colours[1];
    EXPECT_EQ(rig_.pixel(430, 362), colour) << "the corner at stage (5000, 5000)";
    EXPECT_EQ(rig_.pixel(500, 362), colour) << "its top edge";
    EXPECT_EQ(rig_.pixel(430, 420), colour) << "its left edge";
}

// A rig read from a bad file: counts past 100, pages and colours out of
// range. The editor refuses to add and steps only over what lies on a page.
TEST_F(StagePlanEditor, ItemsOutOfRangeAreBoundedAndNeverIndexedPast) {
    open();
    SetupData& d = setup::setup_edit_copy;
    for (int i = 1; i <= 100; ++i) {
        setup::write_stage_segment(d, StageItemKind::line, i, {static_cast<uint8_t>(i == 50 ? 1 : 11), 0, 0, 100, 100, 200});
    }
    d.set_u8(setup::kSetupLineCount, 250);
    click(478, 330);
    EXPECT_TRUE(setup_test::status_drawn("MAXIMUM 100 LINES"));
    rig_.run_ms(1000);
    click(478, 355);
    rig_.press(runtime::KEY_NEXT, 20);
    rig_.press(runtime::KEY_LAST, 20);
    rig_.press(runtime::KEY_DEL, 20);
    EXPECT_EQ(count(StageItemKind::line), 99);
    EXPECT_EQ(runtime::fixture_page, 1) << "no page holds a line now";
    EXPECT_EQ(status(), setup::kSetupTitle);
}

// ------------------------------------------------------------------ colours

TEST_F(StagePlanEditor, ASwatchClickTakesItsColourForTheNextItemsButNotWhileConflictsShow) {
    open();
    click(508, 300);
    EXPECT_EQ(setup::stage_colour_index, 4);
    EXPECT_EQ(rig_.pixel(495, 300), setup::stage_colours[5]);
    EXPECT_TRUE(setup_test::drawn("OK"));
    setup::patch_conflict_count = 2;
    platform::machine().graphics.clear_call_log();
    setup::draw_colour_swatches();
    click(508, 260);
    EXPECT_EQ(setup::stage_colour_index, 4);
    EXPECT_FALSE(setup_test::drawn("OK"));
    setup::patch_conflict_count = 0;
}

TEST_F(StagePlanEditor, LastOnThePagesFirstFixtureGivesItsLastAndAPickRecoloursIt) {
    open();
    const int16_t first_colour = fixture(1).stage_colour;
    click(508, 415);  // EDIT COLORS
    EXPECT_EQ(status(), "LMB=EDIT COLORS RMB=CANCEL");
    click(560, 338);  // FIXTURES
    EXPECT_EQ(status(), "LAST/NEXT=FIXTURE LMB=SELECT COLOR RMB=CANCEL");
    rig_.press(runtime::KEY_LAST, 20);
    click(508, 262);  // swatch 2
    rig_.press(runtime::KEY_ESC, 20);
    EXPECT_EQ(fixture(12).stage_colour, setup::stage_colours[3]) << "the page's last of 12";
    EXPECT_EQ(fixture(1).stage_colour, first_colour);
    EXPECT_EQ(setup::stage_colour_index, 2);
    EXPECT_EQ(platform::machine().mouse.x, 497) << "on the colour button";
}

TEST_F(StagePlanEditor, RecolouringAnEllipseShowsTheArrowPromptAfterThePick) {
    open_empty_plan();
    setup::write_stage_ellipse(setup::setup_edit_copy, 1, {1, 5000, 5000, 0, 360, 6000, 6000, 3});
    setup::set_stage_item_count(setup::setup_edit_copy, StageItemKind::ellipse, 1);
    const std::string before = stage_pixels();
    click(508, 415);
    click(560, 355);  // ELLIPSES
    EXPECT_EQ(status(), "LAST/NEXT=ELLIPSE LMB=SELECT COLOR RMB=CANCEL");
    click(508, 390);  // swatch 9
    EXPECT_EQ(status(), "LAST/NEXT=>ELLIPSE LMB=SELECT COLOR RMB=CANCEL");
    rig_.press(runtime::KEY_ESC, 20);
    EXPECT_EQ(setup::read_stage_ellipse(setup::setup_edit_copy, 1).colour, setup::stage_colours[10]);
    EXPECT_EQ(rig_.pixel(290 + 35, 312), setup::stage_colours[10]);
    EXPECT_NE(stage_pixels(), before);
}

TEST_F(StagePlanEditor, TheColourMenuPutsBackWhatItCovered) {
    open();
    const platform::Rect menu = {522, 308, 622, 420};
    const std::string before = platform::region_text(menu);
    click(508, 415);
    EXPECT_NE(platform::region_text(menu), before);
    click(560, 320);  // the title: no entry, the menu stays
    EXPECT_EQ(status(), "LMB=EDIT COLORS RMB=CANCEL");
    click(560, 338, setup_test::kRight);
    EXPECT_EQ(platform::region_text(menu), before);
}

// ------------------------------------------------------------------ ERASE ALL and REDRAW

TEST_F(StagePlanEditor, EraseAllEmptiesTheRigOnLeftOrEnterAndKeepsItOnRightOrEsc) {
    struct Case {
        bool by_key;
        uint16_t button;
        int16_t key;
        bool erased;
    };
    const Case cases[] = {{false, setup_test::kLeft, 0, true},
                          {true, 0, runtime::KEY_ENTER, true},
                          {false, setup_test::kRight, 0, false},
                          {true, 0, runtime::KEY_ESC, false}};
    for (const Case& c : cases) {
        open();
        SetupData& live = setup::setup_data;
        for (size_t i = 0xC364; i < 0xC3A8; ++i) live.bytes[i] = static_cast<uint8_t>(i & 0x7F);
        ASSERT_GT(fixture_count(), 0);
        click(320, 445);
        EXPECT_EQ(status(), "LMB=CLEAR  RMB=CANCEL");
        EXPECT_EQ(rig_.pixel(323, 434), 11) << "button 7 active";
        rig_.run_ms(300);
        if (c.by_key) {
            rig_.press(c.key, 20);
        } else {
            click(200, 300, c.button);
        }
        const SetupData& work = setup::setup_edit_copy;
        if (!c.erased) {
            EXPECT_EQ(fixture_count(), 12);
        } else {
            EXPECT_EQ(fixture_count(), 0);
            EXPECT_EQ(work.u8(setup::kSetupColourLibrary), 1);
            EXPECT_TRUE(setup::soft_patch_list.empty());
            EXPECT_EQ(count(StageItemKind::ellipse) + count(StageItemKind::text), 0);
            for (const auto& [at, length] : {std::pair<size_t, size_t>{0xC369, 16}, {0xC379, 16}, {0xC389, 10}, {0xC393, 21}, {0xC364, 1}}) {
                for (size_t i = at; i < at + length; ++i) EXPECT_EQ(work.bytes[i], live.bytes[i]) << std::hex << i;
            }
            EXPECT_EQ(platform::count_pixels(setup::stage_colours[1], {117, 201, 463, 424}) +
                          platform::count_pixels(12, {117, 201, 463, 424}),
                      0)
                << "the stage page drawn empty";
        }
        EXPECT_EQ(rig_.pixel(323, 434), 0) << "button 7 restored";
        rig_.press(runtime::KEY_SETUP, setup_test::kLongHold_ms);  // leave without saving
        rig_.press(runtime::KEY_DIGIT_2, 20);
        rig_.run_ms(50);
    }
}

TEST_F(StagePlanEditor, RedrawDrawsThePageAgainWithItsThreeTones) {
    open();
    const std::string drawn_page = stage_pixels();
    ui::fill_box(200, 250, 300, 300, 5);
    ASSERT_NE(stage_pixels(), drawn_page);
    redraw();
    EXPECT_EQ(stage_pixels(), drawn_page);
    const std::vector<platform::Tone> tones = rig_.tones();
    ASSERT_GE(tones.size(), 3u);
    const std::array<std::pair<int32_t, uint64_t>, 3> expected = {{{400, 100}, {800, 50}, {400, 100}}};
    for (size_t i = 0; i < 3; ++i) {
        const platform::Tone& t = tones[tones.size() - 3 + i];
        EXPECT_EQ(std::pair(t.freq_hz, t.duration_ms), expected[i]) << i;
    }
}

}  // namespace
