// The on-screen fader widget: what a widget puts on the screen when it is
// shown, which graphics calls each change makes (only its own part, a level
// only the rows between the old and the new bar), and how a hidden widget
// keeps its changes and brings its picture up to date when shown again.
#include "ui/fader_widget.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/fonts.h"
#include "platform/graphics.h"
#include "platform/machine.h"
#include "runtime/console_state.h"
#include "ui/helpers.h"
#include "reference_images.h"

namespace {

using platform::Rect;
using ui::FaderWidget;

constexpr int kBlack = 0;
constexpr int kBlue = 1;
constexpr int kGreen = 2;
constexpr int kRed = 4;
constexpr int kLightGrey = 7;
constexpr int kDarkGrey = 8;
constexpr int kLightGreen = 10;
constexpr int kYellow = 14;
constexpr int kWhite = 15;

// The widgets of the masters and playbacks: 22 x 115 with a bar 7 wide.
constexpr int16_t kWidth = 22;
constexpr int16_t kHeight = 115;
constexpr int16_t kBarWidth = 7;

// Everything a widget shows, set through the widget's own setters.
struct Look {
    int16_t frame = kYellow;
    int16_t label_background = kDarkGrey;
    int16_t label_colour = kWhite;
    int16_t number_colour = kLightGreen;
    int16_t strip = kDarkGrey;
    int16_t bar_background = kBlack;
    int16_t bar = kRed;
    std::string label = "AB";
    int16_t number = 7;
    int16_t level = 40;
};

// A widget built the way its users build one: hidden, then set up, then shown.
FaderWidget shown_widget(int16_t x, int16_t y, const Look& look, int16_t label_mode = 1, int16_t option = 0) {
    FaderWidget w{};
    ui::init_fader_widget(w);
    ui::set_fader_widget_colours(w, look.frame, look.label_background, look.label_colour, look.number_colour,
                                 look.strip, look.bar_background, look.bar);
    ui::set_fader_widget_geometry(w, x, y, kWidth, kHeight);
    ui::set_fader_widget_bar_width(w, kBarWidth);
    ui::set_fader_widget_number(w, look.number);
    ui::set_fader_widget_label(w, look.label.c_str());
    ui::set_fader_widget_level(w, look.level);
    ui::set_fader_widget_label_mode(w, label_mode);
    ui::set_fader_widget_option(w, option);
    ui::show_fader_widget(w);
    return w;
}

// Every field of the look through the single-field setters.
void set_look(FaderWidget& w, const Look& look) {
    ui::set_fader_widget_frame_colour(w, look.frame);
    ui::set_fader_widget_label_background(w, look.label_background);
    ui::set_fader_widget_label_colour(w, look.label_colour);
    ui::set_fader_widget_label(w, look.label.c_str());
    ui::set_fader_widget_number_colour(w, look.number_colour);
    ui::set_fader_widget_number(w, look.number);
    ui::set_fader_widget_strip_colour(w, look.strip);
    ui::set_fader_widget_background_colour(w, look.bar_background);
    ui::set_fader_widget_bar_colour(w, look.bar);
    ui::set_fader_widget_level(w, look.level);
}

Rect box_of(const FaderWidget& w) { return Rect{w.x, w.y, w.x + w.width, w.y + w.height}; }
Rect bar_column_of(const FaderWidget& w) {
    return Rect{w.x + w.width - 1 - w.bar_width, w.y + 1, w.x + w.width - 1, w.y + w.height - 1};
}
Rect label_column_of(const FaderWidget& w) {
    return Rect{w.x + 1, w.y + 1, w.x + w.width - 2 - w.bar_width, w.y + w.height - 1};
}
Rect grown(const Rect& r, int by) { return Rect{r.x1 - by, r.y1 - by, r.x2 + by, r.y2 + by}; }
int area(const Rect& r) { return (r.x2 - r.x1 + 1) * (r.y2 - r.y1 + 1); }

bool is_drawing(const std::string& call) {
    for (const char* name : {"_bar(", "_rectangle(", "_line(", "_outtextxy("}) {
        if (call.rfind(name, 0) == 0) return true;
    }
    return false;
}

class FaderWidgetTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::install_machine(machine_.get());
        int driver = platform::kVgaDriver;
        int mode = platform::kVgaHiMode;
        platform::_initgraph(driver, mode, "");
        graphics().clear_call_log();
    }
    void TearDown() override { platform::install_machine(nullptr); }

    platform::Graphics& graphics() { return machine_->graphics; }
    int pixel(int x, int y) { return graphics().pixel(x, y); }
    std::vector<std::string> calls() { return graphics().call_log(); }
    // The calls that put pixels on the screen, in order.
    std::vector<std::string> drawing_calls() {
        std::vector<std::string> drawn;
        for (const std::string& call : calls()) {
            if (is_drawing(call)) drawn.push_back(call);
        }
        return drawn;
    }
    // The rows of the area that hold a pixel of the colour.
    std::optional<std::pair<int, int>> rows_of(int colour, const Rect& r) {
        std::optional<std::pair<int, int>> rows;
        for (int y = r.y1; y <= r.y2; ++y) {
            for (int x = r.x1; x <= r.x2; ++x) {
                if (pixel(x, y) != colour) continue;
                if (!rows) rows = std::pair{y, y};
                rows->second = y;
            }
        }
        return rows;
    }
    std::optional<std::pair<int, int>> columns_of(int colour, const Rect& r) {
        std::optional<std::pair<int, int>> columns;
        for (int x = r.x1; x <= r.x2; ++x) {
            for (int y = r.y1; y <= r.y2; ++y) {
                if (pixel(x, y) != colour) continue;
                if (!columns) columns = std::pair{x, x};
                columns->second = x;
            }
        }
        return columns;
    }

