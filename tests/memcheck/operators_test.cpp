// The console's global operators new and delete, every variant, through the
// checker. They are linked into the console program only, so they are tried
// in a small program of their own (probe/operators_probe.cpp), started here
// as the console is: with MEMCHECK naming a configuration file of the
// default settings, or without it.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "memcheck/run_state.h"
#include "memcheck/settings.h"
#include "memcheck_fixture.h"

namespace {

using namespace memcheck;
using mctest::MemcheckTest;

struct ProbeRun {
    int status = 0;
    std::string out;
    std::vector<std::string> probe_lines;  // the "probe: " lines, without the prefix

    bool exited_cleanly() const { return WIFEXITED(status) && WEXITSTATUS(status) == 0; }
    bool said(const std::string& line) const {
        for (const std::string& l : probe_lines) {
            if (l == line) return true;
        }
        return false;
    }
    std::string value(const std::string& prefix) const {
        for (const std::string& l : probe_lines) {
            if (l.rfind(prefix, 0) == 0) return l.substr(prefix.size());
        }
        return "";
    }
};

class Operators : public MemcheckTest {
protected:
    // The default settings of the console, with checking wanted.
    void configure_defaults() {
        McSettings s;
        s.flags = kDefaultSettingFlags | kSetCheckingWanted;
        mctest::write_file("mc.cfg", mctest::config_bytes(s));
    }

