// Learned MIDI codes in a running console: the lookup table, what the editor
// takes, storing, the codes going out on MIDI and coming in as bytes.
#include <gtest/gtest.h>

#include <vector>

#include "platform/machine.h"
#include "playback/cue_copy.h"
#include "playback/cue_tables.h"
#include "playback/key_groups.h"
#include "playback/playback_jobs.h"
#include "playback/playback_loading.h"
#include "midi_console.h"
#include "rig/console.h"
#include "rig/program_dir.h"
#include "rig/rig.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "sync/midi_codes.h"
#include "sync/midi_events.h"
#include "sync/midi_output.h"

namespace {

using playback::MidiCode;
using Bytes = std::vector<uint8_t>;

constexpr uint16_t kNoteOn60 = 0x9000;     // note on, channel 0
constexpr uint16_t kNote60 = 0x3C40;       // note 60, velocity 64
constexpr int kCue2 = 11;                  // page 1, cue 2
constexpr int kCue5 = 41;
constexpr int kCue5Point3 = 44;            // shown as 5.3

MidiCode code(uint16_t w1, uint16_t w2, uint16_t w3 = 0) { return MidiCode{{w1, w2, w3}}; }

class MidiCodes : public sync_test::MidiConsole {
protected:

    // Learns a cue-selection code for a slot as the editor stores it.
    static void learn_cue_code(int slot, const MidiCode& c) {
        synchro::MidiCodeEditBuffer buffer;
        synchro::load_cue_midi_codes(slot, buffer);
        const MidiCode opened = buffer.rows[synchro::kCueSelectionRow];
        buffer.rows[synchro::kCueSelectionRow] = c;
        ASSERT_EQ(synchro::store_edited_midi_codes(slot, buffer, opened), 0);
    }
    static uint16_t lookup(uint8_t cue_class, uint8_t channel, uint8_t data1) {
        return synchro::midi_cue_lookup[cue_class][channel][data1];
    }
    Bytes sent() { return rig.machine().sync.midi_out_log(); }
};

TEST_F(MidiCodes, RebuildTakesTheLaterCueAndDropsCodesWithoutAClass) {
    learn_cue_code(kCue5, code(kNoteOn60, kNote60));
    EXPECT_EQ(lookup(1, 0, 0x3C), kCue5);
    // A later slot with the same code (as a cue file might bring): the rebuild gives it the entry.
    auto* later = playback::new_cue_record(playback::PointcueRecord{});
    later->flags = playback::CUE_RECORD_MIDI;
    later->midi_code = code(kNoteOn60, kNote60);
    playback::cue_pointcue_table[200] = later;
    synchro::rebuild_midi_cue_table();
    EXPECT_EQ(lookup(1, 0, 0x3C), 200);

    // midispec.cfg without the note's class: the codes are zeroed, the flag stays.
    synchro::midi_status_class[0x90] = 0;
    synchro::rebuild_midi_cue_table();
    EXPECT_EQ(lookup(1, 0, 0x3C), 0);
    EXPECT_EQ(later->midi_code.words, (std::array<uint16_t, 3>{}));
    EXPECT_NE(later->flags & playback::CUE_RECORD_MIDI, 0);
}

// Codes from a cue file with a channel or data 1 above 127 never index the table.
TEST_F(MidiCodes, OutOfRangeCodesFromFilesAreDropped) {
    for (const MidiCode& c : {code(0x9080, kNote60), code(kNoteOn60, 0x8040)}) {
        auto* record = playback::new_cue_record(playback::PointcueRecord{});
        record->flags = playback::CUE_RECORD_MIDI;
        record->midi_code = c;
        playback::cue_pointcue_table[300] = record;
        synchro::rebuild_midi_cue_table();
        EXPECT_EQ(record->midi_code.words, (std::array<uint16_t, 3>{}));
        playback::free_cue_record_block(record);
        playback::cue_pointcue_table[300] = nullptr;
    }
}

TEST_F(MidiCodes, EditorRowsAcceptByKind) {
    struct Case {
        int row;
        MidiCode event;
        bool accepted;
    };
    const Case cases[] = {
        {1, code(kNoteOn60, kNote60), true},
        {1, code(0xC000, 0x0500), true},            // program change selects cues in the demo
        {1, code(0xB000, 0x0740), false},           // control change never
        {1, code(0x8000, kNote60), false},          // note off never
        {1, code(0xF800, 0), false},                // the beat has no cue-select class
        {1, code(0x9080, kNote60), false},          // channel above 127
        {2, code(0xF800, 0), true},                 // sequences take anything else
        {5, code(0xC003, 0x0100), true},
        {6, code(kNoteOn60, kNote60), true},        // playbacks: note on
        {47, code(0xF800, 0), true},                // or the beat
        {6, code(0xC000, 0x0500), false},
        {47, code(0xB000, 0x0740), false},
    };
    for (const Case& c : cases) {
        synchro::MidiEvent event{c.event.words};
        EXPECT_EQ(synchro::accepts_learned_code(c.row, event, MidiCode{}), c.accepted)
            << "row " << c.row << " status " << std::hex << c.event.words[0];
    }
    // The row's own code again changes nothing.
    synchro::MidiEvent same{{kNoteOn60, kNote60, 0}};
    EXPECT_FALSE(synchro::accepts_learned_code(6, same, code(kNoteOn60, kNote60)));
}

TEST_F(MidiCodes, SecondCueWithTheSameCodeIsRefused) {
    struct Case {
        int first;
        const char* message;
    };
    const Case cases[] = {{kCue5, "CUE 5 (PAGE 1) USES THE SAME CODE"},
                          {kCue5Point3, "CUE 5.3 (PAGE 1) USES THE SAME CODE"}};
    for (const Case& c : cases) {
        learn_cue_code(c.first, code(kNoteOn60, kNote60));
        synchro::MidiCodeEditBuffer buffer;
        synchro::load_cue_midi_codes(kCue2, buffer);
        buffer.rows[synchro::kCueSelectionRow] = code(kNoteOn60, kNote60);
        const int other = synchro::store_edited_midi_codes(kCue2, buffer, MidiCode{});
        EXPECT_EQ(other, c.first);
        EXPECT_EQ(synchro::same_code_message(other), c.message);
        EXPECT_EQ(playback::cue_pointcue_table[kCue2], nullptr) << "nothing stored";
        learn_cue_code(c.first, MidiCode{});  // cleared for the next case
    }
}

// A refused store leaves the cue's own code callable; re-storing the same code succeeds.
TEST_F(MidiCodes, RefusedStoreKeepsTheOpenedCode) {
    learn_cue_code(kCue5, code(kNoteOn60, kNote60));
    learn_cue_code(kCue2, code(kNoteOn60, 0x3E40));
    synchro::MidiCodeEditBuffer buffer;
    synchro::load_cue_midi_codes(kCue2, buffer);
    const MidiCode opened = buffer.rows[synchro::kCueSelectionRow];
    buffer.rows[synchro::kCueSelectionRow] = code(kNoteOn60, kNote60);
    EXPECT_EQ(synchro::store_edited_midi_codes(kCue2, buffer, opened), kCue5);
    EXPECT_EQ(lookup(1, 0, 0x3E), kCue2);
    learn_cue_code(kCue2, code(kNoteOn60, 0x3E40));
    EXPECT_EQ(lookup(1, 0, 0x3E), kCue2);
}

TEST_F(MidiCodes, ClearingEveryCodeFreesRecordsThatHeldOnlyACode) {
    synchro::MidiCodeEditBuffer buffer;
    synchro::load_cue_midi_codes(kCue2, buffer);
    buffer.rows[synchro::kCueSelectionRow] = code(kNoteOn60, kNote60);
    buffer.rows[synchro::kFirstSequenceRow + 1] = code(0xC000, 0x0500);  // sequence B
    buffer.rows[synchro::kFirstPlaybackRow + 6] = code(kNoteOn60, 0x4040);  // playback 7
    ASSERT_EQ(synchro::store_edited_midi_codes(kCue2, buffer, MidiCode{}), 0);
    const size_t sequence_b = (kCue2 - 1) * playback::kSequences + 2;
    const size_t playback_7 = (kCue2 - 1) * playback::kPlaybacks + 7;
    ASSERT_NE(playback::cue_pointcue_table[kCue2], nullptr);
    ASSERT_NE(playback::cue_sequence_table[sequence_b], nullptr);
    ASSERT_NE(playback::cue_playback_table[playback_7], nullptr);
    EXPECT_EQ(playback::cue_playback_table[playback_7]->flags, playback::CUE_RECORD_MIDI);

    synchro::MidiCodeEditBuffer cleared;
    ASSERT_EQ(synchro::store_edited_midi_codes(kCue2, cleared, code(kNoteOn60, kNote60)), 0);
    EXPECT_EQ(playback::cue_pointcue_table[kCue2], nullptr);
    EXPECT_EQ(playback::cue_sequence_table[sequence_b], nullptr);
    EXPECT_EQ(playback::cue_playback_table[playback_7], nullptr);
    EXPECT_EQ(lookup(1, 0, 0x3C), 0);
}

// A note fed to the card's MIDI IN runs the cue that learned it; a cue
// called by MIDI sends nothing back.
TEST_F(MidiCodes, LearnedNoteFedAsBytesRunsItsCue) {
    learn_cue_code(kCue2, code(kNoteOn60, kNote60));
    ASSERT_NE(playback::current_cue_slot(), kCue2);
    rig.machine().sync.feed_midi_bytes(Bytes{0x90, 0x3C, 0x40});
    rig.run_ms(50);
    EXPECT_EQ(playback::current_cue_slot(), kCue2);
    EXPECT_TRUE(sent().empty());
}

TEST_F(MidiCodes, CueGoSendsItsCodeUnlessBlindOrCalledByMidi) {
    learn_cue_code(kCue2, code(0x9002, kNote60));
    playback::go_to_cue(kCue2, 0, 0);
    EXPECT_EQ(sent(), (Bytes{0x92, 0x3C, 0x40}));
    playback::go_to_cue(kCue5, 0, 0);
    playback::go_to_cue(kCue2, 0, 1);  // called by MIDI
    runtime::run_flags |= runtime::RUN_BLIND;
    playback::go_to_cue(kCue5, 0, 0);
    playback::go_to_cue(kCue2, 0, 0);
    runtime::run_flags &= ~runtime::RUN_BLIND;
    EXPECT_EQ(sent(), (Bytes{0x92, 0x3C, 0x40}));
}

TEST_F(MidiCodes, PlaybackSendsNoteOnAtStartAndNoteOffAtStop) {
    struct Case {
        MidiCode code;
        Bytes start;
        Bytes stop;
    };
    const Case cases[] = {
        {code(0x9005, 0x3C64), {0x95, 0x3C, 0x64}, {0x85, 0x3C, 0x64}},
        {code(0xF800, 0), {}, {}},        // a beat code sends nothing
        {code(0xC000, 0x0500), {}, {}},   // only note-on codes go out for playbacks
    };
    for (const Case& c : cases) {
        playback::playback_midi_codes[3] = c.code;
        rig.machine().sync.take_midi_out();
        synchro::send_playback_midi_code(3, 1);
        EXPECT_EQ(rig.machine().sync.take_midi_out(), c.start);
        synchro::send_playback_midi_code(3, 0);
        EXPECT_EQ(rig.machine().sync.take_midi_out(), c.stop);
    }
}

// Each status goes out with the data bytes it carries: a program change
// has one, a beat none.
TEST_F(MidiCodes, SequenceCodesSendTheDataBytesOfTheirStatus) {
    struct Case {
        MidiCode code;
        Bytes bytes;
    };
    const Case cases[] = {
        {code(0xB001, 0x0740), {0xB1, 0x07, 0x40}},
        {code(0xC002, 0x0500), {0xC2, 0x05}},
        {code(0xD000, 0x2000), {0xD0, 0x20}},
        {code(0xF800, 0), {0xF8}},
        {code(0xF000, 41), {}},  // a learned show-control GO is no message to send
        {code(0, 0x3C40), {}},
        {code(0x9080, 0x3C40), {}},  // channel 128 from a damaged file: 90h + 80h wraps to a data byte
    };
    for (const Case& c : cases) {
        playback::sequence_midi_codes[2] = c.code;
        rig.machine().sync.take_midi_out();
        synchro::send_sequence_midi_code(2);
        EXPECT_EQ(rig.machine().sync.take_midi_out(), c.bytes) << std::hex << c.code.words[0];
    }
}

}  // namespace
