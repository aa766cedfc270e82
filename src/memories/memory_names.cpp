#include "memories/memory_names.h"

#include <array>
#include <cstdio>
#include <cstring>

#include "datafiles/memory_file.h"
#include "memcheck/memcheck.h"
#include "memories/commands.h"
#include "memories/memories.h"
#include "memories/memory_index.h"
#include "memories/memory_list.h"
#include "playback/playback_state.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "ui/fader_widget.h"
#include "ui/helpers.h"
#include "ui/message_line.h"
#include "ui/text_entry.h"

namespace memories {

namespace {

constexpr int kConsolePlaybacks = 10;  // playbacks above 10 sit on the wing

bool valid_memory(int m) { return m >= 1 && m <= kMemories; }

void relabel_playbacks(int16_t memory) {
    if ((runtime::mode_flags & runtime::MODE_PLAYBACK_LABELS) != 0) return;  // label mode 0 only
    const std::string_view name = memory_name(memory);
    for (int p = 1; p <= playback::kPlaybacks; ++p) {
        if (playback::playback_table[static_cast<size_t>(p)].memory != memory) continue;
        std::array<char, 48> widget{};
        std::array<char, 48> wing{};
        if (name.empty()) {
            std::snprintf(widget.data(), widget.size(), "*  (MEM%4d)", memory);
            std::snprintf(wing.data(), wing.size(), "%2d NO NAME (MEM%4d)*", p, memory);
        } else {
            std::snprintf(widget.data(), widget.size(), "%.*s", static_cast<int>(name.size()), name.data());
            std::snprintf(wing.data(), wing.size(), "%2d %.*s", p, static_cast<int>(name.size()), name.data());
        }
        ui::set_fader_widget_label(ui::playback_fader_widgets[static_cast<size_t>(p)], widget.data());
        if (p > kConsolePlaybacks) playback::set_wing_lcd_text(static_cast<int16_t>(p - kConsolePlaybacks), wing.data());
    }
}

}  // namespace

bool set_memory_name(int16_t memory, const char* text) {
    if (!valid_memory(memory) || text == nullptr) return false;
    auto& name = memory_index[static_cast<size_t>(memory)].name;
    name.fill('\0');
    memcheck::mc_memcpy_at(name.data(), text, strnlen(text, kMemoryNameChars), __FILE__, __LINE__,
                           memcheck::mc_dest_size(name));
    if ((runtime::option_flags & runtime::OPT_MEMORY_LIST) != 0) draw_memory_list_cell(memory, 2, 4);
    datafiles::save_memory_name(memory);
    relabel_playbacks(memory);
    return true;
}

void edit_memory_name(int16_t memory) {
    runtime::set_key_led(runtime::KEY_TO_MEM, runtime::LED_ON);
    if (!valid_memory(memory)) {
        ui::beep_interruptible(400, 150);
        runtime::set_key_led(runtime::KEY_TO_MEM, runtime::LED_OFF);
        return;
    }
    ui::beep(800, 150);
    ui::show_message("GIVE THE NAME OF MEMORY %d", memory);
    ui::fill_box(2, 282, 220, 314, 7);
    ui::fill_box(3, 283, 219, 297, 2);
    ui::fill_box(3, 299, 219, 313, 4);
    const std::string_view old_name = memory_name(memory);
    const std::string shown = old_name.empty() ? std::string("* NO NAME *") : std::string(old_name);
    ui::draw_small_text(90, 288, 14, shown.c_str());
    ui::draw_bitmap_text(13, 285, 14, "OLD NAME:");
    ui::draw_bitmap_text(13, 302, 14, "NEW NAME:");
    std::array<char, kMemoryNameChars + 1> entered{};
    if (ui::edit_text_line(entered.data(), 90, 305, kMemoryNameChars, 4, 14, 0) == 0) {
        ui::beep_interruptible(400, 150);
    } else {
        ui::beep(800, 150);
        set_memory_name(memory, entered.data());
    }
    runtime::set_key_led(runtime::KEY_TO_MEM, runtime::LED_OFF);
}

}  // namespace memories
