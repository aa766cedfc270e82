// The derived fixture tables of the demo rig, against values
// worked out by hand from programdir/rig, and of small rigs made for one
// rule each: a fixture above 255 in the slave list, records bounded by
// the capacity, the knife remap, the channel patch compiled from the
// rig.
//
// The demo rig (setup.txt): fixtures 1-4 SPOT16 on card 1 at 1, 17, 33, 49
// (orientations 0, 0, 1, 3), 5-6 WASHCMY at 65, 77 (orientation 4), 7-8
// SPOT16 on card 2 at 1, 17 (orientations 2, 6), 9-10 WASHCMY at 33, 45,
// 11-12 DIMMER at 57, 58. First function records: 1, 17, 33, 49, 65, 77, 89,
// 105, 121, 133, 145, 146.
#include "runtime/fixture_tables.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "datafiles/data_dir.h"
#include "datafiles/setup_file.h"
#include "demo_rig_files.h"
#include "memories/master_state.h"
#include "memories/submaster_cells.h"
#include "memories/thresholds.h"
#include "programmer/commands.h"
#include "programmer/fixture_groups.h"
#include "programmer/fixture_selection.h"
#include "programmer/fixture_functions.h"
#include "programmer/slave_consoles.h"
#include "rig/program_dir.h"
#include "runtime/card_discovery.h"
#include "runtime/config_records.h"
#include "runtime/console_state.h"
#include "runtime/key_reader.h"
#include "runtime/show_tables.h"
#include "setup/fixture_type.h"
#include "setup/patch_compiler.h"
#include "setup/patch_tables.h"
#include "setup/setup_data.h"

