#include "ui/panels.h"

#include <array>
#include <cstdio>
#include <span>

#include "datafiles/cue_memory_file.h"
#include "memcheck/memcheck.h"
#include "memories/memories.h"
#include "memories/memory_index.h"
#include "platform/graphics.h"
#include "playback/key_groups.h"
#include "playback/playback_jobs.h"
#include "playback/playback_state.h"
#include "playback/sequence_controls.h"
#include "programmer/fader_panel.h"
#include "programmer/function_belts.h"
#include "runtime/card_discovery.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/mouse_input.h"
#include "runtime/step_log.h"
#include "ui/counters.h"
#include "ui/fader_widget.h"
#include "ui/helpers.h"
#include "ui/message_line.h"

namespace ui {

uint8_t* analogue_view_image = nullptr;
uint8_t* sequence_panel_image = nullptr;

namespace {

constexpr int16_t kBlack = 0;
constexpr int16_t kBlue = 1;
constexpr int16_t kGreen = 2;
constexpr int16_t kRed = 4;
constexpr int16_t kLightGrey = 7;
constexpr int16_t kDarkGrey = 8;
constexpr int16_t kLightBlue = 9;
constexpr int16_t kLightGreen = 10;
constexpr int16_t kLightRed = 12;
constexpr int16_t kYellow = 14;
constexpr int16_t kWhite = 15;

constexpr int16_t kSmallFont = 2;
constexpr int16_t kTextSize = 4;
constexpr int16_t kLargeTextSize = 5;

// The programmer_from_cue last drawn by the memory label; `seen` once drawn.
struct LabelModeSeen {
    bool seen = false;
    uint16_t from_cue = 0;
};
LabelModeSeen memory_label_mode_seen;

// Inclusive corners.
struct Box {
    int16_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

void fill(const Box& box, int16_t colour) { fill_box(box.x1, box.y1, box.x2, box.y2, colour); }

// A box whose corners are worked out from a column's x.
Box box_at(int x1, int y1, int x2, int y2) {
    return {static_cast<int16_t>(x1), static_cast<int16_t>(y1), static_cast<int16_t>(x2), static_cast<int16_t>(y2)};
}

void outline(const Box& box, int16_t colour) {
    platform::_setcolor(colour);
    platform::_rectangle(box.x1, box.y1, box.x2, box.y2);
}

void text_style(int16_t size) { set_text_style(kSmallFont, platform::kHorizontalText, size); }

// Text of the current style centred in `width` pixels from x; the offset is
// truncated toward zero, so a text wider than the field starts left of x.
void centred_text(int16_t x, int16_t width, int16_t y, int16_t colour, const char* text) {
    platform::_setcolor(colour);
    platform::_outtextxy(x + (width - platform::_textwidth(text)) / 2, y, text);
}

void text_at(int16_t x, int16_t y, int16_t colour, const char* text) {
    platform::_setcolor(colour);
    platform::_outtextxy(x, y, text);
}

// A captured picture of the area, or null when it can't be kept.
uint8_t* capture(const Box& area) {
    const uint32_t size_bytes = platform::_imagesize(area.x1, area.y1, area.x2, area.y2);
    if (size_bytes == 0) return nullptr;
    auto* image = static_cast<uint8_t*>(memcheck::mc_malloc_at(size_bytes, __FILE__, __LINE__));
    if (image == nullptr) return nullptr;
    if (!platform::_getimage(area.x1, area.y1, area.x2, area.y2, std::span<uint8_t>(image, size_bytes))) {
        memcheck::mc_free_at(image, __FILE__, __LINE__);
        return nullptr;
    }
    return image;
}

void put_back(const uint8_t* image, const Box& area) {
    const uint32_t size_bytes = platform::_imagesize(area.x1, area.y1, area.x2, area.y2);
    platform::_putimage(area.x1, area.y1, std::span<const uint8_t>(image, size_bytes), platform::kCopyPut);
}

void release(uint8_t*& image) {
    if (image != nullptr) memcheck::mc_free_at(image, __FILE__, __LINE__);
    image = nullptr;
}

// ------------------------------------------------------------------ control-channel faders

constexpr Box kControlChannelPanel{229, 0, 639, 104};
constexpr Box kControlChannelTitleStrip{231, 1, 637, 10};
constexpr int16_t kControlFaderX = 270;
constexpr int16_t kControlFaderStep = 23;
constexpr int16_t kControlFaderY = 14;
constexpr int16_t kControlFaderWidth = 21;
constexpr int16_t kControlFaderHeight = 87;
constexpr int16_t kControlFaderBarWidth = 7;
constexpr int16_t kLabelModeLetters = 1;

void lay_out_control_fader(FaderWidget& widget, int i) {
    set_fader_widget_colours(widget, kLightGrey, kDarkGrey, kWhite, kLightGreen, kDarkGrey, kBlack, kControlFaderBarColour);
    set_fader_widget_geometry(widget, static_cast<int16_t>(kControlFaderX + kControlFaderStep * i), kControlFaderY,
                              kControlFaderWidth, kControlFaderHeight);
    set_fader_widget_bar_width(widget, kControlFaderBarWidth);
    set_fader_widget_number(widget, -1);
    set_fader_widget_label(widget, "");
    set_fader_widget_level(widget, 0);
    set_fader_widget_label_mode(widget, kLabelModeLetters);
    set_fader_widget_option(widget, 0);
    show_fader_widget(widget);
}

// ------------------------------------------------------------------ analogue fader view

constexpr Box kAnalogueView{229, 107, 639, 479};
constexpr Box kMasterField{235, 123, 358, 239};
constexpr Box kAnalogueTitleStrip{231, 108, 637, 118};
constexpr int16_t kAnalogueTitleX = 380;
constexpr int16_t kAnalogueTitleY = 110;
constexpr int16_t kMastersLabelX = 245;
constexpr int16_t kPlaybacksLabelX = 367;
constexpr int16_t kLabelTop = 120;
constexpr int16_t kLetterStep = 11;
constexpr uint8_t kFromPanel = 1;  // the masters and playbacks are read for the panel, not the poll

// A word written downwards, letter n (from 1) at (x, 120 + 11 n).
void write_downwards(int16_t x, const char* word) {
    for (int16_t n = 1; *word != '\0'; ++word, ++n) {
        const char letter[2] = {*word, '\0'};
        platform::_outtextxy(x, kLabelTop + kLetterStep * n, letter);
    }
}

void show_master_and_playback_widgets() {
    for (int m = 1; m <= kMasterFaderWidgets; ++m) show_fader_widget(master_fader_widgets[static_cast<size_t>(m)]);
    for (int p = 1; p <= kPlaybackFaderWidgets; ++p) show_fader_widget(playback_fader_widgets[static_cast<size_t>(p)]);
}

// ------------------------------------------------------------------ sequence panel

constexpr Box kSequencePanel{230, 106, 630, 236};
constexpr Box kSequenceFrame{230, 108, 630, 236};
constexpr Box kSequenceInterior{231, 109, 629, 235};
constexpr std::array<int16_t, 4> kColumnLines = {230, 330, 430, 530};
constexpr std::array<int16_t, 4> kCellRows = {111, 141, 171, 201};
constexpr int16_t kCellWidth = 23;
constexpr int16_t kCellHeight = 30;
constexpr int16_t kSlotTop = 145;
constexpr int16_t kSlotBottom = 231;
constexpr int16_t kSlotWidth = 10;
constexpr int16_t kSlotStep = 20;
constexpr int16_t kTitleY = 111;
constexpr int16_t kDotRadius = 4;
constexpr std::array<int16_t, playback::kSequences + 1> sequence_dot_colours = {0, kLightRed, kLightGreen, kLightBlue,
                                                                                kWhite};
constexpr std::array<const char*, playback::kSequences + 1> kSequenceTitles = {"", "SEQ-A", "SEQ-B", "SEQ-C",
                                                                               "SEQ-D"};

// Fields of a sequence's state byte.
constexpr uint8_t kRunMask = 0x03;
constexpr int kSyncShift = 2;
constexpr int kTriggerShift = 4;
constexpr int kDirectionShift = 6;
constexpr uint8_t kTwoBits = 0x03;
constexpr uint8_t kProgrammed = 0x01;  // bit 0 of the record's first byte

constexpr uint8_t kRunning = 1;
constexpr uint8_t kSynchronised = 1;
enum Direction : uint8_t { kForward = 0, kBackward = 1, kBothWays = 2, kNoDirection = 3 };
enum Trigger : uint8_t { kAutomatic = 0, kManual = 1, kBeat = 2, kNoTrigger = 3 };

int16_t column_x(int s) { return static_cast<int16_t>(100 * s); }

bool sequence_leds_shown() { return runtime::hw_option_flags.sequence_belts != 0; }

void sequence_led(int s, runtime::SequenceKey which, uint8_t state) {
    if (sequence_leds_shown()) runtime::set_key_led(runtime::sequence_key(s, which), state);
}

uint8_t led_if(bool on) { return on ? runtime::LED_ON : runtime::LED_OFF; }

int16_t word_colour(bool active) { return active ? kYellow : kLightBlue; }

void draw_sequence_titles() {
    for (int s = 1; s <= playback::kSequences; ++s) {
        const bool driven = runtime::display_mode == WHEEL_SEQUENCE_A + s - 1;
        draw_bitmap_text(static_cast<int16_t>(column_x(s) + 175), kTitleY, word_colour(driven),
                         kSequenceTitles[static_cast<size_t>(s)]);
    }
}

void draw_sequence_frame() {
    outline(kSequenceFrame, kLightGrey);
    fill(kSequenceInterior, kBlack);
    platform::_setcolor(kLightGrey);
    for (const int16_t x : kColumnLines) platform::_line(x, kSequenceFrame.y1, x, kSequenceFrame.y2);
    for (const int16_t x : kColumnLines) {
        for (const int16_t y : kCellRows) platform::_rectangle(x + 2, y, x + 2 + kCellWidth, y + kCellHeight);
    }
    for (int s = 1; s <= playback::kSequences; ++s) {
        const int16_t x = static_cast<int16_t>(column_x(s) + 165);
        for (int c = 0; c < playback::kSequenceControls; ++c) {
            platform::_rectangle(x + kSlotStep * c, kSlotTop, x + kSlotStep * c + kSlotWidth, kSlotBottom);
        }
    }
    text_style(kTextSize);
    for (const int16_t line_x : kColumnLines) {
        const int16_t x = static_cast<int16_t>(line_x + 8);
        platform::_setcolor(kRed);
        for (int16_t y = 120; y <= 129; ++y) platform::_line(x + 19, y, x + 90, y);
        text_at(static_cast<int16_t>(x + 23), 121, kYellow, "P:");
        text_at(static_cast<int16_t>(x + 50), 121, kYellow, "C:");
    }
    draw_sequence_titles();
    for (int s = 1; s <= playback::kSequences; ++s) {
        const int16_t colour = sequence_dot_colours[static_cast<size_t>(s)];
        platform::_setcolor(colour);
        platform::_setfillstyle(platform::kSolidFill, colour);
        platform::_pieslice(column_x(s) + 165, 114, 0, 360, kDotRadius);
    }
}

void draw_run_state(int s, int16_t x0, uint8_t state) {
    const bool running = (state & kRunMask) == kRunning;
    draw_small_text(static_cast<int16_t>(x0 + 134), 113, word_colour(running), "START");
    draw_small_text(static_cast<int16_t>(x0 + 136), 126, word_colour(!running), "STOP");
    sequence_led(s, runtime::SequenceKey::run, led_if(running));
}

void draw_direction(int s, int16_t x0, uint8_t state) {
    const auto direction = static_cast<Direction>((state >> kDirectionShift) & kTwoBits);
    const int16_t y = 151;
    switch (direction) {
        case kNoDirection: draw_small_text(static_cast<int16_t>(x0 + 138), y, kYellow, "..."); break;
        case kBothWays: draw_small_text(static_cast<int16_t>(x0 + 136), y, kYellow, "<-->"); break;
        case kBackward: draw_small_text(static_cast<int16_t>(x0 + 138), y, kYellow, "<--"); break;
        case kForward: draw_small_text(static_cast<int16_t>(x0 + 138), y, kYellow, "-->"); break;
    }
    // Two LEDs: the first lights going backwards, the second going forwards.
    sequence_led(s, runtime::SequenceKey::direction, led_if(direction == kBackward || direction == kBothWays));
    sequence_led(s, runtime::SequenceKey::spare, led_if(direction == kForward || direction == kBothWays));
}

void draw_trigger(int s, int16_t x0, uint8_t state) {
    const auto trigger = static_cast<Trigger>((state >> kTriggerShift) & kTwoBits);
    if (trigger == kNoTrigger) return;
    const bool manual = trigger == kManual || trigger == kBeat;
    const bool automatic = trigger == kAutomatic || trigger == kBeat;
    draw_small_text(static_cast<int16_t>(x0 + 136), 211, word_colour(manual), "MANU");
    draw_small_text(static_cast<int16_t>(x0 + 136), 221, word_colour(automatic), "AUTO");
    const uint8_t led = trigger == kAutomatic ? runtime::LED_ON : trigger == kManual ? runtime::LED_OFF : runtime::LED_BLINK;
    sequence_led(s, runtime::SequenceKey::trigger, led);
}

void draw_sync(int s, int16_t x0, uint8_t state) {
    const bool synchronised = ((state >> kSyncShift) & kTwoBits) == kSynchronised;
    draw_small_text(static_cast<int16_t>(x0 + 136), 175, word_colour(synchronised), "SYNC");
    draw_small_text(static_cast<int16_t>(x0 + 136), 188, word_colour(!synchronised), "ASYN");
    sequence_led(s, runtime::SequenceKey::sync, led_if(synchronised));
}

void draw_sequence_states(int s) {
    const int16_t x0 = column_x(s);
    const uint8_t state = playback::sequence_table[static_cast<size_t>(s)].mode;
    draw_run_state(s, x0, state);
    draw_direction(s, x0, state);
    draw_small_text(static_cast<int16_t>(x0 + 135), 203, kLightBlue, " XF  ");
    draw_trigger(s, x0, state);
    draw_sync(s, x0, state);
}

// The control bars drawn again whole from 0: each drawer adds the height back.
void redraw_control_bars(int s) {
    for (int c = 1; c <= playback::kSequenceControls; ++c) {
        int16_t& bar = playback::sequence_control_bars[static_cast<size_t>(s)][static_cast<size_t>(c)];
        const int16_t taken = bar;
        bar = 0;
        playback::draw_sequence_control_bar(taken, static_cast<int16_t>(s), static_cast<int16_t>(c));
    }
}

// The label as a terminated text, whatever the table holds.
std::array<char, playback::kStepLabelBytes> label_text(const playback::StepLabel& label) {
    std::array<char, playback::kStepLabelBytes> text = label;
    text.back() = '\0';
    return text;
}

// Step label k of sequence s (0 step memory, 1 fade time, 2 wait delay) in
// its field, in the panel's text style.
void draw_step_label(int s, int k) {
    const int16_t x0 = column_x(s);
    const auto text = label_text(playback::sequence_step_labels[static_cast<size_t>(s)][static_cast<size_t>(k)]);
    text_style(kTextSize);
    switch (k) {
        case 0:
            fill(box_at(x0 + 157, 131, x0 + 180, 140), kBlack);
            centred_text(static_cast<int16_t>(x0 + 157), 23, 134, kLightRed, text.data());
            break;
        case 1:
            fill(box_at(x0 + 180, 131, x0 + 202, 140), kBlack);
            text_at(static_cast<int16_t>(x0 + 182), 134, kLightGreen, text.data());
            break;
        default:
            fill(box_at(x0 + 206, 131, x0 + 226, 140), kBlack);
            text_at(static_cast<int16_t>(x0 + 206), 134, kYellow, text.data());
            break;
    }
}

void draw_step_labels(int s) {
    for (int k = 0; k < 3; ++k) draw_step_label(s, k);
}

}  // namespace

// The cue the sequence was started from; nothing for a sequence that was
// never started from a cue (page 0), which would read "0" and "0.-1".
void draw_sequence_origin(int16_t s) {
    if (s < 1 || s > playback::kSequences) return;
    const int16_t x0 = column_x(s);
    const auto i = static_cast<size_t>(s);
    fill(box_at(x0 + 168, 120, x0 + 186, 129), kRed);
    fill(box_at(x0 + 198, 120, x0 + 224, 129), kRed);
    if (playback::sequence_origin_page[i] == 0) return;
    char text[24]{};
    text_style(kTextSize);
    std::snprintf(text, sizeof text, "%d", playback::sequence_origin_page[i]);
    text_at(static_cast<int16_t>(x0 + 170), 121, kYellow, text);
    std::snprintf(text, sizeof text, "%d.%d", playback::sequence_origin_cue[i], playback::sequence_origin_point[i] - 1);
    text_at(static_cast<int16_t>(x0 + 200), 121, kYellow, text);
}

bool cover_sequence_panel() {
    const bool shown = (runtime::option_flags & runtime::OPT_SEQUENCE_PANEL) != 0;
    runtime::option_flags &= ~runtime::OPT_SEQUENCE_PANEL;
    return shown;
}

void uncover_sequence_panel(bool was_shown, int16_t x1, int16_t y1, int16_t x2, int16_t y2) {
    if (!was_shown) return;
    fill(box_at(x1, y1, x2, y2), kBlack);
    draw_sequence_panel();
}

void draw_sequence_step_label(int16_t s, int16_t k) {
    if (s < 1 || s > playback::kSequences || k < 0 || k > 2) return;
    draw_step_label(s, k);
}

namespace {

// ------------------------------------------------------------------ memory / cue panel

constexpr Box kCuePanel{1, 281, 221, 315};
constexpr Box kCuePanelInterior{2, 282, 220, 314};
constexpr Box kUpperRow{2, 282, 220, 297};
constexpr Box kLowerRow{2, 299, 220, 314};
constexpr Box kMemoryNameField{40, 283, 179, 296};
constexpr Box kMemoryNumberField{181, 283, 219, 296};
constexpr Box kProgrammerCueField{40, 283, 219, 296};
constexpr Box kCuePageField{40, 300, 79, 313};
constexpr Box kCueField{105, 300, 148, 313};
constexpr Box kAbsoluteCueField{174, 300, 219, 313};
constexpr int16_t kRowDivider = 180;
constexpr int16_t kLabelY = 285;
constexpr int16_t kCueLabelY = 302;
constexpr int16_t kCuesPerPage = 70;

void draw_row_divider() {
    platform::_setcolor(kLightGrey);
    platform::_line(kRowDivider, 283, kRowDivider, 296);
}

// The programmer's cue as the upper row shows it: new (no cue memory),
// empty (a cue memory without items) or with its cue memory's number.
void programmer_cue_text(char* text, size_t size, int16_t page, int16_t cue, int16_t point, int16_t cue_memory) {
    const bool known = cue_memory >= 1 && cue_memory <= datafiles::kCueMemories;
    char position[32]{};
    if (point <= 1) {
        std::snprintf(position, sizeof position, "P %d C %d", page, cue);
    } else {
        std::snprintf(position, sizeof position, "P %d C %d.%d", page, cue, point - 1);
    }
    if (!known) {
        std::snprintf(text, size, "%s (NEW)", position);
    } else if (datafiles::memcue_index[static_cast<size_t>(cue_memory)].count == 0) {
        std::snprintf(text, size, "%s (EMPTY)", position);
    } else {
        std::snprintf(text, size, "%s (%d)", position, cue_memory);
    }
}

}  // namespace

void reset_panels_globals() {
    free_panel_images();
    memory_label_mode_seen = {};
}

void free_panel_images() {
    release(analogue_view_image);
    release(sequence_panel_image);
}

void draw_control_channel_faders() {
    runtime::option_flags |= runtime::OPT_CONTROL_CHANNEL_FADERS;
    fill(kControlChannelPanel, kGreen);
    outline(kControlChannelPanel, kLightGrey);
    fill(kControlChannelTitleStrip, kBlue);
    for (int i = 0; i < kFunctionFaderWidgets; ++i) lay_out_control_fader(function_fader_widgets[static_cast<size_t>(i + 1)], i);
    draw_control_channels_title();
    if (runtime::current_fixture != -1) {
        programmer::build_fader_panel();
        programmer::highlight_selected_fader(kYellow);
        programmer::refresh_faders();
    }
    programmer::update_fader_key_leds();
}

void show_analogue_faders() {
    runtime::option_flags |= runtime::OPT_ANALOGUE_VIEW;
    if (analogue_view_image == nullptr) {
        fill(kAnalogueView, kGreen);
        fill(kMasterField, kRed);
        outline(kAnalogueView, kLightGrey);
        fill(kAnalogueTitleStrip, kBlue);
        draw_bitmap_text(kAnalogueTitleX, kAnalogueTitleY, kWhite, "ANALOGUE FADERS");
        text_style(kLargeTextSize);
        platform::_setcolor(kWhite);
        write_downwards(kMastersLabelX, "MASTERS");
        write_downwards(kPlaybacksLabelX, "PLAYBACKS");
        show_master_and_playback_widgets();
        memories::update_masters(kFromPanel);
        playback::scan_playback_faders(kFromPanel);
        analogue_view_image = capture(kAnalogueView);
    } else {
        put_back(analogue_view_image, kAnalogueView);
        show_master_and_playback_widgets();
    }
    text_style(kTextSize);
}

void draw_sequence_panel() {
    runtime::option_flags |= runtime::OPT_SEQUENCE_PANEL;
    // Movement made before the panel opened must not move a control.
    runtime::read_trackerball(0);
    runtime::mouse_x = 0;
    runtime::mouse_y = 0;
    if (sequence_panel_image == nullptr) {
        draw_sequence_frame();
        sequence_panel_image = capture(kSequencePanel);
    } else {
        put_back(sequence_panel_image, kSequencePanel);
        draw_sequence_titles();
    }
    for (int s = 1; s <= playback::kSequences; ++s) draw_sequence_states(s);
    draw_sequence_header_frames();
    for (int s = 1; s <= playback::kSequences; ++s) redraw_control_bars(s);
    text_style(kTextSize);
    for (int s = 1; s <= playback::kSequences; ++s) draw_step_labels(s);
    for (int s = 1; s <= playback::kSequences; ++s) playback::draw_sequence_control_marker(kYellow, static_cast<int16_t>(s));
    for (int16_t s = 1; s <= playback::kSequences; ++s) draw_sequence_origin(s);
}

void draw_sequence_header_frames() {
    for (int s = 1; s <= playback::kSequences; ++s) {
        const bool programmed = (playback::sequence_table[static_cast<size_t>(s)].flags & kProgrammed) != 0;
        const int16_t x0 = column_x(s);
        outline(box_at(x0 + 156, 109, x0 + 229, 130),
                programmed ? kYellow : kLightBlue);
    }
}

void draw_cue_panel() {
    outline(kCuePanel, kLightGrey);
    fill(kCuePanelInterior, kBlack);
    platform::_line(kCuePanel.x1, 298, kCuePanel.x2, 298);
    fill(kUpperRow, kGreen);
    draw_row_divider();
    if (memories::programmer_from_cue == 0) {
        text_style(kLargeTextSize);
        text_at(10, 285, kYellow, "MEM");
    } else {
        text_style(kTextSize);
        text_at(5, 287, kRed, "CUEMEM");
    }
    fill(kLowerRow, kBlue);
    text_style(kLargeTextSize);
    text_at(10, kCueLabelY, kYellow, "PAGE");
    text_at(80, kCueLabelY, kYellow, "CUE");
    text_at(150, kCueLabelY, kYellow, "ABS");
    runtime::option_flags |= runtime::OPT_CUE_PANEL;
    draw_current_memory_panel();
}

void draw_current_memory_panel() {
    if ((runtime::option_flags & runtime::OPT_CUE_PANEL) == 0) return;
    if ((runtime::mode_flags & runtime::MODE_CUE_SCREEN) == 0) {
        outline(kUpperRow, kYellow);
        outline(kLowerRow, kBlue);
    } else {
        outline(kLowerRow, kYellow);
        outline(kUpperRow, kGreen);
    }
    draw_current_memory_label(memories::current_memory, memories::programmer_cue_page,
                              memories::programmer_cue_number, memories::programmer_cue_point,
                              memories::programmer_cue_memory);
    draw_current_cue_label(playback::current_cue_page, playback::current_cue, playback::current_cue_point);
}

void draw_current_memory_label(int16_t memory, int16_t page, int16_t cue, int16_t point, int16_t cue_memory) {
    const uint16_t from_cue = memories::programmer_from_cue;
    if (!memory_label_mode_seen.seen) {
        memory_label_mode_seen = {true, from_cue};
    } else if (memory_label_mode_seen.from_cue != from_cue) {
        // "MEM" and "CUEMEM" change with the whole panel, which draws this label again.
        memory_label_mode_seen.from_cue = from_cue;
        if ((runtime::option_flags & runtime::OPT_CUE_PANEL) != 0) {
            draw_cue_panel();
            return;
        }
    }
    text_style(kLargeTextSize);
    if (from_cue == 0) {
        fill(kMemoryNameField, kGreen);
        fill(kMemoryNumberField, kGreen);
        draw_row_divider();
        char name[memories::kMemoryNameBytes]{};
        std::snprintf(name, sizeof name, "%.*s", static_cast<int>(memories::memory_name(memory).size()),
                      memories::memory_name(memory).data());
        centred_text(40, 140, kLabelY, kYellow, name[0] != '\0' ? name : "* NO NAME *");
        char number[16]{};
        std::snprintf(number, sizeof number, "%d", memory);
        centred_text(180, 40, kLabelY, kYellow, number);
    } else {
        fill(kProgrammerCueField, kGreen);
        char text[64]{};
        programmer_cue_text(text, sizeof text, page, cue, point, cue_memory);
        centred_text(40, 180, kLabelY, kRed, text);
    }
    text_style(kTextSize);
}

void draw_current_cue_label(int16_t page, int16_t cue, int16_t point) {
    fill(kCuePageField, kBlue);
    fill(kCueField, kBlue);
    fill(kAbsoluteCueField, kBlue);
    text_style(kLargeTextSize);
    char text[24]{};
    std::snprintf(text, sizeof text, "%d", page);
    text_at(static_cast<int16_t>(15 + platform::_textwidth("PAGE")), kCueLabelY, kYellow, text);
    std::snprintf(text, sizeof text, "%d.%d", cue, point - 1);
    text_at(static_cast<int16_t>(85 + platform::_textwidth("CUE")), kCueLabelY, kYellow, text);
    std::snprintf(text, sizeof text, "%d.%d", (page - 1) * kCuesPerPage + cue, point - 1);
    text_at(175, kCueLabelY, kYellow, text);
    text_style(kTextSize);
}

void redraw_memory_panel() {
    draw_current_memory_panel();
    show_in_use_status();
}

}  // namespace ui
