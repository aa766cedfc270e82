// The SMPTE/MIDI card as the console finds and drives it: interrupt 68h,
// its window through a selector, the command register and the MIDI ring.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/machine.h"
#include "platform/ports.h"

namespace platform {
namespace {

class SyncCardTest : public ::testing::Test {
protected:
    void SetUp() override {
        m = std::make_unique<Machine>();
        install_machine(m.get());
    }
    void TearDown() override { install_machine(nullptr); }

    // probe_interface_driver: the segment from interrupt 68h, a selector for
    // it, and the selector kept only when "SMPTE" stands at 160h.
    static uint16_t program_probe() {
        Regs regs;
        regs.set_ax(0x55AA);
        sync_driver_interrupt(regs);
        bool carry = true;
        const uint16_t selector = dpmi_segment_to_selector(regs.ax(), carry);
        if (carry) return 0;
        std::string signature;
        for (uint32_t i = 0; i < 5; ++i) signature.push_back(static_cast<char>(far_peek_byte(selector, 0x160 + i)));
        return signature == "SMPTE" ? selector : 0;
    }

public:
    static void command(uint16_t sel, uint16_t code) { program_command(sel, code, 0); }

protected:
    static void program_command(uint16_t sel, uint16_t code, uint16_t ax) {
        far_poke_word(sel, 0x150, code);
        Regs regs;
        regs.set_ax(ax);
        sync_driver_interrupt(regs);
    }

    // poll_midi_input's ring step: one word at the read index, index
    // advanced and wrapped at base + 128, written back.
    static bool program_take_midi(uint16_t sel, uint16_t& word) {
        const uint16_t base = far_peek_word(sel, 0x120);
        uint16_t read = far_peek_word(sel, 0x122);
        if (read == far_peek_word(sel, 0x124)) return false;
        word = far_peek_word(sel, read);
        read = static_cast<uint16_t>(read + 2);
        if (read == base + 128) read = base;
        far_poke_word(sel, 0x122, read);
        return true;
    }

