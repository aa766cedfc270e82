// The frame of every checked call: pass-through when off, location notes,
// the call context, error texts and the shape of a message.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "memcheck/blocks.h"
#include "memcheck/copy_checks.h"
#include "memcheck/memcheck.h"
#include "memcheck_fixture.h"

namespace {

using namespace memcheck;
using mctest::MemcheckTest;
using mctest::shown;

int format(char* dest, const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    const int n = mc_vsprintf(dest, fmt, args);
    va_end(args);
    return n;
}

TEST_F(MemcheckTest, WithoutTheVariableEveryCallIsThePlainCallAndNothingIsWritten) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    mc_startcheck(nullptr, 1, "TEST");
    char* p = static_cast<char*>(mc_malloc_at(0, "TEST", 2));
    mc_free_at(p, "TEST", 3);  // whatever malloc(0) gave goes back plainly
    p = static_cast<char*>(mc_malloc_at(16, "TEST", 4));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(mc_strcpy_at(p, "abcdefghij", "TEST", 5, 4), p);
    p = static_cast<char*>(mc_realloc_at(p, 32, "TEST", 6));
    ASSERT_NE(p, nullptr);
    EXPECT_STREQ(p, "abcdefghij");
    char buffer[32];
    EXPECT_EQ(format(buffer, "%s-%d", "x", 7), 3);
    EXPECT_STREQ(buffer, "x-7");
    EXPECT_EQ(mc_memset_at(p, 'z', 32, "TEST", 7, 0), p);
    mc_free_at(p, "TEST", 8);
    EXPECT_EQ(mc_endcheck(), 0u);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_FALSE(has_log());
    EXPECT_EQ(mc_state.active, 0);
}

TEST_F(MemcheckTest, AMessageIsLoggedAndShownWithItsFirstLetterInCapitals) {
    start();
    void* p = mc_malloc_at(SIZE_MAX - 10, "RESET", 40);
    EXPECT_EQ(p, nullptr);
    mc_debug("lower case text");
    mc_debug("9 stays as it is");
    const std::string oom = "Malloc at RESET(40), size=" + std::to_string(SIZE_MAX - 10) + ", #1: out of memory";
    ASSERT_EQ(shown().size(), 3u);
    EXPECT_EQ(shown()[0], oom);
    EXPECT_EQ(shown()[1], "Lower case text");
    EXPECT_EQ(shown()[2], "9 stays as it is");
    EXPECT_TRUE(log_has(oom));
    EXPECT_TRUE(log_has("Lower case text"));
    EXPECT_NE(mc_state.error_mask & (1u << (kErrOutOfMemory - 1)), 0u);
}

TEST_F(MemcheckTest, TheContextWordFollowsNotesAndDepth) {
    start();
    struct Case {
        bool note;
        int depth;
        const char* context;
    };
    const Case cases[] = {
        {true, 1, "malloc at RESET(12)"},
        {true, 2, "malloc within RESET(12)"},
        {false, 1, "malloc after RESET(12)"},
        {false, 2, "malloc after RESET(12)"},
    };
    mc_set_location(12, "C:\\BRAVINOX\\SRC\\RESET");  // the noted location, without its folder
    for (const Case& c : cases) {
        if (c.note) mc_note_location(12, "RESET");
        for (int d = 0; d < c.depth; ++d) mc_enter(kCodeMalloc);
        EXPECT_STREQ(mc_call_context().c_str(), c.context) << c.note << " depth " << c.depth;
        for (int d = 0; d < c.depth; ++d) mc_leave();
        EXPECT_EQ(mc_state.pending_notes, 0);
    }
}

TEST_F(MemcheckTest, ANoteTakenInsideARunningCallOnlyMovesTheCurrentLocation) {
    start();
    mc_note_location(5, "OUTER");
    EXPECT_EQ(mc_state.pending_notes, 1);
    mc_enter(kCodeMemcpy);
    mc_note_location(9, "INNER");
    EXPECT_EQ(mc_state.pending_notes, 1);
    EXPECT_STREQ(mc_state.location_file, "INNER");
    EXPECT_EQ(mc_state.location_line, 9u);
    EXPECT_STREQ(mc_state.noted_file, "OUTER");
    EXPECT_EQ(mc_state.noted_line, 5u);
    mc_leave();
    EXPECT_EQ(mc_state.pending_notes, 0);
}

