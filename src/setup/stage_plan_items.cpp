#include "setup/stage_plan_items.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "runtime/console_state.h"

namespace setup {

namespace {

constexpr size_t kItemPage = 0;
constexpr size_t kEllipseX = 1;
constexpr size_t kEllipseY = 3;
constexpr size_t kEllipseStart = 5;
constexpr size_t kEllipseEnd = 7;
constexpr size_t kEllipseRimX = 9;
constexpr size_t kEllipseRimY = 11;
constexpr size_t kEllipseColour = 13;
constexpr size_t kSegmentX1 = 1;
constexpr size_t kSegmentY1 = 3;
constexpr size_t kSegmentX2 = 5;
constexpr size_t kSegmentY2 = 7;
constexpr size_t kSegmentColour = 9;
constexpr size_t kTextX = 1;
constexpr size_t kTextY = 3;
constexpr size_t kTextColour = 5;
constexpr size_t kTextChars = 7;
constexpr int kNearestLimit = 10000;

struct ItemTable {
    size_t count_at;
    size_t records_at;
    size_t record_bytes;
};

constexpr ItemTable table_of(StageItemKind kind) {
    switch (kind) {
        case StageItemKind::ellipse: return {kSetupEllipseCount, kSetupEllipses, kStageEllipseBytes};
        case StageItemKind::rect: return {kSetupRectCount, kSetupRects, kStageRectBytes};
        case StageItemKind::line: return {kSetupLineCount, kSetupLines, kStageLineBytes};
        case StageItemKind::text: return {kSetupTextCount, kSetupTexts, kStageTextBytes};
    }
    return {kSetupEllipseCount, kSetupEllipses, kStageEllipseBytes};
}

// Offset of item i (1..100) of a kind; 0 (no item) outside.
size_t item_at(StageItemKind kind, int i) {
    if (i < 1 || i > kStageItems) return 0;
    const ItemTable t = table_of(kind);
    return t.records_at + t.record_bytes * static_cast<size_t>(i - 1);
}

// One axis: near edge + coordinate * (far - near) / 10000, rounded.
int16_t stage_to_screen_axis(int16_t v, int16_t near_px, int16_t far_px) {
    const int32_t product = int32_t{v} * (int32_t{far_px} - near_px);
    return round_stage_value(near_px + product / static_cast<double>(kStageUnits));
}

int16_t screen_to_stage_axis(int16_t v, int16_t near_px, int16_t far_px) {
    const int32_t span = int32_t{far_px} - near_px;
    if (span == 0) return 0;
    return round_stage_value((int32_t{v} - near_px) * static_cast<double>(kStageUnits) / span);
}

}  // namespace

int16_t round_stage_value(double v) {
    const double whole = std::trunc(v);
    const double rounded = std::fmod(v, 1.0) > 0.5 ? whole + 1 : whole;
    return static_cast<int16_t>(std::clamp(rounded, -32768.0, 32767.0));
}

void convert_stage_to_screen(int16_t& x, int16_t& y) {
    const runtime::StageView& v = runtime::stage_view;
    x = stage_to_screen_axis(x, v.left, v.right);
    y = stage_to_screen_axis(y, v.top, v.bottom);
}

void convert_screen_to_stage(int16_t& x, int16_t& y) {
    const runtime::StageView& v = runtime::stage_view;
    x = screen_to_stage_axis(x, v.left, v.right);
    y = screen_to_stage_axis(y, v.top, v.bottom);
}

int stage_item_count(const SetupData& setup, StageItemKind kind) {
    return std::min<int>(setup.u8(table_of(kind).count_at), kStageItems);
}

StageEllipse read_stage_ellipse(const SetupData& setup, int i) {
    const size_t at = item_at(StageItemKind::ellipse, i);
    if (at == 0) return {};
    return {setup.u8(at + kItemPage),      setup.i16(at + kEllipseX),    setup.i16(at + kEllipseY),
            setup.i16(at + kEllipseStart), setup.i16(at + kEllipseEnd),  setup.i16(at + kEllipseRimX),
            setup.i16(at + kEllipseRimY),  setup.u16(at + kEllipseColour)};
}

StageSegment read_stage_segment(const SetupData& setup, StageItemKind kind, int i) {
    const size_t at = kind == StageItemKind::line || kind == StageItemKind::rect ? item_at(kind, i) : 0;
    if (at == 0) return {};
    return {setup.u8(at + kItemPage),   setup.i16(at + kSegmentX1), setup.i16(at + kSegmentY1),
            setup.i16(at + kSegmentX2), setup.i16(at + kSegmentY2), setup.u16(at + kSegmentColour)};
}

StageText read_stage_text(const SetupData& setup, int i) {
    const size_t at = item_at(StageItemKind::text, i);
    if (at == 0) return {};
    return {setup.u8(at + kItemPage), setup.i16(at + kTextX), setup.i16(at + kTextY), setup.u16(at + kTextColour),
            setup.text(at + kTextChars, kTypeNameBytes)};
}

void write_stage_ellipse(SetupData& setup, int i, const StageEllipse& item) {
    const size_t at = item_at(StageItemKind::ellipse, i);
    if (at == 0) return;
    setup.set_u8(at + kItemPage, item.page);
    setup.set_i16(at + kEllipseX, item.x);
    setup.set_i16(at + kEllipseY, item.y);
    setup.set_i16(at + kEllipseStart, item.start_angle);
    setup.set_i16(at + kEllipseEnd, item.end_angle);
    setup.set_i16(at + kEllipseRimX, item.rim_x);
    setup.set_i16(at + kEllipseRimY, item.rim_y);
    setup.set_u16(at + kEllipseColour, item.colour);
}

void write_stage_segment(SetupData& setup, StageItemKind kind, int i, const StageSegment& item) {
    const size_t at = kind == StageItemKind::line || kind == StageItemKind::rect ? item_at(kind, i) : 0;
    if (at == 0) return;
    setup.set_u8(at + kItemPage, item.page);
    setup.set_i16(at + kSegmentX1, item.x1);
    setup.set_i16(at + kSegmentY1, item.y1);
    setup.set_i16(at + kSegmentX2, item.x2);
    setup.set_i16(at + kSegmentY2, item.y2);
    setup.set_u16(at + kSegmentColour, item.colour);
}

void write_stage_text(SetupData& setup, int i, const StageText& item) {
    const size_t at = item_at(StageItemKind::text, i);
    if (at == 0) return;
    setup.set_u8(at + kItemPage, item.page);
    setup.set_i16(at + kTextX, item.x);
    setup.set_i16(at + kTextY, item.y);
    setup.set_u16(at + kTextColour, item.colour);
    setup.set_text(at + kTextChars, kTypeNameBytes, item.text);
}

uint8_t stage_item_page(const SetupData& setup, StageItemKind kind, int i) {
    const size_t at = item_at(kind, i);
    return at == 0 ? 0 : setup.u8(at + kItemPage);
}

void set_stage_item_page(SetupData& setup, StageItemKind kind, int i, uint8_t page) {
    const size_t at = item_at(kind, i);
    if (at != 0) setup.set_u8(at + kItemPage, page);
}

namespace {
size_t colour_field(StageItemKind kind) {
    switch (kind) {
        case StageItemKind::ellipse: return kEllipseColour;
        case StageItemKind::text: return kTextColour;
        default: return kSegmentColour;
    }
}
}  // namespace

uint16_t stage_item_colour(const SetupData& setup, StageItemKind kind, int i) {
    const size_t at = item_at(kind, i);
    return at == 0 ? 0 : setup.u16(at + colour_field(kind));
}

void set_stage_item_colour(SetupData& setup, StageItemKind kind, int i, uint16_t colour) {
    const size_t at = item_at(kind, i);
    if (at != 0) setup.set_u16(at + colour_field(kind), colour);
}

void set_stage_item_count(SetupData& setup, StageItemKind kind, int count) {
    setup.set_u8(table_of(kind).count_at, static_cast<uint8_t>(std::clamp(count, 0, kStageItems)));
}

void copy_stage_item(SetupData& setup, StageItemKind kind, int from, int to) {
    const size_t source = item_at(kind, from);
    const size_t target = item_at(kind, to);
    if (source == 0 || target == 0) return;
    std::copy_n(setup.bytes.begin() + static_cast<std::ptrdiff_t>(source), table_of(kind).record_bytes,
                setup.bytes.begin() + static_cast<std::ptrdiff_t>(target));
}

int rig_fixture_count(const SetupData& setup) { return std::clamp<int>(setup.stored_fixture_count(), 0, kMaxFixtures); }
int rig_type_count(const SetupData& setup) { return std::min<int>(setup.stored_type_count(), kMaxFixtureTypes); }

int fixture_page_of(int number) { return number >= 1 && number <= kMaxFixtures ? (number - 1) / kPageKeys + 1 : 0; }
int fixture_key_of(int number) { return number >= 1 && number <= kMaxFixtures ? (number - 1) % kPageKeys + 1 : 0; }

PageCounts count_page_fixtures(const SetupData& setup) {
    PageCounts counts{};
    const int count = rig_fixture_count(setup);
    for (int f = 1; f <= count; ++f) {
        const int page = fixture_page_of(setup.u16(SetupData::fixture_field(f, kFixtureNumber)));
        if (page != 0) ++counts[static_cast<size_t>(page)];
    }
    return counts;
}

int first_page_with_fixtures(const PageCounts& counts) { return page_with_fixtures_from(counts, 1); }

int fixtures_before_page(const PageCounts& counts, int page) {
    int sum = 0;
    for (int p = 1; p < page && p <= kFixturePages; ++p) sum += counts[static_cast<size_t>(p)];
    return sum;
}

namespace {

// From `page` on (10 wraps to 1), the first page whose count passes `wanted`; 0 none.
template <typename Wanted>
int first_page_from(const PageCounts& counts, int page, Wanted wanted) {
    if (page < 1 || page > kFixturePages) page = 1;
    for (int step = 0; step < kFixturePages; ++step) {
        const int p = (page - 1 + step) % kFixturePages + 1;
        if (wanted(counts[static_cast<size_t>(p)])) return p;
    }
    return 0;
}

}  // namespace

int page_with_fixtures_from(const PageCounts& counts, int page) {
    return first_page_from(counts, page, [](int count) { return count > 0; });
}

int page_with_room_from(const PageCounts& counts, int page) {
    const int found = first_page_from(counts, page, [](int count) { return count < kPageKeys; });
    return found != 0 ? found : page;
}

int nearest_page_fixture(const SetupData& setup, int page, int16_t px, int16_t py) {
    int best = 0;
    int best_distance = kNearestLimit;
    const int count = rig_fixture_count(setup);
    for (int f = 1; f <= count; ++f) {
        if (fixture_page_of(setup.u16(SetupData::fixture_field(f, kFixtureNumber))) != page) continue;
        int16_t x = setup.i16(SetupData::fixture_field(f, kFixtureX));
        int16_t y = setup.i16(SetupData::fixture_field(f, kFixtureY));
        convert_stage_to_screen(x, y);
        const int distance = std::abs(x + kSymbolSize_px / 2 - px) + std::abs(y + kSymbolSize_px / 2 - py);
        if (distance < best_distance) {
            best = f;
            best_distance = distance;
        }
    }
    return best;
}

int record_of_fixture_number(const SetupData& setup, int number) {
    const int count = rig_fixture_count(setup);
    for (int f = 1; f <= count; ++f) {
        if (setup.u16(SetupData::fixture_field(f, kFixtureNumber)) == number) return f;
    }
    return 0;
}

}  // namespace setup
