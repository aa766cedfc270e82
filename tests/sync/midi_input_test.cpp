// MIDI input: bytes arrive at the SMPTE/MIDI card, its stand-in fills the
// ring, and the console's reader turns them into events one word per poll.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "datafiles/definition_files.h"
#include "platform/machine.h"
#include "platform/selectors.h"
#include "midi_console.h"
#include "rig/console.h"
#include "rig/program_dir.h"
#include "rig/rig.h"
#include "runtime/card_discovery.h"
#include "runtime/timers.h"
#include "sync/midi_events.h"
#include "sync/midi_input.h"
#include "playback/cue_tables.h"
#include "playback/playback_jobs.h"
#include "runtime/step_log.h"
#include "ui/message_line.h"

namespace {

using Words = std::array<uint16_t, 3>;
using Bytes = std::vector<uint8_t>;

struct Seen {
    uint64_t at_poll = 0;
    Words words{};
};

// The reader alone: the card found, the demo's midispec.cfg read, then the
// reader polled once per tick with the console clock following the machine's.
class MidiInput : public ::testing::Test {
protected:
    rig::Rig rig;
    rig::ProgramDir dir = rig::ProgramDir::demo();
    std::vector<Seen> seen;
    uint64_t polls = 0;

    void SetUp() override {
        dir.map_drive(rig.machine());
        rig.machine().cards.fit(0, rig::demo_console_card());
        rig.machine().sync.fit();
        rig.start([this] { read_midi(); });
        rig.run_ms(2);
    }

    void read_midi() {
        rig::start_console_parts();
        runtime::probe_interface_driver();
        datafiles::load_midi_spec_file();
        for (;;) {
            platform::idle_poll();
            runtime::clock_ms = static_cast<uint32_t>(platform::machine().clock.now_ms);
            ++polls;
            if (synchro::poll_midi_input()) seen.push_back({polls, synchro::midi_event.words});
        }
    }

    void feed(const Bytes& bytes) { rig.machine().sync.feed_midi_bytes(bytes); }
    std::vector<Words> events() {
        std::vector<Words> out;
        for (const Seen& s : seen) out.push_back(s.words);
        return out;
    }
    uint16_t ring_register(uint32_t offset) { return rig.machine().sync.peek_word(offset); }
};

// A note on is a status word and a data word: reported at the second word,
// one word a poll, data 1 in the high byte, word 3 zero. Running status is
// expanded by the card; velocity 0 arrives as a note off.
TEST_F(MidiInput, NoteOnOverTwoWordsOneWordAPoll) {
    feed({0x93, 0x3C, 0x64, 0x3E, 0x00});
    const uint64_t before = polls;
    rig.run_ms(10);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].words, (Words{0x9003, 0x3C64, 0}));
    EXPECT_EQ(seen[0].at_poll, before + 2);  // status word, then data word
    EXPECT_EQ(seen[1].words, (Words{0x8003, 0x3E00, 0}));
    EXPECT_EQ(seen[1].at_poll, before + 4);
}

TEST_F(MidiInput, StrayDataAndUnnamedStatusesAreDropped) {
    // Data without a status never reaches the ring; a data word planted there is dropped too.
    feed({0x3C, 0x40});
    rig.machine().sync.append_midi_word(0x3C40);
    // Aftertouch (A0) is not in midispec.cfg: its message is dropped whole.
    feed({0xA1, 0x3C, 0x40});
    feed({0xB0, 0x07, 0x7F});
    rig.run_ms(20);
    EXPECT_EQ(events(), (std::vector<Words>{{0xB000, 0x077F, 0}}));
}

// The ring wraps at base + 128; the reader follows and writes its index back.
TEST_F(MidiInput, ReadIndexWrapsAtTheRingEnd) {
    const uint16_t base = ring_register(0x120);
    for (int i = 0; i < 40; ++i) {  // 80 words over the wrap
        feed({0x90, static_cast<uint8_t>(i), 0x40});
        rig.run_ms(4);
    }
    ASSERT_EQ(seen.size(), 40u);
    for (int i = 0; i < 40; ++i) EXPECT_EQ(seen[static_cast<size_t>(i)].words[1], (i << 8) | 0x40) << i;
    EXPECT_EQ(ring_register(0x122), ring_register(0x124));
    EXPECT_EQ(ring_register(0x122), base + (80 * 2) % 128);
}

// A full ring drops new words (whole messages), never overwrites waiting ones.
TEST_F(MidiInput, FullRingDropsNewMessages) {
    Bytes burst;
    for (int i = 0; i < 40; ++i) burst.insert(burst.end(), {0x90, static_cast<uint8_t>(i), 0x40});
    feed(burst);  // fed at once: 31 messages fit the 63 free words
    rig.run_ms(200);
    ASSERT_EQ(seen.size(), 31u);
    EXPECT_EQ(seen.back().words, (Words{0x9000, (30 << 8) | 0x40, 0}));
}