    std::unique_ptr<Machine> m;
};

TEST_F(SyncCardTest, ProbeFindsTheWindowOfAFittedCard) {
    m->sync.fit();
    Regs regs;
    regs.set_ax(0x55AA);
    regs.ebx = 0x1234;
    sync_driver_interrupt(regs);
    EXPECT_EQ(regs.ax(), 0xD800);
    EXPECT_EQ(regs.ebx, 0x1234u);

    const uint16_t sel = program_probe();
    ASSERT_NE(sel, 0);
    EXPECT_EQ(far_peek_byte(sel, 0x155), 0);  // no sound inputs
    EXPECT_TRUE(m->sync.commands().empty());  // the probe is no command
}

TEST_F(SyncCardTest, ProbeHonoursTheConfiguredSegment) {
    m->sync.segment = 0xE000;
    m->sync.fit(true);
    const uint16_t sel = program_probe();
    ASSERT_NE(sel, 0);
    EXPECT_EQ(far_peek_byte(sel, 0x155), 'C');
    bool carry = true;
    EXPECT_EQ(dpmi_segment_to_selector(0xE000, carry), sel);
}

// Without the card no driver answers: AX comes back as 55AAh, and the
// memory at that segment carries no signature.
TEST_F(SyncCardTest, WithoutTheCardTheProbeFindsNothing) {
    Regs regs;
    regs.set_ax(0x55AA);
    sync_driver_interrupt(regs);
    EXPECT_EQ(regs.ax(), 0x55AA);
    EXPECT_EQ(program_probe(), 0);

    bool carry = true;
    const uint16_t sel = dpmi_segment_to_selector(0xD800, carry);
    EXPECT_EQ(far_peek_byte(sel, 0x160), 0);
    program_command(sel, 0x11, 0);
    EXPECT_TRUE(m->sync.commands().empty());
    EXPECT_FALSE(m->sync.append_midi_word(0x9000));
}

TEST_F(SyncCardTest, RemovedCardLeavesNoWindow) {
    m->sync.fit();
    ASSERT_NE(program_probe(), 0);
    m->sync.remove();
    EXPECT_TRUE(m->sync.window().empty());
    EXPECT_EQ(program_probe(), 0);
}

TEST_F(SyncCardTest, CommandsAreLoggedWithTheirArgument) {
    m->sync.fit();
    const uint16_t sel = program_probe();
    ASSERT_NE(sel, 0);
    program_command(sel, 0x15, 0);    // audio on
    program_command(sel, 0x11, 0);    // MIDI input on
    program_command(sel, 0x13, 0x77); // begin a MIDI message; AX left as it was
    program_command(sel, 0x14, 0x90); // one MIDI byte in AX
    program_command(sel, 0x14, 0x3C);

    const std::vector<SyncCommand> log = m->sync.commands();
    ASSERT_EQ(log.size(), 5u);
    const std::vector<std::pair<uint16_t, uint16_t>> expected = {
        {0x15, 0}, {0x11, 0}, {0x13, 0x77}, {0x14, 0x90}, {0x14, 0x3C}};
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(log[i].code, expected[i].first) << i;
        EXPECT_EQ(log[i].ax, expected[i].second) << i;
    }
    EXPECT_EQ(far_peek_word(sel, 0x150), 0x14);
}

TEST_F(SyncCardTest, CommandLogKeepsTheNewestEntries) {
    m->sync.fit();
    const uint16_t sel = program_probe();
    for (uint16_t i = 0; i < kSyncCommandLogEntries + 10; ++i) program_command(sel, 0x14, i);
    const std::vector<SyncCommand> log = m->sync.commands();
    ASSERT_EQ(log.size(), static_cast<size_t>(kSyncCommandLogEntries));
    EXPECT_EQ(log.front().ax, 10);
    EXPECT_EQ(log.back().ax, kSyncCommandLogEntries + 9);
}

TEST_F(SyncCardTest, MidiWordsArriveInTheRingInOrder) {
    m->sync.fit();
    const uint16_t sel = program_probe();
    const uint16_t base = far_peek_word(sel, 0x120);
    EXPECT_EQ(far_peek_word(sel, 0x122), base);
    EXPECT_EQ(far_peek_word(sel, 0x124), base);

    ASSERT_TRUE(m->sync.append_midi_word(0x9001));  // Note On, channel 1
    ASSERT_TRUE(m->sync.append_midi_word(0x3C7F));  // data1 3Ch, data2 7Fh
    EXPECT_EQ(far_peek_word(sel, 0x124), base + 4);

    uint16_t word = 0;
    ASSERT_TRUE(program_take_midi(sel, word));
    EXPECT_EQ(word, 0x9001);
    ASSERT_TRUE(program_take_midi(sel, word));
    EXPECT_EQ(word, 0x3C7F);
    EXPECT_FALSE(program_take_midi(sel, word));
}

// 63 words fill the 64-word ring (one position stays free); both indexes
// wrap at base + 128.
TEST_F(SyncCardTest, MidiRingFillsAndWraps) {
    m->sync.fit();
    const uint16_t sel = program_probe();
    const uint16_t base = far_peek_word(sel, 0x120);
    uint16_t next = 0;
    while (m->sync.append_midi_word(next) && next < 200) ++next;
    EXPECT_EQ(next, 63);
    EXPECT_EQ(far_peek_word(sel, 0x124), base + 126);

    std::vector<uint16_t> words;
    uint16_t word = 0;
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(program_take_midi(sel, word));
        words.push_back(word);
    }
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(m->sync.append_midi_word(next++));
    EXPECT_EQ(far_peek_word(sel, 0x124), base + 8);  // wrapped
    while (program_take_midi(sel, word)) words.push_back(word);
    EXPECT_EQ(far_peek_word(sel, 0x122), base + 8);
    ASSERT_EQ(words.size(), 68u);
    for (uint16_t i = 0; i < 68; ++i) EXPECT_EQ(words[i], i);
}

TEST_F(SyncCardTest, RingWithInvalidIndexesTakesNothing) {
    m->sync.fit();
    const uint16_t sel = program_probe();
    const uint16_t base = far_peek_word(sel, 0x120);
    far_poke_word(sel, 0x124, static_cast<uint16_t>(base + 1));
    EXPECT_FALSE(m->sync.append_midi_word(0x9000));
    far_poke_word(sel, 0x124, base);
    far_poke_word(sel, 0x120, 0xFFF0);  // a ring that would leave the window
    far_poke_word(sel, 0x122, 0xFFF0);
    far_poke_word(sel, 0x124, 0xFFF0);
    EXPECT_FALSE(m->sync.append_midi_word(0x9000));
}

TEST_F(SyncCardTest, MidiClockCountRestartsAfterTheProgramZeroesIt) {
    m->sync.fit();
    const uint16_t sel = program_probe();
    m->sync.count_midi_clocks(24);
    EXPECT_EQ(far_peek_word(sel, 0x12E), 24);
    far_poke_word(sel, 0x12E, 0);
    m->sync.count_midi_clocks(3);
    EXPECT_EQ(far_peek_word(sel, 0x12E), 3);
}

