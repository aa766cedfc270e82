#include "programdir/data_files_gen.h"
#include "programdir/program_dir_gen.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "rig/rig.h"

namespace {

int32_t i32_at(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<int32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24);
}

TEST(DataFilesGen, EmptyFilesHaveTheirHeadersSizesAndNoRecords) {
    struct Expected {
        std::string header;
        size_t size;
        size_t entry_bytes;
        size_t offset_at;
    };
    const std::map<std::string, Expected> expected = {
        {"mem.dat", {"VERSION 6.30", 132012, 33, 21}},     {"presets.dat", {"VERSION 6.31", 18492, 33, 21}},
        {"memthrsh.dat", {"", 7070, 101, 37}},             {"memcues.dat", {"VERSION 6.30", 24012, 12, 0}},
        {"cuemem.dat", {"VERSION 6.01", 302412, 27, 23}},  {"cueseq.dat", {"VERSION 6.01", 224012, 5, 1}},
        {"cueplayb.dat", {"VERSION 6.01", 2352012, 5, 1}},
    };
    const auto files = progdir::build_empty_data_files();
    ASSERT_EQ(files.size(), expected.size());
    for (const auto& file : files) {
        const Expected& e = expected.at(file.name);
        ASSERT_EQ(file.bytes.size(), e.size) << file.name;
        EXPECT_EQ(std::string(file.bytes.begin(), file.bytes.begin() + static_cast<long>(e.header.size())), e.header);
        const size_t last_entry = file.bytes.size() - e.entry_bytes;
        EXPECT_EQ(i32_at(file.bytes, e.header.size() + e.offset_at), -1) << file.name;
        EXPECT_EQ(i32_at(file.bytes, last_entry + e.offset_at), -1) << file.name;
    }
}

TEST(DataFilesGen, AShowAlreadyInTheDataFolderIsKept) {
    rig::TempDir dir;
    std::filesystem::create_directories(dir.path() / "data");
    { std::ofstream(dir.path() / "data" / "mem.dat") << "A SHOW"; }
    { std::ofstream(dir.path() / "data" / "load.lst") << "MANUAL"; }
    progdir::ProgramDirFiles files;
    files.load_list = "PC-TIMER\r\n24\r\n";
    std::string error;
    ASSERT_TRUE(progdir::lay_out_data_files(dir.path(), files, error)) << error;
    std::ifstream in(dir.path() / "data" / "mem.dat");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "A SHOW");
    std::ifstream list(dir.path() / "data" / "load.lst");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(list), {}), "MANUAL") << "a list the console wrote is kept";
    EXPECT_EQ(std::filesystem::file_size(dir.path() / "data" / "cueplayb.dat"), 2352012u);
}

}  // namespace
