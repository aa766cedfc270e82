// The fixture firmware upload: the upload file's checks and description
// rows, the UPLOAD FIXTURES panel, the interface, mode and start dialogs,
// and the upload through the card's upload cells as the card firmware
// stand-in answers it (its acknowledgement delay, or no answer at all).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <string>
#include <vector>

#include "runtime/card_discovery.h"
#include "setup/fixture_upload.h"
#include "setup/library_list.h"
#include "setup/upload_file.h"
#include "setup_screen_rig.h"

namespace {

struct Block {
    std::vector<uint8_t> bytes;
    uint32_t pause_ms = 0;
};

void put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}

// An upload file: header, block table at 4131, start record, description, blocks.
std::vector<uint8_t> xu3(const std::string& title, const std::vector<Block>& blocks, const std::string& text = "",
                         uint32_t start_base = 0) {
    std::vector<uint8_t> b(4131, 0);
    b[2] = static_cast<uint8_t>(title.size());
    std::memcpy(&b[3], title.data(), title.size());
    const size_t table = b.size();
    put32(b, 26, static_cast<uint32_t>(blocks.size()));
    put32(b, 30, static_cast<uint32_t>(table));
    b.resize(table + 32 * blocks.size());
    const size_t record = b.size();
    put32(b, 50, static_cast<uint32_t>(record - 16));
    b.resize(record + 69);
    for (uint32_t v = 0; v < 17; ++v) put32(b, record + 1 + 4 * v, start_base + v);
    put32(b, 83, static_cast<uint32_t>(b.size()));
    put32(b, 87, static_cast<uint32_t>(text.size()));
    b.insert(b.end(), text.begin(), text.end());
    for (size_t i = 0; i < blocks.size(); ++i) {
        put32(b, table + 32 * i, static_cast<uint32_t>(b.size()));
        b.insert(b.end(), blocks[i].bytes.begin(), blocks[i].bytes.end());
        put32(b, table + 32 * i + 4, static_cast<uint32_t>(b.size() - 1));
        put32(b, table + 32 * i + 8, blocks[i].pause_ms);
    }
    return b;
}

setup::UploadRead parse(std::vector<uint8_t> bytes) {
    setup::UploadFile file;
    return setup::parse_upload_file(std::move(bytes), file);
}

// ------------------------------------------------------------------ the file

TEST(UploadFile, ABadHeaderIsRefusedWhole) {
    const std::vector<uint8_t> good = xu3("SPOT FW", {{{1, 2, 3}, 10}}, "ABC");
    ASSERT_EQ(parse(good), setup::UploadRead::ok);
    const size_t table = 4131;
    struct Case {
        const char* what;
        size_t at;
        uint32_t value;
        bool byte;
    };
    const Case cases[] = {
        {"title length 200", 2, 200, true},
        {"title length 20", 2, 20, true},
        {"last before first", table + 4, 4131 + 32 + 69 + 3 - 1, false},
        {"last past the end", table + 4, static_cast<uint32_t>(good.size()), false},
        {"block table past the end", 30, static_cast<uint32_t>(good.size() - 16), false},
        {"a huge block count", 26, 0x08000000, false},
        {"start record past the end", 50, static_cast<uint32_t>(good.size() - 80), false},
        {"a huge description", 87, 0xFFFFFFF0, false},
        {"description past the end", 83, static_cast<uint32_t>(good.size()), false},
        {"a pause of days", table + 8, 200'000'000, false},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bad = good;
        if (c.byte) {
            bad[c.at] = static_cast<uint8_t>(c.value);
        } else {
            put32(bad, c.at, c.value);
        }
        EXPECT_EQ(parse(bad), setup::UploadRead::damaged) << c.what;
    }
    EXPECT_EQ(parse(std::vector<uint8_t>(good.begin(), good.begin() + 4130)), setup::UploadRead::damaged) << "short header";
    setup::UploadFile file;
    ASSERT_EQ(setup::parse_upload_file(xu3("NINETEEN CHARACTERS", {{{7}, 0}}), file), setup::UploadRead::ok);
    EXPECT_EQ(file.title, "NINETEEN CHARACTERS");
    ASSERT_EQ(file.blocks.size(), 1u);
    EXPECT_EQ(file.blocks[0].size(), 1u) << "last equal to first: one byte";
    EXPECT_EQ(file.start_values[16], 16u);
}

