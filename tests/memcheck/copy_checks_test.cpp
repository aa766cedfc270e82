// The copy and string checks. Where a finding would make the plain call
// itself go wrong (an overlapping memcpy, a dead stack frame), the check is
// run on its own, inside a checked call, without the copy.
#include <gtest/gtest.h>
#include <pthread.h>

#include <csignal>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "memcheck/blocks.h"
#include "memcheck/copy_checks.h"
#include "memcheck/memcheck.h"
#include "memcheck_fixture.h"

namespace {

using namespace memcheck;
using mctest::MemcheckTest;
using mctest::shown;

constexpr uint8_t kPattern[4] = {0xEA, 0xDF, 0xAF, 0xAE};

// The common check as a replacement runs it, under a note of COPY(40).
__attribute__((noinline)) uint32_t check(unsigned code, size_t length, const void* source, void* dest) {
    mc_note_location(40, "COPY");
    mc_enter(static_cast<uint8_t>(code & ~kNoOverlap));
    const auto frame = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
    const uint32_t error = mc_check_copy_args(code, frame, length, source, dest);
    mc_leave();
    return error;
}

TEST_F(MemcheckTest, OverlapIsReportedOnlyWhenTheDestinationStartsInsideTheSource) {
    start();
    char buffer[8] = {};
    struct Case {
        long dest_offset;
        size_t length;
        unsigned code;
        bool reported;
    };
    const Case cases[] = {
        {1, 2, kCodeMemcpy | kNoOverlap, true},
        {-1, 2, kCodeMemcpy | kNoOverlap, false},  // destination below the source
        {2, 2, kCodeMemcpy | kNoOverlap, false},   // next to it
        {1, 2, kCodeMemmove, false},               // memmove may overlap
    };
    for (const Case& c : cases) {
        shown().clear();
        char* source = buffer + 2;
        char* dest = source + c.dest_offset;
        const uint32_t error = check(c.code, c.length, source, dest);
        EXPECT_EQ(error, c.reported ? kErrOverlap : kErrNone) << c.dest_offset;
        if (!c.reported) {
            EXPECT_TRUE(shown().empty());
            continue;
        }
        ASSERT_EQ(shown().size(), 2u);
        EXPECT_EQ(shown()[0], "Memcpy at COPY(40),len=2: source overlaps dest...");
        EXPECT_EQ(shown()[1], "  memcpy dest is " + hex(dest) + ", source is " + hex(source));
    }
}

TEST_F(MemcheckTest, PointersBelow16AndNullExtents) {
    McSettings s = mctest::test_settings();
    s.near_null_extent = 256;
    start(s);
    char buffer[8] = {};
    struct Case {
        unsigned code;
        size_t length;
        uintptr_t source;  // 1: the buffer
        uintptr_t dest;
        uint32_t error;
        const char* message;
    };
    const Case cases[] = {
        {kCodeMemset, 0, 0, 0, kErrNone, nullptr},  // nothing to write: silent
        {kCodeMemset, 1, 0, 0, kErrGpf, "Memset at COPY(40): invalid destination ptr 0x00000000 (GPF)"},
        {kCodeMemcpy, 4, 8, 1, kErrGpf, "Memcpy at COPY(40): invalid source ptr 0x00000008 (GPF)"},
        {kCodeMemset, 4, 0, 100, kErrNullDest, "Memset at COPY(40): NULL destination"},
        {kCodeMemcpy, 4, 200, 1, kErrNullSource, "Memcpy at COPY(40): NULL source"},
    };
    for (const Case& c : cases) {
        shown().clear();
        void* dest = c.dest == 1 ? buffer : reinterpret_cast<void*>(c.dest);
        const void* source = c.source == 1 ? buffer : reinterpret_cast<const void*>(c.source);
        EXPECT_EQ(check(c.code, c.length, source, dest), c.error);
        if (c.message == nullptr) {
            EXPECT_TRUE(shown().empty());
        } else {
            ASSERT_EQ(shown().size(), 1u);
            EXPECT_EQ(shown()[0], c.message);
        }
    }
}

TEST_F(MemcheckTest, AStringTooLongForItsBlockIsReportedAndStillCopied) {
    start();
    auto* p = static_cast<char*>(mc_malloc_at(10, "TEST", 4));
    const std::string block = "malloc at TEST(4), size=10, " + hex(p) + ", #1";
    mc_strcpy_at(p, "hello world", "TEST", 5, mc_dest_size(p));
    ASSERT_EQ(shown().size(), 2u);
    EXPECT_EQ(shown()[0], "Strcpy at TEST(5),len=12: overwrites destination...");
    EXPECT_EQ(shown()[1], "  destination is " + block);
    EXPECT_EQ(std::memcmp(p, "hello world", 12), 0);  // the plain copy happened
    mc_free_at(p, "TEST", 6);
    ASSERT_EQ(shown().size(), 4u);
    EXPECT_EQ(shown()[2], "Free at TEST(6): destination overwritten before call...");
}

TEST_F(MemcheckTest, TheDeclaredSizeIsCheckedUnlessItIsAPointersSize) {
    start();
    struct Case {
        size_t declared;
        bool reported;
    };
    for (const Case c : {Case{8, true}, Case{12, false}, Case{4, false}, Case{2, false}, Case{0, false}}) {
        shown().clear();
        char buffer[16] = {};
        mc_strcpy_at(buffer, "hello world", "TEST", 6, c.declared);
        EXPECT_STREQ(buffer, "hello world");
        if (c.reported) {
            ASSERT_EQ(shown().size(), 1u);
            EXPECT_EQ(shown()[0], "Strcpy at TEST(6),len=12: overwrites dest, size=8");
        } else {
            EXPECT_TRUE(shown().empty()) << c.declared;
        }
    }
    EXPECT_EQ(mc_dest_size(kPattern), 4u);
}

TEST_F(MemcheckTest, ADeclaredSizeTakesThePlaceOfTheBlockBounds) {
    start();
    auto* p = static_cast<char*>(mc_malloc_at(10, "TEST", 4));
    mc_memset_at(p, 'x', 11, "TEST", 5, 11);  // declared 11: the block's own bounds are not asked
    EXPECT_TRUE(shown().empty());
    p[10] = static_cast<char>(kPattern[0]);
    mc_free_at(p, "TEST", 6);
    EXPECT_TRUE(shown().empty());
}

TEST_F(MemcheckTest, CopiesAreHeldAgainstTheBoundsOfTheirBlock) {
    start();
    auto* p = static_cast<char*>(mc_malloc_at(10, "TEST", 3));
    const std::string block = "malloc at TEST(3), size=10, " + hex(p) + ", #1";
    struct Case {
        long offset;
        size_t length;
        bool reported;
    };
    const Case cases[] = {
        {0, 10, false}, {0, 11, true}, {9, 1, false}, {10, 0, false},
        {10, 1, true},  {-1, 1, true}, {12, 1, true}, {-12, 2, true},
    };
    for (const Case& c : cases) {
        shown().clear();
        EXPECT_EQ(check(kCodeMemset, c.length, nullptr, p + c.offset), c.reported ? kErrOverwritesDest : kErrNone)
            << c.offset << " " << c.length;
        if (!c.reported) {
            EXPECT_TRUE(shown().empty());
            continue;
        }
        ASSERT_EQ(shown().size(), 2u);
        EXPECT_EQ(shown()[0], "Memset at COPY(40),len=" + std::to_string(c.length) + ": overwrites destination...");
        EXPECT_EQ(shown()[1], "  destination is " + block);
    }
    mc_free_at(p, "TEST", 4);
}

TEST_F(MemcheckTest, ACopyIntoABlockFindsGuardDamageOnce) {
    start();
    auto* p = static_cast<char*>(mc_malloc_at(10, "TEST", 3));
    p[-1] = 0;
    mc_memset_at(p, 0, 10, "TEST", 4, 0);
    mc_memset_at(p, 0, 10, "TEST", 5, 0);
    ASSERT_EQ(shown().size(), 2u);
    EXPECT_EQ(shown()[0], "Memset at TEST(4): destination underwritten before call...");
    mc_free_at(p, "TEST", 6);  // the free checks again
    EXPECT_EQ(shown().size(), 4u);
}

TEST_F(MemcheckTest, StringLengthsOfStrcatAndStrncat) {
    start();
    struct Case {
        bool bounded;
        size_t count;
        size_t length;  // 0: fits
    };
    // "abc" in a 10-byte block, then "defghijk" appended.
    const Case cases[] = {{false, 0, 12}, {true, 7, 11}, {true, 6, 0}, {true, 20, 12}};
    for (const Case& c : cases) {
        shown().clear();
        auto* p = static_cast<char*>(mc_malloc_at(10, "TEST", 3));
        std::strcpy(p, "abc");
        mc_note_location(7, "TEST");
        if (c.bounded) {
            mc_strncat(p, "defghijk", c.count);
        } else {
            mc_strcat(p, "defghijk");
        }
        const char* name = c.bounded ? "Strncat" : "Strcat";
        if (c.length == 0) {
            EXPECT_TRUE(shown().empty()) << c.count;
        } else {
            ASSERT_GE(shown().size(), 1u) << c.count;
            EXPECT_EQ(shown()[0], std::string(name) + " at TEST(7),len=" + std::to_string(c.length) +
                                      ": overwrites destination...");
        }
        // Put the back guard right again so that the free is quiet.
        std::memcpy(p + 10, kPattern, 4);
        mc_free_at(p, "TEST", 8);
    }
}

TEST_F(MemcheckTest, MemmoveStrncpyAndStpcpyCheckTheirOwnLengths) {
    start();
    auto* p = static_cast<char*>(mc_malloc_at(10, "TEST", 3));
    std::memset(p, 0, 10);
    std::strcpy(p, "abcdefgh");
    mc_memmove_at(p + 1, p, 8, "TEST", 4, 0);  // overlap is what memmove is for
    EXPECT_STREQ(p, "aabcdefgh");
    EXPECT_TRUE(shown().empty());
    mc_note_location(5, "TEST");
    mc_strncpy(p, "xyz", 10);
    EXPECT_TRUE(shown().empty());
    mc_note_location(6, "TEST");
    char* end = mc_stpcpy(p, "123456789");
    EXPECT_EQ(end, p + 9);
    EXPECT_TRUE(shown().empty());
    mc_note_location(7, "TEST");
    const char* source = "xyz";
    mc_strncpy(p, source, 11);
    ASSERT_EQ(shown().size(), 2u);
    EXPECT_EQ(shown()[0], "Strncpy at TEST(7),len=11: overwrites destination...");
    EXPECT_EQ(mc_state.last_source, source);
    std::memcpy(p + 10, kPattern, 4);
    mc_free_at(p, "TEST", 8);
}

TEST_F(MemcheckTest, FastModeSkipsTheCopyChecksButKeepsTheBlocks) {
    McSettings s = mctest::test_settings();
    s.flags |= kSetFastMode;
    start(s);
    auto* p = static_cast<char*>(mc_malloc_at(10, "TEST", 3));
    mc_strcpy_at(p, "hello world", "TEST", 4, 0);
    EXPECT_TRUE(shown().empty());
    mc_free_at(p, "TEST", 5);
    ASSERT_EQ(shown().size(), 2u);
    EXPECT_EQ(shown()[0], "Free at TEST(5): destination overwritten before call...");
}

char* destination_at_report = nullptr;
bool guard_whole_at_report = false;

void look_at_the_guard(const char* message) {
    shown().push_back(message);
    if (shown().size() == 1) guard_whole_at_report = std::memcmp(destination_at_report + 10, kPattern, 4) == 0;
}

TEST_F(MemcheckTest, AFormattedPrintIsReportedBeforeItWritesPastItsBlock) {
    start();
    mc_set_display_hook(look_at_the_guard);
    auto* p = static_cast<char*>(mc_malloc_at(10, "TEST", 3));
    destination_at_report = p;
    mc_note_location(4, "TEST");
    EXPECT_EQ(mc_sprintf(p, "%s %s", "hello", "world"), 11);
    ASSERT_EQ(shown().size(), 2u);
    EXPECT_EQ(shown()[0], "Sprintf at TEST(4),len=12: overwrites destination...");
    EXPECT_TRUE(guard_whole_at_report);
    EXPECT_STREQ(p, "hello world");
    // The next print finds the damage under the name "buffer".
    shown().clear();
    mc_note_location(5, "TEST");
    mc_sprintf(p, "%d", 7);
    ASSERT_EQ(shown().size(), 2u);
    EXPECT_EQ(shown()[0], "Sprintf at TEST(5): buffer overwritten before call...");
    EXPECT_EQ(shown()[1].rfind("  buffer is malloc at TEST(3), size=10, ", 0), 0u);
    std::memcpy(p + 10, kPattern, 4);
    mc_free_at(p, "TEST", 6);
}

TEST_F(MemcheckTest, TheTrailingArgumentFormOfVsprintfIsBoundedAndChecked) {
    start();
    auto* p = static_cast<char*>(mc_malloc_at(10, "TEST", 3));
    char out[8];
    auto print = [](char* dest, size_t size, const char* format, ...) {
        va_list args;
        va_start(args, format);
        const int n = mc_vsprintf_at(dest, format, args, "TEST", 9, size);
        va_end(args);
        return n;
    };
    EXPECT_EQ(print(out, sizeof out, "%s", "0123456789"), 10);
    EXPECT_STREQ(out, "0123456");
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0], "Vsprintf at TEST(9),len=11: overwrites dest, size=8");
    EXPECT_EQ(print(p, 0, "%d", 12345), 5);
    EXPECT_EQ(shown().size(), 1u);
    mc_free_at(p, "TEST", 10);
}

