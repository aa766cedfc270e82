#include "sync/midi_editors.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "datafiles/commands.h"
#include "datafiles/name_browser.h"
#include "datafiles/show_files.h"
#include "datafiles/small_tables.h"
#include "platform/graphics.h"
#include "playback/cue_tables.h"
#include "playback/key_groups.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "runtime/main_loop.h"
#include "sync/midi_codes.h"
#include "ui/helpers.h"
#include "ui/message_line.h"
#include "ui/panel_modes.h"
#include "ui/panels.h"

namespace synchro {

RowCursor midi_code_cursor;
RowCursor show_midi_list_cursor;

void reset_midi_editors_globals() {
    midi_code_cursor = {};
    show_midi_list_cursor = {};
}

namespace {

using runtime::set_key_led;
namespace keys = runtime;

constexpr int16_t kBlack = 0, kBlue = 1, kCyan = 3, kRed = 4, kLightGrey = 7, kDarkGrey = 8, kYellow = 14,
                  kWhite = 15;
constexpr int kCursorColour = kYellow, kRowColour = kCyan, kEmptyColour = kLightGrey;
constexpr const char* kEditMessage = "EDIT MIDI-CODES (ESC=CANCEL)";
constexpr int32_t kOpenBeep_hz = 800;
constexpr uint32_t kOpenBeep_ms = 100;
constexpr int32_t kRefuseBeep_hz = 400;
constexpr uint32_t kRefuseBeep_ms = 2000;

// The editors' box over the lower right panel, and the two columns of cells.
constexpr int16_t kBoxLeft = 230, kBoxTop = 239, kBoxRight = 630, kBoxBottom = 479;
constexpr int16_t kColumnLeft[3] = {0, 240, 420};
constexpr int16_t kColumnRight[3] = {0, 410, 620};
constexpr int16_t kHeadY = 261;
constexpr int16_t kFirstRowY = 272;

constexpr int kCodeWindow = 6;
constexpr int16_t kCodeRowPitch = 33, kCodeRowHeight = 31;
constexpr int kListWindow = 12;
constexpr int kListRows = datafiles::kMidiShowEntries;
constexpr int16_t kListRowPitch = 16, kListRowHeight = 15;
constexpr size_t kListNameChars = datafiles::kShowNameChars;

// The keys whose LEDs each editor lights for its time.
constexpr std::array<int16_t, 6> kCodeEditorBlinkKeys = {keys::KEY_CLR, keys::KEY_UP, keys::KEY_DOWN, keys::KEY_ESC,
                                                          keys::KEY_PAGE_UP, keys::KEY_PAGE_DOWN};
constexpr std::array<int16_t, 3> kPanelKeys = {keys::KEY_PANEL_1, keys::KEY_PANEL_2, keys::KEY_PANEL_3};

int text_colour_of(int colour) { return colour == kCursorColour ? kRed : kBlack; }

void fill_cell(int16_t top, int16_t height, int column, int colour) {
    ui::fill_box(kColumnLeft[column], top, kColumnRight[column], static_cast<int16_t>(top + height - 1),
                 static_cast<int16_t>(colour));
}

int16_t code_cell_top(int position) { return static_cast<int16_t>(kFirstRowY + (position - 1) * kCodeRowPitch); }
int16_t list_cell_top(int position) { return static_cast<int16_t>(kFirstRowY + (position - 1) * kListRowPitch); }

void draw_editor_box(const char* title, const char* left_head, const char* right_head) {
    ui::fill_box(kBoxLeft, kBoxTop, kBoxRight, kBoxBottom, kDarkGrey);
    platform::_setcolor(kLightGrey);
    platform::_rectangle(kBoxLeft, kBoxTop, kBoxRight, kBoxBottom);
    ui::fill_box(kBoxLeft + 1, kBoxTop + 1, kBoxRight - 1, kBoxTop + 15, kBlue);
    ui::draw_small_text(kBoxLeft + 5, kBoxTop + 6, kWhite, title);
    ui::draw_small_text(kColumnLeft[1] + 4, kHeadY, kWhite, left_head);
    ui::draw_small_text(kColumnLeft[2] + 4, kHeadY, kWhite, right_head);
}

// The fader boxes give way to the editor's box; the sequences panel is shown.
void tidy_panels() {
    if ((runtime::option_flags & runtime::OPT_ANALOGUE_VIEW) != 0) {
        ui::save_panel_picture();
        runtime::option_flags &= ~runtime::OPT_ANALOGUE_VIEW;
        ui::fill_box(kBoxLeft, kBoxTop, kBoxRight, kBoxBottom, kBlack);
    }
    if ((runtime::option_flags & runtime::OPT_SEQUENCE_PANEL) == 0) ui::draw_sequence_panel();
    for (const int16_t key : kPanelKeys) set_key_led(key, runtime::LED_OFF);
}

void leave_editor(uint32_t first_panel_to_reset, uint32_t last_panel_to_reset) {
    const uint32_t panel = (runtime::mode_flags & runtime::MODE_PANEL_FIELD) >> 2;
    if (panel >= first_panel_to_reset && panel <= last_panel_to_reset) {
        runtime::mode_flags = (runtime::mode_flags & ~runtime::MODE_PANEL_FIELD) | (1u << 2);
        ui::set_panel_mode(1);
    }
    ui::clear_message();
}

// Waits for input; a MIDI event is taken here (true, with the event), a key
// press is read into key.
bool next_input(MidiEvent& event, int16_t& key) {
    for (;;) {
        while (!runtime::is_input_pending()) runtime::run_background();
        if (runtime::input_pending_midi != 0 && runtime::input_pending_pc_key == 0 &&
            runtime::input_pending_console_key == 0 && runtime::input_pending_key_ring == 0) {
            event = midi_event;
            runtime::input_pending_midi = 0;
            return true;
        }
        key = 0;
        if (runtime::get_key(&key) && key != 0) return false;
    }
}

// Draws the window positions 1..window around the cursor's row; positions
// outside rows 1..rows are painted empty.
template <typename DrawRow, typename PaintCell>
void draw_window_rows(int row, int position, int window, int rows, DrawRow draw_row, PaintCell paint_cell) {
    for (int w = 1; w <= window; ++w) {
        const int r = row - position + w;
        if (r < 1 || r > rows) {
            paint_cell(w, 1, kEmptyColour);
            paint_cell(w, 2, kEmptyColour);
        } else {
            draw_row(r, w, r == row ? kCursorColour : kRowColour);
        }
    }
}

// Moves the cursor one row; the highlight moves within the window, and the
// window is redrawn with the new row at its far end when it leaves it.
template <typename DrawRow, typename DrawRows>
void step_cursor(RowCursor& c, int delta, int rows, int window, DrawRow draw_row, DrawRows draw_rows) {
    const int next = c.row + delta;
    if (next < 1 || next > rows) return;
    const int old_row = c.row;
    const int old_position = c.position;
    c.row = next;
    const int position = c.position + delta;
    if (position < 1 || position > window) {
        c.position = delta < 0 ? window : 1;
        draw_rows(c.row, c.position);
        return;
    }
    c.position = position;
    draw_row(old_row, old_position, kRowColour);
    draw_row(c.row, c.position, kCursorColour);
}

// ------------------------------------------------------------------ codes

MidiCodeEditBuffer code_buffer;
int code_slot = 0;

const char* code_row_label(int row, char* text, size_t size) {
    static constexpr const char* kSequenceLabels[] = {"SEQUENCE A", "SEQUENCE B", "SEQUENCE C", "SEQUENCE D"};
    if (row == kCueSelectionRow) return "CUE-SELECTION";
    if (row < kFirstPlaybackRow) return kSequenceLabels[row - kFirstSequenceRow];
    std::snprintf(text, size, "%s %d", "PLAYBACK", row - kFirstPlaybackRow + 1);
    return text;
}

void draw_code_row(int row, int position, int colour) {
    draw_midi_code(row, position, 1, colour);
    draw_midi_code(row, position, 2, colour);
}

void open_code_editor_screen() {
    tidy_panels();
    for (const int16_t key : kCodeEditorBlinkKeys) set_key_led(key, runtime::LED_BLINK);
    set_key_led(keys::KEY_MIDI, runtime::LED_ON);
    std::array<char, 80> title{};
    const std::string_view name = playback::cue_slot_name(code_slot);
    std::snprintf(title.data(), title.size(), "PROGRAM MIDI PG %d-CUE %d.%d %.*s", playback::cue_slot_page(code_slot),
                  playback::cue_slot_cue(code_slot), playback::cue_slot_point(code_slot) - 1,
                  static_cast<int>(name.size()), name.data());
    draw_editor_box(title.data(), "EVENTS", "MIDI-CODE");
    draw_midi_code_rows(midi_code_cursor.row, midi_code_cursor.position);
    ui::show_message("%s", kEditMessage);
}

void learn_event(const MidiEvent& event) {
    MidiCode& row_code = code_buffer.rows[static_cast<size_t>(midi_code_cursor.row)];
    if (!accepts_learned_code(midi_code_cursor.row, event, row_code)) return;
    row_code = MidiCode{event.words};
    draw_code_row(midi_code_cursor.row, midi_code_cursor.position, kCursorColour);
}

void move_code_cursor(int delta, int steps) {
    for (int i = 0; i < steps; ++i) {
        step_cursor(midi_code_cursor, delta, kMidiCodeRows, kCodeWindow, draw_code_row, draw_midi_code_rows);
    }
}

// ------------------------------------------------------------------ list table

std::string_view list_entry_name(int row) {
    const auto& entry = datafiles::midi_show_table[static_cast<size_t>(row)];
    const auto* text = reinterpret_cast<const char*>(entry.data());
    return {text, strnlen(text, entry.size())};
}

void draw_list_row(int row, int position, int colour) {
    draw_show_midi_list_row(row, position, 1, colour);
    draw_show_midi_list_row(row, position, 2, colour);
}

void light_list_keys() {
    set_key_led(keys::KEY_EDIT_ITEM, runtime::LED_BLINK);
    set_key_led(keys::KEY_MIDI, runtime::LED_ON);
    for (const int16_t key : kCodeEditorBlinkKeys) set_key_led(key, runtime::LED_BLINK);
}

void list_keys_off() {
    set_key_led(keys::KEY_EDIT_ITEM, runtime::LED_OFF);
    set_key_led(keys::KEY_MIDI, runtime::LED_OFF);
    for (const int16_t key : kCodeEditorBlinkKeys) set_key_led(key, runtime::LED_OFF);
}

void move_list_cursor(int delta, int steps) {
    for (int i = 0; i < steps; ++i) {
        step_cursor(show_midi_list_cursor, delta, kListRows, kListWindow, draw_list_row, draw_show_midi_list_rows);
    }
}

}  // namespace

// ------------------------------------------------------------------ code editor

void paint_midi_code_cell(int position, int column, int colour) {
    fill_cell(code_cell_top(position), kCodeRowHeight, column, colour);
}

void draw_midi_code(int row, int position, int column, int colour) {
    paint_midi_code_cell(position, column, colour);
    const int16_t top = code_cell_top(position);
    const auto text_colour = static_cast<int16_t>(text_colour_of(colour));
    const auto x = static_cast<int16_t>(kColumnLeft[column] + 4);
    if (column == 1) {
        char label[24];
        ui::draw_bitmap_text(x, static_cast<int16_t>(top + 11), text_colour, code_row_label(row, label, sizeof label));
        return;
    }
    const MidiCode& code = code_buffer.rows[static_cast<size_t>(row)];
    if (!code_present(code)) return;
    ui::draw_bitmap_text(x, static_cast<int16_t>(top + 4), text_colour, midi_status_names[code_status(code)].c_str());
    char words[32];
    std::snprintf(words, sizeof words, "%04X - %04X - %04X", code.words[0], code.words[1], code.words[2]);
    ui::draw_bitmap_text(x, static_cast<int16_t>(top + 18), text_colour, words);
}

void draw_midi_code_rows(int row, int position) {
    draw_window_rows(row, position, kCodeWindow, kMidiCodeRows, draw_code_row, paint_midi_code_cell);
}

void edit_midi_codes() {
    ui::beep_interruptible(kOpenBeep_hz, kOpenBeep_ms);
    code_slot = playback::current_cue_slot();
    load_cue_midi_codes(code_slot, code_buffer);
    const MidiCode opened = code_buffer.rows[kCueSelectionRow];
    playback::playback_note_flags.fill(0);
    open_code_editor_screen();

    for (bool done = false; !done;) {
        MidiEvent event;
        int16_t key = 0;
        if (next_input(event, key)) {
            learn_event(event);
            continue;
        }
        switch (key) {
            case keys::KEY_UP: move_code_cursor(-1, 1); break;
            case keys::KEY_PAGE_UP: move_code_cursor(-1, kCodeWindow); break;
            case keys::KEY_DOWN: move_code_cursor(1, 1); break;
            case keys::KEY_PAGE_DOWN: move_code_cursor(1, kCodeWindow); break;
            case keys::KEY_CLR:
                code_buffer.rows[static_cast<size_t>(midi_code_cursor.row)] = MidiCode{};
                draw_code_row(midi_code_cursor.row, midi_code_cursor.position, kCursorColour);
                break;
            case keys::KEY_ESC: done = true; break;
            case keys::KEY_MIDI: {
                const int other = store_edited_midi_codes(code_slot, code_buffer, opened);
                if (other == 0) {
                    done = true;
                    break;
                }
                ui::show_message("%s", same_code_message(other).c_str());
                ui::beep_interruptible(kRefuseBeep_hz, kRefuseBeep_ms);
                ui::show_message("%s", kEditMessage);
                break;
            }
            default: break;
        }
    }
    leave_editor(3, 7);
    for (const int16_t key : kCodeEditorBlinkKeys) set_key_led(key, runtime::LED_OFF);
    set_key_led(keys::KEY_MIDI, runtime::LED_OFF);
}

// ------------------------------------------------------------------ list table

void paint_show_midi_list_cell(int position, int column, int colour) {
    fill_cell(list_cell_top(position), kListRowHeight, column, colour);
}

void draw_show_midi_list_row(int row, int position, int column, int colour) {
    paint_show_midi_list_cell(position, column, colour);
    const auto text_colour = static_cast<int16_t>(text_colour_of(colour));
    const auto x = static_cast<int16_t>(kColumnLeft[column] + 4);
    const auto y = static_cast<int16_t>(list_cell_top(position) + 4);
    char text[40];
    if (column == 1) {
        std::snprintf(text, sizeof text, "Open Cuelist %d", row - 1);
    } else {
        const std::string_view name = list_entry_name(row);
        if (name.empty()) return;
        std::snprintf(text, sizeof text, "CUELIST ' %.*s '", static_cast<int>(name.size()), name.data());
    }
    ui::draw_bitmap_text(x, y, text_colour, text);
}

void draw_show_midi_list_rows(int row, int position) {
    draw_window_rows(row, position, kListWindow, kListRows, draw_list_row, paint_show_midi_list_cell);
}

void draw_show_midi_lists_frame() { draw_editor_box("PROGRAM MIDI FOR THIS SHOW", "OPEN CUELIST", "CUELIST"); }

void pick_show_midi_list(int row, int position) {
    if ((runtime::run_flags & (runtime::RUN_SHOW_FILE_BUSY | runtime::RUN_SAVE_LOAD_KEY)) != 0) return;
    runtime::option_flags &= ~(runtime::OPT_CUE_PANEL | runtime::OPT_MEMORY_STATE_SHOWN);
    runtime::run_flags |= runtime::RUN_SHOW_FILE_BUSY;
    datafiles::show_file_operation = datafiles::kOperationLoad;
    datafiles::show_file_medium = datafiles::kMediumList;
    datafiles::draw_dialog_box("SELECT LIST");
    if (datafiles::browse_names() != 0) {
        // List names have at most 8 characters; the entry keeps no more.
        const auto& chosen = datafiles::selected_file_names[datafiles::kMediumList];
        auto& entry = datafiles::midi_show_table[static_cast<size_t>(row)];
        entry.fill(0);
        const size_t length = std::min(strnlen(chosen.data(), chosen.size()), kListNameChars);
        std::copy_n(chosen.begin(), length, entry.begin());
        draw_list_row(row, position, kCursorColour);
    }
    runtime::run_flags &= ~runtime::RUN_SHOW_FILE_BUSY;
    light_list_keys();
    ui::redraw_cue_panel();
}

void edit_show_midi_lists() {
    ui::beep_interruptible(kOpenBeep_hz, kOpenBeep_ms);
    tidy_panels();
    draw_show_midi_lists_frame();
    RowCursor& c = show_midi_list_cursor;
    draw_show_midi_list_rows(c.row, c.position);
    light_list_keys();
    ui::show_message("%s", kEditMessage);

    for (bool done = false; !done;) {
        MidiEvent ignored;  // MIDI events are taken and not acted on here
        int16_t key = 0;
        if (next_input(ignored, key)) continue;
        switch (key) {
            case keys::KEY_UP: move_list_cursor(-1, 1); break;
            case keys::KEY_PAGE_UP: move_list_cursor(-1, kListWindow); break;
            case keys::KEY_DOWN: move_list_cursor(1, 1); break;
            case keys::KEY_PAGE_DOWN: move_list_cursor(1, kListWindow); break;
            case keys::KEY_CLR:
                datafiles::midi_show_table[static_cast<size_t>(c.row)].fill(0);
                draw_list_row(c.row, c.position, kCursorColour);
                break;
            case keys::KEY_EDIT_ITEM: pick_show_midi_list(c.row, c.position); break;
            case keys::KEY_MIDI:
                datafiles::save_midi_show_file();
                done = true;
                break;
            case keys::KEY_ESC:
                datafiles::load_midi_show_file();
                done = true;
                break;
            default: break;
        }
    }
    leave_editor(3, 4);
    list_keys_off();
}

}  // namespace synchro
