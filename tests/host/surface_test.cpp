// The console surface in the window: key cells in the colours of their LEDs,
// a click on a cell pressing the key, a drag moving a fader or turning a belt,
// read from the demo key layout and played against the running console.
#include "host/surface.h"

#include <gtest/gtest.h>

#include <string>

#include "../setup/demo_rig_files.h"
#include "programmer/commands.h"
#include "rig/console.h"
#include "runtime/key_codes.h"

namespace {

using platform::LedState;

constexpr uint32_t kSettle_ms = 40;

TEST(SurfaceCells, LedStatesGiveTheCellColours) {
    const struct {
        LedState first;
        LedState second;
        bool first_is_green;
        bool blink_on;
        uint32_t colour;
    } cases[] = {
        {LedState::off, LedState::off, false, true, host::kCellDark},
        {LedState::lit, LedState::off, false, true, host::kCellRed},
        {LedState::off, LedState::lit, false, true, host::kCellGreen},
        {LedState::lit, LedState::lit, false, true, host::kCellRedAndGreen},
        {LedState::blinking, LedState::off, false, true, host::kCellRed},
        {LedState::blinking, LedState::off, false, false, host::kCellDark},
        {LedState::blinking, LedState::lit, false, false, host::kCellGreen},
        // A key whose only LED is green shows its first LED green.
        {LedState::lit, LedState::off, true, true, host::kCellGreen},
        {LedState::blinking, LedState::blinking, false, true, host::kCellRedAndGreen},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(host::led_cell_colour(c.first, c.second, c.first_is_green, c.blink_on), c.colour)
            << static_cast<int>(c.first) << " " << static_cast<int>(c.second) << " " << c.first_is_green << " "
            << c.blink_on;
    }
    EXPECT_TRUE(host::led_blink_on(0));
    EXPECT_TRUE(host::led_blink_on(host::kLedBlinkHalfPeriod_ms - 1));
    EXPECT_FALSE(host::led_blink_on(host::kLedBlinkHalfPeriod_ms));
    EXPECT_TRUE(host::led_blink_on(2 * host::kLedBlinkHalfPeriod_ms));
}

TEST(SurfaceCells, KeyNamesBecomeTwoShortLabelLines) {
    const struct {
        const char* name;
        const char* first;
        const char* second;
    } cases[] = {
        {"FIXTURE 12", "FIX", "12"},       {"CUE", "CUE", ""},           {"GROUP 3 / CUE PAGE 3", "GRO", "3"},
        {"SEQUENCE A RUN", "SA", "RUN"},  {"PAN/TILT", "PAN", "TIL"},   {"TAKE OUTPUT", "TAK", "OUT"},
        {"SELECTED", "SEL", "ECT"},        {"", "", ""},
    };
    for (const auto& c : cases) {
        const auto label = host::key_label(c.name);
        EXPECT_EQ(label[0], c.first) << c.name;
        EXPECT_EQ(label[1], c.second) << c.name;
    }
}

class SurfaceAtTheConsole : public ::testing::Test {
protected:
    rig::Rig rig;
    rig::ProgramDir dir = rig::ProgramDir::demo();
    host::ConsoleSurface surface;

