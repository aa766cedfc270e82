// Cue memories on the demo rig: the pack buffer (order, exclusions, a
// failure, loading a cue memory), recall of a slot with and without a cue
// memory, TO-MEM into the shown cue (the replace question, new content
// through PROGRAM POINTCUE) and browsing with CUE held.
#include "memories/cue_memories.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <new>
#include <string>
#include <vector>

#include "../programmer/programmer_test_rig.h"
#include "cue_memory_items.h"
#include "datafiles/cue_memory_file.h"
#include "memcheck/memcheck.h"
#include "memories/memories.h"
#include "memories/memory_index.h"
#include "memories/presets.h"
#include "platform/speaker.h"
#include "playback/cue_tables.h"
#include "playback/key_groups.h"
#include "playback/pointcue_programming.h"
#include "runtime/console_flags.h"
#include "runtime/key_codes.h"
#include "runtime/show_tables.h"
#include "setup/setup_data.h"
#include "ui/memory_access.h"
#include "ui/message_line.h"

namespace {

using datafiles::MemoryItem;
using playback::CUE_RECORD_IN_CUE;
using playback::PointcueRecord;
using cue_memory_test::Items;
using cue_memory_test::cue_memory_items;
using cue_memory_test::use_cue_memory;
constexpr uint16_t kNotSet = 65535;

class CueMemories : public programmer_test::DemoRig {
protected:
    void SetUp() override {
        DemoRig::SetUp();
        clear_programmer();
    }

