// Drawings and colour-filter libraries of the demo rig and of
// files changed for one rule each; the colour store keeps a second type's
// first colour although its colour file did not exist.
#include "datafiles/library_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "datafiles/data_dir.h"
#include "datafiles/setup_file.h"
#include "demo_rig_files.h"
#include "runtime/card_discovery.h"
#include "runtime/console_state.h"
#include "setup/fixture_type.h"
#include "setup/setup_data.h"

namespace {

using datafiles::color_library_mixes;
using datafiles::symbol_drawings;

class LibraryFiles : public datafiles_test::DataDir {
protected:
    void SetUp() override {
        DataDir::SetUp();
        runtime::function_record_capacity = 2048;
        setup_test::lay_out_demo_rig(dir_);
    }
    void TearDown() override {
        datafiles::free_symbol_drawings();
        datafiles::free_figure_drawings();
        datafiles::free_fixture_type_defs();
        DataDir::TearDown();
    }
    void load() {
        datafiles::load_setup_file();
        datafiles::load_figure_drawings();
        datafiles::load_symbol_drawings();
        datafiles::load_filter_catalogues();
    }
    static int loaded_symbols() {
        int count = 0;
        for (const uint8_t* block : symbol_drawings) count += block != nullptr;
        return count;
    }
};

TEST_F(LibraryFiles, TheDemoRigsDrawingsLoad) {
    load();
    // The spot's colour wheel names 600..605, its gobo wheel 1..6, its prism 775.
    EXPECT_EQ(loaded_symbols(), 13);
    for (int d : {1, 6, 600, 605, 775}) {
        ASSERT_NE(symbol_drawings[static_cast<size_t>(d)], nullptr) << d;
        EXPECT_EQ(symbol_drawings[static_cast<size_t>(d)][0], 44);  // width
        EXPECT_EQ(symbol_drawings[static_cast<size_t>(d)][2], 53);  // height
    }
    EXPECT_EQ(std::vector<uint8_t>(symbol_drawings[775], symbol_drawings[775] + 2336), read("drawings/prismas/DRAWING.775"));
    EXPECT_EQ(symbol_drawings[7], nullptr);
    EXPECT_TRUE(datafiles::figure_drawings_loaded);
    for (size_t n = 1; n <= 13; ++n) {
        EXPECT_NE(datafiles::polygon_drawings[n], nullptr);
        EXPECT_EQ(datafiles::polygon_figure_codes[n], 150 + n);
    }
    for (size_t n = 1; n <= 36; ++n) EXPECT_NE(datafiles::lissajous_drawings[n], nullptr);
    EXPECT_EQ(datafiles::polygon_drawings[14], nullptr);
    EXPECT_EQ(datafiles::lissajous_figure_codes[11], (std::array<uint8_t, 2>{86, 50}));
    EXPECT_EQ(datafiles::lissajous_figure_codes[36], (std::array<uint8_t, 2>{22, 150}));
}

TEST_F(LibraryFiles, ADrawingOfTheWrongSizeIsRefused) {
    std::vector<uint8_t> drawing = read("drawings/gobos1/DRAWING.002");
    drawing.pop_back();
    write("drawings/gobos1/DRAWING.002", drawing);
    std::vector<uint8_t> figure = read("drawings/figures/LISJOUS.007");
    figure.push_back(0);
    write("drawings/figures/LISJOUS.007", figure);
    load();
    EXPECT_EQ(symbol_drawings[2], nullptr);
    EXPECT_NE(symbol_drawings[3], nullptr);
    EXPECT_EQ(datafiles::lissajous_drawings[7], nullptr);
    EXPECT_NE(datafiles::lissajous_drawings[8], nullptr);
    EXPECT_TRUE(datafiles::setup_load_messages.empty());  // no message for drawings
}

TEST_F(LibraryFiles, DrawingFoldersGoByNumber) {
    EXPECT_EQ(datafiles::symbol_drawing_path(774), "C:\\BRAVINOX\\drawings\\colors\\drawing.774");
    EXPECT_EQ(datafiles::symbol_drawing_path(775), "C:\\BRAVINOX\\drawings\\prismas\\drawing.775");
    EXPECT_EQ(datafiles::symbol_drawing_path(199), "C:\\BRAVINOX\\drawings\\gobos1\\drawing.199");
    EXPECT_EQ(datafiles::symbol_drawing_path(800), "C:\\BRAVINOX\\drawings\\specials\\drawing.800");
    EXPECT_EQ(datafiles::symbol_drawing_path(1000), "");
    EXPECT_EQ(datafiles::symbol_drawing_path(0), "");
}

TEST_F(LibraryFiles, FigureDrawingsLoadOncePerRun) {
    load();
    const uint8_t* first = datafiles::polygon_drawings[1];
    remove("drawings/figures/POLYGON.001");
    datafiles::load_figure_drawings();
    EXPECT_EQ(datafiles::polygon_drawings[1], first);
}

TEST_F(LibraryFiles, TheCatalogueAndTheWashsMixesLoad) {
    load();
    EXPECT_EQ(datafiles::color_library_kind, 1);
    ASSERT_EQ(datafiles::color_library_count, 20);
    EXPECT_EQ(datafiles::color_library_entries[0].number, 1);
    EXPECT_STREQ(datafiles::color_library_entries[0].name.data(), "PALE_ROSE");
    EXPECT_EQ(datafiles::color_library_entries[19].number, 60);
    // Only the wash has RED, GREEN and BLUE.
    EXPECT_TRUE(color_library_mixes[1].empty());
    EXPECT_TRUE(color_library_mixes[3].empty());
    ASSERT_EQ(color_library_mixes[2].size(), 20u);
    const datafiles::ColorMixEntry& deep_amber = color_library_mixes[2][3];  // filter 4
    EXPECT_EQ(deep_amber.number, 4);
    EXPECT_EQ(deep_amber.red, 0);
    EXPECT_EQ(deep_amber.green, 140);
    EXPECT_EQ(deep_amber.blue, 255);
}

TEST_F(LibraryFiles, ACatalogueLineOutOfRangeDropsTheWholeCatalogue) {
    const std::vector<uint8_t> bytes = read("lee.def");
    std::string catalogue(bytes.begin(), bytes.end());
    catalogue += "2000 TOO_FAR\r\n";
    write("lee.def", std::vector<uint8_t>(catalogue.begin(), catalogue.end()));
    load();
    EXPECT_EQ(datafiles::color_library_count, 0);
    EXPECT_TRUE(datafiles::color_library_entries.empty());
    EXPECT_TRUE(color_library_mixes[2].empty());
}

TEST_F(LibraryFiles, BlankLinesAreSkippedAndANumberAloneHasAnEmptyName) {
    const std::string catalogue = "   7 ONE\r\n\r\n   8\r\n";
    write("lee.def", std::vector<uint8_t>(catalogue.begin(), catalogue.end()));
    load();
    ASSERT_EQ(datafiles::color_library_count, 2);
    EXPECT_EQ(datafiles::color_library_entries[1].number, 8);
    EXPECT_STREQ(datafiles::color_library_entries[1].name.data(), "");
}

// A file of the program directory, whatever the case of its name on the host
// (a replacing write may leave it spelled as the console names it).
std::vector<uint8_t> read_any_case(const std::filesystem::path& folder, const std::string& name) {
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string found = entry.path().filename().string();
        if (found.size() == name.size() && std::equal(found.begin(), found.end(), name.begin(), [](char a, char b) {
                return std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b));
            })) {
            std::ifstream in(entry.path(), std::ios::binary);
            return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
    }
    return {};
}

