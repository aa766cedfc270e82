// Headless, the console's LCD text printed as it changes.
#include "host/lcd_echo.h"

#include <gtest/gtest.h>

#include <string_view>

#include "platform/card_bus.h"

namespace {

// Display d (1..9), line l (1..4) of the card window, as the card lays them out.
void put_lcd(platform::CardBus& cards, int d, int l, std::string_view text) {
    const uint32_t start = 13824 + 85 * static_cast<uint32_t>(d - 1) + 21 * static_cast<uint32_t>(l - 1);
    for (uint32_t i = 0; i < 20; ++i) {
        cards.poke_byte(0, start + i, static_cast<uint8_t>(i < text.size() ? text[i] : ' '));
    }
}

TEST(LcdEcho, PrintsTheMessageDisplayAsOneLineAndOthersByLineOnlyWhenTheyChange) {
    platform::CardBus cards;
    host::LcdEcho echo;
    EXPECT_TRUE(echo.changes(cards).empty()) << "no card";
    ASSERT_TRUE(cards.fit(0));
    EXPECT_TRUE(echo.changes(cards).empty()) << "blank displays print nothing";

    // The message line split over the display at spaces.
    put_lcd(cards, 1, 1, "MEMORY 12 STORED IN");
    put_lcd(cards, 1, 2, "PLAYBACK 3");
    put_lcd(cards, 3, 1, "*TEST-DISPLAY-SEQ.B*");
    put_lcd(cards, 3, 4, "  END");
    std::vector<std::string> lines = echo.changes(cards);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "MESSAGE: MEMORY 12 STORED IN PLAYBACK 3");
    EXPECT_EQ(lines[1], "DISPLAY 3: *TEST-DISPLAY-SEQ.B* |  |  | END");

    EXPECT_TRUE(echo.changes(cards).empty()) << "unchanged: nothing again";
    put_lcd(cards, 1, 2, "PLAYBACK 4");
    lines = echo.changes(cards);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "MESSAGE: MEMORY 12 STORED IN PLAYBACK 4");

    // Cleared: nothing printed; the same text again is a change once more.
    for (int l = 1; l <= 4; ++l) put_lcd(cards, 1, l, "");
    EXPECT_TRUE(echo.changes(cards).empty());
    put_lcd(cards, 1, 1, "MEMORY 12 STORED IN");
    lines = echo.changes(cards);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "MESSAGE: MEMORY 12 STORED IN");
}

}  // namespace
