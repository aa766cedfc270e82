// The dimmer curve information screen on a rig of demo types: the report's
// lines and dimmer channel numbers, the pages, the choice of lines, the
// active marks and curves they take, the curve dialog and the printed report.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "demo_rig_files.h"
#include "platform/bios.h"
#include "platform/machine.h"
#include "rig/rig.h"
#include "rig_builder.h"
#include "runtime/key_codes.h"
#include "setup/dimmer_curve_report.h"
#include "setup/dimmer_curves.h"
#include "setup/patch_conflicts.h"
#include "setup_screen_rig.h"
#include "ui/dialog_fixture.h"
#include "ui/message_line.h"

namespace {

using setup::SetupData;
using setup_test::FixtureSpec;

constexpr int16_t kRow1_y = 226;  // first row of the list
constexpr int16_t kButtonX = 590;
constexpr int16_t kNonActive_y = 259;
constexpr int16_t kDimCurve_y = 289;
constexpr int16_t kPrint_y = 379;
constexpr int16_t kDownArrow_y = 415;
constexpr int16_t kUpArrow_y = 225;
constexpr uint8_t kListYellow = 14;
constexpr uint8_t kSelectedGreen = 2;

// Types of the demo library: 1 the dimmer (slot 1 a dimmer), 2 the spot (slot 14).
SetupData rig_of(const std::vector<FixtureSpec>& fixtures) {
    SetupData setup{};
    setup_test::set_types(setup, {{"GENERIC DIMMER", 1, {}, "DIMMER"}, {"GENERIC SPOT 16CH", 16, {}, "SPOT16"}});
    setup_test::set_fixtures(setup, fixtures);
    return setup;
}

uint8_t settings(const SetupData& setup, int f, int slot) {
    return setup.u8(SetupData::fixture_field(f, setup::kFixtureFunctionSettings + static_cast<size_t>(slot - 1)));
}
void set_settings(SetupData& setup, int f, int slot, uint8_t value) {
    setup.set_u8(SetupData::fixture_field(f, setup::kFixtureFunctionSettings + static_cast<size_t>(slot - 1)), value);
}

std::vector<std::string> texts(const setup::DimmerCurveReport& report) {
    std::vector<std::string> lines;
    for (const setup::DimmerCurveLine& line : report) lines.push_back(line.text);
    return lines;
}

// Yellow text ink in row i (1..20) of the list.
int row_ink(int i) { return platform::count_pixels(kListYellow, {120, 212 + 10 * i, 546, 221 + 10 * i}); }

class DimmerCurves : public dialog_test::ConsoleDialog {
protected:
    void SetUp() override { setup_test::lay_out_demo_rig(dir_); }
    // The screen on setup_, run by the console until it closes.
    void open_screen() {
        start([this] { setup::run_dimmer_curve_info(setup_); });
    }
    void click(int16_t x, int16_t y, uint16_t buttons = setup_test::kLeft) {
        rig_.click_at(x, y, buttons);
        rig_.run_ms(20);
    }
    setup::DimmerCurveReport report() {
        setup::DimmerCurveReport lines;
        start([&] { lines = setup::write_dimmer_curve_report(setup_); });
        EXPECT_TRUE(run_to_end());
        return lines;
    }
    SetupData setup_{};
};

TEST_F(DimmerCurves, TheReportNumbersTheActiveDimmersInFixtureOrderAndNamesTheirCurves) {
    setup_ = rig_of({{.type = 1, .page = 1, .key = 1},
                     {.type = 2, .page = 1, .key = 5},
                     {.type = 1, .page = 2, .key = 3},
                     {.type = 1, .page = 1, .key = 70}});
    set_settings(setup_, 2, 14, 0x02);  // Preheat
    set_settings(setup_, 3, 1, 0x13);   // not active, Preheat 110V
    set_settings(setup_, 4, 1, 0x0F);   // Custom 10
    const setup::DimmerCurveReport lines = report();
    EXPECT_EQ(texts(lines), (std::vector<std::string>{
                                "DIM Chan. FIXTURE CHANNEL TYPE                     ACTIVE  CURVE",
                                " 1        1.1     1       GENERIC DIMMER           Yes     Linear",
                                " 2        5.1     14      GENERIC SPOT 16CH        Yes     Preheat",
                                "          3.2     1       GENERIC DIMMER           No      Preheat 110V",
                                " 3       70.1     1       GENERIC DIMMER           Yes     Custom 10",
                            }));
    EXPECT_EQ(lines[2].fixture_index, 1);
    EXPECT_EQ(lines[2].function_slot, 14);
}

TEST_F(DimmerCurves, NotActiveRenumbersTheLaterLinesAndANewCurveKeepsItNotActive) {
    setup_ = rig_of({{.type = 1, .key = 1}, {.type = 1, .key = 2}, {.type = 1, .key = 3}});
    setup::DimmerCurveReport after;
    std::vector<uint8_t> bytes;
    start([&] {
        setup::DimmerCurveReport lines = setup::write_dimmer_curve_report(setup_);
        lines.at(1).selected = 1;
        setup::set_selected_active(lines, setup_, false);
        bytes.push_back(settings(setup_, 1, 1));
        setup::set_selected_curve(lines, setup_, 5);
        bytes.push_back(settings(setup_, 1, 1));
        after = setup::write_dimmer_curve_report(setup_);
        setup::set_selected_active(lines, setup_, true);
        bytes.push_back(settings(setup_, 1, 1));
    });
    ASSERT_TRUE(run_to_end());
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0x10, 0x15, 0x05})) << "not active, then Neon still not active, then active";
    ASSERT_EQ(after.size(), 4u);
    EXPECT_EQ(after[1].text, "          1.1     1       GENERIC DIMMER           No      Neon");
    EXPECT_EQ(after[2].text.substr(0, 4), " 1  ");
    EXPECT_EQ(after[3].text.substr(0, 4), " 2  ");
}