private:
    std::unique_ptr<platform::Machine> machine_ = std::make_unique<platform::Machine>();
};

// ------------------------------------------------------------------ the arrays

TEST(FaderWidgetArrays, EveryWidgetIsConstructedBeforeMain) {
    const auto expect_constructed = [](const auto& widgets, size_t size, const char* name) {
        EXPECT_EQ(widgets.size(), size) << name;
        for (size_t i = 0; i < widgets.size(); ++i) {
            const FaderWidget& w = widgets[i];
            EXPECT_EQ(w.strip_enabled, 1) << name << " " << i;
            EXPECT_EQ(w.shown, 0) << name << " " << i;
            EXPECT_EQ(w.full_redraw_pending, 0) << name << " " << i;
            EXPECT_EQ(w.redraw_pending, 0) << name << " " << i;
            EXPECT_EQ(w.number, 0) << name << " " << i << ": the number stays 0 until its user sets -1";
            EXPECT_EQ(w.label_mode, 0) << name << " " << i;
        }
    };
    expect_constructed(ui::function_fader_widgets, 17, "function");
    expect_constructed(ui::cue_fader_widgets, 6, "cue");
    expect_constructed(ui::master_fader_widgets, 5, "master");
    expect_constructed(ui::playback_fader_widgets, 43, "playback");
}

TEST(FaderWidgetArrays, AConstructedWidgetIsHiddenAndGivesItsSavedValues) {
    FaderWidget w{};
    ui::init_fader_widget(w);
    ui::set_fader_widget_level(w, 30);
    ui::set_fader_widget_bar_colour(w, kYellow);
    EXPECT_EQ(ui::get_fader_widget_level(w), 30);
    EXPECT_EQ(ui::get_fader_widget_bar_colour(w), kYellow);
    EXPECT_EQ(w.level, 0);
    EXPECT_EQ(w.redraw_pending, 1);
}

// ------------------------------------------------------------------ masters and playbacks

TEST_F(FaderWidgetTest, GrandMasterAsTheInitialiserPlacesIt) {
    runtime::init_master_fader_widgets();
    FaderWidget& w = ui::master_fader_widgets[1];
    ui::show_fader_widget(w);

    // Frame (260,124)-(282,239) in yellow, label column up to x 273, bar column 274-281.
    for (const auto& [x, y] : {std::pair{260, 124}, {282, 124}, {260, 239}, {282, 239}, {271, 124}, {260, 180}}) {
        EXPECT_EQ(pixel(x, y), kYellow) << x << "," << y;
    }
    EXPECT_EQ(platform::count_pixels(kBlack, Rect{274, 125, 281, 238}), 8 * 114) << "level 0: an empty bar column";
    EXPECT_EQ(platform::count_pixels(kDarkGrey, Rect{261, 170, 273, 238}), 13 * 69) << "strip and number area, no number";
    // "GRAND" as upright letters from the top: one letter every 8 rows from (264, 127).
    const auto columns = columns_of(kWhite, Rect{261, 125, 273, 238});
    const auto rows = rows_of(kWhite, Rect{261, 125, 273, 238});
    ASSERT_TRUE(columns && rows);
    EXPECT_EQ(columns->first, 264);
    EXPECT_LE(columns->second, 267);
    EXPECT_EQ(rows->first, 127);
    EXPECT_EQ(rows->second, 127 + 8 * 4 + 6);
    uitest::expect_matches_reference("fader_widget", "grand_master", grown(box_of(w), 4));

    // The fader at full: the whole column red, the frame untouched.
    ui::set_fader_widget_level(w, ui::scale_to_113(255));
    EXPECT_EQ(platform::count_pixels(kRed, Rect{274, 125, 281, 238}), 8 * 114);
    EXPECT_EQ(platform::count_pixels(kYellow, Rect{260, 124, 282, 124}), 23);
}

