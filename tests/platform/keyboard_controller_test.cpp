#include "platform/keyboard_controller.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/interrupts.h"
#include "platform/machine.h"
#include "platform/ports.h"

namespace {

using namespace platform;

// A program handler at int 9 in the manner of the console's: bytes at or above
// E0h are the device's own and end here; every other byte is passed on to the
// handler that was there before, which reads port 60h again.
IntVector previous_handler;
std::vector<uint8_t> device_keys;
bool handler_sends_eoi = true;

void program_keyboard_handler() {
    const uint8_t byte = inportb(kPortKeyboardData);
    if (byte >= 0xE0) {
        device_keys.push_back(byte);
        if (handler_sends_eoi) outportb(kPortPicCommand, kPicEndOfInterrupt);
        return;
    }
    call_int_handler(previous_handler.selector, previous_handler.offset);
}

class KeyboardControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        install_machine(m.get());
        previous_handler = IntVector{};
        device_keys.clear();
        handler_sends_eoi = true;
    }
    void TearDown() override { install_machine(nullptr); }

    void install_program_handler() {
        get_int_vector(9, previous_handler.selector, previous_handler.offset);
        const IntVector own = handler_vector(&program_keyboard_handler);
        set_int_vector(9, own.selector, own.offset);
    }

    // Polls port 64h until the output buffer is full; false after limit reads.
    bool wait_output_full(int limit = 10'000) {
        for (int i = 0; i < limit; ++i) {
            if ((inportb(kPortKeyboardStatus) & kStatusOutputFull) != 0) return true;
        }
        return false;
    }

    uint8_t read_answer() {
        EXPECT_TRUE(wait_output_full());
        return inportb(kPortKeyboardData);
    }

    std::vector<uint8_t> bios_bytes() const { return m->keyboard.bios_bytes.to_vector(); }
    std::vector<uint8_t> device_bytes() const { return m->keyboard.device_bytes.to_vector(); }

    std::unique_ptr<Machine> m = std::make_unique<Machine>();
};

TEST_F(KeyboardControllerTest, OrdinaryBytesReachTheBiosHandler) {
    feed_keyboard_byte(0x1E);
    feed_keyboard_byte(0x9E);
    EXPECT_EQ(bios_bytes(), (std::vector<uint8_t>{0x1E, 0x9E}));
    EXPECT_EQ(m->keyboard.end_of_interrupts, 2u);
    EXPECT_FALSE(m->keyboard.in_service);
    EXPECT_EQ(inportb(kPortKeyboardStatus) & kStatusOutputFull, 0);
}

TEST_F(KeyboardControllerTest, ProgramHandlerTakesDeviceBytesAndPassesTheRestOn) {
    install_program_handler();
    for (uint8_t byte : {0xE2, 0x05, 0xE2, 0xF0, 0x05, 0x2A}) feed_keyboard_byte(byte);
    EXPECT_EQ(device_keys, (std::vector<uint8_t>{0xE2, 0xE2, 0xF0}));
    // The chained BIOS handler read port 60h a second time and saw the same byte.
    EXPECT_EQ(bios_bytes(), (std::vector<uint8_t>{0x05, 0x05, 0x2A}));
    EXPECT_EQ(m->keyboard.end_of_interrupts, 6u);
}

TEST_F(KeyboardControllerTest, WithoutEndOfInterruptTheNextByteWaits) {
    install_program_handler();
    handler_sends_eoi = false;
    feed_keyboard_byte(0xE2);
    feed_keyboard_byte(0xE5);
    EXPECT_EQ(device_keys, std::vector<uint8_t>{0xE2});
    EXPECT_TRUE(m->keyboard.in_service);

    handler_sends_eoi = true;
    outportb(kPortPicCommand, kPicEndOfInterrupt);
    EXPECT_EQ(device_keys, (std::vector<uint8_t>{0xE2, 0xE5}));
    EXPECT_FALSE(m->keyboard.in_service);
}