// The reader registers as hh:mm:ss:ff and the rate code.
std::string reader_time(uint16_t sel) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d:%02d/%d", far_peek_byte(sel, 0x110), far_peek_byte(sel, 0x113),
                  far_peek_byte(sel, 0x112), far_peek_byte(sel, 0x115), far_peek_byte(sel, 0x116));
    return text;
}

// The console's generator start: rate, command 2, time, 10h, 3.
void start_generator(uint16_t sel, uint8_t rate, uint8_t h, uint8_t m, uint8_t s, uint8_t f) {
    far_poke_byte(sel, 0x136, rate);
    SyncCardTest::command(sel, 2);
    far_poke_byte(sel, 0x130, h);
    far_poke_byte(sel, 0x133, m);
    far_poke_byte(sel, 0x132, s);
    far_poke_byte(sel, 0x135, f);
    SyncCardTest::command(sel, 0x10);
    SyncCardTest::command(sel, 3);
}

TEST_F(SyncCardTest, TheGeneratorRunsFromItsTimeAndRateAndTheReaderFollowsIt) {
    m->sync.fit();
    const uint16_t sel = program_probe();
    start_generator(sel, 1, 1, 59, 59, 23);  // "25"
    EXPECT_EQ(reader_time(sel), "01:59:59:23/1");
    const uint16_t counter = far_peek_word(sel, 0x11E);
    m->advance_ms(39);
    EXPECT_EQ(far_peek_word(sel, 0x11E), counter) << "no new frame within 40 ms";
    m->advance_ms(1);
    EXPECT_EQ(reader_time(sel), "01:59:59:24/1");
    EXPECT_EQ(far_peek_word(sel, 0x11E), counter + 1);
    m->advance_ms(40);
    EXPECT_EQ(reader_time(sel), "02:00:00:00/1");

    // A rate change: 2, a new time, 10h, 3; "30D" counts 30 frames a second.
    start_generator(sel, 3, 0, 0, 10, 0);
    m->advance_ms(1000);
    EXPECT_EQ(reader_time(sel), "00:00:11:00/3");
    m->advance_ms(500);
    EXPECT_EQ(reader_time(sel), "00:00:11:15/3");

    // Stopped: the time stands and the counter with it.
    command(sel, 4);
    const uint16_t stopped = far_peek_word(sel, 0x11E);
    m->advance_ms(2000);
    EXPECT_EQ(reader_time(sel), "00:00:11:15/3");
    EXPECT_EQ(far_peek_word(sel, 0x11E), stopped);
}

TEST_F(SyncCardTest, TheFrameCounterSkipsZero) {
    m->sync.fit();
    const uint16_t sel = program_probe();
    far_poke_word(sel, 0x11E, 0xFFFF);
    start_generator(sel, 0, 0, 0, 0, 0);
    EXPECT_EQ(far_peek_word(sel, 0x11E), 1);
}

TEST_F(SyncCardTest, TheReaderHearsSmpteInOnlyWhileStarted) {
    struct Case {
        SmpteInput input;
        const char* after_two_seconds;
    };
    for (const Case& c : {Case{SmpteInput{}, "00:00:00:00/0"},                  // loop, generator stopped
                          Case{SmpteInput{true, 1, 25 * 60}, "00:01:02:00/1"}}) {  // outside "25" from 00:01:00:00
        m = std::make_unique<Machine>();
        install_machine(m.get());
        m->sync.smpte_in = c.input;
        m->sync.fit();
        const uint16_t sel = program_probe();
        m->advance_ms(1000);
        EXPECT_EQ(reader_time(sel), "00:00:00:00/0") << "reader not started";
        command(sel, 1);
        m->advance_ms(1000);
        EXPECT_EQ(reader_time(sel), c.after_two_seconds);
        command(sel, 0);
        m->advance_ms(1000);
        EXPECT_EQ(reader_time(sel), c.after_two_seconds) << "reader stopped";
    }
}

// ------------------------------------------------------------------ MIDI bytes

class SyncCardMidiBytes : public SyncCardTest {
protected:
    std::vector<uint16_t> ring_after(const std::vector<uint8_t>& bytes) {
        m->sync.feed_midi_bytes(bytes);
        const uint16_t sel = program_probe();
        std::vector<uint16_t> words;
        uint16_t word = 0;
        while (program_take_midi(sel, word)) words.push_back(word);
        return words;
    }
};