TEST_F(MemcheckTest, ThePointerTestsOfSprintfRunBeforeCheckingHasStarted) {
    configure(mctest::test_settings());
    const mctest::ChildRun run = mctest::run_in_child([] {
        mc_sprintf(reinterpret_cast<char*>(8), "%d", 1);  // reported, then the plain call faults
    });
    EXPECT_FALSE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 0);
    EXPECT_EQ(run.out.rfind("Sprintf after startup: invalid destination ptr 0x00000008 (GPF)\n", 0), 0u) << run.out;
    EXPECT_TRUE(log_has("Sprintf after startup: invalid destination ptr 0x00000008 (GPF)"));
}

// Stack checks: pointers below the replacement's frame, and copies that
// reach a saved frame pointer.

__attribute__((noinline)) uint32_t check_below_own_frame(size_t below, bool as_source) {
    mc_note_location(40, "COPY");
    mc_enter(kCodeMemcpy);
    const auto frame = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
    static char heap_like[8];
    void* dead = reinterpret_cast<void*>(frame - below);
    const uint32_t error = as_source ? mc_check_copy_args(kCodeMemcpy, frame, 4, dead, heap_like)
                                     : mc_check_copy_args(kCodeMemcpy, frame, 4, heap_like, dead);
    mc_leave();
    return error;
}

