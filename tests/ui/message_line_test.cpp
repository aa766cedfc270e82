// The message line on the running console: the box's pixels, the graphics
// calls it makes, the console's message display, and the memory and cue state.
#include "ui/message_line.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/graphics.h"
#include "memories/memories.h"
#include "memories/memory_index.h"
#include "playback/cue_tables.h"
#include "playback/key_groups.h"
#include "rig/console.h"
#include "runtime/console_state.h"

namespace {

using platform::Rect;

constexpr Rect kFrame{1, 455, 221, 479};
constexpr Rect kStrip{4, 459, 218, 475};
constexpr int kRed = 4;
constexpr int kYellow = 14;
constexpr int kLightGrey = 7;
constexpr int kMessageDisplay = 0;
const std::string kBlankLine(20, ' ');

int area(const Rect& r) { return (r.x2 - r.x1 + 1) * (r.y2 - r.y1 + 1); }

std::string padded(std::string text) {
    text.resize(20, ' ');
    return text;
}

// The console started on the demo program directory; the message line is
// then driven from the test thread while the console waits in its main loop.
class MessageLine : public ::testing::Test {
protected:
    void SetUp() override {
        rig::start_console(rig_, dir_);
        ASSERT_FALSE(rig_.finished());
        platform::_cleardevice();
        graphics().clear_call_log();
        memories::current_memory = 1;
        memories::memory_used.fill(0);
        playback::cue_point_flags.fill(0);
        for (auto& header : playback::cue_header_table) header.programmed = 0;
        runtime::mode_flags &= ~runtime::MODE_CUE_SCREEN;
    }

    platform::Graphics& graphics() { return rig_.machine().graphics; }
    std::string lcd(int line) const { return rig_.lcd(kMessageDisplay, line); }
    std::vector<std::string> calls() { return graphics().call_log(); }

    bool drew_text(const std::string& text) {
        const std::string call = "_outtextxy(6,464,\"" + text + "\")";
        const std::vector<std::string> log = calls();
        return std::find(log.begin(), log.end(), call) != log.end();
    }

    // Writes over the message display, so a test can see whether it is written again.
    void scribble_on_display() {
        for (uint32_t line = 0; line < 4; ++line) {
            for (uint32_t column = 0; column < 20; ++column) {
                rig_.machine().cards.poke_byte(0, 0x3600 + 21 * line + column, '#');
            }
        }
    }

    static void set_cue_screen(int16_t page, int16_t cue, int16_t point) {
        runtime::mode_flags |= runtime::MODE_CUE_SCREEN;
        playback::current_cue_page = page;
        playback::current_cue = cue;
        playback::current_cue_point = point;
    }

    static int cue_slot(int page, int cue, int point) { return (page - 1) * 700 + (cue - 1) * 10 + point; }

