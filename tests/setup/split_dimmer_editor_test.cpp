// The split dimmer patch editor driven as the operator drives it: the demo
// library's 4-channel LED par (soft-patch rule 2) placed at an address
// opens the editor with its dimmer there and its block of three functions
// at the next address; the three change buttons move the entries to
// addresses typed and clicked in the address list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/machine.h"
#include "runtime/key_codes.h"
#include "setup/address_list.h"
#include "setup/library_list.h"
#include "setup/soft_patch.h"
#include "setup_screen_rig.h"

namespace {

using namespace runtime;  // key codes
using setup::SoftPatchEntry;
using Entries = std::vector<SoftPatchEntry>;

constexpr int16_t kMakerTrenva_y = 71;
constexpr int16_t kParRow_y = 100;  // TRENVA LED PAR 4, alone under its maker
constexpr int16_t kNew = 13;
constexpr int16_t kBlock = 104;  // the block code of four channels

constexpr int16_t kDimmerButton_y = 67;
constexpr int16_t kFunctionsButton_y = 127;
constexpr int16_t kGlobalButton_y = 164;

int16_t row_y(int row) { return static_cast<int16_t>(86 + 12 * row + 5); }

class SplitDimmerEditor : public setup_test::SetupScreen {
protected:
    // The par placed at the address of slot 26 of card 1; the editor open.
    void open_editor() {
        open();
        click(200, kMakerTrenva_y);
        click(200, kParRow_y);
        ASSERT_TRUE(setup::library_loaded(setup::library_list));
        placed_at_ = setup::slot_address(setup::address_panel, 26);
        click(50, row_y(25));
        click(300, 300);
        rig_.run_ms(100);
        ASSERT_EQ(fixture_count(), kNew);
    }
    // An address typed in the picker (EDIT VALUE), then its row clicked.
    void pick_address(int16_t address) {
        rig_.press(KEY_EDIT_VALUE, 20);
        for (const char c : std::to_string(address)) rig_.press(digit_key(c - '0'), 20);
        rig_.press(KEY_ENTER, 20);
        rig_.run_ms(50);
        const setup::AddressPanel& panel = setup::address_panel;
        for (int s = 1; s <= panel.slot_count; ++s) {
            if (setup::slot_address(panel, s) != address) continue;
            ASSERT_EQ(panel.list_page, (s - 1) / 27) << "the typed address is shown";
            click(50, row_y((s - 1) % 27));
            rig_.run_ms(150);
            return;
        }
        FAIL() << "no row for address " << address;
    }
    void change(int16_t button_y, int16_t address) {
        click(500, button_y);
        rig_.run_ms(150);
        pick_address(address);
    }
    // Record 12 (a demo dimmer) split-patched, its entries after the par's.
    static void split_record_12(int16_t dimmer, int16_t block) {
        setup::setup_edit_copy.set_i16(setup::SetupData::fixture_field(12, setup::kFixtureAddress), -1);
        setup::soft_patch_list.push_back({12, 50, 1, dimmer});
        setup::soft_patch_list.push_back({12, 101, 1, block});
    }