    static void clear_programmer() {
        std::fill_n(runtime::programmer_values, runtime::kShowRecords + 1, kNotSet);
        std::fill_n(runtime::programmer_generators, runtime::kShowGeneratorBytes + 1, uint8_t{255});
        std::fill_n(runtime::programmer_figures, runtime::kShowFigureBytes + 1, uint8_t{255});
        std::fill_n(runtime::programmer_time_set, runtime::kShowTimeSlots + 1, uint8_t{0});
    }
    static Items pack_items() {
        Items out;
        for (int32_t k = 0; memories::pack_buffer != nullptr && k < memories::pack_count; ++k) {
            const MemoryItem& item = memories::pack_buffer[k];
            out.push_back({item.kind, item.index, item.value});
        }
        return out;
    }
    // A programmed slot whose point cue holds cue memory n.
    static PointcueRecord* program_slot(int slot, int16_t cue_memory) {
        void* block = runtime::show_table_allocator(sizeof(PointcueRecord), __FILE__, __LINE__);
        auto* record = new (block) PointcueRecord{};
        record->flags = CUE_RECORD_IN_CUE;
        record->point_memory = cue_memory;
        record->fade_in = 30;
        playback::cue_pointcue_table[static_cast<size_t>(slot)] = record;
        playback::cue_header_table[static_cast<size_t>(slot)].programmed = 1;
        return record;
    }
    static int shown_slot() {
        return playback::cue_slot_of(memories::programmer_cue_page, memories::programmer_cue_number,
                                     memories::programmer_cue_point);
    }
    static void show_slot(int slot) {
        memories::programmer_cue_page = static_cast<int16_t>(playback::cue_slot_page(slot));
        memories::programmer_cue_number = static_cast<int16_t>(playback::cue_slot_cue(slot));
        memories::programmer_cue_point = static_cast<int16_t>(playback::cue_slot_point(slot));
    }
    size_t beeps_at(int32_t freq_hz, uint64_t duration_ms) const {
        const auto tones = rig_.tones();
        return static_cast<size_t>(std::count_if(tones.begin(), tones.end(), [&](const platform::Tone& t) {
            return t.freq_hz == freq_hz && t.duration_ms == duration_ms;
        }));
    }
    // Answers a question with key once the console waits for it (after its beep).
    void answer_with(int16_t key) {
        rig_.at(300, [this, key] { rig_.hold(key); });
        rig_.at(350, [this, key] { rig_.release(key); });
    }
};

TEST_F(CueMemories, PackingOrderAndWhatIsLeftOut) {
    runtime::programmer_values[5] = 0;
    runtime::programmer_values[3] = 1005;                      // a preset reference stays one
    runtime::programmer_generators[(2 - 1) * 6 + 3] = 7;       // record 2, generator parameter 3
    runtime::programmer_figures[(2 - 1) * 10 + 1] = 50;        // fixture 2, first figure parameter
    runtime::programmer_times[(4 - 1) * 15 + 2] = ui::default_times[2];  // the default, set by hand: packed
    runtime::programmer_time_set[(4 - 1) * 15 + 2] = 1;
    runtime::programmer_times[(4 - 1) * 15 + 7] = 99;          // changed but not set by hand: left out
    const uint16_t memories_used = memories::memory_used_count;

    ASSERT_TRUE(memories::pack_cue_work_buffer());
    EXPECT_EQ(pack_items(), (Items{{0, 3, 1005}, {0, 5, 0}, {30, 2, 7}, {100, 2, 50}, {202, 4, ui::default_times[2]}}));
    EXPECT_EQ(memories::memory_used_count, memories_used) << "no memory is touched";
    EXPECT_EQ(datafiles::memcue_used_count, 0) << "nor a cue memory";

    clear_programmer();
    ASSERT_TRUE(memories::pack_cue_work_buffer());
    EXPECT_EQ(memories::pack_count, 0);
    EXPECT_EQ(memories::pack_buffer, nullptr);
}

TEST_F(CueMemories, APackWithoutMemoryLeavesAnEmptyBuffer) {
    runtime::programmer_values[5] = 10;
    ASSERT_TRUE(memories::pack_cue_work_buffer());
    const auto allocator = runtime::show_table_allocator;
    runtime::show_table_allocator = [](size_t, const char*, unsigned) -> void* { return nullptr; };
    const bool packed = memories::pack_cue_work_buffer();
    runtime::show_table_allocator = allocator;
    EXPECT_FALSE(packed);
    EXPECT_EQ(ui::current_message(), "NOT ENOUGH MEMORY");
    EXPECT_EQ(memories::pack_count, 0);
    EXPECT_EQ(memories::pack_buffer, nullptr);
}

TEST_F(CueMemories, LoadingACueMemoryCopiesItsItems) {
    use_cue_memory(9, {{0, 1, 10}, {30, 2, 7}, {205, 3, 40}});
    memories::load_cue_work_buffer(9);
    EXPECT_EQ(pack_items(), (Items{{0, 1, 10}, {30, 2, 7}, {205, 3, 40}}));
    EXPECT_NE(memories::pack_buffer, datafiles::memcue_items[9]) << "a copy of its own";
    for (const int16_t n : {int16_t{10}, int16_t{0}, int16_t{2001}}) {
        memories::load_cue_work_buffer(n);
        EXPECT_EQ(memories::pack_count, 0) << n;
        EXPECT_EQ(memories::pack_buffer, nullptr) << n;
    }
}

TEST_F(CueMemories, RecallResolvesPresetsForTheStageOnly) {
    const int slot = playback::cue_slot_of(2, 12, 4);
    use_cue_memory(17, {{0, 5, 100}, {0, 3, 1005}, {0, 4, 1006}, {202, 5, 77}});
    program_slot(slot, 17);
    static std::array<uint16_t, runtime::kShowRecords + 1> preset5;
    preset5.fill(kNotSet);
    preset5[3] = 120;
    memories::value_preset_table[5] = preset5.data();  // preset 6 is empty
    runtime::layer_values[0][4] = 44;

    memories::recall_cue_memory(12, 4, 2);
    memories::value_preset_table[5] = nullptr;

    EXPECT_EQ(memories::programmer_from_cue, 1);
    EXPECT_EQ(shown_slot(), slot);
    EXPECT_EQ(memories::programmer_cue_memory, 17);
    EXPECT_EQ(runtime::programmer_values[5], 100);
    EXPECT_EQ(runtime::layer_values[0][5], 100);
    EXPECT_EQ(runtime::programmer_values[3], 1005);
    EXPECT_EQ(runtime::layer_values[0][3], 120);
    EXPECT_EQ(runtime::programmer_values[4], 1006);
    EXPECT_EQ(runtime::layer_values[0][4], 44) << "an empty preset sends nothing";
    EXPECT_EQ(runtime::programmer_times[(5 - 1) * 15 + 2], 77);
    EXPECT_EQ(runtime::programmer_time_set[(5 - 1) * 15 + 2], 1);
    EXPECT_EQ(runtime::programmer_time_set[(1 - 1) * 15 + 2], 0);
}

TEST_F(CueMemories, RecallOfASlotWithoutCueMemoryBlanksTheProgrammerOnly) {
    for (const bool state_shown : {false, true}) {
        SCOPED_TRACE(state_shown ? "memory state shown" : "not shown");
        ui::clear_message();
        runtime::option_flags = state_shown ? runtime::option_flags | runtime::OPT_MEMORY_STATE_SHOWN
                                            : runtime::option_flags & ~runtime::OPT_MEMORY_STATE_SHOWN;
        runtime::programmer_values[9] = 77;
        runtime::programmer_time_set[3] = 1;
        runtime::layer_values[0][9] = 77;
        memories::recall_cue_memory(5, 1, 1);
        EXPECT_EQ(runtime::programmer_values[9], kNotSet);
        EXPECT_EQ(runtime::programmer_time_set[3], 0);
        EXPECT_EQ(runtime::layer_values[0][9], 77) << "the stage keeps its output";
        EXPECT_EQ(memories::programmer_cue_memory, -1);
        EXPECT_EQ(shown_slot(), playback::cue_slot_of(1, 5, 1));
        EXPECT_EQ(ui::current_message() == "CUEMEMORY EMPTY", state_shown);
    }
}

TEST_F(CueMemories, TheReplaceQuestionNamesTheCueAndItsPoint) {
    struct Case {
        int16_t point;
        const char* question;
    };
    const Case cases[] = {{1, "REPLACE CUE 3.12 : ENTER=Y ESC=N"}, {4, "REPLACE CUE 3.12.3 : ENTER=Y ESC=N"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.question);
        const int slot = playback::cue_slot_of(3, 12, c.point);
        use_cue_memory(20 + c.point, {{0, 1, 10}});
        program_slot(slot, static_cast<int16_t>(20 + c.point));
        memories::recall_cue_memory(12, c.point, 3);
        runtime::programmer_values[7] = 250;
        answer_with(runtime::KEY_ESC);
        memories::store_into_cue_memory();
        EXPECT_EQ(ui::current_message(), c.question);
        EXPECT_EQ(cue_memory_items(20 + c.point), (Items{{0, 1, 10}})) << "ESC changes nothing";
    }
    // The question's beep: about 250 ms (it runs on whole clock ticks).
    const auto tones = rig_.tones();
    EXPECT_EQ(std::count_if(tones.begin(), tones.end(),
                            [](const platform::Tone& t) {
                                return t.freq_hz == 400 && t.duration_ms >= 200 && t.duration_ms <= 330;
                            }),
              2);
}

TEST_F(CueMemories, EnterRewritesTheShownCuesMemoryWithItsTimes) {
    const int slot = playback::cue_slot_of(3, 12, 1);
    use_cue_memory(21, {{0, 1, 10}});
    PointcueRecord* record = program_slot(slot, 21);
    record->fade_mode = 4;
    memories::recall_cue_memory(12, 1, 3);
    runtime::programmer_values[7] = 250;
    answer_with(runtime::KEY_ENTER);
    memories::store_into_cue_memory();
    EXPECT_EQ(cue_memory_items(21), (Items{{0, 1, 10}, {0, 7, 250}}));
    ASSERT_EQ(playback::cue_pointcue_table[static_cast<size_t>(slot)], record);
    EXPECT_EQ(record->fade_mode, 4);
    EXPECT_EQ(record->fade_in, ui::default_times[2]) << "the default times the recall set";
    EXPECT_EQ(datafiles::memcue_used_count, 1);
}

// A slot without cue memory: PROGRAM POINTCUE opens with the packed
// programmer as new content, and ENTER stores it.
TEST_F(CueMemories, StoringIntoAnEmptySlotGoesThroughProgramPointcue) {
    for (int k = 1; k <= 5; ++k) {
        setup::setup_data.set_u16(setup::kSetupDefaultTimes + 2 * static_cast<size_t>(k - 1), static_cast<uint16_t>(11 * k));
    }
    memories::recall_cue_memory(8, 1, 1);
    runtime::programmer_values[6] = 90;
    rig_.at(50, [this] { rig_.hold(runtime::KEY_ENTER); });
    rig_.at(100, [this] { rig_.release(runtime::KEY_ENTER); });
    memories::store_into_cue_memory();
    const PointcueRecord* record = playback::programmed_pointcue(playback::cue_slot_of(1, 8, 1));
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->point_memory, 1);
    EXPECT_EQ(cue_memory_items(1), (Items{{0, 6, 90}}));
    EXPECT_EQ(record->delay_in, 11);
    EXPECT_EQ(record->fade_in, 22);
    EXPECT_EQ(record->delay_out, 33);
    EXPECT_EQ(record->fade_out, 44);
    EXPECT_EQ(record->hold, 55);
    EXPECT_EQ(memories::programmer_cue_memory, 1) << "the slot is the shown cue with its new memory";
    EXPECT_EQ(runtime::layer_values[0][6], 90);
}

