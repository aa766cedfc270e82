// DOS command lines carried out on the program directory: what each verb
// leaves in the files, and lines that must change nothing.
#include "ui/dos_commands.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "rig/program_dir.h"
#include "rig/rig.h"

namespace {

namespace fs = std::filesystem;

// Everything under a folder: relative path to contents ("<dir>" for folders).
using Tree = std::map<std::string, std::string>;

class DosCommands : public ::testing::Test {
protected:
    void SetUp() override { dir_.map_drive(rig_.machine()); }

    const char* home() const { return home_.c_str(); }
    void write(const std::string& name, const std::string& text) const { dir_.write_text(name, text); }
    bool has(const std::string& name) const { return dir_.has_file(name); }
    std::string read(const std::string& name) const { return dir_.read_text(name); }
    bool has_folder(const std::string& name) const { return fs::is_directory(dir_.folder() / name); }

    Tree tree() const {
        Tree files;
        for (const auto& entry : fs::recursive_directory_iterator(dir_.folder())) {
            const std::string name = fs::relative(entry.path(), dir_.folder()).generic_string();
            files[name] = entry.is_directory() ? "<dir>" : dir_.read_text(name);
        }
        return files;
    }

    // Names in a folder of the program directory that start with a prefix.
    int count_starting_with(const std::string& folder, const std::string& prefix) const {
        int count = 0;
        for (const auto& entry : fs::directory_iterator(dir_.folder() / folder)) {
            if (entry.path().filename().string().rfind(prefix, 0) == 0) ++count;
        }
        return count;
    }

    void write_show_data() const {
        write("data/mem.dat", "memories");
        write("data/presets.dat", "presets");
        write("data/cuemem.dat", "cue memories");
        write("data/values.def", "defaults");
        write("data/mem-0250.old", "old page");
    }

