// The start-up hardware-check screen on a started console: the texts read
// back from the screen in the 8 x 8 bitmap font, their colours and places,
// and the whole picture of the demo console.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "platform/graphics.h"
#include "rig/console.h"
#include "runtime/card_discovery.h"
#include "runtime/mouse_input.h"
#include "sync/sync_services.h"
#include "ui/bitmap_fonts.h"
#include "ui/screens.h"
#include "reference_images.h"

namespace {

using platform::Rect;

constexpr int kBlack = 0;
constexpr int kRed = 4;
constexpr int kLightRed = 12;
constexpr int kYellow = 14;
constexpr int kOptionX = 200;
constexpr int kLineCells = 60;
constexpr int kMidiLineY = 95;

// One option line as the screen should show it: the label (or its disabled
// form) in light red at x 200, and when enabled the state word in yellow.
struct ExpectedLine {
    int y = 0;
    const char* label = "";
    int state_x = 0;
    const char* state = "";  // "" when disabled: nothing yellow on the line
};

// Lines 1..11 with every option enabled, and their disabled forms.
constexpr std::array<ExpectedLine, 11> kEnabledLines = {{
    {15, "  - Analogue Faders Masters", 424, "enabled"},
    {25, "  - Analogue Faders Playbacks", 440, "enabled"},
    {35, "  - Extra Playback Wing", 390, "enabled"},
    {45, "  - Digital Belts Functions", 424, "enabled"},
    {55, "  - Digital Belts Sequences", 424, "enabled"},
    {65, "  - Displays", 304, "enabled"},
    {75, "  - Hardware Keys", 344, "enabled"},
    {85, "  - MiniZelk Keys", 344, "enabled"},
    {95, "  - Midi Interface", 352, "enabled"},
    {105, "  - Cdrom Interface", 360, "enabled"},
    {115, "  - Trackerball", 327, "enabled"},
}};
constexpr std::array<const char*, 11> kDisabledLabels = {
    "  - Analogue Faders Masters disabled", "  - Analogue Faders Playbacks disabled",
    "  - Extra Playback Wing disabled",     "  - Digital Belts Functions disabled",
    "  - Digital Belts Sequences disabled", "  - Displays disabled",
    "  - Hardware Keys disabled",           "  - MiniZelk Keys disabled",
    "  - Midi Interface disabled",          "  - Cdrom Interface disabled",
    "  - Trackerball disabled",
};

ExpectedLine line_of(size_t index, bool enabled) {
    ExpectedLine line = kEnabledLines[index];
    if (!enabled) {
        line.label = kDisabledLabels[index];
        line.state = "";
    }
    return line;
}

// Reads text of the 8 x 8 bitmap font back from the screen: each 8-pixel
// cell from (x, y) on is the character whose glyph sets exactly the cell's
// pixels of that colour ('?' when none does). Trailing blanks are dropped.
std::string text_at(const rig::Rig& rig, int x, int y, int colour, int cells) {
    std::string text;
    for (int cell = 0; cell < cells; ++cell) {
        const int left = x + 8 * cell;
        char found = '?';
        for (int c = ui::kFirstGlyphChar; c <= ui::kLastGlyphChar && found == '?'; ++c) {
            const uint8_t* glyph = ui::glyph_of(ui::default_font_glyphs, static_cast<unsigned char>(c));
            bool same = true;
            for (int r = 0; r < 8 && same; ++r) {
                for (int k = 0; k < 8 && same; ++k) {
                    const bool set = glyph[r * 8 + k] != 0;
                    same = set == (rig.pixel(left + k, y + r) == colour);
                }
            }
            if (same) found = static_cast<char>(c);
        }
        text.push_back(found);
    }
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

class HardwareCheck : public ::testing::Test {
protected:
    void start(bool fit_demo_card = true) {
        rig_.machine().cdrom.installed = false;  // no CD-ROM driver: its line reads disabled
        rig::start_console(rig_, dir_, fit_demo_card);
        ASSERT_FALSE(rig_.finished());
    }

    // Every option off, as a console that has none of them reports it.
    static void clear_options() {
        runtime::hw_option_flags = {};
        runtime::sync_interface_selector = 0;
        runtime::sound_input_present = 0;
        synchro::cd_state.drive = synchro::kNoCdDrive;
        runtime::mouse_present = 0;
    }

    std::string text_at(int x, int y, int colour, int cells) const { return ::text_at(rig_, x, y, colour, cells); }

    void expect_line(const ExpectedLine& line) const {
        SCOPED_TRACE(line.label);
        const bool enabled = line.state[0] != '\0';
        // An enabled label is read up to its state word (the MIDI line goes on after it).
        const int cells = enabled ? (line.state_x - kOptionX) / 8 : kLineCells;
        EXPECT_EQ(text_at(kOptionX, line.y, kLightRed, cells), line.label);
        if (enabled) {
            EXPECT_EQ(text_at(line.state_x, line.y, kYellow, 20), line.state);
        } else {
            EXPECT_EQ(platform::count_pixels(kYellow, Rect{kOptionX, line.y, 639, line.y + 7}), 0);
        }
    }

    rig::ProgramDir dir_ = rig::ProgramDir::demo();
    rig::Rig rig_;
};

TEST_F(HardwareCheck, DemoConsoleReportsItsChannelsFirmwareAndOptions) {
    start();
    ui::show_hardware_check();

    EXPECT_EQ(text_at(175, 5, kLightRed, kLineCells), "Checking hardware (2048 channels - Eproms 338.338.0.0)");
    EXPECT_EQ(text_at(15, 280, kLightRed, kLineCells), "Version 7.4 Build 7.4.1");
    // The demo surface has everything but the wing; no MIDI interface, no CD-ROM drive.
    const std::array<bool, 11> enabled = {true, true, false, true, true, true, true, true, false, false, true};
    for (size_t i = 0; i < enabled.size(); ++i) expect_line(line_of(i, enabled[i]));

    uitest::expect_matches_reference("hardware_check", "demo_console", Rect{0, 0, 639, 290});
    // Below the red frame the screen stays black.
    EXPECT_EQ(platform::count_pixels(kBlack, Rect{0, 291, 639, 479}), 640 * 189);
}

TEST_F(HardwareCheck, ConsoleWithoutCardsShowsNoFirmwareAndNoCardOptions) {
    start(false);
    ui::show_hardware_check();

    EXPECT_EQ(text_at(175, 5, kLightRed, kLineCells), "Checking hardware (2048 channels - Eproms 0.0.0.0)");
    // Without the console card only the small-console keys (configured) and the
    // trackerball (mouse driver) are there.
    const std::array<bool, 11> enabled = {false, false, false, false, false, false, false, true, false, false, true};
    for (size_t i = 0; i < enabled.size(); ++i) expect_line(line_of(i, enabled[i]));
}

TEST_F(HardwareCheck, FirmwareVersionsAreThoseOfCardsOneToFourInOrder) {
    start();
    runtime::card_firmware_versions = {999, 335, 336, 0, 338};
    ui::show_hardware_check();
    EXPECT_EQ(text_at(175, 5, kLightRed, kLineCells), "Checking hardware (2048 channels - Eproms 335.336.0.338)");
}

TEST_F(HardwareCheck, EachLineFollowsItsOwnOption) {
    start();
    const std::array<std::function<void()>, 11> enable = {
        [] { runtime::hw_option_flags.analogue_masters = 1; },
        [] { runtime::hw_option_flags.analogue_playbacks = 1; },
        [] { runtime::hw_option_flags.playback_wing = 1; },
        [] { runtime::hw_option_flags.function_belts = 1; },
        [] { runtime::hw_option_flags.sequence_belts = 1; },
        [] { runtime::hw_option_flags.displays = 1; },
        [] { runtime::hw_option_flags.hardware_keys = 1; },
        [] { runtime::hw_option_flags.small_console_keys = 1; },
        [] { runtime::sync_interface_selector = 0x1234; },
        [] { synchro::cd_state.drive = 3; },
        [] { runtime::mouse_present = -1; },
    };
    for (size_t on = 0; on < enable.size(); ++on) {
        SCOPED_TRACE(kEnabledLines[on].label);
        clear_options();
        enable[on]();
        ui::show_hardware_check();
        for (size_t i = 0; i < kEnabledLines.size(); ++i) {
            // The extra wing also counts as analogue playback faders.
            const bool playbacks_by_wing = on == 2 && i == 1;
            expect_line(line_of(i, i == on || playbacks_by_wing));
        }
    }
    clear_options();
}

TEST_F(HardwareCheck, PlaybackAndWingLinesFollowTheWingAndItsPort) {
    start();
    struct Case {
        uint8_t analogue_playbacks;
        uint8_t playback_wing;
        uint8_t wing_port;
        bool playbacks_enabled;
        const char* wing_state;  // "" disabled
    };
    const Case cases[] = {
        {0, 0, 0, false, ""},
        {1, 0, 0, true, ""},
        {0, 1, 0, true, "enabled"},  // a wing without analogue playback faders
        {0, 0, 1, false, "enabled (external)"},
        {1, 1, 1, true, "enabled (external)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << int{c.analogue_playbacks} << int{c.playback_wing} << int{c.wing_port});
        clear_options();
        runtime::hw_option_flags.analogue_playbacks = c.analogue_playbacks;
        runtime::hw_option_flags.playback_wing = c.playback_wing;
        runtime::hw_option_flags.wing_port = c.wing_port;
        ui::show_hardware_check();
        expect_line(line_of(1, c.playbacks_enabled));
        ExpectedLine wing = line_of(2, c.wing_state[0] != '\0');
        wing.state = c.wing_state;
        expect_line(wing);
    }
    clear_options();
}

TEST_F(HardwareCheck, SoundInputIsReportedOnlyWithTheMidiInterface) {
    start();
    struct Case {
        uint16_t selector;
        uint8_t sound_inputs;
        const char* state;
        int state_colour;
    };
    const Case cases[] = {
        {0x1234, 1, "enabled", kYellow},
        {0x1234, 0, "disabled", kLightRed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state);
        clear_options();
        runtime::sync_interface_selector = c.selector;
        runtime::sound_input_present = c.sound_inputs;
        ui::show_hardware_check();
        EXPECT_EQ(text_at(415, kMidiLineY, kLightRed, 13), " Sound Input");
        EXPECT_EQ(text_at(520, kMidiLineY, c.state_colour, 10), c.state);
        EXPECT_EQ(text_at(352, kMidiLineY, kYellow, 7), "enabled");
    }

    // Without the interface nothing follows its disabled line, sound inputs or not.
    clear_options();
    runtime::sound_input_present = 1;
    ui::show_hardware_check();
    EXPECT_EQ(text_at(kOptionX, kMidiLineY, kLightRed, kLineCells), "  - Midi Interface disabled");
    EXPECT_EQ(platform::count_pixels(kBlack, Rect{416, kMidiLineY, 637, kMidiLineY + 7}), 222 * 8);
    clear_options();
}

TEST_F(HardwareCheck, WithoutLogoTheFrameAndTextsAreDrawnOnBlack) {
    dir_.remove_file("logo");
    start();
    ASSERT_EQ(ui::logo_image, nullptr);
    // Whatever was on the screen goes.
    platform::_setfillstyle(platform::kSolidFill, 9);
    platform::_bar(0, 0, 639, 479);
    ui::show_hardware_check();

    for (const Rect& corner : {Rect{0, 0, 1, 1}, Rect{638, 289, 639, 290}, Rect{0, 289, 1, 290}, Rect{638, 0, 639, 1}}) {
        EXPECT_EQ(platform::count_pixels(kRed, corner), 4);
    }
    // The double frame: two red rectangles, one inside the other.
    EXPECT_EQ(platform::count_pixels(kRed, Rect{0, 0, 639, 290}), 2 * (640 + 291) - 4 + 2 * (638 + 289) - 4);
    EXPECT_EQ(platform::count_pixels(kBlack, Rect{2, 2, 170, 270}), 169 * 269);
    EXPECT_EQ(platform::count_pixels(kBlack, Rect{0, 291, 639, 479}), 640 * 189);
    EXPECT_EQ(text_at(175, 5, kLightRed, kLineCells), "Checking hardware (2048 channels - Eproms 338.338.0.0)");
    EXPECT_EQ(text_at(15, 280, kLightRed, kLineCells), "Version 7.4 Build 7.4.1");
}

TEST_F(HardwareCheck, LogoIsPutAtTheTopLeft) {
    start();
    ASSERT_NE(ui::logo_image, nullptr);
    ui::show_hardware_check();
    const std::vector<uint8_t> logo = dir_.read_file("logo");
    const int width = logo[0] | (logo[1] << 8);
    const int height = logo[2] | (logo[3] << 8);
    int differing = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (rig_.pixel(5 + x, 5 + y) != (logo[4 + static_cast<size_t>(y * width + x)] & 15)) ++differing;
        }
    }
    EXPECT_EQ(differing, 0);
}

}  // namespace
