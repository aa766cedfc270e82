// The value table on a started console with a rig of 72 fixtures of 20
// channels each (70 on fixture page 1, two on page 2): the cell formats and
// colours, the marks, the caches that keep an unchanged table from drawing,
// the shown range, the page keys, the percent toggle and the output view's
// refresh that gives way to input.
#include "ui/value_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/graphics.h"
#include "programmer/park_tables.h"
#include "rig/console.h"
#include "runtime/card_discovery.h"
#include "runtime/channel_levels.h"
#include "runtime/console_state.h"
#include "runtime/fixture_tables.h"
#include "runtime/key_codes.h"
#include "runtime/show_tables.h"
#include "runtime/step_log.h"
#include "runtime/timers.h"
#include "setup/patch_tables.h"
#include "setup/setup_data.h"

namespace {

constexpr int kChannels = 20;
constexpr int kFixtures = 72;
constexpr int kBlack = 0, kBlue = 1, kGreen = 2, kLightRed = 12, kWhite = 15;

int record_of(int fixture, int channel) { return (fixture - 1) * kChannels + channel; }
size_t generator_at(int record, int parameter) { return static_cast<size_t>((record - 1) * 6 + parameter); }
size_t figure_at(int fixture, int parameter) { return static_cast<size_t>((fixture - 1) * 10 + parameter); }
size_t time_at(int record, int slot) { return static_cast<size_t>((record - 1) * 15 + slot); }

// The top-left corner of a cell's text position in the 16-column layout.
struct Cell {
    int x;
    int y;
};
Cell cell(int fixture, int column, int pitch = 23) {
    const int key = (fixture - 1) % 70 + 1;
    return {249 + pitch * ((column - 1) % 16 + 1), 120 + 10 * ((key - 1) % 35 + 1)};
}

std::string text_at(int x, int y, const std::string& text) {
    return "_outtextxy(" + std::to_string(x) + "," + std::to_string(y) + ",\"" + text + "\")";
}


class ValueTable : public ::testing::Test {
protected:
    void SetUp() override {
        rig::start_console(rig_, dir_);
        ASSERT_FALSE(rig_.finished());
        rig_.run_ms(5);
        ASSERT_NE(runtime::function_record_table, nullptr);
        ASSERT_NE(runtime::programmer_values, nullptr);
        build_rig();
        runtime::fixture_page = 1;
        runtime::fader_bank = 0;
        runtime::function_page = 1;
        runtime::current_fixture_type = 0;
        runtime::mode_flags &= ~(runtime::MODE_PERCENT | runtime::MODE_TABLE_HALF | runtime::MODE_CHANNEL_PAGE |
                                 runtime::MODE_CUE_SCREEN);
        runtime::run_flags &= ~(runtime::RUN_THRESHOLD_MODE | runtime::RUN_DEFAULT_MODE | runtime::RUN_WHEELS_INACTIVE |
                                runtime::RUN_BLIND | runtime::RUN_EFFECTS_RUNNING);
        runtime::option_flags &= ~runtime::OPT_OUTPUT_VALUES_VIEW;
    }

    static void build_rig() {
        setup::fixture_count = kFixtures;
        runtime::function_record_count = kFixtures * kChannels;
        runtime::fixture_bank_counts = {};
        for (int n = 1; n <= kFixtures; ++n) {
            setup::FixtureRecord fixture = setup::read_fixture(setup::setup_data, n);
            fixture.first_record = static_cast<uint16_t>(record_of(n, 1));
            fixture.channel_count = kChannels;
            fixture.stage_colour = 3;
            setup::write_fixture(setup::setup_data, n, fixture);
            for (int c = 1; c <= kChannels; ++c) {
                const int r = record_of(n, c);
                runtime::function_record_table[r] = runtime::FunctionRecord{};
                runtime::function_record_table[r].fixture = static_cast<int16_t>(n);
                runtime::function_record_table[r].channel = static_cast<uint8_t>(c);
                setup::channel_patch_tables[0][static_cast<size_t>(r)] = static_cast<int16_t>(r);
            }
            const int page = (n - 1) / 70 + 1;
            const int key = (n - 1) % 70 + 1;
            runtime::fixture_bank_keys[static_cast<size_t>(page)][static_cast<size_t>(key)] = static_cast<uint16_t>(n - 1);
            runtime::fixture_bank_counts[static_cast<size_t>(page)] = static_cast<uint8_t>(key);
        }
        for (int c = 1; c <= kChannels; ++c) runtime::type_function_map[1][static_cast<size_t>(c)][1] = static_cast<uint8_t>(c);
    }

