#include "datafiles/file_moves.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "datafiles/whole_files.h"
#include "platform/dos_files.h"

namespace datafiles {

namespace {

constexpr size_t kCopyBlockBytes = 4096;
constexpr size_t kMaxMatches = 65535;       // entries a DOS directory can hold
constexpr const char* kScratchExtension = ".$$C";

size_t name_start(const std::string& path) {
    const size_t separator = path.find_last_of("\\:");
    return separator == std::string::npos ? 0 : separator + 1;
}

// The copy's scratch name beside the destination: its extension replaced.
std::string scratch_path(const std::string& destination) {
    const size_t start = name_start(destination);
    const size_t dot = destination.find('.', start);
    return destination.substr(0, dot == std::string::npos ? destination.size() : dot) + kScratchExtension;
}

bool copy_stream(FILE* from, FILE* to) {
    std::array<char, kCopyBlockBytes> block{};
    for (;;) {
        const size_t got = std::fread(block.data(), 1, block.size(), from);
        if (got > 0 && std::fwrite(block.data(), 1, got, to) != got) return false;
        if (got < block.size()) return std::ferror(from) == 0;
    }
}

}  // namespace

std::vector<std::string> matching_files(const std::string& pattern) {
    std::vector<std::string> names;
    platform::DosFindData find;
    bool found = platform::dos_findfirst(pattern.c_str(), &find, 0);
    while (found && names.size() < kMaxMatches) {
        if ((find.attrib & platform::kDosAttrDirectory) == 0) names.emplace_back(find.name.data());
        found = platform::dos_findnext(&find);
    }
    return names;
}

std::string directory_of(const std::string& path) { return path.substr(0, name_start(path)); }

bool is_directory(const std::string& path) {
    platform::DosFindData find;
    return platform::dos_findfirst(path.c_str(), &find, platform::kDosAttrDirectory) &&
           (find.attrib & platform::kDosAttrDirectory) != 0;
}

bool files_equal(const std::string& a, const std::string& b) {
    FILE* first = platform::dos_fopen(a.c_str(), "rb");
    FILE* second = platform::dos_fopen(b.c_str(), "rb");
    bool equal = first != nullptr && second != nullptr;
    std::array<char, kCopyBlockBytes> block_a{};
    std::array<char, kCopyBlockBytes> block_b{};
    while (equal) {
        const size_t got_a = std::fread(block_a.data(), 1, block_a.size(), first);
        const size_t got_b = std::fread(block_b.data(), 1, block_b.size(), second);
        equal = got_a == got_b && std::equal(block_a.begin(), block_a.begin() + static_cast<std::ptrdiff_t>(got_a),
                                             block_b.begin());
        if (got_a < block_a.size()) {
            equal = equal && std::ferror(first) == 0 && std::ferror(second) == 0;
            break;
        }
    }
    if (first != nullptr) std::fclose(first);
    if (second != nullptr) std::fclose(second);
    return equal;
}

bool copy_file_verified(const std::string& source, const std::string& destination) {
    const auto source_host = platform::to_host_path(source);
    if (source_host.empty()) return false;
    if (source_host == platform::to_host_path(destination)) return true;
    FILE* from = platform::dos_fopen(source.c_str(), "rb");
    if (from == nullptr) return false;
    const std::string scratch = scratch_path(destination);
    FILE* to = platform::dos_fopen(scratch.c_str(), "wb");
    bool complete = to != nullptr && copy_stream(from, to);
    std::fclose(from);
    if (to != nullptr) {
        complete = platform::dos_commit(to) && complete;
        complete = std::fclose(to) == 0 && complete;
    }
    complete = complete && files_equal(source, scratch) && platform::dos_replace(scratch.c_str(), destination.c_str());
    if (!complete) platform::dos_remove(scratch.c_str());
    return complete;
}

bool copy_matching_files(const std::string& pattern, const std::string& directory) {
    const std::string from = directory_of(pattern);
    bool all_copied = true;
    for (const std::string& name : matching_files(pattern)) {
        all_copied = copy_file_verified(from + name, directory + "\\" + name) && all_copied;
    }
    return all_copied;
}

bool delete_matching_files(const std::string& pattern) {
    const std::string from = directory_of(pattern);
    for (const std::string& name : matching_files(pattern)) platform::dos_remove((from + name).c_str());
    return matching_files(pattern).empty();
}

std::string staged_name(const std::string& name) { return name.empty() ? name : name.substr(0, name.size() - 1); }

bool stage_matching_files(const std::string& pattern, const std::string& source_directory,
                          std::vector<std::string>& staged) {
    bool all_copied = true;
    for (const std::string& name : matching_files(source_directory + "\\" + pattern)) {
        const std::string final_name = shown_file_name(name);
        all_copied = copy_file_verified(source_directory + "\\" + name, data_path(staged_name(final_name).c_str())) &&
                     all_copied;
        if (std::find(staged.begin(), staged.end(), final_name) == staged.end()) staged.push_back(final_name);
    }
    return all_copied;
}

bool swap_in_staged_files(const std::vector<std::string>& staged) {
    for (const std::string& name : staged) {
        const std::string from = data_path(staged_name(name).c_str());
        if (!platform::dos_replace(from.c_str(), data_path(name.c_str()).c_str())) return false;
    }
    return true;
}

void remove_staged_files(const std::vector<std::string>& staged) {
    for (const std::string& name : staged) platform::dos_remove(data_path(staged_name(name).c_str()).c_str());
}

}  // namespace datafiles
