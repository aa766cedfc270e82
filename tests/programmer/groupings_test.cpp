// The groupings on the demo rig (12 fixtures on keys 1..12 of page 1): the
// editor with its subgroups stepped by LAST and NEXT, a fixture moving from
// one subgroup to another, ENTER storing groupa.dat and ESC leaving the
// grouping alone, clearing, selecting a grouping's fixtures and the lookup
// of a fixture's subgroup, and a grouping kept across a restart.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "platform/graphics.h"
#include "programmer/fader_panel.h"
#include "programmer/fixture_groups.h"
#include "programmer/groupings.h"
#include "programmer/predefined_pickers.h"
#include "programmer_test_rig.h"
#include "rig/clean_start.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "ui/message_line.h"

namespace {

using programmer::find_grouping_subgroup;
using programmer::fixture_selected;
using programmer::grouping_members;
using programmer::grouping_table;
using runtime::fixture_key;
using runtime::KEY_ENTER;
using runtime::KEY_ESC;
using runtime::KEY_LAST;
using runtime::KEY_NEXT;

constexpr int16_t entry(int fixture) { return static_cast<int16_t>((fixture - 1) * 34); }

// Puts grouping g's subgroups in place: one list of fixtures per subgroup 1, 2 ...
void set_grouping(int g, std::initializer_list<std::vector<int>> subgroups) {
    programmer::Grouping& grouping = grouping_table[static_cast<size_t>(g)];
    grouping = {};
    grouping_members[static_cast<size_t>(g)].clear();
    int s = 0;
    for (const std::vector<int>& fixtures : subgroups) {
        ++s;
        grouping.member_counts[static_cast<size_t>(s)] = static_cast<int16_t>(fixtures.size());
        for (int n : fixtures) grouping_members[static_cast<size_t>(g)].push_back(entry(n));
        if (!fixtures.empty()) grouping.subgroup_count = static_cast<uint8_t>(s);
    }
}

std::string selected() {
    std::string s;
    for (size_t n = 1; n <= 12; ++n) s += fixture_selected[n] == 1 ? '1' : '.';
    return s;
}

class Groupings : public programmer_test::DemoRig {
protected:
    // Presses the keys one after another, 200 ms apart, while the console
    // runs a modal command started by the test.
    void script(std::initializer_list<int16_t> keys) {
        uint32_t t = 100;
        for (int16_t key : keys) {
            rig_.at(t, [this, key] { rig_.hold(key); });
            rig_.at(t + 50, [this, key] { rig_.release(key); });
            t += 200;
        }
    }
    // A note of the current subgroup at a moment of the script.
    void note_subgroup_at(uint32_t t, int16_t& noted) {
        rig_.at(t, [&noted] { noted = programmer::current_subgroup; });
    }
};

TEST_F(Groupings, AFixtureMovedToAnotherSubgroupLeavesItsOldOneAndEnterStores) {
    set_grouping(1, {{1, 2, 3}, {}, {9}});
    runtime::current_grouping = 1;
    rig_.press(fixture_key(5));
    ASSERT_EQ(runtime::current_fixture, 5);
    script({KEY_NEXT, fixture_key(2), KEY_NEXT, fixture_key(9), KEY_NEXT, fixture_key(12), KEY_ENTER});
    programmer::run_grouping_editor();

    const programmer::Grouping& g = grouping_table[1];
    EXPECT_EQ(g.member_counts[1], 2) << "fixture 2 left subgroup 1";
    EXPECT_EQ(g.member_counts[2], 1);
    EXPECT_EQ(g.member_counts[3], 0);
    EXPECT_EQ(g.member_counts[4], 1);
    EXPECT_EQ(g.subgroup_count, 4) << "members only in subgroups 1, 2 and 4";
    EXPECT_EQ(grouping_members[1], (std::vector<int16_t>{entry(1), entry(3), entry(2), entry(12)}));
    EXPECT_EQ(find_grouping_subgroup(3, 1), 0);
    EXPECT_EQ(find_grouping_subgroup(2, 1), 1);
    EXPECT_EQ(find_grouping_subgroup(12, 1), 3);
    EXPECT_EQ(find_grouping_subgroup(9, 1), -1);

    // groupa.dat: record 1 holds the subgroup count and the counts; the
    // members follow the 100 records.
    const std::vector<uint8_t> file = dir_.read_file("data/groupa.dat");
    ASSERT_EQ(file.size(), 29200u + 2 * 4);
    EXPECT_EQ(file[11], 4);
    EXPECT_EQ(file[12], 2);  // subgroup 1: 2 members, little-endian
    EXPECT_EQ(file[18], 1);  // subgroup 4

    // The selection from before the editor is back.
    EXPECT_EQ(selected(), "....1.......");
    EXPECT_EQ(runtime::current_fixture, 5);
    EXPECT_EQ(std::string(ui::current_message()), "SELECT GROUPING");
}

TEST_F(Groupings, EscLeavesTheGroupingAsItWasAndSubgroupsStopAt1And35) {
    set_grouping(2, {{4}, {5, 6}});
    runtime::current_grouping = 2;
    const std::vector<uint8_t> file_before = dir_.read_file("data/groupa.dat");
    script({fixture_key(4), fixture_key(6)});  // subgroup 1: fixture 4 out, 6 in
    int16_t after_next = 0;
    int16_t after_last = 0;
    for (int i = 0; i < 36; ++i) {
        rig_.at(500 + 100 * static_cast<uint32_t>(i), [this] { rig_.hold(KEY_NEXT); });
        rig_.at(550 + 100 * static_cast<uint32_t>(i), [this] { rig_.release(KEY_NEXT); });
    }
    note_subgroup_at(4200, after_next);
    for (int i = 0; i < 36; ++i) {
        rig_.at(4300 + 100 * static_cast<uint32_t>(i), [this] { rig_.hold(KEY_LAST); });
        rig_.at(4350 + 100 * static_cast<uint32_t>(i), [this] { rig_.release(KEY_LAST); });
    }
    note_subgroup_at(8000, after_last);
    rig_.at(8100, [this] { rig_.hold(KEY_ESC); });
    rig_.at(8150, [this] { rig_.release(KEY_ESC); });
    programmer::run_grouping_editor();
    EXPECT_EQ(after_next, 35);
    EXPECT_EQ(after_last, 1);
    EXPECT_EQ(grouping_table[2].member_counts[1], 1);
    EXPECT_EQ(grouping_table[2].member_counts[2], 2);
    EXPECT_EQ(grouping_members[2], (std::vector<int16_t>{entry(4), entry(5), entry(6)}));
    EXPECT_EQ(dir_.read_file("data/groupa.dat"), file_before);
    EXPECT_EQ(selected(), "............");
}

TEST_F(Groupings, TheEditorDoesNothingWithoutACurrentGrouping) {
    for (int16_t none : {int16_t{0}, programmer::kNoGrouping}) {
        runtime::current_grouping = none;
        programmer::run_grouping_editor();  // returns at once: no key is waited for
        EXPECT_EQ(programmer::current_subgroup, 1);
    }
}

TEST_F(Groupings, AGroupingWhoseSubgroupsAreAllEmptiedIsStoredEmpty) {
    set_grouping(3, {{7, 8}});
    runtime::current_grouping = 3;
    script({runtime::KEY_NONE, KEY_ENTER});
    programmer::run_grouping_editor();
    EXPECT_EQ(grouping_table[3].subgroup_count, 0);
    EXPECT_EQ(grouping_table[3].member_counts[1], 0);
    EXPECT_TRUE(grouping_members[3].empty());
    EXPECT_EQ(find_grouping_subgroup(7, 3), -1);
}

TEST_F(Groupings, ClearAsksAndEnterEmptiesTheGrouping) {
    set_grouping(4, {{1}, {2}});
    grouping_table[4].name = {'W', 'A', 'V', 'E'};
    runtime::current_grouping = 4;
    script({fixture_key(3), KEY_ESC});  // other keys are ignored
    programmer::clear_grouping();
    EXPECT_EQ(grouping_table[4].subgroup_count, 2);
    script({KEY_ENTER});
    programmer::clear_grouping();
    EXPECT_EQ(grouping_table[4].subgroup_count, 0);
    EXPECT_EQ(grouping_table[4].member_counts[2], 0);
    EXPECT_EQ(grouping_table[4].name[0], '\0');
    EXPECT_TRUE(grouping_members[4].empty());
    EXPECT_EQ(std::string(ui::current_message()), "SELECT GROUPING");
}

TEST_F(Groupings, SelectingAGroupingsFixturesMakesTheLastCurrentWithItsType) {
    set_grouping(5, {{1, 2}, {6}});
    rig_.press(fixture_key(3));
    const int16_t spot_type = runtime::current_fixture_type;
    programmer::select_grouping(5);
    EXPECT_EQ(runtime::current_grouping, 5);
    programmer::select_grouping_fixtures();
    EXPECT_EQ(selected(), "11...1......");
    EXPECT_EQ(runtime::current_fixture, 6);
    EXPECT_NE(runtime::current_fixture_type, spot_type) << "the wash's type, not the spot's";
    // An empty grouping leaves the selection.
    programmer::select_grouping(6);
    programmer::select_grouping_fixtures();
    EXPECT_EQ(selected(), "11...1......");
}

TEST_F(Groupings, TheNameIsStoredOnEnterAndKeptOnEsc) {
    runtime::current_grouping = 7;
    rig_.at(100, [this] { rig_.type("circle\r"); });
    programmer::edit_grouping_name();
    EXPECT_STREQ(grouping_table[7].name.data(), "CIRCLE");
    rig_.at(100, [this] { rig_.type("\x1b"); });
    programmer::edit_grouping_name();
    EXPECT_STREQ(grouping_table[7].name.data(), "CIRCLE");
    EXPECT_EQ(std::string(ui::current_message()), "SELECT GROUPING");
}

// The editor is left for the picker it came from: the generator picker in
// the generator bank, the figure picker in the figure bank; from the channel
// bank a long tone warns and the figure picker is drawn.
TEST_F(Groupings, LeavingTheEditorDrawsThePickerItCameFromAgain) {
    struct Case {
        const char* name;
        int fixture;
        int channel_fader;  // the channel the FIGURE key takes into its bank; 0: FIGURE not pressed
        int16_t bank;
        void (*draw_grid)();
        void (*draw_titles)();
        bool warning_tone;
    };
    const Case cases[] = {
        {"generator bank of a wash", 5, 10, programmer::kGeneratorBank, programmer::draw_generator_picker_grid,
         programmer::draw_generator_picker_titles, false},
        {"figure bank of a spot", 1, 1, programmer::kFigureBank, programmer::draw_figure_picker_grid,
         programmer::draw_figure_picker_titles, false},
        {"channel bank", 1, 0, 0, programmer::draw_figure_picker_grid, programmer::draw_figure_picker_titles, true},
    };
    // The picker's grid and its key map panel.
    auto picker_pixels = [this] {
        const platform::Graphics& g = rig_.machine().graphics;
        std::vector<uint8_t> out;
        for (int y = 0; y <= 479; ++y) {
            for (int x = 0; x <= 639; ++x) {
                if ((x >= 229 && y >= 105) || (x <= 221 && y <= 234)) out.push_back(g.pixel(x, y));
            }
        }
        return out;
    };
    set_grouping(1, {{1, 2}, {5}});
    runtime::current_grouping = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        rig_.press(fixture_key(c.fixture));
        if (c.channel_fader != 0) {
            rig_.press(runtime::fader_key(c.channel_fader));
            rig_.press(runtime::KEY_FIGURE);
        }
        ASSERT_EQ(runtime::fader_bank, c.bank);
        rig_.press(runtime::fader_key(16));
        c.draw_grid();
        c.draw_titles();
        const size_t tones_before = rig_.tones().size();
        script({fixture_key(3), KEY_ESC});
        programmer::run_grouping_editor();
        rig_.run_ms(2000);
        const std::vector<platform::Tone> tones = rig_.tones();
        const bool warned = std::any_of(tones.begin() + static_cast<std::ptrdiff_t>(tones_before), tones.end(),
                                        [](const platform::Tone& t) { return t.freq_hz == 1400 && t.duration_ms == 1800; });
        EXPECT_EQ(warned, c.warning_tone);
        const std::vector<uint8_t> drawn = picker_pixels();
        c.draw_grid();
        c.draw_titles();
        programmer::draw_grouping_list();  // the editor's last word over the grid
        EXPECT_TRUE(drawn == picker_pixels()) << "the picker is not drawn as it was";
        if (c.channel_fader != 0) rig_.press(runtime::KEY_FIGURE);  // back to the channel bank
    }
}

