#include "platform/cdrom.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/interrupts.h"
#include "platform/machine.h"

namespace {

using namespace platform;

constexpr uint16_t kCdDrive = 3;

class CdromTest : public ::testing::Test {
protected:
    void SetUp() override {
        install_machine(m.get());
        ASSERT_TRUE(dpmi_allocate_dos_memory(10, segment, selector));
    }
    void TearDown() override { install_machine(nullptr); }

    RealModeCall send_request(uint16_t drive, uint16_t offset = 0) {
        RealModeCall call;
        call.eax = 0x1510;
        call.ecx = drive;
        call.es = segment;
        call.ebx = offset;
        call_real_mode_int(0x2F, &call);
        return call;
    }

    // A STOP AUDIO request: the 13-byte header with command code 133.
    void write_stop_request(uint32_t at) {
        far_poke_byte(selector, at + 0, 13);
        far_poke_byte(selector, at + 2, 133);
        far_poke_word(selector, at + 3, 0xAAAA);  // whatever the last request left
    }

    std::unique_ptr<Machine> m = std::make_unique<Machine>();
    uint16_t segment = 0;
    uint16_t selector = 0;
};

TEST_F(CdromTest, InstallationCheckGivesTheDrives) {
    RealModeCall call;
    call.eax = 0x1500;
    call_real_mode_int(0x2F, &call);
    EXPECT_EQ(call.ebx, 1u);
    EXPECT_EQ(call.ecx, 3u);

    m->cdrom.drive_count = 2;
    m->cdrom.first_drive = 4;
    call = RealModeCall{};
    call.eax = 0x1500;
    call_real_mode_int(0x2F, &call);
    EXPECT_EQ(call.ebx, 2u);
    EXPECT_EQ(call.ecx, 4u);

    m->cdrom.installed = false;
    call = RealModeCall{};
    call.eax = 0x1500;
    call.ebx = 0x77;
    call_real_mode_int(0x2F, &call);
    EXPECT_EQ(call.ebx, 0u);
}

TEST_F(CdromTest, ARequestIsLoggedAsSentAndMarkedDone) {
    write_stop_request(0);
    const RealModeCall call = send_request(kCdDrive);
    EXPECT_EQ(call.flags & kCarryFlag, 0);
    ASSERT_EQ(m->cdrom.requests.size(), 1u);
    const CdromRequest request = m->cdrom.requests.last();
    EXPECT_EQ(request.bytes[0], 13);
    EXPECT_EQ(request.bytes[2], 133);
    EXPECT_EQ(request.bytes[3], 0xAA);  // the status as it was sent
    EXPECT_EQ(far_peek_word(selector, 3), kCdromStatusDone);
}

struct HandlerSeen {
    int calls = 0;
    uint16_t drive = 0;
    size_t length = 0;
    uint8_t command = 0;
};

uint16_t answer_with_error(void* context, uint16_t drive, std::span<uint8_t> request) {
    HandlerSeen& seen = *static_cast<HandlerSeen*>(context);
    ++seen.calls;
    seen.drive = drive;
    seen.length = request.size();
    seen.command = request[2];
    request[19] = 0x42;  // a result in the control block
    return kCdromStatusError | kCdromStatusDone | 0x02;
}

TEST_F(CdromTest, APluggedInHandlerAnswersTheRequest) {
    HandlerSeen seen;
    set_cdrom_request_handler(&answer_with_error, &seen);
    write_stop_request(0);
    send_request(kCdDrive);
    EXPECT_EQ(seen.calls, 1);
    EXPECT_EQ(seen.drive, kCdDrive);
    EXPECT_EQ(seen.length, kCdromRequestBytes);
    EXPECT_EQ(seen.command, 133);
    EXPECT_EQ(far_peek_word(selector, 3), 0x8102);
    EXPECT_EQ(far_peek_byte(selector, 19), 0x42);
    EXPECT_EQ(m->cdrom.requests.last().bytes[19], 0);  // logged before the handler ran

    set_cdrom_request_handler(nullptr, nullptr);
    send_request(kCdDrive);
    EXPECT_EQ(seen.calls, 1);
    EXPECT_EQ(far_peek_word(selector, 3), kCdromStatusDone);
}

TEST_F(CdromTest, ADriveThatIsNoCdromIsRefused) {
    write_stop_request(0);
    for (uint16_t drive : {2, 4, 0xFFFF}) {
        const RealModeCall call = send_request(drive);
        EXPECT_NE(call.flags & kCarryFlag, 0) << drive;
        EXPECT_EQ(call.eax, kCdromInvalidDrive) << drive;
    }
    EXPECT_TRUE(m->cdrom.requests.empty());
    EXPECT_EQ(far_peek_word(selector, 3), 0xAAAA);
}

TEST_F(CdromTest, WithoutADriverNothingHappens) {
    m->cdrom.installed = false;
    write_stop_request(0);
    const RealModeCall call = send_request(kCdDrive);
    EXPECT_EQ(call.eax, 0x1510u);
    EXPECT_TRUE(m->cdrom.requests.empty());
    EXPECT_EQ(far_peek_word(selector, 3), 0xAAAA);
}

TEST_F(CdromTest, ARequestAtTheEndOfTheSegmentKeepsWhatIsThere) {
    // The last 64 KB segment of conventional memory ends 16 bytes after 9FFF:FFF0.
    const uint16_t last = 0x9FFF;
    std::span<uint8_t> tail = real_mode_segment(last);
    ASSERT_EQ(tail.size(), 16u);
    tail[8] = 13;
    RealModeCall call;
    call.eax = 0x1510;
    call.ecx = kCdDrive;
    call.es = last;
    call.ebx = 8;
    call_real_mode_int(0x2F, &call);
    ASSERT_EQ(m->cdrom.requests.size(), 1u);
    EXPECT_EQ(m->cdrom.requests.last().length, 8);
    EXPECT_EQ(m->cdrom.requests.last().bytes[0], 13);
    EXPECT_EQ(tail[8 + 4], 0x01);

    call.ebx = 12;  // the status word would not fit
    call_real_mode_int(0x2F, &call);
    EXPECT_EQ(m->cdrom.requests.size(), 1u);
}

TEST_F(CdromTest, ProtectedModeCallTakesTheBufferBySelector) {
    write_stop_request(16);
    Regs regs;
    regs.set_ax(0x1510);
    regs.set_cx(kCdDrive);
    regs.es = selector;
    regs.set_bx(16);
    int386(0x2F, regs);
    EXPECT_FALSE(regs.carry);
    ASSERT_EQ(m->cdrom.requests.size(), 1u);
    EXPECT_EQ(m->cdrom.requests.last().segment, selector);
    EXPECT_EQ(m->cdrom.requests.last().length, 160 - 16);  // the block is 160 bytes
    EXPECT_EQ(far_peek_word(selector, 16 + 3), kCdromStatusDone);
}

}  // namespace