TEST_F(DimmerCurves, FortyOneDimmersMakeThreePagesTurnedByArrowsAndPageKeys) {
    std::vector<FixtureSpec> fixtures;
    for (int k = 1; k <= 41; ++k) fixtures.push_back({.type = 1, .key = k});
    setup_ = rig_of(fixtures);
    open_screen();
    EXPECT_GT(row_ink(20), 0) << "page 1 is full";
    click(556, kDownArrow_y);
    click(556, kDownArrow_y);
    EXPECT_GT(row_ink(1), 0) << "page 3: line 42, the 41st dimmer";
    EXPECT_EQ(row_ink(2), 0);
    click(556, kDownArrow_y);  // no page 4
    EXPECT_GT(row_ink(1), 0);
    EXPECT_EQ(row_ink(2), 0);
    press(runtime::KEY_PAGE_UP);
    EXPECT_GT(row_ink(20), 0) << "page 2";
    click(556, kUpArrow_y);
    press(runtime::KEY_PAGE_DOWN);
    EXPECT_GT(row_ink(20), 0);
    press(runtime::KEY_ESC);
    EXPECT_TRUE(run_to_end());
}

TEST_F(DimmerCurves, ARigWithoutDimmersShowsTheHeaderAndOneEmptyPage) {
    setup_ = rig_of({});
    open_screen();
    for (int i = 1; i <= 20; ++i) EXPECT_EQ(row_ink(i), 0) << i;
    EXPECT_GT(platform::count_pixels(15, {120, 205, 546, 213}), 0) << "the header";
    press(runtime::KEY_ESC);
    EXPECT_TRUE(run_to_end());
}

