// What the checker's tests share: a fresh working folder for the log, the
// configuration file written field by field, the shown messages, the log's
// lines, and a child process for what ends a program.
#pragma once
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "memcheck/run_state.h"
#include "memcheck/settings.h"

namespace mctest {

inline std::vector<std::string>& shown() {
    static std::vector<std::string> lines;
    return lines;
}

inline void capture(const char* message) { shown().push_back(message); }

inline void put_u16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

inline void put_u32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

inline std::vector<uint8_t> config_bytes(const memcheck::McSettings& s, uint32_t magic = memcheck::kConfigMagic) {
    std::vector<uint8_t> out;
    put_u32(out, magic);
    put_u32(out, s.flags);
    put_u16(out, s.registry_size_hint);
    put_u16(out, s.near_null_extent);
    put_u16(out, s.far_null_extent);
    out.push_back(s.guard_bytes);
    out.push_back(s.second_guard_bytes);
    for (char c : s.registry_dir) out.push_back(static_cast<uint8_t>(c));
    put_u16(out, s.stack_reserve_bytes);
    put_u16(out, s.stack_sample_interval);
    return out;
}

inline void write_file(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::ofstream f(name, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::string read_file(const std::string& name) {
    std::ifstream f(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// The settings most tests run with: checking wanted, started and ended by
// the test itself, no exception handlers.
inline memcheck::McSettings test_settings() {
    memcheck::McSettings s;
    s.flags = (memcheck::kDefaultSettingFlags | memcheck::kSetCheckingWanted) &
              ~(memcheck::kSetAutoInit | memcheck::kSetExceptionHandling);
    return s;
}

// Waits for a child that ran body and ended; its standard output is kept.
struct ChildRun {
    int status = 0;
    std::string out;
};

template <typename Body>
ChildRun run_in_child(Body body) {
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t pid = fork();
    if (pid == 0) {
        if (std::freopen("child.out", "w", stdout) == nullptr) _exit(99);
        body();
        std::fflush(stdout);
        _exit(0);
    }
    ChildRun run;
    waitpid(pid, &run.status, 0);
    run.out = read_file("child.out");
    return run;
}

class MemcheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        home_ = std::filesystem::current_path();
        std::string pattern = (std::filesystem::temp_directory_path() / "mctest.XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        std::filesystem::current_path(dir_);
        unsetenv("MEMCHECK");
        unsetenv("MCNOEXCEPT");
        shown().clear();
    }

    void TearDown() override {
        memcheck::mc_at_exit();
        std::filesystem::current_path(home_);
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    // Writes the configuration file and names it in MEMCHECK.
    void configure(const memcheck::McSettings& s) {
        write_file("mc.cfg", config_bytes(s));
        setenv("MEMCHECK", "mc.cfg", 1);
    }

    // Configures and starts checking, with the messages captured.
    void start(const memcheck::McSettings& s = test_settings()) {
        configure(s);
        memcheck::mc_startcheck(capture, 1, "TEST");
        ASSERT_EQ(memcheck::mc_state.active, 1);
    }

    static bool has_log() { return std::filesystem::exists(memcheck_log()); }
    static const char* memcheck_log() { return "MEMCHECK.LOG"; }

    // The log's lines; every line must end in CR LF.
    static std::vector<std::string> log_lines() {
        const std::string text = read_file(memcheck_log());
        std::vector<std::string> lines;
        size_t at = 0;
        while (at < text.size()) {
            const size_t end = text.find("\r\n", at);
            if (end == std::string::npos) {
                lines.push_back(text.substr(at));
                break;
            }
            lines.push_back(text.substr(at, end - at));
            at = end + 2;
        }
        return lines;
    }

    static bool log_has(const std::string& line) {
        for (const std::string& l : log_lines()) {
            if (l == line) return true;
        }
        return false;
    }

    // Position of the first log line that begins with prefix, or -1.
    static int log_find(const std::string& prefix, int from = 0) {
        const std::vector<std::string> lines = log_lines();
        for (size_t i = static_cast<size_t>(from); i < lines.size(); ++i) {
            if (lines[i].rfind(prefix, 0) == 0) return static_cast<int>(i);
        }
        return -1;
    }

    static std::string hex(const void* p) {
        char text[32];
        std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(p)));
        return text;
    }

    std::filesystem::path home_;
    std::filesystem::path dir_;
};

}  // namespace mctest
