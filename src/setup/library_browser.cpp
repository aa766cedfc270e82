#include "setup/library_browser.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "platform/fonts.h"
#include "platform/graphics.h"
#include "runtime/mouse_input.h"
#include "setup/fixture_upload.h"
#include "setup/function_patching.h"
#include "setup/library_browser_index.h"
#include "setup/setup_colours.h"
#include "setup/setup_screen.h"
#include "setup/stage_plan.h"
#include "ui/helpers.h"

namespace setup {

namespace {

constexpr int32_t kErrorHz = kSetupRefusalHz;
constexpr uint32_t kError_ms = 200;
constexpr uint32_t kRefusal_ms = 800;
constexpr int16_t kTextSize = 4;
constexpr size_t kInfoChars = 79;
constexpr int kGridRows = 16;
constexpr const char* kNotFoundText = "LIBRARY NOT FOUND";

std::string upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

void set_small_text() { ui::set_text_style(platform::kSmallFont, platform::kHorizontalText, kTextSize); }

void line(int x1, int y1, int x2, int y2, int16_t colour) {
    platform::_setcolor(colour);
    platform::_line(x1, y1, x2, y2);
}

void text_at(int x, int y, int16_t colour, const std::string& text) {
    platform::_setcolor(colour);
    platform::_outtextxy(x, y, text);
}

// A scroll bar's thumb over a track of `track` pixels from `top`.
void draw_thumb(int top, int track, int page, int pages) {
    if (pages < 1) pages = 1;
    int from = 0;
    int to = 0;
    if (pages < 26) {
        const int step = track / pages;
        from = top + page * step;
        to = from + step + (track - pages * step);
    } else {
        from = top + track * page / pages;
        to = top + track * (page + 1) / pages;
    }
    ui::fill_box(288, static_cast<int16_t>(from), 297, static_cast<int16_t>(to), kSetupRed);
}

void show_library_info(const LibraryList& list) {
    std::string info = list.loaded_type.text(kTypeInfoText, kTypeInfoTextBytes);
    if (info.size() > kInfoChars) info.resize(kInfoChars);
    show_setup_status(info.empty() ? kSetupTitle : info.c_str());
}

// The library's channel count differs from its step, or MARTIN: only the
// library's own step may be used.
bool single_step_allowed(const LibraryList& list, const AddressState& state) {
    return list.loaded_type.channel_count() == list.loaded_type.address_step() && state.martin_protocol == 0;
}

}  // namespace

void draw_manufacturer_list(LibraryList& list) {
    const PointerHidden hidden;
    if (list.manufacturer_page < 0) list.manufacturer_page = std::max<int16_t>(0, static_cast<int16_t>(list.selected_manufacturer / kManufacturerRows));
    ui::fill_box(117, 13, 284, 79, kSetupDarkGrey);
    for (const int y : {29, 46, 63}) line(116, y, 285, y, kSetupLightGrey);
    set_small_text();
    for (int i = 1; i <= kManufacturerRows; ++i) {
        const int m = list.manufacturer_page * kManufacturerRows + i - 1;
        if (m >= list.manufacturer_count) break;
        const bool selected = m == list.selected_manufacturer;
        if (selected) ui::fill_box(117, static_cast<int16_t>(17 * i - 4), 284, static_cast<int16_t>(17 * i + 11), kSetupYellow);
        text_at(120, 17 * i, selected ? kSetupRed : kSetupYellow, upper(list.manufacturers[static_cast<size_t>(m)]));
    }
    ui::fill_box(286, 34, 299, 59, kSetupDarkGrey);
    draw_thumb(34, 25, list.manufacturer_page, list.manufacturer_pages);
}

void draw_library_list(LibraryList& list) {
    const PointerHidden hidden;
    if (list.library_page < 0) list.library_page = 0;
    ui::fill_box(117, 93, 284, 187, kSetupDarkGrey);
    for (const int y : {108, 124, 140, 156, 172}) line(116, y, 285, y, kSetupLightGrey);
    set_small_text();
    for (int i = 1; list.selected_manufacturer >= 0 && i <= kLibraryRows; ++i) {
        const int row = list.library_page * kLibraryRows + i;
        if (row > list.filtered_count) break;
        const int16_t e = find_library_by_row(list, static_cast<int16_t>(row - 1));
        if (e < 0) break;
        const bool selected = e == list.selected_entry;
        if (selected) ui::fill_box(117, static_cast<int16_t>(16 * i + 77), 284, static_cast<int16_t>(16 * i + 91), kSetupYellow);
        text_at(120, 16 * i + 81, selected ? kSetupRed : kSetupYellow,
                upper(entry_text(list.entries[static_cast<size_t>(e)].type_name)));
    }
    ui::fill_box(286, 114, 299, 166, kSetupDarkGrey);
    draw_thumb(114, 52, list.library_page, list.library_pages);
}

void draw_function_patch_grid() {
    const PointerHidden hidden;
    ui::fill_box(301, 28, 449, 187, kSetupBlack);
    line(301, 28, 449, 28, kSetupRed);
    line(373, 28, 373, 187, kSetupRed);
    line(377, 28, 377, 187, kSetupRed);
    set_small_text();
    for (int k = 1; k <= kGridRows; ++k) {
        line(301, 28 + 10 * k, 449, 28 + 10 * k, kSetupRed);
        for (const int column : {0, 1}) {
            const int x = column == 0 ? 302 : 378;
            ui::fill_box(static_cast<int16_t>(x), static_cast<int16_t>(10 * k + 19), static_cast<int16_t>(x + 13),
                         static_cast<int16_t>(10 * k + 27), kSetupLightGrey);
            std::array<char, 12> number{};
            std::snprintf(number.data(), number.size(), "%2d", k + kGridRows * column);
            text_at(x + 1, 10 * k + 19, kSetupWhite, number.data());
        }
    }
    if (library_list.selected_entry == -1) {
        ui::draw_text_button(301, 13, 449, 27, kSetupRed, "NO LIBRARY SELECTED", kSetupYellow);
    }
}

void draw_library_functions(LibraryList& list) {
    const PointerHidden hidden;
    set_small_text();
    ui::draw_text_button(301, 13, 449, 27, kSetupRed, upper(list.loaded_type.name()).c_str(), kSetupYellow);
    const int channels = list.loaded_type.channel_count();
    for (int i = 0; i < kMaxTypeChannels; ++i) {
        const int x = i < kGridRows ? 316 : 392;
        const int y = 10 * (i % kGridRows) + 29;
        if (i >= channels) {
            ui::fill_box(static_cast<int16_t>(x), static_cast<int16_t>(y), static_cast<int16_t>(x + 56),
                         static_cast<int16_t>(y + 8), kSetupBlack);
            continue;
        }
        ui::fill_box(static_cast<int16_t>(x), static_cast<int16_t>(y), static_cast<int16_t>(x + 56), static_cast<int16_t>(y + 8),
                     kSetupDarkGrey);
        text_at(x + 1, y, kSetupWhite, list.loaded_type.function_name(i + 1));
        if (list.loaded_type.fade_flag(i + 1) == 1) {
            ui::fill_box(static_cast<int16_t>(x + 54), static_cast<int16_t>(y + 2), static_cast<int16_t>(x + 56),
                         static_cast<int16_t>(y + 6), kSetupYellow);
        }
    }
}

void select_manufacturer_at_pointer(LibraryList& list) {
    const int row = std::max<int>(list.manufacturer_page, 0) * kManufacturerRows + (runtime::mouse_y - 12) / 17;
    if (row < 0 || row >= list.manufacturer_count) {
        ui::beep(kErrorHz, kError_ms);
        return;
    }
    if (row == list.selected_manufacturer) return;
    list.selected_manufacturer = static_cast<int16_t>(row);
    draw_manufacturer_list(list);
    count_library_list_pages(list);
    draw_library_list(list);
}

void scroll_manufacturer_list(LibraryList& list, int16_t direction) {
    const int page = list.manufacturer_page + direction;
    if (page < 0 || page >= list.manufacturer_pages) {
        ui::beep(kErrorHz, kError_ms);
        return;
    }
    list.manufacturer_page = static_cast<int16_t>(page);
    draw_manufacturer_list(list);
}

void scroll_library_list(LibraryList& list, int16_t direction) {
    const int page = list.library_page + direction;
    if (page < 0 || page >= list.library_pages) {
        ui::beep(kErrorHz, kError_ms);
        return;
    }
    list.library_page = static_cast<int16_t>(page);
    draw_library_list(list);
}

void select_library(LibraryList& list, SetupData& setup, AddressState& state, AddressPanel& panel) {
    const int row = (runtime::mouse_y - 92) / 16 + std::max<int>(list.library_page, 0) * kLibraryRows;
    if (runtime::mouse_y < 92 || row < 0 || row >= list.filtered_count) {
        ui::beep(kErrorHz, kError_ms);
        return;
    }
    const int16_t e = find_library_by_row(list, static_cast<int16_t>(row));
    if (e < 0) return;
    if (selected_manufacturer_name(list) == kUploadManufacturer) {
        list.upload_mode = 1;
        list.selected_entry = e;
        list.loaded_type.bytes[kTypeChannelCount] = 0;
        draw_library_list(list);
        show_upload_file(list);
        return;
    }
    if (list.upload_mode == 1) {
        draw_stage_toolbar();
        draw_function_patch_cells(list);
        draw_colour_swatches();
        list.upload_mode = 0;
    }
    if (e != list.selected_entry) {
        list.selected_entry = e;
        if (!load_library_files(list, e, setup)) {
            draw_function_patch_grid();
            draw_library_list(list);
            select_fixture_protocol(state, list);
            draw_protocol_list(state);
            refuse_in_setup(kNotFoundText, kRefusal_ms);
            return;
        }
        draw_function_patch_grid();
        draw_library_functions(list);
        draw_function_patch_cells(list);
        draw_library_list(list);
        select_fixture_protocol(state, list);
        draw_protocol_list(state);
        if (panel.single_step != 0 && !single_step_allowed(list, state)) panel.single_step = 0;
        compute_address_slots(panel, state, list);
        if (panel.single_step == 0) panel.list_page = 0;
        draw_scroll_list(panel, state, list);
        draw_address_increment(panel);
    }
    show_library_info(list);
}


}  // namespace setup
