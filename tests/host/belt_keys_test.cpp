// The PC keys of the function belts: the key table, the belt registers they
// move on the console card, and Alt keys arriving from a terminal.
#include "host/belt_keys.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "host/key_input.h"
#include "platform/text_screen.h"

namespace {

TEST(BeltKeys, EveryBeltHasAnUpAndADownKey) {
    const struct {
        char key;
        bool shift;
        int belt;
        int steps;
    } cases[] = {
        {'1', false, 1, 1},   {'q', false, 1, -1},  {'8', false, 8, 1},  {'i', false, 8, -1},
        {'a', false, 9, 1},   {'z', false, 9, -1},  {'k', false, 16, 1}, {',', false, 16, -1},
        {'1', true, 1, 8},    {',', true, 16, -8},  {'!', false, 1, 8},  {'Q', false, 1, -8},
        {'<', false, 16, -8}, {'9', false, 0, 0},   {'p', false, 0, 0},  {'\0', false, 0, 0},
    };
    for (const auto& c : cases) {
        const host::BeltTurn turn = host::belt_turn_of(c.key, c.shift);
        EXPECT_EQ(turn.belt, c.belt) << c.key << c.shift;
        if (c.belt != 0) {
            EXPECT_EQ(turn.steps, c.steps) << c.key << c.shift;
        }
    }
}

TEST(BeltKeys, TurnMovesThePositionAndReportsTheMove) {
    platform::CardBus cards;
    ASSERT_TRUE(cards.fit(0));
    cards.set_function_belt(0, 3, 0, 100);
    host::turn_console_belt(cards, {3, 8});
    EXPECT_EQ(cards.function_belt(0, 3, 0), 108);
    EXPECT_EQ(cards.function_belt(0, 3, 1), 255);
    // The position stops at the ends of its byte instead of wrapping.
    host::turn_console_belt(cards, {3, -200});
    EXPECT_EQ(cards.function_belt(0, 3, 0), 0);
    cards.set_function_belt(0, 16, 0, 250);
    host::turn_console_belt(cards, {16, 8});
    EXPECT_EQ(cards.function_belt(0, 16, 0), 255);
    // No belt 17: nothing is written.
    host::turn_console_belt(cards, {17, 1});
    EXPECT_EQ(cards.function_belt(0, 1, 1), 0);
}

TEST(BeltKeys, AltKeysFromTheTerminalTurnBelts) {
    int fds[2] = {-1, -1};
    ASSERT_EQ(pipe(fds), 0);
    platform::CardBus cards;
    ASSERT_TRUE(cards.fit(0));
    cards.set_function_belt(0, 1, 0, 50);
    cards.set_function_belt(0, 9, 0, 50);
    host::KeyInput input(fds[0], &cards);
    platform::TextScreen text;
    // Alt+1, Alt+1, Alt+Q, Alt+A; then a plain x and Esc.
    const std::string bytes = "\x1b" "1" "\x1b" "1" "\x1b" "q" "\x1b" "A" "x";
    ASSERT_EQ(write(fds[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    input.read_keys(text);
    EXPECT_EQ(cards.function_belt(0, 1, 0), 51);
    EXPECT_EQ(cards.function_belt(0, 9, 0), 58);
    EXPECT_EQ(cards.function_belt(0, 9, 1), 255);
    ASSERT_EQ(text.key_count, 1);
    EXPECT_EQ(text.keys[static_cast<size_t>(text.key_head)], 'x');
    close(fds[0]);
    close(fds[1]);
}

}  // namespace
