// Held console keys latched from the PC keyboard: Ctrl with a letter presses
// the console key on the surface, the same again lets it go, and what is
// typed in between reaches the console while the key is down.
#include "host/surface_keys.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "host/key_input.h"
#include "programmer/programmer_jobs.h"
#include "rig/console.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "ui/mode_keys.h"

namespace {

using runtime::keys::KEY_MODE;

constexpr uint32_t kSettle_ms = 20;

uint8_t edit_mode() { return static_cast<uint8_t>((runtime::mode_flags & runtime::MODE_EDIT_MODE) >> 30); }

// A key layout line at the file's fixed positions: code, column, row.
std::string layout_line(int code, int column, int row) {
    std::string line(70, ' ');
    const std::string c = std::to_string(code), col = std::to_string(column), r = std::to_string(row);
    line.replace(1, c.size(), c);
    line.replace(33, col.size(), col);
    line.replace(49, r.size(), r);
    return line;
}

TEST(SurfaceKeys, CtrlLetterPressesThenReleasesTheKeyAtItsLayoutPlace) {
    std::string layout;
    for (int line = 1; line < 18; ++line) layout += "\n";
    layout += layout_line(KEY_MODE, 10, 3) + "\n\n";   // line 18: a key line
    layout += layout_line(runtime::keys::KEY_CUE, 10, 2) + "\n";  // line 20
    host::SurfaceKeys keys;
    keys.read_layout(layout);
    platform::CardBus cards;
    ASSERT_TRUE(cards.fit(0));

    EXPECT_TRUE(keys.toggle(cards, 'o'));
    EXPECT_TRUE(keys.held('o'));
    EXPECT_TRUE(keys.toggle(cards, 'O'));  // either case
    EXPECT_FALSE(keys.held('o'));
    EXPECT_TRUE(keys.toggle(cards, 'u'));
    EXPECT_TRUE(keys.held('u'));
    // A letter that latches no key is a plain key; a latched key the layout
    // does not place is swallowed and never held.
    EXPECT_FALSE(keys.toggle(cards, 'q'));
    EXPECT_TRUE(keys.toggle(cards, 'b'));
    EXPECT_FALSE(keys.held('b'));
}

TEST(SurfaceKeys, CtrlFunctionKeysLatchTheKeysNoLetterIsLeftFor) {
    std::string layout;
    for (int line = 1; line < 18; ++line) layout += "\n";
    layout += layout_line(runtime::keys::KEY_PRESET_STORE, 4, 5) + "\n\n";  // line 18
    layout += layout_line(runtime::keys::KEY_COPY, 6, 1) + "\n";               // line 20
    host::SurfaceKeys keys;
    keys.read_layout(layout);
    platform::CardBus cards;
    ASSERT_TRUE(cards.fit(0));

    EXPECT_TRUE(keys.toggle_function_key(cards, 3));
    EXPECT_TRUE(keys.function_key_held(3));
    EXPECT_FALSE(keys.function_key_held(1));
    EXPECT_TRUE(keys.toggle_function_key(cards, 1));
    EXPECT_TRUE(keys.function_key_held(1));
    EXPECT_TRUE(keys.toggle_function_key(cards, 3));
    EXPECT_FALSE(keys.function_key_held(3));
    EXPECT_TRUE(keys.function_key_held(1)) << "each latch on its own";
    // F12 latches nothing; no letter reaches a function key's entry.
    EXPECT_FALSE(keys.toggle_function_key(cards, 12));
    EXPECT_FALSE(keys.toggle(cards, '\0'));
    const struct {
        int fkey;
        int16_t code;
    } table[] = {{1, runtime::keys::KEY_COPY},         {2, runtime::keys::KEY_TO_ITEM},
                 {3, runtime::keys::KEY_PRESET_STORE}, {4, runtime::keys::KEY_PRESET_MODIFY},
                 {5, runtime::keys::KEY_PRESET_CLEAR}, {6, runtime::keys::KEY_LIVE_EDIT},
                 {7, runtime::keys::KEY_PRESET_1},     {8, runtime::keys::KEY_PRESET_2},
                 {9, runtime::keys::KEY_PRESET_3},     {10, runtime::keys::KEY_PRESET_4}};
    for (const auto& t : table) {
        bool found = false;
        for (const host::SurfaceKey& k : host::kSurfaceKeys) found = found || (k.fkey == t.fkey && k.code == t.code);
        EXPECT_TRUE(found) << "F" << t.fkey;
    }
}

class SurfaceKeysAtTheConsole : public ::testing::Test {
protected:
    rig::Rig rig;
    rig::ProgramDir dir = rig::ProgramDir::demo();
    host::SurfaceKeys keys;

    void SetUp() override {
        rig::start_console(rig, dir);
        ASSERT_FALSE(rig.finished());
        keys.load_layout(dir.folder() / "keyboard.cfg");
        rig.run_ms(kSettle_ms);
    }
};

TEST_F(SurfaceKeysAtTheConsole, ModeHeldFromThePcWithATypedDigitChoosesTheMode) {
    runtime::mode_flags &= ~runtime::MODE_EDIT_MODE;  // absolute
    ASSERT_TRUE(keys.toggle(rig.machine().cards, 'o'));
    rig.run_ms(kSettle_ms);
    EXPECT_EQ(rig.key_led(runtime::keys::digit_key(5)), platform::LedState::blinking);
    rig.type("5");  // fan shape 3
    rig.run_ms(kSettle_ms);
    ASSERT_TRUE(keys.toggle(rig.machine().cards, 'o'));
    rig.run_ms(kSettle_ms);
    EXPECT_EQ(edit_mode(), ui::kEditModeFan);
    EXPECT_EQ(programmer::fan_shape, 3);
}

TEST_F(SurfaceKeysAtTheConsole, CtrlLettersFromTheTerminalLatchTheKey) {
    int fds[2] = {-1, -1};
    ASSERT_EQ(pipe(fds), 0);
    host::KeyInput input(fds[0], &rig.machine().cards, &keys);
    runtime::mode_flags &= ~runtime::MODE_EDIT_MODE;
    // One byte at a time, each given time to reach the console, as a person types.
    for (const char c : {'\x0f', '2', '\x0f'}) {  // Ctrl-O, 2, Ctrl-O
        ASSERT_EQ(write(fds[1], &c, 1), 1);
        input.read_keys(rig.machine().text);
        rig.run_ms(kSettle_ms);
    }
    ::close(fds[1]);
    ::close(fds[0]);
    EXPECT_FALSE(keys.held('o'));
    EXPECT_EQ(edit_mode(), ui::kEditModeRelative);
}

}  // namespace
