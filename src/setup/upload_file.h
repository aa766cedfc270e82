// The fixture firmware upload file "%s\lib\xu3\<stem>.xu3" as the upload
// reads it (little-endian, all offsets absolute in the file):
//
//   2   u8       title length (at most 19)      3   char[n]  title
//   26  u32      block count B                  30  u32      block table offset
//   50  u32      start offset S: the 69-byte start record lies at S + 16
//                (one unused byte, then 17 u32 start values 0..16)
//   83  u32      description offset             87  u32      description length
//
// A block descriptor is 32 bytes at table offset + 32 (i - 1): u32 first
// byte, u32 last byte, u32 pause after the block in ms, 20 unused bytes.
//
// The file is checked whole before any of it is used: the header's 4131
// bytes, the title, every block and the start record and the description
// inside the file. The description is held as rows of 25 characters.
//
// Engine only: the panel, the dialogs and the upload are setup/fixture_upload.h.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace setup {

constexpr size_t kUploadHeaderBytes = 4131;
constexpr size_t kUploadTitleChars = 19;
constexpr size_t kUploadRowChars = 25;
constexpr int kUploadStartValues = 17;
constexpr uint32_t kUploadLongestPause_ms = 60'000;
constexpr const char* kUploadFileDamaged = "UPLOAD FILE DAMAGED";

struct UploadBlock {
    uint32_t first = 0;
    uint32_t last = 0;
    uint32_t pause_ms = 0;
    uint32_t size() const { return last - first + 1; }
};

struct UploadFile {
    std::vector<uint8_t> bytes;
    std::string title;
    std::vector<UploadBlock> blocks;
    std::array<uint32_t, kUploadStartValues> start_values{};
    std::string description;
};

enum class UploadRead : uint8_t { ok, missing, damaged };

// "%s\lib\xu3\<stem>.xu3" on the program directory.
std::string upload_file_path(const std::string& stem);
// Reads and checks the file; `file` is filled only when it is ok.
UploadRead read_upload_file(const std::string& path, UploadFile& file);
// The same checks on bytes in memory.
UploadRead parse_upload_file(std::vector<uint8_t> bytes, UploadFile& file);

// Every run of CR and LF ends the current row, a row ends at 25 characters,
// and every row is padded with blanks to 25.
std::vector<std::string> split_upload_text(std::string_view text);

}  // namespace setup