TEST_F(MemcheckTest, APointerIntoADeadStackFrameIsReported) {
    start();
    EXPECT_EQ(check_below_own_frame(64, false), kErrDanglingStack);
    ASSERT_EQ(shown().size(), 2u);
    EXPECT_EQ(shown()[0], "Memcpy at COPY(40),len=4: invalid stack destination...");
    EXPECT_TRUE(shown()[1].starts_with("  destination pointer 0x")) << shown()[1];
    EXPECT_TRUE(shown()[1].ends_with(" is 80 bytes below stack top")) << shown()[1];
    shown().clear();
    EXPECT_EQ(check_below_own_frame(32, true), kErrDanglingStack);
    ASSERT_EQ(shown().size(), 2u);
    EXPECT_EQ(shown()[0], "Memcpy at COPY(40),len=4: invalid stack source...");
    EXPECT_EQ(shown()[1].rfind("  source pointer 0x", 0), 0u);
}

__attribute__((noinline)) uint32_t copy_into_callers_array(char* array, size_t length) {
    return check(kCodeMemset, length, nullptr, array);
}

__attribute__((noinline)) std::vector<uint32_t> fill_local_array() {
    char array[32] = {};
    const auto frame = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
    const size_t to_frame = frame - reinterpret_cast<uintptr_t>(array);
    return {copy_into_callers_array(array, sizeof array), copy_into_callers_array(array, to_frame),
            copy_into_callers_array(array, to_frame + 1), copy_into_callers_array(array, 70000)};
}