TEST_F(DimmerCurves, SelectedLinesTakeTheMarkAndTheCurveClickedAndTheScreenGoesAsItCame) {
    setup_ = rig_of({{.type = 1, .key = 1}, {.type = 1, .key = 2}});
    std::array<uint8_t, platform::kScreenPixels> before{};
    start([&] {
        before = platform::machine().graphics.pixels;
        setup::run_dimmer_curve_info(setup_);
    });
    click(200, kRow1_y);
    EXPECT_GT(platform::count_pixels(kSelectedGreen, {118, 222, 547, 231}), 0) << "line 2 selected";
    click(kButtonX, kNonActive_y);
    EXPECT_EQ(settings(setup_, 1, 1), 0x10);
    EXPECT_EQ(settings(setup_, 2, 1), 0x00);
    EXPECT_GT(platform::count_pixels(kSelectedGreen, {118, 222, 547, 231}), 0) << "the mark carried over";
    click(kButtonX, kDimCurve_y);
    EXPECT_EQ(std::string(ui::last_message_text.data()), "SELECT A DIMMER CURVE");
    click(560, 279);  // the lowest row: Custom 10
    EXPECT_EQ(settings(setup_, 1, 1), 0x1F);
    click(200, kRow1_y + 10);  // line 3 too
    click(kButtonX, kDimCurve_y);
    press(runtime::KEY_ESC);  // a cancelled curve closes the screen unchanged
    EXPECT_TRUE(run_to_end());
    EXPECT_EQ(settings(setup_, 1, 1), 0x1F);
    EXPECT_EQ(settings(setup_, 2, 1), 0x00);
    // The window's and the curve dialog's areas as they were (the status line below may differ).
    for (int y = 110; y <= 424; ++y) {
        for (int x = 117; x <= 629; ++x) {
            const size_t at = static_cast<size_t>(y * platform::kScreenWidth + x);
            ASSERT_EQ(platform::machine().graphics.pixels[at], before[at]) << x << "," << y;
        }
    }
}

TEST_F(DimmerCurves, PrintSendsTheReportAsShownAndAFormFeedOrReportsThePrinterError) {
    const rig::TempDir spool;
    rig_.machine().dos.printer_spool = spool.path() / "printer.out";
    setup_ = rig_of({{.type = 1, .key = 1}});
    dir_.write_text("lib/CURVE.TXT", "A STALE REPORT\r\n");
    open_screen();
    click(kButtonX, kPrint_y);
    const std::string report =
        "DIM Chan. FIXTURE CHANNEL TYPE                     ACTIVE  CURVE\r\n"
        " 1        1.1     1       GENERIC DIMMER           Yes     Linear\r\n";
    EXPECT_EQ(dir_.read_text("lib/CURVE.TXT"), report);
    EXPECT_EQ(rig_.machine().dos.printer_output(), report + "\f");
    EXPECT_EQ(std::string(ui::last_message_text.data()), "RMB=CANCEL");
    rig_.machine().bios.printer_ready = false;
    click(kButtonX, kPrint_y);
    EXPECT_TRUE(setup_test::status_drawn("++ PRINTER ERROR ++"));
    EXPECT_EQ(setup_test::tone_count(rig_, 400, 800), 1);
    EXPECT_EQ(rig_.machine().dos.printer_output(), report + "\f") << "nothing more sent";
    click(300, 300, setup_test::kRight);
    EXPECT_TRUE(run_to_end());
}

TEST_F(DimmerCurves, OpenPatchConflictsKeepTheScreenShut) {
    setup_ = rig_of({{.type = 1, .key = 1}});
    start([&] {
        setup::patch_conflict_count = 2;
        platform::machine().graphics.clear_call_log();
        setup::run_dimmer_curve_info(setup_);
    });
    EXPECT_TRUE(run_to_end());
    EXPECT_EQ(std::string(ui::last_message_text.data()), "SOLVE PATCH CONFLICTS FIRST");
    EXPECT_EQ(setup_test::tone_count(rig_, 400, 1200), 1);
    EXPECT_FALSE(setup_test::drawn("DIMMER CURVE INFORMATION"));
}

}  // namespace
