// The address list: slots, occupancy and row colours for a library on the
// selected card and protocol, the DIP switch text, the lamp test of the
// hovered row, the typed address and the steps that stay inside the card.
#include <gtest/gtest.h>

#include <string>

#include "runtime/key_codes.h"
#include "setup/address_list.h"
#include "setup/address_list_slots.h"
#include "setup/address_state.h"
#include "setup/fixture_type.h"
#include "setup/library_list.h"
#include "setup_screen_rig.h"

namespace {

using namespace runtime;  // key codes

setup::LibraryList library_of(int channels, int step, int dip_count, int dip_base) {
    setup::LibraryList list;
    list.selected_entry = 0;
    list.loaded_type.bytes[setup::kTypeChannelCount] = static_cast<uint8_t>(channels);
    list.loaded_type.bytes[setup::kTypeAddressStep] = static_cast<uint8_t>(step);
    list.loaded_type.bytes[setup::kTypeDipCount] = static_cast<uint8_t>(dip_count);
    list.loaded_type.bytes[setup::kTypeDipBase] = static_cast<uint8_t>(dip_base);
    return list;
}

setup::AddressState card_1_dmx() {
    setup::AddressState state;
    state.selected_card = 1;
    state.selected_protocol = 1;
    return state;
}

TEST(AddressSlots, A24ChannelLibraryHas21SlotsAndAnOverlapShowsTheLaterFixture) {
    setup::LibraryList list = library_of(24, 24, 9, 1);
    setup::AddressState state = card_1_dmx();
    state.address_map[1][1][30] = 7;  // fixture 7 holds address 30 only
    setup::AddressPanel panel;
    setup::compute_address_slots(panel, state, list);
    EXPECT_EQ(panel.slot_count, 21);
    EXPECT_EQ(panel.page_count, 1);
    EXPECT_EQ(panel.address_increment, 24);
    EXPECT_EQ(setup::slot_address(panel, 21) + setup::slot_span(panel, list) - 1, 504);
    EXPECT_EQ(panel.slot_occupancy[1], 0);
    EXPECT_EQ(panel.slot_occupancy[2], 1007) << "25 is free, 30 is fixture 7's";
    EXPECT_EQ(setup::row_colour(panel, panel.slot_occupancy[2]), 9);
    EXPECT_EQ(panel.slot_occupancy[21], 0);
    // Every address a slot: a span running past 512 is marked 2000.
    panel.single_step = 1;
    setup::compute_address_slots(panel, state, list);
    EXPECT_EQ(panel.slot_count, 512);
    EXPECT_EQ(panel.page_count, 19);
    EXPECT_EQ(panel.slot_occupancy[30], 7);
    EXPECT_EQ(panel.slot_occupancy[489], 0);
    EXPECT_EQ(panel.slot_occupancy[490], 2000);
    EXPECT_EQ(setup::row_colour(panel, 2000), 9);
    panel.current_fixture = 7;
    EXPECT_EQ(setup::row_colour(panel, 7), 14);
    EXPECT_EQ(setup::row_colour(panel, 3), 1);
    EXPECT_EQ(setup::row_colour(panel, 0), 8);
}

TEST(AddressSlots, TheMartinProtocolHas32SlotsOf16Addresses) {
    setup::LibraryList list = library_of(24, 24, 9, 1);
    setup::AddressState state = card_1_dmx();
    state.martin_protocol = 1;
    setup::AddressPanel panel;
    setup::compute_address_slots(panel, state, list);
    EXPECT_EQ(panel.slot_count, 32);
    EXPECT_EQ(panel.dip_step, 1);
    EXPECT_EQ(setup::slot_address(panel, 32), 497);
    EXPECT_EQ(panel.page_count, 2);
}

TEST(AddressSlots, WithoutAProtocolNothingIsOccupied) {
    setup::LibraryList list = library_of(16, 16, 9, 1);
    setup::AddressState state = card_1_dmx();
    state.selected_protocol = 0;
    state.address_map[1][1][1] = 3;
    setup::AddressPanel panel;
    panel.slots_valid = 1;
    setup::compute_address_slots(panel, state, list);
    EXPECT_EQ(panel.slot_occupancy[1], 0);
    EXPECT_EQ(panel.slots_valid, 0);
}

TEST(AddressSlots, DipSwitchTexts) {
    struct Case {
        int16_t switches, value, address, banks;
        const char* text;
    };
    const Case cases[] = {
        {9, 5, 33, 1, "ADDR:  33 DIPSW: 1,3 on"},
        {9, 0, 1, 1, "ADDR:   1 DIPSW: All off "},
        {12, 4095, 512, 1, "ADDR: 512 DIPSW: 1,2,3,4,5,6,7,8,9,10 on"},  // at most 10 switches
        {9, 2, 2, 2, "ADDR:   2 DIPSW: 2 on DIPSW2: 1,2 on"},               // the next slot's pattern
        {9, 1, 1, 2, "ADDR:   1 DIPSW: 1 on DIPSW2: 2 on"},
    };
    for (const Case& c : cases) EXPECT_EQ(setup::format_dip_switch_text(c.switches, c.value, c.address, c.banks), c.text);
}

// ------------------------------------------------------------------ on the setup screen

constexpr int16_t kMakerKeltro_y = 38;
constexpr int16_t kLibraryRow1_y = 100;

int16_t row_y(int row) { return static_cast<int16_t>(86 + 12 * row + 5); }

class AddressList : public setup_test::SetupScreen {
protected:
    void choose_scan24() {
        open();
        click(200, kMakerKeltro_y);
        click(200, kLibraryRow1_y);
        ASSERT_EQ(setup::library_list.loaded_type.name(), "KELTRO SCAN 24");
    }
    void type_address(const std::string& digits) {
        rig_.press(KEY_EDIT_VALUE, 20);
        for (const char d : digits) rig_.press(digit_key(d - '0'), 20);
        rig_.press(KEY_ENTER, 20);
        rig_.run_ms(20);
    }
};

TEST_F(AddressList, HoveringARowLightsTheLibrarysDefaultsThereAndShowsItsDipSwitches) {
    choose_scan24();
    // Slot 5 of the 24-channel list: addresses 97..120 of card 1.
    hover(50, row_y(4));
    EXPECT_EQ(rig_.dmx(1, 97), 128) << "PAN";
    EXPECT_EQ(rig_.dmx(1, 99), 128) << "TILT";
    EXPECT_EQ(rig_.dmx(1, 115), 255) << "STROBE";
    EXPECT_EQ(rig_.dmx(1, 120), 0) << "LAMP's default";
    EXPECT_EQ(status(), "ADDR:  97 DIPSW: 1,6,7 on");
    // LAMP ON: the lamp function sends its "LAMP ON" value, the others their defaults.
    click(30, 76);
    ASSERT_EQ(setup::address_panel.lamp_on, 1);
    hover(50, row_y(5));
    EXPECT_EQ(rig_.dmx(1, 144), 230);
    EXPECT_EQ(rig_.dmx(1, 121), 128);
    EXPECT_EQ(rig_.dmx(1, 120), 0) << "the row left behind is dark again";
    // Off the list: dark, and the title again.
    hover(300, 300);
    EXPECT_EQ(rig_.dmx(1, 144), 0);
    EXPECT_EQ(rig_.dmx(1, 121), 0);
    EXPECT_EQ(status(), "++ SETUP FIXTURES ++");
}

TEST_F(AddressList, AnAddressOffTheStepTurnsSingleStepsOnAndOutOfRangeIsInvalid) {
    choose_scan24();
    hover(300, 300);
    type_address("30");
    EXPECT_EQ(setup::address_panel.single_step, 1);
    EXPECT_EQ(setup::address_panel.address_increment, 1);
    EXPECT_EQ(setup::address_panel.list_page, 1) << "slot 30 on the second page";
    EXPECT_TRUE(setup_test::drawn("INCR=1"));
    for (const char* wrong : {"0", "600"}) {
        platform::machine().graphics.clear_call_log();
        const int refusals = tones(400, 800);
        type_address(wrong);
        EXPECT_TRUE(setup_test::drawn("INVALID ADDRESS")) << wrong;
        EXPECT_EQ(tones(400, 800), refusals + 1) << wrong;
    }
    const int refusals = tones(400, 800);
    rig_.press(KEY_EDIT_VALUE, 20);
    rig_.press(KEY_ESC, 20);
    rig_.run_ms(20);
    EXPECT_EQ(tones(400, 800), refusals) << "a cancelled entry says nothing";
}

TEST_F(AddressList, PagingBeyondTheListAndStepsOutsideTheCardAreRefused) {
    choose_scan24();
    const int page_refusals = tones(400, 200);
    rig_.press(KEY_PAGE_DOWN, 20);
    EXPECT_EQ(tones(400, 200), page_refusals + 1) << "21 slots: one page";
    setup::AddressPanel& panel = setup::address_panel;
    panel.last_address = -1;
    setup::select_previous_free_block(panel, setup::address_state, setup::library_list);
    EXPECT_EQ(status(), "SELECT FIRST ANOTHER ADRESS") << "no fixture placed yet";
    // From a fixture at address 1 a block back would start at -23; from
    // 481 a block on would run past 512.
    const int short_refusals = tones(400, 50);
    panel.last_address = 1;
    setup::select_previous_free_block(panel, setup::address_state, setup::library_list);
    panel.last_address = 481;
    setup::select_next_free_block(panel, setup::address_state, setup::library_list);
    EXPECT_EQ(tones(400, 50), short_refusals + 2);
    EXPECT_EQ(panel.list_page, 0);
    panel.last_address = 25;
    setup::select_next_free_block(panel, setup::address_state, setup::library_list);
    EXPECT_EQ(platform::machine().mouse.y, 90 + 12 * 2) << "the pointer on slot 3, address 49";
}

}  // namespace