TEST_F(MemcheckTest, ACopyReachingASavedFramePointerIsReported) {
    start();
    const std::vector<uint32_t> errors = fill_local_array();
    EXPECT_EQ(errors, (std::vector<uint32_t>{kErrNone, kErrNone, kErrStackFrame, kErrStackFrame}));
    ASSERT_EQ(shown().size(), 2u);
    EXPECT_EQ(shown()[0].rfind("Memset at COPY(40),len=", 0), 0u);
    EXPECT_TRUE(shown()[0].ends_with(": overwrites stack frame")) << shown()[0];
    EXPECT_EQ(shown()[1], "Memset at COPY(40),len=70000: overwrites stack frame");
}

// The running thread's stack as [limit, top).
std::pair<uintptr_t, uintptr_t> thread_stack() {
    pthread_attr_t attr;
    EXPECT_EQ(pthread_getattr_np(pthread_self(), &attr), 0);
    void* low = nullptr;
    size_t size = 0;
    pthread_attr_getstack(&attr, &low, &size);
    pthread_attr_destroy(&attr);
    return {reinterpret_cast<uintptr_t>(low), reinterpret_cast<uintptr_t>(low) + size};
}

const char* volatile dead_text = nullptr;

// Leaves the address of its own local text behind, deep in the stack.
__attribute__((noinline)) void leave_dead_text() {
    char text[8192];
    std::memset(text, 'd', sizeof text);
    dead_text = text;
    asm volatile("" : : "r"(text) : "memory");
}

