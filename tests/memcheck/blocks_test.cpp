// Guarded blocks, the registry and the allocation replacements.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "memcheck/blocks.h"
#include "memcheck/memcheck.h"
#include "memcheck/registry.h"
#include "memcheck_fixture.h"

namespace {

using namespace memcheck;
using mctest::MemcheckTest;
using mctest::shown;

constexpr uint8_t kPattern[4] = {0xEA, 0xDF, 0xAF, 0xAE};

// Blocks a test leaves behind on purpose stay reachable from here.
void* kept_blocks[4] = {};

TEST_F(MemcheckTest, ABlockIsFramedByGuardsAndKeepsItsAlignment) {
    for (const uint8_t g : {uint8_t{4}, uint8_t{16}, uint8_t{1}}) {
        McSettings s = mctest::test_settings();
        s.guard_bytes = g;
        start(s);
        auto* p = static_cast<uint8_t*>(mc_malloc_at(10, "TEST", 2));
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 16, 0u);
        for (size_t i = 0; i < g; ++i) {
            EXPECT_EQ(p[static_cast<ptrdiff_t>(i) - g], kPattern[i % 4]) << "front " << i << " of " << int{g};
            EXPECT_EQ(p[10 + i], kPattern[i % 4]) << "back " << i << " of " << int{g};
        }
        McBlockRecord r;
        ASSERT_EQ(mc_registry_find(mc_registry, reinterpret_cast<uintptr_t>(p) - 16, r), kRegistryOk);
        EXPECT_EQ(r.size, 16u + 10u + g);
        EXPECT_EQ(mc_caller_size(r), 10u);
        EXPECT_EQ(r.function_code, kCodeMalloc);
        EXPECT_EQ(r.serial, 1u);
        EXPECT_STREQ(r.file, "TEST");
        EXPECT_EQ(r.line, 2u);
        EXPECT_EQ(r.flags, kRecordNoted);
        mc_free_at(p, "TEST", 3);
        EXPECT_TRUE(shown().empty());
        mc_endcheck();
    }
}

TEST_F(MemcheckTest, OneByteWrittenOutsideABlockIsReportedAtItsFreeAndTheBlockIsStillFreed) {
    struct Case {
        long offset;
        const char* damage;
        uint32_t error;
    };
    const Case cases[] = {{-1, "underwritten", kErrUnderwritten}, {10, "overwritten", kErrOverwritten}};
    for (const Case& c : cases) {
        start();
        shown().clear();
        auto* p = static_cast<char*>(mc_malloc_at(10, "ALLOC", 20));
        p[c.offset] = 'x';
        const std::string address = hex(p);
        mc_free_at(p, "RELEASE", 30);
        ASSERT_EQ(shown().size(), 2u) << c.damage;
        EXPECT_EQ(shown()[0], std::string("Free at RELEASE(30): destination ") + c.damage + " before call...");
        EXPECT_EQ(shown()[1], "  destination is malloc at ALLOC(20), size=10, " + address + ", #1");
        EXPECT_EQ(mc_state.error, c.error);
        EXPECT_EQ(mc_registry.count, 0u);
        EXPECT_EQ(mc_counters.bytes_freed, 10u);
        EXPECT_TRUE(log_has(shown()[1]));
        mc_endcheck();
    }
}

TEST_F(MemcheckTest, MallocOfNothingGivesNullAndStillCountsAnAllocation) {
    start();
    EXPECT_EQ(mc_malloc_at(0, "TEST", 2), nullptr);
    EXPECT_EQ(mc_counters.allocations, 1u);
    void* p = mc_malloc_at(4, "TEST", 3);
    McBlockRecord r;
    ASSERT_EQ(mc_registry_at(mc_registry, 0, r), kRegistryOk);
    EXPECT_EQ(r.serial, 2u);
    mc_free_at(p, "TEST", 4);
    EXPECT_TRUE(shown().empty());
}

TEST_F(MemcheckTest, ASecondFreeIsAnInvalidPointerAndFreesNothing) {
    start();
    void* p = mc_malloc_at(24, "TEST", 2);
    const std::string address = hex(p);
    mc_free_at(p, "TEST", 3);
    mc_free_at(p, "TEST", 4);  // a real second free would stop the program here
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0], "Free at TEST(4): invalid pointer " + address);
    EXPECT_EQ(mc_state.error, kErrInvalidPointer);
}