TEST(GroupingsRestart, AStoredGroupingSurvivesARestart) {
    rig::ProgramDir dir = rig::ProgramDir::demo();
    setup_test::lay_out_demo_rig(dir);
    {
        rig::Rig rig;
        rig::start_console(rig, dir);
        programmer::fixture_selected.fill(0);
        runtime::current_grouping = 1;
        rig.at(100, [&rig] { rig.hold(fixture_key(10)); });
        rig.at(150, [&rig] { rig.release(fixture_key(10)); });
        rig.at(300, [&rig] { rig.hold(KEY_NEXT); });
        rig.at(350, [&rig] { rig.release(KEY_NEXT); });
        rig.at(500, [&rig] { rig.hold(fixture_key(11)); });
        rig.at(550, [&rig] { rig.release(fixture_key(11)); });
        rig.at(700, [&rig] { rig.hold(KEY_ENTER); });
        rig.at(750, [&rig] { rig.release(KEY_ENTER); });
        programmer::run_grouping_editor();
        ASSERT_EQ(grouping_table[1].subgroup_count, 2);
    }
    rig::reset_global_state();
    {
        rig::Rig rig;
        rig::start_console(rig, dir);
        EXPECT_EQ(grouping_table[1].subgroup_count, 2);
        EXPECT_EQ(find_grouping_subgroup(10, 1), 0);
        EXPECT_EQ(find_grouping_subgroup(11, 1), 1);
    }
}

}  // namespace
