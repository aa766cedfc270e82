// The processor-exception report. A fault ends the program, so it is raised
// in a child process and its report read back from the log and the child's
// standard output.
#include <gtest/gtest.h>
#include <sched.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "memcheck/exceptions.h"
#include "memcheck/memcheck.h"
#include "memcheck_fixture.h"

namespace {

using namespace memcheck;
using mctest::MemcheckTest;

McSettings with_exceptions() {
    McSettings s = mctest::test_settings();
    s.flags |= kSetExceptionHandling;
    return s;
}

bool installed_handler_differs(int signal, const struct sigaction& before) {
    struct sigaction now {};
    sigaction(signal, nullptr, &now);
    return now.sa_sigaction != before.sa_sigaction;
}

bool log_matches(const std::vector<std::string>& lines, const std::string& pattern) {
    const std::regex re(pattern);
    for (const std::string& line : lines) {
        if (std::regex_match(line, re)) return true;
    }
    return false;
}

TEST_F(MemcheckTest, APageFaultIsReportedAndThenReachesThePreviousHandler) {
    configure(with_exceptions());
    const mctest::ChildRun run = mctest::run_in_child([] {
        mc_startcheck(nullptr, 1, "TEST");
        mc_note_location(12, "FAULTS");
        *reinterpret_cast<volatile int*>(16) = 1;
    });
    EXPECT_FALSE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 0);
    const std::vector<std::string> lines = log_lines();
    const std::string dashes(76, '-');
    const int first = log_find(dashes);
    ASSERT_GT(first, 0);
    const std::string exception_line = lines[static_cast<size_t>(first) + 1];
    EXPECT_TRUE(std::regex_match(exception_line,
                                 std::regex(R"(Memory checker detected an EXCEPTION at 0033:[0-9A-F]{8,}\.  Error code: 0006h)")))
        << exception_line;
    EXPECT_TRUE(log_matches(lines, R"(>>>>> CS:IP 0033:[0-9A-F]{8,})"));
    EXPECT_TRUE(log_has("    Exception occurred at FAULTS(12)."));
    EXPECT_TRUE(log_matches(lines, R"(    EAX = [0-9A-F]{8,}   EBX = [0-9A-F]{8,}   ECX = [0-9A-F]{8,})"));
    EXPECT_TRUE(log_matches(lines, R"(    EDX = [0-9A-F]{8,}   ESI = [0-9A-F]{8,}   EDI = [0-9A-F]{8,})"));
    EXPECT_TRUE(log_matches(lines, R"(    EIP = [0-9A-F]{8,}   ESP = [0-9A-F]{8,}   EBP = [0-9A-F]{8,})"));
    EXPECT_TRUE(log_has("    CS = 0033  \t[Limit: FFFFFFFF]"));
    EXPECT_TRUE(log_has("    DS = 0000  \t[Limit: Invalid selector]"));
    for (const char* segment : {"ES", "FS", "GS", "SS"}) {
        EXPECT_TRUE(log_matches(lines, std::string("    ") + segment + R"( = [0-9A-F]{4}  \t\[Limit: .+\])")) << segment;
    }
    EXPECT_TRUE(log_matches(lines, R"(    Flags: O=[01]  D=[01]  I=1  T=[01]  S=[01]  Z=[01]  A=[01]  P=[01]  C=[01])"));
    const int comment = log_find("  Comment: Trace leading to processor exception");
    ASSERT_GT(comment, first);
    EXPECT_TRUE(std::regex_match(lines[static_cast<size_t>(comment) + 1],
                                 std::regex(R"(  \(frame\) 0033:[0-9A-F]{8,} F)")))
        << lines[static_cast<size_t>(comment) + 1];
    const int end = log_find("  <<Stack trace end>>", comment);
    ASSERT_GT(end, comment);
    EXPECT_EQ(lines[static_cast<size_t>(end) + 1], dashes);
    EXPECT_GT(log_find("End of run summary:", end), end);
    EXPECT_NE(run.out.find(exception_line + "\n"), std::string::npos);
    EXPECT_NE(run.out.find("\nChaining to default exception handler... \n\n"), std::string::npos) << run.out;
}