TEST_F(MemcheckTest, APointerBelowTheNullExtentIsReportedAsNull) {
    start();
    mc_free_at(reinterpret_cast<void*>(8), "TEST", 5);
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0], "Free at TEST(5): NULL argument");
    EXPECT_EQ(mc_state.error, kErrNullDest);
    mc_free_at(nullptr, "TEST", 6);  // a null pointer is simply nothing to free
    EXPECT_EQ(shown().size(), 1u);
}

TEST_F(MemcheckTest, ABlockAllocatedBeforeCheckingStartedIsFreedPlainly) {
    configure(mctest::test_settings());
    void* early = mc_malloc_at(32, "TEST", 2);  // checking wanted but not started
    void* grown = mc_malloc_at(32, "TEST", 3);
    mc_startcheck(mctest::capture, 4, "TEST");
    ASSERT_EQ(mc_state.active, 1);
    grown = mc_realloc_at(grown, 64, "TEST", 5);  // an unknown heap block: the plain realloc
    ASSERT_NE(grown, nullptr);
    mc_free_at(early, "TEST", 6);
    mc_free_at(grown, "TEST", 7);
    EXPECT_TRUE(shown().empty());
    EXPECT_EQ(mc_registry.count, 0u);
}

TEST_F(MemcheckTest, WithoutSearchHeapAnUnregisteredBlockIsAnInvalidPointer) {
    McSettings s = mctest::test_settings();
    s.flags &= ~kSetAdvancedValidation;
    configure(s);
    void* early = mc_malloc_at(32, "TEST", 2);
    mc_startcheck(mctest::capture, 3, "TEST");
    mc_free_at(early, "TEST", 4);
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0], "Free at TEST(4): invalid pointer " + hex(early));
    std::free(early);  // it was not freed
}

TEST_F(MemcheckTest, ClearBuffersOnFreeFillsTheFirst32768BytesOfTheBlock) {
    static std::vector<uint8_t> seen;
    static size_t whole = 0;
    seen.clear();
    McSettings s = mctest::test_settings();
    s.flags |= kSetClearOnFree;
    start(s);
    // The registry's notification sees the block after the fill and before
    // it goes back to the C heap.
    mc_set_registry_notification([](int event, const McBlockRecord& r) {
        if (event != 2) return;
        whole = r.size;
        const auto* base = reinterpret_cast<const uint8_t*>(r.address);
        seen.assign(base, base + r.size);
    });
    auto* p = static_cast<uint8_t*>(mc_malloc_at(40000, "TEST", 2));
    std::memset(p, 0x11, 40000);
    mc_free_at(p, "TEST", 3);
    mc_set_registry_notification(nullptr);
    ASSERT_EQ(whole, 16u + 40000u + 4u);
    ASSERT_EQ(seen.size(), whole);
    size_t filled = 0;
    while (filled < seen.size() && seen[filled] == 0xFD) ++filled;
    EXPECT_EQ(filled, 32768u);
    EXPECT_EQ(seen[32768], 0x11);
    EXPECT_EQ(seen[whole - 1], kPattern[3]);
}

TEST_F(MemcheckTest, WithoutClearBuffersAFreedBlockKeepsItsBytes) {
    static uint8_t first_byte = 0;
    start();
    mc_set_registry_notification([](int event, const McBlockRecord& r) {
        if (event == 2) first_byte = *reinterpret_cast<const uint8_t*>(mc_caller_address(r));
    });
    auto* p = static_cast<uint8_t*>(mc_malloc_at(8, "TEST", 2));
    p[0] = 0x5A;
    mc_free_at(p, "TEST", 3);
    mc_set_registry_notification(nullptr);
    EXPECT_EQ(first_byte, 0x5A);
}

TEST_F(MemcheckTest, TheEndOfTheRunReportsEveryBlockLeftInAddressOrder) {
    start();
    kept_blocks[0] = mc_malloc_at(24, "TABLES", 50);
    kept_blocks[1] = mc_calloc(3, 8);  // no note: allocated "after" TABLES(50)
    kept_blocks[2] = mc_operator_new(12);
    static_cast<char*>(kept_blocks[2])[12] = 0;  // and overwritten
    std::vector<void*> order(kept_blocks, kept_blocks + 3);
    std::sort(order.begin(), order.end());
    mc_endcheck();
    std::vector<std::string> expected;
    for (void* p : order) {
        if (p == kept_blocks[0]) expected.push_back("No free for malloc at TABLES(50), size=24, " + hex(p) + ", #1");
        if (p == kept_blocks[1]) expected.push_back("No free for calloc after TABLES(50), size=24, " + hex(p) + ", #2");
        if (p == kept_blocks[2]) {
            expected.push_back("Mc_endcheck after TABLES(50): buffer overwritten before call...");
            expected.push_back("  buffer is new after TABLES(50), size=12, " + hex(p) + ", #3");
            expected.push_back("No delete for new after TABLES(50), size=12, " + hex(p) + ", #3");
        }
    }
    std::vector<std::string> leaks;
    for (const std::string& line : shown()) {
        if (line.rfind("  >>>", 0) != 0) leaks.push_back(line);
    }
    EXPECT_EQ(leaks, expected);
    EXPECT_EQ(mc_counters.leaked_bytes, 24u + 24u + 12u);
    EXPECT_NE(mc_state.error_mask & (1u << (kErrLeak - 1)), 0u);
}