TEST(UploadFile, TheDescriptionIsHeldAsRowsOf25) {
    const std::string line25 = "ABCDEFGHIJKLMNOPQRSTUVWXY";
    const std::string blank(25, ' ');
    struct Case {
        std::string text;
        std::vector<std::string> rows;
    };
    const Case cases[] = {
        {line25 + "\r\n", {line25, blank}},
        {line25, {line25}},
        {"", {}},
        {"AB\r\n\r\nCD", {"AB" + std::string(23, ' '), "CD" + std::string(23, ' ')}},
        {line25 + "Z\n", {line25, "Z" + std::string(24, ' ')}},
        {"\nX", {blank, "X" + std::string(24, ' ')}},
    };
    for (const Case& c : cases) EXPECT_EQ(setup::split_upload_text(c.text), c.rows) << c.text;
}

// ------------------------------------------------------------------ through the setup screen

constexpr int16_t kUploadMakerY = 20;   // "MARTIN UPLOAD" comes first
constexpr int16_t kLibraryRow1_y = 100;
constexpr int16_t kDialogX = 340;
constexpr int16_t kInterfaceY[5] = {0, 222, 237, 252, 267};
constexpr int16_t kBootY = 222, kFullY = 237, kStartY = 267, kCancelY = 282, kContinueY = 267;
constexpr uint32_t kUploadRun_ms = 40'000;

class FixtureUpload : public setup_test::SetupScreen {
protected:
    // The console is started on the rig with the file in lib\xu3 (the library
    // index is built at start), a card of firmware 422, and the file chosen.
    void SetUp() override { setup_test::lay_out_demo_rig(dir_); }
    void choose_upload_file(const std::vector<uint8_t>& bytes) {
        dir_.write_file("lib/xu3/FW.XU3", bytes);
        platform::CardSettings card = rig::demo_console_card();
        card.firmware_version = {'4', '2', '2'};
        dir_.map_drive(rig_.machine());
        rig_.machine().cards.fit(0, card);
        rig::start_console(rig_, dir_, false);
        ASSERT_FALSE(rig_.finished());
        open();
        click(200, kUploadMakerY);
        click(200, kLibraryRow1_y);
        ASSERT_EQ(setup::library_list.upload_mode, 1);
        ASSERT_EQ(setup::upload_file_stem, "FW");
    }
    // UPLOAD, interface 1 (the C800h card's first output), the mode, START.
    void start_upload(int16_t mode_y) {
        click(478, 418);
        click(kDialogX, kInterfaceY[1]);
        click(kDialogX, mode_y);
        click(kDialogX, kStartY);
    }
    bool run_to_setup_title() {
        return rig_.run_until([] { return std::string(ui::last_message_text.data()) == setup::kSetupTitle; }, kUploadRun_ms);
    }
    std::vector<uint8_t> uploaded() const {
        const std::span<const uint8_t> bytes = platform::machine().cards.uploaded_bytes(0, 1);
        return {bytes.begin(), bytes.end()};
    }
    std::vector<uint8_t> sent(int from, int to) const {
        const std::span<const uint8_t> frame = platform::machine().cards.sent_frame(0, 1);
        return {frame.begin() + from - 1, frame.begin() + to};
    }
    static std::vector<uint8_t> start_slots() {
        std::vector<uint8_t> v(16);
        std::iota(v.begin(), v.end(), uint8_t{41});  // start values 1..16 of a base of 40
        return v;
    }
};