    platform::Graphics& graphics() { return rig_.machine().graphics; }
    std::vector<std::string> calls() { return graphics().call_log(); }
    bool drew(const std::string& line) {
        const std::vector<std::string> log = calls();
        return std::find(log.begin(), log.end(), line) != log.end();
    }

    // Opens the table on half 1 and forgets what drawing it took.
    void open_table() {
        ui::open_table_view();
        graphics().clear_call_log();
    }

    rig::ProgramDir dir_ = rig::ProgramDir::demo();
    rig::Rig rig_;
};

TEST_F(ValueTable, ValuesAndPresetReferencesShowInTheirFormatsAndBoxes) {
    struct Case {
        int channel;
        uint16_t value;
        std::string text;
        int box;
    };
    const std::vector<Case> cases = {
        {1, 1012, "P12", kBlue},     {2, 1071, "C 1", kLightRed}, {3, 1141, "G 1", kGreen},
        {4, 1210, "G70", kGreen},    {5, 255, "255", kBlack},     {6, 7, "  7", kBlack},
        {7, 1000, "1000", kBlack},
    };
    for (const Case& c : cases) runtime::programmer_values[record_of(1, c.channel)] = c.value;
    open_table();
    ui::draw_table_cells();  // drawn already: nothing new
    EXPECT_TRUE(calls().empty());
    ui::draw_table_view(1);
    for (const Case& c : cases) {
        const Cell at = cell(1, c.channel);
        EXPECT_TRUE(drew(text_at(at.x, at.y + 1, c.text))) << c.value;
        EXPECT_EQ(rig_.pixel(at.x - 1, at.y), c.box) << c.value;
        EXPECT_EQ(rig_.pixel(at.x + 17, at.y + 8), c.box) << c.value;
    }
    // The programmer's colour: yellow while the value reaches the stage.
    EXPECT_GT(platform::count_pixels(14, {cell(1, 5).x, cell(1, 5).y, cell(1, 5).x + 17, cell(1, 5).y + 8}), 0);
}

TEST_F(ValueTable, PercentShowsLevelsOf255AsAHundred) {
    runtime::programmer_values[record_of(2, 1)] = 255;
    runtime::programmer_values[record_of(2, 2)] = 128;
    runtime::programmer_values[record_of(2, 3)] = 1012;  // references stay as they are
    runtime::mode_flags |= runtime::MODE_PERCENT;
    open_table();
    ui::draw_table_view(1);
    EXPECT_TRUE(drew(text_at(cell(2, 1).x, cell(2, 1).y + 1, "100")));
    EXPECT_TRUE(drew(text_at(cell(2, 2).x, cell(2, 2).y + 1, " 50")));
    EXPECT_TRUE(drew(text_at(cell(2, 3).x, cell(2, 3).y + 1, "P12")));
}

TEST_F(ValueTable, TheThresholdAndDefaultViewsShowTheirOwnTables) {
    ASSERT_NE(runtime::threshold_levels, nullptr);
    runtime::threshold_levels[record_of(1, 1)] = 255;
    runtime::threshold_levels[record_of(1, 2)] = 0;
    runtime::fixture_bank_counts[1] = 1;  // a whole table of thresholds would outrun the call log
    runtime::run_flags |= runtime::RUN_THRESHOLD_MODE;
    runtime::mode_flags |= runtime::MODE_PERCENT;  // threshold levels are percent already
    open_table();
    ui::draw_table_view(1);
    const Cell a = cell(1, 1);
    const Cell b = cell(1, 2);
    EXPECT_TRUE(drew(text_at(a.x, a.y + 1, "100")));
    EXPECT_TRUE(drew(text_at(b.x, b.y + 1, "  0")));
    EXPECT_GT(platform::count_pixels(10, {a.x, a.y, a.x + 17, a.y + 8}), 0);
    EXPECT_GT(platform::count_pixels(7, {b.x, b.y, b.x + 17, b.y + 8}), 0);
}

TEST_F(ValueTable, TimesShowInMinutesSecondsAndTenthsOrInfinite) {
    const int r = record_of(1, 1);
    runtime::fader_bank = 3;
    runtime::selected_fader_bank0 = 1;
    runtime::selected_fader_bank3 = 1;  // timing group 1
    runtime::programmer_times[time_at(r, 1)] = 754;
    runtime::programmer_time_set[time_at(r, 1)] = 1;
    runtime::programmer_times[time_at(r, 2)] = 32000;
    runtime::programmer_times[time_at(r, 3)] = 30001;  // out of range: empty
    open_table();
    ui::draw_table_view(1);
    const Cell delay_in = cell(1, 2, 50);
    const Cell fade_in = cell(1, 3, 50);
    EXPECT_TRUE(drew(text_at(delay_in.x - 25, delay_in.y + 1, " 1m15.4s")));
    EXPECT_TRUE(drew(text_at(fade_in.x - 10, fade_in.y + 1, "INFIN")));
    const std::vector<std::string> log = calls();
    const Cell empty = cell(1, 4, 50);
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                            [&](const std::string& l) { return l.rfind(text_at(empty.x - 25, empty.y + 1, ""), 0) == 0 ||
                                                              l.find("30001") != std::string::npos; }),
              0);
    // White when its set flag is set, dark grey otherwise.
    EXPECT_GT(platform::count_pixels(kWhite, {delay_in.x - 25, delay_in.y, delay_in.x + 20, delay_in.y + 8}), 0);
    EXPECT_GT(platform::count_pixels(8, {fade_in.x - 25, fade_in.y, fade_in.x + 20, fade_in.y + 8}), 0);
}

