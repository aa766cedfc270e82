#include "ui/main_screen.h"

#include <array>
#include <cstdio>
#include <span>

#include "memcheck/memcheck.h"
#include "platform/graphics.h"
#include "playback/cue_tables.h"
#include "programmer/programmer_jobs.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/mouse_input.h"
#include "runtime/timers.h"
#include "ui/bitmap_fonts.h"
#include "ui/counters.h"
#include "ui/edit_keys.h"
#include "ui/fader_widget.h"
#include "ui/helpers.h"
#include "ui/memory_access.h"
#include "ui/screens.h"

namespace ui {

uint8_t* frame_image = nullptr;

void reset_main_screen_globals() {
    if (frame_image != nullptr) memcheck::mc_free_at(frame_image, __FILE__, __LINE__);
    frame_image = nullptr;
}

namespace {

constexpr int16_t kBlack = 0;
constexpr int16_t kBlue = 1;
constexpr int16_t kGreen = 2;
constexpr int16_t kRed = 4;
constexpr int16_t kLightGrey = 7;
constexpr int16_t kDarkGrey = 8;
constexpr int16_t kLightGreen = 10;
constexpr int16_t kLightCyan = 11;
constexpr int16_t kLightRed = 12;
constexpr int16_t kYellow = 14;
constexpr int16_t kWhite = 15;

constexpr int16_t kTextSize = 4;

// Inclusive corners.
struct Box {
    int16_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};
struct TextAt {
    int16_t x = 0, y = 0;
    const char* text = "";
};

// ------------------------------------------------------------------ status line

constexpr Box kStatusLine{1, 235, 221, 281};
constexpr std::array<Box, 6> kStatusRules = {{
    {1, 251, 221, 251},
    {1, 266, 221, 266},
    {101, 235, 101, 251},
    {111, 235, 111, 281},
    {211, 235, 211, 281},
    {167, 235, 167, 251},
}};
constexpr std::array<Box, 6> kStatusFields = {{
    {3, 237, 99, 249},
    {3, 253, 109, 264},
    {3, 268, 109, 279},
    {113, 237, 165, 249},
    {113, 253, 209, 264},
    {113, 268, 209, 279},
}};
constexpr std::array<TextAt, 6> kStatusLabels = {{
    {4, 240, "Transp. Seq"},
    {83, 240, "Plb"},
    {114, 240, "Mem Free"},
    {114, 255, "Fixtures Manual"},
    {4, 270, "T-ball Res."},
    {114, 270, "Cuefading Active"},
}};

// The small box that holds the mark of "Transp. Seq".
constexpr std::array<Box, 2> kTranspMarkRules = {{{70, 235, 70, 251}, {80, 235, 80, 251}}};
constexpr std::array<Box, 2> kTranspMarkGaps = {{{69, 236, 69, 250}, {81, 236, 81, 250}}};
constexpr Box kTranspMarkWell{71, 237, 79, 249};

constexpr Box kEditModeField{4, 253, 109, 264};
constexpr TextAt kEditModeText{4, 255, ""};
constexpr Box kFixturesManualMark{213, 253, 219, 264};
constexpr Box kTranspSeqMark{72, 237, 78, 249};
constexpr Box kBeltResolutionField{70, 268, 109, 279};
constexpr TextAt kBeltResolutionText{70, 270, ""};
constexpr Box kCuefadingMark{213, 268, 219, 279};
constexpr TextAt kTrackerballText{4, 270, "T-ball"};
constexpr Box kPlaybacksMark{103, 237, 109, 249};

constexpr Box kMemoryPercentField{169, 237, 209, 249};
constexpr TextAt kMemoryPercentText{175, 240, ""};
constexpr Box kMemoryLevelMark{213, 237, 219, 249};
// Colour of the memory mark by status_level; any other level is black.
constexpr std::array<int16_t, 3> kMemoryLevelColours = {kGreen, kLightRed, kRed};

constexpr uint32_t kEditModeShift = 30;
constexpr uint32_t kEditModeAbsolute = 0;
constexpr uint32_t kEditModeRelative = 1;
constexpr uint32_t kEditModeFan = 2;
// Names of the fan shapes 1..5 (index 0 unused); shape 5 shows as shape 2 does.
constexpr std::array<const char*, 6> kFanShapeNames = {
    "", "Fan Standard", "Fan Inverse", "Fan Standard Mid", "Fan Sine", "Fan Inverse",
};

// ------------------------------------------------------------------ lower-left frame

constexpr Box kMainFrame{1, 342, 221, 455};
constexpr Box kFrameInterior{2, 343, 220, 454};

// Where a logo goes, chosen by its length in bytes.
struct LogoPlace {
    uint32_t size_bytes = 0;
    int16_t x = 0, y = 0;
    bool reaches_counters = false;  // the counters are drawn again after it
};
constexpr std::array<LogoPlace, 2> kLogoPlaces = {{
    {4 + 84 * 107, 35, 337, true},
    {4 + 94 * 90, 30, 350, true},
}};
constexpr LogoPlace kOtherLogoPlace{0, 35, 355, false};

constexpr int16_t kVersionBoxTop = 443;
constexpr int16_t kVersionBoxBottom = 451;
constexpr int16_t kVersionTextY = 444;
constexpr int16_t kVersionBoxSpan = 220;  // the box is centred over this width

// The cue-timing view's five fader widgets.
constexpr int16_t kCueFaderX = 14;
constexpr int16_t kCueFaderStep = 32;
constexpr int16_t kCueFaderY = 345;
constexpr int16_t kCueFaderWidth = 30;
constexpr int16_t kCueFaderHeight = 77;
constexpr int16_t kCueFaderBarWidth = 7;
constexpr std::array<const char*, kCueFaderWidgets> kCueFaderLabels = {
    "DELAY IN", "FADE IN", "DELAY OUT", "FADE OUT", "HOLD",
};

// The current cue times under the faders: one column per time.
constexpr Box kCueTimesArea{14, 425, 174, 454};
constexpr int16_t kCueTimeX = 15;
constexpr int16_t kCueTimeStep = 32;
constexpr std::array<int16_t, 3> kCueTimeRows = {425, 435, 445};
constexpr int16_t kTenthsPerMinute = 600;
constexpr int16_t kTenthsPerSecond = 10;

// The show-speed box.
constexpr Box kSpeedBox{176, 345, 217, 422};
constexpr Box kSpeedTitleBox{176, 345, 217, 371};
constexpr Box kSpeedTitleFill{177, 346, 216, 370};
constexpr std::array<TextAt, 2> kSpeedTitle = {{{180, 349, "Timing"}, {182, 360, "Speed"}}};
constexpr Box kSpeedValueFill{177, 372, 216, 421};
constexpr TextAt kSpeedValueText{181, 381, ""};
constexpr TextAt kFrozenText{181, 395, "FROZEN"};
constexpr int16_t kNormalSpeed_percent = 100;

// ------------------------------------------------------------------ drawing

void fill(const Box& box, int16_t colour) { fill_box(box.x1, box.y1, box.x2, box.y2, colour); }

void outline(const Box& box) { platform::_rectangle(box.x1, box.y1, box.x2, box.y2); }

void rule(const Box& line) { platform::_line(line.x1, line.y1, line.x2, line.y2); }

void write_text(int16_t x, int16_t y, int16_t colour, const char* text) {
    platform::_setcolor(colour);
    platform::_outtextxy(x, y, text);
}

void use_small_font() { set_text_style(platform::kSmallFont, platform::kHorizontalText, kTextSize); }

bool flag_set(uint32_t word, uint32_t bit) { return (word & bit) != 0; }

void set_led(int16_t key, bool on) { runtime::set_key_led(key, on ? runtime::LED_ON : runtime::LED_OFF); }

// The cue-timing parts are drawn only while cue timing is on and neither the
// timecode screen nor a settings editor has the frame.
bool cue_timing_view_free() {
    return flag_set(runtime::mode_flags, runtime::MODE_CUE_TIMING) &&
           !flag_set(runtime::option_flags, runtime::OPT_TIMECODE_SCREEN) &&
           !flag_set(runtime::option_flags, runtime::OPT_SETTINGS_EDITOR);
}

const char* edit_mode_text() {
    const uint32_t edit_mode = (runtime::mode_flags & runtime::MODE_EDIT_MODE) >> kEditModeShift;
    if (edit_mode == kEditModeAbsolute) return "Absolute";
    if (edit_mode == kEditModeRelative) return "Relative";
    if (edit_mode != kEditModeFan) return "";
    const int16_t shape = programmer::fan_shape;
    if (shape < 1 || shape >= static_cast<int16_t>(kFanShapeNames.size())) return "";
    return kFanShapeNames[static_cast<size_t>(shape)];
}

void draw_edit_mode() {
    use_small_font();
    fill(kEditModeField, kDarkGrey);
    write_text(kEditModeText.x, kEditModeText.y, kLightCyan, edit_mode_text());
}

void draw_belt_resolution(int16_t bits) {
    use_small_font();
    fill(kBeltResolutionField, kDarkGrey);
    char text[16]{};
    std::snprintf(text, sizeof text, "%d bit", bits);
    write_text(kBeltResolutionText.x, kBeltResolutionText.y, kLightCyan, text);
}

void draw_trackerball_label(int16_t card_mode) {
    use_small_font();
    write_text(kTrackerballText.x, kTrackerballText.y, card_mode == 0 ? kLightCyan : kRed, kTrackerballText.text);
}

// ------------------------------------------------------------------ lower-left frame

const LogoPlace& logo_place(uint32_t size_bytes) {
    for (const LogoPlace& place : kLogoPlaces) {
        if (place.size_bytes == size_bytes) return place;
    }
    return kOtherLogoPlace;
}

void draw_logo() {
    if (logo_image == nullptr) return;
    const LogoPlace& place = logo_place(logo_size);
    platform::_putimage(place.x, place.y, std::span<const uint8_t>(logo_image, logo_size), platform::kCopyPut);
    if (place.reaches_counters) draw_free_counters();
}

void draw_version_box() {
    use_small_font();
    char text[24]{};
    std::snprintf(text, sizeof text, "VERSION %s", kProgramVersion);
    const int16_t w = static_cast<int16_t>(platform::_textwidth(text));
    const int16_t d = static_cast<int16_t>((kVersionBoxSpan - w) / 2);
    fill_box(static_cast<int16_t>(d + 1), kVersionBoxTop, static_cast<int16_t>(d + w + 1), kVersionBoxBottom, kRed);
    write_text(static_cast<int16_t>(d + 2), kVersionTextY, kYellow, text);
}

// Keeps the logo view's interior, so later draws only put it back. Without
// the memory nothing is kept and the next draw paints the view again.
void capture_frame_image() {
    const uint32_t size_bytes =
        platform::_imagesize(kFrameInterior.x1, kFrameInterior.y1, kFrameInterior.x2, kFrameInterior.y2);
    if (size_bytes == 0) return;
    void* block = memcheck::mc_malloc_at(size_bytes, __FILE__, __LINE__);
    if (block == nullptr) return;
    uint8_t* image = static_cast<uint8_t*>(block);
    if (!platform::_getimage(kFrameInterior.x1, kFrameInterior.y1, kFrameInterior.x2, kFrameInterior.y2,
                             std::span<uint8_t>(image, size_bytes))) {
        memcheck::mc_free_at(block, __FILE__, __LINE__);
        return;
    }
    frame_image = image;
}

void draw_logo_view() {
    if (frame_image != nullptr) {
        const uint32_t size_bytes =
            platform::_imagesize(kFrameInterior.x1, kFrameInterior.y1, kFrameInterior.x2, kFrameInterior.y2);
        platform::_putimage(kFrameInterior.x1, kFrameInterior.y1, std::span<const uint8_t>(frame_image, size_bytes),
                            platform::kCopyPut);
        return;
    }
    fill(kFrameInterior, kBlack);
    draw_logo();
    draw_version_box();
    capture_frame_image();
}

void show_cue_fader(FaderWidget& widget, int16_t x) {
    set_fader_widget_colours(widget, kLightGrey, kDarkGrey, kWhite, kLightGreen, kDarkGrey, kBlack, kRed);
    set_fader_widget_enabled(widget, 0);
    set_fader_widget_geometry(widget, x, kCueFaderY, kCueFaderWidth, kCueFaderHeight);
    set_fader_widget_bar_width(widget, kCueFaderBarWidth);
    set_fader_widget_number(widget, -1);
    set_fader_widget_label(widget, "");
    set_fader_widget_level(widget, 0);
    set_fader_widget_label_mode(widget, 1);
    set_fader_widget_option(widget, 0);
    show_fader_widget(widget);
}

void draw_cue_timing_view() {
    fill(kFrameInterior, kBlack);
    for (int i = 0; i < kCueFaderWidgets; ++i) {
        show_cue_fader(cue_fader_widgets[static_cast<size_t>(i + 1)], static_cast<int16_t>(kCueFaderX + kCueFaderStep * i));
    }
    for (int i = 0; i < kCueFaderWidgets; ++i) {
        set_fader_widget_label(cue_fader_widgets[static_cast<size_t>(i + 1)], kCueFaderLabels[static_cast<size_t>(i)]);
    }
    use_small_font();
    platform::_setcolor(kYellow);
    draw_current_times();
}

// One column: minutes, seconds, and on the "ms" line the tenths digit.
void draw_cue_time(int16_t x, int16_t tenths) {
    std::array<char[16], 3> lines{};
    if (tenths == kInfiniteCueTime) {
        std::snprintf(lines[0], sizeof lines[0], "-");
        std::snprintf(lines[1], sizeof lines[1], "INF");
        std::snprintf(lines[2], sizeof lines[2], "-");
    } else {
        const int rest = tenths % kTenthsPerMinute;
        std::snprintf(lines[0], sizeof lines[0], "%d m", tenths / kTenthsPerMinute);
        std::snprintf(lines[1], sizeof lines[1], "%d s", rest / kTenthsPerSecond);
        std::snprintf(lines[2], sizeof lines[2], "%d ms", rest % kTenthsPerSecond);
    }
    for (size_t row = 0; row < kCueTimeRows.size(); ++row) platform::_outtextxy(x, kCueTimeRows[row], lines[row]);
}

}  // namespace

// ------------------------------------------------------------------ public

void draw_main_frame() {
    platform::_setcolor(kLightGrey);
    outline(kMainFrame);
    if (flag_set(runtime::mode_flags, runtime::MODE_CUE_TIMING)) {
        draw_cue_timing_view();
    } else {
        draw_logo_view();
    }
}

void draw_current_times() {
    if (!cue_timing_view_free()) return;
    fill(kCueTimesArea, kBlack);
    use_small_font();
    platform::_setcolor(kYellow);
    for (int i = 0; i < playback::kCueTimes; ++i) {
        const auto tenths = static_cast<int16_t>(playback::current_cue_times[static_cast<size_t>(i)] & 0xFFFF);
        draw_cue_time(static_cast<int16_t>(kCueTimeX + kCueTimeStep * i), tenths);
    }
    draw_speed_box();
}

void draw_speed_box() {
    if (!cue_timing_view_free()) return;
    platform::_setcolor(kLightGrey);
    outline(kSpeedBox);
    outline(kSpeedTitleBox);
    fill(kSpeedTitleFill, kBlue);
    use_small_font();  // the titles too: a caller may have left another style
    for (const TextAt& title : kSpeedTitle) write_text(title.x, title.y, kWhite, title.text);
    const bool frozen = runtime::show_time_frozen == 1;
    int16_t text_colour = kYellow;
    int16_t fill_colour = kBlue;
    if (frozen) {
        fill_colour = kRed;
    } else if (runtime::show_speed == kNormalSpeed_percent) {
        text_colour = kWhite;
        fill_colour = kDarkGrey;
    }
    fill(kSpeedValueFill, fill_colour);
    char text[16]{};
    std::snprintf(text, sizeof text, "%d%%", runtime::show_speed);
    write_text(kSpeedValueText.x, kSpeedValueText.y, text_colour, text);
    if (frozen) write_text(kFrozenText.x, kFrozenText.y, text_colour, kFrozenText.text);
}

void draw_status_line() {
    fill(kStatusLine, kBlack);
    platform::_setcolor(kLightGrey);
    outline(kStatusLine);
    for (const Box& line : kStatusRules) rule(line);
    for (const Box& field : kStatusFields) fill(field, kDarkGrey);
    use_small_font();
    for (const TextAt& label : kStatusLabels) write_text(label.x, label.y, kLightCyan, label.text);

    platform::_setcolor(kLightGrey);
    for (const Box& line : kTranspMarkRules) rule(line);
    platform::_setcolor(kBlack);
    for (const Box& line : kTranspMarkGaps) rule(line);
    fill(kTranspMarkWell, kBlack);

    draw_mode_text(MODE_TEXT_BELT_RESOLUTION, runtime::belt_resolution);
    draw_mode_text(MODE_TEXT_TRACKERBALL, runtime::trackerball_card_mode);
    draw_mode_text(MODE_TEXT_EDIT_MODE, kMarkOnColour);

    const bool live_edit = flag_set(runtime::run_flags, runtime::RUN_LIVE_EDIT);
    if (live_edit) draw_mode_text(MODE_TEXT_FIXTURES_MANUAL, kMarkOnColour);
    set_led(runtime::KEY_LIVE_EDIT, live_edit);
    set_led(runtime::KEY_FREEZE, frozen_playback_count != 0 || frozen_sequence_count != 0 || frozen_fixture_count != 0);

    if (!flag_set(runtime::mode_flags, runtime::MODE_AUTO_PLAYBACKS)) draw_mode_text(MODE_TEXT_PLAYBACKS, kMarkOnColour);
    if (!flag_set(runtime::mode_flags, runtime::MODE_AUTO_SEQUENCES)) draw_mode_text(MODE_TEXT_TRANSP_SEQ, kMarkOnColour);
    if (flag_set(runtime::mode_flags, runtime::MODE_CUE_TIMING)) draw_mode_text(MODE_TEXT_CUEFADING, kMarkOnColour);
    set_led(runtime::KEY_STEP, flag_set(runtime::mode_flags, runtime::MODE_FIXTURE_STEP));

    draw_memory_percent();
}

void draw_mode_text(int16_t item, int16_t colour) {
    platform::_setfillstyle(platform::kSolidFill, colour);
    switch (item) {
        case MODE_TEXT_EDIT_MODE: draw_edit_mode(); break;
        case MODE_TEXT_FIXTURES_MANUAL: fill(kFixturesManualMark, colour); break;
        case MODE_TEXT_TRANSP_SEQ: fill(kTranspSeqMark, colour); break;
        case MODE_TEXT_BELT_RESOLUTION: draw_belt_resolution(colour); break;
        case MODE_TEXT_CUEFADING: fill(kCuefadingMark, colour); break;
        case MODE_TEXT_TRACKERBALL: draw_trackerball_label(colour); break;
        case MODE_TEXT_PLAYBACKS: fill(kPlaybacksMark, colour); break;
        default: break;
    }
}

void draw_memory_percent() {
    fill(kMemoryPercentField, kBlack);
    use_small_font();
    char text[16]{};
    std::snprintf(text, sizeof text, "%d %%", status_percent);
    write_text(kMemoryPercentText.x, kMemoryPercentText.y, kYellow, text);
    const int16_t mark_colour =
        status_level < kMemoryLevelColours.size() ? kMemoryLevelColours[status_level] : kBlack;
    fill(kMemoryLevelMark, mark_colour);
}

}  // namespace ui