TEST_F(KeyboardControllerTest, MaskedIrqHoldsBytesUntilUnmasked) {
    outportb(kPortPicMask, kIrq1Mask);
    EXPECT_EQ(inportb(kPortPicMask), kIrq1Mask);
    feed_keyboard_byte(0x10);
    feed_keyboard_byte(0x11);
    EXPECT_TRUE(m->keyboard.bios_bytes.empty());
    EXPECT_EQ(inportb(kPortKeyboardStatus) & kStatusOutputFull, kStatusOutputFull);

    outportb(kPortPicMask, 0x00);
    EXPECT_EQ(bios_bytes(), (std::vector<uint8_t>{0x10, 0x11}));
}

TEST_F(KeyboardControllerTest, ABytePolledWhileMaskedIsNotDeliveredAgain) {
    outportb(kPortPicMask, kIrq1Mask);
    feed_keyboard_byte(0x10);
    feed_keyboard_byte(0x11);
    EXPECT_EQ(read_answer(), 0x10);
    EXPECT_EQ(read_answer(), 0x11);
    EXPECT_FALSE(wait_output_full(10));
    outportb(kPortPicMask, 0x00);
    EXPECT_TRUE(m->keyboard.bios_bytes.empty());
}

TEST_F(KeyboardControllerTest, TranslationIsSwitchedThroughTheCommandByte) {
    // Mask IRQ 1, read the command byte (20h), change bit 6, write it (60h), unmask.
    for (const bool on : {false, true}) {
        outportb(kPortPicMask, kIrq1Mask);
        outportb(kPortKeyboardStatus, 0x20);
        const uint8_t command = read_answer();
        EXPECT_EQ(command & ~kCommandByteTranslation, kPowerOnCommandByte & ~kCommandByteTranslation);
        outportb(kPortKeyboardStatus, 0x60);
        outportb(kPortKeyboardData, on ? (command | kCommandByteTranslation)
                                        : (command & ~kCommandByteTranslation));
        outportb(kPortPicMask, 0x00);
        EXPECT_EQ(m->keyboard.translation(), on);
    }
    EXPECT_TRUE(m->keyboard.device_bytes.empty());  // the command byte is the controller's
    EXPECT_TRUE(m->keyboard.bios_bytes.empty());
}

TEST_F(KeyboardControllerTest, CommandByteGoesToTheHandlerWhenIrqIsNotMasked) {
    outportb(kPortKeyboardStatus, 0x20);
    EXPECT_EQ(bios_bytes(), std::vector<uint8_t>{kPowerOnCommandByte});
}

TEST_F(KeyboardControllerTest, ScanCodeSetIsSelectedWithAcknowledges) {
    outportb(kPortPicMask, kIrq1Mask);
    outportb(kPortKeyboardData, 0xF0);
    EXPECT_EQ(read_answer(), kKeyboardAck);
    outportb(kPortKeyboardData, 0x01);
    EXPECT_EQ(read_answer(), kKeyboardAck);
    EXPECT_EQ(m->keyboard.scan_code_set, 1);

    outportb(kPortKeyboardData, 0xF0);
    EXPECT_EQ(read_answer(), kKeyboardAck);
    outportb(kPortKeyboardData, 0x04);
    EXPECT_EQ(read_answer(), kKeyboardResend);
    EXPECT_EQ(m->keyboard.scan_code_set, 1);
    outportb(kPortPicMask, 0x00);
    EXPECT_EQ(device_bytes(), (std::vector<uint8_t>{0xF0, 0x01, 0xF0, 0x04}));
}

TEST_F(KeyboardControllerTest, AcknowledgeWaitsBehindABytePendingFromTheDevice) {
    outportb(kPortPicMask, kIrq1Mask);
    feed_keyboard_byte(0x1E);
    outportb(kPortKeyboardData, 0xF0);
    EXPECT_EQ(read_answer(), 0x1E);
    EXPECT_EQ(read_answer(), kKeyboardAck);
}