namespace {

using runtime::function_record_table;
using setup::NamedFunction;
using setup::SetupData;

class FixtureTables : public datafiles_test::DataDir {
protected:
    void SetUp() override {
        DataDir::SetUp();
        runtime::function_record_capacity = 2048;
        const std::vector<uint8_t> config = rig::demo_config_record();
        std::copy(config.begin(), config.end(), runtime::console_config.bytes.begin());
        ASSERT_TRUE(runtime::allocate_show_tables());
    }
    void TearDown() override {
        datafiles::free_fixture_type_defs();
        runtime::free_tables();
        DataDir::TearDown();
    }
    void load_demo_rig() {
        setup_test::lay_out_demo_rig(dir_);
        datafiles::load_setup_file();
        ASSERT_EQ(setup::fixture_count, 12);
        runtime::init_fixture_tables();
    }
    static const runtime::FunctionRecord& record(int r) { return function_record_table[r]; }
};

TEST_F(FixtureTables, FunctionRecordsOfTheDemoRig) {
    load_demo_rig();
    EXPECT_EQ(runtime::function_record_count, 146);
    // Fixture 1, a spot: the 16-bit pan pair on records 1 and 2.
    const runtime::FunctionRecord& pan = record(1);
    EXPECT_EQ(pan.type, 0);
    EXPECT_EQ(pan.fixture, 1);
    EXPECT_EQ(pan.channel, 1);
    EXPECT_EQ(pan.kind, setup::kKindCoarse);
    EXPECT_EQ(pan.fine_partner, 2);
    EXPECT_EQ(pan.range_min, 0);
    EXPECT_EQ(pan.range_max, 255);
    EXPECT_EQ(pan.pantilt_role, runtime::ROLE_PAN);
    EXPECT_EQ(pan.function_class, runtime::CLASS_PANTILT);
    const runtime::FunctionRecord& pan_fine = record(2);
    EXPECT_EQ(pan_fine.kind, setup::kKindFine);
    EXPECT_EQ(pan_fine.fine_partner, 1);
    EXPECT_EQ(pan_fine.pantilt_role, runtime::ROLE_PAN_FINE);
    EXPECT_EQ(record(4).pantilt_role, runtime::ROLE_TILT_FINE);
    // The colour wheel: first sub-function 0..9, colour role COLOR1, class colour.
    EXPECT_EQ(record(5).range_max, 9);
    EXPECT_EQ(record(5).colour_role, 1);
    EXPECT_EQ(record(5).function_class, runtime::CLASS_COLOUR);
    EXPECT_EQ(record(6).gobo_role, 1);
    EXPECT_EQ(record(6).function_class, runtime::CLASS_GOBO);
    EXPECT_EQ(record(7).gobo_role, 5);    // GOBOINDEX1
    EXPECT_EQ(record(8).gobo_role, 25);   // PRISMA1
    EXPECT_EQ(record(9).pantilt_role, runtime::ROLE_PT_FOCUS);
    EXPECT_EQ(record(9).gobo_role, 20);
    EXPECT_EQ(record(9).function_class, runtime::CLASS_FOCUS);
    EXPECT_EQ(record(10).function_class, runtime::CLASS_ZOOM);
    EXPECT_EQ(record(11).function_class, runtime::CLASS_IRIS);
    EXPECT_EQ(record(12).function_class, runtime::CLASS_GOBO);  // FROST
    EXPECT_EQ(record(13).strobe, 1);
    EXPECT_EQ(record(13).range_max, 31);
    EXPECT_EQ(record(14).dimmer, 1);
    EXPECT_EQ(record(14).pantilt_role, runtime::ROLE_PT_DIMMER);
    EXPECT_EQ(record(14).colour_role, runtime::ROLE_COLOUR_DIMMER);
    EXPECT_EQ(record(14).function_class, runtime::CLASS_DIMMER);
    EXPECT_EQ(record(16).function_class, 0);
    // Fixture 9, a wash on card 2: cyan, magenta and yellow in the RGB roles.
    EXPECT_EQ(record(121).fixture, 9);
    EXPECT_EQ(record(121).type, 1);
    EXPECT_EQ(record(125).colour_role, 6);
    EXPECT_EQ(record(126).colour_role, 7);
    EXPECT_EQ(record(127).colour_role, 8);
    EXPECT_EQ(record(128).colour_role, 1);  // CTO in COLOR1
    EXPECT_EQ(record(131).dimmer, 1);
    // Fixture 12, the last dimmer.
    EXPECT_EQ(record(146).fixture, 12);
    EXPECT_EQ(record(146).dimmer, 1);
    EXPECT_EQ(record(146).pantilt_role, 0);
    EXPECT_EQ(record(147).fixture, 0);
    EXPECT_EQ(runtime::fixture_channel_record(7, 14), 102);
    EXPECT_EQ(programmer::get_function_record_index(7, 14), 102);
}

TEST_F(FixtureTables, PanTiltRecordsFollowTheOrientation) {
    load_demo_rig();
    const runtime::PanTiltRecord& one = runtime::fixture_pantilt_table[1];
    EXPECT_EQ(one.kind, 2);
    EXPECT_EQ(one.pan.channel, 1);
    EXPECT_EQ(one.pan.record, 1);
    EXPECT_EQ(one.pan_fine.channel, 2);
    EXPECT_EQ(one.pan_fine.record, 2);
    EXPECT_EQ(one.tilt.record, 3);
    EXPECT_EQ(one.tilt_fine.record, 4);
    EXPECT_EQ(one.oriented_pan.record, 1);
    EXPECT_EQ(one.pan_invert, 1);  // orientation 0
    EXPECT_EQ(one.tilt_invert, 0);
    // Fixture 4, orientation 3: pan and tilt swap, both inverted.
    const runtime::PanTiltRecord& four = runtime::fixture_pantilt_table[4];
    EXPECT_EQ(four.pan.record, 49);
    EXPECT_EQ(four.oriented_pan.channel, 3);
    EXPECT_EQ(four.oriented_pan.record, 51);
    EXPECT_EQ(four.oriented_tilt.record, 49);
    EXPECT_EQ(four.oriented_pan_fine.record, 52);
    EXPECT_EQ(four.pan_invert, 1);
    EXPECT_EQ(four.tilt_invert, 1);
    // Fixture 7, orientation 2: tilt inverted only, no swap.
    const runtime::PanTiltRecord& seven = runtime::fixture_pantilt_table[7];
    EXPECT_EQ(seven.oriented_pan.record, 89);
    EXPECT_EQ(seven.pan_invert, 0);
    EXPECT_EQ(seven.tilt_invert, 1);
    // A dimmer has none.
    EXPECT_EQ(runtime::fixture_pantilt_table[11].kind, 0);
    EXPECT_EQ(runtime::fixture_pantilt_table[11].pan.record, 0);
    // The wheel start values follow the inversions.
    runtime::init_wheel_last_values();
    EXPECT_EQ(runtime::wheel_last_values[1], 255);
    EXPECT_EQ(runtime::wheel_last_values[2], 255);
    EXPECT_EQ(runtime::wheel_last_values[3], 0);
    EXPECT_EQ(runtime::wheel_last_values[51], 255);
    EXPECT_EQ(runtime::wheel_last_values[89], 0);
    EXPECT_EQ(runtime::wheel_last_values[91], 255);
    EXPECT_EQ(runtime::wheel_last_values[5], 0);
}

TEST_F(FixtureTables, TypeTablesAndCrossTypeMaps) {
    load_demo_rig();
    for (size_t c = 0; c < 16; ++c) EXPECT_EQ(runtime::type_channel_function[1][c], c);
    const auto map = [](size_t a, size_t c, size_t b) { return runtime::type_function_map[a][c][b]; };
    EXPECT_EQ(map(1, 1, 1), 1);
    EXPECT_EQ(map(1, 7, 1), 7);
    EXPECT_EQ(map(1, 1, 2), 1);    // PAN to PAN
    EXPECT_EQ(map(1, 2, 2), 2);    // PAN FINE to the wash's linked fine of PAN
    EXPECT_EQ(map(1, 4, 2), 4);    // TILT FINE
    EXPECT_EQ(map(1, 13, 2), 10);  // STROBO to STROBO
    EXPECT_EQ(map(1, 14, 2), 11);  // a dimmer to the lowest dimmer
    EXPECT_EQ(map(1, 14, 3), 1);
    EXPECT_EQ(map(3, 1, 1), 14);
    EXPECT_EQ(map(1, 5, 2), 8);    // COLOR1 to COLOR1 (the CTO)
    EXPECT_EQ(map(1, 6, 2), 0);    // the wash has no gobo
    EXPECT_EQ(map(1, 10, 2), 9);   // ZOOM
    EXPECT_EQ(map(1, 16, 2), 0);   // an unnamed function
    EXPECT_EQ(map(2, 5, 1), 0);    // RED: the spot has none
    EXPECT_EQ(map(1, 1, 3), 0);
    // Predefined entries: the colour wheel offers entries 1..7, the gobo
    // wheel too (entry 7 is for the current fixture only, still offered).
    EXPECT_EQ(runtime::type_predefined_counts[1][4], 7);
    EXPECT_EQ(runtime::type_predefined_entries[1][4][0], 1);
    EXPECT_EQ(runtime::type_predefined_entries[1][4][6], 7);
    EXPECT_EQ(runtime::type_predefined_counts[1][5], 7);
    EXPECT_EQ(runtime::type_predefined_counts[1][0], 0);
    EXPECT_EQ(runtime::type_predefined_counts[2][7], 3);
    // Preset roles per type.
    EXPECT_EQ(runtime::pantilt_role_table[2][2], runtime::ROLE_TILT);
    EXPECT_EQ(runtime::gobo_role_table[1][10], 18);  // IRIS
    EXPECT_EQ(runtime::gobo_role_table[1][11], 24);  // FROST
    EXPECT_EQ(runtime::colour_role_table[3][0], runtime::ROLE_COLOUR_DIMMER);
    EXPECT_EQ(runtime::pantilt_role_table[3][0], 0);  // no pan/tilt roles without PAN and TILT
}

TEST_F(FixtureTables, BanksDimmerListsDarkFixturesAndFlags) {
    runtime::current_fixture = 5;
    programmer::fixture_selected[3] = 1;
    load_demo_rig();
    EXPECT_EQ(runtime::fixture_bank_counts[1], 12);
    EXPECT_EQ(runtime::fixture_bank_keys[1][1], 0);
    EXPECT_EQ(runtime::fixture_bank_keys[1][12], 11);
    EXPECT_EQ(runtime::fixture_bank_counts[2], 0);
    EXPECT_EQ(runtime::current_fixture, -1);
    EXPECT_EQ(runtime::current_fixture_type, -1);
    EXPECT_EQ(runtime::function_page, 1);
    EXPECT_EQ(programmer::fixture_selected[3], 0);
    // Dimmer channels numbered in setup order, 0-based records.
    const uint16_t dimmers[] = {13, 29, 45, 61, 74, 86, 101, 117, 130, 142, 144, 145};
    for (size_t i = 0; i < 12; ++i) EXPECT_EQ(runtime::dimmer_channel_list[i], dimmers[i]) << i;
    EXPECT_EQ(runtime::dimmer_channel_list[12], runtime::kNoDimmerChannel);
    // Spots and washes have a dimmer and more; the dimmers do not count.
    EXPECT_EQ(runtime::dark_fixture_count, 10);
    EXPECT_EQ(runtime::dark_fixture_list[1].dimmer_record, 14);
    EXPECT_EQ(runtime::dark_fixture_list[5].dimmer_record, 75);
    EXPECT_EQ(runtime::dark_fixture_list[5].prepared_slot, 65535);
    EXPECT_EQ(runtime::dark_fixture_list[10].dimmer_record, 143);
    // Flag words: fade on pan, invert and fade on the iris, nothing on pan fine.
    EXPECT_EQ(runtime::channel_flags[1], runtime::FLAG_FADES);
    EXPECT_EQ(runtime::channel_flags[2], 0);
    EXPECT_EQ(runtime::channel_flags[11], runtime::FLAG_INVERTED | runtime::FLAG_FADES);
    EXPECT_EQ(runtime::generator_flags[1], runtime::FLAG_FADES);  // SWING of record 1
    EXPECT_EQ(runtime::generator_flags[3], 0);                    // MODE
    EXPECT_EQ(runtime::generator_flags[4], runtime::FLAG_FADES);  // DELAY
    EXPECT_EQ(runtime::figure_flags[8], runtime::FLAG_FADES);     // DELAY of fixture 1
    EXPECT_EQ(runtime::figure_flags[9], 0);
    EXPECT_EQ(runtime::slave_console_count, 0);
    EXPECT_EQ(runtime::function_remap_table[1][0], 0);
}

// What the last show left per type index and per fixture is cleared, so a
// type index of the new rig does not recall the old rig's page; the
// submasters' and groups' used flags follow the loaded tables.
TEST_F(FixtureTables, TheShowStartForgetsTheOldRigAndSetsTheUsedFlags) {
    programmer::remembered_page[1] = 4;
    programmer::remembered_fader[1] = 9;
    programmer::fixture_freeze[3] = 1;
    memories::threshold_function_marks[0][5] = 1;
    memories::submaster_table[2][7] = 80;  // as a submaster file with a member loads it
    memories::submaster_used = {};
    programmer::group_table[4][2] = 1;
    programmer::group_used[4] = 0;
    load_demo_rig();
    EXPECT_EQ(programmer::remembered_page[1], 0);
    EXPECT_EQ(programmer::remembered_fader[1], 0);
    EXPECT_EQ(programmer::fixture_freeze[3], 0);
    EXPECT_EQ(memories::threshold_function_marks[0][5], 0);
    EXPECT_EQ(memories::submaster_used[2], 1);
    EXPECT_EQ(memories::submaster_used[1], 0);
    EXPECT_EQ(programmer::group_used[4], 1);
}

TEST_F(FixtureTables, ThePatchIsCompiledFromTheRigWhenItIsNotYet) {
    load_demo_rig();
    EXPECT_EQ(setup::setup_data.u8(setup::kSetupPatchCompiled), 1);
    // Card 1's fixtures lie back to back from address 1, so record r sends on
    // address r; card 2's from record 89 on address 1 of the second universe.
    EXPECT_EQ(setup::channel_patch_tables[0][1], 1);
    EXPECT_EQ(setup::channel_patch_tables[0][88], 88);
    EXPECT_EQ(setup::channel_patch_tables[0][89], 513);
    EXPECT_EQ(setup::channel_patch_tables[0][146], 513 + 57);
    EXPECT_EQ(setup::channel_patch_tables[0][147], 0);
    EXPECT_EQ(setup::channel_patch_tables[5][513], 1);   // protocol 1 of card 2, slot 1
    EXPECT_EQ(setup::channel_patch_tables[5][1], 1);
    EXPECT_EQ(setup::channel_patch_tables[6][1], 0);
    EXPECT_EQ(setup::channel_patch_tables[4][17], 17);   // the fixture's DMX input address
    // Written with the setup that says so.
    EXPECT_EQ(read("data/ch-patch.dat").size(), 36864u);
    EXPECT_EQ(read("data/setup.dat")[12 + setup::kSetupPatchCompiled], 1);
}

TEST_F(FixtureTables, RandomTypeLibrariesBuildTablesWithinTheirBounds) {
    setup_test::lay_out_demo_rig(dir_);
    std::mt19937 random(41);
    for (int round = 0; round < 8; ++round) {
        for (const char* name : {"lib/set/SPOT16.SET", "lib/set/WASHCMY.SET", "lib/set/DIMMER.SET"}) {
            std::vector<uint8_t> bytes = random_bytes(random, 47097);
            bytes[57] = static_cast<uint8_t>(1 + round * 4);  // a valid channel count, all else random
            write(name, bytes);
        }
        datafiles::load_setup_file();
        runtime::init_fixture_tables();
        runtime::init_wheel_last_values();
        EXPECT_LE(runtime::function_record_count, 2048);
        for (int r = 147; r <= 2048; ++r) ASSERT_EQ(record(r).fixture, 0) << r;
    }
}

// ------------------------------------------------------------------ small rigs

// A rig made in memory: types with named functions, fixtures back to back.
class SmallRig : public FixtureTables {
protected:
    void TearDown() override {
        for (auto*& type : setup::fixture_type_defs) type = nullptr;
        FixtureTables::TearDown();
    }
    // Type t (1..40) with the given name and n functions.
    setup::FixtureTypeDef& add_type(int t, const char* name, int n) {
        types_.push_back(std::make_unique<setup::FixtureTypeDef>());
        setup::FixtureTypeDef& type = *types_.back();
        std::memcpy(type.bytes.data(), name, std::strlen(name));
        type.bytes[setup::kTypeChannelCount] = static_cast<uint8_t>(n);
        setup::fixture_type_defs[static_cast<size_t>(t)] = &type;
        setup::setup_data.set_u8(SetupData::type_channel_count_field(t), static_cast<uint8_t>(n));
        for (int k = 0; k < 32; ++k) setup::setup_data.set_u8(SetupData::type_function_map_field(t, k), static_cast<uint8_t>(k));
        setup::fixture_type_count = static_cast<int16_t>(std::max<int>(setup::fixture_type_count, t));
        setup::setup_data.set_u8(setup::kSetupTypeCount, static_cast<uint8_t>(setup::fixture_type_count));
        return type;
    }
    static void set_slot(setup::FixtureTypeDef& type, NamedFunction slot, int k) {
        type.bytes[setup::kTypeNamedSlots + static_cast<size_t>(slot)] = static_cast<uint8_t>(k);
    }
    // Fixture f of type index ti with n channels, after the previous one.
    void add_fixture(int f, int ti, int n, uint8_t orientation = 0) {
        setup::FixtureRecord r;
        r.type_index = static_cast<uint16_t>(ti);
        r.number = static_cast<uint16_t>(f);
        r.card = 1;
        r.address = 0;  // multipatch: no address needed here
        r.first_record = static_cast<uint16_t>(next_record_);
        r.channel_count = static_cast<uint8_t>(n);
        r.orientation = orientation;
        setup::write_fixture(setup::setup_data, f, r);
        next_record_ += n;
        setup::fixture_count = static_cast<int16_t>(f);
        setup::setup_data.set_u16(setup::kSetupFixtureCount, static_cast<uint16_t>(f));
        setup::setup_data.set_u8(setup::kSetupPatchCompiled, 1);
    }

