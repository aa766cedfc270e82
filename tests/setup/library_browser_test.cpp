// The library browser: the list from lib\fulllib.dat or, without a
// consistent index, from the scan of lib\set; its order and pages; the
// choice of a manufacturer and a library through the setup screen, and the
// type, symbol and map a chosen library loads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "setup/fixture_type.h"
#include "setup/library_browser.h"
#include "setup/library_browser_index.h"
#include "setup/library_list.h"
#include "setup_screen_rig.h"

namespace {

using setup::LibraryList;

struct IndexEntry {
    const char* stem;
    const char* type_name;
    const char* manufacturer;
};

std::vector<uint8_t> index_bytes(const std::vector<IndexEntry>& entries, int16_t count) {
    std::vector<uint8_t> bytes(2 + 51 * entries.size(), 0);
    bytes[0] = static_cast<uint8_t>(count);
    bytes[1] = static_cast<uint8_t>(static_cast<uint16_t>(count) >> 8);
    size_t at = 2;
    for (const IndexEntry& e : entries) {
        std::memcpy(&bytes[at], e.stem, std::strlen(e.stem));
        std::memcpy(&bytes[at + 9], e.type_name, std::strlen(e.type_name));
        std::memcpy(&bytes[at + 30], e.manufacturer, std::strlen(e.manufacturer));
        at += 51;
    }
    return bytes;
}

// A type definition of `channels` channels and its name and maker.
std::vector<uint8_t> type_file(const std::string& name, const std::string& maker, int channels, size_t size = 47097) {
    std::vector<uint8_t> bytes(size, 0);
    std::memcpy(&bytes[0], name.data(), name.size());
    if (size > 57) bytes[57] = static_cast<uint8_t>(channels);
    if (size > 186 + maker.size()) std::memcpy(&bytes[186], maker.data(), maker.size());
    return bytes;
}

std::vector<std::string> type_names(const LibraryList& list) {
    std::vector<std::string> names;
    for (const setup::LibraryEntry& e : list.entries) names.push_back(setup::entry_text(e.type_name));
    return names;
}

bool has(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

class LibraryBrowser : public setup_test::SetupScreen {
protected:
    LibraryList load_index(const std::vector<IndexEntry>& entries) {
        dir_.write_file("lib/fulllib.dat", index_bytes(entries, static_cast<int16_t>(entries.size())));
        LibraryList list;
        setup::load_fixture_libraries(list);
        return list;
    }
};

TEST_F(LibraryBrowser, MartinAndMartinUploadComeFirstThenTheMakersByName) {
    LibraryList list = load_index({{"Z1", "ZOOMER", "ZETA"},
                                   {"U1", "U1", "MARTIN UPLOAD"},
                                   {"A1", "ARC", "ALPHA"},
                                   {"M1", "MAC", "MARTIN"},
                                   {"B1", "BEAM", "BETA"},
                                   {"A2", "ARC", "ALPHA"}});
    EXPECT_EQ(list.manufacturers, (std::vector<std::string>{"MARTIN", "MARTIN UPLOAD", "ALPHA", "BETA", "ZETA"}));
    EXPECT_EQ(list.manufacturer_pages, 2) << "5 makers, 4 a page";
    EXPECT_EQ(list.selected_manufacturer, 0);
    EXPECT_EQ(type_names(list), (std::vector<std::string>{"ARC", "ARC", "BEAM", "MAC", "U1", "ZOOMER"}))
        << "sorted by type name, both ARC kept";
    list = load_index({{"A1", "ARC", "ALPHA"}, {"U1", "U1", "MARTIN UPLOAD"}});
    EXPECT_EQ(list.manufacturers.front(), "MARTIN UPLOAD");
}

TEST_F(LibraryBrowser, SixLibrariesOfAMakerFillOnePageAndSevenTwo) {
    std::vector<IndexEntry> entries(7, {"S", "SPOT", "ALPHA"});
    LibraryList list = load_index({entries.begin(), entries.end() - 1});
    EXPECT_EQ(list.filtered_count, 6);
    EXPECT_EQ(list.library_pages, 1);
    list = load_index(entries);
    EXPECT_EQ(list.library_pages, 2);
    EXPECT_EQ(setup::find_library_by_row(list, 6), 6);
    EXPECT_EQ(setup::find_library_by_row(list, 7), -1);
    // No library at all: an empty index and nothing to scan.
    for (const char* stem : {"SPOT16", "WASHCMY", "DIMMER", "SCAN24", "FOLLOW8", "LEDPAR4"}) dir_.remove_file(std::string("lib/set/") + stem + ".SET");
    list = load_index({});
    EXPECT_EQ(list.entry_count, 0);
    EXPECT_EQ(list.manufacturer_pages, 1);
    EXPECT_EQ(list.selected_manufacturer, -1);
}

TEST_F(LibraryBrowser, TheScanTakesOnlyWholeTypesOf1To32ChannelsWithAWholeDrawing) {
    dir_.remove_file("lib/fulllib.dat");
    struct Case {
        const char* stem;
        std::vector<uint8_t> type;
        size_t drawing_bytes;
    };
    const Case cases[] = {
        {"ABC", type_file("Abc Spot", "Nordo", 12), 992},
        {"NOMAKER", type_file("LONE", "", 1), 992},
        {"THINDRW", type_file("THIN DRAWING", "NORDO", 12), 991},
        {"SHORT", type_file("SHORT TYPE", "NORDO", 12, 47096), 992},
        {"LONG", type_file("LONG TYPE", "NORDO", 12, 47098), 992},
        {"NONE", type_file("NO CHANNELS", "NORDO", 0), 992},
        {"OVER", type_file("OVER CHANNELS", "NORDO", 33), 992},
    };
    for (const Case& c : cases) {
        dir_.write_file(std::string("lib/set/") + c.stem + ".SET", c.type);
        dir_.write_file(std::string("lib/drw/") + c.stem + ".DRW", std::vector<uint8_t>(c.drawing_bytes, 0));
    }
    LibraryList list;
    setup::load_fixture_libraries(list);
    const std::vector<std::string> names = type_names(list);
    EXPECT_TRUE(has(names, "ABC SPOT")) << "the type name in capitals";
    EXPECT_TRUE(has(names, "LONE"));
    EXPECT_TRUE(has(names, "GENERIC SPOT 16CH")) << "the demo's own libraries";
    for (const char* left_out : {"THIN DRAWING", "SHORT TYPE", "LONG TYPE", "NO CHANNELS", "OVER CHANNELS"}) {
        EXPECT_FALSE(has(names, left_out)) << left_out;
    }
    const auto abc = std::find_if(list.entries.begin(), list.entries.end(),
                                  [](const setup::LibraryEntry& e) { return setup::entry_text(e.type_name) == "ABC SPOT"; });
    ASSERT_NE(abc, list.entries.end());
    EXPECT_EQ(setup::entry_text(abc->stem), "ABC");
    EXPECT_EQ(setup::entry_text(abc->manufacturer), "NORDO");
    EXPECT_TRUE(std::find(list.manufacturers.begin(), list.manufacturers.end(), "MANUFACTURER") != list.manufacturers.end());
}

TEST_F(LibraryBrowser, AnIndexShorterThanItsCountGivesWayToTheScan) {
    std::vector<uint8_t> bytes = index_bytes({{"X", "ONLY IN THE INDEX", "ALPHA"}}, 5);
    dir_.write_file("lib/fulllib.dat", bytes);
    LibraryList list;
    setup::load_fixture_libraries(list);
    const std::vector<std::string> names = type_names(list);
    EXPECT_FALSE(has(names, "ONLY IN THE INDEX"));
    EXPECT_TRUE(has(names, "KELTRO SCAN 24"));
    EXPECT_EQ(list.entry_count, 6) << "the demo's six libraries";
}

// ------------------------------------------------------------------ through the setup screen

// The demo's makers: GENERIC (DIMMER, SPOT 16CH, WASH), KELTRO, ORBANO, TRENVA.
constexpr int16_t kMakerRow2_y = 38;      // KELTRO
constexpr int16_t kLibraryRow1_y = 100;
constexpr int16_t kLibraryRow2_y = 116;

TEST_F(LibraryBrowser, ChoosingALibraryLoadsItsTypeAndShowsItsInformation) {
    dir_.write_file("lib/pat/SCAN24.PAT", std::vector<uint8_t>{1, 0, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15,
                                                               16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31});
    open();
    LibraryList& list = setup::library_list;
    EXPECT_EQ(list.manufacturers, (std::vector<std::string>{"GENERIC", "KELTRO", "ORBANO", "TRENVA"}));
    click(200, kMakerRow2_y);
    EXPECT_EQ(list.selected_manufacturer, 1);
    EXPECT_EQ(list.filtered_count, 1);
    click(200, kLibraryRow1_y);
    ASSERT_TRUE(setup::library_loaded(list));
    EXPECT_EQ(list.loaded_type.name(), "KELTRO SCAN 24");
    EXPECT_EQ(list.loaded_type.channel_count(), 24);
    EXPECT_EQ(list.function_map[0], 1) << "the library's own .pat";
    EXPECT_EQ(list.function_map[1], 0);
    EXPECT_EQ(status(), "24CH MOVING HEAD: 16-BIT PAN/TILT, CMY, TWO GOBO WHEELS, LAMP ON/OFF");
    EXPECT_TRUE(setup_test::drawn("INTENSITY")) << "its functions in the grid";
    // A click below the filled rows only sounds the error tone.
    const int before = tones(400, 200);
    click(200, kLibraryRow2_y);
    EXPECT_EQ(tones(400, 200), before + 1);
    EXPECT_EQ(list.loaded_type.name(), "KELTRO SCAN 24");
}

// A long information text is drawn inside the status box: its second line
// is cut there, and nothing of it lands right of the box's frame.
TEST_F(LibraryBrowser, ALongInformationTextStaysInsideTheStatusBox) {
    open();
    click(200, kMakerRow2_y);
    click(200, kLibraryRow1_y);
    ASSERT_EQ(setup::library_list.loaded_type.name(), "KELTRO SCAN 24");
    EXPECT_TRUE(setup_test::drawn("24CH MOVING HEAD: 16-BIT"));
    EXPECT_TRUE(setup_test::drawn("PAN/TILT, CMY, TWO GOBO WHEELS,"));
    for (int y = 431; y <= 459; ++y) {
        EXPECT_EQ(rig_.pixel(630, y), 7) << "the frame at y " << y;
        for (int x = 631; x < 640; ++x) ASSERT_NE(rig_.pixel(x, y), 14) << x << "," << y;
    }
}

TEST_F(LibraryBrowser, APlacedTypeKeepsTheSetupsDrawingAndMapNotItsFiles) {
    dir_.write_file("lib/drw/SPOT16.DRW", std::vector<uint8_t>(992, 0));
    std::vector<uint8_t> swapped(32);
    for (int i = 0; i < 32; ++i) swapped[static_cast<size_t>(i)] = static_cast<uint8_t>(31 - i);
    dir_.write_file("lib/pat/SPOT16.PAT", swapped);
    open();
    click(200, kLibraryRow2_y);  // GENERIC SPOT 16CH, type 1 of the rig
    LibraryList& list = setup::library_list;
    ASSERT_EQ(list.loaded_type.name(), "GENERIC SPOT 16CH");
    for (size_t b = 0; b < list.loaded_drawing.size(); ++b) {
        ASSERT_EQ(list.loaded_drawing[b], setup::setup_edit_copy.u8(setup::SetupData::type_drawing_field(1) + b)) << b;
    }
    EXPECT_NE(std::count(list.loaded_drawing.begin(), list.loaded_drawing.end(), 0), 992);
    EXPECT_EQ(list.function_map[0], 0) << "the rig's identity map";
}

TEST_F(LibraryBrowser, ALibraryWhoseTypeCannotBeReadLeavesNothingLoaded) {
    open();
    click(200, kLibraryRow2_y);
    ASSERT_EQ(setup::library_list.loaded_type.name(), "GENERIC SPOT 16CH");
    dir_.remove_file("lib/set/SCAN24.SET");
    click(200, kMakerRow2_y);
    click(200, kLibraryRow1_y);
    EXPECT_FALSE(setup::library_loaded(setup::library_list)) << "not the spot's definition under the scan's name";
    EXPECT_EQ(setup::library_list.selected_entry, -1);
    EXPECT_EQ(status(), "LIBRARY NOT FOUND");
}

}  // namespace
