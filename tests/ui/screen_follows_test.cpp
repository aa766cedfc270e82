// What the operator sees follows what the console does: after each operator
// action of a table, the screen the console drew step by step equals the
// screen that a full redraw of the same views gives from the console's state.
// The views: the right panel (the value table, or the analogue faders), the
// 16 function faders at the top right, the memory / cue panel, and the LEDs
// of the fixture and fader select keys.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "../programmer/programmer_test_rig.h"
#include "memories/memories.h"
#include "memories/memory_store.h"
#include "platform/graphics.h"
#include "playback/playback_state.h"
#include "programmer/commands.h"
#include "programmer/fader_panel.h"
#include "programmer/fixture_pages.h"
#include "programmer/function_belts.h"
#include "programmer/function_timings.h"
#include "rig/console.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/show_tables.h"
#include "ui/fader_widget.h"
#include "ui/panel_modes.h"
#include "ui/panels.h"
#include "ui/value_table.h"

namespace {

using namespace runtime::keys;

constexpr platform::Rect kRightPanel{229, 107, 639, 479};
constexpr platform::Rect kFunctionFaders{229, 0, 639, 104};
constexpr platform::Rect kMemoryPanel{1, 281, 221, 315};
constexpr int16_t kYellow = 14;

// The pixels of an area, row by row.
std::vector<uint8_t> area_pixels(const platform::Graphics& g, const platform::Rect& a) {
    std::vector<uint8_t> out;
    for (int y = a.y1; y <= a.y2; ++y) {
        for (int x = a.x1; x <= a.x2; ++x) out.push_back(g.pixel(x, y));
    }
    return out;
}

// "" when equal, else how many pixels differ, their box and the first one.
std::string difference(const std::vector<uint8_t>& drawn, const std::vector<uint8_t>& redrawn, const platform::Rect& a) {
    const int width = a.x2 - a.x1 + 1;
    int count = 0;
    platform::Rect box{9999, 9999, -1, -1};
    std::ostringstream first;
    for (size_t i = 0; i < drawn.size(); ++i) {
        if (drawn[i] == redrawn[i]) continue;
        const int x = a.x1 + static_cast<int>(i) % width;
        const int y = a.y1 + static_cast<int>(i) / width;
        if (count++ == 0) first << " first (" << x << "," << y << "): " << int{drawn[i]} << " drawn, " << int{redrawn[i]} << " redrawn";
        box = {std::min(box.x1, x), std::min(box.y1, y), std::max(box.x2, x), std::max(box.y2, y)};
    }
    if (count == 0) return "";
    std::ostringstream out;
    out << count << " pixels differ in (" << box.x1 << "," << box.y1 << ")-(" << box.x2 << "," << box.y2 << ");"
        << first.str();
    return out.str();
}

// The keys whose LEDs the programmer's screens keep.
std::vector<int16_t> watched_keys() {
    std::vector<int16_t> keys;
    for (int k = 1; k <= 70; ++k) keys.push_back(fixture_key(k));
    for (int k = 1; k <= 16; ++k) keys.push_back(fader_key(k));
    for (int16_t k : {KEY_TIMING, KEY_FIGURE, KEY_FUNCTION_PAGE_1, KEY_FUNCTION_PAGE_2, KEY_TRACKERBALL_PANTILT}) {
        keys.push_back(k);
    }
    return keys;
}

class ScreenFollows : public programmer_test::DemoRig {
protected:
    // Memories 1 to 3 with fixture 1 at 40, 80 and 120 on its first channel
    // and fixture 5 at 200 on its intensity; the programmer empty again.
    void store_memories() {
        for (int m = 1; m <= 3; ++m) {
            runtime::programmer_values[1] = static_cast<uint16_t>(40 * m);
            runtime::programmer_values[75] = 200;
            ASSERT_TRUE(memories::store_memory_confirmed(static_cast<int16_t>(m)));
        }
        std::fill_n(runtime::programmer_values, runtime::kShowRecords + 1, runtime::kValueNotSet);
    }

