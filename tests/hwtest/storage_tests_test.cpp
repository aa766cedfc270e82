// The RAM, hard-disk and floppy tests (menu items L, M, N).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "hwtest/storage_tests.h"
#include "hwtest/test_menu.h"
#include "platform/bios.h"
#include "quandrix_rig.h"

namespace {

namespace fs = std::filesystem;
using quandrix_rig::card_with;
using quandrix_rig::drawn_texts;
using quandrix_rig::Quandrix;
using quandrix_rig::text_at;

// Left edges of the red progress marks drawn, oldest first.
std::vector<int> progress_marks(Quandrix& q) {
    std::vector<int> lefts;
    for (const std::string& line : q.machine().graphics.call_log()) {
        int left = 0;
        int right = 0;
        if (std::sscanf(line.c_str(), "_bar(%d,165,%d,175)", &left, &right) == 2 && right == left + 5) {
            lefts.push_back(left);
        }
    }
    return lefts;
}

// The program in its main menu, with a machine of extended_kb KB.
void start_with_memory(Quandrix& q, uint16_t extended_kb) {
    q.write_layout();
    q.cards().fit(0, card_with(quandrix_rig::kAllOptions));
    q.machine().bios.cmos = platform::power_on_cmos(extended_kb);
    q.start();
}

// Every line drawn in the size box, oldest first.
std::vector<std::string> size_lines(Quandrix& q) {
    std::vector<std::string> lines;
    for (const auto& t : drawn_texts(q.machine())) {
        if (t.x == 180 && t.y == 138) lines.push_back(t.text);
    }
    return lines;
}

int tones_of(Quandrix& q, int32_t hz, uint64_t ms) {
    int count = 0;
    for (const platform::Tone& t : q.rig.tones()) {
        if (t.freq_hz == hz && t.duration_ms == ms) ++count;
    }
    return count;
}

// --- RAM -----------------------------------------------------------------------------

TEST(RamTest, PassesOnASoundMachineAndShowsTheSizes) {
    Quandrix q;
    start_with_memory(q, 3000);  // first block 2000000 bytes, second 2000000
    q.type("L", 2000);

    EXPECT_EQ(text_at(q.machine(), 270, 107), "CHECKING RAM");
    const std::vector<std::string> lines = size_lines(q);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "CHECKING RAM-SIZE = 2000 KBYTES");
    EXPECT_EQ(lines[1], "CHECKING 4000 KBYTES RAM...");
    EXPECT_EQ(text_at(q.machine(), 180, 168), "RAM-TEST ---> OK");
    // The first mark and one for each of the four passes.
    EXPECT_EQ(progress_marks(q), (std::vector<int>{290, 298, 306, 314, 322}));
    EXPECT_EQ(tones_of(q, 400, 50), 5);
    EXPECT_EQ(q.result_text(), "TEST OK");
    q.type(" ");
    EXPECT_EQ(hwtest::test_pass_flags[hwtest::kTestRam], 1);
}

TEST(RamTest, BlocksShrinkUntilTheHostHasRoomForThem) {
    Quandrix q;
    start_with_memory(q, 3000);
    q.machine().interrupts.dpmi_available_bytes = 3'000'000;
    q.type("L", 3000);

    const std::vector<std::string> lines = size_lines(q);
    // The first block fits; the second shrinks from 2000000 to 1000000 in
    // steps of 50000, each step announced with A + B - 50000.
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[1], "CHECKING RAM-SIZE = 3950 KBYTES");
    EXPECT_EQ(lines[lines.size() - 2], "CHECKING RAM-SIZE = 3000 KBYTES");
    EXPECT_EQ(lines.back(), "CHECKING 3000 KBYTES RAM...");
    EXPECT_EQ(lines.size(), 2u + 20u);
    EXPECT_EQ(tones_of(q, 400, 20), 20);
    EXPECT_EQ(q.result_text(), "TEST OK");
}

TEST(RamTest, FirstBlockShrinksInStepsOf100000) {
    Quandrix q;
    start_with_memory(q, 3000);
    q.machine().interrupts.dpmi_available_bytes = 1'750'000;
    q.type("L", 5000);

    const std::vector<std::string> lines = size_lines(q);
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[1], "CHECKING RAM-SIZE = 1900 KBYTES");
    EXPECT_EQ(lines[2], "CHECKING RAM-SIZE = 1800 KBYTES");
    EXPECT_EQ(lines[3], "CHECKING RAM-SIZE = 1700 KBYTES");
    // 50000 bytes stay for the second block.
    EXPECT_EQ(lines.back(), "CHECKING 1750 KBYTES RAM...");
    EXPECT_EQ(q.result_text(), "TEST OK");
}

