// The demo rig generator: the files of programdir/rig come out at their
// sizes, and a few fields sit at the offsets worked out by hand from the
// layouts (the setup record, the library file in src/setup/fixture_type.h
// and the function map), not
// through the console's own accessors.
#include "demo_rig/demo_rig_gen.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

std::map<std::string, std::vector<uint8_t>> demo_files() {
    std::vector<demo_rig::RigFile> files;
    std::string error;
    EXPECT_TRUE(demo_rig::build_demo_rig(BRAVINOX_RIG_SOURCE, files, error)) << error;
    std::map<std::string, std::vector<uint8_t>> by_name;
    for (const demo_rig::RigFile& file : files) by_name[file.name] = file.bytes;
    return by_name;
}

std::string text(const std::vector<uint8_t>& bytes, size_t at) { return std::string(reinterpret_cast<const char*>(&bytes.at(at))); }
int u16(const std::vector<uint8_t>& bytes, size_t at) { return bytes.at(at) | bytes.at(at + 1) << 8; }

TEST(DemoRigGenerator, EveryFileHasItsSize) {
    const auto files = demo_files();
    EXPECT_EQ(files.at("data/setup.dat").size(), 115207u);
    for (const char* type : {"SPOT16", "WASHCMY", "DIMMER"}) {
        EXPECT_EQ(files.at(std::string("lib/set/") + type + ".SET").size(), 47097u) << type;
        EXPECT_EQ(files.at(std::string("lib/drw/") + type + ".DRW").size(), 992u) << type;
    }
    size_t drawings = 0;
    for (const auto& [name, bytes] : files) {
        if (name.rfind("drawings/", 0) != 0) continue;
        EXPECT_EQ(bytes.size(), 2336u) << name;
        ++drawings;
    }
    EXPECT_EQ(drawings, 13u + 13u + 36u);
    EXPECT_EQ(files.at("lib/rgb/WASHCMY.LEE").size() % 5, 0u);
    EXPECT_NE(files.count("drawings/prismas/DRAWING.775"), 0u);
    EXPECT_NE(files.count("drawings/figures/LISJOUS.036"), 0u);
}

TEST(DemoRigGenerator, TheSpotsTypeFileHoldsItsFieldsAtTheirOffsets) {
    const std::vector<uint8_t> spot = demo_files().at("lib/set/SPOT16.SET");
    EXPECT_EQ(text(spot, 0), "GENERIC SPOT 16CH");
    EXPECT_EQ(text(spot, 21), "DMX OUT ");
    EXPECT_EQ(spot[57], 16);               // channel count
    EXPECT_EQ(spot[58], 128);              // default of PAN
    EXPECT_EQ(spot[93 + 13], 1);           // INTENSITY is a dimmer
    EXPECT_EQ(spot[127], 1);               // PAN slot
    EXPECT_EQ(text(spot, 186), "GENERIC");
    EXPECT_EQ(u16(spot, 215), 16);         // address step
    const size_t colour_wheel = 377 + 1435 * 4;
    EXPECT_EQ(text(spot, colour_wheel + 70), "COLOR WHEEL");        // entry 0: the name
    EXPECT_EQ(text(spot, colour_wheel + 70 + 36), "WHITE");         // entry 1
    EXPECT_EQ(u16(spot, colour_wheel + 2), 600);                    // its drawing
    EXPECT_EQ(spot[colour_wheel + 1330 + 1], 5);                    // its value
    EXPECT_EQ(spot[377 + 1435 * 5 + 1400 + 7], 2);                  // SHAKE: current fixture only
    const size_t pan_table = 46297;
    EXPECT_EQ(spot[pan_table], 1);         // one sub-function
    EXPECT_EQ(spot[pan_table + 11], 255);  // to
    EXPECT_EQ(spot[pan_table + 22], 2);    // coarse half
    EXPECT_EQ(spot[pan_table + 23], 2);    // linked to PAN FINE
    EXPECT_EQ(spot[pan_table + 24], 1);    // fades
    EXPECT_EQ(spot[46297 + 25 * 10 + 21], 1);  // IRIS inverted
}

TEST(DemoRigGenerator, TheSetupHoldsTheRigAtItsOffsets) {
    const std::vector<uint8_t> setup = demo_files().at("data/setup.dat");
    const size_t block = 12;
    EXPECT_EQ(std::string(setup.begin(), setup.begin() + 12), "VERSION 7.01");
    EXPECT_EQ(setup[block + 0], 1);                      // LEE
    EXPECT_EQ(setup[block + 6505], 3);                   // types
    EXPECT_EQ(text(setup, block + 6506 + 9), "WASHCMY");
    EXPECT_EQ(text(setup, block + 6866 + 42), "GENERIC DIMMER");
    EXPECT_EQ(setup[block + 47386], 16);                 // channels of type 1
    EXPECT_EQ(setup[block + 47426 + 32 + 11], 11);       // identity map of type 2
    EXPECT_EQ(u16(setup, block + 49986), 12);            // fixtures
    EXPECT_EQ(setup[block + 50024], 0);                  // the patch is compiled at the first start
    EXPECT_EQ(setup[block + 50080], 6);                  // start settings set
    const size_t seven = block + 50095 + 93 * 6;
    EXPECT_EQ(setup[seven + 7], 0);                      // type index: the spot
    EXPECT_EQ(u16(setup, seven + 9), 7);                 // fixture number
    EXPECT_EQ(setup[seven + 11], 2);                     // card 2
    EXPECT_EQ(u16(setup, seven + 12), 1);                // address 1
    EXPECT_EQ(u16(setup, seven + 25), 89);               // first function record
    EXPECT_EQ(setup[seven + 27], 16);
    EXPECT_EQ(u16(setup, block + 50095 + 93 * 11 + 25), 146);  // the last dimmer
}

TEST(DemoRigGenerator, ASourceThatDoesNotFitIsRefusedWithItsLine) {
    std::vector<uint8_t> type;
    std::vector<uint8_t> drawing;
    std::string error;
    EXPECT_FALSE(demo_rig::build_type_files("file X\nname \"X\"\nfunction 2 \"A\"\n", type, drawing, error));
    EXPECT_NE(error.find("line 3"), std::string::npos) << error;
    EXPECT_FALSE(demo_rig::build_type_files("file X\nname \"X\"\nfunction 1 \"A\"\nrange 1 20 10\n", type, drawing, error));
    EXPECT_NE(error.find("line 4"), std::string::npos) << error;
    EXPECT_FALSE(demo_rig::build_type_files("file X\nname \"X\"\nfunction 1 \"A\"\nslot PANORAMA 1\n", type, drawing, error));
    ASSERT_TRUE(demo_rig::build_type_files("file X\nname \"x\"\nfunction 1 \"A\" dimmer\n", type, drawing, error)) << error;
    EXPECT_EQ(type.size(), 47097u);
    EXPECT_EQ(text(type, 0), "X");  // names in capitals
    EXPECT_EQ(drawing.size(), 992u);
}

}  // namespace