    rig::ProgramDir dir_;
    rig::Rig rig_;
    std::string home_ = rig::ProgramDir::home_directory();
};

// --- REN -----------------------------------------------------------------------

TEST_F(DosCommands, RenameTakesTheWildcardPartsFromTheOldName) {
    struct Case {
        const char* old_name;
        const char* command;
        const char* new_name;
    };
    const Case cases[] = {
        {"X.da", "ren %s\\data\\X.da *.dat", "X.dat"},
        {"mem-0250.dat", "ren %s\\data\\mem-0250.dat *.old", "mem-0250.old"},
        {"cuemem.da", "REN %s\\DATA\\CUEMEM.DA *.dat", "cuemem.dat"},
        {"gen-0500.dat", "ren %s\\data\\gen-0500.dat g?n-*.bak", "gen-0500.bak"},
        {"fig-0750.dat", "ren %s\\data\\fig-0750.dat *", "fig-0750"},
        {"pre-pan.dat", "ren %s\\data\\pre-pan.dat panold.*", "panold.dat"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        const std::string old_path = std::string("data/") + c.old_name;
        write(old_path, c.old_name);
        ui::run_dos_command(c.command, home());
        EXPECT_FALSE(has(old_path));
        EXPECT_EQ(read(std::string("data/") + c.new_name), c.old_name);
    }
}

TEST_F(DosCommands, RenameOfEveryMatch) {
    write("data/cue-0560.dat", "a");
    write("data/mid-0560.dat", "b");
    write("data/mem.dat", "c");
    ui::run_dos_command("ren %s\\data\\\?\?\?-0560.dat *.old", home());
    EXPECT_EQ(read("data/cue-0560.old"), "a");
    EXPECT_EQ(read("data/mid-0560.old"), "b");
    EXPECT_EQ(read("data/mem.dat"), "c");
    EXPECT_FALSE(has("data/cue-0560.dat"));
}

TEST_F(DosCommands, RenameWithoutItsSourceDoesNothing) {
    write_show_data();
    const Tree before = tree();
    ui::run_dos_command("ren %s\\data\\gen-%04d.dat *.old", home(), 250);
    EXPECT_EQ(tree(), before);
}

TEST_F(DosCommands, RenameOntoATakenNameKeepsBothFiles) {
    write("data/mem.dat", "current");
    write("data/mem.da", "compacted");
    ui::run_dos_command("ren %s\\data\\mem.da *.dat", home());
    EXPECT_EQ(read("data/mem.dat"), "current");
    EXPECT_EQ(read("data/mem.da"), "compacted");
}

TEST_F(DosCommands, RenameIntoAnotherFolderIsRefused) {
    write("data/mem.da", "compacted");
    dir_.write_text("lib/keep.txt", "x");
    ui::run_dos_command("ren %s\\data\\mem.da %s\\lib\\mem.dat", home(), home());
    EXPECT_EQ(read("data/mem.da"), "compacted");
    EXPECT_FALSE(has("lib/mem.dat"));
}

// --- DEL -----------------------------------------------------------------------

TEST_F(DosCommands, DeleteRemovesEveryMatchAndNothingElse) {
    write("data/mem-0250.old", "1");
    write("data/gen-0250.old", "2");
    write("data/fig-0250.old", "3");
    write("data/mem.dat", "keep");
    write("data/a.olx", "keep");
    write("data/old", "keep");
    write("data/backup/b.old", "keep");  // another folder
    ui::run_dos_command("del %s\\data\\*.old", home());
    EXPECT_FALSE(has("data/mem-0250.old"));
    EXPECT_FALSE(has("data/gen-0250.old"));
    EXPECT_FALSE(has("data/fig-0250.old"));
    EXPECT_TRUE(has("data/mem.dat"));
    EXPECT_TRUE(has("data/a.olx"));
    EXPECT_TRUE(has("data/old"));
    EXPECT_TRUE(has("data/backup/b.old"));
}

TEST_F(DosCommands, DeleteWithNoMatchDoesNothing) {
    write_show_data();
    const Tree before = tree();
    ui::run_dos_command("del %s\\data\\*.bak", home());
    ui::run_dos_command("del %s\\data\\mem-%04d.old", home(), 500);
    EXPECT_EQ(tree(), before);
}

TEST_F(DosCommands, DeleteFollowsTheDosExtensionRule) {
    write("data/cueseq.da", "new");
    write("data/cueseq.dat", "old");
    ui::run_dos_command("del %s\\data\\*.da", home());
    EXPECT_FALSE(has("data/cueseq.da"));
    EXPECT_TRUE(has("data/cueseq.dat"));
}

TEST_F(DosCommands, VerbIsTakenWithoutRegardToCase) {
    for (const char* verb : {"del", "DEL", "Del", "erase", "ERASE"}) {
        SCOPED_TRACE(verb);
        write("data/x.old", "x");
        ui::run_dos_command("%s %s\\data\\x.old", verb, home());
        EXPECT_FALSE(has("data/x.old"));
    }
}

TEST_F(DosCommands, DeleteAllThenRemoveTheShowFolder) {
    write("data/myshow/mem.dat", "1");
    write("data/myshow/setup.dat", "2");
    ui::run_dos_command("del %s\\*.*", (home_ + "\\data\\myshow").c_str());
    ui::run_dos_command("rd %s", (home_ + "\\data\\myshow").c_str());
    EXPECT_FALSE(fs::exists(dir_.folder() / "data/myshow"));
}

// --- MD and RD -----------------------------------------------------------------

TEST_F(DosCommands, MakeAndRemoveADirectory) {
    write("data/mem.dat", "x");
    ui::run_dos_command("md %s\\data\\backup", home());
    EXPECT_TRUE(has_folder("data/backup"));
    ui::run_dos_command("rd %s\\data\\backup", home());
    EXPECT_FALSE(fs::exists(dir_.folder() / "data/backup"));
}

TEST_F(DosCommands, MakingAnExistingDirectoryFailsSilently) {
    write("data/backup/mem.dat", "saved");
    ui::run_dos_command("md %s\\data\\backup", home());
    EXPECT_EQ(read("data/backup/mem.dat"), "saved");
}

TEST_F(DosCommands, RemovingADirectoryThatHoldsFilesFailsSilently) {
    write("data/backup/mem.dat", "saved");
    ui::run_dos_command("rd %s\\data\\backup", home());
    EXPECT_EQ(read("data/backup/mem.dat"), "saved");
}

// --- XCOPY and COPY ------------------------------------------------------------

TEST_F(DosCommands, XcopyCopiesTheMatchesIntoTheBackupFolder) {
    write_show_data();
    write("data/backup/mem.dat", "previous backup");
    write("data/backup/other.dat", "stays");
    ui::run_dos_command("xcopy %s\\data\\*.dat %s\\data\\backup", home(), home());

    EXPECT_EQ(read("data/backup/mem.dat"), "memories");  // replaced
    EXPECT_EQ(read("data/backup/presets.dat"), "presets");
    EXPECT_EQ(read("data/backup/cuemem.dat"), "cue memories");
    EXPECT_EQ(read("data/backup/other.dat"), "stays");
    EXPECT_FALSE(has("data/backup/values.def"));
    EXPECT_FALSE(has("data/backup/mem-0250.old"));
    EXPECT_EQ(read("data/mem.dat"), "memories");  // sources stay
    EXPECT_EQ(count_starting_with("data/backup", "~"), 0);  // no scratch files left
}

TEST_F(DosCommands, CopyWithVerifyIntoAFolder) {
    write_show_data();
    dir_.write_text("data/backup/keep", "");
    ui::run_dos_command("copy %s\\data\\%s %s\\data\\backup /v", home(), "*.def", home());
    ui::run_dos_command("copy %s\\data\\%s %s\\data\\backup /V", home(), "mem.dat", home());
    EXPECT_EQ(read("data/backup/values.def"), "defaults");
    EXPECT_EQ(read("data/backup/mem.dat"), "memories");
    EXPECT_FALSE(has("data/backup/presets.dat"));
}

TEST_F(DosCommands, CopyOverAnExistingFileReplacesItWhole) {
    write("data/temp.cmp", std::string(10000, 'n'));  // more than one copy block
    write("data/show.cmp", "old archive");
    ui::run_dos_command("copy %s\\data\\temp.cmp %s\\data\\show.cmp /v", home(), home());
    EXPECT_EQ(read("data/show.cmp"), std::string(10000, 'n'));
    EXPECT_EQ(read("data/temp.cmp"), std::string(10000, 'n'));
    EXPECT_EQ(count_starting_with("data", "~"), 0);
}

TEST_F(DosCommands, CopyToANameWithWildcards) {
    write("data/mem.dat", "m");
    write("data/presets.dat", "p");
    ui::run_dos_command("copy %s\\data\\*.dat %s\\data\\*.bak", home(), home());
    EXPECT_EQ(read("data/mem.bak"), "m");
    EXPECT_EQ(read("data/presets.bak"), "p");
}

TEST_F(DosCommands, CopyOfAMissingSourceDoesNothing) {
    write_show_data();
    const Tree before = tree();
    ui::run_dos_command("copy %s\\data\\%s %s\\data\\backup /v", home(), "groups.dat", home());
    ui::run_dos_command("copy %s\\data\\%s %s\\data\\new.dat", home(), "groups.dat", home());
    EXPECT_EQ(tree(), before);
}

TEST_F(DosCommands, CopyOfSeveralFilesOntoOnePlainNameIsRefused) {
    write_show_data();
    const Tree before = tree();
    ui::run_dos_command("copy %s\\data\\*.dat %s\\data\\all.dat", home(), home());
    EXPECT_EQ(tree(), before);
}

TEST_F(DosCommands, CopyOfAFileOntoItselfLeavesIt) {
    write("data/mem.dat", "memories");
    ui::run_dos_command("copy %s\\data\\mem.dat %s\\DATA\\MEM.DAT", home(), home());
    EXPECT_EQ(read("data/mem.dat"), "memories");
    EXPECT_EQ(count_starting_with("data", "~"), 0);
}

// --- The printer ---------------------------------------------------------------

TEST_F(DosCommands, CopyToThePrinterSpoolsTheFile) {
    rig::TempDir spool_folder;
    rig_.machine().dos.printer_spool = spool_folder.path() / "printer.out";
    dir_.write_text("lib/info1.txt", "FIXTURE INFO\r\nLINE 2\r\n");
    dir_.write_text("lib/CURVE.TXT", "CURVES\r\n");

    ui::run_dos_command("xcopy %s\\lib\\info1.txt prn /v", home());
    EXPECT_EQ(rig_.machine().dos.printer_output(), "FIXTURE INFO\r\nLINE 2\r\n");

    ui::run_dos_command("copy %s\\lib\\CURVE.txt PRN", home());
    EXPECT_EQ(rig_.machine().dos.printer_output(), "FIXTURE INFO\r\nLINE 2\r\nCURVES\r\n");
    EXPECT_FALSE(has("lib/prn"));
}

// --- Lines that are refused ----------------------------------------------------

TEST_F(DosCommands, UnknownVerbsAndMalformedLinesChangeNothing) {
    write_show_data();
    write("data/backup/mem.dat", "previous backup");
    const Tree before = tree();
    const std::string data = home_ + "\\data";
    const char* const lines[] = {
        "format c: /q",
        "deltree /y %s",
        "echo x > %s\\out.dat",
        "type %s\\mem.dat",
        "rename %s\\mem.dat *.old",
        "del %s\\mem.dat /p",                       // unknown switch
        "xcopy %s\\*.dat %s\\backup /s",            // recursive copy is not known
        "copy %s\\mem.dat",                         // no destination
        "del %s\\mem.dat %s\\presets.dat",          // surplus word
        "copy %s\\mem.dat %s\\x.dat /v /v /v",      // too many words
        "abcdefghijklmnopqrstuvwxyz %s",            // verb longer than 19 characters
        "",
        "   ",
    };
    for (const char* line : lines) {
        SCOPED_TRACE(line);
        ui::run_dos_command(line, data.c_str(), data.c_str());
        EXPECT_EQ(tree(), before);
    }
}

}  // namespace