TEST(RamTest, LessThan1000KbytesLeavesOnlyTheSecondBlock) {
    Quandrix q;
    start_with_memory(q, 640);
    q.type("L", 2000);
    const std::vector<std::string> lines = size_lines(q);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "CHECKING RAM-SIZE = 0 KBYTES");
    EXPECT_EQ(lines[1], "CHECKING 2000 KBYTES RAM...");
    EXPECT_EQ(q.result_text(), "TEST OK");
}

TEST(RamTest, TheFirstBlockIsCapped) {
    Quandrix q;
    start_with_memory(q, 65535);
    q.machine().interrupts.dpmi_available_bytes = 200'000'000;
    q.type("L", 5000);
    const std::vector<std::string> lines = size_lines(q);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "CHECKING RAM-SIZE = 64535 KBYTES");
    EXPECT_EQ(lines[1], "CHECKING " + std::to_string((hwtest::kRamBlockCapBytes + 2'000'000) / 1000) + " KBYTES RAM...");
}

TEST(RamTest, SwapfileInTheEnvironmentRefusesTheTest) {
    for (const char* value : {"SWAPFILE=c:\\swap", "swapfile", "x;SwapFile"}) {
        ::setenv("DPMI32", value, 1);
        Quandrix q;
        start_with_memory(q, 3000);
        hwtest::test_pass_flags[hwtest::kTestRam] = 1;
        q.type("L", 1000);
        EXPECT_EQ(q.status_text(), "++++++++++++++++++++++++ ERROR : RAM-TEST NOT POSSIBLE +++++++++++++++++++++++++")
            << value;
        EXPECT_TRUE(size_lines(q).empty());
        q.rig.run_ms(1500);
        EXPECT_EQ(tones_of(q, 400, 2000), 1);
        EXPECT_EQ(hwtest::test_pass_flags[hwtest::kTestRam], 0);
        q.rig.run_ms(10);
    }
    ::unsetenv("DPMI32");
}

TEST(RamTest, OtherDpmi32ValuesDoNotStopIt) {
    ::setenv("DPMI32", "MAXMEM 8000", 1);
    Quandrix q;
    start_with_memory(q, 3000);
    q.type("L", 2000);
    EXPECT_EQ(q.result_text(), "TEST OK");
    ::unsetenv("DPMI32");
}

void corrupting_copy(uint8_t* to, const uint8_t* from, size_t bytes) {
    std::memcpy(to, from, bytes);
    to[bytes / 3] ^= 0x10;
}

TEST(RamTest, ADifferenceBlinksUntilEscAndOutranksTheCancel) {
    hwtest::ram_copy = &corrupting_copy;
    Quandrix q;
    start_with_memory(q, 3000);
    q.type("L", 6000);

    // Only the first pass ran: the first mark and its own.
    EXPECT_EQ(progress_marks(q), (std::vector<int>{290, 298}));
    EXPECT_EQ(tones_of(q, 400, 4000), 1);
    int yellow = 0;
    for (const std::string& line : q.machine().graphics.call_log()) {
        if (line == "_outtextxy(180,168,\"RAM-TEST ---> ERROR\")") ++yellow;
    }
    EXPECT_GT(yellow, 4);  // repainted, then blinking
    EXPECT_EQ(q.result_text(), "");

    q.type("\x1b", 1000);
    EXPECT_EQ(q.result_text(), "ERROR : RAM-PROBLEM DETECTED!");
}

TEST(RamTest, EscBetweenPassesCancels) {
    Quandrix q;
    start_with_memory(q, 3000);
    q.type("L\x1b", 2000);
    EXPECT_EQ(q.result_text(), "ERROR : RAM-TEST NOT COMPLETED!");
    EXPECT_EQ(text_at(q.machine(), 180, 168), "RAM-TEST ---> ....");
    q.type(" ");
    EXPECT_EQ(hwtest::test_pass_flags[hwtest::kTestRam], 0);
}

// --- hard disk ------------------------------------------------------------------------

TEST(HarddiskTest, WritesCopiesComparesAndCleansUp) {
    Quandrix q;
    start_with_memory(q, 3000);
    std::ofstream(q.dir.drive_c() / "HARDDISK.001") << "left over";
    q.type("M", 1000);

    EXPECT_EQ(text_at(q.machine(), 255, 107), "CHECKING HARDDISK");
    EXPECT_EQ(size_lines(q), (std::vector<std::string>{"HARDDISK-TEST ---> ...", "HARDDISK-TEST ---> OK"}));
    EXPECT_EQ(q.result_text(), "TEST OK");
    EXPECT_FALSE(fs::exists(q.dir.drive_c() / "HARDDISK.001"));
    EXPECT_FALSE(fs::exists(q.dir.drive_c() / "harddisk.001"));
    EXPECT_FALSE(fs::exists(q.dir.drive_c() / "harddisk.002"));
    q.type(" ");
    EXPECT_EQ(hwtest::test_pass_flags[hwtest::kTestHarddisk], 1);
}

