#include "playback/copy_dialog.h"

#include <array>
#include <cstdio>

#include "platform/graphics.h"
#include "playback/commands.h"
#include "playback/cue_copy.h"
#include "playback/cue_editing.h"
#include "playback/cue_picker.h"
#include "playback/cue_screen.h"
#include "playback/cue_tables.h"
#include "playback/key_groups.h"
#include "playback/playback_record.h"
#include "playback/playback_state.h"
#include "runtime/config_records.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "runtime/main_loop.h"
#include "ui/helpers.h"
#include "ui/message_line.h"

namespace playback {

namespace {

using runtime::set_key_led;

constexpr int32_t kStartBeep_hz = 800;
constexpr uint32_t kStartBeep_ms = 150;
constexpr int32_t kChoiceBeep_hz = 500;
constexpr uint32_t kChoiceBeep_ms = 50;
constexpr int16_t kCaptionBox[4] = {2, 282, 220, 298};
constexpr int16_t kReadOutBox[4] = {2, 299, 220, 314};
constexpr uint8_t kCaptionFill = 9;
constexpr uint8_t kCaptionText = 15;
// The source cue's number in the key map: chosen, and dropped again.
constexpr int16_t kSourceNumber = 14;
constexpr int16_t kDroppedNumber = 11;

enum DestinationMode { kToOnePlayback = 1, kToOneSequence = 2, kToCue = 3 };

bool key_down(int16_t key) { return runtime::key_down_table[static_cast<size_t>(key)] == 1; }
bool is_cue_key(int16_t key) { return key >= runtime::KEY_FIXTURE_1 && key <= runtime::KEY_FIXTURE_70; }
bool is_page_key(int16_t key) { return key >= runtime::KEY_GROUP_1 && key < runtime::KEY_GROUP_1 + kCuePages; }
bool is_digit(int16_t key) { return key >= runtime::KEY_DIGIT_0 && key <= runtime::digit_key(9); }
int16_t sequence_key(int s) { return static_cast<int16_t>(runtime::KEY_SEQUENCE_A + s - 1); }

int shown_page() { return runtime::cue_screen_page >= 1 && runtime::cue_screen_page <= kCuePages ? runtime::cue_screen_page : 1; }
int slot_of(int page, int cue, int point) { return (page - 1) * kCuesPerPage * kPointsPerCue + (cue - 1) * kPointsPerCue + point; }
uint8_t cue_state(int page, int cue) { return cue_point_flags[static_cast<size_t>((page - 1) * kCuesPerPage + cue)]; }
bool slot_programmed(int slot) {
    return slot >= 1 && slot <= kCueSlots && cue_header_table[static_cast<size_t>(slot)].programmed == 1;
}

void caption_box(const char* text) {
    ui::fill_box(kCaptionBox[0], kCaptionBox[1], kCaptionBox[2], kCaptionBox[3], kCaptionFill);
    ui::draw_bitmap_text(static_cast<int16_t>(kCaptionBox[0] + 4), static_cast<int16_t>(kCaptionBox[1] + 4), kCaptionText,
                         text);
}

// The two error tones, of fixed length so that a key still pending cannot cut them.
void error_beeps() {
    ui::beep(600, 50);
    ui::beep(100, 200);
}

// Cue key LEDs of the shown page: programmed cues, cues with point cues only, the rest.
void set_cue_key_leds(uint8_t programmed, uint8_t points_only, uint8_t others) {
    const int page = shown_page();
    for (int n = 1; n <= kCuesPerPage; ++n) {
        const uint8_t state = cue_state(page, n);
        uint8_t led = others;
        if (state == kCuePointOwn) led = programmed;
        if (state == kCuePointOthersOnly) led = points_only;
        set_key_led(static_cast<int16_t>(n), led);
    }
}

// The source cue's key on the shown page: its LED and its number's colour.
void mark_source_key(int source, uint8_t led, int16_t colour) {
    if (source == 0 || cue_slot_page(source) != shown_page()) return;
    const auto cue = static_cast<int16_t>(cue_slot_cue(source));
    set_key_led(cue, led);
    draw_cue_number(cue, colour);
}

// The key of a cue slot (the live cue, the source) in its own look, when it
// lies on the shown page.
void repaint_key_of(int page, int cue) {
    if (cue >= 1 && cue <= kCuesPerPage && page == shown_page()) paint_cue_key(static_cast<int16_t>(cue));
}

void set_digit_leds(uint8_t state) {
    for (int d = 0; d <= 9; ++d) set_key_led(runtime::digit_key(d), state);
}

// The keypad shows which points of the source cue are programmed; the chosen blinks.
void show_points_of(int source) {
    const int first = source - (cue_slot_point(source) - 1);
    for (int d = 0; d <= 9; ++d) {
        uint8_t led = slot_programmed(first + d) ? runtime::LED_ON : runtime::LED_OFF;
        if (first + d == source) led = runtime::LED_BLINK;
        set_key_led(runtime::digit_key(d), led);
    }
}

struct Choice {
    int source = 0;  // cue slot, 0 none
    bool point_allowed = false;
    std::array<uint8_t, kPlaybacks + 1> playbacks{};
    std::array<uint8_t, kSequences + 1> sequences{};
    std::array<uint8_t, kPlaybacks + 1> playbacks_held{};
    std::array<uint8_t, kSequences + 1> sequences_held{};
};

void drop_live_choice(Choice& c) {
    for (int p = 1; p <= kPlaybacks; ++p) {
        c.playbacks[static_cast<size_t>(p)] = 0;
        set_key_led(runtime::playback_key(p), runtime::LED_BLINK_BOTH);
    }
    for (int s = 1; s <= kSequences; ++s) {
        c.sequences[static_cast<size_t>(s)] = 0;
        set_key_led(sequence_key(s), runtime::LED_BLINK_BOTH);
    }
}

void choose_source(Choice& c, int slot) {
    mark_source_key(c.source, runtime::LED_BLINK, kDroppedNumber);
    c.source = slot;
    draw_copy_cue_caption(1, static_cast<int16_t>(cue_slot_page(slot)), static_cast<int16_t>(cue_slot_cue(slot)),
                          static_cast<int16_t>(cue_slot_point(slot) - 1));
    show_points_of(slot);
    mark_source_key(slot, runtime::LED_BLINK_2, kSourceNumber);
    drop_live_choice(c);
    ui::beep_interruptible(kChoiceBeep_hz, kChoiceBeep_ms);
}

// A playback or sequence key that went down toggles its choice and drops a source cue.
void toggle_live_key(Choice& c, uint8_t& chosen, int16_t key) {
    ui::beep_interruptible(kChoiceBeep_hz, kChoiceBeep_ms);
    chosen = chosen != 0 ? 0 : 1;
    set_key_led(key, chosen != 0 ? runtime::LED_BLINK_2 : runtime::LED_BLINK_BOTH);
    if (chosen != 0 && c.source != 0) {
        mark_source_key(c.source, runtime::LED_BLINK, kDroppedNumber);
        c.source = 0;
    }
}

void look_at_live_keys(Choice& c) {
    for (int p = 1; p <= kPlaybacks; ++p) {
        const auto i = static_cast<size_t>(p);
        const uint8_t down = key_down(runtime::playback_key(p)) ? 1 : 0;
        if (down != 0 && c.playbacks_held[i] == 0) toggle_live_key(c, c.playbacks[i], runtime::playback_key(p));
        c.playbacks_held[i] = down;
    }
    for (int s = 1; s <= kSequences; ++s) {
        const auto i = static_cast<size_t>(s);
        const uint8_t down = key_down(sequence_key(s)) ? 1 : 0;
        if (down != 0 && c.sequences_held[i] == 0) toggle_live_key(c, c.sequences[i], sequence_key(s));
        c.sequences_held[i] = down;
    }
}

void from_key(Choice& c, int16_t key) {
    const int page = shown_page();
    if (is_cue_key(key)) {
        const uint8_t state = cue_state(page, key);
        const int slot = slot_of(page, key, 1);
        if ((state == kCuePointOwn || state == kCuePointOthersOnly) && slot != c.source) {
            choose_source(c, slot);
            c.point_allowed = true;
        }
    } else if (is_digit(key) && c.source != 0 && c.point_allowed) {
        const int slot = c.source - (cue_slot_point(c.source) - 1) + (key - runtime::KEY_DIGIT_0);
        if (slot != c.source && slot_programmed(slot)) {
            choose_source(c, slot);
            c.point_allowed = false;
        }
    } else if (is_page_key(key)) {
        show_cue_page(static_cast<int16_t>(key - runtime::KEY_GROUP_1 + 1));
        set_cue_key_leds(runtime::LED_BLINK, runtime::LED_BLINK_BOTH, runtime::LED_OFF);
        set_digit_leds(runtime::LED_OFF);
        mark_source_key(c.source, runtime::LED_BLINK_2, kSourceNumber);
        c.point_allowed = true;
    }
}

// COPY FROM: what is chosen while COPY is held; ESC ends the choosing
// early, keeping what was chosen.
void choose_what_to_copy(Choice& c) {
    runtime::option_flags &= ~(runtime::OPT_CUE_PANEL | runtime::OPT_MEMORY_STATE_SHOWN);
    runtime::run_flags |= runtime::RUN_CUE_COPY_DIALOG;
    set_key_led(runtime::KEY_COPY, runtime::LED_ON);
    drop_live_choice(c);
    caption_box("COPY FROM");
    ui::show_message("SELECT SEQ., PLAYB. OR CUE TO COPY");
    ui::beep_interruptible(kStartBeep_hz, kStartBeep_ms);
    set_cue_key_leds(runtime::LED_BLINK, runtime::LED_BLINK_BOTH, runtime::LED_OFF);
    set_digit_leds(runtime::LED_OFF);
    repaint_key_of(current_cue_page, current_cue);
    look_at_live_keys(c);  // keys already down are not a choice
    c.playbacks = {};
    c.sequences = {};
    while (key_down(runtime::KEY_COPY)) {
        if (!runtime::is_input_pending()) {
            runtime::run_background();
            continue;
        }
        int16_t key = 0;
        if (runtime::get_key(&key)) {
            if (key == runtime::KEY_ESC) break;
            from_key(c, key);
        }
        look_at_live_keys(c);
    }
    if (c.source != 0 && !slot_programmed(c.source)) {
        error_beeps();
        c.source = 0;
    }
    set_key_led(runtime::KEY_COPY, runtime::LED_OFF);
}

int chosen_count(const auto& table, int& last) {
    int count = 0;
    for (size_t i = 1; i < table.size(); ++i) {
        if (table[i] == 0) continue;
        ++count;
        last = static_cast<int>(i);
    }
    return count;
}

void end_dialog(int source) {
    set_key_led(runtime::KEY_TO_ITEM, runtime::LED_OFF);
    set_key_led(runtime::KEY_ESC, runtime::LED_OFF);
    const int page = shown_page();
    for (int n = 1; n <= kCuesPerPage; ++n) {
        const uint8_t state = cue_state(page, n);
        uint8_t led = runtime::LED_OFF;
        if (state == kCuePointOwn) led = runtime::LED_ON;
        if (state == kCuePointOthersOnly) led = runtime::LED_ON_BOTH;
        if (page == current_cue_page && n == current_cue) led = runtime::LED_ON_2;
        set_key_led(static_cast<int16_t>(n), led);
    }
    for (int s = 1; s <= kSequences; ++s) {
        const bool running = (sequence_table[static_cast<size_t>(s)].mode & 0x03) != 0;
        set_key_led(sequence_key(s), running ? runtime::LED_ON : runtime::LED_OFF);
    }
    if (runtime::display_mode >= 5 && runtime::display_mode <= 8) {
        // Display modes 5..8 are sequences A..D.
        set_key_led(sequence_key(runtime::display_mode - 4), runtime::LED_ON_2);
    }
    update_playback_leds();
    ui::redraw_cue_panel();
    update_point_cue_leds();
    runtime::run_flags &= ~runtime::RUN_CUE_COPY_DIALOG;
    if (source != 0) repaint_key_of(cue_slot_page(source), cue_slot_cue(source));
    repaint_key_of(current_cue_page, current_cue);
}

// One destination slot chosen: the copy it asks for.
void copy_to_slot(const Choice& c, int destination) {
    if (c.source == 0) {
        store_live_items_in_cue(static_cast<int16_t>(destination), c.sequences, c.playbacks);
    } else if (destination == c.source) {
        error_beeps();
    } else {
        copy_cue(static_cast<int16_t>(c.source), static_cast<int16_t>(destination));
    }
}

// COPY TO: waits for TO-ITEM or ESC, then reads the destination while TO-ITEM is held.
void choose_where_to(const Choice& c, int mode, int playback, int sequence) {
    for (int s = 1; s <= kSequences; ++s) set_key_led(sequence_key(s), c.sequences[static_cast<size_t>(s)] != 0 ? runtime::LED_ON_2 : runtime::LED_OFF);
    for (int p = 1; p <= kPlaybacks; ++p) set_key_led(runtime::playback_key(p), c.playbacks[static_cast<size_t>(p)] != 0 ? runtime::LED_ON_2 : runtime::LED_OFF);
    set_cue_key_leds(runtime::LED_ON, runtime::LED_OFF, runtime::LED_OFF);
    mark_source_key(c.source, runtime::LED_ON_2, kSourceNumber);
    ui::show_message("TO-ITEM=DESTINATION ESC=CANCEL");
    caption_box("COPY TO");
    ui::beep_interruptible(kStartBeep_hz, kStartBeep_ms);
    set_key_led(runtime::KEY_ESC, runtime::LED_BLINK);
    set_key_led(runtime::KEY_TO_ITEM, runtime::LED_BLINK);
    for (;;) {
        int16_t key = 0;
        if (!runtime::get_key(&key)) continue;
        if (key == runtime::KEY_ESC) return;
        if (key == runtime::KEY_TO_ITEM) break;
    }
    ui::beep_interruptible(kStartBeep_hz, kStartBeep_ms);
    set_key_led(runtime::KEY_TO_ITEM, runtime::LED_ON);
    set_digit_leds(runtime::LED_BLINK);
    set_cue_key_leds(runtime::LED_BLINK, runtime::LED_BLINK_BOTH, runtime::LED_BLINK_BOTH);
    mark_source_key(c.source, runtime::LED_ON_2, kSourceNumber);
    if (mode == kToOnePlayback) {
        ui::show_message("SELECT CUE OR PLAYBACK TO COPY TO");
    } else if (mode == kToOneSequence) {
        ui::show_message("SELECT CUE OR SEQUENCE TO COPY TO");
    } else {
        ui::show_message("SELECT CUE TO COPY TO");
    }
    while (key_down(runtime::KEY_TO_ITEM)) {
        if (!runtime::is_input_pending()) {
            runtime::run_background();
            continue;
        }
        int16_t key = 0;
        if (runtime::get_key(&key)) {
            int16_t destination = -1;
            if (is_cue_key(key)) destination = enter_destination_cue(key, 0);
            if (is_digit(key) && key != runtime::KEY_DIGIT_0) {
                destination = enter_destination_cue(0, static_cast<int16_t>(key - runtime::KEY_DIGIT_0));
            }
            if (destination >= 0) {
                if (destination > 0) copy_to_slot(c, destination);
                return;
            }
            if (is_page_key(key)) {
                show_cue_page(static_cast<int16_t>(key - runtime::KEY_GROUP_1 + 1));
                set_cue_key_leds(runtime::LED_BLINK, runtime::LED_BLINK_BOTH, runtime::LED_BLINK_BOTH);
                mark_source_key(c.source, runtime::LED_ON_2, kSourceNumber);
            }
        }
        if (mode == kToOnePlayback) {
            for (int q = 1; q <= kPlaybacks; ++q) {
                if (!key_down(runtime::playback_key(q))) continue;
                copy_playback_in_cue(static_cast<int16_t>(playback), static_cast<int16_t>(q));
                while (key_down(runtime::playback_key(q))) runtime::run_background();
                return;
            }
        } else if (mode == kToOneSequence) {
            for (int d = 1; d <= kSequences; ++d) {
                if (!key_down(sequence_key(d))) continue;
                copy_sequence_in_cue(static_cast<int16_t>(sequence), static_cast<int16_t>(d));
                return;
            }
        }
    }
}

}  // namespace

void run_copy_dialog() {
    Choice c;
    choose_what_to_copy(c);
    int playback = 0;
    int sequence = 0;
    const int playbacks = chosen_count(c.playbacks, playback);
    const int sequences = chosen_count(c.sequences, sequence);
    if (c.source != 0 || playbacks + sequences > 0) {
        int mode = kToCue;
        if (c.source == 0 && sequences == 0 && playbacks == 1) mode = kToOnePlayback;
        if (c.source == 0 && playbacks == 0 && sequences == 1) mode = kToOneSequence;
        choose_where_to(c, mode, playback, sequence);
    }
    end_dialog(c.source);
}

void draw_copy_cue_caption(int16_t kind, int16_t page, int16_t cue, int16_t point) {
    if (kind != 1 && kind != 2) return;
    const char* what = kind == 1 ? "FROM" : "TO";
    char text[48];
    if (point == 0) {
        std::snprintf(text, sizeof text, "%s CUE P%d C%d", what, page, cue);
    } else {
        std::snprintf(text, sizeof text, "%s CUE P%d C%d.%d", what, page, cue, point);
    }
    caption_box(text);
}

void draw_destination_cue(int16_t page, int16_t cue, int16_t p) {
    char text[48];
    if (cue == -1) {
        std::snprintf(text, sizeof text, "P %d", page);
    } else {
        std::snprintf(text, sizeof text, "P %d C %d.%d  R %d.%d", page, cue, p - 1, (page - 1) * kCuesPerPage + cue,
                      p - 1);
    }
    ui::fill_box(kReadOutBox[0], kReadOutBox[1], kReadOutBox[2], kReadOutBox[3], kCaptionFill);
    ui::draw_bitmap_text(static_cast<int16_t>(kReadOutBox[0] + 4), static_cast<int16_t>(kReadOutBox[1] + 4), kCaptionText,
                         text);
}

int16_t enter_destination_cue(int16_t cue, int16_t digit) {
    CuePickerSetup setup;
    setup.box_word = nullptr;  // the caption box says COPY TO
    setup.message = "GIVE DESTINATION CUE";
    setup.refusal = CueEntryRefusal::keep_reading;
    setup.first_cue = cue >= 1 && cue <= kCuesPerPage ? cue : 0;
    setup.first_digit = setup.first_cue == 0 && digit >= 1 && digit <= 9 ? digit : -1;
    setup.draw_status = draw_destination_cue;
    set_key_led(runtime::KEY_ENTER, runtime::LED_BLINK);
    const CuePick pick = run_cue_picker(setup);
    const bool cue_screen = (runtime::mode_flags & runtime::MODE_CUE_SCREEN) != 0;
    set_key_led(runtime::KEY_CUE, cue_screen ? runtime::LED_ON : runtime::LED_OFF);
    set_digit_leds(runtime::LED_OFF);
    set_key_led(runtime::KEY_POINT, runtime::LED_OFF);
    update_point_cue_leds();
    set_key_led(runtime::KEY_ESC, runtime::LED_OFF);
    set_key_led(runtime::KEY_ENTER, runtime::LED_OFF);
    if (!pick.entered) return 0;
    const CuePosition& at = pick.position;
    return static_cast<int16_t>(slot_of(at.page, at.cue, at.point));
}

}  // namespace playback
