#include "playback/playback_labels.h"

#include <cstdio>
#include <string_view>

#include "memories/memory_index.h"
#include "playback/playback_loading.h"
#include "playback/playback_record.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "ui/fader_widget.h"

namespace playback {

std::array<uint8_t, kPlaybacks + 1> playback_programming{};

void reset_playback_labels_globals() { playback_programming = {}; }

namespace {

constexpr int kConsolePlaybacks = 10;  // playbacks above 10 sit on the wing
constexpr int kLabelShift = 5;
constexpr int16_t kStripActive = 14;
constexpr int16_t kFrameSelected = 14;
constexpr int16_t kFrameNormal = 10;
constexpr const char* kFlashModeNames[] = {"FLASH", "TOGGLE", "KILL"};

size_t at(int n) { return static_cast<size_t>(n); }

bool led_borrowed() {
    return (runtime::run_flags & (runtime::RUN_CUE_COPY_DIALOG | runtime::RUN_FREEZE_SWITCHES)) != 0;
}

void set_label_mode(uint8_t mode) {
    runtime::mode_flags = (runtime::mode_flags & ~runtime::MODE_PLAYBACK_LABELS) |
                          ((static_cast<uint32_t>(mode) << kLabelShift) & runtime::MODE_PLAYBACK_LABELS);
}

// Label and wing texts of a programmed playback in the present label mode.
void build_label_texts(int p, std::array<char, 64>& widget, std::array<char, 64>& wing) {
    const PlaybackRecord& record = playback_table[at(p)];
    const int m = record.memory;
    const int c = playback_cue_origin[at(p)];
    const int page = c >= 1 ? (c - 1) / 700 + 1 : 0;
    const int cue = c >= 1 ? ((c - 1) / 10) % 70 + 1 : 0;
    const int point = c >= 1 ? (c - 1) % 10 : 0;
    switch (playback_label_mode()) {
    case 1:
        std::snprintf(widget.data(), widget.size(), "P%2d C%2d.%d M%4d", page, cue, point, m);
        std::snprintf(wing.data(), wing.size(), "%2d P%2d C%2d.%d M%4d", p, page, cue, point, m);
        return;
    case 2: {
        const char* flash = kFlashModeNames[get_playback_flash_mode(record)];
        std::snprintf(widget.data(), widget.size(), "MODE:%d  %s", record.fade_mode + 1, flash);
        std::snprintf(wing.data(), wing.size(), "%2d MODE:%d  %s", p, record.fade_mode + 1, flash);
        return;
    }
    default: {
        const std::string_view name = m >= 1 && m <= memories::kMemories ? memories::memory_name(static_cast<int16_t>(m))
                                                                           : std::string_view{};
        if (name.empty()) {
            std::snprintf(widget.data(), widget.size(), "*  (MEM%4d)", m);
            std::snprintf(wing.data(), wing.size(), "%2d NO NAME (MEM%4d)*", p, m);
        } else {
            const int length = static_cast<int>(name.size());
            std::snprintf(widget.data(), widget.size(), "%.*s", length, name.data());
            std::snprintf(wing.data(), wing.size(), "%2d %.*s", p, length, name.data());
        }
        return;
    }
    }
}

uint8_t label_led(int p, int16_t colour) {
    if (playback_programming[at(p)] != 0) return colour == kLabelPending ? runtime::LED_BLINK_BOTH : runtime::LED_ON_BOTH;
    if (colour == kLabelPending) return runtime::LED_BLINK;
    return playback_active[at(p)] != 0 ? runtime::LED_ON : runtime::LED_ON_2;
}

void redraw_programmed_labels() {
    for (int p = 1; p <= kPlaybacks; ++p) {
        if ((playback_table[at(p)].flags & kProgrammed) == 0) continue;
        const bool waits = playback_reload_pending[at(p)] != 0 || playback_linked_cue[at(p)] != 0;
        draw_playback_label(static_cast<int16_t>(p), 1, waits ? kLabelPending : kLabelNormal);
    }
}

}  // namespace

uint8_t playback_label_mode() {
    return static_cast<uint8_t>((runtime::mode_flags & runtime::MODE_PLAYBACK_LABELS) >> kLabelShift);
}

void draw_playback_label(int16_t p, uint8_t full, int16_t colour) {
    if (p < 1 || p > kPlaybacks) return;
    ui::FaderWidget& widget = ui::playback_fader_widgets[at(p)];
    const int16_t key = runtime::playback_key(p);
    if ((playback_table[at(p)].flags & kProgrammed) == 0) {
        ui::set_fader_widget_label_background(widget, colour);
        ui::set_fader_widget_label(widget, "");
        if (p > kConsolePlaybacks) {
            std::array<char, 32> wing{};
            std::snprintf(wing.data(), wing.size(), "%2d -----------------", p);
            set_wing_lcd_text(static_cast<int16_t>(p - kConsolePlaybacks), wing.data());
        }
        if (!led_borrowed()) runtime::set_key_led(key, playback_programming[at(p)] != 0 ? runtime::LED_ON_BOTH : runtime::LED_OFF);
        ui::set_fader_widget_strip_colour(widget, colour);
        return;
    }
    if (full == 1) {
        std::array<char, 64> widget_text{};
        std::array<char, 64> wing_text{};
        build_label_texts(p, widget_text, wing_text);
        ui::set_fader_widget_label_background(widget, colour);
        ui::set_fader_widget_label(widget, widget_text.data());
        if (p > kConsolePlaybacks) set_wing_lcd_text(static_cast<int16_t>(p - kConsolePlaybacks), wing_text.data());
    }
    ui::set_fader_widget_strip_colour(widget, playback_active[at(p)] != 0 ? kStripActive : colour);
    if (!led_borrowed()) runtime::set_key_led(key, label_led(p, colour));
}

void highlight_selected_playback(int16_t colour) {
    const int s = selected_playback >= 1 && selected_playback <= kPlaybacks ? selected_playback : 1;
    ui::set_fader_widget_frame_colour(ui::playback_fader_widgets[at(s)],
                                      colour == kFrameSelected ? kFrameSelected : kFrameNormal);
}

void cycle_playback_label_mode() {
    static constexpr uint8_t kPrevious[] = {2, 0, 1};
    const uint8_t mode = playback_label_mode();
    set_label_mode(mode <= 2 ? kPrevious[mode] : 0);
    redraw_programmed_labels();
}

void cycle_playback_label_mode_forward() {
    const uint8_t mode = playback_label_mode();
    set_label_mode(mode < 2 ? static_cast<uint8_t>(mode + 1) : 0);
    redraw_programmed_labels();
}

void select_previous_playback() {
    highlight_selected_playback(kLabelPending);
    if (selected_playback > 1) --selected_playback;
    highlight_selected_playback(kFrameSelected);
}

void select_next_playback() {
    highlight_selected_playback(kLabelPending);
    if (selected_playback < kPlaybacks) ++selected_playback;
    highlight_selected_playback(kFrameSelected);
}

}  // namespace playback