TEST_F(MemcheckTest, WithAutoInitTheStackChecksUseTheRunningThreadsStack) {
    McSettings s = mctest::test_settings();
    s.flags |= kSetAutoInit;
    start(s);
    const auto [limit, top] = thread_stack();
    EXPECT_EQ(mc_stack.limit, limit);
    EXPECT_EQ(mc_stack.top, top);
    EXPECT_EQ(check_below_own_frame(64, false), kErrDanglingStack);
    EXPECT_EQ(fill_local_array(), (std::vector<uint32_t>{kErrNone, kErrNone, kErrStackFrame, kErrStackFrame}));
    // A real copy from a frame that has returned, into memory outside the stack.
    shown().clear();
    leave_dead_text();
    static char copy[4];
    mc_memcpy_at(copy, dead_text, sizeof copy, "COPY", 50, mc_dest_size(copy));
    ASSERT_EQ(shown().size(), 2u);
    EXPECT_EQ(shown()[0], "Memcpy at COPY(50),len=4: invalid stack source...");
    EXPECT_TRUE(shown()[1].starts_with("  source pointer " + hex(dead_text) + " is ")) << shown()[1];
    EXPECT_NE(mc_state.error_mask & (1u << (kErrDanglingStack - 1)), 0u);
}

TEST_F(MemcheckTest, WithoutStandardStackTheStackIsNotChecked) {
    McSettings s = mctest::test_settings();
    s.flags &= ~kSetStandardStack;
    start(s);
    EXPECT_EQ(check_below_own_frame(64, false), kErrNone);
    EXPECT_EQ(fill_local_array(), (std::vector<uint32_t>{0, 0, 0, 0}));
    EXPECT_TRUE(shown().empty());
}

}  // namespace
