#include "ui/counters.h"

#include <array>
#include <cstdio>

#include "datafiles/cue_memory_file.h"
#include "memories/memory_index.h"
#include "platform/graphics.h"
#include "playback/cue_tables.h"
#include "playback/playback_state.h"
#include "playback/sequence_controls.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/mouse_input.h"
#include "setup/setup_data.h"
#include "ui/helpers.h"
#include "ui/panel_modes.h"
#include "ui/panels.h"
#include "ui/screens.h"

namespace ui {

namespace {

constexpr int16_t kBlack = 0;
constexpr int16_t kRed = 4;
constexpr int16_t kLightGrey = 7;
constexpr int16_t kLightBlue = 9;
constexpr int16_t kYellow = 14;

constexpr int16_t kSmallFont = 2;
constexpr int16_t kTextSize = 4;

// A counter's red box (inclusive) and the baseline of its text.
struct CounterBox {
    int16_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    int16_t width = 0;  // the width the text is centred in, from x1
    int16_t text_y = 0;
};
constexpr CounterBox kFreeMemoriesBox{2, 316, 41, 328, 40, 319};
constexpr CounterBox kFreeCueMemoriesBox{111, 316, 140, 328, 30, 319};
constexpr CounterBox kFreeCuesBox{2, 330, 41, 341, 40, 332};

// Titles.
constexpr int16_t kFixturePageTitleX = 57;
constexpr int16_t kCuePageTitleCentre = 100;
constexpr int16_t kControlChannelsTitleX = 410;
constexpr int16_t kControlChannelsTitleY = 3;
constexpr int16_t kSequenceTitleY = 111;
constexpr std::array<const char*, playback::kSequences + 1> kSequenceTitles = {"", "SEQ-A", "SEQ-B", "SEQ-C", "SEQ-D"};

// The fixture panel the mouse cursor is kept in while the trackerball moves it.
constexpr int16_t kFixturePanelLeft = 3;
constexpr int16_t kFixturePanelTop = 12;
constexpr int16_t kFixturePanelRight = 210;
constexpr int16_t kFixturePanelBottom = 203;

// The panel that shows the sequence panel: 2 on the cue screen, else 1.
constexpr int16_t kSequencePanelOnCueScreen = 2;
constexpr int16_t kSequencePanel = 1;

// A cue page's own prepare or trace mode: 0 follows the global setting.
constexpr uint8_t kPageModeFollow = 0;
constexpr uint8_t kOn = 1;

// The sequence keys whose LEDs a sequence's wheel mode owns.
constexpr std::array<int16_t, 9> kSequenceModeKeys = {
    runtime::KEY_SEQUENCE_RUN,       runtime::KEY_SEQUENCE_DIRECTION, runtime::KEY_SEQUENCE_DIRECTION_2,
    runtime::KEY_SEQUENCE_SYNC,      runtime::KEY_SEQUENCE_TRIGGER,   runtime::KEY_SEQUENCE_GO,
    runtime::KEY_SEQUENCE_CONTROL_1, runtime::KEY_SEQUENCE_CONTROL_2, runtime::KEY_SEQUENCE_CONTROL_3,
};

bool is_sequence_mode(int16_t mode) { return mode >= WHEEL_SEQUENCE_A && mode <= WHEEL_SEQUENCE_D; }

int16_t sequence_of_mode(int16_t mode) { return static_cast<int16_t>(mode - WHEEL_SEQUENCE_A + 1); }

int16_t sequence_mode_key(int16_t mode) { return static_cast<int16_t>(runtime::KEY_SEQUENCE_A + mode - WHEEL_SEQUENCE_A); }

bool sequence_runs(int16_t sequence) {
    return (playback::sequence_table[static_cast<size_t>(sequence)].mode & 0x03u) != 0;
}

void draw_counter(const CounterBox& box, int16_t n) {
    char text[16]{};
    std::snprintf(text, sizeof text, "%d", n);
    fill_box(box.x1, box.y1, box.x2, box.y2, kRed);
    set_text_style(kSmallFont, platform::kHorizontalText, kTextSize);
    platform::_setcolor(kYellow);
    const int16_t x = static_cast<int16_t>(box.x1 + (box.width - platform::_textwidth(text)) / 2);
    platform::_outtextxy(x, box.text_y, text);
}

// The page's own mode, or the global setting when the page follows it.
bool cue_page_mode_on(size_t page_field, size_t global_field, int16_t page) {
    const uint8_t own = setup::setup_data.u8(page_field + static_cast<size_t>(page - 1));
    if (own == kPageModeFollow) return setup::setup_data.u8(global_field) == kOn;
    return own == kOn;
}

// The sequence mode's key lit or dark by its run state, and the keys of the
// sequence the wheel showed switched off.
void release_sequence_mode_leds(int16_t mode) {
    runtime::set_key_led(sequence_mode_key(mode), sequence_runs(sequence_of_mode(mode)) ? runtime::LED_ON : runtime::LED_OFF);
    for (const int16_t key : kSequenceModeKeys) runtime::set_key_led(key, runtime::LED_OFF);
}

}  // namespace

void draw_free_counters() {
    fill_box(2, 316, 220, 341, kBlack);
    platform::_setcolor(kLightGrey);
    platform::_rectangle(1, 315, 221, 342);
    platform::_line(1, 329, 220, 329);
    platform::_line(42, 315, 42, 329);
    platform::_line(42, 329, 42, 342);
    platform::_line(110, 315, 110, 329);
    platform::_line(141, 315, 141, 329);

    set_text_style(kSmallFont, platform::kHorizontalText, kTextSize);
    platform::_setcolor(kYellow);
    platform::_outtextxy(44, 319, "/4000 mems");
    draw_free_memory_count(static_cast<int16_t>(kCounterMemories - memories::memory_used_count));
    platform::_setcolor(kYellow);
    platform::_outtextxy(143, 319, "/2000 cuemems");
    draw_free_cuemem_count(static_cast<int16_t>(kCounterCueMemories - datafiles::memcue_used_count));
    platform::_setcolor(kYellow);
    platform::_outtextxy(44, 332, "cues available of 11200");
    draw_free_cue_count(static_cast<int16_t>(kCounterCues - playback::cue_used_count));
}

void draw_free_memory_count(int16_t n) { draw_counter(kFreeMemoriesBox, n); }
void draw_free_cuemem_count(int16_t n) { draw_counter(kFreeCueMemoriesBox, n); }
void draw_free_cue_count(int16_t n) { draw_counter(kFreeCuesBox, n); }

void draw_cue_page_title(int16_t colour) {
    const int16_t page = runtime::cue_screen_page;
    // PREP before TRACE: both marks may show.
    const bool known = page >= 1 && page <= setup::kCuePages;
    const bool prepare = known && cue_page_mode_on(setup::kSetupCuePagePreparation, setup::kSetupAutoprepare, page);
    const bool trace = known && cue_page_mode_on(setup::kSetupCuePageTracing, setup::kSetupAutotrace, page);
    char text[40]{};
    std::snprintf(text, sizeof text, "CUE-PAGE %d%s%s", page, prepare ? " PREP" : "", trace ? " TRACE" : "");
    fill_box(2, 0, 220, 9, kBlack);
    draw_bitmap_text(static_cast<int16_t>(kCuePageTitleCentre - platform::_textwidth(text) / 2), 0, colour, text);
}

void draw_fixture_page_title(int16_t colour) {
    char text[32]{};
    std::snprintf(text, sizeof text, "FIXTURE-PAGE %d", runtime::fixture_page);
    draw_bitmap_text(kFixturePageTitleX, 0, colour, text);
    if (colour == kYellow) {
        // Wheel mode 1: the trackerball moves the cursor over the fixture panel.
        runtime::set_mouse_range(kFixturePanelLeft, kFixturePanelTop, kFixturePanelRight, kFixturePanelBottom);
        if (runtime::mouse_cursor_shown == 0) runtime::show_mouse_cursor(1);
    } else {
        runtime::set_mouse_range(0, 0, platform::kScreenWidth, platform::kScreenHeight);
        if (runtime::mouse_cursor_shown != 0) runtime::show_mouse_cursor(0);
    }
}

void draw_control_channels_title() {
    draw_bitmap_text(kControlChannelsTitleX, kControlChannelsTitleY, kYellow, "CONTROL CHANNELS");
}

void draw_sequence_title(int16_t sequence, int16_t colour) {
    if ((runtime::option_flags & runtime::OPT_SEQUENCE_PANEL) == 0) return;
    if (sequence < 1 || sequence > playback::kSequences) return;
    draw_bitmap_text(static_cast<int16_t>(100 * sequence + 175), kSequenceTitleY, colour,
                     kSequenceTitles[static_cast<size_t>(sequence)]);
}

void refresh_wheel_mode_display() {
    const int16_t mode = runtime::display_mode;
    if (mode == WHEEL_MOUSE) {
        if ((runtime::mode_flags & runtime::MODE_CUE_SCREEN) == 0) draw_fixture_page_title(kLightBlue);
    } else if (mode == WHEEL_CONTROL_CHANNELS) {
        draw_control_channels_title();
        if (runtime::current_fixture == -1) return;
        if ((runtime::mode_flags & runtime::MODE_TRACKERBALL_PANTILT) != 0) {
            runtime::set_key_led(runtime::KEY_TRACKERBALL_PANTILT, runtime::LED_OFF);
        } else if (runtime::fader_bank == 0) {
            runtime::set_key_led(runtime::fader_key(runtime::selected_fader_bank0), runtime::LED_ON);
        } else if (runtime::fader_bank == 2) {
            runtime::set_key_led(runtime::fader_key(runtime::selected_fader_bank2), runtime::LED_ON);
        }
    } else if (is_sequence_mode(mode)) {
        draw_sequence_title(sequence_of_mode(mode), kLightBlue);
        release_sequence_mode_leds(mode);
    }
}

void select_wheel_mode(int16_t mode) {
    const int16_t old = runtime::display_mode;
    if (old == mode || mode < WHEEL_MOUSE || mode > WHEEL_SEQUENCE_D) return;
    if (!is_sequence_mode(old) || !is_sequence_mode(mode)) {
        refresh_wheel_mode_display();
    } else {
        // Between two sequences: the old title is dimmed even where the panel is covered.
        draw_bitmap_text(static_cast<int16_t>(100 * sequence_of_mode(old) + 175), kSequenceTitleY, kLightBlue,
                         kSequenceTitles[static_cast<size_t>(sequence_of_mode(old))]);
        release_sequence_mode_leds(old);
    }
    runtime::display_mode = static_cast<uint8_t>(mode);
    if (mode == WHEEL_CONTROL_CHANNELS) {
        draw_control_channels_title();
    } else if (is_sequence_mode(mode)) {
        if ((runtime::option_flags & runtime::OPT_SEQUENCE_PANEL) == 0) {
            set_panel_mode((runtime::mode_flags & runtime::MODE_CUE_SCREEN) != 0 ? kSequencePanelOnCueScreen
                                                                                 : kSequencePanel);
        }
        runtime::set_key_led(sequence_mode_key(mode), runtime::LED_ON_2);
        draw_sequence_title(sequence_of_mode(mode), kYellow);
        playback::update_sequence_leds(sequence_of_mode(mode));
    }
}

}  // namespace ui