// Type 3 of the demo rig made a second RGB type (the wash's library under the
// dimmer's file name), so two types mix colours and only one has a file.
class ColourStore : public LibraryFiles {
protected:
    void SetUp() override {
        LibraryFiles::SetUp();
        write("lib/set/DIMMER.SET", read("lib/set/WASHCMY.SET"));
        std::vector<uint8_t> setup = read("data/setup.dat");
        for (int f = 11; f <= 12; ++f) setup[12 + setup::SetupData::fixture_field(f, setup::kFixtureChannelCount)] = 12;
        write("data/setup.dat", setup);
        load();
        ASSERT_EQ(color_library_mixes[3].size(), 20u);
    }
    // The colour-mixing screen stores a mix for type index t - 1.
    std::vector<uint8_t> colour_file(const std::string& name) const { return read_any_case(dir_.folder() / "lib" / "rgb", name); }
    bool has_colour_file(const std::string& name) const { return !colour_file(name).empty(); }

    static void store(int t, int entry, uint8_t red, uint8_t green, uint8_t blue) {
        datafiles::ColorMixEntry& mix = color_library_mixes[static_cast<size_t>(t)][static_cast<size_t>(entry - 1)];
        mix.red = red, mix.green = green, mix.blue = blue;
        datafiles::color_library_selected[static_cast<size_t>(t)] = static_cast<int16_t>(entry);
        runtime::current_fixture_type = static_cast<int16_t>(t - 1);
        datafiles::save_filter_colour();
    }
};

TEST_F(ColourStore, AStoredColourSurvivesForASecondTypeWithoutAColourFile) {
    ASSERT_FALSE(has_colour_file("DIMMER.LEE"));
    store(2, 5, 1, 2, 3);  // the first store of the wash rewrites its whole file
    EXPECT_EQ(colour_file("WASHCMY.LEE").size(), 100u);
    store(3, 7, 9, 8, 7);  // the second type: its file did not exist
    ASSERT_EQ(colour_file("DIMMER.LEE").size(), 100u);
    store(3, 8, 6, 5, 4);  // now single entries in place
    store(2, 6, 11, 12, 13);
    EXPECT_EQ(colour_file("WASHCMY.LEE").size(), 100u);
    // A new show start reads them back.
    datafiles::load_filter_catalogues();
    const auto& dimmer = color_library_mixes[3];
    EXPECT_EQ(dimmer[6].red, 9);
    EXPECT_EQ(dimmer[6].blue, 7);
    EXPECT_EQ(dimmer[7].green, 5);
    EXPECT_EQ(color_library_mixes[2][4].red, 1);
    EXPECT_EQ(color_library_mixes[2][5].blue, 13);
    EXPECT_EQ(color_library_mixes[2][3].green, 140);  // the rest as it was
}

TEST_F(ColourStore, ATooShortColourFileIsWrittenWhole) {
    write("lib/rgb/WASHCMY.LEE", std::vector<uint8_t>(10, 0));  // two entries only
    datafiles::color_file_written[1][2] = true;                 // as after an earlier store
    store(2, 20, 4, 5, 6);
    EXPECT_EQ(colour_file("WASHCMY.LEE").size(), 100u);
    datafiles::load_filter_catalogues();
    EXPECT_EQ(color_library_mixes[2][19].green, 5);
}

}  // namespace
