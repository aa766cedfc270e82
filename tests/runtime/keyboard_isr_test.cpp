#include "runtime/keyboard_isr.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/interrupts.h"
#include "platform/keyboard_controller.h"
#include "platform/machine.h"
#include "platform/ports.h"
#include "platform/text_screen.h"
#include "rig/console.h"
#include "runtime/card_discovery.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Words = std::vector<uint16_t>;

const platform::IntVector kBiosKeyboardVector{platform::kBiosCodeSelector, platform::kBiosKeyboardOffset};

platform::IntVector int9_vector() {
    platform::IntVector vector;
    platform::get_int_vector(9, vector.selector, vector.offset);
    return vector;
}

platform::IntVector own_handler() { return platform::handler_vector(&runtime::handle_keyboard_interrupt); }

// The handler and the controller routines on their own: a machine with the
// small-console keys option on, no console program running.
class KeyboardIsr : public ::testing::Test {
protected:
    rig::Rig rig;

    KeyboardIsr() { runtime::hw_option_flags.small_console_keys = 1; }

    platform::KeyboardController& controller() { return rig.machine().keyboard; }
    Bytes device_bytes() { return controller().device_bytes.to_vector(); }
    Bytes bios_bytes() { return controller().bios_bytes.to_vector(); }

    void feed(const Bytes& bytes) {
        for (const uint8_t byte : bytes) platform::feed_keyboard_byte(byte);
    }

    // Ring words from index `from` up to the write index.
    Words ring_since(int16_t from) {
        Words words;
        for (int16_t i = from; i != runtime::key_ring_write; i = static_cast<int16_t>((i + 1) % runtime::kKeyRingWords)) {
            words.push_back(runtime::key_ring[static_cast<size_t>(i)]);
        }
        return words;
    }

    uint64_t elapsed_ms(const std::function<void()>& fn) {
        const uint64_t start_ms = rig.now_ms();
        fn();
        return rig.now_ms() - start_ms;
    }
};

// --- the interrupt handler -----------------------------------------------------

struct ByteCase {
    const char* name;
    Bytes bytes;
    Words ring;
    Bytes bios;
};

TEST_F(KeyboardIsr, DeviceEventsGoIntoTheRingOtherBytesToTheBios) {
    runtime::install_keyboard_isr();
    const std::vector<ByteCase> cases = {
        {"press", {0xE2, 0x05}, {0x0105}, {}},
        {"release", {0xE2, 0xF0, 0x05}, {0x0005}, {}},
        {"code 199", {0xE2, 0xC7}, {0x01C7}, {}},
        {"lone prefix turns a keyboard byte into a press", {0xE2, 0x1E}, {0x011E}, {}},
        {"prefix as the code", {0xE2, 0xE2}, {0x01E2}, {}},
        {"second F0 keeps the release", {0xE2, 0xF0, 0xF0, 0x07}, {0x0007}, {}},
        {"ordinary keyboard bytes", {0x1E, 0x9E}, {}, {0x1E, 0x9E}},
        {"F0 without the prefix", {0xF0, 0x1C}, {}, {0xF0, 0x1C}},
        {"mixed", {0x1E, 0xE2, 0xF0, 0x30, 0x9E, 0xE2, 0x30}, {0x0030, 0x0130}, {0x1E, 0x9E}},
    };
    for (const ByteCase& c : cases) {
        SCOPED_TRACE(c.name);
        const int16_t write = runtime::key_ring_write;
        const uint64_t bios_total = controller().bios_bytes.total;
        const uint64_t eois = controller().end_of_interrupts;
        feed(c.bytes);
        EXPECT_EQ(ring_since(write), c.ring);
        EXPECT_EQ(controller().bios_bytes.total - bios_total, c.bios.size());
        const Bytes bios = bios_bytes();
        EXPECT_EQ(Bytes(bios.end() - static_cast<long>(c.bios.size()), bios.end()), c.bios);
        // One end-of-interrupt per byte, whoever handled it, so the next byte comes.
        EXPECT_EQ(controller().end_of_interrupts - eois, c.bytes.size());
        EXPECT_FALSE(controller().in_service);
        EXPECT_EQ(runtime::key_ring_prefix_armed, 0);
        EXPECT_EQ(runtime::key_ring_release_flag, 0);
    }
    EXPECT_EQ(runtime::key_ring_read, 0);  // only the key reader moves it
}

