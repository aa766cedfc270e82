// The multipatch editor driven as the operator drives it: a one-channel
// dimmer placed on the MULTIPATCH row opens the editor on its only
// function; ADD CHANNEL picks output slots in the address list, EDIT VALUE
// types them on the keypad; the checks of an addition, the overwrite
// prompt, deleting, and the function's slots lit on the outputs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/machine.h"
#include "runtime/console_flags.h"
#include "runtime/key_codes.h"
#include "setup/address_list.h"
#include "setup/library_list.h"
#include "setup/multipatch_editor.h"
#include "setup/soft_patch.h"
#include "setup_screen_rig.h"

namespace {

using namespace runtime;  // key codes
using setup::SoftPatchEntry;
using Entries = std::vector<SoftPatchEntry>;

constexpr int16_t kMakerGeneric_y = 20;
constexpr int16_t kDimmerRow_y = 100;  // GENERIC DIMMER, one channel, soft-patch rule 1
constexpr int16_t kNew = 13;           // the placed dimmer's record (and number: key 13, page 1)

int16_t row_y(int row) { return static_cast<int16_t>(86 + 12 * row + 5); }

class MultipatchEditor : public setup_test::SetupScreen {
protected:
    // The setup opened and a dimmer placed on the MULTIPATCH row: the
    // editor is open on function 1.
    void open_editor() {
        open();
        click(200, kMakerGeneric_y);
        click(200, kDimmerRow_y);
        ASSERT_TRUE(setup::library_loaded(setup::library_list));
        click(50, row_y(27));
        click(300, 300);
        rig_.run_ms(100);
        ASSERT_EQ(fixture_count(), kNew);
        ASSERT_EQ(status(), "SELECT THE FUNCTION TO PATCH");
    }
    // ADD CHANNEL, then a click on an address row of card 1 (demo dimmer
    // slots are single addresses: row r is address r + 1) or a right click.
    void add_channel(int row, uint16_t buttons = setup_test::kLeft) {
        click(490, 165);
        rig_.run_ms(150);
        click(50, row_y(row), buttons);
        rig_.run_ms(150);
    }
    void keys(const std::vector<int16_t>& sequence) {
        for (const int16_t k : sequence) rig_.press(k, 20);
        rig_.run_ms(100);
    }
    // Record 12 (the demo's second dimmer) multipatched with one entry.
    static void multipatch_record_12(int16_t address) {
        setup::setup_edit_copy.set_i16(setup::SetupData::fixture_field(12, setup::kFixtureAddress), 0);
        setup::soft_patch_list.insert(setup::soft_patch_list.begin(), SoftPatchEntry{12, 1, 1, address});
    }
};

TEST_F(MultipatchEditor, APickedAddressIsListedAndLitAndTheSameOneAgainIsRefused) {
    open_editor();
    add_channel(4);
    EXPECT_EQ(setup::soft_patch_list, (Entries{{kNew, 1, 1, 5}}));
    EXPECT_TRUE(setup_test::drawn("DMX OUT 1  ADDRESS 5"));
    EXPECT_EQ(rig_.dmx(1, 5), 128) << "the function's slot is lit while the editor is open";
    EXPECT_EQ(rig_.dmx(1, 4), 0);
    const int refusals = tones(400, 800);
    add_channel(4);
    EXPECT_TRUE(setup_test::status_drawn("CHANNEL ALREADY PATCHED FOR THIS FUNCTION"));
    EXPECT_EQ(tones(400, 800), refusals + 1);
    EXPECT_EQ(setup::soft_patch_list.size(), 1u);
    // Leaving darkens the outputs.
    click(500, 100, setup_test::kRight);
    rig_.run_ms(50);
    EXPECT_EQ(rig_.dmx(1, 5), 0);
}

TEST_F(MultipatchEditor, ThePickerStartsAtTheLastPickAndACancelledPickKeepsIt) {
    open_editor();
    click(490, 165);
    rig_.run_ms(150);
    EXPECT_EQ(setup::address_panel.list_page, 0) << "a new opening starts at address 1";
    rig_.press(KEY_PAGE_DOWN, 20);
    click(50, row_y(2));  // address 30 on the second page
    rig_.run_ms(150);
    ASSERT_EQ(setup::soft_patch_list, (Entries{{kNew, 1, 1, 30}}));
    const int refusals = tones(400, 800);
    for (int pick = 0; pick < 2; ++pick) {
        click(490, 165);
        rig_.run_ms(150);
        EXPECT_EQ(setup::address_panel.list_page, 1) << "the picker shows address 30";
        click(50, row_y(5), setup_test::kRight);
        rig_.run_ms(150);
    }
    EXPECT_EQ(tones(400, 800), refusals + 2) << "each cancel is refused with a tone";
    EXPECT_EQ(setup::soft_patch_list, (Entries{{kNew, 1, 1, 30}}));
}

TEST_F(MultipatchEditor, ATakenChannelAsksToOverwriteAndYesMovesTheEntryInPlace) {
    open_editor();
    multipatch_record_12(3);
    setup::soft_patch_list.push_back({kNew, 1, 1, 9});
    struct Case {
        uint16_t answer;
        Entries expected;
    };
    const Case cases[] = {
        {setup_test::kRight, {{12, 1, 1, 3}, {kNew, 1, 1, 9}}},  // no: unchanged
        {setup_test::kLeft, {{kNew, 1, 1, 3}, {kNew, 1, 1, 9}}},  // yes: rewritten where it stood, nothing appended
    };
    for (const Case& c : cases) {
        platform::machine().graphics.clear_call_log();
        click(490, 165);
        rig_.run_ms(150);
        click(50, row_y(2));  // address 3
        rig_.run_ms(1500);    // past the 1300 ms tone
        EXPECT_TRUE(setup_test::status_drawn("CHANNEL USED FOR FIXTURE 12.1 CHANNEL 1")) << "key first, then page";
        EXPECT_EQ(status(), "OVERWRITE PATCH?    (LMB=YES RMB=NO)");
        EXPECT_EQ(rig_.key_led(KEY_ENTER), platform::LedState::blinking);
        click(500, 100, c.answer);
        rig_.run_ms(100);
        EXPECT_EQ(setup::soft_patch_list, c.expected);
        EXPECT_EQ(rig_.key_led(KEY_ENTER), platform::LedState::off);
        EXPECT_EQ(status(), "SELECT THE FUNCTION TO PATCH");
    }
}

TEST_F(MultipatchEditor, TheKeypadCollectsSlotsWithPlusRangeMinusAndCardPrefixes) {
    open_editor();
    const int16_t k1 = digit_key(1), k2 = digit_key(2), k3 = digit_key(3), k4 = digit_key(4), k5 = digit_key(5),
                  k7 = digit_key(7), k9 = digit_key(9), k0 = KEY_DIGIT_0;
    struct Case {
        const char* what;
        std::vector<int16_t> keys;
        std::vector<int> slots;
    };
    const Case cases[] = {
        {"1 + 2.5", {k1, KEY_PLUS, k2, KEY_POINT, k5, KEY_ENTER}, {1, 517}},
        {"1 THRU 10 - 3 THRU 5", {k1, KEY_RANGE, k1, k0, KEY_MINUS, k3, KEY_RANGE, k5, KEY_ENTER}, {1, 2, 6, 7, 8, 9, 10}},
        {"7 + ESC", {k7, KEY_PLUS, KEY_ESC}, {7}},
        {"card 4 though two are installed", {k4, KEY_POINT, k9, KEY_ENTER}, {3 * 512 + 9}},
        {"10 THRU 8, either order", {k1, k0, KEY_RANGE, digit_key(8), KEY_ENTER}, {10, 9, 8}},
        {"an address above 512 is dropped", {digit_key(6), k0, k0, KEY_PLUS, k2, KEY_ENTER}, {2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        setup::soft_patch_list.clear();
        rig_.press(KEY_EDIT_VALUE, 20);
        rig_.run_ms(50);
        EXPECT_EQ(status(), "ADD CHANNELS");
        keys(c.keys);
        Entries expected;
        for (const int s : c.slots) {
            expected.push_back({kNew, 1, static_cast<uint8_t>((s - 1) / 512 + 1), static_cast<int16_t>((s - 1) % 512 + 1)});
        }
        EXPECT_EQ(setup::soft_patch_list, expected);
        EXPECT_EQ(rig_.key_led(KEY_RANGE), platform::LedState::off);
    }
}

TEST_F(MultipatchEditor, TheKeypadSlotTheFunctionHasRaisesThePromptAndNeitherAnswerAddsOne) {
    open_editor();
    setup::soft_patch_list = {{kNew, 1, 1, 4}};
    for (const uint16_t answer : {setup_test::kRight, setup_test::kLeft}) {
        platform::machine().graphics.clear_call_log();
        rig_.press(KEY_EDIT_VALUE, 20);
        keys({digit_key(4), KEY_ENTER});
        rig_.run_ms(1500);
        EXPECT_TRUE(setup_test::status_drawn("CHANNEL 1.4 USED FOR  13.1 CHANNEL 1"));
        click(500, 100, answer);
        rig_.run_ms(100);
        EXPECT_EQ(setup::soft_patch_list, (Entries{{kNew, 1, 1, 4}}));
    }
}

TEST_F(MultipatchEditor, RowsPageByElevenAndDeleteChannelTakesTheSelectedRowOfItsPage) {
    open_editor();
    setup::soft_patch_list.clear();
    for (int16_t a = 1; a <= 12; ++a) setup::soft_patch_list.push_back({kNew, 1, 1, a});
    rig_.press(KEY_EDIT_VALUE, 20);
    keys({KEY_ESC});  // the panel drawn anew with its 12 rows
    EXPECT_EQ(setup::soft_patch_rows, 12);
    click(617, 147);  // down arrow: page 2 holds the 12th alone
    EXPECT_EQ(setup::soft_patch_list_page, 1);
    click(617, 147);
    EXPECT_EQ(setup::soft_patch_list_page, 1) << "no page 3";
    click(500, 60);  // a row below the last clears the selection
    EXPECT_EQ(setup::soft_patch_selected_row, 0);
    click(500, 50);  // the first row of page 2: entry 12
    EXPECT_EQ(setup::soft_patch_selected_row, 12);
    EXPECT_EQ(rig_.dmx(1, 12), 128);
    EXPECT_EQ(rig_.dmx(1, 11), 64) << "the other slots of the function at half";
    click(490, 180);  // DELETE CHANNEL
    ASSERT_EQ(setup::soft_patch_list.size(), 11u);
    EXPECT_EQ(setup::soft_patch_list.back().address, 11);
    click(490, 180);  // no row selected: nothing
    EXPECT_EQ(setup::soft_patch_list.size(), 11u);
    click(580, 180);  // DELETE PATCH has no action
    EXPECT_EQ(setup::soft_patch_list.size(), 11u);
    setup::soft_patch_list.push_back({12, 1, 1, 40});
    click(580, 165);  // DELETE ALL: the function's entries only
    EXPECT_EQ(setup::soft_patch_list, (Entries{{12, 1, 1, 40}}));
}

TEST_F(MultipatchEditor, NothingIsLitWhileBlind) {
    open_editor();
    setup::soft_patch_list = {{kNew, 1, 1, 6}};
    runtime::run_flags |= runtime::RUN_BLIND;
    rig_.press(KEY_EDIT_VALUE, 20);
    keys({KEY_ESC});  // the panel drawn anew with the row
    click(500, 50);  // the row: the function relit
    EXPECT_EQ(setup::soft_patch_selected_row, 1);
    EXPECT_EQ(rig_.dmx(1, 6), 0);
    runtime::run_flags &= ~runtime::RUN_BLIND;
    click(500, 50);
    EXPECT_EQ(rig_.dmx(1, 6), 128);
}

TEST_F(MultipatchEditor, WithoutMemoryForTheListAnAdditionIsRefusedAndTheListKept) {
    open_editor();
    setup::soft_patch_list = {{kNew, 1, 1, 6}};
    setup::setup_list_memory = [](size_t) { return false; };
    add_channel(7);
    EXPECT_TRUE(setup_test::status_drawn("NOT ENOUGH MEMORY"));
    EXPECT_EQ(setup::soft_patch_list, (Entries{{kNew, 1, 1, 6}}));
}

}  // namespace
