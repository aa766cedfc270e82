// The PC keys of the console's playback faders: the key table and the fader
// byte they move on the console card.
#include "host/fader_keys.h"

#include <gtest/gtest.h>

namespace {

TEST(FaderKeys, DigitsOneToZeroAreTheTenFaders) {
    const struct {
        char key;
        bool shift;
        int playback;
        int change;
    } cases[] = {
        {'1', false, 1, 32}, {'9', false, 9, 32}, {'0', false, 10, 32}, {'1', true, 1, -32},
        {'0', true, 10, -32}, {'a', false, 0, 0}, {'!', false, 0, 0}, {'\0', false, 0, 0},
    };
    for (const auto& c : cases) {
        const host::FaderMove move = host::fader_move_of(c.key, c.shift);
        EXPECT_EQ(move.playback, c.playback) << c.key << c.shift;
        EXPECT_EQ(move.change, c.change) << c.key << c.shift;
    }
}

TEST(FaderKeys, TheFaderStopsAtBothEndsOfItsTravel) {
    platform::CardBus cards;
    ASSERT_TRUE(cards.fit(0));
    int raw = 0;
    for (int i = 0; i < 8; ++i) raw = host::move_console_playback_fader(cards, host::fader_move_of('3', false));
    EXPECT_EQ(raw, 255) << "eight presses: 32 x 7 = 224, then the top";
    EXPECT_EQ(cards.playback_fader(0, 3), 255);
    EXPECT_EQ(cards.playback_fader(0, 2), 0) << "only its own fader moves";
    raw = host::move_console_playback_fader(cards, host::fader_move_of('3', true));
    EXPECT_EQ(raw, 223);
    for (int i = 0; i < 8; ++i) raw = host::move_console_playback_fader(cards, host::fader_move_of('3', true));
    EXPECT_EQ(raw, 0);
    EXPECT_EQ(host::move_console_playback_fader(cards, host::fader_move_of('x', false)), -1);
}

TEST(FaderKeys, NoCardNothingMoves) {
    platform::CardBus cards;
    EXPECT_EQ(host::move_console_playback_fader(cards, host::fader_move_of('1', false)), -1);
}

}  // namespace