TEST_F(MemcheckTest, NotesTakenBeforeCheckingStartsAreNotCounted) {
    mc_note_location(5, "EARLY");
    EXPECT_EQ(mc_state.pending_notes, 0);
}

TEST_F(MemcheckTest, ErrorTextsAndTheErrorMask) {
    struct Case {
        uint32_t code;
        const char* text;
    };
    const Case cases[] = {
        {0, "no error"},
        {1, "NULL source on copy"},
        {5, "memory leakage"},
        {13, "out of memory!"},
        {19, "access of invalid heap ptr"},
        {20, "invalid memory checker error"},
        {255, "invalid memory checker error"},
    };
    for (const Case& c : cases) EXPECT_STREQ(mc_error_text(c.code), c.text) << c.code;

    start();
    mc_set_error(0);
    EXPECT_EQ(mc_state.error_mask, 0u);
    mc_set_error(1);
    mc_set_error(14);
    mc_set_error(14);
    EXPECT_EQ(mc_state.error, 14u);
    EXPECT_EQ(mc_state.error_mask, (1u << 0) | (1u << 13));
}

TEST(MemcheckFunctionNames, TheTableHoldsAll95NamesAndRefusesOthers) {
    EXPECT_STREQ(mc_function_name(0), "mc_startcheck");
    EXPECT_STREQ(mc_function_name(13), "mc_report");
    EXPECT_STREQ(mc_function_name(14), "calloc");
    EXPECT_STREQ(mc_function_name(kCodeNew), "new");
    EXPECT_STREQ(mc_function_name(kCodeDelete), "delete");
    EXPECT_STREQ(mc_function_name(kCodeFullpath), "_fullpath");
    EXPECT_STREQ(mc_function_name(86), "fopen");
    EXPECT_STREQ(mc_function_name(94), "GlobalDosFree");
    EXPECT_STREQ(mc_function_name(95), "?");
    for (unsigned code = 0; code < kFunctionCount; ++code) {
        EXPECT_LE(std::strlen(mc_function_name(code)), kFunctionNameChars) << code;
    }
}

TEST_F(MemcheckTest, ALongMessageIsCutTo203Characters) {
    start();
    const std::string long_name(300, 'F');
    mc_malloc_at(SIZE_MAX - 10, long_name.c_str(), 3);
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0].size(), kMessageChars);
    EXPECT_EQ(shown()[0].substr(0, 10), "Malloc at ");
    EXPECT_TRUE(log_has(shown()[0]));
}

TEST_F(MemcheckTest, TheDisplayHookCanBeReplacedAndANullHookKeepsThePresentOne) {
    start();
    EXPECT_EQ(mc_set_display_hook(nullptr), mctest::capture);
    EXPECT_EQ(mc_set_display_hook(mc_default_display), mctest::capture);
    testing::internal::CaptureStdout();
    mc_debug("shown on standard output");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Shown on standard output\n");
}

TEST_F(MemcheckTest, NotedCallsOnlyChecksACallOnlyWhenANoteIsPending) {
    McSettings s = mctest::test_settings();
    s.flags |= kSetNotedCallsOnly;
    start(s);
    void* unnoted = mc_malloc(10);  // no note: the plain call, no guards
    ASSERT_NE(unnoted, nullptr);
    EXPECT_EQ(mc_registry.count, 0u);
    void* noted = mc_malloc_at(10, "TEST", 3);
    EXPECT_EQ(mc_registry.count, 1u);
    // A guarded block always goes back whole, also when the free carries no note.
    mc_free(noted);
    EXPECT_EQ(mc_registry.count, 0u);
    mc_free_at(unnoted, "TEST", 4);
    EXPECT_TRUE(shown().empty());
}

}  // namespace