    void SetUp() override {
        setup_test::lay_out_demo_rig(dir);
        rig::start_console(rig, dir);
        ASSERT_FALSE(rig.finished());
        programmer::fixture_selected.fill(0);
        surface.load_layout(dir.folder() / "keyboard.cfg");
        rig.run_ms(kSettle_ms);
    }
    platform::CardBus& cards() { return rig.machine().cards; }
    host::Point centre_of(const host::SurfaceItem& item) const {
        const host::Rect r = surface.rect_of(item);
        return {r.x + r.width / 2, r.y + r.height / 2};
    }
    // The colour the drawn surface gives a key's cell (its corner, clear of the label).
    uint32_t cell_colour(int16_t key) {
        host::Canvas canvas(surface.layout_size());
        surface.draw(rig.machine(), canvas);
        const host::Rect r = surface.rect_of({host::SurfaceItemKind::key, key});
        return canvas.at(r.x + 1, r.y + 1);
    }
};

TEST_F(SurfaceAtTheConsole, EveryKeyOfTheDemoLayoutHasANamedCellInsideTheLayout) {
    ASSERT_GT(surface.keys().size(), 300u);
    const host::Size size = surface.layout_size();
    for (const host::SurfaceKeyCell& key : surface.keys()) {
        EXPECT_FALSE(key.name.empty()) << key.code;
        EXPECT_LE(key.rect.x + key.rect.width, size.width) << key.code;
        EXPECT_LE(key.rect.y + key.rect.height, size.height) << key.code;
        EXPECT_FALSE(host::kScreenRect.contains({key.rect.x, key.rect.y})) << key.code;
        EXPECT_EQ(surface.item_at({key.rect.x + 2, key.rect.y + 2}),
                  (host::SurfaceItem{host::SurfaceItemKind::key, key.code}))
            << key.code;
    }
    const auto fixture_1 = std::find_if(surface.keys().begin(), surface.keys().end(),
                                        [](const host::SurfaceKeyCell& k) { return k.code == 1; });
    ASSERT_NE(fixture_1, surface.keys().end());
    EXPECT_EQ(fixture_1->name, "FIXTURE 1");
    EXPECT_EQ(surface.item_at({10, 10}), (host::SurfaceItem{host::SurfaceItemKind::screen, 0}));
}

TEST_F(SurfaceAtTheConsole, AClickOnAFixtureCellSelectsTheFixtureAndItsCellLights) {
    const int16_t key = runtime::keys::fixture_key(3);
    ASSERT_EQ(programmer::fixture_selected[3], 0);
    const uint32_t before = cell_colour(key);
    EXPECT_EQ(before, host::kCellDark);

    surface.pointer_down(cards(), centre_of({host::SurfaceItemKind::key, key}));
    EXPECT_EQ(surface.held_key(), key);
    rig.run_ms(kSettle_ms);
    surface.pointer_up(cards());
    EXPECT_EQ(surface.held_key(), 0);
    rig.run_ms(kSettle_ms);

    EXPECT_EQ(programmer::fixture_selected[3], 1);
    EXPECT_NE(cell_colour(key), host::kCellDark);
    // The drawn colour is the one the card's two LEDs give (fixture 3: column
    // 2, row 0; its green LED 8 rows below).
    EXPECT_EQ(cell_colour(key), host::led_cell_colour(rig.led(0, 2), rig.led(8, 2), false, host::led_blink_on(rig.now_ms())));
}

TEST_F(SurfaceAtTheConsole, AKeyIsHeldWhileTheButtonIsDownAndLetGoOnItsRelease) {
    const int16_t key = runtime::keys::fixture_key(5);
    surface.pointer_down(cards(), centre_of({host::SurfaceItemKind::key, key}));
    // Dragging off the cell keeps the key down, as a held finger does.
    surface.pointer_move(cards(), {5, 5});
    rig.run_ms(kSettle_ms);
    EXPECT_EQ(surface.held_key(), key);
    EXPECT_EQ(programmer::fixture_selected[5], 0) << "the console acts on the key's release";
    surface.pointer_up(cards());
    rig.run_ms(kSettle_ms);
    EXPECT_EQ(programmer::fixture_selected[5], 1);
    // A second click toggles the fixture off again: press and release both arrived.
    surface.pointer_down(cards(), centre_of({host::SurfaceItemKind::key, key}));
    surface.pointer_up(cards());
    rig.run_ms(kSettle_ms);
    EXPECT_EQ(programmer::fixture_selected[5], 0);
}

TEST_F(SurfaceAtTheConsole, DraggingAFaderSetsItsLevelFromThePlaceOnItsTrack) {
    const host::SurfaceItem fader{host::SurfaceItemKind::playback_fader, 1};
    const host::Rect track = surface.rect_of(fader);
    const int x = track.x + track.width / 2;
    surface.pointer_down(cards(), {x, track.y + track.height - 1});
    EXPECT_EQ(cards().playback_fader(0, 1), 0);
    surface.pointer_move(cards(), {x, track.y + (track.height - 1) / 2});
    EXPECT_NEAR(cards().playback_fader(0, 1), 127, 2);
    surface.pointer_move(cards(), {x + 60, track.y - 40});  // beyond the top, off the fader: held at full
    EXPECT_EQ(cards().playback_fader(0, 1), 255);
    rig.run_ms(kSettle_ms);
    surface.pointer_up(cards());
    surface.pointer_move(cards(), {x, track.y + track.height - 1});  // released: moves nothing
    EXPECT_EQ(cards().playback_fader(0, 1), 255);
    EXPECT_EQ(surface.hover_text(rig.machine()), "PLAYBACK FADER 1: 255");

    // A master, and the wing's last playback fader.
    const host::SurfaceItem grand{host::SurfaceItemKind::master_fader, 1};
    const host::Rect g = surface.rect_of(grand);
    surface.pointer_down(cards(), {g.x + 1, g.y});
    surface.pointer_up(cards());
    EXPECT_EQ(cards().master_fader(0, 1), 255);
    surface.pointer_down(cards(), {g.x + 1, g.y + g.height - 1});
    surface.pointer_up(cards());
    EXPECT_EQ(cards().master_fader(0, 1), 0);
    const host::SurfaceItem last{host::SurfaceItemKind::playback_fader, 42};
    surface.pointer_down(cards(), centre_of(last));
    surface.pointer_up(cards());
    EXPECT_NEAR(cards().playback_fader(0, 42), 127, 3);
}

TEST_F(SurfaceAtTheConsole, DraggingOrWheelingABeltTurnsItAndReportsItMoved) {
    const host::SurfaceItem belt{host::SurfaceItemKind::function_belt, 4};
    cards().set_function_belt(0, 4, 0, 100);
    cards().set_function_belt(0, 4, 1, 0);
    const host::Point at = centre_of(belt);
    surface.pointer_down(cards(), at);
    surface.pointer_move(cards(), {at.x, at.y - 5});  // up 5 pixels
    EXPECT_EQ(cards().function_belt(0, 4, 0), 100 + 5 * host::kBeltStepsPerPixel);
    EXPECT_EQ(cards().function_belt(0, 4, 1), 255);
    surface.pointer_move(cards(), {at.x, at.y + 200});  // far down: held at the bottom
    EXPECT_EQ(cards().function_belt(0, 4, 0), 0);
    surface.pointer_up(cards());

    const host::SurfaceItem sequence{host::SurfaceItemKind::sequence_belt, 12};
    cards().set_sequence_belt(0, 12, 0, 10);
    cards().set_sequence_belt(0, 12, 1, 0);
    surface.wheel(cards(), centre_of(sequence), 2);
    EXPECT_EQ(cards().sequence_belt(0, 12, 0), 10 + 2 * host::kBeltStepsPerWheelNotch);
    EXPECT_EQ(cards().sequence_belt(0, 12, 1), 255);
    EXPECT_EQ(cards().function_belt(0, 12, 0), 0) << "the other bank stays";
}

TEST_F(SurfaceAtTheConsole, TheDrawnSurfaceShowsTheLcdTextAndChangesLook) {
    EXPECT_TRUE(surface.look_changed(rig.machine()));
    EXPECT_FALSE(surface.look_changed(rig.machine()));
    rig.press(runtime::keys::fixture_key(7));
    rig.run_ms(kSettle_ms);
    EXPECT_TRUE(surface.look_changed(rig.machine())) << "an LED changed";
    EXPECT_FALSE(surface.look_changed(rig.machine()));
    rig.set_playback_fader(3, 200);
    EXPECT_TRUE(surface.look_changed(rig.machine())) << "a fader moved";

    // A display's text is drawn on its glass: ink only where characters are.
    const host::Rect glass = surface.rect_of({host::SurfaceItemKind::display, 9});
    // Display 9, line l lies at card offset 13824 + 85 * 8 + 21 * (l - 1).
    constexpr uint32_t kDisplay9 = 13824 + 85 * 8;
    for (uint32_t l = 0; l < 4; ++l) {
        for (uint32_t c = 0; c < 20; ++c) cards().poke_byte(0, kDisplay9 + 21 * l + c, ' ');
    }
    const auto ink_on_glass = [&] {
        host::Canvas canvas(surface.layout_size());
        surface.draw(rig.machine(), canvas);
        int ink = 0;
        for (int y = glass.y; y < glass.y + glass.height; ++y) {
            for (int x = glass.x; x < glass.x + glass.width; ++x) ink += canvas.at(x, y) != canvas.at(glass.x, glass.y);
        }
        return ink;
    };
    EXPECT_EQ(ink_on_glass(), 0);
    surface.look_changed(rig.machine());
    cards().poke_byte(0, kDisplay9 + 21, 'H');
    EXPECT_TRUE(surface.look_changed(rig.machine())) << "the LCD text changed";
    EXPECT_GT(ink_on_glass(), 10);
}

}  // namespace