    void turn_belt(int belt, uint8_t position) {
        rig_.set_function_belt(belt, 0, position);
        rig_.set_function_belt(belt, 1, programmer::kBeltMoved);
        rig_.run_ms(20);
    }
    void press(int16_t key) { rig_.press(key, 30); }
    void hold_and_press(int16_t held, int16_t key) {
        rig_.hold(held, 30);
        rig_.press(key, 30);
        rig_.release(held, 50);
    }
    void type_number(int n) {
        for (const char c : std::to_string(n)) press(digit_key(c - '0'));
        press(KEY_ENTER);
    }
    // GET, released alone, then the memory number.
    void get_memory(int m) {
        rig_.hold(KEY_GET_MEMORY, 30);
        rig_.release(KEY_GET_MEMORY, 50);
        type_number(m);
        rig_.run_ms(50);
    }

    struct Screen {
        std::vector<uint8_t> right, faders, memory;
        std::vector<platform::LedState> leds;
    };
    Screen screen() {
        const platform::Graphics& g = rig_.machine().graphics;
        Screen s{area_pixels(g, kRightPanel), area_pixels(g, kFunctionFaders), area_pixels(g, kMemoryPanel), {}};
        for (int16_t key : watched_keys()) s.leds.push_back(rig_.key_led(key));
        return s;
    }

    // Every view drawn whole again from the console's state.
    void redraw_whole() {
        const uint8_t panel = ui::shown_panel();
        if (panel == ui::kPanelValueTable || panel == ui::kPanelOutputTable) {
            ui::draw_table_view(((runtime::mode_flags & runtime::MODE_TABLE_HALF) >> 19) == 2 ? 2 : 1);
        } else if (panel == ui::kPanelAnalogue) {
            // Everything drawn is forgotten: the picture and what each widget showed.
            auto forget = [](ui::FaderWidget& w) {
                ui::hide_fader_widget(w);
                w.full_redraw_pending = 1;
            };
            for (int i = 1; i <= ui::kMasterFaderWidgets; ++i) forget(ui::master_fader_widgets[static_cast<size_t>(i)]);
            for (int i = 1; i <= ui::kPlaybackFaderWidgets; ++i) forget(ui::playback_fader_widgets[static_cast<size_t>(i)]);
            ui::free_panel_images();
            ui::show_analogue_faders();
        }
        // The fader panel as a new fixture type builds it.
        programmer::fader_panel_kind = 0;
        programmer::build_fader_panel();
        const bool threshold = (runtime::run_flags & runtime::RUN_THRESHOLD_MODE) != 0;
        const bool pantilt = (runtime::mode_flags & runtime::MODE_TRACKERBALL_PANTILT) != 0;
        if (runtime::current_fixture != -1 && (runtime::macro_mode == 1 || (!threshold && !pantilt))) {
            programmer::highlight_selected_fader(kYellow);
        }
        programmer::refresh_faders();
        programmer::update_fader_key_leds();
        programmer::update_fixture_key_leds();
        if ((runtime::option_flags & runtime::OPT_CUE_PANEL) != 0) ui::draw_cue_panel();
    }

    // The screen after the action against the screen of a full redraw.
    void expect_screen_follows(const std::string& action) {
        SCOPED_TRACE(action);
        rig_.run_ms(30);
        const Screen drawn = screen();
        redraw_whole();
        const Screen redrawn = screen();
        EXPECT_EQ(difference(drawn.right, redrawn.right, kRightPanel), "") << "right panel";
        EXPECT_EQ(difference(drawn.faders, redrawn.faders, kFunctionFaders), "") << "function faders";
        EXPECT_EQ(difference(drawn.memory, redrawn.memory, kMemoryPanel), "") << "memory panel";
        const std::vector<int16_t> keys = watched_keys();
        for (size_t i = 0; i < keys.size(); ++i) {
            EXPECT_EQ(drawn.leds[i], redrawn.leds[i]) << "LED of key " << keys[i];
        }
    }

