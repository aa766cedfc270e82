// Stack traces, the stack watch and the automatic trace after a finding.
#include <gtest/gtest.h>
#include <pthread.h>

#include <cstdint>
#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "memcheck/blocks.h"
#include "memcheck/memcheck.h"
#include "memcheck/stack_trace.h"
#include "memcheck_fixture.h"

namespace {

using namespace memcheck;
using mctest::MemcheckTest;
using mctest::shown;

const std::regex kFrameLine(R"(  \(frame\) [0-9A-F]{4}:[0-9A-F]{4,} N)");

volatile int depth_sink = 0;

__attribute__((noinline)) int recurse(int n) {
    if (n == 0) return mc_stack_trace("ten deep");
    const int result = recurse(n - 1);
    depth_sink = depth_sink + 1;  // keeps the call from becoming a jump
    return result;
}

int pong(int n);

__attribute__((noinline)) int ping(int n) {
    if (n == 0) return mc_stack_trace("alternating");
    const int result = pong(n - 1);
    depth_sink = depth_sink + 1;
    return result;
}

__attribute__((noinline)) int pong(int n) {
    const int result = ping(n - 1);
    depth_sink = depth_sink + 1;
    return result;
}

// The lines of the last trace in the log, from its begin to its end.
std::vector<std::string> last_trace(const std::vector<std::string>& lines) {
    size_t begin = lines.size();
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i] == "  <<Stack trace begin>>  Use MCMAP to translate!") begin = i;
    }
    std::vector<std::string> trace;
    for (size_t i = begin; i < lines.size(); ++i) {
        trace.push_back(lines[i]);
        if (lines[i] == "  <<Stack trace end>>") break;
    }
    return trace;
}

TEST_F(MemcheckTest, ARecursionTenDeepShowsItsFrameThreeTimesAndCountsTheRest) {
    start();
    recurse(10);  // how the walk ends above the test depends on the frames of the test runner
    const std::vector<std::string> trace = last_trace(log_lines());
    ASSERT_GE(trace.size(), 10u);
    EXPECT_EQ(trace[1], "  Location: mc_stack_trace after TEST(1)");
    EXPECT_EQ(trace[2], "  Comment: ten deep");
    size_t repeat = 0;
    for (size_t i = 0; i < trace.size(); ++i) {
        if (trace[i].rfind("  (repeat)", 0) == 0) repeat = i;
    }
    ASSERT_GE(repeat, 7u);
    EXPECT_EQ(trace[repeat], "  (repeat) 7 more times");
    EXPECT_TRUE(std::regex_match(trace[repeat - 1], kFrameLine)) << trace[repeat - 1];
    EXPECT_EQ(trace[repeat - 1], trace[repeat - 2]);
    EXPECT_EQ(trace[repeat - 1], trace[repeat - 3]);
    EXPECT_NE(trace[repeat - 1], trace[repeat - 4]);  // where recurse(0) called the trace
    EXPECT_TRUE(std::regex_match(trace[repeat + 1], kFrameLine)) << trace[repeat + 1];
    EXPECT_EQ(trace.back(), "  <<Stack trace end>>");
}

TEST_F(MemcheckTest, ATraceOfMoreThan25FramesEndsWithTheDepthWarning) {
    start();
    ping(40);
    const std::vector<std::string> trace = last_trace(log_lines());
    size_t frames = 0;
    for (const std::string& line : trace) frames += std::regex_match(line, kFrameLine) ? 1 : 0;
    EXPECT_EQ(frames, kMaxTraceFrames - 1);
    ASSERT_GE(trace.size(), 3u);
    EXPECT_EQ(trace[trace.size() - 3], "  Warning: max trace depth reached (25 calls)");
    EXPECT_EQ(trace[trace.size() - 2], "");
    EXPECT_EQ(trace.back(), "  <<Stack trace end>>");
}

TEST_F(MemcheckTest, TheFirstTraceOfARunIsHeadedOnce) {
    start();
    recurse(1);
    recurse(2);
    const std::vector<std::string> lines = log_lines();
    const int first = log_find(">>>>>>> Run MCMAP <exename> to map stack traces! <<<<<<<");
    ASSERT_GT(first, 0);
    EXPECT_EQ(lines[static_cast<size_t>(first) + 1], ">>>>> Note that a .MAP file is required to map stack traces. <<<<<");
    EXPECT_TRUE(std::regex_match(lines[static_cast<size_t>(first) + 2],
                                 std::regex(R"(<< Stack Relative Base=[0-9A-F]{4}:[0-9A-F]{8,} >>)")));
    EXPECT_EQ(lines[static_cast<size_t>(first) + 3], "  <<Stack trace begin>>  Use MCMAP to translate!");
    EXPECT_EQ(log_find(">>>>>>> Run MCMAP", first + 1), -1);
    EXPECT_EQ(log_find("<< Stack Relative Base", first + 3), -1);
    EXPECT_GT(log_find("  <<Stack trace begin>>", first + 4), first + 4);
}

