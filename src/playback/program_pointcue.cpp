#include "playback/program_pointcue.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "datafiles/cue_memory_file.h"
#include "memories/cue_memories.h"
#include "memories/memories.h"
#include "memories/memory_list.h"
#include "memories/memory_store.h"
#include "platform/graphics.h"
#include "playback/commands.h"
#include "playback/cue_tables.h"
#include "playback/key_groups.h"
#include "playback/link_dialogs.h"
#include "playback/pointcue_programming.h"
#include "programmer/fader_panel.h"
#include "programmer/fixture_pages.h"
#include "runtime/config_records.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_dispatch.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "runtime/main_loop.h"
#include "setup/setup_data.h"
#include "ui/counters.h"
#include "ui/helpers.h"
#include "ui/memory_access.h"
#include "ui/message_line.h"
#include "ui/panel_modes.h"
#include "ui/panels.h"
#include "ui/value_table.h"

namespace playback {

int16_t pointcue_dialog_row = 1;

namespace {

// The slot the open dialog edits.
struct DialogSlot {
    int16_t page = 1;
    int16_t cue = 1;
    int16_t point = 1;
    int16_t slot = 1;
};
DialogSlot open_slot{};

}  // namespace

void reset_program_pointcue_globals() {
    pointcue_dialog_row = 1;
    open_slot = {};
}

namespace {

using runtime::set_key_led;
namespace keys = runtime;

constexpr const char* kDialogMessage = "PROGRAM POINTCUE (ESC=CANCEL)";
constexpr const char* kFadeModeTexts[] = {"ONLY FADEPERMISSION", "FADE ALL CHANNELS",  "NO FADING",
                                          "FADEPERCENTAGE 100%", "LTP-DIMMERS FADE",   "LTP-DIMMERS + SNAP"};
constexpr const char* kFadeModeMessages[] = {
    "1=FADE CHANNELS WITH FADEPERMISSION", "2=FADING ENABLED FOR ALL CHANNELS", "3=FADING DISABLED FOR ALL CHANNELS",
    "4=FADING WITH FADEPERCENTAGE 100%",   "5=FADING WITH LTP-DIMMERS",         "6=FADING WITH LTP-DIMMERS + SNAP"};
constexpr const char* kLinkModeTexts[] = {"LINK ONLY DEFINED CHANNELS", "GLOBAL CUE LINKED"};
// Per row 1..7.
constexpr const char* kRowLabels[] = {"",           "PROG.", "DELAY-IN TIME", "FADE-IN TIME", "DELAY-OUT TIME",
                                      "FADE-OUT TIME", "LINK",  "HOLD TIME"};
constexpr const char* kFieldNames[] = {"", "", "DELAY-IN", "FADE-IN", "DELAY-OUT", "FADE-OUT", "", "HOLD"};
constexpr const char* kTimePrompts[] = {"",
                                        "",
                                        "Delay-in Time @ Min @ Sec @ mSec",
                                        "Fade-in Time @ Min @ Sec @ mSec",
                                        "Delay-out Time @ Min @ Sec @ mSec",
                                        "Fade-out Time @ Min @ Sec @ mSec",
                                        "",
                                        "Hold Time @ Min @ Sec @ mSec"};
// The show default (1..5: delay in, fade in, delay out, fade out, hold) of each row.
constexpr int kRowDefault[] = {0, 0, 1, 2, 3, 4, 0, 5};
constexpr int16_t kTimeEntryMinutes = 50;
constexpr uint8_t kCueMemoryPanel = 3;
constexpr uint8_t kPlaybackWheels = 4;

// The dialog's window over the fixture panel (the right-hand area under the
// sequence panel), so that the sequence panel stays in view and the panel
// switch on leaving redraws all the dialog covered.
constexpr int16_t kWinLeft = 229, kWinTop = 239, kWinRight = 639, kWinBottom = 479;
constexpr int16_t kRightAreaTop = 105;  // the whole right panel, sequence panel included
constexpr int16_t kDiagramBase = 300, kDiagramTop = 274;
constexpr int16_t kLabelX = 236, kValueX = 400, kValueRight = 634;
constexpr int16_t kFadeCellX = 505;
constexpr int16_t kTableTop = 350, kRowStep = 16;
constexpr LinkField kLinkedField{470, 316, 634, 327, 1};
constexpr int16_t kSelectedText = 11, kSelectedBack = 5, kPlainText = 3, kPlainBack = 0;

constexpr int16_t kDialogKeys[] = {keys::KEY_CUE,       keys::KEY_DOWN,      keys::KEY_UP,        keys::KEY_ESC,
                                   keys::KEY_ENTER,     keys::KEY_FADE_MODE, keys::KEY_THRESHOLD, keys::KEY_CLR,
                                   keys::KEY_LINK_CUE,  keys::KEY_ADD_EVENTS, keys::KEY_EDIT_ITEM};
constexpr int16_t kLeavingKeysOff[] = {keys::KEY_DOWN,       keys::KEY_UP,         keys::KEY_LAST,      keys::KEY_NEXT,
                                       keys::KEY_ESC,        keys::KEY_ENTER,      keys::KEY_LOOP_COUNTER,
                                       keys::KEY_FADE_MODE,  keys::KEY_LINK_CUE,   keys::KEY_CLR,
                                       keys::KEY_INSERT_EVENTS, keys::KEY_THRESHOLD, keys::KEY_ADD_EVENTS,
                                       keys::KEY_EDIT_ITEM,  keys::KEY_EDIT_VALUE};
constexpr int16_t kMemoryEditKeysOff[] = {keys::KEY_DOWN,       keys::KEY_UP,        keys::KEY_LAST,
                                          keys::KEY_NEXT,       keys::KEY_GET_MEMORY, keys::KEY_PAGE_UP,
                                          keys::KEY_PAGE_DOWN,  keys::KEY_LOOP_COUNTER, keys::KEY_FADE_MODE,
                                          keys::KEY_THRESHOLD,  keys::KEY_CLR,       keys::KEY_INSERT_EVENTS,
                                          keys::KEY_LINK_CUE,   keys::KEY_ADD_EVENTS};
constexpr int16_t kTimeEditKeysOff[] = {keys::KEY_CLR,  keys::KEY_THRESHOLD, keys::KEY_FADE_MODE, keys::KEY_ADD_EVENTS,
                                        keys::KEY_LAST, keys::KEY_NEXT,      keys::KEY_GET_MEMORY};

size_t at(int n) { return static_cast<size_t>(n); }
bool flag(uint32_t word, uint32_t bit) { return (word & bit) != 0; }
bool cue_screen_shown() { return flag(runtime::mode_flags, runtime::MODE_CUE_SCREEN); }
bool key_held(int16_t key) { return runtime::key_down_table[at(key)] != 0; }
bool is_time_row(int16_t row) { return row >= kPointcueRowDelayIn && row <= kPointcueRowHold && row != kPointcueRowLink; }

PointcueRecord& edit() { return pointcue_edit_record; }
bool in_use() { return (edit().flags & CUE_RECORD_IN_CUE) != 0; }
// The record has a point memory to show: fade mode and times may be edited.
bool has_point_memory() { return in_use() && edit().point_memory >= 1; }
bool buffer_exists() { return memories::pack_buffer != nullptr && memories::pack_count > 0; }

uint16_t show_default(int k) {
    return setup::setup_data.u16(setup::kSetupDefaultTimes + 2 * static_cast<size_t>(k - 1));
}

uint16_t& row_time(PointcueRecord& r, int16_t row) {
    switch (row) {
    case kPointcueRowDelayIn: return r.delay_in;
    case kPointcueRowFadeIn: return r.fade_in;
    case kPointcueRowDelayOut: return r.delay_out;
    case kPointcueRowFadeOut: return r.fade_out;
    default: return r.hold;
    }
}

// Drops bit 0 unless the record still links a cue (a link alone keeps it in use).
void drop_in_use_unless_linked(PointcueRecord& r) {
    if (r.linked_cue == 0) r.flags = static_cast<uint8_t>(r.flags & ~CUE_RECORD_IN_CUE);
}

int16_t next_key() {
    while (!runtime::is_input_pending()) runtime::run_background();
    int16_t key = 0;
    return runtime::get_key(&key) ? key : 0;
}

// --- painters -------------------------------------------------------------------

void text_at(int16_t x, int16_t y, int16_t colour, const char* text) {
    platform::_setcolor(colour);
    platform::_outtextxy(x, y, text);
}

void draw_field(int16_t x, int16_t y, int16_t right, const char* text, bool selected) {
    ui::fill_box(x, static_cast<int16_t>(y - 2), right, static_cast<int16_t>(y + 9), selected ? kSelectedBack : kPlainBack);
    if (text != nullptr && text[0] != '\0') {
        text_at(static_cast<int16_t>(x + 3), y, selected ? kSelectedText : kPlainText, text);
    }
}

int16_t row_y(int16_t row) { return static_cast<int16_t>(kTableTop + (row - 1) * kRowStep); }

void draw_pointcue_time(int16_t row, bool selected) {
    const bool shown = has_point_memory();
    const std::array<char, 24> text = format_pointcue_time(row_time(edit(), row));
    draw_field(kValueX, row_y(row), kValueRight, shown ? text.data() : nullptr, selected);
}

void draw_pointcue_memory_cell(bool selected) {
    const bool defined = in_use() && edit().point_memory >= 1;
    draw_field(kValueX, row_y(kPointcueRowMemory), static_cast<int16_t>(kFadeCellX - 4), defined ? "defined" : "empty",
               selected);
}

void draw_pointcue_fade_mode(bool selected) {
    std::array<char, 32> text{};
    if (has_point_memory()) {
        const uint8_t mode = edit().fade_mode <= kLastPointcueFadeMode ? edit().fade_mode : 0;
        std::snprintf(text.data(), text.size(), "%d %s", mode + 1, kFadeModeTexts[mode]);
    }
    draw_field(kFadeCellX, row_y(kPointcueRowMemory), kValueRight, text.data(), selected);
}

void draw_pointcue_link_mode(bool selected) {
    draw_field(kValueX, row_y(kPointcueRowLink), kValueRight, kLinkModeTexts[edit().link_mode == 1 ? 1 : 0], selected);
}

void draw_pointcue_linked_cue() { draw_link_field(kLinkedField, edit().linked_cue); }

void draw_pointcue_record_row(int16_t selected) {
    draw_pointcue_linked_cue();
    draw_pointcue_memory_cell(selected == kPointcueRowMemory);
    draw_pointcue_fade_mode(selected == kPointcueRowMemory);
    for (int16_t row = kPointcueRowDelayIn; row <= kPointcueRowHold; ++row) {
        if (row == kPointcueRowLink) draw_pointcue_link_mode(selected == row);
        else draw_pointcue_time(row, selected == row);
    }
}

void draw_timing_diagram() {
    platform::_setcolor(0);
    constexpr int16_t x0 = 240, x1 = 280, x2 = 320, x3 = 380, x4 = 420, x5 = 460;
    platform::_line(x0, kDiagramBase, x1, kDiagramBase);
    platform::_line(x1, kDiagramBase, x2, kDiagramTop);
    platform::_line(x2, kDiagramTop, x3, kDiagramTop);
    platform::_line(x3, kDiagramTop, x4, kDiagramBase);
    platform::_line(x4, kDiagramBase, x5, kDiagramBase);
    text_at(x0, static_cast<int16_t>(kDiagramBase + 4), 0, "DELAY IN");
    text_at(static_cast<int16_t>(x1 + 4), static_cast<int16_t>(kDiagramBase - 18), 0, "FADE IN");
    text_at(x3, static_cast<int16_t>(kDiagramBase - 18), 0, "FADE OUT");
    text_at(x4, static_cast<int16_t>(kDiagramBase + 4), 0, "DELAY OUT");
    text_at(static_cast<int16_t>(x2 + 14), static_cast<int16_t>(kDiagramTop - 12), 0, "HOLD");
    text_at(static_cast<int16_t>(x5 + 4), static_cast<int16_t>(kDiagramBase - 4), 0, "...LINKED CUE");
}

void draw_pointcue_dialog() {
    ui::fill_box(kWinLeft, kWinTop, kWinRight, kWinBottom, 7);
    platform::_setcolor(15);
    platform::_rectangle(kWinLeft, kWinTop, kWinRight, kWinBottom);
    ui::fill_box(static_cast<int16_t>(kWinLeft + 1), static_cast<int16_t>(kWinTop + 1),
                 static_cast<int16_t>(kWinRight - 1), static_cast<int16_t>(kWinTop + 14), 1);
    std::array<char, 80> title{};
    const std::string_view name = cue_slot_name(open_slot.slot);
    if (open_slot.point == 1) {
        std::snprintf(title.data(), title.size(), "CUE PG %d-CUE %d %.*s", open_slot.page, open_slot.cue,
                      static_cast<int>(name.size()), name.data());
    } else {
        std::snprintf(title.data(), title.size(), "POINTCUE PG %d-CUE %d.%d %.*s", open_slot.page, open_slot.cue,
                      open_slot.point - 1, static_cast<int>(name.size()), name.data());
    }
    text_at(static_cast<int16_t>(kWinLeft + 6), static_cast<int16_t>(kWinTop + 4), 15, title.data());
    draw_timing_diagram();
    text_at(kLabelX, static_cast<int16_t>(kTableTop - kRowStep), 0, "DATA");
    text_at(kValueX, static_cast<int16_t>(kTableTop - kRowStep), 0, "POINT-MEMORY");
    text_at(kFadeCellX, static_cast<int16_t>(kTableTop - kRowStep), 0, "FADE-MODE");
    for (int16_t row = 1; row <= kPointcueRows; ++row) text_at(kLabelX, row_y(row), 0, kRowLabels[row]);
}

void redraw_pointcue_dialog() {
    if (flag(runtime::option_flags, runtime::OPT_TABLE_VIEW | runtime::OPT_ANALOGUE_VIEW)) {
        runtime::option_flags &= ~(runtime::OPT_TABLE_VIEW | runtime::OPT_ANALOGUE_VIEW);
        ui::save_panel_picture();
        ui::fill_box(kWinLeft, kRightAreaTop, kWinRight, kWinBottom, 0);
    }
    if (!flag(runtime::option_flags, runtime::OPT_SEQUENCE_PANEL)) ui::draw_sequence_panel();
    runtime::option_flags &= ~(runtime::OPT_SCREEN_FIELD | runtime::OPT_FIXTURE_PANEL_RESTORED);
    for (const int16_t key : {keys::KEY_PANEL_1, keys::KEY_PANEL_2, keys::KEY_PANEL_3}) set_key_led(key, runtime::LED_OFF);
    if (runtime::display_mode != kPlaybackWheels) {
        ui::select_wheel_mode(kPlaybackWheels);
        set_key_led(keys::KEY_CUE, runtime::LED_ON_BOTH);
    }
    draw_pointcue_dialog();
    draw_pointcue_record_row(pointcue_dialog_row);
    ui::show_message("%s", kDialogMessage);
}

// --- the rows' editors ---------------------------------------------------------------

void clear_pointcue_memory() {
    edit().point_memory = kNoPointMemory;
    drop_in_use_unless_linked(edit());
    draw_pointcue_record_row(pointcue_dialog_row);
}

void select_pointcue_fade_mode() {
    if (!has_point_memory()) return;
    ui::beep(800, 25);
    PointcueRecord& r = edit();
    r.fade_mode = r.fade_mode >= kLastPointcueFadeMode ? 0 : static_cast<uint8_t>(r.fade_mode + 1);
    draw_pointcue_fade_mode(true);
    ui::show_message("%s", kFadeModeMessages[r.fade_mode]);
    runtime::wait_key_release(keys::KEY_FADE_MODE);
}

void toggle_pointcue_link_mode() {
    edit().link_mode = edit().link_mode == 0 ? 1 : 0;
    draw_pointcue_link_mode(true);
}

void edit_pointcue_time(int16_t row) {
    if (!has_point_memory() || !is_time_row(row)) return;
    ui::beep(800, 25);
    runtime::option_flags &= ~(runtime::OPT_CUE_PANEL | runtime::OPT_MEMORY_STATE_SHOWN);
    for (int16_t key = keys::KEY_DIGIT_0; key <= keys::KEY_BACK; ++key) set_key_led(key, runtime::LED_BLINK);
    set_key_led(keys::KEY_ESC, runtime::LED_BLINK);
    set_key_led(keys::KEY_ENTER, runtime::LED_BLINK);
    for (const int16_t key : kTimeEditKeysOff) set_key_led(key, runtime::LED_OFF);
    ui::fill_box(2, 282, 220, 314, 4);
    text_at(13, 290, 14, kFieldNames[row]);
    ui::show_message("EDIT TIME (SECONDS)");
    const int32_t entered = edit_timing_value(kTimeEntryMinutes, kTimePrompts[row],
                                              static_cast<int16_t>(pointcue_row_default(row)));
    row_time(edit(), row) = pointcue_time_after_entry(row, entered);
    for (int16_t key = keys::KEY_DIGIT_0; key <= keys::KEY_BACK; ++key) set_key_led(key, runtime::LED_OFF);
    set_key_led(keys::KEY_ESC, runtime::LED_OFF);
    set_key_led(keys::KEY_ENTER, runtime::LED_OFF);
    ui::redraw_cue_panel();
}

void load_pointcue_memory_into_programmer(int16_t cue, int16_t point, int16_t page) {
    memories::programmer_cue_page = page;
    memories::programmer_cue_number = cue;
    memories::programmer_cue_point = point;
    memories::programmer_from_cue = 1;
    const PointcueRecord* stored = programmed_pointcue(cue_slot_of(page, cue, point));
    memories::programmer_cue_memory = stored != nullptr ? stored->point_memory : kNoPointMemory;
    if (flag(runtime::option_flags, runtime::OPT_CUE_PANEL)) {
        ui::draw_current_memory_label(memories::current_memory, page, cue, point, memories::programmer_cue_memory);
    }
    ui::unpack_base_memory();
    memories::take_work_buffers_into_programmer();
    memories::send_programmer_to_stage();
    memories::update_memory_list_page();
    memories::mark_current_memory(memories::current_memory, memories::current_memory);
    programmer::update_fixture_key_leds();
    if (!cue_screen_shown()) {
        ui::redraw_memory_panel();
        programmer::refresh_faders();
        ui::refresh_table_view();
    }
}

// Keys the point-memory editing keeps from the dispatcher: the memory and
// show commands, and the cue keys on the cue screen.
bool ignored_while_editing(int16_t key) {
    switch (key) {
    case keys::KEY_EDIT_ITEM:
    case keys::KEY_SHIFT:
    case keys::KEY_GET_MEMORY:
    case keys::KEY_TO_MEM:
    case keys::KEY_LAST:
    case keys::KEY_NEXT:
    case keys::KEY_STORE_NEXT: return true;
    default: break;
    }
    if (key >= keys::KEY_LOAD && key <= keys::KEY_SETUP) return true;
    if (key >= keys::KEY_PLAY && key <= keys::KEY_TIMECODE_MODE) return true;
    return cue_screen_shown() && key >= keys::KEY_FIXTURE_1 && key <= keys::KEY_FIXTURE_70;
}

void edit_pointcue_memory() {
    PointcueRecord& r = edit();
    if (r.point_memory < 1) {
        memories::free_cue_work_buffer();
        r.point_memory = kNewPointMemory;
        r.flags |= CUE_RECORD_IN_CUE;
    }
    runtime::option_flags |= runtime::OPT_MEMORY_STATE_SHOWN;
    ui::beep(800, 50);
    for (const int16_t key : kMemoryEditKeysOff) set_key_led(key, runtime::LED_OFF);
    set_key_led(keys::KEY_ENTER, runtime::LED_BLINK);
    if (cue_screen_shown()) programmer::set_fixture_page(runtime::fixture_page);
    draw_pointcue_record_row(pointcue_dialog_row);
    load_pointcue_memory_into_programmer(open_slot.cue, open_slot.point, open_slot.page);
    ui::set_panel_mode(kCueMemoryPanel);
    for (;;) {
        set_key_led(keys::KEY_ESC, runtime::LED_BLINK);
        const int16_t key = next_key();
        if (key == keys::KEY_ESC) break;
        if (key == 0 || ignored_while_editing(key)) continue;
        runtime::dispatch_key(key);
        if (key == keys::KEY_ENTER) {
            memories::pack_cue_work_buffer();
            break;
        }
    }
    set_key_led(keys::KEY_ENTER, runtime::LED_OFF);
    runtime::option_flags &= ~runtime::OPT_MEMORY_STATE_SHOWN;
    if (r.point_memory == kNewPointMemory && !buffer_exists()) {
        r.point_memory = 0;
        drop_in_use_unless_linked(r);
    }
}

// --- opening, the loop and leaving --------------------------------------------------------

void open_edit_record(int16_t mode) {
    PointcueRecord& r = edit();
    const PointcueRecord* stored = programmed_pointcue(open_slot.slot);
    if (stored == nullptr) {
        r = PointcueRecord{};
        r.fade_in = show_default(2);
        r.hold = show_default(5);
        r.delay_out = show_default(3);
        if (mode == 1) {
            r.delay_in = show_default(1);
            r.fade_out = show_default(4);
            if (buffer_exists()) {
                r.point_memory = kNewPointMemory;
                r.flags |= CUE_RECORD_IN_CUE;
            }
        }
        return;
    }
    r = *stored;
    if (mode == 0) {
        memories::load_cue_work_buffer(r.point_memory);
        return;
    }
    r.delay_in = show_default(1);
    r.fade_in = show_default(2);
    r.delay_out = show_default(3);
    r.fade_out = show_default(4);
    r.hold = show_default(5);
    r.flags |= CUE_RECORD_IN_CUE;
    if (r.point_memory < 1 || r.point_memory > datafiles::kCueMemories) {
        if (buffer_exists()) {
            r.point_memory = kNewPointMemory;
        } else {
            r.point_memory = 0;
            drop_in_use_unless_linked(r);
        }
    }
}

void blink_dialog_keys() {
    for (const int16_t key : kDialogKeys) set_key_led(key, runtime::LED_BLINK);
    const bool value_key = pointcue_dialog_row != kPointcueRowMemory && pointcue_dialog_row != kPointcueRowLink;
    set_key_led(keys::KEY_EDIT_VALUE, value_key ? runtime::LED_BLINK : runtime::LED_OFF);
}

enum class DialogEnd : uint8_t { store, cancel };

DialogEnd run_pointcue_dialog_loop() {
    for (;;) {
        blink_dialog_keys();
        const int16_t key = next_key();
        const int16_t row = pointcue_dialog_row;
        switch (key) {
        case keys::KEY_UP:
            pointcue_dialog_row = static_cast<int16_t>(row > 1 ? row - 1 : 1);
            draw_pointcue_record_row(pointcue_dialog_row);
            break;
        case keys::KEY_DOWN:
            pointcue_dialog_row = static_cast<int16_t>(row < kPointcueRows ? row + 1 : kPointcueRows);
            draw_pointcue_record_row(pointcue_dialog_row);
            break;
        case keys::KEY_CLR:
            if (row == kPointcueRowMemory) {
                clear_pointcue_memory();
            } else {
                if (is_time_row(row)) row_time(edit(), row) = pointcue_row_default(row);
                redraw_pointcue_dialog();
            }
            break;
        case keys::KEY_FADE_MODE:
            select_pointcue_fade_mode();
            ui::show_message("%s", kDialogMessage);
            break;
        case keys::KEY_LINK_CUE:
            if (edit().point_memory > 0) {
                select_pointcue_linked_cue(kLinkedField);
                ui::show_message("%s", kDialogMessage);
                draw_pointcue_linked_cue();
            }
            break;
        case keys::KEY_EDIT_ITEM:
        case keys::KEY_EDIT_VALUE:
            if (row == kPointcueRowMemory) {
                if (key == keys::KEY_EDIT_ITEM) {
                    edit_pointcue_memory();
                    redraw_pointcue_dialog();
                }
            } else if (row == kPointcueRowLink) {
                if (key == keys::KEY_EDIT_ITEM) toggle_pointcue_link_mode();
            } else {
                edit_pointcue_time(row);
                ui::show_message("%s", kDialogMessage);
                redraw_pointcue_dialog();
            }
            break;
        case keys::KEY_CUE:
        case keys::KEY_ENTER: return DialogEnd::store;
        case keys::KEY_ESC: return DialogEnd::cancel;
        default:
            if (key >= keys::KEY_GROUP_1 && key <= keys::KEY_GROUP_16 && cue_screen_shown()) {
                show_cue_page(static_cast<int16_t>(key - keys::KEY_GROUP_1 + 1));
            }
            break;
        }
    }
}

void store_and_show(uint8_t display_on_entry) {
    ui::beep(800, 100);
    store_pointcue_in_cue(open_slot.slot, pointcue_edit_record);
    if (display_on_entry != runtime::display_mode && display_on_entry >= 1) ui::select_wheel_mode(display_on_entry);
    programmer::update_fader_key_leds();
    const int16_t point_memory = pointcue_edit_record.point_memory;
    memories::programmer_from_cue = 1;
    memories::programmer_cue_memory = point_memory;
    memories::programmer_cue_page = open_slot.page;
    memories::programmer_cue_number = open_slot.cue;
    memories::programmer_cue_point = open_slot.point;
    memories::recall_cue_memory(open_slot.cue, open_slot.point, open_slot.page);
    if (flag(runtime::option_flags, runtime::OPT_CUE_PANEL)) {
        ui::draw_current_memory_label(memories::current_memory, open_slot.page, open_slot.cue, open_slot.point,
                                      point_memory);
    }
}

void leave_pointcue_dialog() {
    uint8_t panel = ui::shown_panel();
    if (panel == 3 || panel == 4) panel = 1;
    // The panels below may redraw less than the window covered.
    ui::fill_box(kWinLeft, kWinTop, kWinRight, kWinBottom, 0);
    ui::set_panel_mode(panel);
    for (const int16_t key : kLeavingKeysOff) set_key_led(key, runtime::LED_OFF);
    set_key_led(keys::KEY_CUE, cue_screen_shown() ? runtime::LED_ON : runtime::LED_OFF);
    update_point_cue_leds();
    ui::clear_message();
    pointcue_edit_cue = -1;
}

}  // namespace

uint16_t pointcue_row_default(int16_t row) {
    if (!is_time_row(row)) return 0;
    return show_default(kRowDefault[at(row)]);
}

uint16_t pointcue_time_after_entry(int16_t row, int32_t entered) {
    if (entered >= 0 && entered <= kPointcueLongestTime) return static_cast<uint16_t>(entered);
    if (row == kPointcueRowDelayOut || row == kPointcueRowHold) return kPointcueTimeInfinite;
    return pointcue_row_default(row);
}

std::array<char, 24> format_pointcue_time(uint16_t tenths) {
    std::array<char, 24> text{};
    if (tenths == kPointcueTimeInfinite) {
        std::snprintf(text.data(), text.size(), "--   infinite   --");
    } else {
        std::snprintf(text.data(), text.size(), "%2d min %2d.%1d sec.", tenths / 600, tenths % 600 / 10, tenths % 10);
    }
    return text;
}

void program_pointcue(int16_t mode, int16_t cue, int16_t point, int16_t page) {
    if (mode == 0) {
        page = current_cue_page;
        cue = current_cue;
        point = current_cue_point;
    }
    const int slot = cue_slot_of(page, cue, point);
    if (!valid_cue_slot(slot) || cue < 1 || cue > kCuesPerPage || point < 1 || point > kPointsPerCue) return;

    ui::beep(800, 100);
    for (int16_t key = keys::KEY_DIGIT_0; key <= keys::KEY_POINT; ++key) set_key_led(key, runtime::LED_OFF);
    const uint8_t display_on_entry = runtime::display_mode;
    runtime::wait_key_release(keys::KEY_CUE);
    set_key_led(keys::KEY_CUE, runtime::LED_BLINK);
    while (key_held(keys::KEY_EDIT_ITEM)) {
        if (!runtime::is_input_pending()) {
            runtime::run_background();
            continue;
        }
        int16_t key = 0;
        if (runtime::get_key(&key) && key == keys::KEY_CUE) break;
    }

    open_slot = {page, cue, point, static_cast<int16_t>(slot)};
    pointcue_edit_cue = static_cast<int16_t>(slot - 1);
    open_edit_record(mode);
    redraw_pointcue_dialog();
    if (run_pointcue_dialog_loop() == DialogEnd::store) store_and_show(display_on_entry);
    leave_pointcue_dialog();
}

}  // namespace playback
