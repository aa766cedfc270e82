// Start-up from the environment and the configuration file, start and end of
// checking, the log's header and the end-of-run summary.
#include <gtest/gtest.h>
#include <pthread.h>

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "memcheck/blocks.h"
#include "memcheck/log.h"
#include "memcheck/memcheck.h"
#include "memcheck_fixture.h"

namespace {

using namespace memcheck;
using mctest::MemcheckTest;
using mctest::shown;

TEST_F(MemcheckTest, FastInSmallLettersSelectsFastModeAndReadsNoFile) {
    // A file of that name with other settings would be read if "fast" were
    // taken as a name.
    McSettings other = mctest::test_settings();
    other.guard_bytes = 9;
    mctest::write_file("fast", mctest::config_bytes(other));
    setenv("MEMCHECK", "fast", 1);
    testing::internal::CaptureStdout();
    mc_note_location(1, "TEST");  // the first checked call starts everything
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(mc_settings.flags & kSetFastMode, kSetFastMode);
    EXPECT_EQ(mc_settings.guard_bytes, 4);
    EXPECT_EQ(mc_state.active, 1);  // AutoInit is among the defaults
}

TEST_F(MemcheckTest, AFileThatCannotBeReadWholeKeepsTheDefaults) {
    struct Case {
        const char* value;
        size_t bytes;  // 0: no such file
        const char* out;
    };
    const std::string warning = "Memory checker warning: configuration file not found!\n";
    const Case cases[] = {
        {"nosuch", 0, ""},
        {"nosuch.cfg", 0, warning.c_str()},
        {"sub\\nosuch", 0, warning.c_str()},
        {"short.cfg", kConfigFileBytes - 1, warning.c_str()},
        {"short", kConfigFileBytes - 1, ""},
    };
    for (const Case& c : cases) {
        McSettings other = mctest::test_settings();
        other.guard_bytes = 9;
        std::vector<uint8_t> bytes = mctest::config_bytes(other);
        bytes.resize(c.bytes);
        if (c.bytes != 0) mctest::write_file(c.value, bytes);
        setenv("MEMCHECK", c.value, 1);
        testing::internal::CaptureStdout();
        mc_auto_init();
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.out) << c.value;
        EXPECT_EQ(mc_settings.guard_bytes, 4) << c.value;
        EXPECT_EQ(mc_state.active, 1) << c.value;
        mc_at_exit();  // ends the run, so that start-up may run again
        std::filesystem::remove(MemcheckTest::memcheck_log());
    }
}

TEST_F(MemcheckTest, AWrongMagicIsReportedAndKeepsTheDefaults) {
    McSettings other = mctest::test_settings();
    other.guard_bytes = 9;
    mctest::write_file("bad.cfg", mctest::config_bytes(other, 0x12345678));
    setenv("MEMCHECK", "bad.cfg", 1);
    testing::internal::CaptureStdout();
    mc_startcheck(mctest::capture, 1, "TEST");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Invalid memory checker configuration file\n");
    EXPECT_EQ(mc_settings.guard_bytes, 4);
    EXPECT_EQ(mc_state.active, 1);
}

TEST_F(MemcheckTest, TheFileReplacesEverySetting) {
    McSettings s = mctest::test_settings();
    s.near_null_extent = 300;
    s.far_null_extent = 200;
    s.guard_bytes = 8;
    s.stack_reserve_bytes = 40;  // raised to the least reserve
    s.stack_sample_interval = 3;
    start(s);
    EXPECT_EQ(mc_settings.near_null_extent, 300);
    EXPECT_EQ(mc_settings.far_null_extent, 200);
    EXPECT_EQ(mc_settings.guard_bytes, 8);
    EXPECT_EQ(mc_settings.stack_reserve_bytes, 80);
    EXPECT_EQ(mc_settings.stack_sample_interval, 3);
    // Start-up sets 0x200 and 0x4, and clears both null checks.
    EXPECT_EQ(mc_settings.flags, (s.flags | kSetRegistryMode | kSetStarted) & ~(kSetFarNull | kSetNearNull));
}

TEST_F(MemcheckTest, AGuardSizeBeyondThePatternIsHeldTo16) {
    McSettings s = mctest::test_settings();
    s.guard_bytes = 200;
    start(s);
    EXPECT_EQ(mc_settings.guard_bytes, 16);
}

TEST_F(MemcheckTest, FileFlagsWithoutCheckingWantedLeaveCheckingOff) {
    McSettings s = mctest::test_settings();
    s.flags &= ~kSetCheckingWanted;
    configure(s);
    mc_startcheck(mctest::capture, 1, "TEST");
    EXPECT_EQ(mc_state.active, 0);
    void* p = mc_malloc_at(8, "TEST", 2);
    EXPECT_EQ(mc_registry.count, 0u);
    mc_free_at(p, "TEST", 3);
    EXPECT_EQ(mc_endcheck(), 0u);
    EXPECT_FALSE(has_log());
}

