// Stage pages on the printer and in bitmap files, and the INFO window of the
// LINK menu around them: the ESC/P bytes of a screen area, the BMP bytes,
// the window's pages and options, PRINT with and without the stage pages,
// a printer that is not ready, and EXPORT of all ten pages.
#include "setup/stage_printing.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/bios.h"
#include "ui/helpers.h"
#include "runtime/console_state.h"
#include "setup/patch_conflicts.h"
#include "setup/setup_reports.h"
#include "setup_screen_rig.h"

namespace setup_test {
namespace {

using setup::setup_edit_copy;

constexpr size_t kPictureBytes = 10328;  // 2 + 29 x (5 + 349 + 2) + 2
constexpr size_t kBandBytes = 5 + 349 + 2;

void put_pixel(int x, int y, int colour) {
    platform::_putpixel(x, y, colour);
}

std::string bytes_of(std::initializer_list<int> bytes) {
    std::string s;
    for (int b : bytes) s.push_back(static_cast<char>(b));
    return s;
}

// The printed picture's dot for pixel (x, y) of print_screen_area(116, 200, ...).
bool printed_dot(const std::string& picture, int x, int y) {
    const size_t band = static_cast<size_t>(y - 200) / 8;
    const size_t at = 2 + band * kBandBytes + 5 + static_cast<size_t>(x - 116);
    return (static_cast<uint8_t>(picture[at]) & (0x80 >> ((y - 200) % 8))) != 0;
}

// The pixels of the window's rectangle, row by row.
std::vector<uint8_t> window_pixels(const rig::Rig& rig) {
    std::vector<uint8_t> pixels;
    for (int y = 189; y <= 424; ++y) {
        for (int x = 117; x <= 629; ++x) pixels.push_back(rig.pixel(x, y));
    }
    return pixels;
}

class StagePrinting : public SetupScreen {
protected:
    void SetUp() override {
        SetupScreen::SetUp();
        platform::machine().dos.printer_spool = spool_.path() / "printer.out";
    }
    static std::string printed() { return platform::machine().dos.printer_output(); }
    // LINK > INFO.
    void open_info() {
        setup::patch_conflict_count = 0;
        click(120, 445);
        click(120, 378);
        rig_.run_ms(20);
    }
    // The demo fixtures spread over fixture pages 2, 5 and 9.
    static void spread_fixtures() {
        const int pages[] = {2, 5, 9};
        for (int f = 1; f <= fixture_count(); ++f) {
            const int page = pages[f % 3];
            setup_edit_copy.set_u16(setup::SetupData::fixture_field(f, setup::kFixtureNumber),
                                    static_cast<uint16_t>((page - 1) * 70 + f));
        }
    }

