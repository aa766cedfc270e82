#include "platform/mouse.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/interrupts.h"
#include "platform/machine.h"

namespace {

using namespace platform;

class MouseTest : public ::testing::Test {
protected:
    void SetUp() override { install_machine(m.get()); }
    void TearDown() override { install_machine(nullptr); }

    Regs call(uint16_t function, uint16_t cx = 0, uint16_t dx = 0) {
        Regs regs;
        regs.set_ax(function);
        regs.set_cx(cx);
        regs.set_dx(dx);
        int386(0x33, regs);
        return regs;
    }
    static uint16_t word(int value) { return static_cast<uint16_t>(static_cast<int16_t>(value)); }
    int16_t x() { return static_cast<int16_t>(call(3).cx()); }
    int16_t y() { return static_cast<int16_t>(call(3).dx()); }

    std::unique_ptr<Machine> m = std::make_unique<Machine>();
};

TEST_F(MouseTest, ResetReportsTheDriverAndItsButtons) {
    mouse_move(25, -25);
    const Regs regs = call(0);
    EXPECT_EQ(regs.ax(), 0xFFFF);
    EXPECT_EQ(regs.bx(), 3);
    EXPECT_FALSE(regs.carry);
    EXPECT_EQ(x(), 320);
    EXPECT_EQ(y(), 240);
    const Regs motion = call(11);  // the reset forgot the movement before it
    EXPECT_EQ(motion.cx(), 0);
    EXPECT_EQ(motion.dx(), 0);
}

TEST_F(MouseTest, WithoutADriverNoRegisterChanges) {
    m->mouse.installed = false;
    mouse_move(10, 10);
    mouse_set_buttons(kMouseLeft);
    for (uint16_t function : {0, 3, 11}) {
        Regs regs;
        regs.set_ax(function);
        regs.set_bx(0x1234);
        regs.set_cx(0x5678);
        regs.set_dx(0x9ABC);
        int386(0x33, regs);
        EXPECT_EQ(regs.ax(), function);
        EXPECT_EQ(regs.bx(), 0x1234);
        EXPECT_EQ(regs.cx(), 0x5678);
        EXPECT_EQ(regs.dx(), 0x9ABC);
    }
}

TEST_F(MouseTest, CursorShowAndHideCount) {
    call(0);
    EXPECT_FALSE(m->mouse.cursor_shown());
    call(1);
    EXPECT_TRUE(m->mouse.cursor_shown());
    call(1);  // never above shown
    call(2);
    EXPECT_FALSE(m->mouse.cursor_shown());
    call(2);
    call(1);
    EXPECT_FALSE(m->mouse.cursor_shown());  // two hides need two shows
    call(1);
    EXPECT_TRUE(m->mouse.cursor_shown());
    call(0);
    EXPECT_FALSE(m->mouse.cursor_shown());
}

TEST_F(MouseTest, MotionCountersAreSignedAndClearedOnRead) {
    call(0);
    mouse_move(3, -2);
    mouse_move(4, 0);
    Regs regs = call(11);
    EXPECT_EQ(static_cast<int16_t>(regs.cx()), 7);
    EXPECT_EQ(static_cast<int16_t>(regs.dx()), -2);
    regs = call(11);
    EXPECT_EQ(regs.cx(), 0);
    EXPECT_EQ(regs.dx(), 0);

    mouse_move(-40'000, 40'000);  // beyond 16 bits: held at the ends
    regs = call(11);
    EXPECT_EQ(static_cast<int16_t>(regs.cx()), -32768);
    EXPECT_EQ(static_cast<int16_t>(regs.dx()), 32767);
}

TEST_F(MouseTest, PositionFollowsMickeysAndStopsAtTheRangeEdges) {
    call(0);
    call(7, 3, 210);   // the fixture panel
    call(8, 12, 203);
    EXPECT_EQ(x(), 210);  // pulled into the new range
    EXPECT_EQ(y(), 203);

    struct Case {
        int dx, dy, x, y;
    };
    const Case cases[] = {
        {-7, -3, 203, 200}, {-500, 0, 3, 200}, {-1, 0, 3, 200},
        {1, 2, 4, 202},     {0, 9, 4, 203},    {206, -191, 210, 12},
    };
    for (const Case& c : cases) {
        mouse_move(c.dx, c.dy);
        EXPECT_EQ(x(), c.x) << c.dx << "," << c.dy;
        EXPECT_EQ(y(), c.y) << c.dx << "," << c.dy;
    }
    // The counters saw every mickey, also those the edges swallowed.
    const Regs regs = call(11);
    EXPECT_EQ(static_cast<int16_t>(regs.cx()), -7 - 500 - 1 + 1 + 0 + 206);
    EXPECT_EQ(static_cast<int16_t>(regs.dx()), -3 + 0 + 0 + 2 + 9 - 191);
}

TEST_F(MouseTest, SetPositionIsClampedAndRangesAreOrdered) {
    call(0);
    call(7, word(640), word(0));  // min and max given the wrong way round
    EXPECT_EQ(m->mouse.x_min, 0);
    EXPECT_EQ(m->mouse.x_max, 640);
    call(4, word(200), word(200));
    EXPECT_EQ(x(), 200);
    EXPECT_EQ(y(), 200);
    call(4, word(-5), word(1000));
    EXPECT_EQ(x(), 0);
    EXPECT_EQ(y(), 479);
}

TEST_F(MouseTest, ButtonsAreReportedAsBits) {
    call(0);
    mouse_set_buttons(kMouseLeft | kMouseMiddle);
    EXPECT_EQ(call(3).bx(), 5);
    mouse_set_buttons(kMouseRight | 0x80);  // a bit no button has is dropped
    EXPECT_EQ(call(3).bx(), 2);
    mouse_set_buttons(0);
    EXPECT_EQ(call(3).bx(), 0);
}

}  // namespace