TEST_F(MemcheckTest, TheTipFollowsOnlyWhenTheFirstLeakWasAllocatedAfterALocation) {
    for (const bool noted : {true, false}) {
        start();
        shown().clear();
        void* leaked = noted ? mc_malloc_at(8, "TEST", 2) : mc_malloc(8);
        mc_endcheck();
        ASSERT_EQ(shown().size(), noted ? 1u : 4u) << noted;
        EXPECT_EQ(shown()[0].rfind("No free for malloc ", 0), 0u);
        if (!noted) {
            EXPECT_EQ(shown()[1], "  >>> Tip: bracket the suspect code to track down leaking");
            EXPECT_EQ(shown()[2], "  >>> buffers reported 'after' a file & line location.  See the");
            EXPECT_EQ(shown()[3], "  >>> troubleshooting notes in the README for details.");
        }
        mc_free_at(leaked, "TEST", 3);  // after the run: it goes back whole, and no later run sees it
        EXPECT_EQ(mc_registry.count, 0u);
    }
}

TEST_F(MemcheckTest, ReallocMovesTheRecordAndKeepsTheContents) {
    start();
    auto* p = static_cast<char*>(mc_malloc_at(8, "TEST", 2));
    std::memcpy(p, "1234567", 8);
    auto* q = static_cast<char*>(mc_realloc_at(p, 4000, "GROW", 3));
    ASSERT_NE(q, nullptr);
    EXPECT_STREQ(q, "1234567");
    ASSERT_EQ(mc_registry.count, 1u);
    McBlockRecord r;
    ASSERT_EQ(mc_registry_at(mc_registry, 0, r), kRegistryOk);
    EXPECT_EQ(mc_caller_address(r), reinterpret_cast<uintptr_t>(q));
    EXPECT_EQ(r.function_code, kCodeRealloc);
    EXPECT_STREQ(r.file, "GROW");
    EXPECT_EQ(r.serial, 2u);
    EXPECT_EQ(mc_caller_size(r), 4000u);
    EXPECT_EQ(std::memcmp(q + 4000, kPattern, 4), 0);
    EXPECT_EQ(mc_counters.bytes_allocated, 4008u);
    EXPECT_EQ(mc_counters.bytes_freed, 8u);
    EXPECT_EQ(mc_counters.max_bytes_in_use, 4000u);
    mc_free_at(q, "TEST", 4);
    EXPECT_TRUE(shown().empty());
}

TEST_F(MemcheckTest, ReallocOfNullIsAMallocUnderTheSameNote) {
    start();
    void* p = mc_realloc_at(nullptr, 16, "TEST", 7);
    McBlockRecord r;
    ASSERT_EQ(mc_registry_at(mc_registry, 0, r), kRegistryOk);
    EXPECT_EQ(r.function_code, kCodeMalloc);
    EXPECT_EQ(r.flags & kRecordNoted, kRecordNoted);
    EXPECT_EQ(r.line, 7u);
    mc_free_at(p, "TEST", 8);
}

TEST_F(MemcheckTest, ReallocOfAnInvalidPointerGivesNull) {
    start();
    int on_stack = 0;
    EXPECT_EQ(mc_realloc_at(&on_stack, 16, "TEST", 9), nullptr);
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0], "Realloc at TEST(9): invalid pointer " + hex(&on_stack));
}

TEST_F(MemcheckTest, ARequestTooLargeForItsGuardsIsOutOfMemory) {
    start();
    auto* p = static_cast<char*>(mc_malloc_at(8, "TEST", 2));
    EXPECT_EQ(mc_realloc_at(p, SIZE_MAX - 8, "TEST", 3), nullptr);
    EXPECT_EQ(shown().back(), "Realloc at TEST(3), size=" + std::to_string(SIZE_MAX - 8) + ", #2: out of memory");
    // A calloc whose product does not fit is out of memory too.
    EXPECT_EQ(mc_calloc(SIZE_MAX / 2, 3), nullptr);
    EXPECT_EQ(shown().back(), "Calloc after TEST(3), size=" + std::to_string(SIZE_MAX) + ", #3: out of memory");
    mc_free_at(p, "TEST", 4);  // the old block is untouched
    EXPECT_EQ(mc_registry.count, 0u);
}

