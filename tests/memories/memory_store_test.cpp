// Storing and recalling memories on the demo rig: the packing order and what
// is never packed, freeing by an empty store, the quick-store search, recall
// with references resolved for the setters only, and refused numbers.
#include "memories/memory_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "../programmer/programmer_test_rig.h"
#include "memcheck/memcheck.h"
#include "memories/commands.h"
#include "memories/memories.h"
#include "memories/memory_index.h"
#include "memories/presets.h"
#include "playback/playback_record.h"
#include "runtime/key_codes.h"
#include "runtime/show_tables.h"
#include "runtime/step_log.h"
#include "sync/sync_services.h"

namespace {

constexpr uint16_t kNotSet = 65535;

class MemoryStore : public programmer_test::DemoRig {
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

    static std::vector<std::array<int, 3>> items(int m) {
        std::vector<std::array<int, 3>> out;
        const int32_t count = memories::memory_index[static_cast<size_t>(m)].count;
        const datafiles::MemoryItem* list = memories::memory_items[static_cast<size_t>(m)];
        for (int32_t k = 0; list != nullptr && k < count; ++k) out.push_back({list[k].kind, list[k].index, list[k].value});
        return out;
    }

    static bool called(const std::string& call) {
        const auto calls = runtime::logged_calls();
        return std::find(calls.begin(), calls.end(), call) != calls.end();
    }