TEST_F(SyncCardMidiBytes, BytesBecomeRingWords) {
    m->sync.fit();
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        std::vector<uint16_t> words;
        uint16_t clocks;
    };
    const std::vector<Case> cases = {
        {"note on", {0x93, 0x3C, 0x64}, {0x9003, 0x3C64}, 0},
        {"running status expanded", {0x90, 0x3C, 0x64, 0x3E, 0x50}, {0x9000, 0x3C64, 0x9000, 0x3E50}, 0},
        {"velocity 0 is a note off", {0x91, 0x3C, 0x00}, {0x8001, 0x3C00}, 0},
        {"program change: one data byte", {0xC2, 0x05}, {0xC002, 0x0500}, 0},
        {"clock inside a message is counted", {0x90, 0xF8, 0x3C, 0xF8, 0x40}, {0x9000, 0x3C40}, 2},
        {"stray data and a lone F7 dropped", {0x3C, 0x40, 0xF7}, {}, 0},
        {"active sensing passes unseen", {0xB0, 0xFE, 0x07, 0x7F}, {0xB000, 0x077F}, 0},
        {"SysEx, even length", {0xF0, 0x7F, 0x01, 0xF7}, {0xF000, 0x7F01, 0xF700}, 0},
        {"SysEx, odd length", {0xF0, 0x7F, 0x01, 0x02, 0xF7}, {0xF000, 0x7F01, 0x02F7}, 0},
        {"a status cuts a SysEx short", {0xF0, 0x7F, 0x01, 0x02, 0x90, 0x3C, 0x40}, {0xF000, 0x7F01, 0x9000, 0x3C40}, 0},
        {"song select: one byte, no running status", {0xF3, 0x04, 0x05}, {0xF300, 0x0400}, 0},
    };
    for (const Case& c : cases) {
        const uint16_t clocks_before = m->sync.peek_word(0x12E);
        EXPECT_EQ(ring_after(c.bytes), c.words) << c.name;
        EXPECT_EQ(m->sync.peek_word(0x12E) - clocks_before, c.clocks) << c.name;
        ring_after({0xF6});  // tune request: ends any open status for the next case
    }
}

// Commands 13h and 14h put the bytes on MIDI OUT; the host takes them once.
TEST_F(SyncCardMidiBytes, MidiOutKeepsTheBytesSent) {
    m->sync.fit();
    const uint16_t sel = program_probe();
    program_command(sel, 0x13, 0);
    program_command(sel, 0x14, 0x90);
    program_command(sel, 0x14, 0x3C);
    program_command(sel, 0x14, 0x40);
    EXPECT_EQ(m->sync.midi_out_log(), (std::vector<uint8_t>{0x90, 0x3C, 0x40}));
    EXPECT_EQ(m->sync.take_midi_out(), (std::vector<uint8_t>{0x90, 0x3C, 0x40}));
    EXPECT_TRUE(m->sync.take_midi_out().empty());
    EXPECT_EQ(m->sync.midi_out_log().size(), 3u);
}

// The sound bands sit at the port base of 158h + 4 .. + 8 and read their
// levels only after command 15h, and only on a card with sound inputs.
TEST_F(SyncCardMidiBytes, SoundBandsAtThePortBase) {
    m->sync.fit(true);
    const uint16_t sel = program_probe();
    const uint16_t base = far_peek_word(sel, 0x158);
    ASSERT_NE(base, 0);
    m->sync.set_band_levels({10, 20, 30, 40, 50});
    EXPECT_EQ(inportb(static_cast<uint16_t>(base + 4)), 0);  // not switched on
    program_command(sel, 0x15, 0);
    for (uint16_t k = 1; k <= 5; ++k) EXPECT_EQ(inportb(static_cast<uint16_t>(base + 3 + k)), 10 * k) << k;
    EXPECT_EQ(inportb(static_cast<uint16_t>(base + 9)), 0);
    program_command(sel, 0x16, 0);
    EXPECT_EQ(inportb(static_cast<uint16_t>(base + 4)), 0);

    m->sync.fit(false);  // without sound inputs the ports are nobody's
    m->sync.set_band_levels({10, 20, 30, 40, 50});
    program_command(program_probe(), 0x15, 0);
    EXPECT_EQ(inportb(static_cast<uint16_t>(base + 4)), 0);
}

}  // namespace
}  // namespace platform