TEST_F(MemcheckTest, CallocGivesAZeroedGuardedBlockAndNullForNothing) {
    start();
    auto* p = static_cast<uint8_t*>(mc_calloc(5, 4));
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(p[i], 0) << i;
    EXPECT_EQ(std::memcmp(p + 20, kPattern, 4), 0);
    EXPECT_EQ(mc_calloc(0, 4), nullptr);
    mc_free_at(p, "TEST", 2);
    EXPECT_EQ(mc_counters.allocations, 2u);
}

TEST_F(MemcheckTest, NewAndDeleteGoThroughTheRegistry) {
    start();
    void* object = mc_operator_new(0);  // at least one byte
    ASSERT_NE(object, nullptr);
    McBlockRecord r;
    ASSERT_EQ(mc_registry_at(mc_registry, 0, r), kRegistryOk);
    EXPECT_EQ(r.function_code, kCodeNew);
    EXPECT_EQ(mc_caller_size(r), 1u);
    static_cast<char*>(object)[-2] = 0;
    mc_operator_delete(object);
    ASSERT_EQ(shown().size(), 2u);
    EXPECT_EQ(shown()[0], "Delete after TEST(1): destination underwritten before call...");
    EXPECT_EQ(mc_registry.count, 0u);
    // The marks of new and delete last for one call only.
    void* later = mc_malloc_at(4, "TEST", 3);
    ASSERT_EQ(mc_registry_at(mc_registry, 0, r), kRegistryOk);
    EXPECT_EQ(r.function_code, kCodeMalloc);
    mc_free_at(later, "TEST", 4);
    EXPECT_EQ(shown().size(), 2u);
}

TEST_F(MemcheckTest, ASecondDeleteOfAnObjectIsAnInvalidPointerAndFreesNothing) {
    start();
    void* object = mc_operator_new(24);
    const std::string address = hex(object);
    mc_operator_delete(object);
    mc_operator_delete(object);  // a real second delete would corrupt the heap here
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0], "Delete after TEST(1): invalid pointer " + address);
    EXPECT_EQ(mc_state.error, kErrInvalidPointer);
    EXPECT_EQ(mc_registry.count, 0u);
}

TEST_F(MemcheckTest, AnObjectMadeWhileChecksDidNotApplyIsDeletedPlainly) {
    configure(mctest::test_settings());
    void* early = mc_operator_new(24);  // checking wanted but not started: the C heap's block
    mc_startcheck(mctest::capture, 2, "TEST");
    ASSERT_EQ(mc_state.active, 1);
    mc_operator_delete(early);
    EXPECT_TRUE(shown().empty());
    EXPECT_EQ(mc_registry.count, 0u);
    EXPECT_EQ(mc_plain_blocks.count, 0u);
}

TEST_F(MemcheckTest, AnOverAlignedObjectKeepsItsAlignmentBehindItsGuards) {
    start();
    auto* object = static_cast<uint8_t*>(mc_operator_new(100, 256));
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(object) % 256, 0u);
    McBlockRecord r;
    ASSERT_EQ(mc_registry_at(mc_registry, 0, r), kRegistryOk);
    EXPECT_EQ(mc_caller_address(r), reinterpret_cast<uintptr_t>(object));
    EXPECT_EQ(mc_caller_size(r), 100u);
    EXPECT_EQ(r.size, 256u + 100u + 4u);
    EXPECT_EQ(std::memcmp(object - 4, kPattern, 4), 0);
    EXPECT_EQ(std::memcmp(object + 100, kPattern, 4), 0);
    object[100] = 0;
    mc_operator_delete(object);
    ASSERT_EQ(shown().size(), 2u);
    EXPECT_EQ(shown()[0], "Delete after TEST(1): destination overwritten before call...");
    EXPECT_EQ(shown()[1], "  destination is new after TEST(1), size=100, " + hex(object) + ", #1");
    EXPECT_EQ(mc_registry.count, 0u);
}