    static ProbeRun run_probe(const char* scenario, bool checking) {
        std::fflush(stdout);
        const pid_t pid = fork();
        if (pid == 0) {
            if (std::freopen("probe.out", "w", stdout) == nullptr) _exit(99);
            if (checking) {
                setenv("MEMCHECK", "mc.cfg", 1);
            } else {
                unsetenv("MEMCHECK");
            }
            execl(MEMCHECK_OPERATORS_PROBE, MEMCHECK_OPERATORS_PROBE, scenario, static_cast<char*>(nullptr));
            _exit(98);
        }
        ProbeRun run;
        waitpid(pid, &run.status, 0);
        run.out = mctest::read_file("probe.out");
        size_t at = 0;
        while (at < run.out.size()) {
            size_t end = run.out.find('\n', at);
            if (end == std::string::npos) end = run.out.size();
            const std::string line = run.out.substr(at, end - at);
            if (line.rfind("probe: ", 0) == 0) run.probe_lines.push_back(line.substr(7));
            at = end + 1;
        }
        return run;
    }
};

TEST_F(Operators, EveryFormOfNewAndDeleteGoesThroughTheChecker) {
    configure_defaults();
    const ProbeRun run = run_probe("objects", true);
    ASSERT_TRUE(run.exited_cleanly()) << run.out;
    EXPECT_TRUE(run.said("active=1")) << run.out;
    EXPECT_TRUE(run.said("new code=36 size=4 guards=intact")) << run.out;
    EXPECT_TRUE(run.said("new[] code=36 size=40 guards=intact")) << run.out;
    EXPECT_TRUE(run.said("nothrow new[] code=36 size=5 guards=intact")) << run.out;
    EXPECT_TRUE(run.said("aligned new code=36 size=128 guards=intact")) << run.out;
    EXPECT_TRUE(run.said("aligned new at 64: yes")) << run.out;
    EXPECT_TRUE(run.said("aligned nothrow new[] code=36 size=256 guards=intact")) << run.out;
    EXPECT_TRUE(run.said("aligned nothrow new[] at 64: yes")) << run.out;
    // The containers of the standard library allocate through new as well.
    EXPECT_TRUE(run.said("vector code=36 size=4000 guards=intact")) << run.out;
    EXPECT_TRUE(run.said("string code=36 size=101 guards=intact")) << run.out;
    EXPECT_TRUE(run.said("registered=7")) << run.out;
    // Plain, sized, nothrow and aligned deletes all took their objects back.
    EXPECT_TRUE(run.said("left=0")) << run.out;
    EXPECT_TRUE(run.said("errors=0")) << run.out;
    EXPECT_TRUE(log_has("<< ... Memory check run ended ... >>"));
    EXPECT_EQ(log_find("No delete for new"), -1);
}

TEST_F(Operators, ASecondDeleteOfAnObjectIsAnInvalidPointerAndFreesNothing) {
    configure_defaults();
    const ProbeRun run = run_probe("double-delete", true);
    ASSERT_TRUE(run.exited_cleanly()) << run.out;
    const std::string object = run.value("object=");
    ASSERT_FALSE(object.empty()) << run.out;
    EXPECT_TRUE(run.said("went on")) << run.out;
    EXPECT_TRUE(log_has("Delete after startup: invalid pointer " + object)) << mctest::read_file(memcheck_log());
    EXPECT_TRUE(log_has("    - invalid ptr used"));
}

TEST_F(Operators, AnObjectWrittenPastItsEndIsReportedAtItsDelete) {
    configure_defaults();
    const ProbeRun run = run_probe("overrun", true);
    ASSERT_TRUE(run.exited_cleanly()) << run.out;
    const std::string object = run.value("object=");
    EXPECT_TRUE(log_has("Delete after startup: destination overwritten before call..."));
    const int described = log_find("  destination is new after startup, size=8, " + object + ", #");
    EXPECT_GT(described, 0) << mctest::read_file(memcheck_log());
    EXPECT_NE(run.out.find("Delete after startup: destination overwritten before call...\n"), std::string::npos);
}

TEST_F(Operators, AnObjectNeverDeletedIsALeakAtTheEndOfTheRun) {
    configure_defaults();
    const ProbeRun run = run_probe("leak", true);
    ASSERT_TRUE(run.exited_cleanly()) << run.out;
    const std::string object = run.value("object=");
    const int leak = log_find("No delete for new after startup, size=16, " + object + ", #");
    EXPECT_GT(leak, 0) << mctest::read_file(memcheck_log());
    EXPECT_GT(log_find("End of run summary:", leak), leak);
    EXPECT_TRUE(log_has("    - memory leakage"));
}

TEST_F(Operators, NewCallsTheNewHandlerAndThenThrows) {
    configure_defaults();
    const ProbeRun run = run_probe("out-of-memory", true);
    ASSERT_TRUE(run.exited_cleanly()) << run.out;
    EXPECT_TRUE(run.said("bad_alloc after 2 handler calls")) << run.out;
    EXPECT_TRUE(run.said("nothrow gives null")) << run.out;
    EXPECT_GT(log_find("New after startup, size=" + std::to_string(SIZE_MAX - 8) + ", #"), 0);
    EXPECT_TRUE(log_has("    - out of memory!"));
}

TEST_F(Operators, AllocationsOfOtherThreadsWaitForThePresentCheckedCall) {
    configure_defaults();
    const ProbeRun run = run_probe("threads", true);
    ASSERT_TRUE(run.exited_cleanly()) << run.out;
    EXPECT_TRUE(run.said("left=0")) << run.out;
    EXPECT_TRUE(run.said("errors=0")) << run.out;
}

TEST_F(Operators, WithoutMemcheckTheOperatorsPassStraightThrough) {
    const ProbeRun run = run_probe("plain", false);
    ASSERT_TRUE(run.exited_cleanly()) << run.out;
    EXPECT_TRUE(run.said("checking wanted=0")) << run.out;
    EXPECT_TRUE(run.said("aligned new at 64: yes")) << run.out;
    EXPECT_TRUE(run.said("value=7 registered=0")) << run.out;
    EXPECT_TRUE(run.said("nothrow gives a block")) << run.out;
    EXPECT_FALSE(has_log());
    std::vector<std::string> others;
    for (size_t at = 0; at < run.out.size();) {
        size_t end = run.out.find('\n', at);
        if (end == std::string::npos) end = run.out.size();
        const std::string line = run.out.substr(at, end - at);
        if (line.rfind("probe: ", 0) != 0) others.push_back(line);
        at = end + 1;
    }
    EXPECT_TRUE(others.empty()) << run.out;
}

}  // namespace