    rig::TempDir spool_;
};

TEST_F(StagePrinting, AScreenAreaIsSentAsEightDotBandsOfBitImage) {
    open();
    ui::fill_box(100, 190, 480, 440, 0);
    put_pixel(116, 200, 15);  // top left: bit 7 of the first column
    put_pixel(117, 207, 3);   // bit 0 of the second column
    put_pixel(464, 203, 1);   // the last column, bit 4
    put_pixel(465, 200, 15);  // x2 itself is not printed
    put_pixel(120, 431, 2);   // the last band reaches 5 rows below 426
    put_pixel(120, 432, 2);   // not in any band
    ASSERT_TRUE(setup::print_screen_area(116, 200, 465, 426));
    const std::string out = printed();
    ASSERT_EQ(out.size(), kPictureBytes);
    EXPECT_EQ(out.substr(0, 2), bytes_of({0x1B, 0x31}));
    EXPECT_EQ(out.substr(out.size() - 2), bytes_of({0x1B, 0x32}));
    for (size_t band = 0; band < 29; ++band) {
        const size_t at = 2 + band * kBandBytes;
        EXPECT_EQ(out.substr(at, 5), bytes_of({0x1B, 0x2A, 0x04, 0x5D, 0x01})) << band;
        EXPECT_EQ(out.substr(at + 5 + 349, 2), "\r\n") << band;
    }
    EXPECT_EQ(static_cast<uint8_t>(out[2 + 5]), 0x80);
    EXPECT_EQ(static_cast<uint8_t>(out[2 + 5 + 1]), 0x01);
    EXPECT_EQ(static_cast<uint8_t>(out[2 + 5 + 348]), 0x10);
    EXPECT_TRUE(printed_dot(out, 120, 431));
    size_t dots = 0;
    for (int y = 200; y < 432; ++y) {
        for (int x = 116; x < 465; ++x) dots += printed_dot(out, x, y) ? 1 : 0;
    }
    EXPECT_EQ(dots, 4u);
}

TEST_F(StagePrinting, TheBitmapHasTheHeaderPaletteAndRowsBottomUp) {
    open();
    ui::fill_box(100, 190, 480, 440, 0);
    put_pixel(116, 199, 15);  // row y1 is not written
    put_pixel(116, 200, 15);  // the top row of the file
    put_pixel(117, 426, 2);   // the last row of the stage area
    put_pixel(118, 427, 2);   // below it: white
    put_pixel(466, 300, 5);   // right of the stage area: white
    put_pixel(465, 300, 5);
    runtime::fixture_page = 7;
    ASSERT_TRUE(setup::export_stage_bitmap(116, 199, 468, 431));
    const std::vector<uint8_t> bmp = dir_.read_file("lib/STAGE7.BMP");
    ASSERT_EQ(bmp.size(), 40950u);
    const std::vector<uint8_t> header = {
        'B',  'M',  0xF6, 0x9F, 0, 0, 0, 0, 0, 0, 118, 0, 0, 0,             // file header
        40,   0,    0,    0,    0x60, 0x01, 0, 0, 232, 0, 0, 0, 1, 0, 4, 0,  // size, planes, bits
        0,    0,    0,    0,    0x80, 0x9F, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // compression, image size
        16,   0,    0,    0,    16,   0,    0, 0,
        0xFF, 0xFF, 0xFF, 0,    0, 0, 0, 0,    0, 0x80, 0, 0,    0xFF, 0xFF, 0, 0,  // palette 0..3
        0,    0,    0,    0,    0x80, 0, 0xFF, 0, 0x40, 0x40, 0x80, 0, 0xC0, 0xC0, 0xC0, 0,
        0x80, 0x80, 0x80, 0,    0, 0, 0, 0,    0, 0xFF, 0, 0,    0xFF, 0x80, 0, 0,
        0x80, 0x80, 0xFF, 0,    0xFF, 0x80, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    };
    EXPECT_EQ(std::vector<uint8_t>(bmp.begin(), bmp.begin() + 118), header);
    const auto row = [&](int y) { return 118 + static_cast<size_t>(431 - y) * 176; };
    EXPECT_EQ(bmp[row(200)], 0xF0);
    EXPECT_EQ(bmp[row(426)], 0x02);
    EXPECT_EQ(bmp[row(300) + (465 - 116) / 2], 0x05) << "x 465 is in the stage area (odd column: low nibble)";
    EXPECT_EQ(bmp[row(300) + (466 - 116) / 2], 0x00);
    size_t lit = 0;
    for (size_t i = 118; i < bmp.size(); ++i) lit += bmp[i] != 0 ? 1 : 0;
    EXPECT_EQ(lit, 3u);
}

TEST_F(StagePrinting, TheWindowPagesItsReportAndTogglesTheOptions) {
    open();
    struct Case {
        size_t lines;
        int pages;
    };
    // A report of 21 lines (title and 20) has one page, one of 22 two.
    // An empty file shows no lines on its one page.
    for (const Case& c : {Case{21, 1}, Case{22, 2}, Case{42, 3}, Case{0, 1}}) {
        SCOPED_TRACE(c.lines);
        std::string text = c.lines > 0 ? "TITLE\r\n" : "";
        for (size_t n = 1; n < c.lines; ++n) text += "LINE " + std::to_string(n) + "\r\n";
        open_info();  // writes both reports
        dir_.write_text("lib/INFO2.TXT", text);
        rig_.press(runtime::KEY_DIGIT_2, 20);  // the output report, read from its file
        rig_.press(runtime::KEY_PAGE_UP, 20);  // on page 1: stays
        for (int p = 1; p <= c.pages; ++p) rig_.press(runtime::KEY_PAGE_DOWN, 20);  // one more than there are
        // The scroll bar's thumb covers the last of `pages` parts of the track.
        const int top = 237 + 166 * (c.pages - 1) / c.pages;
        EXPECT_EQ(rig_.pixel(556, 403), 4);
        EXPECT_EQ(rig_.pixel(556, top), 4);
        if (c.pages > 1) {
            EXPECT_EQ(rig_.pixel(556, top - 1), 8);
        }
        rig_.press(runtime::KEY_ESC, 20);
    }
}

TEST_F(StagePrinting, PrintSendsTheReportAndTheUsedPagesTwoToASheet) {
    open();
    spread_fixtures();
    const std::vector<uint8_t> before = window_pixels(rig_);
    open_info();
    click(590, 230);  // PRINT
    EXPECT_TRUE(status_drawn("++ PRINTING ++"));
    EXPECT_EQ(status(), "RMB=CANCEL");
    const std::string report = dir_.read_text("lib/INFO1.TXT");
    const std::string out = printed();
    ASSERT_EQ(out.substr(0, report.size() + 1), report + "\f");
    const std::string sheets = out.substr(report.size() + 1);
    const std::string title2 = "\r\nFIXTURES PAGE 2\r\n\r\n";
    const std::string title5 = "\r\n\r\nFIXTURES PAGE 5\r\n\r\n";
    const std::string title9 = "\r\nFIXTURES PAGE 9\r\n\r\n";
    ASSERT_EQ(sheets.size(), title2.size() + title5.size() + title9.size() + 3 * kPictureBytes + 2);
    EXPECT_EQ(sheets.substr(0, title2.size()), title2);
    size_t at = title2.size() + kPictureBytes;
    EXPECT_EQ(sheets.substr(at, title5.size()), title5);
    at += title5.size() + kPictureBytes;
    EXPECT_EQ(sheets.substr(at, 1), "\f");
    EXPECT_EQ(sheets.substr(at + 1, title9.size()), title9);
    EXPECT_EQ(sheets.back(), '\f');
    // Something of page 2 was printed, and the screen, page and mode are back.
    const std::string picture2 = sheets.substr(title2.size(), kPictureBytes);
    EXPECT_NE(picture2.find_first_not_of(std::string(1, '\0') + "\x1B\x2A\x04\x5D\x01\r\n12"), std::string::npos);
    EXPECT_EQ(setup::stage_print_mode, 0);
    EXPECT_EQ(runtime::fixture_page, 1);
    click(600, 300, kRight);
    EXPECT_TRUE(window_pixels(rig_) == before) << "the stage area as it was";
}

TEST_F(StagePrinting, WithoutStagePagesOnlyTheOutputReportIsPrinted) {
    open();
    open_info();
    rig_.press(runtime::KEY_DIGIT_2, 20);  // "2 OUTPUT"
    rig_.press(runtime::KEY_PANEL_1, 20);  // include stage off
    click(590, 230);
    EXPECT_EQ(printed(), dir_.read_text("lib/INFO2.TXT") + "\f");
    rig_.press(runtime::KEY_ESC, 20);
}

TEST_F(StagePrinting, APrinterThatIsNotReadyPrintsNothing) {
    open();
    platform::machine().bios.printer_ready = false;
    open_info();
    const int beeps = tones(400, 800);
    click(590, 230);
    EXPECT_TRUE(status_drawn("++ PRINTER ERROR ++"));
    EXPECT_EQ(tones(400, 800), beeps + 1);
    EXPECT_EQ(status(), "RMB=CANCEL");
    EXPECT_EQ(printed(), "");
    rig_.press(runtime::KEY_ESC, 20);
}

TEST_F(StagePrinting, PatchConflictsRefuseTheWindow) {
    open();
    click(120, 445);
    setup::patch_conflict_count = 1;
    click(120, 378);
    EXPECT_TRUE(status_drawn("SOLVE PATCH CONFLICTS FIRST"));
    EXPECT_EQ(tones(400, 1200), 1);
    EXPECT_FALSE(dir_.has_file("lib/INFO1.TXT"));
}

TEST_F(StagePrinting, ExportWritesAllTenPagesAsTheyArePrinted) {
    open();
    spread_fixtures();
    open_info();
    const std::vector<uint8_t> window = window_pixels(rig_);
    click(590, 360);  // EXPORT
    EXPECT_TRUE(status_drawn("++ EXPORTING ++"));
    EXPECT_TRUE(window_pixels(rig_) == window);
    EXPECT_EQ(setup::stage_print_mode, 0);
    EXPECT_EQ(runtime::fixture_page, 1);
    for (int page = 1; page <= 10; ++page) {
        EXPECT_EQ(dir_.read_file("lib/STAGE" + std::to_string(page) + ".BMP").size(), 40950u) << page;
    }
    // Page 2 exported and printed alike: a dot wherever the bitmap is not white.
    const std::vector<uint8_t> bmp = dir_.read_file("lib/STAGE2.BMP");
    click(590, 230);  // PRINT: report, form feed, pages 2 and 5 first
    const std::string out = printed();
    const size_t picture_at = dir_.read_text("lib/INFO1.TXT").size() + 1 + std::string("\r\nFIXTURES PAGE 2\r\n\r\n").size();
    const std::string picture = out.substr(picture_at, kPictureBytes);
    int differences = 0;
    int lit = 0;
    for (int y = 200; y <= 426; ++y) {
        for (int x = 116; x <= 464; ++x) {
            const uint8_t pair = bmp[118 + static_cast<size_t>(431 - y) * 176 + static_cast<size_t>(x - 116) / 2];
            const bool white = ((x - 116) % 2 == 0 ? pair >> 4 : pair & 0x0F) == 0;
            lit += white ? 0 : 1;
            differences += printed_dot(picture, x, y) == !white ? 0 : 1;
        }
    }
    EXPECT_GT(lit, 100);
    EXPECT_EQ(differences, 0);
    rig_.press(runtime::KEY_ESC, 20);
}

TEST_F(StagePrinting, ABitmapThatCannotBeWrittenIsReportedAndTheOthersAreWritten) {
    open();
    std::filesystem::create_directories(dir_.folder() / "lib" / "STAGE3.BMP");  // a folder in its place
    open_info();
    click(590, 360);
    EXPECT_TRUE(status_drawn("STAGE BITMAPS NOT WRITTEN"));
    EXPECT_EQ(tones(400, 800), 1);
    EXPECT_EQ(dir_.read_file("lib/STAGE4.BMP").size(), 40950u);
    rig_.press(runtime::KEY_ESC, 20);
}

}  // namespace
}  // namespace setup_test