    int16_t placed_at_ = 0;
};

TEST_F(SplitDimmerEditor, PlacingMakesTheDimmerAndTheBlockAndTheGlobalChangeMovesBoth) {
    open_editor();
    const int16_t a = placed_at_;
    EXPECT_EQ(setup::soft_patch_list, (Entries{{kNew, 50, 1, a}, {kNew, kBlock, 1, static_cast<int16_t>(a + 1)}}));
    EXPECT_EQ(fixture(kNew).address, -1);
    EXPECT_TRUE(setup_test::drawn("SPLIT DIMMERPATCH "));
    EXPECT_TRUE(setup_test::drawn("DMX OUT 1  AD " + std::to_string(a)));
    EXPECT_TRUE(setup_test::drawn("DMX OUT 1  AD " + std::to_string(a + 1) + " -> " + std::to_string(a + 3)));
    EXPECT_EQ(status(), "SELECT DIMMER / FUNCTIONS TO PATCH");
    platform::machine().graphics.clear_call_log();
    change(kGlobalButton_y, 301);
    EXPECT_EQ(setup::soft_patch_list, (Entries{{kNew, 50, 1, 301}, {kNew, kBlock, 1, 302}}));
    EXPECT_TRUE(setup_test::drawn("DMX OUT 1  AD 302 -> 304"));
    EXPECT_EQ(status(), "SELECT THE FUNCTION TO PATCH");
}

TEST_F(SplitDimmerEditor, OnlyAnotherFixturesEqualStartAddressAsksToOverwrite) {
    open_editor();
    setup::soft_patch_list = {{kNew, 50, 1, 201}, {kNew, kBlock, 1, 205}};
    split_record_12(302, 305);
    const Entries others = {{12, 50, 1, 302}, {12, 101, 1, 305}};
    const auto with = [&](int16_t dimmer, int16_t block) {
        Entries e = {{kNew, 50, 1, dimmer}, {kNew, kBlock, 1, block}};
        e.insert(e.end(), others.begin(), others.end());
        return e;
    };
    // The dimmer into its own block's start: no prompt.
    change(kDimmerButton_y, 205);
    EXPECT_EQ(setup::soft_patch_list, with(205, 205));
    // The block over the other fixture's dimmer (302 lies in 301..303), its
    // start another address: no prompt.
    change(kFunctionsButton_y, 301);
    EXPECT_EQ(setup::soft_patch_list, with(205, 301));
    // The block onto the other's block start: the prompt; no keeps both.
    const int prompts = tones(400, 1300);
    change(kFunctionsButton_y, 305);
    rig_.run_ms(1400);
    EXPECT_EQ(tones(400, 1300), prompts + 1);
    EXPECT_TRUE(setup_test::status_drawn("CHANNEL USED FOR FIXTURE 12.1 CHANNEL 101"));
    EXPECT_EQ(status(), "OVERWRITE PATCH?    (LMB=YES RMB=NO)");
    click(500, 100, setup_test::kRight);
    rig_.run_ms(100);
    EXPECT_EQ(setup::soft_patch_list, with(205, 301));
    // Yes: the other's entry goes, the par's block moves there.
    change(kFunctionsButton_y, 305);
    rig_.run_ms(1400);
    click(500, 100);
    rig_.run_ms(100);
    EXPECT_EQ(setup::soft_patch_list, (Entries{{kNew, 50, 1, 205}, {kNew, kBlock, 1, 305}, {12, 50, 1, 302}}));
}

TEST_F(SplitDimmerEditor, APickThatWouldPassAddress512IsRefused) {
    open_editor();
    setup::soft_patch_list = {{kNew, 50, 1, 201}, {kNew, kBlock, 1, 205}};
    struct Case {
        int16_t button_y;
        int16_t address;
        bool refused;
    };
    const Case cases[] = {
        {kGlobalButton_y, 510, true},     // the block would reach 513
        {kFunctionsButton_y, 511, true},  // 511..513
        {kFunctionsButton_y, 510, false}, // 510..512
        {kDimmerButton_y, 512, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address);
        platform::machine().graphics.clear_call_log();
        const Entries before = setup::soft_patch_list;
        const int refusals = tones(400, 800);
        change(c.button_y, c.address);
        EXPECT_EQ(tones(400, 800) - refusals, c.refused ? 1 : 0);
        EXPECT_EQ(setup_test::status_drawn("THE ADDRESSES OF SOME CHANNELS WILL BE OUT OF RANGE (>512)"), c.refused);
        EXPECT_EQ(setup::soft_patch_list != before, !c.refused);
    }
    EXPECT_EQ(setup::soft_patch_list, (Entries{{kNew, 50, 1, 512}, {kNew, kBlock, 1, 510}}));
}

TEST_F(SplitDimmerEditor, AFixtureWithoutEntriesGetsEachAtItsFirstPick) {
    open_editor();
    setup::soft_patch_list.clear();
    change(kFunctionsButton_y, 401);
    change(kDimmerButton_y, 17);
    EXPECT_EQ(setup::soft_patch_list, (Entries{{kNew, kBlock, 1, 401}, {kNew, 50, 1, 17}}));
    // A cancelled pick changes nothing.
    const int refusals = tones(400, 800);
    click(500, kDimmerButton_y);
    rig_.run_ms(150);
    click(50, row_y(3), setup_test::kRight);
    rig_.run_ms(100);
    EXPECT_EQ(tones(400, 800), refusals + 1);
    EXPECT_EQ(setup::soft_patch_list, (Entries{{kNew, kBlock, 1, 401}, {kNew, 50, 1, 17}}));
}

}  // namespace
