#include "ui/helpers.h"

#include <array>
#include <cstdlib>
#include <span>

#include "memcheck/memcheck.h"
#include "platform/graphics.h"
#include "platform/machine.h"
#include "platform/speaker.h"
#include "playback/playback_state.h"
#include "runtime/card_discovery.h"
#include "runtime/config_records.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "runtime/main_loop.h"
#include "runtime/timers.h"
#include "ui/bitmap_fonts.h"

namespace ui {

namespace {

// ------------------------------------------------------------------ waits

// The time a wait has run, gathered from the console clock at every look.
// Each wait keeps its own, so a wait that runs inside another (a tone from a
// job of the poll) neither cuts the outer one short nor stretches it. The
// clock only moves with the timer step; when it restarts at 0 the step
// counts no time, and neither does this.
struct WaitClock {
    uint32_t seen_ms = 0;
    uint32_t elapsed_ms = 0;
};

WaitClock start_wait_clock() { return WaitClock{runtime::clock_ms, 0}; }

uint32_t wait_elapsed_ms(WaitClock& wait) {
    const uint32_t now_ms = runtime::clock_ms;
    const uint32_t moved_ms = now_ms >= wait.seen_ms ? now_ms - wait.seen_ms : 0;
    wait.seen_ms = now_ms;
    wait.elapsed_ms = moved_ms > UINT32_MAX - wait.elapsed_ms ? UINT32_MAX : wait.elapsed_ms + moved_ms;
    return wait.elapsed_ms;
}

bool in_fixture_setup() { return (runtime::mode_flags & runtime::MODE_IN_SETUP) != 0; }

void toggle_key_led(int16_t key) {
    if (key < 0 || key >= runtime::kKeyCodes) return;
    const uint8_t lit = runtime::key_led_cache[static_cast<size_t>(key)];
    runtime::set_key_led(key, lit == 0 ? runtime::LED_ON : runtime::LED_OFF);
}

bool beeper_on() { return runtime::console_config.beeper() != 0; }

// ------------------------------------------------------------------ text

struct TextStyleCache {
    int16_t font = -1;
    int16_t direction = -1;
    int16_t size = -1;
};
TextStyleCache text_style_cache;

// The glyphs of a text pixel by pixel: rows x columns of each glyph, one
// advance per character; clear pixels are left as they are.
void draw_glyph_text(const GlyphTable& table, int x, int y, int colour, const char* text, int rows, int columns,
                     int advance) {
    if (text == nullptr) return;
    for (int i = 0; text[i] != '\0'; ++i) {
        const uint8_t* glyph = glyph_of(table, static_cast<unsigned char>(text[i]));
        if (glyph == nullptr) continue;
        const int left = x + advance * i;
        for (int r = 0; r < rows; ++r) {
            for (int k = 0; k < columns; ++k) {
                if (glyph[r * static_cast<int>(kGlyphColumns) + k] != 0) platform::_putpixel(left + k, y + r, colour);
            }
        }
    }
}

constexpr int kDefaultTextRows = 8;
constexpr int kDefaultTextColumns = 8;
constexpr int kDefaultTextAdvance = 8;
constexpr int kSmallTextRows = 7;
constexpr int kSmallTextColumns = 4;
constexpr int kSmallTextAdvance = 4;

// ------------------------------------------------------------------ palette

struct PaletteLevels {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
};

constexpr int kPaletteEntries = 16;

// The console's colours in 6-bit levels.
constexpr std::array<PaletteLevels, kPaletteEntries> kConsolePalette = {{
    {0, 0, 0},      // 0 black
    {0, 0, 42},     // 1 blue
    {0, 42, 0},     // 2 green
    {0, 42, 42},    // 3 cyan
    {42, 0, 0},     // 4 red
    {42, 0, 42},    // 5 magenta
    {42, 21, 0},    // 6 brown
    {42, 42, 42},   // 7 light grey
    {21, 21, 21},   // 8 dark grey
    {21, 21, 63},   // 9 light blue
    {21, 63, 21},   // 10 light green
    {21, 63, 63},   // 11 light cyan
    {63, 21, 21},   // 12 light red
    {63, 21, 63},   // 13 light magenta
    {63, 63, 21},   // 14 yellow
    {63, 63, 63},   // 15 white
}};

// ------------------------------------------------------------------ sequences

constexpr uint8_t kSequenceRunStateMask = 0x03;
constexpr uint8_t kSequenceRunning = 1;

bool sequence_running(int s) {
    return (playback::sequence_table[static_cast<size_t>(s)].mode & kSequenceRunStateMask) == kSequenceRunning;
}

uint8_t divide_round_up(int16_t v, int divisor) {
    const int quotient = v / divisor;
    return static_cast<uint8_t>(v % divisor == 0 ? quotient : quotient + 1);
}

}  // namespace

void reset_helpers_globals() {
    text_style_cache = {};
}

// ------------------------------------------------------------------ waits and tones

void wait_ticks_or_key(uint32_t wait_ms) {
    WaitClock wait = start_wait_clock();
    while (wait_elapsed_ms(wait) < wait_ms && !runtime::is_input_pending()) runtime::run_background();
}

bool wait_key_held(int16_t key, uint32_t wait_ms) {
    if (in_fixture_setup()) runtime::update_timers();
    WaitClock wait = start_wait_clock();
    uint32_t blink_mark_ms = runtime::clock_ms;
    while (wait_elapsed_ms(wait) < wait_ms) {
        runtime::run_background();
        if (in_fixture_setup()) runtime::update_timers();
        if (runtime::is_input_pending()) {
            int16_t code = 0;
            runtime::get_key(&code);  // a press or a release; one of another key is dropped
            if (code == key || key == runtime::KEY_ANY) break;
        }
        const uint32_t now_ms = runtime::clock_ms;
        if (now_ms < blink_mark_ms || now_ms - blink_mark_ms > kHeldKeyBlink_ms) {
            blink_mark_ms = now_ms;
            toggle_key_led(key);
        }
    }
    return wait_elapsed_ms(wait) >= wait_ms;
}

void beep_interruptible(int32_t freq_hz, uint32_t duration_ms) {
    runtime::input_pending_pc_key = 0;
    const bool audible = beeper_on();
    if (audible) platform::sound(freq_hz);
    runtime::run_background();
    if (runtime::clock_card != 0) wait_ticks_or_key(duration_ms);
    if (audible) platform::nosound();
}

void beep(int32_t freq_hz, uint32_t duration_ms) {
    const bool audible = beeper_on();
    if (audible) platform::sound(freq_hz);
    platform::delay_ms(duration_ms);
    if (audible) platform::nosound();
}

// ------------------------------------------------------------------ boxes and text

void fill_box(int16_t x1, int16_t y1, int16_t x2, int16_t y2, int16_t colour) {
    platform::_setfillstyle(platform::kSolidFill, colour);
    platform::_bar(x1, y1, x2, y2);
}

void draw_text_button(int16_t x1, int16_t y1, int16_t x2, int16_t y2, int16_t fill_colour, const char* text,
                      int16_t text_colour) {
    if (text == nullptr) text = "";
    const int saved_colour = platform::_getcolor();
    fill_box(x1, y1, x2, y2, fill_colour);
    const int h = platform::_textheight(text) - 5;
    const int w = platform::_textwidth(text);
    const int box_w = x2 - x1;
    const int box_h = y2 - y1;
    const int dx = box_w < w ? 1 : (box_w - w) / 2;
    const int dy = box_h < h ? 2 : (box_h - h) / 2 + 2;
    platform::_setcolor(text_colour);
    platform::_outtextxy(x1 + dx, y1 + dy, text);
    platform::_setcolor(saved_colour);
}

void set_text_style(int16_t font, int16_t direction, int16_t size) {
    if (font == text_style_cache.font && direction == text_style_cache.direction && size == text_style_cache.size) {
        return;
    }
    platform::_settextstyle(font, direction, size);
    text_style_cache = TextStyleCache{font, direction, size};
}

void draw_bitmap_text(int16_t x, int16_t y, int16_t colour, const char* text) {
    draw_glyph_text(default_font_glyphs, x, y, colour, text, kDefaultTextRows, kDefaultTextColumns,
                    kDefaultTextAdvance);
}

void draw_small_text(int16_t x, int16_t y, int16_t colour, const char* text) {
    draw_glyph_text(small_font_glyphs, x, y, colour, text, kSmallTextRows, kSmallTextColumns, kSmallTextAdvance);
}

// ------------------------------------------------------------------ palette

void blank_palette() {
    for (int i = 0; i < kPaletteEntries; ++i) platform::_setpalette(i, 0);
}

void set_console_palette() {
    for (int i = 0; i < kPaletteEntries; ++i) {
        const PaletteLevels& c = kConsolePalette[static_cast<size_t>(i)];
        platform::_setrgbpalette(i, c.red, c.green, c.blue);
    }
}

// ------------------------------------------------------------------ sequences

bool is_any_sequence_running() {
    for (int s = 1; s <= playback::kSequences; ++s) {
        if (sequence_running(s)) return true;
    }
    return (runtime::mode_flags & runtime::MODE_CUE_TIMING) != 0;
}

bool is_any_sequence_flagged() {
    for (int s = 1; s <= playback::kSequences; ++s) {
        if (sequence_running(s) && playback::sequence_crossfade[static_cast<size_t>(s)].running != 0) return true;
    }
    return false;
}

// ------------------------------------------------------------------ integer helpers

uint8_t divide_by_3_round_up(int16_t v) { return divide_round_up(v, 3); }

int16_t get_random_below(int16_t n) {
    if (n <= 0) return 0;
    return static_cast<int16_t>(std::rand() % n);
}

uint8_t divide_by_353_round_up(int16_t v) { return divide_round_up(v, 353); }

uint8_t scale_to_113(int16_t v) { return static_cast<uint8_t>(static_cast<int32_t>(v) * 113 / 255); }

uint8_t scale_to_255(int16_t v, int16_t max) {
    if (v >= max || max <= 0) return 255;
    return static_cast<uint8_t>(static_cast<int32_t>(v) * 255 / max);
}

void draw_from_picture(uint8_t*& picture, int left, int top, int right, int bottom, void (*draw)()) {
    const uint32_t size = platform::_imagesize(left, top, right, bottom);
    if (picture != nullptr) {
        platform::_putimage(left, top, std::span<const uint8_t>(picture, size), platform::kCopyPut);
        return;
    }
    draw();
    if (size == 0) return;
    auto* image = static_cast<uint8_t*>(memcheck::mc_malloc_at(size, __FILE__, __LINE__));
    if (image == nullptr) return;
    if (!platform::_getimage(left, top, right, bottom, std::span<uint8_t>(image, size))) {
        memcheck::mc_free_at(image, __FILE__, __LINE__);
        return;
    }
    picture = image;
}

KeyPair read_second_key(int16_t first, int16_t end_key, bool (*same_kind)(int16_t), int16_t* second) {
    for (;;) {
        int16_t event = 0;
        const bool press = runtime::get_key(&event);
        if (event == 0) continue;
        if (event == first && !press) return KeyPair::single;
        if (!press) continue;
        if (event == end_key || event == runtime::KEY_ESC) return KeyPair::end;
        if (same_kind(event) && event != first) {
            *second = event;
            return KeyPair::range;
        }
    }
}

int16_t pick_item_to_name(int16_t current) {
    constexpr int16_t kItems = 70;
    const bool current_valid = current >= 1 && current <= kItems;
    int16_t picked = 0;
    bool by_key = false;
    for (;;) {
        int16_t key = 0;
        const bool pressed = runtime::get_key(&key);
        if (pressed && key >= runtime::KEY_FIXTURE_1 && key <= runtime::KEY_FIXTURE_70) {
            picked = static_cast<int16_t>(key - runtime::KEY_FIXTURE_1 + 1);
            by_key = true;
            break;
        }
        if (!pressed && key == runtime::KEY_TEXT) {
            picked = current_valid ? current : 1;
            break;
        }
        if (pressed && key == runtime::KEY_ESC) break;
    }
    if (picked == 0) return 0;
    runtime::set_key_led(runtime::fixture_key(picked), picked == current ? runtime::LED_BLINK_2 : runtime::LED_BLINK_BOTH);
    if (by_key) beep(800, 150);
    return picked;
}

}  // namespace ui
