// The rig editor on the setup screen, driven as the operator drives it:
// adding a fixture at a clicked address and placing its symbol, erasing,
// numbering with PATCH FIXTURE and by dragging keys, picking a fixture to
// light and aim it, moving it to another page, and correcting addresses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/machine.h"
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
    static std::vector<int> numbers() {
        std::vector<int> n;
        for (int f = 1; f <= fixture_count(); ++f) n.push_back(fixture(f).number);
        return n;
    }
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
    const setup::FixtureRecord r = fixture(13);
    EXPECT_EQ(r.address, 497);
    EXPECT_EQ(r.input_address, 497);
    EXPECT_EQ(r.orientation, 7);
    EXPECT_EQ(r.card, 1);
    EXPECT_EQ(r.protocol, "DMX OUT ");
    EXPECT_EQ(r.type_index, 0);
    EXPECT_EQ(r.x, 5287);  // (300 - 116) * 10000 / 348
    EXPECT_EQ(r.y, 4444);
    EXPECT_EQ(r.number, 9) << "behind the page's last spot (key 8)";
    EXPECT_EQ(fixture(9).number, 10) << "the wash at key 9 moves up";
    EXPECT_EQ(rig_.key_led(fixture_key(13)), platform::LedState::lit);
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
    EXPECT_EQ(setup_test::call_count("setup::edit_multipatch(13)"), 1);
    // The same library as rule 2: an address row stores -1 and the split
    // editor gets the clicked address.
    setup::library_list.loaded_type.bytes[setup::kTypeSoftPatchRule] = 2;
    click(50, row_y(4));  // slot 5: address 5
    click(250, 300);
    ASSERT_EQ(fixture_count(), 14);
    EXPECT_EQ(fixture(14).address, -1);
    EXPECT_EQ(setup_test::call_count("setup::edit_split_dimmer(14, 5)"), 1);
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
    EXPECT_EQ(setup_test::call_count("setup::purge_soft_patch_entries()"), 2);
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
