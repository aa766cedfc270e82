// The mouse driver (int 33h) and the trackerball behind it.
//
// In mouse mode the trackerball moves a cursor and read_mouse gives its
// position; in the other modes read_trackerball turns the movement since the
// previous reading into steps of kTrackerballResolution mickeys, carrying the
// rest to the next reading. Both turn the button state into press events: a
// button is reported once when it goes down (or on every reading while it is
// held, with held 1), left before right before middle.
//
// Without a driver every reading gives no movement and no button, and no
// point is inside any rectangle.
#pragma once
#include <array>
#include <cstdint>

namespace runtime {

constexpr uint8_t kMouseInterrupt = 0x33;

// Driver functions (AX).
constexpr uint16_t kMouseReset = 0;
constexpr uint16_t kMouseShowCursor = 1;
constexpr uint16_t kMouseHideCursor = 2;
constexpr uint16_t kMouseGetButtons = 3;    // BX buttons, CX x, DX y
constexpr uint16_t kMouseSetPosition = 4;   // CX x, DX y
constexpr uint16_t kMouseSetXRange = 7;     // CX min, DX max
constexpr uint16_t kMouseSetYRange = 8;     // CX min, DX max
constexpr uint16_t kMouseGetMotion = 11;    // CX, DX mickeys since the previous call

// Button bits in BX.
constexpr uint16_t kMouseBitLeft = 0x01;
constexpr uint16_t kMouseBitRight = 0x02;
constexpr uint16_t kMouseBitMiddle = 0x04;

// Press events in mouse_buttons, also the index of mouse_button_released.
constexpr int16_t kMouseNoButton = 0;
constexpr int16_t kMouseLeft = 1;
constexpr int16_t kMouseRight = 2;
constexpr int16_t kMouseMiddle = 3;
constexpr int kMouseButtons = 3;

constexpr int16_t kTrackerballResolution = 5;  // mickeys per step

// Axes of trackerball_remainders.
constexpr int kAxisX = 0;
constexpr int kAxisY = 1;

extern int16_t mouse_present;       // the reset's AX answer: non-zero with a driver
extern int16_t mouse_cursor_shown;  // 1 while the driver's cursor is shown
extern int16_t mouse_x;             // cursor position (read_mouse) or steps of this reading (read_trackerball)
extern int16_t mouse_y;
extern int16_t mouse_buttons;       // kMouseNoButton .. kMouseMiddle: a press event
// 1 while the button is up, by button 1..3 (index 0 unused).
extern std::array<uint8_t, kMouseButtons + 1> mouse_button_released;
// Mickeys not yet turned into steps, x and y.
extern std::array<int16_t, 2> trackerball_remainders;
extern int16_t trackerball_resolution;
// The card's own trackerball mode (0 or 1), toggled by the middle button
// through the step switch: while it is 1 the trackerball moves nothing on
// screen, except inside the fixture setup.
extern int16_t trackerball_card_mode;

// Every global of this module back to its value at program load (a clean start for each test).
void reset_mouse_input_globals();

void init_mouse();
void show_mouse_cursor(int16_t on);
void set_mouse_range(int16_t x_min, int16_t y_min, int16_t x_max, int16_t y_max);
void set_mouse_position(int16_t x, int16_t y);
void read_trackerball(uint8_t held);
void read_mouse(uint8_t held);
// Strictly inside: a point on the border is outside.
bool is_point_in_rect(int16_t x1, int16_t y1, int16_t x2, int16_t y2, int16_t px, int16_t py);

}  // namespace runtime
