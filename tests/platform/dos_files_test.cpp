#include "platform/dos_files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/bios.h"
#include "platform/machine.h"
#include "rig/rig.h"

namespace {

namespace fs = std::filesystem;
using platform::DosFindData;

void write_file(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> names_in(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> read_lines(const char* dos_path, const char* mode) {
    std::vector<std::string> lines;
    FILE* f = platform::dos_fopen(dos_path, mode);
    if (f == nullptr) return lines;
    char line[100];
    while (std::fgets(line, sizeof line, f) != nullptr) lines.emplace_back(line);
    std::fclose(f);
    return lines;
}

struct Found {
    std::string name;
    uint32_t size_bytes;
    uint8_t attrib;
    bool operator==(const Found&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Found& f) {
    return out << "{" << f.name << ", " << f.size_bytes << ", " << int(f.attrib) << "}";
}

std::vector<Found> search(const char* pattern, uint8_t attrib) {
    std::vector<Found> found;
    DosFindData find;
    for (bool ok = platform::dos_findfirst(pattern, &find, attrib); ok; ok = platform::dos_findnext(&find)) {
        found.push_back(Found{find.name.data(), find.size_bytes, find.attrib});
    }
    return found;
}

// Drive C: is <base>/c with the program directory "bravinox" in it; drive A:
// and the printer spool live beside it.
class DosFilesTest : public testing::Test {
protected:
    void SetUp() override {
        platform::install_machine(m.get());
        fs::create_directories(c_root());
        fs::create_directories(a_root());
        m->dos.drive_c_root = c_root();
        m->dos.drive_a_root = a_root();
        m->dos.printer_spool = base.path() / "printer.spool";
    }
    void TearDown() override { platform::install_machine(nullptr); }

    fs::path c_root() const { return base.path() / "c"; }
    fs::path a_root() const { return base.path() / "floppy"; }
    fs::path data() const { return c_root() / "bravinox" / "data"; }

    rig::TempDir base;
    std::unique_ptr<platform::Machine> m = std::make_unique<platform::Machine>();
};

TEST_F(DosFilesTest, PathsAreMatchedWithoutRegardToCase) {
    write_file(data() / "mem.dat", "M");
    write_file(c_root() / "data" / "mem.dat", "R");
    struct Case {
        const char* dos_path;
        fs::path expected;
    };
    const std::vector<Case> cases = {
        {"C:\\BRAVINOX\\DATA\\MEM.DAT", data() / "mem.dat"},
        {"c:\\Bravinox\\Data\\Mem.Dat", data() / "mem.dat"},
        {"\\BRAVINOX\\DATA\\MEM.DAT", data() / "mem.dat"},
        {"DATA\\MEM.DAT", c_root() / "data" / "mem.dat"},
        {"C:/bravinox/data/MEM.DAT", data() / "mem.dat"},
        {"C:\\BRAVINOX\\.\\DATA\\..\\DATA\\MEM.DAT", data() / "mem.dat"},
        {"C:\\BRAVINOX\\DATA\\NEW.DAT", data() / "NEW.DAT"},
        {"C:\\BRAVINOX\\NEWDIR\\Show.Lst", c_root() / "bravinox" / "NEWDIR" / "Show.Lst"},
        {"C:\\", c_root()},
        {"C:", c_root()},
    };
    for (const Case& c : cases) EXPECT_EQ(platform::to_host_path(c.dos_path), c.expected) << c.dos_path;
}

TEST_F(DosFilesTest, PathsAreBuiltOnTheProgramDirectoryAsTheConsoleBuildsThem) {
    write_file(data() / "mem.dat", "MEMORIES");
    const std::string program = platform::dos_program_path(c_root() / "bravinox" / "bravinox");
    EXPECT_EQ(program, "C:\\BRAVINOX\\BRAVINOX.EXE");

    // Drive and directory of the program path, without the trailing backslash.
    const std::string home = program.substr(0, program.rfind('\\'));
    EXPECT_EQ(home, "C:\\BRAVINOX");
    char path[80];
    std::snprintf(path, sizeof path, "%s\\data\\%s.dat", home.c_str(), "MEM");
    FILE* f = platform::dos_fopen(path, "rb");
    ASSERT_NE(f, nullptr) << path;
    char buffer[16] = {};
    EXPECT_EQ(std::fread(buffer, 1, sizeof buffer, f), 8u);
    std::fclose(f);
    EXPECT_STREQ(buffer, "MEMORIES");
}

TEST_F(DosFilesTest, ProgramPathOfBinariesInsideAndOutsideTheRoot) {
    EXPECT_EQ(platform::dos_program_path(c_root() / "bravinox.exe"), "C:\\BRAVINOX.EXE");
    EXPECT_EQ(platform::dos_program_path(c_root() / "tools" / "." / "quandrix"), "C:\\TOOLS\\QUANDRIX.EXE");
    EXPECT_EQ(platform::dos_program_path(base.path() / "bravinox"), "");
    EXPECT_EQ(platform::dos_program_path(c_root()), "");
    m->dos.drive_c_root.clear();
    EXPECT_EQ(platform::dos_program_path(base.path() / "c" / "bravinox"), "");
}

TEST_F(DosFilesTest, ExactSpellingWinsWhenTwoEntriesDifferOnlyInCase) {
    write_file(data() / "mem.dat", "small");
    write_file(data() / "Mem.dat", "capital");
    EXPECT_EQ(platform::to_host_path("C:\\BRAVINOX\\DATA\\mem.dat"), data() / "mem.dat");
    EXPECT_EQ(platform::to_host_path("C:\\BRAVINOX\\DATA\\Mem.dat"), data() / "Mem.dat");
    EXPECT_EQ(platform::to_host_path("C:\\BRAVINOX\\DATA\\MEM.DAT"), data() / "Mem.dat");  // first in byte order
}

TEST_F(DosFilesTest, RefusedPaths) {
    const std::vector<const char*> refused = {
        "C:\\..\\outside.txt",
        "..\\outside.txt",
        "C:\\BRAVINOX\\..\\..\\outside.txt",
        "D:\\FILE.DAT",
        "C:\\BRAVINOX\\DATA\\*.DAT",
        "C:\\BRAVINOX\\DATA\\MEM?.DAT",
        "C:\\BRAVINOX\\DATA\\A+B.DAT",
        "C:\\BRAVINOX\\DATA\\MY SHOW",
        "C:\\BRAVINOX\\DATA\\.hidden",
        "C:\\BRAVINOX\\DATA\\x:y",
        "prn",
    };
    for (const char* path : refused) {
        EXPECT_EQ(platform::to_host_path(path), fs::path()) << path;
        EXPECT_EQ(platform::dos_fopen(path, "rb"), nullptr) << path;
    }
}

TEST_F(DosFilesTest, NothingIsWrittenOutsideTheDriveRoot) {
    EXPECT_EQ(platform::dos_fopen("C:\\..\\outside.txt", "wb"), nullptr);
    EXPECT_EQ(platform::dos_create_new("\\BRAVINOX\\..\\..\\outside.txt"), platform::DosCreateResult::failed);
    EXPECT_FALSE(platform::dos_mkdir("A:\\..\\outside"));
    EXPECT_FALSE(fs::exists(base.path() / "outside.txt"));
    EXPECT_FALSE(fs::exists(base.path() / "outside"));
}

TEST_F(DosFilesTest, ANewFileIsCreatedAsNamedAndAnExistingOneIsReused) {
    write_file(data() / "mem.dat", "OLD CONTENT");

    FILE* f = platform::dos_fopen("C:\\BRAVINOX\\DATA\\NewFile.Dat", "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("NEW", f);
    std::fclose(f);
    f = platform::dos_fopen("C:\\BRAVINOX\\DATA\\MEM.DAT", "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("TRUNCATED", f);
    std::fclose(f);

    EXPECT_EQ(names_in(data()), (std::vector<std::string>{"NewFile.Dat", "mem.dat"}));
    EXPECT_EQ(read_file(data() / "NewFile.Dat"), "NEW");
    EXPECT_EQ(read_file(data() / "mem.dat"), "TRUNCATED");
}

TEST_F(DosFilesTest, DriveAIsTheFloppyFolder) {
    write_file(a_root() / "show1.cmp", "ARCHIVE");
    EXPECT_EQ(platform::to_host_path("A:\\SHOW1.CMP"), a_root() / "show1.cmp");
    EXPECT_EQ(platform::to_host_path("a:show1.cmp"), a_root() / "show1.cmp");

    // The drive test of the external save: create, close, delete.
    FILE* f = platform::dos_fopen("a:\\w1x2y3z4", "wb");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_TRUE(fs::exists(a_root() / "w1x2y3z4"));
    EXPECT_TRUE(platform::dos_remove("a:\\w1x2y3z4"));
    EXPECT_EQ(names_in(a_root()), (std::vector<std::string>{"show1.cmp"}));

    m->dos.drive_a_root.clear();  // no disk
    EXPECT_EQ(platform::dos_fopen("a:\\w1x2y3z4", "wb"), nullptr);
    EXPECT_FALSE(platform::dos_exists("A:\\SHOW1.CMP"));
}

TEST_F(DosFilesTest, FindFirstWithWildcardsReportsNamesAndSizes) {
    write_file(data() / "mem.dat", std::string(100, 'm'));
    write_file(data() / "presets.dat", std::string(7, 'p'));
    write_file(data() / "memthrsh.dat", std::string(7070, 't'));
    write_file(data() / "mem-0250.da", std::string(3, 'x'));
    write_file(data() / "mem-0250.dat", std::string(5, 'x'));
    write_file(data() / "verylongname.dat", "not a DOS name");
    write_file(data() / "show.lst", "L");
    fs::create_directories(data() / "backup");
    fs::create_directories(data() / "old.dat");  // a directory with a file-like name
    constexpr uint8_t kFile = platform::kDosAttrArchive;
    constexpr uint8_t kDir = platform::kDosAttrDirectory;

    EXPECT_EQ(search("C:\\BRAVINOX\\DATA\\*.DAT", 0),
              (std::vector<Found>{{"mem-0250.dat", 5, kFile}, {"mem.dat", 100, kFile},
                                  {"memthrsh.dat", 7070, kFile}, {"presets.dat", 7, kFile}}));
    EXPECT_EQ(search("C:\\BRAVINOX\\DATA\\*.dat", kDir).size(), 5u);  // old.dat as well
    EXPECT_EQ(search("C:\\BRAVINOX\\DATA\\mem-*.da", 0), (std::vector<Found>{{"mem-0250.da", 3, kFile}}));
    EXPECT_EQ(search("C:\\BRAVINOX\\DATA\\?EM.DAT", platform::kDosAttrHidden),
              (std::vector<Found>{{"mem.dat", 100, kFile}}));
    EXPECT_EQ(search("C:\\BRAVINOX\\DATA\\MEMTHRSH.DAT", 0), (std::vector<Found>{{"memthrsh.dat", 7070, kFile}}));
    EXPECT_EQ(search("C:\\BRAVINOX\\DATA\\*.OLD", 0), std::vector<Found>{});
    EXPECT_EQ(search("C:\\BRAVINOX\\DATA\\MISSING\\*.*", 0), std::vector<Found>{});

    // Directories of a subdirectory: "." and ".." first, then in byte order.
    std::vector<std::string> directories;
    for (const Found& f : search("C:\\BRAVINOX\\DATA\\*.*", kDir)) {
        if (f.attrib & kDir) directories.push_back(f.name);
    }
    EXPECT_EQ(directories, (std::vector<std::string>{".", "..", "backup", "old.dat"}));
}

TEST_F(DosFilesTest, FindReportsTheModificationTimeInDosForm) {
    write_file(data() / "mem.dat", "x");
    std::tm local{};
    local.tm_year = 2001 - 1900;
    local.tm_mon = 1;  // February
    local.tm_mday = 3;
    local.tm_hour = 4;
    local.tm_min = 5;
    local.tm_sec = 6;
    local.tm_isdst = -1;
    const timespec times[2] = {{std::mktime(&local), 0}, {std::mktime(&local), 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, (data() / "mem.dat").c_str(), times, 0), 0);

    DosFindData find;
    ASSERT_TRUE(platform::dos_findfirst("C:\\BRAVINOX\\DATA\\MEM.DAT", &find, 0));
    EXPECT_EQ(find.time, (4 << 11) | (5 << 5) | 3);
    EXPECT_EQ(find.date, (21 << 9) | (2 << 5) | 3);
}

TEST_F(DosFilesTest, FilesFoundCanBeDeletedWhileTheSearchGoesOn) {
    for (const char* name : {"mem-0250.old", "mem-0500.old", "gen-0250.old"}) write_file(data() / name, "o");
    write_file(data() / "mem.dat", "keep");
    DosFindData find;
    int deleted = 0;
    for (bool ok = platform::dos_findfirst("C:\\BRAVINOX\\DATA\\*.old", &find, 0); ok;
         ok = platform::dos_findnext(&find)) {
        const std::string path = std::string("C:\\BRAVINOX\\DATA\\") + find.name.data();
        if (platform::dos_remove(path.c_str())) ++deleted;
    }
    EXPECT_EQ(deleted, 3);
    EXPECT_EQ(names_in(data()), (std::vector<std::string>{"mem.dat"}));
}

TEST_F(DosFilesTest, TheRootOfADiskHasNoDotEntries) {
    EXPECT_EQ(search("a:\\*.*", platform::kDosAttrDirectory), std::vector<Found>{});
    fs::create_directories(a_root() / "empty");
    EXPECT_EQ(search("a:\\*.*", platform::kDosAttrDirectory),
              (std::vector<Found>{{"empty", 0, platform::kDosAttrDirectory}}));
    EXPECT_EQ(search("a:\\*.cmp", platform::kDosAttrDirectory), std::vector<Found>{});
}

TEST_F(DosFilesTest, TextModeReadsCrLfAndLfLinesAlike) {
    write_file(data() / "crlf.ini", "LIST SHOW1\r\nAUTOPLAY YES\r\n");
    write_file(data() / "lf.ini", "LIST SHOW1\nAUTOPLAY YES\n");
    const std::vector<std::string> expected = {"LIST SHOW1\n", "AUTOPLAY YES\n"};
    EXPECT_EQ(read_lines("C:\\BRAVINOX\\DATA\\CRLF.INI", "rt"), expected);
    EXPECT_EQ(read_lines("C:\\BRAVINOX\\DATA\\LF.INI", "rt"), expected);
    EXPECT_EQ(read_lines("C:\\BRAVINOX\\DATA\\CRLF.INI", "r"), expected);  // text is the default
    EXPECT_EQ(read_lines("C:\\BRAVINOX\\DATA\\CRLF.INI", "rb"),
              (std::vector<std::string>{"LIST SHOW1\r\n", "AUTOPLAY YES\r\n"}));

    // A lone CR stays, a last line needs no newline, Ctrl-Z ends a text file.
    write_file(data() / "odd.txt", "A\rB\r\nLAST\x1a" "AFTER");
    EXPECT_EQ(read_lines("C:\\BRAVINOX\\DATA\\ODD.TXT", "rt"), (std::vector<std::string>{"A\rB\n", "LAST"}));
}

TEST_F(DosFilesTest, TextModeLinesSplitAcrossReadBuffers) {
    std::string content;
    for (int i = 0; i < 3000; ++i) content += "LINE " + std::to_string(i) + "\r\n";
    write_file(data() / "long.txt", content);
    const std::vector<std::string> lines = read_lines("C:\\BRAVINOX\\DATA\\LONG.TXT", "rt");
    ASSERT_EQ(lines.size(), 3000u);
    for (int i = 0; i < 3000; ++i) ASSERT_EQ(lines[static_cast<size_t>(i)], "LINE " + std::to_string(i) + "\n");
}

TEST_F(DosFilesTest, TextModeWritesCrLfAndBinaryWritesBytes) {
    fs::create_directories(data());
    FILE* f = platform::dos_fopen("C:\\BRAVINOX\\BRAVINOX.INI", "wt");
    ASSERT_NE(f, nullptr);
    std::fprintf(f, "LIST %s\n", "LOAD");
    std::fprintf(f, "AUTOPLAY NO\n");
    std::fclose(f);
    EXPECT_EQ(read_file(c_root() / "bravinox" / "BRAVINOX.INI"), "LIST LOAD\r\nAUTOPLAY NO\r\n");

    f = platform::dos_fopen("C:\\BRAVINOX\\bravinox.ini", "at");
    ASSERT_NE(f, nullptr);
    std::fputs("MORE\n", f);
    std::fclose(f);
    EXPECT_EQ(read_file(c_root() / "bravinox" / "BRAVINOX.INI"), "LIST LOAD\r\nAUTOPLAY NO\r\nMORE\r\n");

    f = platform::dos_fopen("C:\\BRAVINOX\\DATA\\RAW.BIN", "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("A\nB\n", f);
    std::fclose(f);
    EXPECT_EQ(read_file(data() / "RAW.BIN"), "A\nB\n");
}

TEST_F(DosFilesTest, TextStreamsRewindAndScan) {
    write_file(data() / "rst.txt", "12 34\r\n56\r\n");
    FILE* f = platform::dos_fopen("C:\\BRAVINOX\\DATA\\RST.TXT", "rt");
    ASSERT_NE(f, nullptr);
    int a = 0, b = 0, c = 0;
    EXPECT_EQ(std::fscanf(f, "%d %d %d", &a, &b, &c), 3);
    EXPECT_EQ(a + b + c, 12 + 34 + 56);
    std::rewind(f);
    char line[20] = {};
    ASSERT_NE(std::fgets(line, sizeof line, f), nullptr);
    EXPECT_STREQ(line, "12 34\n");
    std::fclose(f);
}

TEST_F(DosFilesTest, OpenModesOutsideTheLibraryFormsAreRefused) {
    write_file(data() / "mem.dat", "x");
    for (const char* mode : {"", "x", "rw", "rbb", "rbt", "r+t", "r+", "bq", "wz"}) {
        FILE* f = platform::dos_fopen("C:\\BRAVINOX\\DATA\\MEM.DAT", mode);
        EXPECT_EQ(f, nullptr) << '"' << mode << '"';
        if (f != nullptr) std::fclose(f);
    }
    for (const char* mode : {"rb", "r+b", "rb+", "ab", "rt", "r"}) {
        FILE* f = platform::dos_fopen("C:\\BRAVINOX\\DATA\\MEM.DAT", mode);
        EXPECT_NE(f, nullptr) << '"' << mode << '"';
        if (f != nullptr) std::fclose(f);
    }
    EXPECT_EQ(platform::dos_fopen("C:\\BRAVINOX\\DATA", "rb"), nullptr);  // a directory is no file
    EXPECT_EQ(platform::dos_fopen(nullptr, "rb"), nullptr);
}

TEST_F(DosFilesTest, ThePrinterAppendsToTheSpool) {
    FILE* f = platform::dos_fopen("prn", "wt");
    ASSERT_NE(f, nullptr);
    std::fputs("FIXTURE REPORT\n", f);
    std::fclose(f);
    f = platform::dos_fopen("C:PRN", "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("RAW\n", f);
    std::fclose(f);
    EXPECT_TRUE(platform::printer_append("\f", 1));
    EXPECT_EQ(m->dos.printer_output(), "FIXTURE REPORT\r\nRAW\n\f");

    EXPECT_EQ(platform::dos_fopen("Prn", "rb"), nullptr);  // nothing to read from a printer
    EXPECT_FALSE(fs::exists(c_root() / "prn"));
    EXPECT_TRUE(platform::is_printer_path("PRN"));
    EXPECT_TRUE(platform::is_printer_path("c:prn"));
    EXPECT_FALSE(platform::is_printer_path("C:\\BRAVINOX\\PRNT.TXT"));

    m->dos.printer_spool.clear();  // no printer
    EXPECT_EQ(platform::dos_fopen("prn", "wb"), nullptr);
    EXPECT_FALSE(platform::printer_append("\f", 1));
}

TEST_F(DosFilesTest, TheBiosPrinterServiceSendsBytesWhileReady) {
    EXPECT_EQ(platform::bios_printer(platform::kPrinterFunctionInit, 0), platform::kPrinterReady);
    EXPECT_EQ(platform::bios_printer(platform::kPrinterFunctionSend, 0x1B), platform::kPrinterReady);
    EXPECT_EQ(platform::bios_printer(platform::kPrinterFunctionSend, 0x0C), platform::kPrinterReady);
    EXPECT_EQ(m->dos.printer_output(), "\x1B\x0C");

    m->bios.printer_ready = false;  // out of paper: status says so and nothing is sent
    EXPECT_EQ(platform::bios_printer(platform::kPrinterFunctionStatus, 0) & 0x90, 0);
    EXPECT_EQ(platform::bios_printer(platform::kPrinterFunctionSend, 'X'), platform::kPrinterError);
    m->bios.printer_ready = true;
    m->dos.printer_spool.clear();  // no printer at all
    EXPECT_EQ(platform::bios_printer(platform::kPrinterFunctionStatus, 0), platform::kPrinterError);
    m->dos.printer_spool = base.path() / "printer.spool";
    EXPECT_EQ(m->dos.printer_output(), "\x1B\x0C");
}

TEST_F(DosFilesTest, RenameFollowsTheDosRules) {
    write_file(data() / "mem-0250.dat", "page");
    write_file(data() / "gen-0250.dat", "gen");
    write_file(data() / "gen-0250.old", "older");

    EXPECT_TRUE(platform::dos_rename("C:\\BRAVINOX\\DATA\\MEM-0250.DAT", "C:\\BRAVINOX\\DATA\\MEM-0250.OLD"));
    EXPECT_FALSE(fs::exists(data() / "mem-0250.dat"));
    EXPECT_EQ(read_file(data() / "MEM-0250.OLD"), "page");

    // The new name must be free, whatever its case.
    EXPECT_FALSE(platform::dos_rename("C:\\BRAVINOX\\DATA\\GEN-0250.DAT", "C:\\BRAVINOX\\DATA\\GEN-0250.OLD"));
    EXPECT_EQ(read_file(data() / "gen-0250.dat"), "gen");
    EXPECT_EQ(read_file(data() / "gen-0250.old"), "older");

    EXPECT_FALSE(platform::dos_rename("C:\\BRAVINOX\\DATA\\NONE.DAT", "C:\\BRAVINOX\\DATA\\NONE.OLD"));
    EXPECT_FALSE(platform::dos_rename("C:\\BRAVINOX\\DATA\\GEN-0250.DAT", "A:\\GEN-0250.DAT"));
    EXPECT_FALSE(platform::dos_rename("C:\\BRAVINOX\\DATA\\GEN-0250.DAT", "C:\\..\\GEN.DAT"));
    EXPECT_TRUE(fs::exists(data() / "gen-0250.dat"));
}

TEST_F(DosFilesTest, RemoveMakeAndRemoveDirectories) {
    write_file(data() / "mem.dat", "x");
    EXPECT_FALSE(platform::dos_remove("C:\\BRAVINOX\\DATA"));  // not a file
    EXPECT_FALSE(platform::dos_remove("C:\\BRAVINOX\\DATA\\NONE.DAT"));

    EXPECT_TRUE(platform::dos_mkdir("C:\\BRAVINOX\\DATA\\BACKUP"));
    EXPECT_TRUE(fs::is_directory(data() / "BACKUP"));
    EXPECT_FALSE(platform::dos_mkdir("C:\\BRAVINOX\\DATA\\backup"));  // exists already
    EXPECT_FALSE(platform::dos_mkdir("C:\\BRAVINOX\\NONE\\BACKUP"));  // no parent
    EXPECT_TRUE(platform::dos_exists("c:\\bravinox\\data\\backup"));

    EXPECT_FALSE(platform::dos_rmdir("C:\\BRAVINOX\\DATA"));  // not empty
    EXPECT_FALSE(platform::dos_rmdir("C:\\BRAVINOX\\DATA\\MEM.DAT"));
    EXPECT_FALSE(platform::dos_rmdir("C:\\"));
    EXPECT_TRUE(platform::dos_rmdir("C:\\BRAVINOX\\DATA\\BACKUP"));
    EXPECT_FALSE(fs::exists(data() / "BACKUP"));

    EXPECT_TRUE(platform::dos_remove("c:\\bravinox\\data\\MEM.DAT"));
    EXPECT_FALSE(platform::dos_exists("C:\\BRAVINOX\\DATA\\MEM.DAT"));
    EXPECT_FALSE(platform::dos_setfileattr("C:\\BRAVINOX\\DATA\\MEM.DAT", platform::kDosAttrHidden));
}

TEST_F(DosFilesTest, CreateNewTellsAnExistingFileFromAnIllegalName) {
    write_file(a_root() / "show1.cmp", "ARCHIVE");
    fs::create_directories(a_root() / "folder");
    EXPECT_EQ(platform::dos_create_new("a:\\SHOW2.cmp"), platform::DosCreateResult::created);
    EXPECT_TRUE(fs::exists(a_root() / "SHOW2.cmp"));
    EXPECT_EQ(platform::dos_create_new("a:\\SHOW1.cmp"), platform::DosCreateResult::exists);
    EXPECT_EQ(read_file(a_root() / "show1.cmp"), "ARCHIVE");
    EXPECT_EQ(platform::dos_create_new("a:\\SH*W.cmp"), platform::DosCreateResult::failed);
    EXPECT_EQ(platform::dos_create_new("a:\\FOLDER"), platform::DosCreateResult::failed);
}

TEST_F(DosFilesTest, FloppyFreeSpaceCountsClustersInUse) {
    platform::DosDiskFree free_space;
    ASSERT_TRUE(platform::dos_getdiskfree(1, &free_space));
    EXPECT_EQ(free_space.total_clusters, 2847);
    EXPECT_EQ(free_space.avail_clusters, 2847);
    EXPECT_EQ(free_space.sectors_per_cluster, 1);
    EXPECT_EQ(free_space.bytes_per_sector, 512);

    write_file(a_root() / "show1.cmp", std::string(1000, 'x'));  // two clusters
    write_file(a_root() / "sub" / "a.txt", "y");                // a directory and one cluster
    ASSERT_TRUE(platform::dos_getdiskfree(1, &free_space));
    EXPECT_EQ(free_space.avail_clusters, 2847 - 4);

    m->dos.floppy_capacity_bytes = 1024;
    ASSERT_TRUE(platform::dos_getdiskfree(1, &free_space));
    EXPECT_EQ(free_space.avail_clusters, 0);  // fuller than the disk: nothing left, no wrap

    EXPECT_FALSE(platform::dos_getdiskfree(3, &free_space));
    m->dos.drive_a_root.clear();
    EXPECT_FALSE(platform::dos_getdiskfree(1, &free_space));
}

}  // namespace
