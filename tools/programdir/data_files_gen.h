// The empty show data files of a new program directory: each its version
// text and an index of empty entries (offset -1), as the console's start-up
// check creates them, so the demo console starts without asking.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace progdir {

struct DataFile {
    std::string name;  // in the program directory's data folder
    std::vector<uint8_t> bytes;
};

std::vector<DataFile> build_empty_data_files();

}  // namespace progdir