TEST_F(MemcheckTest, ASecondStartWhileActiveDoesNothing) {
    start();
    void* p = mc_malloc_at(8, "TEST", 2);
    const unsigned long allocations = mc_counters.allocations;
    mc_startcheck(nullptr, 3, "AGAIN");
    EXPECT_EQ(mc_state.active, 1);
    EXPECT_EQ(mc_counters.allocations, allocations);
    EXPECT_EQ(mc_registry.count, 1u);
    EXPECT_STREQ(mc_state.noted_file, "TEST");
    mc_free_at(p, "TEST", 4);
    EXPECT_TRUE(shown().empty());
}

TEST_F(MemcheckTest, WithAutoInitAnEarlyEndDoesNothingAndTheExitEndsTheRun) {
    McSettings s = mctest::test_settings();
    s.flags |= kSetAutoInit;
    configure(s);
    void* p = mc_malloc_at(8, "TEST", 2);  // starts checking
    EXPECT_EQ(mc_state.active, 1);
    mc_endcheck();
    EXPECT_EQ(mc_state.active, 1);
    mc_free_at(p, "TEST", 3);
    mc_at_exit();
    EXPECT_EQ(mc_state.active, 0);
    EXPECT_TRUE(log_has("<< ... Memory check run ended ... >>"));
}

TEST_F(MemcheckTest, WithAutoInitTheDumpShowsTheLengthOfTheRunningThreadsStack) {
    McSettings s = mctest::test_settings();
    s.flags |= kSetAutoInit;
    configure(s);
    mc_note_location(1, "TEST");  // the first checked call starts everything
    ASSERT_EQ(mc_state.active, 1);
    mc_debug("first line");
    pthread_attr_t attr;
    ASSERT_EQ(pthread_getattr_np(pthread_self(), &attr), 0);
    void* low = nullptr;
    size_t size = 0;
    pthread_attr_getstack(&attr, &low, &size);
    pthread_attr_destroy(&attr);
    ASSERT_GT(size, 0u);
    char hex_size[32];
    std::snprintf(hex_size, sizeof hex_size, "%04X", static_cast<unsigned>(size));
    EXPECT_TRUE(log_has("     Stack Length: " + std::to_string(size) + " (" + hex_size + "h) bytes  Standard Stack: YES"))
        << mctest::read_file(memcheck_log());
    EXPECT_TRUE(log_has("     AutoInit: ON          Fast Mode: OFF        Log Writes: Commit    "));
}

TEST_F(MemcheckTest, TheLogStartsWithTheSettingsDump) {
    McSettings s = mctest::test_settings();
    s.flags |= kSetExceptionHandling | kSetClearOnFree;
    start(s);
    mc_debug("first line");
    const std::vector<std::string> lines = log_lines();
    ASSERT_GE(lines.size(), 22u);
    EXPECT_TRUE(std::regex_match(lines[0], std::regex(R"(<< \.\.\. Memory check run started at \w{3} \w{3} [ \d]\d \d\d:\d\d:\d\d \d{4} \.\.\. >>)")))
        << lines[0];
    const std::vector<std::string> dump = {
        "",
        "  . . . . . . . . . .  Memory Check Settings  . . . . . . . . . .",
        "     EXE Type: 32-bit protected mode",
        "  Null pointer assignments:",
        "     FAR  null checking: OFF  Extent: 16 bytes",
        "     NEAR null checking: OFF  Extent: 16 bytes",
        "  Stack Settings:",
        "     Stack Length: " + std::to_string(mc_stack.top - mc_stack.limit) + " (" + [] {
            char h[16];
            std::snprintf(h, sizeof h, "%04X", static_cast<unsigned>(mc_stack.top - mc_stack.limit));
            return std::string(h);
        }() + "h) bytes  Standard Stack: YES",
        "     Stack Profiling: Unavailable in 32-bit programs",
        "  Advanced Pointer Validation: ON",
        "        Search Heap: YES  Permit Code Writes: NO",
        "  Miscellaneous:",
        "     AutoInit: OFF         Fast Mode: OFF        Log Writes: Commit    ",
        "     Env. Var: MEMCHECK    Registry: MEMORY      ",
        "     Clear Buffers on Free: YES  Fill Char: 0xFD",
        "  Exception Handling: ON",
        "     Exceptions handled: 00h 06h 0Dh 0Eh ",
        "",
    };
    for (size_t i = 0; i < dump.size(); ++i) EXPECT_EQ(lines[1 + i], dump[i]) << i;
    EXPECT_TRUE(std::regex_match(lines[19], std::regex(R"(  Memory checker   Build date: \w{3} [ \d]\d \d{4}  (\. ){33}\.)")))
        << lines[19];
    EXPECT_EQ(lines[20], "");
    EXPECT_EQ(lines[21], "First line");
    EXPECT_GT(mc_stack.top - mc_stack.limit, 0u);  // AutoInit off and Standard Stack on keep the stack words
}