TEST_F(KeyboardIsr, WriteIndexWrapsAfterTheLastWord) {
    runtime::install_keyboard_isr();
    runtime::key_ring_read = 998;
    runtime::key_ring_write = 998;
    feed({0xE2, 0x01, 0xE2, 0x02, 0xE2, 0x03});
    EXPECT_EQ(runtime::key_ring[998], 0x0101);
    EXPECT_EQ(runtime::key_ring[999], 0x0102);
    EXPECT_EQ(runtime::key_ring[0], 0x0103);
    EXPECT_EQ(runtime::key_ring_write, 1);
}

// A full ring keeps its unread words: further events are dropped until the
// key reader makes room, and the byte after a dropped event is ordinary again.
TEST_F(KeyboardIsr, FullRingDropsNewEvents) {
    runtime::install_keyboard_isr();
    for (int i = 0; i < 999; ++i) feed({0xE2, static_cast<uint8_t>(1 + i % 199)});
    ASSERT_EQ(runtime::key_ring_write, 999);
    const uint16_t last_free = runtime::key_ring[999];
    const uint64_t eois = controller().end_of_interrupts;
    feed({0xE2, 0x63, 0x1E});
    EXPECT_EQ(runtime::key_ring_write, 999);
    EXPECT_EQ(runtime::key_ring[999], last_free);
    EXPECT_EQ(runtime::key_ring[0], 0x0101);
    EXPECT_EQ(controller().end_of_interrupts - eois, 3u);
    EXPECT_EQ(bios_bytes(), (Bytes{0x1E}));

    runtime::key_ring_read = 1;  // the key reader took one word
    feed({0xE2, 0x63});
    EXPECT_EQ(runtime::key_ring[999], 0x0163);
    EXPECT_EQ(runtime::key_ring_write, 0);
}

// --- install and remove --------------------------------------------------------

TEST_F(KeyboardIsr, InstallHooksInt9AndSwitchesTheDeviceToScanCodeSet1) {
    rig.machine().text.push_key('a');
    rig.machine().text.push_key('b');
    runtime::key_ring_read = 17;
    runtime::key_ring_write = 23;
    runtime::install_keyboard_isr();
    EXPECT_EQ(int9_vector(), own_handler());
    EXPECT_EQ(runtime::saved_keyboard_vector, kBiosKeyboardVector);
    EXPECT_FALSE(controller().translation());
    EXPECT_EQ(controller().scan_code_set, 1);
    EXPECT_EQ(device_bytes(), (Bytes{0xF0, 0x01}));
    EXPECT_EQ(platform::kbhit(), 0);  // the PC keyboard buffer was emptied
    EXPECT_EQ(runtime::key_ring_read, 0);
    EXPECT_EQ(runtime::key_ring_write, 0);
    EXPECT_EQ(controller().pic_mask, 0);
    EXPECT_TRUE(bios_bytes().empty());  // the acknowledges were the routines' own
}

TEST_F(KeyboardIsr, SecondInstallKeepsTheBiosHandlerAsThePreviousOne) {
    runtime::install_keyboard_isr();
    runtime::install_keyboard_isr();
    EXPECT_EQ(runtime::saved_keyboard_vector, kBiosKeyboardVector);
    EXPECT_EQ(device_bytes(), (Bytes{0xF0, 0x01}));
    feed({0x1E});
    EXPECT_EQ(bios_bytes(), (Bytes{0x1E}));
}

TEST_F(KeyboardIsr, WithoutTheOptionNothingIsInstalled) {
    runtime::hw_option_flags.small_console_keys = 0;
    runtime::install_keyboard_isr();
    EXPECT_EQ(int9_vector(), kBiosKeyboardVector);
    EXPECT_TRUE(controller().translation());
    EXPECT_EQ(controller().scan_code_set, 2);
    feed({0xE2, 0x05});
    EXPECT_EQ(bios_bytes(), (Bytes{0xE2, 0x05}));
    EXPECT_EQ(runtime::key_ring_write, 0);
    // Nor do the device commands reach a plain PC keyboard.
    runtime::set_keyboard_leds(1, 1);
    runtime::reset_keyboard_leds();
    runtime::remove_keyboard_isr();
    EXPECT_TRUE(device_bytes().empty());
}

