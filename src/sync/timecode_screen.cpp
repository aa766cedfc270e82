#include "sync/timecode_screen.h"

#include <array>
#include <cctype>
#include <cstdio>
#include <string_view>

#include "platform/fonts.h"
#include "memories/master_faders.h"
#include "platform/graphics.h"
#include "playback/playback_faders.h"
#include "runtime/config_records.h"
#include "sync/commands.h"
#include "sync/sync_services.h"
#include "sync/timecode_clock.h"
#include "sync/timecode_display.h"
#include "sync/timecode_lists.h"
#include "sync/timecode_player.h"
#include "ui/helpers.h"

namespace synchro {

namespace {

namespace colour = tc_colour;

constexpr ScreenBox kPanel = {2, 343, 220, 453};
constexpr ScreenBox kStatusLine = {6, 412, 213, 424};
constexpr int16_t kLineTextSize = 3;  // 11 pixels high: inside a 13-pixel line
constexpr int16_t kFieldPadding = 2;

// Button n spans x 44n - 38 .. 44n - 7, y 356..367; its caption is centred
// over 34 pixels at y 359.
constexpr int16_t kButtonStep = 44;
constexpr int16_t kButtonLeft = 38;
constexpr int16_t kButtonRight = 7;
constexpr int16_t kButtonTop = 356;
constexpr int16_t kButtonBottom = 367;
constexpr int16_t kCaptionY = 359;
constexpr int16_t kCaptionSpan = 34;
constexpr int16_t kButtons = 5;
constexpr std::array<const char*, kButtons + 1> kButtonCaptions = {"", "PLAY", "REC", "STOP", "EDIT", "MODE"};

// Digit box i (1..4) at x 52i - 45 .. 52i + 1, y 376..406, with a red label
// strip at its top left.
constexpr int16_t kDigitBoxStep = 52;
constexpr int16_t kDigitBoxLeft = 45;
constexpr int16_t kDigitBoxTop = 376;
constexpr int16_t kDigitBoxBottom = 406;
constexpr int16_t kLabelStripWidth = 8;
constexpr int16_t kLabelStripHeight = 9;
constexpr std::array<const char*, 5> kDigitLabels = {"", "H", "M", "S", "F"};

// The LAST/NEXT boxes, their red strips and captions.
constexpr std::array<ScreenBox, 2> kManualBoxes = {{{7, 376, 105, 406}, {111, 376, 209, 406}}};
constexpr int16_t kStripTop = 393;
constexpr int16_t kStripBottom = 405;
constexpr int16_t kLastCaptionX = 44;
constexpr int16_t kNextCaptionX = 148;
constexpr int16_t kCaptionRowY = 396;
constexpr int16_t kShortTextY = 379;

// Short texts of the sequence events by kind (1 run, 2 direction, 3 sync,
// 4 trigger mode, 5 GO) and value.
constexpr std::array<std::array<const char*, 4>, 6> kSequenceShortTexts = {{
    {nullptr, nullptr, nullptr, nullptr},
    {"STOP", "START", nullptr, nullptr},
    {"RIGHT", "LEFT", "BOUNCE", "RANDOM"},
    {"ASYNC", "SYNC", nullptr, nullptr},
    {"AUTO", "MAN", "TRIGGER", nullptr},
    {"GO", "GO", "GO", "GO"},
}};
constexpr int kSequenceGoKind = 5;
constexpr std::array<const char*, 5> kMasterNames = {"", "GRANDMASTER", "FLASHMASTER", "SUBMASTER 1",
                                                     "SUBMASTER 2"};
constexpr const char* kErrorText = "!! ERROR !!";

bool manual_source() { return timecode_source == kTimecodeSourceManual; }

const char* sequence_short_text(int kind, int value) {
    if (kind < 1 || kind > kSequenceGoKind) return nullptr;
    if (kind == kSequenceGoKind) return kSequenceShortTexts[static_cast<size_t>(kind)][0];
    if (value < 0 || value > 3) return nullptr;
    return kSequenceShortTexts[static_cast<size_t>(kind)][static_cast<size_t>(value)];
}

std::string sequence_text(const char* text) {
    char letter = 0;
    int n = -1, kind = 0, value = 0;
    if (std::sscanf(text, "%c %d %d %d", &letter, &n, &kind, &value) != 4 || n < 0 || n > 4) return kErrorText;
    const char* what = sequence_short_text(kind, value);
    if (what == nullptr) return kErrorText;
    char out[40];
    if (n == 0) {
        std::snprintf(out, sizeof out, "SEQ A,B,C,D - %s", what);
    } else {
        std::snprintf(out, sizeof out, "SEQ %c - %s", 'A' + n - 1, what);
    }
    return out;
}

std::string fader_text(const char* text) {
    char letter = 0;
    int n = 0;
    double t = 0.0;
    if (std::sscanf(text, "%c %d %lf", &letter, &n, &t) != 3) return kErrorText;
    if (n >= 1 && n <= memories::kMasters) return kMasterNames[static_cast<size_t>(n)];
    if (n >= kFirstPlaybackFader && n < kFirstPlaybackFader + playback::kPlaybacks) {
        char out[24];
        std::snprintf(out, sizeof out, "%s %d", "PLAYBACK", n - kPlaybackFaderBase);
        return out;
    }
    return kErrorText;
}

void draw_short_text(const ScreenBox& field, const std::string& text) {
    ui::fill_box(field.left, field.top, field.right, field.bottom, colour::kDarkGrey);
    if (text.empty()) return;
    use_line_font();
    const int width = platform::_textwidth(text);
    platform::_setcolor(colour::kLightCyan);
    platform::_outtextxy(field.left + (field.right - field.left + 1 - width) / 2, kShortTextY, text);
}

void draw_panel_frame() {
    ui::fill_box(kPanel.left, kPanel.top, kPanel.right, kPanel.bottom, colour::kBlack);
    platform::_setcolor(colour::kLightGrey);
    platform::_rectangle(kPanel.left + 1, kPanel.top + 8, kPanel.right - 1, kPanel.bottom - 1);
    ui::fill_box(kPanel.left + 2, kPanel.top + 9, kPanel.right - 2, kPanel.bottom - 2, colour::kDarkGrey);
}

}  // namespace

void use_line_font() { ui::set_text_style(platform::kSmallFont, platform::kHorizontalText, kLineTextSize); }

int16_t draw_line_field(const ScreenBox& line, int16_t x, int16_t right, int16_t fill, const char* text) {
    const int16_t end =
        right != 0 ? right : static_cast<int16_t>(x + platform::_textwidth(text) + 2 * kFieldPadding - 1);
    ui::fill_box(x, line.top, end, line.bottom, fill);
    platform::_setcolor(fill == colour::kCyan ? colour::kBlack : colour::kWhite);
    platform::_outtextxy(x + kFieldPadding, line.top + 1, text);
    return static_cast<int16_t>(end + 1);
}

void draw_transport_button(int16_t n, bool pressed) {
    if (!timecode_screen_open() || n < 1 || n > kButtons) return;
    const auto left = static_cast<int16_t>(kButtonStep * n - kButtonLeft);
    const auto right = static_cast<int16_t>(kButtonStep * n - kButtonRight);
    ui::fill_box(left, kButtonTop, right, kButtonBottom, pressed ? colour::kRed : colour::kLightGrey);
    const char* caption = kButtonCaptions[static_cast<size_t>(n)];
    const auto x = static_cast<int16_t>(left + (kCaptionSpan - 8 * static_cast<int>(std::string_view(caption).size())) / 2);
    ui::draw_bitmap_text(x, kCaptionY, pressed ? colour::kYellow : colour::kLightCyan, caption);
}

void draw_transport_panel() {
    if (!timecode_screen_open()) return;
    ui::fill_box(kTimePanel.left, kTimePanel.top, kTimePanel.right, kTimePanel.bottom, colour::kDarkGrey);
    for (int16_t i = 1; i <= 4; ++i) {
        const auto left = static_cast<int16_t>(kDigitBoxStep * i - kDigitBoxLeft);
        const auto right = static_cast<int16_t>(kDigitBoxStep * i + 1);
        ui::fill_box(left, kDigitBoxTop, right, kDigitBoxBottom, colour::kBlack);
        ui::fill_box(left, kDigitBoxTop, static_cast<int16_t>(left + kLabelStripWidth),
                     static_cast<int16_t>(kDigitBoxTop + kLabelStripHeight), colour::kRed);
        ui::draw_small_text(static_cast<int16_t>(left + 2), static_cast<int16_t>(kDigitBoxTop + 1), colour::kYellow,
                            kDigitLabels[static_cast<size_t>(i)]);
    }
    forget_drawn_digits();
    draw_timecode_digits(display_time);
}

void draw_manual_captions(int16_t caption_colour) {
    if (!timecode_screen_open()) return;
    for (const ScreenBox& box : kManualBoxes) ui::fill_box(box.left, kStripTop, box.right, kStripBottom, colour::kRed);
    ui::draw_bitmap_text(kLastCaptionX, kCaptionRowY, caption_colour, "LAST");
    ui::draw_bitmap_text(kNextCaptionX, kCaptionRowY, caption_colour, "NEXT");
}

void draw_manual_transport_panel() {
    if (!timecode_screen_open()) return;
    ui::fill_box(kTimePanel.left, kTimePanel.top, kTimePanel.right, kTimePanel.bottom, colour::kDarkGrey);
    for (const ScreenBox& box : kManualBoxes) ui::fill_box(box.left, box.top, box.right, box.bottom, colour::kBlack);
    draw_manual_captions(colour::kLightGrey);
    format_timecode_event_text(timecode_player.last_event, timecode_player.last_event + 1);
}

void redraw_timecode_transport() {
    if (manual_source()) {
        draw_manual_transport_panel();
    } else {
        draw_transport_panel();
    }
}

void draw_timecode_header() {
    if (!timecode_screen_open()) return;
    use_line_font();
    const std::string name = runtime::current_list_name.empty() ? "NONE" : runtime::current_list_name;
    const std::string source(timecode_source >= 1 && timecode_source <= kTimecodeSources
                                 ? kTimecodeSourceNames[timecode_source]
                                 : std::string_view{});
    const std::string rate(manual_source() ? std::string_view("/") : timecode_rate_name());
    int16_t x = draw_line_field(kStatusLine, kStatusLine.left, 0, colour::kBlue, "LIST:");
    x = draw_line_field(kStatusLine, x, 0, colour::kCyan, name.c_str());
    x = draw_line_field(kStatusLine, x, 0, colour::kBlue, "SYNC.:");
    x = draw_line_field(kStatusLine, x, 0, colour::kCyan, source.c_str());
    x = draw_line_field(kStatusLine, x, 0, colour::kBlue, "FR.:");
    if (x <= kStatusLine.right) draw_line_field(kStatusLine, x, kStatusLine.right, colour::kCyan, rate.c_str());
}

void draw_timecode_screen() {
    if (!timecode_screen_open()) return;
    draw_panel_frame();
    for (int16_t n = 1; n <= kButtons; ++n) draw_transport_button(n, false);
    redraw_timecode_transport();
    draw_timecode_header();
    draw_timecode_clock(true);
}

std::string short_event_text(const char* text) {
    char letter = 0;
    int a = 0, b = 0, c = 0;
    char out[40];
    switch (text[0]) {
        case 'M':
            if (std::sscanf(text, "%c %d", &letter, &a) != 2) return kErrorText;
            std::snprintf(out, sizeof out, "MEMORY %d", a);
            return out;
        case 'C':
            if (std::sscanf(text, "%c %d %d", &letter, &a, &b) != 3) return kErrorText;
            std::snprintf(out, sizeof out, "PAGE %02d  CUE %02d", a, b);
            return out;
        case 'P':
            if (std::sscanf(text, "%c %d %d %d", &letter, &a, &b, &c) != 4) return kErrorText;
            std::snprintf(out, sizeof out, "PAGE %02d  CUE %02d.%d", a, b, c - 1);
            return out;
        case 'R':
            if (std::sscanf(text, "%c %d", &letter, &a) != 2 || a < 0 || a > 1) return kErrorText;
            return a == 0 ? "REPLACE-ALL OFF" : "REPLACE-ALL ON";
        case 'S': return sequence_text(text);
        case 'F': return fader_text(text);
        case 'G': return "GOTO";
        default: break;
    }
    std::string upper(text);
    for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    return upper == "END" ? "END" : kErrorText;
}

void format_timecode_event_text(int32_t previous, int32_t next) {
    const auto text_of = [](int32_t i) {
        if (i < 1 || i > timecode_list.count) return std::string();
        return short_event_text(std::string(event_text(timecode_event(i))).c_str());
    };
    if (!timecode_screen_open()) return;
    draw_short_text(kLastTextField, text_of(previous));
    draw_short_text(kNextTextField, text_of(next));
}

}  // namespace synchro