TEST_F(ValueTable, EffectAndFigureReferencesShowOnTheirBanks) {
    const int r = record_of(1, 1);
    runtime::selected_fader_bank0 = 1;
    runtime::programmer_values[r] = 40;
    runtime::programmer_generators[generator_at(r, 1)] = 185;
    runtime::programmer_generators[generator_at(r, 2)] = 30;
    runtime::fader_bank = 1;
    open_table();
    ui::draw_table_view(1);
    EXPECT_TRUE(drew(text_at(cell(1, 1).x, cell(1, 1).y + 1, " 40")));
    EXPECT_TRUE(drew(text_at(cell(1, 2).x, cell(1, 2).y + 1, "E 5")));
    EXPECT_EQ(rig_.pixel(cell(1, 2).x - 1, cell(1, 2).y), kGreen);
    EXPECT_TRUE(drew(text_at(cell(1, 3).x, cell(1, 3).y + 1, " 30")));

    runtime::fader_bank = 2;
    runtime::fixture_pantilt_table[1].kind = 1;
    runtime::programmer_figures[figure_at(1, 3)] = 200;
    runtime::programmer_figures[figure_at(2, 3)] = 200;  // fixture 2 has no pan/tilt: empty
    graphics().clear_call_log();
    ui::draw_table_view(1);
    EXPECT_TRUE(drew(text_at(cell(1, 3).x, cell(1, 3).y + 1, "F20")));
    EXPECT_EQ(rig_.pixel(cell(1, 3).x - 1, cell(1, 3).y), kBlue);
    EXPECT_FALSE(drew(text_at(cell(2, 3).x, cell(2, 3).y + 1, "F20")));
}

TEST_F(ValueTable, MarksTellOfEffectsAndTimesBesideTheValue) {
    const int with_effect = record_of(3, 1);
    const int with_times = record_of(3, 2);
    runtime::programmer_generators[generator_at(with_effect, 4)] = 10;
    runtime::programmer_time_set[time_at(with_times, 7)] = 1;
    open_table();
    ui::draw_table_view(1);
    const Cell e = cell(3, 1);
    const Cell t = cell(3, 2);
    EXPECT_EQ(rig_.pixel(e.x + 18, e.y), 5);
    EXPECT_EQ(rig_.pixel(e.x + 19, e.y + 6), 5);  // no sign
    EXPECT_EQ(rig_.pixel(t.x + 18, t.y), kBlack);
    EXPECT_EQ(rig_.pixel(t.x + 19, t.y + 6), kWhite);  // the sign of times set
    EXPECT_EQ(rig_.pixel(t.x + 18, t.y + 4), kWhite);
}

