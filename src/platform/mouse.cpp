#include "platform/mouse.h"

#include <algorithm>
#include <limits>

#include "platform/machine.h"

namespace platform {

namespace {

constexpr int32_t kInt16Min = std::numeric_limits<int16_t>::min();
constexpr int32_t kInt16Max = std::numeric_limits<int16_t>::max();

Mouse& mouse() { return machine().mouse; }

int16_t clamp16(int32_t value, int16_t low, int16_t high) {
    return static_cast<int16_t>(std::clamp<int32_t>(value, low, high));
}

int16_t as_signed(uint16_t value) { return static_cast<int16_t>(value); }

// A motion counter as CX/DX carry it: signed 16 bits, held at the ends.
uint16_t counter_word(int32_t mickeys) {
    return static_cast<uint16_t>(static_cast<int16_t>(std::clamp(mickeys, kInt16Min, kInt16Max)));
}

// A counter plus a movement, held at the int32 ends.
int32_t add_held(int32_t counter, int32_t delta) {
    return static_cast<int32_t>(std::clamp<int64_t>(int64_t{counter} + delta,
                                                    std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

void reset(Regs& regs) {
    Mouse& m = mouse();
    m.x_min = 0;
    m.x_max = kMouseResetXMax;
    m.y_min = 0;
    m.y_max = kMouseResetYMax;
    m.x = kMouseResetX;
    m.y = kMouseResetY;
    m.cursor_level = -1;
    m.motion_x_mickeys = 0;
    m.motion_y_mickeys = 0;
    regs.set_ax(kMousePresent);
    regs.set_bx(m.button_count);
}

void set_range(int16_t& low, int16_t& high, int16_t& position, uint16_t cx, uint16_t dx) {
    low = std::min(as_signed(cx), as_signed(dx));
    high = std::max(as_signed(cx), as_signed(dx));
    position = std::clamp(position, low, high);
}

}  // namespace

void mouse_interrupt(Regs& regs) {
    Mouse& m = mouse();
    if (!m.installed) return;
    switch (regs.ax()) {
        case 0:
            reset(regs);
            break;
        case 1:
            if (m.cursor_level < 0) ++m.cursor_level;
            break;
        case 2:
            if (m.cursor_level > kInt16Min) --m.cursor_level;
            break;
        case 3:
            regs.set_bx(m.buttons);
            regs.set_cx(static_cast<uint16_t>(m.x));
            regs.set_dx(static_cast<uint16_t>(m.y));
            break;
        case 4:
            m.x = clamp16(as_signed(regs.cx()), m.x_min, m.x_max);
            m.y = clamp16(as_signed(regs.dx()), m.y_min, m.y_max);
            break;
        case 7:
            set_range(m.x_min, m.x_max, m.x, regs.cx(), regs.dx());
            break;
        case 8:
            set_range(m.y_min, m.y_max, m.y, regs.cx(), regs.dx());
            break;
        case 11:
            regs.set_cx(counter_word(m.motion_x_mickeys));
            regs.set_dx(counter_word(m.motion_y_mickeys));
            m.motion_x_mickeys = 0;
            m.motion_y_mickeys = 0;
            break;
        default:
            break;
    }
}

void mouse_move(int32_t dx_mickeys, int32_t dy_mickeys) {
    Mouse& m = mouse();
    m.motion_x_mickeys = add_held(m.motion_x_mickeys, dx_mickeys);
    m.motion_y_mickeys = add_held(m.motion_y_mickeys, dy_mickeys);
    m.x = static_cast<int16_t>(std::clamp<int64_t>(int64_t{m.x} + dx_mickeys, m.x_min, m.x_max));
    m.y = static_cast<int16_t>(std::clamp<int64_t>(int64_t{m.y} + dy_mickeys, m.y_min, m.y_max));
}

void mouse_set_buttons(uint16_t buttons) {
    mouse().buttons = buttons & (kMouseLeft | kMouseRight | kMouseMiddle);
}

}  // namespace platform
