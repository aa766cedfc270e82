#include "playback/link_dialogs.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string_view>

#include "platform/graphics.h"
#include "playback/commands.h"
#include "playback/cue_screen.h"
#include "playback/cue_tables.h"
#include "playback/key_groups.h"
#include "playback/playback_jobs.h"
#include "playback/sequence_programming.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "runtime/main_loop.h"
#include "ui/entry_dialogs.h"
#include "ui/helpers.h"
#include "ui/message_line.h"
#include "ui/panels.h"

namespace playback {

void reset_link_dialogs_globals() {}

namespace {

namespace keys = runtime;
using runtime::set_key_led;

constexpr int kNoChoice = -1;
constexpr int kCueNumberLimit = 1000;  // digits are appended while the number is below this
constexpr int16_t kLightGrey = 7;

size_t at(int n) { return static_cast<size_t>(n); }
bool blind() { return (runtime::run_flags & runtime::RUN_BLIND) != 0; }

void set_digit_leds(uint8_t state) {
    for (int d = 0; d <= 9; ++d) set_key_led(static_cast<int16_t>(keys::KEY_DIGIT_0 + d), state);
}

int16_t next_key() {
    while (!runtime::is_input_pending()) runtime::run_background();
    int16_t key = 0;
    return runtime::get_key(&key) ? key : 0;
}

// The choice of a link: a cue slot, 0 for none. Returns whether ENTER took it.
bool choose_link(const LinkField& field, int present, int& chosen) {
    ui::beep(800, 25);
    set_key_led(keys::KEY_ESC, runtime::LED_BLINK);
    set_key_led(keys::KEY_ENTER, runtime::LED_BLINK);
    set_key_led(keys::KEY_CLR, runtime::LED_BLINK);
    set_digit_leds(runtime::LED_BLINK);
    if ((runtime::mode_flags & runtime::MODE_CUE_SCREEN) == 0) refresh_cue_mode();
    draw_link_field(field, present);
    ui::show_message("SELECT (POINT)CUE TO LINK (CLR=DEF)");
    int choice = present;
    int typed = 0;          // the cue number being typed, 0 none
    bool point_mode = false;
    for (;;) {
        set_key_led(keys::KEY_POINT, point_mode ? runtime::LED_ON : valid_cue_slot(choice) ? runtime::LED_BLINK
                                                                                           : runtime::LED_OFF);
        const int16_t key = next_key();
        if (key == keys::KEY_ESC) return false;
        if (key == keys::KEY_ENTER) {
            chosen = choice;
            return true;
        }
        int now = kNoChoice;
        if (key >= keys::KEY_GROUP_1 && key <= keys::KEY_GROUP_16) {
            const int page = key - keys::KEY_GROUP_1 + 1;
            show_cue_page(static_cast<int16_t>(page));
            now = cue_slot_of(page, 1, 1);
            typed = 0;
            point_mode = false;
        } else if (key >= keys::KEY_FIXTURE_1 && key <= keys::KEY_FIXTURE_70) {
            now = cue_slot_of(runtime::cue_screen_page, key - keys::KEY_FIXTURE_1 + 1, 1);
            typed = 0;
            point_mode = false;
        } else if (key == keys::KEY_POINT) {
            point_mode = true;
            continue;
        } else if (key >= keys::KEY_DIGIT_0 && key <= keys::KEY_DIGIT_9) {
            const int digit = key - keys::KEY_DIGIT_0;
            if (point_mode) {
                if (!valid_cue_slot(choice)) continue;
                now = choice - cue_slot_point(choice) + 1 + digit;  // the key for 0 gives point 1
            } else if (typed == 0) {
                typed = digit;
                now = typed == 0 ? 0 : (typed - 1) * kPointsPerCue + 1;
            } else if (typed < kCueNumberLimit) {
                typed = typed * 10 + digit;
                now = (typed - 1) * kPointsPerCue + 1;
            } else {
                continue;
            }
        } else if (key == keys::KEY_CLR) {
            now = 0;
            typed = 0;
            point_mode = false;
        } else {
            continue;
        }
        if (now != 0 && !valid_cue_slot(now)) {
            // Beyond the cue tables: the choice falls back to the link as it was.
            ui::beep(800, 400);
            typed = 0;
            point_mode = false;
            now = present;
        }
        choice = now;
        draw_link_field(field, choice);
    }
}

void finish_link_dialog(const LinkField& field, int link) {
    draw_link_field(field, link);
    if (runtime::cue_screen_page == current_cue_page && (runtime::mode_flags & runtime::MODE_CUE_SCREEN) != 0) {
        paint_cue_key(current_cue);
    }
    set_key_led(keys::KEY_ENTER, runtime::LED_OFF);
    set_key_led(keys::KEY_ESC, runtime::LED_OFF);
    set_key_led(keys::KEY_POINT, runtime::LED_OFF);
    set_digit_leds(runtime::LED_OFF);
}

uint8_t with_in_use(uint8_t flags, bool in_use) {
    return static_cast<uint8_t>(in_use ? flags | CUE_RECORD_IN_CUE : flags & ~CUE_RECORD_IN_CUE);
}

constexpr int32_t kErrorBeep_hz = 100;
constexpr uint32_t kErrorBeep_ms = 100;
constexpr int16_t kFullTimingFaderA = 4, kFullTimingFaderB = 6;
constexpr std::array<int32_t, 3> kFieldMax = {0, 59, 99};
constexpr std::array<const char*, 3> kFieldMessages = {"EDIT Timing (Minutes)", "EDIT Timing (Seconds)",
                                                       "EDIT Timing (mSeconds)"};

enum class TimeEnd : uint8_t { accept, use_default, cancel };

// Reads the three fields into field; how the entry ended.
TimeEnd read_time_fields(std::array<int32_t, 3>& field) {
    const int16_t fader = runtime::selected_fader_bank3;
    const uint8_t extra = fader == kFullTimingFaderA || fader == kFullTimingFaderB ? 1 : 0;
    for (size_t i = 0; i < field.size(); ++i) {
        ui::show_message("%s", kFieldMessages[i]);
        int16_t code = ui::kStepEscape;
        const int16_t v = ui::edit_step_value(-1, ui::kTimeEntryFieldX[i], ui::kTimeEntryFieldY, i == 0 ? 3 : 2, 0, 15, 0,
                                              i == 0 ? 0 : extra, &code);
        if (code == ui::kStepEscape) return TimeEnd::cancel;
        if (code == ui::kStepFunctions || code == ui::kStepFull) return TimeEnd::use_default;
        if (code == ui::kStepEmpty) return i == 0 ? TimeEnd::use_default : TimeEnd::accept;
        // Minutes beyond the most are taken as the most; seconds and tenths must fit.
        if (v < 0 || (i > 0 && v > kFieldMax[i])) {
            ui::beep(kErrorBeep_hz, kErrorBeep_ms);
            return TimeEnd::cancel;
        }
        field[i] = v;
        if (code == ui::kStepEnter) return TimeEnd::accept;
    }
    return TimeEnd::accept;
}

}  // namespace

void draw_link_field(const LinkField& field, int slot) {
    std::array<char, 64> text{};
    if (!valid_cue_slot(slot)) {
        std::snprintf(text.data(), text.size(), "NO CUE LINKED");
    } else {
        const std::string_view name = cue_slot_name(slot);
        const int page = cue_slot_page(slot), cue = cue_slot_cue(slot), point = cue_slot_point(slot);
        std::snprintf(text.data(), text.size(), "P%d C%d.%d (%d.%d) %.*s", page, cue, point - 1,
                      (page - 1) * kCuesPerPage + cue, point - 1, static_cast<int>(name.size()), name.data());
    }
    ui::fill_box(field.left, field.top, field.right, field.bottom, kLightGrey);
    platform::_setcolor(field.text_colour);
    const int width = platform::_textwidth(text.data());
    platform::_outtextxy(field.left + std::max(0, (field.right - field.left - width) / 2), field.top + 1, text.data());
}

void select_sequence_linked_cue(int16_t sequence) {
    if (sequence < 1 || sequence > kSequences) return;
    SequenceRecord& r = sequence_edit_record;
    int chosen = r.linked_cue;
    if (choose_link(kSequenceLinkField, r.linked_cue, chosen)) r.linked_cue = static_cast<uint16_t>(chosen);
    const bool in_use = r.start_memory != 0 || r.end_memory != 0 || r.loop_length != 0 || r.linked_cue != 0;
    r.flags = with_in_use(r.flags, in_use);
    if (!blind() && sequence_cue_origin(sequence) == current_cue_slot()) {
        SequenceRecord& live = sequence_table[at(sequence)];
        live.flags = with_in_use(live.flags, in_use);
        live.linked_cue = r.linked_cue;
    }
    finish_link_dialog(kSequenceLinkField, r.linked_cue);
}

void select_pointcue_linked_cue(const LinkField& field) {
    PointcueRecord& r = pointcue_edit_record;
    int chosen = r.linked_cue;
    if (choose_link(field, r.linked_cue, chosen)) r.linked_cue = static_cast<int16_t>(chosen);
    // Only the record being programmed: the slot's stored record changes
    // when the dialog stores, and ESC leaves it as it was.
    r.flags = with_in_use(r.flags, r.point_memory >= 1 || r.linked_cue != 0);
    finish_link_dialog(field, r.linked_cue);
}

int32_t edit_timing_value(int16_t max_minutes, const char* prompt, int16_t default_time) {
    set_key_led(keys::KEY_EDIT_VALUE, runtime::LED_ON);
    runtime::option_flags &= ~(runtime::OPT_CUE_PANEL | runtime::OPT_MEMORY_STATE_SHOWN);
    const ui::TimeEntryBox box = ui::open_time_entry_box(prompt);
    std::array<int32_t, 3> field{};
    const TimeEnd end = read_time_fields(field);
    int32_t result = kTimeEntryCancelled;
    if (end == TimeEnd::use_default) {
        result = default_time;
    } else if (end == TimeEnd::accept) {
        if (field[0] >= max_minutes) result = max_minutes * 600;
        else result = field[0] * 600 + field[1] * 10 + (field[2] >= 10 ? field[2] / 10 : field[2]);
    }
    ui::close_time_entry_box(box);
    ui::redraw_cue_panel();
    set_key_led(keys::KEY_EDIT_VALUE, runtime::LED_OFF);
    return result;
}

}  // namespace playback