TEST_F(MemcheckTest, TheWriterSeesBeginFramesAndEnd) {
    static std::vector<int> kinds;
    kinds.clear();
    start();
    mc_set_trace_writer([](int kind, unsigned, unsigned long) { kinds.push_back(kind); });
    recurse(3);
    mc_set_trace_writer(nullptr);
    ASSERT_GE(kinds.size(), 6u);
    EXPECT_EQ(kinds.front(), kTraceBegin);
    EXPECT_EQ(kinds.back(), kTraceEnd);
    for (size_t i = 1; i + 1 < kinds.size(); ++i) {
        EXPECT_TRUE(kinds[i] == kTraceNear || kinds[i] == kTraceUnrecognised || kinds[i] == kTraceBadChain) << i;
    }
    EXPECT_EQ(kinds[1], kTraceNear);
}

TEST_F(MemcheckTest, AFindingAtAnUnnotedCallIsFollowedByATraceAfterItsSecondLine) {
    start();
    mc_set_display_hook(mc_default_display);
    testing::internal::CaptureStdout();
    auto* noted = static_cast<char*>(mc_malloc_at(8, "TEST", 2));
    noted[8] = 0;
    mc_free_at(noted, "TEST", 3);  // noted: no trace
    EXPECT_EQ(log_find("  <<Stack trace begin>>"), -1);
    auto* unnoted = static_cast<char*>(mc_malloc_at(8, "TEST", 4));
    unnoted[-1] = 0;
    mc_free(unnoted);
    const std::string out = testing::internal::GetCapturedStdout();
    const int second = log_find("  destination is malloc at TEST(4)");
    ASSERT_GT(second, 0);
    EXPECT_EQ(log_lines()[static_cast<size_t>(second) - 1],
              "Free after TEST(4): destination underwritten before call...");
    const int begin = log_find("  <<Stack trace begin>>");
    EXPECT_GT(begin, second);
    EXPECT_EQ(log_find("  Comment: Functions called to generate previous error", begin), begin + 2);
    EXPECT_EQ(out.find("<<Stack trace"), std::string::npos);  // traces go to the log only
    EXPECT_NE(out.find("Free after TEST(4): destination underwritten before call..."), std::string::npos);
}

TEST_F(MemcheckTest, NoTraceIsWrittenWhileCheckingIsOff) {
    configure(mctest::test_settings());
    EXPECT_EQ(recurse(2), 0);
    EXPECT_FALSE(has_log());
}

// The stack watch, run in a thread with a small stack of its own.
struct Dig {
    int levels = 0;
    uintptr_t limit = 0;
};

__attribute__((noinline)) void dig(Dig& d) {
    char room[1024];
    std::memset(room, d.levels, sizeof room);
    mc_set_location(static_cast<unsigned>(100 + d.levels), "DIG");
    ++d.levels;
    // Goes on a few levels past the first warning, which must stay the only one.
    static int past_warning = 0;
    if ((mc_state.error_mask & (1u << (kErrStackOverflow - 1))) != 0 && ++past_warning > 3) return;
    if (d.levels < 2000 && room[0] == static_cast<char>(d.levels - 1)) dig(d);
}

void* watch_thread(void* arg) {
    auto* d = static_cast<Dig*>(arg);
    mc_startcheck(mctest::capture, 1, "TEST");
    d->limit = mc_stack.limit;
    dig(*d);
    return nullptr;
}

TEST_F(MemcheckTest, TheStackWatchWarnsOnceWhenTheStackComesNearItsEnd) {
    McSettings s = mctest::test_settings();
    s.flags |= kSetStackWatch;
    s.stack_reserve_bytes = 65000;
    configure(s);
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, 512 * 1024);
    Dig d;
    pthread_t thread;
    ASSERT_EQ(pthread_create(&thread, &attr, watch_thread, &d), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
    ASSERT_NE(d.limit, 0u);
    ASSERT_EQ(shown().size(), 1u);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(shown()[0], m, std::regex(R"(Mc_set_location at DIG\((\d+)\): Stack touched within (\d+) bytes of end!\n)")))
        << shown()[0];
    EXPECT_LE(std::stoul(m[2]), 65000u);
    EXPECT_GT(std::stoul(m[2]), 60000u);
    EXPECT_EQ(std::stoul(m[1]), 100u + static_cast<unsigned>(d.levels) - 4);
    EXPECT_NE(mc_state.error_mask & (1u << (kErrStackOverflow - 1)), 0u);
    EXPECT_LE(mc_stack_low_water(), d.limit + 65000);
}

}  // namespace
