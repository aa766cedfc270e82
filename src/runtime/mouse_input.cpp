#include "runtime/mouse_input.h"

#include "platform/interrupts.h"
#include "runtime/console_state.h"
#include "runtime/dpmi_services.h"

namespace runtime {

int16_t mouse_present = 0;
int16_t mouse_cursor_shown = 0;
int16_t mouse_x = 0;
int16_t mouse_y = 0;
int16_t mouse_buttons = kMouseNoButton;
std::array<uint8_t, kMouseButtons + 1> mouse_button_released = {0, 1, 1, 1};
std::array<int16_t, 2> trackerball_remainders = {0, 0};
int16_t trackerball_resolution = kTrackerballResolution;
int16_t trackerball_card_mode = 0;

void reset_mouse_input_globals() {
    mouse_present = 0;
    mouse_cursor_shown = 0;
    mouse_x = 0;
    mouse_y = 0;
    mouse_buttons = kMouseNoButton;
    mouse_button_released = {0, 1, 1, 1};
    trackerball_remainders = {0, 0};
    trackerball_resolution = kTrackerballResolution;
    trackerball_card_mode = 0;
}

namespace {

void call_mouse_driver(uint16_t function) {
    int_regs.set_ax(function);
    platform::int386(kMouseInterrupt, int_regs);
}

void call_mouse_driver(uint16_t function, int16_t cx, int16_t dx) {
    int_regs.set_cx(static_cast<uint16_t>(cx));
    int_regs.set_dx(static_cast<uint16_t>(dx));
    call_mouse_driver(function);
}

void report_nothing() {
    mouse_x = 0;
    mouse_y = 0;
    mouse_buttons = kMouseNoButton;
}

// The trackerball moves the screen only while the card's own mode is off, or
// inside the fixture setup.
bool trackerball_moves_screen() { return trackerball_card_mode == 0 || (mode_flags & MODE_IN_SETUP) != 0; }

// Mickeys of one axis into whole steps, truncated toward zero; the rest is
// kept for the next reading. Computed in 32 bits: a full 16-bit count plus
// the carried rest does not fit in 16.
int16_t steps_of_axis(int axis, int16_t mickeys) {
    const int32_t resolution = trackerball_resolution > 0 ? trackerball_resolution : kTrackerballResolution;
    const int32_t total = int32_t{trackerball_remainders[axis]} + mickeys;
    const int32_t steps = total / resolution;
    trackerball_remainders[axis] = static_cast<int16_t>(total - steps * resolution);
    return static_cast<int16_t>(steps);
}

// A button's event: down now, and up at the previous reading unless held.
bool is_pressed(uint16_t bits, uint16_t bit, int16_t button, uint8_t held) {
    return (bits & bit) != 0 && (mouse_button_released[button] != 0 || held != 0);
}

// The button event of this reading from the driver's BX, then the released
// flags for the next one.
void take_buttons(uint16_t bits, uint8_t held) {
    if (is_pressed(bits, kMouseBitLeft, kMouseLeft, held)) {
        mouse_buttons = kMouseLeft;
    } else if (is_pressed(bits, kMouseBitRight, kMouseRight, held)) {
        mouse_buttons = kMouseRight;
    } else if (is_pressed(bits, kMouseBitMiddle, kMouseMiddle, held)) {
        mouse_buttons = kMouseMiddle;
    } else {
        mouse_buttons = kMouseNoButton;
    }
    mouse_button_released[kMouseLeft] = (bits & kMouseBitLeft) == 0 ? 1 : 0;
    mouse_button_released[kMouseRight] = (bits & kMouseBitRight) == 0 ? 1 : 0;
    mouse_button_released[kMouseMiddle] = (bits & kMouseBitMiddle) == 0 ? 1 : 0;
}

}  // namespace

void init_mouse() {
    call_mouse_driver(kMouseReset);
    mouse_present = static_cast<int16_t>(int_regs.ax());
    mouse_cursor_shown = 0;
    mouse_button_released = {0, 1, 1, 1};
}

void show_mouse_cursor(int16_t on) {
    const int16_t shown = on != 0 ? 1 : 0;
    if (mouse_present == 0 || shown == mouse_cursor_shown) return;
    call_mouse_driver(shown == 1 ? kMouseShowCursor : kMouseHideCursor);
    mouse_cursor_shown = shown;
}

void set_mouse_range(int16_t x_min, int16_t y_min, int16_t x_max, int16_t y_max) {
    call_mouse_driver(kMouseSetXRange, x_min, x_max);
    call_mouse_driver(kMouseSetYRange, y_min, y_max);
}

void set_mouse_position(int16_t x, int16_t y) { call_mouse_driver(kMouseSetPosition, x, y); }

void read_trackerball(uint8_t held) {
    if (mouse_present == 0) {
        report_nothing();
        return;
    }
    call_mouse_driver(kMouseGetMotion);
    if (trackerball_moves_screen()) {
        mouse_x = steps_of_axis(kAxisX, static_cast<int16_t>(int_regs.cx()));
        mouse_y = steps_of_axis(kAxisY, static_cast<int16_t>(int_regs.dx()));
    } else {
        // The card has the trackerball: its movement is dropped.
        mouse_x = 0;
        mouse_y = 0;
        trackerball_remainders = {0, 0};
    }
    call_mouse_driver(kMouseGetButtons);
    take_buttons(int_regs.bx(), held);
}

void read_mouse(uint8_t held) {
    if (mouse_present == 0) {
        report_nothing();
        return;
    }
    call_mouse_driver(kMouseGetButtons);
    if (trackerball_moves_screen()) {
        mouse_x = static_cast<int16_t>(int_regs.cx());
        mouse_y = static_cast<int16_t>(int_regs.dx());
    } else {
        mouse_x = 0;
        mouse_y = 0;
    }
    take_buttons(int_regs.bx(), held);
}

bool is_point_in_rect(int16_t x1, int16_t y1, int16_t x2, int16_t y2, int16_t px, int16_t py) {
    if (mouse_present == 0) return false;
    return x1 < px && px < x2 && y1 < py && py < y2;
}

}  // namespace runtime
