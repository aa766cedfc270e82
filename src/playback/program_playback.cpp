#include "playback/program_playback.h"

#include <array>
#include <cstdio>

#include "datafiles/threshold_file.h"
#include "memories/commands.h"
#include "memories/memories.h"
#include "memories/memory_index.h"
#include "memories/thresholds.h"
#include "platform/graphics.h"
#include "playback/cue_editing.h"
#include "playback/cue_screen.h"
#include "playback/cue_tables.h"
#include "playback/key_groups.h"
#include "playback/playback_labels.h"
#include "playback/playback_loading.h"
#include "playback/playback_record.h"
#include "playback/playback_times.h"
#include "programmer/fixture_pages.h"
#include "runtime/config_records.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "runtime/main_loop.h"
#include "ui/counters.h"
#include "ui/edit_keys.h"
#include "ui/helpers.h"
#include "ui/message_line.h"
#include "ui/panel_modes.h"
#include "ui/panels.h"

namespace playback {

int16_t playback_dialog_page = 1;
int16_t playback_dialog_memory = 1;
uint8_t quick_fade_mode = 0;
PlaybackRecord playback_edit_backup{};

void reset_program_playback_globals() {
    playback_dialog_page = 1;
    playback_dialog_memory = 1;
    quick_fade_mode = 0;
    playback_edit_backup = {};
}

namespace {

using runtime::set_key_led;
namespace keys = runtime;

constexpr const char* kDialogMessage = "PROGRAM PLAYBACK (ESC=CANCEL)";
constexpr const char* kFadeModeNames[] = {
    "1=FADE CHANNELS WITH FADEPERMISSION", "2=FADING ENABLED FOR ALL CHANNELS", "3=FADING DISABLED FOR ALL CHANNELS",
    "4=FADING WITH FADEPERCENTAGE 100%",   "5=FADING WITH LTP-DIMMERS",         "6=FADING WITH LTP-DIMMERS + SNAP"};
constexpr const char* kFlashModeNames[] = {"FLASH", "TOGGLE", "KILL"};
constexpr const char* kSoundBandNames[] = {"NONE", "60 Hz", "400 Hz", "1.5 KHz", "5 KHz", "12 KHz"};
constexpr const char* kTriggerModeNames[] = {"BEAT", "LEVEL"};
constexpr uint8_t kLastFadeModeValue = 5;
constexpr uint8_t kLastSoundBand = 5;
constexpr int16_t kTimeMaxMinutes = 100;
constexpr int32_t kLongestTime_tenths = 60000;
constexpr int16_t kPageMemory = 1, kPageFadeIn = 2, kPageFadeOut = 3, kPageFlash = 4, kPageSound = 5, kPageTrigger = 6;

// The dialog's window over the lower right screen area, under the sequence
// panel, so that the panel stays in view and the panel switch on leaving
// redraws all the dialog covered.
constexpr int16_t kWinLeft = 229, kWinTop = 239, kWinRight = 639, kWinBottom = 479;
constexpr int16_t kRightAreaTop = 105;  // the whole right panel, sequence panel included
constexpr uint8_t kPlaybackWheels = 4;  // the wheel mode of the playbacks
constexpr int16_t kListLeft = 233, kListRight = 380, kRowsTop = kWinTop + 34, kRowHeight = 12, kListRows = 15;
constexpr int16_t kRecordLeft = 386, kRecordY = kRowsTop + 7 * kRowHeight;  // row 8
constexpr int16_t kDataLabelX = 390, kDataValueX = 520, kDataTop = kRecordY + 32, kDataStep = 16;

constexpr int16_t kDialogKeys[] = {keys::KEY_THRESHOLD, keys::KEY_FADE_MODE, keys::KEY_CLR,  keys::KEY_ADD_EVENTS,
                                   keys::KEY_DIGIT_2,   keys::KEY_UP,        keys::KEY_LAST, keys::KEY_NEXT,
                                   keys::KEY_GET_MEMORY, keys::KEY_ESC,      keys::KEY_ENTER};

size_t at(int n) { return static_cast<size_t>(n); }
bool valid_playback(int p) { return p >= 1 && p <= kPlaybacks; }
bool key_held(int16_t key) { return runtime::key_down_table[at(key)] != 0; }
bool blind() { return (runtime::run_flags & runtime::RUN_BLIND) != 0; }
PlaybackRecord& edit_record() { return playback_table[kPlaybackEditRecord]; }
bool edit_programmed() { return (edit_record().flags & kProgrammed) != 0; }

int32_t programmed_slot() { return cue_index(current_cue_page, current_cue, current_cue_point); }

bool live_for_this_cue(int p) { return !blind() && playback_cue_origin[at(p)] == programmed_slot(); }

void load_when_live(int p) {
    if (live_for_this_cue(p)) load_playback_from_record(static_cast<int16_t>(p));
}

PlaybackRecord* slot_entry(int p) {
    const int32_t slot = programmed_slot();
    if (slot < 1 || slot > kCueSlots) return nullptr;
    return cue_playback_table[at((slot - 1) * kPlaybacks + p)];
}

// Steps 3 and 4 of an opening: the playback shows this cue's assignment, and
// the edit record starts from the cue's slot (a learned MIDI code kept).
void prepare_edit_record(int p) {
    const int32_t slot = programmed_slot();
    if (!blind() && ui::playback_freeze[at(p)] != 1 && slot != playback_cue_origin[at(p)] &&
        slot != playback_linked_cue[at(p)]) {
        load_playback_from_cue(static_cast<int16_t>(slot), static_cast<int16_t>(p));
    }
    const PlaybackRecord* entry = slot_entry(p);
    PlaybackRecord& edit = edit_record();
    if (entry != nullptr && (entry->flags & kProgrammed) != 0) {
        edit = *entry;
    } else {
        edit = PlaybackRecord{};
        if (entry != nullptr && (entry->flags & kMidiLearned) != 0) {
            edit.flags = kMidiLearned;
            edit.midi_code = entry->midi_code;
        }
    }
    playback_edit_backup = edit;
}

// --- painters -------------------------------------------------------------------

void field_colours(bool current, int16_t& background, int16_t& text) {
    background = current ? 11 : 3;
    text = current ? 5 : 0;
}

void draw_field(int16_t x, int16_t y, int16_t width, const char* value, bool current) {
    int16_t background = 0, text = 0;
    field_colours(current, background, text);
    ui::fill_box(x, static_cast<int16_t>(y - 1), static_cast<int16_t>(x + width), static_cast<int16_t>(y + 10), background);
    if (value != nullptr) ui::draw_bitmap_text(static_cast<int16_t>(x + 2), y, text, value);
}

void draw_data_field(int line, const char* value, int16_t page) {
    draw_field(kDataValueX, static_cast<int16_t>(kDataTop + line * kDataStep), 110, value, page == line + 2);
}

void draw_memory_list(int16_t memory) {
    ui::fill_box(kListLeft, kRowsTop, kListRight, static_cast<int16_t>(kRowsTop + kListRows * kRowHeight), 0);
    for (int row = 0; row < kListRows; ++row) {
        const int m = memory - 7 + row;
        if (m < 1 || m > memories::kMemories) continue;
        std::array<char, 32> text{};
        const std::string_view name = memories::memory_name(static_cast<int16_t>(m));
        std::snprintf(text.data(), text.size(), "%4d %.*s", m, static_cast<int>(name.size()), name.data());
        ui::draw_bitmap_text(static_cast<int16_t>(kListLeft + 2), static_cast<int16_t>(kRowsTop + row * kRowHeight + 2),
                             m == memory ? 14 : 15, text.data());
    }
}

void redraw_memory_list_if_changed() {
    if (memories::current_memory == playback_dialog_memory) return;
    playback_dialog_memory = memories::current_memory;
    draw_memory_list(playback_dialog_memory);
}

void draw_flash_mode(int16_t page) {
    draw_data_field(2, edit_programmed() ? kFlashModeNames[get_playback_flash_mode(edit_record())] : nullptr, page);
}
void draw_sound_band(int16_t page) {
    draw_data_field(3, edit_programmed() ? kSoundBandNames[get_playback_sound_band(edit_record())] : nullptr, page);
}
void draw_trigger_mode(int16_t page) {
    draw_data_field(4, edit_programmed() ? kTriggerModeNames[get_playback_trigger_mode(edit_record())] : nullptr, page);
}
void draw_time(int line, uint16_t tenths, int16_t page) {
    draw_data_field(line, edit_programmed() ? format_playback_time(tenths).c_str() : nullptr, page);
}

void draw_threshold_cell(int16_t page) {
    const PlaybackRecord& r = edit_record();
    std::array<char, 32> text{};
    if (edit_programmed() && r.memory >= 1 && r.threshold >= 1 && r.threshold <= datafiles::kThresholds) {
        const auto& name = datafiles::threshold_index[at(r.threshold)].name;
        std::snprintf(text.data(), text.size(), "%2d %.*s", r.threshold, static_cast<int>(strnlen(name.data(), name.size())),
                      name.data());
    }
    draw_field(static_cast<int16_t>(kRecordLeft + 100), kRecordY, 100, text.data(), page == kPageMemory);
}

void draw_fade_mode_cell(int16_t page) {
    const PlaybackRecord& r = edit_record();
    std::array<char, 8> text{};
    if (edit_programmed() && r.memory >= 1) std::snprintf(text.data(), text.size(), "%d", r.fade_mode + 1);
    draw_field(static_cast<int16_t>(kRecordLeft + 204), kRecordY, 40, text.data(), page == kPageMemory);
}

void draw_memory_cell(int16_t page) {
    const PlaybackRecord& r = edit_record();
    std::array<char, 32> text{};
    if (edit_programmed() && r.memory >= 1) {
        const std::string_view name = r.memory <= memories::kMemories ? memories::memory_name(r.memory) : std::string_view{};
        std::snprintf(text.data(), text.size(), "%4d %.*s", r.memory, static_cast<int>(name.size()), name.data());
    }
    draw_field(kRecordLeft, kRecordY, 96, text.data(), page == kPageMemory);
}

void fade_mode_message(uint8_t mode) { ui::show_message("%s", kFadeModeNames[mode <= kLastFadeModeValue ? mode : 0]); }

// --- the dialog ------------------------------------------------------------------

void blink_dialog_keys(int16_t page) {
    for (const int16_t key : kDialogKeys) set_key_led(key, runtime::LED_BLINK);
    set_key_led(keys::KEY_EDIT_VALUE, page == kPageFadeIn || page == kPageFadeOut ? runtime::LED_BLINK : runtime::LED_OFF);
}

void dialog_keys_off() {
    for (const int16_t key : kDialogKeys) set_key_led(key, runtime::LED_OFF);
    set_key_led(keys::KEY_EDIT_VALUE, runtime::LED_OFF);
}

int16_t next_key() {
    while (!runtime::is_input_pending()) runtime::run_background();
    int16_t key = 0;
    return runtime::get_key(&key) ? key : 0;
}

enum class DialogEnd : uint8_t { store, cancel };

DialogEnd run_dialog_loop(int p) {
    const auto flash_key = runtime::playback_key(p);
    for (;;) {
        blink_dialog_keys(playback_dialog_page);
        const int16_t key = next_key();
        if (key_held(flash_key)) return DialogEnd::store;  // the flash key held down stores
        const int16_t page = playback_dialog_page;
        switch (key) {
        case keys::KEY_GET_MEMORY:
            dialog_keys_off();
            set_key_led(keys::KEY_GET_MEMORY, runtime::LED_ON);
            memories::run_get_memory();
            redraw_memory_list_if_changed();
            ui::show_message("%s", kDialogMessage);
            break;
        case keys::KEY_NEXT:
            memories::recall_next_memory();
            redraw_memory_list_if_changed();
            break;
        case keys::KEY_LAST:
            memories::recall_previous_memory();
            redraw_memory_list_if_changed();
            break;
        case keys::KEY_UP:
            playback_dialog_page = static_cast<int16_t>(page == 1 ? kPlaybackDialogPages : page - 1);
            draw_playback_record_row(playback_dialog_page);
            break;
        case keys::KEY_DIGIT_2:
            playback_dialog_page = static_cast<int16_t>(page == kPlaybackDialogPages ? 1 : page + 1);
            draw_playback_record_row(playback_dialog_page);
            break;
        case keys::KEY_ADD_EVENTS:
            set_edited_playback_memory(static_cast<int16_t>(p), playback_dialog_memory, 1, page);
            break;
        case keys::KEY_CLR: clear_edited_playback_memory(static_cast<int16_t>(p), page); break;
        case keys::KEY_THRESHOLD: select_playback_threshold(static_cast<int16_t>(p), page); break;
        case keys::KEY_FADE_MODE:
            select_playback_fade_mode(static_cast<int16_t>(p), page);
            ui::show_message("%s", kDialogMessage);
            break;
        case keys::KEY_EDIT_ITEM:
        case keys::KEY_EDIT_VALUE:
            if (page == kPageFadeIn) edit_playback_fade_in_time(static_cast<int16_t>(p), page);
            else if (page == kPageFadeOut) edit_playback_fade_out_time(static_cast<int16_t>(p), page);
            else if (key == keys::KEY_EDIT_VALUE) break;
            else if (page == kPageFlash) cycle_playback_flash_mode(static_cast<int16_t>(p), page);
            else if (page == kPageSound) cycle_playback_sound_band(static_cast<int16_t>(p), page);
            else if (page == kPageTrigger) cycle_playback_trigger_mode(static_cast<int16_t>(p), page);
            else if (edit_programmed() && edit_record().memory >= 1) {
                set_key_led(keys::KEY_ENTER, runtime::LED_OFF);
                choose_memory(edit_record().memory);
                show_playback_dialog(static_cast<int16_t>(p), playback_dialog_memory, playback_dialog_page);
            }
            break;
        case keys::KEY_ESC: return DialogEnd::cancel;
        case keys::KEY_ENTER: return DialogEnd::store;
        default: break;
        }
    }
}

// ESC: the cue's slot keeps its record; a playback that plays this cue gets
// back what it played when the dialog opened.
void cancel_dialog(int p) {
    if (!live_for_this_cue(p)) return;
    PlaybackRecord& live = playback_table[at(p)];
    const PlaybackRecord& backup = playback_edit_backup;
    if (live.memory == backup.memory && live.threshold == backup.threshold && live.fade_mode == backup.fade_mode) {
        // Times and modes do not move the stage: the live record takes them back at once.
        live.modes = backup.modes;
        live.fade_in = backup.fade_in;
        live.fade_out = backup.fade_out;
        if ((backup.flags & kProgrammed) == 0) live.flags = backup.flags;
        playback_reload_pending[at(p)] = 0;
        draw_playback_label(static_cast<int16_t>(p), 1, kLabelNormal);
        return;
    }
    edit_record() = backup;
    load_playback_from_record(static_cast<int16_t>(p));
}

void finish_programming(int p) {
    runtime::wait_key_release(runtime::playback_key(p));
    playback_programming[at(p)] = 0;
    update_playback_leds();
    ui::clear_message();
}

// The fade mode for the quick store, chosen on the digit keys 1..6 or
// stepped with + and -; ENTER keeps the mode shown.
uint8_t choose_quick_fade_mode() {
    std::array<uint8_t, 10> saved{};
    for (int d = 0; d < 10; ++d) saved[at(d)] = runtime::key_led_cache[at(keys::KEY_DIGIT_0 + d)];
    for (int d = 0; d < 10; ++d) set_key_led(static_cast<int16_t>(keys::KEY_DIGIT_0 + d), runtime::LED_OFF);
    for (int d = 1; d <= 6; ++d) set_key_led(static_cast<int16_t>(keys::KEY_DIGIT_0 + d), runtime::LED_BLINK);
    set_key_led(keys::KEY_PLUS, runtime::LED_BLINK);
    set_key_led(keys::KEY_MINUS, runtime::LED_BLINK);
    set_key_led(keys::KEY_ENTER, runtime::LED_BLINK);
    uint8_t mode = quick_fade_mode <= kLastFadeModeValue ? quick_fade_mode : 0;
    fade_mode_message(mode);
    for (;;) {
        const int16_t key = next_key();
        if (key >= keys::KEY_DIGIT_0 + 1 && key <= keys::KEY_DIGIT_0 + 6) {
            mode = static_cast<uint8_t>(key - keys::KEY_DIGIT_0 - 1);
            break;
        }
        if (key == keys::KEY_ENTER) break;
        if (key == keys::KEY_PLUS) mode = mode == kLastFadeModeValue ? 0 : static_cast<uint8_t>(mode + 1);
        if (key == keys::KEY_MINUS) mode = mode == 0 ? kLastFadeModeValue : static_cast<uint8_t>(mode - 1);
        if (key == keys::KEY_PLUS || key == keys::KEY_MINUS) fade_mode_message(mode);
    }
    quick_fade_mode = mode;
    for (int d = 0; d < 10; ++d) set_key_led(static_cast<int16_t>(keys::KEY_DIGIT_0 + d), saved[at(d)]);
    set_key_led(keys::KEY_PLUS, runtime::LED_OFF);
    set_key_led(keys::KEY_MINUS, runtime::LED_OFF);
    set_key_led(keys::KEY_ENTER, runtime::LED_OFF);
    return mode;
}

// A time field edited through the time entry; a cancel leaves it.
void edit_time_field(int p, int16_t page, bool fade_in) {
    if (!edit_programmed()) {
        ui::beep(400, 50);
        return;
    }
    ui::beep(800, 25);
    dialog_keys_off();
    for (int16_t key = keys::KEY_DIGIT_0; key <= keys::KEY_BACK; ++key) set_key_led(key, runtime::LED_BLINK);
    set_key_led(keys::KEY_ESC, runtime::LED_BLINK);
    set_key_led(keys::KEY_ENTER, runtime::LED_BLINK);
    ui::fill_box(2, 282, 220, 314, 4);
    ui::draw_bitmap_text(13, 290, 14, fade_in ? "FADE-IN" : "FADE-OUT");
    ui::show_message(fade_in ? "EDIT FADE-IN TIME (SECONDS)" : "EDIT FADE-OUT TIME (SECONDS)");
    const int32_t v = edit_time_value(kTimeMaxMinutes, fade_in ? "Fade-in Time @ Min @ Sec @ mSec"
                                                               : "Fade-out Time @ Min @ Sec @ mSec");
    if (v >= 0 && v <= kLongestTime_tenths) {
        (fade_in ? edit_record().fade_in : edit_record().fade_out) = static_cast<uint16_t>(v);
        draw_time(fade_in ? 0 : 1, static_cast<uint16_t>(v), page);
        load_when_live(p);
    }
    for (int16_t key = keys::KEY_DIGIT_0; key <= keys::KEY_BACK; ++key) set_key_led(key, runtime::LED_OFF);
    ui::redraw_cue_panel();
}

bool begin_field_edit() {
    if (!edit_programmed()) return false;
    ui::beep(800, 25);
    return true;
}

}  // namespace

// --- field editors -------------------------------------------------------------------

void set_edited_playback_memory(int16_t p, int16_t memory, uint8_t redraw, int16_t page) {
    if (!valid_playback(p)) return;
    edit_record().memory = memory;
    edit_record().flags |= kProgrammed;
    if (redraw != 0) draw_playback_record_row(page);
    load_when_live(p);
}

void clear_edited_playback_memory(int16_t p, int16_t page) {
    if (!valid_playback(p)) return;
    edit_record().memory = 0;
    edit_record().flags = static_cast<uint8_t>(edit_record().flags & ~kProgrammed);
    draw_playback_record_row(page);
    load_when_live(p);
}

void select_playback_threshold(int16_t p, int16_t page) {
    if (!valid_playback(p) || !begin_field_edit()) return;
    for (const int16_t key : {keys::KEY_LAST, keys::KEY_NEXT, keys::KEY_GET_MEMORY, keys::KEY_ESC, keys::KEY_FADE_MODE,
                              keys::KEY_ADD_EVENTS}) {
        set_key_led(key, runtime::LED_OFF);
    }
    set_key_led(keys::KEY_CLR, runtime::LED_BLINK);
    set_key_led(keys::KEY_THRESHOLD, runtime::LED_ON);
    memories::draw_threshold_grid();
    memories::select_threshold_cell(edit_record().threshold, 0);
    ui::show_message("SELECT THRESHOLD (CLR=DEFAULT)");
    while (key_held(keys::KEY_THRESHOLD)) {
        if (!runtime::is_input_pending()) {
            runtime::run_background();
            continue;
        }
        int16_t key = 0;
        if (!runtime::get_key(&key)) continue;
        const int16_t old = edit_record().threshold;
        if (key >= keys::KEY_FIXTURE_1 && key <= keys::KEY_FIXTURE_70) {
            edit_record().threshold = static_cast<uint8_t>(key - keys::KEY_FIXTURE_1 + 1);
        } else if (key == keys::KEY_CLR) {
            edit_record().threshold = 0;
        } else {
            continue;
        }
        draw_threshold_cell(page);
        load_when_live(p);
        memories::select_threshold_cell(edit_record().threshold, old);
    }
    // The grid leaves for the panel it covered.
    if ((runtime::mode_flags & runtime::MODE_CUE_SCREEN) != 0) {
        draw_point_cue_panel();
    } else {
        programmer::draw_fixture_screen();
    }
    ui::show_message("%s", kDialogMessage);
}

void select_playback_fade_mode(int16_t p, int16_t page) {
    if (!valid_playback(p) || !begin_field_edit()) return;
    dialog_keys_off();
    set_key_led(keys::KEY_FADE_MODE, runtime::LED_ON);
    PlaybackRecord& r = edit_record();
    r.fade_mode = r.fade_mode >= kLastFadeModeValue ? 0 : static_cast<uint8_t>(r.fade_mode + 1);
    draw_fade_mode_cell(page);
    load_when_live(p);
    fade_mode_message(r.fade_mode);
    runtime::wait_key_release_long(keys::KEY_FADE_MODE);
}

void edit_playback_fade_in_time(int16_t p, int16_t page) {
    if (valid_playback(p)) edit_time_field(p, page, true);
}

void edit_playback_fade_out_time(int16_t p, int16_t page) {
    if (valid_playback(p)) edit_time_field(p, page, false);
}

void cycle_playback_flash_mode(int16_t p, int16_t page) {
    if (!valid_playback(p) || !begin_field_edit()) return;
    const uint8_t mode = get_playback_flash_mode(edit_record());
    set_playback_flash_mode(edit_record(), mode >= 2 ? 0 : static_cast<uint8_t>(mode + 1));
    draw_flash_mode(page);
    load_when_live(p);
}

void cycle_playback_sound_band(int16_t p, int16_t page) {
    if (!valid_playback(p) || !begin_field_edit()) return;
    const uint8_t band = get_playback_sound_band(edit_record());
    set_playback_sound_band(edit_record(), band >= kLastSoundBand ? 0 : static_cast<uint8_t>(band + 1));
    draw_sound_band(page);
    load_when_live(p);
}

void cycle_playback_trigger_mode(int16_t p, int16_t page) {
    if (!valid_playback(p) || !begin_field_edit()) return;
    set_playback_trigger_mode(edit_record(), get_playback_trigger_mode(edit_record()) == 0 ? 1 : 0);
    draw_trigger_mode(page);
    load_when_live(p);
}

// --- painters ---------------------------------------------------------------------

void draw_playback_dialog(int16_t p) {
    ui::fill_box(kWinLeft, kWinTop, kWinRight, kWinBottom, 7);
    platform::_setcolor(15);
    platform::_rectangle(kWinLeft, kWinTop, kWinRight, kWinBottom);
    ui::fill_box(static_cast<int16_t>(kWinLeft + 1), static_cast<int16_t>(kWinTop + 1), static_cast<int16_t>(kWinRight - 1),
                 static_cast<int16_t>(kWinTop + 14), 1);
    const int32_t slot = programmed_slot();
    std::array<char, 80> title{};
    const auto& name = cue_header_table[at(slot >= 1 && slot <= kCueSlots ? slot : 0)].name;
    std::snprintf(title.data(), title.size(), "PLAYB.%d PG %d-CUE %d.%d %.*s", p, current_cue_page, current_cue,
                  current_cue_point - 1, static_cast<int>(strnlen(name.data(), name.size())), name.data());
    ui::draw_bitmap_text(static_cast<int16_t>(kWinLeft + 6), static_cast<int16_t>(kWinTop + 4), 15, title.data());
    ui::draw_bitmap_text(kListLeft, static_cast<int16_t>(kRowsTop - 12), 0, "MEMORIES");
    ui::draw_bitmap_text(kRecordLeft, static_cast<int16_t>(kRowsTop - 12), 0, "PROG.");
    ui::draw_bitmap_text(static_cast<int16_t>(kRecordLeft + 40), static_cast<int16_t>(kRowsTop - 12), 0, "MEMORIES");
    ui::draw_bitmap_text(static_cast<int16_t>(kRecordLeft + 110), static_cast<int16_t>(kRowsTop - 12), 0, "THRESHOLDS");
    ui::draw_bitmap_text(static_cast<int16_t>(kRecordLeft + 204), static_cast<int16_t>(kRowsTop - 12), 0, "MODE");
    ui::draw_bitmap_text(kDataLabelX, static_cast<int16_t>(kDataTop - kDataStep), 0, "DATA");
    constexpr const char* kCaptions[] = {"FADE-IN TIME", "FADE-OUT TIME", "FLASH-MODE", "SOUND-TRIGGER", "MODE-TRIGGER"};
    for (int line = 0; line < 5; ++line) {
        ui::draw_bitmap_text(kDataLabelX, static_cast<int16_t>(kDataTop + line * kDataStep), 0, kCaptions[line]);
    }
}

void draw_playback_record_row(int16_t page) {
    draw_memory_cell(page);
    draw_threshold_cell(page);
    draw_fade_mode_cell(page);
    const PlaybackRecord& r = edit_record();
    const bool shown = edit_programmed() && r.memory >= 1;
    if (!shown) {
        for (int line = 0; line < 5; ++line) draw_data_field(line, nullptr, page);
        return;
    }
    draw_time(0, r.fade_in, page);
    draw_time(1, r.fade_out, page);
    draw_flash_mode(page);
    draw_sound_band(page);
    draw_trigger_mode(page);
}

void show_playback_dialog(int16_t p, int16_t memory, int16_t page) {
    if ((runtime::option_flags & (runtime::OPT_TABLE_VIEW | runtime::OPT_ANALOGUE_VIEW)) != 0) {
        runtime::option_flags &= ~(runtime::OPT_TABLE_VIEW | runtime::OPT_ANALOGUE_VIEW);
        ui::save_panel_picture();
        ui::fill_box(kWinLeft, kRightAreaTop, kWinRight, kWinBottom, 0);
    }
    if ((runtime::option_flags & runtime::OPT_SEQUENCE_PANEL) == 0) ui::draw_sequence_panel();
    runtime::option_flags &= ~(runtime::OPT_CUE_GRID | runtime::OPT_MEMORY_LIST | runtime::OPT_FIXTURE_PANEL_RESTORED);
    for (const int16_t key : {keys::KEY_PANEL_1, keys::KEY_PANEL_2, keys::KEY_PANEL_3}) set_key_led(key, runtime::LED_OFF);
    if (runtime::display_mode != kPlaybackWheels) {
        ui::select_wheel_mode(kPlaybackWheels);
        set_key_led(runtime::playback_key(p), runtime::LED_ON_BOTH);
    }
    highlight_selected_playback(kLabelPending);
    selected_playback = static_cast<uint8_t>(p);
    highlight_selected_playback(14);
    draw_playback_dialog(p);
    draw_memory_list(memory);
    draw_playback_record_row(page);
    ui::show_message("%s", kDialogMessage);
}

// --- entry points -------------------------------------------------------------------

void program_playback(int16_t p) {
    if (!valid_playback(p)) return;
    const int16_t flash_key = runtime::playback_key(p);
    ui::beep(800, 100);
    playback_programming[at(p)] = 1;
    update_playback_leds();
    set_key_led(flash_key, runtime::LED_ON_BOTH);
    runtime::wait_key_release(flash_key);
    // A second press of the flash key while EDIT ITEM is held: the quick form.
    bool quick = false;
    bool was_down = key_held(flash_key);
    while (key_held(keys::KEY_EDIT_ITEM) && !quick) {
        if (runtime::is_input_pending()) {
            int16_t key = 0;
            runtime::get_key(&key);
        } else {
            runtime::run_background();
        }
        const bool down = key_held(flash_key);
        quick = down && !was_down;
        was_down = down;
    }
    prepare_edit_record(p);
    const int32_t slot = programmed_slot();
    if (quick) {
        set_edited_playback_memory(p, memories::current_memory, 0, playback_dialog_page);
        ui::beep(800, 100);
        store_playback_in_cue(p, slot, edit_record());
    } else {
        playback_dialog_memory = memories::current_memory;
        const uint8_t last_led = runtime::key_led_cache[at(keys::KEY_LAST)];
        const uint8_t next_led = runtime::key_led_cache[at(keys::KEY_NEXT)];
        show_playback_dialog(p, playback_dialog_memory, playback_dialog_page);
        if (run_dialog_loop(p) == DialogEnd::store) {
            ui::beep(800, 100);
            store_playback_in_cue(p, slot, edit_record());
        } else {
            cancel_dialog(p);
        }
        ui::fill_box(kWinLeft, kWinTop, kWinRight, kWinBottom, 0);
        ui::set_panel_mode(2);
        dialog_keys_off();
        set_key_led(keys::KEY_LAST, last_led);
        set_key_led(keys::KEY_NEXT, next_led);
    }
    finish_programming(p);
}

void program_playback_from_memory_screen(int16_t p) {
    if (!valid_playback(p)) return;
    playback_programming[at(p)] = 1;
    prepare_edit_record(p);
    set_edited_playback_memory(p, memories::current_memory, 0, 1);
    edit_record().fade_mode = choose_quick_fade_mode();
    // The live playback takes the chosen mode too (deferred while it runs).
    load_when_live(p);
    ui::beep(800, 100);
    store_playback_in_cue(p, programmed_slot(), edit_record());
    playback_programming[at(p)] = 0;
    ui::clear_message();
}

}  // namespace playback