// The report is made in the signal handler without stdio: a fault while
// another thread holds standard output's lock (or while the faulting code
// itself held a lock of stdio or of the C heap) must not stop it.
TEST_F(MemcheckTest, TheReportIsWrittenWhileAnotherThreadHoldsStandardOutput) {
    configure(with_exceptions());
    const mctest::ChildRun run = mctest::run_in_child([] {
        mc_startcheck(nullptr, 1, "TEST");
        alarm(10);  // a report that hangs ends here
        static std::atomic<bool> holding{false};
        std::thread([] {
            flockfile(stdout);
            holding = true;
            for (;;) pause();
        }).detach();
        while (!holding) sched_yield();
        mc_note_location(21, "LOCKED");
        *reinterpret_cast<volatile int*>(16) = 1;
    });
    EXPECT_FALSE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 0);
    EXPECT_TRUE(log_has("    Exception occurred at LOCKED(21)."));
    const int comment = log_find("  Comment: Trace leading to processor exception");
    EXPECT_GT(comment, 0);
    EXPECT_GT(log_find("End of run summary:", comment), comment);
    EXPECT_TRUE(log_has("<< ... Memory check run ended ... >>"));
    EXPECT_NE(run.out.find("Memory checker detected an EXCEPTION at 0033:"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("    Exception occurred at LOCKED(21).\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\nChaining to default exception handler... \n\n"), std::string::npos) << run.out;
}

TEST_F(MemcheckTest, ASentSignalIsReportedAndSentAgain) {
    configure(with_exceptions());
    const mctest::ChildRun run = mctest::run_in_child([] {
        mc_startcheck(nullptr, 1, "TEST");
        raise(SIGFPE);
        std::printf("went on after the signal\n");
    });
    EXPECT_FALSE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 0);
    EXPECT_EQ(run.out.find("went on after the signal"), std::string::npos);
    EXPECT_GT(log_find("Memory checker detected an EXCEPTION at 0033:"), 0);
    EXPECT_TRUE(log_has("    Exception occurred after TEST(1)."));
}

TEST_F(MemcheckTest, HandlersAreInstalledWhileCheckingRunsAndPutBackAtItsEnd) {
    struct sigaction before_segv {};
    struct sigaction before_fpe {};
    sigaction(SIGSEGV, nullptr, &before_segv);
    sigaction(SIGFPE, nullptr, &before_fpe);
    start(with_exceptions());
    EXPECT_TRUE(installed_handler_differs(SIGSEGV, before_segv));
    EXPECT_TRUE(installed_handler_differs(SIGFPE, before_fpe));
    EXPECT_STREQ(mc_exceptions_handled_text().c_str(), "00h 06h 0Dh 0Eh ");
    // A null callback takes the handlers away, a callback puts them back.
    EXPECT_EQ(mc_set_exception_callback(nullptr), mc_exception_handler);
    EXPECT_FALSE(installed_handler_differs(SIGSEGV, before_segv));
    EXPECT_STREQ(mc_exceptions_handled_text().c_str(), "None");
    EXPECT_EQ(mc_set_exception_callback(mc_exception_handler), nullptr);
    EXPECT_TRUE(installed_handler_differs(SIGSEGV, before_segv));
    mc_endcheck();
    EXPECT_FALSE(installed_handler_differs(SIGSEGV, before_segv));
    EXPECT_FALSE(installed_handler_differs(SIGFPE, before_fpe));
}

TEST_F(MemcheckTest, WithoutExceptionHandlingNoHandlerIsInstalled) {
    struct sigaction before {};
    sigaction(SIGSEGV, nullptr, &before);
    start();
    EXPECT_FALSE(installed_handler_differs(SIGSEGV, before));
    mc_set_exception_callback(mc_exception_handler);  // the setting is off: still none
    EXPECT_FALSE(installed_handler_differs(SIGSEGV, before));
}

}  // namespace