TEST_F(ValueTable, AnUnchangedTableDrawsNothingAndAChangeDrawsOnlyItsCell) {
    for (int c = 1; c <= kChannels; ++c) runtime::programmer_values[record_of(4, c)] = static_cast<uint16_t>(c);
    open_table();
    ui::draw_table_cells();
    EXPECT_TRUE(calls().empty());
    runtime::programmer_values[record_of(4, 3)] = 99;
    ui::draw_table_cells();
    const std::vector<std::string> log = calls();
    const Cell at = cell(4, 3);
    EXPECT_TRUE(drew(text_at(at.x, at.y + 1, " 99")));
    EXPECT_EQ(std::count_if(log.begin(), log.end(), [](const std::string& l) { return l.rfind("_outtextxy", 0) == 0; }), 1);
    graphics().clear_call_log();
    runtime::programmer_values[record_of(4, 3)] = 65535;  // cleared
    ui::draw_table_cells();
    EXPECT_TRUE(drew("_bar(" + std::to_string(at.x - 1) + "," + std::to_string(at.y) + "," + std::to_string(at.x + 17) +
                     "," + std::to_string(at.y + 8) + ")"));
    graphics().clear_call_log();
    ui::draw_table_cells();
    EXPECT_TRUE(calls().empty());
}

TEST_F(ValueTable, CellsShowOnlyOnTheirHalfAndChannelPage) {
    runtime::programmer_values[record_of(36, 1)] = 36;
    runtime::programmer_values[record_of(1, 17)] = 17;
    open_table();
    ui::draw_table_view(1);
    EXPECT_FALSE(drew(text_at(cell(36, 1).x, cell(36, 1).y + 1, " 36")));
    EXPECT_FALSE(drew(text_at(cell(1, 17).x, cell(1, 17).y + 1, " 17")));
    ui::draw_table_view(2);
    EXPECT_TRUE(drew(text_at(cell(36, 1).x, cell(36, 1).y + 1, " 36")));
    EXPECT_TRUE(drew(text_at(230, 131, " 36")));  // the row titles go on from 36
    graphics().clear_call_log();
    runtime::function_page = 2;
    runtime::function_count = 20;
    ui::open_table_view();  // channel page 2 from the function page
    ui::draw_table_view(1);
    EXPECT_TRUE(drew(text_at(cell(1, 17).x, cell(1, 17).y + 1, " 17")));
    EXPECT_TRUE(drew(text_at(253 + 23, 121, "17")));
}

TEST_F(ValueTable, TheRangeFollowsTheKeysOfTheShownHalf) {
    open_table();
    ui::TableRange range = ui::get_table_range();
    EXPECT_EQ(range.first_fixture, 1);
    EXPECT_EQ(range.last_fixture, 35);
    EXPECT_EQ(range.first_index, 1);
    EXPECT_EQ(range.last_index, 35 * kChannels);
    runtime::fixture_page = 2;
    ui::draw_table_view(1);
    range = ui::get_table_range();
    EXPECT_EQ(range.first_fixture, 71);
    EXPECT_EQ(range.last_fixture, 72);
    ui::draw_table_view(2);  // no fixtures on keys 36-70 of page 2
    range = ui::get_table_range();
    EXPECT_EQ(range.first_fixture, 0);
    EXPECT_EQ(range.last_index, 0);
    runtime::fixture_page = 1;
    runtime::fader_bank = 1;
    ui::draw_table_view(1);
    range = ui::get_table_range();
    EXPECT_EQ(range.first_index, 1);
    EXPECT_EQ(range.last_index, 35 * 6);
}