    rig::ProgramDir dir_ = rig::ProgramDir::demo();
    rig::Rig rig_;
};

TEST_F(MessageLine, MessageIsDrawnInTheRedStripInYellowFromItsLeftEdge) {
    ui::show_message("MEMORY %d STORED", 12);

    EXPECT_EQ(ui::current_message(), "MEMORY 12 STORED");
    const int red = platform::count_pixels(kRed, kStrip);
    const int yellow = platform::count_pixels(kYellow, kStrip);
    EXPECT_GT(yellow, 0);
    EXPECT_EQ(red + yellow, area(kStrip));  // the strip is red except for the text
    const auto ink = platform::ink_bounds(kRed, kStrip);
    ASSERT_TRUE(ink.has_value());
    EXPECT_EQ(ink->x1, 6);
    EXPECT_EQ(ink->y1, 464);
    EXPECT_EQ(ink->y2, 470);  // capitals and digits take 7 rows at size 4
    EXPECT_LT(ink->x2, 6 + platform::text_width_px(platform::kSmallFont, 4, "MEMORY 12 STORED"));
    // Nothing outside the strip is touched.
    EXPECT_EQ(platform::count_pixels(0, kFrame), area(kFrame) - area(kStrip));

    // The style, fill and colour are left as the message set them.
    EXPECT_EQ(graphics().text.font, platform::kSmallFont);
    EXPECT_EQ(graphics().text.direction, platform::kHorizontalText);
    EXPECT_EQ(graphics().text.char_size, 4);
    EXPECT_EQ(graphics().fill_pattern, platform::kSolidFill);
    EXPECT_EQ(graphics().fill_colour, kRed);
    EXPECT_EQ(graphics().colour, kYellow);
}

TEST_F(MessageLine, MessageIsCopiedToTheMessageDisplaySplitAtTheLastSpaceWithinTwentyCharacters) {
    struct Case {
        const char* text;
        const char* line_a;
        const char* line_b;
    };
    const Case cases[] = {
        {"SELECT CUES MULTISELECTED", "SELECT CUES", "MULTISELECTED"},  // last space at position 12
        {"NOT ENOUGH MEMORY", "NOT ENOUGH MEMORY", ""},
        {"WING CONNECTION LOST....", "WING CONNECTION", "LOST...."},
        {"ABCDEFGHIJKLMNOPQRSTUV WX", "", "ABCDEFGHIJKLMNOPQRSTUV WX"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ui::show_message("%s", c.text);
        EXPECT_EQ(lcd(0), kBlankLine);
        EXPECT_EQ(lcd(1), padded(c.line_a));
        EXPECT_EQ(lcd(2), padded(std::string(c.line_b).substr(0, 20)));
        EXPECT_EQ(lcd(3), kBlankLine);
    }
}

TEST_F(MessageLine, SameMessageTwiceIsDrawnAndSentOnce) {
    ui::show_message("GIVE MEMORY NUMBER");
    EXPECT_TRUE(drew_text("GIVE MEMORY NUMBER"));
    graphics().clear_call_log();
    scribble_on_display();

    ui::show_message("GIVE %s NUMBER", "MEMORY");
    EXPECT_TRUE(calls().empty());
    EXPECT_EQ(lcd(1), std::string(20, '#'));

    // Capitals and small letters are distinct.
    ui::show_message("Give memory number");
    EXPECT_TRUE(drew_text("Give memory number"));
    EXPECT_EQ(lcd(1), padded("Give memory number"));
}

TEST_F(MessageLine, ClearMessageDrawsTheEmptyBoxAndThenTheMemoryState) {
    runtime::option_flags &= ~runtime::OPT_MEMORY_STATE_SHOWN;
    ui::clear_message();

    EXPECT_NE(runtime::option_flags & runtime::OPT_MEMORY_STATE_SHOWN, 0u);
    const std::vector<std::string> log = calls();
    const auto at = [&](const std::string& call) { return std::find(log.begin(), log.end(), call) - log.begin(); };
    const auto end = static_cast<long>(log.size());
    ASSERT_LT(at("_rectangle(1,455,221,479)"), end);
    ASSERT_LT(at("_bar(3,457,219,477)"), end);
    ASSERT_LT(at("_bar(4,459,218,475)"), end);
    EXPECT_LT(at("_rectangle(1,455,221,479)"), at("_bar(3,457,219,477)"));
    EXPECT_LT(at("_bar(3,457,219,477)"), at("_bar(4,459,218,475)"));

    // Grey frame, yellow border inside it, red strip with the state text.
    EXPECT_EQ(rig_.pixel(1, 455), kLightGrey);
    EXPECT_EQ(rig_.pixel(221, 479), kLightGrey);
    EXPECT_EQ(rig_.pixel(110, 455), kLightGrey);
    EXPECT_EQ(rig_.pixel(2, 456), 0);
    EXPECT_EQ(rig_.pixel(3, 457), kYellow);
    EXPECT_EQ(rig_.pixel(219, 477), kYellow);
    EXPECT_EQ(rig_.pixel(4, 459), kRed);
    EXPECT_EQ(ui::current_message(), "MEMORY 1 IS EMPTY");
    EXPECT_EQ(lcd(1), padded("MEMORY 1 IS EMPTY"));
}

TEST_F(MessageLine, ClearMessageForgetsTheTextSoTheSameTextIsDrawnAndSentAgain) {
    ui::show_message("MEMORY %d IS EMPTY", 1);
    graphics().clear_call_log();
    scribble_on_display();

    ui::clear_message();  // the state line is the very text that was shown

    EXPECT_TRUE(drew_text("MEMORY 1 IS EMPTY"));
    EXPECT_EQ(lcd(1), padded("MEMORY 1 IS EMPTY"));
}

TEST_F(MessageLine, MessageAClearAndMessageAAgainIsDrawnAgain) {
    ui::show_message("STORE TO MEMORY");
    ui::clear_message();
    graphics().clear_call_log();
    scribble_on_display();

    ui::show_message("STORE TO MEMORY");

    EXPECT_TRUE(drew_text("STORE TO MEMORY"));
    EXPECT_EQ(lcd(1), padded("STORE TO MEMORY"));
}

TEST_F(MessageLine, MemoryStateShowsWhetherTheCurrentMemoryIsProgrammed) {
    runtime::option_flags |= runtime::OPT_MEMORY_STATE_SHOWN;
    memories::current_memory = 250;
    memories::memory_used[250] = 1;
    ui::show_in_use_status();
    EXPECT_EQ(ui::current_message(), "MEMORY 250 IS IN USE");

    memories::current_memory = 251;
    memories::memory_used[250] = 1;
    memories::memory_used[252] = 1;
    ui::show_in_use_status();
    EXPECT_EQ(ui::current_message(), "MEMORY 251 IS EMPTY");

    memories::current_memory = 4000;
    memories::memory_used[4000] = 1;
    ui::show_in_use_status();
    EXPECT_EQ(ui::current_message(), "MEMORY 4000 IS IN USE");
}

TEST_F(MessageLine, MemoryOutsideTheTableReadsAsEmpty) {
    memories::memory_used.fill(1);
    ui::show_memory_in_use(0);
    EXPECT_EQ(ui::current_message(), "MEMORY 0 IS EMPTY");
    ui::show_memory_in_use(4001);
    EXPECT_EQ(ui::current_message(), "MEMORY 4001 IS EMPTY");
    ui::show_memory_in_use(-1);
    EXPECT_EQ(ui::current_message(), "MEMORY -1 IS EMPTY");
}

TEST_F(MessageLine, CueStateOnTheCueScreen) {
    struct Case {
        int16_t page, cue, point;
        std::initializer_list<int> programmed_slots;
        int point_flags_cue;  // whole cue whose point flags are 2, 0 none
        const char* expected;
    };
    const Case cases[] = {
        // Point 1 empty, point 3 programmed.
        {2, 5, 1, {cue_slot(2, 5, 3)}, 75, "CUE 5 (P 2) HAS POINTCUES (75)"},
        {1, 12, 4, {cue_slot(1, 12, 4)}, 0, "CUE 12.3 (PAGE 1) IS IN USE (12.3)"},
        {1, 9, 1, {cue_slot(1, 9, 1)}, 9, "CUE 9.0 (PAGE 1) IS IN USE (9.0)"},
        {3, 7, 1, {cue_slot(3, 6, 10), cue_slot(3, 7, 2)}, 0, "CUE 7 (PAGE 3) IS EMPTY (147)"},
        {3, 7, 3, {cue_slot(3, 7, 2), cue_slot(3, 7, 4)}, 147, "CUE 7.2 (PAGE 3) IS EMPTY (147.2)"},
        {16, 70, 10, {cue_slot(16, 70, 10)}, 0, "CUE 70.9 (PAGE 16) IS IN USE (1120.9)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        for (auto& header : playback::cue_header_table) header.programmed = 0;
        playback::cue_point_flags.fill(0);
        for (int slot : c.programmed_slots) playback::cue_header_table[static_cast<size_t>(slot)].programmed = 1;
        if (c.point_flags_cue != 0) playback::cue_point_flags[static_cast<size_t>(c.point_flags_cue)] = 2;
        set_cue_screen(c.page, c.cue, c.point);

        ui::clear_message();

        EXPECT_EQ(ui::current_message(), c.expected);
    }
}

TEST_F(MessageLine, WithTheStateFlagClearedTheDialogPromptStays) {
    ui::show_message("SELECT RELATIVE MODE [1..7]");
    runtime::option_flags &= ~(runtime::OPT_MEMORY_STATE_SHOWN | runtime::OPT_CUE_PANEL);
    graphics().clear_call_log();

    ui::show_in_use_status();

    EXPECT_TRUE(calls().empty());
    EXPECT_EQ(ui::current_message(), "SELECT RELATIVE MODE [1..7]");
}

TEST_F(MessageLine, RedrawCuePanelPutsTheCueStateBackOnTheLine) {
    set_cue_screen(1, 3, 1);
    ui::show_message("GIVE POINTCUE");
    runtime::option_flags &= ~runtime::OPT_MEMORY_STATE_SHOWN;

    ui::redraw_cue_panel();

    EXPECT_NE(runtime::option_flags & runtime::OPT_MEMORY_STATE_SHOWN, 0u);
    EXPECT_EQ(ui::current_message(), "CUE 3 (PAGE 1) IS EMPTY (3)");
    EXPECT_EQ(lcd(1), padded("CUE 3 (PAGE 1) IS"));
    EXPECT_EQ(lcd(2), padded("EMPTY (3)"));
}

TEST_F(MessageLine, MessageEqualToTheStateLineFromAnotherCallerIsNotRedrawn) {
    ui::clear_message();
    ASSERT_EQ(ui::current_message(), "MEMORY 1 IS EMPTY");
    graphics().clear_call_log();
    scribble_on_display();

    ui::show_message("MEMORY %d IS %s", 1, "EMPTY");

    EXPECT_TRUE(calls().empty());
    EXPECT_EQ(lcd(1), std::string(20, '#'));
}

TEST_F(MessageLine, TextWrittenByTheFixtureSetupBoxCountsAsShown) {
    std::strcpy(ui::last_message_text.data(), "FIXTURE SETUP SAVED");
    scribble_on_display();

    ui::show_message("FIXTURE SETUP SAVED");

    EXPECT_TRUE(calls().empty());
    EXPECT_EQ(lcd(1), std::string(20, '#'));
}

TEST_F(MessageLine, LongMessageIsCutToSeventyNineCharacters) {
    std::string long_text;
    for (int i = 0; i < 15; ++i) long_text += "WORD" + std::to_string(i % 10) + " ";  // 90 characters
    ui::show_message("%s AND MORE %s", long_text.c_str(), long_text.c_str());  // 190 formatted

    const std::string kept = long_text.substr(0, 79);
    EXPECT_EQ(ui::current_message(), kept);
    EXPECT_EQ(ui::last_message_text[79], '\0');
    EXPECT_TRUE(drew_text(kept));
    EXPECT_EQ(lcd(1), padded("WORD0 WORD1 WORD2"));
    EXPECT_EQ(lcd(2), padded(kept.substr(18, 20)));
    // The text runs on past the strip in yellow; it is not cut to the box.
    EXPECT_GT(platform::count_pixels(kYellow, Rect{219, 459, 639, 475}), 0);

    // A message that differs only after the 79th character is the same message.
    graphics().clear_call_log();
    ui::show_message("%sXYZ", kept.c_str());
    EXPECT_TRUE(calls().empty());
}

TEST_F(MessageLine, SeventyNineCharactersAreKeptWhole) {
    const std::string text(79, 'A');
    ui::show_message("%s", text.c_str());
    EXPECT_EQ(ui::current_message(), text);
}

}  // namespace