    struct Action {
        std::string name;
        std::function<void()> act;
    };
    void run_actions(const std::vector<Action>& actions) {
        for (const Action& a : actions) {
            a.act();
            expect_screen_follows(a.name);
        }
    }

    // The operator actions that change what the programmer's views show.
    std::vector<Action> operator_actions() {
        return {
            {"fixture key 1", [this] { press(fixture_key(1)); }},
            {"belt 1 on fixture 1", [this] { turn_belt(1, 90); }},
            {"trackerball on the selected channel", [this] {
                 press(fader_key(14));
                 rig_.move_trackerball(0, -40);
                 rig_.run_ms(40);
             }},
            {"keypad value", [this] {
                 press(KEY_EDIT_VALUE);
                 type_number(77);
             }},
            {"range of fixture keys 2 to 4", [this] { hold_and_press(fixture_key(2), fixture_key(4)); }},
            {"NEXT: the next memory", [this] { press(KEY_NEXT); }},
            {"LAST: the memory before", [this] { press(KEY_LAST); }},
            {"NEXT fixture in fixture step mode", [this] {
                 press(KEY_STEP);
                 press(KEY_NEXT);
             }},
            {"LAST fixture in fixture step mode", [this] {
                 press(KEY_LAST);
                 press(KEY_STEP);
             }},
            {"ALL", [this] { press(KEY_ALL); }},
            {"even", [this] { press(KEY_EVEN); }},
            {"odd after even", [this] { press(KEY_ODD); }},
            {"NONE", [this] { press(KEY_NONE); }},
            {"a wash made current", [this] { press(fixture_key(5)); }},
            {"a spot of another type made current", [this] { press(fixture_key(1)); }},
            {"function page 2", [this] { press(KEY_FUNCTION_PAGE_2); }},
            {"function page 1", [this] { press(KEY_FUNCTION_PAGE_1); }},
            {"timing bank", [this] { press(KEY_TIMING); }},
            {"a time by belt", [this] { turn_belt(2, 140); }},
            {"timing group toggled", [this] { press(fader_key(10)); }},
            {"a fixture of another type current in the timing bank", [this] { press(fixture_key(5)); }},
            {"timing bank left", [this] { press(KEY_TIMING); }},
            {"figure bank", [this] { press(KEY_FIGURE); }},
            {"a figure parameter by belt", [this] { turn_belt(1, 60); }},
            {"generator bank of the wash", [this] {
                 press(fixture_key(5));
                 press(KEY_FIGURE);
             }},
            {"a generator parameter by belt", [this] { turn_belt(2, 70); }},
            {"channel bank again", [this] { press(KEY_FIGURE); }},
            {"flip", [this] {
                 press(fixture_key(1));
                 hold_and_press(KEY_SHIFT, KEY_TRACKERBALL_PANTILT);
             }},
            {"memory 2 by GET", [this] { get_memory(2); }},
            {"NEXT memory with GET held", [this] { hold_and_press(KEY_GET_MEMORY, KEY_NEXT); }},
            {"LAST memory with GET held", [this] { hold_and_press(KEY_GET_MEMORY, KEY_LAST); }},
            {"store-next", [this] {
                 press(fixture_key(3));
                 turn_belt(14, 30);
                 press(KEY_STORE_NEXT);
             }},
            {"PAGE DOWN in the table", [this] { press(KEY_PAGE_DOWN); }},
            {"PAGE UP in the table", [this] { press(KEY_PAGE_UP); }},
            {"BANK UP", [this] { press(KEY_BANK_UP); }},
            {"BANK DOWN", [this] { press(KEY_BANK_DOWN); }},
            {"group key 1", [this] { press(group_key(1)); }},
            {"undo of fixture 1", [this] { hold_and_press(KEY_UNDO, fixture_key(1)); }},
            {"clear", [this] {
                 press(KEY_CLEAR);
                 press(KEY_CLEAR);
             }},
            {"memory 3 by GET after the clear", [this] { get_memory(3); }},
            {"TAKE OUTPUT of fixture 5", [this] { hold_and_press(KEY_TAKE_OUTPUT, fixture_key(5)); }},
        };
    }
};

TEST_F(ScreenFollows, ValueTableFaderPanelAndLedsAfterEveryAction) {
    store_memories();
    press(KEY_PANEL_3);
    ASSERT_EQ(ui::shown_panel(), ui::kPanelValueTable);
    expect_screen_follows("table opened");
    run_actions(operator_actions());
}

// A channel a playback holds: with live edit off a keypad value goes into
// the programmer only. The fader shows the programmer's value (the value
// being edited), the stage and the output table keep the playback's level,
// and the value's colour in the table and the fader's bar colour say the
// edit does not reach the stage; in the output table the fader follows the
// stage; once the playback lets go the value reaches the stage.
TEST_F(ScreenFollows, AValueHeldBackByAPlaybackShowsItIsHeldBack) {
    constexpr int kCyan5 = 69;  // fixture 5's channel 5, universe 1 address 69
    std::fill_n(runtime::programmer_values, runtime::kShowRecords + 1, runtime::kValueNotSet);
    runtime::programmer_values[kCyan5] = 100;
    ASSERT_TRUE(memories::store_memory_confirmed(9));
    runtime::programmer_values[kCyan5] = runtime::kValueNotSet;
    programmer_test::load_playback_with_memory(1, 9);
    rig_.set_playback_fader(1, 255);
    rig_.run_ms(100);
    ASSERT_EQ(rig_.dmx(1, kCyan5), 100);
    ASSERT_EQ(runtime::run_flags & runtime::RUN_LIVE_EDIT, 0u);

    press(KEY_PANEL_3);
    press(fixture_key(5));
    press(fader_key(5));
    press(KEY_EDIT_VALUE);
    type_number(255);
    rig_.run_ms(100);
    EXPECT_EQ(runtime::programmer_values[kCyan5], 255);
    EXPECT_EQ(rig_.dmx(1, kCyan5), 100) << "the playback keeps the stage";
    const ui::FaderWidget& fader = ui::function_fader_widgets[5];
    EXPECT_EQ(fader.level, 85) << "the fader shows the programmer's value";
    // The value's cell: fixture 5 is row 5, channel 5 column 5.
    auto cell_has = [this](uint8_t colour) {
        for (int y = 120 + 10 * 5; y <= 128 + 10 * 5; ++y) {
            for (int x = 249 + 23 * 5; x <= 268 + 23 * 5; ++x) {
                if (rig_.pixel(x, y) == colour) return true;
            }
        }
        return false;
    };
    EXPECT_TRUE(cell_has(11)) << "held back: light cyan";
    EXPECT_FALSE(cell_has(14));
    expect_screen_follows("a value held back");

    EXPECT_EQ(ui::get_fader_widget_bar_colour(fader), 11) << "the bar says the value is held back";

    // The output table: the fader follows the stage, in the layout's red.
    press(KEY_PANEL_3);
    ASSERT_EQ(ui::shown_panel(), ui::kPanelOutputTable);
    rig_.run_ms(200);
    EXPECT_EQ(fader.level, 34) << "the playback's 100";
    EXPECT_EQ(ui::get_fader_widget_bar_colour(fader), ui::kControlFaderBarColour);
    expect_screen_follows("output table");
    press(KEY_PANEL_3);

    // The playback let go: the value reaches the stage and the bar says so.
    rig_.set_playback_fader(1, 0);
    rig_.run_ms(200);
    EXPECT_EQ(rig_.dmx(1, kCyan5), 255);
    EXPECT_EQ(ui::get_fader_widget_bar_colour(fader), ui::kControlFaderBarColour);
    expect_screen_follows("the playback let go");
}

TEST_F(ScreenFollows, AnalogueFadersFaderPanelAndLedsAfterEveryAction) {
    store_memories();
    press(KEY_PANEL_1);
    if (ui::shown_panel() != ui::kPanelAnalogue) press(KEY_PANEL_1);
    ASSERT_EQ(ui::shown_panel(), ui::kPanelAnalogue);
    expect_screen_follows("analogue faders shown");
    run_actions(operator_actions());
}

}  // namespace