Bytes show_control(uint8_t command, const std::string& data) {
    Bytes bytes = {0xF0, 0x7F, 0x01, 0x02, 0x01, command};
    bytes.insert(bytes.end(), data.begin(), data.end());
    bytes.push_back(0xF7);
    return bytes;
}

std::string fields(const std::string& cue, const std::string& page = "", const std::string& point = "") {
    std::string text = cue;
    if (!page.empty() || !point.empty()) text += std::string(1, '\0') + page;
    if (!point.empty()) text += std::string(1, '\0') + point;
    return text;
}

// A SysEx longer than the reader's buffer cannot turn into a command, even
// when its tail would read as one after a wrap.
TEST_F(MidiInput, OverlongSysexIsIgnored) {
    Bytes bytes = {0xF0, 0x7F, 0x01, 0x02, 0x01, 0x01, '5'};
    bytes.resize(256 + 2, '1');                                     // the buffer full of digits
    bytes.insert(bytes.end(), {0x7F, 0x01, 0x02, 0x01, 0x1B, '7'});  // what a wrap would read at bytes 0..5
    bytes.push_back(0xF7);
    for (size_t at = 0; at < bytes.size(); at += 100) {  // fed in parts so the ring keeps up
        feed(Bytes(bytes.begin() + static_cast<long>(at), bytes.begin() + static_cast<long>(std::min(at + 100, bytes.size()))));
        rig.run_ms(120);
    }
    EXPECT_TRUE(seen.empty());
    feed(show_control(0x01, fields("5")));  // the next one is read again
    rig.run_ms(100);
    EXPECT_EQ(events(), (std::vector<Words>{{0xF000, 41, 0}}));
}

// 24 clocks a beat; clocks inside a message leave the message whole.
TEST_F(MidiInput, ClockBeatsAt24And48) {
    auto clocks = [&](int n) {
        for (int i = 0; i < n; ++i) {
            feed({0xF8});
            rig.run_ms(20);  // 20 ms a clock: 125 beats a minute
        }
    };
    clocks(23);
    EXPECT_TRUE(seen.empty());
    clocks(1);
    EXPECT_EQ(events(), (std::vector<Words>{{0xF800, 0, 0}}));
    feed({0x90, 0xF8, 0x3C, 0xF8, 0x40});  // two clocks inside a note on
    clocks(21);                            // 47
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].words, (Words{0x9000, 0x3C40, 0}));
    clocks(1);  // 48
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[2].words, (Words{0xF800, 0, 0}));
}

// Clocks that stop for 250 ms: the card's count goes back to 0 and the next
// beat comes again after 24 clocks.
TEST_F(MidiInput, StoppedClockRestartsTheCount) {
    for (int i = 0; i < 30; ++i) {
        feed({0xF8});
        rig.run_ms(20);
    }
    ASSERT_EQ(seen.size(), 1u);
    rig.run_ms(260);
    EXPECT_EQ(ring_register(0x12E), 0);
    for (int i = 0; i < 23; ++i) {
        feed({0xF8});
        rig.run_ms(20);
    }
    EXPECT_EQ(seen.size(), 1u);
    feed({0xF8});
    rig.run_ms(20);
    EXPECT_EQ(seen.size(), 2u);
}

}  // namespace