TEST_F(CueMemories, BrowsingStopsAtProgrammedSlotsWithACueMemory) {
    use_cue_memory(1, {{0, 1, 10}});
    use_cue_memory(2, {{0, 2, 20}});
    const int first = playback::cue_slot_of(1, 2, 3);
    const int second = playback::cue_slot_of(4, 1, 1);
    program_slot(first, 1);
    program_slot(second, 2);
    program_slot(playback::cue_slot_of(2, 1, 1), 0)->flags = 0;          // no cue memory in use
    program_slot(playback::cue_slot_of(3, 1, 1), 2);
    playback::cue_header_table[static_cast<size_t>(playback::cue_slot_of(3, 1, 1))].programmed = 0;  // not programmed

    show_slot(1);
    memories::show_next_cue_memory();
    EXPECT_EQ(shown_slot(), first);
    EXPECT_EQ(runtime::layer_values[0][1], 10);
    memories::show_next_cue_memory();
    EXPECT_EQ(shown_slot(), second);
    EXPECT_EQ(memories::programmer_cue_memory, 2);
    EXPECT_EQ(beeps_at(400, 800), 0u);
    memories::show_next_cue_memory();
    EXPECT_EQ(shown_slot(), second) << "nothing further: a beep";
    EXPECT_EQ(beeps_at(400, 800), 1u);
    memories::show_previous_cue_memory();
    EXPECT_EQ(shown_slot(), first);
    memories::show_previous_cue_memory();
    EXPECT_EQ(shown_slot(), first);
    EXPECT_EQ(beeps_at(400, 800), 2u);

    show_slot(playback::kCueSlots);
    memories::show_next_cue_memory();
    EXPECT_EQ(shown_slot(), playback::kCueSlots);
    EXPECT_EQ(beeps_at(400, 800), 3u);
}

TEST_F(CueMemories, TheLiveCueIsShownOnlyWithACueMemory) {
    use_cue_memory(3, {{0, 2, 20}});
    program_slot(playback::cue_slot_of(2, 7, 1), 3);
    playback::current_cue_page = 2;
    playback::current_cue = 7;
    playback::current_cue_point = 1;
    memories::show_current_cue_memory();
    EXPECT_EQ(shown_slot(), playback::cue_slot_of(2, 7, 1));
    EXPECT_EQ(memories::programmer_cue_memory, 3);

    playback::current_cue = 8;
    std::string during_beep;
    rig_.at(1, [&during_beep] { during_beep = std::string(ui::current_message()); });
    memories::show_current_cue_memory();
    EXPECT_EQ(during_beep, "NO CUEMEMORY FOR THIS CUE");
    EXPECT_EQ(shown_slot(), playback::cue_slot_of(2, 7, 1));
    EXPECT_EQ(beeps_at(400, 800), 1u);
}

}  // namespace
