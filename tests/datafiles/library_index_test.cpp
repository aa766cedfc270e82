// The fixture library index lib\fulllib.dat: built from the type files that
// pass their checks and then the upload files, in capitals, when it is
// missing, damaged or older than a file of the library; left alone
// otherwise. Extensions are matched without regard to case.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "data_dir.h"
#include "datafiles/library_files.h"
#include "datafiles/warning_bar.h"

namespace {

using datafiles_test::text_at;
using datafiles_test::u16_at;

constexpr size_t kTypeBytes = 47097;
constexpr size_t kDrawingBytes = 992;
constexpr size_t kEntryBytes = 51;

class LibraryIndex : public datafiles_test::DataDir {
protected:
    // A type definition with its name, channel count and manufacturer.
    void type_file(const std::string& file, const char* name, uint8_t channels, const char* maker) const {
        std::vector<uint8_t> bytes(kTypeBytes, 0);
        std::memcpy(bytes.data(), name, std::strlen(name));
        bytes[57] = channels;
        std::memcpy(bytes.data() + 186, maker, std::strlen(maker));
        write("lib/set/" + file, bytes);
    }
    void drawing(const std::string& file, size_t size = kDrawingBytes) const {
        write("lib/drw/" + file, std::vector<uint8_t>(size, 1));
    }
    // The entries of the index as "STEM|TYPE NAME|MANUFACTURER".
    std::vector<std::string> entries() const {
        const std::vector<uint8_t> bytes = read("lib/fulllib.dat");
        std::vector<std::string> listed;
        if (bytes.size() < 2) return {"(no index)"};
        const size_t count = u16_at(bytes, 0);
        EXPECT_EQ(bytes.size(), 2 + count * kEntryBytes);
        for (size_t e = 0; e < count; ++e) {
            const size_t at = 2 + e * kEntryBytes;
            listed.push_back(std::string(text_at(bytes, at, 9).c_str()) + "|" + text_at(bytes, at + 9, 21).c_str() +
                             "|" + text_at(bytes, at + 30, 21).c_str());
        }
        return listed;
    }
    void age(const std::string& name, int hours) const {
        const auto path = dir_.folder() / name;
        std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) - std::chrono::hours(hours));
    }
};

TEST_F(LibraryIndex, AnEmptyLibraryGivesACountOfZero) {
    datafiles::build_library_index();
    EXPECT_EQ(read("lib/fulllib.dat"), (std::vector<uint8_t>{0, 0}));
    EXPECT_EQ(datafiles::warning_bar_texts, std::vector<std::string>{"LIBRARY CHANGE DETECTED! PLEASE WAIT..."});
}

TEST_F(LibraryIndex, WithoutALibFolderNothingIsBuiltOrShown) {
    std::filesystem::remove_all(dir_.folder() / "lib");
    datafiles::build_library_index();
    EXPECT_FALSE(has("lib/fulllib.dat"));
    EXPECT_TRUE(datafiles::warning_bar_texts.empty());
}

TEST_F(LibraryIndex, TypesThatPassTheirChecksAreListedThenEveryUploadFile) {
    type_file("ABC.SET", "Spot 575", 12, "Own make");
    drawing("ABC.DRW");
    type_file("beam.Set", "beam", 32, "");  // any case of the extension; no manufacturer
    drawing("beam.drw");
    type_file("NODRW.SET", "NO DRAWING", 4, "X");
    type_file("BIGDRW.SET", "BIG DRAWING", 4, "X");
    drawing("BIGDRW.DRW", kDrawingBytes + 1);
    type_file("ZERO.SET", "NO CHANNELS", 0, "X");
    drawing("ZERO.DRW");
    type_file("MANY.SET", "TOO MANY", 33, "X");
    drawing("MANY.DRW");
    write("lib/set/SHORT.SET", std::vector<uint8_t>(kTypeBytes - 1, 4));
    drawing("SHORT.DRW");
    write("lib/xu3/fw2.XU3", {1, 2, 3});
    write("lib/xu3/AFW1.xu3", {});

    datafiles::build_library_index();
    EXPECT_EQ(entries(), (std::vector<std::string>{"ABC|SPOT 575|OWN MAKE", "BEAM|BEAM|MANUFACTURER",
                                                   "AFW1|AFW1|MARTIN UPLOAD", "FW2|FW2|MARTIN UPLOAD"}));
}

TEST_F(LibraryIndex, ACurrentIndexIsNeitherReadNorRebuilt) {
    std::vector<uint8_t> bytes(2 + kEntryBytes, 0);
    bytes[0] = 1;
    bytes[2] = 'O';
    write("lib/fulllib.dat", bytes);
    type_file("NEW.SET", "NEW", 3, "X");
    drawing("NEW.DRW");
    age("lib/set/NEW.SET", 2);
    age("lib/drw/NEW.DRW", 2);

    datafiles::build_library_index();
    EXPECT_EQ(read("lib/fulllib.dat"), bytes);
    EXPECT_TRUE(datafiles::warning_bar_texts.empty());
    EXPECT_EQ(datafiles::read_library_index().size(), 1u);
}

TEST_F(LibraryIndex, AnIndexOlderThanALibraryFileOrDamagedIsRebuilt) {
    type_file("NEW.SET", "NEW", 3, "X");
    drawing("NEW.DRW");
    write("lib/fulllib.dat", {0, 0});
    age("lib/fulllib.dat", 2);  // the type file came later
    datafiles::build_library_index();
    EXPECT_EQ(entries(), std::vector<std::string>{"NEW|NEW|X"});

    for (const std::vector<uint8_t>& damaged : {std::vector<uint8_t>{5, 0, 1}, std::vector<uint8_t>{0xFF, 0xFF},
                                                std::vector<uint8_t>{7}}) {
        write("lib/fulllib.dat", damaged);
        EXPECT_TRUE(datafiles::read_library_index().empty());
        datafiles::build_library_index();
        EXPECT_EQ(entries(), std::vector<std::string>{"NEW|NEW|X"});
    }
    const std::vector<datafiles::LibraryEntry> read_back = datafiles::read_library_index();
    ASSERT_EQ(read_back.size(), 1u);
    EXPECT_STREQ(read_back[0].stem.data(), "NEW");
    EXPECT_STREQ(read_back[0].manufacturer.data(), "X");
}

}  // namespace