TEST_F(FaderWidgetTest, PlaybackElevenAsTheInitialiserPlacesIt) {
    runtime::init_playback_fader_widgets();
    FaderWidget& w = ui::playback_fader_widgets[11];
    ui::show_fader_widget(w);

    // The second row of the analogue fader view: (235, 243) to (257, 358).
    EXPECT_EQ(pixel(235, 243), kLightGreen);
    EXPECT_EQ(pixel(257, 358), kLightGreen);
    EXPECT_EQ(platform::count_pixels(kBlack, Rect{249, 244, 256, 357}), 8 * 114);
    // The number "11" in light green at (237, 348), inside the number area (236,345)-(248,356).
    const auto rows = rows_of(kLightGreen, Rect{236, 345, 248, 356});
    const auto columns = columns_of(kLightGreen, Rect{236, 345, 248, 356});
    ASSERT_TRUE(rows && columns);
    EXPECT_EQ(rows->first, 348);
    EXPECT_GE(columns->first, 237);
    EXPECT_EQ(platform::count_pixels(kWhite, box_of(w)), 0) << "an empty label writes nothing";
    uitest::expect_matches_reference("fader_widget", "playback_11", grown(box_of(w), 4));
}

// ------------------------------------------------------------------ levels

TEST_F(FaderWidgetTest, ALevelChangeDrawsOnlyTheRowsBetweenTheOldAndTheNewBar) {
    // Master 1's geometry: the bar column spans x 274-281, level i lies on row 238 - i.
    struct Case {
        int16_t from;
        int16_t to;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {5, 2, {"_setcolor(0)", "_line(274,235,281,235)", "_line(274,234,281,234)", "_line(274,233,281,233)"}},
        {2, 0, {"_setcolor(0)", "_line(274,237,281,237)", "_line(274,236,281,236)", "_line(274,238,281,238)"}},
        {0, 3, {"_setcolor(4)", "_line(274,238,281,238)", "_line(274,237,281,237)", "_line(274,236,281,236)",
                "_line(274,235,281,235)"}},
        {7, 7, {}},
    };
    for (const Case& c : cases) {
        Look look;
        look.level = c.from;
        FaderWidget w = shown_widget(260, 124, look);
        graphics().clear_call_log();
        ui::set_fader_widget_level(w, c.to);
        EXPECT_EQ(calls(), c.expected) << c.from << " to " << c.to;
        EXPECT_EQ(ui::get_fader_widget_level(w), c.to);
    }
}

TEST_F(FaderWidgetTest, AMovingFaderLeavesTheBarAWholeDrawWouldShow) {
    Look look;
    look.bar_background = kBlue;
    look.level = 0;
    FaderWidget moving = shown_widget(260, 124, look);
    for (const int16_t level : {int16_t{0}, int16_t{1}, int16_t{57}, int16_t{56}, int16_t{113}, int16_t{0},
                                int16_t{4}, int16_t{3}, int16_t{1}, int16_t{0}, int16_t{90}}) {
        ui::set_fader_widget_level(moving, level);
        const std::string after_moves = platform::region_text(box_of(moving));
        look.level = level;
        const FaderWidget whole = shown_widget(360, 124, look);
        EXPECT_EQ(after_moves, platform::region_text(box_of(whole))) << "level " << level;
    }
}

