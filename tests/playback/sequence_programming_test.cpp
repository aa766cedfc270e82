// Sequence records between cues and the live sequences: the store with its
// learned MIDI codes, key 229, the load from a cue, PROGRAM SEQUENCE and its
// quick append, and the append from the memory store.
#include "playback/sequence_engine.h"
#include "playback/sequence_programming.h"

#include <gtest/gtest.h>

#include <new>
#include <string>

#include "../programmer/programmer_test_rig.h"
#include "datafiles/small_tables.h"
#include "memcheck/memcheck.h"
#include "memories/memories.h"
#include "playback/cue_tables.h"
#include "playback/key_groups.h"
#include "playback/playback_wing.h"
#include "playback/sequence_commands.h"
#include "playback/sequence_controls.h"
#include "runtime/console_flags.h"
#include "runtime/config_records.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "ui/edit_keys.h"
#include "ui/message_line.h"

namespace {

using namespace runtime::keys;
using playback::SequenceRecord;
using playback::sequence_table;

constexpr uint8_t kProgrammed = playback::CUE_RECORD_IN_CUE;
constexpr uint8_t kMidi = playback::CUE_RECORD_MIDI;

class SequenceProgramming : public programmer_test::DemoRig {
protected:
    static SequenceRecord*& entry(int slot, int s) {
        return playback::cue_sequence_table[static_cast<size_t>((slot - 1) * playback::kSequences + s)];
    }
    // A record in the cue table, allocated as the cue files allocate theirs.
    static SequenceRecord& put(int slot, int s) {
        SequenceRecord*& e = entry(slot, s);
        if (e != nullptr) memcheck::mc_free_at(e, __FILE__, __LINE__);
        e = new (memcheck::mc_malloc_at(sizeof(SequenceRecord), __FILE__, __LINE__)) SequenceRecord{};
        return *e;
    }
    static SequenceRecord loop_of(std::initializer_list<uint16_t> memories) {
        SequenceRecord r;
        r.flags = kProgrammed;
        r.loop_count = playback::kInfiniteLoops;
        for (const uint16_t m : memories) r.loop_memories[++r.loop_length] = m;
        return r;
    }
    void press(int16_t key) { rig_.press(key, 20); }
    // EDIT ITEM held, the sequence key pressed (twice for the quick append), EDIT ITEM let go.
    void open_dialog(int16_t sequence_key, bool quick = false) {
        rig_.hold(KEY_EDIT_ITEM, 300);
        press(sequence_key);
        if (quick) press(sequence_key);
        rig_.release(KEY_EDIT_ITEM, 100);
    }
    static int live_slot() { return playback::current_cue_slot(); }
};

TEST_F(SequenceProgramming, StoresKeepTheEntrysLearnedMidiCode) {
    constexpr int kSlot = 31;
    SequenceRecord& learned = put(kSlot, 2);
    learned.flags = kProgrammed | kMidi;
    learned.midi_code.words = {0x9000, 0x3C40, 0};
    // A programmed record with a code of its own: the entry keeps its code.
    SequenceRecord r = loop_of({7, 8});
    r.midi_code.words = {0xB000, 1, 1};
    playback::store_sequence_in_cue(2, kSlot, r);
    ASSERT_NE(entry(kSlot, 2), nullptr);
    EXPECT_EQ(entry(kSlot, 2)->loop_length, 2);
    EXPECT_EQ(entry(kSlot, 2)->flags, kProgrammed | kMidi);
    EXPECT_EQ(entry(kSlot, 2)->midi_code.words[0], 0x9000);
    // Cleared: the record stays for its code.
    playback::store_sequence_in_cue(2, kSlot, SequenceRecord{});
    ASSERT_NE(entry(kSlot, 2), nullptr);
    EXPECT_EQ(entry(kSlot, 2)->flags, kMidi);
    EXPECT_EQ(entry(kSlot, 2)->midi_code.words[1], 0x3C40);
    // Without a code a cleared record goes.
    put(kSlot, 3).flags = kProgrammed;
    playback::store_sequence_in_cue(3, kSlot, SequenceRecord{});
    EXPECT_EQ(entry(kSlot, 3), nullptr);
    // A new entry takes the loop count of the record given, and no code.
    SequenceRecord counted = loop_of({4});
    counted.loop_count = 7;
    counted.flags |= kMidi;
    playback::store_sequence_in_cue(4, kSlot, counted);
    ASSERT_NE(entry(kSlot, 4), nullptr);
    EXPECT_EQ(entry(kSlot, 4)->loop_count, 7);
    EXPECT_EQ(entry(kSlot, 4)->flags, kProgrammed);
}

TEST_F(SequenceProgramming, StoreKeyWritesTheLiveSequencesOfTheLiveCueAndItsTransparency) {
    playback::sequence_origin_page.fill(0);
    playback::sequence_transparent_mode = 1;
    playback::playback_transparent_mode = 0;
    press(KEY_STORE_SEQUENCES);
    EXPECT_EQ(entry(live_slot(), 3), nullptr);
    EXPECT_EQ(datafiles::transp_table[static_cast<size_t>(live_slot())][1], 1);
    EXPECT_EQ(datafiles::transp_table[static_cast<size_t>(live_slot())][0], 0);

    playback::load_sequence_from_cue(static_cast<int16_t>(live_slot()), 3, 0);
    sequence_table[3] = loop_of({11, 12, 13});
    sequence_table[3].fade_time = 150;
    press(KEY_STORE_SEQUENCES);
    ASSERT_NE(entry(live_slot(), 3), nullptr);
    EXPECT_EQ(entry(live_slot(), 3)->loop_length, 3);
    EXPECT_EQ(entry(live_slot(), 3)->loop_memories[3], 13);
    EXPECT_EQ(entry(live_slot(), 3)->fade_time, 150);
    EXPECT_EQ(runtime::key_led_cache[KEY_STORE_SEQUENCES], runtime::LED_OFF);
}

TEST_F(SequenceProgramming, LoadingFromACue) {
    constexpr int kSlot = 21;
    SequenceRecord& stored = put(kSlot, 1);
    stored = loop_of({5, 6});
    stored.loop_count = 0;
    stored.fade_time = 320;
    stored.wait_delay = 40;
    stored.mode = playback::kDirectionBackward << playback::kSequenceDirectionShift;
    stored.midi_code.words = {0x9000, 1, 2};
    stored.flags |= kMidi;
    playback::load_sequence_from_cue(kSlot, 1, 0);
    const SequenceRecord& live = sequence_table[1];
    EXPECT_EQ(live.loop_count, playback::kInfiniteLoops) << "a stored 0 plays endlessly";
    EXPECT_EQ(live.fade_time, 320);
    EXPECT_EQ(live.wait_delay, 40);
    EXPECT_EQ(playback::sequence_mode_field(live.mode, playback::kSequenceDirectionShift), playback::kDirectionBackward);
    EXPECT_EQ(playback::sequence_midi_codes[1].words[0], 0x9000);
    EXPECT_EQ(playback::sequence_cue_origin(1), kSlot);
    EXPECT_STREQ(playback::sequence_step_labels[1][0].data(), "6") << "backward: the last loop memory";

    // Freeze 2 keeps the sequence's own times and direction.
    put(kSlot, 2) = loop_of({9});
    entry(kSlot, 2)->fade_time = 500;
    sequence_table[2].fade_time = 80;
    playback::load_sequence_from_cue(kSlot, 2, ui::kSequenceFrozenReload);
    EXPECT_EQ(sequence_table[2].fade_time, 80);
    EXPECT_EQ(sequence_table[2].loop_memories[1], 9);

    // No record: an empty sequence with the new sequence's fade time.
    sequence_table[3].mode = 1;  // running: it starts again
    playback::load_sequence_from_cue(kSlot, 3, 0);
    EXPECT_EQ(sequence_table[3].flags & kProgrammed, 0);
    EXPECT_EQ(sequence_table[3].fade_time, playback::kNewSequenceFadeTime);
    EXPECT_EQ(sequence_table[3].loop_count, playback::kInfiniteLoops);
    EXPECT_EQ(playback::sequence_advance_request[3], 1);

    // A damaged loop is cut.
    put(kSlot, 4) = loop_of({1});
    entry(kSlot, 4)->loop_length = 150;
    playback::load_sequence_from_cue(kSlot, 4, 0);
    EXPECT_EQ(sequence_table[4].loop_length, 0);
}

TEST_F(SequenceProgramming, DialogEditsStepsAndStoresThemIntoTheCue) {
    memories::current_memory = 5;
    open_dialog(KEY_SEQUENCE_A);
    ASSERT_EQ(ui::current_message(), "PROGRAM SEQUENCE (ESC=CANCEL)");
    press(KEY_ADD_EVENTS);     // loop: 5
    press(KEY_ADD_EVENTS);     // loop: 5 5, the cursor on the second
    press(KEY_UP);
    press(KEY_UP);             // the start row
    press(KEY_ADD_EVENTS);     // start memory 5
    press(KEY_DOWN);           // loop step 1
    press(KEY_CLR);            // loop: 5
    rig_.hold(KEY_FADE_MODE, 50);
    EXPECT_EQ(ui::current_message(), "2=FADING ENABLED FOR ALL CHANNELS");
    rig_.release(KEY_FADE_MODE, 50);
    const SequenceRecord& edit = playback::sequence_edit_record;
    EXPECT_EQ(edit.loop_length, 1);
    EXPECT_EQ(edit.start_memory, 5);
    // The live sequence plays this cue: it has every step edit already.
    EXPECT_EQ(sequence_table[1].loop_length, 1);
    EXPECT_EQ(sequence_table[1].step_fade_modes[2], 1);
    press(KEY_SEQUENCE_A);     // stored
    ASSERT_NE(entry(live_slot(), 1), nullptr);
    EXPECT_EQ(entry(live_slot(), 1)->start_memory, 5);
    EXPECT_EQ(entry(live_slot(), 1)->loop_length, 1);
    EXPECT_EQ(entry(live_slot(), 1)->step_fade_modes[2], 1);
    EXPECT_EQ(entry(live_slot(), 1)->fade_time, playback::kNewSequenceFadeTime);
    EXPECT_EQ(runtime::key_led_cache[KEY_SEQUENCE_A], runtime::LED_ON_2);
}

TEST_F(SequenceProgramming, InsertMovesARunningSequenceOnAndEscRestoresIt) {
    put(live_slot(), 2) = loop_of({21, 22, 23});
    playback::load_sequence_from_cue(static_cast<int16_t>(live_slot()), 2, 0);
    sequence_table[2].mode = 1 | playback::kTriggerManual << playback::kSequenceTriggerShift;  // waits for GO
    playback::sequence_current_step[2] = 3;  // playing loop memory 22
    playback::sequence_dialog_step = 3;           // the cursor on 22
    memories::current_memory = 40;
    open_dialog(KEY_SEQUENCE_B);
    press(KEY_INSERT_EVENTS);
    EXPECT_EQ(sequence_table[2].loop_length, 4);
    EXPECT_EQ(sequence_table[2].loop_memories[2], 40);
    EXPECT_EQ(sequence_table[2].loop_memories[3], 22);
    EXPECT_EQ(playback::sequence_current_step[2], 4) << "still on 22";
    EXPECT_EQ(playback::sequence_dialog_step, 4) << "the cursor stays on the memory that was under it";
    press(KEY_ESC);
    EXPECT_EQ(sequence_table[2].loop_length, 3);
    EXPECT_EQ(sequence_table[2].loop_memories[2], 22);
    EXPECT_EQ(entry(live_slot(), 2)->loop_length, 3) << "nothing stored";
}

// Deleting the memory a running sequence shows: its next step is the memory
// that took the deleted one's place, not the one after.
TEST_F(SequenceProgramming, DeletingTheStepARunningSequenceIsOnGoesOnWithTheNextMemory) {
    put(live_slot(), 2) = loop_of({21, 22, 23, 24});
    playback::load_sequence_from_cue(static_cast<int16_t>(live_slot()), 2, 0);
    sequence_table[2].mode = 1 | playback::kTriggerManual << playback::kSequenceTriggerShift;  // waits for GO
    playback::sequence_current_step[2] = 3;  // playing loop memory 22
    playback::sequence_dialog_step = 3;      // the cursor on 22
    open_dialog(KEY_SEQUENCE_B);
    press(KEY_CLR);
    ASSERT_EQ(sequence_table[2].loop_length, 3);
    ASSERT_EQ(sequence_table[2].loop_memories[2], 23);
    EXPECT_EQ(playback::sequence_current_step[2], 2) << "one step back: the next is 23's";
    press(KEY_ESC);
}

TEST_F(SequenceProgramming, LoopCounterSteps) {
    put(live_slot(), 1) = loop_of({3});
    entry(live_slot(), 1)->loop_count = 1;
    open_dialog(KEY_SEQUENCE_A);
    rig_.hold(KEY_LOOP_COUNTER, 100);
    press(KEY_DOWN);  // 1 down: infinite
    EXPECT_EQ(ui::current_message(), "PROGRAM LOOPCOUNTER (CLR=DEFAULT)");
    press(KEY_DOWN);  // infinite down: 1000
    press(KEY_PAGE_DOWN);  // 990
    press(KEY_UP);         // 991
    rig_.release(KEY_LOOP_COUNTER, 50);
    EXPECT_EQ(playback::sequence_edit_record.loop_count, 991);
    rig_.hold(KEY_LOOP_COUNTER, 100);
    press(KEY_CLR);
    rig_.release(KEY_LOOP_COUNTER, 50);
    EXPECT_EQ(playback::sequence_edit_record.loop_count, playback::kInfiniteLoops);
    press(KEY_ESC);
}

TEST_F(SequenceProgramming, AFullLoopRefusesAnotherMemory) {
    SequenceRecord& full = put(live_slot(), 1);
    full = loop_of({});
    for (uint16_t i = 1; i <= playback::kLoopMemories; ++i) full.loop_memories[i] = i;
    full.loop_length = playback::kLoopMemories;
    // The quick append of a full loop opens the dialog instead.
    open_dialog(KEY_SEQUENCE_A, true);
    EXPECT_EQ(ui::current_message(), "PROGRAM SEQUENCE (ESC=CANCEL)");
    press(KEY_ADD_EVENTS);
    EXPECT_EQ(ui::current_message(), "MAXIMUM 100 MEMORIES IN 1 LOOP");
    EXPECT_EQ(playback::sequence_edit_record.loop_length, playback::kLoopMemories);
    rig_.run_ms(900);
    press(KEY_ESC);
}

TEST_F(SequenceProgramming, QuickAppendStoresWithoutTheDialog) {
    put(live_slot(), 3) = loop_of({1, 2});
    memories::current_memory = 17;
    open_dialog(KEY_SEQUENCE_C, true);
    EXPECT_NE(ui::current_message(), "PROGRAM SEQUENCE (ESC=CANCEL)");
    ASSERT_NE(entry(live_slot(), 3), nullptr);
    EXPECT_EQ(entry(live_slot(), 3)->loop_length, 3);
    EXPECT_EQ(entry(live_slot(), 3)->loop_memories[3], 17);
}

TEST_F(SequenceProgramming, MemoryStoreAppendsToTheLiveCuesSequence) {
    memories::current_memory = 12;
    playback::program_sequence_from_memory_screen(4);
    ASSERT_NE(entry(live_slot(), 4), nullptr);
    EXPECT_EQ(entry(live_slot(), 4)->loop_length, 1);
    EXPECT_EQ(entry(live_slot(), 4)->loop_memories[1], 12);
    EXPECT_EQ(entry(live_slot(), 4)->fade_time, playback::kNewSequenceFadeTime);
    EXPECT_EQ(sequence_table[4].loop_memories[1], 12) << "the live sequence follows its cue";
    EXPECT_EQ(runtime::key_led_cache[KEY_SEQUENCE_D], runtime::LED_ON_2);
}

}  // namespace