TEST_F(KeyboardIsr, RemoveRestoresVectorTranslationAndScanCodeSet2) {
    runtime::install_keyboard_isr();
    feed({0xE2, 0x05});
    rig.machine().text.push_key('x');
    runtime::remove_keyboard_isr();
    EXPECT_EQ(int9_vector(), kBiosKeyboardVector);
    EXPECT_TRUE(controller().translation());
    EXPECT_EQ(controller().scan_code_set, 2);
    EXPECT_EQ(device_bytes(), (Bytes{0xF0, 0x01, 0xF0, 0x02}));
    EXPECT_EQ(platform::kbhit(), 0);
    EXPECT_EQ(controller().command_byte, platform::kPowerOnCommandByte);

    const int16_t write = runtime::key_ring_write;
    feed({0xE2, 0x06});
    EXPECT_EQ(runtime::key_ring_write, write);
    EXPECT_EQ(bios_bytes(), (Bytes{0xE2, 0x06}));

    runtime::remove_keyboard_isr();  // a second run finds nothing to do
    EXPECT_EQ(device_bytes().size(), 4u);
}

TEST_F(KeyboardIsr, RemoveWithoutInstallDoesNothing) {
    runtime::remove_keyboard_isr();
    EXPECT_EQ(int9_vector(), kBiosKeyboardVector);
    EXPECT_TRUE(device_bytes().empty());
}

// The routines mask IRQ 1 while they talk to the controller and then put
// back the mask they found, other lines included.
TEST_F(KeyboardIsr, ControllerRoutinesRestoreTheInterruptMask) {
    platform::outportb(platform::kPortPicMask, 0x81);
    runtime::install_keyboard_isr();
    EXPECT_EQ(controller().pic_mask, 0x81);
    runtime::remove_keyboard_isr();
    EXPECT_EQ(controller().pic_mask, 0x81);
}

// --- device LEDs --------------------------------------------------------------

TEST_F(KeyboardIsr, DeviceLedBytes) {
    struct Case {
        uint8_t index;
        uint8_t state;
        Bytes bytes;
    };
    const std::vector<Case> cases = {
        {1, 1, {0xE5, 0x48}}, {2, 1, {0xE5, 0x50}}, {3, 1, {0xE5, 0x58}}, {4, 1, {0xE5, 0x60}},
        {5, 1, {0xE5, 0x68}}, {2, 0, {0xE5, 0x10}}, {5, 0, {0xE5, 0x28}},
        {0, 1, {}}, {6, 1, {}}, {1, 2, {}},  // no such LED or state
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("LED " + std::to_string(c.index) + " state " + std::to_string(c.state));
        controller().device_bytes.clear();
        runtime::set_keyboard_leds(c.index, c.state);
        EXPECT_EQ(device_bytes(), c.bytes);
    }
    EXPECT_TRUE(controller().led(1));
    EXPECT_FALSE(controller().led(2));
    EXPECT_TRUE(controller().led(3));
    EXPECT_TRUE(controller().led(4));
    EXPECT_FALSE(controller().led(5));

    controller().device_bytes.clear();
    runtime::reset_keyboard_leds();
    EXPECT_EQ(device_bytes(), (Bytes{0xC0, 0x65}));
    for (int led = 1; led <= 5; ++led) EXPECT_FALSE(controller().led(led)) << led;
}

// --- controller waits ----------------------------------------------------------

// Half a second on the BIOS tick count: 10 ticks of 54.9 ms, counted from
// wherever within a tick the wait began.
constexpr uint64_t kTimeoutMin_ms = 494;
constexpr uint64_t kTimeoutMax_ms = 551;