    std::vector<std::unique_ptr<setup::FixtureTypeDef>> types_;
    int next_record_ = 1;
};

TEST_F(SmallRig, ASlaveConsoleAbove255KeepsItsIndex) {
    setup::FixtureTypeDef& dimmer = add_type(1, "DIM", 1);
    dimmer.bytes[setup::kTypeDimmerFlags] = 1;
    add_type(2, "zelk slave wing", 2);
    add_type(3, "ZELK SLAVE CONSOLE", 20);
    for (int f = 1; f <= 299; ++f) add_fixture(f, 0, 1);
    add_fixture(300, 1, 2);
    add_fixture(301, 2, 20);
    runtime::init_fixture_tables();
    ASSERT_EQ(runtime::slave_console_count, 2);
    EXPECT_EQ(runtime::slave_console_list[0].fixture, 300);
    EXPECT_EQ(runtime::slave_console_list[0].kind, 3);
    EXPECT_EQ(runtime::slave_console_list[1].fixture, 301);
    EXPECT_EQ(runtime::slave_console_list[1].kind, 1);
    EXPECT_EQ(programmer::slave_consoles, 2);
    EXPECT_EQ(record(300).slave_group, 1);  // the wing: every function group 1
    EXPECT_EQ(record(301).slave_group, 1);
    const int console = 302;                // first record of fixture 301
    EXPECT_EQ(record(console + 9).slave_group, 1);   // function 10
    EXPECT_EQ(record(console + 10).slave_group, 2);  // function 11
    EXPECT_EQ(record(console + 17).slave_group, 3);  // function 18
    EXPECT_EQ(record(console + 18).slave_group, 0);  // function 19
    EXPECT_EQ(record(300).fixture, 300);
    EXPECT_EQ(runtime::fixture_bank_counts[5], 21);  // fixtures 281..301 on page 5
    EXPECT_EQ(runtime::fixture_bank_keys[5][20], 299);
    EXPECT_EQ(runtime::dimmer_channel_list[298], 298);
}

TEST_F(SmallRig, RecordsBeyondTheCapacityAreNeverWritten) {
    add_type(1, "BIG", 32);
    for (int f = 1; f <= 64; ++f) add_fixture(f, 0, 32);  // records 1..2048
    runtime::function_record_capacity = 2040;
    runtime::init_fixture_tables();
    EXPECT_EQ(runtime::function_record_count, 2040);
    EXPECT_EQ(record(2040).fixture, 64);
    EXPECT_EQ(record(2041).fixture, 0);
    EXPECT_EQ(record(2048).fixture, 0);
    EXPECT_EQ(runtime::fixture_channel_record(64, 24), 2040);
    EXPECT_EQ(runtime::fixture_channel_record(64, 25), 0);
}

TEST_F(SmallRig, MapEntriesOutsideTheFixtureAreIgnored) {
    setup::FixtureTypeDef& type = add_type(1, "ODD", 2);
    type.bytes[setup::kTypeDimmerFlags + 1] = 1;
    setup::setup_data.set_u8(SetupData::type_function_map_field(1, 1), 200);  // function 2 on channel 201
    add_fixture(1, 0, 2);
    add_fixture(2, 0, 2);
    runtime::init_fixture_tables();
    EXPECT_EQ(record(2).dimmer, 0);
    EXPECT_EQ(record(3).dimmer, 0);
    EXPECT_EQ(runtime::dimmer_channel_list[0], runtime::kNoDimmerChannel);
}

TEST_F(SmallRig, KnifeRemapTurnsWithTheOrientationAndNeedsAllEightKnives) {
    setup::FixtureTypeDef& type = add_type(1, "KNIVES", 8);
    const NamedFunction knives[] = {NamedFunction::knife1, NamedFunction::knife2, NamedFunction::knife3,
                                    NamedFunction::knife4, NamedFunction::knife5, NamedFunction::knife6,
                                    NamedFunction::knife7, NamedFunction::knife8};
    for (int i = 0; i < 8; ++i) set_slot(type, knives[i], i + 1);
    setup::FixtureTypeDef& seven = add_type(2, "SEVEN", 8);
    for (int i = 0; i < 7; ++i) set_slot(seven, knives[i], i + 1);
    add_fixture(1, 0, 8, 0);
    add_fixture(2, 0, 8, 1);
    add_fixture(3, 1, 8, 0);
    runtime::init_fixture_tables();
    const auto& straight = runtime::function_remap_table[1];
    for (size_t c = 0; c < 8; ++c) EXPECT_EQ(straight[c], c + 1);
    const auto& turned = runtime::function_remap_table[2];  // orientation 1: KNIFE i to KNIFE i + 6
    EXPECT_EQ(turned[0], 7);
    EXPECT_EQ(turned[2], 1);
    EXPECT_EQ(turned[32 + 6], 1);  // the reverse: channel 7 back to channel 1
    for (size_t c = 0; c < 64; ++c) EXPECT_EQ(runtime::function_remap_table[3][c], 0);
}

TEST_F(SmallRig, OnlyPanHasAFineHalfSoThereAreNoFineRolesButTheRecordKeepsTheFineChannel) {
    setup::FixtureTypeDef& type = add_type(1, "HALF FINE", 3);
    set_slot(type, NamedFunction::pan, 1);
    set_slot(type, NamedFunction::tilt, 3);
    type.bytes[setup::FixtureTypeDef::sub_table(1) + setup::kSubLinked] = 2;
    add_fixture(1, 0, 3);
    runtime::init_fixture_tables();
    EXPECT_EQ(runtime::pantilt_role_table[1][0], runtime::ROLE_PAN);
    EXPECT_EQ(runtime::pantilt_role_table[1][1], 0);
    EXPECT_EQ(runtime::pantilt_role_table[1][2], runtime::ROLE_TILT);
    const runtime::PanTiltRecord& pt = runtime::fixture_pantilt_table[1];
    EXPECT_EQ(pt.kind, 1);
    EXPECT_EQ(pt.pan_fine.channel, 2);
    EXPECT_EQ(pt.pan_fine.record, 2);
}

TEST_F(SmallRig, ASoloMemoryInTheSetupSetsTheSoloMode) {
    add_type(1, "ONE", 1);
    add_fixture(1, 0, 1);
    setup::setup_data.set_i16(setup::kSetupSoloMemory, 4);
    runtime::init_fixture_tables();
    EXPECT_NE(runtime::mode_flags & runtime::MODE_SOLO_MEMORY, 0u);
    setup::setup_data.set_i16(setup::kSetupSoloMemory, 0);
    runtime::init_fixture_tables();
    EXPECT_EQ(runtime::mode_flags & runtime::MODE_SOLO_MEMORY, 0u);
}

}  // namespace
