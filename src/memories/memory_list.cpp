#include "memories/memory_list.h"

#include <array>
#include <cstdio>
#include <span>
#include <string>

#include "memcheck/memcheck.h"
#include "memories/memories.h"
#include "memories/memory_index.h"
#include "platform/graphics.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "ui/helpers.h"

namespace memories {

uint8_t* memory_list_frame_image = nullptr;

void reset_memory_list_globals() {
    if (memory_list_frame_image != nullptr) memcheck::mc_free_at(memory_list_frame_image, __FILE__, __LINE__);
    memory_list_frame_image = nullptr;
}

namespace {

// The panel area, inclusive corners.
constexpr int kLeft = 230, kTop = 239, kRight = 630, kBottom = 479;
constexpr int16_t kBlack = 0, kGreen = 2, kRed = 4, kLightCyan = 11;
constexpr int16_t kNumberColour = kGreen;
constexpr int16_t kNoNameMarkColour = kLightCyan;
constexpr int16_t kSmallFont = 2;
constexpr int16_t kListTextSize = 4;
// The other panels of the area: the cue grid, the restored fixture panel and the preset table.
constexpr uint32_t kOtherPanels = runtime::OPT_CUE_GRID | runtime::OPT_FIXTURE_PANEL_RESTORED | runtime::OPT_PT_PRESET_PANEL;

// One column of the list: its entries, cell box x range and text columns;
// the rows are 10 pixels apart, the y of entry i is 10 i + y_offset.
struct ListColumn {
    int first_entry;
    int last_entry;
    int box_x1;
    int box_x2;
    int number_x;
    int name_x;
    int y_offset;  // box top; the text sits one pixel lower
};

// The first column starts lower: the title sits above it.
constexpr std::array<ListColumn, 3> kColumns = {{
    {1, 22, 261, 362, 234, 262, 250},
    {23, 46, 394, 495, 367, 395, 10},
    {47, 70, 527, 629, 500, 528, -230},
}};
constexpr int kBoxHeight = 8;

const ListColumn& column_of(int entry) {
    for (const ListColumn& c : kColumns) {
        if (entry <= c.last_entry) return c;
    }
    return kColumns.back();
}

int entry_of(int memory) { return (memory - 1) % kMemoriesPerListPage + 1; }
bool valid_memory(int m) { return m >= 1 && m <= kMemories; }
bool list_shown() { return (runtime::option_flags & runtime::OPT_MEMORY_LIST) != 0; }

void write(int x, int y, int16_t colour, const char* text) {
    platform::_setcolor(colour);
    platform::_outtextxy(x, y, text);
}

// The name, or "*" for a used memory without one.
void write_name(int memory, const ListColumn& c, int y, int16_t text_colour) {
    const std::string name(memory_name(static_cast<int16_t>(memory)));
    if (!name.empty()) write(c.name_x, y, text_colour, name.c_str());
    else if (memory_used[static_cast<size_t>(memory)] == 1) write(c.name_x, y, kNoNameMarkColour, "*");
}

void draw_frame() {
    ui::fill_box(kLeft, kTop, kRight, kBottom, kBlack);
    platform::_setcolor(kRed);
    platform::_rectangle(kLeft, kTop, kRight, kBottom);
    platform::_line(363, kTop, 363, kBottom);
    platform::_line(496, kTop, 496, kBottom);
    platform::_line(260, 260, 260, kBottom);
    platform::_line(393, kTop, 393, kBottom);
    platform::_line(526, kTop, 526, kBottom);
    for (int k = 2; k <= 23; ++k) platform::_line(kLeft, 10 * k + kTop, kRight, 10 * k + kTop);
    platform::_line(364, 249, kRight, 249);
}

void frame() {
    if (memory_list_frame_image != nullptr) {
        const uint32_t size = platform::_imagesize(kLeft, kTop, kRight, kBottom);
        platform::_putimage(kLeft, kTop, std::span<const uint8_t>(memory_list_frame_image, size), platform::kCopyPut);
        return;
    }
    draw_frame();
    const uint32_t size = platform::_imagesize(kLeft, kTop, kRight, kBottom);
    if (size == 0) return;
    auto* image = static_cast<uint8_t*>(memcheck::mc_malloc_at(size, __FILE__, __LINE__));
    if (image == nullptr) return;  // drawn whole again next time
    if (!platform::_getimage(kLeft, kTop, kRight, kBottom, std::span<uint8_t>(image, size))) {
        memcheck::mc_free_at(image, __FILE__, __LINE__);
        return;
    }
    memory_list_frame_image = image;
}

}  // namespace

int16_t memory_list_page_of(int16_t memory) {
    return static_cast<int16_t>((memory - 1) / kMemoriesPerListPage + 1);
}

void draw_memory_list(int16_t page) {
    if (page < 1 || page > kMemoryListPages) return;
    runtime::option_flags |= runtime::OPT_MEMORY_LIST;
    runtime::option_flags &= ~kOtherPanels;
    frame();
    ui::fill_box(233, 242, 360, 256, kGreen);
    ui::set_text_style(kSmallFont, 0, kListTextSize);
    write(267, 246, kRed, "MEMORIES");
    for (int i = 1; i <= kMemoriesPerListPage; ++i) {
        const int m = (page - 1) * kMemoriesPerListPage + i;
        if (m > kMemories) break;
        const ListColumn& c = column_of(i);
        const int y = 10 * i + c.y_offset + 1;
        std::array<char, 16> number{};  // room for any int; m stays at 1..4000
        std::snprintf(number.data(), number.size(), "%4d", m);
        write(c.number_x, y, kNumberColour, number.data());
        write_name(m, c, y, kListCellText);
    }
}

void draw_memory_list_cell(int16_t memory, int16_t colour, int16_t text_colour) {
    if (!valid_memory(memory)) return;
    const int i = entry_of(memory);
    const ListColumn& c = column_of(i);
    const int top = 10 * i + c.y_offset;
    ui::fill_box(static_cast<int16_t>(c.box_x1), static_cast<int16_t>(top), static_cast<int16_t>(c.box_x2),
                 static_cast<int16_t>(top + kBoxHeight), colour);
    ui::set_text_style(kSmallFont, 0, kListTextSize);
    write_name(memory, c, top + 1, text_colour);
}

void update_memory_list_page() {
    const int16_t page = memory_list_page_of(current_memory);
    if (page == memory_list_page) return;
    memory_list_page = page;
    if (list_shown()) draw_memory_list(page);
}

void mark_current_memory(int16_t former, int16_t now) {
    if (!list_shown()) return;
    const auto on_page = [](int16_t m) { return valid_memory(m) && memory_list_page_of(m) == memory_list_page; };
    if (on_page(former)) draw_memory_list_cell(former, kListCellBackground, kListCellText);
    if (on_page(now)) draw_memory_list_cell(now, kListCurrentBackground, kListCurrentText);
}

}  // namespace memories