TEST_F(KeyboardIsr, WaitsGiveUpAfterHalfASecondWhenNothingAnswers) {
    struct Case {
        const char* name;
        std::function<void(platform::KeyboardController&)> setup;
        void (*wait)();
    };
    const std::vector<Case> cases = {
        {"controller stays busy", [](platform::KeyboardController& k) { k.controller_busy = true; },
         &runtime::wait_keyboard_controller_ready},
        {"output buffer stays empty", [](platform::KeyboardController&) {}, &runtime::wait_keyboard_output_full},
        {"no acknowledge", [](platform::KeyboardController&) {}, &runtime::wait_keyboard_ack},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        controller() = platform::KeyboardController{};
        c.setup(controller());
        const uint64_t waited = elapsed_ms(c.wait);
        EXPECT_GE(waited, kTimeoutMin_ms);
        EXPECT_LE(waited, kTimeoutMax_ms);
    }
}

TEST_F(KeyboardIsr, WaitsReturnAtOnceWhenTheControllerAnswers) {
    EXPECT_LE(elapsed_ms(&runtime::wait_keyboard_controller_ready), 1u);

    platform::outportb(platform::kPortPicMask, 0x02);  // the byte stays in the output buffer
    feed({0x1E});
    EXPECT_LE(elapsed_ms(&runtime::wait_keyboard_output_full), 1u);

    // An acknowledge behind a key byte: the key byte is read and passed over.
    platform::outportb(platform::kPortKeyboardData, 0xF0);
    EXPECT_LE(elapsed_ms(&runtime::wait_keyboard_ack), 1u);
    EXPECT_EQ(controller().output_full, false);
}

// The tick count restarts at midnight; the wait measures again from there
// instead of waiting for a count that never comes.
TEST_F(KeyboardIsr, MidnightRestartsTheTimeout) {
    rig.machine().clock.time_of_day_at_start_ms = platform::kMsPerDay - 200;
    controller().controller_busy = true;
    const uint64_t waited = elapsed_ms(&runtime::wait_keyboard_controller_ready);
    EXPECT_GE(waited, 200 + 549u);
    EXPECT_LE(waited, 200 + 551u);
}

TEST_F(KeyboardIsr, SilentDeviceCostsOnlyTheTimeouts) {
    controller().device_answers = false;
    const uint64_t waited = elapsed_ms([] { runtime::select_keyboard_scan_code_set(1); });
    EXPECT_EQ(controller().scan_code_set, 2);
    EXPECT_EQ(device_bytes(), (Bytes{0xF0, 0x01}));  // the set number is still sent
    EXPECT_GE(waited, 2 * kTimeoutMin_ms);
    EXPECT_LE(waited, 2 * kTimeoutMax_ms + 5);
    EXPECT_EQ(controller().pic_mask, 0);

    // A controller that stays busy: six waits, and the command byte stays.
    controller() = platform::KeyboardController{};
    controller().controller_busy = true;
    const uint64_t busy = elapsed_ms([] { runtime::set_keyboard_translation(0); });
    EXPECT_TRUE(controller().translation());
    EXPECT_GE(busy, 6 * kTimeoutMin_ms);
    EXPECT_LE(busy, 6 * kTimeoutMax_ms + 5);
}

// --- in the console --------------------------------------------------------------

TEST(KeyboardIsrConsole, StartUpInstallsTheHandlerOfTheSmallConsole) {
    rig::Rig rig;
    const rig::ProgramDir dir = rig::ProgramDir::demo();
    rig::start_console(rig, dir);
    ASSERT_FALSE(rig.finished());
    const platform::KeyboardController& controller = rig.machine().keyboard;
    EXPECT_EQ(int9_vector(), own_handler());
    EXPECT_FALSE(controller.translation());
    EXPECT_EQ(controller.scan_code_set, 1);
    const Bytes sent = controller.device_bytes.to_vector();
    ASSERT_GE(sent.size(), 2u);
    EXPECT_EQ(Bytes(sent.begin(), sent.begin() + 2), (Bytes{0xF0, 0x01}));

    const int16_t write = runtime::key_ring_write;
    platform::feed_keyboard_byte(0xE2);
    platform::feed_keyboard_byte(0x05);
    EXPECT_EQ(runtime::key_ring[static_cast<size_t>(write)], 0x0105);
    platform::feed_keyboard_byte(0x1E);
    EXPECT_EQ(controller.bios_bytes.last(), 0x1E);

    runtime::remove_keyboard_isr();
    EXPECT_EQ(int9_vector(), kBiosKeyboardVector);
    EXPECT_TRUE(controller.translation());
    EXPECT_EQ(controller.scan_code_set, 2);
}

}  // namespace