TEST_F(MemcheckTest, WithoutTheVariableNewAndDeleteAreThePlainHeapCalls) {
    void* object = mc_operator_new(0);
    ASSERT_NE(object, nullptr);
    void* wide = mc_operator_new(10, 128);
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(wide) % 128, 0u);
    EXPECT_FALSE(mc_checking_wanted());
    mc_operator_delete(object);
    mc_operator_delete(wide);
    mc_operator_delete(nullptr);
    EXPECT_EQ(mc_registry.count, 0u);
    EXPECT_EQ(mc_counters.allocations, 0u);
}

TEST_F(MemcheckTest, AGuardedBlockGoesBackWholeAfterTheRunEnded) {
    start();
    void* p = mc_malloc_at(16, "TEST", 2);
    mc_endcheck();
    EXPECT_EQ(mc_state.active, 0);
    mc_free_at(p, "TEST", 3);  // a plain free of p itself would not be the block's start
    EXPECT_EQ(mc_registry.count, 0u);
}

TEST(MemcheckRegistry, KeysAreKeptInOrderWithExactAndFloorLookUp) {
    McRegistry registry;
    for (uintptr_t key : {500u, 100u, 300u, 200u, 400u}) {
        McBlockRecord r;
        r.address = key;
        r.size = 50;
        ASSERT_EQ(mc_table_insert(registry, r), kRegistryOk);
    }
    McBlockRecord duplicate;
    duplicate.address = 300;
    EXPECT_EQ(mc_table_insert(registry, duplicate), kRegistryKeyError);
    EXPECT_EQ(mc_table_delete(registry, 250), kRegistryKeyError);
    ASSERT_EQ(mc_table_delete(registry, 200), kRegistryOk);
    McBlockRecord r;
    std::vector<uintptr_t> walk;
    for (size_t i = 0; mc_registry_at(registry, i, r) == kRegistryOk; ++i) walk.push_back(r.address);
    EXPECT_EQ(walk, (std::vector<uintptr_t>{100, 300, 400, 500}));
    EXPECT_EQ(mc_registry_find_floor(registry, 299, r), kRegistryOk);
    EXPECT_EQ(r.address, 100u);
    EXPECT_EQ(mc_registry_find_floor(registry, 300, r), kRegistryOk);
    EXPECT_EQ(r.address, 300u);
    EXPECT_EQ(mc_registry_find_floor(registry, 99, r), kRegistryEnd);
    EXPECT_EQ(mc_registry_find(registry, 400, r), kRegistryOk);
    EXPECT_EQ(mc_registry_find(registry, 401, r), kRegistryKeyError);
    mc_table_release(registry);
}

TEST(MemcheckRegistry, ManyKeysInAnyOrderStaySorted) {
    McRegistry registry;
    uint32_t x = 12345;
    std::vector<uintptr_t> keys;
    for (int i = 0; i < 3000; ++i) {
        x = x * 1103515245u + 12345u;
        McBlockRecord r;
        r.address = (x >> 4) * 16 + 16;
        if (mc_table_insert(registry, r) == kRegistryOk) keys.push_back(r.address);
    }
    std::sort(keys.begin(), keys.end());
    ASSERT_EQ(registry.count, keys.size());
    for (size_t i = 0; i < keys.size(); ++i) EXPECT_EQ(registry.entries[i].address, keys[i]);
    mc_table_release(registry);
}

TEST(MemcheckRegistry, ResultTexts) {
    EXPECT_STREQ(mc_registry_error_text(0), "No error");
    EXPECT_STREQ(mc_registry_error_text(3), "Memory allocation failure");
    EXPECT_STREQ(mc_registry_error_text(9), "File read/write failure!");
    EXPECT_STREQ(mc_registry_error_text(10), "<unknown error>");
    EXPECT_STREQ(mc_registry_error_text(-1), "<unknown error>");
}

TEST_F(MemcheckTest, AtTheProgramsExitTheLeaksAndTheSummaryAreLogged) {
    setenv("MEMCHECK", "fast", 1);  // the defaults: AutoInit ends the run at exit
    const mctest::ChildRun run = mctest::run_in_child([] {
        kept_blocks[0] = mc_malloc_at(40, "SHOWS", 77);
        std::exit(0);
    });
    ASSERT_TRUE(WIFEXITED(run.status));
    const int leak = log_find("No free for malloc at SHOWS(77), size=40, 0x");
    EXPECT_GT(leak, 0);
    EXPECT_GT(log_find("End of run summary:", leak), leak);
    EXPECT_TRUE(log_has("    - memory leakage"));
    EXPECT_EQ(run.out, log_lines()[static_cast<size_t>(leak)] + "\n");
}

}  // namespace
