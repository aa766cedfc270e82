#include "playback/playback_times.h"

#include <array>

#include "datafiles/cue_files.h"
#include "platform/graphics.h"
#include "playback/cue_tables.h"
#include "playback/key_groups.h"
#include "playback/playback_loading.h"
#include "playback/playback_record.h"
#include "runtime/config_records.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "runtime/main_loop.h"
#include "sync/sync_services.h"
#include "ui/entry_dialogs.h"
#include "ui/helpers.h"
#include "ui/message_line.h"

namespace playback {

namespace {

using runtime::set_key_led;

constexpr int16_t kFullTimingFaderA = 4;  // timing faders whose time may be infinite (FULL)
constexpr int16_t kFullTimingFaderB = 6;
constexpr int32_t kLongestTime_tenths = 60000;  // 6000 seconds
constexpr int32_t kErrorBeepHz = 100;
constexpr uint32_t kErrorBeep_ms = 100;
constexpr std::array<const char*, 3> kTimeFieldPrompts = {"EDIT Timing (Minutes)", "EDIT Timing (Seconds)",
                                                          "EDIT Timing (mSeconds)"};

constexpr const char* kFlashPrompts[] = {"SELECT FLASH PLAYBACKS", "SELECT TOGGLE PLAYBACKS", "SELECT KILL PLAYBACKS"};
constexpr const char* kTimeTitles[] = {"DELAY-IN", "FADE-IN", "DELAY-OUT", "FADE-OUT", "HOLD"};
constexpr const char* kTimeMessages[] = {"EDIT DELAY-IN TIME (SECONDS)", "EDIT FADE-IN TIME (SECONDS)",
                                         "EDIT DELAY-OUT TIME (SECONDS)", "EDIT FADE-OUT TIME (SECONDS)",
                                         "EDIT HOLD TIME (SECONDS)"};
constexpr const char* kTimeCaptions[] = {"Delay-in Time @ Min @ Sec @ mSec", "Fade-in Time @ Min @ Sec @ mSec",
                                         "Delay-out Time @ Min @ Sec @ mSec", "Fade-out Time @ Min @ Sec @ mSec",
                                         "Hold Time @ Min @ Sec @ mSec"};
// Keys the flash-mode selection puts out when it changed a record.
constexpr int16_t kCueToolKeys[] = {runtime::KEY_CLR,  runtime::KEY_THRESHOLD, runtime::KEY_FADE_MODE, runtime::KEY_ADD_EVENTS,
                                    runtime::KEY_LAST, runtime::KEY_NEXT,      runtime::KEY_GET_MEMORY};
constexpr int16_t kTimeMaxMinutes = 100;

size_t at(int n) { return static_cast<size_t>(n); }
bool key_held(int16_t key) { return runtime::key_down_table[at(key)] != 0; }
bool timecode_idle() { return synchro::timecode_mode == 0; }
bool blind() { return (runtime::run_flags & runtime::RUN_BLIND) != 0; }

int32_t current_slot() { return cue_index(current_cue_page, current_cue, current_cue_point); }

PlaybackRecord* cue_record(int32_t slot, int p) {
    if (slot < 1 || slot > kCueSlots) return nullptr;
    return cue_playback_table[at((slot - 1) * kPlaybacks + p)];
}

bool programmed_in_cue(int32_t slot, int p) {
    const PlaybackRecord* r = cue_record(slot, p);
    return r != nullptr && (r->flags & kProgrammed) != 0;
}

void save_cue_playback(int32_t slot, int p) {
    int16_t page = 0, cue = 0, point = 0;
    cue_of_index(slot, page, cue, point);
    datafiles::save_cue_playback_record(cue, point, page, static_cast<int16_t>(p));
}

// The cue's record of p goes through the edit record to the playback when
// the playback plays this cue and the console is not blind.
void load_when_live(int32_t slot, int p) {
    if (blind() || playback_cue_origin[at(p)] != slot) return;
    playback_table[kPlaybackEditRecord] = *cue_record(slot, p);
    playback_table[kPlaybackEditRecord].flags |= kProgrammed;
    load_playback_from_record(static_cast<int16_t>(p));
}

void take_playback_keys() {
    if (timecode_idle()) runtime::run_flags |= runtime::RUN_PLAYBACK_KEYS_TAKEN;
}

void give_playback_keys_back() {
    if (!timecode_idle()) return;
    runtime::run_flags &= ~runtime::RUN_PLAYBACK_KEYS_TAKEN;
    update_playback_leds();
}

void digit_keys_leds(uint8_t state) {
    for (int16_t key = runtime::KEY_DIGIT_0; key <= runtime::KEY_BACK; ++key) set_key_led(key, state);
    set_key_led(runtime::KEY_ESC, state);
    set_key_led(runtime::KEY_ENTER, state);
}

// Waits, running the poll, until key is released.
void wait_release(int16_t key) {
    while (key_held(key)) {
        if (runtime::is_input_pending()) {
            int16_t ignored = 0;
            runtime::get_key(&ignored);
        } else {
            runtime::run_background();
        }
    }
}

// A pending key, read only when one is there (the poll runs otherwise).
int16_t pending_key() {
    if (!runtime::is_input_pending()) {
        runtime::run_background();
        return 0;
    }
    int16_t key = 0;
    return runtime::get_key(&key) ? key : 0;
}

// The flash keys never reach a command as key presses (the key reader acts
// on them itself): a command sees them go down in the key-down table.
using FlashKeysDown = std::array<uint8_t, kPlaybacks + 1>;

FlashKeysDown flash_keys_down() {
    FlashKeysDown down{};
    for (int p = 1; p <= kPlaybacks; ++p) down[at(p)] = key_held(runtime::playback_key(p)) ? 1 : 0;
    return down;
}

// The first flash key that went down since before, 0 none; before is updated.
int newly_pressed_playback(FlashKeysDown& before) {
    const FlashKeysDown now = flash_keys_down();
    int pressed = 0;
    for (int p = 1; p <= kPlaybacks && pressed == 0; ++p) {
        if (now[at(p)] != 0 && before[at(p)] == 0) pressed = p;
    }
    before = now;
    return pressed;
}

void draw_title_box(const char* title) {
    ui::fill_box(2, 282, 220, 314, 4);
    ui::draw_bitmap_text(13, 290, 14, title);
}

// Asks the time of a playback or point-cue field: tenths 0..60000, or -1.
int32_t ask_time(int16_t which) {
    ui::beep(800, 25);
    digit_keys_leds(runtime::LED_BLINK);
    draw_title_box(kTimeTitles[which]);
    ui::show_message("%s", kTimeMessages[which]);
    const int32_t tenths = edit_time_value(kTimeMaxMinutes, kTimeCaptions[which]);
    digit_keys_leds(runtime::LED_OFF);
    return tenths >= 0 && tenths <= kLongestTime_tenths ? tenths : -1;
}

uint16_t& pointcue_time(PointcueRecord& record, int16_t which) {
    switch (which) {
    case kTimeDelayIn: return record.delay_in;
    case kTimeFadeIn: return record.fade_in;
    case kTimeDelayOut: return record.delay_out;
    case kTimeFadeOut: return record.fade_out;
    default: return record.hold;
    }
}

}  // namespace

int32_t edit_time_value(int16_t max_minutes, const char* caption) {
    set_key_led(runtime::KEY_EDIT_VALUE, runtime::LED_ON);
    const ui::TimeEntryBox box = ui::open_time_entry_box(caption);
    const int16_t fader = runtime::selected_fader_bank3;
    const uint8_t full_allowed = fader == kFullTimingFaderA || fader == kFullTimingFaderB ? 1 : 0;
    constexpr std::array<int32_t, 3> kFieldMax = {0, 59, 99};
    std::array<int32_t, 3> field{};
    int32_t result = kTimeEntryEscape;
    bool zero = false;
    for (size_t i = 0; i < field.size(); ++i) {
        ui::show_message("%s", kTimeFieldPrompts[i]);
        int16_t exit = ui::kStepEscape;
        const int16_t v = ui::edit_step_value(-1, ui::kTimeEntryFieldX[i], ui::kTimeEntryFieldY, 2 + (i == 0 ? 1 : 0), 0, 15, 0,
                                              i == 0 ? 0 : full_allowed, &exit);
        const int32_t most = i == 0 ? max_minutes : kFieldMax[i];
        if (exit == ui::kStepEscape) break;
        if (exit == ui::kStepFunctions || exit == ui::kStepFull || (exit == ui::kStepEmpty && i == 0)) {
            zero = true;
            break;
        }
        if (exit == ui::kStepEmpty) {
            result = field[0] * 600 + field[1] * 10;
            break;
        }
        if (v < 0 || v > most) {
            ui::beep(kErrorBeepHz, kErrorBeep_ms);
            break;
        }
        field[i] = v;
        const bool last = i + 1 == field.size();
        if (exit == ui::kStepEnter || last) {
            const int32_t tenths = field[2] >= 10 ? field[2] / 10 : field[2];
            result = field[0] * 600 + field[1] * 10 + tenths;
            break;
        }
    }
    if (zero) result = 0;
    else if (result != kTimeEntryEscape && field[0] >= max_minutes) result = max_minutes * 600;
    ui::close_time_entry_box(box);
    ui::redraw_cue_panel();
    set_key_led(runtime::KEY_EDIT_VALUE, runtime::LED_OFF);
    return result;
}

void select_flash_mode_playbacks(int16_t mode) {
    if (mode < 0 || mode > 2) return;
    const auto held = static_cast<int16_t>(runtime::KEY_FLASH_MODE + mode);
    const int32_t slot = current_slot();
    std::array<uint8_t, kPlaybacks + 1> available{};
    std::array<uint8_t, kPlaybacks + 1> selected{};
    for (int p = 1; p <= kPlaybacks; ++p) {
        available[at(p)] = programmed_in_cue(slot, p) ? 1 : 0;
        selected[at(p)] = available[at(p)] != 0 && get_playback_flash_mode(*cue_record(slot, p)) == mode ? 1 : 0;
    }
    ui::show_message("%s", kFlashPrompts[mode]);
    ui::beep(800, 100);
    set_key_led(held, runtime::LED_ON);
    take_playback_keys();
    FlashKeysDown before = flash_keys_down();
    while (key_held(held)) {
        if (!timecode_idle()) {
            runtime::run_background();
            continue;
        }
        set_key_led(runtime::KEY_SELECT_PLAYBACKS, runtime::LED_BLINK);
        for (int p = 1; p <= kPlaybacks; ++p) {
            const uint8_t state = selected[at(p)] != 0    ? runtime::LED_BLINK_2
                                  : available[at(p)] != 0 ? runtime::LED_BLINK_BOTH
                                                          : runtime::LED_OFF;
            set_key_led(runtime::playback_key(p), state);
        }
        pending_key();
        if (key_held(runtime::KEY_SELECT_PLAYBACKS)) {
            selected = available;
            wait_release(runtime::KEY_SELECT_PLAYBACKS);
        } else if (const int p = newly_pressed_playback(before); p != 0 && available[at(p)] != 0 && selected[at(p)] == 0) {
            selected[at(p)] = 1;
            set_key_led(runtime::playback_key(p), runtime::LED_ON_2);
            wait_release(runtime::playback_key(p));
        }
        before = flash_keys_down();
    }
    if (timecode_idle()) {
        give_playback_keys_back();
        set_key_led(runtime::KEY_SELECT_PLAYBACKS, runtime::LED_OFF);
    }
    bool changes = false;
    for (int p = 1; p <= kPlaybacks; ++p) {
        set_key_led(runtime::playback_key(p), selected[at(p)] != 0 ? runtime::LED_ON_2 : runtime::LED_OFF);
        changes = changes || (selected[at(p)] != 0 && get_playback_flash_mode(*cue_record(slot, p)) != mode);
    }
    if (changes) {
        ui::beep(800, 25);
        runtime::option_flags &= ~(runtime::OPT_CUE_PANEL | runtime::OPT_MEMORY_STATE_SHOWN);
        for (const int16_t key : kCueToolKeys) set_key_led(key, runtime::LED_OFF);
        for (int p = 1; p <= kPlaybacks; ++p) {
            PlaybackRecord* record = cue_record(slot, p);
            if (selected[at(p)] == 0 || get_playback_flash_mode(*record) == mode) continue;
            set_playback_flash_mode(*record, static_cast<uint8_t>(mode));
            load_when_live(slot, p);
            save_cue_playback(slot, p);
        }
        digit_keys_leds(runtime::LED_OFF);
        ui::redraw_cue_panel();
    }
    give_playback_keys_back();
    set_key_led(held, runtime::LED_OFF);
    ui::clear_message();
}

void edit_playback_times(int16_t which) {
    if (which < kTimeDelayIn || which > kTimeHold) return;
    const auto held = static_cast<int16_t>(runtime::KEY_DELAY_IN + which);
    const int32_t slot = current_slot();
    const bool fade_time = which == kTimeFadeIn || which == kTimeFadeOut;
    std::array<uint8_t, kPlaybacks + 1> selected{};
    ui::show_message("SELECT PLAYBACK TO EDIT");
    ui::beep(800, 100);
    take_playback_keys();
    set_key_led(held, runtime::LED_ON);
    bool pointcue_chosen = false;
    FlashKeysDown before = flash_keys_down();
    while (key_held(held) && !pointcue_chosen) {
        bool any_selected = false;
        for (int p = 1; p <= kPlaybacks; ++p) any_selected = any_selected || selected[at(p)] != 0;
        const bool pointcue_offered = !any_selected && programmed_pointcue(slot) != nullptr;
        if (fade_time) {
            for (int p = 1; p <= kPlaybacks; ++p) {
                const uint8_t state = selected[at(p)] != 0        ? runtime::LED_ON_2
                                      : programmed_in_cue(slot, p) ? runtime::LED_BLINK_BOTH
                                                                   : runtime::LED_OFF;
                set_key_led(runtime::playback_key(p), state);
            }
        }
        const bool cue_screen = (runtime::mode_flags & runtime::MODE_CUE_SCREEN) != 0;
        set_key_led(runtime::KEY_CUE, pointcue_offered ? runtime::LED_BLINK_BOTH
                                      : cue_screen     ? runtime::LED_ON
                                                       : runtime::LED_OFF);
        const int16_t key = pending_key();
        const int pressed = newly_pressed_playback(before);
        if (key == runtime::KEY_CUE && pointcue_offered) {
            ui::beep(800, 100);
            selected.fill(0);
            pointcue_chosen = true;
            wait_release(runtime::KEY_CUE);
            wait_release(held);
        } else if (pressed != 0 && fade_time && programmed_in_cue(slot, pressed)) {
            selected[at(pressed)] = selected[at(pressed)] != 0 ? 0 : 1;
        }
    }
    give_playback_keys_back();
    bool any_selected = false;
    for (int p = 1; p <= kPlaybacks; ++p) any_selected = any_selected || selected[at(p)] != 0;
    if (any_selected) {
        const int32_t tenths = ask_time(which);
        if (tenths >= 0) {
            for (int p = 1; p <= kPlaybacks; ++p) {
                if (selected[at(p)] == 0 || !programmed_in_cue(slot, p)) continue;
                PlaybackRecord* record = cue_record(slot, p);
                (which == kTimeFadeIn ? record->fade_in : record->fade_out) = static_cast<uint16_t>(tenths);
                load_when_live(slot, p);
                save_cue_playback(slot, p);
            }
        }
    } else if (pointcue_chosen) {
        const int32_t tenths = ask_time(which);
        PointcueRecord* record = programmed_pointcue(slot);
        if (tenths >= 0 && record != nullptr) {
            pointcue_time(*record, which) = static_cast<uint16_t>(tenths);
            int16_t page = 0, cue = 0, point = 0;
            cue_of_index(slot, page, cue, point);
            datafiles::save_pointcue_record(cue, point, page);
        }
    }
    set_key_led(held, runtime::LED_OFF);
    set_key_led(runtime::KEY_CUE, (runtime::mode_flags & runtime::MODE_CUE_SCREEN) != 0 ? runtime::LED_ON : runtime::LED_OFF);
    ui::clear_message();
}

}  // namespace playback
