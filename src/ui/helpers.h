// Drawing, text and sound helpers that nearly every screen, dialog and
// command calls: timed waits that keep the console running, the held-key
// test, the two tones, filled boxes and text buttons, the cached text style,
// the writers of the two bitmap fonts, the palette set-up, a few integer
// scalings and two questions about the sequences.
//
// Coordinates are screen pixels of the 640 x 480 screen, colours the 16
// colour numbers. The only state kept here is the text-style cache.
#pragma once
#include <cstdint>

#include "runtime/key_codes.h"

namespace ui {

// Time a key must be held before its command runs (LOAD, SAVE, SETUP, blind on).
constexpr uint32_t kKeyHoldTime_ms = 1000;
// The held key's LED changes state when more than this has passed.
constexpr uint32_t kHeldKeyBlink_ms = 50;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_helpers_globals();

// Waits up to wait_ms, running the background poll, and ends early as soon
// as any input is pending. Nothing is consumed: the input stays pending.
// Time moves only with the timer step of the poll's periodic jobs, so while
// the fixture setup is open the wait ends on input only.
void wait_ticks_or_key(uint32_t wait_ms);

// Blinks the key's LED while waiting up to wait_ms for an event of that key
// (of any key for KEY_ANY); events of other keys are read and dropped. True
// when the time passed without an event of the key, i.e. the key was held.
// The LED is left as the last blink left it.
bool wait_key_held(int16_t key, uint32_t wait_ms);

// A tone that any input ends early (the input stays pending); the background
// poll keeps running meanwhile. Without an interface card as the clock there
// is no wait: the tone is a click. Silent when the beeper is off.
void beep_interruptible(int32_t freq_hz, uint32_t duration_ms);

// A tone of a fixed length: a plain delay that polls nothing, also taken
// when the beeper is off (then silent).
void beep(int32_t freq_hz, uint32_t duration_ms);

// A solid rectangle, both corners inclusive; the drawing colour is kept.
void fill_box(int16_t x1, int16_t y1, int16_t x2, int16_t y2, int16_t colour);
// A filled box with the text centred in it, in the current text style; the
// drawing colour is kept.
void draw_text_button(int16_t x1, int16_t y1, int16_t x2, int16_t y2, int16_t fill_colour, const char* text,
                      int16_t text_colour);

// The text style, skipped when the font, direction and size equal the ones
// last passed here. A style set directly by the graphics call is not seen.
void set_text_style(int16_t font, int16_t direction, int16_t size);

// Text in the 8 x 8 bitmap font (advance 8) and in the small bitmap font
// (rows 1-7 and columns 1-4 of each glyph, advance 4), pixel by pixel: the
// pixels a glyph leaves clear keep what is under them. Characters outside
// 32-126 have no glyph and draw nothing, but still take their advance.
void draw_bitmap_text(int16_t x, int16_t y, int16_t colour, const char* text);
void draw_small_text(int16_t x, int16_t y, int16_t colour, const char* text);

// Every colour shown black, so a new picture can be built out of sight.
void blank_palette();
// The console's 16 colours.
void set_console_palette();

// True when any sequence A-D runs, or else when cue timing is on.
bool is_any_sequence_running();
// True when a running sequence has its crossfade state set.
bool is_any_sequence_flagged();

// Integer helpers, truncating toward zero, results kept in a byte.
uint8_t divide_by_3_round_up(int16_t v);
uint8_t divide_by_353_round_up(int16_t v);
uint8_t scale_to_113(int16_t v);                // a level 0..255 to a bar of 0..113 pixels
uint8_t scale_to_255(int16_t v, int16_t max);   // 255 from max on, so max <= 0 never divides

// A pseudo-random number 0..n - 1 from the C library generator; 0 when n is
// not positive.
int16_t get_random_below(int16_t n);

// Puts the kept picture of the area back, or draws the area and keeps its
// picture when memory allows (without it the area is drawn again next time).
void draw_from_picture(uint8_t*& picture, int left, int top, int right, int bottom, void (*draw)());

// After a first key of a kind is pressed: its release gives a single key,
// a press of a second key of the same kind a range (*second is that key),
// a press of end_key or ESC the end of the screen. Other keys are passed over.
enum class KeyPair : uint8_t { single, range, end };
KeyPair read_second_key(int16_t first, int16_t end_key, bool (*same_kind)(int16_t), int16_t* second);

// The numbered item (1..70) whose name is to be edited: a fixture key picks
// its number, TEXT let go takes the current item (1 when current is not
// 1..70), ESC picks none (0). The picked key blinks, in both phases when it
// is not the current item; a fixture key is confirmed with a beep.
int16_t pick_item_to_name(int16_t current);

}  // namespace ui