TEST_F(FixtureUpload, TheBlocksGoOutInFileOrderAfterTheStartValuesAndZerosFollowFinishing) {
    const std::vector<Block> blocks = {{{9, 8, 7}, 50}, {{200}, 0}, {{1, 2, 3, 4}, 0}};
    choose_upload_file(xu3("SPOT FW", blocks, "", 40));
    EXPECT_TRUE(setup_test::drawn("SPOT FW"));
    start_upload(kFullY);
    EXPECT_EQ(status(), "++ UPLOADING ++");
    EXPECT_TRUE(rig_.run_until([&] { return sent(1, 16) == start_slots(); }, kUploadRun_ms)) << "the start values on the line";
    EXPECT_EQ(platform::machine().cards.peek_byte(0, setup::upload_data_cell(1)), 40) << "start value 0";
    ASSERT_TRUE(run_to_setup_title());
    EXPECT_EQ(uploaded(), (std::vector<uint8_t>{9, 8, 7, 200, 1, 2, 3, 4}));
    EXPECT_EQ(platform::machine().cards.peek_word(0, setup::kUploadParameterCell), 100);
    EXPECT_EQ(platform::machine().cards.peek_byte(0, setup::upload_command_cell(1)), 0);
    rig_.run_ms(50);
    EXPECT_EQ(sent(1, 16), std::vector<uint8_t>(16, 0));
    EXPECT_TRUE(setup_test::drawn("Finishing"));
    EXPECT_FALSE(setup_test::drawn("Timeout Error"));
    EXPECT_EQ(tones(400, 1000), 0);
}

TEST_F(FixtureUpload, ABootUploadWaitsForContinueAndSendsNoStartValues) {
    choose_upload_file(xu3("SPOT FW", {{{5, 6}, 0}}, "", 40));
    start_upload(kBootY);
    ASSERT_TRUE(rig_.run_until([] { return std::string(ui::last_message_text.data()) == "++ PRESS CONTINUE ++"; }, 2000));
    rig_.run_ms(3000);
    EXPECT_TRUE(uploaded().empty()) << "nothing before CONTINUE";
    click(kDialogX, kContinueY);
    bool start_values_seen = false;
    rig_.run_until([&] {
        start_values_seen = start_values_seen || sent(1, 16) == start_slots();
        return std::string(ui::last_message_text.data()) == setup::kSetupTitle;
    }, kUploadRun_ms);
    EXPECT_FALSE(start_values_seen);
    EXPECT_EQ(uploaded(), (std::vector<uint8_t>{5, 6}));
}

TEST_F(FixtureUpload, ALateAcknowledgementWithTheCounterRightPasses) {
    choose_upload_file(xu3("SPOT FW", {{{1, 2, 3}, 0}, {{4, 5}, 0}}));
    platform::machine().cards.set_upload_ack_delay_ms(0, 40);
    start_upload(kFullY);
    ASSERT_TRUE(run_to_setup_title());
    EXPECT_EQ(uploaded(), (std::vector<uint8_t>{1, 2, 3, 4, 5}));
    EXPECT_FALSE(setup_test::drawn("Timeout Error"));
    EXPECT_FALSE(setup_test::drawn("bytessend Error"));
}