TEST_F(FaderWidgetTest, LevelsBeyondTheColumnStayInsideIt) {
    Look look;
    look.bar_background = kBlue;
    look.level = 10;
    FaderWidget w = shown_widget(260, 124, look);
    const Rect column = bar_column_of(w);
    const std::string outside_before = platform::region_text(Rect{200, 60, 340, 123});

    ui::set_fader_widget_level(w, 200);  // the column holds 113
    EXPECT_EQ(platform::count_pixels(kRed, column), area(column));
    EXPECT_EQ(platform::count_pixels(kYellow, Rect{260, 124, 282, 124}), 23) << "the frame's top row";
    EXPECT_EQ(platform::region_text(Rect{200, 60, 340, 123}), outside_before);
    EXPECT_EQ(ui::get_fader_widget_level(w), 200) << "the widget keeps the value it was given";

    graphics().clear_call_log();
    ui::set_fader_widget_level(w, 150);  // still full: nothing to draw
    EXPECT_TRUE(calls().empty());

    ui::set_fader_widget_level(w, 50);
    EXPECT_EQ(platform::count_pixels(kRed, column), 8 * 51);

    ui::set_fader_widget_level(w, -5);  // shown as an empty column
    EXPECT_EQ(platform::count_pixels(kBlue, column), area(column));
    EXPECT_EQ(platform::count_pixels(kYellow, Rect{260, 239, 282, 239}), 23) << "the frame's bottom row";
}

TEST_F(FaderWidgetTest, AWidgetPartlyOffTheScreenDrawsItsVisiblePart) {
    Look look;
    look.bar_background = kBlue;
    look.number = -1;
    look.level = 100;

    // Off the right and the bottom edge: the frame's left side and one column of the bar show.
    FaderWidget right = shown_widget(625, 420, look);
    EXPECT_EQ(platform::count_pixels(kYellow, Rect{625, 420, 625, 479}), 60);
    EXPECT_EQ(pixel(630, 470), kDarkGrey);
    EXPECT_EQ(pixel(639, 450), kRed);  // level 100 reaches up to row 434
    EXPECT_EQ(pixel(639, 430), kBlue);
    ui::set_fader_widget_level(right, 20);
    EXPECT_EQ(pixel(639, 450), kBlue);
    const std::optional<Rect> ink = platform::ink_bounds(kBlack, Rect{0, 0, 639, 479});
    ASSERT_TRUE(ink.has_value());
    EXPECT_EQ(*ink, (Rect{625, 420, 639, 479}));

    // Off the left and the top edge: the bottom of the bar and the frame's corner show.
    platform::_cleardevice();
    look.level = 10;
    FaderWidget left = shown_widget(-10, -50, look);
    EXPECT_EQ(platform::count_pixels(kYellow, Rect{0, 65, 12, 65}), 13);
    EXPECT_EQ(platform::count_pixels(kYellow, Rect{12, 0, 12, 65}), 66);
    EXPECT_EQ(platform::count_pixels(kRed, Rect{4, 54, 11, 64}), 8 * 11);
    EXPECT_EQ(pixel(8, 40), kBlue);
    ui::set_fader_widget_level(left, 200);
    EXPECT_EQ(platform::count_pixels(kRed, Rect{4, 0, 11, 64}), 8 * 65);
    EXPECT_EQ(platform::count_pixels(kBlack, Rect{13, 0, 639, 479}), 627 * 480);
}

// ------------------------------------------------------------------ labels and numbers

TEST_F(FaderWidgetTest, AVerticalLabelReadsUpwardsEndingAboveTheStrip) {
    // Playback 11's widget with a memory's label: font 2 turned upright, size 4,
    // given the point (X + 17, Y + H - 18 - w).
    const std::string label = "BLUE WASH";
    const int w_px = platform::text_width_px(platform::kSmallFont, 4, label);
    Look look;
    look.label = label;
    look.number = 11;
    look.level = 0;
    FaderWidget w = shown_widget(235, 10, look, 0, 1);

    const std::vector<std::string> log = calls();
    const std::string text_call = "_outtextxy(252," + std::to_string(107 - w_px) + ",\"" + label + "\")";
    const auto style = std::find(log.begin(), log.end(), "_settextstyle(2,1,4)");
    const auto text = std::find(log.begin(), log.end(), text_call);
    ASSERT_NE(style, log.end());
    ASSERT_NE(text, log.end()) << text_call;
    EXPECT_LT(style, text);

    const auto rows = rows_of(kWhite, box_of(w));
    ASSERT_TRUE(rows.has_value());
    EXPECT_GE(rows->first, 107 - w_px);
    EXPECT_EQ(rows->second, 106);
}

