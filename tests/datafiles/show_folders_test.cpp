// Shows loaded from their folders under data\ (the load itself, without the
// dialog): which files each data item brings in, the backup made first, the
// older memory pages, and what a failure leaves behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "data_dir.h"
#include "datafiles/memory_file.h"
#include "datafiles/show_files.h"
#include "memcheck/memcheck.h"
#include "memories/memory_index.h"
#include "runtime/startup.h"
#include "setup/setup_data.h"
#include "ui/message_line.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Names = std::vector<std::string>;
namespace fs = std::filesystem;

Bytes text_bytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

std::string lower(std::string name) {
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
}

bool is_old_page(const std::string& name) {
    for (const char* prefix : {"mem-", "gen-", "fig-", "pre-", "cue-", "mid-"}) {
        if (lower(name).starts_with(prefix)) return true;
    }
    return false;
}

struct Item {
    int item;
    Names files;
};
const std::vector<Item> kItems = {
    {1, {"SETUP.DAT", "CH-0001.DAT", "VALUES.DEF", "TRANSP.DAT", "SOFT.DAT", "DIMPATCH.DAT", "CURVE.DAT", "GROUPA.DAT"}},
    {2, {"PRE-PAN.DAT", "DEF-1.DAT", "PRESETS.DAT"}},
    {3, {"MEM-0250.DAT", "GEN-1.DAT", "FIG-1.DAT"}},
    {4, {"MEMTHRSH.DAT"}},
    {5, {"MEMCUES.DAT", "CUEMEM.DAT", "CUESEQ.DAT", "CUEPLAYB.DAT", "CUE-1.DAT", "MID-1.DAT"}},
    {6, {"GROUPS.DAT"}},
    {7, {"SUBMAST.DAT"}},
    {8, {"SHOW.LST"}},
};

class ShowFolders : public datafiles_test::DataDir {
protected:
    void SetUp() override {
        DataDir::SetUp();
        runtime::restart_requested = 0;
        setup::fixture_count = 0;
    }

