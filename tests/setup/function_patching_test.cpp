// The function patching dialog and the colour library window through the
// setup screen: the entry of function and channel, the check for two
// functions on one channel with its restore question, the map kept in the
// library's .pat file and the setup, and the catalogue chosen.
#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

#include "setup/library_list.h"
#include "setup_screen_rig.h"

namespace {

using setup_test::kLeft;
using setup_test::kRight;

constexpr int16_t kMakerRow2_y = 38;       // KELTRO
constexpr int16_t kLibraryRow1_y = 100;    // KELTRO SCAN 24 (not in the rig)
constexpr int16_t kLibraryRow2_y = 116;    // GENERIC SPOT 16CH, type 1 of the rig
constexpr int16_t kPatchButtonX = 70, kToolbarY = 445;
constexpr int16_t kColourButtonX = 220;

class FunctionPatching : public setup_test::SetupScreen {
protected:
    void choose_scan() {
        click(200, kMakerRow2_y);
        click(200, kLibraryRow1_y);
        ASSERT_EQ(setup::library_list.loaded_type.channel_count(), 24);
    }
    // Numbers typed on the PC keyboard, each ended by ENTER ("" an empty entry).
    void enter(const std::vector<std::string>& numbers) {
        for (const std::string& n : numbers) {
            rig_.type(n + "\r");
            rig_.run_ms(30);
        }
    }
    static uint8_t map(int f) { return setup::library_list.function_map[static_cast<size_t>(f - 1)]; }
    bool in_dialog() const { return rig_.pixel(627, 433) == 14; }  // the yellow prompt box
};

TEST_F(FunctionPatching, TwoFunctionsOnOneChannelAreReportedAndYesRestoresWithoutWriting) {
    open();
    choose_scan();
    click(kPatchButtonX, kToolbarY);
    EXPECT_TRUE(setup_test::drawn("NUMBER FUNCTION : "));
    enter({"1", "2", ""});
    rig_.run_ms(1100);  // the error tone
    EXPECT_TRUE(setup_test::status_drawn("ERROR : 1 -> 2 and 2 -> 2"));
    EXPECT_EQ(tones(400, 1000), 1);
    EXPECT_EQ(status(), "RESTORE OLD PATCHING?    (LMB=YES RMB=NO)");
    EXPECT_EQ(rig_.key_led_state(runtime::KEY_ENTER), 10);
    click(300, 300, kLeft);
    EXPECT_EQ(map(1), 0);
    EXPECT_EQ(map(2), 1);
    EXPECT_FALSE(dir_.has_file("lib/pat/SCAN24.pat"));
    EXPECT_EQ(rig_.key_led_state(runtime::KEY_ENTER), 0);
}

TEST_F(FunctionPatching, NoGoesBackToTheEntryAndAMapPutBackWritesNothing) {
    open();
    choose_scan();
    click(kPatchButtonX, kToolbarY);
    enter({"1", "2", ""});
    rig_.run_ms(1100);
    click(300, 300, kRight);  // no: edit again
    EXPECT_TRUE(in_dialog());
    enter({"1", "1", ""});
    EXPECT_FALSE(in_dialog());
    EXPECT_EQ(map(1), 0);
    EXPECT_FALSE(dir_.has_file("lib/pat/SCAN24.pat"));
}

// Numbers outside 1..channels: a function ends the entry, a channel changes nothing.
TEST_F(FunctionPatching, NumbersOutsideTheLibrarysChannelsChangeNothing) {
    open();
    choose_scan();
    click(kPatchButtonX, kToolbarY);
    enter({"1", "0", "1", "25", "2", ""});
    EXPECT_TRUE(in_dialog()) << "a channel outside 1..24 or none only ends the function's entry";
    enter({"25"});
    EXPECT_FALSE(in_dialog()) << "function 25 and above end it";
    for (int f = 1; f <= 24; ++f) EXPECT_EQ(map(f), f - 1) << f;
    EXPECT_FALSE(dir_.has_file("lib/pat/SCAN24.pat"));
}

TEST_F(FunctionPatching, ASwapWritesTheMapFileAndThePlacedTypesMap) {
    open();
    click(200, kLibraryRow2_y);
    ASSERT_EQ(setup::library_list.loaded_type.name(), "GENERIC SPOT 16CH");
    click(kPatchButtonX, kToolbarY);
    enter({"1", "2", "2", "1", ""});
    EXPECT_FALSE(in_dialog());
    std::vector<uint8_t> expected(32);
    std::iota(expected.begin(), expected.end(), uint8_t{0});
    std::swap(expected[0], expected[1]);
    EXPECT_EQ(dir_.read_file("lib/pat/SPOT16.pat"), expected);
    for (int k = 0; k < 32; ++k) {
        EXPECT_EQ(setup::setup_edit_copy.u8(setup::SetupData::type_function_map_field(1, k)), expected[static_cast<size_t>(k)]) << k;
    }
    EXPECT_EQ(rig_.pixel(70, 434), 0) << "the toolbar button black again";
}

TEST_F(FunctionPatching, WithoutALibraryTheDialogRefuses) {
    open();
    setup::library_list.selected_entry = -1;
    click(kPatchButtonX, kToolbarY);
    EXPECT_TRUE(setup_test::status_drawn("SELECT FIRST A LIBRARY"));
    EXPECT_EQ(tones(400, 800), 1);
    EXPECT_FALSE(in_dialog());
}

TEST_F(FunctionPatching, TheColourLibraryTakesTheClickedCatalogueAndKeepsItOnTheRightButton) {
    open();
    ASSERT_EQ(setup::setup_edit_copy.u8(setup::kSetupColourLibrary), 1);
    std::vector<uint8_t> before;
    for (int y = 382; y <= 460; ++y) {
        for (int x = 196; x <= 242; ++x) before.push_back(rig_.pixel(x, y));
    }
    click(kColourButtonX, kToolbarY);
    EXPECT_EQ(status(), "LMB=RGB-LIB  RMB=CANCEL");
    EXPECT_EQ(rig_.pixel(210, 410), 11) << "LEE marked";
    click(210, 419);  // the bar's bottom edge: no choice
    EXPECT_EQ(setup::setup_edit_copy.u8(setup::kSetupColourLibrary), 1);
    click(210, 430);  // ROSCO
    EXPECT_EQ(setup::setup_edit_copy.u8(setup::kSetupColourLibrary), 2);
    EXPECT_EQ(rig_.pixel(210, 428), 11);
    EXPECT_EQ(rig_.pixel(210, 410), 7);
    click(210, 430, kRight);
    EXPECT_EQ(setup::setup_edit_copy.u8(setup::kSetupColourLibrary), 2);
    std::vector<uint8_t> after;
    for (int y = 382; y <= 460; ++y) {
        for (int x = 196; x <= 242; ++x) after.push_back(rig_.pixel(x, y));
    }
    EXPECT_EQ(after, before) << "the area under the window put back";
}

}  // namespace