// The label belongs in the label column (x 236-248); where vertical text falls
// from the point it is given is the graphics layer's rule for vertical text.
TEST_F(FaderWidgetTest, AVerticalLabelStaysInsideTheLabelColumn) {
    Look look;
    look.label = "*  (MEM   1)";
    look.number = 11;
    look.level = 0;
    FaderWidget w = shown_widget(235, 10, look, 0, 1);
    const auto columns = columns_of(kWhite, box_of(w));
    ASSERT_TRUE(columns.has_value());
    EXPECT_GE(columns->first, 236);
    EXPECT_LE(columns->second, 248);
}

TEST_F(FaderWidgetTest, UprightLettersRunFromTheTopOrEndAtTheFoot) {
    struct Case {
        int16_t option;
        std::vector<std::string> expected;
    };
    // Master 4's place: X 335, Y 124, H 115; letter i of n at Y + 3 + 8i, or at Y + H - 25 - 8(n - 1 - i).
    const Case cases[] = {
        {0, {"_outtextxy(339,127,\"S\")", "_outtextxy(339,135,\"U\")", "_outtextxy(339,143,\"B\")",
             "_outtextxy(339,151,\"2\")"}},
        {1, {"_outtextxy(339,190,\"S\")", "_outtextxy(339,198,\"U\")", "_outtextxy(339,206,\"B\")",
             "_outtextxy(339,214,\"2\")"}},
        {-3, {"_outtextxy(339,190,\"S\")", "_outtextxy(339,198,\"U\")", "_outtextxy(339,206,\"B\")",
              "_outtextxy(339,214,\"2\")"}},
    };
    for (const Case& c : cases) {
        Look look;
        look.label = "SUB2";
        look.number = -1;
        FaderWidget w = shown_widget(335, 124, look, 1, c.option);
        ui::set_fader_widget_label_colour(w, kYellow);
        std::vector<std::string> texts;
        for (const std::string& call : drawing_calls()) {
            if (call.rfind("_outtextxy(", 0) == 0) texts.push_back(call);
        }
        ASSERT_EQ(texts.size(), 2 * c.expected.size()) << "drawn whole, then redrawn in yellow";
        EXPECT_EQ(std::vector<std::string>(texts.begin() + 4, texts.end()), c.expected) << "option " << c.option;
        graphics().clear_call_log();
    }
}

TEST_F(FaderWidgetTest, AnEmptyLabelOfUprightLettersWritesNothing) {
    Look look;
    look.label = "";
    look.number = -1;
    shown_widget(260, 124, look);
    for (const std::string& call : calls()) EXPECT_EQ(call.rfind("_outtextxy(", 0), std::string::npos) << call;
    EXPECT_EQ(platform::count_pixels(kWhite, Rect{260, 124, 282, 239}), 0);
}

TEST_F(FaderWidgetTest, LabelsAreCutToTwentyCharacters) {
    const char* long_label = "ABCDEFGHIJKLMNOPQRSTUVWXY";
    Look look;
    FaderWidget w = shown_widget(260, 124, look);
    ui::set_fader_widget_label(w, long_label);
    EXPECT_STREQ(w.label.data(), "ABCDEFGHIJKLMNOPQRST");

    // The same long text again is the label the widget shows: nothing to draw.
    graphics().clear_call_log();
    ui::set_fader_widget_label(w, long_label);
    EXPECT_TRUE(calls().empty());

    // Nor is a hidden widget marked for a redraw by it.
    ui::hide_fader_widget(w);
    ui::set_fader_widget_label(w, long_label);
    EXPECT_EQ(w.redraw_pending, 0);
    ui::show_fader_widget(w);
    EXPECT_TRUE(calls().empty());
}

// ------------------------------------------------------------------ single-field setters