TEST_F(KeyboardControllerTest, CommandByteComesBeforeQueuedDeviceBytes) {
    outportb(kPortPicMask, kIrq1Mask);
    feed_keyboard_byte(0x1E);  // in the output buffer
    feed_keyboard_byte(0x1F);  // waiting behind it
    outportb(kPortKeyboardStatus, 0x20);
    EXPECT_EQ(read_answer(), 0x1E);
    EXPECT_EQ(read_answer(), kPowerOnCommandByte);
    EXPECT_EQ(read_answer(), 0x1F);
}

TEST_F(KeyboardControllerTest, DeviceLedsFollowTheLedAndResetCommands) {
    const std::vector<uint8_t> sent = {0xE5, 3 * 8 + 0x40, 0xE5, 5 * 8 + 0x40, 0xE5, 3 * 8,
                                       0xE5, 1 * 8 + 0x40};
    for (uint8_t byte : sent) outportb(kPortKeyboardData, byte);
    EXPECT_EQ(device_bytes(), sent);
    EXPECT_TRUE(m->keyboard.led(1));
    EXPECT_FALSE(m->keyboard.led(3));
    EXPECT_TRUE(m->keyboard.led(5));
    EXPECT_FALSE(m->keyboard.led(0));
    EXPECT_FALSE(m->keyboard.led(6));

    outportb(kPortKeyboardData, 0xC0);
    outportb(kPortKeyboardData, 0x65);
    for (int i = 1; i <= kDeviceLeds; ++i) EXPECT_FALSE(m->keyboard.led(i)) << i;
    EXPECT_TRUE(m->keyboard.bios_bytes.empty());  // the device answers none of these
}

TEST_F(KeyboardControllerTest, SilentDeviceCostsTimeButNeverAnswers) {
    m->keyboard.device_answers = false;
    outportb(kPortPicMask, kIrq1Mask);
    outportb(kPortKeyboardData, 0xF0);
    const uint64_t start_ms = m->clock.now_ms;
    EXPECT_FALSE(wait_output_full(2000));
    EXPECT_EQ(m->clock.now_ms - start_ms, 2u);  // 1 microsecond a port access
    EXPECT_EQ(device_bytes(), std::vector<uint8_t>{0xF0});
}

TEST_F(KeyboardControllerTest, BusyControllerShowsInputFullAndDropsWrites) {
    m->keyboard.controller_busy = true;
    EXPECT_EQ(inportb(kPortKeyboardStatus) & kStatusInputFull, kStatusInputFull);
    outportb(kPortKeyboardData, 0xE5);
    outportb(kPortKeyboardStatus, 0x60);
    EXPECT_TRUE(m->keyboard.device_bytes.empty());
    EXPECT_FALSE(m->keyboard.command_byte_next);
}

TEST_F(KeyboardControllerTest, FullQueueDropsFurtherBytes) {
    outportb(kPortPicMask, kIrq1Mask);
    const size_t fed = kKeyboardQueueBytes + 5;
    for (size_t i = 0; i < fed; ++i) feed_keyboard_byte(static_cast<uint8_t>(i));
    // One byte sits in the output buffer, the queue holds the next ones.
    EXPECT_EQ(m->keyboard.bytes_dropped, fed - kKeyboardQueueBytes - 1);
    outportb(kPortPicMask, 0x00);
    const std::vector<uint8_t> got = bios_bytes();
    ASSERT_EQ(got.size(), kKeyboardQueueBytes + 1);
    for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i], i);
}

TEST_F(KeyboardControllerTest, UnservedPortsReadZero) {
    EXPECT_EQ(inportb(0x3F8), 0);
    outportb(0x3F8, 0x55);
    EXPECT_EQ(inportb(0x3F8), 0);
}

}  // namespace
