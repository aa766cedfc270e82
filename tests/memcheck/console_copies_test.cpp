// The console's own copies and string calls go through the checked calls.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "memcheck/memcheck.h"
#include "memcheck/run_state.h"
#include "memcheck/settings.h"
#include "memcheck_fixture.h"
#include "playback/playback_state.h"
#include "playback/playback_wing.h"

namespace {

using namespace memcheck;
using mctest::MemcheckTest;
using mctest::shown;

// The folders of the console program's sources (the library bx_console).
const char* const kConsoleFolders[] = {"runtime", "ui",       "datafiles", "programmer",
                                       "memories", "playback", "setup",     "sync"};

// The copy and string functions that have a checked call (memcheck.h,
// copy_checks.h); snprintf and vsnprintf, bounded, have none.
const std::regex kPlainCall(R"(\b(memcpy|memmove|memset|strcpy|strncpy|strcat|strncat|stpcpy|sprintf|vsprintf)\s*\()");

TEST(MemcheckConsoleCopies, NoConsoleSourceCallsAPlainCopyOrStringFunction) {
    const std::filesystem::path src = std::filesystem::path(BRAVINOX_TEST_DATA) / ".." / ".." / "src";
    std::vector<std::string> plain;
    size_t files = 0;
    for (const char* folder : kConsoleFolders) {
        const std::filesystem::path dir = src / folder;
        if (!std::filesystem::is_directory(dir)) continue;
        for (const auto& entry : std::filesystem::directory_iterator(dir)) {
            const std::string ext = entry.path().extension().string();
            if (ext != ".cpp" && ext != ".h") continue;
            ++files;
            std::ifstream in(entry.path());
            std::string line;
            for (int number = 1; std::getline(in, line); ++number) {
                const size_t comment = line.find("//");
                if (comment != std::string::npos) line.erase(comment);
                if (std::regex_search(line, kPlainCall)) {
                    plain.push_back(std::string(folder) + "/" + entry.path().filename().string() + ":" +
                                    std::to_string(number) + ": " + line);
                }
            }
        }
    }
    EXPECT_GT(files, 50u);
    std::string list;
    for (const std::string& p : plain) list += "\n  " + p;
    EXPECT_TRUE(plain.empty()) << "use memcheck::mc_memcpy_at and its kin (memcheck/memcheck.h) instead:" << list;
}

TEST_F(MemcheckTest, AWingLineIsStoredThroughTheCheckedCopy) {
    start();
    playback::wing_bank = 0;  // line 17 lies in the bank not shown: nothing is drawn
    const unsigned long entries = mc_counters.entries;
    playback::set_wing_lcd_text(17, "PLAYBACK 27");
    EXPECT_STREQ(playback::wing_lcd_texts[17].data(), "PLAYBACK 27");
    EXPECT_EQ(mc_counters.entries, entries + 1);
    EXPECT_STREQ(mc_base_name(mc_state.noted_file), "playback_state.cpp");
    EXPECT_EQ(mc_state.function_code, kCodeMemcpy);
    EXPECT_TRUE(shown().empty());
}

}  // namespace