TEST_F(FaderWidgetTest, EachSetterRedrawsOnlyItsOwnPart) {
    // Master 1's place, level 40, number 7, label "AB" in upright letters.
    const std::string frame = "_rectangle(260,124,282,239)";
    const std::string label_area = "_bar(261,125,273,222)";
    const std::string label_column = "_bar(261,125,273,238)";
    const std::string letter_a = "_outtextxy(264,127,\"A\")";
    const std::string letter_b = "_outtextxy(264,135,\"B\")";
    const std::string number_area = "_bar(261,226,273,237)";
    const std::string strip = "_bar(263,223,271,225)";
    const std::string bar_column = "_bar(274,125,281,238)";
    const std::string bar = "_bar(274,198,281,238)";
    const auto number = [](const char* text) { return std::string("_outtextxy(262,229,\"") + text + "\")"; };

    struct Case {
        const char* what;
        std::function<void(FaderWidget&)> change;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"frame", [](FaderWidget& w) { ui::set_fader_widget_frame_colour(w, kGreen); }, {frame}},
        {"strip", [](FaderWidget& w) { ui::set_fader_widget_strip_colour(w, kGreen); }, {strip}},
        {"number", [](FaderWidget& w) { ui::set_fader_widget_number(w, 12); }, {number_area, number("12")}},
        {"no number", [](FaderWidget& w) { ui::set_fader_widget_number(w, -1); }, {number_area}},
        {"number colour", [](FaderWidget& w) { ui::set_fader_widget_number_colour(w, kGreen); },
         {number_area, number("7")}},
        {"label colour", [](FaderWidget& w) { ui::set_fader_widget_label_colour(w, kGreen); },
         {label_area, letter_a, letter_b}},
        {"label", [](FaderWidget& w) { ui::set_fader_widget_label(w, "B"); }, {label_area, "_outtextxy(264,127,\"B\")"}},
        {"bar colour", [](FaderWidget& w) { ui::set_fader_widget_bar_colour(w, kGreen); }, {bar_column, bar}},
        {"bar background", [](FaderWidget& w) { ui::set_fader_widget_background_colour(w, kBlue); },
         {bar_column, bar}},
        {"label background", [](FaderWidget& w) { ui::set_fader_widget_label_background(w, kBlue); },
         {label_column, letter_a, letter_b, number("7"), strip}},
        {"label background, strip disabled",
         [](FaderWidget& w) {
             ui::set_fader_widget_enabled(w, 0);
             ui::set_fader_widget_label_background(w, kBlue);
         },
         {label_column, letter_a, letter_b, number("7")}},
        {"the values it has", [](FaderWidget& w) { set_look(w, Look{}); }, {}},
        {"label mode and option", [](FaderWidget& w) {
             ui::set_fader_widget_label_mode(w, 0);
             ui::set_fader_widget_option(w, 1);
         }, {}},
    };
    for (const Case& c : cases) {
        FaderWidget w = shown_widget(260, 124, Look{});
        graphics().clear_call_log();
        c.change(w);
        EXPECT_EQ(drawing_calls(), c.expected) << c.what;
    }
}

TEST_F(FaderWidgetTest, ANewPlaceOrBarWidthDrawsTheShownWidgetWhole) {
    FaderWidget w = shown_widget(260, 124, Look{});
    graphics().clear_call_log();
    ui::set_fader_widget_geometry(w, 300, 124, kWidth, kHeight);
    std::vector<std::string> drawn = drawing_calls();
    EXPECT_EQ(drawn.front(), "_rectangle(300,124,322,239)");
    const std::string moved = platform::region_text(box_of(w));
    platform::_cleardevice();
    EXPECT_EQ(platform::region_text(box_of(shown_widget(300, 124, Look{}))), moved);

    graphics().clear_call_log();
    ui::set_fader_widget_bar_width(w, 4);
    drawn = drawing_calls();
    EXPECT_NE(std::find(drawn.begin(), drawn.end(), "_bar(317,125,321,238)"), drawn.end()) << "the new bar column";
}

TEST_F(FaderWidgetTest, DrawingRestoresTheTextStyleAndColourItFound) {
    ui::set_text_style(platform::kDefaultFont, platform::kHorizontalText, 1);
    platform::_setcolor(kBlue);
    Look look;
    look.label = "PLAY";
    shown_widget(235, 10, look, 0, 1);  // a vertical label and a number

    platform::TextSettings settings{};
    platform::_gettextsettings(settings);
    EXPECT_EQ(settings.font, platform::kDefaultFont);
    EXPECT_EQ(settings.direction, platform::kHorizontalText);
    EXPECT_EQ(settings.char_size, 1);
    EXPECT_EQ(platform::_getcolor(), kBlue);

    // The style cache knows it too: the style the widget wrote its number in
    // reaches the graphics layer again.
    graphics().clear_call_log();
    ui::set_text_style(platform::kSmallFont, platform::kHorizontalText, 4);
    EXPECT_EQ(calls(), std::vector<std::string>{"_settextstyle(2,0,4)"});
}