TEST_F(ValueTable, PageKeysStepThroughTheHalvesAndPages) {
    open_table();
    ui::show_next_table_page();
    EXPECT_TRUE(drew(text_at(230, 131, " 36")));
    runtime::clear_step_log();
    ui::show_next_table_page();  // on to page 2, through the fixture page
    EXPECT_EQ(runtime::fixture_page, 2);
    EXPECT_NE(runtime::option_flags & runtime::OPT_FIXTURE_PANEL, 0u) << "the fixture panel shows page 2";
    runtime::mode_flags |= runtime::MODE_CUE_SCREEN;
    graphics().clear_call_log();
    ui::show_previous_table_page();  // with the cue screen up only the table is redrawn
    EXPECT_EQ(runtime::fixture_page, 1);
    EXPECT_TRUE(drew(text_at(230, 131, " 36")));
    ui::show_previous_table_page();
    graphics().clear_call_log();
    ui::show_previous_table_page();  // page 1, half 1: nothing before it
    EXPECT_TRUE(calls().empty());
}

TEST_F(ValueTable, ThePercentToggleBeepsAndRedrawsTheChannelValues) {
    runtime::programmer_values[record_of(1, 1)] = 255;
    open_table();
    const size_t tones_before = rig_.tones().size();
    ui::toggle_table_view();
    EXPECT_NE(runtime::mode_flags & runtime::MODE_PERCENT, 0u);
    const std::vector<platform::Tone> tones = rig_.tones();
    ASSERT_GT(tones.size(), tones_before);
    EXPECT_EQ(tones.back().freq_hz, 800);
    EXPECT_TRUE(drew(text_at(cell(1, 1).x, cell(1, 1).y + 1, "100")));
    runtime::fader_bank = 3;
    ui::toggle_table_view();  // not on the timing bank
    EXPECT_NE(runtime::mode_flags & runtime::MODE_PERCENT, 0u);
}

TEST_F(ValueTable, TheOutputViewShowsLevelsParkedChannelsAndOwners) {
    runtime::option_flags |= runtime::OPT_OUTPUT_VALUES_VIEW;
    runtime::fixture_bank_counts[1] = 1;  // a whole table of levels would outrun the call log
    programmer::park_flags[record_of(1, 2)] = 2;
    programmer::park_values[record_of(1, 2)] = 0;
    runtime::channel_flags[record_of(1, 3)] = 2u << 5;  // owned by sequence 2
    open_table();
    ui::draw_table_view(1);
    EXPECT_TRUE(drew(text_at(cell(1, 2).x, cell(1, 2).y + 1, "OFF")));
    EXPECT_GT(platform::count_pixels(kWhite, {cell(1, 2).x, cell(1, 2).y, cell(1, 2).x + 17, cell(1, 2).y + 8}), 0);
    EXPECT_EQ(ui::get_output_cell_colour(static_cast<int16_t>(record_of(1, 3))), 10);
    EXPECT_EQ(ui::get_output_cell_colour(static_cast<int16_t>(record_of(1, 4))), 14);
    EXPECT_EQ(rig_.pixel(230, 108), kBlue);  // the header band of the output view
}

TEST_F(ValueTable, TheOutputRefreshGivesWayToAKeyForASecond) {
    runtime::option_flags |= runtime::OPT_OUTPUT_VALUES_VIEW;
    runtime::fixture_bank_counts[1] = 1;
    open_table();
    // The show start sent the sequence controls' positions to the card; the
    // first pass sees them as a move and pauses: let that pause run out.
    rig_.run_ms(1100);
    const int r = record_of(1, 1);
    const Cell at = cell(1, 1);
    runtime::set_channel_level(static_cast<int16_t>(r), 200, 1, 0);
    ASSERT_TRUE(rig_.run_until([&] { return drew(text_at(at.x, at.y + 1, "200")); }, 500));
    rig_.hold(runtime::KEY_FIXTURE_1);
    ASSERT_TRUE(rig_.run_until([] { return ui::table_refresh_interval == 1000; }, 200));
    const uint64_t broken_off = rig_.now_ms();
    rig_.release(runtime::KEY_FIXTURE_1, 20);
    graphics().clear_call_log();
    runtime::set_channel_level(static_cast<int16_t>(r), 100, 1, 0);
    ASSERT_TRUE(rig_.run_until([&] { return drew(text_at(at.x, at.y + 1, "100")); }, 2000));
    EXPECT_GE(rig_.now_ms() - broken_off, 1000u);
    EXPECT_LE(rig_.now_ms() - broken_off, 1100u);
}

}  // namespace
