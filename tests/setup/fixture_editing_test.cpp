// The rig editor on the setup screen, driven as the operator drives it:
// adding a fixture at a clicked address and placing its symbol, erasing,
// numbering with PATCH FIXTURE and by dragging keys, picking a fixture to
// light and aim it, moving it to another page, and correcting addresses.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "platform/machine.h"
#include "platform/mouse.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/step_log.h"
#include "setup/address_list.h"
#include "setup/fixture_editing.h"
#include "setup/fixture_type.h"
#include "setup/library_list.h"
#include "setup/soft_patch.h"
#include "setup/stage_plan_items.h"
#include "setup_screen_rig.h"

namespace {

using namespace runtime;  // key codes

constexpr int16_t kMakerGeneric_y = 20;
constexpr int16_t kMakerKeltro_y = 38;
constexpr int16_t kMakerOrbano_y = 55;
constexpr int16_t kDimmerRow_y = 100;   // GENERIC DIMMER
constexpr int16_t kSpotRow_y = 116;     // GENERIC SPOT 16CH
constexpr int16_t kScanRow_y = 100;     // KELTRO SCAN 24, alone under its maker

int16_t row_y(int row) { return static_cast<int16_t>(86 + 12 * row + 5); }

class RigEditor : public setup_test::SetupScreen {
protected:
    void choose(int16_t maker_y, int16_t library_y) {
        click(200, maker_y);
        click(200, library_y);
        ASSERT_TRUE(setup::library_loaded(setup::library_list));
    }
    // The centre of record f's symbol on the screen.
    static std::pair<int16_t, int16_t> centre_of(int f) {
        int16_t x = fixture(f).x;
        int16_t y = fixture(f).y;
        setup::convert_stage_to_screen(x, y);
        return {static_cast<int16_t>(x + 15), static_cast<int16_t>(y + 15)};
    }
    void click_fixture(int f, uint16_t buttons = setup_test::kLeft) {
        const auto [x, y] = centre_of(f);
        click(x, y, buttons);
    }
    void open() {
        SetupScreen::open();
        opened_.clear();
        for (int f = 1; f <= fixture_count(); ++f) opened_.emplace_back(fixture(f).x, fixture(f).y);
    }
    // The record now at a stage point (the records may have been sorted
    // anew; a fixture put back in its place may have moved by the rounding
    // of a pixel), 0 none.
    static int record_at(std::pair<int16_t, int16_t> point) {
        constexpr int kPixel = 50;  // stage units, more than a pixel either way
        for (int f = 1; f <= fixture_count(); ++f) {
            if (std::abs(fixture(f).x - point.first) <= kPixel && std::abs(fixture(f).y - point.second) <= kPixel) return f;
        }
        return 0;
    }
    // The numbers of the fixtures in their order when the setup opened,
    // each found by its place on the stage.
    std::vector<int> numbers() const {
        std::vector<int> n;
        for (const auto& point : opened_) {
            const int f = record_at(point);
            if (f != 0) n.push_back(fixture(f).number);
        }
        return n;
    }
    static int record_with_address(int16_t address) {
        for (int f = 1; f <= fixture_count(); ++f) {
            if (fixture(f).address == address) return f;
        }
        return 0;
    }