TEST_F(MemcheckTest, MCNOEXCEPTTurnsExceptionHandlingOffAndInstallsNoHandler) {
    struct sigaction before {};
    sigaction(SIGSEGV, nullptr, &before);
    setenv("MCNOEXCEPT", "", 1);
    McSettings s = mctest::test_settings();
    s.flags |= kSetExceptionHandling;
    start(s);
    mc_debug("first line");
    struct sigaction during {};
    sigaction(SIGSEGV, nullptr, &during);
    EXPECT_EQ(during.sa_sigaction, before.sa_sigaction);
    EXPECT_TRUE(log_has("  Exception Handling: OFF"));
    EXPECT_TRUE(log_has("     Exceptions handled: None"));
}

TEST_F(MemcheckTest, AdvancedValidationOffHidesItsTwoChoices) {
    McSettings s = mctest::test_settings();
    s.flags &= ~kSetAdvancedValidation;
    start(s);
    mc_debug("first line");
    EXPECT_TRUE(log_has("  Advanced Pointer Validation: OFF"));
    EXPECT_EQ(log_find("        Search Heap:"), -1);
    EXPECT_FALSE(mc_search_heap());
    EXPECT_TRUE(mc_permit_code_writes());
}

TEST_F(MemcheckTest, TheSummaryListsTheRunsErrorsOnceInAscendingOrder) {
    start();
    char* a = static_cast<char*>(mc_malloc_at(100, "TEST", 2));
    char* b = static_cast<char*>(mc_malloc_at(50, "TEST", 3));
    mc_malloc_at(SIZE_MAX - 40, "TEST", 4);  // beyond what guards allow: out of memory (13)
    mc_free_at(b, "TEST", 5);
    mc_free_at(b, "TEST", 6);  // invalid pointer (11)
    mc_free_at(b, "TEST", 7);  // again
    a[-1] = 0;                 // underwritten (3)
    mc_free_at(a, "TEST", 8);
    const uint32_t mask = mc_endcheck();
    EXPECT_EQ(mask, (1u << 2) | (1u << 10) | (1u << 12));
    const int summary = log_find("End of run summary:");
    ASSERT_GT(summary, 0);
    const std::vector<std::string> lines = log_lines();
    const std::vector<std::string> expected = {
        "End of run summary:",
        "",
        "  Stack statistics unavailable for 32-bit programs.",
        "  Max memory allocated: 150 (096h) bytes",
        "  Errors detected:",
        "    - buffer underwritten",
        "    - invalid ptr used",
        "    - out of memory!",
        "",
        "<< ... Memory check run ended ... >>",
        "",
        "",
    };
    ASSERT_EQ(lines.size(), static_cast<size_t>(summary) + expected.size());
    EXPECT_EQ(lines[static_cast<size_t>(summary) - 1], "");
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(lines[static_cast<size_t>(summary) + i], expected[i]);
    EXPECT_EQ(mc_state.active, 0);
}

TEST_F(MemcheckTest, ARunWithoutErrorsHasNoErrorList) {
    start();
    mc_free_at(mc_malloc_at(10, "TEST", 2), "TEST", 3);
    EXPECT_EQ(mc_endcheck(), 0u);
    EXPECT_TRUE(log_has("  Max memory allocated: 10 (0Ah) bytes"));
    EXPECT_EQ(log_find("  Errors detected:"), -1);
}

TEST_F(MemcheckTest, ALogThatCannotBeOpenedSendsItsLinesToStandardError) {
    std::filesystem::create_directory(memcheck_log());  // a folder of that name: no file can be made
    start();
    testing::internal::CaptureStderr();
    mc_debug("where does this go");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Where does this go\n");
}

TEST_F(MemcheckTest, WithLogWritesOffNoLogIsWritten) {
    McSettings s = mctest::test_settings();
    s.flags &= ~kSetLogWrites;
    start(s);
    mc_debug("shown only");
    mc_endcheck();
    EXPECT_EQ(shown(), std::vector<std::string>{"Shown only"});
    EXPECT_FALSE(has_log());
}

TEST_F(MemcheckTest, ADiskRegistryIsNotBuiltAndTheRunGoesOnInMemory) {
    McSettings s = mctest::test_settings();
    s.flags |= kSetDiskRegistry;
    start(s);
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0], "Warning: disk registry options set, but disk registry support not built in!");
    void* p = mc_malloc_at(8, "TEST", 2);
    EXPECT_EQ(mc_registry.count, 1u);
    mc_free_at(p, "TEST", 3);
}

TEST_F(MemcheckTest, AfterTheEndAStartReadsTheEnvironmentAgain) {
    start();
    mc_endcheck();
    setenv("MEMCHECK", "FAST", 1);
    mc_startcheck(mctest::capture, 2, "TEST");
    EXPECT_EQ(mc_state.active, 1);
    EXPECT_EQ(mc_settings.flags & kSetFastMode, kSetFastMode);
}

TEST_F(MemcheckTest, SetLocationNotesAndPassesThroughOneCall) {
    start();
    const unsigned long entries = mc_counters.entries;
    mc_set_location(33, "FADERS");
    EXPECT_EQ(mc_counters.entries, entries + 1);
    EXPECT_EQ(mc_state.pending_notes, 0);
    EXPECT_STREQ(mc_state.noted_file, "FADERS");
    EXPECT_EQ(mc_state.noted_line, 33u);
    EXPECT_EQ(mc_nullcheck(), 0);
}

}  // namespace