    // Answers the replace question with key after a short while.
    void answer_with(int16_t key) {
        rig_.at(30, [this, key] { rig_.hold(key); });
        rig_.at(80, [this, key] { rig_.release(key); });
    }
};

TEST_F(MemoryStore, PackingOrderAndWhatIsNeverPacked) {
    runtime::programmer_values[5] = 0;      // level 0 is a set value
    runtime::programmer_values[3] = 1005;   // a preset reference stays a reference
    runtime::programmer_generators[(2 - 1) * 6 + 3] = 7;       // record 2, MODE
    runtime::programmer_figures[(2 - 1) * 10 + 1] = 50;        // fixture 2, X-SWING
    runtime::programmer_figures[(13 - 1) * 10 + 1] = 9;        // fixture 13: beyond the 12 patched
    runtime::programmer_times[(4 - 1) * 15 + 7] = 33;          // record 4, slot 7, set by hand
    runtime::programmer_time_set[(4 - 1) * 15 + 7] = 1;
    runtime::programmer_times[(4 - 1) * 15 + 8] = 44;
    runtime::programmer_time_set[(4 - 1) * 15 + 8] = 2;        // flag 2: not stored
    runtime::programmer_times[(4 - 1) * 15 + 9] = 99;          // flag 0: not stored
    const uint16_t used_before = memories::memory_used_count;
    // Playback 1 runs memory 12: the store reloads it.
    playback::playback_table[1].flags = playback::kProgrammed;
    playback::playback_table[1].memory = 12;
    ASSERT_TRUE(memories::store_memory_confirmed(12));
    const std::vector<std::array<int, 3>> expected = {
        {0, 3, 1005}, {0, 5, 0}, {30, 2, 7}, {100, 2, 50}, {207, 4, 33}};
    EXPECT_EQ(items(12), expected);
    EXPECT_EQ(memories::memory_used[12], 1);
    EXPECT_EQ(memories::memory_used_count, used_before + 1);
    EXPECT_EQ(runtime::layer_values[1][3], 1005);
    EXPECT_EQ(runtime::layer_values[1][5], 0);
    EXPECT_EQ(runtime::layer_generators[1][(2 - 1) * 6 + 3], 7);
}

TEST_F(MemoryStore, EmptyProgrammerIntoANamedMemoryFreesIt) {
    runtime::programmer_values[9] = 100;
    playback::playback_table[1].flags = playback::kProgrammed;
    playback::playback_table[1].memory = 12;
    ASSERT_TRUE(memories::store_memory_confirmed(12));
    std::strcpy(memories::memory_index[12].name.data(), "WASH LOOK");
    const uint16_t used = memories::memory_used_count;

    // ESC keeps everything.
    clear_programmer();
    answer_with(runtime::KEY_ESC);
    EXPECT_FALSE(memories::store_memory_confirmed(12));
    EXPECT_EQ(memories::memory_used[12], 1);
    EXPECT_EQ(items(12).size(), 1u);
    EXPECT_EQ(runtime::layer_values[1][9], 100);

    runtime::clear_step_log();
    answer_with(runtime::KEY_ENTER);
    ASSERT_TRUE(memories::store_memory_confirmed(12));
    EXPECT_EQ(memories::memory_used[12], 0);
    EXPECT_EQ(memories::memory_items[12], nullptr);
    EXPECT_EQ(memories::memory_index[12].count, 0);
    EXPECT_EQ(memories::memory_index[12].name[0], '\0');
    EXPECT_EQ(memories::memory_used_count, used - 1);
    EXPECT_EQ(runtime::layer_values[1][9], 65535) << "playback 1 reloaded the emptied memory";
}

// Building the new list fails: the memory keeps list, flag, count and file entry.
TEST_F(MemoryStore, AllocationFailureLeavesTheMemoryAsItWas) {
    runtime::programmer_values[9] = 100;
    playback::playback_table[1].flags = playback::kProgrammed;
    playback::playback_table[1].memory = 20;
    ASSERT_TRUE(memories::store_memory_confirmed(20));
    const auto before = items(20);
    const uint16_t used = memories::memory_used_count;
    runtime::programmer_values[10] = 30;
    runtime::clear_step_log();
    const auto allocator = runtime::show_table_allocator;
    runtime::show_table_allocator = [](size_t, const char*, unsigned) -> void* { return nullptr; };
    const bool packed = memories::pack_memory(20, runtime::programmer_values, runtime::programmer_generators,
                                              runtime::programmer_figures, runtime::programmer_times,
                                              runtime::programmer_time_set);
    runtime::show_table_allocator = allocator;
    EXPECT_FALSE(packed);
    EXPECT_EQ(items(20), before);
    EXPECT_EQ(memories::memory_used[20], 1);
    EXPECT_EQ(memories::memory_used_count, used);
    EXPECT_EQ(runtime::layer_values[1][10], 65535) << "no reload: playback 1 keeps the stored memory";
    EXPECT_EQ(runtime::layer_values[1][9], 100);
    EXPECT_EQ(memories::find_quick_store_memory(1), 1) << "memory 20 is not offered as free";
}

TEST_F(MemoryStore, QuickStoreSearchAndWrap) {
    struct Case {
        const char* name;
        std::vector<std::pair<int, int>> used;  // ranges
        uint8_t block;
        int expected;
    };
    const std::vector<Case> cases = {
        {"1-16 and 2501-4000 used, block 6", {{1, 16}, {2501, 4000}}, 6, 17},
        {"block 1 needs no wrap", {{1, 16}}, 1, 17},
        {"3001-4000 used, block 7 wraps to 1", {{3001, 4000}}, 7, 1},
        {"block 7 finds 3001", {{1, 3000}}, 7, 3001},
        {"all used", {{1, 4000}}, 6, 0},
        {"block 0 counts as 1", {{1, 2}}, 0, 3},
        {"block 200 counts as 1", {}, 200, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        memories::memory_used.fill(0);
        for (const auto& [from, to] : c.used) {
            for (int m = from; m <= to; ++m) memories::memory_used[static_cast<size_t>(m)] = 1;
        }
        EXPECT_EQ(memories::find_quick_store_memory(c.block), c.expected);
    }
    memories::memory_used.fill(0);
}

TEST_F(MemoryStore, RecallResolvesPresetsForTheSettersOnly) {
    runtime::programmer_values[3] = 1005;
    runtime::programmer_times[(4 - 1) * 15 + 7] = 33;
    runtime::programmer_time_set[(4 - 1) * 15 + 7] = 1;
    ASSERT_TRUE(memories::store_memory_confirmed(7));
    static std::array<uint16_t, runtime::kShowRecords + 1> preset5;
    preset5.fill(kNotSet);
    preset5[3] = 120;
    memories::value_preset_table[5] = preset5.data();
    clear_programmer();
    runtime::programmer_time_set[(1 - 1) * 15 + 2] = 1;  // an old time flag: gone after the recall
    memories::recall_memory(7, 1);
    memories::value_preset_table[5] = nullptr;
    EXPECT_EQ(runtime::programmer_values[3], 1005);
    EXPECT_EQ(runtime::layer_values[0][3], 120);
    EXPECT_EQ(memories::current_memory, 7);
    EXPECT_EQ(runtime::programmer_times[(4 - 1) * 15 + 7], 33);
    EXPECT_EQ(runtime::programmer_time_set[(4 - 1) * 15 + 7], 1);
    EXPECT_EQ(runtime::programmer_time_set[(1 - 1) * 15 + 2], 0);
    EXPECT_EQ(runtime::programmer_times[(1 - 1) * 15 + 2], 20) << "FADE IN back to the default";

    // Preset 5 deleted: nothing is sent, the programmer keeps the reference.
    runtime::layer_values[0][3] = 44;
    memories::recall_memory(7, 1);
    EXPECT_EQ(runtime::programmer_values[3], 1005);
    EXPECT_EQ(runtime::layer_values[0][3], 44);
}

TEST_F(MemoryStore, RecallOfAFreeMemoryClearsTheProgrammerAndSendsNothing) {
    runtime::programmer_values[9] = 77;
    runtime::layer_values[0][9] = 77;
    memories::recall_memory(300, 1);
    EXPECT_EQ(runtime::programmer_values[9], kNotSet);
    EXPECT_EQ(runtime::layer_values[0][9], 77);
    EXPECT_EQ(memories::current_memory, 300);
}

TEST_F(MemoryStore, TimecodeRecallWhileRecordingKeepsTheCurrentMemory) {
    memories::current_memory = 5;
    synchro::timecode_mode = 2;
    memories::recall_memory(9, 0);
    synchro::timecode_mode = 0;
    EXPECT_EQ(memories::current_memory, 5);
}

// The operator's recalls (NEXT, LAST, GET) go into the timecode list being
// recorded as memory events with their number; a recall driven by the list
// itself or by a chooser does not.
TEST_F(MemoryStore, TheOperatorsRecallsAreMemoryEventsForTheTimecodeList) {
    auto memory_events = [] {
        std::vector<std::string> events;
        for (const std::string& call : runtime::logged_calls()) {
            if (call.rfind("synchro::record_memory_event(", 0) == 0) events.push_back(call);
        }
        return events;
    };
    runtime::programmer_values[9] = 10;
    ASSERT_TRUE(memories::store_memory_confirmed(4));
    runtime::programmer_values[9] = 20;
    ASSERT_TRUE(memories::store_memory_confirmed(9));
    memories::current_memory = 1;
    runtime::clear_step_log();
    rig_.press(runtime::KEY_NEXT);
    rig_.press(runtime::KEY_NEXT);
    rig_.press(runtime::KEY_LAST);
    rig_.hold(runtime::KEY_GET_MEMORY, 30);
    rig_.release(runtime::KEY_GET_MEMORY, 50);
    rig_.press(runtime::digit_key(9));
    rig_.press(runtime::KEY_ENTER);
    rig_.run_ms(50);
    ASSERT_EQ(memories::current_memory, 9);
    EXPECT_EQ(memory_events(), (std::vector<std::string>{"synchro::record_memory_event(4)", "synchro::record_memory_event(9)",
                                                         "synchro::record_memory_event(4)", "synchro::record_memory_event(9)"}));
    runtime::clear_step_log();
    memories::recall_memory(4, 0);
    EXPECT_TRUE(memory_events().empty());
}

TEST_F(MemoryStore, NumbersOutsideTheTableAreRefused) {
    runtime::programmer_values[9] = 100;
    const uint16_t used = memories::memory_used_count;
    for (const int16_t m : {int16_t{0}, int16_t{-3}, int16_t{4001}, int16_t{32767}}) {
        SCOPED_TRACE(m);
        EXPECT_FALSE(memories::store_memory_confirmed(m));
        EXPECT_FALSE(memories::pack_memory(m, runtime::programmer_values, nullptr, nullptr, nullptr, nullptr));
        memories::recall_memory(m, 1);
        EXPECT_EQ(runtime::programmer_values[9], 100) << "a refused recall leaves the programmer";
    }
    EXPECT_EQ(memories::memory_used_count, used);
    // Store-next from 4000 stores nothing and stays at 4000.
    memories::current_memory = 4000;
    memories::store_to_next_memory();
    EXPECT_EQ(memories::current_memory, 4000);
    EXPECT_EQ(memories::memory_used_count, used);
}

TEST_F(MemoryStore, NextAndLastStepThroughUsedMemoriesWithoutWrap) {
    runtime::programmer_values[9] = 10;
    ASSERT_TRUE(memories::store_memory_confirmed(4));
    runtime::programmer_values[9] = 20;
    ASSERT_TRUE(memories::store_memory_confirmed(9));
    memories::current_memory = 1;
    memories::recall_next_memory();
    EXPECT_EQ(memories::current_memory, 4);
    memories::recall_next_memory();
    EXPECT_EQ(memories::current_memory, 9);
    EXPECT_EQ(runtime::programmer_values[9], 20);
    memories::recall_next_memory();
    EXPECT_EQ(memories::current_memory, 9) << "no wrap-around";
    memories::recall_previous_memory();
    EXPECT_EQ(memories::current_memory, 4);
    memories::recall_previous_memory();
    EXPECT_EQ(memories::current_memory, 4);
}

}  // namespace
