// The name browser run by the console's thread while the test works the
// keys: the name field, the pages of the list, deleting, the data items,
// and the names each medium lists.
#include "datafiles/name_browser.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "datafiles/commands.h"
#include "platform/graphics.h"
#include "rig/console.h"
#include "runtime/key_codes.h"
#include "ui/message_line.h"

namespace {

using namespace runtime::keys;
using Names = std::vector<std::string>;
namespace fs = std::filesystem;

constexpr uint32_t kSettle_ms = 60;
// The page markers of the shows' box: a red strip at the list's bottom right
// and top left.
constexpr int kDownMarkerX = 235 + 250 - 62;
constexpr int kDownMarkerY = 443;
constexpr int kUpMarkerX = 235 + 28 + 2;
constexpr int kUpMarkerY = 343;
constexpr uint8_t kRed = 4;
constexpr uint8_t kYellow = 14;

class NameBrowser : public ::testing::Test {
protected:
    // Opens the browser for the operation and medium.
    void open(uint8_t operation, uint8_t medium) {
        dir.map_drive(rig.machine());
        rig.machine().cards.fit(0, rig::demo_console_card());
        rig.machine().dos.drive_a_root = floppy.path();
        rig.start([this, operation, medium] {
            rig::start_console_parts();
            datafiles::show_file_operation = operation;
            datafiles::show_file_medium = medium;
            started = true;
            result = datafiles::browse_names();
            done = true;
        });
        ASSERT_TRUE(rig.run_until([this] { return started; }, 60'000));
        rig.run_ms(kSettle_ms);
    }
    void press(int16_t key) {
        rig.press(key);
        rig.run_ms(kSettle_ms);
    }
    void keys(std::initializer_list<int16_t> pressed) {
        for (const int16_t key : pressed) press(key);
    }
    void type(const std::string& text) {
        rig.type(text);
        rig.run_ms(kSettle_ms);
    }
    bool closed() {
        rig.run_ms(kSettle_ms);
        return done;
    }
    void shows(int count) const {
        for (int i = 1; i <= count; ++i) fs::create_directories(dir.folder() / "data" / ("S" + std::to_string(100 + i)));
    }
    static Names listed() {
        Names names;
        for (int n = 1; n <= datafiles::browser_name_count; ++n) names.emplace_back(datafiles::browser_names[static_cast<size_t>(n)].data());
        return names;
    }
    static std::string chosen(int medium) { return datafiles::selected_file_names[static_cast<size_t>(medium)].data(); }
    bool red_strip(int x, int y) const { return rig.pixel(x, y) == kRed || rig.pixel(x, y) == kYellow; }

    rig::Rig rig;
    rig::ProgramDir dir = rig::ProgramDir::demo();
    rig::TempDir floppy;
    bool started = false;
    bool done = false;
    uint8_t result = 9;
};

TEST_F(NameBrowser, TypedNameIsConfirmedWithEnter) {
    open(datafiles::kOperationSave, datafiles::kMediumInternal);
    EXPECT_EQ(ui::current_message(), "EDIT A SHOW-NAME (ESC=CANCEL)");
    type("show-1x");  // capitals; the dash is no name character
    press(KEY_ENTER);
    ASSERT_TRUE(closed());
    EXPECT_EQ(result, 1);
    EXPECT_EQ(chosen(1), "SHOW1X");
}

TEST_F(NameBrowser, ANinthCharacterChangesNothingAndBackRemovesTheLast) {
    open(datafiles::kOperationSave, datafiles::kMediumInternal);
    type("ABCDEFGHI");
    press(KEY_BACK);
    type("Z");
    press(KEY_ENTER);
    ASSERT_TRUE(closed());
    EXPECT_EQ(chosen(1), "ABCDEFGZ");
}

TEST_F(NameBrowser, EscInTheNameFieldCancels) {
    open(datafiles::kOperationLoad, datafiles::kMediumInternal);
    type("X");
    press(KEY_ESC);
    ASSERT_TRUE(closed());
    EXPECT_EQ(result, 0);
}

TEST_F(NameBrowser, InternalShowsAreTheFoldersOfDataSortedInCapitals) {
    fs::create_directories(dir.folder() / "data" / "zeta");
    fs::create_directories(dir.folder() / "data" / "ALPHA");
    fs::create_directories(dir.folder() / "data" / "backup");
    fs::create_directories(dir.folder() / "data" / "9LIVES");
    dir.write_file("data/PLAIN", std::vector<uint8_t>{1});  // a file, not a show
    open(datafiles::kOperationLoad, datafiles::kMediumInternal);
    EXPECT_EQ(listed(), (Names{"9LIVES", "ALPHA", "BACKUP", "ZETA"}));
    press(KEY_DOWN);   // into the list, on 9LIVES
    press(KEY_DOWN);   // ALPHA
    press(KEY_ENTER);  // picked: back in the name field
    EXPECT_EQ(ui::current_message(), "EDIT A SHOW-NAME (ESC=CANCEL)");
    press(KEY_ENTER);
    ASSERT_TRUE(closed());
    EXPECT_EQ(chosen(1), "ALPHA");
}

TEST_F(NameBrowser, ListsAndArchivesAreFilesNotFolders) {
    dir.write_file("data/tour.lst", std::vector<uint8_t>{1});
    dir.write_file("data/AUTOSAVE.LST", std::vector<uint8_t>{1});
    fs::create_directories(dir.folder() / "data" / "DIR.LST");
    dir.write_file("data/tour.dat", std::vector<uint8_t>{1});
    open(datafiles::kOperationLoad, datafiles::kMediumList);
    EXPECT_EQ(listed(), (Names{"AUTOSAVE", "LOAD", "TOUR"}));  // LOAD: the demo's list
    press(KEY_ESC);
    ASSERT_TRUE(closed());

    // The archives of drive A:.
    for (const char* name : {"b.cmp", "A.CMP"}) std::ofstream(floppy.path() / name) << "x";
    fs::create_directories(floppy.path() / "C.CMP");
    datafiles::show_file_medium = datafiles::kMediumExternal;
    datafiles::build_browser_names();
    EXPECT_EQ(listed(), (Names{"A", "B"}));
    rig.machine().dos.drive_a_root.clear();  // no disk: no shows
    datafiles::build_browser_names();
    EXPECT_TRUE(listed().empty());
}

TEST_F(NameBrowser, FifteenNamesFillOnePageAndASixteenthMakesASecond) {
    shows(15);
    open(datafiles::kOperationLoad, datafiles::kMediumInternal);
    EXPECT_FALSE(red_strip(kDownMarkerX, kDownMarkerY));
    keys({KEY_PAGE_DOWN, KEY_PAGE_DOWN});  // into the list, then nothing
    EXPECT_EQ(datafiles::browser_page, 1);
    keys({KEY_ESC, KEY_ESC});
    ASSERT_TRUE(closed());
}

TEST_F(NameBrowser, ASixteenthNameIsOnPageTwo) {
    shows(16);
    open(datafiles::kOperationLoad, datafiles::kMediumInternal);
    EXPECT_TRUE(red_strip(kDownMarkerX, kDownMarkerY));
    keys({KEY_PAGE_DOWN, KEY_PAGE_DOWN});
    EXPECT_EQ(datafiles::browser_page, 2);
    EXPECT_TRUE(red_strip(kUpMarkerX, kUpMarkerY));
    EXPECT_FALSE(red_strip(kDownMarkerX, kDownMarkerY));
    press(KEY_DOWN);  // no name follows S116
    EXPECT_EQ(datafiles::browser_cursor_row, 1);
    keys({KEY_UP});   // back to row 5 of column 3 of page 1
    EXPECT_EQ(datafiles::browser_page, 1);
    EXPECT_EQ(datafiles::browser_cursor_column, 3);
    EXPECT_EQ(datafiles::browser_cursor_row, 5);
    press(KEY_ENTER);
    press(KEY_ENTER);
    ASSERT_TRUE(closed());
    EXPECT_EQ(chosen(1), "S115");
}

TEST_F(NameBrowser, TheListStopsAt512Names) {
    shows(520);
    open(datafiles::kOperationLoad, datafiles::kMediumInternal);
    EXPECT_EQ(datafiles::browser_name_count, 512);
    press(KEY_ESC);
    ASSERT_TRUE(closed());
}

TEST_F(NameBrowser, ProtectedShowsCannotBeDeleted) {
    fs::create_directories(dir.folder() / "data" / "backup");
    fs::create_directories(dir.folder() / "data" / "EMPTY");
    open(datafiles::kOperationLoad, datafiles::kMediumInternal);
    press(KEY_DOWN);
    press(KEY_DEL);
    EXPECT_EQ(ui::current_message(), "ERROR : 'BACKUP' IS A PROTECTED NAME");
    rig.run_ms(2100);
    press(KEY_DOWN);
    press(KEY_DEL);
    EXPECT_EQ(ui::current_message(), "ERROR : 'EMPTY' IS A PROTECTED NAME");
    rig.run_ms(2100);
    EXPECT_EQ(datafiles::browser_name_count, 2);
    EXPECT_TRUE(fs::exists(dir.folder() / "data" / "backup"));
    keys({KEY_ESC, KEY_ESC});
    ASSERT_TRUE(closed());
}

TEST_F(NameBrowser, DeletingTheOnlyShowReturnsToTheNameField) {
    dir.write_file("data/OLD/MEM.DAT", std::vector<uint8_t>{1, 2, 3});
    open(datafiles::kOperationLoad, datafiles::kMediumInternal);
    press(KEY_DOWN);
    press(KEY_DEL);
    EXPECT_EQ(ui::current_message(), "DELETE 'OLD'? (ENTER=Y ESC=N)");
    press(KEY_ESC);
    EXPECT_TRUE(fs::exists(dir.folder() / "data" / "OLD" / "MEM.DAT"));
    press(KEY_DEL);
    press(KEY_ENTER);
    EXPECT_FALSE(fs::exists(dir.folder() / "data" / "OLD"));
    EXPECT_EQ(datafiles::browser_name_count, 0);
    EXPECT_EQ(ui::current_message(), "EDIT A SHOW-NAME (ESC=CANCEL)");
    press(KEY_DOWN);  // no names: the list is not entered
    EXPECT_EQ(ui::current_message(), "EDIT A SHOW-NAME (ESC=CANCEL)");
    press(KEY_ESC);
    ASSERT_TRUE(closed());
}

TEST_F(NameBrowser, AShowHoldingAFolderCannotBeDeleted) {
    fs::create_directories(dir.folder() / "data" / "DEEP" / "INNER");
    dir.write_file("data/DEEP/MEM.DAT", std::vector<uint8_t>{1});
    open(datafiles::kOperationLoad, datafiles::kMediumInternal);
    keys({KEY_DOWN, KEY_DEL, KEY_ENTER});
    EXPECT_EQ(ui::current_message(), "ERROR : 'DEEP' CAN'T BE DELETED");
    rig.run_ms(2100);
    EXPECT_EQ(datafiles::browser_name_count, 1);
    EXPECT_FALSE(fs::exists(dir.folder() / "data" / "DEEP" / "MEM.DAT"));  // the files directly in it went
    keys({KEY_ESC, KEY_ESC});
    ASSERT_TRUE(closed());
}

TEST_F(NameBrowser, DataItemsToggleAndEscReturnsToThePartBefore) {
    open(datafiles::kOperationSave, datafiles::kMediumInternal);
    type("A");
    press(KEY_RIGHT);
    EXPECT_EQ(ui::current_message(), "SELECT DATA-ITEMS (ESC=CANCEL)");
    keys({KEY_ENTER, KEY_UP, KEY_ENTER});  // SETUP off, then (wrapping) LISTS off
    press(KEY_ESC);                         // back to the name field
    EXPECT_EQ(ui::current_message(), "EDIT A SHOW-NAME (ESC=CANCEL)");
    press(KEY_ENTER);
    ASSERT_TRUE(closed());
    EXPECT_EQ(result, 1);
    const std::array<uint8_t, 10> expected = {0, 0, 1, 1, 1, 1, 1, 1, 0, 1};
    EXPECT_EQ(datafiles::data_item_selected, expected);
}

TEST_F(NameBrowser, RightAtTheLastColumnOfListsDoesNothing) {
    for (int i = 1; i <= 11; ++i) dir.write_file("data/L" + std::to_string(10 + i) + ".lst", std::vector<uint8_t>{1});
    open(datafiles::kOperationLoad, datafiles::kMediumList);
    keys({KEY_DOWN, KEY_RIGHT, KEY_RIGHT});
    EXPECT_EQ(datafiles::browser_cursor_column, 3);
    press(KEY_RIGHT);
    EXPECT_EQ(datafiles::browser_cursor_column, 3);
    EXPECT_EQ(ui::current_message(), "SELECT A LIST-NAME (ESC=CANCEL)");
    keys({KEY_ENTER, KEY_ENTER});
    ASSERT_TRUE(closed());
    EXPECT_EQ(chosen(3), "L21");
}

TEST_F(NameBrowser, TheScreenUnderTheBoxComesBack) {
    open(datafiles::kOperationLoad, datafiles::kMediumList);
    const uint8_t outside = rig.pixel(100, 100);  // the screen as start-up left it
    EXPECT_NE(rig.pixel(300, 300), outside);
    press(KEY_ESC);
    ASSERT_TRUE(closed());
    EXPECT_EQ(rig.pixel(300, 300), outside);
}

}  // namespace