    static void select_items(std::initializer_list<int> items) {
        datafiles::data_item_selected = {};
        for (const int item : items) datafiles::data_item_selected[static_cast<size_t>(item)] = 1;
        datafiles::build_data_item_patterns();
    }
    static void load(const std::string& show) {
        datafiles::show_file_medium = datafiles::kMediumInternal;
        datafiles::selected_file_names[1] = {};
        std::copy(show.begin(), show.end(), datafiles::selected_file_names[1].begin());
        datafiles::load_show_internal();
    }
    // A file of the data folder, its name matched without regard to case.
    Bytes read_data(const std::string& name) const {
        for (const std::string& f : folder("data")) {
            if (lower(f) == lower(name)) return read("data/" + f);
        }
        return {};
    }
    bool has_data(const std::string& name) const {
        const Names names = folder("data");
        return std::any_of(names.begin(), names.end(), [&](const std::string& f) { return lower(f) == lower(name); });
    }
    Names folder(const std::string& name) const {
        Names names;
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(dir_.folder() / name, error)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(ShowFolders, EachDataItemLoadsOnlyItsOwnFiles) {
    for (const Item& i : kItems) {
        for (const std::string& f : i.files) write("data/SRC/" + f, text_bytes("saved " + f));
    }
    for (const Item& i : kItems) {
        SCOPED_TRACE(i.item);
        // The current show: every file of every item, in small letters.
        for (const std::string& f : folder("data")) {
            if (f != "SRC") fs::remove(dir_.folder() / "data" / f);
        }
        for (const Item& all : kItems) {
            for (const std::string& f : all.files) write("data/" + lower(f), text_bytes("current " + f));
        }
        select_items({i.item});
        load("SRC");
        EXPECT_EQ(runtime::restart_requested, 1);
        runtime::restart_requested = 0;
        for (const Item& all : kItems) {
            for (const std::string& f : all.files) {
                if (all.item == i.item) {
                    EXPECT_EQ(read_data(f), text_bytes("saved " + f)) << f;
                } else if (is_old_page(f)) {
                    EXPECT_FALSE(has_data(f)) << f;  // the current show's old pages go in any load
                } else {
                    EXPECT_EQ(read_data(f), text_bytes("current " + f)) << f;
                }
            }
        }
        for (const std::string& f : folder("data")) {
            EXPECT_FALSE(f.ends_with(".DA") || f.ends_with(".LS") || f.ends_with(".DE") || f.ends_with(".$$C")) << f;
        }
    }
}

TEST_F(ShowFolders, AShowWithBothMemoryLayoutsLeavesNoPageFiles) {
    for (const char* f : {"MEM.DAT", "MEM-0250.DAT", "GEN-1.DAT", "FIG-1.DAT", "PRE-PAN.DAT", "CUE-1.DAT", "MID-1.DAT"}) {
        write(std::string("data/BOTH/") + f, text_bytes(f));
    }
    write("data/mem-0001.dat", text_bytes("the current show's old page"));
    select_items({1, 2, 3, 4, 5, 6, 7, 8});
    load("BOTH");
    EXPECT_EQ(runtime::restart_requested, 1);
    EXPECT_EQ(read("data/MEM.DAT"), text_bytes("MEM.DAT"));
    for (const std::string& f : folder("data")) {
        for (const char* prefix : {"mem-", "gen-", "fig-", "pre-", "cue-", "mid-"}) {
            EXPECT_FALSE(lower(f).starts_with(prefix)) << f;
        }
    }
}

TEST_F(ShowFolders, TheOldPagesOfTheCurrentShowGoWhateverIsSelected) {
    write("data/SHOW1/MEMTHRSH.DAT", text_bytes("thresholds"));
    write("data/mem-0001.dat", text_bytes("the current show's old page"));
    write("data/PRE-PAN.DAT", text_bytes("an old preset page"));
    select_items({4});
    load("SHOW1");
    EXPECT_FALSE(has("data/mem-0001.dat"));
    EXPECT_FALSE(has("data/PRE-PAN.DAT"));
}

TEST_F(ShowFolders, TheBackupIsEmptiedOfDataFilesBeforeTheCurrentShowGoesIn) {
    write("data/backup/MEM-0001.DAT", text_bytes("an earlier backup's page file"));
    write("data/backup/GROUPS.DAT", text_bytes("an earlier backup's groups"));
    write("data/backup/NOTES.TXT", text_bytes("not a data file"));
    write("data/mem.dat", text_bytes("current memories"));
    write("data/SHOW3/MEM.DAT", text_bytes("show three"));
    setup::fixture_count = 3;
    select_items({3});
    load("SHOW3");
    EXPECT_EQ(read("data/backup/mem.dat"), text_bytes("current memories"));
    EXPECT_FALSE(has("data/backup/MEM-0001.DAT"));
    EXPECT_FALSE(has("data/backup/GROUPS.DAT"));  // of another item, but of the earlier show
    EXPECT_TRUE(has("data/backup/NOTES.TXT"));
    EXPECT_EQ(read("data/mem.dat"), text_bytes("show three"));
    // Loading BACKUP brings the previous show back, and makes no backup of its own.
    load("BACKUP");
    EXPECT_EQ(read("data/mem.dat"), text_bytes("current memories"));
    EXPECT_EQ(read("data/backup/mem.dat"), text_bytes("current memories"));
}

TEST_F(ShowFolders, AnEmptyRigMakesNoBackup) {
    write("data/SHOW3/MEM.DAT", text_bytes("show three"));
    select_items({3});
    load("SHOW3");
    EXPECT_FALSE(fs::exists(dir_.folder() / "data" / "backup"));
}

TEST_F(ShowFolders, AFileThatCannotBeReplacedBringsTheBackupBackAndNoRestart) {
    write("data/mem.dat", text_bytes("current memories"));
    write("data/SHOW4/MEM.DAT", text_bytes("show four"));
    write("data/SHOW4/MEMTHRSH.DAT", text_bytes("show four thresholds"));
    fs::create_directories(dir_.folder() / "data" / "MEMTHRSH.DAT");  // in the way of the swap
    setup::fixture_count = 3;
    select_items({3, 4});
    load("SHOW4");
    EXPECT_EQ(runtime::restart_requested, 0);
    EXPECT_EQ(ui::current_message(), "ERROR OCCURED DURING LOADING...");
    EXPECT_EQ(read("data/mem.dat"), text_bytes("current memories"));
    for (const std::string& f : folder("data")) EXPECT_FALSE(f.ends_with(".DA")) << f;
}

TEST_F(ShowFolders, ABackupThatFailsStopsTheLoadBeforeAnythingChanges) {
    write("data/mem.dat", text_bytes("current memories"));
    write("data/SHOW5/MEM.DAT", text_bytes("show five"));
    write("data/backup", text_bytes("a file where the backup folder goes"));
    setup::fixture_count = 3;
    select_items({3});
    load("SHOW5");
    EXPECT_EQ(runtime::restart_requested, 0);
    EXPECT_EQ(ui::current_message(), "ERROR OCCURED DURING LOADING...");
    EXPECT_EQ(read("data/mem.dat"), text_bytes("current memories"));
}

TEST_F(ShowFolders, OptimizingBeforeASaveKeepsMemoriesThatAnIncompleteLoadLeftOnFile) {
    runtime::show_table_allocator = memcheck::mc_malloc_at;
    datafiles::init_memory_file();
    for (int m = 1; m <= 4; ++m) {
        auto* list = static_cast<datafiles::MemoryItem*>(memcheck::mc_malloc_at(3 * sizeof(datafiles::MemoryItem), __FILE__, __LINE__));
        for (uint16_t i = 0; i < 3; ++i) list[i] = {0, static_cast<uint16_t>(i + 1), static_cast<uint16_t>(m * 10 + i)};
        memories::memory_items[static_cast<size_t>(m)] = list;
        memories::memory_index[static_cast<size_t>(m)].count = 3;
        ASSERT_TRUE(datafiles::save_memory_record(static_cast<int16_t>(m)));
    }
    datafiles::free_memory_items();
    {
        const datafiles_test::AllocationLimit limit(2);  // memory runs out after two memories
        datafiles::load_memory_file();
    }
    ASSERT_TRUE(datafiles::memory_load_incomplete());
    const Bytes before = read("data/mem.dat");
    datafiles::optimize_show_data();
    EXPECT_EQ(read("data/mem.dat"), before);
    datafiles::free_memory_items();
}

}  // namespace