TEST(HarddiskTest, ACopyThatCannotBeWrittenIsAProblemOfTheDrive) {
    Quandrix q;
    start_with_memory(q, 3000);
    fs::create_directory(q.dir.drive_c() / "harddisk.001");
    q.type("M", 1000);
    EXPECT_EQ(text_at(q.machine(), 180, 138), "HARDDISK-TEST ---> ERROR");
    EXPECT_EQ(q.result_text(), "ERROR : HARDDISK-PROBLEM DETECTED!");
    EXPECT_FALSE(fs::exists(q.dir.drive_c() / "harddisk.002"));
}

TEST(HarddiskTest, EscCancelsAndLeavesNoFile) {
    Quandrix q;
    start_with_memory(q, 3000);
    q.type("M\x1b", 1000);
    EXPECT_EQ(text_at(q.machine(), 180, 138), "HARDDISK-TEST ---> ...");
    EXPECT_EQ(q.result_text(), "ERROR : HARDDISK-TEST NOT COMPLETED!");
    EXPECT_FALSE(fs::exists(q.dir.drive_c() / "harddisk.001"));
    EXPECT_FALSE(fs::exists(q.dir.drive_c() / "harddisk.002"));
}

// --- floppy ---------------------------------------------------------------------------

struct FloppyRig {
    FloppyRig() {
        start_with_memory(q, 3000);
        q.machine().dos.drive_a_root = floppy.path();
    }
    Quandrix q;
    rig::TempDir floppy;
};

TEST(DiskdriveTest, AnEmptyDiskPasses) {
    FloppyRig f;
    f.q.type("N", 300);
    EXPECT_EQ(text_at(f.q.machine(), 248, 107), "CHECKING DISKDRIVE");
    EXPECT_EQ(text_at(f.q.machine(), 180, 138), "PLEASE INSERT AN EMPTY DISK ...");
    EXPECT_EQ(f.q.status_text(),
              "++++++ INSERT AN EMPTY DISK AND PRESS ANY KEY TO CONTINUE... (ESC=CANCEL) ++++++");
    f.q.type(" ", 1000);
    EXPECT_EQ(text_at(f.q.machine(), 180, 138), "DISKDRIVE-TEST ---> OK");
    EXPECT_EQ(f.q.result_text(), "TEST OK");
    EXPECT_TRUE(fs::is_empty(f.floppy.path()));
    f.q.type(" ");
    EXPECT_EQ(hwtest::test_pass_flags[hwtest::kTestDiskdrive], 1);
}

TEST(DiskdriveTest, RefusedWithoutAResultBox) {
    struct Case {
        const char* name;
        void (*prepare)(FloppyRig&);
        const char* status;
    };
    const Case cases[] = {
        {"empty directory", [](FloppyRig& f) { fs::create_directory(f.floppy.path() / "DATA"); },
         "++++++++++++++++++++++++++ ERROR : DISK IS NOT EMPTY +++++++++++++++++++++++++++++"},
        {"a file", [](FloppyRig& f) { std::ofstream(f.floppy.path() / "SHOW.DAT") << "x"; },
         "++++++++++++++++++++++++++ ERROR : DISK IS NOT EMPTY +++++++++++++++++++++++++++++"},
        {"no disk", [](FloppyRig& f) { f.q.machine().dos.drive_a_root.clear(); },
         "++++++++++++++++++++++++ ERROR : DISK IN DRIVE A NOT FOUND +++++++++++++++++++++++++"},
        {"no room", [](FloppyRig& f) { f.q.machine().dos.floppy_capacity_bytes = 100'000; },
         "++++++++++++++++++++++++ ERROR : DISKDRIVE-TEST NOT POSSIBLE +++++++++++++++++++++++++"},
    };
    for (const Case& c : cases) {
        FloppyRig f;
        c.prepare(f);
        f.q.type("N", 300);
        f.q.type(" ", 1000);
        EXPECT_EQ(f.q.status_text(), c.status) << c.name;
        f.q.rig.run_ms(1500);
        EXPECT_EQ(tones_of(f.q, 400, 2000), 1) << c.name;
        EXPECT_EQ(f.q.result_text(), "") << c.name;
    }
}

TEST(DiskdriveTest, EscAtThePromptEndsTheTest) {
    FloppyRig f;
    hwtest::test_pass_flags[hwtest::kTestDiskdrive] = 1;
    f.q.type("N", 300);
    f.q.type("\x1b", 500);
    EXPECT_EQ(f.q.result_text(), "");
    EXPECT_EQ(hwtest::test_pass_flags[hwtest::kTestDiskdrive], 0);
    EXPECT_EQ(f.q.status_text(), "++++++++++++++++++++++++ A..N=SELECT TEST  --  Q=QUIT ++++++++++++++++++++++++++");
}

}  // namespace
