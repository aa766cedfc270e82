#include "playback/cue_names.h"

#include <array>
#include <cstring>
#include <string>

#include "datafiles/cue_files.h"
#include "memcheck/memcheck.h"
#include "memories/memories.h"
#include "memories/memory_editors.h"
#include "memories/cue_memories.h"
#include "platform/graphics.h"
#include "playback/cue_editing.h"
#include "playback/cue_screen.h"
#include "playback/cue_tables.h"
#include "playback/key_groups.h"
#include "playback/playback_jobs.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "setup/setup_data.h"
#include "ui/helpers.h"
#include "ui/message_line.h"
#include "ui/panels.h"
#include "ui/text_entry.h"

namespace playback {

namespace {

using namespace runtime::keys;

constexpr size_t kAutoloadSetting = setup::kSetupGlobalSettings + 9;  // item 10

constexpr int16_t kLightGrey = 7;
constexpr int16_t kDarkGrey = 8;
constexpr int16_t kGreen = 2;
constexpr int16_t kRed = 4;
constexpr int16_t kLightCyan = 11;
constexpr int16_t kYellow = 14;
constexpr int16_t kStrokedFont = 2;

void stroked_text(int x, int y, int colour, int size, const char* text) {
    ui::set_text_style(kStrokedFont, platform::kHorizontalText, static_cast<int16_t>(size));
    platform::_setcolor(colour);
    platform::_outtextxy(x, y, text);
}

bool page_shown(int page) { return page == runtime::cue_screen_page; }

void draw_title_box() {
    ui::fill_box(2, 282, 220, 314, kLightGrey);
    ui::fill_box(12, 288, 210, 308, kDarkGrey);
    ui::set_text_style(kStrokedFont, platform::kHorizontalText, 7);
    const int width = platform::_textwidth("CUE-NAMES");
    stroked_text(2 + (218 - width) / 2, 292, kLightCyan, 7, "CUE-NAMES");
}

// The name question for one slot, and the store of the answer.
void ask_and_store_name(int cue, int point, int page) {
    const int slot = cue_slot_of(page, cue, point);
    ui::show_message("GIVE THE NAME OF CUE %d (PAGE %d)", cue, page);
    ui::fill_box(2, 282, 220, 314, kLightGrey);
    ui::fill_box(2, 282, 220, 297, kGreen);
    ui::fill_box(2, 299, 220, 314, kRed);
    const std::string old_name(cue_slot_name(slot));
    stroked_text(90, 288, kYellow, 4, old_name.empty() ? "* NO NAME *" : old_name.c_str());
    stroked_text(13, 285, kYellow, 5, "OLD NAME:");
    stroked_text(13, 302, kYellow, 5, "NEW NAME:");
    std::array<char, kCueNameChars + 1> entered{};
    if (ui::edit_text_line(entered.data(), 90, 305, kCueNameChars, kRed, kYellow, 0) == 0) {
        ui::beep_interruptible(400, 150);
    } else {
        ui::beep(800, 150);
        auto& name = cue_header_table[static_cast<size_t>(slot)].name;
        name.fill('\0');
        memcheck::mc_memcpy_at(name.data(), entered.data(), strnlen(entered.data(), kCueNameChars), __FILE__, __LINE__,
                               memcheck::mc_dest_size(name));
        if ((runtime::mode_flags & runtime::MODE_CUE_SCREEN) != 0 && page_shown(page)) {
            paint_cue_cell(static_cast<int16_t>(cue), static_cast<uint8_t>(cue_cell_colours[static_cast<size_t>(cue)]));
        }
        if ((runtime::option_flags & runtime::OPT_POINTCUE_PANEL) != 0 && slot == current_cue_slot()) draw_cue_name_line();
        datafiles::save_pointcue_name(static_cast<int16_t>(cue), static_cast<int16_t>(point), static_cast<int16_t>(page));
    }
    if (page_shown(page)) paint_cue_key(static_cast<int16_t>(cue));
}

bool valid_position(int cue, int point, int page) {
    return cue >= 1 && cue <= kCuesPerPage && point >= 1 && point <= kPointsPerCue && page >= 1 && page <= kCuePages;
}

}  // namespace

void edit_cue_name(int16_t cue, int16_t point, int16_t page) {
    if (valid_position(cue, point, page)) {
        draw_title_box();
        ui::beep(800, 150);
        ask_and_store_name(cue, point, page);
    }
    draw_cue_info_line();
}

void edit_cue_names() {
    runtime::set_key_led(KEY_CUE, runtime::LED_ON);
    draw_title_box();
    ui::beep(800, 150);
    int cue = 0, point = 0, page = 0;
    while (cue == 0) {
        ui::show_message("SELECT CUE FOR TEXT-EDIT");
        int16_t key = 0;
        const bool pressed = runtime::get_key(&key);
        if (pressed && key == KEY_ESC) break;
        if (pressed && key >= KEY_FIXTURE_1 && key <= KEY_FIXTURE_70 && runtime::cue_screen_page >= 1 &&
            runtime::cue_screen_page <= kCuePages) {
            cue = key;
            point = 1;
            page = runtime::cue_screen_page;
            ui::beep(800, 150);
        } else if (!pressed && key == KEY_TEXT) {
            cue = current_cue;
            point = current_cue_point;
            page = current_cue_page;
        }
    }
    if (cue != 0) {
        if (page_shown(page)) {
            const bool current = cue == current_cue && page == current_cue_page;
            runtime::set_key_led(fixture_key(cue), current ? runtime::LED_BLINK_2 : runtime::LED_BLINK);
        }
        ask_and_store_name(cue, point, page);
    }
    draw_cue_info_line();
    runtime::set_key_led(KEY_CUE, runtime::LED_OFF);
}

bool autoload_cue_memory_on() { return setup::setup_data.u8(kAutoloadSetting) == 1; }

void autoload_cue_memory(int16_t slot) {
    if (!autoload_cue_memory_on() || !valid_cue_slot(slot)) return;
    memories::recall_cue_memory(static_cast<int16_t>(cue_slot_cue(slot)), static_cast<int16_t>(cue_slot_point(slot)),
                                static_cast<int16_t>(cue_slot_page(slot)));
    if ((runtime::option_flags & runtime::OPT_CUE_PANEL) != 0) {
        ui::draw_current_memory_label(memories::current_memory, memories::programmer_cue_page,
                                      memories::programmer_cue_number, memories::programmer_cue_point,
                                      memories::programmer_cue_memory);
    }
}

}  // namespace playback
