#include "setup/upload_file.h"

#include <cstdio>

#include "datafiles/whole_files.h"

namespace setup {

namespace {

constexpr size_t kTitleLength = 2;
constexpr size_t kTitle = 3;
constexpr size_t kBlockCount = 26;
constexpr size_t kBlockTable = 30;
constexpr size_t kStartOffset = 50;
constexpr size_t kDescriptionOffset = 83;
constexpr size_t kDescriptionLength = 87;
constexpr uint64_t kBlockDescriptorBytes = 32;
constexpr uint64_t kStartRecordSkip = 16;
constexpr uint64_t kStartRecordBytes = 69;
// A file beyond this is no upload file (and is not read into memory).
constexpr uint32_t kLargestUploadFile = 16 * 1024 * 1024;

uint32_t u32_at(const std::vector<uint8_t>& bytes, uint64_t at) {
    if (at + 4 > bytes.size()) return 0;
    const size_t i = static_cast<size_t>(at);
    return bytes[i] | (bytes[i + 1] << 8) | (bytes[i + 2] << 16) | (static_cast<uint32_t>(bytes[i + 3]) << 24);
}

// [offset, offset + length) lies inside the file (64-bit: no wrap).
bool inside(const std::vector<uint8_t>& bytes, uint64_t offset, uint64_t length) { return offset + length <= bytes.size(); }

}  // namespace

std::string upload_file_path(const std::string& stem) { return datafiles::program_path(("lib\\xu3\\" + stem + ".xu3").c_str()); }

UploadRead parse_upload_file(std::vector<uint8_t> bytes, UploadFile& file) {
    if (bytes.size() < kUploadHeaderBytes) return UploadRead::damaged;
    UploadFile read;
    const size_t title_length = bytes[kTitleLength];
    if (title_length > kUploadTitleChars) return UploadRead::damaged;
    read.title.assign(bytes.begin() + kTitle, bytes.begin() + static_cast<std::ptrdiff_t>(kTitle + title_length));
    const uint64_t count = u32_at(bytes, kBlockCount);
    const uint64_t table = u32_at(bytes, kBlockTable);
    if (!inside(bytes, table, count * kBlockDescriptorBytes)) return UploadRead::damaged;
    for (uint64_t i = 0; i < count; ++i) {
        const uint64_t at = table + kBlockDescriptorBytes * i;
        const UploadBlock block{u32_at(bytes, at), u32_at(bytes, at + 4), u32_at(bytes, at + 8)};
        if (block.last < block.first || block.last >= bytes.size() || block.pause_ms > kUploadLongestPause_ms) {
            return UploadRead::damaged;
        }
        read.blocks.push_back(block);
    }
    const uint64_t start = static_cast<uint64_t>(u32_at(bytes, kStartOffset)) + kStartRecordSkip;
    if (!inside(bytes, start, kStartRecordBytes)) return UploadRead::damaged;
    for (int v = 0; v < kUploadStartValues; ++v) read.start_values[static_cast<size_t>(v)] = u32_at(bytes, start + 1 + 4 * static_cast<uint64_t>(v));
    const uint64_t text = u32_at(bytes, kDescriptionOffset);
    const uint64_t text_length = u32_at(bytes, kDescriptionLength);
    if (!inside(bytes, text, text_length)) return UploadRead::damaged;
    read.description.assign(bytes.begin() + static_cast<std::ptrdiff_t>(text),
                            bytes.begin() + static_cast<std::ptrdiff_t>(text + text_length));
    read.bytes = std::move(bytes);
    file = std::move(read);
    return UploadRead::ok;
}

UploadRead read_upload_file(const std::string& path, UploadFile& file) {
    uint32_t size_bytes = 0;
    if (!datafiles::lookup_file_size(path, size_bytes)) return UploadRead::missing;
    if (size_bytes > kLargestUploadFile) return UploadRead::damaged;
    std::vector<uint8_t> bytes(size_bytes);
    if (!datafiles::read_whole_file(path, bytes)) return UploadRead::missing;
    return parse_upload_file(std::move(bytes), file);
}

std::vector<std::string> split_upload_text(std::string_view text) {
    std::vector<std::string> rows;
    std::string row;
    bool in_line_end = false;
    const auto end_row = [&] {
        row.resize(kUploadRowChars, ' ');
        rows.push_back(row);
        row.clear();
    };
    for (const char c : text) {
        const bool line_end = c == '\r' || c == '\n';
        if (line_end && !in_line_end) end_row();
        in_line_end = line_end;
        if (line_end) continue;
        row.push_back(c);
        if (row.size() == kUploadRowChars) end_row();
    }
    if (!row.empty()) end_row();
    return rows;
}

}  // namespace setup
