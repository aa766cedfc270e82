#include "playback/sequence_programming.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <new>
#include <string_view>

#include "datafiles/cue_files.h"
#include "datafiles/small_tables.h"
#include "memcheck/memcheck.h"
#include "memories/commands.h"
#include "memories/memories.h"
#include "memories/memory_index.h"
#include "memories/memory_output.h"
#include "memories/thresholds.h"
#include "platform/graphics.h"
#include "playback/commands.h"
#include "playback/cue_screen.h"
#include "playback/cue_tables.h"
#include "playback/key_groups.h"
#include "playback/link_dialogs.h"
#include "playback/playback_record.h"
#include "playback/playback_wing.h"
#include "playback/sequence_commands.h"
#include "playback/sequence_engine.h"
#include "playback/sequence_controls.h"
#include "programmer/fixture_pages.h"
#include "runtime/card_access.h"
#include "runtime/config_records.h"
#include "runtime/card_discovery.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/key_codes.h"
#include "runtime/key_dispatch.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "runtime/main_loop.h"
#include "runtime/show_tables.h"
#include "ui/counters.h"
#include "ui/edit_keys.h"
#include "ui/helpers.h"
#include "ui/message_line.h"
#include "ui/panel_modes.h"
#include "ui/panels.h"

namespace playback {

SequenceRecord sequence_edit_record{};
SequenceRecord sequence_edit_backup{};
int16_t sequence_dialog_memory = 1;
int16_t sequence_dialog_step = 2;
int16_t sequence_dialog_row = 6;

void reset_sequence_programming_globals() {
    sequence_edit_record = {};
    sequence_edit_backup = {};
    sequence_dialog_memory = 1;
    sequence_dialog_step = 2;
    sequence_dialog_row = 6;
}

namespace {

namespace keys = runtime;
using runtime::set_key_led;

constexpr uint8_t kProgrammedBit = CUE_RECORD_IN_CUE;
constexpr uint8_t kMidiBit = CUE_RECORD_MIDI;
constexpr int kStartStep = 1, kEndStep = kSequenceSteps;
constexpr int16_t kRowStart = 1, kRowCursor = 6, kRowEnd = 11, kRowSound = 12;
constexpr uint8_t kLastFadeMode = 5;
constexpr uint8_t kLastSoundBand = 5;
constexpr uint8_t kLastBeats = 6;
constexpr int kThresholds = 70;
constexpr size_t kSequenceByte = 1, kPlaybackByte = 0;  // of a transp_table entry
constexpr int16_t kBlack = 0, kBlue = 1, kCyan = 3, kRedBox = 4, kMagenta = 5, kLightGrey = 7, kDarkGrey = 8,
                  kLightBlue = 9, kLightCyan = 11, kLightRed = 12, kYellow = 14, kWhite = 15;
constexpr const char* kDialogMessage = "PROGRAM SEQUENCE (ESC=CANCEL)";
constexpr const char* kFadeModeNames[] = {
    "1=FADE CHANNELS WITH FADEPERMISSION", "2=FADING ENABLED FOR ALL CHANNELS", "3=FADING DISABLED FOR ALL CHANNELS",
    "4=FADING WITH FADEPERCENTAGE 100%",   "5=FADING WITH LTP-DIMMERS",         "6=FADING WITH LTP-DIMMERS + SNAP"};
constexpr int16_t kDialogKeys[] = {keys::KEY_DOWN,      keys::KEY_UP,        keys::KEY_LAST,          keys::KEY_NEXT,
                                   keys::KEY_GET_MEMORY, keys::KEY_ESC,      keys::KEY_PAGE_UP,       keys::KEY_PAGE_DOWN,
                                   keys::KEY_LOOP_COUNTER, keys::KEY_FADE_MODE, keys::KEY_THRESHOLD,  keys::KEY_CLR,
                                   keys::KEY_INSERT_EVENTS, keys::KEY_LINK_CUE, keys::KEY_ADD_EVENTS};
// Keys that the memory editor of choose_memory keeps from the dispatcher.
constexpr int16_t kChooserIgnored[] = {keys::KEY_EDIT_ITEM, keys::KEY_SHIFT, keys::KEY_GET_MEMORY, keys::KEY_LAST,
                                       keys::KEY_NEXT,      keys::KEY_LOAD,  keys::KEY_SAVE,       keys::KEY_SETUP,
                                       keys::KEY_PLAY,      keys::KEY_REC,   keys::KEY_STOP,       keys::KEY_EDIT,
                                       keys::KEY_TIMECODE_MODE};

size_t at(int n) { return static_cast<size_t>(n); }
bool valid_sequence(int s) { return s >= 1 && s <= kSequences; }
bool blind() { return (runtime::run_flags & runtime::RUN_BLIND) != 0; }
bool option_set(uint32_t bit) { return (runtime::option_flags & bit) != 0; }
bool key_held(int16_t key) { return runtime::key_down_table[at(key)] != 0; }
bool valid_memory(int m) { return m >= 1 && m <= memories::kMemories; }
int entry_index(int slot, int s) { return (slot - 1) * kSequences + s; }

// The memory of step 1..102 (start, loop memories, end).
uint16_t& step_memory(SequenceRecord& r, int step) {
    if (step <= kStartStep) return r.start_memory;
    if (step >= kEndStep) return r.end_memory;
    return r.loop_memories[at(step - 1)];
}

int last_loop_step(const SequenceRecord& r) { return std::max(r.loop_length + 1, 2); }

// A record read from a file may hold values beyond its tables: the loop is
// cut before its first bad memory and out-of-range modes count as none.
void make_record_sound(SequenceRecord& r) {
    if (r.loop_length > kLoopMemories) r.loop_length = 0;
    for (int i = 1; i <= r.loop_length; ++i) {
        if (!valid_memory(r.loop_memories[at(i)])) {
            r.loop_length = static_cast<uint8_t>(i - 1);
            break;
        }
    }
    for (int step = 1; step <= kSequenceSteps; ++step) {
        if (r.step_fade_modes[at(step)] > kLastFadeMode) r.step_fade_modes[at(step)] = 0;
        if (r.step_thresholds[at(step)] > kThresholds) r.step_thresholds[at(step)] = 0;
    }
    if (r.sound_band > kLastSoundBand) r.sound_band = 0;
    if (r.beats_per_step > kLastBeats) r.beats_per_step = 0;
}

// The memory a sequence shows as its label: -1 leaves the label as it was.
int32_t label_memory(const SequenceRecord& r) {
    if ((r.flags & kProgrammedBit) == 0) return 0;
    if (r.start_memory != 0) return r.start_memory;
    if (r.loop_length != 0) {
        const bool backward = sequence_mode_field(r.mode, kSequenceDirectionShift) == kDirectionBackward;
        return r.loop_memories[at(backward ? std::min<int>(r.loop_length, kLoopMemories) : 1)];
    }
    return r.end_memory != 0 ? r.end_memory : -1;
}

void clear_layer_zero_owners() {
    const auto n = static_cast<size_t>(std::max<int16_t>(runtime::function_record_count, 0));
    const auto keep = static_cast<uint16_t>(~runtime::FLAG_STEP_SOURCE);
    if (runtime::channel_flags != nullptr) {
        for (size_t r = 1; r <= n; ++r) runtime::channel_flags[r] &= keep;
    }
    if (runtime::generator_flags != nullptr) {
        for (size_t i = 1; i <= n * runtime::kGeneratorBytesPerRecord; ++i) runtime::generator_flags[i] &= keep;
    }
    for (uint16_t& flags : runtime::figure_flags) flags &= keep;
}

// The origin and label fields of the sequence panel.
void draw_origin_fields(int s) {
    if (!option_set(runtime::OPT_SEQUENCE_PANEL)) return;
    ui::draw_sequence_origin(static_cast<int16_t>(s));
    ui::draw_sequence_step_label(static_cast<int16_t>(s), 0);
    draw_sequence_frame(static_cast<int16_t>(s));
}

// Copies the steps of r into live record s (the dialog's mirror and the load).
void copy_steps(SequenceRecord& live, const SequenceRecord& r) {
    live.start_memory = r.start_memory;
    live.loop_memories = r.loop_memories;
    live.end_memory = r.end_memory;
    live.step_fade_modes = r.step_fade_modes;
    live.step_thresholds = r.step_thresholds;
    live.loop_length = r.loop_length;
}

// One record into entry (slot, s): allocated for a programmed record, the
// entry's learned MIDI code kept whichever record comes in.
void store_entry(int slot, int s, const SequenceRecord& r) {
    SequenceRecord*& entry = cue_sequence_table[at(entry_index(slot, s))];
    if ((r.flags & kProgrammedBit) != 0 && entry == nullptr) {
        void* block = runtime::show_table_allocator(sizeof(SequenceRecord), __FILE__, __LINE__);
        if (block == nullptr) {
            ui::show_message("NOT ENOUGH MEMORY");
            ui::beep_interruptible(400, 2000);
            return;
        }
        entry = new (block) SequenceRecord{};
        entry->loop_count = kInfiniteLoops;
    }
    if (entry == nullptr) return;
    const uint8_t learned = entry->flags & kMidiBit;
    const MidiCode code = entry->midi_code;
    *entry = r;
    entry->flags = static_cast<uint8_t>((r.flags & ~kMidiBit) | learned);
    entry->midi_code = code;
}

// An entry left neither programmed nor holding a MIDI code is freed.
void free_if_empty(int slot, int s) {
    SequenceRecord*& entry = cue_sequence_table[at(entry_index(slot, s))];
    if (entry != nullptr && (entry->flags & (kProgrammedBit | kMidiBit)) == 0) {
        memcheck::mc_free_at(entry, __FILE__, __LINE__);
        entry = nullptr;
    }
}

void save_entry(int slot, int s) {
    datafiles::save_cue_sequence_record(static_cast<int16_t>(cue_slot_cue(slot)), static_cast<int16_t>(cue_slot_point(slot)),
                                        static_cast<int16_t>(cue_slot_page(slot)), static_cast<int16_t>(s));
}

void refresh_slot(int slot) {
    refresh_stored_cue(static_cast<int16_t>(cue_slot_cue(slot)), static_cast<int16_t>(cue_slot_page(slot)),
                       static_cast<int16_t>(cue_slot_point(slot)));
}

// --- the dialog's state ---------------------------------------------------------------

struct Dialog {
    int s = 1;
    int slot = 1;
    int saved_origin = 0;
};

SequenceRecord& edit() { return sequence_edit_record; }
bool live_is_origin(const Dialog& d) { return !blind() && sequence_cue_origin(static_cast<int16_t>(d.s)) == d.slot; }

void set_programmed(SequenceRecord& r, bool programmed) {
    r.flags = static_cast<uint8_t>(programmed ? (r.flags | kProgrammedBit) : (r.flags & ~kProgrammedBit));
}

// Step edits reach the live sequence while it plays this cue.
void mirror_steps(const Dialog& d) {
    if (!live_is_origin(d)) return;
    SequenceRecord& live = sequence_table[at(d.s)];
    live.flags = static_cast<uint8_t>((live.flags & ~kProgrammedBit) | (edit().flags & kProgrammedBit));
    copy_steps(live, edit());
}

bool live_running_here(const Dialog& d) {
    return live_is_origin(d) && sequence_mode_field(sequence_table[at(d.s)].mode, kSequenceRunShift) == 1;
}

// --- painters ------------------------------------------------------------------------

int16_t row_y(int row) { return static_cast<int16_t>(269 + 12 * row); }

void cell(int16_t x1, int16_t x2, int16_t text_x, int row, int16_t background, int16_t colour, const char* text) {
    const int16_t y = row_y(row);
    ui::fill_box(x1, y, x2, static_cast<int16_t>(y + 8), background);
    if (text != nullptr && text[0] != '\0') ui::draw_small_text(text_x, static_cast<int16_t>(y + 1), colour, text);
}

std::string_view memory_label(int m) {
    if (!valid_memory(m)) return {};
    const std::string_view name = memories::memory_name(static_cast<int16_t>(m));
    if (name.empty() && memories::memory_used[at(m)] != 0) return "*";
    return name.substr(0, 10);
}

void draw_memory_list_column(int memory, int cursor_row) {
    for (int row = 16; row >= 1; --row) {
        const int m = memory + row - cursor_row;
        if (!valid_memory(m)) {
            cell(242, 338, 244, row, kLightGrey, kBlack, nullptr);
            continue;
        }
        const bool cursor = row == cursor_row;
        const int16_t background = cursor ? kLightCyan : kCyan;
        const int16_t colour = cursor ? kMagenta : kBlack;
        std::array<char, 16> text{};
        std::snprintf(text.data(), text.size(), "%d", m);
        cell(242, 268, 244, row, background, colour, text.data());
        const std::string_view name = memory_label(m);
        std::snprintf(text.data(), text.size(), "%.*s", static_cast<int>(name.size()), name.data());
        cell(272, 338, 274, row, background, colour, text.data());
    }
}

void draw_step_row(int row, int step, int loop_position, int16_t background, int16_t colour) {
    const SequenceRecord& r = edit();
    const int m = step >= 1 ? step_memory(edit(), step) : 0;
    std::array<char, 24> text{};
    if (loop_position > 0 && m != 0) std::snprintf(text.data(), text.size(), "%d", loop_position);
    else text[0] = '\0';
    cell(363, 390, 368, row, background, colour, text.data());
    if (m == 0) {
        for (const auto& [x1, x2, tx] : {std::array<int16_t, 3>{394, 420, 396}, {424, 490, 428}, {494, 520, 502},
                                         {524, 590, 528}, {594, 618, 604}}) {
            cell(x1, x2, tx, row, background, colour, nullptr);
        }
        return;
    }
    std::snprintf(text.data(), text.size(), "%d", m);
    cell(394, 420, 396, row, background, colour, text.data());
    const std::string_view name = memory_label(m);
    std::snprintf(text.data(), text.size(), "%.*s", static_cast<int>(name.size()), name.data());
    cell(424, 490, 428, row, background, colour, text.data());
    const int t = r.step_thresholds[at(step)];
    if (t == 0) {
        cell(494, 520, 502, row, background, colour, nullptr);
        cell(524, 590, 528, row, background, colour, "DISABLED");
    } else {
        std::snprintf(text.data(), text.size(), "%d", t);
        cell(494, 520, 502, row, background, colour, text.data());
        cell(524, 590, 528, row, background, colour, nullptr);
    }
    std::snprintf(text.data(), text.size(), "%d", r.step_fade_modes[at(step)] + 1);
    cell(594, 618, 604, row, background, colour, text.data());
}

// The loop window's centre: the cursor step on a loop row, else the loop's
// end nearest to the cursor.
int window_step() {
    if (sequence_dialog_row >= 2 && sequence_dialog_row <= 10) return sequence_dialog_step;
    return sequence_dialog_row == kRowStart ? 2 : last_loop_step(edit());
}

void draw_sequence_step_rows() {
    const SequenceRecord& r = edit();
    const bool on_start = sequence_dialog_row == kRowStart;
    const bool on_end = sequence_dialog_row == kRowEnd;
    draw_step_row(kRowStart, kStartStep, 0, on_start ? kLightCyan : kLightBlue, on_start ? kMagenta : kBlack);
    const int centre = window_step();
    for (int row = 2; row <= 10; ++row) {
        const int step = centre + row - kRowCursor;
        const bool cursor = row == kRowCursor && sequence_dialog_row >= 2 && sequence_dialog_row <= 10;
        const bool filled = step >= 2 && step <= r.loop_length + 1;
        const int16_t background = cursor ? kLightCyan : filled ? kCyan : kLightGrey;
        draw_step_row(row, filled || cursor ? step : 0, filled ? step - 1 : 0, background, cursor ? kMagenta : kBlack);
    }
    draw_step_row(kRowEnd, kEndStep, 0, on_end ? kLightCyan : kLightBlue, on_end ? kMagenta : kBlack);
}

void draw_loop_count(uint16_t count, int16_t background, int16_t colour) {
    std::array<char, 16> text{};
    if (count == 0) std::snprintf(text.data(), text.size(), "NO LOOPS");
    else if (count == 1) std::snprintf(text.data(), text.size(), "1 LOOP");
    else if (count < kInfiniteLoops) std::snprintf(text.data(), text.size(), "%d LOOPS", count);
    else std::snprintf(text.data(), text.size(), "INFINITE");
    ui::fill_box(352, 461, 440, 469, background);
    platform::_setcolor(colour);
    platform::_outtextxy(352 + (88 - platform::_textwidth(text.data())) / 2, 462, text.data());
}

void draw_linked_cue_field() { draw_link_field(kSequenceLinkField, edit().linked_cue); }

void draw_sound_field() {
    constexpr const char* kBands[] = {"NONE", "60Hz", "400Hz", "1.5KHz", "5KHz", "12KHz"};
    const SequenceRecord& r = edit();
    const bool cursor = sequence_dialog_row == kRowSound;
    ui::fill_box(454, 451, 618, 469, cursor ? kLightCyan : kLightGrey);
    const int16_t colour = cursor ? kMagenta : kBlack;
    ui::draw_small_text(458, 452, colour, kBands[r.sound_band <= kLastSoundBand ? r.sound_band : 0]);
    std::array<char, 24> text{};
    if (r.beats_per_step == 0) std::snprintf(text.data(), text.size(), "Each Beat");
    else std::snprintf(text.data(), text.size(), "Each %d Beats", r.beats_per_step + 1);
    ui::draw_small_text(458, 461, colour, text.data());
}

void draw_sequence_dialog(const Dialog& d) {
    ui::fill_box(230, 239, 630, 479, kDarkGrey);
    platform::_setcolor(kLightGrey);
    platform::_rectangle(230, 239, 630, 479);
    ui::fill_box(231, 240, 629, 254, kBlue);
    std::array<char, 64> title{};
    const std::string_view name = cue_slot_name(d.slot);
    std::snprintf(title.data(), title.size(), "SEQ-%c PG %d-CUE %d.%d %.*s", 'A' + d.s - 1, cue_slot_page(d.slot),
                  cue_slot_cue(d.slot), cue_slot_point(d.slot) - 1, static_cast<int>(name.size()), name.data());
    ui::draw_small_text(235, 245, kWhite, title.data());
    ui::fill_box(240, 259, 340, 471, kBlack);
    ui::draw_small_text(244, 261, kWhite, "MEMORIES");
    ui::fill_box(350, 259, 620, 411, kBlack);
    ui::draw_small_text(352, row_y(kRowStart) + 1, kWhite, "PROG.");
    ui::draw_small_text(352, row_y(kRowStart) - 11, kWhite, "START");
    constexpr const char* kLoopLetters[] = {"L", "O", "O", "P"};
    for (int i = 0; i < 4; ++i) ui::draw_small_text(354, static_cast<int16_t>(row_y(4 + i) + 1), kWhite, kLoopLetters[i]);
    ui::draw_small_text(352, static_cast<int16_t>(row_y(kRowEnd) - 11), kWhite, "STOP");
    ui::draw_small_text(396, 261, kWhite, "MEMORIES");
    ui::draw_small_text(494, 261, kWhite, "THRESHOLDS");
    ui::draw_small_text(594, 261, kWhite, "MODE");
    ui::draw_small_text(352, 418, kWhite, "LINK");
    ui::fill_box(350, 439, 442, 471, kBlack);
    ui::draw_small_text(354, 441, kWhite, "LOOP-COUNTER");
    ui::fill_box(452, 439, 620, 471, kBlack);
    ui::draw_small_text(456, 441, kWhite, "SOUND-TRIGGERING");
}

void draw_dialog_fields() {
    const int list_row = sequence_dialog_row >= kRowStart && sequence_dialog_row <= kRowEnd ? sequence_dialog_row : kRowCursor;
    draw_memory_list_column(sequence_dialog_memory, list_row);
    draw_linked_cue_field();
    draw_loop_count(edit().loop_count, kLightGrey, kBlack);
    draw_sound_field();
    draw_sequence_step_rows();
}

void blink_dialog_keys() {
    for (const int16_t key : kDialogKeys) set_key_led(key, runtime::LED_BLINK);
    const uint8_t sound = sequence_dialog_row == kRowSound ? runtime::LED_BLINK : runtime::LED_OFF;
    set_key_led(keys::KEY_PLUS, sound);
    set_key_led(keys::KEY_MINUS, sound);
}

void dialog_keys_off() {
    for (const int16_t key : kDialogKeys) set_key_led(key, runtime::LED_OFF);
    set_key_led(keys::KEY_PLUS, runtime::LED_OFF);
    set_key_led(keys::KEY_MINUS, runtime::LED_OFF);
}

int16_t next_key() {
    while (!runtime::is_input_pending()) runtime::run_background();
    int16_t key = 0;
    return runtime::get_key(&key) ? key : 0;
}

// --- step edits ----------------------------------------------------------------------

void full_loop() {
    ui::show_message("MAXIMUM 100 MEMORIES IN 1 LOOP");
    ui::beep(400, 800);
}

void append_sequence_step(const Dialog& d, int memory, bool redraw) {
    SequenceRecord& r = edit();
    const int step = sequence_dialog_step;
    if (step == kStartStep || step == kEndStep) {
        step_memory(r, step) = static_cast<uint16_t>(memory);
    } else if (r.loop_length < kLoopMemories) {
        r.loop_length = static_cast<uint8_t>(r.loop_length + 1);
        const int added = r.loop_length + 1;
        step_memory(r, added) = static_cast<uint16_t>(memory);
        r.step_thresholds[at(added)] = 0;
        r.step_fade_modes[at(added)] = 0;
        sequence_dialog_step = static_cast<int16_t>(added);
    } else {
        full_loop();
        return;
    }
    set_programmed(r, true);
    mirror_steps(d);
    if (redraw) draw_sequence_step_rows();
}

void insert_sequence_step(const Dialog& d, int memory) {
    SequenceRecord& r = edit();
    const int step = sequence_dialog_step;
    if (step == kStartStep || step == kEndStep) {
        step_memory(r, step) = static_cast<uint16_t>(memory);
    } else if (r.loop_length < kLoopMemories) {
        const bool was_empty = r.loop_length == 0;
        const int last = r.loop_length + 1;
        for (int i = last; i >= step; --i) {
            step_memory(r, i + 1) = step_memory(r, i);
            r.step_thresholds[at(i + 1)] = r.step_thresholds[at(i)];
            r.step_fade_modes[at(i + 1)] = r.step_fade_modes[at(i)];
        }
        step_memory(r, step) = static_cast<uint16_t>(memory);
        r.step_thresholds[at(step)] = 0;
        r.step_fade_modes[at(step)] = 0;
        r.loop_length = static_cast<uint8_t>(r.loop_length + 1);
        if (live_running_here(d)) {
            int16_t& position = sequence_current_step[at(d.s)];
            if (position >= step && position < kEndStep) ++position;
        }
        if (!was_empty) sequence_dialog_step = static_cast<int16_t>(step + 1);
    } else {
        full_loop();
        return;
    }
    set_programmed(r, true);
    mirror_steps(d);
    draw_sequence_step_rows();
}

void delete_sequence_step(const Dialog& d) {
    SequenceRecord& r = edit();
    const int step = sequence_dialog_step;
    if (step < kStartStep || step > kEndStep || step_memory(r, step) == 0) return;
    if (step == kStartStep || step == kEndStep) {
        step_memory(r, step) = 0;
    } else {
        const int last = r.loop_length + 1;
        for (int i = step; i < last; ++i) {
            step_memory(r, i) = step_memory(r, i + 1);
            r.step_thresholds[at(i)] = r.step_thresholds[at(i + 1)];
            r.step_fade_modes[at(i)] = r.step_fade_modes[at(i + 1)];
        }
        step_memory(r, last) = 0;
        r.step_thresholds[at(last)] = 0;
        r.step_fade_modes[at(last)] = 0;
        r.loop_length = static_cast<uint8_t>(r.loop_length - 1);
        if (live_running_here(d)) {
            // The steps after the deleted one move down. On the deleted step
            // itself a forward run stands one step back, so that its next
            // step is the memory that took the deleted one's place.
            const SequenceRecord& live = sequence_table[at(d.s)];
            const uint8_t direction = sequence_direction(live);
            const bool backward = direction == kDirectionBackward ||
                                  (direction == kDirectionBounce && sequence_bounce_backward[at(d.s)] != 0);
            int16_t& position = sequence_current_step[at(d.s)];
            const bool moves = position > step || (position == step && !backward) || position > r.loop_length + 1;
            if (position > 1 && position < kEndStep && moves) --position;
        }
        if (sequence_dialog_step > last_loop_step(r)) sequence_dialog_step = static_cast<int16_t>(last_loop_step(r));
    }
    set_programmed(r, r.start_memory != 0 || r.end_memory != 0 || r.loop_length != 0 || r.linked_cue != 0);
    mirror_steps(d);
    draw_sequence_step_rows();
}

void preview_sequence_step(int step) {
    const int m = step_memory(edit(), step);
    if (valid_memory(m)) memories::apply_memory_to_output(static_cast<int16_t>(m), 0);
}

void select_step_threshold(const Dialog& d) {
    SequenceRecord& r = edit();
    const int step = sequence_dialog_step;
    if (step_memory(r, step) == 0) return;
    ui::beep(800, 25);
    dialog_keys_off();
    set_key_led(keys::KEY_CLR, runtime::LED_BLINK);
    set_key_led(keys::KEY_THRESHOLD, runtime::LED_ON);
    memories::draw_threshold_grid();
    memories::select_threshold_cell(r.step_thresholds[at(step)], 0);
    ui::show_message("SELECT THRESHOLD (CLR=DEFAULT)");
    while (key_held(keys::KEY_THRESHOLD)) {
        if (!runtime::is_input_pending()) {
            runtime::run_background();
            continue;
        }
        int16_t key = 0;
        if (!runtime::get_key(&key)) continue;
        const int old = r.step_thresholds[at(step)];
        if (key >= keys::KEY_FIXTURE_1 && key <= keys::KEY_FIXTURE_70) {
            ui::beep(800, 50);
            r.step_thresholds[at(step)] = static_cast<uint8_t>(key - keys::KEY_FIXTURE_1 + 1);
        } else if (key == keys::KEY_CLR) {
            r.step_thresholds[at(step)] = 0;
        } else {
            continue;
        }
        if (live_is_origin(d)) sequence_table[at(d.s)].step_thresholds[at(step)] = r.step_thresholds[at(step)];
        memories::select_threshold_cell(r.step_thresholds[at(step)], static_cast<int16_t>(old));
        draw_sequence_step_rows();
    }
    set_key_led(keys::KEY_THRESHOLD, runtime::LED_OFF);
    if ((runtime::mode_flags & runtime::MODE_CUE_SCREEN) != 0) draw_point_cue_panel();
    else programmer::draw_fixture_screen();
}

void select_step_fade_mode(const Dialog& d) {
    SequenceRecord& r = edit();
    const int step = sequence_dialog_step;
    if (step_memory(r, step) == 0) return;
    ui::beep(800, 25);
    dialog_keys_off();
    set_key_led(keys::KEY_FADE_MODE, runtime::LED_ON);
    uint8_t& mode = r.step_fade_modes[at(step)];
    mode = mode >= kLastFadeMode ? 0 : static_cast<uint8_t>(mode + 1);
    if (live_is_origin(d)) sequence_table[at(d.s)].step_fade_modes[at(step)] = mode;
    draw_sequence_step_rows();
    ui::show_message("%s", kFadeModeNames[mode]);
    runtime::wait_key_release(keys::KEY_FADE_MODE);
}

uint16_t loop_count_after(int16_t key, uint16_t v) {
    switch (key) {
    case keys::KEY_UP: return v >= kInfiniteLoops ? 1 : static_cast<uint16_t>(v + 1);
    case keys::KEY_DOWN:
        if (v >= kInfiniteLoops) return 1000;
        return v <= 1 ? kInfiniteLoops : static_cast<uint16_t>(v - 1);
    case keys::KEY_PAGE_UP:
        if (v >= kInfiniteLoops) return 1;
        return std::min<uint16_t>(static_cast<uint16_t>(v + 10), kInfiniteLoops);
    case keys::KEY_PAGE_DOWN:
        if (v >= kInfiniteLoops) return 1000;
        if (v >= 11) return static_cast<uint16_t>(v - 10);
        return v >= 2 ? 1 : kInfiniteLoops;
    case keys::KEY_CLR: return kInfiniteLoops;
    default: return v;
    }
}

void program_loop_counter(const Dialog& d) {
    ui::beep(800, 25);
    dialog_keys_off();
    for (const int16_t key : {keys::KEY_DOWN, keys::KEY_UP, keys::KEY_PAGE_UP, keys::KEY_PAGE_DOWN, keys::KEY_CLR}) {
        set_key_led(key, runtime::LED_BLINK);
    }
    set_key_led(keys::KEY_LOOP_COUNTER, runtime::LED_ON);
    ui::show_message("PROGRAM LOOPCOUNTER (CLR=DEFAULT)");
    uint16_t v = edit().loop_count;
    while (key_held(keys::KEY_LOOP_COUNTER)) {
        if (!runtime::is_input_pending()) {
            runtime::run_background();
            continue;
        }
        int16_t key = 0;
        if (!runtime::get_key(&key)) continue;
        const uint16_t now = loop_count_after(key, v);
        if (now == v && key != keys::KEY_CLR) continue;
        v = now;
        draw_loop_count(v, kLightGrey, kBlack);
    }
    edit().loop_count = v;
    if (live_is_origin(d)) sequence_table[at(d.s)].loop_count = v;
    set_key_led(keys::KEY_LOOP_COUNTER, runtime::LED_OFF);
}

void change_sound(const Dialog& d, int16_t key) {
    SequenceRecord& r = edit();
    if (key == keys::KEY_EDIT_ITEM) {
        r.sound_band = r.sound_band >= kLastSoundBand ? 0 : static_cast<uint8_t>(r.sound_band + 1);
    } else if (r.sound_band == 0) {
        return;
    } else if (key == keys::KEY_PLUS) {
        r.beats_per_step = r.beats_per_step >= kLastBeats ? 0 : static_cast<uint8_t>(r.beats_per_step + 1);
    } else {
        r.beats_per_step = r.beats_per_step == 0 ? kLastBeats : static_cast<uint8_t>(r.beats_per_step - 1);
    }
    if (live_is_origin(d)) {
        sequence_table[at(d.s)].sound_band = r.sound_band;
        sequence_table[at(d.s)].beats_per_step = r.beats_per_step;
    }
    draw_sound_field();
}

// --- cursor moves --------------------------------------------------------------------

void put_cursor(int row, int step) {
    sequence_dialog_row = static_cast<int16_t>(row);
    sequence_dialog_step = static_cast<int16_t>(step);
}

// The cursor after a move key; false when the key moves nothing.
bool move_cursor(int16_t key) {
    const SequenceRecord& r = edit();
    const int row = sequence_dialog_row, step = sequence_dialog_step, last = last_loop_step(r);
    const bool loop_row = row >= 2 && row <= 10;
    switch (key) {
    case keys::KEY_UP:
        if (row == kRowEnd) put_cursor(kRowCursor, last);
        else if (row == kRowSound) put_cursor(kRowEnd, kEndStep);
        else if (loop_row && step <= 2) put_cursor(kRowStart, kStartStep);
        else if (loop_row) put_cursor(kRowCursor, step - 1);
        else return false;
        return true;
    case keys::KEY_DOWN:
        if (row == kRowStart) put_cursor(kRowCursor, 2);
        else if (row == kRowEnd) put_cursor(kRowSound, kEndStep);
        else if (loop_row && step >= last) put_cursor(kRowEnd, kEndStep);
        else if (loop_row) put_cursor(kRowCursor, step + 1);
        else return false;
        return true;
    case keys::KEY_PAGE_UP:
        if (loop_row && step <= 2) put_cursor(kRowStart, kStartStep);
        else if (loop_row) put_cursor(kRowCursor, std::max(step - 9, 2));
        else if (row == kRowEnd) put_cursor(kRowCursor, last);
        else return false;
        return true;
    case keys::KEY_PAGE_DOWN:
        if (loop_row && step >= last) put_cursor(kRowEnd, kEndStep);
        else if (loop_row) put_cursor(kRowCursor, std::min(step + 9, last));
        else if (row == kRowStart) put_cursor(kRowCursor, 2);
        else return false;
        return true;
    default: return false;
    }
}

void follow_current_memory() {
    sequence_dialog_memory = memories::current_memory;
    draw_dialog_fields();
}

enum class DialogEnd : uint8_t { store, cancel };

DialogEnd run_dialog_loop(Dialog& d) {
    const auto own_key = static_cast<int16_t>(keys::KEY_SEQUENCE_RUN + d.s);
    const auto s = static_cast<int16_t>(d.s);
    for (;;) {
        blink_dialog_keys();
        const int16_t key = next_key();
        const uint8_t programmed_before = sequence_table[at(d.s)].flags & kProgrammedBit;
        const bool sound_row = sequence_dialog_row == kRowSound;
        const bool has_memory = !sound_row && step_memory(edit(), sequence_dialog_step) != 0;
        if (key == own_key) return DialogEnd::store;
        if (key == keys::KEY_ESC) return DialogEnd::cancel;
        if (move_cursor(key)) {
            draw_dialog_fields();
            if (!sound_row || sequence_dialog_row != kRowSound) preview_sequence_step(sequence_dialog_step);
        } else if (key >= keys::KEY_GROUP_1 && key <= keys::KEY_GROUP_16) {
            if ((runtime::mode_flags & runtime::MODE_CUE_SCREEN) != 0) show_cue_page(static_cast<int16_t>(key - keys::KEY_GROUP_1 + 1));
        } else {
            switch (key) {
            case keys::KEY_GET_MEMORY:
                dialog_keys_off();
                set_key_led(keys::KEY_GET_MEMORY, runtime::LED_ON);
                memories::run_get_memory();
                set_key_led(keys::KEY_GET_MEMORY, runtime::LED_OFF);
                follow_current_memory();
                ui::show_message("%s", kDialogMessage);
                break;
            case keys::KEY_NEXT: memories::recall_next_memory(); follow_current_memory(); break;
            case keys::KEY_LAST: memories::recall_previous_memory(); follow_current_memory(); break;
            case keys::KEY_ADD_EVENTS:
                if (!sound_row) append_sequence_step(d, sequence_dialog_memory, true);
                break;
            case keys::KEY_INSERT_EVENTS:
                if (!sound_row) insert_sequence_step(d, sequence_dialog_memory);
                break;
            case keys::KEY_CLR:
                if (!sound_row) delete_sequence_step(d);
                break;
            case keys::KEY_THRESHOLD:
                if (has_memory) select_step_threshold(d);
                ui::show_message("%s", kDialogMessage);
                break;
            case keys::KEY_LOOP_COUNTER:
                program_loop_counter(d);
                ui::show_message("%s", kDialogMessage);
                break;
            case keys::KEY_FADE_MODE:
                if (has_memory) select_step_fade_mode(d);
                ui::show_message("%s", kDialogMessage);
                break;
            case keys::KEY_LINK_CUE:
                select_sequence_linked_cue(s);
                draw_linked_cue_field();
                ui::show_message("%s", kDialogMessage);
                break;
            case keys::KEY_SEQUENCE_RUN: toggle_sequence_run(s, 1); break;
            case keys::KEY_SEQUENCE_DIRECTION: set_sequence_direction(s, 1, -1); break;
            case keys::KEY_SEQUENCE_SYNC: toggle_sequence_sync(s, 1); break;
            case keys::KEY_SEQUENCE_TRIGGER: set_sequence_trigger_mode(s, 1, -1); break;
            case keys::KEY_SEQUENCE_GO: go_sequence(s, 1); break;
            case keys::KEY_SEQUENCE_CONTROL_1:
            case keys::KEY_SEQUENCE_CONTROL_2:
            case keys::KEY_SEQUENCE_CONTROL_3:
                select_sequence_control(s, static_cast<int16_t>(key - keys::KEY_SEQUENCE_GO));
                break;
            case keys::KEY_PLUS:
            case keys::KEY_MINUS:
                if (sound_row) change_sound(d, key);
                break;
            case keys::KEY_EDIT_ITEM:
                if (sound_row) {
                    change_sound(d, key);
                } else if (has_memory) {
                    choose_memory(static_cast<int16_t>(step_memory(edit(), sequence_dialog_step)));
                    draw_sequence_dialog(d);
                    draw_dialog_fields();
                    ui::show_message("%s", kDialogMessage);
                }
                break;
            default: break;
            }
        }
        if ((sequence_table[at(d.s)].flags & kProgrammedBit) != programmed_before) draw_sequence_frame(s);
    }
}

// ESC: the live sequence gets back the steps it had when the dialog opened.
void cancel_dialog(const Dialog& d) {
    if (blind()) return;
    if (sequence_cue_origin(static_cast<int16_t>(d.s)) == d.saved_origin) {
        SequenceRecord& live = sequence_table[at(d.s)];
        const SequenceRecord& b = sequence_edit_backup;
        live.flags = static_cast<uint8_t>((live.flags & ~kProgrammedBit) | (b.flags & kProgrammedBit));
        copy_steps(live, b);
        live.loop_count = b.loop_count;
        live.linked_cue = b.linked_cue;
        live.spare_byte = b.spare_byte;
        live.sound_band = b.sound_band;
        live.beats_per_step = b.beats_per_step;
        sequence_loops_done[at(d.s)] = 0;
        draw_sequence_frame(static_cast<int16_t>(d.s));
    } else if (valid_cue_slot(d.saved_origin)) {
        load_sequence_from_cue(static_cast<int16_t>(d.saved_origin), static_cast<int16_t>(d.s), ui::sequence_freeze[at(d.s)]);
    }
}

void store_dialog(const Dialog& d) {
    ui::beep(800, 100);
    if (sequence_cue_origin(static_cast<int16_t>(d.s)) == d.slot) {
        // The times and modes as the panel shows them.
        const SequenceRecord& live = sequence_table[at(d.s)];
        edit().fade_time = live.fade_time;
        edit().wait_delay = live.wait_delay;
        edit().spare_word = live.spare_word;
        edit().mode = live.mode;
    }
    store_sequence_in_cue(static_cast<int16_t>(d.s), d.slot, edit());
}

void end_dialog(const Dialog& d) {
    const uint32_t panel = (runtime::mode_flags & runtime::MODE_PANEL_FIELD) >> 2;
    if (panel == 3 || panel == 4) {
        runtime::mode_flags = (runtime::mode_flags & ~runtime::MODE_PANEL_FIELD) | (1u << 2);
        ui::set_panel_mode(1);
    }
    dialog_keys_off();
    ui::clear_message();
    set_key_led(static_cast<int16_t>(keys::KEY_SEQUENCE_RUN + d.s), runtime::LED_ON_2);
}

// The quick store: the current memory appended to the loop of the cue's sequence.
void quick_store(const Dialog& d) {
    const int memory = memories::current_memory;
    if (valid_memory(memory)) {
        const int16_t kept = sequence_dialog_step;
        sequence_dialog_step = 2;
        append_sequence_step(d, memory, false);
        sequence_dialog_step = kept;
    }
    draw_sequence_frame(static_cast<int16_t>(d.s));
    ui::beep(800, 100);
    store_sequence_in_cue(static_cast<int16_t>(d.s), d.slot, edit());
}

// The edit record starts from the cue's record, or as a new sequence.
void begin_edit_record(int slot, int s) {
    const SequenceRecord* entry = cue_sequence_table[at(entry_index(slot, s))];
    if (entry != nullptr && (entry->flags & kProgrammedBit) != 0) {
        edit() = *entry;
        make_record_sound(edit());
    } else {
        edit() = SequenceRecord{};
        edit().loop_count = kInfiniteLoops;
        edit().fade_time = kNewSequenceFadeTime;
    }
}

// The live sequence shows the cue being programmed; one that already plays
// it is left running where it is.
void load_for_programming(int slot, int s, bool reload) {
    const uint8_t freeze = ui::sequence_freeze[at(s)];
    if (blind() || freeze == ui::kSequenceFrozen) return;
    if (!reload && sequence_cue_origin(static_cast<int16_t>(s)) == slot) return;
    load_sequence_from_cue(static_cast<int16_t>(slot), static_cast<int16_t>(s), freeze);
}

void open_sequence_dialog_screen(const Dialog& d) {
    ui::select_wheel_mode(static_cast<int16_t>(d.s + 4));
    set_key_led(static_cast<int16_t>(keys::KEY_SEQUENCE_RUN + d.s), runtime::LED_ON_BOTH);
    draw_sequence_dialog(d);
    draw_dialog_fields();
    ui::show_message("%s", kDialogMessage);
}

}  // namespace

int sequence_cue_origin(int16_t sequence) {
    if (!valid_sequence(sequence)) return 0;
    const auto s = at(sequence);
    if (sequence_origin_page[s] < 1) return 0;
    return cue_slot_of(sequence_origin_page[s], sequence_origin_cue[s], sequence_origin_point[s]);
}

void load_sequence_from_cue(int16_t slot, int16_t sequence, uint8_t freeze) {
    if (!valid_cue_slot(slot) || !valid_sequence(sequence)) return;
    const auto s = at(sequence);
    const SequenceRecord* entry = cue_sequence_table[at(entry_index(slot, sequence))];
    SequenceRecord& live = sequence_table[s];
    uint8_t wanted_mode = 0;
    const bool learned = entry != nullptr && (entry->flags & kMidiBit) != 0;
    sequence_midi_codes[s] = learned ? entry->midi_code : MidiCode{};
    if (entry != nullptr && (entry->flags & kProgrammedBit) != 0) {
        SequenceRecord r = *entry;
        make_record_sound(r);
        live.flags |= kProgrammedBit;
        copy_steps(live, r);
        live.loop_count = r.loop_count == 0 ? kInfiniteLoops : r.loop_count;
        live.linked_cue = r.linked_cue;
        live.spare_byte = r.spare_byte;
        live.sound_band = r.sound_band;
        live.beats_per_step = r.beats_per_step;
        if (freeze == 0) {
            live.fade_time = r.fade_time;
            live.wait_delay = r.wait_delay;
            wanted_mode = r.mode;
        }
    } else {
        live.flags = static_cast<uint8_t>(live.flags & ~kProgrammedBit);
        copy_steps(live, SequenceRecord{});
        live.loop_count = kInfiniteLoops;
        live.linked_cue = 0;
        live.spare_byte = 0;
        live.sound_band = 0;
        live.beats_per_step = 0;
        if (freeze == 0) {
            live.fade_time = 0;
            live.wait_delay = 0;
        }
    }
    if (freeze == 0) {
        if ((live.flags & kProgrammedBit) == 0 && live.fade_time == 0) live.fade_time = kNewSequenceFadeTime;
        show_sequence_time_on_control(sequence, kControlFadeTime);
        show_sequence_time_on_control(sequence, kControlWaitDelay);
        const uint8_t direction = sequence_mode_field(wanted_mode, kSequenceDirectionShift);
        if (sequence_mode_field(live.mode, kSequenceDirectionShift) != direction) set_sequence_direction(sequence, 0, direction);
        if (sequence_mode_field(live.mode, kSequenceSyncShift) != sequence_mode_field(wanted_mode, kSequenceSyncShift)) {
            toggle_sequence_sync(sequence, 0);
        }
        const uint8_t trigger = sequence_mode_field(wanted_mode, kSequenceTriggerShift);
        if (sequence_mode_field(live.mode, kSequenceTriggerShift) != trigger) set_sequence_trigger_mode(sequence, 0, trigger);
    }
    sequence_loops_done[s] = 0;
    clear_layer_zero_owners();
    if (sequence_mode_field(live.mode, kSequenceRunShift) == 1) {
        sequence_stop_request[s] = 0;
        sequence_current_step[s] = kStepNotStarted;
        sequence_bounce_backward[s] = 0;
        sequence_crossfade[s].running = 0;
        sequence_advance_request[s] = 1;
    }
    const int32_t label = label_memory(live);
    if (label >= 0) set_sequence_step_label(sequence, label);
    if (option_set(runtime::OPT_CUE_GRID) && sequence_origin_page[s] == runtime::cue_screen_page) {
        paint_cue_cell(sequence_origin_cue[s], 0);
    }
    sequence_origin_page[s] = static_cast<int16_t>(cue_slot_page(slot));
    sequence_origin_cue[s] = static_cast<int16_t>(cue_slot_cue(slot));
    sequence_origin_point[s] = static_cast<int16_t>(cue_slot_point(slot));
    draw_origin_fields(sequence);
    if (runtime::hw_option_flags.displays != 0) {
        runtime::show_console_cue_number(sequence, sequence_origin_page[s], sequence_origin_cue[s], sequence_origin_point[s]);
    }
}

void store_sequence_in_cue(int16_t sequence, int32_t slot, const SequenceRecord& record) {
    if (!valid_sequence(sequence) || !valid_cue_slot(slot)) return;
    store_entry(slot, sequence, record);
    refresh_slot(slot);
    free_if_empty(slot, sequence);
    save_entry(slot, sequence);
}

void store_live_sequences_in_cue() {
    set_key_led(keys::KEY_STORE_SEQUENCES, runtime::LED_ON);
    const int slot = current_cue_slot();
    bool found = false;
    for (int s = 1; s <= kSequences; ++s) {
        if (sequence_cue_origin(static_cast<int16_t>(s)) != slot) continue;
        found = true;
        store_entry(slot, s, sequence_table[at(s)]);
    }
    if (found) {
        refresh_slot(slot);
        for (int s = 1; s <= kSequences; ++s) {
            free_if_empty(slot, s);
            save_entry(slot, s);
        }
    }
    datafiles::transp_table[at(slot)][kSequenceByte] = sequence_transparent_mode;
    datafiles::transp_table[at(slot)][kPlaybackByte] = playback_transparent_mode;
    datafiles::save_transp_entry(slot);
    set_key_led(keys::KEY_STORE_SEQUENCES, runtime::LED_OFF);
}

void program_sequence(int16_t sequence) {
    if (!valid_sequence(sequence)) return;
    Dialog d;
    d.s = sequence;
    d.slot = current_cue_slot();
    d.saved_origin = sequence_cue_origin(sequence);
    ui::beep(800, 100);
    if (sequence_dialog_row == kRowSound) {
        put_cursor(kRowCursor, 2);
        sequence_dialog_memory = 1;
    }
    sequence_edit_backup = sequence_table[at(sequence)];
    for (int s = 1; s <= kSequences; ++s) {
        const bool running = sequence_mode_field(sequence_table[at(s)].mode, kSequenceRunShift) == 1;
        set_key_led(static_cast<int16_t>(keys::KEY_SEQUENCE_RUN + s), running ? runtime::LED_ON : runtime::LED_OFF);
    }
    const auto own_key = static_cast<int16_t>(keys::KEY_SEQUENCE_RUN + sequence);
    set_key_led(own_key, runtime::LED_ON_BOTH);
    runtime::wait_key_release(own_key);
    bool quick = false;
    while (key_held(keys::KEY_EDIT_ITEM) && !quick) {
        if (!runtime::is_input_pending()) {
            runtime::run_background();
            continue;
        }
        int16_t key = 0;
        if (runtime::get_key(&key) && key == own_key) quick = true;
    }
    load_for_programming(d.slot, sequence, false);
    begin_edit_record(d.slot, sequence);
    if (quick && edit().loop_length < kLoopMemories) {
        quick_store(d);
        end_dialog(d);
        return;
    }
    // The full dialog.
    sequence_dialog_memory = valid_memory(memories::current_memory) ? memories::current_memory : 1;
    const int step = sequence_dialog_step;
    if (step < kStartStep || step > kEndStep || (step > kStartStep && step < kEndStep && step > edit().loop_length + 1)) {
        sequence_dialog_step = 2;
    }
    if (sequence_dialog_row < kRowStart || sequence_dialog_row > kRowEnd) sequence_dialog_row = kRowCursor;
    if (sequence_dialog_step == kStartStep) sequence_dialog_row = kRowStart;
    else if (sequence_dialog_step == kEndStep) sequence_dialog_row = kRowEnd;
    else sequence_dialog_row = kRowCursor;
    open_sequence_dialog_screen(d);
    if (run_dialog_loop(d) == DialogEnd::store) store_dialog(d);
    else cancel_dialog(d);
    end_dialog(d);
}

void program_sequence_from_memory_screen(int16_t sequence) {
    if (!valid_sequence(sequence)) return;
    const int slot = current_cue_slot();
    begin_edit_record(slot, sequence);
    SequenceRecord& r = edit();
    const int memory = memories::current_memory;
    if (r.loop_length >= kLoopMemories) {
        full_loop();
        return;
    }
    if (valid_memory(memory)) {
        r.loop_length = static_cast<uint8_t>(r.loop_length + 1);
        step_memory(r, r.loop_length + 1) = static_cast<uint16_t>(memory);
        r.step_thresholds[at(r.loop_length + 1)] = 0;
        r.step_fade_modes[at(r.loop_length + 1)] = 0;
        set_programmed(r, true);
    }
    ui::beep(800, 100);
    store_sequence_in_cue(sequence, slot, r);
    load_for_programming(slot, sequence, true);
    set_key_led(static_cast<int16_t>(keys::KEY_SEQUENCE_RUN + sequence), runtime::LED_ON_2);
}

void choose_memory(int16_t memory) {
    const bool had_state = option_set(runtime::OPT_MEMORY_STATE_SHOWN);
    runtime::option_flags |= runtime::OPT_MEMORY_STATE_SHOWN;
    ui::beep(800, 50);
    dialog_keys_off();
    const bool cue_screen = (runtime::mode_flags & runtime::MODE_CUE_SCREEN) != 0;
    if (cue_screen) programmer::set_fixture_page(runtime::fixture_page);
    memories::recall_memory(memory, 0);
    ui::set_panel_mode(3);
    set_key_led(keys::KEY_ESC, runtime::LED_BLINK);
    for (;;) {
        const int16_t key = next_key();
        if (key == keys::KEY_ESC) break;
        if (std::find(std::begin(kChooserIgnored), std::end(kChooserIgnored), key) != std::end(kChooserIgnored)) continue;
        if (cue_screen && key >= keys::KEY_FIXTURE_1 && key <= keys::KEY_FIXTURE_70) continue;
        runtime::dispatch_key(key);
        if (key == keys::KEY_TO_MEM || key == keys::KEY_STORE_NEXT) break;
    }
    set_key_led(keys::KEY_ESC, runtime::LED_OFF);
    if (!had_state) runtime::option_flags &= ~runtime::OPT_MEMORY_STATE_SHOWN;
}

}  // namespace playback
