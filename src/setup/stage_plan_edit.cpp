#include "setup/stage_plan_edit.h"

#include <algorithm>
#include <cstdlib>

namespace setup {

namespace {

constexpr int16_t kFirstSwatchY = 224;
constexpr int16_t kSwatchHeight = 18;
constexpr int kSwatches = 10;
constexpr int kMoveMargin_px = 2;
constexpr uint8_t kFirstCatalogue = 1;  // LEE

// The byte ranges ERASE ALL keeps: offset and length.
struct KeptBytes {
    size_t at;
    size_t length;
};
constexpr std::array<KeptBytes, 5> kKeptBytes = {{
    {kSetupTimecodeOption, 1},
    {kSetupCuePageTracing, 16},
    {kSetupCuePagePreparation, 16},
    {kSetupDefaultTimes, 10},
    {kSetupSoftPatchSaved, 21},  // the save mark and the 20 global settings after it
}};

bool valid_page(int page) { return page >= 1 && page <= kFixturePages; }

int next_page(int page) { return page % kFixturePages + 1; }

}  // namespace

int stage_item_limit(StageItemKind kind) { return kind == StageItemKind::text ? kMaxStageTexts : kStageItems; }

ItemPageCounts count_page_items(const SetupData& setup, StageItemKind kind) {
    ItemPageCounts counts{};
    const int count = stage_item_count(setup, kind);
    for (int i = 1; i <= count; ++i) {
        const int page = stage_item_page(setup, kind, i);
        if (valid_page(page)) ++counts[static_cast<size_t>(page)];
    }
    return counts;
}

int first_page_item(const SetupData& setup, StageItemKind kind, int page) {
    const int count = stage_item_count(setup, kind);
    for (int i = 1; i <= count; ++i) {
        if (stage_item_page(setup, kind, i) == page) return i;
    }
    return 0;
}

int page_of_first_item(const SetupData& setup, StageItemKind kind) {
    const int count = stage_item_count(setup, kind);
    for (int i = 1; i <= count; ++i) {
        const int page = stage_item_page(setup, kind, i);
        if (valid_page(page)) return page;
    }
    return 0;
}

int step_page_item(const SetupData& setup, StageItemKind kind, int from, int page, int step) {
    const int count = stage_item_count(setup, kind);
    if (count == 0) return from;
    int i = std::clamp(from, 1, count);
    for (int n = 0; n < count; ++n) {
        i += step;
        if (i < 1) i = count;
        if (i > count) i = 1;
        if (stage_item_page(setup, kind, i) == page) return i;
    }
    return from;
}

namespace {

// Record count + 1 written by `write` unless the kind is full.
template <typename Write>
bool append_item(SetupData& setup, StageItemKind kind, Write write) {
    const int count = stage_item_count(setup, kind);
    if (count >= stage_item_limit(kind)) return false;
    write(count + 1);
    set_stage_item_count(setup, kind, count + 1);
    return true;
}

}  // namespace

bool append_stage_ellipse(SetupData& setup, const StageEllipse& item) {
    return append_item(setup, StageItemKind::ellipse, [&](int i) { write_stage_ellipse(setup, i, item); });
}

bool append_stage_segment(SetupData& setup, StageItemKind kind, const StageSegment& item) {
    return append_item(setup, kind, [&](int i) { write_stage_segment(setup, kind, i, item); });
}

bool append_stage_text(SetupData& setup, const StageText& item) {
    return append_item(setup, StageItemKind::text, [&](int i) { write_stage_text(setup, i, item); });
}

void delete_stage_item(SetupData& setup, StageItemKind kind, int i) {
    const int count = stage_item_count(setup, kind);
    if (i < 1 || i > count) return;
    for (int j = i; j < count; ++j) copy_stage_item(setup, kind, j + 1, j);
    set_stage_item_page(setup, kind, count, 0);
    set_stage_item_count(setup, kind, count - 1);
}

StageSelection selection_after_delete(const SetupData& setup, StageItemKind kind, int deleted, int page) {
    const int count = stage_item_count(setup, kind);
    if (count == 0) return {page, 0};
    const ItemPageCounts counts = count_page_items(setup, kind);
    if (valid_page(page) && counts[static_cast<size_t>(page)] > 0) {
        const int at = std::clamp(deleted, 1, count);
        if (stage_item_page(setup, kind, at) == page) return {page, at};
        return {page, step_page_item(setup, kind, at, page, +1)};
    }
    int p = valid_page(page) ? page : kFixturePages;
    for (int n = 0; n < kFixturePages; ++n) {
        p = next_page(p);
        if (counts[static_cast<size_t>(p)] > 0) return {p, first_page_item(setup, kind, p)};
    }
    return {page, 0};  // only records on no valid page are left
}

int16_t clamp_ellipse_rim(int16_t anchor, int16_t pointer, int16_t low, int16_t high) {
    const int limit = std::min(high - anchor, anchor - low) - 1;
    if (limit < 0) return anchor;
    if (std::abs(pointer - anchor) > limit) return static_cast<int16_t>(anchor + limit);
    return pointer;
}

bool stage_move_allowed(int lo, int hi, int delta, int near, int far) {
    return lo + delta > near + kMoveMargin_px && hi + delta < far - kMoveMargin_px;
}

int16_t swatch_index_at(int16_t y, int16_t current) {
    if (y <= kFirstSwatchY) return current;
    return static_cast<int16_t>(std::clamp((y - kFirstSwatchY) / kSwatchHeight, 0, kSwatches - 1));
}

void erase_rig(SetupData& work, const SetupData& live) {
    work.bytes.fill(0);
    work.set_u8(kSetupColourLibrary, kFirstCatalogue);
    for (const KeptBytes& k : kKeptBytes) {
        const auto from = live.bytes.begin() + static_cast<std::ptrdiff_t>(k.at);
        std::copy(from, from + static_cast<std::ptrdiff_t>(k.length), work.bytes.begin() + static_cast<std::ptrdiff_t>(k.at));
    }
}

}  // namespace setup
