#include "ui/value_table.h"

#include <algorithm>
#include <cstdio>
#include <span>
#include <string>

#include "datafiles/default_values.h"
#include "memcheck/memcheck.h"
#include "memories/master_faders.h"
#include "playback/playback_faders.h"
#include "platform/fonts.h"
#include "platform/graphics.h"
#include "programmer/channel_generators.h"
#include "programmer/commands.h"
#include "programmer/fixture_pages.h"
#include "programmer/function_timings.h"
#include "programmer/pantilt_figures.h"
#include "programmer/park_tables.h"
#include "programmer/programmer_values.h"
#include "runtime/card_access.h"
#include "runtime/card_discovery.h"
#include "runtime/channel_levels.h"
#include "runtime/config_records.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/key_codes.h"
#include "runtime/main_loop.h"
#include "runtime/mouse_input.h"
#include "runtime/one_based.h"
#include "runtime/show_tables.h"
#include "runtime/timers.h"
#include "setup/fixture_type.h"
#include "setup/patch_tables.h"
#include "setup/setup_data.h"
#include "ui/helpers.h"

namespace ui {

int16_t table_function = 0;
int16_t table_fixture_type = 0;
int16_t table_refresh_interval = 0;

namespace {

using runtime::at;

// Colours.
constexpr int16_t kBlack = 0, kBlue = 1, kGreen = 2, kRed = 4, kLightGrey = 7, kDarkGrey = 8, kLightRed = 12,
                  kYellow = 14, kWhite = 15;
constexpr int16_t kTitleColour = kGreen;
constexpr int16_t kGridColour = kRed;
constexpr int16_t kThresholdSetColour = 10;

// The panel and its grid.
constexpr int kPanelLeft = 229, kPanelTop = 107, kPanelRight = 639, kPanelBottom = 479;
constexpr int kFrameRight = 638;
constexpr int kGridLeft = 230, kGridRight = 637, kGridTop = 120, kGridBottom = 478;
constexpr int kRowPitch = 10;
constexpr int kColumnPitch = 23, kTimingColumnPitch = 50;
constexpr int kCellOriginX = 249, kCellOriginY = 120;
constexpr int kTimingColumns = 6;   // value and five times
constexpr int kGeneratorColumns = 7;  // value and six parameters
constexpr int kFigureColumns = 10;
constexpr int kTitleBatch = 10;     // titles drawn between two background polls

// Fader banks.
constexpr int16_t BANK_CHANNELS = 0, BANK_GENERATOR = 1, BANK_FIGURE = 2, BANK_TIMING = 3;

// Lamp park codes shown in place of a level, from colour 1001.
constexpr std::array<const char*, 3> kParkTexts = {"IGN", "OFF", "RST"};

// Owning sources of an output value and their text colours.
constexpr std::array<int16_t, 5> kSourceColours = {14, 12, 10, 9, 15};
constexpr uint16_t kStepSourceMask = 0xFu << 5;  // bits 5-8 of a flag word
constexpr uint32_t kStepSourceShift = 5;

// The output refresh gives way to input for this long (ms).
constexpr int16_t kRefreshPause_ms = 1000;
constexpr int kSequenceBelts = 12, kFunctionBelts = 16, kMasterFaders = 4, kConsolePlaybacks = 10,
              kWingPlaybacks = 42;

constexpr int32_t kToggleBeepHz = 800;
constexpr uint32_t kToggleBeep_ms = 50;

constexpr uint32_t kHalfShift = 19, kChannelPageShift = 22;

// What each cell shows now; every cache starts as "nothing drawn".
template <typename Table, typename Value>
Table filled(Value value) {
    Table table;
    for (auto& row : table) row.fill(value);
    return table;
}
struct MarkCache {
    int16_t colour = -1;
    uint8_t kind = 0;
};
using ValueCache = std::array<std::array<int16_t, kTableValueColumns + 1>, kTableFixtures + 1>;
using ColourCache = std::array<std::array<int16_t, kTableColumns + 1>, kTableRows + 1>;
using MarkCaches = std::array<std::array<MarkCache, kTableColumns + 1>, kTableRows + 1>;
ValueCache table_value_cache = filled<ValueCache>(kCellEmpty);
ColourCache table_colour_cache = filled<ColourCache>(int16_t{-1});
MarkCaches table_mark_cache = filled<MarkCaches>(MarkCache{});

// The two pictures of the empty grid (16 columns, 7 columns), null until taken.
std::array<uint8_t*, 2> grid_pictures{};
std::array<uint32_t, 2> grid_picture_bytes{};

// The inputs the output refresh watches, as last read.
struct WatchedInputs {
    std::array<uint8_t, kSequenceBelts + 1> sequence_belts{};
    std::array<uint8_t, kFunctionBelts + 1> function_belts{};
    std::array<int16_t, kMasterFaders + 1> masters{};
    std::array<int16_t, kWingPlaybacks + 1> playbacks{};
};
WatchedInputs watched;

bool flag(uint32_t word, uint32_t bit) { return (word & bit) != 0; }
void draw_fixture_column();
// OPT_OUTPUT_VALUES_VIEW means one thing here: the table shows the live
// output levels (the start MODE "CUE" sets it, and the faders follow the
// output with it). The default values have a view of their own, chosen by
// RUN_DEFAULT_MODE, not by this bit.
bool output_view() { return flag(runtime::option_flags, runtime::OPT_OUTPUT_VALUES_VIEW); }
bool table_open() { return flag(runtime::option_flags, runtime::OPT_TABLE_VIEW); }
bool threshold_mode() { return flag(runtime::run_flags, runtime::RUN_THRESHOLD_MODE); }
bool default_mode() { return flag(runtime::run_flags, runtime::RUN_DEFAULT_MODE); }
bool wheels_inactive() { return flag(runtime::run_flags, runtime::RUN_WHEELS_INACTIVE); }
bool percent_mode() { return flag(runtime::mode_flags, runtime::MODE_PERCENT); }
// Seven columns, 50 pixels apart: the timing bank outside the output view.
bool timing_layout() { return runtime::fader_bank == BANK_TIMING && !output_view(); }

int16_t shown_half() {
    return ((runtime::mode_flags & runtime::MODE_TABLE_HALF) >> kHalfShift) == 2 ? 2 : 1;
}
int16_t channel_page() {
    return ((runtime::mode_flags & runtime::MODE_CHANNEL_PAGE) >> kChannelPageShift) == 2 ? 2 : 1;
}
void set_shown_half(int16_t half) {
    runtime::mode_flags = (runtime::mode_flags & ~runtime::MODE_TABLE_HALF) | (static_cast<uint32_t>(half) << kHalfShift);
}
void set_channel_page(uint32_t page) {
    runtime::mode_flags = (runtime::mode_flags & ~runtime::MODE_CHANNEL_PAGE) | ((page & 3u) << kChannelPageShift);
}

// A level 0..1000 in percent of 255, truncated (128 gives 50, 255 gives 100).
int16_t as_percent(int16_t v) { return static_cast<int16_t>(v * 100 / 255); }

bool record_in_range(int record) {
    return record >= 1 && record <= runtime::function_record_count && static_cast<size_t>(record) <= runtime::kShowRecords;
}
bool fixture_in_range(int fixture) { return fixture >= 1 && fixture <= setup::fixture_count && fixture <= kTableFixtures; }

bool is_pantilt_role(uint8_t role) { return role >= runtime::ROLE_PAN && role <= runtime::ROLE_TILT_FINE; }

size_t generator_index(int record, int parameter) { return (at(record) - 1) * runtime::kGeneratorBytesPerRecord + at(parameter); }
size_t figure_index(int fixture, int parameter) { return (at(fixture) - 1) * runtime::kFigureBytesPerFixture + at(parameter); }
size_t time_index(int record, int slot) { return (at(record) - 1) * runtime::kTimeSlotsPerRecord + at(slot); }

// Where a cell of fixture n, column c is drawn, when it is shown at all.
struct CellPlace {
    bool shown = false;
    int row = 0;       // 1..35
    int position = 0;  // 1..16
    int x = 0;
    int y = 0;
};

CellPlace place_of(int fixture, int column) {
    CellPlace place;
    if (fixture < 1 || fixture > kTableFixtures || column < 1 || column > kTableValueColumns) return place;
    if ((fixture - 1) / runtime::kFixtureKeys + 1 != runtime::fixture_page) return place;
    const int key = (fixture - 1) % runtime::kFixtureKeys + 1;
    if ((key - 1) / kTableRows + 1 != shown_half()) return place;
    const bool channel_columns = output_view() || runtime::fader_bank == BANK_CHANNELS;
    if (channel_columns && (column - 1) / kTableColumns + 1 != channel_page()) return place;
    place.row = (key - 1) % kTableRows + 1;
    place.position = (column - 1) % kTableColumns + 1;
    place.x = kCellOriginX + (timing_layout() ? kTimingColumnPitch : kColumnPitch) * place.position;
    place.y = kCellOriginY + kRowPitch * place.row;
    place.shown = true;
    return place;
}

void use_cell_font() { set_text_style(platform::kSmallFont, platform::kHorizontalText, 4); }

void write_text(int x, int y, int16_t colour, const char* text) {
    platform::_setcolor(colour);
    platform::_outtextxy(x, y, text);
}

// Value columns hold programmer values, which may be value-preset references.
bool is_value_column(int column) {
    if (output_view()) return false;
    return runtime::fader_bank == BANK_CHANNELS || column == 1;
}
bool is_time_column(int column) { return timing_layout() && column >= 2 && column <= kTimingColumns; }

// The text of a value in its cell, and the box colour behind it (-1: none).
void cell_text(int column, int16_t value, int16_t colour, char (&text)[16], int16_t& box, int16_t& text_colour) {
    box = kBlack;
    text_colour = colour;
    if (value > 1000 && value < 1211 && is_value_column(column)) {
        static constexpr std::array<char, 3> kLetters = {'P', 'C', 'G'};
        static constexpr std::array<int16_t, 3> kBoxes = {kBlue, kLightRed, kGreen};
        const int group = (value - kFirstPresetReference) / runtime::kFixtureKeys;
        box = kBoxes[at(group)];
        std::snprintf(text, sizeof text, "%c%2d", kLetters[at(group)], (value - kFirstPresetReference) % runtime::kFixtureKeys + 1);
    } else if (runtime::fader_bank == BANK_GENERATOR && !output_view() && column >= 2 && column <= kGeneratorColumns &&
               value > 180 && value < 251) {
        box = kGreen;
        std::snprintf(text, sizeof text, "E%2d", value - 180);
    } else if (runtime::fader_bank == BANK_FIGURE && !output_view() && value > 180 && value < 251) {
        box = kBlue;
        std::snprintf(text, sizeof text, "F%2d", value - 180);
    } else if (colour > kParkedColourBase && colour <= kParkedColourBase + 3) {
        text_colour = kWhite;
        std::snprintf(text, sizeof text, "%s", kParkTexts[at(colour - kParkedColourBase - 1)]);
    } else {
        std::snprintf(text, sizeof text, "%3d", value);
    }
}

void draw_value(const CellPlace& place, int column, int16_t value, int16_t colour) {
    if (is_time_column(column)) {
        fill_box(static_cast<int16_t>(place.x - 25), static_cast<int16_t>(place.y), static_cast<int16_t>(place.x + 20),
                 static_cast<int16_t>(place.y + 8), kBlack);
        if (value == kCellEmpty) return;
        use_cell_font();
        if (value == kCellInfinite) {
            write_text(place.x - 10, place.y + 1, colour, "INFIN");
            return;
        }
        char text[24]{};
        std::snprintf(text, sizeof text, "%2dm%2d.%1ds", value / 600, (value % 600) / 10, value % 10);
        write_text(place.x - 25, place.y + 1, colour, text);
        return;
    }
    if (value == kCellEmpty) {
        fill_box(static_cast<int16_t>(place.x - 1), static_cast<int16_t>(place.y), static_cast<int16_t>(place.x + 17),
                 static_cast<int16_t>(place.y + 8), kBlack);
        return;
    }
    char text[16]{};
    int16_t box = kBlack;
    int16_t text_colour = colour;
    cell_text(column, value, colour, text, box, text_colour);
    fill_box(static_cast<int16_t>(place.x - 1), static_cast<int16_t>(place.y), static_cast<int16_t>(place.x + 17),
             static_cast<int16_t>(place.y + 8), box);
    use_cell_font();
    write_text(place.x, place.y + 1, text_colour, text);
}

void draw_mark(const CellPlace& place, int16_t mark_colour, uint8_t mark_kind) {
    fill_box(static_cast<int16_t>(place.x + 18), static_cast<int16_t>(place.y), static_cast<int16_t>(place.x + 20),
             static_cast<int16_t>(place.y + 8), mark_colour);
    if (mark_kind == MARK_NONE) return;
    const int16_t sign_colour = mark_kind == MARK_PANTILT_TIMES && mark_colour != kBlack ? kBlue : kWhite;
    platform::_setcolor(sign_colour);
    platform::_line(place.x + 19, place.y + 4, place.x + 19, place.y + 8);
    platform::_line(place.x + 18, place.y + 4, place.x + 20, place.y + 4);
}

void reset_caches() {
    for (auto& row : table_value_cache) row.fill(kCellEmpty);
    for (auto& row : table_colour_cache) row.fill(-1);
    for (auto& row : table_mark_cache) row.fill(MarkCache{});
}

// The empty grid, drawn directly.
void draw_grid(bool seven_columns) {
    fill_box(kPanelLeft, kPanelTop, kPanelRight, kPanelBottom, kBlack);
    platform::_setcolor(kLightGrey);
    platform::_rectangle(kPanelLeft, kPanelTop, kFrameRight, kPanelBottom);
    platform::_setcolor(kGridColour);
    for (int i = 1; i <= 36; ++i) platform::_line(kGridLeft, 109 + kRowPitch * i, kGridRight, 109 + kRowPitch * i);
    if (seven_columns) {
        for (int i = 1; i <= 7; ++i) platform::_line(220 + kTimingColumnPitch * i, kGridTop, 220 + kTimingColumnPitch * i, kGridBottom);
    } else {
        for (int i = 1; i <= kTableColumns; ++i) platform::_line(247 + kColumnPitch * i, kGridTop, 247 + kColumnPitch * i, kGridBottom);
    }
}

// Puts back the grid's picture, or draws the grid and takes its picture.
void show_grid(bool seven_columns) {
    const size_t k = seven_columns ? 1 : 0;
    if (grid_pictures[k] != nullptr) {
        platform::_putimage(kPanelLeft, kPanelTop, std::span<const uint8_t>(grid_pictures[k], grid_picture_bytes[k]),
                            platform::kCopyPut);
        return;
    }
    draw_grid(seven_columns);
    const uint32_t bytes = platform::_imagesize(kPanelLeft, kPanelTop, kPanelRight, kPanelBottom);
    if (bytes == 0) return;
    auto* picture = static_cast<uint8_t*>(memcheck::mc_malloc_at(bytes, __FILE__, __LINE__));
    if (picture == nullptr) return;  // drawn directly each time
    if (!platform::_getimage(kPanelLeft, kPanelTop, kPanelRight, kPanelBottom, std::span<uint8_t>(picture, bytes))) {
        memcheck::mc_free_at(picture, __FILE__, __LINE__);
        return;
    }
    grid_pictures[k] = picture;
    grid_picture_bytes[k] = bytes;
}

// Runs the background poll after every tenth title of a long redraw.
void poll_after_batch(int i) {
    if (i % kTitleBatch == 0) runtime::run_background();
}

// The fixture's first function record and channel count.
struct FixtureRecords {
    int first = 0;
    int count = 0;
};
FixtureRecords records_of(int fixture) {
    if (!fixture_in_range(fixture)) return {};
    const setup::FixtureRecord record = setup::read_fixture(setup::setup_data, fixture);
    return {record.first_record, record.channel_count};
}

// The fixture's record carrying table_function of table_fixture_type, 0 when it has none.
int corresponding_record(int fixture) {
    const FixtureRecords records = records_of(fixture);
    if (records.count == 0 || !record_in_range(records.first)) return 0;
    const int own_type = runtime::function_record_table[at(records.first)].type + 1;
    const int table_type = table_fixture_type + 1;
    if (own_type < 1 || own_type > runtime::kTypes || table_type < 1 || table_type > runtime::kTypes) return 0;
    if (table_function < 1 || table_function > runtime::kTypeChannels) return 0;
    int channel = runtime::type_function_map[at(table_type)][at(table_function)][at(own_type)];
    if (channel < 1 || channel > runtime::kTypeChannels) return 0;
    const uint8_t remapped = runtime::function_remap_table[at(fixture)][at(channel - 1)];
    if (remapped != 0) channel = remapped;
    if (channel > records.count) return 0;
    const int record = records.first + channel - 1;
    return record_in_range(record) ? record : 0;
}

// The level a record's output has now. The read-back is kept per output
// position, so the record is resolved through its first patch slot; reading
// it at the record's own number would be right only with a one-to-one patch.
// While the record is parked, its remembered level.
int16_t output_level(int record) {
    if (programmer::park_flags[at(record)] != 0) return programmer::park_values[at(record)];
    const int position = setup::channel_patch_tables[0][at(record)];
    if (position < 1 || position > runtime::kOutputPositions) return 0;
    return runtime::get_channel_level(static_cast<int16_t>(position));
}

int16_t empty_if_not_set(uint8_t byte) { return byte == runtime::kByteNotSet ? kCellEmpty : byte; }

// The timing group whose times bank 3 shows: the selected fader of the timing bank, 0 none.
int active_timing_group() {
    const int group = runtime::selected_fader_bank3;
    return group >= 1 && group <= 3 ? group : 0;
}

int16_t shown_time(int record, int group, int time) {
    if (group == 0 || runtime::programmer_times == nullptr) return kCellEmpty;
    const auto v = static_cast<int16_t>(runtime::programmer_times[time_index(record, (group - 1) * 5 + time)]);
    if (v < 0 || (v > 30000 && v != kCellInfinite)) return kCellEmpty;
    return v;
}

int16_t time_colour(int record, int group, int time) {
    if (group == 0 || runtime::programmer_time_set == nullptr) return kDarkGrey;
    return runtime::programmer_time_set[time_index(record, (group - 1) * 5 + time)] != 0 ? kWhite : kDarkGrey;
}

// The cells of the programmer views, by bank.
void draw_channel_cells(const TableRange& range) {
    for (int r = range.first_index; r <= range.last_index; ++r) {
        if (!record_in_range(r)) continue;
        const runtime::FunctionRecord& record = runtime::function_record_table[at(r)];
        if (record.fixture <= 0 || record.channel == 0) continue;
        int16_t value = kCellEmpty;
        int16_t colour = kWhite;
        int16_t mark_colour = 0;
        uint8_t mark_kind = MARK_NONE;
        if (default_mode()) {
            if (datafiles::default_values != nullptr) value = static_cast<int16_t>(datafiles::default_values[at(r)]);
        } else if (threshold_mode()) {
            value = runtime::threshold_levels != nullptr ? as_percent(runtime::threshold_levels[at(r)]) : kCellEmpty;
            colour = value > 0 ? kThresholdSetColour : kLightGrey;
        } else {
            if (runtime::programmer_values != nullptr) value = static_cast<int16_t>(runtime::programmer_values[at(r)]);
            colour = programmer::get_function_value_colour(static_cast<int16_t>(r));
            mark_colour = get_function_cell_colour(static_cast<int16_t>(r));
            mark_kind = get_library_cell_colour(static_cast<int16_t>(r));
        }
        if (value < kCellEmpty) value = kCellEmpty;
        format_table_value(record.fixture, record.channel, value, colour, mark_colour, mark_kind);
    }
}

void draw_generator_cells(const TableRange& range) {
    for (int f = range.first_fixture; f <= range.last_fixture; ++f) {
        const int r = corresponding_record(f);
        if (r == 0) {
            for (int c = 1; c <= kGeneratorColumns; ++c) format_table_value(static_cast<int16_t>(f), static_cast<int16_t>(c), kCellEmpty, 0, 0, 0);
            continue;
        }
        const auto value = static_cast<int16_t>(runtime::programmer_values[at(r)]);
        format_table_value(static_cast<int16_t>(f), 1, value < kCellEmpty ? kCellEmpty : value,
                           programmer::get_function_value_colour(static_cast<int16_t>(r)), 0, 0);
        for (int p = 1; p <= 6; ++p) {
            const size_t i = generator_index(r, p);
            format_table_value(static_cast<int16_t>(f), static_cast<int16_t>(p + 1),
                               empty_if_not_set(runtime::programmer_generators[i]),
                               programmer::get_generator_param_colour(static_cast<int16_t>(i)), 0, 0);
        }
    }
}

void draw_figure_cells(const TableRange& range) {
    for (int f = range.first_fixture; f <= range.last_fixture; ++f) {
        const bool has_pantilt = runtime::fixture_pantilt_table[at(f)].kind != 0;
        for (int p = 1; p <= kFigureColumns; ++p) {
            const size_t i = figure_index(f, p);
            const int16_t value = has_pantilt ? empty_if_not_set(runtime::programmer_figures[i]) : kCellEmpty;
            format_table_value(static_cast<int16_t>(f), static_cast<int16_t>(p), value,
                               programmer::get_figure_param_colour(static_cast<int16_t>(i)), 0, 0);
        }
    }
}

void draw_timing_cells(const TableRange& range) {
    const int group = active_timing_group();
    for (int f = range.first_fixture; f <= range.last_fixture; ++f) {
        const int r = corresponding_record(f);
        if (r == 0) {
            for (int c = 1; c <= kTimingColumns; ++c) format_table_value(static_cast<int16_t>(f), static_cast<int16_t>(c), kCellEmpty, 0, 0, 0);
            continue;
        }
        const auto value = static_cast<int16_t>(runtime::programmer_values[at(r)]);
        format_table_value(static_cast<int16_t>(f), 1, value < kCellEmpty ? kCellEmpty : value,
                           programmer::get_function_value_colour(static_cast<int16_t>(r)), 0, 0);
        for (int t = 1; t <= 5; ++t) {
            format_table_value(static_cast<int16_t>(f), static_cast<int16_t>(t + 1), shown_time(r, group, t),
                               time_colour(r, group, t), 0, 0);
        }
    }
}

void draw_output_cell(int r) {
    const runtime::FunctionRecord& record = runtime::function_record_table[at(r)];
    if (record.fixture <= 0 || record.channel == 0) return;
    format_table_value(record.fixture, record.channel, output_level(r), get_output_cell_colour(static_cast<int16_t>(r)),
                       get_cell_colour(static_cast<int16_t>(r)), MARK_NONE);
}

// True while the table shows the programmer's own values.
bool shows_programmer_values() {
    return table_open() && !output_view() && !threshold_mode() && !wheels_inactive() && !default_mode();
}

// The cell of a record or parameter in the programmer views: fixture and column, 0 when none.
struct CellOf {
    int fixture = 0;
    int column = 0;
};
CellOf cell_of(int index, int kind) {
    if (kind == 0) {
        if (!record_in_range(index)) return {};
        const runtime::FunctionRecord& record = runtime::function_record_table[at(index)];
        if (runtime::fader_bank == BANK_CHANNELS) return {record.fixture, record.channel};
        // The generator and timing banks show one function per fixture in column 1; the figure bank none.
        if (runtime::fader_bank == BANK_FIGURE || corresponding_record(record.fixture) != index) return {};
        return {record.fixture, 1};
    }
    if (kind == 1) {
        const int r = (index - 1) / 6 + 1;
        if (!record_in_range(r)) return {};
        const int fixture = runtime::function_record_table[at(r)].fixture;
        if (runtime::fader_bank == BANK_GENERATOR && corresponding_record(fixture) != r) return {};
        return {fixture, (index - 1) % 6 + 2};
    }
    if (kind == 2) {
        if (index < 1 || static_cast<size_t>(index) > runtime::kShowFigureBytes) return {};
        return {(index - 1) / 10 + 1, (index - 1) % 10 + 1};
    }
    return {};
}

int16_t colour_of(int index, int kind) {
    if (kind == 0) return programmer::get_function_value_colour(static_cast<int16_t>(index));
    if (kind == 1) return programmer::get_generator_param_colour(static_cast<int16_t>(index));
    return programmer::get_figure_param_colour(static_cast<int16_t>(index));
}

// Any input the output refresh gives way to: the trackerball, an input
// flag, a belt, a master or a playback fader moved since the last reading.
bool input_moved() {
    bool moved = false;
    runtime::read_trackerball(0);
    if (runtime::mouse_x != 0 || runtime::mouse_y != 0) moved = true;
    if (runtime::is_input_pending()) moved = true;
    const runtime::HwOptionFlags& hw = runtime::hw_option_flags;
    if (hw.sequence_belts != 0) {
        for (int b = 1; b <= kSequenceBelts; ++b) {
            const uint8_t v = runtime::read_sequence_belt(static_cast<int16_t>(b), 0);
            moved = moved || v != watched.sequence_belts[at(b)];
            watched.sequence_belts[at(b)] = v;
        }
    }
    if (hw.function_belts != 0) {
        for (int b = 1; b <= kFunctionBelts; ++b) {
            const uint8_t v = runtime::read_function_belt(static_cast<int16_t>(b), 0);
            moved = moved || v != watched.function_belts[at(b)];
            watched.function_belts[at(b)] = v;
        }
    }
    if (hw.analogue_masters != 0) {
        for (int m = 1; m <= kMasterFaders; ++m) {
            const int16_t v = memories::master_records[at(m)].raw;
            moved = moved || v != watched.masters[at(m)];
            watched.masters[at(m)] = v;
        }
    }
    if (hw.analogue_playbacks != 0) {
        const int last = hw.playback_wing != 0 ? kWingPlaybacks : kConsolePlaybacks;
        for (int p = 1; p <= last; ++p) {
            const int16_t v = playback::playback_fader_states[at(p)].raw;
            moved = moved || v != watched.playbacks[at(p)];
            watched.playbacks[at(p)] = v;
        }
    }
    return moved;
}

}  // namespace

void reset_value_table_globals() {
    table_function = 0;
    table_fixture_type = 0;
    table_refresh_interval = 0;
    reset_caches();
    for (uint8_t*& picture : grid_pictures) {
        if (picture != nullptr) memcheck::mc_free_at(picture, __FILE__, __LINE__);
        picture = nullptr;
    }
    grid_picture_bytes = {};
    watched = {};
}

void open_table_view() {
    if (output_view() && runtime::fader_bank > BANK_FIGURE) programmer::start_timing_edit_mode();
    if (!wheels_inactive()) {
        set_channel_page(runtime::function_page == 1 || runtime::function_count == 0 ? 1 : 2);
    } else {
        set_channel_page(static_cast<uint32_t>(runtime::function_page) & 3u);
    }
    runtime::option_flags &= ~(runtime::OPT_CUE_GRID | runtime::OPT_MEMORY_LIST | runtime::OPT_FIXTURE_PANEL_RESTORED |
                               runtime::OPT_ANALOGUE_VIEW | runtime::OPT_SEQUENCE_PANEL);
    runtime::option_flags |= runtime::OPT_TABLE_VIEW;
    draw_table_view(shown_half());
}

void draw_table_view(int16_t half) {
    set_shown_half(half == 2 ? 2 : 1);
    half = shown_half();
    reset_caches();
    const bool bank_function = runtime::fader_bank == BANK_GENERATOR || runtime::fader_bank == BANK_TIMING;
    if (bank_function && runtime::current_fixture_type >= 0) {
        table_function = static_cast<int16_t>((runtime::function_page - 1) * kTableColumns + runtime::selected_fader_bank0);
        table_fixture_type = runtime::current_fixture_type;
    }
    show_grid(timing_layout());
    draw_table_view_header();

    use_cell_font();
    if (timing_layout()) {
        for (int i = 1; i <= kTimingColumns; ++i) {
            char text[12]{};
            std::snprintf(text, sizeof text, "%2d", i);
            write_text(253 + kTimingColumnPitch * i, 121, kTitleColour, text);
        }
    } else {
        const bool parameters = (runtime::fader_bank == BANK_GENERATOR || runtime::fader_bank == BANK_FIGURE) &&
                                !output_view() && !wheels_inactive();
        for (int i = 1; i <= kTableColumns; ++i) {
            char text[12]{};
            std::snprintf(text, sizeof text, "%2d", parameters ? i : (channel_page() - 1) * kTableColumns + i);
            use_cell_font();
            write_text(253 + kColumnPitch * i, 121, kTitleColour, text);
            poll_after_batch(i);
        }
    }
    const int16_t row_colour = wheels_inactive() ? kGreen : kLightGrey;
    for (int i = 1; i <= kTableRows; ++i) {
        char text[12]{};
        std::snprintf(text, sizeof text, "%3d", (half - 1) * kTableRows + i);
        use_cell_font();
        write_text(230, 121 + kRowPitch * i, row_colour, text);
        poll_after_batch(i);
    }
    draw_fixture_column();
    if (!wheels_inactive()) draw_table_cells();
}

void redraw_table_view() {
    if (table_open()) draw_table_view(shown_half());
}

void draw_table_view_header() {
    fill_box(230, 108, 637, 118, output_view() ? kBlue : kGreen);
    const char* unit = timing_layout() ? "MINUTES" : (percent_mode() ? "PERCENTUEL" : "DIGITAL");
    // The function's name: the first 20 characters of its name in the type, PAN shown as P/T.
    std::string function_name;
    const bool bank_function = runtime::fader_bank == BANK_GENERATOR || runtime::fader_bank == BANK_TIMING;
    const int type = table_fixture_type + 1;
    if (bank_function && table_function >= 1 && table_function <= runtime::kTypeChannels && type >= 1 &&
        type <= runtime::kTypes && setup::fixture_type_defs[at(type)] != nullptr) {
        const int library = runtime::type_channel_function[at(type)][at(table_function - 1)] + 1;
        function_name = setup::fixture_type_defs[at(type)]->function_name(library).substr(0, 20);
        if (function_name == "PAN") function_name = "P/T";
    }
    char text[80]{};
    if (!wheels_inactive()) {
        std::snprintf(text, sizeof text, "PAGE %d", runtime::fixture_page);
        draw_bitmap_text(235, 110, kWhite, text);
    }
    int x = 305;
    if (wheels_inactive()) {
        x = 380;
        std::snprintf(text, sizeof text, "PRESET CHANNELS");
    } else if (output_view()) {
        x = 350;
        std::snprintf(text, sizeof text, "%s OUTPUT-VALUES", unit);
    } else if (threshold_mode()) {
        x = 350;
        std::snprintf(text, sizeof text, "THRESHOLD PERCENTAGES");
    } else if (default_mode()) {
        x = 350;
        std::snprintf(text, sizeof text, "DEFAULT VALUES");
    } else if (runtime::fader_bank == BANK_CHANNELS) {
        std::snprintf(text, sizeof text, "%s MEMORY-VALUES [CHANNELS]", unit);
    } else if (runtime::fader_bank == BANK_GENERATOR) {
        std::snprintf(text, sizeof text, "DIGITAL MEMORY-VALUES [%s EFFECTS]", function_name.c_str());
    } else if (runtime::fader_bank == BANK_FIGURE) {
        std::snprintf(text, sizeof text, "DIGITAL MEMORY-VALUES [FIGURES]");
    } else {
        std::snprintf(text, sizeof text, "%s VALUES [%s TIMINGS]", unit, function_name.c_str());
    }
    draw_bitmap_text(static_cast<int16_t>(x), 110, kWhite, text);
}

TableRange get_table_range() {
    const int page = runtime::fixture_page;
    if (page < 1 || page > runtime::kFixturePages) return {};
    const int half = shown_half();
    const int count = runtime::fixture_bank_counts[at(page)];
    const int first_key = (half - 1) * kTableRows + 1;
    const int last_key = std::min(half * kTableRows, count);
    if (count == 0 || last_key < first_key) return {};
    TableRange range;
    range.first_fixture = static_cast<int16_t>(runtime::fixture_bank_keys[at(page)][at(first_key)] + 1);
    range.last_fixture = static_cast<int16_t>(runtime::fixture_bank_keys[at(page)][at(last_key)] + 1);
    if (output_view() || runtime::fader_bank == BANK_CHANNELS || runtime::fader_bank == BANK_TIMING) {
        const FixtureRecords first = records_of(range.first_fixture);
        const FixtureRecords last = records_of(range.last_fixture);
        range.first_index = static_cast<int16_t>(first.first);
        range.last_index = static_cast<int16_t>(last.first + last.count - 1);
    } else if (runtime::fader_bank == BANK_GENERATOR) {
        range.first_index = static_cast<int16_t>(range.first_fixture * 6 - 5);
        range.last_index = static_cast<int16_t>(range.last_fixture * 6);
    } else {
        range.first_index = static_cast<int16_t>(range.first_fixture * 10 - 9);
        range.last_index = static_cast<int16_t>(range.last_fixture * 10);
    }
    return range;
}

void draw_table_cells() {
    const TableRange range = get_table_range();
    if (range.first_fixture == 0) return;
    if (output_view()) {
        for (int r = range.first_index; r <= range.last_index; ++r) {
            if (record_in_range(r)) draw_output_cell(r);
        }
        return;
    }
    if (runtime::programmer_values == nullptr || runtime::programmer_generators == nullptr ||
        runtime::programmer_figures == nullptr) {
        return;
    }
    switch (runtime::fader_bank) {
        case BANK_CHANNELS: draw_channel_cells(range); break;
        case BANK_GENERATOR: draw_generator_cells(range); break;
        case BANK_FIGURE: draw_figure_cells(range); break;
        case BANK_TIMING: draw_timing_cells(range); break;
        default: break;
    }
}

void format_table_value(int16_t fixture, int16_t column, int16_t value, int16_t colour, int16_t mark_colour,
                        uint8_t mark_kind) {
    if (!table_open()) return;
    const CellPlace place = place_of(fixture, column);
    if (!place.shown) return;
    const bool channel_view = output_view() || runtime::fader_bank <= BANK_FIGURE || column == 1;
    const bool in_percent = output_view() || (runtime::fader_bank == BANK_CHANNELS && !threshold_mode());
    if (channel_view && value >= 0 && value < 1001 && percent_mode() && in_percent) value = as_percent(value);

    int16_t& cached_value = table_value_cache[at(fixture)][at(column)];
    int16_t& cached_colour = table_colour_cache[at(place.row)][at(place.position)];
    if (value != cached_value || (cached_value != kCellEmpty && colour != cached_colour)) {
        draw_value(place, column, value, colour);
        cached_value = value;
        cached_colour = value == kCellEmpty ? 0 : colour;
    }
    if (is_time_column(column)) return;  // the time box covers the mark strip
    MarkCache& mark = table_mark_cache[at(place.row)][at(place.position)];
    if (mark.colour != mark_colour || mark.kind != mark_kind) {
        mark.colour = mark_colour;
        mark.kind = mark_kind;
        draw_mark(place, mark_colour, mark_kind);
    }
}

void recolour_table_cell(int16_t fixture, int16_t column, int16_t colour) {
    if (timing_layout()) return;
    const CellPlace place = place_of(fixture, column);
    if (!place.shown) return;
    int16_t& cached_colour = table_colour_cache[at(place.row)][at(place.position)];
    const int16_t value = table_value_cache[at(fixture)][at(column)];
    if (colour == cached_colour || value == kCellEmpty) return;
    cached_colour = colour;
    char text[16]{};
    int16_t box = kBlack;
    int16_t text_colour = colour;
    cell_text(column, value, colour, text, box, text_colour);
    use_cell_font();
    write_text(place.x, place.y + 1, text_colour, text);
}

void refresh_table_view() {
    if (!shows_programmer_values() || runtime::fader_bank > BANK_FIGURE) return;
    const TableRange range = get_table_range();
    if (range.first_fixture == 0 || runtime::programmer_values == nullptr) return;
    if (runtime::fader_bank == BANK_CHANNELS) {
        for (int r = range.first_index; r <= range.last_index; ++r) refresh_playback_cells(static_cast<int16_t>(r), 0);
    } else if (runtime::fader_bank == BANK_GENERATOR) {
        for (int f = range.first_fixture; f <= range.last_fixture; ++f) {
            const int r = corresponding_record(f);
            if (r == 0) continue;
            refresh_playback_cells(static_cast<int16_t>(r), 0);
            for (int p = 1; p <= 6; ++p) refresh_playback_cells(static_cast<int16_t>(generator_index(r, p)), 1);
        }
    } else {
        for (int i = range.first_index; i <= range.last_index; ++i) refresh_playback_cells(static_cast<int16_t>(i), 2);
    }
}

void refresh_preset_cells(int16_t index, int16_t kind, int16_t value, int16_t mark_colour, uint8_t mark_kind) {
    if (!shows_programmer_values()) return;
    const CellOf cell = cell_of(index, kind);
    if (cell.fixture == 0) return;
    format_table_value(static_cast<int16_t>(cell.fixture), static_cast<int16_t>(cell.column), value,
                       colour_of(index, kind), mark_colour, mark_kind);
}

void refresh_playback_cells(int16_t index, int16_t kind) {
    if (!shows_programmer_values()) return;
    const CellOf cell = cell_of(index, kind);
    if (cell.fixture == 0 || cell.fixture > kTableFixtures) return;
    if (table_value_cache[at(cell.fixture)][at(cell.column)] == kCellEmpty) return;
    recolour_table_cell(static_cast<int16_t>(cell.fixture), static_cast<int16_t>(cell.column), colour_of(index, kind));
}

void show_output_values() {
    if (!table_open() || !output_view() || threshold_mode() || wheels_inactive()) return;
    if (runtime::free_counter_a <= table_refresh_interval) return;
    runtime::free_counter_a = 0;
    const TableRange range = get_table_range();
    // While panel key 3 is held the pass runs to its end without looking at the input.
    const bool hold_on = runtime::key_down_table[at(runtime::KEY_PANEL_3)] != 0;
    int counted = 0;
    for (int r = range.first_index; range.first_fixture != 0 && r <= range.last_index; ++r) {
        if (!hold_on) {
            if (++counted % 2 == 0) runtime::run_background();
            if (input_moved()) {
                table_refresh_interval = kRefreshPause_ms;
                return;
            }
        }
        if (record_in_range(r)) draw_output_cell(r);
    }
    table_refresh_interval = 0;
}

void show_previous_table_page() {
    if (!table_open()) return;
    if (shown_half() == 2) {
        draw_table_view(1);
        return;
    }
    if (runtime::fixture_page <= 1) return;
    set_shown_half(2);
    if (flag(runtime::mode_flags, runtime::MODE_CUE_SCREEN)) {
        runtime::fixture_page = static_cast<int16_t>(runtime::fixture_page - 1);
        draw_table_view(2);
    } else {
        programmer::set_fixture_page(static_cast<int16_t>(runtime::fixture_page - 1));
    }
}

void show_next_table_page() {
    if (!table_open()) return;
    if (shown_half() == 1) {
        draw_table_view(2);
        return;
    }
    if (runtime::fixture_page >= runtime::kFixturePages) return;
    set_shown_half(1);
    if (flag(runtime::mode_flags, runtime::MODE_CUE_SCREEN)) {
        runtime::fixture_page = static_cast<int16_t>(runtime::fixture_page + 1);
        draw_table_view(1);
    } else {
        programmer::set_fixture_page(static_cast<int16_t>(runtime::fixture_page + 1));
    }
}

void toggle_table_view() {
    if (runtime::fader_bank > BANK_FIGURE) return;
    runtime::mode_flags ^= runtime::MODE_PERCENT;
    beep_interruptible(kToggleBeepHz, kToggleBeep_ms);
    if (!table_open()) return;
    const bool channel_values = runtime::fader_bank == BANK_CHANNELS && !threshold_mode();
    if (channel_values || output_view()) {
        draw_table_view_header();
        draw_table_cells();
    }
}

void redraw_fixture_column() {
    if (table_open()) draw_fixture_column();
}

namespace {

void draw_fixture_column() {
    if (wheels_inactive()) return;
    const TableRange range = get_table_range();
    if (range.first_fixture == 0) return;
    const int half = shown_half();
    use_cell_font();
    for (int n = range.first_fixture; n <= range.last_fixture; ++n) {
        const int i = (n - 1) % runtime::kFixtureKeys - (half - 1) * kTableRows;
        if (i < 0 || i >= kTableRows) continue;
        const setup::FixtureRecord record = setup::read_fixture(setup::setup_data, n);
        fill_box(231, static_cast<int16_t>(130 + kRowPitch * i), 269, static_cast<int16_t>(138 + kRowPitch * i),
                 record.stage_colour);
        char text[12]{};
        std::snprintf(text, sizeof text, "%3d", (n - 1) % runtime::kFixtureKeys + 1);
        use_cell_font();
        write_text(230, 131 + kRowPitch * i, programmer::fixture_selected[at(n)] != 0 ? kYellow : kBlue, text);
        if (n == runtime::current_fixture) {
            fill_box(260, static_cast<int16_t>(131 + kRowPitch * i), 268, static_cast<int16_t>(137 + kRowPitch * i), kYellow);
        }
    }
}

}  // namespace

int16_t get_function_cell_colour(int16_t record) {
    if (!record_in_range(record) || runtime::programmer_generators == nullptr || runtime::programmer_figures == nullptr) {
        return 0;
    }
    const runtime::FunctionRecord& r = runtime::function_record_table[at(record)];
    if (!is_pantilt_role(r.pantilt_role)) {
        for (int p = 1; p <= 6; ++p) {
            if (runtime::programmer_generators[generator_index(record, p)] != runtime::kByteNotSet) return 5;
        }
        return 0;
    }
    if (!fixture_in_range(r.fixture)) return 0;
    for (int p = 1; p <= kFigureColumns; ++p) {
        if (runtime::programmer_figures[figure_index(r.fixture, p)] != runtime::kByteNotSet) return 11;
    }
    return 0;
}

uint8_t get_library_cell_colour(int16_t record) {
    if (!record_in_range(record) || runtime::programmer_time_set == nullptr) return MARK_NONE;
    const runtime::FunctionRecord& r = runtime::function_record_table[at(record)];
    auto any_time_set = [](int rec) {
        if (!record_in_range(rec)) return false;
        for (int s = 1; s <= static_cast<int>(runtime::kTimeSlotsPerRecord); ++s) {
            if (runtime::programmer_time_set[time_index(rec, s)] != 0) return true;
        }
        return false;
    };
    if (!is_pantilt_role(r.pantilt_role)) return any_time_set(record) ? MARK_TIMES : MARK_NONE;
    if (!fixture_in_range(r.fixture)) return MARK_NONE;
    return any_time_set(runtime::fixture_pantilt_table[at(r.fixture)].pan.record) ? MARK_PANTILT_TIMES : MARK_NONE;
}

// A generator runs while its SPEED is not 0; a figure runs in X (Y) while its
// X-SWING (Y-SWING) and its SPEED are not 0.
int16_t get_cell_colour(int16_t record) {
    if (!flag(runtime::run_flags, runtime::RUN_EFFECTS_RUNNING) || !record_in_range(record)) return 0;
    const runtime::FunctionRecord& r = runtime::function_record_table[at(record)];
    if (!is_pantilt_role(r.pantilt_role)) {
        if (runtime::generator_states != nullptr && runtime::generator_states[at(record)].parameters[1] != 0) return 5;
        return 0;
    }
    if (!fixture_in_range(r.fixture) || runtime::figure_states == nullptr) return 0;
    const runtime::FigureState& figure = runtime::figure_states[at(r.fixture)];
    const bool speed = figure.parameters[2] != 0;
    const bool pan = r.pantilt_role <= runtime::ROLE_PAN_FINE;
    const bool x_runs = speed && figure.parameters[0] != 0;
    const bool y_runs = speed && figure.parameters[1] != 0;
    return (pan ? x_runs : y_runs) ? 11 : 0;
}

int16_t get_output_cell_colour(int16_t record) {
    if (!record_in_range(record)) return kSourceColours[0];
    const uint8_t park = programmer::park_flags[at(record)];
    if (park >= 1 && park <= 3) return static_cast<int16_t>(kParkedColourBase + park);
    uint32_t source = runtime::channel_flags != nullptr
                          ? (runtime::channel_flags[at(record)] & kStepSourceMask) >> kStepSourceShift
                          : 0;
    const runtime::FunctionRecord& r = runtime::function_record_table[at(record)];
    if (source == 0 && !is_pantilt_role(r.pantilt_role)) {
        for (int p = 1; p <= 6 && source == 0 && runtime::generator_flags != nullptr; ++p) {
            source = (runtime::generator_flags[generator_index(record, p)] & kStepSourceMask) >> kStepSourceShift;
        }
    } else if (source == 0 && fixture_in_range(r.fixture)) {
        for (int p = 1; p <= kFigureColumns && source == 0; ++p) {
            source = (runtime::figure_flags[figure_index(r.fixture, p)] & kStepSourceMask) >> kStepSourceShift;
        }
    }
    return source <= 4 ? kSourceColours[source] : kSourceColours[0];
}

}  // namespace ui