namespace {

constexpr int kStartSlot = 21;  // cue 3

// Show control in the running console: GO runs the cue it names,
// OPEN_CUE_LIST opens the list registered for its number.
class ShowControl : public sync_test::MidiConsole {};

TEST_F(ShowControl, GoRunsTheCueItNames) {
    struct Case {
        const char* name;
        std::string data;
        int slot;  // 0: the live cue stays
        const char* message;
    };
    const Case cases[] = {
        {"cue 5 page 2 point 3", fields("5", "2", "3"), 743, ""},
        {"cue 5", fields("5"), 41, ""},
        {"cue 5.5", fields("5.5"), 0, "Midi Cuenr invalid"},
        {"point 10 stays in cue 5", fields("5", "1", "10"), 50, ""},
        {"cue 261 does not wrap to 5", fields("261"), 0, "Midi Cuenr invalid"},
        {"no cue number, page 2", fields("", "2"), 0, ""},
        {"page 17 counts as page 1", fields("5", "17"), 41, "Midi Cuepage invalid"},
        {"point 11 counts as point 1", fields("5", "1", "11"), 41, "Midi PointCue invalid"},
    };
    for (const Case& c : cases) {
        playback::go_to_cue(kStartSlot, 0, 0);
        const std::string before(ui::current_message());
        rig.machine().sync.take_midi_out();
        feed(show_control(0x01, c.data));
        rig.run_ms(2500);  // a refused field beeps for 2 s
        EXPECT_EQ(playback::current_cue_slot(), c.slot == 0 ? kStartSlot : c.slot) << c.name;
        EXPECT_EQ(ui::current_message(), std::string(c.message).empty() ? before : c.message) << c.name;
        EXPECT_TRUE(rig.machine().sync.take_midi_out().empty()) << c.name << ": a cue called by MIDI is not echoed";
    }
}

// A GO that arrives while a refused field still beeps waits in the ring and
// runs after the refused one: the beep's background poll must not take it
// and then have it overwritten.
TEST_F(ShowControl, AGoDuringARefusalBeepRunsAfterIt) {
    playback::go_to_cue(kStartSlot, 0, 0);
    Bytes both = show_control(0x01, fields("5", "17"));
    const Bytes second = show_control(0x01, fields("7"));
    both.insert(both.end(), second.begin(), second.end());
    feed(both);
    rig.run_ms(5000);
    EXPECT_EQ(playback::current_cue_slot(), 61) << "cue 7 ran last";
    EXPECT_EQ(ui::current_message(), std::string("Midi Cuepage invalid"));
}

TEST_F(ShowControl, OpenCueListTakesANumberBelow128) {
    struct Case {
        std::string data;
        int list;  // -1: nothing opened
    };
    const Case cases[] = {{"12", 12}, {"0", 0}, {"127", 127}, {"200", -1}, {"128", -1}, {"", -1}, {"x3", -1}};
    for (const Case& c : cases) {
        runtime::clear_step_log();
        feed(show_control(0x1B, c.data));
        rig.run_ms(100);
        std::vector<std::string> expected;
        if (c.list >= 0) expected.push_back("synchro::open_list_by_midi_number(" + std::to_string(c.list) + ")");
        std::vector<std::string> opened;
        for (const std::string& call : runtime::logged_calls()) {
            if (call.rfind("synchro::open_list", 0) == 0) opened.push_back(call);
        }
        EXPECT_EQ(opened, expected) << c.data;
    }
}

}  // namespace

namespace {

// Random and cut streams (stray data, lone End of Exclusive, SysEx longer
// than the reader's buffer, clocks inside messages, raw words planted in
// the ring): nothing crashes, the read index stays a word of the ring, and
// every event is one the key reader can take.
TEST_F(MidiInput, RandomStreamsLeaveTheReaderSound) {
    std::mt19937 random(20261211);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    constexpr uint8_t kStatuses[] = {0x80, 0x90, 0x93, 0xA0, 0xB0, 0xC0, 0xD0, 0xE0, 0xF0, 0xF1,
                                     0xF2, 0xF3, 0xF4, 0xF6, 0xF7, 0xF8, 0xFA, 0xFE, 0xFF};
    const uint16_t base = ring_register(0x120);
    for (int chunk = 0; chunk < 400; ++chunk) {
        Bytes bytes;
        const int kind = pick(10);
        if (kind == 0) {  // a show-control message, often cut or overlong
            bytes = {0xF0, 0x7F, 0x01, 0x02, 0x01, static_cast<uint8_t>(pick(2) == 0 ? 0x01 : 0x1B)};
            const int length = pick(2) == 0 ? pick(12) : 250 + pick(60);
            for (int i = 0; i < length; ++i) bytes.push_back(static_cast<uint8_t>(pick(3) == 0 ? 0 : '0' + pick(11)));
            if (pick(4) != 0) bytes.push_back(0xF7);
        } else if (kind == 1) {  // raw words straight into the ring
            for (int i = 0; i < 6; ++i) rig.machine().sync.append_midi_word(static_cast<uint16_t>(random()));
        } else {
            const int length = 1 + pick(40);
            for (int i = 0; i < length; ++i) {
                bytes.push_back(pick(4) == 0 ? kStatuses[pick(static_cast<int>(sizeof kStatuses))]
                                             : static_cast<uint8_t>(pick(128)));
            }
        }
        for (size_t at = 0; at < bytes.size(); at += 60) {
            feed(Bytes(bytes.begin() + static_cast<long>(at), bytes.begin() + static_cast<long>(std::min(at + 60, bytes.size()))));
            rig.run_ms(70);
        }
        const uint16_t read = ring_register(0x122);
        ASSERT_TRUE(read >= base && read < base + 128 && (read - base) % 2 == 0) << "chunk " << chunk << " read " << read;
    }
    for (const Seen& s : seen) {
        const uint8_t status = static_cast<uint8_t>(s.words[0] >> 8);
        if (status == synchro::kMidiEventShowGo) {
            EXPECT_TRUE(s.words[1] >= 1 && s.words[1] <= synchro::kLastCueSlot) << s.words[1];
        } else if (status == synchro::kMidiEventOpenList) {
            EXPECT_LT(s.words[1], 128);
        } else {
            EXPECT_FALSE(synchro::midi_status_names[status].empty()) << std::hex << s.words[0];
        }
    }
    EXPECT_GT(seen.size(), 50u) << "the streams carried messages";
}

}  // namespace
