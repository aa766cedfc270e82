#include "ui/screens.h"

#include <array>
#include <cstdio>
#include <span>

#include "memcheck/memcheck.h"
#include "platform/graphics.h"
#include "playback/cue_screen.h"
#include "programmer/fixture_groups.h"
#include "programmer/fixture_pages.h"
#include "runtime/card_discovery.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/mouse_input.h"
#include "runtime/step_log.h"
#include "sync/sync_services.h"
#include "ui/bitmap_fonts.h"
#include "ui/counters.h"
#include "ui/helpers.h"
#include "ui/main_screen.h"
#include "ui/message_line.h"
#include "ui/panel_modes.h"
#include "ui/panels.h"

namespace ui {

namespace {

constexpr int16_t kBlack = 0;
constexpr int16_t kRed = 4;
constexpr int16_t kLightRed = 12;
constexpr int16_t kYellow = 14;

// ------------------------------------------------------------------ hardware check

constexpr int16_t kCheckFrameRight = 639;
constexpr int16_t kCheckFrameBottom = 290;
constexpr int16_t kLogoX = 5;
constexpr int16_t kLogoY = 5;
constexpr int16_t kVersionX = 15;
constexpr int16_t kVersionY = 280;
constexpr int16_t kCheckingX = 175;
constexpr int16_t kCheckingY = 5;
constexpr int16_t kOptionX = 200;
constexpr int16_t kSoundInputX = 415;  // on the line of the MIDI interface
constexpr int16_t kSoundInputY = 95;
constexpr int16_t kSoundInputStateX = 520;

// What an option line reports.
enum class OptionState : uint8_t { disabled, enabled, external };

enum class HwOption : uint8_t {
    analogue_masters, analogue_playbacks, playback_wing, function_belts, sequence_belts, displays,
    hardware_keys, small_console_keys, midi_interface, cdrom, trackerball,
};

struct OptionLine {
    HwOption option = HwOption::analogue_masters;
    int16_t y = 0;
    const char* label = "";          // written when enabled, followed by the state at state_x
    int16_t state_x = 0;
    const char* disabled_text = "";  // written in place of the label when disabled
};

constexpr std::array<OptionLine, 11> kOptionLines = {{
    {HwOption::analogue_masters, 15, "  - Analogue Faders Masters", 424, "  - Analogue Faders Masters disabled"},
    {HwOption::analogue_playbacks, 25, "  - Analogue Faders Playbacks", 440, "  - Analogue Faders Playbacks disabled"},
    {HwOption::playback_wing, 35, "  - Extra Playback Wing", 390, "  - Extra Playback Wing disabled"},
    {HwOption::function_belts, 45, "  - Digital Belts Functions", 424, "  - Digital Belts Functions disabled"},
    {HwOption::sequence_belts, 55, "  - Digital Belts Sequences ", 424, "  - Digital Belts Sequences disabled"},
    {HwOption::displays, 65, "  - Displays ", 304, "  - Displays disabled"},
    {HwOption::hardware_keys, 75, "  - Hardware Keys ", 344, "  - Hardware Keys disabled"},
    {HwOption::small_console_keys, 85, "  - MiniZelk Keys ", 344, "  - MiniZelk Keys disabled"},
    {HwOption::midi_interface, 95, "  - Midi Interface ", 352, "  - Midi Interface disabled"},
    {HwOption::cdrom, 105, "  - Cdrom Interface ", 360, "  - Cdrom Interface disabled"},
    {HwOption::trackerball, 115, "  - Trackerball ", 327, "  - Trackerball disabled"},
}};

OptionState enabled_if(uint32_t value) { return value != 0 ? OptionState::enabled : OptionState::disabled; }

OptionState option_state(HwOption option) {
    const runtime::HwOptionFlags& flags = runtime::hw_option_flags;
    switch (option) {
        case HwOption::analogue_masters: return enabled_if(flags.analogue_masters);
        case HwOption::analogue_playbacks: return enabled_if(flags.analogue_playbacks | flags.playback_wing);
        case HwOption::playback_wing:
            if (flags.wing_port != 0) return OptionState::external;
            return enabled_if(flags.playback_wing);
        case HwOption::function_belts: return enabled_if(flags.function_belts);
        case HwOption::sequence_belts: return enabled_if(flags.sequence_belts);
        case HwOption::displays: return enabled_if(flags.displays);
        case HwOption::hardware_keys: return enabled_if(flags.hardware_keys);
        case HwOption::small_console_keys: return enabled_if(flags.small_console_keys);
        case HwOption::midi_interface: return enabled_if(runtime::sync_interface_selector);
        case HwOption::cdrom: return enabled_if(synchro::cd_state.drive != synchro::kNoCdDrive ? 1 : 0);
        case HwOption::trackerball: return enabled_if(runtime::mouse_present != 0 ? 1 : 0);
    }
    return OptionState::disabled;
}

void draw_option_line(const OptionLine& line) {
    const OptionState state = option_state(line.option);
    if (state == OptionState::disabled) {
        draw_bitmap_text(kOptionX, line.y, kLightRed, line.disabled_text);
        return;
    }
    draw_bitmap_text(kOptionX, line.y, kLightRed, line.label);
    draw_bitmap_text(line.state_x, line.y, kYellow, state == OptionState::external ? "enabled (external)" : "enabled");
}

void draw_sound_input_state() {
    if (runtime::sync_interface_selector == 0) return;
    draw_bitmap_text(kSoundInputX, kSoundInputY, kLightRed, " Sound Input ");
    if (runtime::sound_input_present != 0) {
        draw_bitmap_text(kSoundInputStateX, kSoundInputY, kYellow, "enabled");
    } else {
        draw_bitmap_text(kSoundInputStateX, kSoundInputY, kLightRed, "disabled");
    }
}

uint16_t firmware_version(int card) { return runtime::card_firmware_versions[static_cast<size_t>(card)]; }

// ------------------------------------------------------------------ main screen

// Console keys whose LEDs follow the left column's panel.
constexpr int16_t kCuePages = 16;

constexpr uint32_t kPanelFieldShift = 2;
constexpr int16_t kSequenceAndFixturePanel = 1;
constexpr int16_t kAnalogueFadersPanel = 5;

void set_led(int16_t key, bool on) { runtime::set_key_led(key, on ? runtime::LED_ON : runtime::LED_OFF); }

void draw_fixture_column() {
    programmer::draw_fixture_screen();
    programmer::update_group_leds();
    set_led(runtime::KEY_GROUP_BANK, runtime::group_bank != 1);
    set_led(runtime::KEY_GROUP_STORE, false);
    set_led(runtime::KEY_CUE, false);
    set_led(runtime::KEY_BANK_DOWN, runtime::fixture_page == 1);
    set_led(runtime::KEY_BANK_UP, runtime::fixture_page != 1);
}

void draw_cue_column() {
    playback::draw_point_cue_panel();
    for (int16_t page = 1; page <= kCuePages; ++page) set_led(runtime::group_key(page), false);
    const int16_t page = runtime::cue_screen_page;
    if (page >= 1 && page <= kCuePages) set_led(runtime::group_key(page), true);
    set_led(runtime::KEY_GROUP_BANK, false);
    set_led(runtime::KEY_GROUP_STORE, false);
    set_led(runtime::KEY_BANK_DOWN, false);
    set_led(runtime::KEY_BANK_UP, false);
    set_led(runtime::KEY_CUE, true);
}

}  // namespace

void start_graphics() {
    int driver = platform::kVgaDriver;
    int mode = platform::kVgaHiMode;  // 640 x 480, 16 colours
    platform::_initgraph(driver, mode, "");
    load_logo();
    load_fonts();
}

void close_graphics() { platform::_closegraph(); }

void show_hardware_check() {
    fill_box(0, 0, platform::kScreenWidth, platform::kScreenHeight, kBlack);
    platform::_setcolor(kRed);
    platform::_rectangle(0, 0, kCheckFrameRight, kCheckFrameBottom);
    platform::_rectangle(1, 1, kCheckFrameRight - 1, kCheckFrameBottom - 1);
    if (logo_image != nullptr) {
        platform::_putimage(kLogoX, kLogoY, std::span<const uint8_t>(logo_image, logo_size), platform::kCopyPut);
    }
    char text[96]{};
    std::snprintf(text, sizeof text, "Version %s Build %s", kProgramVersion, kProgramBuild);
    draw_bitmap_text(kVersionX, kVersionY, kLightRed, text);
    std::snprintf(text, sizeof text, "Checking hardware (%d channels - Eproms %d.%d.%d.%d)",
                  runtime::function_record_capacity, firmware_version(1), firmware_version(2), firmware_version(3),
                  firmware_version(4));
    draw_bitmap_text(kCheckingX, kCheckingY, kLightRed, text);
    for (const OptionLine& line : kOptionLines) draw_option_line(line);
    draw_sound_input_state();
}

void draw_main_screen() {
    platform::_cleardevice();
    blank_palette();
    if ((runtime::mode_flags & runtime::MODE_CUE_SCREEN) == 0) {
        draw_fixture_column();
    } else {
        draw_cue_column();
    }
    draw_status_line();
    draw_cue_panel();
    draw_main_frame();
    draw_free_counters();
    clear_message();
    draw_control_channel_faders();
    set_panel_mode(static_cast<uint8_t>((runtime::mode_flags & runtime::MODE_PANEL_FIELD) >> kPanelFieldShift));
    set_console_palette();
}


void free_screen_images() {
    if (frame_image != nullptr) memcheck::mc_free_at(frame_image, __FILE__, __LINE__);
    frame_image = nullptr;
    free_panel_images();
    free_logo();
}

}  // namespace ui
