#include "datafiles/whole_files.h"

#include <array>
#include <cctype>

#include "platform/dos_files.h"
#include "runtime/config_records.h"

namespace datafiles {

namespace {

constexpr const char* kNewCopyExtension = ".$$$";
constexpr const char* kOldCopyExtension = ".$$O";
constexpr int kKeptCopies = 99;

size_t name_start(const std::string& path) {
    const size_t separator = path.find_last_of("\\:");
    return separator == std::string::npos ? 0 : separator + 1;
}

// The path with the file's extension replaced.
std::string sibling_path(const std::string& path, const char* extension) {
    const size_t start = name_start(path);
    const size_t dot = path.find('.', start);
    return path.substr(0, dot == std::string::npos ? path.size() : dot) + extension;
}

// The first of NAME.K01 to NAME.K99 that is free; empty when none is.
std::string free_kept_name(const std::string& path) {
    for (int k = 1; k <= kKeptCopies; ++k) {
        std::array<char, 16> extension{};  // room for any int, though k stays at 1..99
        std::snprintf(extension.data(), extension.size(), ".k%02d", k);
        const std::string kept = sibling_path(path, extension.data());
        if (!platform::dos_exists(kept.c_str())) return kept;
    }
    return {};
}

}  // namespace

std::string data_file_path(const char* name) { return runtime::home_directory + "\\data\\" + name + ".dat"; }

std::string data_path(const char* file) { return runtime::home_directory + "\\data\\" + file; }

std::string program_path(const char* relative) { return runtime::home_directory + "\\" + relative; }

bool lookup_file_size(const std::string& path, uint32_t& size_bytes) {
    platform::DosFindData find;
    if (!platform::dos_findfirst(path.c_str(), &find, 0)) return false;
    size_bytes = find.size_bytes;
    return true;
}

int64_t stream_size(FILE* file) {
    const long here = std::ftell(file);
    if (here < 0 || std::fseek(file, 0, SEEK_END) != 0) return -1;
    const long end = std::ftell(file);
    if (std::fseek(file, here, SEEK_SET) != 0) return -1;
    return end;
}

bool read_whole_file(const std::string& path, std::span<uint8_t> bytes) {
    FILE* file = platform::dos_fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    const size_t got = bytes.empty() ? 0 : std::fread(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    return got == bytes.size();
}

bool write_file(const std::string& path, std::span<const uint8_t> bytes) {
    FILE* file = platform::dos_fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool committed = written && platform::dos_commit(file);
    const bool closed = std::fclose(file) == 0;
    uint32_t size_bytes = 0;
    return committed && closed && lookup_file_size(path, size_bytes) && size_bytes == bytes.size();
}

namespace {

// A left-over new copy of a file that is missing may be its only copy: it
// is kept aside before a new copy takes its name. False when it can't be.
bool clear_new_copy_name(const std::string& path, const std::string& new_copy) {
    if (!platform::dos_exists(new_copy.c_str()) || platform::dos_exists(path.c_str())) return true;
    const std::string kept = free_kept_name(path);
    return !kept.empty() && platform::dos_rename(new_copy.c_str(), kept.c_str());
}

}  // namespace

bool replace_file(const std::string& path, std::span<const uint8_t> bytes) {
    const std::string new_copy = sibling_path(path, kNewCopyExtension);
    if (!clear_new_copy_name(path, new_copy)) return false;
    if (!write_file(new_copy, bytes) || !platform::dos_replace(new_copy.c_str(), path.c_str())) {
        platform::dos_remove(new_copy.c_str());
        return false;
    }
    return true;
}

bool replace_files_together(std::span<const FileImage> files) {
    std::vector<std::string> new_copies;
    new_copies.reserve(files.size());
    bool written = true;
    for (const FileImage& file : files) {
        const std::string new_copy = sibling_path(file.path, kNewCopyExtension);
        written = clear_new_copy_name(file.path, new_copy) && write_file(new_copy, file.bytes);
        new_copies.push_back(new_copy);
        if (!written) break;
    }
    if (!written) {
        for (const std::string& new_copy : new_copies) platform::dos_remove(new_copy.c_str());
        return false;
    }
    bool replaced = true;
    for (size_t i = 0; i < files.size(); ++i) {
        replaced = platform::dos_replace(new_copies[i].c_str(), files[i].path.c_str()) && replaced;
    }
    return replaced;
}

std::string keep_copy(const std::string& path) {
    uint32_t size_bytes = 0;
    if (!lookup_file_size(path, size_bytes)) return {};
    std::vector<uint8_t> bytes(size_bytes);
    const std::string kept = free_kept_name(path);
    if (kept.empty() || !read_whole_file(path, bytes)) return {};
    if (!write_file(kept, bytes)) {
        platform::dos_remove(kept.c_str());
        return {};
    }
    return kept;
}

bool restore_replaced_file(const std::string& path) {
    const std::string old_copy = sibling_path(path, kOldCopyExtension);
    if (platform::dos_exists(path.c_str()) || !platform::dos_exists(old_copy.c_str())) return false;
    return platform::dos_rename(old_copy.c_str(), path.c_str());
}

std::string shown_file_name(const std::string& path) {
    std::string name = path.substr(name_start(path));
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

}  // namespace datafiles
