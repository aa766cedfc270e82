// The playback record: its modes accessors, its time text, the cue index and
// the store of a record into a cue, which keeps a learned MIDI code.
#include "playback/playback_record.h"

#include <gtest/gtest.h>

#include "merge_test_rig.h"
#include "playback/cue_tables.h"

namespace {

using playback::PlaybackRecord;

PlaybackRecord*& entry(int32_t index, int p) {
    return playback::cue_playback_table[static_cast<size_t>((index - 1) * playback::kPlaybacks + p)];
}

class PlaybackStore : public merge_test::MergeRig {};

TEST_F(PlaybackStore, ProgrammedRecordCreatesThenOverwritesTheEntry) {
    PlaybackRecord record;
    record.flags = playback::kProgrammed;
    record.memory = 12;
    record.fade_mode = 3;
    playback::store_playback_in_cue(5, 814, record);
    ASSERT_NE(entry(814, 5), nullptr);
    PlaybackRecord* first = entry(814, 5);
    EXPECT_EQ(first->memory, 12);
    record.memory = 13;
    playback::store_playback_in_cue(5, 814, record);
    EXPECT_EQ(entry(814, 5), first) << "overwritten in place";
    EXPECT_EQ(entry(814, 5)->memory, 13);
}

TEST_F(PlaybackStore, ClearingKeepsALearnedMidiCodeAndFreesAnEntryWithout) {
    PlaybackRecord record;
    record.flags = playback::kProgrammed | playback::kMidiLearned;
    record.midi_code.words = {0x77, 1, 1};  // a live record's code is not the slot's
    record.memory = 40;
    playback::store_playback_in_cue(2, 100, record);
    ASSERT_NE(entry(100, 2), nullptr);
    EXPECT_EQ(entry(100, 2)->flags, playback::kProgrammed);
    entry(100, 2)->flags |= playback::kMidiLearned;  // learned for the slot
    entry(100, 2)->midi_code.words = {0x90, 60, 127};
    playback::store_playback_in_cue(2, 100, record);
    EXPECT_EQ(entry(100, 2)->midi_code.words[0], 0x90) << "a programmed store keeps it";
    PlaybackRecord cleared;  // not programmed, no code
    cleared.fade_in = 50;
    playback::store_playback_in_cue(2, 100, cleared);
    ASSERT_NE(entry(100, 2), nullptr);
    EXPECT_EQ(entry(100, 2)->flags, playback::kMidiLearned);
    EXPECT_EQ(entry(100, 2)->midi_code.words[0], 0x90);
    EXPECT_EQ(entry(100, 2)->memory, 0);
    EXPECT_EQ(entry(100, 2)->fade_in, 50);

    record.flags = playback::kProgrammed;
    record.midi_code = {};
    playback::store_playback_in_cue(3, 100, record);
    playback::store_playback_in_cue(3, 100, cleared);
    EXPECT_EQ(entry(100, 3), nullptr) << "nothing left: freed";
    playback::store_playback_in_cue(4, 100, cleared);
    EXPECT_EQ(entry(100, 4), nullptr) << "an unprogrammed store into an empty slot creates nothing";
}

TEST_F(PlaybackStore, OutOfRangePlaybacksAndCuesAreRefused) {
    PlaybackRecord record;
    record.flags = playback::kProgrammed;
    for (const auto& [p, index] : {std::pair<int16_t, int32_t>{0, 1}, {43, 1}, {1, 0}, {1, 11201}, {-1, -5}}) {
        playback::store_playback_in_cue(p, index, record);
    }
    EXPECT_EQ(entry(1, 1), nullptr);
}

TEST(PlaybackRecordFields, ModesAccessorsKeepTheOtherFields) {
    PlaybackRecord record;
    playback::set_playback_sound_band(record, 5);
    playback::set_playback_flash_mode(record, 2);
    playback::set_playback_trigger_mode(record, 1);
    EXPECT_EQ(record.modes, 2 | (5 << 2) | (1 << 5));
    playback::set_playback_flash_mode(record, 1);
    EXPECT_EQ(playback::get_playback_sound_band(record), 5);
    EXPECT_EQ(playback::get_playback_trigger_mode(record), 1);
    EXPECT_EQ(playback::get_playback_flash_mode(record), 1);
    // Damaged bytes: flash mode 3 and bands 6, 7 read as FLASH and NONE.
    record.modes = 3 | (7 << 2);
    EXPECT_EQ(playback::get_playback_flash_mode(record), 0);
    EXPECT_EQ(playback::get_playback_sound_band(record), 0);
}

TEST(PlaybackRecordFields, EachSetterKeepsEveryOtherBitAndAValueTooWideStaysInItsField) {
    struct Case {
        uint8_t modes;
        uint8_t flash, band, trigger;
    };
    const Case cases[] = {{0x00, 1, 3, 1}, {0xFF, 0, 0, 0}, {0xC0, 2, 5, 1}, {0x3F, 1, 1, 0}};
    for (const Case& c : cases) {
        PlaybackRecord record;
        record.modes = c.modes;
        playback::set_playback_flash_mode(record, c.flash);
        EXPECT_EQ(record.modes & ~0x03, c.modes & ~0x03) << int{c.modes};
        EXPECT_EQ(playback::get_playback_flash_mode(record), c.flash);
        record.modes = c.modes;
        playback::set_playback_sound_band(record, c.band);
        EXPECT_EQ(record.modes & ~0x1C, c.modes & ~0x1C) << int{c.modes};
        EXPECT_EQ(playback::get_playback_sound_band(record), c.band);
        record.modes = c.modes;
        playback::set_playback_trigger_mode(record, c.trigger);
        EXPECT_EQ(record.modes & ~0x20, c.modes & ~0x20) << int{c.modes};
        EXPECT_EQ(playback::get_playback_trigger_mode(record), c.trigger);
    }
    PlaybackRecord record;
    record.modes = 0x20;
    playback::set_playback_flash_mode(record, 7);
    EXPECT_EQ(record.modes, 0x23) << "the trigger bit is kept";
    record.modes = 0x81;
    playback::set_playback_sound_band(record, 0xFF);
    EXPECT_EQ(record.modes, 0x9D) << "flash mode and bit 7 kept";
}

TEST(PlaybackRecordFields, TimeTextAndCueIndex) {
    EXPECT_EQ(playback::format_playback_time(6005), "10 min  0.5 sec.");
    EXPECT_EQ(playback::format_playback_time(60000), "100 min  0.0 sec.");
    int16_t page = 0, cue = 0, point = 0;
    playback::cue_of_index(1, page, cue, point);
    EXPECT_EQ(page * 10000 + cue * 100 + point, 1 * 10000 + 1 * 100 + 1);
    playback::cue_of_index(11200, page, cue, point);
    EXPECT_EQ(page * 10000 + cue * 100 + point, 16 * 10000 + 70 * 100 + 10);
    EXPECT_EQ(playback::cue_index(2, 12, 3), 813);
    EXPECT_EQ(playback::cue_index(16, 70, 10), 11200);
}

}  // namespace
