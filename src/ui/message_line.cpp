#include "ui/message_line.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "memcheck/memcheck.h"
#include "platform/graphics.h"
#include "memories/memories.h"
#include "memories/memory_index.h"
#include "playback/cue_tables.h"
#include "playback/key_groups.h"
#include "runtime/card_access.h"
#include "runtime/console_state.h"
#include "ui/helpers.h"
#include "ui/panels.h"

namespace ui {

std::array<char, kMessageTextBytes> last_message_text{};

namespace {

// The box at the foot of the screen, inclusive corners.
struct Box {
    int16_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};
constexpr Box kFrame{1, 455, 221, 479};
constexpr Box kEmptyBox{3, 457, 219, 477};
constexpr Box kStrip{4, 459, 218, 475};
constexpr int kTextX = 6;
constexpr int kTextY = 464;

constexpr int16_t kFrameColour = 7;      // light grey
constexpr int16_t kEmptyBoxColour = 14;  // yellow
constexpr int16_t kStripColour = 4;      // red
constexpr int16_t kTextColour = 14;      // yellow
constexpr int16_t kMessageFont = platform::kSmallFont;
constexpr int16_t kMessageTextSize = 4;

constexpr size_t kMessageChars = kMessageTextBytes - 1;

bool is_shown(const char* text) {
    return std::strncmp(text, last_message_text.data(), last_message_text.size()) == 0;
}

void remember(const char* text) {
    last_message_text.fill('\0');
    memcheck::mc_memcpy_at(last_message_text.data(), text, strnlen(text, kMessageChars), __FILE__, __LINE__,
                           memcheck::mc_dest_size(last_message_text));
}

void draw_message(const char* text) {
    set_text_style(kMessageFont, platform::kHorizontalText, kMessageTextSize);
    fill_box(kStrip.x1, kStrip.y1, kStrip.x2, kStrip.y2, kStripColour);
    platform::_setcolor(kTextColour);
    platform::_outtextxy(kTextX, kTextY, text);
}

bool memory_is_used(int memory) {
    if (memory < 1 || memory > memories::kMemories) return false;
    return memories::memory_used[static_cast<size_t>(memory)] == 1;
}

bool cue_slot_is_programmed(int slot) {
    if (slot < 1 || slot > playback::kCueSlots) return false;
    return playback::cue_header_table[static_cast<size_t>(slot)].programmed == 1;
}

uint8_t cue_point_flags_of(int cue_number) {
    if (cue_number < 1 || cue_number > playback::kCues) return playback::kCuePointNone;
    return playback::cue_point_flags[static_cast<size_t>(cue_number)];
}

}  // namespace

void show_message(const char* format, ...) {
    char text[kMessageFormatChars]{};
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    text[kMessageChars] = '\0';  // the line keeps and shows 79 characters at most
    if (is_shown(text)) return;
    remember(text);
    draw_message(text);
    runtime::show_console_message(text);
}

void clear_message() {
    platform::_setcolor(kFrameColour);
    platform::_rectangle(kFrame.x1, kFrame.y1, kFrame.x2, kFrame.y2);
    fill_box(kEmptyBox.x1, kEmptyBox.y1, kEmptyBox.x2, kEmptyBox.y2, kEmptyBoxColour);
    last_message_text.fill('\0');
    runtime::option_flags |= runtime::OPT_MEMORY_STATE_SHOWN;
    show_in_use_status();
}

void show_in_use_status() {
    if ((runtime::option_flags & runtime::OPT_MEMORY_STATE_SHOWN) == 0) return;
    if ((runtime::mode_flags & runtime::MODE_CUE_SCREEN) == 0) {
        show_memory_in_use(memories::current_memory);
    } else {
        show_cue_in_use(playback::current_cue_page, playback::current_cue, playback::current_cue_point);
    }
}

void show_memory_in_use(int16_t memory) {
    if (memory_is_used(memory)) {
        show_message("MEMORY %d IS IN USE", memory);
    } else {
        show_message("MEMORY %d IS EMPTY", memory);
    }
}

void show_cue_in_use(int16_t page, int16_t cue, int16_t point) {
    const int slot = (page - 1) * playback::kCuesPerPage * playback::kPointsPerCue +
                     (cue - 1) * playback::kPointsPerCue + point;
    const int cue_number = (page - 1) * playback::kCuesPerPage + cue;
    const int shown_point = point - 1;
    if (cue_slot_is_programmed(slot)) {
        show_message("CUE %d.%d (PAGE %d) IS IN USE (%d.%d)", cue, shown_point, page, cue_number, shown_point);
    } else if (point == 1 && cue_point_flags_of(cue_number) == playback::kCuePointOthersOnly) {
        show_message("CUE %d (P %d) HAS POINTCUES (%d)", cue, page, cue_number);
    } else if (point == 1) {
        show_message("CUE %d (PAGE %d) IS EMPTY (%d)", cue, page, cue_number);
    } else {
        show_message("CUE %d.%d (PAGE %d) IS EMPTY (%d.%d)", cue, shown_point, page, cue_number, shown_point);
    }
}

void redraw_cue_panel() {
    draw_cue_panel();
    clear_message();
}

std::string_view current_message() {
    return std::string_view(last_message_text.data(), strnlen(last_message_text.data(), kMessageChars));
}

}  // namespace ui