// ------------------------------------------------------------------ hiding and showing

TEST_F(FaderWidgetTest, ShowingAgainDrawsOnlyWhatChangedWhileHidden) {
    struct Case {
        const char* what;
        std::function<void(Look&)> change;
        bool frame_drawn;
    };
    const Case cases[] = {
        {"nothing", [](Look&) {}, false},
        {"frame", [](Look& l) { l.frame = kGreen; }, true},
        {"label colour", [](Look& l) { l.label_colour = kGreen; }, false},
        {"label", [](Look& l) { l.label = "XYZ"; }, false},
        {"label and number", [](Look& l) { l.label = "XYZ"; l.number = 42; }, false},
        {"no number", [](Look& l) { l.number = -1; }, false},
        {"number colour", [](Look& l) { l.number_colour = kGreen; }, false},
        {"strip", [](Look& l) { l.strip = kGreen; }, false},
        {"label background", [](Look& l) { l.label_background = kBlue; l.label = "Q"; l.number = 3; }, false},
        {"level up", [](Look& l) { l.level = 90; }, false},
        {"level down", [](Look& l) { l.level = 5; }, false},
        {"bar colour", [](Look& l) { l.bar = kGreen; l.level = 70; }, false},
        {"bar background", [](Look& l) { l.bar_background = kBlue; l.level = 0; }, false},
    };
    for (const Case& c : cases) {
        Look after;
        c.change(after);
        platform::_cleardevice();
        FaderWidget w = shown_widget(260, 124, Look{});
        ui::hide_fader_widget(w);
        set_look(w, after);
        EXPECT_EQ(ui::get_fader_widget_level(w), after.level) << c.what;
        EXPECT_EQ(w.full_redraw_pending, 0) << c.what;
        graphics().clear_call_log();
        ui::show_fader_widget(w);
        const std::vector<std::string> drawn = drawing_calls();
        const std::string shown = platform::region_text(grown(box_of(w), 2));

        platform::_cleardevice();
        const FaderWidget whole = shown_widget(260, 124, after);
        EXPECT_EQ(shown, platform::region_text(grown(box_of(whole), 2))) << c.what;
        const bool frame_drawn = std::find(drawn.begin(), drawn.end(), "_rectangle(260,124,282,239)") != drawn.end();
        EXPECT_EQ(frame_drawn, c.frame_drawn) << c.what << ": only a changed frame is drawn again";
        if (std::string(c.what) == "nothing") {
            EXPECT_TRUE(drawn.empty());
        }
        EXPECT_EQ(ui::get_fader_widget_level(w), after.level) << c.what;
    }
}

TEST_F(FaderWidgetTest, ALevelMovedAndMovedBackWhileHiddenIsNotDrawn) {
    Look look;
    look.level = 10;
    FaderWidget w = shown_widget(260, 124, look);
    ui::hide_fader_widget(w);
    ui::set_fader_widget_level(w, 20);
    EXPECT_EQ(ui::get_fader_widget_level(w), 20);
    ui::set_fader_widget_level(w, 10);
    graphics().clear_call_log();
    ui::show_fader_widget(w);
    EXPECT_TRUE(calls().empty());
    EXPECT_EQ(ui::get_fader_widget_level(w), 10);
}

TEST_F(FaderWidgetTest, HideAndShowKeepTheSavedValue) {
    Look look;
    look.level = 40;
    FaderWidget w = shown_widget(260, 124, look);
    ui::hide_fader_widget(w);
    EXPECT_EQ(w.saved_level, 40);

    // Another picture over the area; the fader moves meanwhile.
    platform::_setfillstyle(platform::kSolidFill, kBlue);
    platform::_bar(200, 100, 400, 300);
    ui::set_fader_widget_level(w, 70);
    ui::set_fader_widget_bar_colour(w, kGreen);
    EXPECT_EQ(platform::count_pixels(kBlue, Rect{200, 100, 400, 300}), 201 * 201) << "nothing drawn while hidden";
    EXPECT_EQ(ui::get_fader_widget_level(w), 70);
    EXPECT_EQ(ui::get_fader_widget_bar_colour(w), kGreen);

    ui::show_fader_widget(w);
    EXPECT_EQ(w.level, 70);
    EXPECT_EQ(w.bar_colour, kGreen);
    const Rect column = bar_column_of(w);
    EXPECT_EQ(platform::count_pixels(kGreen, column), 8 * 71);
    EXPECT_EQ(platform::count_pixels(kBlack, column), 8 * (114 - 71));
}

