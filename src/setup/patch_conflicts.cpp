#include "setup/patch_conflicts.h"

#include <algorithm>
#include <array>
#include <string>

#include "platform/graphics.h"
#include "runtime/channel_levels.h"
#include "runtime/card_discovery.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/mouse_input.h"
#include "setup/library_browser.h"
#include "setup/setup_colours.h"
#include "setup/setup_screen.h"
#include "setup/soft_patch.h"
#include "setup/stage_plan.h"
#include "setup/stage_plan_items.h"
#include "ui/helpers.h"
#include "ui/message_line.h"

namespace setup {

std::vector<PatchConflict> patch_conflicts;
int16_t patch_conflict_count = 0;
uint8_t conflict_list_page = 0;

namespace {

constexpr uint8_t kShowLevel = 128;
constexpr uint8_t kOtherLevel = 64;

void set_output(int channel, uint8_t level) {
    if (channel >= 1 && channel <= runtime::kOutputPositions) {
        runtime::set_channel_level(static_cast<int16_t>(channel), level, 1, 0);
    }
}

void outputs_to_zero() {
    const int capacity = std::clamp<int>(runtime::function_record_capacity, 0, runtime::kOutputPositions);
    for (int channel = 1; channel <= capacity; ++channel) set_output(channel, 0);
}

void rectangle(int x1, int y1, int x2, int y2, int16_t colour) {
    platform::_setcolor(colour);
    platform::_rectangle(x1, y1, x2, y2);
}

void line(int x1, int y1, int x2, int y2, int16_t colour) {
    platform::_setcolor(colour);
    platform::_line(x1, y1, x2, y2);
}

// A scroll arrow of the list: a blue box with a white triangle.
void arrow(int x1, int y1, int x2, int y2, bool up) {
    ui::fill_box(static_cast<int16_t>(x1), static_cast<int16_t>(y1), static_cast<int16_t>(x2), static_cast<int16_t>(y2),
                 kSetupBlue);
    const int mid = (x1 + x2) / 2;
    const int tip = up ? y1 + 4 : y2 - 4;
    const int base = up ? y2 - 4 : y1 + 4;
    line(x1 + 3, base, mid, tip, kSetupWhite);
    line(mid, tip, x2 - 3, base, kSetupWhite);
    line(x1 + 3, base, x2 - 3, base, kSetupWhite);
}

void draw_fixture_colours(const SetupData& setup, const std::vector<int16_t>& colours) {
    const int count = static_cast<int>(colours.size()) - 1;
    for (int f = 1; f <= count; ++f) {
        if (fixture_page_of(setup.u16(SetupData::fixture_field(f, kFixtureNumber))) != runtime::fixture_page) continue;
        const int16_t colour = colours[static_cast<size_t>(f)];
        highlight_stage_fixture(setup, static_cast<int16_t>(f - 1), colour);
        draw_fixture_number(setup, static_cast<int16_t>(f - 1), colour == kConflictColour ? kSetupWhite : colour);
    }
}

}  // namespace

void reset_patch_conflicts_globals() {
    patch_conflicts.clear();
    patch_conflict_count = 0;
    conflict_list_page = 0;
}

void clear_patch_conflicts() {
    patch_conflicts.clear();
    patch_conflict_count = 0;
}

int16_t count_patch_conflicts(const SetupData& setup) {
    return static_cast<int16_t>(std::min<size_t>(find_patch_conflicts(setup).conflicts.size(), 32767));
}

void compute_patch_conflicts(const SetupData& setup, LibraryList& list) {
    const PointerHidden hidden;
    PatchConflictResult result = find_patch_conflicts(setup);
    patch_conflicts = std::move(result.conflicts);
    patch_conflict_count = static_cast<int16_t>(std::min<size_t>(patch_conflicts.size(), 32767));
    if (result.out_of_memory) {
        // Saving stays refused while the list is not whole.
        if (patch_conflict_count == 0) patch_conflict_count = 1;
        ui::show_message("NOT ENOUGH MEMORY");
    }
    draw_fixture_colours(setup, result.colours);
    draw_patch_conflict_panel(patch_conflict_count != 0, list);
}

void draw_patch_conflict_panel(bool found, LibraryList& list) {
    if (!found) {
        draw_stage_toolbar();
        draw_function_patch_cells(list);
        draw_colour_swatches();
        return;
    }
    const PointerHidden hidden;
    ui::fill_box(465, 189, 629, 424, kSetupBlack);
    rectangle(464, 188, 630, 425, kSetupWhite);
    line(464, 200, 630, 200, kSetupWhite);
    ui::set_text_style(platform::kSmallFont, platform::kHorizontalText, 4);
    ui::draw_text_button(465, 189, 629, 199, kSetupRed, "PATCH CONFLICTS", kSetupYellow);
    arrow(616, 201, 629, 220, true);
    line(616, 221, 629, 221, kSetupWhite);
    arrow(616, 405, 629, 424, false);
    line(616, 404, 629, 404, kSetupWhite);
    line(615, 201, 615, 424, kSetupWhite);
    show_patch_conflicts(1);
}

void show_patch_conflicts(uint8_t mode) {
    const int count = static_cast<int>(patch_conflicts.size());
    if (patch_conflict_count == 0 || count == 0) return;
    const PointerHidden hidden;
    const int pages = (count - 1) / kConflictPageRows + 1;
    int page = conflict_list_page;
    if (mode == 1) page = 0;
    if (mode == 2) page = std::max(page - 1, 0);
    if (mode == 3 && page + 1 < pages) page = page + 1;
    if (page > pages - 1) page = 0;
    conflict_list_page = static_cast<uint8_t>(page);
    ui::fill_box(616, 222, 629, 403, kSetupBlack);
    ui::fill_box(465, 201, 614, 424, kSetupBlack);
    const int h = 181 / pages;
    ui::fill_box(616, static_cast<int16_t>(222 + page * h), 629, static_cast<int16_t>(222 + (page + 1) * h), kSetupRed);
    ui::set_text_style(platform::kSmallFont, platform::kHorizontalText, 4);
    platform::_setcolor(kSetupWhite);
    for (int r = 1; r <= kConflictPageRows; ++r) {
        const int e = page * kConflictPageRows + r;
        if (e > count) break;
        const std::array<std::string, 2> lines = patch_conflict_lines(patch_conflicts[static_cast<size_t>(e - 1)]);
        platform::_outtextxy(470, 183 + 20 * r, lines[0].c_str());
        platform::_outtextxy(470, 193 + 20 * r, lines[1].c_str());
    }
}

void show_soft_patch_outputs(int16_t fixture, uint8_t function, uint8_t mode, int16_t occurrence) {
    if ((runtime::run_flags & runtime::RUN_BLIND) != 0) return;
    outputs_to_zero();
    if (mode != 1 || function == 0) return;
    int n = 0;
    for (const SoftPatchEntry& e : soft_patch_list) {
        if (e.fixture != fixture + 1 || e.function != function) continue;
        ++n;
        const int slot = checked_soft_patch_slot(e);
        if (slot == 0) continue;
        set_output(slot, occurrence == 0 || n == occurrence ? kShowLevel : kOtherLevel);
    }
}

}  // namespace setup