    std::vector<std::pair<int16_t, int16_t>> opened_;
    // The working rig cut to its first `count` fixtures, drawn again.
    void keep_fixtures(int count) {
        setup::setup_edit_copy.set_i16(setup::kSetupFixtureCount, static_cast<int16_t>(count));
        setup::redraw_page_fixture_keys(setup::setup_edit_copy);
    }
};

// ------------------------------------------------------------------ adding

TEST_F(RigEditor, A16ChannelFixtureFitsAt497TurnedByDigit8AndIsNumberedBehindItsType) {
    open();
    choose(kMakerGeneric_y, kSpotRow_y);
    rig_.press(KEY_PAGE_DOWN, 20);
    ASSERT_EQ(setup::address_panel.list_page, 1);
    click(50, row_y(4));  // slot 32: address 497
    EXPECT_EQ(status(), "LMB=POSITION 1..8=TURN RMB=ESC");
    rig_.press(digit_key(8), 20);
    click(300, 300);
    ASSERT_EQ(fixture_count(), 13);
    const setup::FixtureRecord r = fixture(record_with_address(497));
    EXPECT_EQ(r.address, 497);
    EXPECT_EQ(r.input_address, 497);
    EXPECT_EQ(r.orientation, 7);
    EXPECT_EQ(r.card, 1);
    EXPECT_EQ(r.protocol, "DMX OUT ");
    EXPECT_EQ(r.type_index, 0);
    EXPECT_EQ(r.x, 5287);  // (300 - 116) * 10000 / 348
    EXPECT_EQ(r.y, 4444);
    EXPECT_EQ(r.number, 9) << "behind the page's last spot (key 8)";
    EXPECT_EQ(numbers()[8], 10) << "the wash at key 9 moves up";
    EXPECT_EQ(rig_.key_led(fixture_key(13)), platform::LedState::lit);
    EXPECT_EQ(rig_.key_led(fixture_key(14)), platform::LedState::off);
    EXPECT_EQ(setup::address_panel.last_address, 497);
}

TEST_F(RigEditor, A16ChannelFixtureAt498IsRefusedAndNothingIsPlaced) {
    open();
    choose(kMakerGeneric_y, kSpotRow_y);
    click(90, 76);  // INCR: single steps, 16 channels on a step of 16
    ASSERT_EQ(setup::address_panel.single_step, 1);
    rig_.press(KEY_EDIT_VALUE, 20);
    for (const int d : {4, 9, 8}) rig_.press(digit_key(d), 20);
    rig_.press(KEY_ENTER, 20);
    const int refusals = tones(400, 1500);
    platform::machine().graphics.clear_call_log();
    click(45, platform::machine().mouse.y);  // the row the list put the pointer on
    EXPECT_EQ(tones(400, 1500), refusals + 1);
    EXPECT_TRUE(setup_test::status_drawn("THE ADDRESSES OF SOME CHANNELS WILL BE OUT OF RANGE (>512)"));
    EXPECT_EQ(fixture_count(), 12);
}

TEST_F(RigEditor, WithFortyTypesOnlyALibraryNotInUseIsRefused) {
    open();
    setup::SetupData& d = setup::setup_edit_copy;
    for (int t = 4; t <= 40; ++t) d.set_text(setup::SetupData::type_name_field(t), 21, "FILLER " + std::to_string(t));
    d.set_u8(setup::kSetupTypeCount, 40);
    choose(kMakerKeltro_y, kScanRow_y);
    const int refusals = tones(400, 800);
    platform::machine().graphics.clear_call_log();
    click(50, 420);  // even below the rows the full table is reported first
    EXPECT_EQ(tones(400, 800), refusals + 1);
    EXPECT_TRUE(setup_test::status_drawn("MAXIMUM OF 40 DIFFERENT TYPES IS REACHED"));
    choose(kMakerGeneric_y, kSpotRow_y);
    click(50, row_y(20));
    EXPECT_EQ(status(), "LMB=POSITION 1..8=TURN RMB=ESC") << "a type in use may be placed";
    click(300, 300, setup_test::kRight);
    EXPECT_EQ(fixture_count(), 12) << "a cancelled placing stores nothing";
}

TEST_F(RigEditor, TheMultipatchRowAndARule2LibraryOpenTheirEditorsForTheNewRecord) {
    open();
    choose(kMakerGeneric_y, kDimmerRow_y);  // soft-patch rule 1
    click(50, row_y(27));
    click(300, 300);
    ASSERT_EQ(fixture_count(), 13);
    EXPECT_EQ(fixture(13).address, 0);
    EXPECT_EQ(fixture(13).input_address, 0);
    EXPECT_EQ(setup::address_panel.last_address, 0);
    rig_.run_ms(100);  // past the editor's opening tone
    EXPECT_TRUE(setup_test::drawn("SOFTPATCH / MULTIPATCH"));
    EXPECT_EQ(status(), "SELECT THE FUNCTION TO PATCH");
    click(500, 100, setup_test::kRight);  // leaves the editor
    // The same library as rule 2: an address row stores -1 and the split
    // editor gets the clicked address.
    setup::library_list.loaded_type.bytes[setup::kTypeSoftPatchRule] = 2;
    click(50, row_y(4));  // slot 5: address 5
    click(250, 300);
    ASSERT_EQ(fixture_count(), 14);
    EXPECT_EQ(fixture(14).address, -1);
    EXPECT_EQ(setup::soft_patch_list, (std::vector<setup::SoftPatchEntry>{{14, 50, 1, 5}, {14, 101, 1, 6}}));
    rig_.run_ms(100);
    EXPECT_TRUE(setup_test::drawn("SPLIT DIMMERPATCH "));
    click(500, 100, setup_test::kRight);
    // The multipatch row of a rule-2 library is refused.
    const int refusals = tones(400, 800);
    click(50, row_y(27));
    EXPECT_EQ(tones(400, 800), refusals + 1);
    EXPECT_EQ(fixture_count(), 14);
}

// ------------------------------------------------------------------ erasing

TEST_F(RigEditor, ErasingBothDimmersFreesTheirTypeAndClosesTheKeys) {
    open();
    click(270, 445);  // ERASE FIXTURE
    EXPECT_EQ(status(), "LMB=FIXTURE TO KILL RMB=CANCEL");
    click_fixture(11);
    EXPECT_EQ(status(), "LMB=KILL  RMB=CANCEL");
    click(300, 300, setup_test::kRight);  // not this one
    EXPECT_EQ(fixture_count(), 12);
    click_fixture(11);
    click(300, 300);
    ASSERT_EQ(fixture_count(), 11);
    EXPECT_EQ(setup::rig_type_count(setup::setup_edit_copy), 3);
    click_fixture(11);  // the other dimmer, now record 11
    click(300, 300);
    click(300, 300, setup_test::kRight);
    EXPECT_EQ(fixture_count(), 10);
    EXPECT_EQ(setup::rig_type_count(setup::setup_edit_copy), 2);
    EXPECT_EQ(numbers(), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(rig_.key_led(fixture_key(11)), platform::LedState::off);
}

// ------------------------------------------------------------------ numbering

TEST_F(RigEditor, RandomNumbersThePageInClickOrder) {
    open();
    keep_fixtures(5);
    click(25, 445);   // PATCH FIXTURE
    click(20, 446);   // RANDOM
    for (const int f : {4, 1, 4, 5, 2, 3}) click_fixture(f);  // D, A, D again, E, B, C
    EXPECT_EQ(numbers(), (std::vector<int>{2, 4, 5, 1, 3}));
    EXPECT_EQ(status(), "++ SETUP FIXTURES ++");
}

TEST_F(RigEditor, AllNumbersTypeByTypeAndEscRestoresEveryNumber) {
    open();
    keep_fixtures(5);  // spots at keys 1..4, a wash at key 5
    click(25, 445);
    click(20, 395);              // ALL
    click(500, 206 + 11 + 5);    // the wash's row
    click_fixture(5);            // key 1
    click(500, 206 + 5);         // the spots' row
    click_fixture(3);            // key 2
    rig_.press(KEY_ESC, 20);
    EXPECT_EQ(numbers(), (std::vector<int>{1, 2, 3, 4, 5}));
    // Done to its end: wash first, then the spots in click order.
    click(25, 445);
    click(20, 395);
    click(500, 206 + 11 + 5);
    click_fixture(5);
    click(500, 206 + 5);
    for (const int f : {4, 3, 2, 1}) click_fixture(f);
    EXPECT_EQ(numbers(), (std::vector<int>{5, 4, 3, 2, 1}));
}

TEST_F(RigEditor, TypeHandsTheChosenTypesOwnKeysOutAgainInClickOrder) {
    open();
    keep_fixtures(7);
    // The wash type holds keys 2, 5 and 7.
    for (const int f : {2, 5, 7}) setup::setup_edit_copy.set_u16(setup::SetupData::fixture_field(f, setup::kFixtureTypeIndex), 1);
    for (const int f : {1, 3, 4, 6}) setup::setup_edit_copy.set_u16(setup::SetupData::fixture_field(f, setup::kFixtureTypeIndex), 0);
    click(25, 445);
    click(20, 412);              // TYPE
    click(500, 206 + 11 + 5);    // the wash's row
    for (const int f : {7, 2, 5}) click_fixture(f);
    EXPECT_EQ(numbers(), (std::vector<int>{1, 5, 3, 4, 7, 6, 2}));
}

TEST_F(RigEditor, DraggingKey3OntoKey7ShiftsTheKeysBetween) {
    open();
    platform::Mouse& mouse = platform::machine().mouse;
    mouse.x = 433 + 18 * 3 + 8;
    mouse.y = 25;
    rig_.set_trackerball_buttons(setup_test::kLeft);
    rig_.run_ms(20);
    mouse.x = 433 + 18 * 7 + 8;
    rig_.run_ms(20);
    EXPECT_EQ(status(), "PATCH FIXTURE 3 TO 7");
    rig_.set_trackerball_buttons(0);
    rig_.run_ms(20);
    EXPECT_EQ(numbers(), (std::vector<int>{1, 2, 7, 3, 4, 5, 6, 8, 9, 10, 11, 12}));
}

}  // namespace

// ------------------------------------------------------------------ picking and moving

namespace {

// Fixture 1, a spot at address 1 of card 1: PAN on DMX 1, TILT on 3, both
// 128 by default over 0..255; STROBE (13) 255. The ball moves 10 steps right.
TEST_F(RigEditor, AnAimedFixtureMirrorsAndSwapsByItsOrientation) {
    open();
    struct Case {
        uint8_t orientation;
        uint8_t pan, tilt;
    };
    const Case cases[] = {{0, 118, 128}, {1, 128, 138}, {2, 138, 128}, {3, 128, 118},
                          {4, 138, 128}, {5, 128, 138}, {6, 118, 128}, {7, 128, 118}};
    for (const Case& c : cases) {
        setup::setup_edit_copy.set_u8(setup::SetupData::fixture_field(1, setup::kFixtureOrientation), c.orientation);
        click_fixture(1);
        EXPECT_EQ(status(), "LMB=REPLACE 1..8=TURN RMB=ESC");
        EXPECT_EQ(rig_.dmx(1, 1), 128) << "the default is sent whatever the mirror";
        EXPECT_EQ(rig_.dmx(1, 3), 128);
        EXPECT_EQ(rig_.dmx(1, 13), 255) << "lit";
        EXPECT_EQ(rig_.dmx(1, 29), 0) << "alone: the next spot's strobe stays dark";
        rig_.move_trackerball(10 * runtime::trackerball_resolution, 0);
        rig_.run_ms(20);
        EXPECT_EQ(rig_.dmx(1, 1), c.pan) << int{c.orientation};
        EXPECT_EQ(rig_.dmx(1, 3), c.tilt) << int{c.orientation};
        rig_.press(KEY_ESC, 20);
        EXPECT_EQ(rig_.dmx(1, 13), 0) << "dark again afterwards";
        EXPECT_EQ(fixture(1).orientation, c.orientation);
    }
}

TEST_F(RigEditor, BlindTheFixtureStaysDarkButMovesAndTurns) {
    open();
    runtime::run_flags |= runtime::RUN_BLIND;
    const auto [x, y] = centre_of(1);
    click_fixture(1);
    EXPECT_EQ(rig_.dmx(1, 13), 0);
    rig_.press(digit_key(3), 20);
    click(x, y);  // LMB: moving
    EXPECT_EQ(status(), "REPLACE FIXTURE UNTIL LMB...");
    rig_.move_trackerball(20 * runtime::trackerball_resolution, 0);
    rig_.run_ms(20);
    click(x, y);  // drop
    rig_.move_trackerball(10 * runtime::trackerball_resolution, 0);
    rig_.run_ms(20);
    EXPECT_EQ(rig_.dmx(1, 1), 0) << "no aiming while blind";
    rig_.press(KEY_ESC, 20);
    EXPECT_EQ(fixture(1).orientation, 2);
    EXPECT_GT(fixture(1).x, 1320 + 500) << "20 pixels to the right";
    EXPECT_EQ(fixture(1).y, 1600);
}

TEST_F(RigEditor, ALibraryWithoutTiltIsNotAimed) {
    std::vector<uint8_t> spot = setup_test::demo_rig_file("lib/set/SPOT16.SET");
    spot[setup::kTypeNamedSlots + 1] = 0;  // no TILT
    dir_.write_file("lib/set/SPOT16.SET", spot);
    open();
    click_fixture(1);
    EXPECT_EQ(rig_.dmx(1, 13), 255);
    rig_.move_trackerball(10 * runtime::trackerball_resolution, 10 * runtime::trackerball_resolution);
    rig_.run_ms(20);
    EXPECT_EQ(rig_.dmx(1, 1), 128);
    EXPECT_EQ(rig_.dmx(1, 3), 128);
    rig_.press(KEY_ESC, 20);
}

TEST_F(RigEditor, TheInformationBoxShowsUntilMovingStarts) {
    open();
    const auto [x, y] = centre_of(1);
    // Fixture 1's symbol at (162, 236): the box's corner is 35 pixels right and below.
    const int bx = 162 + 35;
    const int by = 236 + 35;
    const uint8_t before = rig_.pixel(bx + 4, by + 4);
    click_fixture(1);
    EXPECT_EQ(rig_.pixel(bx + 4, by + 4), 4) << "the box's red title";
    click(x, y);
    EXPECT_EQ(rig_.pixel(bx + 4, by + 4), before) << "put back when moving starts";
    click(x, y);
    rig_.press(KEY_ESC, 20);
}

TEST_F(RigEditor, AFixtureMovedToPage2IsNumberedThereAndPage1ClosesUp) {
    open();
    const auto [x, y] = centre_of(5);
    click_fixture(5);
    click(x, y);
    rig_.press(KEY_BANK_UP, 20);
    EXPECT_EQ(fixture_page, 2);
    click(x, y);
    rig_.press(KEY_ESC, 20);
    EXPECT_EQ(numbers(), (std::vector<int>{1, 2, 3, 4, 71, 5, 6, 7, 8, 9, 10, 11}));
    EXPECT_EQ(setup_test::call_count("setup::renumber_fixtures_by_page()"), 1);
}

// ------------------------------------------------------------------ addresses

// Clicks for a mode that a test calls directly: timed actions press and
// release the buttons, far enough apart that no click falls into a beep.
void script_clicks(rig::Rig& rig, const std::vector<std::tuple<int16_t, int16_t, uint16_t>>& clicks,
                   const std::function<void()>& before_each = {}, uint32_t first_ms = 50) {
    uint32_t at_ms = first_ms;
    for (const auto& [x, y, buttons] : clicks) {
        rig.at(at_ms, [x = x, y = y, buttons = buttons, before_each] {
            if (before_each) before_each();
            platform::machine().mouse.x = x;
            platform::machine().mouse.y = y;
            platform::mouse_set_buttons(buttons);
        });
        rig.at(at_ms + 20, [] { platform::mouse_set_buttons(0); });
        at_ms += 300;
    }
}

TEST_F(RigEditor, TheDmxInputModeClearsInput1AndTogglesADmxFixturesInput) {
    open();
    setup::SetupData& d = setup::setup_edit_copy;
    d.set_u8(setup::kSetupDmxIn1Enabled, 1);
    d.set_i16(setup::kSetupDmxIn1Start, 100);
    d.set_i16(setup::SetupData::fixture_field(12, setup::kFixtureAddress), 100);
    d.set_i16(setup::SetupData::fixture_field(12, setup::kFixtureInputAddress), 0);
    const auto [x, y] = centre_of(12);
    const std::vector<std::tuple<int16_t, int16_t, uint16_t>> clicks = {
        {x, y, setup_test::kLeft},       // the fixture: its input box
        {300, 440, setup_test::kLeft},   // toggle
        {300, 440, setup_test::kRight},  // the box closes
        {300, 300, setup_test::kRight},  // the mode ends
    };
    std::vector<int16_t> inputs;
    script_clicks(rig_, clicks, [&inputs] { inputs.push_back(setup::read_fixture(setup::setup_edit_copy, 12).input_address); });
    platform::machine().graphics.clear_call_log();
    const auto run_mode = [] {
        setup::edit_fixture_input_addresses(setup::setup_edit_copy, setup::address_state, setup::library_list,
                                            setup::address_panel);
    };
    run_mode();
    EXPECT_EQ(d.u8(setup::kSetupDmxIn1Enabled), 0);
    EXPECT_EQ(d.i16(setup::kSetupDmxIn1Start), 0);
    EXPECT_TRUE(setup_test::status_drawn("LMB=FIXTURE TO PATCH  RMB=CANCEL"));
    EXPECT_TRUE(setup_test::drawn("ADDRESS: OUTPUT=100 INPUT=0  "));
    EXPECT_EQ(inputs, (std::vector<int16_t>{0, 0, 100, 100})) << "as each click came";
    // Toggled again: back to 0. With DMX input 2 on the fixtures' inputs
    // are not read: the mode says so and leaves input 2 as it is.
    d.set_u8(setup::kSetupDmxIn2Enabled, 1);
    platform::machine().graphics.clear_call_log();
    script_clicks(rig_, clicks, {}, 1000);  // after the warning's tone
    run_mode();
    EXPECT_EQ(fixture(12).input_address, 0);
    EXPECT_TRUE(setup_test::status_drawn("DMX-INPUT 2 IS ON: FIXTURE INPUTS ARE NOT READ"));
    EXPECT_EQ(d.u8(setup::kSetupDmxIn2Enabled), 1);
}

TEST_F(RigEditor, CorrectingARule2FixtureSoftPatchesItOnCard1) {
    std::vector<uint8_t> dimmer = setup_test::demo_rig_file("lib/set/DIMMER.SET");
    dimmer[setup::kTypeSoftPatchRule] = 2;
    dir_.write_file("lib/set/DIMMER.SET", dimmer);
    open();
    click(170, 445);  // CHANGE ADDRESS
    EXPECT_EQ(status(), "LMB=FIXTURE WITH WRONG ADDRESS RMB=CANCEL");
    click_fixture(12);  // card 2, address 58
    rig_.run_ms(200);   // past the pick's tone
    EXPECT_TRUE(setup_test::drawn("SPLIT DIMMERPATCH "));
    click(500, 100, setup_test::kRight);  // leaves the split editor
    click(300, 300, setup_test::kRight);
    EXPECT_EQ(fixture(12).card, 1);
    EXPECT_EQ(fixture(12).address, -1);
    ASSERT_EQ(setup::soft_patch_list.size(), 2u);
    EXPECT_EQ(setup::soft_patch_list[0].function, 50);
    EXPECT_EQ(setup::soft_patch_list[0].card, 2);
    EXPECT_EQ(setup::soft_patch_list[0].address, 58);
    EXPECT_EQ(setup::soft_patch_list[1].function, 101);
    EXPECT_EQ(setup::soft_patch_list[1].address, 59);
    EXPECT_TRUE(setup_test::drawn("DMX OUT 2  AD 58"));
}

TEST_F(RigEditor, ANewAddressResetsTheInputToIt) {
    open();
    setup::setup_edit_copy.set_i16(setup::SetupData::fixture_field(11, setup::kFixtureInputAddress), 0);
    click(170, 445);
    click_fixture(11);  // a dimmer at 57 of card 2: the address dialog
    EXPECT_EQ(setup::address_panel.list_page, 2) << "slots 55..81 of the one-address list";
    EXPECT_EQ(platform::machine().mouse.y, 90 + 12 * 2) << "the pointer on address 57";
    click(50, row_y(0));  // address 55
    click(300, 300, setup_test::kRight);
    EXPECT_EQ(fixture(11).address, 55);
    EXPECT_EQ(fixture(11).input_address, 55);
    EXPECT_EQ(fixture(11).card, 2);
    EXPECT_EQ(fixture(11).protocol, "DMX OUT ");
}

}  // namespace