TEST_F(FaderWidgetTest, ColoursSetWhileHiddenMakeTheNextShowDrawEverything) {
    FaderWidget w = shown_widget(260, 124, Look{});
    ui::hide_fader_widget(w);
    ui::set_fader_widget_colours(w, kYellow, kDarkGrey, kWhite, kLightGreen, kDarkGrey, kBlack, kRed);
    EXPECT_EQ(w.full_redraw_pending, 1);
    platform::_cleardevice();
    graphics().clear_call_log();
    ui::show_fader_widget(w);
    const std::vector<std::string> drawn = drawing_calls();
    for (const char* call : {"_rectangle(260,124,282,239)", "_bar(261,125,273,238)", "_bar(274,125,281,238)",
                             "_bar(263,223,271,225)", "_outtextxy(262,229,\"7\")"}) {
        EXPECT_NE(std::find(drawn.begin(), drawn.end(), call), drawn.end()) << call;
    }
    EXPECT_EQ(w.full_redraw_pending, 0);
}

TEST_F(FaderWidgetTest, EraseHidesAndPaintsTheBoxGreenOnlyWhenAsked) {
    FaderWidget w = shown_widget(260, 124, Look{});
    const std::string picture = platform::region_text(grown(box_of(w), 3));
    graphics().clear_call_log();
    ui::erase_fader_widget(w, 0);
    EXPECT_EQ(w.shown, 0);
    EXPECT_TRUE(drawing_calls().empty());
    EXPECT_EQ(platform::region_text(grown(box_of(w), 3)), picture);

    ui::show_fader_widget(w);
    ui::erase_fader_widget(w, 1);
    EXPECT_EQ(w.shown, 0);
    EXPECT_EQ(platform::count_pixels(kGreen, box_of(w)), 23 * 116);
    EXPECT_EQ(platform::count_pixels(kBlack, grown(box_of(w), 3)), area(grown(box_of(w), 3)) - 23 * 116);

    // A hidden widget is neither erased nor hidden again.
    graphics().clear_call_log();
    ui::erase_fader_widget(w, 1);
    ui::hide_fader_widget(w);
    EXPECT_TRUE(calls().empty());
}

TEST_F(FaderWidgetTest, ClearingGivesTheEmptyLook) {
    Look look;
    look.frame = kLightGreen;
    look.label_background = kBlue;
    look.strip = kGreen;
    look.bar = kYellow;
    FaderWidget w = shown_widget(260, 124, look);
    graphics().clear_call_log();
    ui::clear_fader_widget(w);

    EXPECT_EQ(platform::count_pixels(kDarkGrey, label_column_of(w)), area(label_column_of(w)));
    EXPECT_EQ(platform::count_pixels(kLightGrey, Rect{260, 124, 282, 124}), 23);
    EXPECT_EQ(platform::count_pixels(kBlack, bar_column_of(w)), area(bar_column_of(w)));
    for (const std::string& call : calls()) EXPECT_EQ(call.rfind("_outtextxy(", 0), std::string::npos) << call;
    EXPECT_EQ(ui::get_fader_widget_bar_colour(w), kRed);
    EXPECT_EQ(w.number, -1);

    // Cleared while hidden: the next show draws the empty look whole.
    FaderWidget hidden = shown_widget(300, 124, look);
    ui::hide_fader_widget(hidden);
    ui::clear_fader_widget(hidden);
    EXPECT_EQ(hidden.full_redraw_pending, 1);
    ui::show_fader_widget(hidden);
    EXPECT_EQ(platform::region_text(box_of(hidden)), platform::region_text(box_of(w)));
    EXPECT_EQ(platform::count_pixels(kDarkGrey, label_column_of(hidden)), area(label_column_of(hidden)));
    EXPECT_EQ(platform::count_pixels(kLightGrey, Rect{300, 239, 322, 239}), 23);
}

}  // namespace
