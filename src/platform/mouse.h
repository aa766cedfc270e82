// The mouse driver on int 33h, with the console's trackerball behind it.
//
// Functions: 0 reset (AX = FFFFh and BX = buttons when a driver is there),
// 1 show and 2 hide the cursor (a counter: shown at 0, hidden below; show
// never raises it above 0), 3 buttons (BX: 1 left, 2 right, 4 middle) and
// position (CX, DX), 4 set position, 7 and 8 the x and y range (CX min,
// DX max; the position is kept inside), 11 the motion in mickeys since the
// previous call (signed CX, DX; then cleared). Without a driver the interrupt
// leaves every register as it was.
//
// The device moves by mickeys; the cursor moves one pixel per mickey on both
// axes (8 mickeys per 8 pixels) and stops at the range edges, while the
// motion counters count every mickey.
#pragma once
#include <cstdint>

#include "platform/registers.h"

namespace platform {

constexpr uint16_t kMouseLeft = 0x01;
constexpr uint16_t kMouseRight = 0x02;
constexpr uint16_t kMouseMiddle = 0x04;
constexpr uint16_t kMousePresent = 0xFFFF;

// The range and position that a reset gives: the 640 x 480 screen, centred.
constexpr int16_t kMouseResetXMax = 639;
constexpr int16_t kMouseResetYMax = 479;
constexpr int16_t kMouseResetX = 320;
constexpr int16_t kMouseResetY = 240;

struct Mouse {
    bool installed = true;         // test setting: false means no driver
    uint16_t button_count = 3;
    uint16_t buttons = 0;          // bits held down now
    int16_t x = kMouseResetX;
    int16_t y = kMouseResetY;
    int16_t x_min = 0;
    int16_t x_max = kMouseResetXMax;
    int16_t y_min = 0;
    int16_t y_max = kMouseResetYMax;
    int16_t cursor_level = -1;     // cursor shown at 0
    int32_t motion_x_mickeys = 0;  // since the last function 11
    int32_t motion_y_mickeys = 0;

    bool cursor_shown() const { return cursor_level == 0; }
};

// Int 33h.
void mouse_interrupt(Regs& regs);

// The device side, for tests and the host.
void mouse_move(int32_t dx_mickeys, int32_t dy_mickeys);
void mouse_set_buttons(uint16_t buttons);

}  // namespace platform