TEST_F(FixtureUpload, TheCounterWrapsAt65536AcrossTheBlocks) {
    std::vector<uint8_t> first(40'000), second(30'000);
    for (size_t i = 0; i < first.size(); ++i) first[i] = static_cast<uint8_t>(i);
    for (size_t i = 0; i < second.size(); ++i) second[i] = static_cast<uint8_t>(i * 7);
    choose_upload_file(xu3("BIG FW", {{first, 0}, {second, 0}}));
    start_upload(kFullY);
    ASSERT_TRUE(run_to_setup_title());
    EXPECT_EQ(uploaded().size(), 70'000u);
    EXPECT_EQ(platform::machine().cards.peek_word(0, setup::kUploadCounterCell), 70'000 - 65'536);
    EXPECT_TRUE(setup_test::drawn("Ending Block 2"));
    EXPECT_FALSE(setup_test::drawn("bytessend Error"));
}

TEST_F(FixtureUpload, NoAcknowledgementStopsTheUploadWithItsMessagesAndTones) {
    choose_upload_file(xu3("SPOT FW", {{{1, 2, 3}, 0}, {{4}, 0}}));
    platform::machine().cards.set_upload_silent(0, true);
    start_upload(kFullY);
    ASSERT_TRUE(run_to_setup_title());
    EXPECT_TRUE(setup_test::drawn("Timeout Error"));
    EXPECT_TRUE(setup_test::drawn("bytessend Error"));
    EXPECT_EQ(tones(400, 1000), 6) << "three for each message";
    EXPECT_TRUE(setup_test::drawn("Ending Block 1"));
    EXPECT_FALSE(setup_test::drawn("Sending Block 2"));
    EXPECT_TRUE(setup_test::drawn("Finishing"));
    EXPECT_EQ(platform::machine().cards.peek_byte(0, setup::upload_command_cell(1)), 0);
}

TEST_F(FixtureUpload, OnlyInterfacesWithFirmware422OrLaterAreSelectable) {
    choose_upload_file(xu3("SPOT FW", {{{1}, 0}}));
    runtime::card_firmware_versions = {422, 421, 422, 0, 500};
    click(478, 418);
    EXPECT_EQ(status(), "++ SELECT INTERFACE ++");
    EXPECT_EQ(rig_.pixel(284, 218), 0) << "interface 1 dark grey on black";
    EXPECT_EQ(rig_.pixel(284, 233), 1) << "interface 2 on blue";
    for (const int i : {1, 3}) {
        click(kDialogX, kInterfaceY[i]);
        EXPECT_TRUE(setup_test::status_drawn("Interface not selectable")) << i;
    }
    rig_.run_ms(1100);
    EXPECT_EQ(tones(400, 1000), 2);
    click(kDialogX, kInterfaceY[4]);
    EXPECT_EQ(status(), "++ SELECT UPLOAD MODE ++");
    click(kDialogX, kCancelY);
    EXPECT_EQ(status(), setup::kSetupTitle);
    EXPECT_TRUE(uploaded().empty());
}

TEST_F(FixtureUpload, AMissingFileSendsNothingAndEndsTheUpload) {
    choose_upload_file(xu3("SPOT FW", {{{1}, 0}}));
    dir_.remove_file("lib/xu3/FW.XU3");
    start_upload(kFullY);
    ASSERT_TRUE(run_to_setup_title());
    EXPECT_TRUE(uploaded().empty());
    EXPECT_TRUE(setup_test::drawn("Finishing"));
    EXPECT_EQ(platform::machine().cards.peek_byte(0, setup::upload_command_cell(1)), 0);
}

TEST_F(FixtureUpload, ThePanelScrollsTheDescriptionAndRefusesADamagedFile) {
    std::string text;
    for (int r = 1; r <= 21; ++r) text += "ROW " + std::to_string(r) + "\r\n";
    choose_upload_file(xu3("SPOT FW", {{{1}, 0}}, text));
    EXPECT_EQ(setup::upload_text_row_count, 21);
    EXPECT_TRUE(setup_test::drawn("SPOT FW"));
    for (int k = 0; k < 25; ++k) click(622, 415);
    EXPECT_EQ(setup::upload_text_top_row, 21) << "no further than the last row";
    click(622, 225);
    EXPECT_EQ(setup::upload_text_top_row, 20);
    std::vector<uint8_t> bad = xu3("SPOT FW", {{{1}, 0}});
    bad[2] = 200;
    dir_.write_file("lib/xu3/FW.XU3", bad);
    platform::machine().graphics.clear_call_log();
    click(200, 20);
    click(200, kLibraryRow1_y);
    EXPECT_TRUE(setup_test::status_drawn(setup::kUploadFileDamaged));
    EXPECT_FALSE(setup_test::drawn("SPOT FW"));
    EXPECT_EQ(setup::upload_text_row_count, 0);
    click(622, 415);
    EXPECT_EQ(setup::upload_text_top_row, 1) << "an empty description does not move";
}

}  // namespace
